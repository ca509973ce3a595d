// pPumpCurve: a pump that follows the affinity laws, refusals, the extrapolation
// warning, evaluations without their set-up.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "curve_blocks.hpp"

namespace {

using namespace xv55;
using namespace xv55::testing;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr auto kPump = XV55IF_SPPUMPCURVE;

// Affinity laws (Q ~ N, H ~ N^2) around H = 100 - 0.01 Q^2 at 1000 rpm.
double head(double q, double n) {
  return 100.0 * (n / 1000.0) * (n / 1000.0) - 0.01 * q * q;
}

// Curves at 1200, 800 and 1000 rpm, each at the 1000 rpm flows 80, 60, .., 0 scaled.
Curves affinity() {
  Curves c;
  for (double n : {1200.0, 800.0, 1000.0}) {
    c.speeds.push_back(n);
    c.x.emplace_back();
    c.y.emplace_back();
    for (double q0 : {80.0, 60.0, 40.0, 20.0, 0.0}) {
      c.x.back().push_back(q0 * n / 1000.0);
      c.y.back().push_back(head(q0 * n / 1000.0, n));
    }
  }
  return c;
}

Curves polynomials() {
  Curves c{{2000.0, 1000.0}, {}, {}, {{40, 0.5, -0.02, 0.0001, 99}, {10, 0.2, -0.01, 0, 98}}};
  c.ncoef = 5;
  return c;
}

template <class F>
Curves changed(Curves c, F change) {
  change(c);
  return c;
}

using Pump = CurveTest;

TEST_F(Pump, AffinityLawPumpGivesItsCurvesAndTheSpeedInterpolatedHeadBetween) {
  BlockBuilder b = curveBlock("Tabular data", affinity(), 75);
  ASSERT_EQ(call(b, kPump, 1), Lines{});
  for (double n : {800.0, 1000.0, 1200.0}) {
    for (double q : {0.0, 26.4, 48.0, 63.2}) {  // within every curve
      EXPECT_EQ(at(b, kPump, n, q), Lines{});
      EXPECT_NEAR(b.out(1), head(q, n), 1e-9) << n << " " << q;
    }
  }
  // Halfway between the 1000 and 1200 rpm curves (the users' page example).
  at(b, kPump, 1100.0, 30.0);
  EXPECT_NEAR(b.out(1), 113.0, 1e-9);
  EXPECT_NEAR(b.derivative(1, speedColumn(b)), 0.22, 1e-12);  // dY/dS
  EXPECT_NEAR(b.derivative(1, flowColumn(b)), -0.6, 1e-9);    // dY/dX
  EXPECT_EQ(at(b, kPump, 1100.0, 90.0), (Lines{" WARNING: extrapolating past end of curve for"
                                               "  speed 1000.  Results may be inaccurate."}));
  EXPECT_EQ(b.status, 2);
  BlockBuilder p = curveBlock("Polynomials", polynomials(), 20);
  call(p, kPump, 1);
  EXPECT_EQ(at(p, kPump, 1250.0, 3.0), Lines{});  // polynomials never warn
  EXPECT_NEAR(p.out(1), 10.51 + 0.25 * (41.3227 - 10.51), 1e-12);
}

TEST_F(Pump, SetUpRefusesWithItsMessageInItsOrderAndStoresNothing) {
  const std::string of = " in Procedure pPumpCurve.\n";
  const std::string contact =
      " Please contact your local customer support office for assistance.\n";
  Curves eleven = affinity();
  for (double n = 1; n <= 8; ++n) eleven.speeds.push_back(n);
  const Curves np25 = changed(affinity(), [](Curves& c) { c.np = 25; });
  const Curves eleven21 = changed(eleven, [](Curves& c) { c.np = 21; });
  const Curves onePoint = changed(affinity(), [](Curves& c) { c.x[1] = {3}; });
  const Curves nanSpeed = changed(affinity(), [](Curves& c) { c.speeds[1] = kNaN; });
  const Curves sameSpeed = changed(affinity(), [](Curves& c) { c.speeds[2] = 1200.0; });
  const Curves sameX = changed(affinity(), [](Curves& c) { c.x[2][1] = 80.0; });
  const Curves threeTerms = changed(polynomials(), [](Curves& c) { c.ncoef = 3; });
  Curves negative = affinity();
  const struct {
    const char* type;
    const Curves& curves;
    std::int64_t work;
    std::string message;
  } refusals[] = {
      {"Polynomial curves", np25, 2,
       " Curve type \"Polynomial c\" not recognised" + of +
           " Please select either \"Tabular data\" or \"Polynomials\".\n"},
      {"Tabular data", np25, 374,
       " The workspace size given (374) specified in the procedure pPumpCurve is too small.\n"
       " Please increase to 375 or greater.\n"},
      {"Tabular data", eleven21, 1155,
       " Number of points per curve is greater than the maximum allowed (20).\n" + contact},
      {"Polynomials", eleven, 99,
       " Number of curves is greater than the maximum allowed (10).\n" + contact},
      {"Tabular data", Curves{}, 75, " Number of curves (0) is less than 1" + of},
      // Counts are printed at their full 64 bits: a 32-bit read of this NC would see 1.
      {"Tabular data", negative, 75, " Number of curves (-4294967295) is less than 1" + of},
      {"Tabular data", onePoint, 75,
       " Curve 2 has 1 points" + of + " Each curve needs at least 2 points and at most NP (5).\n"},
      {"Tabular data", nanSpeed, 75, " SPEED of curve 2 is not a finite number" + of},
      {"Tabular data", sameSpeed, 75, " Curves 1 and 3 have the same speed (1200)" + of},
      {"Tabular data", sameX, 75, " Curve 3 has two points at the same X (80)" + of},
      {"Polynomials", threeTerms, 16,
       " Table COEF has 3 coefficients per curve; 4 are needed\n" + of},
  };
  for (const auto& r : refusals) {
    BlockBuilder b = curveBlock(r.type, r.curves, r.work);
    if (&r.curves == &negative) b.inputCell(2).integer = -4294967295;
    b.work.assign(b.work.size(), 0.5);
    call(b, kPump, 1);
    EXPECT_EQ(printer.text(), r.message);
    EXPECT_EQ(b.status, 4);
    EXPECT_EQ(b.work, std::vector<double>(b.work.size(), 0.5)) << r.message;
  }
  EXPECT_EQ(refhost::lastCall("ZMTH_SPLINE").calls, 0);
}

TEST_F(Pump, ExtrapolationWarnsWithTheExtrapolatedCurvesSpeedOnEveryValueCall) {
  Curves c{{1000.0, 2000.0}, {{0, 10, 20}, {0, 10, 20, 30}}, {{50, 45, 35}, {80, 75, 65, 50}}};
  BlockBuilder b = curveBlock("Tabular data", c, 40, nullptr, {}, {}, "Natural");
  call(b, kPump, 1);
  const std::string w = " WARNING: extrapolating past end of curve for  speed ";
  const Lines low = {w + "1000.  Results may be inaccurate."};
  const Lines high = {w + "2000.  Results may be inaccurate."};
  // Only the shorter curve ends below X; both (the upper's speed); at the upper's
  // last knot; below the first knot; outside the speeds; derivatives only; again.
  const struct {
    double s, x;
    std::int64_t mode;
    Lines lines;
  } cases[] = {{1500, 25, 4, low}, {1500, 35, 0, high}, {1500, 30, 4, low}, {1500, -5, 4, {}},
               {500, 15, 4, {}},   {1500, 35, 3, {}},   {1500, 35, 0, high}};
  for (const auto& k : cases) {
    EXPECT_EQ(at(b, kPump, k.s, k.x, k.mode), k.lines) << k.s << " " << k.x;
    EXPECT_EQ(b.status, k.lines.empty() ? 0 : 2);
  }
}

TEST_F(Pump, EvaluationsWithoutTheirSetUpAreRefused) {
  const Lines notSetUp = {" Procedure pPumpCurve has no prepared curve data for these inputs.",
                          " Please set it up first (call mode 1)."};
  BlockBuilder b = curveBlock("Tabular data", affinity(), 75);
  EXPECT_EQ(at(b, kPump, 900.0, 30.0), notSetUp);
  call(b, kPump, 1);
  auto refused = [&](auto damage) {
    BlockBuilder d = b;
    damage(d);
    return call(d, kPump, 0) == notSetUp && d.status == 4 && d.out(1) == -1.0;
  };
  EXPECT_TRUE(refused([](BlockBuilder& d) { d.work[1] = 7.0; }));             // a count beyond NP
  EXPECT_TRUE(refused([](BlockBuilder& d) { d.work[0] = 1e300; }));           // no integer
  EXPECT_TRUE(refused([](BlockBuilder& d) { d.inputCell(2).integer = 2; }));  // other NC
  EXPECT_TRUE(refused([](BlockBuilder& d) { d.inputCell(1).text[0] = 'P'; }));
  EXPECT_TRUE(refused([](BlockBuilder& d) { d.work.resize(74); }));
  EXPECT_EQ(at(b, kPump, -HUGE_VAL, 1.0),
            (Lines{" Input S = -inf is not a finite number in Procedure pPumpCurve."}));
}

}  // namespace
