// The argument block: unpacking rules, views and the export table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "entry/unpack.hpp"
#include "entry/views.hpp"
#include "xv55/xv55.h"

namespace {

using namespace xv55;
using entry::ArgKind;

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
           Workspace work, Jacobian jac, CallMode mode) {
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
          static_cast<double>(mode.code()),
          static_cast<double>(*context.address())};
  status = 4;
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
}

void failing(const double&, Status status) {
  status = 4;
}

TEST(Unpacking, InformationStatusIsSetAfterTheBodyWhenTheTableSaysSo) {
  double cell = 0;
  const std::int64_t position = 1, none = 0;
  std::int64_t status = 0, callType = 0;
  entry::enter<&failing, entry::AfterBody::ReportInformation>(
      {&cell, &none, &cell, &none, &position, &position, &status, &none, nullptr, &none, nullptr,
       &none, &none, &callType});
  EXPECT_EQ(status, 1);
  entry::enter<&failing, entry::AfterBody::Nothing>({&cell, &none, &cell, &none, &position,
                                                     &position, &status, &none, nullptr, &none,
                                                     nullptr, &none, &none, &callType});
  EXPECT_EQ(status, 4);
}

TEST(TextView, ComparesLeadingCharactersAsABlankPaddedFieldWithinItsLength) {
  const Text t("Beggs-Brill");
  EXPECT_TRUE(t.startsWith("Beggs"));
  EXPECT_TRUE(t.startsWith("Beggs-Brill   "));
  EXPECT_FALSE(t.startsWith("beggs-brill"));
  EXPECT_FALSE(t.startsWith("Beggs-Brill X"));
  // Exactly 40 characters and no NUL: a read of the 41st byte would be caught by
  // the address sanitizer.
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
  jac.set(3, 1, 9.0);
  jac.set(1, 4, 9.0);
  jac.set(0, 1, 9.0);
  EXPECT_EQ(storage[5], 1.0);
  EXPECT_EQ(storage[6], 7.0);
  jac.clearBlock(5, 5);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(storage[static_cast<std::size_t>(k)], 0.0);
  EXPECT_EQ(storage[6], 7.0);
}

// The export table against the argument counts and array shapes every host
// model relies on: inputs, outputs and "i<k>:<dims>" / "o<k>:<dims>" arrays.
std::string shapeOf(std::span<const entry::ArgumentInfo> arguments) {
  int in = 0, out = 0;
  std::string arrays;
  for (const entry::ArgumentInfo& a : arguments) {
    const ArgKind k = a.kind;
    const bool input = entry::isInput(k);
    const int index = input ? ++in : ++out;
    if (entry::extentsOf(k) > 0) {
      arrays += std::string(arrays.empty() ? "" : ",") + (input ? "i" : "o") +
                std::to_string(index) + ":" + std::to_string(entry::extentsOf(k));
    }
  }
  return std::to_string(in) + "/" + std::to_string(out) + " " + arrays;
}

TEST(ExportTable, EveryProcedureHasTheArgumentShapeHostsUse) {
  const std::map<std::string, std::string> expected = {
      {"XV55IF_SPSQRT", "1/1 "},
      {"XV55IF_SPRAMP", "5/1 "},
      {"XV55IF_SPLIM_ABS", "3/1 "},
      {"XV55IF_SPQUAL", "5/1 "},
      {"XV55IF_SPRECV", "2/1 i1:1,o1:1"},
      {"XV55IF_SPMATR", "2/1 i1:2,i2:1,o1:1"},
      {"XV55IF_SPPROD", "2/1 i1:1,i2:2,o1:1"},
      {"XV55IF_SPDISF", "6/2 i1:1,i2:1,i4:1,i5:1,i6:1,o1:1,o2:1"},
      {"XV55IF_SPPRD1", "2/1 i1:1,i2:1"},
      {"XV55IF_SPRFAC", "2/1 i1:1,i2:1"},
      {"XV55IF_SPVISCCORR", "1/1 "},
      {"XV55IF_SPRPPROFILE", "3/1 i2:1,i3:1"},
      {"XV55IF_PSIMPINT", "7/3 "},
      {"XV55IF_PDIENERINT", "11/3 "},
      {"XV55IF_SPENTH_MOLAR", "3/1 o1:1"},
      {"XV55IF_SPPUMPCURVE", "11/1 i4:1,i6:1,i7:2,i8:2,i9:2"},
      {"XV55IF_SPPCURVE", "14/3 i4:1,i7:1,i8:2,i9:2,i10:2,i11:1,i12:1"},
      {"XV55IF_SPPSPC", "4/1 "},
      {"XV55IF_SPVALVE", "7/1 i2:1,i3:1"},
      {"XV55IF_SPEFFP", "3/1 "},
      {"XV55IF_SPPMIN", "2/1 i1:1"},
      {"XV55IF_SPPCONV", "14/11 "},
      {"XV55IF_SPFKCAL", "4/1 i3:1"},
      {"XV55IF_SPPINT", "15/3 "},
      {"XV55IF_SPPINT3", "18/3 "},
      {"XV55IF_SPPMOM", "17/2 "},
      {"XV55IF_SPDPDZFR", "19/1 "},
      {"XV55IF_SPDPCONST", "20/1 "},
      {"XV55IF_SPHLD", "13/1 "},
      {"XV55IF_SPPCBR", "2/1 "},
      {"XV55IF_SPPSONH", "5/1 i3:1"},
      {"XV55IF_SPPSON", "5/1 i3:1"},
      {"XV55IF_SPPSONHP", "8/1 i3:1,i7:1"},
      {"XV55IF_SPHYDR", "15/10 "},
      {"XV55IF_SPHYDRP", "16/10 "},
      {"XV55IF_SPRKUSR", "25/1 i7:1,i9:2,i10:1,i11:1,i15:1,i16:1,o1:1"},
      {"XV55IF_SPRKUSR1", "27/1 i9:1,i11:2,i12:1,i13:1,i17:1,i18:1,o1:1"},
      {"XV55IF_SPRKUSR2", "29/1 i9:1,i10:1,i11:1,i13:2,i14:1,i15:1,i19:1,i20:1,o1:1"},
      {"XV55IF_SPRKUSR3", "30/1 i9:1,i10:1,i11:1,i12:1,i14:2,i15:1,i16:1,i20:1,i21:1,o1:1"},
      {"XV55IF_SPRPUSR", "32/1 i14:1,i16:2,i17:1,i18:1,i22:1,i23:1,o1:1"},
      {"XV55IF_SPRPUSR1", "34/1 i16:1,i18:2,i19:1,i20:1,i24:1,i25:1,o1:1"},
      {"XV55IF_SPRPUSR2", "36/1 i16:1,i17:1,i18:1,i20:2,i21:1,i22:1,i26:1,i27:1,o1:1"},
      {"XV55IF_SPRPUSR3", "37/1 i16:1,i17:1,i18:1,i19:1,i21:2,i22:1,i23:1,i27:1,i28:1,o1:1"},
      {"XV55IF_SPBOUSR", "23/1 i5:1,i7:2,i8:1,i9:1,i13:1,i14:1,o1:1"},
      {"XV55IF_SPRADKUSER", "28/1 i7:1,i9:2,i10:1,i11:1,i15:1,i16:1,o1:1"},
      {"XV55IF_SPRDKUSR", "21/1 i7:1,i8:1,i9:2,i16:1,i17:1,i18:1,i19:1,o1:1"},
      {"XV55IF_SPRDKUS3", "24/1 i9:1,i10:1,i11:1,i12:2,i19:1,i20:1,i21:1,i22:1,o1:1"},
      {"XV55IF_SPRPDPDZ_USER", "47/3 i16:1,i24:1,i32:1,i44:1,i45:1,o3:1"},
      {"XV55IF_SPRPQFLUX_USER", "46/2 i16:1,i24:1,i32:1,i43:1,i44:1,o2:1"},
      {"XV55IF_SPRPHLD_USER", "25/1 i9:1,i22:1,i23:1"},
      {"XV55IF_SPBOQFLUX_USER", "18/2 i4:1,i15:1,i16:1,o2:1"},
      {"XV55IF_EQLBRX", "10/4 i6:1,o1:1,o2:2,o3:1,o4:1"},
  };
  // Every row of the table has the shape hosts use, and every argument is named.
  for (const auto& p : entry::procedures()) {
    ASSERT_TRUE(expected.count(p.name)) << p.name << " is not a procedure hosts know";
    EXPECT_EQ(shapeOf(p.arguments), expected.at(p.name)) << p.name;
    for (const entry::ArgumentInfo& a : p.arguments) {
      EXPECT_TRUE(a.name && *a.name) << p.name;
      EXPECT_NE(a.unit, nullptr) << p.name;
    }
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

// Every table row is in the export list, and every procedure in the list has a
// row; the ABI test checks the list against the library's dynamic symbols, so
// rows, list and exports agree both ways.
TEST(ExportTable, RowsAndTheExportListAgreeBothWays) {
  std::ifstream list(XV55_EXPORT_LIST);
  ASSERT_TRUE(list.good());
  std::set<std::string> listed;
  for (std::string name; std::getline(list, name);) {
    if (name.rfind("XV55IF_", 0) == 0) listed.insert(name);
  }
  std::set<std::string> rows;
  for (const auto& p : entry::procedures()) {
    EXPECT_TRUE(rows.insert(p.name).second) << p.name << " has two rows";
    EXPECT_NE(p.entry, nullptr);
  }
  EXPECT_EQ(rows, listed);
}

}  // namespace
