// The layer every procedure family shares: constants, texts and keywords, reports,
// the once-per-marker warning, argument records and their columns, host wrappers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "common/units.hpp"
#include "entry/record.hpp"
#include "host/services.hpp"
#include "print/report.hpp"
#include "support/capture_printer.hpp"
#include "xv55/block_builder.hpp"
#include "xv55/host_objects.hpp"
#include "xv55/refhost.hpp"

namespace {

using namespace xv55;

// The double values stored models depend on, for each single-precision constant
// the procedures use.
TEST(Constants, SinglePrecisionLiteralsWidenToTheStoredDoubles) {
  using units::single;
  const std::pair<double, double> pins[] = {
      {single(0.4999f), 0.4999000132083893},      {single(0.9f), 0.8999999761581421},
      {single(9.81f), 9.8100004196167},           {single(1.18f), 1.1799999475479126},
      {single(0.2f), 0.20000000298023224},        {single(0.001f), 0.0010000000474974513},
      {single(0.1f), 0.10000000149011612},        {single(0.32f), 0.3199999928474426},
      {single(0.0056f), 0.00559999980032444},     {single(18.7f), 18.700000762939453},
      {single(1.74f), 1.7400000095367432},        {single(0.01f), 0.009999999776482582},
      {single(0.05f), 0.05000000074505806},       {single(8314.33f), 8314.330078125},
      {single(1.001f), 1.0010000467300415},       {single(1e-5f), 9.999999747378752e-06},
      {single(1e-6f), 9.999999974752427e-07},     {single(1e-8f), 9.99999993922529e-09},
      {single(1.21f), 1.2100000381469727},        {single(1.1f), 1.100000023841858},
      {single(1e-9f), 9.999999717180685e-10},     {single(31622.7f), 31622.69921875},
      {single(0.248534f), 0.24853399395942688},   {single(0.5668f), 0.5667999982833862},
      {single(0.20326f), 0.20326000452041626},    {single(0.0097806938f), 0.009780693799257278},
      {single(0.05237051f), 0.05237051099538803},
  };
  for (const auto& [value, stored] : pins) EXPECT_EQ(value, stored);
  EXPECT_EQ(units::kMetresPerFootSingle, 0.30480000376701355);
  EXPECT_EQ(units::kKelvinAtZeroCelsiusSingle, 273.1499938964844);
  EXPECT_EQ(units::kCubicMetresPerCubicFootSingle, 0.02832059934735298);
  EXPECT_EQ(units::kPoundsPerKilogramSingle, 2.204622507095337);
  EXPECT_EQ(units::kGravitySingle, 9.8100004196167);
  EXPECT_EQ(units::kGasConstantSingle, 8314.330078125);
  // 100000 x 0.3048 / 6894.7573, the Friedel scale of the pipe procedures.
  EXPECT_EQ(units::kPascalsPerBar * units::kMetresPerFoot / units::kPascalsPerPsi,
            4.4207502416364965);
  EXPECT_EQ(units::kTextLength, 40);
}

TEST(Texts, ReadUpToTheTerminatorOrTheDeclaredLengthAndMatchKeywordsByTheirLength) {
  // A field without a terminator is read to its declared length, never beyond.
  const char field[12] = {'H', 'a', 'r', 'w', 'e', 'l', 'l', 'X', 'Y', 'Z', '!', '?'};
  EXPECT_EQ(text::read(field, 10), "HarwellXYZ");
  EXPECT_EQ(text::read("Tabular data\0junk", 40), "Tabular data");
  EXPECT_EQ(text::read(nullptr, 40), "");
  EXPECT_EQ(text::read(field, -1), "");

  EXPECT_TRUE(text::matchesKeyword("Beggs-Brill and more", "Beggs-Brill"));
  EXPECT_FALSE(text::matchesKeyword("beggs-brill", "Beggs-Brill"));
  EXPECT_FALSE(text::matchesKeyword("Beggs", "Beggs-Brill"));
  // A shorter name compares as if blank-padded.
  EXPECT_TRUE(text::matchesKeyword("TRAY", "TRAY    ", 8));
  EXPECT_FALSE(text::matchesKeyword("TRAYCOL", "TRAY    ", 8));
  EXPECT_FALSE(text::matchesKeyword(std::string(40, 'a'), std::string(41, 'a')));
  EXPECT_TRUE(text::matchesKeyword("anything", ""));

  EXPECT_STREQ(text::padded<12>("Poly").c_str(), "Poly        ");
  EXPECT_STREQ(text::padded<4>("Polynomials").c_str(), "Poly");
}

// Reports set status first and print with that severity; typed values.
TEST(Reports, SetStatusAndPrintWithItsSeverity) {
  xv55::testing::ScopedCapture capture;
  std::int64_t cell = 0;
  const double speed = 1450.5;
  const std::int64_t needed = 120;
  const auto name = text::padded<12>("Splines");
  report(Status(&cell), kWarning, " speed %g, need %d, type \"%s\"\\n and %%", speed, needed, name);
  EXPECT_EQ(cell, kWarning);
  EXPECT_EQ(capture.printer.lines,
            // Through the bridge a text value loses its trailing blanks.
            (std::vector<std::string>{" speed 1450.5, need 120, type \"Splines\"", " and %"}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{kWarning});
  capture.printer.clear();
  print::note(0, "F-X-plain");
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{0});
  EXPECT_EQ(cell, kWarning);
}

// A host options handler answering the solver marker (31) and print switch (20).
class Options final : public QSMOptionsHandler {
 public:
  std::int32_t request(std::int32_t code, std::int64_t* integer, double* value,
                       const char**) override {
    ++requests;
    if (code == 31) *value = marker;
    if (code == 20) *integer = printing;
    return 0;
  }
  double marker = 0.0;
  std::int64_t printing = 1;
  int requests = 0;
};

TEST(Reports, WarningOncePerSolverMarker) {
  xv55::testing::ScopedCapture capture;
  Options options;
  const InitBlock block{1, &capture.printer, &options, 0};
  ASSERT_EQ(QRInitialize(&block), 1);
  std::int64_t status = 0;
  double slot = 0.0;
  const auto warn = [&] { return warnOncePerMarker(&slot, Status(&status), " W-limit\\n"); };

  options.marker = 5.0;
  EXPECT_TRUE(warn());
  EXPECT_EQ(slot, 5.0);
  EXPECT_EQ(status, kWarning);
  status = 0;
  options.marker = 5.0 + 5e-11;  // within the tolerance: the same marker
  EXPECT_FALSE(warn());
  EXPECT_EQ(status, 0);
  options.marker = 5.0 + 2e-10;
  EXPECT_TRUE(warn());
  // A marker below the tolerance counts as unset: every call warns.
  options.marker = 0.0;
  EXPECT_TRUE(warn());
  EXPECT_TRUE(warn());
  // Printing disabled: nothing issued, status and slot kept.
  options.marker = 9.0;
  options.printing = 0;
  status = 0;
  EXPECT_FALSE(warn());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(slot, 0.0);
  // No slot: due whenever printing is enabled.
  options.printing = 1;
  EXPECT_TRUE(warnOncePerMarker(nullptr, Status(&status), " W-limit\\n"));
  EXPECT_EQ(capture.printer.lines.size(), 5U);
  const InitBlock none{1, nullptr, nullptr, 0};
  QRInitialize(&none);
}

// ---- argument records ----

XV55_RECORD(ProbeArguments,
            (Text, type, ""),
            (const std::int64_t&, count, ""),
            (Matrix<const double>, table, "m"),
            (const double&, speed, "rpm"),
            (Unused, spare, ""),
            (Vector<const double>, flows, "m3/h"),
            (double&, head, "m"),
            (Vector<double>, margins, "%"));

ProbeArguments::Cells g_at;
std::vector<double> g_seen;

void probe(const ProbeArguments& a) {
  g_at = a.at;
  g_seen = {a.type.startsWith("Tabular data") ? 1.0 : 0.0,
            static_cast<double>(a.count),
            a.table(2, 3),
            a.speed,
            a.flows(2),
            static_cast<double>(a.margins.size())};
  a.head = 99.0;
  a.margins(1) = 7.0;
}

// Inputs laid out out of order with gaps: each field reads its own cells, and its
// column counts elements in argument order (a text counts one), wherever its
// cells lie.
TEST(Records, FieldsFollowTheirPositionsAndCountTheirColumnsInArgumentOrder) {
  std::vector<double> inputs(30, -1.0);
  std::memcpy(&inputs[20], "Tabular data", 13);  // text at cell 21
  const std::int64_t count = 3;
  std::memcpy(&inputs[2], &count, sizeof count);  // integer at cell 3
  for (int k = 0; k < 6; ++k) inputs[static_cast<std::size_t>(10 + k)] = k + 1.0;  // 2 x 3 at 11
  inputs[0] = 1450.0;  // speed at cell 1
  inputs[5] = 0.1;     // flows (2) at cells 6..7
  inputs[6] = 0.2;
  const std::int64_t inputPositions[] = {21, 3, 11, 1, 9, 6};
  const std::int64_t inputSizes[] = {2, 3, 2};
  std::vector<double> outputs(6, 0.0);
  const std::int64_t outputPositions[] = {6, 2}, outputSizes[] = {3};
  std::int64_t status = 0, callType = 4;
  const std::int64_t context = 0, workLength = 0, rows = 4, columns = 12;
  entry::enter<&probe, entry::AfterBody::Nothing>(
      {inputs.data(), inputSizes, outputs.data(), outputSizes, inputPositions, outputPositions,
       &status, &context, nullptr, &workLength, nullptr, &rows, &columns, &callType});
  EXPECT_EQ(g_seen, (std::vector<double>{1, 3, 6, 1450, 0.2, 3}));
  EXPECT_EQ(outputs[5], 99.0);
  EXPECT_EQ(outputs[1], 7.0);
  // type 1, count 2, table 3..8, speed 9, spare 10, flows 11..12; head row 1, margins 2..4.
  EXPECT_EQ(g_at.type, 1);
  EXPECT_EQ(g_at.count, 2);
  EXPECT_EQ(g_at.table, 3);
  EXPECT_EQ(g_at.speed, 9);
  EXPECT_EQ(g_at.spare, 10);
  EXPECT_EQ(g_at.flows, 11);
  EXPECT_EQ(g_at.head, 1);
  EXPECT_EQ(g_at.margins, 2);

  // What tools see: every argument by name, unit and kind.
  const auto args = entry::kPositional<&probe>;
  ASSERT_EQ(args.size(), 8U);
  EXPECT_STREQ(args[3].name, "speed");
  EXPECT_STREQ(args[3].unit, "rpm");
  EXPECT_EQ(args[2].kind, entry::ArgKind::RealMatrixIn);
  EXPECT_EQ(args[7].kind, entry::ArgKind::RealVectorOut);
  EXPECT_TRUE(entry::allNamed<&probe>());
}

// Hostile extents do not overflow the column count.
TEST(Records, HugeExtentsSaturateTheColumnCount) {
  EXPECT_EQ(entry::saturatingProduct(INT64_MAX, 2), INT64_MAX);
  EXPECT_EQ(entry::saturatingSum(INT64_MAX, 1), INT64_MAX);
  EXPECT_EQ(entry::elementsOf(-3), 0);
}

// ---- host wrappers, on the reference host ----

TEST(HostWrappers, StoreBlocksUnitsAndFailure) {
  refhost::reset();
  const host::StoreBlock block = host::allocateReals(3);
  ASSERT_TRUE(block.allocated());
  block.real(3) = 2.5;
  EXPECT_EQ(host::locateReals(block.handle), block.base);
  EXPECT_EQ(host::plex(block.base + 3).real, 2.5);
  host::release(block.handle);
  EXPECT_EQ(refhost::liveBlocks(), 0);
  EXPECT_EQ(host::toSi(host::Quantity::Pressure, 2.0), 2e5);
  EXPECT_EQ(host::fromSi(host::Quantity::Temperature, 373.15), 100.0);
  EXPECT_EQ(refhost::lastCall("GPTEMP").integers, (std::vector<std::int64_t>{2, 1}));
  refhost::injectFailure("DMS_ALLOCR");
  EXPECT_FALSE(host::allocateReals(3).allocated());
  std::int64_t status = 4;
  EXPECT_TRUE(host::failed(Status(&status)));
  EXPECT_EQ(host::noValueMagnitude(), 1.0e35);
  refhost::reset();
}

}  // namespace
