// The reference host's tray rating.
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

// A record that is no column block's, or a stage beyond the tables, is not rated; the
// tables are not read past their length.
TEST_F(TrayRating, TheRatingRoutinesRefuseRecordsAndStagesTheyDoNotKnow) {
  ASSERT_TRUE(cp::loadFlowsheet("block C TRAYCOL\n trays 1 5 sieve 1 0.05 0.7 0.08 0.5\n"));
  double tables[15] = {2e5, 1, 1, 0.001, 0.2, 600, 4, 0.02, 0.0003, 0, 0.08, 0.02, 0, 60, 50};
  double holdup = 0, results[TPSR_RESULTS] = {};
  const std::int64_t length = 1;
  for (int k = 0; k < 4; ++k) TPSR_TRAYI[TPSR_FIELDS_WORD - 1 + k] = 1;  // one pass, Fair, ...
  const auto rate = [&](const DmsWord* record, std::int64_t stage) {
    TPSR_TRAYI[TPSR_STAGE_WORD - 1] = stage;
    double* t = tables;
    TPSR_TPSAR(record, t, t + 1, t + 2, t + 3, t + 4, t + 5, t + 6, t + 7, t + 8, t + 9, t + 10,
               t + 11, t + 12, t + 13, t + 14, &length, nullptr, &holdup, results);
    return TPSR_TRAYI[TPSR_FLAG_WORD - 1];
  };
  const DmsWord stray[200] = {};
  EXPECT_EQ(rate(stray, 1), TPSR_NO_TRAYS);
  EXPECT_EQ(holdup, kNoValue);
  const DmsWord* record =
      xv55::refhost::beadWord(cp::blockBead("", "C"), 20 + xv55::host::kTrayRecordAt);
  EXPECT_EQ(rate(record, 2), TPSR_BAD_STAGE_DATA);
  EXPECT_EQ(rate(record, 1), TPSR_RATED);
  EXPECT_EQ(tables[0], 2e5 + results[TPSR_PRESSURE_DROP - 1]);
  EXPECT_EQ(tables[12], results[TPSR_CLEAR_LIQUID - 1]);
  EXPECT_EQ(columns::ratings(), 1);
}

}  // namespace
