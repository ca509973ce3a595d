// pPCurve: the host block, margins and the limit option, warnings once per solver
// marker, the end of a curve, the extended form, clean-up, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "curve_blocks.hpp"
#include "xv55/host/data_management.h"

namespace {

using namespace xv55;
using namespace xv55::testing;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr auto kCompressor = XV55IF_SPPCURVE;
const Lines kSurge = {" ", "pPCurve-W-Operating point is below surge"};
const Lines kStonewall = {" ", "pPCurve-W-Operating point is above stonewall"};
const Lines kNotSetUp = {" Procedure pPCurve has no prepared curve data for these inputs.",
                         " Please set it up first (call mode 1)."};
// Quadratic curves, Y = 120 - 0.01 Q^2 at 6000 and Y = 60 - 0.005 Q^2 at 4000, which a
// not-a-knot spline ("Harwell") through their points reproduces exactly.
double curve6000(double q) {
  return 120 - 0.01 * q * q;
}
double curve4000(double q) {
  return 60 - 0.005 * q * q;
}
// Halfway between them in speed, at 5000.
double at5000(double q) {
  return 0.5 * (curve6000(q) + curve4000(q));
}
const Curves kTwo{{6000, 4000},
                  {{25, 45, 65, 85, 100}, {15, 30, 45, 60, 80}},
                  {{113.75, 99.75, 77.75, 47.75, 20}, {58.875, 55.5, 49.875, 42, 28}}};
const Curves kLow{{4000}, {{15, 30, 45, 60, 80}}, {{58.875, 55.5, 49.875, 42, 28}}};
const Curves kPolynomials{{6000, 4000}, {}, {}, {{90, 1.2, -0.012, 0.00002}, {40, 0.6, -0.01, 0}}};
const double kC[] = {10.0, 0.002, 1e-7, 0.5, -0.01, 300.0, -2000.0, 1e-6};
const Curves kExtended{{}, {}, {}, {{kC, kC + 8}}, 0, 8};

// At 5000 rpm (and "No") surge is at 25 and stonewall at 75.
BlockBuilder twoSpeeds(const char* option = "No") {
  return curveBlock("Tabular data", kTwo, 2, option, {30, 20}, {90, 60});
}
// The prepared data: the block's reals after its owner tag.
double* blockOf(const BlockBuilder& b) {
  const auto locator = static_cast<std::int64_t>(b.work.at(0));
  return &host::plex(DMS_LOCATR(&locator) + 2).real;
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
  EXPECT_EQ(at(b, 5000, 40), Lines{});
  EXPECT_NEAR(b.out(1), at5000(40), 1e-9);
  EXPECT_NEAR(b.derivative(1, flowColumn(b)), 0.5 * (-0.8 - 0.4), 1e-9);       // dY/dQ
  EXPECT_NEAR(b.derivative(1, speedColumn(b)), (104.0 - 52.0) / 2000, 1e-12);  // dY/dN
  // SURGE% = 100 (Q - QS)/QS with QS = 30 + (N - 6000)/2000 (20 - 30), STONE% alike.
  const std::vector<double> want = {
      60, 100.0 * 35 / 75, 4, -100.0 * 40 / 625 * 0.005, -100.0 / 75, 100.0 * 40 / 5625 * 0.015};
  for (std::size_t k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(margins(b)[k], want[k]) << k;
  EXPECT_EQ(at(b, 5000, 22), kSurge);  // "No": read at the surge flow; the margin from Q
  EXPECT_NEAR(b.out(1), at5000(25), 1e-9);
  EXPECT_EQ(std::vector<double>({b.out(2), b.derivative(1, flowColumn(b))}),
            std::vector<double>({-12, 0}));
  EXPECT_EQ(at(b, 5000, 78, 0), kStonewall);
  EXPECT_NEAR(b.out(1), at5000(75), 1e-9);
  EXPECT_EQ(b.out(3), -4.0);
  BlockBuilder y = ready(twoSpeeds("no"));
  EXPECT_EQ(at(y, 5000, 78), kStonewall);  // another option: read at the true flow
  EXPECT_NEAR(y.out(1), at5000(78), 1e-9);
  at(y, 5000, 1e6);  // margins clipped, their derivatives 0
  EXPECT_EQ(margins(y), (std::vector<double>{1e5, -1e5, 0, 0, 0, 0}));
  BlockBuilder none = ready(curveBlock("Polynomials", kPolynomials, 2, "", {0, 1e-16}, {-5, 0}));
  at(none, 5000, 40);  // no limit flow: margins of 100000
  EXPECT_EQ(margins(none), (std::vector<double>{1e5, 1e5, 0, 0, 0, 0}));
}

// The marker rules themselves are those of every once-per-marker warning; here,
// each limit of each instance keeps its own marker, in its block.
TEST_F(Compressor, EachLimitWarnsOncePerSolverMarkerAndInstance) {
  BlockBuilder one = ready(twoSpeeds("Yes"));
  BlockBuilder two = ready(curveBlock("Polynomials", kPolynomials, 2, "", {30, 20}, {90, 60}));
  options.marker = 7.0;
  EXPECT_EQ(at(one, 5000, 10, 0), kSurge);
  EXPECT_EQ(at(one, 5000, 11, 0), Lines{});  // same marker
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(at(one, 5000, 99, 0), kStonewall);  // the other limit's marker
  EXPECT_EQ(at(two, 5000, 10, 0), kSurge);      // the other instance's
  EXPECT_EQ(std::vector<double>({blockOf(one)[50], blockOf(one)[51]}),
            std::vector<double>({7, 7}));  // surge second-last, stonewall last
  options.marker = 8.0;
  EXPECT_EQ(at(one, 5000, 10, 0), kSurge);
}

TEST_F(Compressor, PastItsLastPointACurveFallsToZero) {
  BlockBuilder b = ready(curveBlock("Tabular data", kLow, 2, "Yes", {20}, {85}));
  EXPECT_EQ(at(b, 4000, 82), kStonewall);  // below QSTONE but past the last point
  EXPECT_EQ(b.derivative(1, flowColumn(b)), -1.0);
  EXPECT_NEAR(b.out(1), 28.0 - 2.0, 1e-12);
  options.marker = 2.0;
  EXPECT_EQ(at(b, 4000, 200), kStonewall);  // one warning, and never below 0
  EXPECT_EQ(b.out(1), 0.0);
  BlockBuilder two = ready(curveBlock("Tabular data", kTwo, 2, "Yes", {30, 20}, {200, 200}));
  at(two, 5000, 90);
  EXPECT_NEAR(two.out(1), 0.5 * (28.0 - 10.0) + 0.5 * curve6000(90), 1e-9);
}

TEST_F(Compressor, ExtendedFormWatchesSurgeOnlyAndAtRestNeedsNoFlowToSpeedTerms) {
  BlockBuilder e = ready(curveBlock("Extended Polynomials", kExtended, 2, "No", {12}));
  EXPECT_EQ(e.work[1], 10.0);  // the workspace length, at least 10
  EXPECT_EQ(at(e, 3000, 5), kSurge);
  const double r = 12.0 / 3000.0;  // read at QSURGE(1)
  EXPECT_NEAR(e.out(1), 10 + 6 + 0.9 + 6 - 1.44 + 300 * r - 2000 * r * r + 0.020736, 1e-12);
  EXPECT_DOUBLE_EQ(e.out(2), 100.0 * (5 - 12) / 12);
  EXPECT_EQ(e.out(3), -1.0);  // no stonewall: STONE% is kept
  EXPECT_EQ(at(e, 3000, 1e9), Lines{});
  // Above surge, at Q = 40 and N = 3000, the derivatives of
  // Y = C1 + C2 N + C3 N^2 + C4 Q + C5 Q^2 + C6 Q/N + C7 (Q/N)^2 + C8 Q^4.
  EXPECT_EQ(at(e, 3000, 40), Lines{});
  const double n = 3000, q = 40;
  EXPECT_NEAR(e.derivative(1, flowColumn(e)),
              0.5 - 0.02 * q + 300 / n - 4000 * q / (n * n) + 4e-6 * q * q * q, 1e-12);  // dY/dQ
  EXPECT_NEAR(e.derivative(1, speedColumn(e)),
              0.002 + 2e-7 * n - 300 * q / (n * n) + 4000 * q * q / (n * n * n), 1e-12);  // dY/dN

  // N = 0 with C6 or C7 non-zero: refused, nothing written.
  const std::vector<double> before = {e.out(1), e.out(2)};
  EXPECT_EQ(at(e, 0, 20),
            (Lines{" Speed N = 0 leaves the terms in Q/N of the Extended Polynomials undefined",
                   " in Procedure pPCurve: C6 or C7 is not zero."}));
  EXPECT_EQ(e.status, 4);
  EXPECT_EQ(std::vector<double>({e.out(1), e.out(2)}), before);
  // With C6 = C7 = 0 the machine at rest has Y = C1 + C4 Q + C5 Q^2 + C8 Q^4.
  const double c[] = {10.0, 0.002, 1e-7, 0.5, -0.01, 0.0, 0.0, 1e-6};
  BlockBuilder rest = ready(
      curveBlock("Extended Polynomials", Curves{{}, {}, {}, {{c, c + 8}}, 0, 8}, 2, "", {12}));
  EXPECT_EQ(at(rest, 0, 20), Lines{});
  EXPECT_EQ(rest.status, 0);
  EXPECT_DOUBLE_EQ(rest.out(1), 10 + 0.5 * 20 - 0.01 * 400 + 1e-6 * 160000);
  EXPECT_DOUBLE_EQ(rest.derivative(1, flowColumn(rest)), 0.5 - 0.02 * 20 + 4e-6 * 8000);
  EXPECT_DOUBLE_EQ(rest.derivative(1, speedColumn(rest)), 0.002);
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

// A workspace that holds another call site's locator (copied from it, or left from
// an earlier run) never frees that site's block, on set-up or on clean-up.
TEST_F(Compressor, AStaleWorkspaceNeverReleasesAnotherCallSitesBlock) {
  BlockBuilder owner = ready(twoSpeeds());
  BlockBuilder stale = twoSpeeds();
  stale.work = owner.work;  // the same locator and length
  EXPECT_EQ(call(stale, kCompressor, 1), Lines{});
  BlockBuilder copy = twoSpeeds();
  copy.work = owner.work;
  call(copy, kCompressor, 2);
  EXPECT_EQ(refhost::lastCall("DMS_ATFREE").calls, 0);
  EXPECT_EQ(refhost::liveBlocks(), 2);
  EXPECT_EQ(at(owner, 5000, 40), Lines{});  // the owner's curves are still there
  EXPECT_NEAR(owner.out(1), at5000(40), 1e-9);
  call(stale, kCompressor, 2);  // each releases its own
  call(owner, kCompressor, 2);
  EXPECT_EQ(refhost::liveBlocks(), 0);
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
            " The host could not allocate 53 reals for Procedure pPCurve.");
  EXPECT_EQ(at(b, 5000, 40), kNotSetUp);
  call(b, kCompressor, 1);
  EXPECT_EQ(at(b, 5000, kNaN),
            (Lines{" Input Q = nan is not a finite number in Procedure pPCurve."}));
  blockOf(b)[0] = 9.0;  // a stored count beyond NP
  EXPECT_EQ(at(b, 5000, 40), kNotSetUp);
}

}  // namespace
