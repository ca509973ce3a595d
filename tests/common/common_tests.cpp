// The layer every procedure family shares: reports, the once-per-marker warning,
// saturating extents.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "curves/curve_blocks.hpp"
#include "entry/unpack.hpp"
#include "print/message_buffer.hpp"
#include "print/report.hpp"
#include "support/capture_printer.hpp"
#include "xv55/host/objects.hpp"

namespace {

using namespace xv55;

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
  // Integers at their own width: a 64-bit value whose low half reads 1, a 32-bit one.
  capture.printer.clear();
  const std::int64_t count = -4294967295;
  const std::int32_t small = -7;
  report(Status(&cell), kError, "(%d) (%5i) (%x)\\n", count, small, count);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"(-4294967295) (   -7) (ffffffff00000001)"}));
  // A message assembled at run time prints its 64-bit values at their width too; user
  // text keeps its '%' literal.
  capture.printer.clear();
  print::MessageBuffer m;
  m.stored("stage %d of %5.1f, %%, ").user("block 10%d").stored(" (%x)\\n");
  const double width = 2.5;
  print::report(Status(&cell), kError, m, &count, &width, &count);
  EXPECT_EQ(
      capture.printer.lines,
      (std::vector<std::string>{"stage -4294967295 of   2.5, %, block 10%d (ffffffff00000001)"}));
  capture.printer.clear();
  print::note(0, "F-X-plain");
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{0});
  EXPECT_EQ(cell, kError);
}

TEST(Reports, WarningOncePerSolverMarker) {
  xv55::testing::ScopedCapture capture;
  xv55::testing::MarkerHandler options;
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

// Hostile extents do not overflow the column count.
TEST(Records, HugeExtentsSaturateTheColumnCount) {
  EXPECT_EQ(entry::saturatingProduct(INT64_MAX, 2), INT64_MAX);
  EXPECT_EQ(entry::saturatingSum(INT64_MAX, 1), INT64_MAX);
  EXPECT_EQ(entry::elementsOf(-3), 0);
}

}  // namespace
