// Control interface of the reference host's property system (libxv55host.so).
//
// The property services (PPMON_*, PPUTL_AVEMW, FLSH_*, SAI*, SACHM*, GPIVEX, GPILEX) work on
// the components of a fixed table (Poling, Prausnitz & O'Connell, "The Properties of Gases
// and Liquids", 5th ed., Appendix A) with the Peng-Robinson equation of state.  A test or
// tool names the companion simulator's component list and each model's components here,
// computes properties directly, and makes services fail.  Units are SI: K, Pa, m3/kmol,
// J/kmol, J/(kmol K), kg/kmol.
//
// Defaults (also restored by xv55::refhost::reset()): no companion list (DMS_NCOMP 0), no
// model component sets, derivative mode Fill for both thermal monitors, no queued
// volumes, injected failures report status 4, PPBASE_ESDPDV and PPBASE_PHASE zero.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xv55/xv55.h"

namespace xv55::refhost::properties {

// Largest component count of one property call; larger counts are refused (status 4).
inline constexpr std::int64_t kMaxComponents = 100;

// One row of the component table.
struct ComponentData {
  std::string name;            // e.g. "N-BUTANE"
  std::string formula;         // e.g. "C4H10"; accepted wherever a name is
  double molecularWeight;      // kg/kmol
  double criticalTemperature;  // K
  double criticalPressure;     // Pa
  double acentricFactor;
  double formationEnthalpy;                   // ideal gas at 298.15 K, J/kmol
  std::array<double, 5> cpOverR;              // Cp/R = c0 + c1 T + c2 T^2 + c3 T^3 + c4 T^4, T in K
  double cpMinTemperature, cpMaxTemperature;  // fitted range, K
};

// Names of the table, in table order.
XV55_API std::vector<std::string> tableComponents();
// The row of a name or formula (case-insensitive); false when unknown.
XV55_API bool componentData(std::string_view name, ComponentData& out);

// The companion simulator's component list (position 1 first).  Sets DMS_NCOMP word 1 to
// its length.  Returns false, and changes nothing, for an unknown or repeated name or
// more than kMaxComponents names.  An empty list clears it.
XV55_API bool setCompanionComponents(const std::vector<std::string>& names);
XV55_API std::vector<std::string> companionComponents();

// The components of the model that calls with this host context, each one a name of the
// companion list (so that its index vector holds companion positions).  Returns false,
// and changes nothing, for a name not in the companion list or named twice.  A context
// without its own set carries the whole companion list in its order.
XV55_API bool setModelComponents(std::int64_t hostContext, const std::vector<std::string>& names);
// The index vector of a context (companion positions), empty when it cannot be formed.
XV55_API std::vector<std::int64_t> modelIndices(std::int64_t hostContext);

// Direct property calculations (no call record, no injected failures).
enum class Root { Vapour, Liquid, Stable };
struct PhaseState {
  double volume = 0;  // m3/kmol
  double compressibility = 0;
  double enthalpy = 0;        // J/kmol
  double entropy = 0;         // J/(kmol K)
  double cp = 0, cv = 0;      // J/(kmol K)
  double dVdT = 0;            // (dV/dT)_P, m3/(kmol K)
  double dPdV = 0;            // (dP/dV)_T, Pa kmol/m3
  double dPdT = 0;            // (dP/dT)_V, Pa/K
  std::vector<double> lnPhi;  // fugacity coefficients, ln
  bool vapour = false;        // the phase counts as vapour
};
// One phase of composition x of the named components; false for unusable input.
XV55_API bool phaseState(const std::vector<std::string>& names, const std::vector<double>& x,
                         double temperature, double pressure, Root root, PhaseState& out);

struct FlashState {
  std::int64_t returnCode = 4;  // 0 converged, 3 not converged, 4 refused
  double temperature = 0, pressure = 0;
  double vapourFraction = 0;  // molar
  double enthalpy = 0;        // J/kmol of feed
  std::vector<double> liquid, vapour;
  int iterations = 0;
};
XV55_API FlashState flashTP(const std::vector<std::string>& names, const std::vector<double>& z,
                            double temperature, double pressure);
XV55_API FlashState flashPH(const std::vector<std::string>& names, const std::vector<double>& z,
                            double pressure, double enthalpy, double temperatureGuess = 300.0);

// The vapour fraction solving Rachford-Rice for given K-values (negative flash allowed:
// the root may lie outside 0..1); NaN when every K is on one side of 1.
XV55_API double rachfordRice(const std::vector<double>& z, const std::vector<double>& k);

// What PPMON_VMTHRM or PPMON_LMTHMY leaves in PPBASE_ESDPDV on success:
//   Fill: dP/dV of the equation;  LeavePreset: nothing (the caller's preset stays);
//   MinusBig: -DMS_RGLOB word 1;  Zero: 0;  Positive: -dP/dV (a positive, unusable value).
enum class Derivative { Fill, LeavePreset, MinusBig, Zero, Positive };
// False for a service other than the two thermal monitors.
XV55_API bool setDerivativeMode(std::string_view monitor, Derivative mode);

// Makes the next `times` calls of a property service fail with the given status (the
// monitors, GPIVEX, GPILEX, SAISST, SAIF2X, SACHMBPX, SACHMVRY; for the flashes the value
// is their return code).  Status must be non-zero; false for a service that cannot fail.
XV55_API bool injectStatus(std::string_view service, std::int64_t status, std::int64_t times = 1);

// Molar volumes (m3/kmol) that the next calls of PPMON_VOLV and PPMON_VOLL return instead
// of computing, one per call, in order (at most 64 queued); false if too many.
XV55_API bool queueVolumes(const std::vector<double>& volumes);

// The context last named through SAIPEH.
XV55_API std::string propertyContext();

}  // namespace xv55::refhost::properties
