// Control interface of the reference host's column and equilibrium-reactor services
// (libxv55host.so): the tray rating routines TPSR_TPSAR / TPSR_TPSARP and the
// equilibrium reactor library EQLB_* with its streams SHS_*.
//
// Column blocks (TRAYCOL, REFINECOL) and equilibrium reactor blocks (EQLBRX) come from
// a flowsheet (docs/flowsheet.md); the services are described in docs/refhost.md.
// Everything here is process-wide and restored by xv55::refhost::reset(): no injected
// reactor errors, no forced phases, counters at 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xv55/refhost/control.hpp"

namespace xv55::refhost::columns {

// Standard gravity, m/s2.
inline constexpr double kGravity = 9.80665;
// Francis weir coefficient of a rectangular weir without end contractions, m^0.5/s:
// Q = 1.84 L h^1.5 (3.33 in ft^0.5/s).
inline constexpr double kFrancisCoefficient = 1.84;

// Defaults of the rating constants (a constant of 0 takes its default).
inline constexpr double kDefaultSystemFactor = 1.0;
inline constexpr double kDefaultHoleFraction = 0.10;        // hole area / active area
inline constexpr double kDefaultOrificeCoefficient = 0.75;  // dry tray drop
inline constexpr double kDefaultAerationFactor = 1.0;       // clear liquid head

// One tray section's geometry, SI.
struct TrayGeometry {
  std::int64_t type = 1;     // 1 sieve, 2 valve, 3 bubble cap (all rated as perforated trays)
  double diameter = 0;       // m
  double weirHeight = 0;     // m
  double weirLength = 0;     // m, the outlet weir of one pass
  double downcomerArea = 0;  // m2, one downcomer
  double traySpacing = 0;    // m
};

// The block's tray fields and rating constants as the rating uses them (defaults applied).
struct RatingOptions {
  std::int64_t passes = 1;                     // tray field 1
  std::int64_t floodingCorrelation = 1;        // tray field 2: 1 Fair
  std::int64_t crestFormula = 1;               // tray field 3: 1 Francis
  std::int64_t downcomerCheck = 1;             // tray field 4: 1 the downcomer flood is tested
  double systemFactor = kDefaultSystemFactor;  // constant 1
  double holeFraction = kDefaultHoleFraction;  // constant 2
  double orificeCoefficient = kDefaultOrificeCoefficient;  // constant 3
  double aerationFactor = kDefaultAerationFactor;          // constant 4
  double downcomerClearance = 0.0;  // constant 5, m (0: weir height - 0.010, at least 0.005)
};

// A stage's flows and properties as the tables give them, SI.
struct StageFlows {
  double liquidVolume = 0;    // m3/s
  double vapourVolume = 0;    // m3/s
  double liquidDensity = 0;   // kg/m3
  double vapourDensity = 0;   // kg/m3
  double surfaceTension = 0;  // N/m (0 or less: no correction)
  double flowParameter = 0;
  double vapourLoad = 0;  // m3/s
};

// The outcome of rating one tray: the flag (TPSR_RATED or a reason, include/xv55/host/columns.h),
// the holdup (m3) and the eight results in the order of TPSR_PRESSURE_DROP ...; values
// that cannot be given are the no-value magnitude (DMS_RGLOB word 1).
struct TrayRating {
  std::int64_t flag = 0;
  double holdup = 0;
  std::array<double, 8> results{};
};

// The rating routine's calculation, without call records or injected failures.
XV55_API TrayRating rateTray(const TrayGeometry& tray, const RatingOptions& options,
                             const StageFlows& stage);

// Ratings done (TPSR_TPSAR and TPSR_TPSARP calls that found their block) since reset().
XV55_API std::int64_t ratings();

}  // namespace xv55::refhost::columns

namespace xv55::refhost::equilibrium {

// The stream IDs of a block's feed k and product k (1-based), as SHS_LOCATS takes them; 0
// when the flowsheet holds no such EQLBRX block or stream.
XV55_API std::int64_t feedStream(std::string_view path, std::string_view block, std::int64_t k);
XV55_API std::int64_t productStream(std::string_view path, std::string_view block, std::int64_t k);

// The next `times` runs (EQLB_URE06I) of any block compute nothing and end in this error
// state: the block's error word is set to errorWord (negative), its product streams stay
// as they stand, and EQLB_EURE06 decodes the word to the severity (1 failure, 2 warning)
// and the text.  False (nothing changed) for a non-negative error word or a severity
// other than 1 or 2.
XV55_API bool injectReactorError(std::int64_t errorWord, std::int64_t severity,
                                 std::string_view text, std::int64_t times = 1);

// The phase kinds (1 vapour, 2 liquid, 3 second liquid; at most 6) that SHS_NPHASE and
// SHS_LPHASE report for product k of a block after its runs, instead of those the run
// found.  An empty list returns to the run's phases.  False for an unknown block or stream
// or an unknown kind.
XV55_API bool forcePhases(std::string_view path, std::string_view block, std::int64_t product,
                          const std::vector<std::int64_t>& kinds);

// Runs that found the block's re-initialisation flag set (and cleared it), since reset().
XV55_API std::int64_t reinitialisations();

}  // namespace xv55::refhost::equilibrium
