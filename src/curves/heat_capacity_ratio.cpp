// Heat capacity ratio factor: Cp/Cv of the stream's vapour divided by 1.4.
//
// Cv = Cp + T (dV/dT)^2 / (dV/dP): Cp and dV/dT come from the host's vapour monitor,
// dV/dP from the volume at a pressure raised by 0.1 % (lowered by 0.1 % when the volume
// does not move).
#include "curves/heat_capacity_ratio.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "host/monitors.hpp"
#include "host/property_stream.hpp"
#include "host/services.hpp"
#include "print/report.hpp"
#include "xv55/host/flash_monitors.h"
#include "xv55/xv55.h"

namespace xv55::curves {
namespace {

constexpr char kRoutine[] = "SPFKCAL";
constexpr char kAfterThermal[] = "SPFKCAL/PPMON_VMTHRM";
constexpr char kAfterVolume[] = "SPFKCAL/PPMON_VOLV";
constexpr char kFactorLabel[] = "Heat Capacity Ratio Factor ";

// Pressure perturbations of the volume difference and the slope taken as zero.
constexpr double kRaisedPressure = 1.001;
constexpr double kLoweredPressure = 0.999;
constexpr double kZeroSlope = 1e-15;
// Bounds of the ratio and the ideal diatomic ratio the factor refers to.
constexpr double kLowestRatio = 1.0;
constexpr double kHighestRatio = 3.0;
constexpr double kDiatomicRatio = 1.4;
// The factor whenever the ratio cannot be formed.
constexpr double kNeutralFactor = 1.0;

// Print levels above which the inputs and result are traced, and messages shown.
constexpr std::int64_t kTraceLevel = 1;
constexpr std::int64_t kMessageLevel = 2;

template <std::size_t N>
void nameContext(const char (&text)[N]) {
  host::nameErrorContext(text, N - 1);
}

// The factor stays 1: status 2, and the message when the print level asks for it.
void cannotAssessCp(Status status) {
  if (host::printLevel() > kMessageLevel) {
    report(status, kWarning,
           " SPFKCAL-E-Error in the assement of Cp.\\n The Heat Capacity Ratio Factor=1 is used"
           " in this simulation.\\n");
  } else {
    status = kWarning;
  }
}

void zeroPressureDerivative(Status status) {
  if (host::printLevel() > kMessageLevel) {
    report(status, kWarning,
           " SPFKCAL-W-The Pressure Derivative is zero.\\n Unable to calculate the Heat Capacity"
           " at Constant Volume.\\n The Heat Capacity Ratio Factor=1 is used in this"
           " simulation.\\n");
  } else {
    status = kWarning;
  }
}

void refused(Status status, double t, double p) {
  const std::int64_t code = status.value();
  report(status, kError,
         " SPFKCAL-E-The vapour properties at %g K and %g Pa could not be computed (status "
         "%d).\\n",
         t, p, code);
}

// The state the property calls work on.
struct Vapour {
  double t = 0, p = 0;
  host::PropertyStream::Packed composition;
  const std::int64_t* optionSet = nullptr;
};

enum class Step { Done, Stopped };

// Molar volume at a perturbed pressure; Stopped after the monitor failed (reported).
Step volumeAt(const Vapour& s, double pressure, Status status, double& volume) {
  nameContext(kRoutine);
  host::vapourVolume({s.t, pressure, s.composition, s.optionSet}, host::VapourRoot::Alone, volume,
                     status);
  nameContext(kAfterVolume);
  if (status.value() == host::kMonitorRefused) {
    refused(status, s.t, pressure);
    return Step::Stopped;
  }
  if (status.value() == host::kMonitorNoResult) {
    cannotAssessCp(status);
    return Step::Stopped;
  }
  return Step::Done;
}

}  // namespace

void SPFKCAL(const HeatCapacityRatioArguments& args, Status status, HostContext context) {
  SAIPRNAM = kHeatCapacityRatioKind;
  host::PropertyStream stream;
  if (!stream.setUp(kRoutine, context, status) ||
      !stream.fits(kRoutine, args.amounts.declaredExtent(), status)) {
    return;
  }
  const std::int64_t n = stream.components();
  if (host::printLevel() > kTraceLevel) {
    // The inputs in argument order, laid out in the stream's work vectors (8 W >= n + 3).
    double* values = stream.work(host::WorkVector::Fractions);
    values[0] = args.temperature;
    values[1] = args.pressure;
    std::copy(args.amounts.data(), args.amounts.data() + n, values + 2);
    values[n + 2] = static_cast<double>(args.unitSet);
    host::traceInputs(kRoutine, context, values, n + 3);
  }
  Vapour s;
  if (!host::temperatureInSi(kRoutine, args.temperature, args.unitSet, status, s.t) ||
      !host::pressureInSi(kRoutine, args.pressure, args.unitSet, status, s.p) ||
      !stream.pack(kRoutine, args.amounts.data(), status, s.composition)) {
    return;
  }
  s.optionSet = stream.optionSet();

  args.ratioToDiatomic = kNeutralFactor;
  host::ThermalProperties thermal;
  nameContext(kRoutine);
  host::vapourThermal({s.t, s.p, s.composition, s.optionSet}, host::VapourRoot::BesideLiquid,
                      host::ThermalDepth::VolumeSlopeAndHeat, thermal, status);
  const double v = thermal.volume, dVdT = thermal.dVdT, cp = thermal.cp;
  nameContext(kAfterThermal);
  if (status.value() == host::kMonitorRefused) return refused(status, s.t, s.p);
  if (status.value() == host::kMonitorNoResult) return cannotAssessCp(status);

  double slope = 0;
  for (const double perturbation : {kRaisedPressure, kLoweredPressure}) {
    const double p2 = perturbation * s.p;
    double v2 = 0;
    if (volumeAt(s, p2, status, v2) == Step::Stopped) return;
    slope = (v2 - v) / (p2 - s.p);
    if (std::fabs(slope) > kZeroSlope) break;
  }
  if (!(std::fabs(slope) > kZeroSlope)) return zeroPressureDerivative(status);

  const double ratio = cp / (cp + s.t * dVdT * dVdT / slope);
  if (std::isnan(ratio)) return cannotAssessCp(status);
  args.ratioToDiatomic = std::clamp(ratio, kLowestRatio, kHighestRatio) / kDiatomicRatio;
  if (host::printLevel() > kTraceLevel) {
    host::traceResult(kRoutine, kFactorLabel, args.ratioToDiatomic);
  }
}

}  // namespace xv55::curves
