// Helpers beside the curve procedures: junction pressure (SPPMIN), metric to field
// units (SPPCONV) and pump efficiency from flow (SPEFFP).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "common/units.hpp"
#include "curves/curves.hpp"
#include "host/services.hpp"

namespace xv55::curves {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// SPPMIN: the outlet pressure when there is no inlet to take it from.
constexpr double kNoInletPressure = 1e30;

// SPPCONV: degrees Fahrenheit per degree Celsius and at 0 degrees Celsius.
constexpr double kFahrenheitPerCelsius = 1.8;
constexpr double kFahrenheitAtZeroCelsius = 32.0;

// SPEFFP: above this pressure (Pa) the efficiency is fixed; flows are clamped to 20
// to 5000 US gallons per minute (in m3/s); ln(m3/s) + kGallonsLogShift is the
// logarithm of the flow in gallons per minute.
constexpr double kFixedEfficiencyPressure = 4.137e7;
constexpr double kFixedEfficiency = 0.9;
constexpr double kLowestFlow = 0.001261803933;
constexpr double kHighestFlow = 0.3154509834;
constexpr double kGallonsLogShift = 9.670945162;

// pdriven selects the pressure-driven junction unless it is exactly +0.0.
bool isPositiveZero(double v) {
  return v == 0.0 && !std::signbit(v);
}

}  // namespace

void SPPMIN(const JunctionArguments& args, Jacobian jac, CallMode mode) {
  const auto& [pins, pdriven, pout, at] = args;
  const std::int64_t n = pins.size();
  std::printf("Inputs:\n  pins dimensioned as %lld\n   pins =", static_cast<long long>(n));
  for (std::int64_t k = 1; k <= n; ++k) std::printf(" %.10g", pins(k));
  std::printf("\n   pdriven = %.10g\n", pdriven);

  double result = kNoInletPressure;
  std::int64_t selected = 1;
  if (n >= 1 && !isPositiveZero(pdriven)) {
    result = pins(n);
    selected = n;
  } else {
    for (std::int64_t k = 1; k <= n; ++k) {
      // A NaN inlet makes the lowest inlet NaN rather than being passed over.
      if (pins(k) < result || std::isnan(pins(k))) {
        result = pins(k);
        selected = k;
        if (std::isnan(result)) break;
      }
    }
  }
  if (mode.wantsValues()) pout = result;
  if (mode.wantsDerivatives()) {
    jac.clearRow(at.pout);
    // dPOUT/dpins(selected)
    if (n >= 1) jac.set(at.pout, at.pins + selected - 1, std::isnan(result) ? kNaN : 1.0);
  }

  std::printf("=====================================================\nOutputs:\n   POUT = %.10g\n",
              pout);
  std::fflush(stdout);
}

void SPPCONV(const FieldUnitArguments& a) {
  a.length1Ft = a.length1 / units::kMetresPerFoot;
  a.length2Ft = a.length2 / units::kMetresPerFoot;
  a.pressurePsi = a.pressure * a.pressureToPascal / units::kPascalsPerPsi;
  a.temperatureF =
      kFahrenheitPerCelsius * a.temperature + kFahrenheitAtZeroCelsius + a.temperatureShift;
  a.length3Ft = a.length3 / units::kMetresPerFoot;
  a.density1Lb = a.density1 * a.densityToSi * units::kPoundsPerCubicFootPerKgPerCubicMetre;
  a.density2Lb = a.density2 * a.densityToSi * units::kPoundsPerCubicFootPerKgPerCubicMetre;
  a.density3Lb = a.density3 * a.densityToSi * units::kPoundsPerCubicFootPerKgPerCubicMetre;
  a.viscosity1Lb = a.viscosity1 / units::kCentipoisePerPoundPerFootSecond;
  a.viscosity2Lb = a.viscosity2 / units::kCentipoisePerPoundPerFootSecond;
  a.massLb = a.mass * units::kPoundsPerKilogram;
}

void SPEFFP(const PumpEfficiencyArguments& args, Jacobian jac, CallMode mode) {
  const auto& [q, pressure2, pressure, eff, at] = args;
  if (!mode.wantsValues() && !mode.wantsDerivatives()) return;
  using host::Quantity;
  (void)host::toSi(Quantity::Pressure, pressure2);  // converted, not used further
  const double p = host::toSi(Quantity::Pressure, pressure);
  const double flow = host::toSi(Quantity::Volume, q) / units::kSecondsPerHour;  // m3/s

  double value = kFixedEfficiency;
  double slope = 0.0;  // dEFF/dQ
  if (!std::isfinite(p) || !std::isfinite(flow)) {
    value = slope = kNaN;  // a clamp or the pressure limit would hide it
  } else if (p <= kFixedEfficiencyPressure) {
    // Efficiency quadratic in L, the logarithm of the flow in US gallons per minute.
    const double l = std::log(std::clamp(flow, kLowestFlow, kHighestFlow)) + kGallonsLogShift;
    value = -0.31609348 + l * (0.24012299 - 0.011988872 * l);
    if (flow >= kLowestFlow && flow <= kHighestFlow) {
      const double perModelUnit = host::fromSi(Quantity::Volume, 1.0);
      // dEFF/dQ
      slope = (0.24012299 - 2.0 * 0.011988872 * l) / flow / units::kSecondsPerHour / perModelUnit;
    }
  }
  if (mode.wantsValues()) eff = value;
  if (mode.wantsDerivatives()) {
    jac.clearRow(at.eff);
    jac.set(at.eff, at.q, slope);  // dEFF/dQ
  }
}

}  // namespace xv55::curves
