// The error facility, and where the reference host's lines are printed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host/data_management.h"
#include "support/capture_printer.hpp"
#include "xv55/refhost.hpp"

namespace {

namespace rh = xv55::refhost;

struct Check {
  std::int64_t returned;
  std::int64_t result;
};

Check check(const char* routine, std::int64_t severity, std::int64_t number) {
  std::int64_t cell = 5;
  std::int64_t result = -1;
  const std::int64_t zero = 0;
  const std::int64_t two = 2;
  const std::int64_t r =
      DMS_IRRCHK(routine, &severity, &number, &cell, &result, &zero, &zero, &two, 16);
  EXPECT_EQ(cell, 5);
  return {r, result};
}

void writeLine(int index, const char* text) {
  std::memcpy(DMS_ERROUT[index], text, std::strlen(text));
}

class RefhostErrors : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
};

TEST_F(RefhostErrors, CountsEachErrorSeparatelyAndHonoursTheLimit) {
  for (std::int64_t i = 1; i <= 4; ++i) {
    const Check c = check("PIP     CBR     ", 2, 1);
    EXPECT_EQ(c.result, i);
    EXPECT_NE(c.returned, 0);
  }
  rh::setErrorReportLimit(2);
  EXPECT_EQ(check("PIP     CBR     ", 2, 1).returned, 0);  // fifth occurrence
  const Check other = check("PIP     CBR     ", 2, 2);
  EXPECT_NE(other.returned, 0);
  EXPECT_EQ(other.result, 1);
  EXPECT_NE(check("PIP     CBR     ", 2, 2).returned, 0);
  EXPECT_EQ(check("PIP     CBR     ", 2, 2).returned, 0);
  rh::setErrorReportLimit(0);
  EXPECT_EQ(check("PIP     OTHER   ", 1, 1).returned, 0);
  rh::setErrorReportLimit(-1);
  EXPECT_NE(check("PIP     OTHER   ", 1, 1).returned, 0);
}

TEST_F(RefhostErrors, ErrprtIssuesTrimmedLinesAndBlanksTheArea) {
  xv55::testing::ScopedCapture capture;
  EXPECT_NE(check("PIP     CBR     ", 2, 1).returned, 0);
  writeLine(0, "REYNOLDS NUMBER=-1.0E+00 PASSED TO COLEBROOK");
  writeLine(1, "SINGLE-PHASE FRICTION FACTOR ROUTINE.");
  writeLine(2, "NOT ISSUED");
  const std::int64_t two = 2;
  DMS_ERRPRT(&two);
  ASSERT_EQ(capture.printer.lines.size(), 2u);
  EXPECT_EQ(capture.printer.lines[0], "REYNOLDS NUMBER=-1.0E+00 PASSED TO COLEBROOK");
  EXPECT_EQ(capture.printer.lines[1], "SINGLE-PHASE FRICTION FACTOR ROUTINE.");
  EXPECT_EQ(capture.printer.severities, (std::vector<std::int32_t>{2, 2}));
  EXPECT_EQ(rh::reportLines(), capture.printer.lines);
  for (const auto& line : DMS_ERROUT) {
    for (char c : line) ASSERT_EQ(c, ' ');
  }
}

TEST_F(RefhostErrors, ErrprtClipsItsLineCountAndHostReportsShareThePrinter) {
  xv55::testing::ScopedCapture capture;
  writeLine(19, "LAST");
  const std::int64_t many = 25, negative = -3;
  DMS_ERRPRT(&many);
  ASSERT_EQ(capture.printer.lines.size(), 20u);
  EXPECT_EQ(capture.printer.lines[19], "LAST");
  writeLine(0, "DROPPED");
  DMS_ERRPRT(&negative);
  EXPECT_EQ(DMS_ERROUT[0][0], ' ');
  const std::int64_t handle = 5;
  DMS_ATFREE(&handle);
  ASSERT_EQ(capture.printer.lines.size(), 21u);
  EXPECT_EQ(capture.printer.lines[20],
            " DMS_ATFREE-E-Handle 5 was never allocated; nothing freed.");
  EXPECT_EQ(capture.printer.severities.back(), 4);
}

}  // namespace
