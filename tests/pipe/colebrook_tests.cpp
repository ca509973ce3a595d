// The Colebrook friction factor through XV55IF_SPPCBR: its branches and their joins,
// the converged values against the exact root, its error reports and traces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "pipe_cases.hpp"
#include "support/capture_printer.hpp"
#include "xv55/host/pipe_correlations.h"
#include "xv55/refhost/control.hpp"

namespace {

using namespace xv55::testing;
namespace rh = xv55::refhost;
using xv55::BlockBuilder;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

double colebrook(double re, double r) {
  BlockBuilder b;
  b.real(re);
  b.real(r);
  b.output(kSentinel);
  b.call(XV55IF_SPPCBR, 0);
  return b.out(1);
}

constexpr double kLaminarAtLimit = 64.0 / 2500.0;

TEST_F(PipeTest, FrictionFactorIsContinuousAcrossItsBranches) {
  // Below Re 0.1 the tangent of 64/Re at 0.1 (single-precision 0.2 and 0.1 in it).
  EXPECT_NEAR(colebrook(0.0, 0.0), 1280.0, 1e-4);
  EXPECT_NEAR(colebrook(0.05, 0.0), 960.0, 1e-4);
  for (double r : {0.0, 1e-4, 0.02}) {
    SCOPED_TRACE(r);
    EXPECT_NEAR(colebrook(std::nextafter(0.1, 0.0), r), 640.0, 1e-4);
    EXPECT_NEAR(colebrook(0.1000001, r), 640.0, 1e-3);
    EXPECT_EQ(colebrook(1000.0, r), 0.064);
    EXPECT_EQ(colebrook(2500.0, r), kLaminarAtLimit);
    EXPECT_NEAR(colebrook(2500.0 * (1 + 1e-12), r), kLaminarAtLimit, 1e-12);
    EXPECT_NEAR(colebrook(3500.0, r), colebrook(3500.0 * (1 + 1e-12), r), 1e-12);
  }
}

TEST_F(PipeTest, TurbulentFactorsFollowTheIterationAndLieNearTheExactRoot) {
  for (double r : {0.0, 1e-5, 1e-3, 0.02, 0.05}) {
    for (double re : {3000.0, 3500.0, 4000.0, 1e4, 1e5, 1e6, 1e8}) {
      SCOPED_TRACE(testing::Message() << "Re " << re << ", r " << r);
      const double f = colebrook(re, r);
      EXPECT_NEAR(f, iteratedColebrook(re, r), 1e-12 * f);
      // Between 2500 and 3500 the iterate is blended with 64/2500.
      const double w = std::min((re - 2500.0) / 1000.0, 1.0);
      const double exact = exactColebrook(re, r);
      // Stopping at a step of 1 % leaves f within 0.3 % of the root.
      EXPECT_NEAR(f, w * exact + (1 - w) * kLaminarAtLimit, w * 3e-3 * exact);
    }
  }
  EXPECT_EQ(callsOf("DMS_IRRCHK"), 0);
}

TEST_F(PipeTest, InfiniteReynoldsNumberGivesTheFullyRoughLimit) {
  for (double r : {1e-4, 1e-3, 0.01, 0.05}) {
    SCOPED_TRACE(r);
    const double f = colebrook(kInf, r);
    // 1/sqrt(f) = 1.74 - 2 log10(2 r) (von Karman-Nikuradse), within 0.1 % of the
    // Colebrook form -2 log10(r/3.7).
    const double nikuradse = 1.74 - 2 * std::log10(2 * r);
    EXPECT_NEAR(f, 1 / (nikuradse * nikuradse), 1e-8 * f);
    const double colebrookRough = -2 * std::log10(r / 3.7);
    EXPECT_NEAR(f, 1 / (colebrookRough * colebrookRough), 1e-3 * f);
  }
  EXPECT_EQ(colebrook(kInf, 0.0), 0.0);  // a smooth pipe has no rough limit
  EXPECT_EQ(callsOf("DMS_IRRCHK"), 0);
}

TEST_F(PipeTest, NegativeReynoldsNumberGivesZeroAndOneHostErrorReport) {
  ScopedCapture capture;
  EXPECT_EQ(colebrook(-1.0, 1e-4), 0.0);
  const rh::CallRecord check = rh::lastCall("DMS_IRRCHK");
  EXPECT_EQ(check.texts.at(0), "PIP     CBR     ");
  EXPECT_EQ(check.integers, (std::vector<std::int64_t>{2, 1, 0, 0, 2}));
  EXPECT_EQ(rh::lastCall("DMS_ERRPRT").integers.at(0), 2);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"REYNOLDS NUMBER=-1.000000E+00 PASSED TO COLEBROOK",
                                      "SINGLE-PHASE FRICTION FACTOR ROUTINE."}));
  EXPECT_EQ(colebrook(-kInf, 1e-4), 0.0);
  // When the host's check holds the report back, nothing is written.
  rh::setErrorReportLimit(0);
  EXPECT_EQ(colebrook(-1.0, 1e-4), 0.0);
  EXPECT_EQ(rh::lastCall("DMS_IRRCHK").calls, 3);
  EXPECT_EQ(rh::lastCall("DMS_ERRPRT").calls, 2);
}

TEST_F(PipeTest, NoFactorIsReportedAsANonConvergingIteration) {
  // A negative roughness makes the logarithm's argument negative: no iterate is a
  // number.  A NaN argument gives no factor either.
  const double cases[][2] = {{1e5, -0.001}, {kNaN, 1e-4}, {1e5, kNaN}, {1000.0, kInf}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << " " << c[1]);
    rh::reset();
    EXPECT_TRUE(std::isnan(colebrook(c[0], c[1])));
    EXPECT_EQ(rh::lastCall("DMS_IRRCHK").integers, (std::vector<std::int64_t>{2, 2, 0, 0, 2}));
    const std::vector<std::string> lines = rh::reportLines();
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0], "COLEBROOK SINGLE-PHASE FRICTION FACTOR NOT CONVERGED");
    EXPECT_EQ(lines[1].rfind("AFTER 50 ITERATIONS. FRICTION FACTOR ERROR=", 0), 0U) << lines[1];
  }
}

TEST_F(PipeTest, TracesAtThePipeLibrarysTraceLevel) {
  ScopedCapture capture;
  PIP_IORFS1[1] = 7;
  colebrook(1e4, 1e-4);
  EXPECT_TRUE(capture.printer.lines.empty());
  PIP_IORFS1[1] = 8;
  colebrook(1e4, 1e-4);
  const auto& lines = capture.printer.lines;
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_EQ(lines[0], "  ENTERING PIPCBR, REYNOLDS NUMBER= 1.000000E+04");
  EXPECT_EQ(lines[2], "  RELATIVE ROUGHNESS= 1.000000E-04");
  EXPECT_EQ(lines[4].rfind("  LEAVING  PIPCBR, FRICTION FACTOR= 3.", 0), 0U) << lines[4];
  capture.printer.clear();
  colebrook(0.0, 1e-4);  // at Re 0 only the entering and leaving lines
  EXPECT_EQ(lines.size(), 2U);
}

}  // namespace
