// Tray and refinery column hydraulics through their entry points, on column blocks of a
// flowsheet rated by the reference host's tray rating.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "host/columns.h"
#include "hydraulics/hydraulics.hpp"
#include "support/capture_printer.hpp"
#include "xv55/block_builder.hpp"
#include "xv55/refhost.hpp"
#include "xv55/refhost/columns.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;
namespace cp = xv55::refhost::companion;
namespace columns = xv55::refhost::columns;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kUntouched = -7.0;
constexpr double kNoValue = 1.0e35;
constexpr double kPi = 3.14159265358979323846;
constexpr double kG = 9.80665;

constexpr const char* kFlowsheet = R"(
components METHANE PROPANE
block PLANT.COL1 TRAYCOL
  stages 20
  trays 1 10 sieve 1.5 0.05 1.1 0.15 0.6
  trays 11 20 valve 2.0 0.06 1.4 0.25 0.6
  tray-field 1 99999999
  tray-default 1 1
  tray-field 7 42
block PLANT.COL2 TRAYCOL
  trays 1 5 sieve 1.5 0.05 1.1 0.15 0.6
  tray-field 2 5
block CRUDE REFINECOL
  sections 30 6 4
  trays 1 1 30 sieve 4.0 0.05 3.0 1.0 0.6
  trays 2 1 6 sieve 1.5 0.05 1.1 0.15 0.6
  trays 3 1 4 sieve 1.2 0.05 0.9 0.10 0.6
block EMPTY REFINECOL
  sections 0 0
  extra-stage
  trays 1 1 1 sieve 1.5 0.05 1.1 0.15 0.6
block BAD REFINECOL
  word 100 integer 70
block R1 MIXRX
)";

// The model's data of one stage (model units), the stage of the worked example.
struct Stage {
  std::string block = "PLANT.COL1";
  double section = 1;  // SPHYDRP only
  double stage = 5;
  double datum = 20;
  double option = 5;
  double length = 0.5;
  double pressure = 2.0;             // bar
  double liquidFlow = 100;           // kmol/h
  double vapourFlow = 120;           // kmol/h
  double liquidMolarDensity = 10;    // kmol/m3
  double vapourMolarDensity = 0.08;  // kmol/m3
  double liquidMw = 60;
  double vapourMw = 50;
  double surfaceTension = 20;  // dyn/cm
  double viscosity = 0.3;      // cP
  double datum2 = 7;
};

struct Result {
  std::vector<double> out;
  std::int64_t status = 0;
  std::vector<double> work;
};

Result call(Xv55Entry entry, const Stage& s, std::vector<double> work = {0.0, 0.0, 0.0}) {
  BlockBuilder b;
  b.text(s.block);
  if (entry == XV55IF_SPHYDRP) b.real(s.section);
  for (double v : {s.stage, s.datum, s.option, s.length, s.pressure, s.liquidFlow, s.vapourFlow,
                   s.liquidMolarDensity, s.vapourMolarDensity, s.liquidMw, s.vapourMw,
                   s.surfaceTension, s.viscosity, s.datum2}) {
    b.real(v);
  }
  for (int k = 0; k < 10; ++k) b.output(kUntouched);
  b.work = std::move(work);
  b.call(entry);
  Result r;
  for (std::int64_t k = 1; k <= 10; ++k) r.out.push_back(b.out(k));
  r.status = b.status;
  r.work = b.work;
  return r;
}

class ColumnHydraulics : public ::testing::Test {
 protected:
  void SetUp() override {
    xv55::refhost::reset();
    const cp::LoadResult loaded = cp::loadFlowsheet(kFlowsheet);
    ASSERT_TRUE(loaded) << loaded.message;
  }
  void TearDown() override { xv55::refhost::reset(); }
  xv55::testing::ScopedCapture capture;
};

// The worked example: stage 5 of COL1, a sieve tray of 1.5 m with a 50 mm weir 1.1 m
// long, downcomers of 0.15 m2, 600 mm spacing, rated by hand from the model's data.
TEST_F(ColumnHydraulics, AStageIsRatedByTheFrancisAndOrificeFormulasWorkedByHand) {
  const Stage s;
  const Result r = call(XV55IF_SPHYDR, s);
  ASSERT_EQ(r.status, 0) << capture.printer.text();

  // Flows and densities as the tables hold them.
  const double liquidVolume = 100.0 / 10.0 / 3600.0;  // m3/s
  const double vapourVolume = 120.0 / 0.08 / 3600.0;
  const double rhoL = 600.0, rhoV = 4.0;  // kg/m3
  // Francis: Q = 1.84 L h^1.5.
  const double crest = std::pow(liquidVolume / (1.84 * 1.1), 2.0 / 3.0);
  const double activeArea = kPi / 4 * 1.5 * 1.5 - 2 * 0.15;
  const double holdup = (0.05 + crest) * activeArea;
  // Dry tray: the holes (10 % of the active area) as orifices with C0 = 0.75.
  const double holeVelocity = vapourVolume / (0.10 * activeArea);
  const double dry = rhoV * holeVelocity * holeVelocity / (2 * 0.75 * 0.75);
  const double drop = dry + rhoL * kG * (0.05 + crest);

  EXPECT_NEAR(r.out[1], holdup, 1e-12);
  EXPECT_NEAR(r.out[2], drop, 1e-9);
  EXPECT_NEAR(r.out[3], dry, 1e-10);
  EXPECT_NEAR(r.out[5], crest, 1e-14);
  EXPECT_NEAR(r.out[0], 2.0 + drop / 1e5, 1e-14);  // the stage pressure plus its drop, bar
  // The same numbers, worked on paper.
  EXPECT_NEAR(crest, 0.0123497, 1e-7);
  EXPECT_NEAR(holdup, 0.0914762, 1e-7);
  EXPECT_NEAR(dry, 28.6773, 1e-4);
  EXPECT_NEAR(drop, 395.543, 1e-3);
  // Flooding (Fair) at F_LV = 0.0816 and 600 mm: C_SB = 0.0957 m/s, 22 % of flood.
  EXPECT_NEAR(r.out[6], 0.220599, 1e-6);
  EXPECT_NEAR(r.out[7], 0.0956850, 1e-7);
  EXPECT_NEAR(r.out[8], 0.130235, 1e-6);  // downcomer backup, m
  EXPECT_NEAR(r.out[9], 7.03268, 1e-5);   // downcomer residence, s
  // What the rating routine received.
  const auto rec = xv55::refhost::lastCall("TPSR_TPSAR");
  ASSERT_EQ(rec.integers.size(), 5u);
  EXPECT_EQ(rec.integers[0], 5);  // option
  EXPECT_EQ(rec.integers[1], 5);  // stage
  EXPECT_GE(rec.integers[3], 5);  // table entries: up to the largest stage number met
  EXPECT_EQ(rec.integers[4], TPSR_RATED);
  ASSERT_GE(rec.reals.size(), 15u);
  EXPECT_DOUBLE_EQ(rec.reals[0], 2.0e5);                      // Pa
  EXPECT_DOUBLE_EQ(rec.reals[1], 100.0 * 60.0 / 3600.0);      // kg/s
  EXPECT_DOUBLE_EQ(rec.reals[7], 0.020);                      // N/m
  EXPECT_DOUBLE_EQ(rec.reals[8], 0.0003);                     // Pa s
  EXPECT_DOUBLE_EQ(rec.reals[9], 7.0);                        // passed through
  EXPECT_NEAR(rec.reals[10], std::sqrt(4.0 / 600.0), 1e-15);  // flow parameter
  EXPECT_NEAR(rec.reals[11], vapourVolume * std::sqrt(4.0 / 596.0), 1e-15);
  EXPECT_EQ(rec.reals[13], 60.0);
  EXPECT_EQ(rec.reals[14], 50.0);
  // The marker of a completed rating sits in the last workspace word.
  EXPECT_EQ(r.work, (std::vector<double>{0.0, 0.0, 999.0}));
  EXPECT_EQ(columns::ratings(), 1);
}

TEST_F(ColumnHydraulics, TheRatingRoutineGetsTheCommonDataAndTheTrayFieldsWithTheirDefaults) {
  Stage s;
  s.stage = 12;  // the valve trays
  s.option = 6;
  s.length = 2.5;
  s.datum = 31;
  ASSERT_EQ(call(XV55IF_SPHYDR, s).status, 0);
  EXPECT_EQ(TPSR_TRAYI[TPSR_OPTION_WORD - 1], 6);
  EXPECT_EQ(TPSR_TRAYI[TPSR_STAGE_WORD - 1], 12);
  EXPECT_EQ(TPSR_TRAYI[TPSR_SECTION_WORD - 1], 1);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_RATED);
  EXPECT_EQ(TPSR_TRAYR[TPSR_DATUM_WORD - 1], 31.0);
  EXPECT_EQ(TPSR_TRAYR[TPSR_LENGTH_WORD - 1], 2.5);
  // Field 1 is not set (its default 1 applies), field 7 is, the others take defaults.
  EXPECT_EQ(TPSR_TRAYI[TPSR_FIELDS_WORD - 1], 1);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FIELDS_WORD + 1 - 1], 1);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FIELDS_WORD + 6 - 1], 42);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FIELDS_WORD + 37 - 1], 0);
  // The valve section's larger area carries less of its flood.
  const Result r = call(XV55IF_SPHYDR, s);
  Stage sieve = s;
  sieve.stage = 5;
  EXPECT_LT(r.out[6], call(XV55IF_SPHYDR, sieve).out[6]);
}

TEST_F(ColumnHydraulics, ResultsWithoutValueComeBackAsOneAndTheHoldupFailureIsFatal) {
  // COL2 sets tray field 2 to a flooding method the rating routine does not have.
  Stage s;
  s.block = "PLANT.COL2";
  s.stage = 3;
  const Result r = call(XV55IF_SPHYDR, s);
  for (int k = 2; k < 10; ++k) EXPECT_EQ(r.out[k], 1.0) << k;
  EXPECT_EQ(r.out[1], kNoValue);  // the holdup is converted, not replaced
  EXPECT_EQ(r.out[0], 2.0);       // no drop: the stage pressure itself
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_UNKNOWN_OPTION);
  // The fatal message, and status 4 with it; the rated marker is not left.
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"GPHYDR-Fatal Error",
                                      "Liquid holdup failed to converge during rigorous "
                                      "hydraulics calculations ",
                                      "for stage 3  in Traycol block COL2"}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4});
  EXPECT_EQ(r.work.back(), 0.0);

  // Option 4: no holdup written and none tested.
  capture.printer.clear();
  s.option = 4;
  const Result quiet = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(quiet.out[1], kUntouched);
  EXPECT_EQ(quiet.out[2], 1.0);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_TRUE(capture.printer.lines.empty());
  EXPECT_EQ(quiet.work.back(), 999.0);
}

TEST_F(ColumnHydraulics, AnInjectedHoldupFailureOnlyMattersFromOptionFive) {
  Stage s;
  s.option = 4;
  ASSERT_TRUE(xv55::refhost::injectFailure("TPSR_TPSAR"));
  const Result four = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(four.status, 0);
  EXPECT_EQ(four.out[1], kUntouched);
  EXPECT_NE(four.out[2], 1.0);  // the other results stand

  s.option = 5;
  ASSERT_TRUE(xv55::refhost::injectFailure("TPSR_TPSAR"));
  std::vector<double> work{1.0, 999.0};  // a marker left earlier stays
  const Result five = call(XV55IF_SPHYDR, s, work);
  EXPECT_EQ(five.status, 4);
  EXPECT_EQ(five.work, work);
  EXPECT_EQ(five.out[1], kNoValue);
}

TEST_F(ColumnHydraulics, DenserVapourThanLiquidSkipsTheRatingWithAWarning) {
  Stage s;
  s.vapourMolarDensity = 15;  // 750 kg/m3 against 600
  const Result r = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"SPHYDR-F- Rhoml (600.000000 kg/m3) is less than Rhomv "
                                      "(750.000000 kg/m3). Rigorous hydraulic calculations "
                                      "skipped."}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{2});
  EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSAR").calls, 0);

  capture.printer.clear();
  s.block = "CRUDE";
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 2);
  ASSERT_EQ(capture.printer.lines.size(), 1u);
  EXPECT_EQ(capture.printer.lines[0].rfind("SPHYDRP-F- Rhoml (600.000000 kg/m3)", 0), 0u);
}

TEST_F(ColumnHydraulics, EqualDensitiesAndZeroFlowsReachTheRatingWithTheirFloors) {
  Stage s;
  s.vapourMolarDensity = 12;  // 600 kg/m3 on both sides
  s.liquidFlow = 0;
  s.vapourFlow = -3;
  const Result r = call(XV55IF_SPHYDR, s);
  EXPECT_NE(r.status, 2);
  const auto rec = xv55::refhost::lastCall("TPSR_TPSAR");
  ASSERT_GE(rec.reals.size(), 15u);
  EXPECT_DOUBLE_EQ(rec.reals[1], 1e-5 * 60 / 3600);  // liquid mass flow of 1e-5 kmol/h
  EXPECT_DOUBLE_EQ(rec.reals[3], 1e-5 / 10 / 3600);  // liquid volume flow
  EXPECT_DOUBLE_EQ(rec.reals[4], 1e-5 / 12 / 3600);  // vapour volume flow
  // The vapour load divides by the 1e-15 floor of the density difference.
  EXPECT_DOUBLE_EQ(rec.reals[11], 1e-5 / 12 / 3600 * std::sqrt(600.0 / 1e-15));
  // The refinery column takes its flows as they are.
  s.block = "CRUDE";
  call(XV55IF_SPHYDRP, s);
  const auto recp = xv55::refhost::lastCall("TPSR_TPSARP");
  ASSERT_GE(recp.reals.size(), 15u);
  EXPECT_EQ(recp.reals[1], 0.0);
  EXPECT_EQ(recp.reals[2], -3.0 * 50 / 3600);
}

TEST_F(ColumnHydraulics, StageNumbersOutsideTheTablesAreRefused) {
  Stage s;
  s.stage = 0;
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 4);
  s.stage = -40;
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 4);
  s.stage = 1e300;
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 4);
  s.stage = static_cast<double>(xv55::hydraulics::kMaxStages) + 1;
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{
                "SPHYDR-F-Stage number 0 is below 1; rigorous hydraulic calculations skipped.",
                "SPHYDR-F-Stage number -40 is below 1; rigorous hydraulic calculations skipped.",
                "SPHYDR-F-Stage number 1e+300 is above 10000; rigorous hydraulic calculations "
                "skipped.",
                "SPHYDR-F-Stage number 10001 is above 10000; rigorous hydraulic calculations "
                "skipped."}));
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSAR").calls, 0);
  // The largest stage number grows the tables; a stage beyond the block's trays is not
  // rated, and a later small stage still finds its entry.
  s.stage = static_cast<double>(xv55::hydraulics::kMaxStages);
  s.option = 4;
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 0);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_NO_TRAYS);
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSAR").integers[3], xv55::hydraulics::kMaxStages);
  s.stage = 2.4;  // whole numbers are rounded
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 0);
  EXPECT_EQ(TPSR_TRAYI[TPSR_STAGE_WORD - 1], 2);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_RATED);
}

TEST_F(ColumnHydraulics, InputsThatAreNotNumbersAreNamedAndNothingIsRated) {
  Stage s;
  s.liquidMolarDensity = kNaN;
  const Result r = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
  s.liquidMolarDensity = 10;
  s.datum2 = -std::numeric_limits<double>::infinity();
  s.block = "CRUDE";
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"SPHYDR-F-Input 9 (liquid molar density) is not a finite "
                                      "number; rigorous hydraulic calculations skipped.",
                                      "SPHYDRP-F-Input 16 (stage datum 2) is not a finite number; "
                                      "rigorous hydraulic calculations skipped."}));
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSAR").calls, 0);
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSARP").calls, 0);
}

TEST_F(ColumnHydraulics, AMissingBlockIsFatalAndLeavesTheOutputs) {
  Stage s;
  s.block = "PLANT.COLX";
  const Result r = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
  ASSERT_FALSE(capture.printer.lines.empty());
  EXPECT_EQ(capture.printer.lines[0], " BLOCK ID specification error");
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4});
  // The common data were filled before the lookup; the flag stays preset.
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_FLAG_PRESET);
  EXPECT_EQ(TPSR_TRAYI[TPSR_STAGE_WORD - 1], 5);
  s.block = "NOWHERE.CRUDE";
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 4);
}

TEST_F(ColumnHydraulics, ABlockThatIsNoColumnIsNotRated) {
  Stage s;
  s.block = "R1";
  s.option = 4;
  const Result r = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(r.out[0], 2.0);
  for (int k = 2; k < 10; ++k) EXPECT_EQ(r.out[k], 1.0);
  EXPECT_EQ(xv55::refhost::reportLines().back(),
            " TPSR_TPSAR-E-The tray record is not that of a TRAYCOL block of the flowsheet; "
            "nothing rated.");
}

TEST_F(ColumnHydraulics, ARefineryStageIsFoundByItsSectionAndRatedWithItsTrays) {
  Stage s;
  s.block = "CRUDE";
  s.section = 2;  // the first stripper
  s.stage = 4;
  const Result r = call(XV55IF_SPHYDRP, s);
  ASSERT_EQ(r.status, 0) << capture.printer.text();
  const auto rec = xv55::refhost::lastCall("TPSR_TPSARP");
  EXPECT_EQ(rec.integers[2], 2);   // section
  EXPECT_EQ(rec.integers[3], 40);  // 30 + 6 + 4 stages
  EXPECT_EQ(TPSR_TRAYI[TPSR_SECTION_WORD - 1], 2);
  EXPECT_EQ(TPSR_TRAYI[TPSR_STAGE_WORD - 1], 4);
  // The stripper's trays are those of the worked example: the same results.
  const Result tray = call(XV55IF_SPHYDR, Stage{});
  for (int k = 0; k < 10; ++k) EXPECT_DOUBLE_EQ(r.out[k], tray.out[k]) << k;
  EXPECT_EQ(r.work.back(), 999.0);
  // The main column's larger trays give another rating.
  s.section = 1;
  EXPECT_NE(call(XV55IF_SPHYDRP, s).out[2], r.out[2]);
}

TEST_F(ColumnHydraulics, RefineryStagesOutsideTheBlockAreRefused) {
  Stage s;
  s.block = "CRUDE";
  s.section = 3;
  s.stage = 5;  // the second stripper has 4 stages; index 41 of 40
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 4);
  s.section = 4;
  s.stage = 1;
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 4);
  s.section = 0;
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{
                "SPHYDRP-F-Stage 5 of section 3 lies outside the 40 stages of Refinecol block "
                "CRUDE; rigorous hydraulic calculations skipped.",
                "SPHYDRP-F-Refinecol block CRUDE has no section 4 (it has 3); rigorous hydraulic "
                "calculations skipped.",
                "SPHYDRP-F-Section 0, stage 1: section and stage numbers start at 1; rigorous "
                "hydraulic calculations skipped."}));
  // A record with more sections than a block may have.
  capture.printer.clear();
  s.block = "BAD";
  s.section = 1;
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"SPHYDRP-F-The section stage counts of Refinecol block BAD "
                                      "are unusable (at most 64 sections of 10000 stages in all); "
                                      "rigorous hydraulic calculations skipped."}));
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSARP").calls, 0);
  // Stage 4 of section 3 is the last of the 40.
  s.block = "CRUDE";
  s.section = 3;
  s.stage = 4;
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 0);
}

TEST_F(ColumnHydraulics, SectionsWithoutStagesStillGetTablesOfOneEntry) {
  Stage s;
  s.block = "EMPTY";  // sections 0 and 0, one entry more: 1
  s.stage = 1;
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 0);
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSARP").integers[3], 1);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_RATED);
  s.stage = 2;
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 4);
}

TEST_F(ColumnHydraulics, TheRefineryHoldupFailureNamesTheMainColumnOrTheStripper) {
  Stage s;
  s.block = "CRUDE";
  s.option = 7;
  s.stage = 3;
  std::vector<std::string> expected;
  for (double section : {1.0, 2.0, 3.0}) {
    s.section = section;
    ASSERT_TRUE(xv55::refhost::injectFailure("TPSR_TPSARP"));
    const Result r = call(XV55IF_SPHYDRP, s);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out[1], kNoValue);
    // The marker is left whenever the rating was called.
    EXPECT_EQ(r.work.back(), 999.0);
  }
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{
                "GPHYDRP-Fatal Error",
                "Liquid holdup failed to converge duringrigorous hydraulics calculations",
                "for main column stage 3 in Refinecol block CRUDE", "GPHYDRP-Fatal Error",
                "Liquid holdup failed to converge duringrigorous hydraulics calculations",
                "for stage 3 of stripper 1 in Refinecol block CRUDE", "GPHYDRP-Fatal Error",
                "Liquid holdup failed to converge duringrigorous hydraulics calculations",
                "for stage 3 of stripper 2 in Refinecol block CRUDE"}));
  EXPECT_EQ(capture.printer.severities, (std::vector<std::int32_t>{4, 4, 4}));
}

TEST_F(ColumnHydraulics, TheLastWorkspaceWordTakesTheMarkerAndNothingElse) {
  const Result none = call(XV55IF_SPHYDR, Stage{}, {});
  EXPECT_EQ(none.status, 0);
  const Result one = call(XV55IF_SPHYDR, Stage{}, {5.0});
  EXPECT_EQ(one.work, std::vector<double>{999.0});
  const Result longer = call(XV55IF_SPHYDR, Stage{}, {1.0, 2.0, 3.0, 4.0});
  EXPECT_EQ(longer.work, (std::vector<double>{1.0, 2.0, 3.0, 999.0}));
}

// Calls with random values on every block of the flowsheet: each call ends with a status
// the procedures write, and nothing outside the arrays is touched (the sanitizer builds
// check that).
TEST_F(ColumnHydraulics, AnyInputEndsWithAStatusAndStaysWithinItsArrays) {
  std::mt19937_64 random(20240611);
  const auto pick = [&](std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, high)(random);
  };
  const double specials[] = {0.0, -1.0, 1e-12, 1e35, 1e300, -1e300, kNaN, HUGE_VAL, 0.5};
  const auto value = [&](double typical) {
    return pick(0, 3) == 0 ? specials[pick(0, 8)] : typical * (0.2 + 1.6 * pick(0, 1000) / 1000.0);
  };
  const char* blocks[] = {"PLANT.COL1", "PLANT.COL2", "CRUDE", "EMPTY", "BAD", "R1", "NONE"};
  for (int k = 0; k < 2000; ++k) {
    Stage s;
    s.block = blocks[pick(0, 6)];
    s.section = static_cast<double>(pick(-1, 5));
    s.stage = pick(0, 5) == 0 ? value(20) : static_cast<double>(pick(-2, 45));
    s.option = static_cast<double>(pick(0, 8));
    s.pressure = value(2);
    s.liquidFlow = value(100);
    s.vapourFlow = value(120);
    s.liquidMolarDensity = value(10);
    s.vapourMolarDensity = value(0.08);
    s.liquidMw = value(60);
    s.vapourMw = value(50);
    s.surfaceTension = value(20);
    std::vector<double> work(static_cast<std::size_t>(pick(0, 3)), 0.0);
    const Result r = call(pick(0, 1) ? XV55IF_SPHYDR : XV55IF_SPHYDRP, s, work);
    EXPECT_TRUE(r.status == 0 || r.status == 2 || r.status == 4) << r.status;
  }
}

}  // namespace
