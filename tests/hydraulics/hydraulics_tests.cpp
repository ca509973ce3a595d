// Tray and refinery column hydraulics through their entry points, on column blocks of a
// flowsheet rated by the reference host's tray rating; and that rating's flooding capacity.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/capture_printer.hpp"
#include "xv55/host/columns.h"
#include "xv55/refhost/columns.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;
using Lines = std::vector<std::string>;
namespace cp = xv55::refhost::companion;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kUntouched = -7.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kG = 9.80665;

constexpr const char* kFlowsheet = R"({
  "components": ["METHANE", "PROPANE"],
  "blocks": [
    {"id": "PLANT.COL1", "type": "TRAYCOL", "stages": 20,
     "trays": [
       {"first": 1, "last": 10, "type": "sieve", "diameter": 1.5, "weirHeight": 0.05,
        "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6},
       {"first": 11, "last": 20, "type": "valve", "diameter": 2.0, "weirHeight": 0.06,
        "weirLength": 1.4, "downcomerArea": 0.25, "spacing": 0.6}],
     "trayFields": [{"field": 1, "value": 99999999}, {"field": 7, "value": 42}],
     "trayDefaults": [{"field": 1, "value": 1}],
     "trayConstants": [{"constant": 8, "value": 0.25}]},
    {"id": "PLANT.COL2", "type": "TRAYCOL",
     "trays": [{"first": 1, "last": 5, "type": "sieve", "diameter": 1.5, "weirHeight": 0.05,
                "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6}],
     "trayFields": [{"field": 2, "value": 5}]},
    {"id": "CRUDE", "type": "REFINECOL", "sections": [30, 6, 4],
     "trays": [
       {"section": 1, "first": 1, "last": 30, "type": "sieve", "diameter": 4.0,
        "weirHeight": 0.05, "weirLength": 3.0, "downcomerArea": 1.0, "spacing": 0.6},
       {"section": 2, "first": 1, "last": 6, "type": "sieve", "diameter": 1.5,
        "weirHeight": 0.05, "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6},
       {"section": 3, "first": 1, "last": 4, "type": "sieve", "diameter": 1.2,
        "weirHeight": 0.05, "weirLength": 0.9, "downcomerArea": 0.10, "spacing": 0.6}]},
    {"id": "EMPTY", "type": "REFINECOL", "sections": [0, 0], "extraStage": true,
     "trays": [{"section": 1, "first": 1, "last": 1, "type": "sieve", "diameter": 1.5,
                "weirHeight": 0.05, "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6}]},
    {"id": "BAD", "type": "REFINECOL", "words": [{"word": 100, "integer": 70}]},
    {"id": "R1", "type": "MIXRX"}
  ]
})";

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

// Stage 5 of COL1: a sieve tray of 1.5 m, a 50 mm weir 1.1 m long, downcomers of 0.15 m2,
// 600 mm spacing (10 % holes, C0 = 0.75, no aeration, one pass: the rating defaults),
// worked by hand from the published relations:
//   weir crest, Francis (Lowell Hydraulic Experiments, 1855): Q = 1.84 L h^1.5;
//   dry tray drop of the holes as orifices, rho_V u_h^2 / (2 C0^2), plus the clear liquid
//   head (Kister, Distillation Design, 1992, ch. 6);
//   Fair's flooding chart in the fit of Lygeros and Magoulas (Hydrocarbon Processing
//   65(12), 1986): C_SB = 0.0105 + 8.127e-4 TS^0.755 exp(-1.463 F_LV^0.842), TS in mm;
//   head loss under the downcomer 0.166 (Q / A_ap)^2 and the backup (Sinnott, Coulson &
//   Richardson vol. 6, 11.13), the apron 10 mm below the weir.
TEST_F(ColumnHydraulics, AStageIsRatedAsTheFormulasWorkedByHandGiveIt) {
  const Result r = call(XV55IF_SPHYDR, Stage{});
  ASSERT_EQ(r.status, 0) << capture.printer.text();

  const double qL = 100.0 / 10.0 / 3600.0, qV = 120.0 / 0.08 / 3600.0;  // m3/s
  const double rhoL = 10.0 * 60.0, rhoV = 0.08 * 50.0;                  // kg/m3
  const double flowParameter = (100.0 * 60.0) / (120.0 * 50.0) * std::sqrt(rhoV / rhoL);
  const double vapourLoad = qV * std::sqrt(rhoV / (rhoL - rhoV));
  const double area = kPi / 4 * 1.5 * 1.5;
  const double activeArea = area - 2 * 0.15, netArea = area - 0.15;
  const double crest = std::pow(qL / (1.84 * 1.1), 2.0 / 3.0);
  const double clear = 0.05 + crest;
  const double holeVelocity = qV / (0.10 * activeArea);
  const double dry = rhoV * holeVelocity * holeVelocity / (2 * 0.75 * 0.75);
  const double drop = dry + rhoL * kG * clear;
  const double csb = 0.0105 + 8.127e-4 * std::pow(600.0, 0.755) *
                                  std::exp(-1.463 * std::pow(flowParameter, 0.842));
  const double apronLoss = 0.166 * std::pow(qL / (0.04 * 1.1), 2);
  const double backup = clear + drop / (rhoL * kG) + apronLoss;

  const double pressure = 2.0 + drop / 1e5, holdup = clear * activeArea;
  const double flood = vapourLoad / (netArea * csb), residence = 0.15 * backup / qL;
  const double expected[10] = {pressure, holdup, drop, dry,    clear,
                               crest,    flood,  csb,  backup, residence};
  for (int k = 0; k < 10; ++k)
    EXPECT_NEAR(r.out[k], expected[k], 1e-9 * std::fabs(expected[k])) << k;
  // What the rating routine received: option, stage, SI tables.
  const auto rec = xv55::refhost::lastCall("TPSR_TPSAR");
  ASSERT_EQ(rec.integers.size(), 5u);
  EXPECT_EQ((std::vector<std::int64_t>{rec.integers[0], rec.integers[1], rec.integers[4]}),
            (std::vector<std::int64_t>{5, 5, TPSR_RATED}));
  ASSERT_GE(rec.reals.size(), 15u);
  const double tables[15] = {
      2.0e5, 100.0 * 60 / 3600, 120.0 * 50 / 3600, qL,  qV,   rhoL, rhoV, 0.020, 3e-4,
      7.0,   flowParameter,     vapourLoad,        0.0, 60.0, 50.0};
  for (int k = 0; k < 15; ++k) {
    if (k != 12) {
      EXPECT_NEAR(rec.reals[k], tables[k], 1e-14 * std::fabs(tables[k])) << k;
    }
  }
  // The marker of a completed rating sits in the last workspace word, and only there.
  EXPECT_EQ(r.work, (std::vector<double>{0.0, 0.0, 999.0}));
  EXPECT_EQ(call(XV55IF_SPHYDR, Stage{}, {5.0}).work, std::vector<double>{999.0});
  EXPECT_EQ(call(XV55IF_SPHYDR, Stage{}, {}).status, 0);
}

TEST_F(ColumnHydraulics, TheRatingRoutineGetsTheCommonDataAndTheTrayFieldsWithTheirDefaults) {
  // The valve trays; whole numbers are rounded.
  Stage s{.stage = 12.4, .datum = 31, .option = 6, .length = 2.5};
  ASSERT_EQ(call(XV55IF_SPHYDR, s).status, 0);
  const std::int64_t* i = TPSR_TRAYI;
  EXPECT_EQ((std::vector<std::int64_t>{i[0], i[1], i[2], i[3]}),
            (std::vector<std::int64_t>{6, 12, 1, TPSR_RATED}));
  const double* r = TPSR_TRAYR;  // datum, length, rating constants 1 and 8
  EXPECT_EQ((std::vector<double>{r[0], r[1], r[2], r[9]}), (std::vector<double>{31, 2.5, 0, 0.25}));
  // Field 1 is not set (its default 1 applies), field 7 is, the others take defaults.
  const std::int64_t* f = TPSR_TRAYI + TPSR_FIELDS_WORD - 1;
  EXPECT_EQ((std::vector<std::int64_t>{f[0], f[1], f[6], f[37]}),
            (std::vector<std::int64_t>{1, 1, 42, 0}));
  // The largest stage number grows the tables (a block that does not count its stages);
  // a smaller one still finds its entry.
  s.block = "PLANT.COL2";
  s.stage = 10000;
  s.option = 4;
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 0);
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSAR").integers[3], 10000);
  s.block = "PLANT.COL1";
  s.stage = 2;
  EXPECT_EQ(call(XV55IF_SPHYDR, s).status, 0);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_RATED);
}

TEST_F(ColumnHydraulics, ResultsWithoutValueComeBackAsOneAndAHoldupFailureWritesNothing) {
  // COL2 sets tray field 2 to a flooding method the rating routine does not have: no
  // result and no holdup.  Option 4 neither writes nor tests the holdup.
  Stage s{.block = "PLANT.COL2", .stage = 3, .option = 4};
  const Result quiet = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(quiet.out, (std::vector<double>{2.0, kUntouched, 1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(quiet.status, 0);
  EXPECT_TRUE(capture.printer.lines.empty());
  EXPECT_EQ(quiet.work.back(), 999.0);
  // From option 5 on the holdup is tested: fatal, and every output keeps its value.
  s.option = 5;
  const Result r = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(capture.printer.lines,
            (Lines{"GPHYDR-Fatal Error",
                   "Liquid holdup failed to converge during rigorous hydraulics calculations ",
                   "for stage 3  in Traycol block COL2"}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4});
  EXPECT_EQ(r.work.back(), 0.0);  // no rated marker after the failure
}

TEST_F(ColumnHydraulics, DenserVapourThanLiquidSkipsTheRatingWithAWarning) {
  Stage s{.vapourMolarDensity = 15};  // 750 kg/m3 against 600
  const Result r = call(XV55IF_SPHYDR, s);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(capture.printer.lines,
            (Lines{"SPHYDR-F- Rhoml (600.000000 kg/m3) is less than Rhomv (750.000000 kg/m3). "
                   "Rigorous hydraulic calculations skipped."}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{2});
  EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
  s.block = "CRUDE";
  EXPECT_EQ(call(XV55IF_SPHYDRP, s).status, 2);
  EXPECT_EQ(capture.printer.lines.back().rfind("SPHYDRP-F- Rhoml (600.000000 kg/m3)", 0), 0u);
  EXPECT_EQ(xv55::refhost::columns::ratings(), 0);
}

TEST_F(ColumnHydraulics, EqualDensitiesAndZeroFlowsReachTheRatingWithTheirFloors) {
  // 600 kg/m3 on both sides.
  Stage s{.liquidFlow = 0, .vapourFlow = -3, .vapourMolarDensity = 12};
  EXPECT_NE(call(XV55IF_SPHYDR, s).status, 2);
  const auto rec = xv55::refhost::lastCall("TPSR_TPSAR");
  ASSERT_GE(rec.reals.size(), 15u);
  EXPECT_DOUBLE_EQ(rec.reals[1], 1e-5 * 60 / 3600);  // liquid mass flow of 1e-5 kmol/h
  EXPECT_DOUBLE_EQ(rec.reals[4], 1e-5 / 12 / 3600);  // vapour volume flow
  // The vapour load divides by the 1e-15 floor of the density difference.
  EXPECT_DOUBLE_EQ(rec.reals[11], 1e-5 / 12 / 3600 * std::sqrt(600.0 / 1e-15));
  // The refinery column takes its flows as they are.
  s.block = "CRUDE";
  call(XV55IF_SPHYDRP, s);
  const auto recp = xv55::refhost::lastCall("TPSR_TPSARP");
  ASSERT_GE(recp.reals.size(), 15u);
  EXPECT_EQ((std::vector<double>{recp.reals[1], recp.reals[2]}),
            (std::vector<double>{0.0, -3.0 * 50 / 3600}));
}

// Each of these is refused with status 4 and one message, outputs untouched, nothing rated.
TEST_F(ColumnHydraulics, UnusableCallsAreRefusedBeforeAnyRating) {
  const std::string skipped = "; rigorous hydraulic calculations skipped.";
  const struct {
    Xv55Entry procedure;
    const char* block;
    double section, stage;
    std::string message;
  } cases[] = {
      {XV55IF_SPHYDR, "PLANT.COL1", 1, 0, "SPHYDR-F-Stage number 0 is below 1" + skipped},
      {XV55IF_SPHYDR, "PLANT.COL1", 1, 1e300,
       "SPHYDR-F-Stage number 1e+300 is above 10000" + skipped},
      {XV55IF_SPHYDR, "PLANT.COL1", 1, 10001,
       "SPHYDR-F-Stage number 10001 is above 10000" + skipped},
      {XV55IF_SPHYDR, "PLANT.COL1", 1, kNaN,
       "SPHYDR-F-Input 2 (stage number) is not a finite number" + skipped},
      {XV55IF_SPHYDRP, "CRUDE", 1, kNaN,
       "SPHYDRP-F-Input 3 (stage number) is not a finite number" + skipped},
      {XV55IF_SPHYDR, "PLANT.COLX", 1, 5, " BLOCK ID specification error"},
      {XV55IF_SPHYDRP, "NOWHERE.CRUDE", 1, 5, " BLOCK ID specification error"},
      {XV55IF_SPHYDRP, "CRUDE", 4, 1,
       "SPHYDRP-F-Refinecol block CRUDE has no section 4 (it has 3)" + skipped},
      {XV55IF_SPHYDRP, "CRUDE", 0, 1,
       "SPHYDRP-F-Section 0, stage 1: section and stage numbers start at 1" + skipped},
      {XV55IF_SPHYDRP, "BAD", 1, 1,
       "SPHYDRP-F-The section stage counts of Refinecol block BAD are unusable (at most 64 "
       "sections of 10000 stages in all)" +
           skipped},
  };
  for (const auto& c : cases) {
    capture.printer.clear();
    const Result r =
        call(c.procedure, Stage{.block = c.block, .section = c.section, .stage = c.stage});
    EXPECT_EQ(r.status, 4) << c.message;
    ASSERT_FALSE(capture.printer.lines.empty()) << c.message;
    EXPECT_EQ(capture.printer.lines[0], c.message);
    EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4}) << c.message;
    EXPECT_EQ(r.out, std::vector<double>(10, kUntouched)) << c.message;
  }
  // A later input that is not a number is named by its own position.
  capture.printer.clear();
  EXPECT_EQ(call(XV55IF_SPHYDRP, Stage{.block = "CRUDE", .datum2 = -HUGE_VAL}).status, 4);
  EXPECT_EQ(capture.printer.lines,
            Lines{"SPHYDRP-F-Input 16 (stage datum 2) is not a finite number" + skipped});
  EXPECT_EQ(xv55::refhost::columns::ratings(), 0);
}

TEST_F(ColumnHydraulics, ARefineryStageIsFoundByItsSectionAndRatedWithItsTrays) {
  // The first stripper, whose trays are those of the worked example.
  Stage s{.block = "CRUDE", .section = 2, .stage = 4};
  const Result r = call(XV55IF_SPHYDRP, s);
  ASSERT_EQ(r.status, 0) << capture.printer.text();
  const auto rec = xv55::refhost::lastCall("TPSR_TPSARP");
  EXPECT_EQ((std::vector<std::int64_t>{rec.integers[1], rec.integers[2], rec.integers[3]}),
            (std::vector<std::int64_t>{4, 2, 40}));  // stage, section, 30 + 6 + 4 entries
  const Result tray = call(XV55IF_SPHYDR, Stage{});
  for (int k = 0; k < 10; ++k) EXPECT_DOUBLE_EQ(r.out[k], tray.out[k]) << k;
  EXPECT_EQ(r.work.back(), 999.0);
  s.section = 1;  // the main column's larger trays give another rating
  EXPECT_NE(call(XV55IF_SPHYDRP, s).out[2], r.out[2]);
}

// A stage number beyond its own section's count would take the entry of the next
// section's first stage (or the block's extra entry) and be rated with no trays: 1.0 in
// every result and status 0.  It is refused; the last stage of each section is rated.
TEST_F(ColumnHydraulics, AStageBeyondItsOwnSectionOrBlockIsRefused) {
  const struct {
    const char* block;
    double section, stage;
    std::int64_t count;
  } beyond[] = {{"CRUDE", 1, 31, 30}, {"CRUDE", 2, 7, 6}, {"CRUDE", 3, 5, 4}, {"EMPTY", 1, 1, 0}};
  for (const auto& b : beyond) {
    capture.printer.clear();
    const Result r =
        call(XV55IF_SPHYDRP, Stage{.block = b.block, .section = b.section, .stage = b.stage});
    EXPECT_EQ(r.status, 4) << b.block << b.stage;
    EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
    EXPECT_EQ(capture.printer.lines,
              Lines{"SPHYDRP-F-Stage " + std::to_string(int(b.stage)) + " of section " +
                    std::to_string(int(b.section)) + " is beyond the " + std::to_string(b.count) +
                    " stages of that section of Refinecol block " + b.block +
                    "; rigorous hydraulic calculations skipped."});
  }
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSARP").calls, 0);
  // A tray column's stage beyond the block's 20 stages likewise; its last stage is rated.
  Stage tray{.stage = 21};
  capture.printer.clear();
  const Result r = call(XV55IF_SPHYDR, tray);
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
  EXPECT_EQ(capture.printer.lines,
            Lines{"SPHYDR-F-Stage 21 is beyond the 20 stages of Traycol block COL1; rigorous "
                  "hydraulic calculations skipped."});
  EXPECT_EQ(xv55::refhost::lastCall("TPSR_TPSAR").calls, 0);
  tray.stage = 20;
  EXPECT_EQ(call(XV55IF_SPHYDR, tray).status, 0);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_RATED);
  for (const auto& last : {std::pair{1.0, 30.0}, std::pair{2.0, 6.0}, std::pair{3.0, 4.0}}) {
    EXPECT_EQ(
        call(XV55IF_SPHYDRP, Stage{.block = "CRUDE", .section = last.first, .stage = last.second})
            .status,
        0);
    EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_RATED) << last.first;
  }
}

TEST_F(ColumnHydraulics, TheRefineryHoldupFailureNamesTheMainColumnOrTheStripper) {
  Stage s{.block = "CRUDE", .stage = 3, .option = 7};
  for (double section : {1.0, 2.0, 3.0}) {
    s.section = section;
    ASSERT_TRUE(xv55::refhost::injectFailure("TPSR_TPSARP"));
    const Result r = call(XV55IF_SPHYDRP, s);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, std::vector<double>(10, kUntouched));
    EXPECT_EQ(r.work.back(), 999.0);  // left whenever the rating was called
  }
  const std::string first = "GPHYDRP-Fatal Error";
  const std::string second =
      "Liquid holdup failed to converge duringrigorous hydraulics calculations";
  EXPECT_EQ(capture.printer.lines,
            (Lines{first, second, "for main column stage 3 in Refinecol block CRUDE", first, second,
                   "for stage 3 of stripper 1 in Refinecol block CRUDE", first, second,
                   "for stage 3 of stripper 2 in Refinecol block CRUDE"}));
  EXPECT_EQ(capture.printer.severities, (std::vector<std::int32_t>{4, 4, 4}));
}

// Fair's chart (Petro/Chem Engineer 33(10) 45, 1961) reads C_SB near 0.30 ft/s (0.091 m/s)
// at 24 in spacing and F_LV = 0.1; capacity falls as the flow parameter grows and rises
// with the spacing.
TEST(TrayRating, FloodingFollowsFairsChart) {
  using namespace xv55::refhost::columns;
  const auto capacity = [](const TrayGeometry& tray, const RatingOptions& o,
                           const StageFlows& flows) {
    return rateTray(tray, o, flows).results[TPSR_FLOOD_FACTOR - 1];
  };
  // A sieve tray of 1.5 m, 24 in spacing.
  const TrayGeometry t{.diameter = 1.5,
                       .weirHeight = 0.05,
                       .weirLength = 1.1,
                       .downcomerArea = 0.15,
                       .traySpacing = 0.6096};
  StageFlows s{.liquidVolume = 0.0028,
               .vapourVolume = 0.42,
               .liquidDensity = 600,
               .vapourDensity = 4,
               .surfaceTension = 0.020,
               .flowParameter = 0.1,
               .vapourLoad = 0.42 * std::sqrt(4.0 / 596.0)};
  EXPECT_NEAR(capacity(t, {}, s), 0.091, 0.004);
  double previous = 1.0;
  for (double flowParameter : {0.01, 0.1, 0.5, 1.0}) {
    s.flowParameter = flowParameter;
    const double c = capacity(t, {}, s);
    EXPECT_LT(c, previous);
    previous = c;
  }
  TrayGeometry close = t;
  close.traySpacing = 0.3048;
  EXPECT_LT(capacity(close, {}, s), previous);
  s.flowParameter = 0.01;
  // Surface tension of 40 dyn/cm: (40/20)^0.2 more capacity; a system factor scales it.
  const double base = capacity(t, {}, s);
  s.surfaceTension = 0.040;
  EXPECT_NEAR(capacity(t, {}, s), base * std::pow(2.0, 0.2), 1e-15);
  RatingOptions foaming;
  foaming.systemFactor = 0.75;
  EXPECT_NEAR(capacity(t, foaming, s), 0.75 * base * std::pow(2.0, 0.2), 1e-15);
}

}  // namespace
