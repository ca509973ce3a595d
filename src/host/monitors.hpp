// Typed wrappers of the property monitors, the flashes, the property route, the order
// mappings and the trace services (flash_monitors.h, property_system.h).
//
// Each wrapper is the one place that knows its service's argument order: a body passes
// a composition, its conditions and where the results go, never the service's list of
// addresses.  Values are SI.  Nothing here allocates or keeps state.
#pragma once

#include <cstdint>
#include <cstring>

#include "entry/views.hpp"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/property_system.h"
#include "xv55/xv55.h"

namespace xv55::host {

// ---- compositions ----

// Mole fractions of the components present: entry j belongs to the component at
// companion position indices[j] (1-based), j = 1 .. count.
struct Composition {
  const double* fractions = nullptr;
  const std::int64_t* indices = nullptr;
  std::int64_t count = 0;
};

// ---- property monitors ----

// Statuses a monitor writes when it gives no result: 3 (none at these conditions) and
// 4 (arguments refused).  On success it leaves the status cell as it was.
inline constexpr std::int64_t kMonitorNoResult = 3;
inline constexpr std::int64_t kMonitorRefused = XV55_STATUS_ERROR;
inline bool monitorFailed(std::int64_t status) {
  return status == kMonitorNoResult || status == kMonitorRefused;
}

// The vapour root a vapour monitor takes: the vapour alone, or beside a liquid.
enum class VapourRoot : std::int64_t { Alone = 1, BesideLiquid = 2 };
// What a thermal monitor computes: the volume; with dV/dT; with Cp and the enthalpy too.
enum class ThermalDepth : std::int64_t { Volume = 1, VolumeSlope = 2, VolumeSlopeAndHeat = 3 };

// The conditions and composition of one monitor call.
struct MonitorPoint {
  double temperature = 0;  // K
  double pressure = 0;     // Pa
  Composition composition;
  const std::int64_t* optionSet = nullptr;
};

// What a thermal monitor gives; a failed call writes none of them.
struct ThermalProperties {
  double volume = 0;    // m3/kmol
  double dVdT = 0;      // m3/(kmol K)
  double cp = 0;        // J/(kmol K)
  double enthalpy = 0;  // J/kmol
};

// The monitors write their status into `status` (3 or 4 on failure, see above).
inline void vapourThermal(const MonitorPoint& at, VapourRoot root, ThermalDepth depth,
                          ThermalProperties& out, Status status) {
  const auto rootCode = static_cast<std::int64_t>(root);
  const auto depthCode = static_cast<std::int64_t>(depth);
  PPMON_VMTHRM(&at.temperature, &at.pressure, at.composition.fractions, &at.composition.count,
               at.composition.indices, at.optionSet, &rootCode, &depthCode, &out.volume, &out.dVdT,
               &out.cp, &out.enthalpy, status.address());
}
inline void liquidThermal(const MonitorPoint& at, ThermalDepth depth, ThermalProperties& out,
                          Status status) {
  const auto depthCode = static_cast<std::int64_t>(depth);
  PPMON_LMTHMY(&at.temperature, &at.pressure, at.composition.fractions, &at.composition.count,
               at.composition.indices, at.optionSet, &depthCode, &out.volume, &out.dVdT, &out.cp,
               &out.enthalpy, status.address());
}
inline void vapourVolume(const MonitorPoint& at, VapourRoot root, double& volume, Status status) {
  const auto rootCode = static_cast<std::int64_t>(root);
  PPMON_VOLV(&at.temperature, &at.pressure, at.composition.fractions, &at.composition.count,
             at.composition.indices, at.optionSet, &rootCode, &volume, status.address());
}
inline void liquidVolume(const MonitorPoint& at, double& volume, Status status) {
  PPMON_VOLL(&at.temperature, &at.pressure, at.composition.fractions, &at.composition.count,
             at.composition.indices, at.optionSet, &volume, status.address());
}

// Average molecular weight of a composition, kg/kmol; 0 (and a report) when the host
// cannot form it.
inline double averageMolecularWeight(const Composition& z) {
  return PPUTL_AVEMW(&z.count, z.indices, z.fractions);
}

// What the last monitor or flash left in the host's phase words and equation-of-state
// cell: (dP/dV)_T in Pa kmol/m3, and a phase word (PPBASE_PHASE_*, 1-based).
inline double lastPressureVolumeSlope() {
  return PPBASE_ESDPDV[0];
}
inline void presetPressureVolumeSlope(double value) {
  PPBASE_ESDPDV[0] = value;
}
inline double lastPhaseWord(std::int64_t word) {
  return PPBASE_PHASE[word - 1];
}

// ---- flashes ----

// What a flash holds fixed: temperature and pressure, or pressure and enthalpy.
enum class FlashKind : std::int64_t { PressureEnthalpy = 1, TemperaturePressure = 2 };

// How a flash is asked: its kind, the phases it looks for (1 one phase, 2 vapour-liquid,
// 3 vapour-liquid-liquid), the root of a single phase, its tolerance (0: the host's) and
// the property option set.
struct FlashRequest {
  FlashKind kind = FlashKind::TemperaturePressure;
  std::int64_t phases = 2;
  std::int64_t root = 0;
  double tolerance = 0;
  const std::int64_t* optionSet = nullptr;
};

// The state a flash reads and completes: temperature (in as the first guess of a
// pressure-enthalpy flash), pressure, enthalpy (J/kmol), the molar vapour fraction and the
// share of the liquid that is liquid 1.  A failed flash writes none of them.
struct FlashState {
  double temperature = 0;
  double pressure = 0;
  double enthalpy = 0;
  double vapourFraction = 0;
  double liquidSplit = 0;
};

// Where a flash puts the phase compositions (count entries each, as the feed).
struct FlashPhases {
  double* liquid = nullptr;
  double* liquid1 = nullptr;
  double* liquid2 = nullptr;
  double* vapour = nullptr;
};

// Flash of a composition; returns the host's code: 0 converged, 3 not converged,
// 4 refused.
inline std::int64_t flash(const FlashRequest& request, const Composition& feed, FlashState& state,
                          const FlashPhases& phases) {
  const auto kind = static_cast<std::int64_t>(request.kind);
  std::int64_t returnCode = 0;
  FLSH_PFLASH(&kind, &state.temperature, &state.pressure, &state.enthalpy, feed.fractions,
              &feed.count, feed.indices, request.optionSet, &request.phases, &request.root,
              &request.tolerance, &state.vapourFraction, &state.liquidSplit, phases.liquid,
              phases.liquid1, phases.liquid2, phases.vapour, &returnCode);
  return returnCode;
}

// Flash of a companion stream vector (count components, then the nine stream words);
// returns the host's code as flash() does.
inline std::int64_t flashStream(FlashKind kind, double* stream, std::int64_t count,
                                const std::int64_t* optionSet, std::int64_t phases) {
  const auto code = static_cast<std::int64_t>(kind);
  std::int64_t returnCode = 0;
  FLSH_FLASH(&code, stream, &count, optionSet, &phases, &returnCode);
  return returnCode;
}

// Names the routine whose flash or monitor errors follow (SAIPEH).
inline void nameErrorContext(const char* context, std::size_t length) {
  SAIPEH(context, static_cast<std::int64_t>(length));
}
inline void nameErrorContext(const char* context) {
  nameErrorContext(context, std::strlen(context));
}
// Hands a flash's return code to the host's error handling under `context`; the host
// writes 4 into `status` when the flash failed.
inline void checkFlash(std::int64_t returnCode, const char* context, std::size_t length,
                       Status status) {
  SAIFEH(&returnCode, context, status.address(), static_cast<std::int64_t>(length));
}

// ---- property route ----

// The property route of a stream class (descriptor word 1), with the workspace the
// host may use; the host writes its outcome into `status` (1 when there is a route).
struct Route {
  std::int64_t route = 0;
  std::int64_t count = 0;
};
inline Route propertyRoute(const std::int64_t* descriptor, Workspace work, Status status) {
  const std::int64_t workLength = work.length();
  Route r;
  SAIRTU(descriptor, work.data(), &workLength, &r.route, &r.count, status.address());
  return r;
}

// ---- component order ----

// A vector of the model's `count` components into the companion simulator's order and back.
inline void toCompanionOrder(std::int64_t count, const std::int64_t* mapping, const double* model,
                             double* companion) {
  SAISAO(&count, mapping, model, companion);
}
inline void toModelOrder(std::int64_t count, const std::int64_t* mapping, const double* companion,
                         double* model) {
  SAIASO(&count, mapping, companion, model);
}
// Mole fractions of `count` component flows (negative flows count as zero); the host
// writes 4 into `status` when they sum to zero or are not numbers (SAIF2X).
inline void fractionsOfFlows(std::int64_t count, const double* flows, double* fractions,
                             Status status) {
  SAIF2X(&count, flows, fractions, status.address());
}
// The components of z (count entries) present, at most `limit`: their companion positions
// and fractions, and how many (SACHMBPX); the host writes 4 into `status` on failure.
inline std::int64_t packPresent(std::int64_t count, const double* z, std::int64_t limit,
                                std::int64_t* indices, double* packed, Status status) {
  std::int64_t present = 0;
  SACHMBPX(&count, z, &limit, indices, packed, &present, status.address());
  return present;
}

// The reverse of packPresent: `packedCount` packed entries back into a companion-order
// vector of `count` words, zeros elsewhere (SACHMVRY); 4 into `status` on failure.
inline void unpackPresent(std::int64_t packedCount, const std::int64_t* indices,
                          const double* packed, std::int64_t count, double* full, Status status) {
  SACHMVRY(&packedCount, indices, packed, &count, full, status.address());
}

// ---- traces ----

// The inputs of a call (count values in argument order) and one labelled result, in the
// host's trace of `routine`.
inline void traceInputs(const char* routine, HostContext context, const double* values,
                        std::int64_t count) {
  SAIPIP(routine, context.address(), values, &count,
         static_cast<std::int64_t>(std::strlen(routine)));
}
inline void traceResult(const char* routine, const char* label, double value) {
  SAIPOP(routine, label, &value, static_cast<std::int64_t>(std::strlen(routine)),
         static_cast<std::int64_t>(std::strlen(label)));
}

}  // namespace xv55::host
