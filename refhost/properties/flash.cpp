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

namespace {

// x and y of a split of z at vapour fraction beta with K-values k, each normalised.
void splitCompositions(int n, const double* z, const double* k, double beta, double* x, double* y) {
  for (int i = 0; i < n; ++i) {
    x[i] = z[i] / (1 + beta * (k[i] - 1));
    y[i] = k[i] * x[i];
  }
  normalise(n, x);
  normalise(n, y);
}

enum class Stability { Stable, Unstable, Refused };

// Tests the feed against an incipient phase of the other kind, then of its own; when
// unstable, k holds K-values to split it.  Refused when the feed has no root.
Stability testStability(const Active& a, const PureAtT& pure, double t, double p, double* k,
                        int& iterations) {
  const int n = a.set.n;
  Phase feed;
  if (!evaluatePhase(a.set, pure, a.z, p, Root::Stable, feed)) return Stability::Refused;
  double d[kMaxComponents] = {}, kw[kMaxComponents] = {};
  double lnPhi[kMaxComponents];
  lnFugacity(a.set, pure, feed, lnPhi);
  for (int i = 0; i < n; ++i) {
    d[i] = std::log(a.z[i]) + lnPhi[i];
    const Component& c = *a.set.c[i];
    kw[i] = c.pc / p * std::exp(kWilsonConstant * (1 + c.omega) * (1 - c.tc / t));
  }
  const bool feedVapour = looksVapour(a.set, a.z, t, feed);
  if (!unstable(a, pure, d, kw, !feedVapour, p, k, iterations) &&
      !unstable(a, pure, d, kw, feedVapour, p, k, iterations)) {
    return Stability::Stable;
  }
  return Stability::Unstable;
}

// A split in progress: K-values, vapour fraction and the phases of the last step.
struct Split {
  double k[kMaxComponents];
  double beta = 0.5;
  bool twoPhases = true;  // false: the substitution ran to one phase
  Phase liquid, vapour;
};

// Successive substitution on ln K from the K-values in s.k, accelerated every fifth
// step.  kFlashOk with s.twoPhases telling whether a split with 0 < beta < 1 was
// found, or kFlashNotConverged.
std::int64_t substitute(const Active& a, const PureAtT& pure, double p,
                        const FlashSettings& settings, Split& s, int& iterations) {
  const int n = a.set.n;
  double lnK[kMaxComponents], delta[kMaxComponents] = {}, previous[kMaxComponents];
  double x[kMaxComponents], y[kMaxComponents], lnPhiL[kMaxComponents], lnPhiV[kMaxComponents];
  for (int i = 0; i < n; ++i) lnK[i] = std::log(s.k[i]);
  bool converged = false;
  for (int it = 0; it < kMaxSplitIterations; ++it) {
    ++iterations;
    for (int i = 0; i < n; ++i) s.k[i] = std::exp(lnK[i]);
    if (!rachfordRice(n, a.z, s.k, s.beta)) {
      s.twoPhases = false;
      break;
    }
    splitCompositions(n, a.z, s.k, s.beta, x, y);
    if (!evaluatePhase(a.set, pure, x, p, Root::Stable, s.liquid) ||
        !evaluatePhase(a.set, pure, y, p, Root::Stable, s.vapour)) {
      return kFlashNotConverged;
    }
    lnFugacity(a.set, pure, s.liquid, lnPhiL);
    lnFugacity(a.set, pure, s.vapour, lnPhiV);
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
      s.twoPhases = false;
      break;
    }
    if (it % kAccelerationPeriod == kAccelerationPeriod - 1) extrapolate(n, delta, previous, lnK);
  }
  if (s.twoPhases && !converged) return kFlashNotConverged;
  if (s.twoPhases) {
    for (int i = 0; i < n; ++i) s.k[i] = std::exp(lnK[i]);
    s.twoPhases = rachfordRice(n, a.z, s.k, s.beta) && s.beta > 0 && s.beta < 1;
  }
  return kFlashOk;
}

// The result of a converged split, in the caller's component order.
void takeSplit(const Set& set, const Active& a, const PureAtT& pure, double p, Split& s,
               FlashResult& r) {
  const int n = a.set.n;
  double x[kMaxComponents], y[kMaxComponents];
  splitCompositions(n, a.z, s.k, s.beta, x, y);
  evaluatePhase(a.set, pure, x, p, Root::Stable, s.liquid);
  evaluatePhase(a.set, pure, y, p, Root::Stable, s.vapour);
  Properties pl, pv;
  phaseProperties(a.set, pure, x, p, s.liquid, pl);
  phaseProperties(a.set, pure, y, p, s.vapour, pv);
  r.beta = s.beta;
  r.h = s.beta * pv.h + (1 - s.beta) * pl.h;
  r.vL = pl.v;
  r.vV = pv.v;
  r.mwL = mixtureMw(a.set, x);
  r.mwV = mixtureMw(a.set, y);
  for (int i = 0; i < set.n; ++i) r.x[i] = r.y[i] = 0;
  for (int i = 0; i < n; ++i) {
    r.x[a.where[i]] = x[i];
    r.y[a.where[i]] = y[i];
  }
}

}  // namespace

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
  if (settings.phases == Phases::Single || a.set.n == 1) {
    singlePhase(set, a, pure, p,
                settings.phases == Phases::Single ? settings.forcedRoot : Root::Stable, r);
    return kFlashOk;
  }
  Split s;
  switch (testStability(a, pure, t, p, s.k, r.iterations)) {
    case Stability::Refused:
      return kFlashRefused;
    case Stability::Stable:
      singlePhase(set, a, pure, p, Root::Stable, r);
      return kFlashOk;
    case Stability::Unstable:
      break;
  }
  if (const std::int64_t code = substitute(a, pure, p, settings, s, r.iterations);
      code != kFlashOk) {
    return code;
  }
  if (!s.twoPhases) {
    singlePhase(set, a, pure, p, Root::Stable, r);
    if (s.beta >= 1 || s.beta <= 0) r.beta = s.beta >= 1 ? 1.0 : 0.0;
    return kFlashOk;
  }
  takeSplit(set, a, pure, p, s, r);
  return kFlashOk;
}

namespace {

// TP flashes of one feed at one pressure, at the temperatures a PH flash tries.
struct AtTemperature {
  const Set& set;
  const double* z;
  double p;
  const FlashSettings& settings;
  std::int64_t operator()(double t, FlashResult& out) const {
    return flashTP(set, z, t, p, settings, out);
  }
};

// Widens [lo, hi] from t0 by temperature steps until H(lo) <= h <= H(hi); refused at
// the ends of the temperature range.
std::int64_t bracketEnthalpy(const AtTemperature& at, double h, double t0, FlashResult& lo,
                             FlashResult& hi, int& evaluations) {
  std::int64_t code = at(t0, lo);
  if (code != kFlashOk) return code;
  evaluations = 1;
  hi = lo;
  if (lo.h <= h) {
    while (hi.h < h) {
      if (hi.t >= kMaxTemperature) return kFlashRefused;
      lo = hi;
      if ((code = at(std::min(hi.t * kRangeStep + kRangeShift, kMaxTemperature), hi)) != kFlashOk)
        return code;
      ++evaluations;
    }
  } else {
    while (lo.h > h) {
      if (lo.t <= kMinTemperature) return kFlashRefused;
      hi = lo;
      if ((code = at(std::max(lo.t / kRangeStep, kMinTemperature), lo)) != kFlashOk) return code;
      ++evaluations;
    }
  }
  return kFlashOk;
}

// Illinois regula falsi on g(T) = H(T) - h, with g(lo) <= 0 <= g(hi).  found: r is
// the answer; otherwise the bracket closed (or the steps ran out) without one.
std::int64_t narrowBracket(const AtTemperature& at, double h, double tol, FlashResult& lo,
                           FlashResult& hi, int& evaluations, FlashResult& r, bool& found) {
  double glo = lo.h - h, ghi = hi.h - h;
  int side = 0;
  FlashResult mid;
  found = true;
  for (int it = 0; it < 200; ++it) {
    if (glo == 0 || ghi == 0) {
      r = glo == 0 ? lo : hi;
      return kFlashOk;
    }
    if (hi.t - lo.t <= tol * hi.t) break;
    double t = lo.t - glo * (hi.t - lo.t) / (ghi - glo);
    if (!(t > lo.t && t < hi.t)) t = 0.5 * (lo.t + hi.t);
    if (const std::int64_t code = at(t, mid); code != kFlashOk) return code;
    ++evaluations;
    const double g = mid.h - h;
    if (std::fabs(g) <= tol * (std::fabs(h) + kGasConstant * t)) {
      r = mid;
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
  found = false;
  return kFlashOk;
}

// The bracket closed on a jump of H: boiling of a pure feed.  Splits it by the lever
// rule between the feed's liquid and vapour roots at the middle of the bracket.
std::int64_t splitAtJump(const AtTemperature& at, double h, double tol, const FlashResult& lo,
                         const FlashResult& hi, FlashResult& r) {
  const double glo = lo.h - h, ghi = hi.h - h;
  const double t = 0.5 * (lo.t + hi.t);
  if (hi.t - lo.t > tol * hi.t * 10) return kFlashNotConverged;
  FlashSettings one = at.settings;
  one.phases = Phases::Single;
  FlashResult liq, vap;
  std::int64_t code = kFlashOk;
  one.forcedRoot = Root::Vapour;
  if ((code = flashTP(at.set, at.z, t, at.p, one, vap)) != kFlashOk) return code;
  one.forcedRoot = Root::Liquid;
  if ((code = flashTP(at.set, at.z, t, at.p, one, liq)) != kFlashOk) return code;
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
  return kFlashOk;
}

}  // namespace

std::int64_t flashPH(const Set& set, const double* z, double h, double p, double tGuess,
                     const FlashSettings& settings, FlashResult& r) {
  const AtTemperature at{set, z, p, settings};
  const double t0 = (tGuess >= kMinTemperature && tGuess <= kMaxTemperature) ? tGuess : 300.0;
  FlashResult lo, hi;
  int evaluations = 0;
  std::int64_t code = bracketEnthalpy(at, h, t0, lo, hi, evaluations);
  if (code != kFlashOk) return code;
  const double tol = std::max(settings.tolerance, 1e-14);
  bool found = false;
  code = narrowBracket(at, h, tol, lo, hi, evaluations, r, found);
  if (code == kFlashOk && !found) code = splitAtJump(at, h, tol, lo, hi, r);
  if (code != kFlashOk) return code;
  r.iterations = evaluations;
  return kFlashOk;
}

}  // namespace xv55::refhost::properties::detail
