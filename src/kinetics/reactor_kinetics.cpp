// Reaction rates of reactors (stirred tank, plug flow, batch) and of a tray column
// named by its block, from the kinetics routine of a reaction paragraph (SAIURK).
//
// The ten procedures are one evaluation.  Each member is data: its reactor kind (which
// common areas, block type, flash rule and conversions), where its phase information
// comes from (a flash, or one to four compositions of the model) and its names.  Its
// body hands the groups of its record to the evaluation as ReactorInputs.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "host/monitors.hpp"
#include "host/services.hpp"
#include "kinetics/kinetics.hpp"
#include "kinetics/support.hpp"
#include "kinetics/user_routines.hpp"
#include "print/report.hpp"
#include "xv55/host/companion.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/property_system.h"
#include "xv55/xv55.h"

namespace xv55::kinetics {
namespace {

// ---- the members ----

enum class Reactor { StirredTank, PlugFlow, Batch, TrayColumn };
// Where the phase split comes from: a flash, or the model's compositions (the overall
// one alone; with the vapour and the liquid; with the vapour and two liquids).
enum class Phases { Flash, Overall, VapourLiquid, VapourTwoLiquids };

struct Member {
  std::string_view name;  // its own messages
  Reactor reactor;
  Phases phases;
};

// What differs between the reactor kinds.
struct ReactorKind {
  std::string_view family;        // the size report's and the flash's name
  std::string_view flashContext;  // for SAIFEH
  BlockType blockType;
  std::int64_t propertyCaller;  // SAIPRNAM
  AreaSlots streamSlots;
  AreaSlots stoichiometrySlots;  // {0, 0}: loaded into module storage on every call
  std::int64_t workspaceSlots;
};

constexpr AreaSlots kStreamSlots{5, 6};
constexpr AreaSlots kStoichiometrySlots{7, 8};
constexpr AreaSlots kNoSlots{0, 0};
// SAIPRNAM values: stirred tanks and columns, plug flow and batch.
constexpr std::int64_t kMixedCaller = 76;
constexpr std::int64_t kTubularCaller = 77;

// The kinds in the order of `Reactor`.
constexpr std::array<ReactorKind, 4> kReactorKinds{{
    {"SPRKUSR", "SPRKUSR / FLSH_PFLASH", BlockType::Mixrx, kMixedCaller, kStreamSlots,
     kStoichiometrySlots, 8},
    {"SPRPUSR", "SPRPUSR / FLSH_PFLASH", BlockType::Tubrx, kTubularCaller, kStreamSlots,
     kStoichiometrySlots, 8},
    {"SPBOUSR", "SPBOUSR / FLSH_PFLASH", BlockType::Chargex, kTubularCaller, kStreamSlots,
     kStoichiometrySlots, 8},
    {"SPRADKUSER", "SPRADKUSER / FLSH_PFLASH", BlockType::Traycol, kMixedCaller, kStreamSlots,
     kNoSlots, 6},
}};

const ReactorKind& kindOf(Reactor reactor) {
  return kReactorKinds[static_cast<std::size_t>(reactor)];
}

// ---- the inputs of every member ----

// The phase compositions a member takes from the model (the others stay empty) and
// the model's phase split.
struct ModelPhases {
  Vector<const double> vapour{}, liquid{}, liquid1{}, liquid2{};
  double vapourFraction = 0, liquidSplit = 1;
};

// A member's record, as its body hands it over: the groups every member has, and the
// block areas of its reactor kind (the others null).
struct ReactorInputs {
  const ReactorCall& call;
  const ReactorState& state;
  Vector<const double> composition;
  ModelPhases phases{};
  const ReactionData& reaction;
  std::int64_t phaseCode;
  const ReactorProperties& properties;
  std::int64_t unitSet = 1;
  Vector<double> rates;
  const TankData* tank = nullptr;
  const TubeData* tube = nullptr;
  const ColumnIntegers* columnIntegers = nullptr;
  const ColumnProperties* columnProperties = nullptr;
};

// ---- module storage handed to the kinetics routine ----

// Kept between calls: the routine may pass values from one call to the next in its work
// arrays.  The scalars are set before every call.
struct RoutineStorage {
  double stream[kModuleWords];
  // The parameter sets, their counts and the block workspaces.
  ParameterStorage parameters;
  std::int64_t identifiers[identifiers::kWords];
  std::int64_t integerWork[kSmallWorkWords];
  double realWork[kSmallWorkWords];
  double work1[kModuleWords], work2[kModuleWords], work3[kModuleWords];
  double userValues[kModuleWords];
  double reactionWork1[kMaxReactions + 2];
  double reactionWork2[kMaxReactions];
  // The stoichiometry of a tray column, companion order, reloaded on every call.
  double stoichiometry[kMaxCompanionComponents * kMaxReactions];
  // Scalars.
  std::int64_t ones[3];
  std::int64_t optionSetCount, integerWorkCount, realWorkCount;
  std::int64_t components, reactions, modelComponents;
  std::int64_t hundreds[3];
  std::int64_t callCode, failure, flashed;
  std::int64_t userValueCount;
  std::int64_t reactionCounts[2];
  double workWords[2];
  double position;
};
RoutineStorage g_routine;

// Flash scratch: the companion positions and fractions of the components present.
struct FlashScratch {
  std::int64_t indices[kModuleWords];
  double present[kModuleWords];
  double liquid[kModuleWords], liquid1[kModuleWords], liquid2[kModuleWords], vapour[kModuleWords];
};
FlashScratch g_flash;

// Model-order phase compositions of the members that take them from the model.
struct PhaseScratch {
  double overall[kModuleWords];
  double vapour[kModuleWords];
  double liquid[kModuleWords];
  double liquid1[kModuleWords];
  double liquid2[kModuleWords];
};
PhaseScratch g_phases;

// ---- checks ----

void reportSizes(const ReactorKind& kind, Status status) {
  reportSizeLimits(
      kind.family,
      " %s-F-Error\\n           =====\\n One or more of the requested array sizes has\\n has "
      "exceeded preset limit.\\n Please make sure that:\\n       Number of reactions (NRXN) "
      "< %d \\n and the following array sizes are  all less then %d:\\n       * No. of "
      "components (NCP)\\n       * User variables (NUSRV)\\n       * Reaction paragraph Int "
      "Workspace (NZIPW)\\n       * Reaction paragraph Real Workspace (NZRPW)\\n       * SOUT "
      "array size (NCP+9).",
      status);
}

// The limits of the module arrays: reactions, components, parameter sets, counts.
bool withinLimits(const ReactorInputs& in, std::int64_t ncomp) {
  const auto upTo = [](std::int64_t value, std::int64_t limit) { return value <= limit; };
  return upTo(in.reaction.stoichiometry.columns(), kMaxReactions) &&
         upTo(in.reaction.stoichiometry.rows(), kModuleWords) &&
         upTo(in.composition.size(), kModuleWords) &&
         upTo(in.reaction.userValueCount, kModuleWords) &&
         upTo(in.reaction.integerWorkspaceCount, kModuleWords) &&
         upTo(in.reaction.realWorkspaceCount, kModuleWords) &&
         upTo(ncomp, kMaxCompanionComponents) &&
         upTo(in.reaction.integerParameters.size(), kModuleWords) &&
         upTo(in.reaction.reactionIntegerParameters.size(), kModuleWords) &&
         upTo(in.reaction.integerWorkCount, kSmallWorkWords) &&
         upTo(in.reaction.realWorkCount, kSmallWorkWords);
}

bool numbersUsable(const Member& m, const ReactorInputs& in, Status status) {
  InputCheck check;
  check.real("temperature", in.state.temperature);
  check.real("pressure", in.state.pressure);
  check.real("flow", in.reaction.flow);
  check.reals("composition", in.composition);
  check.reals("vapour", in.phases.vapour);
  check.reals("liquid", in.phases.liquid);
  check.reals("liquid1", in.phases.liquid1);
  check.reals("liquid2", in.phases.liquid2);
  check.real("vapourFraction", in.phases.vapourFraction);
  check.real("liquidSplit", in.phases.liquidSplit);
  check.matrix("stoichiometry", in.reaction.stoichiometry);
  check.parameterSets(in.reaction.integerParameters, in.reaction.realParameters,
                      in.reaction.reactionIntegerParameters, in.reaction.reactionRealParameters);
  check.group(in.properties);
  switch (m.reactor) {
    case Reactor::StirredTank:
      check.group(*in.tank);
      break;
    case Reactor::PlugFlow:
      check.integral("tubeCount", in.tube->tubeCount);
      check.real("tubeLength", in.tube->tubeLength);
      check.nonZero("propertyDivisor", in.tube->propertyDivisor);
      check.real("position", in.tube->position);
      check.real("tubeDiameter", in.tube->tubeDiameter);
      check.real("excludedFraction", in.tube->excludedFraction);
      check.real("volumeFactor", in.tube->volumeFactor);
      check.real("referenceTemperature", in.tube->referenceTemperature);
      break;
    case Reactor::Batch:
      break;
    case Reactor::TrayColumn:
      check.group(*in.columnProperties);
      break;
  }
  return check.passed(m.name, status);
}

// Counts that agree with one another and with the model's component set.
bool sizesAgree(const Member& m, const ReactorInputs& in, const ModelComponents& model,
                std::int64_t ncomp, Status status) {
  const std::int64_t nc = in.composition.size();
  bool agree = nc >= 1 && nc <= model.count && nc <= ncomp &&
               (in.reaction.stoichiometry.columns() == 0 || in.reaction.stoichiometry.rows() >= nc);
  for (const Vector<const double>* phase :
       {&in.phases.vapour, &in.phases.liquid, &in.phases.liquid1, &in.phases.liquid2}) {
    if (phase->data() && phase->size() < nc) agree = false;
  }
  if (!agree)
    reportInconsistentSizes(m.name, nc, in.reaction.stoichiometry.rows(), model.count, status);
  return agree;
}

// ---- conversions of each reactor kind ----

bool englishUnits(const ReactorInputs& in) {
  return in.unitSet == 2;
}

// kmol/h, whatever the unit set: lbmol/h are divided by the pounds per kilogram.
double molarFlow(const ReactorInputs& in) {
  return englishUnits(in) ? in.reaction.flow / units::kPoundsPerKilogramSingle : in.reaction.flow;
}

double metres(const ReactorInputs& in, double length) {
  return englishUnits(in) ? length * units::kMetresPerFootSingle : length;
}

// The host's unit set of the temperature and pressure: 2, or the model's own for any other
// value (a tray column always the model's own).
std::int64_t temperatureUnitSet(const Member& m, const ReactorInputs& in) {
  return m.reactor != Reactor::TrayColumn && englishUnits(in) ? in.unitSet : host::kModelUnits;
}

// The common areas the routine reads: the reactor's own and the reaction properties.
void fillReactorAreas(const Member& m, const ReactorInputs& in, double t, double p) {
  double divisor = 1.0;
  switch (m.reactor) {
    case Reactor::StirredTank:
      RXN_MIXRXR[0] = englishUnits(in) ? in.tank->volume * units::kCubicMetresPerCubicFootSingle
                                       : in.tank->volume;
      RXN_MIXRXR[1] = in.tank->tankWord2;
      MXRX_MIXRXI[0] = 1;
      break;
    case Reactor::PlugFlow: {
      const auto tubes = static_cast<std::int64_t>(in.tube->tubeCount);
      const double length = metres(in, in.tube->tubeLength);
      const double diameter = metres(in, in.tube->tubeDiameter);
      TBRX_TUBRXI[0] = in.tube->reactorInteger;
      TBRX_TUBRXI[1] = tubes;
      TBRX_TUBRXR[0] = length;
      TBRX_TUBRXR[1] = diameter;
      TBRX_TUBRXR[2] = in.tube->position;
      TBRX_TUBRXR[3] = in.tube->referenceTemperature + units::kKelvinAtZeroCelsiusSingle;
      TBRX_TUBRXR[4] = static_cast<double>(tubes) * units::kQuarterPiSingle * length * diameter *
                       diameter * in.tube->volumeFactor * (1.0 - in.tube->excludedFraction);
      TBRX_TUBRXR[5] = in.tube->volumeFactor;
      TBRX_TUBRXR[6] = in.tube->excludedFraction;
      divisor = in.tube->propertyDivisor;
      break;
    }
    case Reactor::Batch:
      break;
    case Reactor::TrayColumn:
      RXN_DISTI[0] = in.columnIntegers->columnInteger1;
      RXN_DISTI[1] = in.columnIntegers->columnInteger2;
      RXN_DISTR[0] = in.columnProperties->columnProperty1;
      RXN_DISTR[1] = in.columnProperties->columnProperty2;
      RXN_DISTR[2] = in.columnProperties->columnProperty3;
      RXN_DISTR[3] = in.columnProperties->columnProperty4;
      break;
  }
  RXN_RPROPS[0] = t;
  RXN_RPROPS[1] = p;
  RXN_RPROPS[2] = in.properties.reactorProperty3;
  RXN_RPROPS[3] = in.properties.reactorProperty4;
  RXN_RPROPS[4] = in.properties.reactorProperty5 / divisor;
  RXN_RPROPS[5] = in.properties.reactorProperty6 / divisor;
  RXN_RPROPS[6] = RXN_RPROPS[5];
}

// ---- the phase split ----

struct FlashCodes {
  std::int64_t phase = 0;
  std::int64_t sub = 0;
};

FlashCodes flashCodes(const Member& m, const ReactorInputs& in) {
  if (m.reactor == Reactor::StirredTank || m.reactor == Reactor::TrayColumn) {
    if (in.phaseCode == 1) {
      const bool first = in.properties.reactorProperty3 > kPhaseThresholdSingle ||
                         in.properties.phaseTest < kPhaseThresholdSingle;
      return {1, first ? 1 : 2};
    }
    return in.phaseCode == 2 ? FlashCodes{2, 0} : FlashCodes{3, 0};
  }
  if (in.phaseCode != 1) return {in.phaseCode, 0};
  if (in.properties.reactorProperty3 >= kPhaseThresholdSingle) return {1, 1};
  return {1, in.properties.phaseTest >= kPhaseThresholdSingle ? 2 : 1};
}

// A flash of the companion-order composition z at t (K) and p (Pa); the four phase
// compositions in companion order into SHS_STWORK.  False on failure (status 4).
bool flashPhases(const Member& m, const ReactorInputs& in, const ModelComponents& model,
                 Workspace work, const double* z, std::int64_t ncomp, double t, double p,
                 Status status) {
  const ReactorKind& kind = kindOf(m.reactor);
  FlashScratch& f = g_flash;
  ServiceStatus service;
  host::propertyRoute(&model.streamClass, work, Status{service.address()});
  if (service.failed(status)) return false;
  const std::int64_t present =
      host::packPresent(ncomp, z, kModuleWords, f.indices, f.present, Status{service.address()});
  if (service.failed(status)) return false;
  const FlashCodes codes = flashCodes(m, in);
  const double tolerance = std::pow(10.0, -static_cast<double>(model.toleranceExponent));
  host::FlashState state{t, p, 0.0, 0.0, 0.0};
  const std::int64_t returnCode = host::flash(
      {host::FlashKind::TemperaturePressure, codes.phase, codes.sub, tolerance, model.optionSet},
      {f.present, f.indices, present}, state, {f.liquid, f.liquid1, f.liquid2, f.vapour});
  host::checkFlash(returnCode, kind.flashContext.data(), kind.flashContext.size(),
                   Status{service.address()});
  if (service.failed(status)) return false;
  const std::pair<const double*, std::int64_t> phases[] = {{f.vapour, stwork::kVapour},
                                                           {f.liquid, stwork::kLiquid},
                                                           {f.liquid1, stwork::kLiquid1},
                                                           {f.liquid2, stwork::kLiquid2}};
  for (const auto& phase : phases) {
    host::unpackPresent(present, f.indices, phase.first, ncomp, stworkVector(phase.second),
                        Status{service.address()});
    if (service.failed(status)) return false;
  }
  return true;
}

// The absolute values of a composition, renormalised: a composition summing to 1 is
// kept, one summing to nothing becomes uniform over the given positions.
void normalise(double* x, std::int64_t n, const std::int64_t* positions, std::int64_t count) {
  double sum = 0.0;
  for (std::int64_t k = 0; k < n; ++k) {
    x[k] = std::fabs(x[k]);
    sum += x[k];
  }
  if (sum > 0.0) {
    if (sum != 1.0) {
      for (std::int64_t k = 0; k < n; ++k) x[k] /= sum;
    }
    return;
  }
  for (std::int64_t i = 0; i < count; ++i) {
    if (positions[i] >= 1 && positions[i] <= n)
      x[positions[i] - 1] = 1.0 / static_cast<double>(count);
  }
}

double absoluteSum(const double* x, std::int64_t n) {
  double sum = 0.0;
  for (std::int64_t k = 0; k < n; ++k) sum += std::fabs(x[k]);
  return sum;
}

// One phase composition of the model (model order, nc entries) into `out`; a phase
// the model gives as nothing gets the overall composition, as a flash gives an absent
// phase the feed's.
void phaseComposition(const Member& m, Vector<const double> given, const double* overall,
                      std::int64_t nc, double* out) {
  if (!given.data() || absoluteSum(given.data(), nc) <= 0.0) {
    std::copy(overall, overall + nc, out);
    return;
  }
  std::copy(given.data(), given.data() + nc, out);
  if (m.reactor != Reactor::StirredTank) normalise(out, nc, nullptr, 0);
}

struct PhaseProperties {
  double volume = 0, enthalpy = 0;
};

// The phase compositions the model gives (the overall one standing in for those it does
// not give), in model order into the scratch and in companion order into SHS_STWORK.
void modelCompositions(const Member& m, const ReactorInputs& in, const ModelComponents& model,
                       std::int64_t nc) {
  PhaseScratch& s = g_phases;
  // The overall composition as the model gives it (the plug-flow kinds' renormalised).
  std::copy(in.composition.data(), in.composition.data() + nc, s.overall);
  if (m.reactor != Reactor::StirredTank) normalise(s.overall, nc, nullptr, 0);
  if (absoluteSum(s.overall, nc) <= 0.0) {
    std::fill(s.overall, s.overall + nc, 1.0 / static_cast<double>(nc));
  }
  phaseComposition(m, in.phases.vapour, s.overall, nc, s.vapour);
  switch (m.phases) {
    case Phases::Overall:
      std::copy(s.overall, s.overall + nc, s.liquid1);
      std::copy(s.overall, s.overall + nc, s.liquid2);
      std::copy(s.overall, s.overall + nc, s.liquid);
      break;
    case Phases::VapourLiquid:
      phaseComposition(m, in.phases.liquid, s.overall, nc, s.liquid);
      std::copy(s.liquid, s.liquid + nc, s.liquid1);
      std::copy(s.liquid, s.liquid + nc, s.liquid2);
      break;
    case Phases::VapourTwoLiquids:
    case Phases::Flash:
      phaseComposition(m, in.phases.liquid1, s.overall, nc, s.liquid1);
      phaseComposition(m, in.phases.liquid2, s.overall, nc, s.liquid2);
      for (std::int64_t k = 0; k < nc; ++k) {
        s.liquid[k] =
            in.phases.liquidSplit * s.liquid1[k] + (1.0 - in.phases.liquidSplit) * s.liquid2[k];
      }
      break;
  }
  const std::pair<const double*, std::int64_t> phases[] = {{s.vapour, stwork::kVapour},
                                                           {s.liquid, stwork::kLiquid},
                                                           {s.liquid1, stwork::kLiquid1},
                                                           {s.liquid2, stwork::kLiquid2}};
  for (const auto& phase : phases) {
    host::toCompanionOrder(nc, model.mapping, phase.first, stworkVector(phase.second));
  }
}

// The phase data the routine reads beside the compositions.
void putPhaseData(const ModelPhases& phases, double totalFlow, const PhaseProperties& vapour,
                  const PhaseProperties& liquid1, const PhaseProperties& liquid2,
                  double molecularWeight) {
  namespace w = stwork;
  double* data = stworkVector(w::kPhaseData);
  const auto put = [data](std::int64_t word, double value) { data[word - 1] = value; };
  put(w::kVapourFractionWord, phases.vapourFraction);
  put(w::kLiquidFractionWord, 1.0 - phases.vapourFraction);
  put(w::kLiquidSplitWord, phases.liquidSplit);
  put(w::kVapourFlowWord, phases.vapourFraction * totalFlow);
  put(w::kLiquidFlowWord, (1.0 - phases.vapourFraction) * totalFlow);
  put(w::kVapourVolumeWord, vapour.volume);
  put(w::kLiquid1VolumeWord, liquid1.volume);
  put(w::kLiquid2VolumeWord, liquid2.volume);
  put(w::kVapourEnthalpyWord, vapour.enthalpy);
  put(w::kLiquid1EnthalpyWord, liquid1.enthalpy);
  put(w::kLiquid2EnthalpyWord, liquid2.enthalpy);
  put(w::kMolecularWeightWord, molecularWeight);
}

// The phases the model gives: compositions in companion order into SHS_STWORK, their
// volumes and enthalpies from the property monitors, and the phase data.
bool modelPhases(const Member& m, const ReactorInputs& in, const ModelComponents& model,
                 std::int64_t nc, double t, double p, double totalFlow, Status status) {
  modelCompositions(m, in, model, nc);
  PhaseScratch& s = g_phases;
  PhaseProperties vapour, liquid1, liquid2;
  // The monitors leave their status alone on success; 3 or 4 means no properties.
  ServiceStatus service;
  const auto failing = [&service] { return host::monitorFailed(service.value()); };
  const auto monitor = [&](const double* x, bool isVapour, PhaseProperties& out) {
    const host::MonitorPoint at{t, p, {x, model.index, nc}, model.optionSet};
    host::ThermalProperties props{out.volume, 0.0, 0.0, out.enthalpy};
    const auto depth = host::ThermalDepth::VolumeSlopeAndHeat;
    if (isVapour) {
      host::vapourThermal(at, host::VapourRoot::Alone, depth, props, Status{service.address()});
    } else {
      host::liquidThermal(at, depth, props, Status{service.address()});
    }
    out.volume = props.volume;
    out.enthalpy = props.enthalpy;
  };
  monitor(s.vapour, true, vapour);
  if (!failing()) monitor(s.liquid1, false, liquid1);
  liquid2 = liquid1;
  if (m.phases == Phases::VapourTwoLiquids && !failing()) monitor(s.liquid2, false, liquid2);
  if (failing()) {
    const auto name = shortName(m.name);
    report(status, kError,
           " %s-F-Phase properties cannot be evaluated for current condition.\\n          "
           "Immediate exit taken.",
           name);
    return false;
  }
  const double molecularWeight = host::averageMolecularWeight({s.overall, model.index, nc});
  putPhaseData(in.phases, totalFlow, vapour, liquid1, liquid2, molecularWeight);
  return true;
}

// ---- the evaluation ----

// The stream vector: component flows (kmol/s) at their companion positions, the total
// flow (the plug-flow kinds': the sum of the component flows), T and P, and the no-value
// for what is not known.  Returns the sum of the component flows.
double fillStream(const ReactorInputs& in, const ModelComponents& model, const double* x,
                  std::int64_t nc, std::int64_t ncomp, bool absolute, double t, double p,
                  double* sout) {
  const double flow = molarFlow(in) / units::kSecondsPerHour;
  std::fill(sout, sout + ncomp + kStreamExtraWords, 0.0);
  double total = 0.0;
  for (std::int64_t i = 0; i < nc; ++i) {
    const std::int64_t at = model.index[i];
    if (at < 1 || at > ncomp) continue;
    const double componentFlow = absolute ? std::fabs(x[at - 1] * flow) : x[at - 1] * flow;
    sout[at - 1] = componentFlow;
    total += componentFlow;
  }
  sout[ncomp + stream::kTotalFlow - 1] = absolute ? total : flow;
  sout[ncomp + stream::kTemperature - 1] = t;
  sout[ncomp + stream::kPressure - 1] = p;
  for (std::int64_t k = stream::kEnthalpy; k <= kStreamExtraWords; ++k) {
    sout[ncomp + k - 1] = unknownStreamValue();
  }
  return total;
}

// The scalars of the routine's argument list.
void setRoutineScalars(const Member& m, const ReactorInputs& in, std::int64_t nc,
                       std::int64_t nrxn) {
  RoutineStorage& r = g_routine;
  std::fill(std::begin(r.ones), std::end(r.ones), 1);
  std::fill(std::begin(r.hundreds), std::end(r.hundreds), kModuleWords);
  r.parameters.integerCount = in.reaction.integerParameters.size();
  r.parameters.realCount = in.reaction.realParameters.size();
  r.parameters.reactionIntegerCount = in.reaction.reactionIntegerParameters.size();
  r.parameters.reactionRealCount = in.reaction.reactionRealParameters.size();
  r.optionSetCount = 1;
  r.integerWorkCount = in.reaction.integerWorkCount;
  r.realWorkCount = in.reaction.realWorkCount;
  r.components = nc;
  r.modelComponents = nc;
  r.reactions = nrxn;
  r.reactionCounts[0] = r.reactionCounts[1] = nrxn;
  r.callCode = 1;
  r.userValueCount = in.reaction.userValueCount;
  r.parameters.integerWorkspaceCount = in.reaction.integerWorkspaceCount;
  r.parameters.realWorkspaceCount = in.reaction.realWorkspaceCount;
  r.position = m.reactor == Reactor::PlugFlow ? in.tube->position : 0.0;
}

// The routine's argument list: module storage, the host's areas and the model's arrays.
ReactorList routineList(const Member& m, const ReactorInputs& in, const ModelComponents& model,
                        std::int64_t nc, std::int64_t nrxn, double* nu) {
  namespace a = reactor;
  setRoutineScalars(m, in, nc, nrxn);
  ReactorList list;
  RoutineStorage& r = g_routine;
  list.set(a::kStream, r.stream);
  list.set(2, &r.ones[0]);
  list.set(3, &r.ones[1]);
  list.set(4, &r.ones[2]);
  r.parameters.placeIn(list, a::kIntegerCount, in.reaction.realParameters.data(),
                       a::kReactionIntegerCount, in.reaction.reactionRealParameters.data());
  list.set(a::kIdentifiers, r.identifiers);
  list.setCounted(a::kOptionSetCount, &r.optionSetCount, model.optionSet);
  list.setCounted(a::kIntegerWorkCount, &r.integerWorkCount, r.integerWork);
  list.setCounted(a::kRealWorkCount, &r.realWorkCount, r.realWork);
  list.set(a::kComponents, &r.components);
  list.set(a::kReactions, &r.reactions);
  list.set(a::kStoichiometry, nrxn > 0 ? nu : nullptr);
  list.set(a::kRates, stworkVector(stwork::kRates));
  list.set(a::kWorkWord1, &r.workWords[0]);
  list.set(a::kWorkWord2, &r.workWords[1]);
  list.set(a::kPosition, &r.position);
  list.setCounted(a::kWork1Count, &r.hundreds[0], r.work1);
  list.setCounted(a::kWork2Count, &r.hundreds[1], r.work2);
  list.set(a::kCallCode, &r.callCode);
  list.set(a::kFailure, &r.failure);
  list.set(a::kFlashed, &r.flashed);
  list.setCounted(a::kModelComponents, &r.modelComponents, model.index);
  list.set(a::kVapour, stworkVector(stwork::kVapour));
  list.set(a::kLiquid, stworkVector(stwork::kLiquid));
  list.set(a::kLiquid1, stworkVector(stwork::kLiquid1));
  list.set(a::kLiquid2, stworkVector(stwork::kLiquid2));
  list.setCounted(a::kWork3Count, &r.hundreds[2], r.work3);
  list.setCounted(a::kUserValueCount, &r.userValueCount, r.userValues);
  list.setCounted(a::kReactionWork1Count, &r.reactionCounts[0], r.reactionWork1);
  list.setCounted(a::kReactionWork2Count, &r.reactionCounts[1], r.reactionWork2);
  return list;
}

void cleanUp(const Member& m, Workspace work, Status status) {
  const ReactorKind& kind = kindOf(m.reactor);
  if (work.has(kind.streamSlots.handle)) releaseArea(work, kind.streamSlots);
  if (kind.stoichiometrySlots.handle != 0 && work.has(kind.stoichiometrySlots.handle)) {
    releaseArea(work, kind.stoichiometrySlots);
  }
  SAIGCLEAR(status.address());
}

// What the phase split starts from: the composition (companion order), the stream
// vector, the counts and the state in SI units.
struct FeedState {
  const double* x;
  const double* sout;
  std::int64_t nc, ncomp;
  double t, p, total;
};

// The phases into SHS_STWORK: a flash (the plug-flow and batch kinds only for a flow),
// or the model's.  False on failure (status 4).
bool placePhases(const Member& m, const ReactorInputs& in, const ModelComponents& model,
                 Workspace work, const FeedState& f, Status status) {
  const bool absolute = m.reactor == Reactor::PlugFlow || m.reactor == Reactor::Batch;
  RoutineStorage& r = g_routine;
  r.flashed = 1;
  if (m.phases != Phases::Flash) {
    return modelPhases(m, in, model, f.nc, f.t, f.p, f.sout[f.ncomp + stream::kTotalFlow - 1],
                       status);
  }
  if (!absolute || f.total > 0.0)
    return flashPhases(m, in, model, work, f.x, f.ncomp, f.t, f.p, status);
  r.flashed = 0;
  for (std::int64_t v : {stwork::kVapour, stwork::kLiquid, stwork::kLiquid1, stwork::kLiquid2}) {
    std::fill(stworkVector(v), stworkVector(v) + f.ncomp, 0.0);
  }
  return true;
}

// The stoichiometry in companion order: loaded once per call site (until the clean-up
// call); a tray column's on every call.
double* companionStoichiometry(const ReactorKind& kind, const ReactorInputs& in,
                               const ModelComponents& model, Workspace work,
                               const KeptArea& stoichiometry, std::int64_t ncomp) {
  const std::int64_t nc = in.composition.size();
  const std::int64_t nrxn = in.reaction.stoichiometry.columns();
  double* nu = stoichiometry.data;
  if (kind.stoichiometrySlots.handle == 0) {
    nu = g_routine.stoichiometry;
    std::fill(nu, nu + ncomp * nrxn, 0.0);
  }
  if (nrxn > 0 && (kind.stoichiometrySlots.handle == 0 || !stoichiometry.marked)) {
    placeStoichiometry(in.reaction.stoichiometry, nc, nrxn, model, ncomp, nu);
    if (kind.stoichiometrySlots.handle != 0) work[kind.stoichiometrySlots.marker] = kAreaMarker;
  }
  return nu;
}

void evaluate(const Member& m, const ReactorInputs& in, Status status, HostContext context,
              Workspace work) {
  const ReactorKind& kind = kindOf(m.reactor);
  const std::int64_t ncomp = DMS_NCOMP[0];
  if (!withinLimits(in, ncomp)) return reportSizes(kind, status);
  if (!workspaceHolds(work, kind.workspaceSlots, m.name, status)) return;
  if (!numbersUsable(m, in, status)) return;

  SAIPRNAM = kind.propertyCaller;
  ModelComponents model;
  if (!loadModelComponents(context, status, model)) return;
  if (!sizesAgree(m, in, model, ncomp, status)) return;
  const std::int64_t nc = in.composition.size();
  const std::int64_t nrxn = in.reaction.stoichiometry.columns();

  // The stream vector's area and the stoichiometry's, kept for the call site.
  const KeptArea streamArea =
      keepArea(work, kind.streamSlots, ncomp + kStreamExtraWords, 1, kAreaMarker, m.name, status);
  if (!streamArea.ok()) return;
  KeptArea stoichiometry;
  if (nrxn > 0 && kind.stoichiometrySlots.handle != 0) {
    stoichiometry = keepArea(work, kind.stoichiometrySlots, ncomp, nrxn, 0.0, m.name, status);
    if (!stoichiometry.ok()) return;
  }

  const std::int64_t unitSet = temperatureUnitSet(m, in);
  const double t = host::toSi(host::Quantity::Temperature, in.state.temperature, unitSet);
  const double p = host::toSi(host::Quantity::Pressure, in.state.pressure, unitSet);
  fillReactorAreas(m, in, t, p);

  // The composition in companion order; the plug-flow kinds take it renormalised.
  double* x = stworkVector(stwork::kComposition);
  host::toCompanionOrder(nc, model.mapping, in.composition.data(), x);
  const bool absolute = m.reactor == Reactor::PlugFlow || m.reactor == Reactor::Batch;
  if (absolute) normalise(x, ncomp, model.index, nc);

  double* sout = streamArea.data;
  const double total = fillStream(in, model, x, nc, ncomp, absolute, t, p, sout);

  if (!placePhases(m, in, model, work, {x, sout, nc, ncomp, t, p, total}, status)) return;

  RoutineStorage& r = g_routine;
  truncateInto(in.reaction.integerParameters, r.parameters.integers);
  truncateInto(in.reaction.reactionIntegerParameters, r.parameters.reactionIntegers);
  std::copy(sout, sout + ncomp + kStreamExtraWords, r.stream);

  double* nu = companionStoichiometry(kind, in, model, work, stoichiometry, ncomp);
  prepareRunFiles();

  ReactorList list = routineList(m, in, model, nc, nrxn, nu);
  if (!SAIURK(in.call.blockId, in.call.reactionId, list, status, packedBlockType(kind.blockType)))
    return;

  // The rates SAIURK gathered are in model order already: kmol/s to kmol/h.
  const double* rates = stworkVector(stwork::kRates);
  const std::int64_t n = std::min(in.rates.size(), nc);
  for (std::int64_t i = 1; i <= n; ++i) in.rates(i) = rates[i - 1] * units::kSecondsPerHour;
}

// Where a phase group's phases come from, and the model's phases it gives.
struct PhaseSource {
  Phases phases;
  ModelPhases model;
};
PhaseSource phaseSource(const FlashedPhases&) {
  return {Phases::Flash, {}};
}
PhaseSource phaseSource(const OverallPhase& g) {
  return {Phases::Overall,
          {.vapourFraction = g.split.vapourFraction, .liquidSplit = g.split.liquidSplit}};
}
PhaseSource phaseSource(const VapourLiquidPhases& g) {
  return {Phases::VapourLiquid,
          {.vapour = g.vapour,
           .liquid = g.liquid,
           .vapourFraction = g.split.vapourFraction,
           .liquidSplit = g.split.liquidSplit}};
}
PhaseSource phaseSource(const VapourTwoLiquidPhases& g) {
  return {Phases::VapourTwoLiquids,
          {.vapour = g.vapour,
           .liquid1 = g.liquid1,
           .liquid2 = g.liquid2,
           .vapourFraction = g.split.vapourFraction,
           .liquidSplit = g.split.liquidSplit}};
}

std::int64_t phaseCodeOf(const PhaseOption& choice) {
  return choice.phaseOption;
}
std::int64_t phaseCodeOf(const PhaseCode& choice) {
  return choice.phaseCode;
}

// The group if it is of type T, else null.
template <class T, class G>
const T* ifOfType(const G& group) {
  if constexpr (std::is_same_v<T, G>) {
    return &group;
  } else {
    return nullptr;
  }
}

Reactor reactorOf(const ReactorInputs& in) {
  if (in.tank) return Reactor::StirredTank;
  if (in.tube) return Reactor::PlugFlow;
  if (in.columnIntegers) return Reactor::TrayColumn;
  return Reactor::Batch;
}

// A member's record handed to the evaluation: its reactor kind follows from its area,
// and its phase source from its phase group.
template <class Area, class PhaseGroup, class Choice, class Closing>
void rates(std::string_view name, const ReactorArguments<Area, PhaseGroup, Choice, Closing>& a,
           CallMode mode, Status status, HostContext context, Workspace work) {
  const PhaseSource source = phaseSource(a.phases);
  const UnitSet* unitSet = ifOfType<UnitSet>(a.closing);
  const ReactorInputs in{.call = a.call,
                         .state = a.state,
                         .composition = a.phases.composition,
                         .phases = source.model,
                         .reaction = a.reaction,
                         .phaseCode = phaseCodeOf(a.choice),
                         .properties = a.properties,
                         .unitSet = unitSet ? unitSet->unitSet : 1,
                         .rates = a.rates,
                         .tank = ifOfType<TankData>(a.area),
                         .tube = ifOfType<TubeData>(a.area),
                         .columnIntegers = ifOfType<ColumnIntegers>(a.area),
                         .columnProperties = ifOfType<ColumnProperties>(a.closing)};
  const Member m{name, reactorOf(in), source.phases};
  if (mode.isCleanUp()) return cleanUp(m, work, status);
  evaluate(m, in, status, context, work);
}

}  // namespace

// The bodies of the members with the host's call-type address.
#define XV55_REACTOR_BODY(name, Arguments)                                             \
  void name(const Arguments& a, HostCallType call, Status status, HostContext context, \
            Workspace work) {                                                          \
    rates(#name, a, call.mode(), status, context, work);                               \
  }
XV55_REACTOR_BODY(SPRKUSR, StirredTankArguments)
XV55_REACTOR_BODY(SPRKUSR1, StirredTankOnePhaseArguments)
XV55_REACTOR_BODY(SPRKUSR2, StirredTankTwoPhaseArguments)
XV55_REACTOR_BODY(SPRKUSR3, StirredTankThreePhaseArguments)
XV55_REACTOR_BODY(SPRPUSR, PlugFlowArguments)
XV55_REACTOR_BODY(SPRPUSR1, PlugFlowOnePhaseArguments)
XV55_REACTOR_BODY(SPRPUSR2, PlugFlowTwoPhaseArguments)
XV55_REACTOR_BODY(SPRPUSR3, PlugFlowThreePhaseArguments)
XV55_REACTOR_BODY(SPBOUSR, BatchArguments)
#undef XV55_REACTOR_BODY

void SPRADKUSER(const TrayColumnArguments& a, Status status, HostContext context, Workspace work,
                CallMode mode) {
  rates("SPRADKUSER", a, mode, status, context, work);
}

}  // namespace xv55::kinetics
