// The print path: escapes, conversions read at their stored sizes, the bridge's
// budget, the error texts, wrapping and the printer/standard-output routes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "print/print.hpp"
#include "support/capture_printer.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::testing::ScopedCapture;

// XvPrintPadded with a blank-padded copy of the text, as a fixed-length caller does.
void padded(std::int64_t severity, const std::string& text, const void* a1 = nullptr,
            const void* a2 = nullptr, const void* a3 = nullptr, const void* a4 = nullptr,
            const void* a5 = nullptr) {
  std::string field = text + std::string(255 > text.size() ? 255 - text.size() : 0, ' ');
  XvPrintPadded(&severity, field.data(), a1, a2, a3, a4, a5,
                static_cast<std::int64_t>(field.size()));
}

TEST(PrintLines, BackslashNAndLineFeedEndLinesAndTheLastLineNeedsNoEnd) {
  ScopedCapture cap;
  XvPrint(1, "first\\nsecond\nthird");
  XvPrint(2, "text\\n");
  XvPrint(3, "");
  EXPECT_EQ(cap.printer.lines, (std::vector<std::string>{"first", "second", "third", "text", ""}));
  EXPECT_EQ(cap.printer.severities, (std::vector<std::int32_t>{1, 2, 3}));
}

TEST(PrintWrap, LongWordIsCutAfter256Characters) {
  ScopedCapture cap;
  const std::string word(300, 'x');
  XvPrint(0, word.c_str());
  ASSERT_EQ(cap.printer.lines.size(), 2u);
  EXPECT_EQ(cap.printer.lines[0].size(), 256u);
  EXPECT_EQ(cap.printer.lines[1].size(), 44u);
}

TEST(PrintWrap, BreaksAtTheLastBlankWhichStartsTheNextLine) {
  ScopedCapture cap;
  const std::string text = std::string(200, 'a') + " " + std::string(100, 'b');
  XvPrint(0, text.c_str());
  ASSERT_EQ(cap.printer.lines.size(), 2u);
  EXPECT_EQ(cap.printer.lines[0], std::string(200, 'a'));
  EXPECT_EQ(cap.printer.lines[1], " " + std::string(100, 'b'));
}

TEST(PrintWrap, BlanksInsideDoubleQuotesAreNeverBreakPositions) {
  ScopedCapture cap;
  // The only blanks lie inside a quoted stretch; the comma outside it is used.
  const std::string text = std::string(50, 'a') + "," + std::string(49, 'a') + "\"" +
                           std::string(100, ' ') + "\"" + std::string(100, 'c');
  XvPrint(0, text.c_str());
  ASSERT_EQ(cap.printer.lines.size(), 2u);
  EXPECT_EQ(cap.printer.lines[0], std::string(50, 'a'));
  EXPECT_EQ(cap.printer.lines[1].substr(0, 1), ",");
}

TEST(PrintConversions, ValuesAreReadByAddressAtTheirStoredSizes) {
  ScopedCapture cap;
  const double x = 2.5;
  const std::int64_t big = 0x100000007;  // a 32-bit read sees 7
  const std::int64_t wide = 123456789012345;
  const std::int16_t small = -12;
  const std::int64_t minusOne = -1;
  XvPrint(0, "%g %d %ld %Ld %I64d %hd %5.2f|%-4i| 100%%", &x, &big, &big, &big, &wide, &small, &x,
          &big);
  XvPrint(0, "%u %x %hX %I64x %o", &minusOne, &minusOne, &minusOne, &minusOne, &minusOne);
  EXPECT_EQ(cap.printer.lines.at(0), "2.5 7 7 7 123456789012345 -12  2.50|7   | 100%");
  EXPECT_EQ(cap.printer.lines.at(1), "4294967295 ffffffff FFFF ffffffffffffffff 37777777777");
}

TEST(PrintConversions, WideCharactersAreSixteenBitUnitsAndPointersSixteenHexDigits) {
  ScopedCapture cap;
  const char16_t text[] = u"Pump \u00e9";
  const char16_t letter = u'Z';
  const char narrow = 'q';
  const void* pointer = reinterpret_cast<const void*>(std::uintptr_t{0xabc123});
  XvPrint(0, "[%ls][%lc][%c][%Ls] %p", text, &letter, &narrow, text, &pointer);
  EXPECT_EQ(cap.printer.lines.at(0), "[Pump \xc3\xa9][Z][q][Pump \xc3\xa9] 0000000000ABC123");
}

TEST(PrintConversions, EmptyStringLeavesTheRestOfTheLineIntact) {
  ScopedCapture cap;
  const char* empty = "";
  XvPrint(0, "name=[%s] end", empty);
  EXPECT_EQ(cap.printer.lines.at(0), "name=[] end");
}

TEST(PrintErrors, EachFaultySpecificationPrintsItsTextThenTheRestLiterally) {
  ScopedCapture cap;
  const std::int64_t n = 5;
  XvPrint(0, "a %600d b %d", &n, &n);
  XvPrint(0, "%*d", &n);
  XvPrint(0, "%.f", &n);
  XvPrint(0, "%y tail");
  XvPrint(0, "%512d|", &n);
  EXPECT_EQ(cap.printer.lines.at(0),
            "a BAD FORMATTING (width exceeds 512 characters)>>>%600d b %d");
  EXPECT_EQ(cap.printer.lines.at(1), "BAD FORMATTING (width digits expected)>>>%*d");
  EXPECT_EQ(cap.printer.lines.at(2), "BAD FORMATTING (precision digits expected)>>>%.f");
  EXPECT_EQ(cap.printer.lines.at(3), "BAD FORMATTING (unrecognized type specifier)>>>%y tail");
  // Width 512 is allowed: 511 blanks, the value and the bar, wrapped at the last blank.
  EXPECT_EQ(cap.printer.lines.at(4).size() + cap.printer.lines.at(5).size() +
                cap.printer.lines.at(6).size(),
            513u);
}

TEST(PrintErrors, ATextTooLongForItsConversionBufferIsReportedNotOverrun) {
  ScopedCapture cap;
  const double x = 1.0;
  // The conversion buffer only grows with the width and string lengths it has seen.
  XvPrint(0, "%.5000f!", &x);
  EXPECT_EQ(cap.printer.lines.at(0), "BAD FORMATTING (check format string)>>>%.5000f!");
}

TEST(PrintBridge, BudgetOfFiveCountsStringsAndCharactersTwice) {
  ScopedCapture cap;
  const char first[] = "pump    ";
  const char second[] = "curve";
  const double x = 3;
  const std::int64_t n = 9;
  const char c = 'K';
  padded(2, "%s %s %g.\\n", first, second, &x);
  padded(0, "%s %s %g %d", first, second, &x, &n);
  padded(0, "%c=%d", &c, &n, &n);  // the character's length is skipped
  EXPECT_EQ(cap.printer.lines.at(0), "pump curve 3.");
  EXPECT_EQ(cap.printer.lines.at(1),
            "pump curve 3 BAD FORMATTING (too many format specifiers)>>>%d");
  EXPECT_EQ(cap.printer.lines.at(2), "K=9");
  EXPECT_EQ(cap.printer.severities.at(0), 2);
}

TEST(PrintBridge, SixthConversionIsTooManyAndReportedOnStandardOutput) {
  ScopedCapture cap;
  const double v = 1;
  ::testing::internal::CaptureStdout();
  padded(0, "%g%g%g%g%g%g", &v, &v, &v, &v, &v);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(cap.printer.lines.at(0), "11111BAD FORMATTING (too many format specifiers)>>>%g");
  EXPECT_EQ(out, "XvPrint() Bad format at line 691\n");
}

TEST(PrintBridge, TextEndsAtItsNulAndOverlongTextIsCutNotFatal) {
  ScopedCapture cap;
  const std::int64_t severity = 0;
  const char field[12] = {'a', 'b', ' ', '\0', 'z', 'z', ' ', ' ', ' ', ' ', ' ', ' '};
  XvPrintPadded(&severity, field, nullptr, nullptr, nullptr, nullptr, nullptr, 12);
  EXPECT_EQ(cap.printer.lines.at(0), "ab ");
  cap.printer.clear();
  const std::string text(3000, 'y');
  XvPrintPadded(&severity, text.data(), nullptr, nullptr, nullptr, nullptr, nullptr,
                static_cast<std::int64_t>(text.size()));
  std::size_t total = 0;
  for (const auto& l : cap.printer.lines) total += l.size();
  EXPECT_EQ(total, xv55::print::kTrimmedCapacity);
}

TEST(PrintBridge, MissingValueAddressIsAFormattingErrorNotACrash) {
  ScopedCapture cap;
  padded(0, "%g after");
  EXPECT_EQ(cap.printer.lines.at(0), "BAD FORMATTING (check format string)>>>%g after");
}

TEST(PrintPending, AmpersandHoldsTheLineForTheNextMessage) {
  ScopedCapture cap;
  const double x = 1.5;
  XvPrint(0, "start %g%&", &x);
  EXPECT_TRUE(cap.printer.lines.empty());
  XvPrint(0, " end");
  EXPECT_EQ(cap.printer.lines, (std::vector<std::string>{"start 1.5 end"}));
  EXPECT_EQ(cap.printer.severities.size(), 2u);
}

TEST(PrintStandardOutput, WithoutAPrinterLinesGoToStandardOutputErrorsPrefixed) {
  const std::int64_t code = 31;
  ::testing::internal::CaptureStdout();
  XvPrint(1, "one\\ntwo");
  XvPrint(static_cast<std::int32_t>(0xA000FFFF), "refused %d", &code);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "one\ntwo\nError: refused 31\n");

  ScopedCapture cap;
  ::testing::internal::CaptureStdout();
  XvPrint(-1, "bad");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(cap.printer.lines, (std::vector<std::string>{"bad"}));
}

}  // namespace
