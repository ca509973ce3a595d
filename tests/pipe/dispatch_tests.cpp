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
#include <string_view>
#include <vector>

#include "pipe_cases.hpp"
#include "support/capture_printer.hpp"
#include "xv55/host/pipe_correlations.h"
#include "xv55/refhost/control.hpp"

namespace {

using namespace xv55::testing;
using Reals = std::vector<double>;
using xv55::BlockBuilder;
namespace rh = xv55::refhost;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// What each host routine must receive, in its argument order, for section c in procedure
// p.  The holdup passed to "Beggs-Brill" friction (recorded last) is Flanigan's, the holdup
// step of the keyword test below; "Dukler" receives Hughmark's.
Reals argumentsOf(std::string_view routine, const Case& c, Proc p) {
  const Field f = fieldOf(c, p);
  const double pi = 3.1415926, gc = 32.174;
  double holdup = 0;
  std::int64_t error = 0;
  if (routine == "PIP_PIPBBH") return {f.lambda, f.d, f.rhoNs, f.rhoL, f.vm, f.sigma, f.theta};
  if (routine == "PIP_PIPHTH")
    return {f.w, f.d, pi, f.lambda, f.rhoL, f.rhoG, f.muL, f.muG, f.theta};
  if (routine == "PIP_PIPFLN") return {f.vsG};
  if (routine == "PIP_PIPEAT") return {f.p, f.lambda, f.vm, f.rhoL, f.sigma, f.muL, f.d};
  if (routine == "PIP_PIPHOO") return {f.lambda, f.vm};
  if (routine == "PIP_PIPHMR") return {f.lambda, f.rhoNs, f.vm, f.d, f.muG, f.muL};
  if (routine == "PIP_PIPSLK")
    return {f.lambda, f.rhoL, f.rhoG, f.muL, f.muG, f.vm, f.d, f.r, f.theta};
  if (routine == "PIP_PIPORK") {
    return {f.p, f.vm, f.lambda, f.rhoL, f.rhoG, f.muL, f.muG, f.sigma, f.d, f.r, f.theta};
  }
  if (routine == "PIP_PIPLMR") return {f.d, f.vsL, f.vsG, f.rhoG, f.rhoL, f.muG, f.muL};
  if (routine == "PIP_PIPHBR") {
    return {f.theta, f.d, f.r, f.p, f.vsG, f.vsL, f.lambda, f.rhoG, f.rhoL, f.muG, f.muL, f.sigma};
  }
  // SI: a, rho_ns, mu_ns, c, b, the velocity as given.
  if (routine == "PIP_ERGUN")
    return {c.bedVoidFraction,    f.rhoNsSi, f.muNsSi, c.particleDiameter,
            c.particleSphericity, c.velocity};
  if (routine == "PIP_PIPBBF") {
    PIP_PIPFLN(&f.vsG, &holdup);
    return {f.lambda, f.vm, f.muNs, f.rhoNs, f.d, f.r, holdup};
  }
  if (routine == "PIP_PIPHTF") {
    return {f.w, f.d, pi, f.lambda, f.rhoL, f.rhoG, f.muL, f.muG, f.r, gc, f.vsL, f.vsG};
  }
  if (routine == "PIP_PIPDUL") {
    PIP_PIPHMR(&f.lambda, &f.rhoNs, &f.vm, &f.d, &f.muG, &f.muL, &holdup, &error);
    return {f.lambda, f.rhoG, f.rhoL, f.vm, f.muNs, f.d, holdup};
  }
  return {f.d, f.rhoNs, f.vm};  // PIP_PIPAWR
}

void expectArguments(std::string_view routine, const Reals& expected) {
  const Reals actual = rh::lastCall(std::string(routine).c_str()).reals;
  ASSERT_EQ(actual.size(), expected.size()) << routine;
  for (std::size_t k = 0; k < actual.size(); ++k) {
    EXPECT_NEAR(actual[k], expected[k], 1e-14 * std::fabs(expected[k])) << "argument " << k + 1;
  }
}

TEST_F(PipeTest, FoldedAngleAndFloors) {
  // SPHLD and SPDPCONST take the angle through asin(sin): 3 pi/4 acts as pi/4.
  Case c;
  c.angle = 3 * std::numbers::pi / 4;
  c.holdup = "Hagedorn-Brown";
  for (Proc p : {Proc::Sphld, Proc::Spdpconst, Proc::Sppint}) {
    run(p, c);
    const double theta = rh::lastCall("PIP_PIPHBR").reals.at(0);
    EXPECT_NEAR(theta, p == Proc::Sppint ? c.angle : std::numbers::pi / 4, 1e-15);
  }
  // Floors: velocity 1e-5 m/s, surface tension 1e-5.
  c.velocity = c.surfaceTension = 0.0;
  c.holdup = "Beggs-Brill";
  run(Proc::Sppint, c);
  const Reals bbh = rh::lastCall("PIP_PIPBBH").reals;  // lambda, D, rho_ns, rho_L, v_m, sigma
  EXPECT_EQ(bbh.at(4), 1e-5 / kFt);
  EXPECT_EQ(bbh.at(5), 1e-5);
}

TEST_F(PipeTest, KeywordsMatchOnTheirLeadingCharactersCaseSensitively) {
  // A longer name selects; lower case and a shorter name (blank-padded) do not.
  for (const char* name : {"Beggs-Brill (1973, uphill)", "beggs-brill", "Beggs"}) {
    Case c;
    c.holdup = name;
    const bool selects = name[0] == 'B' && std::strlen(name) > 5;
    EXPECT_EQ(run(Proc::Sppint, c)[0] == c.liquidFraction, !selects) << name;  // no-slip
  }
  EXPECT_EQ(callsOf("PIP_PIPBBH"), 1);
}

TEST_F(PipeTest, AFortyCharacterNameIsReadToItsLengthAndNoFurther) {
  // SPHLD's name is its last input and fills its five cells without a NUL, in an
  // array of exactly 17 cells: a read past the 40 characters would leave it.
  const Case c;
  const double reals[] = {c.diameter,   c.angle,          c.velocity,        c.massFlow,
                          c.quality,    c.pressure,       c.liquidFraction,  c.liquidDensity,
                          c.gasDensity, c.surfaceTension, c.liquidViscosity, c.gasViscosity};
  std::unique_ptr<xv55::Cell[]> inputs(new xv55::Cell[17]);
  for (std::size_t k = 0; k < 12; ++k) inputs[k].real = reals[k];
  std::memcpy(inputs[12].text, ("Flanigan" + std::string(32, '#')).data(), 40);
  const std::int64_t positions[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  const std::int64_t one = 1, zero = 0;
  std::int64_t status = 0, callType = 0;
  double out = 0;
  XV55IF_SPHLD(inputs.get(), &zero, &out, &zero, positions, &one, &status, &zero, nullptr, &zero,
               nullptr, &zero, &zero, &callType);
  EXPECT_EQ(callsOf("PIP_PIPFLN"), 1);
  EXPECT_GT(out, c.liquidFraction);
}

// Which procedures accept a keyword, as docs/pipe.md tells users, and how to see it.
struct Accepts {
  const char* keyword;
  std::vector<Proc> procedures;  // empty: all
  const char* routine = nullptr;
};
bool accepts(const Accepts& row, Proc p) {
  return row.procedures.empty() ||
         std::find(row.procedures.begin(), row.procedures.end(), p) != row.procedures.end();
}
// The warning about a name that selects nothing: the name, then the keywords p accepts.
template <std::size_t N>
std::string warningOf(const char* step, const char* name, const Accepts (&rows)[N], Proc p) {
  std::string list;
  for (const Accepts& row : rows) {
    if (accepts(row, p)) list += (list.empty() ? "" : ", ") + std::string(row.keyword);
  }
  return std::string(" ") + info(p).name + "-W-" + step + " correlation \"" + name +
         "\" selects nothing" + (step[0] == 'H' ? ": the no-slip holdup is used." : "") +
         (step[0] == 'P' ? ": no frictional or acceleration loss is computed." : "") +
         "\n Accepted: " + list + "\n";
}

// Every procedure calls the routine of each keyword it accepts, with its full argument
// list in field units (its own viscosity conversion), and falls back otherwise.
TEST_F(PipeTest, EachProcedureAcceptsItsOwnKeywordsAndFallsBackOtherwise) {
  using enum Proc;
  const Accepts holdups[] = {{"Beggs-Brill", {}, "PIP_PIPBBH"},
                             {"HTFS", {Spdpdzfr, Spdpconst, Sphld}, "PIP_PIPHTH"},
                             {"Flanigan", {}, "PIP_PIPFLN"},
                             {"Eaton", {}, "PIP_PIPEAT"},
                             {"Hoogendorn", {}, "PIP_PIPHOO"},
                             {"Hughmark", {}, "PIP_PIPHMR"},
                             {"Slack", {}, "PIP_PIPSLK"},
                             {"Orkiszewski", {}, "PIP_PIPORK"},
                             {"Lockhart-Martinelli", {}, "PIP_PIPLMR"},
                             {"Hagedorn-Brown", {}, "PIP_PIPHBR"},
                             {"Rouhani", {Spdpdzfr, Sppmom, Spdpconst, Sphld}}};
  for (const Accepts& row : holdups) {
    for (Proc p : kAllProcs) {
      SCOPED_TRACE(std::string(row.keyword) + " holdup in " + info(p).name);
      Case c;
      c.holdup = row.keyword;
      c.drop = "none";
      const Reals expected = row.routine ? argumentsOf(row.routine, c, p) : Reals{};
      rh::reset();
      ScopedCapture capture;
      const Reals out = run(p, c);
      const std::string warning = warningOf("Holdup", row.keyword, holdups, p);
      EXPECT_EQ(capture.printer.text().find(warning) != std::string::npos, !accepts(row, p))
          << capture.printer.text();
      if (row.routine) {
        EXPECT_EQ(callsOf(row.routine), accepts(row, p) ? 1 : 0);
        if (accepts(row, p)) expectArguments(row.routine, expected);
      }
      // The holdup output is lambda on a fall-back (SPDPDZFR and SPDPCONST have none).
      if (p != Spdpdzfr && p != Spdpconst && (!accepts(row, p) || !row.routine)) {
        EXPECT_EQ(out[0] == 0.3, !accepts(row, p));
      }
    }
  }
  const Accepts drops[] = {{"Ergun", {Sppint3, Spdpdzfr, Spdpconst}, "PIP_ERGUN"},
                           {"Darcy", {}},
                           {"Beggs-Brill", {}, "PIP_PIPBBF"},
                           {"HTFS", {Spdpdzfr, Spdpconst}, "PIP_PIPHTF"},
                           {"Dukler", {}, "PIP_PIPDUL"},
                           {"Slack", {}, "PIP_PIPSLK"},
                           {"Orkiszewski", {}, "PIP_PIPORK"},
                           {"Angel-Welchon-Ros", {}, "PIP_PIPAWR"},
                           {"Lockhart-Martinelli", {}, "PIP_PIPLMR"},
                           {"Hagedorn-Brown", {}, "PIP_PIPHBR"},
                           {"Friedel", {Spdpdzfr, Sppmom, Spdpconst}},
                           {"Colebrook", {Sphld}}};  // SPHLD has no pressure-drop name
  for (const Accepts& row : drops) {
    for (Proc p : kProcsWithDrop) {
      SCOPED_TRACE(std::string(row.keyword) + " pressure drop in " + info(p).name);
      Case c;
      c.holdup = "Flanigan";
      c.drop = row.keyword;
      const Reals expected = row.routine ? argumentsOf(row.routine, c, p) : Reals{};
      rh::reset();
      ScopedCapture capture;
      BlockBuilder b = blockOf(p, c);
      b.call(info(p).entry);
      const Reals out = outputsOf(b);
      EXPECT_EQ(b.status, accepts(row, p) ? 0 : 2);
      if (!accepts(row, p)) {
        EXPECT_EQ(capture.printer.text(), warningOf("Pressure-drop", row.keyword, drops, p));
      }
      const double friction = out[info(p).frictionOutput - 1];
      EXPECT_EQ(friction != 0.0 && std::isfinite(friction), accepts(row, p));
      if (row.routine && accepts(row, p)) expectArguments(row.routine, expected);
      // An unknown name: no friction, no acceleration, and the holdup all the same.
      if (!accepts(row, p) && out.size() > 1) {
        EXPECT_EQ(out.back(), 0.0);
        EXPECT_GT(out[0], c.liquidFraction);
      }
    }
  }
}

// The warning comes once per call site (the name's cell) and name; the results stay
// those of the fall-back.  In single-phase flow no name is looked at.
TEST_F(PipeTest, AnUnknownNameIsWarnedAboutOncePerCallSiteAndName) {
  Case c;
  c.holdup = "beggs-brill";
  c.drop = "Fanning";
  BlockBuilder site = blockOf(Proc::Sppint, c), other = blockOf(Proc::Sppint, c);
  const Reals expected = {c.liquidFraction, 0.0, 0.0};  // no-slip holdup, no losses
  struct Step {
    BlockBuilder* block;
    const char* drop;
    std::size_t messages;
  };
  for (const Step& step :
       {Step{&site, "Fanning", 2}, Step{&site, "Fanning", 0}, Step{&other, "Fanning", 2},
        Step{&site, "Moody", 1}, Step{&site, "Fanning   ", 0}}) {
    ScopedCapture capture;
    std::memcpy(step.block->inputCell(15).text, std::string(step.drop).append(40, '\0').data(), 40);
    step.block->status = 0;
    step.block->call(XV55IF_SPPINT);
    EXPECT_EQ(capture.printer.severities.size(), step.messages) << step.drop;
    EXPECT_EQ(step.block->status, step.messages > 0 ? 2 : 0) << step.drop;
    EXPECT_EQ(outputsOf(*step.block), expected);
  }
  ScopedCapture capture;
  c.liquidFraction = 1.0;  // liquid only: "Darcy" whatever the names
  BlockBuilder single = blockOf(Proc::Sppint, c);
  single.call(XV55IF_SPPINT);
  EXPECT_EQ(single.status, 0);
  EXPECT_TRUE(capture.printer.lines.empty());
}

// A host may write another name into the same cell between calls: every call selects
// by the name the cell holds then, exactly as a block of its own would, warnings
// included.  SPPINT3's cell 18 and SPDPDZFR's cell 19 are the pressure-drop names.
TEST_F(PipeTest, ANameChangedInItsCellBetweenCallsSelectsAsAFreshBlockWould) {
  struct Call {
    const char* drop;
    double liquidFraction;
  };
  const auto check = [](Proc p, std::int64_t dropCell, std::initializer_list<Call> calls) {
    Case c;
    BlockBuilder site = blockOf(p, c);
    std::vector<Reals> seen;
    for (const Call& call : calls) {
      SCOPED_TRACE(std::string(info(p).name) + " " + call.drop);
      std::memcpy(site.inputCell(dropCell).text, std::string(call.drop).append(40, '\0').data(),
                  40);
      site.inputCell(dropCell - 7).real = call.liquidFraction;  // 6 reals and a name later
      site.status = 0;
      site.call(info(p).entry);
      Case fresh = c;
      fresh.drop = call.drop;
      fresh.liquidFraction = call.liquidFraction;
      BlockBuilder own = blockOf(p, fresh);
      own.call(info(p).entry);
      EXPECT_EQ(outputsOf(site), outputsOf(own));
      EXPECT_EQ(site.status, own.status);
      seen.push_back(outputsOf(site));
    }
    return seen;
  };
  const std::vector<Reals> gradient = check(Proc::Spdpdzfr, 19,
                                            {{"Lockhart-Martinelli", 0.3},
                                             {"Friedel", 0.3},
                                             {"Friedel", 0.3},
                                             {"Fried", 0.3},
                                             {"Friedel-2", 0.3},
                                             {"Dukler", 0.3},
                                             {"Friedel", 1.0}});
  // The calls differ where their correlations do: the comparisons above have teeth.
  EXPECT_NE(gradient[0], gradient[1]);
  EXPECT_EQ(gradient[3], Reals{0.0});   // "Fried" selects nothing: no friction
  EXPECT_EQ(gradient[4], gradient[1]);  // the keyword rule: "Friedel-2" is "Friedel"
  EXPECT_NE(gradient[5], gradient[1]);
  EXPECT_NE(gradient[6], gradient[1]);  // liquid only: "Darcy"
  // In single-phase flow "Ergun" still wins over "Darcy", another name does not.
  const std::vector<Reals> packed = check(
      Proc::Sppint3, 18, {{"Ergun", 0.3}, {"Ergun", 1.0}, {"Hagedorn-Brown", 1.0}, {"Ergun", 1.0}});
  EXPECT_EQ(packed[1], packed[3]);
  EXPECT_NE(packed[1], packed[2]);
}

TEST_F(PipeTest, AHoldupRoutineIsCalledOnceWhenBothNamesSelectIt) {
  const char* routines[][2] = {{"Orkiszewski", "PIP_PIPORK"},
                               {"Slack", "PIP_PIPSLK"},
                               {"Lockhart-Martinelli", "PIP_PIPLMR"},
                               {"Hagedorn-Brown", "PIP_PIPHBR"}};
  for (const auto& names : routines) {
    SCOPED_TRACE(names[0]);
    Case c;
    c.holdup = c.drop = names[0];
    const Reals both = run(Proc::Sppint, c);
    EXPECT_EQ(callsOf(names[1]), 1);
    // Its gradients are those a pressure-drop call alone gives.
    c.holdup = "none";
    const Reals dropOnly = run(Proc::Sppint, c);
    EXPECT_EQ(both[1], dropOnly[1]);
    EXPECT_EQ(both[2], dropOnly[2]);
  }
}

TEST_F(PipeTest, SinglePhaseUsesNoHoldupCorrelationAndTheDarcyForm) {
  // The half-width is the single-precision 0.4999: lambda = 1e-4 and 0.9999 are still
  // two-phase, 9.99e-5 and 0.99991 single-phase.
  for (double lambda : {9.99e-5, 0.99991, 1.0, 0.0, 1e-4, 0.9999, 1.1e-4}) {
    SCOPED_TRACE(lambda);
    rh::reset();
    const bool single = lambda < 1e-4 || lambda > 0.9999;
    Case c;
    c.liquidFraction = lambda;
    c.drop = "Hagedorn-Brown";
    const Reals out = run(Proc::Sppint, c);
    EXPECT_EQ(callsOf("PIP_PIPBBH"), single ? 0 : 1);
    EXPECT_EQ(callsOf("PIP_PIPHBR"), single ? 0 : 1);
    if (single) {
      EXPECT_EQ(out[0], std::max(lambda, 1e-8));
    }
    EXPECT_GT(out[1], 0.0);
  }
  // "Ergun" is tested before the single-phase Darcy form.
  Case gas;
  gas.liquidFraction = 0.0;
  gas.drop = "Ergun";
  run(Proc::Sppint3, gas);
  EXPECT_EQ(callsOf("PIP_ERGUN"), 1);
}

bool allNaN(const Reals& v) {
  return std::all_of(v.begin(), v.end(), [](double x) { return std::isnan(x); });
}

TEST_F(PipeTest, ANonFiniteInputItReadsMakesEveryOutputNaN) {
  for (Proc p : kAllProcs) {
    const BlockBuilder plain = blockOf(p, Case{});
    const std::vector<std::int64_t>& optional = info(p).optional;
    for (std::int64_t column = 1; column <= plain.inputColumns(); ++column) {
      if (!plain.isRealColumn(column)) continue;
      for (double bad : {kNaN, kInf, -kInf}) {
        SCOPED_TRACE(testing::Message() << info(p).name << " column " << column << " " << bad);
        rh::reset();
        BlockBuilder trial = plain;
        trial.inputCell(column).real = bad;
        trial.call(info(p).entry);
        const Reals out = outputsOf(trial);
        if (std::find(optional.begin(), optional.end(), column) != optional.end()) {
          // Mass flow, quality and packed bed are not read by "Beggs-Brill".
          EXPECT_TRUE(std::none_of(out.begin(), out.end(), [](double y) { return std::isnan(y); }));
        } else {
          EXPECT_TRUE(allNaN(out));
          EXPECT_EQ(callsOf("PIP_PIPBBH") + callsOf("PIP_PIPBBF"), 0);
        }
      }
    }
  }
  // They count when the chosen correlation reads them.
  struct Row {
    Proc procedure;
    const char *holdup, *drop;
    double Case::*input;
  };
  const Row rows[] = {{Proc::Spdpdzfr, "none", "Friedel", &Case::massFlow},
                      {Proc::Spdpdzfr, "none", "Friedel", &Case::quality},
                      {Proc::Sppmom, "Rouhani", "none", &Case::quality},
                      {Proc::Sphld, "HTFS", "", &Case::massFlow},
                      {Proc::Spdpconst, "none", "HTFS", &Case::massFlow},
                      {Proc::Sppint3, "none", "Ergun", &Case::particleDiameter},
                      {Proc::Sppint3, "none", "Darcy", &Case::factor}};  // not a plausible 0
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(info(row.procedure).name) + " " + row.holdup + " " + row.drop);
    Case c;
    c.holdup = row.holdup;
    c.drop = row.drop;
    c.*row.input = kInf;
    EXPECT_TRUE(allNaN(run(row.procedure, c)));
  }
}

TEST_F(PipeTest, AFailedHostRoutineShowsAsNaNNotAsAPlausibleHoldup) {
  ASSERT_TRUE(rh::injectFailure("PIP_PIPBBH", 2));
  EXPECT_TRUE(std::isnan(run(Proc::Sphld, Case{})[0]));  // not the 0 of a holdup below 1e-8
  EXPECT_TRUE(std::isnan(run(Proc::Sppint, Case{})[0]));
}

}  // namespace
