// The correlation dispatch of the pipe procedures, seen from the host: what the
// host routines receive, which names select which routine, the single-phase test,
// the reuse of a routine's gradients, and invalid numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "host/pipe_correlations.h"
#include "pipe_cases.hpp"
#include "xv55/refhost.hpp"

namespace {

using namespace xv55::testing;
using xv55::BlockBuilder;
using xv55::Cell;
using Reals = std::vector<double>;
namespace rh = xv55::refhost;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void expectReals(const Reals& actual, const Reals& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    EXPECT_NEAR(actual[k], expected[k], 1e-13 * std::fabs(expected[k])) << "argument " << k + 1;
  }
}

// ---- units: what the host routines receive --------------------------------------

TEST_F(PipeTest, HostRoutinesReceiveFieldUnits) {
  Case c;
  c.velocity = -2.5;  // taken by magnitude
  c.holdup = "Orkiszewski";
  c.drop = "none";
  run(Proc::Sppint, c);
  const double vm = 2.5 / kFt, mu = 1488.0;
  // P, v_m, lambda, rho_L, rho_G, mu_L, mu_G, sigma, D, r, theta
  expectReals(rh::lastCall("PIP_PIPORK").reals,
              {20.0 * 1e5 / 6894.7573, vm, 0.3, 800 * kLbFt3, 20 * kLbFt3, 1.5 / mu, 0.012 / mu,
               0.02 * 2.204634, 0.1 / kFt, 4.5e-4, 0.05});

  // The gradient procedures divide viscosities by 1488.2 and pass the mass flow in lb/s,
  // pi as 3.1415926, g_c and the superficial velocities.
  c.holdup = c.drop = "HTFS";
  c.velocity = 2.5;
  run(Proc::Spdpdzfr, c);
  const double w = 20000 * 0.000612395, d = 0.1 / kFt, muL = 1.5 / 1488.2, muG = 0.012 / 1488.2;
  expectReals(rh::lastCall("PIP_PIPHTH").reals,
              {w, d, 3.1415926, 0.3, 800 * kLbFt3, 20 * kLbFt3, muL, muG, 0.05});
  expectReals(rh::lastCall("PIP_PIPHTF").reals, {w, d, 3.1415926, 0.3, 800 * kLbFt3, 20 * kLbFt3,
                                                 muL, muG, 4.5e-4, kGc, 0.3 * vm, 0.7 * vm});

  // The packed-bed routine is SI: a, rho_ns kg/m3, mu_ns Pa s, c, b, velocity as given.
  c.drop = "Ergun";
  c.velocity = -2.5;
  run(Proc::Spdpconst, c);
  expectReals(rh::lastCall("PIP_ERGUN").reals,
              {0.4, 0.3 * 800 + 0.7 * 20, (0.3 * 1.5 + 0.7 * 0.012) * 1e-3, 0.003, 0.8, -2.5});
}

TEST_F(PipeTest, HoldupProcedureFoldsTheAngleAndPassesItsOwnRoughness) {
  Case c;
  c.angle = 3 * std::numbers::pi / 4;
  c.holdup = "Hagedorn-Brown";
  run(Proc::Sphld, c);
  const Reals r = rh::lastCall("PIP_PIPHBR").reals;  // theta, D, r, P, ...
  EXPECT_NEAR(r.at(0), std::numbers::pi / 4, 1e-15);
  EXPECT_EQ(r.at(2), 0.0010000000474974513);  // 0.001 in single precision
  EXPECT_NEAR(r.at(9), 0.012 / 1488.2, 1e-20);
}

TEST_F(PipeTest, FloorsKeepVelocityAndSurfaceTensionAboveZero) {
  Case c;
  c.velocity = 0.0;
  c.surfaceTension = 0.0;
  c.drop = "none";
  run(Proc::Sppint, c);
  const Reals r = rh::lastCall("PIP_PIPBBH").reals;  // lambda, D, rho_ns, rho_L, v_m, sigma
  EXPECT_EQ(r.at(4), 1e-5 / kFt);
  EXPECT_EQ(r.at(5), 1e-5);
}

// ---- keyword selection ----------------------------------------------------------

// The holdup the Beggs-Brill friction routine received (the holdup step's result).
double holdupSeenByFriction() {
  return rh::lastCall("PIP_PIPBBF").reals.at(6);
}

TEST_F(PipeTest, KeywordsMatchOnTheirLeadingCharactersCaseSensitively) {
  Case c;
  c.drop = "none";
  c.holdup = "Beggs-Brill (1973, uphill)";
  const Reals longer = run(Proc::Sppint, c);
  EXPECT_EQ(callsOf("PIP_PIPBBH"), 1);
  EXPECT_GT(longer[0], c.liquidFraction);

  c.holdup = "beggs-brill";
  const Reals lower = run(Proc::Sppint, c);
  EXPECT_EQ(callsOf("PIP_PIPBBH"), 1);
  EXPECT_EQ(lower[0], c.liquidFraction);  // no correlation: no-slip

  c.holdup = "Beggs";  // shorter than the keyword: compared as if blank-padded
  EXPECT_EQ(run(Proc::Sppint, c)[0], c.liquidFraction);
  EXPECT_EQ(callsOf("PIP_PIPBBH"), 1);
}

TEST_F(PipeTest, AFortyCharacterNameIsReadToItsLengthAndNoFurther) {
  // SPHLD with its name as the last input, filling its five cells without a NUL, in
  // an array of exactly 17 cells: a read past the 40 characters would leave it.
  const Case c;
  const double reals[] = {c.diameter,   c.angle,          c.velocity,        c.massFlow,
                          c.quality,    c.pressure,       c.liquidFraction,  c.liquidDensity,
                          c.gasDensity, c.surfaceTension, c.liquidViscosity, c.gasViscosity};
  constexpr std::size_t kCells = 12 + 5;
  std::unique_ptr<Cell[]> inputs(new Cell[kCells]);
  for (std::size_t k = 0; k < 12; ++k) inputs[k].real = reals[k];
  const std::string name = "Flanigan" + std::string(32, '#');
  std::memcpy(inputs[12].text, name.data(), 40);
  std::int64_t positions[13];
  for (std::int64_t k = 0; k < 13; ++k) positions[k] = k + 1;
  double out = 0;
  const std::int64_t one = 1, zero = 0;
  std::int64_t status = 0, callType = 0;
  XV55IF_SPHLD(inputs.get(), &zero, &out, &zero, positions, &one, &status, &zero, nullptr, &zero,
               nullptr, &zero, &zero, &callType);
  EXPECT_EQ(callsOf("PIP_PIPFLN"), 1);
  EXPECT_GT(out, c.liquidFraction);
}

// Which keywords each procedure accepts, as its users are told.
struct Accepts {
  const char* keyword;
  std::vector<Proc> procedures;
  const char* routine = nullptr;  // the host routine it calls (none: computed here)
};

bool accepts(const Accepts& row, Proc p) {
  return std::find(row.procedures.begin(), row.procedures.end(), p) != row.procedures.end();
}

TEST_F(PipeTest, EachProcedureAcceptsItsOwnHoldupKeywordsAndFallsBackOtherwise) {
  const std::vector<Proc> all(std::begin(kAllProcs), std::end(kAllProcs));
  const Accepts table[] = {
      {"Beggs-Brill", all, "PIP_PIPBBH"},
      {"HTFS", {Proc::Spdpdzfr, Proc::Spdpconst, Proc::Sphld}, "PIP_PIPHTH"},
      {"Flanigan", all, "PIP_PIPFLN"},
      {"Eaton", all, "PIP_PIPEAT"},
      {"Hoogendorn", all, "PIP_PIPHOO"},
      {"Hughmark", all, "PIP_PIPHMR"},
      {"Slack", all, "PIP_PIPSLK"},
      {"Orkiszewski", all, "PIP_PIPORK"},
      {"Lockhart-Martinelli", all, "PIP_PIPLMR"},
      {"Hagedorn-Brown", all, "PIP_PIPHBR"},
      {"Rouhani", {Proc::Spdpdzfr, Proc::Sppmom, Proc::Spdpconst, Proc::Sphld}},
  };
  for (const Accepts& row : table) {
    for (Proc p : kAllProcs) {
      SCOPED_TRACE(std::string(row.keyword) + " in " + nameOf(p));
      rh::reset();
      Case c;
      c.holdup = row.keyword;
      c.drop = "none";
      const Reals out = run(p, c);
      if (row.routine) {
        EXPECT_EQ(callsOf(row.routine), accepts(row, p) ? 1 : 0);
      }
      // The friction routine (or SPHLD's output) sees the correlation's holdup, or
      // the no-slip fraction when the procedure does not accept the keyword.
      c.drop = "Beggs-Brill";
      const Reals friction = run(p, c);
      const double holdup = p == Proc::Sphld ? friction[0] : holdupSeenByFriction();
      if (!accepts(row, p)) {
        EXPECT_EQ(holdup, c.liquidFraction);
      } else if (!row.routine) {
        EXPECT_NE(holdup, c.liquidFraction);
      }
    }
  }
}

TEST_F(PipeTest, EachProcedureAcceptsItsOwnPressureDropKeywordsAndGivesZeroOtherwise) {
  const std::vector<Proc> all(std::begin(kProcsWithDrop), std::end(kProcsWithDrop));
  const Accepts table[] = {
      {"Ergun", {Proc::Sppint3, Proc::Spdpdzfr, Proc::Spdpconst}},
      {"Darcy", all},
      {"Beggs-Brill", all},
      {"HTFS", {Proc::Spdpdzfr, Proc::Spdpconst}},
      {"Dukler", all},
      {"Slack", all},
      {"Orkiszewski", all},
      {"Angel-Welchon-Ros", all},
      {"Lockhart-Martinelli", all},
      {"Hagedorn-Brown", all},
      {"Friedel", {Proc::Spdpdzfr, Proc::Sppmom, Proc::Spdpconst}},
      {"Colebrook", {}},
  };
  for (const Accepts& row : table) {
    for (Proc p : kProcsWithDrop) {
      SCOPED_TRACE(std::string(row.keyword) + " in " + nameOf(p));
      Case c;
      c.holdup = "none";
      c.drop = row.keyword;
      const Reals out = run(p, c);
      const bool accepted =
          std::find(row.procedures.begin(), row.procedures.end(), p) != row.procedures.end();
      if (accepted) {
        EXPECT_NE(frictionOf(p, out), 0.0);
        EXPECT_TRUE(std::isfinite(frictionOf(p, out)));
      } else {
        EXPECT_EQ(frictionOf(p, out), 0.0);
        if (p == Proc::Sppint || p == Proc::Sppint3) {
          EXPECT_EQ(out[2], 0.0);  // no acceleration
        }
      }
    }
  }
}

TEST_F(PipeTest, AnUnknownPressureDropStillReportsTheHoldup) {
  Case c;
  c.drop = "Beggs Brill";
  const Reals out = run(Proc::Sppint, c);
  EXPECT_EQ(out[1], 0.0);
  EXPECT_EQ(out[2], 0.0);
  // The holdup is the correlation's: the host routine again with the same inputs.
  const Reals in = rh::lastCall("PIP_PIPBBH").reals;
  double holdup = 0, regime = 0;
  std::int64_t error = 0;
  PIP_PIPBBH(&in[0], &in[1], &in[2], &in[3], &in[4], &in[5], &in[6], &holdup, &regime, &error);
  EXPECT_EQ(out[0], holdup);
  EXPECT_GT(out[0], c.liquidFraction);
}

// ---- the routines that give holdup and gradients together --------------------------

TEST_F(PipeTest, AHoldupRoutineIsCalledOnceWhenBothNamesSelectIt) {
  const char* routines[][2] = {{"Orkiszewski", "PIP_PIPORK"},
                               {"Slack", "PIP_PIPSLK"},
                               {"Lockhart-Martinelli", "PIP_PIPLMR"},
                               {"Hagedorn-Brown", "PIP_PIPHBR"}};
  for (const auto& [keyword, routine] : routines) {
    SCOPED_TRACE(keyword);
    Case c;
    c.holdup = c.drop = keyword;
    const Reals both = run(Proc::Sppint, c);
    EXPECT_EQ(callsOf(routine), 1);
    // Its gradients are the ones a pressure-drop call alone gives.
    c.holdup = "none";
    const Reals dropOnly = run(Proc::Sppint, c);
    EXPECT_EQ(callsOf(routine), 2);
    EXPECT_EQ(both[1], dropOnly[1]);
    EXPECT_EQ(both[2], dropOnly[2]);
  }
}

// ---- single phase ----------------------------------------------------------------

TEST_F(PipeTest, SinglePhaseUsesNoHoldupCorrelationAndTheDarcyForm) {
  // The half-width is the single-precision 0.4999: lambda = 1e-4 and 0.9999 are still
  // two-phase, 9.99e-5 and 0.99991 single-phase.
  const double singlePhase[] = {9.99e-5, 0.99991, 1.0, 0.0};
  const double twoPhase[] = {1e-4, 0.9999, 1.1e-4};
  for (double lambda : singlePhase) {
    SCOPED_TRACE(lambda);
    rh::reset();
    Case c;
    c.liquidFraction = lambda;
    c.drop = "Hagedorn-Brown";
    const Reals out = run(Proc::Sppint, c);
    EXPECT_EQ(callsOf("PIP_PIPBBH"), 0);
    EXPECT_EQ(callsOf("PIP_PIPHBR"), 0);
    EXPECT_EQ(out[0], std::max(lambda, 1e-8));
    EXPECT_GT(out[1], 0.0);
  }
  for (double lambda : twoPhase) {
    SCOPED_TRACE(lambda);
    rh::reset();
    Case c;
    c.liquidFraction = lambda;
    run(Proc::Sppint, c);
    EXPECT_EQ(callsOf("PIP_PIPBBH"), 1);
  }
  // "Ergun" is tested before the single-phase Darcy form.
  Case gas;
  gas.liquidFraction = 0.0;
  gas.drop = "Ergun";
  run(Proc::Sppint3, gas);
  EXPECT_EQ(callsOf("PIP_ERGUN"), 1);
}

// ---- invalid numbers and host failures ------------------------------------------------

bool allNaN(const Reals& v) {
  return std::all_of(v.begin(), v.end(), [](double x) { return std::isnan(x); });
}

TEST_F(PipeTest, ANonFiniteInputItReadsMakesEveryOutputNaN) {
  for (Proc p : kAllProcs) {
    const BlockBuilder plain = blockOf(p, Case{});
    const std::vector<std::int64_t> optional = optionalColumns(p);
    for (std::int64_t column = 1; column <= plain.inputColumns(); ++column) {
      if (!plain.isRealColumn(column)) continue;
      for (double bad : {kNaN, kInf, -kInf}) {
        SCOPED_TRACE(std::string(nameOf(p)) + " column " + std::to_string(column) + " " +
                     std::to_string(bad));
        rh::reset();
        BlockBuilder trial = plain;
        trial.inputCell(column).real = bad;
        trial.call(entryOf(p));
        const Reals out = outputsOf(trial);
        if (std::find(optional.begin(), optional.end(), column) != optional.end()) {
          // Mass flow, quality and packed bed: not read by "Beggs-Brill".
          EXPECT_TRUE(std::none_of(out.begin(), out.end(), [](double y) { return std::isnan(y); }));
        } else {
          EXPECT_TRUE(allNaN(out));
          EXPECT_EQ(callsOf("PIP_PIPBBH") + callsOf("PIP_PIPBBF"), 0);
        }
      }
    }
  }
}

TEST_F(PipeTest, OptionalInputsCountWhenTheChosenCorrelationReadsThem) {
  struct Row {
    Proc procedure;
    const char* holdup;
    const char* drop;
    double Case::*input;
  };
  const Row rows[] = {
      {Proc::Spdpdzfr, "none", "Friedel", &Case::massFlow},
      {Proc::Spdpdzfr, "none", "Friedel", &Case::quality},
      {Proc::Sppmom, "Rouhani", "none", &Case::quality},
      {Proc::Sphld, "Rouhani", "", &Case::massFlow},
      {Proc::Sphld, "HTFS", "", &Case::massFlow},
      {Proc::Spdpconst, "none", "HTFS", &Case::massFlow},
      {Proc::Sppint3, "none", "Ergun", &Case::bedC},
      {Proc::Spdpdzfr, "none", "Ergun", &Case::bedA},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(nameOf(row.procedure)) + " " + row.holdup + " " + row.drop);
    Case c;
    c.holdup = row.holdup;
    c.drop = row.drop;
    c.*row.input = kInf;
    EXPECT_TRUE(allNaN(run(row.procedure, c)));
  }
  // The procedure's own numbers: an infinite divisor must not give a plausible 0.
  Case c;
  c.factor = kInf;
  EXPECT_TRUE(allNaN(run(Proc::Sppint3, c)));
}

TEST_F(PipeTest, AFailedHostRoutineShowsAsNaNNotAsAPlausibleHoldup) {
  Case c;
  ASSERT_TRUE(rh::injectFailure("PIP_PIPBBH", 2));
  EXPECT_TRUE(std::isnan(run(Proc::Sphld, c)[0]));  // not the 0 of a holdup below 1e-8
  EXPECT_TRUE(std::isnan(run(Proc::Sppint, c)[0]));
}

}  // namespace
