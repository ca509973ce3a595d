// The shared curve forms: the spline interval and the pair of speed lines that the
// bisections find at, next to and between their points, and far outside.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <tuple>

#include "curves/curve_forms.hpp"

namespace {

using namespace xv55;

// The interval ends at the first knot from the second on at or above x (the last,
// flagged, beyond the end); the speed lines are the pair with SPEED(i) < S <=
// SPEED(i + 1), the end pairs outside the speeds.
TEST(CurveSearch, IntervalsAndSpeedBracketsAtAndAroundTheirPoints) {
  const double v[] = {0, 1, 2, 4, 8};
  const curves::SplineCurve curve{v, v, 5};
  const double above1 = std::nextafter(1.0, 2.0), above8 = std::nextafter(8.0, 9.0);
  // x (or S), the interval's end knot, beyond the end, the lower speed line
  const std::tuple<double, std::int64_t, bool, std::int64_t> cases[] = {
      {-1e300, 2, false, 1}, {0, 2, false, 1},   {0.5, 2, false, 1}, {1, 2, false, 1},
      {above1, 3, false, 2}, {4, 4, false, 3},   {5, 5, false, 4},   {8, 5, false, 4},
      {above8, 5, true, 4},  {1e300, 5, true, 4}};
  for (const auto& [x, end, beyond, lower] : cases) {
    const curves::Interval in = curves::intervalOf(curve, x);
    EXPECT_EQ(in.end, end) << x;
    EXPECT_EQ(in.beyondEnd, beyond) << x;
    const curves::SpeedBracket b = curves::bracketOf(v, 5, x);
    EXPECT_EQ(b.lower, lower) << x;
    // The share of the way from the lower line to the upper one.
    EXPECT_DOUBLE_EQ(b.fraction, (x - v[lower - 1]) / (v[lower] - v[lower - 1])) << x;
    EXPECT_DOUBLE_EQ(b.slope(3.0, 7.0), 4.0 / (v[lower] - v[lower - 1])) << x;
  }
}

// One interval of width 2 from x = 1, y = 1 + 2 t + 3 t^2 + 4 t^3 in t = (x - 1) / 2:
// every coefficient shows in the value and in dy/dx = (2 + 6 t + 12 t^2) / 2, at
// both knots and inside.
TEST(CurveSearch, ValueAndSlopeInsideACubicInterval) {
  const double knots[] = {1, 3};
  const double coefficients[] = {1, 2, 3, 4};
  const curves::SplineCurve curve{knots, coefficients, 2};
  for (const double x : {1.0, 1.5, 2.2, 3.0}) {
    const double t = (x - 1) / 2;
    const curves::CurveValue v = curves::evaluate(curve, x, curves::BeyondLastKnot::ExtendCubic);
    EXPECT_NEAR(v.y, 1 + 2 * t + 3 * t * t + 4 * t * t * t, 1e-14) << x;
    EXPECT_NEAR(v.slope, (2 + 6 * t + 12 * t * t) / 2, 1e-14) << x;
  }
  EXPECT_EQ(curves::evaluate(curve, 3.0, curves::BeyondLastKnot::ExtendCubic).y, 10.0);  // t = 1
}

// Neighbouring curves of different lengths: each is found after the knots and
// coefficients of all those before it.  Straight lines, one cubic per interval:
//   curve 1  y = 1 + 0.5 x   knots 0, 10
//   curve 2  y = 2 x         knots 0, 5, 10
//   curve 3  y = 100 - x     knots 0, 20
TEST(TabularFamily, NeighbouringCurvesOfDifferentLengths) {
  const double prepared[] = {2, 3,  2,                                 // points per curve
                             1, 2,  3,                                 // speeds
                             0, 10, 1,   5,   0,  0,                   // curve 1
                             0, 5,  10,  0,   10, 0, 0, 10, 10, 0, 0,  // curve 2
                             0, 20, 100, -20, 0,  0};                  // curve 3
  const curves::TabularCurves family(prepared, 3, curves::BeyondLastKnot::ExtendCubic);
  ASSERT_TRUE(family.countsWithin(3));
  // lower curve, x, then the lower and upper curves' y and slope
  const std::tuple<std::int64_t, double, double, double, double, double> cases[] = {
      {1, 4.0, 3.0, 0.5, 8.0, 2.0},
      {2, 4.0, 8.0, 2.0, 96.0, -1.0},
      {2, 7.0, 14.0, 2.0, 93.0, -1.0}};
  for (const auto& [lower, x, y1, slope1, y2, slope2] : cases) {
    const auto [a, b] = family.atPair(lower, x);
    EXPECT_NEAR(a.y, y1, 1e-12) << lower << " " << x;
    EXPECT_NEAR(a.slope, slope1, 1e-12) << lower << " " << x;
    EXPECT_NEAR(b.y, y2, 1e-12) << lower << " " << x;
    EXPECT_NEAR(b.slope, slope2, 1e-12) << lower << " " << x;
  }
}

}  // namespace
