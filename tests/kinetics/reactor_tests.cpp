// The reactor kinetics procedures with a routine of this process: what the routine
// receives (stream vector, common areas, stoichiometry, phases), the call site's kept
// areas, the limits and the failures.
#include <cmath>
#include <string>
#include <vector>

#include "common/units.hpp"
#include "kinetics/support.hpp"
#include "kinetics_fixture.hpp"
#include "xv55/xv55.h"

namespace xv55::kinetics::testing {
namespace {

// A reactor call on the probe flowsheet: 5 components, 2 reactions, 360 kmol/h at 300 degC
// and 10 bar, a vapour-liquid flash.
template <class Record>
ProcedureCall reactorCall(std::string_view block = "PLANT.CSTR1") {
  ProcedureCall c = callOf<Record>();
  c.text("blockId", block)
      .text("reactionId", "RX")
      .real("temperature", 300.0)
      .real("pressure", 10.0)
      .reals("composition", kX)
      .real("flow", 360.0)
      .matrix("stoichiometry", {0, 2, 0, -1, 0, 1, 0, -1, 0, 0}, 5, 2)
      .outputs("rates", 5);
  if constexpr (requires(Record r) { r.volume; }) c.real("volume", 2.0);
  if constexpr (requires(Record r) { r.phaseOption; }) c.integer("phaseOption", 2);
  if constexpr (requires(Record r) { r.phaseCode; }) c.integer("phaseCode", 2);
  if constexpr (requires(Record r) { r.unitSet; }) c.integer("unitSet", 1);
  if constexpr (requires(Record r) { r.tubeCount; }) {
    c.real("tubeCount", 4.0).real("tubeLength", 3.0).real("tubeDiameter", 0.1).real("divisor", 1);
  }
  return c;
}

using ReactorKinetics = KineticsTest;

TEST_F(ReactorKinetics, TheRoutineSeesTheStreamVectorAndTheRatesComeBackPerHour) {
  g_probe.rates = {1, 2, 3, 4, 5};
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.call(XV55IF_SPRKUSR);
  ASSERT_EQ(g_probe.calls, 1);
  EXPECT_EQ(c.outs("rates"), (std::vector<double>{3600, 7200, 10800, 14400, 18000}));
  std::vector<double> stream(14);
  for (std::size_t i = 0; i < 5; ++i) stream[i] = kX[i] * 0.1;
  stream[5] = 0.1;
  stream[6] = 573.15;
  stream[7] = 1.0e6;
  for (std::size_t k = 8; k < 14; ++k) stream[k] = PPEXEC_USER[0];
  EXPECT_EQ(g_probe.stream, stream);
  EXPECT_EQ(g_probe.get<std::int64_t>(reactor::kFlashed), 1);
  EXPECT_EQ(g_probe.get<double>(reactor::kPosition), 0.0);
  EXPECT_EQ(g_probe.get<std::int64_t>(reactor::kReactions), 2);
  // The common areas and the property caller.
  EXPECT_EQ(g_probe.mixrxr, (std::vector<double>{2.0, 0.0}));
  EXPECT_EQ(g_probe.mixrxi, 1);
  EXPECT_EQ(g_probe.rpropsWords[0], 573.15);
  EXPECT_EQ(g_probe.rpropsWords[1], 1.0e6);
  EXPECT_EQ(SAIPRNAM, 76);
  // The four phases of the flash, in companion order: a gas, so all the feed's.
  for (const auto& phase : g_probe.phases) {
    ASSERT_EQ(phase.size(), 5u);
    EXPECT_NEAR(phase[3], 0.1, 1e-12);
  }
}

TEST_F(ReactorKinetics, RatesFollowTheModelsOwnComponentOrder) {
  ASSERT_TRUE(pp::setModelComponents(7, {"PROPANE", "METHANE"}));
  g_probe.rates = {10, 20, 30, 40, 50};  // by companion position
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.hostContext = 7;
  c.reals("composition", {0.25, 0.75}).matrix("stoichiometry", {-1, 1}, 2, 1).outputs("rates", 2);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.outs("rates"), (std::vector<double>{30 * 3600.0, 10 * 3600.0}));
  // The stream vector and the stoichiometry sit at the companion positions.
  EXPECT_DOUBLE_EQ(g_probe.stream[2], 0.025);
  EXPECT_DOUBLE_EQ(g_probe.stream[0], 0.075);
  EXPECT_EQ(g_probe.stream[1], 0.0);
  EXPECT_EQ(g_probe.stoichiometry, (std::vector<double>{1, 0, -1, 0, 0}));
}

TEST_F(ReactorKinetics, StoichiometryIsLoadedOnceUntilTheCleanUpCall) {
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.work[4], 999.0);
  EXPECT_EQ(c.work[6], 999.0);
  EXPECT_NE(c.work[5], 0.0);
  EXPECT_NE(c.work[7], 0.0);
  EXPECT_EQ(refhost::liveBlocks(), 2);
  const std::vector<double> first = g_probe.stoichiometry;
  c.matrix("stoichiometry", {0, 0, 0, -1, 1, 0, 0, -1, 1, 0}, 5, 2);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.stoichiometry, first);
  EXPECT_EQ(refhost::liveBlocks(), 2);

  const auto clears = refhost::lastCall("SAIGCLEAR").calls;
  const auto docalls = cp::lastDispatch().calls;
  c.status = 4;
  c.call(XV55IF_SPRKUSR, XV55_CALL_CLEANUP);
  EXPECT_EQ(c.work, std::vector<double>(8, 0.0));
  EXPECT_EQ(refhost::liveBlocks(), 0);
  EXPECT_EQ(refhost::lastCall("SAIGCLEAR").calls, clears + 1);
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(cp::lastDispatch().calls, docalls);

  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.stoichiometry, (std::vector<double>{0, 0, 0, -1, 1, 0, 0, -1, 1, 0}));
}

TEST_F(ReactorKinetics, WithoutReactionsNoStoichiometryIsKept) {
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.matrix("stoichiometry", {}, 5, 0);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.get<std::int64_t>(reactor::kReactions), 0);
  EXPECT_EQ(g_probe.array<void>(reactor::kStoichiometry), &DMS_INITV[1]);
  EXPECT_EQ(c.work[6], 0.0);
  EXPECT_EQ(c.work[7], 0.0);
  EXPECT_EQ(refhost::liveBlocks(), 1);
}

TEST_F(ReactorKinetics, AreasOfAnotherShapeAreMadeAgain) {
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.call(XV55IF_SPRKUSR);
  // A flowsheet with fewer components, and no clean-up call in between.
  ASSERT_TRUE(pp::setCompanionComponents({"METHANE", "ETHANE", "PROPANE"}));
  ASSERT_TRUE(cp::loadFlowsheet("components METHANE ETHANE PROPANE\nreaction RX PROBE\n"));
  c.reals("composition", {0.2, 0.3, 0.5}).matrix("stoichiometry", {-1, 1, 0}, 3, 1);
  c.outputs("rates", 3);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.stoichiometry, (std::vector<double>{-1, 1, 0}));
  EXPECT_EQ(g_probe.stream.size(), 12u);
  EXPECT_EQ(refhost::liveBlocks(), 2);  // the old areas were released
}

TEST_F(ReactorKinetics, EnglishUnitsConvertVolumeFlowAndLengths) {
  ProcedureCall tank = reactorCall<StirredTankArguments>();
  tank.integer("unitSet", 2).real("temperature", 573.15).real("pressure", 1.0e6);
  tank.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.mixrxr[0], 2.0 * 0.02832059934735298);
  EXPECT_EQ(g_probe.stream[5], 360.0 / 2.204622507095337 / 3600.0);
  EXPECT_EQ(g_probe.stream[6], 573.15);  // the host's unit set 2

  ProcedureCall tube = reactorCall<PlugFlowArguments>("PLANT.PFR1");
  tube.integer("unitSet", 2).real("temperature", 573.15).real("pressure", 1.0e6);
  tube.call(XV55IF_SPRPUSR);
  EXPECT_EQ(g_probe.tubrxr[0], 3.0 * 0.30480000376701355);
  EXPECT_EQ(g_probe.tubrxr[1], 0.1 * 0.30480000376701355);
  // lbmol/h are fewer kmol/h in every reactor kind.
  EXPECT_DOUBLE_EQ(g_probe.stream[5], 360.0 / 2.204622507095337 / 3600.0);
  // Any unit set but 2 is the model's own.
  tank.integer("unitSet", 0).real("temperature", 300.0).real("pressure", 10.0);
  tank.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.stream[6], 573.15);
  EXPECT_EQ(g_probe.mixrxr[0], 2.0);
}

TEST_F(ReactorKinetics, PlugFlowFillsTheTubeAreasAndRenormalisesItsComposition) {
  ProcedureCall c = reactorCall<PlugFlowArguments>("PLANT.PFR1");
  c.integer("reactorInteger", 3)
      .real("tubeCount", 4.7)
      .real("divisor", 2.0)
      .real("position", 1.25)
      .real("fraction", 0.4)
      .real("factor", 0.9)
      .real("referenceTemperature", 20.0)
      .real("propertyWord3", 3.0)
      .real("propertyWord4", 4.0)
      .real("propertyWord5", 5.0)
      .real("propertyWord6", 6.0)
      .reals("composition", {-2, 0, 2, 0, 0});
  c.call(XV55IF_SPRPUSR);
  EXPECT_EQ(g_probe.tubrxi, (std::vector<std::int64_t>{3, 4}));
  EXPECT_EQ(g_probe.tubrxr,
            (std::vector<double>{3.0, 0.1, 1.25, 20.0 + 273.1499938964844,
                                 4 * units::kQuarterPiSingle * 3.0 * 0.1 * 0.1 * 0.9 * (1.0 - 0.4),
                                 0.9, 0.4}));
  EXPECT_EQ(g_probe.rpropsWords, (std::vector<double>{573.15, 1.0e6, 3.0, 4.0, 2.5, 3.0, 3.0}));
  EXPECT_EQ(g_probe.get<double>(reactor::kPosition), 1.25);
  EXPECT_EQ(SAIPRNAM, 77);
  EXPECT_EQ(g_probe.stream[0], 0.05);
  EXPECT_EQ(g_probe.stream[2], 0.05);
  EXPECT_EQ(g_probe.stream[5], 0.1);  // the sum of the component flows

  // A composition that sums to nothing is uniform over the model's components only.
  ASSERT_TRUE(pp::setModelComponents(3, {"ETHANE", "N-HEXANE"}));
  c.hostContext = 3;
  c.reals("composition", {0, 0}).matrix("stoichiometry", {-1, 1}, 2, 1).outputs("rates", 2);
  c.call(XV55IF_SPRPUSR);
  EXPECT_EQ(g_probe.stream, (std::vector<double>{0, 0.05, 0, 0, 0.05, 0.1, 573.15, 1.0e6,
                                                 PPEXEC_USER[0], PPEXEC_USER[0], PPEXEC_USER[0],
                                                 PPEXEC_USER[0], PPEXEC_USER[0], PPEXEC_USER[0]}));
}

TEST_F(ReactorKinetics, PlugFlowAndBatchFlashOnlyAFlow) {
  const auto flashes = [] { return refhost::lastCall("FLSH_PFLASH").calls; };
  for (const bool batch : {false, true}) {
    ProcedureCall c = batch ? reactorCall<BatchArguments>("BATCH1")
                            : reactorCall<PlugFlowArguments>("PLANT.PFR1");
    const Xv55Entry entry = batch ? XV55IF_SPBOUSR : XV55IF_SPRPUSR;
    c.real("flow", 0.0);
    const auto before = flashes();
    c.call(entry);
    EXPECT_EQ(flashes(), before);
    EXPECT_EQ(g_probe.get<std::int64_t>(reactor::kFlashed), 0);
    EXPECT_EQ(g_probe.phases[0], std::vector<double>(5, 0.0));
    EXPECT_NE(c.status, 4);
    c.real("flow", 36.0);
    c.call(entry);
    EXPECT_EQ(flashes(), before + 1);
    EXPECT_EQ(g_probe.get<std::int64_t>(reactor::kFlashed), 1);
  }
}

TEST_F(ReactorKinetics, FlashCodesFollowEachKindsRule) {
  const auto codes = [] {
    const auto& i = refhost::lastCall("FLSH_PFLASH").integers;
    return std::vector<std::int64_t>{i[i.size() - 2], i[i.size() - 1]};
  };
  ProcedureCall tank = reactorCall<StirredTankArguments>();
  tank.integer("phaseOption", 1).real("propertyWord3", 0.5).real("phaseTest", 0.95);
  tank.call(XV55IF_SPRKUSR);
  EXPECT_EQ(codes(), (std::vector<std::int64_t>{1, 2}));
  tank.real("propertyWord3", 0.9);  // above the single-precision 0.9
  tank.call(XV55IF_SPRKUSR);
  EXPECT_EQ(codes(), (std::vector<std::int64_t>{1, 1}));
  tank.integer("phaseOption", 7);
  tank.call(XV55IF_SPRKUSR);
  EXPECT_EQ(codes(), (std::vector<std::int64_t>{3, 0}));

  ProcedureCall tube = reactorCall<PlugFlowArguments>("PLANT.PFR1");
  tube.integer("phaseCode", 1).real("propertyWord3", 0.9);
  tube.call(XV55IF_SPRPUSR);
  EXPECT_EQ(codes(), (std::vector<std::int64_t>{1, 1}));
  tube.real("propertyWord3", 0.5).real("phaseTest", 0.9);
  tube.call(XV55IF_SPRPUSR);
  EXPECT_EQ(codes(), (std::vector<std::int64_t>{1, 2}));
  tube.real("phaseTest", 0.5);
  tube.call(XV55IF_SPRPUSR);
  EXPECT_EQ(codes(), (std::vector<std::int64_t>{1, 1}));
}

TEST_F(ReactorKinetics, TrayColumnFillsTheColumnAreasAndNamesItsBlockType) {
  ProcedureCall c = reactorCall<TrayColumnArguments>("COL1");
  c.integer("columnInteger1", 12)
      .integer("columnInteger2", 30)
      .real("columnReal1", 1.5)
      .real("columnReal2", 2.5)
      .real("columnReal3", 3.5)
      .real("columnReal4", 4.5);
  c.work.assign(6, 0.0);  // a tray column keeps only its stream area
  c.call(XV55IF_SPRADKUSER);
  EXPECT_NE(c.status, 4);
  EXPECT_EQ(g_probe.disti, (std::vector<std::int64_t>{12, 30}));
  EXPECT_EQ(g_probe.distr, (std::vector<double>{1.5, 2.5, 3.5, 4.5}));
  EXPECT_EQ(g_probe.ids[19], 0);
  EXPECT_EQ(packed(g_probe.ids.data() + 6), "TRAYCOL");
  EXPECT_EQ(g_probe.stoichiometry, (std::vector<double>{0, 2, 0, -1, 0, 1, 0, -1, 0, 0}));
  EXPECT_EQ(refhost::liveBlocks(), 1);
  // Its clean-up call releases the stream area.
  c.call(XV55IF_SPRADKUSER, XV55_CALL_CLEANUP);
  EXPECT_EQ(refhost::liveBlocks(), 0);
}

TEST_F(ReactorKinetics, PhasesFromTheModelGoToTheRoutineAndTheStreamWorkArea) {
  ASSERT_TRUE(pp::setModelComponents(5, {"PROPANE", "METHANE"}));
  ProcedureCall c = reactorCall<StirredTankThreePhaseArguments>();
  c.hostContext = 5;
  c.reals("composition", {0.5, 0.5})
      .reals("vapour", {0.2, 0.8})
      .reals("liquid1", {0.9, 0.1})
      .reals("liquid2", {0, 0})  // absent: the overall composition
      .real("vapourFraction", 0.25)
      .real("liquidSplit", 0.5)
      .real("temperature", 20.0)
      .matrix("stoichiometry", {-1, 1}, 2, 1)
      .outputs("rates", 2);
  c.call(XV55IF_SPRKUSR3);
  ASSERT_NE(c.status, 4) << capture.printer.text();
  EXPECT_EQ(g_probe.phases[0], (std::vector<double>{0.8, 0, 0.2, 0, 0}));
  EXPECT_EQ(g_probe.phases[2], (std::vector<double>{0.1, 0, 0.9, 0, 0}));
  EXPECT_EQ(g_probe.phases[3], (std::vector<double>{0.5, 0, 0.5, 0, 0}));
  const std::vector<double> liquid = {0.3, 0, 0.7, 0, 0};  // by the split
  for (std::size_t k = 0; k < 5; ++k) EXPECT_NEAR(g_probe.phases[1][k], liquid[k], 1e-15);
  namespace w = stwork;
  const std::vector<double>& d = g_probe.phaseData;
  EXPECT_EQ(d[w::kVapourFractionWord - 1], 0.25);
  EXPECT_EQ(d[w::kLiquidFractionWord - 1], 0.75);
  EXPECT_EQ(d[w::kLiquidSplitWord - 1], 0.5);
  EXPECT_DOUBLE_EQ(d[w::kVapourFlowWord - 1], 0.025);
  EXPECT_DOUBLE_EQ(d[w::kLiquidFlowWord - 1], 0.075);
  pp::PhaseState vapour, liquid1;
  ASSERT_TRUE(
      pp::phaseState({"PROPANE", "METHANE"}, {0.2, 0.8}, 293.15, 1.0e6, pp::Root::Vapour, vapour));
  ASSERT_TRUE(
      pp::phaseState({"PROPANE", "METHANE"}, {0.9, 0.1}, 293.15, 1.0e6, pp::Root::Liquid, liquid1));
  EXPECT_NEAR(d[w::kVapourVolumeWord - 1], vapour.volume, 1e-9 * vapour.volume);
  EXPECT_NEAR(d[w::kLiquid1VolumeWord - 1], liquid1.volume, 1e-9 * liquid1.volume);
  EXPECT_NEAR(d[w::kMolecularWeightWord - 1], 0.5 * 44.097 + 0.5 * 16.043, 1e-9);
  EXPECT_EQ(g_probe.get<std::int64_t>(reactor::kFlashed), 1);
}

// ---- limits and failures ----

Lines sizeReport(const std::string& name) {
  return {" " + name + "-F-Error",
          "           =====",
          " One or more of the requested array sizes has",
          " has exceeded preset limit.",
          " Please make sure that:",
          "       Number of reactions (NRXN) < 50 ",
          " and the following array sizes are  all less then 100:",
          "       * No. of components (NCP)",
          "       * User variables (NUSRV)",
          "       * Reaction paragraph Int Workspace (NZIPW)",
          "       * Reaction paragraph Real Workspace (NZRPW)",
          "       * SOUT array size (NCP+9)."};
}

TEST_F(ReactorKinetics, LimitsAcceptFiftyReactionsAndSizesOfAHundred) {
  ProcedureCall c = reactorCall<StirredTankArguments>();
  std::vector<double> nu(5 * 50, 0.0);
  c.matrix("stoichiometry", nu, 5, 50)
      .integer("userValueCount", 100)
      .integer("integerWorkspaceCount", 100)
      .integer("realWorkspaceCount", 100)
      .reals("integerParameters", std::vector<double>(100, 1.0))
      .integer("integerWorkCount", 12);
  c.call(XV55IF_SPRKUSR);
  EXPECT_NE(c.status, 4);
  EXPECT_EQ(g_probe.calls, 1);

  struct Over {
    const char* name;
    std::int64_t value;
  };
  for (const Over& over :
       {Over{"userValueCount", 101}, Over{"integerWorkspaceCount", 101},
        Over{"realWorkspaceCount", 101}, Over{"integerWorkCount", 13}, Over{"realWorkCount", 13}}) {
    ProcedureCall d = reactorCall<StirredTankArguments>();
    d.integer(over.name, over.value);
    capture.printer.clear();
    d.call(XV55IF_SPRKUSR);
    EXPECT_EQ(d.status, 4) << over.name;
    EXPECT_EQ(capture.printer.lines, sizeReport("SPRKUSR")) << over.name;
  }
  EXPECT_EQ(g_probe.calls, 1);
  EXPECT_EQ(refhost::liveBlocks(), 2);  // nothing allocated by the refused calls
}

TEST_F(ReactorKinetics, EachFamilyReportsItsSizesUnderItsName) {
  std::vector<double> nu(5 * 51, 0.0);
  const auto refused = [&](ProcedureCall c, Xv55Entry entry, const std::string& name) {
    c.matrix("stoichiometry", nu, 5, 51);
    capture.printer.clear();
    c.call(entry);
    EXPECT_EQ(c.status, 4) << name;
    EXPECT_EQ(capture.printer.lines, sizeReport(name));
    EXPECT_EQ(c.outs("rates"), std::vector<double>(5, -1.0));
  };
  refused(reactorCall<StirredTankTwoPhaseArguments>(), XV55IF_SPRKUSR2, "SPRKUSR");
  refused(reactorCall<PlugFlowOnePhaseArguments>("PLANT.PFR1"), XV55IF_SPRPUSR1, "SPRPUSR");
  refused(reactorCall<BatchArguments>("BATCH1"), XV55IF_SPBOUSR, "SPBOUSR");
  refused(reactorCall<TrayColumnArguments>("COL1"), XV55IF_SPRADKUSER, "SPRADKUSER");
  // 101 rows of stoichiometry, and 92 components of the companion simulator.
  ProcedureCall rows = reactorCall<StirredTankArguments>();
  rows.matrix("stoichiometry", std::vector<double>(101, 0.0), 101, 1);
  rows.call(XV55IF_SPRKUSR);
  EXPECT_EQ(rows.status, 4);
  refhost::setComponentCount(92);
  ProcedureCall many = reactorCall<StirredTankArguments>();
  capture.printer.clear();
  many.call(XV55IF_SPRKUSR);
  EXPECT_EQ(capture.printer.lines, sizeReport("SPRKUSR"));
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(ReactorKinetics, InvalidNumbersAndShortWorkspacesAreRefused) {
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.real("temperature", std::nan(""));
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.status, 4);
  ProcedureCall tube = reactorCall<PlugFlowArguments>("PLANT.PFR1");
  tube.real("divisor", 0.0);
  tube.call(XV55IF_SPRPUSR);
  ProcedureCall parameters = reactorCall<BatchArguments>("BATCH1");
  parameters.reals("integerParameters", {1.0, 1e300});
  parameters.call(XV55IF_SPBOUSR);
  ProcedureCall shortWork = reactorCall<StirredTankArguments>();
  shortWork.work.assign(7, 0.0);
  shortWork.call(XV55IF_SPRKUSR);
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SPRKUSR-F-Invalid input: temperature = nan", "          Immediate exit taken.",
                   " SPRPUSR-F-Invalid input: divisor = 0", "          Immediate exit taken.",
                   " SPBOUSR-F-Invalid input: integerParameters = 1e+300",
                   "          Immediate exit taken.",
                   " SPRKUSR-F-The workspace of 7 words is too short: 8 are needed.",
                   "          Immediate exit taken."}));
  EXPECT_EQ(g_probe.calls, 0);
  EXPECT_EQ(c.outs("rates"), std::vector<double>(5, -1.0));
  EXPECT_EQ(shortWork.work, std::vector<double>(7, 0.0));
}

TEST_F(ReactorKinetics, ArraysThatDisagreeWithTheComponentsAreRefused) {
  ASSERT_TRUE(pp::setModelComponents(4, {"PROPANE", "METHANE"}));
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.hostContext = 4;  // five fractions for a model of two components
  c.call(XV55IF_SPRKUSR);
  ProcedureCall rows = reactorCall<StirredTankTwoPhaseArguments>();
  rows.reals("vapour", {0.5, 0.5});  // a phase shorter than the composition
  rows.call(XV55IF_SPRKUSR2);
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SPRKUSR-F-Array sizes do not agree: 5 components given, stoichiometry of 5 "
                   "rows, 2 components in the model.",
                   "          Immediate exit taken.",
                   " SPRKUSR2-F-Array sizes do not agree: 5 components given, stoichiometry of 5 "
                   "rows, 5 components in the model.",
                   "          Immediate exit taken."}));
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(ReactorKinetics, HostFailuresStopBeforeTheRoutine) {
  ProcedureCall c = reactorCall<StirredTankArguments>();
  ASSERT_TRUE(pp::injectStatus("SAISST", 4));
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.status, 4);
  ASSERT_TRUE(pp::injectStatus("FLSH_PFLASH", 3));
  c.status = 0;
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(g_probe.calls, 0);
  EXPECT_EQ(c.outs("rates"), std::vector<double>(5, -1.0));
  ASSERT_TRUE(refhost::injectFailure("DMS_ALLOCR"));
  ProcedureCall other = reactorCall<StirredTankArguments>();
  capture.printer.clear();
  other.call(XV55IF_SPRKUSR);
  EXPECT_EQ(other.status, 4);
  const Lines& lines = capture.printer.lines;
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{" SPRKUSR-F-The host cannot provide a work area of 16 words.",
                   "          Immediate exit taken."}));
  // The property monitors of the members that take the phases from the model.
  ASSERT_TRUE(pp::injectStatus("PPMON_LMTHMY", 3));
  ProcedureCall phases = reactorCall<StirredTankOnePhaseArguments>();
  phases.real("vapourFraction", 1.0);
  capture.printer.clear();
  phases.call(XV55IF_SPRKUSR1);
  EXPECT_EQ(phases.status, 4);
  EXPECT_EQ(Lines(capture.printer.lines.end() - 2, capture.printer.lines.end()),
            (Lines{" SPRKUSR1-F-Phase properties cannot be evaluated for current condition.",
                   "          Immediate exit taken."}));
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(ReactorKinetics, RunFilesAreFilledForTheRoutineWhenBlank) {
  ASSERT_TRUE(cp::loadFlowsheet(std::string(kProbeFlowsheet) +
                                "run-file plant\nrun-directory /data/run\n"));
  ProcedureCall c = reactorCall<StirredTankArguments>();
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(std::string(SAIPDF.runFile, 6), "plant ");
  EXPECT_EQ(std::string(SAIPDF.runDirectory, 10), "/data/run ");
  std::memset(SAIPDF.runFile, ' ', sizeof SAIPDF.runFile);
  std::memcpy(SAIPDF.runFile, "mine", 4);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(std::string(SAIPDF.runFile, 6), "mine  ");
}

}  // namespace
}  // namespace xv55::kinetics::testing
