// Sonic velocity of vapour, liquid and vapour-liquid streams.
//
// Vapour: c_G^2 = V_G^2 (Cp/Cv) (dP/dV)_T / (-M_G), with (dP/dV)_T from the equation of
// state or, where the monitor cannot give it, from the volumes at 0.999 P and 1.001 P.
// Liquid: the same from the liquid monitor (two liquids mixed by their split), or the
// default 1524 m/s.  Mixture: the homogeneous formula in the vapour volume fraction.
#include "pipe/sonic_velocity.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/units.hpp"
#include "host/monitors.hpp"
#include "host/property_stream.hpp"
#include "host/services.hpp"
#include "print/report.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/xv55.h"

namespace xv55::pipe {
namespace {

// Pressure perturbations of the numerical dV/dP; the vapour's raised pressure is the
// single-precision constant kept for compatibility with stored models.
constexpr double kLoweredPressure = 0.999;
constexpr double kRaisedPressureVapour = units::single(1.001f);
constexpr double kRaisedPressureLiquid = 1.001;

// The free-water option set lies this many words after the property option set.
constexpr std::int64_t kFreeWaterOptionOffset = 4;

using host::monitorFailed;

// The host's no-value magnitude (BIG) and small tolerance (EPS).
struct Limits {
  double big = host::noValueMagnitude();
  double eps = host::smallTolerance();
  // An equation-of-state derivative the routine cannot use.
  bool unusable(double dPdV) const {
    return std::fabs(dPdV) < eps || std::fabs(dPdV) >= big || dPdV > 0;
  }
};

// ---- the host's error report of a vapour term that is not positive ----

constexpr char kErrorRoutine[] = "PIPS    ON      ";
constexpr std::int64_t kErrorSeverity = 2;
constexpr std::int64_t kErrorNumber = 1;
constexpr std::int64_t kErrorLines = 5;
constexpr std::int64_t kErrorTag = 2;

struct GasTerm {
  double cv, ratio, dPdV, volume, temperature, cp, dVdT, mw;
};

// The check is made directly, not through host::errorDue, as it hands the host the
// caller's cell.
void reportGasTerm(std::int64_t& errorCell, const GasTerm& g) {
  const std::int64_t zero = 0;
  std::int64_t result = 0;
  if (DMS_IRRCHK(kErrorRoutine, &kErrorSeverity, &kErrorNumber, &errorCell, &result, &zero, &zero,
                 &kErrorTag, sizeof kErrorRoutine - 1) == 0) {
    return;
  }
  char text[DMS_ERROUT_WIDTH + 1];
  host::setErrorLine(1, "ERROR IN CALCULATION OF GAS SONIC VELOCITY.");
  host::setErrorLine(2, "THE TERM -VG*VG*CPCV*ESDPDV_DPDV/XMWV IS LESS THAN 0.");
  std::snprintf(text, sizeof text, "CV =%14.6E CP/CV=%14.6E DPDV=%14.6E", g.cv, g.ratio, g.dPdV);
  host::setErrorLine(3, text);
  std::snprintf(text, sizeof text, "VG =%14.6E TEMP =%14.6E DHG =%14.6E", g.volume, g.temperature,
                g.cp);
  host::setErrorLine(4, text);
  std::snprintf(text, sizeof text, "DVG=%14.6E XMWV =%14.6E", g.dVdT, g.mw);
  host::setErrorLine(5, text);
  host::issueErrorLines(kErrorLines);
}

// ---- vapour ----

struct Gas {
  double volume = 0, mw = 0;
};

// Molar volume of a phase at another pressure; false (status set) when the monitor failed.
bool volumeAt(const PhaseSplit& s, const double* x, const std::int64_t* optionSet, bool vapour,
              double pressure, double& volume, std::int64_t& status) {
  status = 0;
  const host::MonitorPoint at{s.temperature, pressure, {x, s.indices, s.count}, optionSet};
  if (vapour) {
    host::vapourVolume(at, host::VapourRoot::Alone, volume, Status{&status});
  } else {
    host::liquidVolume(at, volume, Status{&status});
  }
  return !monitorFailed(status);
}

// c_G into out.gas; false (out.vapourStatus set) when the vapour monitor failed.
bool gasVelocity(const PhaseSplit& s, const Limits& lim, std::int64_t& errorCell, Gas& gas,
                 SonicVelocity& out) {
  host::presetPressureVolumeSlope(lim.big);
  host::ThermalProperties thermal{gas.volume, 0, 0, 0};
  std::int64_t status = 0;
  host::vapourThermal({s.temperature, s.pressure, {s.vapour, s.indices, s.count}, s.optionSet},
                      host::VapourRoot::BesideLiquid, host::ThermalDepth::VolumeSlopeAndHeat,
                      thermal, Status{&status});
  if (monitorFailed(status)) {
    out.vapourStatus = status;
    return false;
  }
  gas.volume = thermal.volume;
  const double dVdT = thermal.dVdT, cp = thermal.cp;
  gas.mw = host::lastPhaseWord(PPBASE_PHASE_VAPOUR_MW);
  double dPdV = host::lastPressureVolumeSlope();
  double dVdP = 0;
  if (lim.unusable(dPdV)) {
    double v = 0;
    const double lowered = kLoweredPressure * s.pressure;
    if (!volumeAt(s, s.vapour, s.optionSet, true, lowered, v, out.vapourStatus)) return false;
    dVdP = (gas.volume - v) / (s.pressure - lowered);
    if (std::fabs(dVdP) < lim.eps || dVdP > 0) {
      const double raised = kRaisedPressureVapour * s.pressure;
      if (!volumeAt(s, s.vapour, s.optionSet, true, raised, v, out.vapourStatus)) return false;
      dVdP = (gas.volume - v) / (s.pressure - raised);
      if (std::fabs(dVdP) < lim.eps) {
        out.gas = kDefaultLiquidSonicVelocity;  // no derivative: the default velocity
        return true;
      }
    }
    dPdV = 1.0 / dVdP;
  } else {
    dVdP = 1.0 / dPdV;
  }
  double cv = s.temperature * dVdT * dVdT / dVdP + cp;
  if (cv <= 0) cv = cp - units::kGasConstantSingle;
  const double ratio = cp / cv;
  const double squared = gas.volume * gas.volume * ratio * dPdV / -gas.mw;
  if (!(squared > 0)) {
    out.negativeGasTerm = true;
    reportGasTerm(errorCell, GasTerm{cv, ratio, dPdV, gas.volume, s.temperature, cp, dVdT, gas.mw});
  }
  out.gas = std::sqrt(std::fabs(squared));
  return true;
}

// ---- liquid ----

struct Liquid {
  double volume = 0, dVdT = 0, cp = 0, dVdP = 0;
};

// One liquid's volume, heat capacity and dV/dP; false when the monitor cannot give them.
bool liquidState(const PhaseSplit& s, const Limits& lim, const double* x,
                 const std::int64_t* optionSet, Liquid& l) {
  host::presetPressureVolumeSlope(lim.big);
  host::ThermalProperties thermal{l.volume, l.dVdT, l.cp, 0};
  std::int64_t status = 0;
  host::liquidThermal({s.temperature, s.pressure, {x, s.indices, s.count}, optionSet},
                      host::ThermalDepth::VolumeSlopeAndHeat, thermal, Status{&status});
  l.volume = thermal.volume;
  l.dVdT = thermal.dVdT;
  l.cp = thermal.cp;
  const double dPdV = host::lastPressureVolumeSlope();
  if (monitorFailed(status) || dPdV <= -lim.big) return false;
  if (!lim.unusable(dPdV)) {
    l.dVdP = 1.0 / dPdV;
    return true;
  }
  const double raised = kRaisedPressureLiquid * s.pressure;
  double v = 0;
  if (!volumeAt(s, x, optionSet, false, raised, v, status)) return false;
  l.dVdP = (l.volume - v) / (s.pressure - raised);
  return true;
}

// c_L from the liquid monitor; volume is set to the liquid's molar volume when formed.
double liquidVelocity(const PhaseSplit& s, const Limits& lim, double mw, std::int64_t& flag,
                      double& volume) {
  const double t = s.temperature;
  const double beta = s.liquidSplit;
  double numerator = 0, denominator = 0, dPdV = 0;
  Liquid l1, l2;
  if (1.0 - beta <= lim.eps) {
    if (!liquidState(s, lim, s.liquid, s.optionSet, l1)) {
      flag = kLiquidDefault;
      return kDefaultLiquidSonicVelocity;
    }
    volume = l1.volume;
    if (std::fabs(l1.dVdP) < lim.eps) return kDefaultLiquidSonicVelocity;
    dPdV = 1.0 / l1.dVdP;
    numerator = l1.cp;
    denominator = l1.cp + t * l1.dVdT * l1.dVdT / l1.dVdP;
  } else {
    const std::int64_t* second =
        s.freeWaterCode == kFreeWaterLiquid ? s.optionSet + kFreeWaterOptionOffset : s.optionSet;
    if (!liquidState(s, lim, s.liquid1, s.optionSet, l1) ||
        !liquidState(s, lim, s.liquid2, second, l2)) {
      flag = kLiquidDefault;
      return kDefaultLiquidSonicVelocity;
    }
    volume = beta * l1.volume + (1 - beta) * l2.volume;
    if (std::fabs(l1.dVdP) < lim.eps || std::fabs(l2.dVdP) < lim.eps) {
      return kDefaultLiquidSonicVelocity;
    }
    dPdV = beta / l1.dVdP + (1 - beta) / l2.dVdP;
    numerator = beta * l1.cp + (1 - beta) * l2.cp;
    denominator = beta * (l1.cp + t * l1.dVdT * l1.dVdT / l1.dVdP) +
                  (1 - beta) * (l2.cp + t * l2.dVdT * l2.dVdT / l2.dVdP);
  }
  const double squared = volume * volume * (numerator / denominator) * dPdV / -mw;
  return squared > lim.eps ? std::sqrt(squared) : kDefaultLiquidSonicVelocity;
}

// The homogeneous two-phase formula; false when the phases give it no meaning.
bool mixtureVelocity(const PhaseSplit& s, const Gas& gas, double liquidMw, double liquidVolume,
                     SonicVelocity& out) {
  out.gasDensity = gas.mw / gas.volume;
  out.liquidDensity = liquidMw / liquidVolume;
  const double rhoG = out.gasDensity, rhoL = out.liquidDensity;
  const double x = s.vapourFraction * gas.mw / s.molecularWeight;  // vapour mass fraction
  if (!(rhoG > 0 && rhoL > 0 && std::isfinite(rhoG) && std::isfinite(rhoL) && x >= 0 && x <= 1)) {
    return false;
  }
  const double alpha = x * rhoL / ((1 - x) * rhoG + x * rhoL);  // vapour volume fraction
  const double cG2 = out.gas * out.gas, cL2 = out.liquid * out.liquid;
  out.velocity = 1.0 / ((1 - alpha) * std::sqrt((1 - alpha) / cL2 + alpha * rhoL / (rhoG * cG2)) +
                        alpha * std::sqrt((1 - alpha) * rhoG / (rhoL * cL2) + alpha / cG2));
  return true;
}

}  // namespace

SonicVelocity PIPSON(const PhaseSplit& s, std::int64_t& errorCell, std::int64_t& liquidFlag) {
  const Limits lim;
  SonicVelocity out;
  const double v = s.vapourFraction;
  Gas gas;
  if (v > lim.eps && !gasVelocity(s, lim, errorCell, gas, out)) return out;

  double liquidVolume = s.liquidVolume;
  const double liquidMw = host::averageMolecularWeight({s.liquid, s.indices, s.count});
  if (1 - v > lim.eps && liquidFlag != kLiquidDefault) {
    out.liquid = liquidVelocity(s, lim, liquidMw, liquidFlag, liquidVolume);
  } else {
    out.liquid = kDefaultLiquidSonicVelocity;
  }

  if (v <= lim.eps) {
    out.velocity = out.liquid;
  } else if (1 - v <= lim.eps) {
    out.velocity = out.gas;
  } else if (out.gas >= lim.big) {
    out.velocity = lim.big;
  } else if (!mixtureVelocity(s, gas, liquidMw, liquidVolume, out)) {
    out.unformed = true;
  }
  if (!(std::isfinite(out.velocity) && out.velocity > 0)) out.unformed = true;
  return out;
}

// ---- the procedures ----

namespace {

// Flash phases and root, and the codes the procedures hand to PIPSON.
constexpr std::int64_t kVapourLiquidLiquid = 3;
constexpr std::int64_t kAnyRoot = 0;
constexpr std::int64_t kNoFreeWater = 2;
constexpr std::int64_t kErrorCheckCell = 4;
// Print level above which SPPSONH and SPPSONHP trace their inputs and results.
constexpr std::int64_t kTraceLevel = 1;

constexpr char kTemperatureLabel[] = "Calculated Temperature";
constexpr char kVelocityLabel[] = "Sonic Velocity";
constexpr char kVapourFractionLabel[] = "Vapour Fraction";
constexpr char kGasVelocityLabel[] = "Vapour Sonic Velocity";
constexpr char kGasDensityLabel[] = "Vapour Density";
constexpr char kLiquidDensityLabel[] = "Liquid Density";

enum class Trace { None, Results, Phases };

// One call of a sonic velocity procedure.
struct Request {
  const char* routine;
  bool enthalpyGiven;  // input 1 is the molar enthalpy (else the temperature)
  double first;
  const SonicStream& given;  // pressure, composition, molecular weight, unit set
  double& velocity;
  Trace trace;
};

void traceResult(const Request& r, const char* label, double value) {
  host::traceResult(r.routine, label, value);
}

// SAIPIP's listing of the inputs in argument order, laid out in the stream's work
// vectors (8 W >= n + 4).
void traceInputs(const Request& r, host::PropertyStream& stream, HostContext context) {
  const std::int64_t n = stream.components();
  double* values = stream.work(host::WorkVector::Fractions);
  values[0] = r.first;
  values[1] = r.given.pressure;
  std::copy(r.given.fractions.data(), r.given.fractions.data() + n, values + 2);
  values[n + 2] = r.given.molecularWeight;
  values[n + 3] = static_cast<double>(r.given.unitSet);
  host::traceInputs(r.routine, context, values, n + 4);
}

// The pressure and the temperature (or enthalpy) in SI, and the packed composition.
bool inputsInSi(const Request& r, host::PropertyStream& stream, Status status, PhaseSplit& s,
                double& enthalpy, host::PropertyStream::Packed& packed) {
  return host::pressureInSi(r.routine, r.given.pressure, r.given.unitSet, status, s.pressure) &&
         (r.enthalpyGiven
              ? host::enthalpyInSi(r.routine, r.first, r.given.unitSet, status, enthalpy)
              : host::temperatureInSi(r.routine, r.first, r.given.unitSet, status,
                                      s.temperature)) &&
         stream.pack(r.routine, r.given.fractions.data(), status, packed);
}

bool propertyRoute(const Request& r, host::PropertyStream& stream, Workspace work, Status status) {
  host::propertyRoute(stream.descriptor(), work, status);
  if (status.value() == XV55_STATUS_INFORMATION) return true;
  const std::int64_t code = status.value();
  report(status, kError, " %s-E-The property system has no property route (status %d).\\n",
         r.routine, code);
  return false;
}

// The three-phase flash at the given pressure and temperature (or enthalpy); fills
// the phase split s.
bool flash(const Request& r, host::PropertyStream& stream,
           const host::PropertyStream::Packed& packed, double& enthalpy, PhaseSplit& s,
           Status status) {
  s.count = packed.count;
  s.indices = packed.indices;
  s.optionSet = stream.optionSet();
  s.liquid = stream.work(host::WorkVector::Liquid);
  s.liquid1 = stream.work(host::WorkVector::Liquid1);
  s.liquid2 = stream.work(host::WorkVector::Liquid2);
  s.vapour = stream.work(host::WorkVector::Vapour);
  const host::FlashRequest request{
      r.enthalpyGiven ? host::FlashKind::PressureEnthalpy : host::FlashKind::TemperaturePressure,
      kVapourLiquidLiquid, kAnyRoot, stream.flashTolerance(), s.optionSet};
  host::FlashState state{s.temperature, s.pressure, enthalpy, s.vapourFraction, s.liquidSplit};
  host::nameErrorContext(r.routine);
  const std::int64_t returnCode =
      host::flash(request, packed, state,
                  {stream.work(host::WorkVector::Liquid), stream.work(host::WorkVector::Liquid1),
                   stream.work(host::WorkVector::Liquid2), stream.work(host::WorkVector::Vapour)});
  s.temperature = state.temperature;
  enthalpy = state.enthalpy;
  s.vapourFraction = state.vapourFraction;
  s.liquidSplit = state.liquidSplit;
  if (returnCode != 0) {
    if (r.enthalpyGiven) {
      report(status, kError, " %s-E-The flash at %g J/kmol and %g Pa failed (return code %d).\\n",
             r.routine, enthalpy, s.pressure, returnCode);
    } else {
      report(status, kError, " %s-E-The flash at %g K and %g Pa failed (return code %d).\\n",
             r.routine, s.temperature, s.pressure, returnCode);
    }
    return false;
  }
  s.liquidVolume = host::lastPhaseWord(PPBASE_PHASE_LIQUID_VOLUME);
  s.freeWaterCode = kNoFreeWater;
  s.molecularWeight = r.given.molecularWeight;
  return true;
}

// PIPSON on the flash's phase split; false (reported) when it forms no velocity.
bool sonicVelocityOf(const Request& r, const PhaseSplit& s, Status status, SonicVelocity& c) {
  std::int64_t errorCell = kErrorCheckCell;
  std::int64_t liquidFlag = kLiquidDefault;
  if (s.vapourFraction >= 0 && s.vapourFraction <= 1) {
    c = PIPSON(s, errorCell, liquidFlag);
  } else {
    c.unformed = true;  // a flash result no phase split can have
  }
  if (c.vapourStatus != 0) {
    report(status, kError,
           " %s-E-The vapour properties at %g K and %g Pa could not be computed (status %d).\\n",
           r.routine, s.temperature, s.pressure, c.vapourStatus);
    return false;
  }
  if (c.unformed) {
    report(status, kError,
           " %s-E-No sonic velocity can be formed for vapour fraction %g and molecular weight "
           "%g.\\n",
           r.routine, s.vapourFraction, r.given.molecularWeight);
    return false;
  }
  return true;
}

void traceResults(const Request& r, const PhaseSplit& s, const SonicVelocity& c) {
  traceResult(r, kTemperatureLabel,
              host::fromSi(host::Quantity::Temperature, s.temperature, r.given.unitSet));
  traceResult(r, kVelocityLabel, c.velocity);
  if (r.trace == Trace::Phases) {
    traceResult(r, kVapourFractionLabel, s.vapourFraction);
    traceResult(r, kGasVelocityLabel, c.gas);
    traceResult(r, kGasDensityLabel, c.gasDensity);
    traceResult(r, kLiquidDensityLabel, c.liquidDensity);
  }
}

void sonicVelocity(const Request& r, Status status, HostContext context, Workspace work) {
  host::PropertyStream stream;
  if (!stream.setUp(r.routine, context, status) ||
      !stream.fits(r.routine, r.given.fractions.declaredExtent(), status)) {
    return;
  }
  const bool tracing = r.trace != Trace::None && host::printLevel() > kTraceLevel;
  if (tracing) traceInputs(r, stream, context);

  PhaseSplit s;
  double enthalpy = 0;
  host::PropertyStream::Packed packed;
  SonicVelocity c;
  if (!inputsInSi(r, stream, status, s, enthalpy, packed) ||
      !propertyRoute(r, stream, work, status) || !flash(r, stream, packed, enthalpy, s, status) ||
      !sonicVelocityOf(r, s, status, c)) {
    return;
  }
  r.velocity = c.velocity;
  // The host's error facility has reported the vapour term; the result is doubtful.
  if (c.negativeGasTerm) status = kWarning;
  if (tracing) traceResults(r, s, c);
}

}  // namespace

void SPPSON(const SonicTemperatureArguments& args, Status status, HostContext context,
            Workspace work) {
  sonicVelocity({"SPPSON", false, args.temperature, args.stream, args.velocity, Trace::None},
                status, context, work);
}

void SPPSONH(const SonicEnthalpyArguments& args, Status status, HostContext context,
             Workspace work) {
  sonicVelocity({"SPPSONH", true, args.enthalpy, args.stream, args.velocity, Trace::Results},
                status, context, work);
}

void SPPSONHP(const SonicEnthalpyTracedArguments& args, Status status, HostContext context,
              Workspace work) {
  sonicVelocity({"SPPSONHP", true, args.enthalpy, args.stream, args.velocity, Trace::Phases},
                status, context, work);
}

}  // namespace xv55::pipe

// The sonic velocity body of XV55IF_SPPSONH under its own name, with its own argument list.
extern "C" XV55_API void SPPSONH(const double* enthalpy, const double* pressure,
                                 const double* fractions, const std::int64_t* fractionsExtent,
                                 const double* molecularWeight, const std::int64_t* unitSet,
                                 double* velocity, std::int64_t* status,
                                 const std::int64_t* hostContext, double* realWork,
                                 const std::int64_t* realWorkLength) {
  using namespace xv55;
  if (!status) return;
  if (!enthalpy || !pressure || !fractions || !fractionsExtent || !molecularWeight || !unitSet ||
      !velocity || !hostContext || !realWorkLength) {
    report(Status(status), kError, " SPPSONH-E-An argument is missing; nothing is computed.\\n");
    return;
  }
  const pipe::SonicStream stream{*pressure, Vector<const double>(fractions, *fractionsExtent),
                                 *molecularWeight, *unitSet};
  const pipe::SonicEnthalpyArguments args{*enthalpy, stream, *velocity, {}};
  pipe::SPPSONH(args, Status(status), HostContext(*hostContext),
                Workspace(realWork, *realWorkLength));
}
