// The Colebrook friction factor PIPCBR and its procedure SPPCBR.
//
// Colebrook, C.F. (1939), "Turbulent flow in pipes, with particular reference to the
// transition region between the smooth and rough pipe laws", J. Inst. Civil Eng.
// 11, 133-156, in the form 1/sqrt(f) = 1.74 - 2 log10(2 r + 18.7/(Re sqrt(f))),
// solved by fixed-point iteration from f0 = 0.0056 + 0.5 Re^-0.32.  The constants
// are the single-precision values stored models were computed with.  The reference
// host's pipe routines use a friction factor of their own (refhost/pipe/common.hpp,
// darcy) with the textbook 2000 ... 4000 band; this one keeps its 2500 ... 3500 band
// and its tolerance, since stored models depend on them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <numbers>
#include <string_view>

#include "common/units.hpp"
#include "host/services.hpp"
#include "pipe/pipe_flow.hpp"
#include "print/report.hpp"
#include "xv55/host/pipe_correlations.h"

namespace xv55::pipe {
namespace {

using units::single;

// Branches in the Reynolds number: below kCreepingLimit the tangent (0.2 - Re) 6400
// of 64/Re at 0.1, 64/Re up to and including kLaminarLimit, Colebrook above
// kTurbulentLimit, blended linearly in Re between.
constexpr double kCreepingLimit = single(0.1f);
constexpr double kLaminarLimit = 2500.0;
constexpr double kTurbulentLimit = 3500.0;
constexpr double kBlendWidth = kTurbulentLimit - kLaminarLimit;

// The iteration stops when a step changes f by at most this share of it.
constexpr double kRelativeTolerance = single(0.01f);
constexpr int kMaxIterations = 50;

// Traces at this pipe-library trace level (PIP_IORFS1 word 2) and above.
constexpr std::int64_t kTraceLevel = 8;
constexpr std::int64_t kTraceSeverity = 0;

// Error reports through the host's error facility.
constexpr std::string_view kRoutine = "PIP     CBR     ";
constexpr std::int64_t kErrorSeverity = 2;
constexpr std::int64_t kNegativeReynolds = 1;
constexpr std::int64_t kNotConverged = 2;
constexpr std::int64_t kErrorValue3 = 2;
constexpr std::int64_t kErrorLines = 2;
constexpr std::size_t kLineBuffer = 96;

bool tracing() {
  return PIP_IORFS1[1] >= kTraceLevel;
}

// The characters snprintf wrote into text (n its result).
std::string_view written(const char (&text)[kLineBuffer], int n) {
  return {text, n > 0 ? std::min(static_cast<std::size_t>(n), kLineBuffer - 1) : 0U};
}

// Writes a two-line message into the host's error-text area and issues it, when the
// host lets the error through.
void reportError(std::int64_t number, std::string_view first, std::string_view second) {
  if (!host::errorDue(kRoutine, kErrorSeverity, number, 0, 0, kErrorValue3)) return;
  host::setErrorLine(1, first);
  host::setErrorLine(2, second);
  host::issueErrorLines(kErrorLines);
}

void reportNegativeReynolds(double re) {
  char text[kLineBuffer];
  const int n = std::snprintf(text, sizeof text, "REYNOLDS NUMBER=%13.6E PASSED TO COLEBROOK", re);
  reportError(kNegativeReynolds, written(text, n), "SINGLE-PHASE FRICTION FACTOR ROUTINE.");
}

void reportNotConverged(double difference) {
  char text[kLineBuffer];
  const int n = std::snprintf(text, sizeof text,
                              "AFTER 50 ITERATIONS. FRICTION FACTOR ERROR=%13.6E", difference);
  reportError(kNotConverged, "COLEBROOK SINGLE-PHASE FRICTION FACTOR NOT CONVERGED",
              written(text, n));
}

// The iteration in the unknown x = 1/sqrt(f): 2 log10 s is taken as (2/ln 10) ln s, and
// the viscous term 18.7/(Re sqrt(f)) of an iterate as (18.7/Re) |x| of the step that
// gave it, so that a step costs one logarithm and no square root.
constexpr double kTwoByLn10 = 2.0 / std::numbers::ln10;

// The starting iterate f0 = 0.0056 + 0.5 Re^-0.32, its 1/sqrt(f0), and Re^0.32.
struct Start {
  double f;
  double rootInverse;
  double power;
};
Start start(double re) {
  const double power = std::pow(re, single(0.32f));
  const double f = single(0.0056f) + 0.5 / power;
  return {f, 1.0 / std::sqrt(f), power};
}

// 1/sqrt(f) of the next iterate from s = 2 r + 18.7/(Re sqrt(f)).
double stepX(double sum) {
  return single(1.74f) - kTwoByLn10 * std::log(sum);
}

// Colebrook-White above the laminar limit, blended with 64/2500 up to 3500.
double turbulent(double re, double r) {
  if (std::isinf(re)) {
    // The viscous term vanishes: the fully rough limit 1/sqrt(f) = 1.74 - 2 log10(2 r),
    // 0 for a smooth pipe.
    const double x = single(1.74f) - 2.0 * std::log10(2.0 * r);
    const double f = 1.0 / (x * x);
    if (std::isnan(f)) reportNotConverged(f);
    return f;
  }
  const double viscousPerRootInverse = single(18.7f) / re;
  const Start s = start(re);
  double previous = s.f;
  double rootInverse = s.rootInverse;
  double next = previous;
  double difference = 0.0;
  bool converged = false;
  for (int i = 0; i < kMaxIterations && !converged; ++i) {
    const double x = stepX(2.0 * r + viscousPerRootInverse * rootInverse);
    next = 1.0 / (x * x);
    rootInverse = std::fabs(x);
    difference = std::fabs(previous - next);
    converged = difference <= kRelativeTolerance * previous;
    previous = next;
  }
  if (!converged) reportNotConverged(difference);
  if (re <= kTurbulentLimit) {
    const double w = (re - kLaminarLimit) / kBlendWidth;
    return w * next + (1.0 - w) * 64.0 / kLaminarLimit;
  }
  return next;
}

// turbulent() with the slopes of every iterate by Re and r carried along, so that
// they are the slopes of the iterate it returns (which lies within a fraction of a
// per cent of the root, not on it).  Same arithmetic for the value; reports nothing.
FrictionSlopes turbulentSlopes(double re, double r) {
  const double viscousPerRootInverse = single(18.7f) / re;
  const Start s = start(re);
  FrictionSlopes previous{s.f, -single(0.32f) * 0.5 / (s.power * re),  // df0/dRe
                          0.0};                                        // df0/dr
  double rootInverse = s.rootInverse;
  FrictionSlopes next = previous;
  bool converged = false;
  for (int i = 0; i < kMaxIterations && !converged; ++i) {
    const double viscous = viscousPerRootInverse * rootInverse;
    const double sum = 2.0 * r + viscous;
    const double x = stepX(sum);
    next.f = 1.0 / (x * x);
    rootInverse = std::fabs(x);
    const double halfRelative = 0.5 / previous.f;
    const double sumByRe = -viscous * (1.0 / re + halfRelative * previous.byReynolds);  // dsum/dRe
    const double sumByR = 2.0 - viscous * halfRelative * previous.byRoughness;          // dsum/dr
    const double fBySum = -2.0 / (x * x * x) * (-kTwoByLn10 / sum);                     // df/dsum
    next.byReynolds = fBySum * sumByRe;                                                 // df/dRe
    next.byRoughness = fBySum * sumByR;                                                 // df/dr
    converged = std::fabs(previous.f - next.f) <= kRelativeTolerance * previous.f;
    previous = next;
  }
  if (re <= kTurbulentLimit) {
    const double w = (re - kLaminarLimit) / kBlendWidth;
    const double laminar = 64.0 / kLaminarLimit;
    return {w * next.f + (1.0 - w) * laminar,
            (next.f - laminar) / kBlendWidth + w * next.byReynolds,  // df/dRe
            w * next.byRoughness};                                   // df/dr
  }
  return next;
}

}  // namespace

FrictionSlopes colebrookSlopes(double reynolds, double relativeRoughness) {
  const double re = reynolds;
  if (re < 0.0) return {0.0, 0.0, 0.0};
  if (re < kCreepingLimit) {
    return {(single(0.2f) - re) * 6400.0, -6400.0, 0.0};  // df/dRe, df/dr
  }
  if (re <= kLaminarLimit) {
    return {64.0 / re, -64.0 / (re * re), 0.0};  // df/dRe, df/dr
  }
  return turbulentSlopes(re, relativeRoughness);
}

double PIPCBR(double reynolds, double relativeRoughness) {
  const double re = reynolds;
  const bool trace = tracing();
  if (trace) print::note(kTraceSeverity, "  ENTERING PIPCBR, REYNOLDS NUMBER=%13.6E", re);
  double f = 0.0;
  if (re < 0.0) {
    reportNegativeReynolds(re);
  } else if (std::isnan(re) || !std::isfinite(relativeRoughness)) {
    // No factor can be formed: reported as an iteration that never converges.
    f = std::numeric_limits<double>::quiet_NaN();
    reportNotConverged(f);
  } else {
    if (re < kCreepingLimit) {
      f = (single(0.2f) - re) * 6400.0;
    } else if (re <= kLaminarLimit) {
      f = 64.0 / re;
    } else {
      f = turbulent(re, relativeRoughness);
    }
    if (trace && re != 0.0) {
      print::note(kTraceSeverity, "  IN PIPCBR, REYNOLDS NUMBER=%13.6E", re);
      print::note(kTraceSeverity, "  RELATIVE ROUGHNESS=%13.6E", relativeRoughness);
      print::note(kTraceSeverity, "  FRICTION FACTOR=%13.6E", f);
    }
  }
  if (trace) print::note(kTraceSeverity, "  LEAVING  PIPCBR, FRICTION FACTOR=%13.6E", f);
  return f;
}

void SPPCBR(const ColebrookArguments& args) {
  args.frictionFactor = PIPCBR(args.reynolds, args.roughness);
}

}  // namespace xv55::pipe
