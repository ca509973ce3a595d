// The print path: escapes, conversions read at their stored sizes, the bridge's
// budget, the error texts, wrapping and the printer/standard-output routes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "print/print.hpp"
#include "support/capture_printer.hpp"
#include "xv55/xv55.h"

namespace {

using Lines = std::vector<std::string>;
using xv55::testing::ScopedCapture;

// XvPrintPadded with a blank-padded copy of the text, as a fixed-length caller does.
void padded(std::int64_t severity, const std::string& text, const void* a1 = nullptr,
            const void* a2 = nullptr, const void* a3 = nullptr, const void* a4 = nullptr,
            const void* a5 = nullptr) {
  std::string field = text + std::string(255 > text.size() ? 255 - text.size() : 0, ' ');
  XvPrintPadded(&severity, field.data(), a1, a2, a3, a4, a5,
                static_cast<std::int64_t>(field.size()));
}

const double kX = 2.5;
const std::int64_t kBig = 0x100000007;  // a 32-bit read sees 7
const std::int64_t kWide = 123456789012345;
const std::int64_t kMinusOne = -1;
const std::int16_t kSmall = -12;
const char16_t kWideText[] = u"Pump \u00e9";
const char16_t kWideLetter = u'Z';
const char kNarrow = 'q';
const void* const kPointer = reinterpret_cast<const void*>(std::uintptr_t{0xabc123});
const char* const kEmpty = "";

// One XvPrint call with up to four value addresses and the lines it prints.
struct Printed {
  const char* format;
  std::vector<const void*> values;
  Lines lines;
};

TEST(XvPrint, LinesConversionsAndFormatErrors) {
  const std::string word(300, 'x'), spaced = std::string(200, 'a') + " " + std::string(100, 'b');
  // The only blanks lie inside a quoted stretch; the comma outside it is the break.
  const std::string quoted = std::string(50, 'a') + "," + std::string(49, 'a') + "\"" +
                             std::string(100, ' ') + "\"" + std::string(100, 'c');
  const Printed cases[] = {
      {"first\\nsecond\nthird", {}, {"first", "second", "third"}},
      {"text\\n", {}, {"text"}},
      {"", {}, {""}},
      {word.c_str(), {}, {std::string(256, 'x'), std::string(44, 'x')}},
      {spaced.c_str(), {}, {std::string(200, 'a'), std::string(" ").append(100, 'b')}},
      {quoted.c_str(), {}, {std::string(50, 'a'), quoted.substr(50)}},
      {"%g %d %ld %Ld %I64d %hd",
       {&kX, &kBig, &kBig, &kBig, &kWide, &kSmall},
       {"2.5 7 7 7 123456789012345 -12"}},
      {"%5.2f|%-4i| 100%%", {&kX, &kBig}, {" 2.50|7   | 100%"}},
      {"%u %x %hX %I64x %o",
       {&kMinusOne, &kMinusOne, &kMinusOne, &kMinusOne, &kMinusOne},
       {"4294967295 ffffffff FFFF ffffffffffffffff 37777777777"}},
      {"[%ls][%lc][%c][%Ls] %p",
       {kWideText, &kWideLetter, &kNarrow, kWideText, &kPointer},
       {"[Pump \xc3\xa9][Z][q][Pump \xc3\xa9] 0000000000ABC123"}},
      {"name=[%s] end", {kEmpty}, {"name=[] end"}},
      {"a %600d b %d",
       {&kBig, &kBig},
       {"a BAD FORMATTING (width exceeds 512 characters)>>>%600d b %d"}},
      {"%*d", {&kBig}, {"BAD FORMATTING (width digits expected)>>>%*d"}},
      {"%.f", {&kX}, {"BAD FORMATTING (precision digits expected)>>>%.f"}},
      {"%y tail", {}, {"BAD FORMATTING (unrecognized type specifier)>>>%y tail"}},
      // The conversion buffer only grows with the widths and strings it has seen.
      {"%.5000f!", {&kX}, {"BAD FORMATTING (check format string)>>>%.5000f!"}},
      // Width 512 is allowed: 511 blanks and the value, wrapped at the last blank.
      {"%512d", {&kBig}, {std::string(255, ' '), std::string(255, ' '), " 7"}},
  };
  for (const Printed& c : cases) {
    ScopedCapture cap;
    std::vector<const void*> v = c.values;
    v.resize(6, nullptr);
    XvPrint(3, c.format, v[0], v[1], v[2], v[3], v[4], v[5]);
    EXPECT_EQ(cap.printer.lines, c.lines) << c.format;
    EXPECT_EQ(cap.printer.severities, std::vector<std::int32_t>{3}) << c.format;
  }
}

TEST(XvPrintPadded, BudgetOfFiveTextAtItsNulAndOverlongTextCut) {
  ScopedCapture cap;
  const char first[] = "pump    ";
  const char second[] = "curve";
  const double x = 3;
  const std::int64_t n = 9;
  const char c = 'K';
  padded(2, "%s %s %g.\\n", first, second, &x);  // strings count twice: 5 exactly
  padded(0, "%s %s %g %d", first, second, &x, &n);
  padded(0, "%c=%d", &c, &n, &n);  // the character's length is skipped
  padded(0, "%g after");           // no value address: a format error, not a crash
  ::testing::internal::CaptureStdout();
  padded(0, "%g%g%g%g%g%g", &x, &x, &x, &x, &x);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "XvPrint() Bad format at line 691\n");
  const std::int64_t severity = 0;
  const char field[12] = {'a', 'b', ' ', '\0', 'z', 'z', ' ', ' ', ' ', ' ', ' ', ' '};
  XvPrintPadded(&severity, field, nullptr, nullptr, nullptr, nullptr, nullptr, 12);
  EXPECT_EQ(cap.printer.lines,
            (Lines{"pump curve 3.", "pump curve 3 BAD FORMATTING (too many format specifiers)>>>%d",
                   "K=9", "BAD FORMATTING (check format string)>>>%g after",
                   "33333BAD FORMATTING (too many format specifiers)>>>%g", "ab "}));
  EXPECT_EQ(cap.printer.severities.at(0), 2);
  cap.printer.clear();
  const std::string text(3000, 'y');
  XvPrintPadded(&severity, text.data(), nullptr, nullptr, nullptr, nullptr, nullptr,
                static_cast<std::int64_t>(text.size()));
  std::size_t total = 0;
  for (const auto& l : cap.printer.lines) total += l.size();
  EXPECT_EQ(total, 1023u);  // a message is cut to 1023 characters
}

TEST(XvPrint, AmpersandHoldsTheLineAndStandardOutputPrefixesErrors) {
  {
    ScopedCapture cap;
    XvPrint(0, "start %g%&", &kX);
    EXPECT_TRUE(cap.printer.lines.empty());
    XvPrint(0, " end");
    EXPECT_EQ(cap.printer.lines, (Lines{"start 2.5 end"}));
    EXPECT_EQ(cap.printer.severities.size(), 2u);
    ::testing::internal::CaptureStdout();
    XvPrint(-1, "bad");  // with a printer, no prefix
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  }
  const std::int64_t code = 31;
  ::testing::internal::CaptureStdout();
  XvPrint(1, "one\\ntwo");
  XvPrint(static_cast<std::int32_t>(0xA000FFFF), "refused %d", &code);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "one\ntwo\nError: refused 31\n");
}

}  // namespace
