// Shared set-up of the kinetics tests: a call of a procedure assembled by argument name,
// and in-process routines that record what they receive.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "entry/unpack.hpp"
#include "host/companion.h"
#include "kinetics/kinetics.hpp"
#include "kinetics/user_routines.hpp"
#include "support/capture_printer.hpp"
#include "xv55/block_builder.hpp"
#include "xv55/refhost.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/properties.hpp"

namespace xv55::kinetics::testing {

namespace cp = xv55::refhost::companion;
namespace pp = xv55::refhost::properties;

// A procedure call whose arguments are set by name (the names of the body's argument
// record); arguments not set are 0, empty texts and arrays of extent 0.  The workspace,
// status and outputs persist from one call to the next, as the host keeps them.
class ProcedureCall {
 public:
  explicit ProcedureCall(std::span<const entry::ArgumentInfo> fields)
      : fields_(fields.begin(), fields.end()), values_(fields.size()) {}

  ProcedureCall& real(std::string_view name, double v) {
    at(name) = {{v}, {}, {}, {}};
    return *this;
  }
  ProcedureCall& integer(std::string_view name, std::int64_t v) {
    at(name) = {{}, {v}, {}, {}};
    return *this;
  }
  ProcedureCall& text(std::string_view name, std::string_view v) {
    at(name) = {{}, {}, std::string(v), {}};
    return *this;
  }
  ProcedureCall& reals(std::string_view name, std::vector<double> v) {
    const auto n = static_cast<std::int64_t>(v.size());
    at(name) = {std::move(v), {}, {}, {n}};
    return *this;
  }
  // Column-major, rows x columns.
  ProcedureCall& matrix(std::string_view name, std::vector<double> v, std::int64_t rows,
                        std::int64_t columns) {
    at(name) = {std::move(v), {}, {}, {rows, columns}};
    return *this;
  }
  // An output array of n cells, each `initial` before the first call.
  ProcedureCall& outputs(std::string_view name, std::int64_t n, double initial = -1.0) {
    at(name) = {std::vector<double>(static_cast<std::size_t>(n), initial), {}, {}, {n}};
    return *this;
  }

  void call(Xv55Entry entry, std::int64_t callType = 0) {
    BlockBuilder b;
    for (std::size_t k = 0; k < fields_.size(); ++k) {
      Value& v = values_[k];
      const auto extent = [&v](std::size_t d) { return d < v.extents.size() ? v.extents[d] : 0; };
      switch (fields_[k].kind) {
        case entry::ArgKind::RealIn:
          b.real(v.reals.empty() ? 0.0 : v.reals[0]);
          break;
        case entry::ArgKind::IntegerIn:
          b.integer(v.integers.empty() ? 0 : v.integers[0]);
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
          if (v.reals.empty()) v.reals.assign(1, -1.0);
          b.output(v.reals[0]);
          break;
        case entry::ArgKind::RealVectorOut:
          b.outputs(static_cast<std::int64_t>(v.reals.size()), {extent(0)}, -1.0);
          break;
        default:
          ADD_FAILURE() << "argument kind not handled";
      }
    }
    // Output cells keep their values from call to call.
    std::int64_t row = 1;
    for (std::size_t k = 0; k < fields_.size(); ++k) {
      if (!entry::isOutput(fields_[k].kind)) continue;
      for (double cell : values_[k].reals) b.outputCell(row++).real = cell;
    }
    b.status = status;
    b.hostContext = hostContext;
    b.work = work;
    b.call(entry, callType);
    status = b.status;
    work = b.work;
    row = 1;
    for (std::size_t k = 0; k < fields_.size(); ++k) {
      if (!entry::isOutput(fields_[k].kind)) continue;
      for (double& cell : values_[k].reals) cell = b.out(row++);
    }
  }

  double out(std::string_view name, std::size_t k = 1) { return at(name).reals.at(k - 1); }
  std::vector<double> outs(std::string_view name) { return at(name).reals; }
  // Sets every output cell back to `value`.
  void resetOutputs(double value = -1.0) {
    for (std::size_t k = 0; k < fields_.size(); ++k) {
      if (entry::isOutput(fields_[k].kind)) {
        std::fill(values_[k].reals.begin(), values_[k].reals.end(), value);
      }
    }
  }

  std::int64_t status = 0;
  std::int64_t hostContext = 0;
  std::vector<double> work = std::vector<double>(8, 0.0);

 private:
  struct Value {
    std::vector<double> reals;
    std::vector<std::int64_t> integers;
    std::string text;
    std::vector<std::int64_t> extents;
  };
  Value& at(std::string_view name) {
    for (std::size_t k = 0; k < fields_.size(); ++k) {
      if (name == fields_[k].name) return values_[k];
    }
    ADD_FAILURE() << "no argument named " << name;
    static Value none;
    return none;
  }
  std::vector<entry::ArgumentInfo> fields_;
  std::vector<Value> values_;
};

template <class Record>
ProcedureCall callOf() {
  return ProcedureCall(Record::kFields);
}

// ---- routines of this process ----

// The addresses a routine received, and what a test wants it to do.
struct Probe {
  std::array<void*, XV55_USER_ARGUMENT_COUNT> arguments{};
  int calls = 0;
  // Rates written by companion position (1-based index k - 1); empty writes none.
  std::vector<double> rates;
  bool fail = false;
  // Writes into the index vector and option set it receives.
  bool scribble = false;
  // Results written into the flux routines' result arguments, by list position.
  std::vector<std::pair<int, double>> results;
  // Copies of what the routine saw at the time of the call.
  std::vector<double> stream;          // argument 1 (reactors)
  std::array<std::int64_t, 20> ids{};  // the identifier array
  std::vector<double> stoichiometry;   // NCOMP x NRXN as received
  std::vector<double> rpropsWords = std::vector<double>(7);
  std::vector<double> mixrxr = std::vector<double>(2);
  std::int64_t mixrxi = 0;
  std::vector<double> tubrxr = std::vector<double>(7);
  std::vector<std::int64_t> tubrxi = std::vector<std::int64_t>(2);
  std::vector<std::int64_t> disti = std::vector<std::int64_t>(2);
  std::vector<double> distr = std::vector<double>(4);
  std::array<std::vector<double>, 4> phases;  // reactors: vapour, liquid, liquid 1, liquid 2
  std::vector<double> phaseData;

  template <class T>
  T& get(int k) const {
    return *static_cast<T*>(arguments[static_cast<std::size_t>(k - 1)]);
  }
  template <class T>
  T* array(int k) const {
    return static_cast<T*>(arguments[static_cast<std::size_t>(k - 1)]);
  }
};

inline Probe g_probe;

// A reactor kinetics routine (the reactor argument list).
inline void reactorProbe(XV55_USER_PARAMETERS) {
  Probe& p = g_probe;
  p.arguments = {XV55_USER_ARGUMENTS};
  ++p.calls;
  namespace r = reactor;
  const std::int64_t ncomp = p.get<std::int64_t>(r::kComponents);
  const std::int64_t nrxn = p.get<std::int64_t>(r::kReactions);
  const double* s = p.array<double>(r::kStream);
  p.stream.assign(s, s + ncomp + 9);
  std::copy_n(p.array<std::int64_t>(r::kIdentifiers), 20, p.ids.begin());
  const double* nu = p.array<double>(r::kStoichiometry);
  p.stoichiometry.assign(nu, nu + (nrxn > 0 ? ncomp * nrxn : 0));
  std::copy_n(RXN_RPROPS, 7, p.rpropsWords.begin());
  std::copy_n(RXN_MIXRXR, 2, p.mixrxr.begin());
  p.mixrxi = MXRX_MIXRXI[0];
  std::copy_n(TBRX_TUBRXR, 7, p.tubrxr.begin());
  std::copy_n(TBRX_TUBRXI, 2, p.tubrxi.begin());
  std::copy_n(RXN_DISTI, 2, p.disti.begin());
  std::copy_n(RXN_DISTR, 4, p.distr.begin());
  for (int k = 0; k < 4; ++k) {
    const double* v = p.array<double>(r::kVapour + k);
    p.phases[static_cast<std::size_t>(k)].assign(v, v + ncomp);
  }
  p.phaseData.assign(SHS_STWORK + 600, SHS_STWORK + 612);
  double* rates = p.array<double>(r::kRates);
  for (std::size_t k = 0; k < p.rates.size() && static_cast<std::int64_t>(k) < ncomp; ++k) {
    rates[k] = p.rates[k];
  }
  if (p.scribble) {
    p.array<std::int64_t>(r::kComponentIndex)[0] = 99;
    p.array<std::int64_t>(r::kOptionSets)[0] = 99;
  }
  if (p.fail) p.get<std::int64_t>(r::kFailure) = 1;
}

// A column-stage kinetics routine (the column-stage argument list).
inline void stageProbe(XV55_USER_PARAMETERS) {
  Probe& p = g_probe;
  p.arguments = {XV55_USER_ARGUMENTS};
  ++p.calls;
  namespace c = column;
  const std::int64_t ncomp = p.get<std::int64_t>(c::kCompanionComponents);
  const std::int64_t nr = p.get<std::int64_t>(c::kReactions);
  const double* nu = p.array<double>(c::kStoichiometry);
  p.stoichiometry.assign(nu, nu + ncomp * nr);
  std::copy_n(p.array<std::int64_t>(c::kIdentifiers), 20, p.ids.begin());
  const int order[4] = {c::kVapour, c::kLiquid, c::kLiquid1, c::kLiquid2};
  for (int k = 0; k < 4; ++k) {
    const double* v = p.array<double>(order[k]);
    p.phases[static_cast<std::size_t>(k)].assign(v, v + ncomp);
  }
  double* rates = p.array<double>(c::kRates);
  for (std::size_t k = 0; k < p.rates.size() && static_cast<std::int64_t>(k) < ncomp; ++k) {
    rates[k] = p.rates[k];
  }
  if (p.scribble) {
    p.array<std::int64_t>(c::kComponentIndex)[0] = 99;
    p.array<std::int64_t>(c::kOptionSet)[0] = 99;
  }
}

// A pressure-drop, heat-flux or holdup routine: records, writes the requested results and
// user value 1, sets its failure flag on request.
inline void fluxProbe(XV55_USER_PARAMETERS) {
  Probe& p = g_probe;
  p.arguments = {XV55_USER_ARGUMENTS};
  ++p.calls;
  const std::int64_t ncomp = p.get<std::int64_t>(1);
  p.stream.assign(p.array<double>(2), p.array<double>(2) + ncomp + 9);
  std::copy_n(p.array<std::int64_t>(9), 20, p.ids.begin());
  for (int k = 0; k < 2; ++k) {
    p.phases[static_cast<std::size_t>(k)].assign(p.array<double>(3 + k),
                                                 p.array<double>(3 + k) + ncomp + 9);
  }
  for (const auto& [position, value] : p.results) p.get<double>(position) = value;
  if (p.get<std::int64_t>(12) >= 1) p.array<double>(13)[0] = 42.0;
  if (p.fail) p.get<std::int64_t>(18) = 1;
}

// The components of the tests' flowsheets, all known to the property system.
inline const std::vector<std::string> kComponents = {"METHANE", "ETHANE", "PROPANE", "N-BUTANE",
                                                     "N-HEXANE"};
// A composition over those components.
inline const std::vector<double> kX = {0.5, 0.2, 0.15, 0.1, 0.05};

// The lines of the captured messages.
using Lines = std::vector<std::string>;

// A flowsheet with the probes as its routines.
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

// A fresh host with the probe flowsheet, the companion components and the probes.
class KineticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    refhost::reset();
    g_probe = Probe{};
    ASSERT_TRUE(pp::setCompanionComponents(kComponents));
    ASSERT_TRUE(cp::loadFlowsheet(kProbeFlowsheet)) << cp::loadFlowsheet(kProbeFlowsheet).message;
    ASSERT_TRUE(cp::registerRoutine("PROBE", reactorProbe));
    ASSERT_TRUE(cp::registerRoutine("SPROBE", stageProbe));
    ASSERT_TRUE(cp::registerRoutine("FPROBE", fluxProbe));
  }
  void TearDown() override { refhost::reset(); }

  xv55::testing::ScopedCapture capture;
};

// The characters of a packed identifier-array pair of words.
inline std::string packed(const std::int64_t* words) {
  return cp::unpackName(words, 2);
}

}  // namespace xv55::kinetics::testing
