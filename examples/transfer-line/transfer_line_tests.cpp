#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "transfer_line.hpp"

namespace transfer {
namespace {

const Settings kDesign{2600.0, 80.0};

std::size_t countMessages(const Printer& p, const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(p.messages.begin(), p.messages.end(),
                    [&](const std::string& m) { return m.find(text) != std::string::npos; }));
}

// A wrong derivative column leaves Newton linear: more iterations, and errors that do
// not fall with the square of the previous one.
TEST(SteadyState, ConvergesQuadraticallyFromTheColdStart) {
  Model model;
  const SteadyResult r = solveSteady(model, kDesign, coldStart(model.plant));
  ASSERT_GE(r.flag, 0);
  EXPECT_LE(r.iterations, 10);
  std::vector<double> error;
  for (const State& u : r.iterates) {
    double e = 0.0;
    for (int i = 0; i < kN; ++i)
      e = std::max(e, std::fabs(u[i] - r.y[i]) / (1.0 + std::fabs(r.y[i])));
    error.push_back(e);
  }
  int quadratic = 0;
  for (std::size_t k = 0; k + 1 < error.size(); ++k) {
    if (error[k] > 0.05 || error[k + 1] < 1e-13) continue;
    EXPECT_LE(error[k + 1], 10.0 * error[k] * error[k]) << "iteration " << k + 1;
    ++quadratic;
  }
  EXPECT_GE(quadratic, 2);
}

TEST(SteadyState, FiniteDifferenceJacobianReachesTheSamePoint) {
  Model model;
  const SteadyResult analytic = solveSteady(model, kDesign, coldStart(model.plant), true);
  const SteadyResult differenced = solveSteady(model, kDesign, coldStart(model.plant), false);
  ASSERT_GE(analytic.flag, 0);
  ASSERT_GE(differenced.flag, 0);
  for (int i = 0; i < kN; ++i) {
    EXPECT_NEAR(differenced.y[i], analytic.y[i], 1e-8 * std::fabs(analytic.y[i])) << i;
  }
}

// At 75 % the valve sits on a point of its table (Cv = 28); the other laws in closed form:
// tanks Q = 40 sqrt(7 - h1) = 30 sqrt(h2), pipe Darcy-Weisbach with the Colebrook
// factor plus the 15 m lift, water at 1000 kg/m3 and 1 cP, g = 9.80665 m/s2.  The
// library's friction factor is an iterate within a few tenths of a per cent of the root.
TEST(SteadyState, SatisfiesTheUnitLawsInClosedForm) {
  Model model;
  const SteadyResult r = solveSteady(model, Settings{2900.0, 75.0}, coldStart(model.plant));
  ASSERT_GE(r.flag, 0);
  const double q = r.y[kFlow], h1 = r.y[kLevel1], h2 = r.y[kLevel2];
  EXPECT_NEAR(q, 40.0 * std::sqrt(7.0 - h1), 1e-9 * q);
  EXPECT_NEAR(q, 30.0 * std::sqrt(h2), 1e-9 * q);

  const double v = q / 3600.0 / (std::numbers::pi / 4.0 * 0.1 * 0.1);
  const double re = 1000.0 * v * 0.1 / 1e-3;
  double f = 0.02;
  for (int k = 0; k < 50; ++k) {
    const double g = -2.0 * std::log10(4.5e-4 / 3.7 + 2.51 / (re * std::sqrt(f)));
    f = 1.0 / (g * g);
  }
  const double friction = f * 400.0 / 0.1 * 1000.0 * v * v / 2.0 / 1e5;
  const double lift = 1000.0 * 9.80665 * 15.0 / 1e5;
  EXPECT_NEAR(r.y[kDischarge] - r.y[kValveInlet], friction + lift, 5e-3 * friction);

  const double valveDrop = r.y[kValveInlet] - 1.01325 - 1000.0 * 9.80665 * h2 / 1e5;
  EXPECT_NEAR(q, 28.0 * std::sqrt(valveDrop), 1e-9 * q);
}

// The assembled Jacobian against central differences of the residual, where the power
// limit is idle and where it holds the discharge (its DP column matters there).
TEST(Jacobian, AgreesWithCentralDifferences) {
  Model model;
  const State rates{1e-3, 0.0, 0.0, 0.0, -2e-3};
  const double cj = 0.7;
  struct Point {
    State y;
    Settings u;
    bool limited;
  };
  for (const Point& p : {Point{{4.3, 65.0, 8.9, 5.5, 4.8}, kDesign, false},
                         Point{{6.9, 10.0, 9.0, 7.5, 1.0}, Settings{2600.0, 20.0}, true}}) {
    Matrix jac;
    State f;
    model.residual(p.y, rates, p.u, f);
    model.jacobian(p.y, p.u, cj, jac);
    EXPECT_EQ(model.limited(), p.limited);
    for (int j = 0; j < kN; ++j) {
      const double h = 1e-6 * (1.0 + std::fabs(p.y[j]));
      State up = p.y, down = p.y, fUp, fDown, rUp = rates, fRate;
      up[j] += h;
      down[j] -= h;
      model.residual(up, rates, p.u, fUp);
      model.residual(down, rates, p.u, fDown);
      rUp[j] += 1.0;  // F is linear in the rates
      model.residual(p.y, rUp, p.u, fRate);
      for (int i = 0; i < kN; ++i) {
        const double expected = (fUp[i] - fDown[i]) / (2.0 * h) + cj * (fRate[i] - f[i]);
        EXPECT_NEAR(jac[i][j], expected, 1e-5 * (1.0 + std::fabs(expected)))
            << "row " << i << " column " << j << (p.limited ? " (limited)" : "");
      }
    }
  }
}

// Option 20 is off while Newton iterates: the power-limit warning appears only on a
// reporting pass, once for each new marker.
TEST(Host, ShowsThePowerLimitWarningOncePerPass) {
  Model model;
  const std::string warning = "pPSpec-W-Power has been reduced";
  const SteadyResult r = solveSteady(model, Settings{2600.0, 20.0}, coldStart(model.plant));
  ASSERT_GE(r.flag, 0);
  ASSERT_TRUE(model.limited());
  EXPECT_GT(model.residualCalls, 5);
  EXPECT_EQ(countMessages(model.printer, warning), 0u);
  model.reportingPass(r.y, Settings{2600.0, 20.0});
  EXPECT_EQ(countMessages(model.printer, warning), 1u);
  model.options.printing = 1;  // the same marker again: nothing new
  State f;
  model.residual(r.y, State{}, Settings{2600.0, 20.0}, f);
  EXPECT_EQ(countMessages(model.printer, warning), 1u);
  model.reportingPass(r.y, Settings{2600.0, 20.0});
  EXPECT_EQ(countMessages(model.printer, warning), 2u);
}

TEST(Transient, ConservesTheLiquidAndWarnsOncePerLimitedPass) {
  Model model;
  const SteadyResult steady = solveSteady(model, kDesign, coldStart(model.plant));
  ASSERT_GE(steady.flag, 0);
  const std::size_t before = model.printer.messages.size();
  const TransientResult run = runTransient(model, steady.y, 2600.0, 1800.0, 400.0, 5.0);
  ASSERT_GE(run.flag, 0);
  ASSERT_EQ(run.samples.size(), 81u);
  std::size_t limitedPasses = 0;
  for (const Sample& s : run.samples) {
    EXPECT_NEAR(s.volume, s.exchanged, 1e-6) << "t = " << s.t;
    limitedPasses += s.limited;
  }
  EXPECT_LT(run.samples.back().volume, -1.0);  // the tanks did lose liquid
  EXPECT_GT(limitedPasses, 10u);
  EXPECT_EQ(countMessages(model.printer, "pPSpec-W-Power has been reduced"), limitedPasses);
  EXPECT_EQ(model.printer.messages.size() - before, limitedPasses);
}

}  // namespace
}  // namespace transfer
