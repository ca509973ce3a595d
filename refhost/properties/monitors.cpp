// Property monitors, flashes and pure-component enthalpies of the reference host.
#include <algorithm>
#include <cmath>

#include "services.hpp"
#include "state.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/property_system.h"

extern "C" {
XV55_API double PPBASE_ESDPDV[1];
XV55_API double PPBASE_PHASE[xv55::refhost::properties::detail::kPhaseWords];
}

namespace xv55::refhost::properties::detail {
namespace {

using refhost::CallRecord;
using refhost::detail::beginRecord;
using refhost::detail::recordReals;

// Calculation codes of the thermal monitors.
constexpr std::int64_t kVolumeOnly = 1;
constexpr std::int64_t kVolumeAndSlope = 2;
constexpr std::int64_t kEverything = 3;
// Phase codes of the vapour monitors: both select the vapour root.
constexpr std::int64_t kVapourAlone = 1;
constexpr std::int64_t kVapourBesideLiquid = 2;
// Flash codes and phase codes.
constexpr std::int64_t kPressureEnthalpy = 1;
constexpr std::int64_t kTemperaturePressure = 2;
constexpr std::int64_t kOnePhase = 1;
constexpr std::int64_t kTwoPhases = 2;
constexpr std::int64_t kThreePhases = 3;
constexpr std::int64_t kSubVapour = 1;
constexpr std::int64_t kSubLiquid = 2;
// Flash tolerance: default and accepted range.
constexpr double kDefaultTolerance = 1.0e-10;
constexpr double kFinestTolerance = 1.0e-14;
constexpr double kCoarsestTolerance = 1.0e-4;
// Words after the components in a companion stream vector.
constexpr std::int64_t kTemperature = 2, kPressure = 3, kMassEnthalpy = 4, kVapourFraction = 5,
                       kLiquidFraction = 6, kMassEntropy = 7, kMassDensity = 8,
                       kMolecularWeight = 9;

void setPhaseData(bool vapour, double volume, double mw) {
  PPBASE_PHASE[vapour ? 0 : 2] = volume;
  PPBASE_PHASE[vapour ? 1 : 3] = mw;
}

void recordState(CallRecord& record, const double* t, const double* p, const std::int64_t* count,
                 const double* fractions, const std::int64_t* indices) {
  record.reals.push_back(t ? *t : 0.0);
  record.reals.push_back(p ? *p : 0.0);
  const std::int64_t n = count ? std::clamp<std::int64_t>(*count, 0, kMaxComponents) : 0;
  record.integers.push_back(count ? *count : 0);
  if (indices) record.integers.insert(record.integers.end(), indices, indices + n);
  if (fractions) recordReals(record, fractions, n);
}

// The common body of the monitors.  Returns 0 with the phase evaluated, or a status.
std::int64_t monitor(Service service, const double* t, const double* p, const double* fractions,
                     const std::int64_t* count, const std::int64_t* indices,
                     const std::int64_t* optionSet, Root root, Set& set, double* x, PureAtT& pure,
                     Phase& ph) {
  std::int64_t status = 0;
  if (failed(service, status)) {
    fail(service, status, "Property evaluation failed (injected failure).");
    return status;
  }
  if ((status = checkState(service, t, p)) || (status = checkOptionSet(service, optionSet)) ||
      (status = resolve(service, count, indices, fractions, set, x))) {
    return status;
  }
  pureAtT(set, *t, pure);
  if (!evaluatePhase(set, pure, x, *p, root, ph)) {
    fail(service, 3, "The equation of state has no volume at these conditions.");
    return 3;
  }
  return 0;
}

void thermal(Service service, bool vapour, const double* t, const double* p,
             const double* fractions, const std::int64_t* count, const std::int64_t* indices,
             const std::int64_t* optionSet, const std::int64_t* phase,
             const std::int64_t* calculation, double* volume, double* dVdT, double* cp,
             double* enthalpy, std::int64_t* status) {
  CallRecord& record = beginRecord(service);
  recordState(record, t, p, count, fractions, indices);
  if (phase) record.integers.push_back(*phase);
  if (calculation) record.integers.push_back(*calculation);
  auto refuse = [&](std::int64_t code) {
    if (status) *status = code;
  };
  if (vapour && (!phase || (*phase != kVapourAlone && *phase != kVapourBesideLiquid))) {
    fail(service, 4, "Unknown phase code; the vapour monitors know 1 and 2.");
    return refuse(4);
  }
  if (!calculation || *calculation < kVolumeOnly || *calculation > kEverything) {
    fail(service, 4, "Unknown calculation code; 1 (volume), 2 (and dV/dT) or 3 (all) expected.");
    return refuse(4);
  }
  Set set;
  double x[kMaxComponents];
  PureAtT pure;
  Phase ph;
  if (const std::int64_t code = monitor(service, t, p, fractions, count, indices, optionSet,
                                        vapour ? Root::Vapour : Root::Liquid, set, x, pure, ph)) {
    return refuse(code);
  }
  Properties pr;
  phaseProperties(set, pure, x, *p, ph, pr);
  if (!std::isfinite(pr.h) || !std::isfinite(pr.cp) || !std::isfinite(pr.dVdT)) {
    fail(service, 3, "The equation of state gives no finite properties at these conditions.");
    return refuse(3);
  }
  if (volume) *volume = pr.v;
  if (*calculation >= kVolumeAndSlope && dVdT) *dVdT = pr.dVdT;
  if (*calculation >= kEverything) {
    if (cp) *cp = pr.cp;
    if (enthalpy) *enthalpy = pr.h;
  }
  switch (derivativeMode(service)) {
    case Derivative::Fill:
      PPBASE_ESDPDV[0] = pr.dPdV;
      break;
    case Derivative::LeavePreset:
      break;
    case Derivative::MinusBig:
      PPBASE_ESDPDV[0] = -DMS_RGLOB[host::kNoValue - 1];
      break;
    case Derivative::Zero:
      PPBASE_ESDPDV[0] = 0.0;
      break;
    case Derivative::Positive:
      PPBASE_ESDPDV[0] = -pr.dPdV;
      break;
  }
  setPhaseData(vapour, pr.v, mixtureMw(set, x));
  record.reals.push_back(pr.v);
}

void volumeOnly(Service service, bool vapour, const double* t, const double* p,
                const double* fractions, const std::int64_t* count, const std::int64_t* indices,
                const std::int64_t* optionSet, const std::int64_t* phase, double* volume,
                std::int64_t* status) {
  CallRecord& record = beginRecord(service);
  recordState(record, t, p, count, fractions, indices);
  if (phase) record.integers.push_back(*phase);
  if (vapour && (!phase || (*phase != kVapourAlone && *phase != kVapourBesideLiquid))) {
    fail(service, 4, "Unknown phase code; the vapour monitors know 1 and 2.");
    if (status) *status = 4;
    return;
  }
  Set set;
  double x[kMaxComponents];
  PureAtT pure;
  Phase ph;
  if (const std::int64_t code = monitor(service, t, p, fractions, count, indices, optionSet,
                                        vapour ? Root::Vapour : Root::Liquid, set, x, pure, ph)) {
    if (status) *status = code;
    return;
  }
  double queued = 0;
  const double v = nextQueuedVolume(queued) ? queued : ph.v;
  if (volume) *volume = v;
  record.reals.push_back(v);
}

// Flash arguments after the common checks.
struct FlashInput {
  Set set;
  double z[kMaxComponents];
  FlashSettings settings;
};

std::int64_t flashReturn(Service service, std::int64_t code) {
  if (code == kFlashNotConverged) {
    fail(service, 3, "The flash did not converge.");
  } else if (code == kFlashRefused) {
    fail(service, 4, "No temperature in 10 to 2000 K matches the enthalpy.");
  }
  return code;
}

void publish(const FlashResult& r) {
  PPBASE_PHASE[0] = r.vV;
  PPBASE_PHASE[1] = r.mwV;
  PPBASE_PHASE[2] = r.vL;
  PPBASE_PHASE[3] = r.mwL;
  PPBASE_PHASE[4] = r.beta;
  PPBASE_PHASE[5] = r.t;
  PPBASE_PHASE[6] = r.p;
}

// The start of both flash services once their call is recorded: an injected failure, then
// the flash code.  Returns 0 with the code in kind, or the return code to finish with.
std::int64_t flashKind(Service service, const std::int64_t* code, std::int64_t& kind) {
  std::int64_t rc = 0;
  if (failed(service, rc)) {
    fail(service, 4, "Flash failed (injected failure).");
    return rc;
  }
  kind = code ? *code : 0;
  if (kind != kPressureEnthalpy && kind != kTemperaturePressure) {
    fail(service, 4, "Unknown flash code " + std::to_string(kind) + "; 1 (P, H) or 2 (T, P).");
    return kFlashRefused;
  }
  return 0;
}

// Flash settings from the phase code, sub-code and tolerance; 0 or 4.
std::int64_t flashSettings(Service service, const std::int64_t* phaseCode,
                           const std::int64_t* subCode, const double* tolerance,
                           FlashSettings& settings) {
  const std::int64_t phases = phaseCode ? *phaseCode : 0;
  if (phases == kOnePhase) {
    settings.phases = Phases::Single;
    const std::int64_t sub = subCode ? *subCode : 0;
    settings.forcedRoot = sub == kSubVapour   ? Root::Vapour
                          : sub == kSubLiquid ? Root::Liquid
                                              : Root::Stable;
  } else if (phases == kTwoPhases || phases == kThreePhases) {
    settings.phases = Phases::VapourLiquid;
  } else {
    fail(service, 4, "Unknown phase code " + std::to_string(phases) + "; 1, 2 or 3 expected.");
    return 4;
  }
  settings.tolerance = (tolerance && std::isfinite(*tolerance) && *tolerance > 0)
                           ? std::clamp(*tolerance, kFinestTolerance, kCoarsestTolerance)
                           : kDefaultTolerance;
  return 0;
}

void enthalpyOf(Service service, bool vapour, const double* t, const double* p, const double* z,
                const std::int64_t* count, double* h, std::int64_t* status,
                const std::int64_t* hostContext) {
  CallRecord& record = beginRecord(service);
  const std::int64_t n = count ? *count : 0;
  record.reals.push_back(t ? *t : 0.0);
  record.reals.push_back(p ? *p : 0.0);
  record.integers.push_back(n);
  record.integers.push_back(hostContext ? *hostContext : 0);
  if (z) recordReals(record, z, std::clamp<std::int64_t>(n, 0, kMaxComponents));
  auto refuse = [&](std::int64_t code) {
    if (status) *status = code;
  };
  std::int64_t code = 0;
  if (failed(service, code)) {
    fail(service, code, "Enthalpy evaluation failed (injected failure).");
    return refuse(code);
  }
  if (!hostContext || !h) {
    fail(service, 4, "The host context or the result is missing.");
    return refuse(4);
  }
  const double tSi = t ? refhost::detail::modelToSi(Service::GPTEMP, *t) : 0.0;
  const double pSi = p ? refhost::detail::modelToSi(Service::GPPRES, *p) : 0.0;
  if ((code = checkState(service, t ? &tSi : nullptr, p ? &pSi : nullptr))) return refuse(code);
  std::int64_t indices[kMaxComponents];
  int modelCount = 0;
  for (std::int64_t i = 0; i < std::clamp<std::int64_t>(n, 0, kMaxComponents); ++i) {
    indices[i] = modelPosition(*hostContext, static_cast<int>(i + 1), modelCount);
  }
  if (n > modelCount && n <= kMaxComponents) {
    fail(service, 4,
         "Component count " + std::to_string(n) + " exceeds the " + std::to_string(modelCount) +
             " components of host context " + std::to_string(*hostContext) + ".");
    return refuse(4);
  }
  Set set;
  double x[kMaxComponents];
  if ((code = resolve(service, count, indices, z, set, x))) return refuse(code);
  PureAtT pure;
  pureAtT(set, tSi, pure);
  Phase ph;
  if (!evaluatePhase(set, pure, x, pSi, vapour ? Root::Vapour : Root::Liquid, ph)) {
    fail(service, 3, "The equation of state has no volume at these conditions.");
    return refuse(3);
  }
  Properties pr;
  phaseProperties(set, pure, x, pSi, ph, pr);
  *h = refhost::detail::siToModel(Service::GPSPH, pr.h);
  record.reals.push_back(*h);
}

}  // namespace
}  // namespace xv55::refhost::properties::detail

using xv55::refhost::properties::detail::services;
namespace props = xv55::refhost::properties::detail;

extern "C" XV55_API void PPMON_VMTHRM(const double* t, const double* p, const double* fractions,
                                      const std::int64_t* count, const std::int64_t* indices,
                                      const std::int64_t* optionSet, const std::int64_t* phase,
                                      const std::int64_t* calculation, double* volume, double* dVdT,
                                      double* cp, double* enthalpy, std::int64_t* status) {
  props::thermal(services().vmthrm, true, t, p, fractions, count, indices, optionSet, phase,
                 calculation, volume, dVdT, cp, enthalpy, status);
}

extern "C" XV55_API void PPMON_LMTHMY(const double* t, const double* p, const double* fractions,
                                      const std::int64_t* count, const std::int64_t* indices,
                                      const std::int64_t* optionSet,
                                      const std::int64_t* calculation, double* volume, double* dVdT,
                                      double* cp, double* enthalpy, std::int64_t* status) {
  props::thermal(services().lmthmy, false, t, p, fractions, count, indices, optionSet, nullptr,
                 calculation, volume, dVdT, cp, enthalpy, status);
}

extern "C" XV55_API void PPMON_VOLV(const double* t, const double* p, const double* fractions,
                                    const std::int64_t* count, const std::int64_t* indices,
                                    const std::int64_t* optionSet, const std::int64_t* phase,
                                    double* volume, std::int64_t* status) {
  props::volumeOnly(services().volv, true, t, p, fractions, count, indices, optionSet, phase,
                    volume, status);
}

extern "C" XV55_API void PPMON_VOLL(const double* t, const double* p, const double* fractions,
                                    const std::int64_t* count, const std::int64_t* indices,
                                    const std::int64_t* optionSet, double* volume,
                                    std::int64_t* status) {
  props::volumeOnly(services().voll, false, t, p, fractions, count, indices, optionSet, nullptr,
                    volume, status);
}

extern "C" XV55_API double PPUTL_AVEMW(const std::int64_t* count, const std::int64_t* indices,
                                       const double* fractions) {
  const auto service = services().avemw;
  auto& record = props::beginRecord(service);
  props::recordState(record, nullptr, nullptr, count, fractions, indices);
  if (props::injectedFailure(service, "No molecular weight (injected failure); 0 returned.",
                             nullptr)) {
    return 0.0;
  }
  props::Set set;
  double x[props::kMaxComponents];
  if (props::resolve(service, count, indices, fractions, set, x)) {
    props::fail(service, 4, "0 returned as the molecular weight.");
    return 0.0;
  }
  return props::mixtureMw(set, x);
}

extern "C" XV55_API void FLSH_PFLASH(const std::int64_t* code, double* t, const double* p,
                                     double* enthalpy, const double* z, const std::int64_t* count,
                                     const std::int64_t* indices, const std::int64_t* optionSet,
                                     const std::int64_t* phaseCode, const std::int64_t* subCode,
                                     const double* tolerance, double* vapourFraction,
                                     double* liquidSplit, double* liquid, double* liquid1,
                                     double* liquid2, double* vapour, std::int64_t* returnCode) {
  const auto service = services().pflash;
  auto& record = props::beginRecord(service);
  props::recordState(record, t, p, count, z, indices);
  record.integers.push_back(code ? *code : 0);
  record.integers.push_back(phaseCode ? *phaseCode : 0);
  record.integers.push_back(subCode ? *subCode : 0);
  record.reals.push_back(enthalpy ? *enthalpy : 0.0);
  auto finish = [&](std::int64_t rc) {
    if (returnCode) *returnCode = rc;
  };
  std::int64_t kind = 0;
  std::int64_t rc = props::flashKind(service, code, kind);
  if (rc != 0) return finish(rc);
  props::FlashInput in;
  if (props::flashSettings(service, phaseCode, subCode, tolerance, in.settings) ||
      props::checkOptionSet(service, optionSet) ||
      props::resolve(service, count, indices, z, in.set, in.z)) {
    return finish(props::kFlashRefused);
  }
  props::FlashResult r;
  if (kind == props::kTemperaturePressure) {
    if (props::checkState(service, t, p)) return finish(props::kFlashRefused);
    rc = props::flashTP(in.set, in.z, *t, *p, in.settings, r);
  } else {
    const double guess = 300.0;
    if (props::checkState(service, &guess, p)) return finish(props::kFlashRefused);
    if (!enthalpy || !std::isfinite(*enthalpy)) {
      props::fail(service, 4, "The enthalpy is missing or not a number.");
      return finish(props::kFlashRefused);
    }
    rc = props::flashPH(in.set, in.z, *enthalpy, *p, t ? *t : guess, in.settings, r);
  }
  if (rc != props::kFlashOk) return finish(props::flashReturn(service, rc));
  const int n = in.set.n;
  if (t) *t = r.t;
  if (enthalpy) *enthalpy = r.h;
  if (vapourFraction) *vapourFraction = r.beta;
  if (liquidSplit) *liquidSplit = 1.0;
  for (int i = 0; i < n; ++i) {
    if (liquid) liquid[i] = r.x[i];
    if (liquid1) liquid1[i] = r.x[i];
    if (liquid2) liquid2[i] = r.x[i];
    if (vapour) vapour[i] = r.y[i];
  }
  props::publish(r);
  record.reals.push_back(r.t);
  record.reals.push_back(r.beta);
  finish(props::kFlashOk);
}

namespace {

// The flash of a stream vector (tail: its words from the last component flow on) at
// its temperature and pressure, or at its pressure and enthalpy, into r with its
// return code in rc.  False, with the reason reported, when the stream's state is
// refused before any flash.
bool flashStream(props::Service service, std::int64_t kind, const props::FlashInput& in,
                 const double* tail, double mw, props::FlashResult& r, std::int64_t& rc) {
  if (kind == props::kTemperaturePressure) {
    if (props::checkState(service, &tail[props::kTemperature], &tail[props::kPressure])) {
      return false;
    }
    rc = props::flashTP(in.set, in.z, tail[props::kTemperature], tail[props::kPressure],
                        in.settings, r);
    return true;
  }
  const double guess = 300.0;
  const double h = tail[props::kMassEnthalpy] * mw;
  if (props::checkState(service, &guess, &tail[props::kPressure])) return false;
  if (!std::isfinite(h)) {
    props::fail(service, 4, "The stream's enthalpy is not a number.");
    return false;
  }
  rc = props::flashPH(in.set, in.z, h, tail[props::kPressure], tail[props::kTemperature],
                      in.settings, r);
  return true;
}

// Writes the flash result into the stream's words, with the entropy and density of
// the two phases from their compositions.
void writeStream(const props::FlashInput& in, const props::FlashResult& r, double mw,
                 double* tail) {
  props::PureAtT pure;
  props::pureAtT(in.set, r.t, pure);
  double s = 0, volume = 0;
  for (int phase = 0; phase < 2; ++phase) {
    const double fraction = phase == 0 ? r.beta : 1 - r.beta;
    if (fraction <= 0) continue;
    const double* x = phase == 0 ? r.y : r.x;
    props::Phase ph;
    props::Properties pr;
    props::evaluatePhase(in.set, pure, x, r.p,
                         phase == 0 ? props::Root::Vapour : props::Root::Liquid, ph);
    props::phaseProperties(in.set, pure, x, r.p, ph, pr);
    s += fraction * pr.s;
    volume += fraction * (phase == 0 ? r.vV : r.vL);
  }
  tail[props::kTemperature] = r.t;
  tail[props::kMassEnthalpy] = r.h / mw;
  tail[props::kVapourFraction] = r.beta;
  tail[props::kLiquidFraction] = 1 - r.beta;
  tail[props::kMassEntropy] = s / mw;
  tail[props::kMassDensity] = mw / volume;
  tail[props::kMolecularWeight] = mw;
}

}  // namespace

extern "C" XV55_API void FLSH_FLASH(const std::int64_t* code, double* stream,
                                    const std::int64_t* count, const std::int64_t* optionSet,
                                    const std::int64_t* phaseCode, std::int64_t* returnCode) {
  const auto service = services().flash;
  auto& record = props::beginRecord(service);
  const std::int64_t n = count ? *count : 0;
  record.integers.push_back(code ? *code : 0);
  record.integers.push_back(n);
  record.integers.push_back(phaseCode ? *phaseCode : 0);
  auto finish = [&](std::int64_t rc) {
    if (returnCode) *returnCode = rc;
  };
  std::int64_t kind = 0;
  std::int64_t rc = props::flashKind(service, code, kind);
  if (rc != 0) return finish(rc);
  if (!stream) {
    props::fail(service, 4, "The stream vector is missing.");
    return finish(props::kFlashRefused);
  }
  if (n < 1 || n > props::companionSize()) {
    props::fail(service, 4,
                "Component count " + std::to_string(n) + " is outside 1 to the " +
                    std::to_string(props::companionSize()) + " companion components.");
    return finish(props::kFlashRefused);
  }
  props::recordReals(record, stream, n + props::kMolecularWeight);
  std::int64_t indices[props::kMaxComponents];
  for (std::int64_t i = 0; i < n; ++i) indices[i] = i + 1;
  props::FlashInput in;
  const double tolerance = props::kDefaultTolerance;
  if (props::flashSettings(service, phaseCode, nullptr, &tolerance, in.settings) ||
      props::checkOptionSet(service, optionSet) ||
      props::resolve(service, count, indices, stream, in.set, in.z)) {
    return finish(props::kFlashRefused);
  }
  double* tail = stream + n - 1;  // tail[k]: word n + k of the stream
  props::FlashResult r;
  const double mw = props::mixtureMw(in.set, in.z);
  if (!flashStream(service, kind, in, tail, mw, r, rc)) return finish(props::kFlashRefused);
  if (rc != props::kFlashOk) return finish(props::flashReturn(service, rc));
  writeStream(in, r, mw, tail);
  props::publish(r);
  finish(props::kFlashOk);
}

extern "C" XV55_API void GPIVEX(const double* t, const double* p, const double* z,
                                const std::int64_t* count, double* h, std::int64_t* status,
                                const std::int64_t* hostContext) {
  props::enthalpyOf(services().givex, true, t, p, z, count, h, status, hostContext);
}

extern "C" XV55_API void GPILEX(const double* t, const double* p, const double* z,
                                const std::int64_t* count, double* h, std::int64_t* status,
                                const std::int64_t* hostContext) {
  props::enthalpyOf(services().gilex, false, t, p, z, count, h, status, hostContext);
}
