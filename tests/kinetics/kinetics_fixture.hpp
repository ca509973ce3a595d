// Shared set-up of the kinetics tests: a call of a procedure assembled by argument name,
// routines of this process that record what they receive (read by argument number, as
// docs/kinetics.md lists them), and the calls every test starts from.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "entry/unpack.hpp"
#include "host/companion.h"
#include "kinetics/kinetics.hpp"
#include "support/capture_printer.hpp"
#include "xv55/block_builder.hpp"
#include "xv55/refhost.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/properties.hpp"

namespace xv55::kinetics::testing {

namespace cp = xv55::refhost::companion;
namespace pp = xv55::refhost::properties;
using Lines = std::vector<std::string>;
using Reals = std::vector<double>;
using Ints = std::vector<std::int64_t>;

// A procedure call whose arguments are set by name; those not set are 0, empty texts and
// arrays of extent 0.  Workspace, status and outputs persist from call to call.
class ProcedureCall {
 public:
  explicit ProcedureCall(std::span<const entry::ArgumentInfo> fields)
      : fields_(fields.begin(), fields.end()), values_(fields.size()) {}
  bool has(std::string_view name) const { return index(name) < fields_.size(); }
  ProcedureCall& real(std::string_view name, double v) { return set(name, {v}, {}); }
  ProcedureCall& integer(std::string_view name, std::int64_t v) {
    return set(name, {static_cast<double>(v)}, {});
  }
  ProcedureCall& text(std::string_view name, std::string_view v) {
    return set(name, {}, {}, std::string(v));
  }
  ProcedureCall& reals(std::string_view name, Reals v) {
    const auto n = static_cast<std::int64_t>(v.size());
    return set(name, std::move(v), {n});
  }
  // Column-major, rows x columns.
  ProcedureCall& matrix(std::string_view name, Reals v, std::int64_t rows, std::int64_t columns) {
    return set(name, std::move(v), {rows, columns});
  }
  // Scalars, reals or integers, of those names the record has.
  ProcedureCall& present(std::initializer_list<std::pair<std::string_view, double>> values) {
    for (const auto& [name, v] : values) {
      if (has(name)) real(name, v);
    }
    return *this;
  }
  // An output array of n cells, each -1 before the first call.
  ProcedureCall& outputs(std::string_view name, std::int64_t n) {
    return set(name, Reals(static_cast<std::size_t>(n), -1.0), {n});
  }

  void call(Xv55Entry entry, std::int64_t callType = 0) {
    BlockBuilder b;
    for (std::size_t k = 0; k < fields_.size(); ++k) {
      Value& v = values_[k];
      const double first = v.reals.empty() ? 0.0 : v.reals[0];
      const auto extent = [&v](std::size_t d) { return d < v.extents.size() ? v.extents[d] : 0; };
      switch (fields_[k].kind) {
        case entry::ArgKind::RealIn:
          b.real(first);
          break;
        case entry::ArgKind::IntegerIn:
          b.integer(static_cast<std::int64_t>(first));
          break;
        case entry::ArgKind::TextIn:
          b.text(v.text);
          break;
        case entry::ArgKind::RealVectorIn:
          b.reals(v.reals, {extent(0)});
          break;
        case entry::ArgKind::RealMatrixIn:
          b.reals(v.reals, {extent(0), extent(1)});
          break;
        case entry::ArgKind::RealOut:
          v.reals.resize(1, -1.0);
          b.output(v.reals[0]);
          break;
        case entry::ArgKind::RealVectorOut:
          b.outputs(static_cast<std::int64_t>(v.reals.size()), {extent(0)}, -1.0);
          break;
        default:
          ADD_FAILURE() << "argument kind not handled";
      }
    }
    eachOutputCell([&b](std::int64_t row, double& cell) { b.outputCell(row).real = cell; });
    b.status = status;
    b.hostContext = hostContext;
    b.work = work;
    b.call(entry, callType);
    status = b.status;
    work = b.work;
    eachOutputCell([&b](std::int64_t row, double& cell) { cell = b.out(row); });
  }

  double out(std::string_view name, std::size_t k = 1) { return at(name).reals.at(k - 1); }
  Reals outs(std::string_view name) { return at(name).reals; }
  // Every output cell, in argument order.
  Reals allOutputs() {
    Reals all;
    eachOutputCell([&all](std::int64_t, double& cell) { all.push_back(cell); });
    return all;
  }

  std::int64_t status = 0;
  std::int64_t hostContext = 0;
  Reals work = Reals(8, 0.0);

 private:
  struct Value {
    Reals reals;
    std::vector<std::int64_t> extents;
    std::string text;
  };
  template <class F>
  void eachOutputCell(F f) {
    std::int64_t row = 1;
    for (std::size_t k = 0; k < fields_.size(); ++k) {
      if (!entry::isOutput(fields_[k].kind)) continue;
      for (double& cell : values_[k].reals) f(row++, cell);
    }
  }
  std::size_t index(std::string_view name) const {
    std::size_t k = 0;
    while (k < fields_.size() && name != fields_[k].name) ++k;
    return k;
  }
  Value& at(std::string_view name) {
    const std::size_t k = index(name);
    if (k < fields_.size()) return values_[k];
    ADD_FAILURE() << "no argument named " << name;
    static Value none;
    return none;
  }
  ProcedureCall& set(std::string_view name, Reals v, std::vector<std::int64_t> extents,
                     std::string text = {}) {
    at(name) = {std::move(v), std::move(extents), std::move(text)};
    return *this;
  }
  std::vector<entry::ArgumentInfo> fields_;
  std::vector<Value> values_;
};

// ---- routines of this process ----

// Where a routine's list holds what the probes read (argument numbers; 0: not in it).
struct Layout {
  int companionComponents, reactions, stoichiometry, stream, identifiers, rates, failure, index,
      options;
  int phases[4];  // vapour, liquid, liquid 1, liquid 2 (flux: the second and third stream)
};
inline constexpr Layout kReactorList{16, 17, 18, 1, 9, 19, 28, 31, 11, {32, 33, 34, 35}};
inline constexpr Layout kStageList{1, 3, 4, 0, 38, 16, 0, 14, 15, {11, 10, 32, 33}};
inline constexpr Layout kFluxList{1, 0, 0, 2, 9, 0, 18, 0, 11, {3, 4, 0, 0}};

// What a routine received (the host's common areas it read stay as they were), and what
// a test wants it to do.
struct Probe {
  std::array<void*, XV55_USER_ARGUMENT_COUNT> arguments{};
  int calls = 0;
  Reals rates;                                  // written by companion position
  bool fail = false;                            // sets the failure flag
  bool scribble = false;                        // writes into its index vector and option set
  std::vector<std::pair<int, double>> results;  // written by argument number
  // Copies taken during the call.
  Reals stream, stoichiometry;
  std::array<std::int64_t, 20> ids{};
  std::array<Reals, 4> phases;

  template <class T>
  T& get(int k) const {
    return *static_cast<T*>(arguments[static_cast<std::size_t>(k - 1)]);
  }
  template <class T>
  T* array(int k) const {
    return static_cast<T*>(arguments[static_cast<std::size_t>(k - 1)]);
  }
  // The scalars at these argument numbers.
  template <class T>
  std::vector<T> values(std::initializer_list<int> at) const {
    std::vector<T> v;
    for (int k : at) v.push_back(get<T>(k));
    return v;
  }
};
inline Probe g_probe;

inline void record(const Layout& at, std::array<void*, XV55_USER_ARGUMENT_COUNT> arguments) {
  Probe& p = g_probe;
  p.arguments = arguments;
  ++p.calls;
  const std::int64_t ncomp = p.get<std::int64_t>(at.companionComponents);
  const auto copy = [](int k, std::int64_t n) {
    return k ? Reals(g_probe.array<double>(k), g_probe.array<double>(k) + n) : Reals{};
  };
  const std::int64_t reactions = at.reactions ? p.get<std::int64_t>(at.reactions) : 0;
  p.stoichiometry = reactions > 0 ? copy(at.stoichiometry, ncomp * reactions) : Reals{};
  p.stream = copy(at.stream, ncomp + 9);
  for (std::size_t k = 0; k < 4; ++k) {
    p.phases[k] = copy(at.phases[k], &at == &kFluxList ? ncomp + 9 : ncomp);
  }
  std::copy_n(p.array<std::int64_t>(at.identifiers), 20, p.ids.begin());
  for (std::size_t k = 0; at.rates && k < p.rates.size() && std::int64_t(k) < ncomp; ++k) {
    p.array<double>(at.rates)[k] = p.rates[k];
  }
  for (const auto& [position, value] : p.results) p.get<double>(position) = value;
  if (p.scribble) {
    p.array<std::int64_t>(at.index)[0] = 99;
    p.array<std::int64_t>(at.options)[0] = 99;
  }
  if (p.fail && at.failure) p.get<std::int64_t>(at.failure) = 1;
}
inline void reactorProbe(XV55_USER_PARAMETERS) {
  record(kReactorList, {XV55_USER_ARGUMENTS});
}
inline void stageProbe(XV55_USER_PARAMETERS) {
  record(kStageList, {XV55_USER_ARGUMENTS});
}
// Writes 42 into user value 1 when it is given any (arguments 12 and 13).
inline void fluxProbe(XV55_USER_PARAMETERS) {
  record(kFluxList, {XV55_USER_ARGUMENTS});
  if (g_probe.get<std::int64_t>(12) >= 1) g_probe.array<double>(13)[0] = 42.0;
}

// The flowsheet of the probes: five components, blocks of each type.
inline const Reals kX = {0.5, 0.2, 0.15, 0.1, 0.05};
inline constexpr const char* kProbeFlowsheet = R"(
components METHANE ETHANE PROPANE N-BUTANE N-HEXANE
reaction RX      PROBE
reaction ABCDEFGH PROBE
reaction STAGE   SPROBE
reaction LOST    NOWHERE
reaction R%1     K%DX
block PLANT.CSTR1 MIXRX
block PLANT.PFR1 TUBRX
  pressure-drop-routine FPROBE
  heat-flux-routine     FPROBE
  holdup-routine        FPROBE
block BATCH1 CHARGEX
  heat-flux-routine     FPROBE
block COL1 TRAYCOL
block PFR2 TUBRX
  pressure-drop-routine NOPE%S
)";

class KineticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    refhost::reset();
    g_probe = Probe{};
    ASSERT_TRUE(cp::loadFlowsheet(kProbeFlowsheet));
    ASSERT_TRUE(cp::registerRoutine("PROBE", reactorProbe));
    ASSERT_TRUE(cp::registerRoutine("SPROBE", stageProbe));
    ASSERT_TRUE(cp::registerRoutine("FPROBE", fluxProbe));
  }
  void TearDown() override { refhost::reset(); }
  const Lines& lines() const { return capture.printer.lines; }
  xv55::testing::ScopedCapture capture;
};

// The line that ends every refusal.
inline const std::string kExit = "          Immediate exit taken.";

// The text of a packed pair of identifier-array words.
inline std::string packed(const std::int64_t* words) {
  return cp::unpackName(words, 2);
}

// ---- the calls the tests start from ----

// A reactor: 360 kmol/h at 300 degC and 10 bar over the five components, two reactions,
// a vapour-liquid flash; the phase members get the overall composition as every phase.
template <class Record>
ProcedureCall reactorCall(std::string_view block) {
  ProcedureCall c(Record::kFields);
  c.text("blockId", block).text("reactionId", "RX").reals("composition", kX).outputs("rates", 5);
  c.matrix("stoichiometry", {0, 2, 0, -1, 0, 1, 0, -1, 0, 0}, 5, 2);
  c.present({{"temperature", 300}, {"pressure", 10}, {"flow", 360}, {"volume", 2}});
  c.present({{"tubeLength", 2}, {"tubeCount", 2}, {"propertyDivisor", 2}, {"phaseOption", 2}});
  c.present({{"phaseCode", 2}, {"unitSet", 1}, {"vapourFraction", 1}, {"liquidSplit", 1}});
  for (const char* name : {"vapour", "liquid", "liquid1", "liquid2"}) {
    if (c.has(name)) c.reals(name, kX);
  }
  return c;
}

// A column stage of two model components, PROPANE and METHANE (companion positions 3
// and 1), at 80 degC and 2 bar.
template <class Record>
ProcedureCall stageCall() {
  ProcedureCall c(Record::kFields);
  c.text("reactionId", "STAGE").integer("componentCount", 2).integer("reactionCount", 1);
  c.real("temperature", 80.0).real("pressure", 2.0).real("flow", 720.0).integer("stage", 4);
  c.reals("vapourAmounts", {1.0, 3.0}).real("vapourFlow", 360.0).real("vapourHoldup", 0.5);
  c.matrix("stoichiometry", {-1, 1}, 2, 1).outputs("rates", 2);
  const bool one = c.has("liquidAmounts");
  c.reals(one ? "liquidAmounts" : "liquid1Amounts", {3.0, 1.0});
  c.real(one ? "liquidFlow" : "liquid1Flow", 180.0).real(one ? "liquidHoldup" : "liquid1Holdup", 2);
  if (!one) c.reals("liquid2Amounts", {1, 1}).real("liquid2Flow", 36).real("liquid2Holdup", 0.5);
  return c;
}

// A flux routine's process stream: 360 kmol/h at 100 degC, 5 bar, -2.5 MJ/kmol.
template <class Record>
ProcedureCall fluxCall(std::string_view block) {
  ProcedureCall c(Record::kFields);
  c.text("blockId", block).real("processFlow", 360.0).real("processTemperature", 100.0);
  c.real("processPressure", 5.0).real("processEnthalpy", -2.5).reals("processComposition", kX);
  c.real("processVapourFraction", 0.75)
      .real("processDensity", 12)
      .real("processMolecularWeight", 22);
  return c;
}

}  // namespace xv55::kinetics::testing
