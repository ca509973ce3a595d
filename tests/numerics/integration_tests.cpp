// Choked-flow integrations, called through their entry points as a host calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "support/capture_printer.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using Cells = std::vector<double>;
using Lines = std::vector<std::string>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kAny = kNaN;  // an expected value: any finite one
constexpr double kSentinel = 777.0;
// With S = 2 and Q = rho w^2 = 1: F(x) = 1.21 / (4 x^2 + 1), Cd(x) = 1.1 / sqrt(4 x^2 + 1),
// 1.21 and 1.1 as single-precision values.
constexpr double kDienerFactor = 1.2100000381469727;
constexpr double kDienerDischarge = 1.100000023841858;
const double kF1 = kDienerFactor / 5.0;  // F(1)

struct Outcome {
  Cells out;  // G, Pm, and M or Cd
  std::int64_t status;
  xv55::testing::CapturePrinter printer;
};

// Status starts at 4 so that the entry point's own status 1 shows.
Outcome run(Xv55Entry entry, const Cells& inputs) {
  xv55::testing::ScopedCapture cap;
  xv55::BlockBuilder block;
  for (double v : inputs) block.real(v);
  for (int k = 0; k < 3; ++k) block.output(kSentinel);
  block.status = XV55_STATUS_ERROR;
  block.call(entry);
  return {{block.out(1), block.out(2), block.out(3)}, block.status, cap.printer};
}

struct Case {
  Cells inputs;
  Cells out;                 // kAny: any finite value
  std::string failure = {};  // a failure's message: status 4, nothing written
  double tolerance = 1e-12;  // relative
};

void expectCases(Xv55Entry entry, std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases.begin());
    const Outcome r = run(entry, c.inputs);
    for (std::size_t k = 0; k < 3; ++k) {
      // Against itself, a NaN or an infinity still fails.
      const double want = std::isnan(c.out[k]) ? r.out[k] : c.out[k];
      EXPECT_NEAR(r.out[k], want, c.tolerance * std::fabs(want)) << "output " << k + 1;
    }
    const bool failed = !c.failure.empty();
    EXPECT_EQ(r.status, failed ? XV55_STATUS_ERROR : XV55_STATUS_INFORMATION);
    EXPECT_EQ(r.printer.lines, failed ? Lines{c.failure} : Lines{});
    EXPECT_EQ(r.printer.severities, std::vector<std::int32_t>(failed ? 1 : 0, 4));
  }
}

std::string p0Zero(const std::string& form) {
  return "F-SPSIMPINT-Invalid input to " + form + " integration: P0 = 0, nothing computed";
}
// From 10 bar the liquid reaches Ps = 5; the 4 bar left to Pb = 1 over 1e308 intervals.
std::string tooFine(const std::string& form) {
  return "F-SPSIMPINT-Invalid input to " + form +
         " integration: N = 1e+308 gives a step of 4e-308 bar, too small to move from 5 bar, "
         "nothing computed";
}

// A pass is trusted only with more than three steps: four trapezoid steps give the
// flux of that grid, three are refined tenfold.
TEST(Integrations, APassOfThreeStepsIsRefinedAndOneOfFourIsNot) {
  // Isothermal gas, v = V0 P0 / p, from 10 to 7 bar: the flux rises all the way (its
  // maximum is at 6.07 bar), so a pass ends at Pb after exactly N steps.
  const auto trapezoid = [](int steps) {
    const double h = 3.0 / steps;
    double p = 10.0, u = 0.1, integral = 0.0, v = u;
    for (int k = 0; k < steps; ++k) {
      p -= h;
      v = 0.1 * 10.0 / p;
      integral += (u + v) * h * 1e5;
      u = v;
    }
    return std::sqrt(integral / (v * v));
  };
  const auto flux = [](double n) { return run(XV55IF_PSIMPINT, {10, 10, 7, 0.1, 1, 1, n}).out[0]; };
  EXPECT_DOUBLE_EQ(flux(4), trapezoid(4));
  EXPECT_GT(std::fabs(flux(3) / trapezoid(3) - 1.0), 1e-4);
  EXPECT_NEAR(flux(3), trapezoid(30), 1e-2 * trapezoid(30));
}

TEST(SimpsonIntegration, ClosedFormsMaximaAndExhaustedSteps) {
  // Isothermal gas, v = V0 P0 / p: G^2 = 2e5 p^2 ln(P0 / p) / (P0 V0), largest at P0 e^-1/2.
  const double pm = 10.0 * std::exp(-0.5), g = std::sqrt(1e7 * std::exp(-1.0));
  const std::string tooSmall = "F-SPSIMPINT-Failure Simpson integration, step too small";
  // P0, Ps, Pb, V0, a, n, N -> G, Pm, M
  expectCases(
      XV55IF_PSIMPINT,
      {
          // No pressure drop, and a tiny one: G^2 = 2e5 (P0 - Pb) / V0 of the liquid.
          {{5, 3, 5, 0.01, 1, 1, 100}, {0, 5, kSentinel}},
          {{5 + 0x1p-17, 3, 5, 0.01, 1, 1, 100}, {std::sqrt(0x1p-17 * 2e7), 5, kSentinel}},
          // Pb at or above Ps: all liquid down to Pb, G^2 = 2e5 (P0 - Pb) / V0.
          {{10, 5, 5 + 5e-7, 1e-3, 1, 1, 100}, {std::sqrt(2e8 * (5 - 5e-7)), 5 + 5e-7, kSentinel}},
          {{10, 5, 7, 1e-3, 1, 1, 100}, {std::sqrt(6e8), 7, kSentinel}},
          // Constant volume, with and without a liquid part: G rises all the way to Pb.
          {{10, 20, 2, 1e-3, 0, 1, 8}, {40000, 2, 0}},
          {{10, 6, 2, 1e-3, 0, 1, 8}, {40000, 2, 0}},
          // The maximum, finer with more intervals; two intervals are refined once.
          {{10, 10, 1, 0.1, 1, 1, 100}, {g, pm, 1}, {}, 1e-4},
          {{10, 10, 1, 0.1, 1, 1, 1000}, {g, pm, 1}, {}, 2e-6},
          {{10, 10, 1, 0.1, 1, 1, 2}, {g, pm, 1}, {}, 2.2e-2},
          // Steps exhausted, by a step wider than the range and by the step budget: a
          // failure, nothing written ...
          {{1, 2, 1 - 2e-5, 0.1, 1, 1, 1e-3}, {kSentinel, kSentinel, kSentinel}, tooSmall},
          {{10, 20, 1, 0.1, 1, 1, 1e12},
           {kSentinel, kSentinel, kSentinel},
           "F-SPSIMPINT-Failure Simpson integration, step budget exhausted"},
          // ... but from Ps or above a maximum within the first steps lies at Ps.
          {{2, 2, 2 - 2e-5, 0.1, 1, 1, 1e-3}, {kAny, 2, 1}},
          // No upstream pressure, a grid too fine to leave the start pressure, and a volume
          // law that overflows (v(P0) = V0 (Ps/P0)^2 = inf, so G^2 = 0 inf / inf): refused.
          {{0, 5, 1, 0.1, 1, 1, 10}, {kSentinel, kSentinel, kSentinel}, p0Zero("Simpson")},
          {{kNaN, 5, 1, 0.1, 1, 1, 10},
           {kSentinel, kSentinel, kSentinel},
           "F-SPSIMPINT-Invalid input to Simpson integration: P0 = nan, nothing computed"},
          {{10, 5, 1, 0.1, 1, 1, 1e308}, {kSentinel, kSentinel, kSentinel}, tooFine("Simpson")},
          {{1e-300, 1e300, 1e-300, 0.1, 1, 2, 10},
           {kSentinel, kSentinel, kSentinel},
           "F-SPSIMPINT-Failure Simpson integration, no finite flux at these inputs"},
      });
}

// Liquid from P0 to Ps, then flashing with v = V0 (a ((Ps/p)^n - 1) + 1): against the
// closed-form integral and a golden-section search for the largest flux, in long
// double.
TEST(SimpsonIntegration, FlashingFluxAgreesWithAnIndependentMaximisation) {
  using Real = long double;
  const Real p0 = 6.4L, ps = 6.0L, pb = 0.5L, v0 = 1e-3L, a = 2.5L, n = 0.8L;
  const auto v = [&](Real p) { return v0 * (a * (std::pow(ps / p, n) - 1) + 1); };
  const auto fluxSquared = [&](Real p) {
    const Real below = v0 * ((1 - a) * (ps - p) + a * ps * (1 - std::pow(p / ps, 1 - n)) / (1 - n));
    return 2e5L * (v0 * (p0 - ps) + below) / (v(p) * v(p));
  };
  Real lo = pb, hi = ps;
  const Real r = (std::sqrt(5.0L) - 1) / 2;
  for (int k = 0; k < 200; ++k) {
    const Real x1 = hi - r * (hi - lo), x2 = lo + r * (hi - lo);
    if (fluxSquared(x1) < fluxSquared(x2)) {
      lo = x1;
    } else {
      hi = x2;
    }
  }
  const Real pm = (lo + hi) / 2;
  ASSERT_GT(pm, pb + 0.1L);  // an inner maximum
  ASSERT_LT(pm, ps - 0.1L);
  const Outcome got = run(XV55IF_PSIMPINT, {6.4, 6.0, 0.5, 1e-3, 2.5, 0.8, 1e5});
  EXPECT_EQ(got.status, XV55_STATUS_INFORMATION);
  EXPECT_NEAR(got.out[0], static_cast<double>(std::sqrt(fluxSquared(pm))),
              1e-9 * static_cast<double>(std::sqrt(fluxSquared(pm))));
  EXPECT_NEAR(got.out[1], static_cast<double>(pm), 1e-4);
  EXPECT_EQ(got.out[2], 1.0);
}

TEST(DienerIntegration, ClosedFormsAndExhaustedSteps) {
  const double d = std::ldexp(1.0, -50);
  // Liquid only: G^2 = 2e5 (P0 - Pb) F(1) / (V0 (1 - F(1))).
  const auto liquid = [](double drop, double v0) {
    return std::sqrt(2e5 * drop * kF1 / (v0 * (1 - kF1)));
  };
  // P0, Ps, Pb, V0, a, n, S, rho, w, mode, N -> G, Pm, Cd
  expectCases(XV55IF_PDIENERINT,
              {
                  // G^2 = 2e5 D F(1) / (1 - F(1)) below 1e-9 follows the line through the origin;
                  // a negative G^2 gives no flux.
                  {{1, 0.5, 1 - d, 1, 1, 1, 2, 1, 1, 1, 100},
                   {2e5 * d * kF1 / (1 - kF1) * 31622.69921875, 1 - d, kSentinel}},
                  {{1, 0.5, 2, 1, 1, 1, 2, 1, 1, 1, 100}, {0, 2, kSentinel}},
                  // Constant volume: the liquid form at Pb; only mode 0 gives Cd.
                  {{10, 20, 2, 1, 0, 1, 2, 1, 1, 0, 8},
                   {liquid(8, 1), 2, kDienerDischarge / std::sqrt(5.0)}},
                  {{10, 20, 2, 1, 0, 1, 2, 1, 1, 1, 8}, {liquid(8, 1), 2, kSentinel}},
                  // Pb just below Ps keeps the liquid part; Pb at or above Ps in either mode is
                  // all liquid down to Pb.
                  {{10, 5, 5 - 5e-7, 1e-3, 1, 1, 2, 1, 1, 1, 10},
                   {liquid(5 + 5e-7, 1e-3), 5 - 5e-7, kSentinel}},
                  {{10, 5, 5, 1e-3, 1, 1, 2, 1, 1, 0, 10},
                   {liquid(5, 1e-3), 5, kDienerDischarge / std::sqrt(5.0)}},
                  {{10, 5, 7, 1e-3, 1, 1, 2, 1, 1, 1, 10}, {liquid(3, 1e-3), 7, kSentinel}},
                  // Steps exhausted: a failure, nothing written.
                  {{1, 2, 1 - 2e-5, 0.1, 1, 1, 2, 1, 1, 0, 1e-3},
                   {kSentinel, kSentinel, kSentinel},
                   "F-SPSIMPINT-Failure Diener integration, step too small"},
                  {{10, 20, 1, 0.1, 1, 1, 2, 1, 1, 1, 1e12},
                   {kSentinel, kSentinel, kSentinel},
                   "F-SPSIMPINT-Failure Diener integration, step budget exhausted"},
                  {{0, 5, 1, 0.1, 1, 1, 2, 1, 1, 1, 10},
                   {kSentinel, kSentinel, kSentinel},
                   p0Zero("Diener")},
                  {{10, 5, 1, -0.1, 1, 1, 2, 1, 1, 1, 10},
                   {kSentinel, kSentinel, kSentinel},
                   "F-SPSIMPINT-Invalid input to Diener integration: V0 = -0.1, nothing computed"},
                  {{10, 5, 1, 0.1, 1, 1, 2, 1, 1, 0, 1e308},
                   {kSentinel, kSentinel, kSentinel},
                   tooFine("Diener")},
              });
}

TEST(DienerIntegration, SearchingModeFindsTheMaximum) {
  // Isothermal gas from P0 = Ps = 10 to Pb = 1 with V0 = 0.1, against a fine scan.
  auto fluxSquared = [](double p) {
    const double f = kDienerFactor / (4.0 * 81.0 / ((10.0 - p) * (10.0 - p)) + 1.0);
    return 2e5 * std::log(10.0 / p) * f / (1.0 / (p * p) - f * 0.01);
  };
  double best = 0.0;
  for (double p = 9.999; p > 1.0; p -= 1e-4) best = std::max(best, fluxSquared(p));
  const Outcome r = run(XV55IF_PDIENERINT, {10, 10, 1, 0.1, 1, 1, 2, 1, 1, 1, 200});
  ASSERT_GT(r.out[1], 1.0);
  ASSERT_LT(r.out[1], 10.0);
  EXPECT_NEAR(r.out[0] * r.out[0] / best, 1.0, 2e-3);
  const double x = 9.0 / (10.0 - r.out[1]);
  EXPECT_DOUBLE_EQ(r.out[2], kDienerDischarge / std::sqrt(4.0 * x * x + 1.0));
  EXPECT_TRUE(r.printer.lines.empty());
}

}  // namespace
