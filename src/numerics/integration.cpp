// Largest mass flux of an expanding fluid: the specific volume is integrated over
// pressure from the upstream pressure down towards the back pressure with the
// trapezoidal rule, and the flux G^2 = 2 (integral of v dp) / v^2 is followed
// until it passes its maximum (choking) or the back pressure is reached.  When a
// pass is too short to locate the maximum, the step is refined tenfold.
//
// Pressures are in bar; every pressure difference is converted to Pa.
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "common/units.hpp"
#include "numerics/numerics.hpp"
#include "print/report.hpp"

namespace xv55::numerics {
namespace {

constexpr double kPaPerBar = units::kPascalsPerBar;

// A pass needs more than this many steps for its end point to be trusted.
constexpr std::int64_t kFewestTrustedSteps = 3;
constexpr double kRefinement = 10.0;

// Upper bound on the trapezoid steps of one call, over all its passes.  A pass
// with N intervals takes at most about N steps and a refined pass follows only a
// pass of three steps or fewer, so any sensible N (up to a million intervals and
// beyond) stays far below it; it only stops a grid so fine that the call would
// otherwise run for hours.
constexpr std::int64_t kStepBudget = 10'000'000;

// Simpson (homogeneous) form: double-precision thresholds.
constexpr double kSimpsonSmallDrop = 1e-5;
constexpr double kSimpsonSmallRange = 1e-6;
constexpr double kSimpsonSmallStep = 1e-6;
constexpr double kSimpsonEndTolerance = 1e-8;

// Diener form: single-precision constants kept for compatibility with stored
// models.
constexpr double kDienerSmallDrop = units::single(1e-5f);
constexpr double kDienerSmallRange = units::single(1e-6f);
constexpr double kDienerSmallStep = units::single(1e-6f);
constexpr double kDienerEndTolerance = units::single(1e-8f);
constexpr double kDienerSearchMode = 0.5;
// Below this G^2 the flux follows the straight line through the origin that
// meets sqrt(G^2) there; a negative G^2 gives no flux.
constexpr double kDienerLinearLimit = units::single(1e-9f);
constexpr double kDienerLinearSlope = units::single(31622.7f);

// An input the integration cannot start from: a non-finite value, a non-positive
// upstream pressure (the volume law divides by the pressure), number of intervals (no
// step) or specific volume (the flux divides by it).
struct NamedInput {
  const char* name;
  double value;
  bool mustBePositive;
};

// Reports the first invalid input (status 4, which the entry point leaves
// standing) and says whether the integration may go on.
template <std::size_t N>
bool acceptInputs(const NamedInput (&inputs)[N], const char* form, Status status) {
  for (const NamedInput& in : inputs) {
    if (std::isfinite(in.value) && (!in.mustBePositive || in.value > 0.0)) continue;
    report(status, kError, "F-SPSIMPINT-Invalid input to %s integration: %s = %g, nothing computed",
           form, in.name, in.value);
    return false;
  }
  return true;
}

// A grid of N intervals over the range must lower the start pressure with its first
// step; a step lost below the start pressure's precision is refused (status 4).
bool acceptGrid(double start, double h, double intervals, const char* form, Status status) {
  if (start - h < start) return true;
  report(status, kError,
         "F-SPSIMPINT-Invalid input to %s integration: N = %g gives a step of %g bar, too small "
         "to move from %g bar, nothing computed",
         form, intervals, h, start);
  return false;
}

// The results are written only when all of them are numbers; otherwise the call is
// refused (status 4) and the outputs keep their values.
bool resultsAreFinite(std::initializer_list<double> results, const char* form, Status status) {
  for (double r : results) {
    if (std::isfinite(r)) continue;
    report(status, kError, "F-SPSIMPINT-Failure %s integration, no finite flux at these inputs",
           form);
    return false;
  }
  return true;
}

// v(p) = V0 (a ((Ps / p)^n - 1) + 1) below Ps, V0 above.
struct VolumeLaw {
  double ps;
  double v0;
  double a;
  double n;

  double operator()(double p) const {
    if (p > ps) return v0;
    return v0 * (a * (std::pow(ps / p, n) - 1.0) + 1.0);
  }
};

// The trapezoid steps still allowed in this call.
class StepBudget {
 public:
  bool take() {
    if (left_ == 0) return false;
    --left_;
    return true;
  }

 private:
  std::int64_t left_ = kStepBudget;
};

// One march from the start pressure down towards the back pressure.
struct Pass {
  enum class End {
    MaximumPassed,  // G^2 fell below the previous value
    ReachedEnd,     // the back pressure was reached (or the range was empty)
    Stalled,        // a step did not lower the pressure, or the budget ran out
  };
  End end = End::ReachedEnd;
  std::int64_t steps = 0;
  double p = 0.0;               // pressure of the last step
  double flux = 0.0;            // G^2 at p
  double previous = 0.0;        // G^2 one step before (p + h)
  double beforePrevious = 0.0;  // G^2 two steps before (p + 2 h)
};

struct March {
  VolumeLaw volume;
  double start;         // start pressure Pst
  double back;          // back pressure Pb
  double liquid;        // integral accumulated above Pst
  double startFlux;     // comparison value before the first step
  double endTolerance;  // the march continues while p - Pb >= this
  bool stopAtMaximum;
};

// Steps of width h from m.start; fluxAt(integral, v, p) gives G^2 at each step.
// u is the volume at the previous step and carries over from one pass to the next.
template <class FluxAt>
Pass march(const March& m, double h, double& u, StepBudget& budget, FluxAt fluxAt) {
  Pass pass;
  if (!(m.start - m.back >= m.endTolerance)) return pass;

  double p = m.start;
  double integral = m.liquid;
  double g = m.startFlux;
  double gBefore = -1.0;
  do {
    const double next = p - h;
    if (next >= p || !budget.take()) {
      pass.end = Pass::End::Stalled;
      return pass;
    }
    p = next;
    const double v = m.volume(p);
    ++pass.steps;
    integral += (u + v) * h * kPaPerBar;
    const double flux = fluxAt(integral, v, p);
    pass.p = p;
    pass.flux = flux;
    pass.previous = g;
    pass.beforePrevious = gBefore;
    if (m.stopAtMaximum && flux < g) {
      pass.end = Pass::End::MaximumPassed;
      return pass;
    }
    gBefore = g;
    g = flux;
    u = v;
  } while (p - m.back >= m.endTolerance);
  pass.end = Pass::End::ReachedEnd;
  return pass;
}

bool trusted(const Pass& pass) {
  return pass.end != Pass::End::Stalled && pass.steps > kFewestTrustedSteps;
}

// The parabola through (p + 2h, g''), (p + h, g'), (p, g): its vertex and the
// value there.
struct Vertex {
  double p;
  double flux;
};

Vertex parabolaMaximum(const Pass& pass, double h) {
  const double p = pass.p;
  const double c2 = (pass.beforePrevious - 2.0 * pass.previous + pass.flux) / (2.0 * h * h);
  const double c1 = (pass.previous - pass.flux) / h - (h + 2.0 * p) * c2;
  const double pm = -c1 / (2.0 * c2);
  return {pm, (c1 + c2 * pm) * pm + pass.flux + (-(p * c2) - c1) * p};
}

// Whether the refinement loop may try again with step h: N h must stay above the
// smallest step, be finite (an infinite step stays infinite when refined), and
// the last pass must have been able to move.
bool mayRefine(const Pass& pass, double intervals, double h, double smallStep) {
  const double span = intervals * h;
  return pass.end != Pass::End::Stalled && span > smallStep && std::isfinite(span);
}

// Marches with step h, refining it tenfold, until a pass can be trusted or the
// step is exhausted.  lastFlux is the last G^2 computed (the start value when no
// step was taken); h is the step of the returned pass.
struct Search {
  bool found;
  Pass pass;
  double h;
  double lastFlux;
};

template <class FluxAt>
Search search(const March& m, double h, double intervals, double smallStep, double& u,
              FluxAt fluxAt) {
  StepBudget budget;
  double lastFlux = m.startFlux;
  for (;;) {
    const Pass pass = march(m, h, u, budget, fluxAt);
    if (pass.steps > 0) lastFlux = pass.flux;
    if (trusted(pass)) return {true, pass, h, lastFlux};
    h /= kRefinement;
    if (!mayRefine(pass, intervals, h, smallStep)) return {false, pass, h, lastFlux};
  }
}

// Where the march starts.  Above Ps the fluid is liquid at V0 and its part,
// 2 V0 (P0 - Pe), is integrated exactly down to Pe, the higher of Ps and Pb (a
// back pressure above Ps leaves the whole expansion liquid); the march then
// starts at Pe, else at P0.
struct Expansion {
  double liquid;
  double start;
  double range;  // start - Pb
};

Expansion expansion(double p0, double ps, double pb, double v0, double smallDrop) {
  const bool liquidPart = p0 > ps + smallDrop;
  const double liquidEnd = std::fmax(ps, pb);
  const double start = liquidPart ? liquidEnd : p0;
  return {liquidPart ? 2.0 * kPaPerBar * v0 * (p0 - liquidEnd) : 0.0, start, start - pb};
}

// Whether the march ran out of steps: the step budget, or a step too small to
// lower the pressure.
bool stalled(const Search& found) {
  return found.pass.end == Pass::End::Stalled;
}

// G from G^2 for the Diener form: linear below the limit, no flux for G^2 < 0.
double dienerFlux(double fluxSquared) {
  if (fluxSquared > kDienerLinearLimit) return std::sqrt(fluxSquared);
  return fluxSquared < 0.0 ? 0.0 : fluxSquared * kDienerLinearSlope;
}

// The correction of the Diener form at the pressure-drop ratio x = (P0 - Pb) / (P0 - p),
// with Q = rho w^2: the factor F(x) = 1.21 / (S^2 x^2 / Q + 1) and the discharge factor
// Cd(x) = 1.1 / sqrt(S^2 x^2 / Q + 1).
struct DienerCorrection {
  double s;
  double q;
  double factor(double x) const { return units::single(1.21f) / ((s * s) * (x * x) / q + 1.0); }
  double discharge(double x) const {
    return units::single(1.1f) / std::sqrt((s * s) * (x * x) / q + 1.0);
  }
};

// What the Diener form reports after its search: G^2, the pressure at the maximum
// and, where it is written, the discharge factor.
struct DienerResult {
  double fluxSquared;
  double pm;
  double cd = 0.0;
  bool writesDischarge = false;
};

// The result of a search: integrating, the value at the back pressure; searching, the
// end of the march or the parabola's maximum.  False (reported) when the search failed.
bool dienerResult(const Search& found, bool searching, double drop, double p0, double pb,
                  const DienerCorrection& correction, Status status, DienerResult& r) {
  r = {found.lastFlux, pb};
  if (found.found && !searching) {
    r.cd = correction.discharge(1.0);
    r.writesDischarge = true;
    r.fluxSquared = found.pass.flux;
  } else if (found.found && found.pass.end == Pass::End::ReachedEnd) {
    r.fluxSquared = found.pass.flux;
  } else if (found.found) {
    const Vertex top = parabolaMaximum(found.pass, found.h);
    r.pm = top.p;
    r.cd = correction.discharge(drop / (p0 - top.p));
    r.writesDischarge = true;
    r.fluxSquared = top.flux;
  } else if (stalled(found)) {
    report(status, kError, "F-SPSIMPINT-Failure Diener integration, step budget exhausted");
    return false;
  } else {
    report(status, kError, "F-SPSIMPINT-Failure Diener integration, step too small");
    return false;
  }
  return true;
}

}  // namespace

entry::Outcome PSIMPINT(const SimpsonArguments& args, Status status) {
  const auto& [expansionInputs, intervals, flux, pmax, maximumFound, at] = args;
  const auto& [p0, ps, pb, v0, a, n] = expansionInputs;
  const NamedInput inputs[] = {{"P0", p0, true},      {"Ps", ps, false}, {"Pb", pb, false},
                               {"V0", v0, true},      {"a", a, false},   {"n", n, false},
                               {"N", intervals, true}};
  if (!acceptInputs(inputs, "Simpson", status)) return entry::Outcome::Rejected;
  const VolumeLaw volume{ps, v0, a, n};
  const double drop = p0 - pb;

  if (drop < kSimpsonSmallDrop) {
    const double v = volume(p0);
    const double g = std::sqrt(std::fmax(drop, 0.0) * kPaPerBar * (v0 + v) / (v * v));
    if (!resultsAreFinite({g}, "Simpson", status)) return entry::Outcome::Rejected;
    pmax = pb;
    flux = g;
    return entry::Outcome::Done;
  }

  const auto [liquid, start, range] = expansion(p0, ps, pb, v0, kSimpsonSmallDrop);
  double h = range / intervals;
  double u = v0;

  if (range < kSimpsonSmallRange) {
    const double v = volume(start);
    const double g = std::sqrt((liquid + std::fmax(range, 0.0) * kPaPerBar * (u + v)) / (v * v));
    if (!resultsAreFinite({g}, "Simpson", status)) return entry::Outcome::Rejected;
    pmax = pb;
    flux = g;
    return entry::Outcome::Done;
  }
  if (!acceptGrid(start, h, intervals, "Simpson", status)) return entry::Outcome::Rejected;

  const March m{volume, start, pb, liquid, liquid / (v0 * v0), kSimpsonEndTolerance, true};
  const auto fluxAt = [](double integral, double v, double) { return integral / (v * v); };
  const Search found = search(m, h, intervals, kSimpsonSmallStep, u, fluxAt);
  double result = found.lastFlux, pm = ps, maximum = 1.0;
  if (found.found && found.pass.end == Pass::End::ReachedEnd) {
    pm = pb;
    maximum = 0.0;
    result = found.pass.flux;
  } else if (found.found) {
    const Vertex top = parabolaMaximum(found.pass, found.h);
    pm = top.p;
    result = top.flux;
  } else if (stalled(found)) {
    report(status, kError, "F-SPSIMPINT-Failure Simpson integration, step budget exhausted");
    return entry::Outcome::Rejected;
  } else if (p0 < ps) {
    report(status, kError, "F-SPSIMPINT-Failure Simpson integration, step too small");
    return entry::Outcome::Rejected;
  }
  // Otherwise every refinement passed the maximum within three steps of the start:
  // it lies at Ps.
  const double g = std::sqrt(result);
  if (!resultsAreFinite({g, pm}, "Simpson", status)) return entry::Outcome::Rejected;
  flux = g;
  pmax = pm;
  maximumFound = maximum;
  return entry::Outcome::Done;
}

entry::Outcome PDIENERINT(const DienerArguments& args, Status status) {
  // Named references rather than a structured binding: the lambda below uses them.
  const ExpansionInputs& in = args.expansion;
  const double &p0 = in.p0, &ps = in.ps, &pb = in.pb, &v0 = in.v0, &a = in.a, &n = in.n,
               &s = args.s, &rho = args.rho, &w = args.w, &mode = args.mode,
               &intervals = args.intervals;
  const NamedInput inputs[] = {{"P0", p0, true},      {"Ps", ps, false},     {"Pb", pb, false},
                               {"V0", v0, true},      {"a", a, false},       {"n", n, false},
                               {"S", s, false},       {"rho", rho, false},   {"w", w, false},
                               {"mode", mode, false}, {"N", intervals, true}};
  if (!acceptInputs(inputs, "Diener", status)) return entry::Outcome::Rejected;
  const VolumeLaw volume{ps, v0, a, n};
  const double drop = p0 - pb;
  const DienerCorrection correction{s, rho * (w * w)};
  const bool searching = mode > kDienerSearchMode;

  if (drop < kDienerSmallDrop) {
    const double f1 = correction.factor(1.0);
    const double g = dienerFlux(2.0 * kPaPerBar * v0 * drop * f1 / ((v0 - f1 * v0) * v0));
    if (!resultsAreFinite({g}, "Diener", status)) return entry::Outcome::Rejected;
    args.pmax = pb;
    args.flux = g;
    return entry::Outcome::Done;
  }

  const auto [liquid, start, range] = expansion(p0, ps, pb, v0, kDienerSmallDrop);
  double h = range / intervals;
  double u = v0;

  // Nothing left to march over: the liquid part and the short range below it.  In
  // integrating mode as well, where a march over an empty range could never
  // succeed.
  if (range < kDienerSmallRange) {
    const double f1 = correction.factor(1.0);
    const double g = dienerFlux((liquid + 2.0 * kPaPerBar * v0 * std::fmax(range, 0.0)) * f1 /
                                (u * u - v0 * v0 * f1));
    const double cd = correction.discharge(1.0);
    if (!resultsAreFinite({g, cd}, "Diener", status)) return entry::Outcome::Rejected;
    args.pmax = pb;
    if (!searching) args.discharge = cd;
    args.flux = g;
    return entry::Outcome::Done;
  }
  if (!acceptGrid(start, h, intervals, "Diener", status)) return entry::Outcome::Rejected;

  const March m{volume, start, pb, liquid, 0.0, kDienerEndTolerance, searching};
  const auto fluxAt = [&](double integral, double v, double p) {
    const double f = correction.factor(drop / (p0 - p));
    return integral * f / (v * v - f * (v0 * v0));
  };
  const Search found = search(m, h, intervals, kDienerSmallStep, u, fluxAt);
  DienerResult r{};
  if (!dienerResult(found, searching, drop, p0, pb, correction, status, r)) {
    return entry::Outcome::Rejected;
  }
  const double g = dienerFlux(r.fluxSquared);
  if (!resultsAreFinite({g, r.pm, r.cd}, "Diener", status)) return entry::Outcome::Rejected;
  args.flux = g;
  args.pmax = r.pm;
  if (r.writesDischarge) args.discharge = r.cd;
  return entry::Outcome::Done;
}

}  // namespace xv55::numerics
