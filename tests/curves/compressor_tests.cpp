// pPCurve: the host block, margins and the limit option, warnings once per solver
// marker, the end of a curve, the extended form, clean-up, refusals, derivatives.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "curve_blocks.hpp"
#include "host/data_management.h"

namespace {

using namespace xv55;
using namespace xv55::testing;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr auto kCompressor = XV55IF_SPPCURVE;
const Lines kSurge = {" ", "pPCurve-W-Operating point is below surge"};
const Lines kStonewall = {" ", "pPCurve-W-Operating point is above stonewall"};
const Lines kNotSetUp = {" Procedure pPCurve has no prepared curve data for these inputs.",
                         " Please set it up first (call mode 1)."};
const Curves kTwo{{6000, 4000},
                  {{25, 45, 65, 85, 100}, {15, 30, 45, 60, 80}},
                  {{110, 105, 97, 85, 72}, {50, 48, 44, 36, 24}}};
const Curves kLow{{4000}, {{15, 30, 45, 60, 80}}, {{50, 48, 44, 36, 24}}};
const Curves kPolynomials{{6000, 4000}, {}, {}, {{90, 1.2, -0.012, 0.00002}, {40, 0.6, -0.01, 0}}};
const double kC[] = {10.0, 0.002, 1e-7, 0.5, -0.01, 300.0, -2000.0, 1e-6};
const Curves kExtended{{}, {}, {}, {{kC, kC + 8}}, 0, 8};

// At 5000 rpm (and "No") surge is at 25 and stonewall at 75.
BlockBuilder twoSpeeds(const char* option = "No") {
  return curveBlock("Tabular data", kTwo, 2, option, {30, 20}, {90, 60});
}
// The same curves through pPumpCurve, which shares the evaluation.
double pumpValue(double n, double q) {
  BlockBuilder b = curveBlock("Tabular data", kTwo, 50);
  b.call(XV55IF_SPPUMPCURVE, 1);
  operateAt(b, n, q);
  b.call(XV55IF_SPPUMPCURVE, 0);
  return b.out(1);
}
double* blockOf(const BlockBuilder& b) {
  const auto locator = static_cast<std::int64_t>(b.work.at(0));
  return &host::plex(DMS_LOCATR(&locator) + 1).real;
}

class Compressor : public CurveTest {
 protected:
  BlockBuilder ready(BlockBuilder b) {
    EXPECT_EQ(call(b, kCompressor, 1), Lines{});
    return b;
  }
  Lines at(BlockBuilder& b, double n, double q, std::int64_t mode = 4) {
    return CurveTest::at(b, kCompressor, n, q, mode);
  }
  // SURGE%, STONE% and their derivatives by Q and N.
  static std::vector<double> margins(BlockBuilder& b) {
    const std::int64_t q = flowColumn(b), n = speedColumn(b);
    return {b.out(2),           b.out(3),           b.derivative(2, q),
            b.derivative(2, n), b.derivative(3, q), b.derivative(3, n)};
  }
};

TEST_F(Compressor, ValueAndMarginsWithTheLimitOption) {
  BlockBuilder b = ready(twoSpeeds());
  EXPECT_EQ(refhost::lastCall("DMS_ALLOCR").integers, (std::vector<std::int64_t>{52}));
  EXPECT_EQ(b.work[1], 51.0);  // L = 5 NP NC + 1
  EXPECT_EQ(at(b, 5000, 40), Lines{});
  EXPECT_EQ(b.out(1), pumpValue(5000, 40));
  const std::vector<double> want = {
      60, 100.0 * 35 / 75, 4, -100.0 * 40 / 625 * 0.005, -100.0 / 75, 100.0 * 40 / 5625 * 0.015};
  for (std::size_t k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(margins(b)[k], want[k]) << k;
  EXPECT_EQ(at(b, 5000, 22), kSurge);  // "No": read at the surge flow; the margin from Q
  EXPECT_EQ(std::vector<double>({b.out(1), b.out(2), b.derivative(1, flowColumn(b))}),
            std::vector<double>({pumpValue(5000, 25), -12, 0}));
  EXPECT_EQ(at(b, 5000, 78, 0), kStonewall);
  EXPECT_EQ(std::vector<double>({b.out(1), b.out(3)}),
            std::vector<double>({pumpValue(5000, 75), -4}));
  BlockBuilder y = ready(twoSpeeds("no"));
  EXPECT_EQ(at(y, 5000, 78), kStonewall);  // another option: read at the true flow
  EXPECT_EQ(y.out(1), pumpValue(5000, 78));
  at(y, 5000, 1e6);  // margins clipped, their derivatives 0
  EXPECT_EQ(margins(y), (std::vector<double>{1e5, -1e5, 0, 0, 0, 0}));
  BlockBuilder none = ready(curveBlock("Polynomials", kPolynomials, 2, "", {0, 1e-16}, {-5, 0}));
  EXPECT_EQ(blockOf(none)[2], 1e-16);  // surge flows after the speeds, in speed order
  at(none, 5000, 40);                  // no limit flow: margins of 100000
  EXPECT_EQ(margins(none), (std::vector<double>{1e5, 1e5, 0, 0, 0, 0}));
}

TEST_F(Compressor, EachLimitWarnsOncePerSolverMarkerAndInstance) {
  BlockBuilder one = ready(twoSpeeds("Yes"));
  BlockBuilder two = ready(curveBlock("Polynomials", kPolynomials, 2, "", {30, 20}, {90, 60}));
  options.marker = 7.0;
  EXPECT_EQ(at(one, 5000, 10, 0), kSurge);
  EXPECT_EQ(at(one, 5000, 11, 3), Lines{});  // same marker
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(at(one, 5000, 99, 0), kStonewall);  // the other limit's marker
  EXPECT_EQ(at(two, 5000, 10, 0), kSurge);      // the other instance's
  EXPECT_EQ(blockOf(one)[50], 7.0);             // the surge marker: second-last
  options.marker = 7.0 + 2e-10;                 // a new marker
  EXPECT_EQ(at(one, 5000, 10, 0), kSurge);
  options.marker = 7.0 + 2.5e-10;  // within 1e-10 of the last
  EXPECT_EQ(at(one, 5000, 10, 0), Lines{});
  options.marker = 0.0;  // no marker: every time
  EXPECT_EQ(at(two, 5000, 10, 0), kSurge);
  EXPECT_EQ(at(two, 5000, 10, 0), kSurge);
  options.printing = 0;  // printing off: nothing shown, nothing remembered
  options.marker = 9.0;
  EXPECT_EQ(at(one, 5000, 10, 0), Lines{});
  options.printing = 1;
  EXPECT_EQ(at(one, 5000, 10, 0), kSurge);
}

TEST_F(Compressor, PastItsLastPointACurveFallsToZeroAndTheExtendedFormWatchesSurgeOnly) {
  BlockBuilder b = ready(curveBlock("Tabular data", kLow, 2, "Yes", {20}, {85}));
  EXPECT_EQ(at(b, 4000, 82), kStonewall);  // below QSTONE but past the last point
  EXPECT_EQ(b.derivative(1, flowColumn(b)), -1.0);
  EXPECT_NEAR(b.out(1), 24.0 - 2.0, 1e-12);
  options.marker = 2.0;
  EXPECT_EQ(at(b, 4000, 200), kStonewall);  // one warning, and never below 0
  EXPECT_EQ(b.out(1), 0.0);
  BlockBuilder two = ready(curveBlock("Tabular data", kTwo, 2, "Yes", {30, 20}, {200, 200}));
  at(two, 5000, 90);
  EXPECT_NEAR(two.out(1), 0.5 * (24.0 - 10.0) + 0.5 * pumpValue(6000, 90), 1e-9);

  BlockBuilder e = ready(curveBlock("Extended Polynomials", kExtended, 2, "No", {12}));
  EXPECT_EQ(e.work[1], 10.0);  // the workspace length, at least 10
  EXPECT_EQ(at(e, 3000, 5), kSurge);
  const double r = 12.0 / 3000.0;  // read at QSURGE(1)
  EXPECT_NEAR(e.out(1), 10 + 6 + 0.9 + 6 - 1.44 + 300 * r - 2000 * r * r + 0.020736, 1e-12);
  EXPECT_DOUBLE_EQ(e.out(2), 100.0 * (5 - 12) / 12);
  EXPECT_EQ(e.out(3), -1.0);  // no stonewall: STONE% is kept
  EXPECT_EQ(at(e, 3000, 1e9), Lines{});
}

TEST_F(Compressor, CleanUpAndASecondSetUpReleaseTheBlock) {
  BlockBuilder b = ready(twoSpeeds());
  const auto first = static_cast<std::int64_t>(b.work[0]);
  call(b, kCompressor, 1);
  EXPECT_EQ(refhost::lastCall("DMS_ATFREE").integers, (std::vector<std::int64_t>{first}));
  call(b, kCompressor, 2);
  EXPECT_EQ(refhost::liveBlocks(), 0);
  const std::int64_t located = refhost::lastCall("DMS_LOCATR").calls;
  EXPECT_EQ(call(b, kCompressor, 4), kNotSetUp);
  call(b, kCompressor, 2);  // nothing left to release
  EXPECT_EQ(refhost::lastCall("DMS_LOCATR").calls, located);
  EXPECT_EQ(refhost::lastCall("DMS_ATFREE").calls, 2);
  EXPECT_TRUE(refhost::reportLines().empty());
}

TEST_F(Compressor, RefusalsAllocateNothingAndEvaluationsNeedTheirSetUp) {
  const struct {
    BlockBuilder block;
    Lines message;
  } refusals[] = {
      {curveBlock("Tabular", kTwo, 2, "", {30, 20}, {90, 60}),
       {" Curve type \"Tabular\" not recognised in Procedure pPCurve.",
        " Please select either \"Tabular data\", \"Polynomials\" or \"Extended Polynomials\""}},
      {curveBlock("Polynomials", kPolynomials, 1, "", {30, 20}, {90, 60}),
       {" The workspace size given (1) specified in the procedure pPCurve is too small.",
        " Please increase to 2 or greater."}},
      {curveBlock("Tabular data", kTwo, 2, "", {30}, {90, 60}),
       {" Array QSURGE is declared with fewer elements than the 2 curves",
        " in Procedure pPCurve."}},
      {curveBlock("Polynomials", kPolynomials, 2, "", {30, 20}, {90, kNaN}),
       {" QSTONE of curve 2 is not a finite number in Procedure pPCurve."}},
  };
  for (auto r : refusals) {
    EXPECT_EQ(call(r.block, kCompressor, 1), r.message);
    EXPECT_EQ(r.block.status, 4);
  }
  EXPECT_EQ(refhost::lastCall("DMS_ALLOCR").calls, 0);
  BlockBuilder b = twoSpeeds();
  refhost::injectFailure("DMS_ALLOCR");
  EXPECT_EQ(call(b, kCompressor, 1).back(),
            " The host could not allocate 52 reals for Procedure pPCurve.");
  EXPECT_EQ(at(b, 5000, 40), kNotSetUp);
  call(b, kCompressor, 1);
  EXPECT_EQ(at(b, 5000, kNaN),
            (Lines{" Input Q = nan is not a finite number in Procedure pPCurve."}));
  blockOf(b)[0] = 9.0;  // a stored count beyond NP
  EXPECT_EQ(at(b, 5000, 40), kNotSetUp);
}

TEST_F(Compressor, DerivativesOfAllRowsAgreeWithFiniteDifferences) {
  const struct {
    BlockBuilder block;
    Points points;  // (N, Q)
  } cases[] = {
      {twoSpeeds("Yes"), {{5000, 40}, {4500, 58}, {3500, 30}, {7000, 70}, {5000, 10}}},
      {twoSpeeds("No"), {{5000, 10}, {5500, 95}, {3000, 12}, {6500, 40}}},
      {curveBlock("Tabular data", kLow, 2, "No", {20}, {65}), {{4000, 40}, {4000, 68}, {4000, 10}}},
      {curveBlock("Tabular data", kLow, 2, "", {20}, {95}), {{4000, 83}, {4000, 99}}},
      {curveBlock("Polynomials", kPolynomials, 2, "", {30, 20}, {90, 60}), {{5000, 40}, {2000, 5}}},
      {curveBlock("Polynomials", kPolynomials, 2, "No", {30, 20}, {90, 60}),
       {{5000, 10}, {4800, 90}}},
      {curveBlock("Extended Polynomials", kExtended, 2, "", {12}), {{3000, 40}, {1500, 8}}},
      {curveBlock("Extended Polynomials", kExtended, 2, "No", {12}), {{3000, 5}}},
  };
  for (auto k : cases) {
    k.block = ready(k.block);
    expectDerivatives(k.block, kCompressor, k.points);
    for (std::int64_t i = 1; i <= 3; ++i) EXPECT_EQ(k.block.derivative(i, 1), 0.0);
  }
}

}  // namespace
