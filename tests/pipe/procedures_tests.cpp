// The pipe procedures' outputs: single-phase sections against an independent
// Darcy-Weisbach computation, the acceleration term, the scaling of the routines'
// gradients, divisors, the correlations computed here, and edge inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "pipe_cases.hpp"
#include "support/capture_printer.hpp"
#include "xv55/host/pipe_correlations.h"
#include "xv55/refhost/control.hpp"

namespace {

using namespace xv55::testing;
namespace rh = xv55::refhost;
using Reals = std::vector<double>;
using xv55::BlockBuilder;

constexpr double kG0 = 9.80665;  // m/s2: the field units' pound-force

TEST_F(PipeTest, SinglePhaseSectionsFollowDarcyWeisbach) {
  // Water at 2 m/s, then a gas alone (lambda 0, raised to 1e-8) at 20 m/s.
  for (const bool liquid : {true, false}) {
    SCOPED_TRACE(liquid ? "liquid" : "gas");
    Case c;
    c.liquidFraction = liquid ? 1.0 : 0.0;
    c.liquidDensity = liquid ? 998.0 : 800.0;
    c.liquidViscosity = liquid ? 1.0 : 1.5;
    c.gasDensity = 12.0;
    c.velocity = liquid ? 2.0 : 20.0;
    c.angle = 0.1;
    c.factor = 1.5;
    c.divisor = 2.0;
    c.drop = "Dukler";  // single phase takes the Darcy form whatever the name
    const double l = std::max(c.liquidFraction, 1e-8), v = c.velocity;

    // In SI against the exact Colebrook root: f (L/D) rho v^2/2.
    const double rho = l * c.liquidDensity + (1 - l) * c.gasDensity;
    const double mu = (l * c.liquidViscosity + (1 - l) * c.gasViscosity) * 1e-3;  // Pa s
    const double re = rho * v * c.diameter / mu, f = exactColebrook(re, c.roughness);
    const double tolerance = 3e-3 + 2e-4;  // the 1 % stopping rule, the field-unit factors
    const double siLoss = f * c.length / c.diameter * rho * v * v / 2 * 1e-5;  // bar
    EXPECT_NEAR(run(Proc::Sppint, c)[1], 1.5 * siLoss, tolerance * 1.5 * siLoss);

    // In the field units the host's library works in, with the documented iteration:
    // gradient f rho_ns v_m^2/(2 g_c D)/144 psi/ft; kinetic acceleration (elevation +
    // friction) E_k/(1 - E_k), E_k = v_a rho v_m/(g_c P 144), v_a the gas velocity, or
    // the mixture velocity for a gas alone.
    for (Proc p : kProcsWithDrop) {
      SCOPED_TRACE(info(p).name);
      const Field s = fieldOf(c, p);
      const double fs = iteratedColebrook(s.rhoNs * s.vm * s.d / s.muNs, s.r);
      const double gradient = fs * s.rhoNs * s.vm * s.vm / (2 * 32.174 * s.d) / 144;  // psi/ft
      const double lengthFt = c.length / kFt, loss = gradient * lengthFt;             // psi
      const double elevation = lengthFt * s.rhoNs * std::sin(c.angle) / 144;
      const double ek = (liquid ? s.vsG : s.vm) * s.rhoNs * s.vm / (32.174 * s.p * 144);
      const double acceleration = (elevation + loss) * ek / (1 - ek) / kPsiPerBar;
      const double vv = (v + 1e-5) * (v + 1e-5);
      const double barPerMetre = gradient / kPsiPerBar / kFt / c.divisor;
      const double coefficient =
          -(c.diameter * 0.5 * barPerMetre * (-c.sign) * 1e5) / (rho * v * v);
      const Reals expected = p == Proc::Sppint     ? Reals{l, loss * 1.5 / kPsiPerBar, acceleration}
                             : p == Proc::Sppint3  ? Reals{l, loss / 1.5 / kPsiPerBar, acceleration}
                             : p == Proc::Spdpdzfr ? Reals{gradient / kPsiPerBar / kFt * (-c.sign)}
                             : p == Proc::Sppmom   ? Reals{l, loss * 1.5 / kPsiPerBar / vv}
                                                   : Reals{coefficient};
      const Reals out = run(p, c);
      ASSERT_EQ(out.size(), expected.size());
      for (std::size_t k = 0; k < out.size(); ++k) {
        EXPECT_NEAR(out[k], expected[k], 1e-12 * std::fabs(expected[k])) << "output " << k + 1;
      }
    }
    c.sign = 1.0;  // a negative gradient; with divisor 1 the coefficient is the Fanning f/4
    EXPECT_LT(run(Proc::Spdpdzfr, c)[0], 0.0);
    c.divisor = 1.0;
    EXPECT_NEAR(run(Proc::Spdpconst, c)[0], f / 4, tolerance * f / 4);
  }
}

TEST_F(PipeTest, BeggsBrillAccelerationTakesTheGasVelocityOnlyWithItsOwnHoldup) {
  for (const std::string holdup : {"Beggs-Brill", "Flanigan"}) {
    SCOPED_TRACE(holdup);
    Case c;
    c.holdup = holdup;
    c.velocity = 15.0;
    c.pressure = 3.0;
    const Reals out = run(Proc::Sppint, c);
    // From the outputs and the inputs alone, in SI.
    const double h = out[0], rhoS = c.liquidDensity * h + (1 - h) * c.gasDensity;
    const double elevation = rhoS * kG0 * c.length * std::sin(c.angle);
    const double va = holdup == "Beggs-Brill" ? (1 - c.liquidFraction) * c.velocity : c.velocity;
    const double ek = std::min(rhoS * c.velocity * va / (c.pressure * 1e5), 0.9);
    EXPECT_NEAR(out[2], (elevation + out[1] * 1e5) * ek / (1 - ek) * 1e-5, 1e-4 * out[2]);
  }
}

TEST_F(PipeTest, RoutineGradientsAreScaledByTheirUnits) {
  // Orkiszewski's gradients are lbf/ft2 per ft, Angel-Welchon-Ros's psi/ft: the routine
  // again on the inputs it received, over 100 m with multiplier 1.5.
  Case c;
  c.factor = 1.5;
  c.drop = "Orkiszewski";
  const Reals ork = run(Proc::Sppint, c);
  const Reals a = rh::lastCall("PIP_PIPORK").reals;
  double elevation, friction, total, acceleration, holdup, regime;
  std::int64_t error;
  PIP_PIPORK(&a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6], &a[7], &a[8], &a[9], &a[10],
             &elevation, &friction, &total, &acceleration, &holdup, &regime, &error);
  const double lengthFt = c.length / kFt;
  EXPECT_NEAR(ork[1], friction / 144 * lengthFt * 1.5 / kPsiPerBar, 1e-12 * ork[1]);
  EXPECT_NEAR(ork[2], acceleration / 144 * lengthFt / kPsiPerBar, 1e-12 * std::fabs(ork[2]));
  c.drop = "Angel-Welchon-Ros";
  const Reals awr = run(Proc::Sppint, c);
  const Reals b = rh::lastCall("PIP_PIPAWR").reals;
  PIP_PIPAWR(&b[0], &b[1], &b[2], &friction, &error);
  EXPECT_NEAR(awr[1], friction * lengthFt * 1.5 / kPsiPerBar, 1e-12 * awr[1]);
  EXPECT_EQ(awr[2], 0.0);
}

TEST_F(PipeTest, ZeroLengthZeroAndNegativeVelocity) {
  for (const char* drop : {"Darcy", "Beggs-Brill", "Orkiszewski"}) {
    SCOPED_TRACE(drop);
    Case c;
    c.drop = drop;
    const Reals forward = run(Proc::Sppint, c);
    c.velocity = -c.velocity;
    EXPECT_EQ(run(Proc::Sppint, c), forward);
    c.length = 0.0;
    EXPECT_EQ(run(Proc::Sppint, c), (Reals{forward[0], 0.0, 0.0}));
    c.velocity = 0.0;  // raised to 1e-5 m/s: creeping flow, finite results
    c.length = 100.0;
    for (Proc p : kProcsWithDrop) {
      for (double y : run(p, c)) EXPECT_TRUE(std::isfinite(y)) << info(p).name;
    }
  }
}

TEST_F(PipeTest, DivisorsDivideTheFrictionOnceAndAZeroDivisorIsReported) {
  ScopedCapture capture;
  const struct {
    Proc procedure;
    const char* drop;
    double Case::*divisor;
  } rows[] = {{Proc::Sppint3, "Darcy", &Case::factor},
              {Proc::Sppint3, "Ergun", &Case::factor},
              {Proc::Spdpconst, "Darcy", &Case::divisor},
              {Proc::Spdpconst, "Friedel", &Case::divisor}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.drop);
    Case c;
    c.drop = row.drop;
    const Reals once = run(row.procedure, c);
    c.*row.divisor = 2.0;
    const Reals halved = run(row.procedure, c);
    const int k = info(row.procedure).frictionOutput - 1;
    EXPECT_DOUBLE_EQ(halved[k], once[k] / 2);
    // A zero divisor: status 4 and the friction output left alone; the acceleration term
    // takes the friction undivided.
    c.*row.divisor = 0.0;
    BlockBuilder b = blockOf(row.procedure, c);
    b.call(info(row.procedure).entry);
    EXPECT_EQ(b.status, 4);
    EXPECT_EQ(b.out(k + 1), kSentinel);
    if (row.procedure == Proc::Sppint3) {
      EXPECT_EQ(outputsOf(b), (Reals{once[0], kSentinel, once[2]}));
      EXPECT_EQ(halved[2], once[2]);
    }
  }
  EXPECT_EQ(capture.printer.lines.front(),
            " SPPINT3-E-Friction divisor (input 3) is zero: the frictional pressure drop is not "
            "computed.");
  EXPECT_EQ(capture.printer.lines.back(),
            " SPDPCONST-E-Gradient divisor (input 18) is zero: the friction coefficient is not "
            "computed.");
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>(4, 4));
  // "Ergun" and "HTFS" are not divided by SPDPCONST's divisor.
  for (const char* undivided : {"Ergun", "HTFS"}) {
    Case c;
    c.drop = undivided;
    c.divisor = 0.0;
    EXPECT_TRUE(std::isfinite(run(Proc::Spdpconst, c)[0])) << undivided;
  }
}

// Rouhani & Axelsson (1970), Int. J. Heat Mass Transfer 13, 383: void fraction
// (x/rho_G)/[C0 (x/rho_G + (1 - x)/rho_L) + (1 - x) v_gj/G], C0 = 1 + 0.2 (1 - x),
// v_gj = 1.18 (g sigma (rho_L - rho_G)/rho_L^2)^0.25, G the mass flux (SI).
double rouhaniHoldup(const Case& c) {
  const double g = c.massFlow / 3600 / (std::numbers::pi / 4 * c.diameter * c.diameter);
  const double x = c.quality, rl = c.liquidDensity, rg = c.gasDensity;
  const double drift = 1.18 * std::pow(9.81 * c.surfaceTension * (rl - rg) / (rl * rl), 0.25);
  return 1 - (x / rg) / ((1 + 0.2 * (1 - x)) * (x / rg + (1 - x) / rl) + (1 - x) * drift / g);
}

// Friedel (1979), European Two-Phase Flow Group Meeting, Ispra, paper E2: the
// liquid-only gradient f_LO G^2/(2 D rho_L) times E + F, E = (1 - x)^2 + x^2 rho_L f_GO/
// (rho_G f_LO), F = 3.21 x^0.78 (1 - x)^0.224 H Fr^-0.0454 We^-0.035 with H = (rho_L/
// rho_G)^0.91 (mu_G/mu_L)^0.19 (1 - mu_G/mu_L)^0.7 (downward at 45 degrees or more: 5.7,
// 0.7, 0.14, 0.85, 0.36, 0.2, -0.09, -0.007), Re = G D/mu, Fr = G^2/(g D rho_H^2), We =
// G^2 D/(sigma rho_H) on the homogeneous density; single-phase factors 64/Re up to Re 1055,
// else 1/(0.86859 ln(Re/(1.964 ln Re - 3.8215)))^2 (Darcy).  Pa/m.  The structure was
// cross-checked against python3-fluids' fluids.two_phase.Friedel (which takes 3.24 and
// Colebrook factors): 738.65 Pa/m there for the first stream below, 733.01 here.
double friedelGradient(const Case& c) {
  const double d = c.diameter, g = c.massFlow / 3600 / (std::numbers::pi / 4 * d * d);
  const double x = c.quality, rl = c.liquidDensity, rg = c.gasDensity;
  const double ratio = c.gasViscosity / c.liquidViscosity;
  const auto factor = [&](double cP) {
    const double re = g * d / (cP * 1e-3);
    if (re <= 1055) return 64 / std::max(re, 10.0);
    return 1 / std::pow(0.86859 * std::log(re / (1.964 * std::log(re) - 3.8215)), 2);
  };
  const double fl = factor(c.liquidViscosity), fg = factor(c.gasViscosity);
  const double rh = c.liquidFraction * rl + (1 - c.liquidFraction) * rg;
  const double fr = g * g / (9.81 * d * rh * rh), we = g * g * d / (c.surfaceTension * rh);
  const double e = (1 - x) * (1 - x) + x * x * rl * fg / (rg * fl);
  const double f = c.angle > -0.7854
                       ? 3.21 * std::pow(x, 0.78) * std::pow(1 - x, 0.224) *
                             std::pow(rl / rg, 0.91) * std::pow(ratio, 0.19) *
                             std::pow(1 - ratio, 0.7) * std::pow(fr, -0.0454) * std::pow(we, -0.035)
                       : 5.7 * std::pow(x, 0.7) * std::pow(1 - x, 0.14) * std::pow(rl / rg, 0.85) *
                             std::pow(ratio, 0.36) * std::pow(1 - ratio, 0.2) *
                             std::pow(fr, -0.09) * std::pow(we, -0.007);
  return (e + f) * fl * g * g / (2 * d * rl);
}

// A two-phase stream (model units), its no-slip fraction consistent with the quality.
Case stream(double w, double x, double rl, double rg, double mul, double mug, double sigma,
            double d) {
  Case c;
  c.massFlow = w;
  c.quality = x;
  c.liquidDensity = rl;
  c.gasDensity = rg;
  c.liquidViscosity = mul;
  c.gasViscosity = mug;
  c.surfaceTension = sigma;
  c.diameter = d;
  c.liquidFraction = (1 - x) / rl / ((1 - x) / rl + x / rg);
  c.angle = 0.0;
  c.holdup = "Rouhani";
  c.drop = "Friedel";
  return c;
}
const Case kStreams[] = {stream(2160, 0.1, 915, 2.67, 0.18, 0.014, 0.0487, 0.05),
                         stream(1000, 0.1, 900, 20, 0.5, 0.015, 0.02, 0.05),
                         stream(20000, 0.05, 800, 20, 1.5, 0.012, 0.02, 0.1),
                         stream(50000, 0.3, 700, 50, 0.8, 0.02, 0.01, 0.15)};

TEST_F(PipeTest, RouhaniHoldupFollowsThePublishedFormInAnyFlowUnit) {
  for (Case c : kStreams) {
    SCOPED_TRACE(c.massFlow);
    const double holdup = run(Proc::Sphld, c)[0];
    EXPECT_NEAR(holdup, rouhaniHoldup(c), 1e-7);
    EXPECT_EQ(run(Proc::Sppmom, c)[0], holdup);
    // Four times the flow through twice the diameter is the same mass flux.
    c.massFlow *= 4;
    c.diameter *= 2;
    EXPECT_NEAR(run(Proc::Sphld, c)[0], holdup, 1e-12);
  }
  Case c = kStreams[1];
  c.quality = 1 - 1e-9;  // Rouhani gives about 2.4e-10: reported as 0
  EXPECT_EQ(run(Proc::Sphld, c)[0], 0.0);
  c.liquidFraction = 0.0;  // single phase, raised to 1e-8: kept
  EXPECT_EQ(run(Proc::Sphld, c)[0], 1e-8);
}

TEST_F(PipeTest, FriedelGradientFollowsThePublishedFormInBarPerMetre) {
  // The first stream's gradient, evaluated independently (in Python) from the formula above.
  EXPECT_NEAR(run(Proc::Spdpdzfr, kStreams[0])[0], 733.0085359273438e-5, 1e-10);
  for (Case c : kStreams) {
    for (double angle : {0.0, -0.7854}) {
      SCOPED_TRACE(testing::Message() << c.massFlow << " at " << angle);
      c.angle = angle;
      const double gradient = friedelGradient(c) * 1e-5;                  // bar/m
      EXPECT_NEAR(run(Proc::Spdpdzfr, c)[0], gradient, 1e-8 * gradient);  // sign -1
      const double v2 = (c.velocity + 1e-5) * (c.velocity + 1e-5);
      EXPECT_NEAR(run(Proc::Sppmom, c)[1], gradient * c.length / v2,
                  1e-8 * gradient * c.length / v2);
      // SPDPCONST: -(D 0.5 g (-sign) 1e5)/(rho_ns v^2), g divided by the divisor once.
      c.divisor = 2.0;
      const double rho = c.liquidFraction * c.liquidDensity + (1 - c.liquidFraction) * c.gasDensity;
      const double coefficient =
          -(c.diameter * 0.5 * gradient / 2 * (-c.sign) * 1e5) / (rho * c.velocity * c.velocity);
      EXPECT_NEAR(run(Proc::Spdpconst, c)[0], coefficient, 1e-8 * std::fabs(coefficient));
      c.divisor = 1.0;
    }
  }
}

}  // namespace
