// Unit services GPTEMP ... GPSPH and the print level GPIOUT.
//
// One table gives, for each quantity and unit set, the scale and offset of
//   SI = value * scale + offset          (direction 1, model units -> SI)
//   value = (SI - offset) / scale        (direction 2, SI -> model units)
// Unit set 1 is the model's units, 2 English units, 3 SI itself.  English factors are
// the exact defined ones: 1 ft = 0.3048 m, 1 lb = 0.45359237 kg, 1 lbf = 1 lb x
// 9.80665 m/s2, 1 in = 0.0254 m, 1 Btu(IT)/lb = 2326 J/kg, T(K) = (T(F) + 459.67) 5/9.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <tuple>

#include "internal.hpp"
#include "xv55/host/property_system.h"

namespace xv55::refhost::detail {
namespace {

constexpr double kPound = 0.45359237;                                 // kg
constexpr double kFoot = 0.3048;                                      // m
constexpr double kInch = 0.0254;                                      // m
constexpr double kStandardGravity = 9.80665;                          // m/s2
constexpr double kCubicFoot = kFoot * kFoot * kFoot;                  // m3
constexpr double kPsi = kPound * kStandardGravity / (kInch * kInch);  // Pa
constexpr double kHour = 3600.0;                                      // s

struct Conversion {
  double scale;
  double offset;
};

enum Quantity {
  kTemperature,
  kPressure,
  kMolarFlow,
  kMass,
  kVolume,
  kLength,
  kMolarDensity,
  kMassDensity,
  kMolarEnthalpy,
  kQuantities
};

constexpr int kUnitSets = 3;

// Rows: quantity; columns: unit set 1 (model), 2 (English), 3 (SI).
// SI units: K, Pa, kmol/s, kg/s, m3, m, kmol/m3, kg/m3, J/kmol.
constexpr std::array<std::array<Conversion, kUnitSets>, kQuantities> kTable = {{
    // degC; degF; K
    {{{1.0, 273.15}, {5.0 / 9.0, 459.67 * 5.0 / 9.0}, {1.0, 0.0}}},
    // bar; psia; Pa
    {{{1.0e5, 0.0}, {kPsi, 0.0}, {1.0, 0.0}}},
    // kmol/h; lbmol/h; kmol/s
    {{{1.0 / kHour, 0.0}, {kPound / kHour, 0.0}, {1.0, 0.0}}},
    // kg; lb; kg
    {{{1.0, 0.0}, {kPound, 0.0}, {1.0, 0.0}}},
    // m3; ft3; m3
    {{{1.0, 0.0}, {kCubicFoot, 0.0}, {1.0, 0.0}}},
    // m; ft; m
    {{{1.0, 0.0}, {kFoot, 0.0}, {1.0, 0.0}}},
    // kmol/m3; lbmol/ft3; kmol/m3
    {{{1.0, 0.0}, {kPound / kCubicFoot, 0.0}, {1.0, 0.0}}},
    // kg/m3; lb/ft3; kg/m3
    {{{1.0, 0.0}, {kPound / kCubicFoot, 0.0}, {1.0, 0.0}}},
    // MJ/kmol; Btu/lbmol; J/kmol
    {{{1.0e6, 0.0}, {2326.0, 0.0}, {1.0, 0.0}}},
}};

struct UnitState {
  std::int64_t printLevel = 0;
  // (service, direction, unit set) combinations already reported as unknown.
  std::set<std::tuple<int, std::int64_t, std::int64_t>> reported;
};

UnitState& units() {
  static UnitState s;
  return s;
}

Quantity quantityOf(Service unitService) {
  switch (unitService) {
    case Service::GPTEMP:
      return kTemperature;
    case Service::GPPRES:
      return kPressure;
    case Service::GPMFLO:
      return kMolarFlow;
    case Service::GPMASS:
      return kMass;
    case Service::GPVOL:
      return kVolume;
    case Service::GPLEN:
      return kLength;
    case Service::GPMRHO:
      return kMolarDensity;
    case Service::GPRHO:
      return kMassDensity;
    default:
      return kMolarEnthalpy;
  }
}

double convert(Service service, const double* value, const std::int64_t* direction,
               const std::int64_t* unitSet) {
  CallRecord& record = beginRecord(service);
  const double v = value ? *value : 0.0;
  const std::int64_t d = direction ? *direction : 0;
  const std::int64_t u = unitSet ? *unitSet : 0;
  record.reals.push_back(v);
  record.integers.push_back(d);
  record.integers.push_back(u);
  if (failureDue(service)) return std::numeric_limits<double>::quiet_NaN();

  const bool knownDirection = d == 1 || d == 2;
  const bool knownSet = u >= 1 && u <= kUnitSets;
  if (!knownDirection || !knownSet) {
    // Report once per service and unrecognised code; the value passes unchanged.
    const auto key =
        std::make_tuple(static_cast<int>(service), knownDirection ? 0 : d, knownSet ? 0 : u);
    if (units().reported.insert(key).second) {
      std::string text = knownDirection ? "Unknown unit set " + std::to_string(u)
                                        : "Unknown direction " + std::to_string(d);
      text += "; the value is returned unchanged.";
      report(service, kSeverityWarning, text);
    }
    return v;
  }
  const Conversion& c = kTable[quantityOf(service)][static_cast<std::size_t>(u - 1)];
  return d == 1 ? v * c.scale + c.offset : (v - c.offset) / c.scale;
}

}  // namespace

double modelToSi(Service unitService, double value) {
  const Conversion& c = kTable[quantityOf(unitService)][0];
  return value * c.scale + c.offset;
}

double siToModel(Service unitService, double value) {
  const Conversion& c = kTable[quantityOf(unitService)][0];
  return (value - c.offset) / c.scale;
}

void resetUnits() {
  units() = UnitState{};
}

}  // namespace xv55::refhost::detail

namespace xv55::refhost {
void setPrintLevel(std::int64_t level) {
  detail::units().printLevel = level;
}
}  // namespace xv55::refhost

using xv55::refhost::detail::convert;
using xv55::refhost::detail::Service;

#define XV55_UNIT_SERVICE(NAME)                                                       \
  extern "C" XV55_API double NAME(const double* value, const std::int64_t* direction, \
                                  const std::int64_t* unitSet) {                      \
    return convert(Service::NAME, value, direction, unitSet);                         \
  }

XV55_UNIT_SERVICE(GPTEMP)
XV55_UNIT_SERVICE(GPPRES)
XV55_UNIT_SERVICE(GPMFLO)
XV55_UNIT_SERVICE(GPMASS)
XV55_UNIT_SERVICE(GPVOL)
XV55_UNIT_SERVICE(GPLEN)
XV55_UNIT_SERVICE(GPMRHO)
XV55_UNIT_SERVICE(GPRHO)
XV55_UNIT_SERVICE(GPSPH)

#undef XV55_UNIT_SERVICE

extern "C" XV55_API std::int64_t GPIOUT(void) {
  xv55::refhost::detail::beginRecord(Service::GPIOUT);
  return xv55::refhost::detail::units().printLevel;
}
