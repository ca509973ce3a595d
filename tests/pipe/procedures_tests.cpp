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

#include "host/pipe_correlations.h"
#include "pipe_cases.hpp"
#include "support/capture_printer.hpp"
#include "xv55/refhost.hpp"

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
    c.drop = "Dukler";  // single phase takes the Darcy form whatever the name
    const double l = std::max(c.liquidFraction, 1e-8);
    const double rho = l * c.liquidDensity + (1 - l) * c.gasDensity;
    const double mu = (l * c.liquidViscosity + (1 - l) * c.gasViscosity) * 1e-3;  // Pa s
    const double v = c.velocity, re = rho * v * c.diameter / mu;
    const double f = exactColebrook(re, c.roughness);
    const double tolerance = colebrookBound(re, c.roughness) + 1e-4;  // + unit factors
    const double gradient = f * rho * v * v / (2 * c.diameter);       // Pa/m
    const double friction = gradient * c.length;                      // Pa
    // Acceleration: (elevation + friction) E_k/(1 - E_k), E_k = rho v v_a/P with v_a
    // the gas velocity (0 for the liquid), the mixture velocity for a gas alone.
    const double ek = rho * v * (liquid ? 0.0 : v) / (c.pressure * 1e5);
    const double elevation = rho * kG0 * c.length * std::sin(c.angle);
    const double acceleration = (elevation + friction) * ek / (1 - ek);

    const Reals section = run(Proc::Sppint, c);
    EXPECT_EQ(section[0], l);
    EXPECT_NEAR(section[1], friction * 1e-5, tolerance * friction * 1e-5);
    EXPECT_NEAR(section[2], acceleration * 1e-5, tolerance * acceleration * 1e-5);
    EXPECT_NEAR(run(Proc::Spdpdzfr, c)[0], gradient * 1e-5, tolerance * gradient * 1e-5);
    const double v2 = (v + 1e-5) * (v + 1e-5);
    EXPECT_NEAR(run(Proc::Sppmom, c)[1], friction * 1e-5 / v2, tolerance * friction * 1e-5 / v2);
    c.sign = 1.0;  // with divisor 1 the coefficient is then the Fanning factor f/4
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
  // Orkiszewski's gradients are lbf/ft2 per ft, Angel-Welchon-Ros's psi/ft: the
  // routine again on the inputs it received, and the section of 100 m with
  // multiplier 1.5.
  Case c;
  c.holdup = "none";
  c.factor = 1.5;
  c.drop = "Orkiszewski";
  Reals out = run(Proc::Sppint, c);
  const Reals a = rh::lastCall("PIP_PIPORK").reals;
  double elevation = 0, friction = 0, total = 0, acceleration = 0, holdup = 0, regime = 0;
  std::int64_t error = 0;
  PIP_PIPORK(&a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6], &a[7], &a[8], &a[9], &a[10],
             &elevation, &friction, &total, &acceleration, &holdup, &regime, &error);
  const double lengthFt = c.length / kFt;
  EXPECT_NEAR(out[1], friction / 144 * lengthFt * 1.5 / kPsiPerBar, 1e-12 * out[1]);
  EXPECT_NEAR(out[2], acceleration / 144 * lengthFt / kPsiPerBar, 1e-12 * std::fabs(out[2]));
  EXPECT_NEAR(run(Proc::Spdpdzfr, c)[0], friction / 144 / kPsiPerBar / kFt, 2e-4 * out[1]);

  c.drop = "Angel-Welchon-Ros";
  out = run(Proc::Sppint, c);
  const Reals b = rh::lastCall("PIP_PIPAWR").reals;
  PIP_PIPAWR(&b[0], &b[1], &b[2], &friction, &error);
  EXPECT_NEAR(out[1], friction * lengthFt * 1.5 / kPsiPerBar, 1e-12 * out[1]);
  EXPECT_EQ(out[2], 0.0);
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
      const Reals still = run(p, c);
      EXPECT_TRUE(std::all_of(still.begin(), still.end(), [](double v) {
        return std::isfinite(v);
      })) << info(p).name;
    }
  }
}

TEST_F(PipeTest, SignAndFoldedAngle) {
  Case c;
  const double loss = run(Proc::Spdpdzfr, c)[0];
  EXPECT_GT(loss, 0.0);  // sign -1: a positive loss
  c.sign = 1.0;
  EXPECT_EQ(run(Proc::Spdpdzfr, c)[0], -loss);
  c.angle = 3 * std::numbers::pi / 4;
  const double folded = run(Proc::Spdpconst, c)[0];
  c.angle = std::numbers::pi / 4;
  EXPECT_NEAR(run(Proc::Spdpconst, c)[0], folded, 1e-12 * std::fabs(folded));
}

TEST_F(PipeTest, AZeroDivisorIsReportedAndItsOutputLeftAlone) {
  ScopedCapture capture;
  Case c;
  c.drop = "Darcy";
  const Reals one = run(Proc::Sppint3, c);
  c.factor = 0.0;
  BlockBuilder b = blockOf(Proc::Sppint3, c);
  b.call(XV55IF_SPPINT3);
  EXPECT_EQ(b.status, 4);
  EXPECT_EQ(outputsOf(b), (Reals{one[0], kSentinel, one[2]}));  // acceleration: independent
  EXPECT_EQ(capture.printer.lines,
            std::vector<std::string>{" SPPINT3-E-Friction divisor (input 3) is zero: the "
                                     "frictional pressure drop is not computed."});
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4});
  // "Ergun" divides its own friction term, so its acceleration term depends on it too.
  c.drop = "Ergun";
  b = blockOf(Proc::Sppint3, c);
  b.call(XV55IF_SPPINT3);
  EXPECT_EQ(b.out(2), kSentinel);
  EXPECT_EQ(b.out(3), kSentinel);

  Case k;
  k.divisor = 0.0;
  b = blockOf(Proc::Spdpconst, k);
  b.call(XV55IF_SPDPCONST);
  EXPECT_EQ(b.status, 4);
  EXPECT_EQ(b.out(1), kSentinel);
  EXPECT_EQ(capture.printer.lines.back(),
            " SPDPCONST-E-Gradient divisor (input 18) is zero: the friction coefficient is not "
            "computed.");
  for (const char* undivided : {"Ergun", "HTFS"}) {
    k.drop = undivided;
    b = blockOf(Proc::Spdpconst, k);
    b.call(XV55IF_SPDPCONST);
    EXPECT_EQ(b.status, 0) << undivided;
    EXPECT_TRUE(std::isfinite(b.out(1))) << undivided;
  }
}

TEST_F(PipeTest, DivisorsApplyAsStoredModelsExpect) {
  // Once for "Darcy"; twice for "Ergun" in SPPINT3 and "Friedel" in SPDPCONST, which
  // divide their own term before the output is divided.
  const struct {
    Proc procedure;
    const char* drop;
    double Case::*divisor;
    double ratio;
  } rows[] = {{Proc::Sppint3, "Darcy", &Case::factor, 2},
              {Proc::Sppint3, "Ergun", &Case::factor, 4},
              {Proc::Spdpconst, "Darcy", &Case::divisor, 2},
              {Proc::Spdpconst, "Friedel", &Case::divisor, 4}};
  for (const auto& row : rows) {
    Case c;
    c.drop = row.drop;
    const int k = info(row.procedure).frictionOutput - 1;
    const double once = run(row.procedure, c)[k];
    c.*row.divisor = 2.0;
    EXPECT_DOUBLE_EQ(run(row.procedure, c)[k], once / row.ratio) << row.drop;
  }
}

// A steam-water-like section.  Reference values worked by hand from Rouhani & Axelsson
// (1970), Int. J. Heat Mass Transfer 13, 383, and Friedel (1979), European Two-Phase
// Flow Group Meeting, Ispra, paper E2, with the coefficients the library keeps
// (single-precision g = 9.81, 1.18 and 0.2; Friedel's 3.21 and Fr^-0.0454; Re =
// 1000 G/(D mu_cP)).
Case steamWater() {
  Case c;
  c.diameter = 0.05;
  c.massFlow = 1000.0;
  c.quality = 0.1;
  c.liquidDensity = 900.0;
  c.gasDensity = 20.0;
  c.liquidViscosity = 0.5;
  c.gasViscosity = 0.015;
  c.liquidFraction = 1.0 / 6.0;  // no slip at x = 0.1
  c.angle = 0.0;
  return c;
}

TEST_F(PipeTest, RouhaniHoldupAndFriedelGradient) {
  Case c = steamWater();
  c.holdup = "Rouhani";
  EXPECT_NEAR(run(Proc::Sphld, c)[0], 0.3703409399295847, 1e-13);
  c.quality = 1 - 1e-9;  // Rouhani gives about 2.4e-10: reported as 0
  EXPECT_EQ(run(Proc::Sphld, c)[0], 0.0);
  c.liquidFraction = 0.0;  // single phase, raised to 1e-8: kept
  EXPECT_EQ(run(Proc::Sphld, c)[0], 1e-8);

  // Friedel comes out in Pa/m where the other keywords give bar/m.
  c = steamWater();
  c.holdup = "none";
  c.drop = "Friedel";
  const double gradient = run(Proc::Spdpdzfr, c)[0];
  EXPECT_NEAR(gradient, 12.587438973929377, 1e-11);
  c.angle = -0.7854;  // downward at 45 degrees or more: the second coefficient set
  EXPECT_NEAR(run(Proc::Spdpdzfr, c)[0], 11.335221043368895, 1e-11);
  // SPPMOM takes the same gradient over its length (m), per velocity squared.
  c.angle = 0.0;
  const double v2 = (c.velocity + 1e-5) * (c.velocity + 1e-5);
  EXPECT_NEAR(run(Proc::Sppmom, c)[1], gradient * c.length / v2, 1e-12 * gradient * c.length);
}

}  // namespace
