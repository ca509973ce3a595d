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
#include "xv55/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using Cells = std::vector<double>;
using Lines = std::vector<std::string>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kAny = kNaN;  // an expected value: any finite one
constexpr double kSentinel = 777.0;
const Lines kSimpsonTooSmall = {"F-SPSIMPINT-Failure Simpson integration, step too small"};
const Lines kDienerTooSmall = {"F-SPSIMPINT-Failure Diener integration, step too small"};
// With S = 2 and Q = rho w^2 = 1: F(x) = 1.21 / (4 x^2 + 1), Cd(x) = 1.1 / sqrt(4 x^2 + 1).
constexpr double kDienerFactor = 1.2100000381469727;
constexpr double kDienerDischarge = 1.100000023841858;

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
  Cells out;  // kAny: any finite value
  Lines lines = {};
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
    EXPECT_EQ(r.status, XV55_STATUS_INFORMATION);
    EXPECT_EQ(r.printer.lines, c.lines);
    EXPECT_EQ(r.printer.severities, std::vector<std::int32_t>(c.lines.size(), 0));
  }
}

// Every call ends.  An input the integration cannot start from (a non-finite value,
// V0 (input 4) or N (the last input) not positive) is rejected: status 4 stands,
// one message names it and no output is written.  Any other input returns status 1.
// From P0 above and below Ps = 5, each N alone and with each other input replaced
// by an odd value.
void expectEndsOnAnyInput(Xv55Entry entry, Cells base) {
  const auto check = [&](const Cells& inputs) {
    const std::size_t v0 = 3, n = inputs.size() - 1;
    bool valid = inputs[v0] > 0.0 && inputs[n] > 0.0;
    for (double v : inputs) valid = valid && std::isfinite(v);
    const Outcome r = run(entry, inputs);
    if (valid) {
      EXPECT_EQ(r.status, XV55_STATUS_INFORMATION);
    } else {
      EXPECT_EQ(r.status, XV55_STATUS_ERROR);
      EXPECT_EQ(r.out, (Cells{kSentinel, kSentinel, kSentinel}));
      ASSERT_EQ(r.printer.lines.size(), 1U);
      EXPECT_NE(r.printer.lines[0].find("-Invalid input to "), std::string::npos);
      EXPECT_EQ(r.printer.severities, std::vector<std::int32_t>{XV55_STATUS_ERROR});
    }
  };
  for (double p0 : {10.0, 3.0}) {
    for (double n : {0.0, -0.0, -1.0, -1e6, kNaN, kInf, -kInf, 1e300, 1e-300, 3.0}) {
      base.front() = p0;
      base.back() = n;
      SCOPED_TRACE(testing::Message() << "P0 = " << p0 << ", N = " << n);
      check(base);
      for (std::size_t k = 0; k + 1 < base.size(); ++k) {
        for (double v : {kNaN, kInf, -kInf, 0.0, -5.0}) {
          Cells inputs = base;
          inputs[k] = v;
          SCOPED_TRACE(testing::Message() << "input " << k + 1 << " = " << v);
          check(inputs);
        }
      }
    }
  }
}

TEST(Integrations, RejectedInputsAreNamedAndTheFailureStands) {
  Outcome r = run(XV55IF_PSIMPINT, {kNaN, 5, 1, 0.1, 1, 1, 10});
  EXPECT_EQ(r.status, XV55_STATUS_ERROR);
  EXPECT_EQ(r.printer.lines,
            Lines{"F-SPSIMPINT-Invalid input to Simpson integration: P0 = nan, nothing computed"});
  r = run(XV55IF_PSIMPINT, {10, 5, 1, 0.1, 1, 1, 0});
  EXPECT_EQ(r.printer.lines,
            Lines{"F-SPSIMPINT-Invalid input to Simpson integration: N = 0, nothing computed"});
  r = run(XV55IF_PDIENERINT, {10, 5, 1, -0.1, 1, 1, 2, 1, 1, 1, 10});
  EXPECT_EQ(r.status, XV55_STATUS_ERROR);
  EXPECT_EQ(r.printer.lines,
            Lines{"F-SPSIMPINT-Invalid input to Diener integration: V0 = -0.1, nothing computed"});
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
      v = 0.1 * (10.0 / p - 1.0 + 1.0);
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

TEST(SimpsonIntegration, ClosedFormsMaximaAndExhaustedRefinement) {
  // Isothermal gas, v = V0 P0 / p: G^2 = 2e5 p^2 ln(P0 / p) / (P0 V0), largest at P0 e^-1/2.
  const double pm = 10.0 * std::exp(-0.5), g = std::sqrt(1e7 * std::exp(-1.0));
  // P0, Ps, Pb, V0, a, n, N -> G, Pm, M
  expectCases(
      XV55IF_PSIMPINT,
      {
          // No pressure drop, a tiny one (G^2 = 2e5 (P0 - Pb) / V0 of the liquid), and Pb just
          // above Ps: the liquid part alone, G^2 = 2e5 (P0 - Ps) / V0.
          {{5, 3, 5, 0.01, 1, 1, 100}, {0, 5, kSentinel}},
          {{5 + 0x1p-17, 3, 5, 0.01, 1, 1, 100}, {std::sqrt(0x1p-17 * 2e7), 5, kSentinel}},
          {{10, 5, 5 + 5e-7, 1e-3, 1, 1, 100}, {std::sqrt(1e9), 5 + 5e-7, kSentinel}},
          // Constant volume, with and without a liquid part: G rises all the way to Pb.
          {{10, 20, 2, 1e-3, 0, 1, 8}, {40000, 2, 0}},
          {{10, 6, 2, 1e-3, 0, 1, 8}, {40000, 2, 0}},
          // The maximum, finer with more intervals; two intervals are refined once.
          {{10, 10, 1, 0.1, 1, 1, 100}, {g, pm, 1}, {}, 1e-4},
          {{10, 10, 1, 0.1, 1, 1, 1000}, {g, pm, 1}, {}, 2e-6},
          {{10, 10, 1, 0.1, 1, 1, 2}, {g, pm, 1}, {}, 2.2e-2},
          // Refinement exhausted by a step wider than the range and by the step
          // budget ...
          {{1, 2, 1 - 2e-5, 0.1, 1, 1, 1e-3}, {kAny, kSentinel, kSentinel}, kSimpsonTooSmall},
          {{10, 20, 1, 0.1, 1, 1, 1e12}, {kAny, kSentinel, kSentinel}, kSimpsonTooSmall},
          // ... but silently, with the maximum at Ps, from Ps or above.
          {{2, 2, 2 - 2e-5, 0.1, 1, 1, 1e-3}, {kAny, 2, 1}},
      });
}

TEST(SimpsonIntegration, EndsOnAnyInput) {
  expectEndsOnAnyInput(XV55IF_PSIMPINT, {10, 5, 1, 0.1, 1, 1, 0});
}

TEST(DienerIntegration, ClosedFormsAndExhaustedRefinement) {
  const double d = std::ldexp(1.0, -50), f1 = kDienerFactor / 5.0;
  // P0, Ps, Pb, V0, a, n, S, rho, w, mode, N -> G, Pm, Cd
  expectCases(
      XV55IF_PDIENERINT,
      {
          // G^2 = 2e5 D F(1) / (1 - F(1)) below 1e-9 follows the line through the origin;
          // a negative G^2 gives no flux.
          {{1, 0.5, 1 - d, 1, 1, 1, 2, 1, 1, 1, 100},
           {2e5 * d * f1 / (1 - f1) * 31622.69921875, 1 - d, kSentinel}},
          {{1, 0.5, 2, 1, 1, 1, 2, 1, 1, 1, 100}, {0, 2, kSentinel}},
          // Constant volume: G^2 = 2e5 (P0 - Pb) F(1) / (1 - F(1)) at Pb; only mode 0 gives Cd.
          {{10, 20, 2, 1, 0, 1, 2, 1, 1, 0, 8},
           {std::sqrt(1.6e6 * f1 / (1 - f1)), 2, kDienerDischarge / std::sqrt(5.0)}},
          {{10, 20, 2, 1, 0, 1, 2, 1, 1, 1, 8}, {std::sqrt(1.6e6 * f1 / (1 - f1)), 2, kSentinel}},
          // Refinement exhausted: nothing to integrate (Pb = Ps), the step budget;
          // searching mode takes the short-range form instead.
          {{10, 5, 5, 1, 1, 1, 2, 1, 1, 0, 10}, {0, kSentinel, kSentinel}, kDienerTooSmall},
          {{10, 20, 1, 0.1, 1, 1, 2, 1, 1, 1, 1e12}, {kAny, kSentinel, kSentinel}, kDienerTooSmall},
          {{10, 5, 5, 1, 1, 1, 2, 1, 1, 1, 10}, {kAny, 5, kSentinel}},
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

TEST(DienerIntegration, EndsOnAnyInput) {
  for (double mode : {0.0, 1.0}) {
    expectEndsOnAnyInput(XV55IF_PDIENERINT, {10, 5, 1, 0.1, 1, 1, 2, 1, 1, mode, 0});
  }
}

}  // namespace
