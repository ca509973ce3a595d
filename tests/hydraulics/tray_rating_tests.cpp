// The reference host's tray rating and the column records of its flowsheets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "host/columns.h"
#include "xv55/refhost.hpp"
#include "xv55/refhost/columns.hpp"
#include "xv55/refhost/companion.hpp"

namespace {

namespace cp = xv55::refhost::companion;
namespace columns = xv55::refhost::columns;
using columns::RatingOptions;
using columns::StageFlows;
using columns::TrayGeometry;

constexpr double kNoValue = 1.0e35;

TrayGeometry sieveTray() {
  TrayGeometry t;
  t.diameter = 1.5;
  t.weirHeight = 0.05;
  t.weirLength = 1.1;
  t.downcomerArea = 0.15;
  t.traySpacing = 0.6;
  return t;
}

StageFlows stage(double liquidVolume = 0.0027777777777777779,
                 double vapourVolume = 0.41666666666666669) {
  StageFlows s;
  s.liquidVolume = liquidVolume;
  s.vapourVolume = vapourVolume;
  s.liquidDensity = 600;
  s.vapourDensity = 4;
  s.surfaceTension = 0.020;
  s.flowParameter = 1.0 * std::sqrt(4.0 / 600.0);
  s.vapourLoad = vapourVolume * std::sqrt(4.0 / 596.0);
  return s;
}

double result(const columns::TrayRating& r, int which) {
  return r.results[static_cast<std::size_t>(which - 1)];
}

class TrayRating : public ::testing::Test {
 protected:
  void SetUp() override { xv55::refhost::reset(); }
  void TearDown() override { xv55::refhost::reset(); }
};

// Fair's chart (Petro/Chem Engineer 33(10) 45, 1961) reads C_SB near 0.30 ft/s (0.091 m/s)
// at 24 in spacing and F_LV = 0.1; capacity falls as the flow parameter grows and rises
// with the spacing.
TEST_F(TrayRating, FloodingFollowsFairsChart) {
  TrayGeometry t = sieveTray();
  t.traySpacing = 0.6096;
  StageFlows s = stage();
  s.flowParameter = 0.1;
  EXPECT_NEAR(result(columns::rateTray(t, {}, s), TPSR_FLOOD_FACTOR), 0.091, 0.004);
  double previous = 1.0;
  for (double flowParameter : {0.01, 0.1, 0.5, 1.0}) {
    s.flowParameter = flowParameter;
    const double c = result(columns::rateTray(t, {}, s), TPSR_FLOOD_FACTOR);
    EXPECT_LT(c, previous);
    previous = c;
  }
  TrayGeometry close = t;
  close.traySpacing = 0.3048;
  EXPECT_LT(result(columns::rateTray(close, {}, s), TPSR_FLOOD_FACTOR), previous);
  s.flowParameter = 0.01;
  // Surface tension of 40 dyn/cm: (40/20)^0.2 more capacity; a system factor scales it.
  const double base = result(columns::rateTray(t, {}, s), TPSR_FLOOD_FACTOR);
  s.surfaceTension = 0.040;
  EXPECT_NEAR(result(columns::rateTray(t, {}, s), TPSR_FLOOD_FACTOR), base * std::pow(2.0, 0.2),
              1e-15);
  RatingOptions foaming;
  foaming.systemFactor = 0.75;
  EXPECT_NEAR(result(columns::rateTray(t, foaming, s), TPSR_FLOOD_FACTOR),
              0.75 * base * std::pow(2.0, 0.2), 1e-15);
}

TEST_F(TrayRating, FloodedTraysKeepTheirResultsButHaveNoHoldup) {
  // Jet flood: a vapour load beyond the flooding load.
  const auto jet = columns::rateTray(sieveTray(), {}, stage(0.0027777777777777779, 3.0));
  EXPECT_EQ(jet.flag, TPSR_JET_FLOOD);
  EXPECT_GE(result(jet, TPSR_FLOOD_FRACTION), 1.0);
  EXPECT_EQ(jet.holdup, kNoValue);
  EXPECT_LT(result(jet, TPSR_PRESSURE_DROP), kNoValue);
  // Downcomer flood: the liquid backs up beyond the spacing and the weir.
  const auto backup = columns::rateTray(sieveTray(), {}, stage(0.09, 0.1));
  EXPECT_EQ(backup.flag, TPSR_DOWNCOMER_FLOOD);
  EXPECT_GE(result(backup, TPSR_DOWNCOMER_BACKUP), 0.65);
  EXPECT_EQ(backup.holdup, kNoValue);
  RatingOptions unchecked;
  unchecked.downcomerCheck = 0;
  const auto rated = columns::rateTray(sieveTray(), unchecked, stage(0.09, 0.1));
  EXPECT_EQ(rated.flag, TPSR_RATED);
  EXPECT_LT(rated.holdup, kNoValue);
}

TEST_F(TrayRating, PassesShareTheLiquidAndConstantsChangeTheirTerms) {
  const auto one = columns::rateTray(sieveTray(), {}, stage(0.004));
  RatingOptions two;
  two.passes = 2;
  EXPECT_NEAR(result(columns::rateTray(sieveTray(), two, stage(0.004)), TPSR_WEIR_CREST),
              result(columns::rateTray(sieveTray(), {}, stage(0.002)), TPSR_WEIR_CREST), 1e-16);
  // Aeration factor: the clear liquid height scales; the orifice coefficient: the dry drop.
  RatingOptions aerated;
  aerated.aerationFactor = 0.6;
  aerated.orificeCoefficient = 0.5;
  aerated.holeFraction = 0.2;
  const auto changed = columns::rateTray(sieveTray(), aerated, stage(0.004));
  EXPECT_NEAR(result(changed, TPSR_CLEAR_LIQUID), 0.6 * result(one, TPSR_CLEAR_LIQUID), 1e-16);
  // (0.75 / 0.5)^2 for the coefficient, (0.1 / 0.2)^2 for the hole area.
  EXPECT_NEAR(result(changed, TPSR_DRY_PRESSURE_DROP),
              result(one, TPSR_DRY_PRESSURE_DROP) * 2.25 * 0.25, 1e-12);
  // The default apron clearance is 10 mm below the weir; a given one replaces it.
  RatingOptions apron;
  apron.downcomerClearance = 0.02;
  const double loss =
      result(columns::rateTray(sieveTray(), apron, stage(0.004)), TPSR_DOWNCOMER_BACKUP) -
      result(one, TPSR_DOWNCOMER_BACKUP);
  const double q = 0.004;
  EXPECT_NEAR(loss, 0.166 * (std::pow(q / (0.02 * 1.1), 2) - std::pow(q / (0.04 * 1.1), 2)), 1e-14);
}

TEST_F(TrayRating, UnusableDataAndUnknownMethodsGiveNoValues) {
  const auto expectUnrated = [](const columns::TrayRating& r, std::int64_t flag) {
    EXPECT_EQ(r.flag, flag);
    EXPECT_EQ(r.holdup, kNoValue);
    for (double v : r.results) EXPECT_EQ(v, kNoValue);
  };
  TrayGeometry wide = sieveTray();
  wide.downcomerArea = 0.9;  // two of them cover the tray
  expectUnrated(columns::rateTray(wide, {}, stage()), TPSR_BAD_GEOMETRY);
  TrayGeometry noWeir = sieveTray();
  noWeir.weirLength = 0;
  expectUnrated(columns::rateTray(noWeir, {}, stage()), TPSR_BAD_GEOMETRY);
  StageFlows heavy = stage();
  heavy.vapourDensity = 600;
  expectUnrated(columns::rateTray(sieveTray(), {}, heavy), TPSR_BAD_STAGE_DATA);
  StageFlows infinite = stage();
  infinite.vapourLoad = HUGE_VAL;
  expectUnrated(columns::rateTray(sieveTray(), {}, infinite), TPSR_BAD_STAGE_DATA);
  for (std::int64_t passes : {0, 9}) {
    RatingOptions o;
    o.passes = passes;
    expectUnrated(columns::rateTray(sieveTray(), o, stage()), TPSR_UNKNOWN_OPTION);
  }
  RatingOptions crest;
  crest.crestFormula = 2;
  expectUnrated(columns::rateTray(sieveTray(), crest, stage()), TPSR_UNKNOWN_OPTION);
  // No liquid: the crest is zero and the residence time has no value.
  const auto dry = columns::rateTray(sieveTray(), {}, stage(0.0));
  EXPECT_EQ(result(dry, TPSR_WEIR_CREST), 0.0);
  EXPECT_EQ(result(dry, TPSR_RESIDENCE_TIME), kNoValue);
}

// ---- the column records of a flowsheet ----

TEST_F(TrayRating, MalformedColumnRecordsAreRefusedWithTheirLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"block C TRAYCOL\n trays 1 5 plate 1 0.05 0.7 0.08 0.5",
       "flowsheet line 2: tray type 'plate' is none of sieve, valve, bubble-cap"},
      {"block C TRAYCOL\n trays 4 2 sieve 1 0.05 0.7 0.08 0.5",
       "flowsheet line 2: last stage 2 is outside 4 .. 10000"},
      {"block C TRAYCOL\n trays 1 5 sieve 1 0.05 1.2 0.08 0.5",
       "flowsheet line 2: the weir is longer than the tray's diameter"},
      {"block C TRAYCOL\n trays 1 5 sieve 1 0.05 0.7 0.4 0.5",
       "flowsheet line 2: the two downcomers take the whole tray: no active area is left"},
      {"block C TRAYCOL\n trays 1 5 sieve 1 0.05 0.7 0.08 0.5\n trays 5 6 sieve 1 0.05 0.7 0.08 "
       "0.5",
       "flowsheet line 3: trays of stages 5 to 6 overlap those given on line 2"},
      {"block C TRAYCOL\n stages 4\n trays 1 5 sieve 1 0.05 0.7 0.08 0.5",
       "flowsheet line 3: trays of stages 1 to 5 lie beyond the 4 stages of block C"},
      {"block C REFINECOL\n sections 4 2\n trays 3 1 1 sieve 1 0.05 0.7 0.08 0.5",
       "flowsheet line 3: tray section 3 of block C is not one of its 2 sections"},
      {"block C REFINECOL\n sections 4 2\n trays 2 1 3 sieve 1 0.05 0.7 0.08 0.5",
       "flowsheet line 3: trays of stages 1 to 3 lie beyond the 2 stages of section 2 of block C"},
      {"block C REFINECOL\n sections 6000 6000",
       "flowsheet line 2: the sections hold 12000 "
       "stages, more than 10000"},
      {"block C EQLBRX\n streams 1 21",
       "flowsheet line 2: number of products 21 is outside 1 .. "
       "20"},
  };
  for (const auto& c : cases) {
    const cp::LoadResult r = cp::loadFlowsheet(c.text);
    EXPECT_FALSE(r) << c.text;
    EXPECT_EQ(r.message, c.message) << c.text;
  }
}

TEST_F(TrayRating, TheRatingRoutinesRefuseRecordsAndStagesTheyDoNotKnow) {
  ASSERT_TRUE(cp::loadFlowsheet("block C TRAYCOL\n trays 1 5 sieve 1 0.05 0.7 0.08 0.5\n"));
  double tables[15] = {2e5, 1, 1, 0.001, 0.2, 600, 4, 0.02, 0.0003, 0, 0.08, 0.02, 0, 60, 50};
  const auto t = [&](int k) { return &tables[k]; };
  double holdup = 0;
  double results[TPSR_RESULTS] = {};
  std::int64_t length = 1;
  DmsWord stray[200] = {};
  for (int k = 0; k < 4; ++k) TPSR_TRAYI[TPSR_FIELDS_WORD - 1 + k] = 1;  // one pass, Fair, ...
  TPSR_TRAYI[TPSR_STAGE_WORD - 1] = 1;
  TPSR_TPSAR(stray, t(0), t(1), t(2), t(3), t(4), t(5), t(6), t(7), t(8), t(9), t(10), t(11), t(12),
             t(13), t(14), &length, nullptr, &holdup, results);
  EXPECT_EQ(holdup, kNoValue);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_NO_TRAYS);
  // The block's own record, but a stage beyond the tables.
  DmsWord* record = xv55::refhost::beadWord(cp::blockBead("", "C"), 20 + xv55::host::kTrayRecordAt);
  TPSR_TRAYI[TPSR_STAGE_WORD - 1] = 2;
  TPSR_TPSAR(record, t(0), t(1), t(2), t(3), t(4), t(5), t(6), t(7), t(8), t(9), t(10), t(11),
             t(12), t(13), t(14), &length, nullptr, &holdup, results);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_BAD_STAGE_DATA);
  TPSR_TRAYI[TPSR_STAGE_WORD - 1] = 1;
  TPSR_TPSAR(record, t(0), t(1), t(2), t(3), t(4), t(5), t(6), t(7), t(8), t(9), t(10), t(11),
             t(12), t(13), t(14), &length, nullptr, &holdup, results);
  EXPECT_EQ(TPSR_TRAYI[TPSR_FLAG_WORD - 1], TPSR_RATED);
  EXPECT_EQ(tables[0], 2e5 + results[TPSR_PRESSURE_DROP - 1]);
  EXPECT_EQ(tables[12], results[TPSR_CLEAR_LIQUID - 1]);
  EXPECT_EQ(columns::ratings(), 1);
}

}  // namespace
