// libFuzzer target over every export of the library.  Each input is one of:
//  - a sequence of one to three calls of one procedure on the same block (the same
//    workspace, as a host calls one call site), so that a set-up call followed by
//    evaluations is reached.  The block is well formed: positions lie inside the
//    host's arrays, each argument at its own place in a random order with gaps, and
//    extents agree with the cells laid out (zero and negative extents included).
//    Cell values, texts, status, callType of each call, the workspace (length and
//    contents) and the derivative matrix's shape (any rows x columns up to a few
//    more than the procedure's elements, and its leading dimension) are arbitrary;
//  - a message through XvPrint or XvPrintPadded with a random format (or padded
//    text) and five value addresses that point at valid 64-byte areas, through a
//    printer or standard output;
//  - the initialisation exports in a random order with random versions, printers,
//    handlers and solver-option requests.
// A small flowsheet with user routines of this process is loaded for every input, and
// text arguments are often names it holds, so that the user-routine procedures find
// blocks, reaction paragraphs and routines as well as miss them.
// Half of the procedure inputs are shaped instead: the block is built as a model
// builds it, by argument name: consistent curve tables of random size (every curve
// form and spline method) set up and then evaluated on the same workspace, valve
// characteristics, two-phase pipe sections over every holdup and pressure-drop
// keyword, and the flowsheet's families (tray and refinery columns, reactors, the
// equilibrium drum) with the component count and stream counts their blocks hold.
// A solver-options handler answers the print switch (20) and the solver marker (31),
// which changes between some of the calls, so that once-per-marker warnings fire.
// Every input starts from a reset reference host (flowsheet loaded afresh) and the
// library's initialisation state at load, so that a finding reproduces alone.
// Run (on a copy of the corpus, which libFuzzer grows):
//   cp -r fuzz/corpus/entry /tmp/xv55-corpus && build-fuzz/bin/xv55_fuzz -max_total_time=60
//   /tmp/xv55-corpus
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "common/units.hpp"
#include "entry/unpack.hpp"
#include "pipe/dispatch.hpp"
#include "print/print.hpp"
#include "xv55/host/objects.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/user_routine.h"
#include "xv55/xv55.h"

namespace {

using xv55::entry::ArgKind;

// Messages are produced but not shown.
class QuietPrinter final : public xv55::XvPrinter {
 public:
  void writeLine(const char* line) override { sink_ += std::strlen(line); }
  void endMessage(std::int32_t) override {}

 private:
  std::size_t sink_ = 0;
};
QuietPrinter g_printer;

double anyReal(FuzzedDataProvider& fdp) {
  switch (fdp.ConsumeIntegralInRange<int>(0, 9)) {
    case 0:
      return std::numeric_limits<double>::quiet_NaN();
    case 1:
      return fdp.ConsumeBool() ? HUGE_VAL : -HUGE_VAL;
    case 2:
      return fdp.ConsumeBool() ? 0.0 : -0.0;
    case 3:
      return static_cast<double>(fdp.ConsumeIntegralInRange<int>(-20, 20));
    case 4:
      return fdp.ConsumeFloatingPointInRange<double>(-1e-30, 1e-30);
    default:
      return fdp.ConsumeFloatingPoint<double>();
  }
}

std::int64_t anyExtent(FuzzedDataProvider& fdp, int most) {
  return fdp.ConsumeIntegralInRange<std::int64_t>(-2, most);
}

struct Argument {
  ArgKind kind;
  std::vector<std::int64_t> extents;
  std::int64_t cells = 1;
};

// Answers solver-option requests with fuzzed values.
class FuzzedHandler final : public QSMOptionsHandler {
 public:
  std::int32_t request(std::int32_t, std::int64_t* integer, double* value,
                       const char** text) override {
    *integer = integerAnswer;
    *value = valueAnswer;
    if (answerText) *text = "answer";
    return outcome;
  }
  std::int64_t integerAnswer = 0;
  double valueAnswer = 0.0;
  bool answerText = false;
  std::int32_t outcome = 0;
};
FuzzedHandler g_handler;

// ---- the companion simulator's side ----

// Reaction paragraphs are found by reactor and column procedures alike, so a kinetics
// routine may receive either argument list: these read and write only the first word
// of an argument.
//
// A reactor kinetics routine: a rate from the stream vector; fails for a negative flow.
void kineticsRoutine(XV55_USER_PARAMETERS) {
  void* all[XV55_USER_ARGUMENT_COUNT] = {XV55_USER_ARGUMENTS};
  const double flow = *static_cast<const double*>(all[0]);
  *static_cast<double*>(all[18]) = flow;
  if (flow < 0) *static_cast<std::int64_t*>(all[27]) = 1;
}

// A column-stage kinetics routine: a rate from the liquid fractions.
void stageRoutine(XV55_USER_PARAMETERS) {
  void* all[XV55_USER_ARGUMENT_COUNT] = {XV55_USER_ARGUMENTS};
  *static_cast<double*>(all[15]) = *static_cast<const double*>(all[9]);
}

// A pressure-drop, heat-flux or holdup routine: user value 1 from the first stream;
// fails for a negative total flow.
void fluxRoutine(XV55_USER_PARAMETERS) {
  void* all[XV55_USER_ARGUMENT_COUNT] = {XV55_USER_ARGUMENTS};
  const std::int64_t ncomp = *static_cast<const std::int64_t*>(all[0]);
  const double* stream = static_cast<const double*>(all[1]);
  if (*static_cast<const std::int64_t*>(all[11]) >= 1) {
    static_cast<double*>(all[12])[0] = stream[ncomp + 1];
  }
  if (stream[ncomp] < 0) *static_cast<std::int64_t*>(all[17]) = 1;
}

constexpr const char* kFlowsheet = R"({
  "components": ["METHANE", "ETHANE", "PROPANE"],
  "reactions": [{"id": "RX", "routine": "FZKIN"}, {"id": "STAGE", "routine": "FZSTAGE"},
                {"id": "LOST", "routine": "NOWHERE"}],
  "blocks": [
    {"id": "R1", "type": "MIXRX"},
    {"id": "P.T1", "type": "TUBRX", "pressureDropRoutine": "FZFLUX",
     "heatFluxRoutine": "FZFLUX", "holdupRoutine": "FZFLUX"},
    {"id": "B1", "type": "CHARGEX", "heatFluxRoutine": "FZFLUX"},
    {"id": "C1", "type": "TRAYCOL",
     "trays": [{"first": 1, "last": 5, "type": "sieve", "diameter": 1.5, "weirHeight": 0.05,
                "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6}]},
    {"id": "RC", "type": "REFINECOL", "sections": [4, 2], "extraStage": true,
     "trays": [{"section": 1, "first": 1, "last": 4, "type": "sieve", "diameter": 2.0,
                "weirHeight": 0.05, "weirLength": 1.5, "downcomerArea": 0.3, "spacing": 0.6},
               {"section": 2, "first": 1, "last": 2, "type": "valve", "diameter": 1.0,
                "weirHeight": 0.05, "weirLength": 0.7, "downcomerArea": 0.08, "spacing": 0.5}]},
    {"id": "P.D1", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2}}
  ]
})";

// Names the flowsheet holds (and two it does not), for text arguments.
// The first is what a text becomes when the input has run out of bytes.
constexpr const char* kKnownTexts[] = {"RX",   "P.T1",  "B1",   "C1",     "R1",   "RC",
                                       "P.D1", "STAGE", "LOST", "P.NONE", "XX.R1"};

void loadFlowsheet() {
  namespace cp = xv55::refhost::companion;
  xv55::refhost::properties::setCompanionComponents({"METHANE", "ETHANE", "PROPANE"});
  cp::loadFlowsheet(kFlowsheet);
  cp::registerRoutine("FZKIN", kineticsRoutine);
  cp::registerRoutine("FZSTAGE", stageRoutine);
  cp::registerRoutine("FZFLUX", fluxRoutine);
}

// Every input from the state of a fresh process: the reference host reset and the
// flowsheet loaded again, the library's initialisation data as at load (no printer
// of the host's, no options handler), no unknown pipe names remembered, the quiet
// printer for messages.
void startAfresh() {
  xv55::refhost::reset();
  loadFlowsheet();
  const InitBlock none{1, nullptr, nullptr, 0};
  QRInitialize(&none);
  *GetDLLInitializationData() = InitBlock{};
  SAIPRNAM = 0;
  xv55::pipe::forgetUnknownNames();
  xv55::print::setHostPrinter(&g_printer);
}

void fuzzPrint(FuzzedDataProvider& fdp) {
  // Five value areas, each large enough for any conversion's read; texts in them
  // are NUL-terminated.
  alignas(8) char values[5][64];
  for (auto& v : values) {
    for (char& c : v) c = static_cast<char>(fdp.ConsumeIntegral<std::uint8_t>());
    v[62] = v[63] = '\0';  // also ends a 16-bit text
  }
  std::string format = fdp.ConsumeRandomLengthString(600);
  if (fdp.ConsumeBool()) {
    const std::int64_t severity = fdp.ConsumeIntegral<std::int64_t>();
    XvPrintPadded(&severity, format.data(), values[0], values[1], values[2], values[3], values[4],
                  static_cast<std::int64_t>(format.size()));
  } else {
    // Without the bridge the format takes as many values as it converts: keep at
    // most five '%' so that no conversion reads past the five values passed.
    int percents = 0;
    for (char& c : format) {
      if (c == '%' && ++percents > 5) c = '_';
    }
    XvPrint(fdp.ConsumeIntegral<std::int32_t>(), format.c_str(), values[0], values[1], values[2],
            values[3], values[4]);
  }
}

void fuzzInitialisation(FuzzedDataProvider& fdp) {
  for (int step = fdp.ConsumeIntegralInRange<int>(1, 6); step > 0; --step) {
    switch (fdp.ConsumeIntegralInRange<int>(0, 3)) {
      case 0: {
        const InitBlock block{
            fdp.ConsumeIntegral<std::int64_t>(), fdp.ConsumeBool() ? &g_printer : nullptr,
            fdp.ConsumeBool() ? &g_handler : nullptr, fdp.ConsumeIntegral<std::int64_t>()};
        QRInitialize(fdp.ConsumeBool() ? &block : nullptr);
        break;
      }
      case 1:
        RegisterDummyOptionsHandler(fdp.ConsumeBool() ? &g_handler : nullptr);
        break;
      case 2:
        (void)GetDLLInitializationData();
        break;
      default: {
        g_handler.integerAnswer = fdp.ConsumeIntegral<std::int64_t>();
        g_handler.valueAnswer = anyReal(fdp);
        g_handler.answerText = fdp.ConsumeBool();
        g_handler.outcome = fdp.ConsumeIntegral<std::int32_t>();
        const std::int64_t code = fdp.ConsumeIntegral<std::int64_t>();
        std::int64_t integer = 0;
        std::int64_t outcome = 0;
        double value = 0.0;
        char text[16];
        const std::int64_t length = fdp.ConsumeIntegralInRange<std::int64_t>(-1, sizeof text);
        QSM_RQST_F(&code, &integer, &value, text, &outcome, &length);
      }
    }
  }
  // Later inputs start from a known state: the quiet printer, no handler.
  const InitBlock reset{1, &g_printer, nullptr, 0};
  QRInitialize(&reset);
}

// A value a model could well pass: a moderate positive real (also when the input has
// run out of bytes).
double plausibleReal(FuzzedDataProvider& fdp) {
  return fdp.ConsumeFloatingPointInRange<double>(0.5, 500.0);
}

void fuzzProcedure(FuzzedDataProvider& fdp) {
  const auto all = xv55::entry::procedures();
  const auto& procedure = all[fdp.ConsumeIntegralInRange<std::size_t>(0, all.size() - 1)];
  // Half of the calls take plausible values (small counts and extents, moderate reals,
  // a workspace of some length), so that procedures get past their checks to the host
  // services and user routines; the other half anything.
  const bool plausible = fdp.ConsumeBool();

  // Shapes first: extents as the host declares them, cells as they occupy.
  std::vector<Argument> arguments;
  for (const xv55::entry::ArgumentInfo& info : procedure.arguments) {
    const ArgKind kind = info.kind;
    Argument a{kind, {}, 1};
    if (kind == ArgKind::TextIn) a.cells = xv55::units::kTextLength / xv55::entry::kCellBytes;
    for (int d = 0; d < xv55::entry::extentsOf(kind); ++d) {
      a.extents.push_back(plausible ? fdp.ConsumeIntegralInRange<std::int64_t>(1, 4)
                                    : anyExtent(fdp, xv55::entry::extentsOf(kind) == 2 ? 6 : 24));
    }
    if (!a.extents.empty()) {
      a.cells = 1;
      for (std::int64_t e : a.extents) a.cells *= std::max<std::int64_t>(e, 0);
    }
    arguments.push_back(a);
  }

  // Lay the arguments out in a random order, each at its own place, with gaps.
  std::vector<double> inputs, outputs;
  std::vector<std::int64_t> inputPositions, outputPositions, inputSizes, outputSizes;
  std::vector<std::size_t> order(arguments.size());
  std::iota(order.begin(), order.end(), 0);
  for (std::size_t k = order.size(); k > 1; --k) {
    std::swap(order[k - 1], order[fdp.ConsumeIntegralInRange<std::size_t>(0, k - 1)]);
  }
  std::vector<std::int64_t> position(arguments.size());
  for (std::size_t k : order) {
    std::vector<double>& cells = xv55::entry::isInput(arguments[k].kind) ? inputs : outputs;
    cells.resize(cells.size() + fdp.ConsumeIntegralInRange<std::size_t>(0, 2), 0.0);
    position[k] = static_cast<std::int64_t>(cells.size()) + 1;
    cells.resize(cells.size() + static_cast<std::size_t>(arguments[k].cells), 0.0);
  }
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const bool input = xv55::entry::isInput(arguments[k].kind);
    (input ? inputPositions : outputPositions).push_back(position[k]);
    auto& sizes = input ? inputSizes : outputSizes;
    sizes.insert(sizes.end(), arguments[k].extents.begin(), arguments[k].extents.end());
  }

  // Cell values: reals, small integers (counts), texts.
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    if (!xv55::entry::isInput(arguments[k].kind)) continue;
    double* cell = inputs.data() + (position[k] - 1);
    for (std::int64_t c = 0; c < arguments[k].cells; ++c) {
      switch (arguments[k].kind) {
        case ArgKind::IntegerIn:
        case ArgKind::IntegerVectorIn:
        case ArgKind::IntegerMatrixIn: {
          const auto v = plausible           ? fdp.ConsumeIntegralInRange<std::int64_t>(1, 12)
                         : fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<std::int64_t>(-3, 30)
                                             : fdp.ConsumeIntegral<std::int64_t>();
          std::memcpy(&cell[c], &v, sizeof v);
          break;
        }
        case ArgKind::TextIn: {
          if (c == 0 && !fdp.ConsumeBool()) {
            // A name of the flowsheet, NUL-terminated, in the text's five cells.
            char text[xv55::units::kTextLength] = {};
            const char* known =
                kKnownTexts[fdp.ConsumeIntegralInRange<std::size_t>(0, std::size(kKnownTexts) - 1)];
            std::memcpy(text, known, std::strlen(known));
            std::memcpy(&cell[0], text, sizeof text);
            c = arguments[k].cells - 1;
            break;
          }
          char text[8];
          for (char& ch : text) ch = static_cast<char>(fdp.ConsumeIntegral<std::uint8_t>());
          std::memcpy(&cell[c], text, sizeof text);
          break;
        }
        default:
          cell[c] = plausible ? plausibleReal(fdp) : anyReal(fdp);
      }
    }
  }
  for (double& v : outputs) v = anyReal(fdp);

  std::int64_t status = fdp.ConsumeIntegralInRange<std::int64_t>(-1, 4);
  // A few host contexts: the property system keeps a stream area for each one it sees.
  const std::int64_t context = fdp.ConsumeIntegralInRange<std::int64_t>(plausible ? 0 : -2, 5);
  std::vector<double> work(fdp.ConsumeIntegralInRange<std::size_t>(plausible ? 8 : 0, 600));
  for (double& w : work) w = plausible || fdp.ConsumeBool() ? 0.0 : anyReal(fdp);
  // The declared length never exceeds the workspace laid out.
  const auto workLength = plausible ? static_cast<std::int64_t>(work.size())
                                    : fdp.ConsumeIntegralInRange<std::int64_t>(
                                          -1, static_cast<std::int64_t>(work.size()));
  // Any matrix shape up to a few more than the procedure's elements; the host's
  // leading dimension is the row count it declares.
  const auto rows =
      fdp.ConsumeIntegralInRange<std::int64_t>(-1, static_cast<std::int64_t>(outputs.size()) + 2);
  const auto columns =
      fdp.ConsumeIntegralInRange<std::int64_t>(-1, static_cast<std::int64_t>(inputs.size()) + 2);
  std::vector<double> derivatives(static_cast<std::size_t>(std::max<std::int64_t>(rows, 0) *
                                                           std::max<std::int64_t>(columns, 0)),
                                  0.0);
  if (inputSizes.empty()) inputSizes.push_back(0);
  if (outputSizes.empty()) outputSizes.push_back(0);
  if (inputs.empty()) inputs.push_back(0.0);
  if (outputs.empty()) outputs.push_back(0.0);
  if (derivatives.empty()) derivatives.push_back(0.0);
  if (work.empty()) work.push_back(0.0);

  for (int call = fdp.ConsumeIntegralInRange<int>(1, 3); call > 0; --call) {
    std::int64_t callType = fdp.ConsumeIntegralInRange<std::int64_t>(-1, 5);
    procedure.entry(inputs.data(), inputSizes.data(), outputs.data(), outputSizes.data(),
                    inputPositions.data(), outputPositions.data(), &status, &context, work.data(),
                    &workLength, derivatives.data(), &rows, &columns, &callType);
  }
}

// ---- shaped calls: blocks as a model builds them ----

// Answers the print switch (20), the solver marker (31) and the equilibrium option (18)
// as a solver does between passes; nothing else is answered.
class SolverHandler final : public QSMOptionsHandler {
 public:
  std::int32_t request(std::int32_t code, std::int64_t* integer, double* value,
                       const char**) override {
    switch (code) {
      case 20:
        *integer = printSwitch;
        return 0;
      case 31:
        *value = marker;
        return 0;
      case 18:
        *integer = equilibrium;
        return 0;
      default:
        return -1;
    }
  }
  std::int64_t printSwitch = 1;
  double marker = 1.0;
  std::int64_t equilibrium = 0;
};
SolverHandler g_solver;

// Names a model passes; a few carry a suffix (only the leading characters count) and
// one of each list selects nothing.
constexpr const char* kCurveForms[] = {"Tabular data", "Polynomials", "Extended Polynomials",
                                       "Table"};
constexpr const char* kSplineMethods[] = {"Harwell", "Hermite", "Natural cubic", ""};
constexpr const char* kLimitOptions[] = {"No limits", "Limits", ""};
constexpr const char* kHoldupNames[] = {"Beggs-Brill",
                                        "HTFS",
                                        "Flanigan",
                                        "Eaton",
                                        "Hoogendorn",
                                        "Hughmark",
                                        "Slack",
                                        "Orkiszewski",
                                        "Lockhart-Martinelli",
                                        "Hagedorn-Brown",
                                        "Rouhani",
                                        "Beggs-Brill (1973)",
                                        "beggs-brill",
                                        ""};
constexpr const char* kPressureDropNames[] = {"Ergun",
                                              "Darcy",
                                              "Beggs-Brill",
                                              "HTFS",
                                              "Dukler",
                                              "Slack",
                                              "Orkiszewski",
                                              "Angel-Welchon-Ros",
                                              "Lockhart-Martinelli",
                                              "Hagedorn-Brown",
                                              "Friedel",
                                              "Darcy-Weisbach",
                                              "darcy",
                                              ""};
constexpr const char* kBlockOptions[] = {"REINIT", "reinit", ""};
constexpr const char* kReactions[] = {"RX", "STAGE", "LOST", "NONE"};

template <std::size_t N>
const char* pick(FuzzedDataProvider& fdp, const char* const (&names)[N]) {
  return names[fdp.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// The sizes one call site agrees on.
struct Shape {
  std::int64_t curves, points, coefficients, valvePoints, inlets, reactions, products;
  std::int64_t components = 3;  // the flowsheet's
};

std::int64_t vectorExtent(const Shape& z, std::string_view name, FuzzedDataProvider& fdp) {
  if (name == "npts" || name == "speed" || name == "qsurge" || name == "qstone") return z.curves;
  if (name == "pos" || name == "cv") return z.valvePoints;
  if (name == "pins") return z.inlets;
  if (name.find("omposition") != name.npos || name == "vapour" || name.starts_with("liquid")) {
    return z.components;
  }
  if (name.starts_with("product")) return z.products;
  return fdp.ConsumeIntegralInRange<std::int64_t>(0, 4);
}

std::pair<std::int64_t, std::int64_t> matrixExtents(const Shape& z, std::string_view name,
                                                    FuzzedDataProvider& fdp) {
  if (name == "ytab" || name == "xtab") return {z.curves, z.points};
  if (name == "coef") return {z.curves, z.coefficients};
  if (name == "stoichiometry") return {z.components, z.reactions};
  if (name == "productCompositions") return {z.components, z.products};
  return {fdp.ConsumeIntegralInRange<std::int64_t>(1, 3),
          fdp.ConsumeIntegralInRange<std::int64_t>(1, 3)};
}

double fraction(FuzzedDataProvider& fdp) {
  return fdp.ConsumeProbability<double>();
}

// A real input by its name: counts as whole numbers, fractions in [0, 1], angles,
// temperatures and pressures in their ranges, anything else moderate.
double shapedReal(std::string_view name, FuzzedDataProvider& fdp) {
  if (name == "stage" || name == "section" || name == "stageDatum" || name == "stageDatum2" ||
      name == "option" || name == "tubeCount") {
    return static_cast<double>(fdp.ConsumeIntegralInRange<int>(0, 7));
  }
  if (name == "liquidFraction" || name == "quality" || name == "vapourFraction" ||
      name == "liquidSplit" || name == "excludedFraction" || name == "position" ||
      name == "bedVoidFraction" || name == "particleSphericity") {
    return fraction(fdp);
  }
  if (name == "angle") return fdp.ConsumeFloatingPointInRange<double>(-1.6, 1.6);
  if (name == "roughness") return fdp.ConsumeFloatingPointInRange<double>(0.0, 0.01);
  if (name == "sign") return fdp.ConsumeBool() ? 1.0 : -1.0;
  if (name == "reynolds") return fdp.ConsumeFloatingPointInRange<double>(1.0, 1e7);
  if (name == "pdriven") return fdp.ConsumeBool() ? 0.0 : 1.0;
  if (name == "reactorTemperature" && fdp.ConsumeBool()) return 1.0e35;
  if (name.find("emperature") != name.npos) {
    return fdp.ConsumeFloatingPointInRange<double>(-50.0, 600.0);
  }
  if (name.find("ressure") != name.npos) return fdp.ConsumeFloatingPointInRange<double>(0.01, 200);
  if (name == "surfaceTension") return fdp.ConsumeFloatingPointInRange<double>(0.001, 0.08);
  if (name.find("iscosity") != name.npos) {
    return fdp.ConsumeFloatingPointInRange<double>(0.005, 50.0);
  }
  return plausibleReal(fdp);
}

std::int64_t shapedInteger(const Shape& z, std::string_view name, FuzzedDataProvider& fdp) {
  if (name == "nc") return z.curves;
  if (name == "np") return z.points;
  if (name == "n") return z.valvePoints;
  if (name == "unitSet") return fdp.ConsumeIntegralInRange<std::int64_t>(1, 2);
  if (name == "bound") return fdp.ConsumeIntegralInRange<std::int64_t>(0, 1);
  return fdp.ConsumeIntegralInRange<std::int64_t>(0, 6);
}

const char* shapedText(std::string_view procedure, std::string_view name, FuzzedDataProvider& fdp) {
  if (name == "curveType") return pick(fdp, kCurveForms);
  if (name == "splineMethod") return pick(fdp, kSplineMethods);
  if (name == "limitOption") return pick(fdp, kLimitOptions);
  if (name == "holdupCorrelation") return pick(fdp, kHoldupNames);
  if (name == "pressureDropCorrelation") return pick(fdp, kPressureDropNames);
  if (name == "option") return pick(fdp, kBlockOptions);
  if (name == "reactionId") return pick(fdp, kReactions);
  if (name == "blockId" && fdp.ConsumeProbability<float>() < 0.8f) {
    // The block of the procedure's family, as the flowsheet holds it.
    if (procedure == "XV55IF_SPHYDR" || procedure == "XV55IF_SPRADKUSER") return "C1";
    if (procedure == "XV55IF_SPHYDRP") return "RC";
    if (procedure == "XV55IF_EQLBRX") return "P.D1";
    if (procedure.starts_with("XV55IF_SPRK")) return "R1";
    if (procedure.starts_with("XV55IF_SPBO")) return "B1";
    if (procedure.starts_with("XV55IF_SPRP")) return "P.T1";
  }
  return kKnownTexts[fdp.ConsumeIntegralInRange<std::size_t>(0, std::size(kKnownTexts) - 1)];
}

// Values of an input array by its name: ascending speeds, positions and abscissae per
// curve (along each row of a matrix, first index fastest; along a vector), mole
// fractions.  An input that has run out of bytes still gives strictly ascending values.
void shapedArray(std::string_view name, std::int64_t rows, std::int64_t columns,
                 std::vector<double>& v, FuzzedDataProvider& fdp) {
  const bool ascending = name == "speed" || name == "xtab" || name == "pos" || name == "cv";
  if (columns == 1) std::swap(rows, columns);  // a vector ascends along its cells
  for (std::int64_t i = 0; i < rows; ++i) {
    double at = ascending ? fdp.ConsumeFloatingPointInRange<double>(0.0, 50.0) : 0.0;
    for (std::int64_t j = 0; j < columns; ++j) {
      double& cell = v[static_cast<std::size_t>(i + j * rows)];
      if (ascending) {
        cell = at;
        // Now and then a repeated abscissa.
        at += fdp.ConsumeProbability<float>() > 0.95f
                  ? 0.0
                  : fdp.ConsumeFloatingPointInRange<double>(0.01, 100.0);
      } else if (name == "qsurge") {
        cell = fdp.ConsumeFloatingPointInRange<double>(0.0, 60.0);
      } else if (name == "qstone") {
        cell = fdp.ConsumeFloatingPointInRange<double>(60.0, 500.0);
      } else if (name.find("omposition") != name.npos || name == "vapour" ||
                 name.starts_with("liquid")) {
        cell = fraction(fdp);
      } else {
        cell = fdp.ConsumeFloatingPointInRange<double>(-100.0, 500.0);
      }
    }
  }
  if (name == "speed" && rows > 1 && fdp.ConsumeBool()) {
    // Curves in any order: set-up sorts them.
    std::reverse(v.begin(), v.end());
  }
}

// The families the shaped calls reach.
constexpr const char* kShapedProcedures[] = {
    "XV55IF_SPPSPC",         "XV55IF_SPPUMPCURVE",  "XV55IF_SPPCURVE",      "XV55IF_SPVALVE",
    "XV55IF_SPPMIN",         "XV55IF_SPPINT",       "XV55IF_SPPINT3",       "XV55IF_SPDPDZFR",
    "XV55IF_SPPMOM",         "XV55IF_SPDPCONST",    "XV55IF_SPHLD",         "XV55IF_SPPCBR",
    "XV55IF_SPHYDR",         "XV55IF_SPHYDRP",      "XV55IF_EQLBRX",        "XV55IF_SPRKUSR",
    "XV55IF_SPRKUSR1",       "XV55IF_SPRKUSR2",     "XV55IF_SPRKUSR3",      "XV55IF_SPRPUSR",
    "XV55IF_SPRPUSR1",       "XV55IF_SPRPUSR2",     "XV55IF_SPRPUSR3",      "XV55IF_SPBOUSR",
    "XV55IF_SPRADKUSER",     "XV55IF_SPRDKUSR",     "XV55IF_SPRDKUS3",      "XV55IF_SPRPDPDZ_USER",
    "XV55IF_SPRPQFLUX_USER", "XV55IF_SPRPHLD_USER", "XV55IF_SPBOQFLUX_USER"};

const xv55::entry::ProcedureInfo* findProcedure(std::string_view name) {
  for (const auto& p : xv55::entry::procedures()) {
    if (name == p.name) return &p;
  }
  return nullptr;
}

void fuzzShaped(FuzzedDataProvider& fdp) {
  const std::string_view name = pick(fdp, kShapedProcedures);
  const xv55::entry::ProcedureInfo* procedure = findProcedure(name);
  if (!procedure) return;

  Shape z{};
  z.curves = fdp.ConsumeIntegralInRange<std::int64_t>(1, 10);
  z.points = fdp.ConsumeIntegralInRange<std::int64_t>(2, 20);
  z.coefficients = fdp.ConsumeBool() ? 8 : fdp.ConsumeIntegralInRange<std::int64_t>(1, 8);
  z.valvePoints = fdp.ConsumeIntegralInRange<std::int64_t>(1, 12);
  z.inlets = fdp.ConsumeIntegralInRange<std::int64_t>(1, 5);
  z.reactions = fdp.ConsumeIntegralInRange<std::int64_t>(1, 2);
  z.products = fdp.ConsumeIntegralInRange<std::int64_t>(1, 3);

  xv55::BlockBuilder b;
  std::vector<std::int64_t> scalarColumns;
  std::vector<double> values;
  bool tabular = false;
  for (const xv55::entry::ArgumentInfo& info : procedure->arguments) {
    const std::string_view arg = info.name;
    switch (info.kind) {
      case ArgKind::RealIn:
        scalarColumns.push_back(b.real(shapedReal(arg, fdp)));
        break;
      case ArgKind::IntegerIn:
        b.integer(shapedInteger(z, arg, fdp));
        break;
      case ArgKind::TextIn: {
        const char* text = shapedText(name, arg, fdp);
        if (arg == "curveType") tabular = text[0] == 'T';
        b.text(text);
        break;
      }
      case ArgKind::UnusedIn:
        b.real(0.0);
        break;
      case ArgKind::RealVectorIn:
      case ArgKind::IntegerVectorIn: {
        const std::int64_t n = vectorExtent(z, arg, fdp);
        values.assign(static_cast<std::size_t>(n), 0.0);
        if (info.kind == ArgKind::IntegerVectorIn) {
          std::vector<std::int64_t> counts(static_cast<std::size_t>(n));
          for (auto& c : counts) c = fdp.ConsumeIntegralInRange<std::int64_t>(2, z.points);
          b.integers(counts, {n});
        } else {
          shapedArray(arg, n, 1, values, fdp);
          b.reals(values, {n});
        }
        break;
      }
      case ArgKind::RealMatrixIn:
      case ArgKind::IntegerMatrixIn: {
        const auto [rows, columns] = matrixExtents(z, arg, fdp);
        values.assign(static_cast<std::size_t>(rows * columns), 0.0);
        shapedArray(arg, rows, columns, values, fdp);
        b.reals(values, {rows, columns});
        break;
      }
      case ArgKind::RealOut:
        b.output(anyReal(fdp));
        break;
      case ArgKind::RealVectorOut: {
        const std::int64_t n = vectorExtent(z, arg, fdp);
        b.outputs(n, {n}, anyReal(fdp));
        break;
      }
      case ArgKind::RealMatrixOut: {
        const auto [rows, columns] = matrixExtents(z, arg, fdp);
        b.outputs(rows * columns, {rows, columns}, anyReal(fdp));
        break;
      }
      case ArgKind::Trailing:
        break;
    }
  }

  // The workspace a model declares: what the curves need, or a length of its choice.
  std::int64_t work = 0;
  if (name == "XV55IF_SPPUMPCURVE") {
    work = tabular ? 5 * z.points * z.curves : (z.coefficients + 5) * z.curves;
  }
  switch (fdp.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      break;
    case 1:
      work = fdp.ConsumeIntegralInRange<std::int64_t>(0, 12);
      break;
    default:
      work = std::max<std::int64_t>(work, fdp.ConsumeIntegralInRange<std::int64_t>(12, 800));
  }
  b.work.assign(static_cast<std::size_t>(work), 0.0);
  b.hostContext = fdp.ConsumeIntegralInRange<std::int64_t>(0, 2);

  // A solver between passes: the handler answers, the marker moves on now and then.
  g_solver.printSwitch = fdp.ConsumeIntegralInRange<std::int64_t>(-1, 2);
  g_solver.marker = fdp.ConsumeBool() ? 0.0 : 1.0;
  g_solver.equilibrium = fdp.ConsumeIntegralInRange<std::int64_t>(0, 2);
  const InitBlock solver{1, &g_printer,
                         fdp.ConsumeProbability<float>() < 0.9f ? &g_solver : nullptr, 0};
  QRInitialize(&solver);

  // Set up (usually), then evaluate at moved operating points.
  if (fdp.ConsumeProbability<float>() < 0.8f) b.call(procedure->entry, XV55_CALL_SETUP);
  for (int call = fdp.ConsumeIntegralInRange<int>(1, 5); call > 0; --call) {
    if (!scalarColumns.empty() && fdp.ConsumeBool()) {
      const std::int64_t column =
          scalarColumns[fdp.ConsumeIntegralInRange<std::size_t>(0, scalarColumns.size() - 1)];
      double& value = b.inputCell(column).real;
      value = fdp.ConsumeProbability<float>() < 0.1f
                  ? anyReal(fdp)
                  : value * fdp.ConsumeFloatingPointInRange<double>(0.0, 3.0);
    }
    if (fdp.ConsumeProbability<float>() < 0.3f) g_solver.marker += 1.0;
    static constexpr std::int64_t kTypes[] = {0, 4, 4, 3, 1, 2};
    b.call(procedure->entry, kTypes[fdp.ConsumeIntegralInRange<std::size_t>(0, 5)]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Some procedures write traces to standard output on every call; libFuzzer reports
  // on standard error.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  loadFlowsheet();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  startAfresh();
  FuzzedDataProvider fdp(data, size);
  switch (fdp.ConsumeIntegralInRange<int>(0, 9)) {
    case 0:
      fuzzPrint(fdp);
      break;
    case 1:
      fuzzInitialisation(fdp);
      break;
    case 2:
    case 3:
    case 4:
    case 5:
      fuzzProcedure(fdp);
      break;
    default:
      fuzzShaped(fdp);
  }
  return 0;
}
