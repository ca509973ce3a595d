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
    EXPECT_EQ(b.offset, x - v[lower - 1]) << x;
  }
}

}  // namespace
