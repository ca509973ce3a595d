// ZMTH_SPLINE and PPPETM_PCINTP.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "host/flash_monitors.h"
#include "host/numerics.h"
#include "xv55/refhost.hpp"

namespace {

constexpr double kWide = 1e300;

struct Curve {
  std::vector<double> x, y, c;
  std::int64_t method;

  Curve(std::vector<double> knots, std::vector<double> values, std::int64_t m)
      : x(std::move(knots)), y(std::move(values)), c(4 * (x.size() - 1) + 4, -7.0), method(m) {
    const auto n = static_cast<std::int64_t>(x.size());
    ZMTH_SPLINE(&n, y.data(), x.data(), c.data(), &method);
  }
  double at(double where, double lower = -kWide, double upper = kWide) const {
    double r = -99.0;
    const auto n = static_cast<std::int64_t>(x.size());
    PPPETM_PCINTP(x.data(), c.data(), &where, &r, &n, &lower, &upper);
    return r;
  }
};

class RefhostSplines : public ::testing::Test {
 protected:
  void SetUp() override { xv55::refhost::reset(); }
};

double cubic(double x) {
  return 2.0 - 1.5 * x + 0.75 * x * x - 0.125 * x * x * x;
}

TEST_F(RefhostSplines, NotAKnotReproducesACubicOnUnevenKnots) {
  for (std::vector<double> x : {std::vector<double>{-1.0, 0.3, 0.4, 2.0},
                                std::vector<double>{-3.0, -1.0, 0.0, 0.5, 2.5, 7.0, 7.1}}) {
    std::vector<double> y;
    for (double v : x) y.push_back(cubic(v));
    const Curve curve(x, y, ZMTH_SPLINE_CUBIC);
    for (double v = x.front() - 1.0; v <= x.back() + 1.0; v += 0.037) {
      EXPECT_NEAR(curve.at(v), cubic(v), 1e-9 * (1.0 + std::fabs(cubic(v)))) << "x " << v;
    }
  }
}

TEST_F(RefhostSplines, CubicMethodGivesParabolaForThreePointsAndLineForTwo) {
  const Curve parabola({0.0, 1.0, 3.0}, {1.0, 2.0, 10.0}, ZMTH_SPLINE_CUBIC);
  // y = 1 + x^2 through (0,1), (1,2), (3,10).
  for (double v : {-1.0, 0.5, 2.0, 4.0}) EXPECT_NEAR(parabola.at(v), 1.0 + v * v, 1e-12);
  for (std::int64_t method : {1, 2, 3, 7}) {
    const Curve line({1.0, 3.0}, {5.0, 1.0}, method);
    for (double v : {0.0, 2.0, 4.0}) EXPECT_NEAR(line.at(v), 7.0 - 2.0 * v, 1e-12) << method;
  }
}

TEST_F(RefhostSplines, EveryMethodPassesThroughItsKnots) {
  const std::vector<double> x = {0.0, 0.5, 1.7, 2.0, 4.0, 4.5, 9.0};
  const std::vector<double> y = {3.0, -1.0, 2.5, 2.5, 8.0, 0.0, 1.0};
  for (std::int64_t method : {1, 2, 3, 0}) {
    for (std::size_t n = 2; n <= x.size(); ++n) {
      const Curve curve({x.begin(), x.begin() + static_cast<long>(n)},
                        {y.begin(), y.begin() + static_cast<long>(n)}, method);
      for (std::size_t i = 0; i < n; ++i) {
        EXPECT_NEAR(curve.at(x[i]), y[i], 1e-12) << "method " << method << " n " << n;
      }
      // Only the 4 (n - 1) coefficients are written.
      EXPECT_EQ(curve.c[4 * (n - 1)], -7.0);
    }
  }
}

TEST_F(RefhostSplines, NaturalSplineHasZeroCurvatureAtBothEnds) {
  const Curve curve({0.0, 1.0, 2.5, 3.0}, {0.0, 2.0, 1.0, 4.0}, ZMTH_SPLINE_NATURAL);
  // y'' at t = 0 of the first interval is 2 a2 / h^2; at t = 1 of the last 2 a2 + 6 a3.
  EXPECT_NEAR(curve.c[2], 0.0, 1e-12);
  EXPECT_NEAR(2.0 * curve.c[10] + 6.0 * curve.c[11], 0.0, 1e-12);
}

TEST_F(RefhostSplines, MonotoneMethodStaysMonotoneAndWithinTheData) {
  // Steps and plateaus that make an ordinary cubic spline overshoot.
  const Curve curve({0.0, 1.0, 1.1, 3.0, 3.2, 6.0, 10.0}, {0.0, 0.0, 5.0, 5.1, 9.0, 9.0, 9.5},
                    ZMTH_SPLINE_MONOTONE);
  double previous = 0.0;
  for (double v = 0.0; v <= 10.0; v += 1e-3) {
    const double r = curve.at(v);
    EXPECT_GE(r, previous - 1e-12) << "x " << v;
    EXPECT_LE(r, 9.5 + 1e-12);
    previous = r;
  }
  EXPECT_NEAR(curve.at(0.5), 0.0, 1e-12);  // flat stretches stay flat
  EXPECT_NEAR(curve.at(4.5), 9.0, 1e-12);
}

TEST_F(RefhostSplines, EqualKnotsGiveAConstantIntervalAndNoNaN) {
  for (std::int64_t method : {1, 2, 3}) {
    const Curve curve({0.0, 1.0, 2.0, 2.0, 3.0, 4.0, 5.0}, {0.0, 1.0, 4.0, 6.0, 9.0, 16.0, 25.0},
                      method);
    for (std::size_t k = 0; k < 24; ++k) EXPECT_TRUE(std::isfinite(curve.c[k])) << k;
    EXPECT_EQ(curve.c[8], 4.0);
    EXPECT_EQ(curve.c[9], 0.0);
    EXPECT_EQ(curve.c[10], 0.0);
    EXPECT_EQ(curve.c[11], 0.0);
    // Each side is a curve of its own through its points.
    EXPECT_NEAR(curve.at(1.0), 1.0, 1e-12);
    EXPECT_NEAR(curve.at(4.0), 16.0, 1e-12);
  }
  EXPECT_TRUE(xv55::refhost::reportLines().empty());
}

TEST_F(RefhostSplines, DescendingKnotsAreReportedNotTrusted) {
  const Curve curve({0.0, 2.0, 1.0, 3.0}, {0.0, 1.0, 2.0, 3.0}, ZMTH_SPLINE_CUBIC);
  for (std::size_t k = 0; k < 12; ++k) EXPECT_TRUE(std::isfinite(curve.c[k]));
  const auto lines = xv55::refhost::reportLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            " ZMTH_SPLINE-W-Knots not in ascending order at point 3; that interval is "
            "held constant.");
}

TEST_F(RefhostSplines, EvaluationExtrapolatesTheEndCubicsAndClips) {
  const Curve curve({0.0, 1.0, 2.0, 4.0}, {1.0, 2.0, 0.0, 3.0}, ZMTH_SPLINE_CUBIC);
  auto cubicOf = [&](std::size_t interval, double t) {
    const double* a = &curve.c[4 * interval];
    return ((a[3] * t + a[2]) * t + a[1]) * t + a[0];
  };
  EXPECT_NEAR(curve.at(5.0), cubicOf(2, (5.0 - 2.0) / 2.0), 1e-12);
  EXPECT_NEAR(curve.at(-1.0), cubicOf(0, -1.0), 1e-12);
  EXPECT_EQ(curve.at(1.0, -0.5, 1.5), 1.5);
  EXPECT_EQ(curve.at(2.0, 0.5, 1.5), 0.5);
  // Too few points: 0 leaves the result, 1 keeps it within the limits.
  const double where = 3.0, lower = -1.0, upper = 2.0;
  double r = 7.0;
  for (std::int64_t n : {0, 1}) {
    PPPETM_PCINTP(curve.x.data(), curve.c.data(), &where, &r, &n, &lower, &upper);
    EXPECT_EQ(r, n == 0 ? 7.0 : 2.0);
  }
}

TEST_F(RefhostSplines, FewPointsWriteNothingAndManyPointsWork) {
  double y[1] = {1.0}, x[1] = {0.0}, c[4] = {-7.0, -7.0, -7.0, -7.0};
  const std::int64_t method = 1;
  for (std::int64_t n : {0, 1, -5}) {
    ZMTH_SPLINE(&n, y, x, c, &method);
    EXPECT_EQ(c[0], -7.0);
  }
  std::vector<double> xs, ys;
  for (int i = 0; i < 800; ++i) {
    xs.push_back(i * 0.01);
    ys.push_back(std::sin(i * 0.01));
  }
  for (std::int64_t m : {1, 2, 3}) {
    const Curve curve(xs, ys, m);
    EXPECT_NEAR(curve.at(3.005), std::sin(3.005), 1e-7) << m;
  }
}

}  // namespace
