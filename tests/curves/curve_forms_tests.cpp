// The shared curve forms: the bisections stop where scans from the front stop,
// ties included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "curves/curve_forms.hpp"

namespace {

using namespace xv55;
using curves::Interval;
using curves::SplineCurve;

// The first knot from the second on at or above x, else the last (extrapolating).
Interval scannedInterval(const SplineCurve& c, double x) {
  for (std::int64_t i = 2; i <= c.n; ++i) {
    if (c.knots[i - 1] >= x) return {i, false};
  }
  return {c.n, true};
}

// The lower of the two bracketing speed lines.
std::int64_t scannedLowerLine(const double* speed, std::int64_t nc, double s) {
  if (speed[0] >= s) return 1;
  if (s >= speed[nc - 1]) return nc - 1;
  for (std::int64_t i = 1; i < nc; ++i) {
    if (speed[i - 1] < s && s <= speed[i]) return i;
  }
  return -1;
}

// Every value, its neighbours, points between and far outside.
std::vector<double> gridAround(const std::vector<double>& v, int between) {
  std::vector<double> grid = {-1e300, v.front() - 7.0, v.back() + 7.0, 1e300};
  for (std::size_t k = 0; k < v.size(); ++k) {
    for (double d : {-HUGE_VAL, 0.0, HUGE_VAL}) grid.push_back(std::nextafter(v[k], d));
    for (int j = 1; k + 1 < v.size() && j < between; ++j) {
      grid.push_back(v[k] + (v[k + 1] - v[k]) * j / between);
    }
  }
  return grid;
}

bool same(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(CurveSearch, BisectionsStopWhereScansStopTiesIncluded) {
  for (const std::vector<double>& v : {std::vector<double>{0, 1},
                                       {0, 1, 1, 1, 2, 3, 3, 5},
                                       {-3, -3, -3},
                                       {1, 2, 4, 8, 16, 32, 64, 65, 66, 70}}) {
    const auto n = static_cast<std::int64_t>(v.size());
    const SplineCurve curve{v.data(), v.data(), n};
    for (double x : gridAround(v, 4)) {
      const Interval found = curves::intervalOf(curve, x), scanned = scannedInterval(curve, x);
      EXPECT_TRUE(found.end == scanned.end && found.beyondEnd == scanned.beyondEnd) << x;
      const curves::SpeedBracket b = curves::bracketOf(v.data(), n, x);
      EXPECT_EQ(b.lower, scannedLowerLine(v.data(), n, x)) << x;
      EXPECT_TRUE(same(b.offset, x - v[static_cast<std::size_t>(b.lower - 1)])) << x;
    }
  }
}

}  // namespace
