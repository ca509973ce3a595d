// The kinetics routine calls of reaction paragraphs through the procedures: the paragraph
// lookup and its reports, and what a column-stage routine is given.
#include <cstdint>
#include <string>

#include "kinetics_fixture.hpp"
#include "xv55/xv55.h"

namespace xv55::kinetics::testing {
namespace {

using UserRoutineCall = KineticsTest;

TEST_F(UserRoutineCall, AReactionIdMatchesOnlyWhenBothPackedWordsDo) {
  const auto run = [this](const char* id) {
    capture.printer.clear();
    ProcedureCall c = reactorCall<StirredTankArguments>("PLANT.CSTR1");
    c.text("reactionId", id).call(XV55IF_SPRKUSR);
    return c.status;
  };
  EXPECT_EQ(run("ABCDEFGH"), 0) << capture.printer.text();
  for (const char* id : {"ABCDXXXX", "XXXXEFGH", "ABCD"}) {
    EXPECT_EQ(run(id), 4) << id;
    const std::string padded = (std::string(id) + "        ").substr(0, 8);
    EXPECT_EQ(lines(),
              (Lines{" SAIURK-F-Reaction ID: " + padded + " not found  in Corvane.", kExit}));
  }
  EXPECT_EQ(run("R%1"), 4);  // a user's '%' is printed as it is
  EXPECT_EQ(lines().at(1), " Unable to resolve the User Defined Subroutine: K%DX.");
  // No paragraphs at all, no flowsheet at all.
  ASSERT_TRUE(
      cp::loadFlowsheet(R"({"components": ["METHANE", "ETHANE", "PROPANE", "N-BUTANE", "N-HEXANE"],
                            "blocks": [{"id": "PLANT.CSTR1", "type": "MIXRX"}]})"));
  EXPECT_EQ(run("RX"), 4);
  refhost::reset();
  EXPECT_EQ(run("RX"), 4);
  EXPECT_EQ(g_probe.calls, 1);
}

TEST_F(UserRoutineCall, AStageRoutineGetsItsIdentifiersAndIsReportedUnderTheStagesName) {
  ASSERT_TRUE(pp::setModelComponents(0, {"PROPANE", "METHANE"}));
  g_probe.rates = {1, 2, 3, 4, 5};
  g_probe.scribble = true;
  ProcedureCall c = stageCall<ColumnStageArguments>();
  c.call(XV55IF_SPRDKUSR);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  EXPECT_EQ(c.outs("rates"), (Reals{3 * 3600.0, 1 * 3600.0}));
  const std::int64_t* ids = g_probe.ids.data();
  EXPECT_EQ((Lines{packed(ids), packed(ids + 2), packed(ids + 8)}),
            (Lines{"STAGE", "SAIURD", "SPROBE"}));
  EXPECT_EQ(ids[19], 0);
  EXPECT_EQ(g_probe.arguments[38], &DMS_INITV[1]);
  c.text("reactionId", "LOST").call(XV55IF_SPRDKUSR);
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(Lines(lines().begin(), lines().begin() + 2),
            (Lines{" SAIURD-F-User Subroutine Interface error.",
                   " Unable to resolve the User Defined Subroutine: NOWHERE."}));
  EXPECT_EQ(g_probe.calls, 1);
}

}  // namespace
}  // namespace xv55::kinetics::testing
