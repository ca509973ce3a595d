// The pressure-drop, heat-flux and holdup routines that a tubular or batch reactor block
// names in its data words.
//
// The four procedures are one evaluation.  Each is data: the block data word of its
// routine's name, its block type, its name in messages, the values it hands over (with
// their conversions to the companion simulator's units) and the conversions of the
// routine's results.  Its body hands the groups of its record over as FluxInputs.
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "host/services.hpp"
#include "kinetics/block_location.hpp"
#include "kinetics/kinetics.hpp"
#include "kinetics/support.hpp"
#include "kinetics/user_routines.hpp"
#include "print/message_buffer.hpp"
#include "print/report.hpp"
#include "xv55/host/companion.h"
#include "xv55/host/companion_store.hpp"
#include "xv55/host/property_system.h"
#include "xv55/xv55.h"

namespace xv55::kinetics {
namespace {

// Largest data offset of a block bead that is read (a store holds far less).
constexpr std::int64_t kMaxBlockOffset = std::int64_t{1} << 20;
// Streams a routine receives at most, and the reactor modes with a thermal fluid.
constexpr std::size_t kMaxStreams = 3;
constexpr std::int64_t kCoCurrentFluid = 3;
constexpr std::int64_t kCounterCurrentFluid = 4;
// Values handed over after the list's head, and results handed back.
constexpr std::size_t kMaxValues = 16;
constexpr std::size_t kMaxResults = 2;

// A result to the model's units: times `times`, divided by `over`; as it is by default.
struct Conversion {
  double times = 1.0;
  double over = 1.0;
};

struct Procedure {
  std::string_view name;
  std::int64_t routineWord;  // block data word of the routine's packed name
  BlockType blockType;
  bool withMode;  // the reactor mode goes first after the head
  Conversion conversions[kMaxResults];
};

// Pa/m to bar/m; W (per metre) to GJ/h (per metre).
constexpr Conversion kPerBar{1.0, units::kPascalsPerBar};
constexpr Conversion kToGigajoulesPerHour{kKilojoulesPerHourPerWatt, kJoulesPerMegajoule};

const Procedure kPressureDrop{
    "SPRPDPDZ_USER", host::kTubrxPressureDropRoutineAt, BlockType::Tubrx, true, {kPerBar}};
const Procedure kTubeHeatFlux{"SPRPQFLUX_USER",
                              host::kTubrxHeatFluxRoutineAt,
                              BlockType::Tubrx,
                              true,
                              {kToGigajoulesPerHour}};
const Procedure kHoldup{"SPRPHLD_USER", host::kTubrxHoldupRoutineAt, BlockType::Tubrx, false, {}};
const Procedure kBatchHeatFlux{"SPBOQFlux_USER",
                               host::kChargexHeatFluxRoutineAt,
                               BlockType::Chargex,
                               false,
                               {kToGigajoulesPerHour}};

// A value handed over: its name (for the invalid-number report), the model's value and
// the factor to the companion simulator's units.
struct Value {
  const char* name = nullptr;
  double value = 0;
  double factor = 1;
};

// A member's record, as its body hands it over.
struct FluxInputs {
  Text blockId;
  std::array<const FluxStream*, kMaxStreams> streams{};
  std::size_t streamCount = 1;
  std::int64_t mode = 0, option = 0, userValueCount = 0;
  const RoutineParameters* parameters = nullptr;
  std::array<Value, kMaxValues> values;
  std::size_t valueCount = 0;
  std::array<double*, kMaxResults> outputs{};
  std::size_t resultCount = 0;
  Vector<double> userValues;

  // The values and results a member hands over, as many as it lists.
  template <std::size_t N>
  void handOver(const std::array<Value, N>& given) {
    static_assert(N <= kMaxValues);
    std::copy_n(given.begin(), N, values.begin());
    valueCount = N;
  }
  template <std::size_t N>
  void receive(double* const (&given)[N]) {
    static_assert(N <= kMaxResults);
    std::copy_n(given, N, outputs.begin());
    resultCount = N;
  }
};

// The streams' argument names, as the records list them.
constexpr std::array<std::array<entry::ArgumentInfo, 8>, kMaxStreams> kStreamFields = {
    entry::GroupFields<PrefixedStream, "process">::get(),
    entry::GroupFields<PrefixedStream, "feed">::get(),
    entry::GroupFields<PrefixedStream, "fluid">::get()};

constexpr double kPerCentipoise = units::kPascalSecondsPerCentipoise;

// The values of the groups the tubular members share, in the order the routines receive
// them, and a member's whole list joined from its parts.
std::array<Value, 4> tubeValues(const TubePoint& t) {
  return {{{"tubeCount", t.tubeCount},
           {"tubeLength", t.tubeLength},
           {"tubeDiameter", t.tubeDiameter},
           {"position", t.position}}};
}
std::array<Value, 2> bedValues(const TubeBed& b) {
  return {{{"voidFraction", b.voidFraction}, {"particleDiameter", b.particleDiameter}}};
}
std::array<Value, 5> flowValues(const FlowProperties& p) {
  return {{{"liquidViscosity", p.liquidViscosity, kPerCentipoise},
           {"vapourViscosity", p.vapourViscosity, kPerCentipoise},
           {"surfaceTension", p.surfaceTension},
           {"liquidDensity", p.liquidDensity},
           {"vapourDensity", p.vapourDensity}}};
}
template <std::size_t... N>
std::array<Value, (N + ...)> joined(const std::array<Value, N>&... parts) {
  std::array<Value, (N + ...)> all{};
  auto next = all.begin();
  ((next = std::copy(parts.begin(), parts.end(), next)), ...);
  return all;
}

// The head of the tubular members: the reactor mode says whether a thermal fluid flows.
FluxInputs tubular(const TubularHead& head, std::int64_t option, std::int64_t userValueCount,
                   const RoutineParameters& parameters) {
  FluxInputs in;
  in.blockId = head.blockId;
  in.streams = {&head.process, &head.feed, &head.fluid};
  in.mode = head.reactorMode;
  const bool withFluid =
      head.reactorMode == kCoCurrentFluid || head.reactorMode == kCounterCurrentFluid;
  in.streamCount = withFluid ? 3 : 2;
  in.option = option;
  in.userValueCount = userValueCount;
  in.parameters = &parameters;
  return in;
}

FluxInputs fluxInputs(const PressureDropArguments& a) {
  FluxInputs in = tubular(a.head, a.option, a.userValueCount, a.parameters);
  in.handOver(joined(tubeValues(a.head.tube), bedValues(a.head.bed), flowValues(a.properties),
                     std::to_array<Value>({{"roughness", a.roughness},
                                           {"inclination", a.inclination},
                                           {"fluidViscosity", a.fluidViscosity, kPerCentipoise},
                                           {"fluidChannelDiameter", a.fluidChannelDiameter}})));
  in.receive({&a.pressureGradient, &a.holdup});
  in.userValues = a.userValues;
  return in;
}

FluxInputs fluxInputs(const TubeHeatFluxArguments& a) {
  FluxInputs in = tubular(a.head, a.option, a.userValueCount, a.parameters);
  in.handOver(joined(tubeValues(a.head.tube), bedValues(a.head.bed),
                     std::to_array<Value>({{"liquidViscosity", a.liquidViscosity, kPerCentipoise},
                                           {"vapourViscosity", a.vapourViscosity, kPerCentipoise},
                                           {"liquidConductivity", a.liquidConductivity},
                                           {"vapourConductivity", a.vapourConductivity},
                                           {"fluidViscosity", a.fluidViscosity, kPerCentipoise},
                                           {"fluidConductivity", a.fluidConductivity},
                                           {"heatTransferCoefficient", a.heatTransferCoefficient},
                                           {"fluidChannelDiameter", a.fluidChannelDiameter}})));
  in.receive({&a.heatFlux});
  in.userValues = a.userValues;
  return in;
}

FluxInputs fluxInputs(const HoldupArguments& a) {
  FluxInputs in;
  in.blockId = a.blockId;
  in.streams[0] = &a.process;
  in.option = a.option;
  in.userValueCount = a.userValueCount;
  in.parameters = &a.parameters;
  in.handOver(joined(tubeValues(a.tube), flowValues(a.properties),
                     std::to_array<Value>({{"inclination", a.inclination}})));
  in.receive({&a.holdup});
  return in;
}

// The batch's process stream lists its composition after its flow; `process` holds it
// in the order of the other members.
FluxInputs fluxInputs(const BatchHeatFluxArguments& a, const FluxStream& process) {
  FluxInputs in;
  in.blockId = a.blockId;
  in.streams[0] = &process;
  in.option = a.option;
  in.userValueCount = a.userValueCount;
  in.parameters = &a.parameters;
  in.handOver(std::to_array<Value>({{"time", a.time, units::kSecondsPerHour},
                                    {"contents", a.contents},
                                    {"reactorVolume", a.reactorVolume}}));
  in.receive({&a.heatFlux});
  in.userValues = a.userValues;
  return in;
}

// ---- module storage handed to the routine ----

struct FluxStorage {
  double streams[kMaxStreams][kModuleWords];
  std::int64_t integers[kModuleWords];
  std::int64_t identifiers[identifiers::kWords];
  double userValues[kModuleWords];
  std::int64_t integerWorkspace[kModuleWords];
  double realWorkspace[kModuleWords];
  std::int64_t options[kOptionSetWords];
  double values[kMaxValues];
  double results[kMaxResults];
  std::int64_t companionComponents, integerCount, realCount, optionSetCount;
  std::int64_t userValueCount, integerWorkspaceCount, realWorkspaceCount;
  std::int64_t failure, option, mode;
};
FluxStorage g_flux;

bool withinLimits(const Procedure& p, const FluxInputs& in, std::int64_t ncomp, Status status) {
  bool within = ncomp <= kMaxCompanionComponents && in.userValueCount <= kModuleWords &&
                in.parameters->integerWorkspaceCount <= kModuleWords &&
                in.parameters->realWorkspaceCount <= kModuleWords &&
                in.parameters->integerParameters.size() <= kModuleWords;
  for (std::size_t k = 0; k < in.streamCount; ++k) {
    within = within && in.streams[k]->composition.size() <= kModuleWords;
  }
  if (within) return true;
  const auto name = shortName(p.name);
  report(status, kError,
         " %s-F-Array sizes exceed the limits: at most %d components of the companion "
         "simulator and %d values in each composition, parameter set and work area.\\n    "
         "      Immediate exit taken.",
         name, kMaxCompanionComponents, kModuleWords);
  return false;
}

bool numbersUsable(const Procedure& p, const FluxInputs& in, Status status) {
  InputCheck check;
  for (std::size_t k = 0; k < in.streamCount; ++k) {
    const FluxStream& s = *in.streams[k];
    const auto& names = kStreamFields[k];
    const double values[] = {s.flow,           s.temperature, s.pressure,       s.enthalpy,
                             s.vapourFraction, s.density,     s.molecularWeight};
    for (std::size_t v = 0; v < std::size(values); ++v) check.real(names[v].name, values[v]);
    check.reals(names[7].name, s.composition);
  }
  for (std::size_t k = 0; k < in.valueCount; ++k) check.real(in.values[k].name, in.values[k].value);
  check.integrals("integerParameters", in.parameters->integerParameters);
  check.reals("realParameters", in.parameters->realParameters);
  return check.passed(p.name, status);
}

// The stream vector of one stream, in the companion simulator's order and units.  A
// stream other than the first may come without a composition: it is then all zeros.
bool buildStream(const Procedure& p, std::size_t k, const FluxStream& s,
                 const ModelComponents& model, std::int64_t ncomp, double* out, Status status) {
  const std::int64_t nc = s.composition.size();
  std::fill(out, out + ncomp + kStreamExtraWords, 0.0);
  if (nc == 0 && k > 0) return true;
  if (nc < 1 || nc > model.count || nc > ncomp) {
    const auto name = shortName(p.name);
    report(status, kError,
           " %s-F-A composition of %d components is given for a model of %d.\\n          "
           "Immediate exit taken.",
           name, nc, model.count);
    return false;
  }
  host::toCompanionOrder(nc, model.mapping, s.composition.data(), out);
  const double flow = s.flow / units::kSecondsPerHour;
  for (std::int64_t j = 0; j < ncomp; ++j) out[j] *= flow;
  const auto put = [out, ncomp](std::int64_t word, double value) { out[ncomp + word - 1] = value; };
  put(stream::kTotalFlow, flow);
  put(stream::kTemperature, s.temperature + units::kKelvinAtZeroCelsiusSingle);
  put(stream::kPressure, s.pressure * units::kPascalsPerBar);
  put(stream::kEnthalpy, s.enthalpy * kJoulesPerMegajoule);
  put(stream::kVapourFraction, s.vapourFraction);
  put(stream::kLiquidFraction, 1.0 - s.vapourFraction);
  put(stream::kUnknown, unknownStreamValue());
  put(stream::kDensity, s.density);
  put(stream::kMolecularWeight, s.molecularWeight);
  return true;
}

// Whether the block is of the procedure's block type.  The data words of another type
// hold other things than this routine's name (a batch charge's heat-flux routine sits
// where a tube's pressure-drop routine would), so a block of another type is refused
// before they are read: status 4 and a report naming the block.
bool ofBlockType(const Procedure& p, const LocatedBlock& block, Status status) {
  const std::int64_t base = DMS_LOCATI(&block.bead);
  const PackedName type{host::readBeadWord(base, host::kBlockTypeWord).integer,
                        host::readBeadWord(base, host::kBlockTypeWord + 1).integer};
  const PackedName wanted = packedBlockType(p.blockType);
  if (type == wanted) return true;
  std::string_view name = block.id.nameText();
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  print::MessageBuffer m;
  m.stored(" ")
      .stored(p.name)
      .stored("-F-Block ")
      .user(name)
      .stored(" is a ")
      .user(unpackName(type).view())
      .stored(" block, not a ")
      .stored(unpackName(wanted).view())
      .stored(" block.\\n          Immediate exit taken.");
  print::report(status, kError, m);
  return false;
}

// The routine's packed name from the block's data words; blank when the bead's offset
// is not one.
PackedName routineOf(const Procedure& p, std::int64_t bead) {
  const std::int64_t base = DMS_LOCATI(&bead);
  const std::int64_t o = host::readBeadWord(base, host::kBlockOffsetWord).integer;
  if (base <= 0 || o < 1 || o > kMaxBlockOffset) return {};
  return {host::readBeadWord(base, o + p.routineWord).integer,
          host::readBeadWord(base, o + p.routineWord + 1).integer};
}

// The module storage the routine reads: the values in the companion simulator's units,
// cleared results and user values, and the counts.
void fillStorage(const FluxInputs& in, std::int64_t ncomp) {
  FluxStorage& f = g_flux;
  for (std::size_t k = 0; k < in.valueCount; ++k) {
    f.values[k] = in.values[k].value * in.values[k].factor;
  }
  std::fill(std::begin(f.results), std::end(f.results), 0.0);
  std::fill(std::begin(f.userValues), std::end(f.userValues), 0.0);
  f.companionComponents = ncomp;
  f.integerCount = in.parameters->integerParameters.size();
  f.realCount = in.parameters->realParameters.size();
  f.optionSetCount = 1;
  f.userValueCount = in.userValueCount;
  f.integerWorkspaceCount = in.parameters->integerWorkspaceCount;
  f.realWorkspaceCount = in.parameters->realWorkspaceCount;
  f.option = in.option;
  f.mode = in.mode;
  f.failure = 0;
}

// The routine's argument list: a head every routine receives, then its own values and
// results.  Returns the list's length.
std::size_t routineList(const Procedure& p, const FluxInputs& in,
                        std::array<void*, XV55_USER_ARGUMENT_COUNT>& list) {
  FluxStorage& f = g_flux;
  std::size_t next = 0;
  const auto add = [&list, &next](const void* address) {
    list[next++] = const_cast<void*>(address);
  };
  add(&f.companionComponents);
  for (double* s : f.streams) add(s);
  add(&f.integerCount);
  add(f.integers);
  add(&f.realCount);
  add(in.parameters->realParameters.data());
  add(f.identifiers);
  add(&f.optionSetCount);
  add(f.options);
  add(&f.userValueCount);
  add(f.userValues);
  add(&f.integerWorkspaceCount);
  add(f.integerWorkspace);
  add(&f.realWorkspaceCount);
  add(f.realWorkspace);
  add(&f.failure);
  add(&f.option);
  if (p.withMode) add(&f.mode);
  for (std::size_t k = 0; k < in.valueCount; ++k) add(&f.values[k]);
  for (std::size_t k = 0; k < in.resultCount; ++k) add(&f.results[k]);
  return next;
}

// The streams in the companion simulator's order and units; those the member does not
// hand over are zeros.  False on failure (status 4).
bool buildStreams(const Procedure& p, const FluxInputs& in, const ModelComponents& model,
                  std::int64_t ncomp, Status status) {
  FluxStorage& f = g_flux;
  for (std::size_t k = 0; k < in.streamCount; ++k) {
    if (!buildStream(p, k, *in.streams[k], model, ncomp, f.streams[k], status)) return false;
  }
  for (std::size_t k = in.streamCount; k < kMaxStreams; ++k) {
    std::fill(std::begin(f.streams[k]), std::end(f.streams[k]), 0.0);
  }
  return true;
}

void evaluate(const Procedure& p, const FluxInputs& in, Status status, HostContext context) {
  const std::int64_t ncomp = DMS_NCOMP[0];
  if (!withinLimits(p, in, ncomp, status)) return;
  if (!numbersUsable(p, in, status)) return;

  ModelComponents model;
  if (!loadModelComponents(context, status, model)) return;
  if (!buildStreams(p, in, model, ncomp, status)) return;
  FluxStorage& f = g_flux;
  truncateInto(in.parameters->integerParameters, f.integers);
  std::copy_n(model.optionSet, kOptionSetWords, f.options);
  prepareRunFiles();

  const LocatedBlock block = locateBlock(in.blockId, status);
  if (!block.found() || !ofBlockType(p, block, status)) return;
  const PackedName routineName = routineOf(p, block.bead);
  const ResolvedRoutine routine = resolveRoutine(routineName, p.name, status);
  if (!routine.found()) return;

  PackedName blockName{};
  SAIC2ID(block.id.name, blockName.data(), units::kNameLength);
  fillIdentifiers(f.identifiers, blockName, p.name, packedBlockType(p.blockType), routineName,
                  false);
  fillStorage(in, ncomp);
  std::array<void*, XV55_USER_ARGUMENT_COUNT> list{};
  const std::size_t length = routineList(p, in, list);
  callRoutine(routine, std::span<void* const>(list.data(), length));
  if (f.failure == 1) return reportFailingRoutine(p.name, status);

  for (std::size_t k = 0; k < in.resultCount; ++k) {
    *in.outputs[k] = f.results[k] * p.conversions[k].times / p.conversions[k].over;
  }
  const std::int64_t n = std::min({in.userValues.size(), in.userValueCount, kModuleWords});
  for (std::int64_t k = 1; k <= n; ++k) in.userValues(k) = f.userValues[k - 1];
}

void run(const Procedure& p, const FluxInputs& in, HostCallType call, Status status,
         HostContext context) {
  if (!clearedOnCleanUp(call.mode(), status)) evaluate(p, in, status, context);
}

}  // namespace

void SPRPDPDZ_USER(const PressureDropArguments& args, HostCallType call, Status status,
                   HostContext context) {
  run(kPressureDrop, fluxInputs(args), call, status, context);
}

void SPRPQFLUX_USER(const TubeHeatFluxArguments& args, HostCallType call, Status status,
                    HostContext context) {
  run(kTubeHeatFlux, fluxInputs(args), call, status, context);
}

void SPRPHLD_USER(const HoldupArguments& args, HostCallType call, Status status,
                  HostContext context) {
  run(kHoldup, fluxInputs(args), call, status, context);
}

void SPBOQFLUX_USER(const BatchHeatFluxArguments& args, HostCallType call, Status status,
                    HostContext context) {
  const FluxStream process{args.processFlow,
                           args.processTemperature,
                           args.processPressure,
                           args.processEnthalpy,
                           args.processVapourFraction,
                           args.processDensity,
                           args.processMolecularWeight,
                           args.processComposition};
  run(kBatchHeatFlux, fluxInputs(args, process), call, status, context);
}

}  // namespace xv55::kinetics
