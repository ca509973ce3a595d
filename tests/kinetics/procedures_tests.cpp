// What all sixteen procedures share, one walk over them: results in the model's units
// with the status left as the host handed it over, the clean-up call, a failing
// routine, a missing reaction paragraph or block, the size limits.
#include <string>
#include <vector>

#include "kinetics_fixture.hpp"
#include "xv55/xv55.h"

namespace xv55::kinetics::testing {
namespace {

enum class Kind { Reactor, Stage, Flux };

struct Procedure {
  const char* name;    // in its own messages
  const char* family;  // in its size report
  Xv55Entry entry;
  ProcedureCall (*call)();
  Kind kind;
  int resultAt = 0;  // flux: the routine's result argument, its value and the model's
  double result = 0, expected = 0;
};

template <class R>
ProcedureCall tank() {
  return reactorCall<R>("PLANT.CSTR1");
}
template <class R>
ProcedureCall tube() {
  return reactorCall<R>("PLANT.PFR1");
}
template <class R>
ProcedureCall tubeFlux() {
  return fluxCall<R>("PLANT.PFR1");
}

// Flux results: 250 Pa/m is 0.0025 bar/m; 1e4 W is 1e4 x 3600 J/h = 0.036 GJ/h.
const Procedure kProcedures[] = {
    {"SPRKUSR", "SPRKUSR", XV55IF_SPRKUSR, tank<StirredTankArguments>, Kind::Reactor},
    {"SPRKUSR1", "SPRKUSR", XV55IF_SPRKUSR1, tank<StirredTankOnePhaseArguments>, Kind::Reactor},
    {"SPRKUSR2", "SPRKUSR", XV55IF_SPRKUSR2, tank<StirredTankTwoPhaseArguments>, Kind::Reactor},
    {"SPRKUSR3", "SPRKUSR", XV55IF_SPRKUSR3, tank<StirredTankThreePhaseArguments>, Kind::Reactor},
    {"SPRPUSR", "SPRPUSR", XV55IF_SPRPUSR, tube<PlugFlowArguments>, Kind::Reactor},
    {"SPRPUSR1", "SPRPUSR", XV55IF_SPRPUSR1, tube<PlugFlowOnePhaseArguments>, Kind::Reactor},
    {"SPRPUSR2", "SPRPUSR", XV55IF_SPRPUSR2, tube<PlugFlowTwoPhaseArguments>, Kind::Reactor},
    {"SPRPUSR3", "SPRPUSR", XV55IF_SPRPUSR3, tube<PlugFlowThreePhaseArguments>, Kind::Reactor},
    {"SPBOUSR", "SPBOUSR", XV55IF_SPBOUSR, [] { return reactorCall<BatchArguments>("BATCH1"); },
     Kind::Reactor},
    {"SPRADKUSER", "SPRADKUSER", XV55IF_SPRADKUSER,
     [] { return reactorCall<TrayColumnArguments>("COL1"); }, Kind::Reactor},
    {"SPRDKUSR", "SPRDKUSR", XV55IF_SPRDKUSR, stageCall<ColumnStageArguments>, Kind::Stage},
    {"SPRDKUS3", "SPRDKUS3", XV55IF_SPRDKUS3, stageCall<ColumnStageTwoLiquidArguments>,
     Kind::Stage},
    {"SPRPDPDZ_USER", "", XV55IF_SPRPDPDZ_USER, tubeFlux<PressureDropArguments>, Kind::Flux, 36,
     250.0, 0.0025},
    {"SPRPQFLUX_USER", "", XV55IF_SPRPQFLUX_USER, tubeFlux<TubeHeatFluxArguments>, Kind::Flux, 35,
     1.0e4, 0.036},
    {"SPRPHLD_USER", "", XV55IF_SPRPHLD_USER, tubeFlux<HoldupArguments>, Kind::Flux, 30, 0.4, 0.4},
    {"SPBOQFlux_USER", "", XV55IF_SPBOQFLUX_USER,
     [] { return fluxCall<BatchHeatFluxArguments>("BATCH1"); }, Kind::Flux, 23, 2.0e5, 0.72},
};

class EveryProcedure : public KineticsTest {
 protected:
  void SetUp() override {
    KineticsTest::SetUp();
    // The stages' model: PROPANE and METHANE, companion positions 3 and 1; the others'
    // the whole companion list.
    ASSERT_TRUE(pp::setModelComponents(5, {"PROPANE", "METHANE"}));
  }
  static ProcedureCall callOf(const Procedure& p) {
    ProcedureCall c = p.call();
    c.hostContext = p.kind == Kind::Stage ? 5 : 0;
    return c;
  }
};

TEST_F(EveryProcedure, ResultsComeBackInTheModelsUnitsAndTheStatusStaysAsItWas) {
  for (const Procedure& p : kProcedures) {
    for (const std::int64_t before : {0, 2, 4}) {
      g_probe = Probe{};
      g_probe.rates = {10, 20, 30, 40, 50};  // kmol/s at companion positions 1 .. 5
      if (p.kind == Kind::Flux) g_probe.results = {{p.resultAt, p.result}};
      ProcedureCall c = callOf(p);
      c.status = before;
      c.call(p.entry);
      EXPECT_EQ(c.status, before) << p.name << capture.printer.text();
      EXPECT_EQ(g_probe.calls, 1) << p.name;
      const Reals out = c.allOutputs();
      if (p.kind == Kind::Reactor) {
        EXPECT_EQ(out, (Reals{36000, 72000, 108000, 144000, 180000})) << p.name;
      } else if (p.kind == Kind::Stage) {
        EXPECT_EQ(out, (Reals{108000, 36000})) << p.name;  // propane, methane
      } else {
        EXPECT_NEAR(out.at(0), p.expected, 1e-15 * p.expected) << p.name;
      }
    }
  }
  EXPECT_TRUE(lines().empty()) << capture.printer.text();
}

TEST_F(EveryProcedure, TheCleanUpCallReleasesTheAreasAndClearsTheStatus) {
  for (const Procedure& p : kProcedures) {
    ProcedureCall c = callOf(p);
    if (p.name == std::string("SPRADKUSER")) c.work.assign(6, 0.0);
    c.call(p.entry);
    const auto calls = g_probe.calls;
    const auto clears = refhost::lastCall("SAIGCLEAR").calls;
    c.status = 4;
    c.call(p.entry, XV55_CALL_CLEANUP);
    EXPECT_EQ(c.status, 0) << p.name;
    EXPECT_EQ(refhost::lastCall("SAIGCLEAR").calls, clears + 1) << p.name;
    EXPECT_EQ(g_probe.calls, calls) << p.name;
    EXPECT_EQ(refhost::liveBlocks(), 0) << p.name;
    EXPECT_EQ(c.work, Reals(c.work.size(), 0.0)) << p.name;
  }
}

TEST_F(EveryProcedure, AFailingRoutineLeavesTheOutputsAndIsReported) {
  g_probe.fail = true;
  for (const Procedure& p : kProcedures) {
    if (p.kind == Kind::Stage) continue;  // a stage routine has no failure flag
    ProcedureCall c = callOf(p);
    capture.printer.clear();
    c.call(p.entry);
    EXPECT_EQ(c.status, 4) << p.name;
    EXPECT_EQ(c.allOutputs(), Reals(c.allOutputs().size(), -1.0)) << p.name;
    const std::string by = p.kind == Kind::Reactor ? "SAIURK" : p.name;
    EXPECT_EQ(lines(), (Lines{" " + by + "-F-Model is failing for current condition.",
                              "          in S/R " + by + " after calling DMS_DOCALL.", kExit}))
        << p.name;
  }
}

TEST_F(EveryProcedure, AMissingParagraphOrBlockIsReportedAndNothingIsCalled) {
  for (const Procedure& p : kProcedures) {
    ProcedureCall c = callOf(p);
    if (p.kind == Kind::Flux) {
      c.text("blockId", "PLANT.NOPE");
    } else {
      c.text("reactionId", "NONE");
    }
    capture.printer.clear();
    c.call(p.entry);
    EXPECT_EQ(c.status, 4) << p.name;
    EXPECT_EQ(c.allOutputs(), Reals(c.allOutputs().size(), -1.0)) << p.name;
    const Lines expected = p.kind == Kind::Flux
                               ? Lines{" BLOCK ID specification error",
                                       " ============================",
                                       " Cannot locate the Block ID Bead in Corvane for: NOPE     ",
                                       " at Hierarchy Level: PLANT",
                                       " Please check your Corvane Input file.",
                                       " Unable to continue.",
                                       " Immediate exit taken."}
                               : Lines{std::string(p.kind == Kind::Stage ? " SAIURD" : " SAIURK") +
                                           "-F-Reaction ID: NONE     not found  in Corvane.",
                                       kExit};
    EXPECT_EQ(lines(), expected) << p.name;
  }
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(EveryProcedure, FiftyReactionsPassAndFiftyOneAreReportedUnderTheFamilysName) {
  for (const Procedure& p : kProcedures) {
    if (p.kind == Kind::Flux) continue;
    for (const std::int64_t reactions : {50, 51}) {
      ProcedureCall c = callOf(p);
      const std::int64_t rows = p.kind == Kind::Stage ? 2 : 5;
      c.matrix("stoichiometry", Reals(static_cast<std::size_t>(rows * reactions), 0.0), rows,
               reactions);
      if (p.kind == Kind::Stage) c.integer("reactionCount", reactions);
      capture.printer.clear();
      g_probe.calls = 0;
      c.call(p.entry);
      EXPECT_EQ(g_probe.calls, reactions == 50 ? 1 : 0) << p.name;
      if (reactions == 50) {
        EXPECT_EQ(lines(), Lines{}) << p.name;
        continue;
      }
      // The size report: its heading, the reaction limit and the list of sizes.
      const bool stage = p.kind == Kind::Stage;
      ASSERT_EQ(lines().size(), stage ? 10u : 12u) << p.name;
      EXPECT_EQ(lines()[0], std::string(" ").append(p.family).append("-F-Error")) << p.name;
      EXPECT_EQ(lines()[5], stage ? "       Number of reactions (NR) < 50 "
                                  : "       Number of reactions (NRXN) < 50 ");
      EXPECT_EQ(lines()[7],
                stage ? "       * No. of components (NC)" : "       * No. of components (NCP)");
    }
  }
}

}  // namespace
}  // namespace xv55::kinetics::testing
