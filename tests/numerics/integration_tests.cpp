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

using xv55::BlockBuilder;
using xv55::testing::ScopedCapture;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSentinel = 777.0;
const std::string kSimpsonTooSmall = "F-SPSIMPINT-Failure Simpson integration, step too small";
const std::string kDienerTooSmall = "F-SPSIMPINT-Failure Diener integration, step too small";

struct Outcome {
  double g, pm, third;
  std::int64_t status;
  std::vector<std::string> lines;
  std::vector<std::int32_t> severities;
};

Outcome run(Xv55Entry entry, std::initializer_list<double> inputs) {
  ScopedCapture cap;
  BlockBuilder block;
  for (double v : inputs) block.real(v);
  for (int k = 0; k < 3; ++k) block.output(kSentinel);
  block.status = XV55_STATUS_ERROR;
  block.call(entry);
  return {block.out(1), block.out(2),      block.out(3),
          block.status, cap.printer.lines, cap.printer.severities};
}

// P0, Ps, Pb, V0, a, n, N -> G, Pm, M
Outcome simpson(double p0, double ps, double pb, double v0, double a, double n, double intervals) {
  return run(XV55IF_PSIMPINT, {p0, ps, pb, v0, a, n, intervals});
}

// P0, Ps, Pb, V0, a, n, S, rho, w, mode, N -> G, Pm, Cd; here Q = rho w^2 = 1.
Outcome diener(double p0, double ps, double pb, double v0, double a, double n, double s,
               double mode, double intervals) {
  return run(XV55IF_PDIENERINT, {p0, ps, pb, v0, a, n, s, 1.0, 1.0, mode, intervals});
}

constexpr double kDienerFactor = 1.2100000381469727;
constexpr double kDienerDischarge = 1.100000023841858;

TEST(SimpsonIntegration, NoPressureDropGivesNoFlux) {
  const Outcome r = simpson(5.0, 3.0, 5.0, 0.01, 1.0, 1.0, 100.0);
  EXPECT_EQ(r.g, 0.0);
  EXPECT_EQ(r.pm, 5.0);
  EXPECT_EQ(r.third, kSentinel);
  EXPECT_EQ(r.status, XV55_STATUS_INFORMATION);
  EXPECT_TRUE(r.lines.empty());
}

TEST(SimpsonIntegration, LiquidPartAloneWhenTheBackPressureMeetsPs) {
  // G^2 = 200000 (P0 - Ps) / V0 = 1e9.
  const Outcome r = simpson(10.0, 5.0, 5.0 + 5e-7, 1e-3, 1.0, 1.0, 100.0);
  EXPECT_DOUBLE_EQ(r.g, std::sqrt(1e9));
  EXPECT_EQ(r.pm, 5.0 + 5e-7);
  EXPECT_EQ(r.third, kSentinel);
}

TEST(SimpsonIntegration, MonotoneFluxEndsAtTheBackPressure) {
  // Constant volume: G^2 = 200000 (P0 - Pb) / V0 rises all the way down.
  const Outcome r = simpson(10.0, 20.0, 2.0, 1e-3, 0.0, 1.0, 8.0);
  EXPECT_NEAR(r.g, 40000.0, 1e-8);
  EXPECT_EQ(r.pm, 2.0);
  EXPECT_EQ(r.third, 0.0);
  // With a liquid part above Ps the same total results.
  const Outcome liquid = simpson(10.0, 6.0, 2.0, 1e-3, 0.0, 1.0, 8.0);
  EXPECT_NEAR(liquid.g, 40000.0, 1e-8);
  EXPECT_EQ(liquid.third, 0.0);
}

TEST(SimpsonIntegration, IsothermalGasChokesAtP0OverRootE) {
  // v = V0 P0 / p: G^2 = 2 p^2 ln(P0 / p) / (P0 V0), largest at P0 e^-1/2.
  // Two intervals are refined once (h = 0.45), so that result is coarser.
  struct Case {
    double intervals, pmTolerance, gTolerance;
  };
  for (Case c : {Case{100.0, 2e-3, 0.5}, Case{1000.0, 2e-4, 0.05}, Case{2.0, 0.15, 40.0}}) {
    const Outcome r = simpson(10.0, 10.0, 1.0, 0.1, 1.0, 1.0, c.intervals);
    EXPECT_NEAR(r.pm, 10.0 * std::exp(-0.5), c.pmTolerance) << c.intervals;
    EXPECT_NEAR(r.g, std::sqrt(10.0 * std::exp(-1.0) / 0.1 * 1e5), c.gTolerance) << c.intervals;
    EXPECT_EQ(r.third, 1.0);
    EXPECT_TRUE(r.lines.empty());
  }
}

TEST(SimpsonIntegration, ExhaustedRefinement) {
  // A step wider than the range leaves no room for more than one step per pass
  // until N h falls below the smallest step.
  const Outcome gas = simpson(1.0, 2.0, 1.0 - 2e-5, 0.1, 1.0, 1.0, 1e-3);
  EXPECT_EQ(gas.lines, std::vector<std::string>{kSimpsonTooSmall});
  EXPECT_EQ(gas.severities, std::vector<std::int32_t>{0});
  EXPECT_EQ(gas.status, XV55_STATUS_INFORMATION);
  EXPECT_TRUE(std::isfinite(gas.g));
  EXPECT_EQ(gas.pm, kSentinel);
  EXPECT_EQ(gas.third, kSentinel);
  // Starting at or above Ps the maximum is reported at Ps, silently.
  const Outcome atPs = simpson(2.0, 2.0, 2.0 - 2e-5, 0.1, 1.0, 1.0, 1e-3);
  EXPECT_TRUE(atPs.lines.empty());
  EXPECT_EQ(atPs.pm, 2.0);
  EXPECT_EQ(atPs.third, 1.0);
}

TEST(SimpsonIntegration, StepBudgetEndsAnAbsurdlyFineGrid) {
  // 1e12 intervals would take hours; the call ends as an exhausted refinement.
  const Outcome r = simpson(10.0, 20.0, 1.0, 0.1, 1.0, 1.0, 1e12);
  EXPECT_EQ(r.lines, std::vector<std::string>{kSimpsonTooSmall});
  EXPECT_EQ(r.pm, kSentinel);
}

TEST(DienerIntegration, TinyResultFollowsTheLinearBranch) {
  // D = 2^-50, S = 2, Q = 1: F(1) = 1.21 / 5, G^2 = 200000 D F / (1 - F) < 1e-9.
  const double d = std::ldexp(1.0, -50);
  const double f1 = kDienerFactor / 5.0;
  const Outcome tiny = diener(1.0, 0.5, 1.0 - d, 1.0, 1.0, 1.0, 2.0, 1.0, 100.0);
  EXPECT_DOUBLE_EQ(tiny.g, 200000.0 * d * f1 / (1.0 - f1) * 31622.69921875);
  EXPECT_EQ(tiny.pm, 1.0 - d);
  EXPECT_EQ(tiny.third, kSentinel);
  // A negative G^2 gives no flux rather than NaN.
  const Outcome negative = diener(1.0, 0.5, 2.0, 1.0, 1.0, 1.0, 2.0, 1.0, 100.0);
  EXPECT_EQ(negative.g, 0.0);
}

TEST(DienerIntegration, IntegratingModeEndsAtTheBackPressure) {
  // Constant volume, S = 2, Q = 1: at Pb x = 1, G^2 = 200000 (P0 - Pb) F / (1 - F).
  const double f1 = kDienerFactor / 5.0;
  const Outcome r = diener(10.0, 20.0, 2.0, 1.0, 0.0, 1.0, 2.0, 0.0, 8.0);
  EXPECT_NEAR(r.g, std::sqrt(200000.0 * 8.0 * f1 / (1.0 - f1)), 1e-9);
  EXPECT_EQ(r.pm, 2.0);
  EXPECT_DOUBLE_EQ(r.third, kDienerDischarge / std::sqrt(5.0));
  // Searching mode finds no maximum here (G^2 rises all the way) and leaves Cd.
  const Outcome searching = diener(10.0, 20.0, 2.0, 1.0, 0.0, 1.0, 2.0, 1.0, 8.0);
  EXPECT_EQ(searching.g, r.g);
  EXPECT_EQ(searching.pm, 2.0);
  EXPECT_EQ(searching.third, kSentinel);
}

TEST(DienerIntegration, SearchingModeFindsTheMaximum) {
  // Isothermal gas from P0 = Ps = 10: integral 2 V0 P0 ln(P0 / p), S = 2, Q = 1.
  const double p0 = 10.0, pb = 1.0, v0 = 0.1;
  auto fluxSquared = [&](double p) {
    const double x = (p0 - pb) / (p0 - p);
    const double f = kDienerFactor / (4.0 * x * x + 1.0);
    const double v = v0 * p0 / p;
    return 2e5 * v0 * p0 * std::log(p0 / p) * f / (v * v - f * v0 * v0);
  };
  double best = 0.0;
  for (double p = 9.999; p > pb; p -= 1e-4) best = std::max(best, fluxSquared(p));

  const Outcome r = diener(p0, p0, pb, v0, 1.0, 1.0, 2.0, 1.0, 200.0);
  ASSERT_GT(r.pm, pb);
  ASSERT_LT(r.pm, p0);
  EXPECT_NEAR(r.g * r.g / best, 1.0, 2e-3);
  const double x = (p0 - pb) / (p0 - r.pm);
  EXPECT_DOUBLE_EQ(r.third, kDienerDischarge / std::sqrt(4.0 * x * x + 1.0));
  EXPECT_TRUE(r.lines.empty());
}

TEST(DienerIntegration, ExhaustedRefinement) {
  // Pb = Ps below P0: nothing left to integrate in integrating mode.
  const Outcome r = diener(10.0, 5.0, 5.0, 1.0, 1.0, 1.0, 2.0, 0.0, 10.0);
  EXPECT_EQ(r.lines, std::vector<std::string>{kDienerTooSmall});
  EXPECT_EQ(r.severities, std::vector<std::int32_t>{0});
  EXPECT_EQ(r.status, XV55_STATUS_INFORMATION);
  EXPECT_EQ(r.g, 0.0);
  EXPECT_EQ(r.pm, kSentinel);
  // Searching mode takes the short-range formula instead.
  const Outcome searching = diener(10.0, 5.0, 5.0, 1.0, 1.0, 1.0, 2.0, 1.0, 10.0);
  EXPECT_TRUE(searching.lines.empty());
  EXPECT_EQ(searching.pm, 5.0);
  // An absurdly fine grid ends on the step budget.
  const Outcome fine = diener(10.0, 20.0, 1.0, 0.1, 1.0, 1.0, 2.0, 1.0, 1e12);
  EXPECT_EQ(fine.lines, std::vector<std::string>{kDienerTooSmall});
}

TEST(Integrations, StepThatCannotLowerThePressureEndsAtOnce) {
  // A negative N marches upwards: no step is taken, the start flux (none below
  // Ps) is returned with the message.
  const Outcome upwards = simpson(3.0, 5.0, 1.0, 0.1, 1.0, 1.0, -4.0);
  EXPECT_EQ(upwards.g, 0.0);
  EXPECT_EQ(upwards.lines, std::vector<std::string>{kSimpsonTooSmall});
  const Outcome standing = diener(3.0, 5.0, 1.0, 0.1, 1.0, 1.0, 2.0, 1.0, kInf);
  EXPECT_EQ(standing.g, 0.0);
  EXPECT_EQ(standing.lines, std::vector<std::string>{kDienerTooSmall});
}

TEST(Integrations, EndOnAnyInput) {
  // Each call must return; the entry point reports status 1 whatever happened.
  const double counts[] = {0.0, -0.0, -1.0, -1e6, kNaN, kInf, -kInf, 1e300, 1e-300, 3.0};
  const double odd[] = {kNaN, kInf, -kInf, 0.0, -5.0};
  for (double n : counts) {
    SCOPED_TRACE(testing::Message() << "N = " << n);
    EXPECT_EQ(simpson(10.0, 5.0, 1.0, 0.1, 1.0, 1.0, n).status, 1);
    EXPECT_EQ(simpson(3.0, 5.0, 1.0, 0.1, 1.0, 1.0, n).status, 1);
    for (double v : odd) {
      EXPECT_EQ(simpson(v, 5.0, 1.0, 0.1, 1.0, 1.0, n).status, 1);
      EXPECT_EQ(simpson(10.0, v, 1.0, 0.1, 1.0, 1.0, n).status, 1);
      EXPECT_EQ(simpson(10.0, 5.0, v, 0.1, 1.0, 1.0, n).status, 1);
      EXPECT_EQ(simpson(10.0, 5.0, 1.0, v, 1.0, 1.0, n).status, 1);
      EXPECT_EQ(simpson(3.0, 5.0, 1.0, 0.1, v, v, n).status, 1);
    }
    for (double mode : {0.0, 1.0}) {
      EXPECT_EQ(diener(10.0, 5.0, 1.0, 0.1, 1.0, 1.0, 2.0, mode, n).status, 1);
      for (double v : odd) {
        EXPECT_EQ(diener(v, 5.0, 1.0, 0.1, 1.0, 1.0, 2.0, mode, n).status, 1);
        EXPECT_EQ(diener(10.0, v, 1.0, 0.1, 1.0, 1.0, 2.0, mode, n).status, 1);
        EXPECT_EQ(diener(10.0, 5.0, v, 0.1, 1.0, 1.0, 2.0, mode, n).status, 1);
        EXPECT_EQ(diener(10.0, 5.0, 1.0, v, 1.0, 1.0, v, mode, n).status, 1);
        EXPECT_EQ(diener(3.0, 5.0, 1.0, 0.1, v, v, 2.0, v, n).status, 1);
      }
    }
  }
}

}  // namespace
