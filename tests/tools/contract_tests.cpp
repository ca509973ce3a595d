// The generated contract files: the export list keeps the library's other exports
// and gives each procedure its argument shape; the docs' marked tables are replaced
// and nothing else on the page is touched.
#include <gtest/gtest.h>

#include <string>

#include "contract.hpp"
#include "metadata.hpp"

namespace {

using xv55::tools::exportList;
using xv55::tools::UsageError;
using xv55::tools::withArgumentTables;

bool hasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(ExportList, KeepsOtherExportsDropsStaleProceduresAndSortsByName) {
  const std::string list = exportList("XvPrint\nXV55IF_GONE 1/1\nQRInitialize\n");
  EXPECT_TRUE(hasLine(list, "XvPrint"));
  EXPECT_TRUE(hasLine(list, "QRInitialize"));
  EXPECT_EQ(list.find("XV55IF_GONE"), std::string::npos);
  // Shapes as host models declare them: SPMATR y = A b (A a table, b and y vectors),
  // SPSQRT one scalar in and out, SPRAMP five scalars in.
  EXPECT_TRUE(hasLine(list, "XV55IF_SPMATR 2/1 i1:2,i2:1,o1:1"));
  EXPECT_TRUE(hasLine(list, "XV55IF_SPSQRT 1/1"));
  EXPECT_TRUE(hasLine(list, "XV55IF_SPRAMP 5/1"));
  EXPECT_LT(list.find("QRInitialize"), list.find("XV55IF_SPMATR"));
  EXPECT_LT(list.find("XV55IF_SPMATR"), list.find("XV55IF_SPRAMP"));
  EXPECT_LT(list.find("XV55IF_SPSQRT"), list.find("XvPrint"));  // plain byte order
  EXPECT_EQ(exportList(list), list);
}

TEST(ArgumentTables, OnlyTheMarkedStretchIsRewritten) {
  const std::string page =
      "# Ramp\n"
      "before\n"
      "<!-- arguments spramp -->\n"
      "| stale | table |\n"
      "<!-- end arguments -->\n"
      "after\n";
  const std::string filled = withArgumentTables(page, "ramp.md");
  EXPECT_EQ(filled.rfind("# Ramp\nbefore\n<!-- arguments spramp -->\n\n", 0), 0U);
  EXPECT_EQ(filled.find("stale"), std::string::npos);
  EXPECT_TRUE(filled.ends_with("\n<!-- end arguments -->\nafter\n"));
  // y = ramp through (x1, y1) and (x2, y2) at x: inputs x, x1, x2, y1, y2; output y.
  EXPECT_TRUE(hasLine(filled, "| # | input | kind | unit |"));
  EXPECT_NE(filled.find("\n| 1 | `x` | real |"), std::string::npos);
  EXPECT_NE(filled.find("\n| 5 | `y2` | real |"), std::string::npos);
  EXPECT_EQ(filled.find("\n| 6 |"), std::string::npos);  // no sixth input
  EXPECT_NE(filled.find("\n| 1 | `y` | real |"), std::string::npos);
  EXPECT_EQ(withArgumentTables(filled, "ramp.md"), filled);
}

TEST(ArgumentTables, SeveralProceduresStandSideBySide) {
  const std::string filled = withArgumentTables(
      "<!-- arguments XV55IF_SPSQRT XV55IF_SPRAMP -->\n<!-- end arguments -->\n", "p.md");
  EXPECT_TRUE(hasLine(filled, "| input | `SPSQRT` | `SPRAMP` |"));
  EXPECT_TRUE(hasLine(filled, "|---|---|---|"));
  // SPSQRT has one input: its column is empty from the second row on.
  EXPECT_NE(filled.find("\n| 2 | | `x1`"), std::string::npos);
  EXPECT_TRUE(hasLine(filled, "| output | `SPSQRT` | `SPRAMP` |"));
}

TEST(ArgumentTables, MarkerMistakesNameThePageAndLine) {
  const auto message = [](const std::string& page) {
    try {
      withArgumentTables(page, "p.md");
    } catch (const UsageError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("x\n<!-- arguments SPNONE -->\n<!-- end arguments -->\n"),
            "p.md line 2: unknown procedure 'SPNONE' (xv55 list shows them all)");
  EXPECT_EQ(message("<!-- arguments SPSQRT -->\n"),
            "p.md line 1: no <!-- end arguments --> follows");
  EXPECT_EQ(message("<!-- arguments -->\n<!-- end arguments -->\n"),
            "p.md line 1: the marker names no procedure");
  EXPECT_EQ(message("<!-- arguments SPSQRT\n<!-- end arguments -->\n"),
            "p.md line 1: the marker is not closed by -->");
}

}  // namespace
