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

// The inputs of both members, by name; the one-liquid member's liquid is liquid 1.
struct StageInputs {
  Text reactionId;
  std::int64_t components = 0, reactions = 0;
  double temperature = 0, pressure = 0, flow = 0;
  Vector<const double> liquid1Amounts, liquid2Amounts, vapourAmounts;
  Matrix<const double> stoichiometry;
  double liquid1Flow = 0, liquid2Flow = 0, vapourFlow = 0;
  double liquid1Holdup = 0, liquid2Holdup = 0, vapourHoldup = 0;
  std::int64_t stage = 0, reactionPhase = 0, liquidPhases = 1;
  Vector<const double> integerParameters, realParameters;
  Vector<const double> reactionIntegerParameters, reactionRealParameters;
  std::int64_t integerWorkspaceCount = 0, realWorkspaceCount = 0;
  Vector<double> rates;
};

template <class R>
StageInputs inputsOf(const R& a) {
  StageInputs in;
  in.reactionId = a.reactionId;
  in.components = a.componentCount;
  in.reactions = a.reactionCount;
  in.temperature = a.temperature;
  in.pressure = a.pressure;
  in.flow = a.flow;
  in.vapourAmounts = a.vapourAmounts;
  in.stoichiometry = a.stoichiometry;
  in.vapourFlow = a.vapourFlow;
  in.vapourHoldup = a.vapourHoldup;
  in.stage = a.stage;
  in.reactionPhase = a.reactionPhase;
  in.integerParameters = a.integerParameters;
  in.realParameters = a.realParameters;
  in.reactionIntegerParameters = a.reactionIntegerParameters;
  in.reactionRealParameters = a.reactionRealParameters;
  in.integerWorkspaceCount = a.integerBlockWorkspaceCount;
  in.realWorkspaceCount = a.realBlockWorkspaceCount;
  in.rates = a.rates;
  if constexpr (requires { a.liquidAmounts; }) {
    in.liquid1Amounts = a.liquidAmounts;
    in.liquid1Flow = a.liquidFlow;
    in.liquid1Holdup = a.liquidHoldup;
  } else {
    in.liquid1Amounts = a.liquid1Amounts;
    in.liquid2Amounts = a.liquid2Amounts;
    in.liquid1Flow = a.liquid1Flow;
    in.liquid2Flow = a.liquid2Flow;
    in.liquid1Holdup = a.liquid1Holdup;
    in.liquid2Holdup = a.liquid2Holdup;
    in.liquidPhases = 2;
  }
  return in;
}

// ---- module storage handed to the routine ----

struct StageStorage {
  double stoichiometry[kModuleWords * kMaxReactions];
  double rates[kModuleWords];
  double fractions[kModuleWords];  // model order, one phase at a time
  double liquidAmounts[kModuleWords];
  std::int64_t integers[kModuleWords];
  std::int64_t reactionIntegers[kModuleWords];
  std::int64_t integerWorkspace[kModuleWords];
  double realWorkspace[kModuleWords];
  std::int64_t companionComponents, modelComponents, reactions;
  double temperature, pressure, flow, liquidFlow, vapourFlow, liquidHoldup, vapourHoldup;
  double liquid1Flow, liquid2Flow, liquid1Holdup, liquid2Holdup;
  std::int64_t integerCount, realCount, reactionIntegerCount, reactionRealCount;
  std::int64_t integerWorkspaceCount, realWorkspaceCount;
  std::int64_t stage, reactionPhase, liquidPhases;
};
StageStorage g_stage;

void reportSizes(std::string_view procedure, Status status) {
  const auto name = shortName(procedure);
  const std::int64_t reactions = kMaxReactions;
  const std::int64_t sizes = kModuleWords;
  report(status, kError,
         " %s-F-Error\\n            =====\\n One or more of the requested array sizes has\\n has "
         "exceeded preset limit.\\n Please make sure that:\\n       Number of reactions (NR) < %d "
         "\\n and the following array sizes are  all less then %d:\\n       * No. of components "
         "(NC)\\n       * Block Int Workspace (NZIBW)\\n       * Block Real Workspace (NZRBW)",
         name, reactions, sizes);
}

bool withinLimits(const StageInputs& in, std::int64_t ncomp) {
  return in.reactions <= kMaxReactions && in.components <= kModuleWords &&
         in.integerWorkspaceCount <= kModuleWords && in.realWorkspaceCount <= kModuleWords &&
         ncomp <= kModuleWords && in.integerParameters.size() <= kModuleWords &&
         in.reactionIntegerParameters.size() <= kModuleWords;
}

bool numbersUsable(std::string_view name, const StageInputs& in, Status status) {
  InputCheck check;
  check.real("temperature", in.temperature);
  check.real("pressure", in.pressure);
  check.real("flow", in.flow);
  check.reals("liquidAmounts", in.liquid1Amounts);
  check.reals("liquid2Amounts", in.liquid2Amounts);
  check.reals("vapourAmounts", in.vapourAmounts);
  check.matrix("stoichiometry", in.stoichiometry);
  check.real("liquidFlow", in.liquid1Flow);
  check.real("liquid2Flow", in.liquid2Flow);
  check.real("vapourFlow", in.vapourFlow);
  check.real("liquidHoldup", in.liquid1Holdup);
  check.real("liquid2Holdup", in.liquid2Holdup);
  check.real("vapourHoldup", in.vapourHoldup);
  check.integrals("integerParameters", in.integerParameters);
  check.reals("realParameters", in.realParameters);
  check.integrals("reactionIntegerParameters", in.reactionIntegerParameters);
  check.reals("reactionRealParameters", in.reactionRealParameters);
  return check.passed(name, status);
}

// The counts against the arrays that go with them and the model's component set.
bool sizesAgree(std::string_view name, const StageInputs& in, const ModelComponents& model,
                std::int64_t ncomp, Status status) {
  const std::int64_t nc = in.components;
  bool agree = nc >= 1 && nc <= model.count && nc <= ncomp && in.reactions >= 0 &&
               in.vapourAmounts.size() >= nc && in.liquid1Amounts.size() >= nc &&
               (in.liquidPhases == 1 || in.liquid2Amounts.size() >= nc) &&
               in.stoichiometry.columns() >= in.reactions &&
               (in.reactions == 0 || in.stoichiometry.rows() >= nc);
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

void evaluate(std::string_view name, const StageInputs& in, Status status, HostContext context) {
  const std::int64_t ncomp = DMS_NCOMP[0];
  if (!withinLimits(in, ncomp)) return reportSizes(name, status);
  if (!numbersUsable(name, in, status)) return;
  StageStorage& s = g_stage;
  truncateInto(in.integerParameters, s.integers);
  truncateInto(in.reactionIntegerParameters, s.reactionIntegers);

  const double t = host::toSi(host::Quantity::Temperature, in.temperature);
  const double p = host::toSi(host::Quantity::Pressure, in.pressure);
  SAIPRNAM = kStageCaller;
  ModelComponents model;
  if (!loadModelComponents(context, status, model)) return;
  if (!sizesAgree(name, in, model, ncomp, status)) return;
  const std::int64_t nc = in.components;
  const std::int64_t nr = in.reactions;

  // The phases in companion order: the overall liquid, its two liquids, the vapour.
  const double* liquid = in.liquid1Amounts.data();
  if (in.liquidPhases == 2) {
    for (std::int64_t i = 1; i <= nc; ++i) {
      s.liquidAmounts[i - 1] = in.liquid1Amounts(i) + in.liquid2Amounts(i);
    }
    liquid = s.liquidAmounts;
  }
  if (!phaseFractions(liquid, nc, model, stwork::kLiquid, status)) return;
  if (!phaseFractions(in.vapourAmounts.data(), nc, model, stwork::kVapour, status)) return;
  if (in.liquidPhases == 2) {
    if (!phaseFractions(in.liquid1Amounts.data(), nc, model, stwork::kLiquid1, status)) return;
    if (!phaseFractions(in.liquid2Amounts.data(), nc, model, stwork::kLiquid2, status)) return;
  } else {
    std::copy_n(stworkVector(stwork::kLiquid), ncomp, stworkVector(stwork::kLiquid1));
    std::copy_n(stworkVector(stwork::kLiquid), ncomp, stworkVector(stwork::kLiquid2));
  }

  // The stoichiometry and the rates in companion order.
  std::fill(s.stoichiometry, s.stoichiometry + ncomp * nr, 0.0);
  placeStoichiometry(in.stoichiometry, nc, nr, model, ncomp, s.stoichiometry);
  double* rates = stworkVector(stwork::kRates);
  std::fill(rates, rates + ncomp, 0.0);

  s.companionComponents = ncomp;
  s.modelComponents = nc;
  s.reactions = nr;
  s.temperature = t;
  s.pressure = p;
  s.flow = in.flow / units::kSecondsPerHour;
  s.liquid1Flow = in.liquid1Flow / units::kSecondsPerHour;
  s.liquid2Flow = in.liquid2Flow / units::kSecondsPerHour;
  s.liquidFlow = s.liquid1Flow + s.liquid2Flow;
  s.vapourFlow = in.vapourFlow / units::kSecondsPerHour;
  s.liquid1Holdup = in.liquid1Holdup;
  s.liquid2Holdup = in.liquid2Holdup;
  s.liquidHoldup = in.liquid1Holdup + in.liquid2Holdup;
  s.vapourHoldup = in.vapourHoldup;
  s.integerCount = in.integerParameters.size();
  s.realCount = in.realParameters.size();
  s.reactionIntegerCount = in.reactionIntegerParameters.size();
  s.reactionRealCount = in.reactionRealParameters.size();
  s.integerWorkspaceCount = in.integerWorkspaceCount;
  s.realWorkspaceCount = in.realWorkspaceCount;
  s.stage = in.stage;
  s.reactionPhase = in.reactionPhase;
  s.liquidPhases = in.liquidPhases;

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
  list.set(c::kIntegerCount, &s.integerCount);
  list.set(c::kIntegers, s.integers);
  list.set(c::kRealCount, &s.realCount);
  list.set(c::kReals, in.realParameters.data());
  list.set(c::kReactionIntegerCount, &s.reactionIntegerCount);
  list.set(c::kReactionIntegers, s.reactionIntegers);
  list.set(c::kReactionRealCount, &s.reactionRealCount);
  list.set(c::kReactionReals, in.reactionRealParameters.data());
  list.set(c::kIntegerWorkspaceCount, &s.integerWorkspaceCount);
  list.set(c::kIntegerWorkspace, s.integerWorkspace);
  list.set(c::kRealWorkspaceCount, &s.realWorkspaceCount);
  list.set(c::kRealWorkspace, s.realWorkspace);
  list.set(c::kStage, &s.stage);
  list.set(c::kReactionPhase, &s.reactionPhase);
  list.set(c::kLiquidPhases, &s.liquidPhases);
  list.set(c::kLiquid1, stworkVector(stwork::kLiquid1));
  list.set(c::kLiquid2, stworkVector(stwork::kLiquid2));
  list.set(c::kLiquid1Flow, &s.liquid1Flow);
  list.set(c::kLiquid2Flow, &s.liquid2Flow);
  list.set(c::kLiquid1Holdup, &s.liquid1Holdup);
  list.set(c::kLiquid2Holdup, &s.liquid2Holdup);

  if (!SAIURD(in.reactionId, list, status)) return;

  // The rates in model order, kmol/s to kmol/h.
  host::toModelOrder(nc, model.mapping, rates, s.fractions);
  const std::int64_t n = std::min(in.rates.size(), nc);
  for (std::int64_t i = 1; i <= n; ++i) in.rates(i) = s.fractions[i - 1] * units::kSecondsPerHour;
}

template <class R>
void run(std::string_view name, const R& args, HostCallType call, Status status,
         HostContext context) {
  if (call.mode().isCleanUp()) {
    SAIGCLEAR(status.address());
    return;
  }
  evaluate(name, inputsOf(args), status, context);
}

}  // namespace

void SPRDKUSR(const ColumnStageArguments& args, HostCallType call, Status status,
              HostContext context) {
  run("SPRDKUSR", args, call, status, context);
}

void SPRDKUS3(const ColumnStageTwoLiquidArguments& args, HostCallType call, Status status,
              HostContext context) {
  run("SPRDKUS3", args, call, status, context);
}

}  // namespace xv55::kinetics
