// The column-stage kinetics procedures with a routine of this process: the stage data
// the routine receives, the component order both ways, the limits and the clean-up call.
#include <cmath>
#include <string>
#include <vector>

#include "kinetics_fixture.hpp"
#include "xv55/xv55.h"

namespace xv55::kinetics::testing {
namespace {

template <class Record>
ProcedureCall stageCall() {
  ProcedureCall c = callOf<Record>();
  c.text("reactionId", "STAGE")
      .integer("componentCount", 2)
      .integer("reactionCount", 1)
      .real("temperature", 80.0)
      .real("pressure", 2.0)
      .real("flow", 720.0)
      .reals("vapourAmounts", {1.0, 3.0})
      .matrix("stoichiometry", {-1, 1}, 2, 1)
      .real("vapourFlow", 360.0)
      .real("vapourHoldup", 0.5)
      .integer("stage", 4)
      .integer("reactionPhase", 1)
      .outputs("rates", 2);
  if constexpr (requires(Record r) { r.liquidAmounts; }) {
    c.reals("liquidAmounts", {3.0, 1.0}).real("liquidFlow", 180.0).real("liquidHoldup", 2.0);
  } else {
    c.reals("liquid1Amounts", {3.0, 1.0})
        .reals("liquid2Amounts", {1.0, 1.0})
        .real("liquid1Flow", 180.0)
        .real("liquid2Flow", 36.0)
        .real("liquid1Holdup", 2.0)
        .real("liquid2Holdup", 0.5);
  }
  return c;
}

class StageKinetics : public KineticsTest {
 protected:
  void SetUp() override {
    KineticsTest::SetUp();
    ASSERT_TRUE(pp::setModelComponents(0, {"PROPANE", "METHANE"}));  // IDX {3, 1}
  }
};

TEST_F(StageKinetics, TheRoutineSeesTheStageInCompanionOrderAndRatesComeBackInModelOrder) {
  g_probe.rates = {10, 20, 30, 40, 50};
  ProcedureCall c = stageCall<ColumnStageArguments>();
  c.call(XV55IF_SPRDKUSR);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  EXPECT_EQ(c.outs("rates"), (std::vector<double>{30 * 3600.0, 10 * 3600.0}));
  namespace col = column;
  EXPECT_EQ(g_probe.get<std::int64_t>(col::kCompanionComponents), 5);
  EXPECT_EQ(g_probe.get<std::int64_t>(col::kModelComponents), 2);
  EXPECT_EQ(g_probe.stoichiometry, (std::vector<double>{1, 0, -1, 0, 0}));
  EXPECT_EQ(g_probe.phases[0], (std::vector<double>{0.75, 0, 0.25, 0, 0}));  // vapour
  EXPECT_EQ(g_probe.phases[1], (std::vector<double>{0.25, 0, 0.75, 0, 0}));  // liquid
  EXPECT_EQ(g_probe.phases[2], g_probe.phases[1]);
  EXPECT_EQ(g_probe.phases[3], g_probe.phases[1]);
  EXPECT_EQ(g_probe.get<double>(col::kTemperature), 353.15);
  EXPECT_EQ(g_probe.get<double>(col::kPressure), 2.0e5);
  EXPECT_EQ(g_probe.get<double>(col::kFlow), 0.2);
  EXPECT_EQ(g_probe.get<double>(col::kLiquidFlow), 0.05);
  EXPECT_EQ(g_probe.get<double>(col::kVapourFlow), 0.1);
  EXPECT_EQ(g_probe.get<double>(col::kLiquidHoldup), 2.0);
  EXPECT_EQ(g_probe.get<double>(col::kVapourHoldup), 0.5);
  EXPECT_EQ(g_probe.get<std::int64_t>(col::kStage), 4);
  EXPECT_EQ(g_probe.get<std::int64_t>(col::kLiquidPhases), 1);
  EXPECT_EQ(g_probe.array<std::int64_t>(col::kComponentIndex)[0], 3);
  EXPECT_EQ(SAIPRNAM, 76);
}

TEST_F(StageKinetics, TwoLiquidsAreMappedEachAndTogether) {
  ProcedureCall c = stageCall<ColumnStageTwoLiquidArguments>();
  c.call(XV55IF_SPRDKUS3);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  EXPECT_EQ(g_probe.phases[1], (std::vector<double>{2.0 / 6, 0, 4.0 / 6, 0, 0}));
  EXPECT_EQ(g_probe.phases[2], (std::vector<double>{0.25, 0, 0.75, 0, 0}));
  EXPECT_EQ(g_probe.phases[3], (std::vector<double>{0.5, 0, 0.5, 0, 0}));
  namespace col = column;
  EXPECT_DOUBLE_EQ(g_probe.get<double>(col::kLiquidFlow), 0.06);
  EXPECT_EQ(g_probe.get<double>(col::kLiquid2Flow), 0.01);
  EXPECT_EQ(g_probe.get<double>(col::kLiquidHoldup), 2.5);
  EXPECT_EQ(g_probe.get<double>(col::kLiquid2Holdup), 0.5);
  EXPECT_EQ(g_probe.get<std::int64_t>(col::kLiquidPhases), 2);
}

TEST_F(StageKinetics, TheCleanUpCallOnlyClearsTheStatus) {
  ProcedureCall c = stageCall<ColumnStageArguments>();
  c.status = 4;
  const auto clears = refhost::lastCall("SAIGCLEAR").calls;
  const auto lookups = refhost::lastCall("SAISST").calls;
  c.call(XV55IF_SPRDKUSR, XV55_CALL_CLEANUP);
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(refhost::lastCall("SAIGCLEAR").calls, clears + 1);
  EXPECT_EQ(refhost::lastCall("SAISST").calls, lookups);
  EXPECT_EQ(refhost::liveBlocks(), 0);
  EXPECT_EQ(g_probe.calls, 0);
  EXPECT_EQ(c.outs("rates"), std::vector<double>(2, -1.0));
}

Lines stageSizeReport(const std::string& name) {
  return {" " + name + "-F-Error",
          "            =====",
          " One or more of the requested array sizes has",
          " has exceeded preset limit.",
          " Please make sure that:",
          "       Number of reactions (NR) < 50 ",
          " and the following array sizes are  all less then 100:",
          "       * No. of components (NC)",
          "       * Block Int Workspace (NZIBW)",
          "       * Block Real Workspace (NZRBW)"};
}

TEST_F(StageKinetics, LimitsAcceptFiftyReactionsAndWorkspacesOfAHundred) {
  ProcedureCall c = stageCall<ColumnStageArguments>();
  c.integer("reactionCount", 50)
      .matrix("stoichiometry", std::vector<double>(100, 0.0), 2, 50)
      .integer("integerBlockWorkspaceCount", 100)
      .integer("realBlockWorkspaceCount", 100);
  c.call(XV55IF_SPRDKUSR);
  EXPECT_EQ(g_probe.calls, 1) << capture.printer.text();

  for (const char* count : {"reactionCount", "componentCount", "integerBlockWorkspaceCount",
                            "realBlockWorkspaceCount"}) {
    ProcedureCall over = stageCall<ColumnStageTwoLiquidArguments>();
    over.integer(count, std::string(count) == "reactionCount" ? 51 : 101);
    capture.printer.clear();
    over.call(XV55IF_SPRDKUS3);
    EXPECT_EQ(over.status, 4) << count;
    EXPECT_EQ(capture.printer.lines, stageSizeReport("SPRDKUS3")) << count;
  }
  ProcedureCall over = stageCall<ColumnStageArguments>();
  over.integer("reactionCount", 51);
  capture.printer.clear();
  over.call(XV55IF_SPRDKUSR);
  EXPECT_EQ(capture.printer.lines, stageSizeReport("SPRDKUSR"));
  EXPECT_EQ(g_probe.calls, 1);
}

TEST_F(StageKinetics, CountsBeyondTheirArraysAndUnusableNumbersAreRefused) {
  ProcedureCall more = stageCall<ColumnStageArguments>();
  more.integer("componentCount", 3);  // the amounts hold two
  more.call(XV55IF_SPRDKUSR);
  ProcedureCall reactions = stageCall<ColumnStageArguments>();
  reactions.integer("reactionCount", 2);  // the stoichiometry holds one
  reactions.call(XV55IF_SPRDKUSR);
  ProcedureCall nan = stageCall<ColumnStageArguments>();
  nan.real("liquidHoldup", std::nan(""));
  nan.call(XV55IF_SPRDKUSR);
  EXPECT_EQ(
      capture.printer.lines,
      (Lines{" SPRDKUSR-F-Array sizes do not agree: 3 components given, stoichiometry of 2 "
             "rows, 2 components in the model.",
             "          Immediate exit taken.",
             " SPRDKUSR-F-Array sizes do not agree: 2 components given, stoichiometry of 2 "
             "rows, 2 components in the model.",
             "          Immediate exit taken.", " SPRDKUSR-F-Invalid input: liquidHoldup = nan",
             "          Immediate exit taken."}));
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(StageKinetics, APhaseWithoutAmountsStopsAtTheHostsFractions) {
  ProcedureCall c = stageCall<ColumnStageArguments>();
  c.reals("vapourAmounts", {0.0, 0.0});
  c.call(XV55IF_SPRDKUSR);
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(g_probe.calls, 0);
  EXPECT_EQ(c.outs("rates"), std::vector<double>(2, -1.0));
}

}  // namespace
}  // namespace xv55::kinetics::testing
