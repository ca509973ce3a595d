// The column-stage kinetics procedures and the pressure-drop, heat-flux and holdup
// procedures with routines of this process: what the routine receives, in which units,
// and what each refuses.
#include <cmath>
#include <string>
#include <vector>

#include "kinetics_fixture.hpp"
#include "xv55/xv55.h"

namespace xv55::kinetics::testing {
namespace {

class StageKinetics : public KineticsTest {
 protected:
  void SetUp() override {
    KineticsTest::SetUp();
    ASSERT_TRUE(pp::setModelComponents(0, {"PROPANE", "METHANE"}));  // IDX {3, 1}
  }
};

TEST_F(StageKinetics, TheRoutineSeesTheStageInCompanionOrderAndSiUnits) {
  stageCall<ColumnStageArguments>().call(XV55IF_SPRDKUSR);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  // NCOMP, NC, stage, liquid phases; 2 bar; 720, 180 and 360 kmol/h in kmol/s; holdups.
  EXPECT_EQ(g_probe.values<std::int64_t>({1, 2, 29, 31}), (Ints{5, 2, 4, 1}));
  EXPECT_EQ(g_probe.values<double>({6, 7, 8, 9, 12, 13}), (Reals{2e5, 0.2, 0.05, 0.1, 2, 0.5}));
  EXPECT_NEAR(g_probe.get<double>(5), 353.15, 1e-12);  // 80 degC
  EXPECT_EQ(g_probe.array<std::int64_t>(14)[0], 3);
  EXPECT_EQ(g_probe.stoichiometry, (Reals{1, 0, -1, 0, 0}));
  EXPECT_EQ(g_probe.phases[0], (Reals{0.75, 0, 0.25, 0, 0}));  // vapour: 1 and 3 kmol
  for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(g_probe.phases[k], (Reals{0.25, 0, 0.75, 0, 0}));
  EXPECT_EQ(SAIPRNAM, 76);
  // Two liquids: each mapped, and together (3 + 1 and 1 + 1 kmol); flows and holdups.
  stageCall<ColumnStageTwoLiquidArguments>().call(XV55IF_SPRDKUS3);
  EXPECT_EQ(g_probe.phases[1], (Reals{2.0 / 6, 0, 4.0 / 6, 0, 0}));
  EXPECT_EQ(g_probe.phases[3], (Reals{0.5, 0, 0.5, 0, 0}));
  EXPECT_NEAR(g_probe.get<double>(8), 0.06, 1e-15);
  EXPECT_EQ(g_probe.values<double>({12, 35, 37}), (Reals{2.5, 0.01, 0.5}));
  EXPECT_EQ(g_probe.get<std::int64_t>(31), 2);
}

TEST_F(StageKinetics, LimitsCountsAndUnusableInputsAreRefused) {
  ProcedureCall c = stageCall<ColumnStageArguments>();
  c.integer("integerBlockWorkspaceCount", 100).integer("realBlockWorkspaceCount", 100);
  c.call(XV55IF_SPRDKUSR);
  EXPECT_EQ(g_probe.calls, 1) << capture.printer.text();
  for (const char* count :
       {"componentCount", "integerBlockWorkspaceCount", "realBlockWorkspaceCount"}) {
    ProcedureCall over = stageCall<ColumnStageTwoLiquidArguments>();
    capture.printer.clear();
    over.integer(count, 101).call(XV55IF_SPRDKUS3);
    EXPECT_EQ(over.status, 4) << count;
    EXPECT_EQ(lines().at(0), " SPRDKUS3-F-Error") << count;
  }
  capture.printer.clear();
  stageCall<ColumnStageArguments>().integer("componentCount", 3).call(XV55IF_SPRDKUSR);
  stageCall<ColumnStageArguments>().integer("reactionCount", 2).call(XV55IF_SPRDKUSR);
  stageCall<ColumnStageArguments>().real("liquidHoldup", std::nan("")).call(XV55IF_SPRDKUSR);
  EXPECT_EQ(lines(), (Lines{" SPRDKUSR-F-Array sizes do not agree: 3 components given, "
                            "stoichiometry of 2 rows, 2 components in the model.",
                            kExit,
                            " SPRDKUSR-F-Array sizes do not agree: 2 components given, "
                            "stoichiometry of 2 rows, 2 components in the model.",
                            kExit, " SPRDKUSR-F-Invalid input: liquidHoldup = nan", kExit}));
  // A phase without amounts has no fractions: the host refuses it.
  ProcedureCall empty = stageCall<ColumnStageArguments>();
  empty.reals("vapourAmounts", {0.0, 0.0}).call(XV55IF_SPRDKUSR);
  EXPECT_EQ(empty.status, 4);
  EXPECT_EQ(empty.outs("rates"), Reals(2, -1.0));
  EXPECT_EQ(g_probe.calls, 1);
}

// ---- pressure drop, heat flux, holdup ----

using UserFlux = KineticsTest;

TEST_F(UserFlux, RoutinesGetTheirStreamsAndValuesInSiUnits) {
  ProcedureCall c = fluxCall<PressureDropArguments>("PLANT.PFR1");
  c.integer("reactorMode", 1).real("tubeCount", 7.0).real("liquidViscosity", 2.0);
  c.real("vapourViscosity", 0.02).real("fluidViscosity", 1.5).real("fluidChannelDiameter", 0.2);
  c.reals("feedComposition", kX).real("feedFlow", 360.0).reals("fluidComposition", kX);
  c.real("fluidFlow", 360.0).integer("userValueCount", 2).integer("option", 9);
  c.outputs("userValues", 3).call(XV55IF_SPRPDPDZ_USER);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  // 360 kmol/h of kX, 100 degC (+ 273.15 single precision), 5 bar, -2.5 MJ/kmol, vapour
  // fraction 0.75, 12 kg/m3, 22 kg/kmol.
  const Reals s = {0.05, 0.02,   0.015, 0.01, 0.005,          0.1,  100 + 273.1499938964844,
                   5e5,  -2.5e6, 0.75,  0.25, PPEXEC_USER[0], 12.0, 22.0};
  for (std::size_t k = 0; k < s.size(); ++k) EXPECT_NEAR(g_probe.stream[k], s[k], 1e-12) << k;
  EXPECT_EQ(g_probe.phases[0][5], 0.1);                             // the feed
  EXPECT_EQ(g_probe.phases[1], Reals(14, 0.0));                     // no thermal fluid in mode 1
  EXPECT_EQ(g_probe.values<std::int64_t>({19, 20}), (Ints{9, 1}));  // option, mode
  // Tubes; liquid, vapour and fluid viscosities 2, 0.02 and 1.5 cP in Pa s; channel.
  EXPECT_EQ(g_probe.values<double>({21, 27, 28, 34, 35}), (Reals{7, 0.002, 2e-5, 0.0015, 0.2}));
  EXPECT_EQ(g_probe.arguments[37], &DMS_INITV[1]);  // past its 37 arguments
  EXPECT_EQ(c.outs("userValues"), (Reals{42.0, 0.0, -1.0}));
  const std::int64_t* ids = g_probe.ids.data();
  EXPECT_EQ((Lines{packed(ids), packed(ids + 2), packed(ids + 6), packed(ids + 8)}),
            (Lines{"PFR1", "SPRPDPDZ", "TUBRX", "FPROBE"}));
  EXPECT_EQ(ids[19], 1);
  // Modes 3 and 4 hand over the thermal fluid as well.
  c.integer("reactorMode", 4).real("fluidTemperature", 20.0).call(XV55IF_SPRPDPDZ_USER);
  EXPECT_NEAR(g_probe.phases[1][6], 293.15, 1e-5);
  // The tube's heat-transfer coefficient; the batch's time (0.5 h in s), contents and
  // volume; the holdup's viscosities (3 and 0.01 cP) and inclination.
  fluxCall<TubeHeatFluxArguments>("PLANT.PFR1")
      .real("heatTransferCoefficient", 150.0)
      .call(XV55IF_SPRPQFLUX_USER);
  EXPECT_EQ(g_probe.get<double>(33), 150.0);
  fluxCall<BatchHeatFluxArguments>("BATCH1")
      .real("time", 0.5)
      .real("contents", 12.0)
      .real("reactorVolume", 3.0)
      .call(XV55IF_SPBOQFLUX_USER);
  EXPECT_EQ(g_probe.values<double>({20, 21, 22}), (Reals{1800, 12, 3}));
  EXPECT_EQ(g_probe.arguments[23], &DMS_INITV[1]);
  EXPECT_EQ(packed(g_probe.ids.data() + 6), "CHARGEX");
  fluxCall<HoldupArguments>("PLANT.PFR1")
      .real("liquidViscosity", 3.0)
      .real("vapourViscosity", 0.01)
      .real("inclination", 5.0)
      .call(XV55IF_SPRPHLD_USER);
  EXPECT_EQ(g_probe.values<double>({24, 25, 29}), (Reals{0.003, 1e-5, 5}));
}

TEST_F(UserFlux, ABlockOfAnotherTypeIsRefusedBeforeItsDataWordsAreRead) {
  // The batch charge names FPROBE as its heat-flux routine in the data word where a tube
  // keeps its pressure-drop routine.
  ProcedureCall c = fluxCall<PressureDropArguments>("BATCH1");
  c.status = 2;
  c.call(XV55IF_SPRPDPDZ_USER);
  fluxCall<BatchHeatFluxArguments>("PLANT.PFR1").call(XV55IF_SPBOQFLUX_USER);
  fluxCall<HoldupArguments>("PLANT.CSTR1").call(XV55IF_SPRPHLD_USER);
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(c.allOutputs(), Reals(c.allOutputs().size(), -1.0));
  EXPECT_EQ(lines(),
            (Lines{" SPRPDPDZ_USER-F-Block BATCH1 is a CHARGEX block, not a TUBRX block.", kExit,
                   " SPBOQFlux_USER-F-Block PFR1 is a TUBRX block, not a CHARGEX block.", kExit,
                   " SPRPHLD_USER-F-Block CSTR1 is a MIXRX block, not a TUBRX block.", kExit}));
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(UserFlux, UnresolvableRoutinesLimitsAndUnusableInputsAreRefused) {
  fluxCall<PressureDropArguments>("PFR2").call(XV55IF_SPRPDPDZ_USER);
  fluxCall<TubeHeatFluxArguments>("PFR2").call(XV55IF_SPRPQFLUX_USER);
  fluxCall<HoldupArguments>("PFR2").call(XV55IF_SPRPHLD_USER);
  fluxCall<HoldupArguments>("PLANT.PFR1").integer("userValueCount", 101).call(XV55IF_SPRPHLD_USER);
  fluxCall<BatchHeatFluxArguments>("BATCH1")
      .real("processPressure", INFINITY)
      .call(XV55IF_SPBOQFLUX_USER);
  fluxCall<HoldupArguments>("PLANT.PFR1")
      .reals("processComposition", {0.5, 0.5, 0, 0, 0, 0})
      .call(XV55IF_SPRPHLD_USER);
  const std::string unable = " Unable to resolve the User Defined Subroutine: ";
  EXPECT_EQ(
      lines(),
      (Lines{" SPRPDPDZ_USER-F-User Subroutine Interface error.", unable + "NOPE%S.",
             " SPRPQFLUX_USER-F-User Subroutine Interface error.", unable + ".",
             " SPRPHLD_USER-F-User Subroutine Interface error.", unable + ".",
             " SPRPHLD_USER-F-Array sizes exceed the limits: at most 91 components of the "
             "companion simulator and 100 values in each composition, parameter set and "
             "work area.",
             kExit, " SPBOQFlux_USER-F-Invalid input: processPressure = inf", kExit,
             " SPRPHLD_USER-F-A composition of 6 components is given for a model of 5.", kExit}));
  EXPECT_EQ(g_probe.calls, 0);
}

}  // namespace
}  // namespace xv55::kinetics::testing
