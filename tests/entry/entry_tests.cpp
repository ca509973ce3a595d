// The argument block: unpacking rules, views and the export table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "entry/unpack.hpp"
#include "entry/views.hpp"
#include "support/capture_printer.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using namespace xv55;

// The host's arrays of the current call, and what the probe body saw in them.
const void* g_inputs = nullptr;
const void* g_outputs = nullptr;
std::vector<double> seen;

double cellOf(const void* address, const void* base) {
  return static_cast<double>(
      (static_cast<const char*>(address) - static_cast<const char*>(base)) / 8 + 1);
}

void probe(const double& scalar, Matrix<const double> m, Vector<const std::int64_t> v, Text t,
           Unused, double& out, Vector<double> outs, Status status, HostContext context,
           Workspace work, Jacobian jac, entry::HostCallType call) {
  seen = {scalar,
          cellOf(m.data(), g_inputs),
          static_cast<double>(m.rows() * 10 + m.columns()),
          static_cast<double>(v(2) * 10 + v.size()),
          t.startsWith("Tabular data ") ? 1.0 : 0.0,
          cellOf(&out, g_outputs),
          cellOf(outs.data(), g_outputs),
          static_cast<double>(outs.size()),
          static_cast<double>(work.length()),
          static_cast<double>(jac.rows() * 100 + jac.columns()),
          static_cast<double>(call.mode().code()),
          static_cast<double>(*context.address())};
  status = 4;
  *call.address() = 7;  // the user-routine interfaces see the host's own callType cell
}

TEST(Unpacking, ArgumentsFollowTheirPositionsAndExtentsInOrder) {
  // Inputs laid out out of order: the scalar sits in cell 1, the matrix (2 x 3) in
  // cells 2..7, the unused input in cell 9, the integer vector (2 cells) in 10..11,
  // the text in 12..16.
  std::vector<double> inputs(16, 0.0);
  inputs[0] = 42.0;
  const std::int64_t vector[2] = {5, 6};
  std::memcpy(&inputs[9], vector, sizeof vector);
  std::memcpy(&inputs[11], "Tabular data", 13);
  const std::int64_t inputPositions[] = {1, 2, 10, 12, 9}, inputSizes[] = {2, 3, 2};
  std::vector<double> outputs(5, 0.0);
  const std::int64_t outputPositions[] = {5, 1}, outputSizes[] = {4};
  std::int64_t status = 0, callType = 4;
  const std::int64_t context = 99, workLength = 3, rows = 5, columns = 16;
  double work[3] = {};
  std::vector<double> derivatives(80, 0.0);
  g_inputs = inputs.data();
  g_outputs = outputs.data();
  entry::enter<&probe, entry::AfterBody::Nothing>(
      {inputs.data(), inputSizes, outputs.data(), outputSizes, inputPositions, outputPositions,
       &status, &context, work, &workLength, derivatives.data(), &rows, &columns, &callType});
  EXPECT_EQ(seen, (std::vector<double>{42, 2, 23, 62, 1, 5, 1, 4, 3, 516, 4, 99}));
  EXPECT_EQ(status, 4);
  EXPECT_EQ(callType, 7);
}

// A text field of exactly 40 characters and no NUL is compared within its 40: a read
// of the 41st byte would be caught by the address sanitizer.  (The keyword rule
// itself is the text helpers'.)
TEST(TextView, StaysWithinAFullFieldWithoutTerminator) {
  auto field = std::make_unique<char[]>(40);
  std::memset(field.get(), 'a', 40);
  const Text full(field.get());
  EXPECT_TRUE(full.startsWith(std::string(40, 'a')));
  EXPECT_FALSE(full.startsWith(std::string(41, 'a')));
}

// The keyword rule read straight from the field: a NUL ends the name, what follows
// it is never part of it, and a name that ends early compares as blank-padded.
TEST(TextView, KeywordsAndCharactersEndAtTheNulOrTheDeclaredLength) {
  const char field[] = "No\0Yes and more";
  const Text no(field);
  for (const char* keyword : {"No", "N", "", "No   "})
    EXPECT_TRUE(no.startsWith(keyword)) << keyword;
  for (const char* keyword : {"NoYes", "No Yes", "no", "No  x"})
    EXPECT_FALSE(no.startsWith(keyword)) << keyword;
  EXPECT_EQ(no.chars(), "No");
  EXPECT_EQ(no.at(2), 'o');
  EXPECT_EQ(no.at(4), ' ');  // past the NUL, though 'Y' is stored there
  EXPECT_EQ(no.at(0), ' ');

  const Text five("Tabular data", 5);  // a field declared 5 characters long
  EXPECT_TRUE(five.startsWith("Tabul"));
  EXPECT_FALSE(five.startsWith("Tabula"));  // longer than the field
  EXPECT_EQ(five.at(5), 'l');
  EXPECT_EQ(five.at(6), ' ');
  EXPECT_EQ(five.chars(), "Tabul");

  const Text missing(nullptr);
  EXPECT_TRUE(missing.startsWith("   "));
  EXPECT_FALSE(missing.startsWith("No"));
  EXPECT_EQ(missing.at(1), ' ');
  EXPECT_TRUE(missing.chars().empty());
}

TEST(JacobianView, WritesStayInsideTheHostMatrix) {
  std::vector<double> storage(2 * 3 + 1, 7.0);  // one guard element after the matrix
  const Jacobian jac(storage.data(), 2, 3);
  jac.set(2, 3, 1.0);
#if !XV55_CHECKED_VIEWS  // a checked build stops instead (checked_views_tests)
  for (auto [i, j] : {std::pair{3, 1}, std::pair{1, 4}, std::pair{0, 1}})
    jac.set(i, j, 9.0);  // outside: dropped
#endif
  EXPECT_EQ(storage[5], 1.0);
  EXPECT_EQ(storage[6], 7.0);
  jac.clearBlock(5, 5);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(storage[static_cast<std::size_t>(k)], 0.0);
  EXPECT_EQ(storage[6], 7.0);

  // Rows 1..2 of a 3-row matrix: each column's third element stays.
  std::vector<double> three(3 * 2, 7.0);
  Jacobian(three.data(), 3, 2).clearBlock(2, 2);
  EXPECT_EQ(three, (std::vector<double>{0, 0, 7, 0, 0, 7}));
}

// Extents a 32-bit count cannot hold: element (i, j) stays at (i - 1) + (j - 1) rows,
// never at a stride cut to the low 32 bits of the row count.
TEST(JacobianView, ExtentsBeyondThirtyTwoBitsKeepTheirStride) {
  constexpr std::int64_t kTwoTo32 = std::int64_t{1} << 32;
  std::vector<double> storage(8, 7.0);
  const Jacobian tall(storage.data(), kTwoTo32 + 5, 3);  // only column 1 is addressable
  EXPECT_EQ(tall.rows(), kTwoTo32 - 1);
  EXPECT_EQ(tall.columns(), 1);
  tall.set(2, 1, 1.0);
  EXPECT_EQ(storage[1], 1.0);
  EXPECT_EQ(tall.get(1, 2), 0.0);
  const Jacobian wide(storage.data(), 2, 2 * kTwoTo32);
  EXPECT_EQ(wide.rows(), 2);
  EXPECT_EQ(wide.columns(), kTwoTo32 - 1);
  wide.set(2, 3, 3.0);
  EXPECT_EQ(storage[5], 3.0);
  const Jacobian negative(storage.data(), -2, 3);
  EXPECT_EQ(negative.rows(), 0);
  EXPECT_EQ(negative.get(1, 1), 0.0);
}

// The export table against tests/abi/exports.txt, which lists every procedure with
// the argument shape host models rely on: "<inputs>/<outputs>" and the arrays among
// them, "i<k>:<dims>" or "o<k>:<dims>".  The ABI test checks the same list against
// the library's dynamic symbols, so rows, list and exports agree both ways.
std::string shapeOf(std::span<const entry::ArgumentInfo> arguments) {
  int in = 0, out = 0;
  std::string arrays;
  for (const entry::ArgumentInfo& a : arguments) {
    const bool input = entry::isInput(a.kind);
    const int index = input ? ++in : ++out;
    if (entry::extentsOf(a.kind) > 0) {
      arrays += std::string(arrays.empty() ? "" : ",") + (input ? "i" : "o") +
                std::to_string(index) + ":" + std::to_string(entry::extentsOf(a.kind));
    }
  }
  return std::to_string(in) + "/" + std::to_string(out) + (arrays.empty() ? "" : " " + arrays);
}

TEST(ExportTable, EveryProcedureIsListedWithTheArgumentShapeHostsUse) {
  std::ifstream list(XV55_EXPORT_LIST);
  ASSERT_TRUE(list.good());
  std::map<std::string, std::string> listed;
  for (std::string line; std::getline(list, line);) {
    const auto space = line.find(' ');
    if (line.rfind("XV55IF_", 0) == 0) listed[line.substr(0, space)] = line.substr(space + 1);
  }
  std::map<std::string, std::string> rows;
  for (const auto& p : entry::procedures()) {
    EXPECT_TRUE(rows.emplace(p.name, shapeOf(p.arguments)).second) << p.name << " has two rows";
    EXPECT_NE(p.entry, nullptr);
    for (const entry::ArgumentInfo& a : p.arguments) {
      EXPECT_TRUE(a.name && *a.name && a.unit) << p.name;
    }
  }
  EXPECT_EQ(rows, listed);
}

// Tools show every real argument with its unit ("1" for a dimensionless one), so a
// real argument without one is a gap in what a user reads.
TEST(ExportTable, EveryRealArgumentHasAUnit) {
  using enum entry::ArgKind;
  const std::set<entry::ArgKind> reals = {RealIn,  RealVectorIn,  RealMatrixIn,
                                          RealOut, RealVectorOut, RealMatrixOut};
  for (const entry::ProcedureInfo& p : entry::procedures()) {
    for (const entry::ArgumentInfo& a : p.arguments) {
      if (reals.contains(a.kind)) {
        EXPECT_TRUE(a.unit && *a.unit) << p.name << " argument " << a.name << " has no unit";
      }
    }
  }
}

// Records built from field groups list their arguments flat, in the order hosts pass
// them (the input tables of docs/pipe.md, docs/numerics.md, docs/properties.md and
// docs/columns.md): a group declared in the wrong place, or with its fields
// reordered, would hand every later input to the wrong quantity.
TEST(ExportTable, GroupedRecordsKeepTheHostsArgumentOrder) {
  const std::vector<std::string> phases = {"pressure",    "liquidFraction", "liquidDensity",
                                           "gasDensity",  "surfaceTension", "liquidViscosity",
                                           "gasViscosity"};
  const auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const std::vector<std::string> names = {"holdupCorrelation", "pressureDropCorrelation"};
  const std::map<std::string, std::vector<std::string>> expected = {
      {"XV55IF_SPPINT3",
       join({{"diameter", "length", "frictionDivisor", "angle", "roughness", "bedVoidFraction",
              "particleSphericity", "particleDiameter", "velocity"},
             phases,
             names,
             {"holdup", "frictionLoss", "accelerationLoss"}})},
      {"XV55IF_SPDPCONST",
       join({{"diameter", "angle", "roughness", "bedVoidFraction", "particleSphericity",
              "particleDiameter", "sign", "velocity", "massFlow", "quality"},
             phases,
             {"gradientDivisor"},
             names,
             {"coefficient"}})},
      {"XV55IF_SPHLD", join({{"diameter", "angle", "velocity", "massFlow", "quality"},
                             phases,
                             {"holdupCorrelation", "holdup"}})},
      {"XV55IF_PDIENERINT",
       {"p0", "ps", "pb", "v0", "a", "n", "s", "rho", "w", "mode", "intervals", "flux", "pmax",
        "discharge"}},
      {"XV55IF_SPPSONHP",
       {"enthalpy", "pressure", "fractions", "molecularWeight", "unitSet", "streamDatum6",
        "streamVector7", "streamDatum8", "velocity"}},
      {"XV55IF_SPHYDRP",
       {"blockId",
        "section",
        "stage",
        "stageDatum",
        "option",
        "length",
        "pressure",
        "liquidFlow",
        "vapourFlow",
        "liquidMolarDensity",
        "vapourMolarDensity",
        "liquidMw",
        "vapourMw",
        "liquidSurfaceTension",
        "liquidViscosity",
        "stageDatum2",
        "ratedPressure",
        "holdup",
        "trayPressureDrop",
        "dryTrayPressureDrop",
        "clearLiquidHeight",
        "weirCrest",
        "floodFraction",
        "floodingCapacityFactor",
        "downcomerBackup",
        "downcomerResidenceTime"}}};
  std::map<std::string, std::vector<std::string>> listed;
  for (const entry::ProcedureInfo& p : entry::procedures()) {
    if (!expected.contains(p.name)) continue;
    for (const entry::ArgumentInfo& a : p.arguments) listed[p.name].push_back(a.name);
  }
  EXPECT_EQ(listed, expected);
}

// The public header declares, in the entry form, exactly the procedures of the
// export table: a row without its declaration, or a declaration left behind, shows
// up here by name.
TEST(ExportTable, ThePublicHeaderDeclaresEveryProcedureAndNoOther) {
  std::ifstream header(XV55_PUBLIC_HEADER);
  ASSERT_TRUE(header.good());
  const std::string text{std::istreambuf_iterator<char>(header), {}};
  const std::regex entryPoint(
      R"(XV55_API\s+void\s+(XV55IF_\w+)\s*\(\s*XV55_ENTRY_PARAMS\s*\)\s*;)");
  std::set<std::string> declared;
  for (auto m = std::sregex_iterator(text.begin(), text.end(), entryPoint);
       m != std::sregex_iterator(); ++m) {
    EXPECT_TRUE(declared.insert((*m)[1]).second) << (*m)[1] << " is declared twice";
  }
  // Any other mention of an entry point name followed by "(" is a declaration in
  // some other form.
  const std::regex anyCall(R"((XV55IF_\w+)\s*\()");
  for (auto m = std::sregex_iterator(text.begin(), text.end(), anyCall);
       m != std::sregex_iterator(); ++m) {
    EXPECT_TRUE(declared.contains((*m)[1])) << (*m)[1] << " is not declared as an entry point";
  }
  std::set<std::string> registered;
  for (const auto& p : entry::procedures()) registered.insert(p.name);
  for (const auto& name : registered) {
    EXPECT_TRUE(declared.contains(name)) << name << " has a table row but no declaration";
  }
  for (const auto& name : declared) {
    EXPECT_TRUE(registered.contains(name)) << name << " is declared but has no table row";
  }
}

// A real procedure with its inputs laid out back to front and with gaps: values
// come from the right cells and each derivative goes to its argument's column, not
// to the column of the cell it is stored in.
TEST(Unpacking, DerivativeColumnsFollowArgumentOrderNotStorage) {
  // SPQUAL(x, c, d, a, b): x = 0.5 between a = 0 and b = 1, so y = (x - c)/(d - c).
  const double x = 0.5, c = 0.2, d = 1.2, a = 0.0, b = 1.0;
  std::vector<double> inputs = {b, -1, a, d, -1, -1, c, x};
  const std::int64_t inputPositions[] = {8, 7, 4, 3, 1}, none[] = {0};
  std::vector<double> outputs = {-1, -1, 0};
  const std::int64_t outputPositions[] = {3};
  std::int64_t status = 0, callType = 4;
  const std::int64_t context = 0, workLength = 0, rows = 3, columns = 5;
  std::vector<double> jac(15, -9.0);
  XV55IF_SPQUAL(inputs.data(), none, outputs.data(), none, inputPositions, outputPositions, &status,
                &context, nullptr, &workLength, jac.data(), &rows, &columns, &callType);
  const double w = d - c;
  EXPECT_DOUBLE_EQ(outputs[2], (x - c) / w);
  // Row 1 (the only output), columns x, c, d, a, b.
  const std::vector<double> row = {jac[0], jac[3], jac[6], jac[9], jac[12]};
  const std::vector<double> want = {1 / w, (x - d) / (w * w), -(x - c) / (w * w), 0, 0};
  for (std::size_t k = 0; k < want.size(); ++k) EXPECT_DOUBLE_EQ(row[k], want[k]) << k;
  EXPECT_EQ(jac[1], -9.0);  // rows 2 and 3 belong to no output
}

// ---- the derivative matrix's shape ----

// The entry point under test, called with the builder's (correct) shape changed and,
// when g_replaceStorage is set, g_storage as the matrix.
Xv55Entry g_target = nullptr;
std::int64_t g_rowsChange = 0, g_columnsChange = 0;
bool g_replaceStorage = false;
double* g_storage = nullptr;
void reshaped(XV55_ENTRY_PARAMS) {
  const std::int64_t rows = *derivativeRows + g_rowsChange;
  const std::int64_t columns = *derivativeColumns + g_columnsChange;
  g_target(inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,
           hostContext, realWork, realWorkLength, g_replaceStorage ? g_storage : derivatives, &rows,
           &columns, callType);
}

// A refused call: status 4, one message naming the entry point and the shape it needs,
// nothing written.
void expectRefused(BlockBuilder& b, const xv55::testing::CapturePrinter& printer,
                   const std::string& name, const std::string& what) {
  EXPECT_EQ(b.status, 4) << what;
  EXPECT_EQ(printer.severities, std::vector<std::int32_t>{4}) << what;
  const std::string needs =
      std::to_string(b.outputCells()) + " rows x " + std::to_string(b.inputColumns()) + " columns";
  EXPECT_NE(printer.text().find(name + "-E-"), std::string::npos) << what;
  EXPECT_NE(printer.text().find(needs), std::string::npos) << what << " " << needs;
  for (std::int64_t row = 1; row <= b.outputCells(); ++row) {
    EXPECT_EQ(b.out(row), -1.0) << what;
    for (std::int64_t j = 1; j <= b.inputColumns(); ++j) {
      EXPECT_EQ(b.derivative(row, j), BlockBuilder::kUntouched) << what;
    }
  }
}

// SPMATR, y = A b with A 2 x 2 and b of 2: 2 output rows, 6 input columns.
TEST(DerivativeShape, ASmallerNegativeOrMissingMatrixIsRefusedOnDerivativeCallsOnly) {
  struct Case {
    std::int64_t rowsChange, columnsChange, callType;
    bool refused, noStorage = false;
  };
  const Case cases[] = {{0, 0, 4, false},   {1, 3, 3, false},      {-1, 0, 4, true},
                        {0, -1, 3, true},   {-3, 0, 4, true},      {0, -7, 4, true},
                        {-2, -6, 4, true},  {0, 0, 4, true, true}, {-1, -1, 0, false},
                        {-3, -7, 0, false}, {-1, -1, 2, false}};
  g_target = XV55IF_SPMATR;
  for (const Case& c : cases) {
    xv55::testing::ScopedCapture capture;
    BlockBuilder b;
    b.reals(std::vector<double>{1.0, 3.0, 2.0, 4.0}, {2, 2});  // A = [1 2; 3 4]
    b.reals({5.0, 6.0});
    b.outputs(2, {2}, -1.0);
    b.callType = c.callType;
    g_rowsChange = c.rowsChange;
    g_columnsChange = c.columnsChange;
    std::vector<double> larger(3 * 9);  // a larger matrix keeps the writes in storage
    g_replaceStorage = c.rowsChange > 0 || c.noStorage;
    g_storage = c.noStorage ? nullptr : larger.data();
    b.call(&reshaped);
    g_replaceStorage = false;
    const std::string what = std::to_string(c.rowsChange) + "," + std::to_string(c.columnsChange) +
                             " type " + std::to_string(c.callType);
    if (c.refused) {
      expectRefused(b, capture.printer, "XV55IF_SPMATR", what);
    } else {
      EXPECT_EQ(b.status, 0) << what;
      EXPECT_TRUE(capture.printer.lines.empty()) << what;
      if (c.callType == 0 || c.callType == 4) {
        EXPECT_EQ(b.out(1), 1 * 5 + 2 * 6) << what;
        EXPECT_EQ(b.out(2), 3 * 5 + 4 * 6) << what;
      }
    }
  }
}

// Every procedure with derivatives refuses a matrix one row or one column short,
// before its body runs (the workspace stays as it was).  The list is that of the
// interface: the procedures whose trailing arguments carry a derivative matrix, and
// SPPINT.
TEST(DerivativeShape, EveryProcedureWithDerivativesRefusesAShortMatrix) {
  const std::set<std::string> expected = {
      "XV55IF_SPSQRT", "XV55IF_SPRAMP", "XV55IF_SPLIM_ABS",   "XV55IF_SPQUAL",
      "XV55IF_SPRECV", "XV55IF_SPMATR", "XV55IF_SPPUMPCURVE", "XV55IF_SPPCURVE",
      "XV55IF_SPPSPC", "XV55IF_SPEFFP", "XV55IF_SPPMIN",      "XV55IF_SPPINT"};
  std::set<std::string> found;
  const std::vector<double> one = {1.0};
  const std::vector<std::int64_t> oneInteger = {1};
  using enum entry::ArgKind;
  for (const entry::ProcedureInfo& p : entry::procedures()) {
    if (!p.writesDerivatives) continue;
    found.insert(p.name);
    for (const auto& [rowsChange, columnsChange] : {std::pair{-1, 0}, std::pair{0, -1}}) {
      xv55::testing::ScopedCapture capture;
      BlockBuilder b;
      for (const entry::ArgumentInfo& a : p.arguments) {
        if (a.kind == RealIn) b.real(1.0);
        if (a.kind == IntegerIn) b.integer(1);
        if (a.kind == TextIn || a.kind == UnusedIn) b.text("x");
        if (a.kind == RealVectorIn || a.kind == RealMatrixIn)
          b.reals(one, a.kind == RealVectorIn ? std::initializer_list<std::int64_t>{1}
                                              : std::initializer_list<std::int64_t>{1, 1});
        if (a.kind == IntegerVectorIn || a.kind == IntegerMatrixIn)
          b.integers(oneInteger, a.kind == IntegerVectorIn
                                     ? std::initializer_list<std::int64_t>{1}
                                     : std::initializer_list<std::int64_t>{1, 1});
        if (a.kind == RealOut) b.output(-1.0);
        if (a.kind == RealVectorOut) b.outputs(1, {1}, -1.0);
        if (a.kind == RealMatrixOut) b.outputs(1, {1, 1}, -1.0);
      }
      g_target = p.entry;
      g_rowsChange = rowsChange;
      g_columnsChange = columnsChange;
      b.work.assign(64, 0.0);
      b.call(&reshaped);
      expectRefused(b, capture.printer, p.name, p.name);
      for (double w : b.work) EXPECT_EQ(w, 0.0) << p.name;
    }
  }
  EXPECT_EQ(found, expected);
}

}  // namespace
