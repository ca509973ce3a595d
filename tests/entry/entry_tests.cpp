// The argument block: unpacking rules, views and the export table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "entry/unpack.hpp"
#include "entry/views.hpp"
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

TEST(JacobianView, WritesStayInsideTheHostMatrix) {
  std::vector<double> storage(2 * 3 + 1, 7.0);  // one guard element after the matrix
  const Jacobian jac(storage.data(), 2, 3);
  jac.set(2, 3, 1.0);
  for (auto [i, j] : {std::pair{3, 1}, std::pair{1, 4}, std::pair{0, 1}})
    jac.set(i, j, 9.0);  // outside: ignored
  EXPECT_EQ(storage[5], 1.0);
  EXPECT_EQ(storage[6], 7.0);
  jac.clearBlock(5, 5);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(storage[static_cast<std::size_t>(k)], 0.0);
  EXPECT_EQ(storage[6], 7.0);
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

}  // namespace
