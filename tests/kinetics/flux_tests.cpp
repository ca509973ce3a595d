// The pressure-drop, heat-flux and holdup procedures with a routine of this process: the
// stream vectors and values the routine receives, the conversions of its results, the
// block and routine look-ups and their reports.
#include <cmath>
#include <string>
#include <vector>

#include "common/units.hpp"
#include "kinetics_fixture.hpp"
#include "xv55/xv55.h"

namespace xv55::kinetics::testing {
namespace {

template <class Record>
ProcedureCall fluxCall(std::string_view block = "PLANT.PFR1") {
  ProcedureCall c = callOf<Record>();
  c.text("blockId", block)
      .real("processFlow", 360.0)
      .real("processTemperature", 100.0)
      .real("processPressure", 5.0)
      .real("processEnthalpy", -2.5)
      .real("processVapourFraction", 0.75)
      .real("processDensity", 12.0)
      .real("processMolecularWeight", 22.0)
      .reals("processComposition", kX);
  return c;
}

// The stream vector of the process stream above.
std::vector<double> processStream() {
  std::vector<double> s(14, 0.0);
  for (std::size_t i = 0; i < 5; ++i) s[i] = kX[i] * 0.1;
  s[5] = 0.1;
  s[6] = 100.0 + units::kKelvinAtZeroCelsiusSingle;
  s[7] = 5.0e5;
  s[8] = -2.5e6;
  s[9] = 0.75;
  s[10] = 0.25;
  s[11] = PPEXEC_USER[0];
  s[12] = 12.0;
  s[13] = 22.0;
  return s;
}

using UserFlux = KineticsTest;

TEST_F(UserFlux, PressureDropRoutineGetsItsStreamsAndValuesAndGivesBarPerMetre) {
  g_probe.results = {{36, 250.0}, {37, 0.3}};
  ProcedureCall c = fluxCall<PressureDropArguments>();
  c.integer("reactorMode", 1)
      .real("tubeCount", 7.0)
      .real("liquidViscosity", 2.0)
      .real("vapourViscosity", 0.02)
      .real("fluidViscosity", 1.5)
      .real("fluidChannelDiameter", 0.2)
      .reals("feedComposition", kX)
      .real("feedFlow", 360.0)
      .reals("fluidComposition", kX)
      .real("fluidFlow", 360.0)
      .integer("userValueCount", 2)
      .integer("option", 9)
      .outputs("userValues", 3);
  c.call(XV55IF_SPRPDPDZ_USER);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  EXPECT_EQ(g_probe.stream, processStream());
  EXPECT_EQ(g_probe.phases[0][5], 0.1);                        // the feed
  EXPECT_EQ(g_probe.phases[1], std::vector<double>(14, 0.0));  // no thermal fluid in mode 1
  EXPECT_EQ(g_probe.get<std::int64_t>(19), 9);
  EXPECT_EQ(g_probe.get<std::int64_t>(20), 1);
  EXPECT_EQ(g_probe.get<double>(21), 7.0);
  EXPECT_EQ(g_probe.get<double>(27), 0.002);  // cP to Pa s
  EXPECT_EQ(g_probe.get<double>(28), 0.02 * 0.001);
  EXPECT_EQ(g_probe.get<double>(34), 0.0015);
  EXPECT_EQ(g_probe.get<double>(35), 0.2);
  EXPECT_EQ(g_probe.arguments[37], &DMS_INITV[1]);  // past its 37 arguments
  EXPECT_EQ(c.out("pressureGradient"), 250.0 / 1e5);
  EXPECT_EQ(c.out("holdup"), 0.3);
  EXPECT_EQ(c.outs("userValues"), (std::vector<double>{42.0, 0.0, -1.0}));
  // The identifier array names the block, the procedure, the block type and the routine.
  EXPECT_EQ(packed(g_probe.ids.data()), "PFR1");
  EXPECT_EQ(packed(g_probe.ids.data() + 2), "SPRPDPDZ");
  EXPECT_EQ(packed(g_probe.ids.data() + 6), "TUBRX");
  EXPECT_EQ(packed(g_probe.ids.data() + 8), "FPROBE");
  EXPECT_EQ(g_probe.ids[19], 1);

  // Modes 3 and 4 hand over the thermal fluid as well.
  c.integer("reactorMode", 4).real("fluidTemperature", 20.0);
  c.call(XV55IF_SPRPDPDZ_USER);
  EXPECT_EQ(g_probe.phases[1][6], 20.0 + units::kKelvinAtZeroCelsiusSingle);
}

TEST_F(UserFlux, HeatFluxesComeBackInGigajoulesPerHour) {
  g_probe.results = {{35, 1.0e4}};
  ProcedureCall tube = fluxCall<TubeHeatFluxArguments>();
  tube.integer("reactorMode", 2).real("heatTransferCoefficient", 150.0);
  tube.call(XV55IF_SPRPQFLUX_USER);
  EXPECT_EQ(g_probe.get<double>(33), 150.0);
  EXPECT_EQ(tube.out("heatFlux"), 1.0e4 * 3.6 / 1.0e6);

  g_probe.results = {{23, 2.0e5}};
  ProcedureCall batch = fluxCall<BatchHeatFluxArguments>("BATCH1");
  batch.real("time", 0.5).real("contents", 12.0).real("reactorVolume", 3.0);
  batch.call(XV55IF_SPBOQFLUX_USER);
  EXPECT_EQ(g_probe.get<double>(20), 1800.0);  // h to s
  EXPECT_EQ(g_probe.get<double>(21), 12.0);
  EXPECT_EQ(g_probe.get<double>(22), 3.0);
  EXPECT_EQ(g_probe.arguments[23], &DMS_INITV[1]);
  EXPECT_EQ(batch.out("heatFlux"), 2.0e5 * 3.6 / 1.0e6);
  EXPECT_EQ(packed(g_probe.ids.data() + 6), "CHARGEX");
  EXPECT_EQ(g_probe.stream, processStream());
}

TEST_F(UserFlux, HoldupRoutineGetsViscositiesInPascalSeconds) {
  g_probe.results = {{30, 0.4}};
  ProcedureCall c = fluxCall<HoldupArguments>();
  c.real("liquidViscosity", 3.0).real("vapourViscosity", 0.01).real("inclination", 5.0);
  c.call(XV55IF_SPRPHLD_USER);
  EXPECT_EQ(g_probe.get<double>(24), 0.003);
  EXPECT_EQ(g_probe.get<double>(25), 0.01 * 0.001);
  EXPECT_EQ(g_probe.get<double>(29), 5.0);
  EXPECT_EQ(c.out("holdup"), 0.4);
}

TEST_F(UserFlux, MissingBlocksAndRoutinesAreReportedByEachProcedure) {
  ProcedureCall missing = fluxCall<PressureDropArguments>("PLANT.NOPE");
  missing.call(XV55IF_SPRPDPDZ_USER);
  EXPECT_EQ(missing.status, 4);
  EXPECT_EQ(capture.printer.lines.at(2),
            " Cannot locate the Block ID Bead in Corvane for: NOPE     ");
  EXPECT_EQ(capture.printer.lines.at(3), " at Hierarchy Level: PLANT");
  capture.printer.clear();

  fluxCall<PressureDropArguments>("PFR2").call(XV55IF_SPRPDPDZ_USER);
  fluxCall<TubeHeatFluxArguments>("PFR2").call(XV55IF_SPRPQFLUX_USER);
  fluxCall<HoldupArguments>("PFR2").call(XV55IF_SPRPHLD_USER);
  fluxCall<BatchHeatFluxArguments>("COL1").call(XV55IF_SPBOQFLUX_USER);
  const std::string unable = " Unable to resolve the User Defined Subroutine: ";
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SPRPDPDZ_USER-F-User Subroutine Interface error.", unable + "NOPE%S.",
                   " SPRPQFLUX_USER-F-User Subroutine Interface error.", unable + ".",
                   " SPRPHLD_USER-F-User Subroutine Interface error.", unable + ".",
                   " SPBOQFlux_USER-F-User Subroutine Interface error.", unable + "."}));
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(UserFlux, AFailingRoutineLeavesTheOutputsAndReports) {
  g_probe.results = {{36, 250.0}};
  g_probe.fail = true;
  ProcedureCall c = fluxCall<PressureDropArguments>();
  c.integer("userValueCount", 1).outputs("userValues", 1);
  c.call(XV55IF_SPRPDPDZ_USER);
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(c.out("pressureGradient"), -1.0);
  EXPECT_EQ(c.out("userValues"), -1.0);
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SPRPDPDZ_USER-F-Model is failing for current condition.",
                   "          in S/R SPRPDPDZ_USER after calling DMS_DOCALL.",
                   "          Immediate exit taken."}));
}

TEST_F(UserFlux, CleanUpLimitsAndInvalidNumbers) {
  ProcedureCall c = fluxCall<HoldupArguments>();
  c.status = 4;
  const auto clears = refhost::lastCall("SAIGCLEAR").calls;
  c.call(XV55IF_SPRPHLD_USER, XV55_CALL_CLEANUP);
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(refhost::lastCall("SAIGCLEAR").calls, clears + 1);

  ProcedureCall many = fluxCall<HoldupArguments>();
  many.integer("userValueCount", 101);
  many.call(XV55IF_SPRPHLD_USER);
  ProcedureCall nan = fluxCall<BatchHeatFluxArguments>("BATCH1");
  nan.real("processPressure", INFINITY);
  nan.call(XV55IF_SPBOQFLUX_USER);
  ProcedureCall shorter = fluxCall<HoldupArguments>();
  shorter.reals("processComposition", {0.5, 0.5, 0, 0, 0, 0});
  shorter.call(XV55IF_SPRPHLD_USER);
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SPRPHLD_USER-F-Array sizes exceed the limits: at most 91 components of the "
                   "companion simulator and 100 values in each composition, parameter set and "
                   "work area.",
                   "          Immediate exit taken.",
                   " SPBOQFlux_USER-F-Invalid input: processPressure = inf",
                   "          Immediate exit taken.",
                   " SPRPHLD_USER-F-A composition of 6 components is given for a model of 5.",
                   "          Immediate exit taken."}));
  EXPECT_EQ(g_probe.calls, 0);
}

}  // namespace
}  // namespace xv55::kinetics::testing
