// Reaction rates of a column stage from the kinetics routine of a reaction paragraph
// (SAIURD): one liquid or two.
//
// The two procedures are one evaluation; the member with two liquids adds the second
// liquid's amounts, flow and holdup, and its overall liquid is the sum of the two.
#include <algorithm>
#include <array>

#include "host/services.hpp"
#include "kinetics/kinetics.hpp"
#include "kinetics/support.hpp"
#include "kinetics/user_routines.hpp"
#include "print/report.hpp"
#include "xv55/host/companion.h"
#include "xv55/host/property_system.h"
#include "xv55/xv55.h"

namespace xv55::kinetics {
namespace {

// SAIPRNAM while a stage's property state is set up.
constexpr std::int64_t kStageCaller = 76;

// One liquid of the stage: its component amounts, flow and holdup.
struct StageLiquid {
  Vector<const double> amounts;
  double flow = 0, holdup = 0;
};

// A member's record, as its body hands it over; the one-liquid member's liquid is
// liquid 1.
struct StageInputs {
  const StageHead& head;
  std::int64_t liquidPhases;
  StageLiquid liquid1{}, liquid2{};
  Vector<const double> vapourAmounts;
  Matrix<const double> stoichiometry;
  double vapourFlow, vapourHoldup;
  const StageData& data;
  Vector<double> rates;
};

// ---- module storage handed to the routine ----

struct StageStorage {
  double stoichiometry[kModuleWords * kMaxReactions];
  double rates[kModuleWords];
  double fractions[kModuleWords];  // model order, one phase at a time
  double liquidAmounts[kModuleWords];
  ParameterStorage parameters;
  std::int64_t companionComponents, modelComponents, reactions;
  double temperature, pressure, flow, liquidFlow, vapourFlow, liquidHoldup, vapourHoldup;
  double liquid1Flow, liquid2Flow, liquid1Holdup, liquid2Holdup;
  std::int64_t stage, reactionPhase, liquidPhases;
};
StageStorage g_stage;

void reportSizes(std::string_view procedure, Status status) {
  reportSizeLimits(
      procedure,
      " %s-F-Error\\n            =====\\n One or more of the requested array sizes has\\n has "
      "exceeded preset limit.\\n Please make sure that:\\n       Number of reactions (NR) < %d "
      "\\n and the following array sizes are  all less then %d:\\n       * No. of components "
      "(NC)\\n       * Block Int Workspace (NZIBW)\\n       * Block Real Workspace (NZRBW)",
      status);
}

bool withinLimits(const StageInputs& in, std::int64_t ncomp) {
  return in.head.reactionCount <= kMaxReactions && in.head.componentCount <= kModuleWords &&
         in.data.integerBlockWorkspaceCount <= kModuleWords &&
         in.data.realBlockWorkspaceCount <= kModuleWords && ncomp <= kModuleWords &&
         in.data.integerParameters.size() <= kModuleWords &&
         in.data.reactionIntegerParameters.size() <= kModuleWords;
}

bool numbersUsable(std::string_view name, const StageInputs& in, Status status) {
  InputCheck check;
  check.real("temperature", in.head.temperature);
  check.real("pressure", in.head.pressure);
  check.real("flow", in.head.flow);
  check.reals("liquidAmounts", in.liquid1.amounts);
  check.reals("liquid2Amounts", in.liquid2.amounts);
  check.reals("vapourAmounts", in.vapourAmounts);
  check.matrix("stoichiometry", in.stoichiometry);
  check.real("liquidFlow", in.liquid1.flow);
  check.real("liquid2Flow", in.liquid2.flow);
  check.real("vapourFlow", in.vapourFlow);
  check.real("liquidHoldup", in.liquid1.holdup);
  check.real("liquid2Holdup", in.liquid2.holdup);
  check.real("vapourHoldup", in.vapourHoldup);
  check.parameterSets(in.data.integerParameters, in.data.realParameters,
                      in.data.reactionIntegerParameters, in.data.reactionRealParameters);
  return check.passed(name, status);
}

// The counts against the arrays that go with them and the model's component set.
bool sizesAgree(std::string_view name, const StageInputs& in, const ModelComponents& model,
                std::int64_t ncomp, Status status) {
  const std::int64_t nc = in.head.componentCount;
  bool agree = nc >= 1 && nc <= model.count && nc <= ncomp && in.head.reactionCount >= 0 &&
               in.vapourAmounts.size() >= nc && in.liquid1.amounts.size() >= nc &&
               (in.liquidPhases == 1 || in.liquid2.amounts.size() >= nc) &&
               in.stoichiometry.columns() >= in.head.reactionCount &&
               (in.head.reactionCount == 0 || in.stoichiometry.rows() >= nc);
  if (!agree) reportInconsistentSizes(name, nc, in.stoichiometry.rows(), model.count, status);
  return agree;
}

// Mole fractions of a phase from its component amounts, mapped to companion order into
// SHS_STWORK vector `vector`.
bool phaseFractions(const double* amounts, std::int64_t nc, const ModelComponents& model,
                    std::int64_t vector, Status status) {
  StageStorage& s = g_stage;
  ServiceStatus service;
  host::fractionsOfFlows(nc, amounts, s.fractions, Status{service.address()});
  if (service.failed(status)) return false;
  host::toCompanionOrder(nc, model.mapping, s.fractions, stworkVector(vector));
  return true;
}

// The phases in companion order into SHS_STWORK: the overall liquid, its two liquids,
// the vapour.  False on failure (status 4).
bool placePhases(const StageInputs& in, const ModelComponents& model, std::int64_t nc,
                 std::int64_t ncomp, Status status) {
  StageStorage& s = g_stage;
  const double* liquid = in.liquid1.amounts.data();
  if (in.liquidPhases == 2) {
    for (std::int64_t i = 1; i <= nc; ++i) {
      s.liquidAmounts[i - 1] = in.liquid1.amounts(i) + in.liquid2.amounts(i);
    }
    liquid = s.liquidAmounts;
  }
  if (!phaseFractions(liquid, nc, model, stwork::kLiquid, status)) return false;
  if (!phaseFractions(in.vapourAmounts.data(), nc, model, stwork::kVapour, status)) return false;
  if (in.liquidPhases == 2) {
    if (!phaseFractions(in.liquid1.amounts.data(), nc, model, stwork::kLiquid1, status))
      return false;
    if (!phaseFractions(in.liquid2.amounts.data(), nc, model, stwork::kLiquid2, status))
      return false;
  } else {
    std::copy_n(stworkVector(stwork::kLiquid), ncomp, stworkVector(stwork::kLiquid1));
    std::copy_n(stworkVector(stwork::kLiquid), ncomp, stworkVector(stwork::kLiquid2));
  }
  return true;
}

// The scalars the routine receives, in the companion simulator's units.
void fillScalars(const StageInputs& in, std::int64_t ncomp, std::int64_t nc, std::int64_t nr,
                 double t, double p) {
  StageStorage& s = g_stage;
  s.companionComponents = ncomp;
  s.modelComponents = nc;
  s.reactions = nr;
  s.temperature = t;
  s.pressure = p;
  s.flow = in.head.flow / units::kSecondsPerHour;
  s.liquid1Flow = in.liquid1.flow / units::kSecondsPerHour;
  s.liquid2Flow = in.liquid2.flow / units::kSecondsPerHour;
  s.liquidFlow = s.liquid1Flow + s.liquid2Flow;
  s.vapourFlow = in.vapourFlow / units::kSecondsPerHour;
  s.liquid1Holdup = in.liquid1.holdup;
  s.liquid2Holdup = in.liquid2.holdup;
  s.liquidHoldup = in.liquid1.holdup + in.liquid2.holdup;
  s.vapourHoldup = in.vapourHoldup;
  s.parameters.integerCount = in.data.integerParameters.size();
  s.parameters.realCount = in.data.realParameters.size();
  s.parameters.reactionIntegerCount = in.data.reactionIntegerParameters.size();
  s.parameters.reactionRealCount = in.data.reactionRealParameters.size();
  s.parameters.integerWorkspaceCount = in.data.integerBlockWorkspaceCount;
  s.parameters.realWorkspaceCount = in.data.realBlockWorkspaceCount;
  s.stage = in.data.stage;
  s.reactionPhase = in.data.reactionPhase;
  s.liquidPhases = in.liquidPhases;
}

// The routine's argument list: module storage, SHS_STWORK and the model's arrays.
ColumnList routineList(const StageInputs& in, const ModelComponents& model) {
  StageStorage& s = g_stage;
  double* rates = stworkVector(stwork::kRates);
  namespace c = column;
  ColumnList list;
  list.set(c::kCompanionComponents, &s.companionComponents);
  list.set(c::kModelComponents, &s.modelComponents);
  list.set(c::kReactions, &s.reactions);
  list.set(c::kStoichiometry, s.stoichiometry);
  list.set(c::kTemperature, &s.temperature);
  list.set(c::kPressure, &s.pressure);
  list.set(c::kFlow, &s.flow);
  list.set(c::kLiquidFlow, &s.liquidFlow);
  list.set(c::kVapourFlow, &s.vapourFlow);
  list.set(c::kLiquid, stworkVector(stwork::kLiquid));
  list.set(c::kVapour, stworkVector(stwork::kVapour));
  list.set(c::kLiquidHoldup, &s.liquidHoldup);
  list.set(c::kVapourHoldup, &s.vapourHoldup);
  list.set(c::kComponentIndex, model.index);
  list.set(c::kOptionSet, model.optionSet);
  list.set(c::kRates, rates);
  s.parameters.placeIn(list, c::kIntegerCount, in.data.realParameters.data(),
                       c::kReactionIntegerCount, in.data.reactionRealParameters.data());
  list.set(c::kStage, &s.stage);
  list.set(c::kReactionPhase, &s.reactionPhase);
  list.set(c::kLiquidPhases, &s.liquidPhases);
  list.set(c::kLiquid1, stworkVector(stwork::kLiquid1));
  list.set(c::kLiquid2, stworkVector(stwork::kLiquid2));
  list.set(c::kLiquid1Flow, &s.liquid1Flow);
  list.set(c::kLiquid2Flow, &s.liquid2Flow);
  list.set(c::kLiquid1Holdup, &s.liquid1Holdup);
  list.set(c::kLiquid2Holdup, &s.liquid2Holdup);
  return list;
}

void evaluate(std::string_view name, const StageInputs& in, Status status, HostContext context) {
  const std::int64_t ncomp = DMS_NCOMP[0];
  if (!withinLimits(in, ncomp)) return reportSizes(name, status);
  if (!numbersUsable(name, in, status)) return;
  StageStorage& s = g_stage;
  truncateInto(in.data.integerParameters, s.parameters.integers);
  truncateInto(in.data.reactionIntegerParameters, s.parameters.reactionIntegers);

  const double t = host::toSi(host::Quantity::Temperature, in.head.temperature);
  const double p = host::toSi(host::Quantity::Pressure, in.head.pressure);
  SAIPRNAM = kStageCaller;
  ModelComponents model;
  if (!loadModelComponents(context, status, model)) return;
  if (!sizesAgree(name, in, model, ncomp, status)) return;
  const std::int64_t nc = in.head.componentCount;
  const std::int64_t nr = in.head.reactionCount;
  if (!placePhases(in, model, nc, ncomp, status)) return;

  // The stoichiometry and the rates in companion order.
  std::fill(s.stoichiometry, s.stoichiometry + ncomp * nr, 0.0);
  placeStoichiometry(in.stoichiometry, nc, nr, model, ncomp, s.stoichiometry);
  double* rates = stworkVector(stwork::kRates);
  std::fill(rates, rates + ncomp, 0.0);

  fillScalars(in, ncomp, nc, nr, t, p);
  ColumnList list = routineList(in, model);
  if (!SAIURD(in.head.reactionId, list, status)) return;

  // The rates in model order, kmol/s to kmol/h.
  host::toModelOrder(nc, model.mapping, rates, s.fractions);
  const std::int64_t n = std::min(in.rates.size(), nc);
  for (std::int64_t i = 1; i <= n; ++i) in.rates(i) = s.fractions[i - 1] * units::kSecondsPerHour;
}

void run(std::string_view name, const StageInputs& in, HostCallType call, Status status,
         HostContext context) {
  if (!clearedOnCleanUp(call.mode(), status)) evaluate(name, in, status, context);
}

// The fields both stage records hold under the same names (a record without one does
// not compile), with the stage's one or two liquids.
template <class R>
StageInputs stageInputs(const R& a, std::int64_t liquidPhases, const StageLiquid& liquid1,
                        const StageLiquid& liquid2 = {}) {
  return {.head = a.head,
          .liquidPhases = liquidPhases,
          .liquid1 = liquid1,
          .liquid2 = liquid2,
          .vapourAmounts = a.vapourAmounts,
          .stoichiometry = a.stoichiometry,
          .vapourFlow = a.vapourFlow,
          .vapourHoldup = a.vapourHoldup,
          .data = a.data,
          .rates = a.rates};
}

}  // namespace

void SPRDKUSR(const ColumnStageArguments& a, HostCallType call, Status status,
              HostContext context) {
  run("SPRDKUSR", stageInputs(a, 1, {a.liquidAmounts, a.liquidFlow, a.liquidHoldup}), call, status,
      context);
}

void SPRDKUS3(const ColumnStageTwoLiquidArguments& a, HostCallType call, Status status,
              HostContext context) {
  run("SPRDKUS3",
      stageInputs(a, 2, {a.liquid1Amounts, a.liquid1Flow, a.liquid1Holdup},
                  {a.liquid2Amounts, a.liquid2Flow, a.liquid2Holdup}),
      call, status, context);
}

}  // namespace xv55::kinetics
