// Control interface of the reference host's pipe-correlation library (the PIP_*
// services of libxv55host.so): error-flag bits, flow-regime numbers, the layout of
// the data areas PIP_PCONST and PIP_IORFS1, and the validity ranges of the
// correlations as data.  docs/pipe.md describes every routine.
//
// The procedures of the library do not reject inputs outside the ranges below; the
// ranges are for users and tools (for example a report that flags a pipe section
// whose diameter lies outside the data a correlation was fitted to).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "xv55/xv55.h"

namespace xv55::refhost::pipe {

// Error flag written by the routines that have one (0 on success).  Bits, OR-ed:
inline constexpr std::int64_t kInputClamped = 1;   // an input outside its physical domain
                                                   // (non-positive diameter, density or
                                                   // viscosity, fraction outside [0, 1],
                                                   // non-finite value, beyond the caps of
                                                   // docs/pipe.md) was replaced
inline constexpr std::int64_t kResultLimited = 2;  // a result was limited: holdup brought
                                                   // into [0, 1], E_k capped, a ratio or a
                                                   // non-finite value clipped
inline constexpr std::int64_t kNotConverged = 4;   // an iteration stopped at its limit; the
                                                   // last iterate is returned
inline constexpr std::int64_t kOutsideFit = 8;     // a chart fit was evaluated outside its
                                                   // fitted abscissa; held at the end value
// An injected failure (xv55::refhost::injectFailure("PIP_...")) sets the flag to
// exactly this value and every real output (holdup, gradients, friction factor,
// regime) to NaN.  Routines without an error flag only get the NaN outputs.
inline constexpr std::int64_t kInjectedFailure = 16;

// Flow-regime numbers returned as doubles by PIP_PIPBBH, PIP_PIPORK and PIP_PIPHBR.
// (12 is the procedures' own marker for "HTFS"; the host never returns it.)
enum class Regime : int {
  Segregated = 1,    // Beggs-Brill
  Transition = 2,    // Beggs-Brill (between segregated and intermittent)
  Intermittent = 3,  // Beggs-Brill
  Distributed = 4,   // Beggs-Brill
  Bubble = 5,        // Orkiszewski, Hagedorn-Brown (Griffith bubble flow)
  Slug = 6,          // Orkiszewski
  SlugMist = 7,      // Orkiszewski transition region
  Mist = 8,          // Orkiszewski
  Chart = 9,         // Hagedorn-Brown charts (no flow-pattern distinction)
};

// PIP_PCONST (doubles, 1-based words): 1 g_c = 32.174 lbm ft/(lbf s2); 2 g =
// 32.174 ft/s2; 3 pi; 4 .. kConstantWords zero.  The routines read words 1 and 2 at
// each call (a non-positive or non-finite value is replaced by 32.174).
inline constexpr std::int64_t kConstantWords = 8;
inline constexpr double kGc = 32.174;
inline constexpr double kGravity = 32.174;
// PIP_IORFS1 (int64_t, 1-based words): 1 output unit of trace lines (default 6, the
// standard output / host printer); 2 trace level (default 0, no trace); others 0.
// The host's own routines never trace; the words are for the library's Colebrook
// routine PIPCBR, which traces when word 2 >= 8.
inline constexpr std::int64_t kPrintControlWords = 8;
inline constexpr std::int64_t kDefaultTraceUnit = 6;

// A range of published data; both ends NaN when the source does not state it.
struct Range {
  double low;
  double high;
};

// One row per correlation keyword of the pipe procedures.
struct Correlation {
  std::string_view keyword;        // the procedures' keyword, e.g. "Beggs-Brill"
  std::string_view routines;       // host routines, e.g. "PIP_PIPBBH PIP_PIPBBF"
  std::string_view computes;       // e.g. "holdup, flow regime; two-phase friction factor"
  std::string_view authors;        // of the published correlation
  std::string_view reference;      // citation of the source
  bool standIn;                    // true: the routine implements a documented stand-in
  std::string_view implemented;    // what the routine computes, in one sentence
  Range diameter;                  // pipe inside diameter of the data, m
  Range inclination;               // degrees from horizontal, positive upward
  Range liquidFraction;            // no-slip liquid volume fraction of the data
  Range reynolds;                  // Reynolds number of the data
  std::string_view reynoldsBasis;  // what that Reynolds number is formed from
  std::string_view data;           // fluids and conditions of the data, as stated
};

// The table, in the order of the holdup and pressure-drop keyword tables.
XV55_API std::span<const Correlation> correlations();
// The row whose keyword equals name, or whose routines list contains it (for example
// "PIP_PIPORK"); nullptr when there is none.
XV55_API const Correlation* findCorrelation(std::string_view name);

}  // namespace xv55::refhost::pipe
