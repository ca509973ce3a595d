// Equilibrium flashes on the Peng-Robinson equation.
//
// Temperature-pressure flash (M. L. Michelsen, Fluid Phase Equilib. 9 (1982) 1-19 and
// 21-40): the feed is tested for stability against an incipient phase of the other
// kind first (a liquid in a vapour-like feed, a vapour in a liquid-like one), then of
// the same kind, by successive substitution on the tangent-plane condition, starting
// from Wilson K-values; the test stops as soon as the tangent-plane distance turns
// negative or the trial phase approaches the feed.  An unstable feed is split by
// successive substitution on ln K with Rachford-Rice for the vapour fraction and a
// dominant-eigenvalue extrapolation every fifth step.  Liquid-liquid splits are not
// searched.
//
// Pressure-enthalpy flash: the temperature is bracketed and found by the Illinois
// variant of regula falsi on H(T) from temperature-pressure flashes.  Where H jumps
// at one temperature (a pure component boiling), the feed is split by the lever rule
// between its liquid and vapour roots at that temperature.
#include <algorithm>
#include <cmath>

#include "thermo.hpp"

namespace xv55::refhost::properties::detail {
namespace {

constexpr int kMaxStabilityIterations = 100;
constexpr int kMaxSplitIterations = 2000;
constexpr int kAccelerationPeriod = 5;
constexpr double kWilsonConstant = 5.373;
// Sum of squared ln(W/z) below which a trial phase is taken as the feed itself.
constexpr double kTrivialDistance = 1.0e-4;
// Tangent-plane distance below which the feed is unstable, and above which a settled
// stationary point (sum of squared ln W steps below kSettled) shows it stable.
constexpr double kUnstableDistance = -1.0e-8;
constexpr double kStableDistance = 1.0e-6;
constexpr double kSettled = 1.0e-12;
constexpr double kRangeStep = 1.5;    // PH bracket: temperature factor per widening
constexpr double kRangeShift = 50.0;  // K, added on each upward widening

// The components with a non-zero fraction, packed.
struct Active {
  Set set;
  int where[kMaxComponents];  // position in the caller's set
  double z[kMaxComponents];
};

void pack(const Set& set, const double* z, Active& a) {
  a.set.n = 0;
  for (int i = 0; i < set.n; ++i) {
    if (z[i] <= 0) continue;
    a.set.c[a.set.n] = set.c[i];
    a.where[a.set.n] = i;
    a.z[a.set.n] = z[i];
    ++a.set.n;
  }
}

void normalise(int n, double* x) {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += x[i];
  for (int i = 0; i < n; ++i) x[i] /= sum;
}

// Dominant-eigenvalue extrapolation of a successive-substitution sequence (Crowe &
// Nishio 1975): x += step lambda / (1 - lambda), lambda the ratio of the last two steps.
void extrapolate(int n, const double* step, const double* previous, double* x) {
  double num = 0, den = 0;
  for (int i = 0; i < n; ++i) {
    num += step[i] * previous[i];
    den += previous[i] * previous[i];
  }
  const double lambda = den > 0 ? num / den : 0;
  if (lambda <= 0 || lambda >= 1) return;
  for (int i = 0; i < n; ++i) x[i] += step[i] * lambda / (1 - lambda);
}

// Tests one trial phase; true when the feed is unstable, with K-values to split it.
bool unstable(const Active& a, const PureAtT& pure, const double* d, const double* kw,
              bool vapourLike, double p, double* k, int& iterations) {
  const int n = a.set.n;
  double lnW[kMaxComponents], w[kMaxComponents], lnPhi[kMaxComponents];
  double step[kMaxComponents] = {}, previous[kMaxComponents];
  for (int i = 0; i < n; ++i) lnW[i] = std::log(vapourLike ? a.z[i] * kw[i] : a.z[i] / kw[i]);
  for (int it = 0; it < kMaxStabilityIterations; ++it) {
    ++iterations;
    double sumW = 0;
    for (int i = 0; i < n; ++i) sumW += (w[i] = std::exp(lnW[i]));
    for (int i = 0; i < n; ++i) w[i] /= sumW;
    Phase ph;
    if (!evaluatePhase(a.set, pure, w, p, Root::Stable, ph)) return false;
    lnFugacity(a.set, pure, ph, lnPhi);
    double tm = 1, change = 0, trivial = 0;
    for (int i = 0; i < n; ++i) {
      const double wi = w[i] * sumW;
      tm += wi * (lnW[i] + lnPhi[i] - d[i] - 1);
      const double next = d[i] - lnPhi[i];
      previous[i] = step[i];
      step[i] = next - lnW[i];
      change += step[i] * step[i];
      trivial += (next - std::log(a.z[i])) * (next - std::log(a.z[i]));
      lnW[i] = next;
    }
    if (tm < kUnstableDistance) {
      for (int i = 0; i < n; ++i) {
        const double wi = std::exp(lnW[i]);
        k[i] = vapourLike ? wi / a.z[i] : a.z[i] / wi;
      }
      return true;
    }
    // Near the feed, or settled on a stationary point above the tangent plane.
    if (trivial < kTrivialDistance || (change < kSettled && tm > kStableDistance)) return false;
    if (it % kAccelerationPeriod == kAccelerationPeriod - 1) extrapolate(n, step, previous, lnW);
  }
  return false;
}

// Single phase of the packed feed on a root; beta 1 for vapour, 0 for liquid.
void singlePhase(const Set& set, const Active& a, const PureAtT& pure, double p, Root root,
                 FlashResult& r) {
  Phase ph, other;
  evaluatePhase(a.set, pure, a.z, p, root, ph);
  const bool vapour = root == Root::Vapour   ? true
                      : root == Root::Liquid ? false
                                             : looksVapour(a.set, a.z, pure.t, ph);
  Properties pr;
  phaseProperties(a.set, pure, a.z, p, ph, pr);
  // The absent phase: the feed on the root of that kind.
  evaluatePhase(a.set, pure, a.z, p, vapour ? Root::Liquid : Root::Vapour, other);
  r.beta = vapour ? 1.0 : 0.0;
  r.h = pr.h;
  const double mw = mixtureMw(a.set, a.z);
  r.vV = vapour ? ph.v : other.v;
  r.vL = vapour ? other.v : ph.v;
  r.mwV = r.mwL = mw;
  for (int i = 0; i < set.n; ++i) r.x[i] = r.y[i] = 0;
  for (int i = 0; i < a.set.n; ++i) r.x[a.where[i]] = r.y[a.where[i]] = a.z[i];
}

}  // namespace

double mixtureMw(const Set& set, const double* x) {
  double mw = 0;
  for (int i = 0; i < set.n; ++i) mw += x[i] * set.c[i]->mw;
  return mw;
}

std::int64_t flashTP(const Set& set, const double* z, double t, double p,
                     const FlashSettings& settings, FlashResult& r) {
  Active a;
  pack(set, z, a);
  if (a.set.n == 0) return kFlashRefused;
  normalise(a.set.n, a.z);
  r.t = t;
  r.p = p;
  r.iterations = 0;
  PureAtT pure;
  pureAtT(a.set, t, pure);
  const int n = a.set.n;

  if (settings.phases == Phases::Single || n == 1) {
    singlePhase(set, a, pure, p,
                settings.phases == Phases::Single ? settings.forcedRoot : Root::Stable, r);
    return kFlashOk;
  }

  // Stability of the feed.
  Phase feed;
  if (!evaluatePhase(a.set, pure, a.z, p, Root::Stable, feed)) return kFlashRefused;
  double d[kMaxComponents] = {}, kw[kMaxComponents] = {};
  double lnPhi[kMaxComponents], k[kMaxComponents];
  lnFugacity(a.set, pure, feed, lnPhi);
  for (int i = 0; i < n; ++i) {
    d[i] = std::log(a.z[i]) + lnPhi[i];
    const Component& c = *a.set.c[i];
    kw[i] = c.pc / p * std::exp(kWilsonConstant * (1 + c.omega) * (1 - c.tc / t));
  }
  const bool feedVapour = looksVapour(a.set, a.z, t, feed);
  if (!unstable(a, pure, d, kw, !feedVapour, p, k, r.iterations) &&
      !unstable(a, pure, d, kw, feedVapour, p, k, r.iterations)) {
    singlePhase(set, a, pure, p, Root::Stable, r);
    return kFlashOk;
  }

  // Split by successive substitution.
  double lnK[kMaxComponents], delta[kMaxComponents] = {}, previous[kMaxComponents];
  double x[kMaxComponents], y[kMaxComponents], lnPhiL[kMaxComponents], lnPhiV[kMaxComponents];
  for (int i = 0; i < n; ++i) lnK[i] = std::log(k[i]);
  double beta = 0.5;
  bool converged = false, split = true;
  Phase liquid, vapour;
  for (int it = 0; it < kMaxSplitIterations; ++it) {
    ++r.iterations;
    for (int i = 0; i < n; ++i) k[i] = std::exp(lnK[i]);
    if (!rachfordRice(n, a.z, k, beta)) {
      split = false;
      break;
    }
    for (int i = 0; i < n; ++i) {
      x[i] = a.z[i] / (1 + beta * (k[i] - 1));
      y[i] = k[i] * x[i];
    }
    normalise(n, x);
    normalise(n, y);
    if (!evaluatePhase(a.set, pure, x, p, Root::Stable, liquid) ||
        !evaluatePhase(a.set, pure, y, p, Root::Stable, vapour)) {
      return kFlashNotConverged;
    }
    lnFugacity(a.set, pure, liquid, lnPhiL);
    lnFugacity(a.set, pure, vapour, lnPhiV);
    double error = 0, trivial = 0;
    for (int i = 0; i < n; ++i) {
      const double next = lnPhiL[i] - lnPhiV[i];
      previous[i] = delta[i];
      delta[i] = next - lnK[i];
      error = std::max(error, std::fabs(delta[i]));
      lnK[i] = next;
      trivial += next * next;
    }
    if (error < settings.tolerance) {
      converged = true;
      break;
    }
    if (trivial < kTrivialDistance * kTrivialDistance) {
      split = false;
      break;
    }
    if (it % kAccelerationPeriod == kAccelerationPeriod - 1) extrapolate(n, delta, previous, lnK);
  }
  if (split && !converged) return kFlashNotConverged;
  if (split) {
    for (int i = 0; i < n; ++i) k[i] = std::exp(lnK[i]);
    split = rachfordRice(n, a.z, k, beta) && beta > 0 && beta < 1;
  }
  if (!split) {
    singlePhase(set, a, pure, p, Root::Stable, r);
    if (beta >= 1 || beta <= 0) r.beta = beta >= 1 ? 1.0 : 0.0;
    return kFlashOk;
  }
  for (int i = 0; i < n; ++i) {
    x[i] = a.z[i] / (1 + beta * (k[i] - 1));
    y[i] = k[i] * x[i];
  }
  normalise(n, x);
  normalise(n, y);
  evaluatePhase(a.set, pure, x, p, Root::Stable, liquid);
  evaluatePhase(a.set, pure, y, p, Root::Stable, vapour);
  Properties pl, pv;
  phaseProperties(a.set, pure, x, p, liquid, pl);
  phaseProperties(a.set, pure, y, p, vapour, pv);
  r.beta = beta;
  r.h = beta * pv.h + (1 - beta) * pl.h;
  r.vL = pl.v;
  r.vV = pv.v;
  r.mwL = mixtureMw(a.set, x);
  r.mwV = mixtureMw(a.set, y);
  for (int i = 0; i < set.n; ++i) r.x[i] = r.y[i] = 0;
  for (int i = 0; i < n; ++i) {
    r.x[a.where[i]] = x[i];
    r.y[a.where[i]] = y[i];
  }
  return kFlashOk;
}

std::int64_t flashPH(const Set& set, const double* z, double h, double p, double tGuess,
                     const FlashSettings& settings, FlashResult& r) {
  auto at = [&](double t, FlashResult& out) { return flashTP(set, z, t, p, settings, out); };
  double t0 = (tGuess >= kMinTemperature && tGuess <= kMaxTemperature) ? tGuess : 300.0;
  FlashResult lo, hi;
  std::int64_t code = at(t0, lo);
  if (code != kFlashOk) return code;
  int evaluations = 1;
  if (lo.h <= h) {
    hi = lo;
    while (hi.h < h) {
      if (hi.t >= kMaxTemperature) return kFlashRefused;
      lo = hi;
      if ((code = at(std::min(hi.t * kRangeStep + kRangeShift, kMaxTemperature), hi)) != kFlashOk)
        return code;
      ++evaluations;
    }
  } else {
    hi = lo;
    while (lo.h > h) {
      if (lo.t <= kMinTemperature) return kFlashRefused;
      hi = lo;
      if ((code = at(std::max(lo.t / kRangeStep, kMinTemperature), lo)) != kFlashOk) return code;
      ++evaluations;
    }
  }
  // Illinois regula falsi on g(T) = H(T) - h, with g(lo) <= 0 <= g(hi).
  const double tol = std::max(settings.tolerance, 1e-14);
  double glo = lo.h - h, ghi = hi.h - h;
  int side = 0;
  FlashResult mid;
  for (int it = 0; it < 200; ++it) {
    if (glo == 0) {
      r = lo;
      r.iterations = evaluations;
      return kFlashOk;
    }
    if (ghi == 0) {
      r = hi;
      r.iterations = evaluations;
      return kFlashOk;
    }
    if (hi.t - lo.t <= tol * hi.t) break;
    double t = lo.t - glo * (hi.t - lo.t) / (ghi - glo);
    if (!(t > lo.t && t < hi.t)) t = 0.5 * (lo.t + hi.t);
    if ((code = at(t, mid)) != kFlashOk) return code;
    ++evaluations;
    const double g = mid.h - h;
    if (std::fabs(g) <= tol * (std::fabs(h) + kGasConstant * t)) {
      r = mid;
      r.iterations = evaluations;
      return kFlashOk;
    }
    if (g < 0) {
      lo = mid;
      glo = g;
      if (side == -1) ghi /= 2;
      side = -1;
    } else {
      hi = mid;
      ghi = g;
      if (side == 1) glo /= 2;
      side = 1;
    }
  }
  glo = lo.h - h;
  ghi = hi.h - h;
  // The bracket closed on a jump of H: boiling of a pure feed.  Split it by the lever rule
  // between the feed's liquid and vapour roots.
  const double t = 0.5 * (lo.t + hi.t);
  if (hi.t - lo.t > tol * hi.t * 10) return kFlashNotConverged;
  FlashSettings one = settings;
  one.phases = Phases::Single;
  FlashResult liq, vap;
  one.forcedRoot = Root::Vapour;
  if ((code = flashTP(set, z, t, p, one, vap)) != kFlashOk) return code;
  one.forcedRoot = Root::Liquid;
  if ((code = flashTP(set, z, t, p, one, liq)) != kFlashOk) return code;
  r = vap;
  r.t = t;
  if (vap.h - liq.h > 0) {
    r.beta = std::clamp((h - liq.h) / (vap.h - liq.h), 0.0, 1.0);
    r.h = h;
    r.vL = liq.vL;
    r.vV = vap.vV;
  } else {
    r = std::fabs(glo) < std::fabs(ghi) ? lo : hi;
  }
  r.iterations = evaluations;
  return kFlashOk;
}

}  // namespace xv55::refhost::properties::detail
