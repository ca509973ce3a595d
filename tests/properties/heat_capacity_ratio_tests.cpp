// Heat capacity ratio factor through XV55IF_SPFKCAL on the reference host's property system.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "properties/property_fixture.hpp"

namespace {

using namespace xv55::testing;
using xv55::BlockBuilder;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class HeatCapacityRatio : public PropertyProcedures {
 protected:
  // Cp/Cv from the procedure's factor; the block's status is checked by the caller.
  double ratio(BlockBuilder& b) {
    b.call(XV55IF_SPFKCAL);
    return 1.4 * b.out(1);
  }
};

TEST_F(HeatCapacityRatio, MatchesPublishedRatiosOfNitrogenAndMethane) {
  components({"NITROGEN", "METHANE"});
  // Nitrogen, 300 K, 1 bar: Cp 29.2, Cv 20.8 J/(mol K), ratio 1.404 (CRC Handbook of
  // Chemistry and Physics, "Thermophysical properties of fluids", from Younglove 1982).
  BlockBuilder n2 = ratioBlock(26.85, 1.0, {1.0, 0.0});
  EXPECT_NEAR(ratio(n2), 1.40, 0.01 * 1.40);
  EXPECT_EQ(n2.status, 1);
  EXPECT_EQ(SAIPRNAM, 69);
  // Methane, 25 degC, 1 atm: Cp 35.8, Cv 27.4 J/(mol K), ratio 1.307 (Engineering ToolBox,
  // "Methane - thermophysical properties", NIST data).
  BlockBuilder ch4 = ratioBlock(25.0, 1.01325, {0.0, 3.0});
  EXPECT_NEAR(ratio(ch4), 1.307, 0.01 * 1.307);
  // Methane, 300 K, 50 bar: 1.463 from the virial equation with the second virial
  // coefficient of Tsonopoulos (AIChE J. 20 (1974) 263) and the third of Orbey & Vera
  // (AIChE J. 29 (1983) 107), ideal-gas Cp of Poling et al. (Cp 41.4, Cv 28.3 J/(mol K));
  // Peng-Robinson is within a few per cent of it there.
  BlockBuilder dense = ratioBlock(26.85, 50.0, {0.0, 1.0});
  const double r = ratio(dense);
  EXPECT_NEAR(r, 1.463, 0.03 * 1.463);
  // The one-sided difference stays close to the equation's own Cp/Cv.
  const pp::PhaseState s = phase({"METHANE"}, {1.0}, 300.0, 50 * kBar, pp::Root::Vapour);
  EXPECT_NEAR(r, s.cp / s.cv, 0.002 * r);
}

TEST_F(HeatCapacityRatio, CompositionAndUnitsReachTheMonitorsAsGiven) {
  components({"WATER", "NITROGEN", "PROPANE", "METHANE"});
  // The model's own order differs from the companion list's.
  ASSERT_TRUE(pp::setModelComponents(kContext, {"METHANE", "PROPANE"}));
  BlockBuilder model = ratioBlock(60.0, 20.0, {70.0, 30.0});  // kmol/h, not fractions
  const double r = ratio(model);
  const pp::PhaseState s =
      phase({"METHANE", "PROPANE"}, {0.7, 0.3}, 333.15, 20 * kBar, pp::Root::Vapour);
  EXPECT_NEAR(r, s.cp / s.cv, 0.002 * r);
  // The same state in K and Pa (unit set 3).
  BlockBuilder si = ratioBlock(333.15, 20e5, {0.7, 0.3}, kSiUnits);
  EXPECT_NEAR(ratio(si), r, 1e-9 * r);
  // Negative flows count as none.
  BlockBuilder negative = ratioBlock(60.0, 20.0, {-5.0, 1.0});
  const pp::PhaseState propane = phase({"PROPANE"}, {1.0}, 333.15, 20 * kBar, pp::Root::Vapour);
  EXPECT_NEAR(ratio(negative), propane.cp / propane.cv, 0.002 * propane.cp / propane.cv);
}

TEST_F(HeatCapacityRatio, VolumeDifferenceAndBounds) {
  components({"NITROGEN"});
  const double t = 300.0, p = 1.0 * kBar;
  const pp::PhaseState s = phase({"NITROGEN"}, {1.0}, t, p, pp::Root::Vapour);
  const double dp = 0.001 * p;

  // Volume unchanged at 1.001 P: the difference is taken at 0.999 P, without a message.
  ASSERT_TRUE(pp::queueVolumes({s.volume, s.volume + s.volume / p * dp}));
  rh::setPrintLevel(3);
  BlockBuilder lower = ratioBlock(26.85, 1.0, {1.0});
  EXPECT_NEAR(ratio(lower), s.cp / s.cv, 0.002 * 1.4);
  EXPECT_EQ(lower.status, 1);
  EXPECT_EQ(rh::lastCall("PPMON_VOLV").calls, 2);
  EXPECT_DOUBLE_EQ(rh::lastCall("PPMON_VOLV").reals.at(1), 0.999 * p);
  EXPECT_FALSE(printed("SPFKCAL-W"));

  // A volume rising with pressure gives a ratio below 1: the factor is 1 / 1.4.
  ASSERT_TRUE(pp::queueVolumes({s.volume * 1.01}));
  BlockBuilder low = ratioBlock(26.85, 1.0, {1.0});
  low.call(XV55IF_SPFKCAL);
  EXPECT_DOUBLE_EQ(low.out(1), 1.0 / 1.4);
  // A slope that makes Cv a quarter of Cp: ratio 4, the factor 3 / 1.4.
  const double slope = -t * s.dVdT * s.dVdT / (0.75 * s.cp);
  ASSERT_TRUE(pp::queueVolumes({s.volume + slope * dp}));
  BlockBuilder high = ratioBlock(26.85, 1.0, {1.0});
  high.call(XV55IF_SPFKCAL);
  EXPECT_DOUBLE_EQ(high.out(1), 3.0 / 1.4);
  EXPECT_EQ(high.status, 1);
}

TEST_F(HeatCapacityRatio, NoRatioGivesFactorOneWithAWarning) {
  components({"NITROGEN"});
  const double v = phase({"NITROGEN"}, {1.0}, 300.0, kBar, pp::Root::Vapour).volume;
  for (const std::int64_t level : {2, 3}) {
    SCOPED_TRACE(level);
    rh::setPrintLevel(level);
    capture.printer.clear();
    // The volume does not move at either perturbation; then the monitor has no result.
    ASSERT_TRUE(pp::queueVolumes({v, v}));
    BlockBuilder flat = ratioBlock(26.85, 1.0, {1.0});
    flat.call(XV55IF_SPFKCAL);
    ASSERT_TRUE(pp::injectStatus("PPMON_VMTHRM", 3));
    BlockBuilder none = ratioBlock(26.85, 1.0, {1.0});
    none.call(XV55IF_SPFKCAL);
    for (BlockBuilder* b : {&flat, &none}) {
      EXPECT_EQ(b->out(1), 1.0);
      EXPECT_EQ(b->status, 2);
    }
    EXPECT_EQ(printed(" SPFKCAL-W-The Pressure Derivative is zero.\n Unable to calculate the "
                      "Heat Capacity at Constant Volume.\n The Heat Capacity Ratio Factor=1 is "
                      "used in this simulation.\n"),
              level > 2);
  }
}

TEST_F(HeatCapacityRatio, FailuresStopWithStatusFourAndAMessage) {
  components({"NITROGEN", "METHANE"});
  // factorSet: the factor was already set to 1 when the failure came.
  const auto fails = [this](const char* service, double t, double p, const Reals& flows,
                            const std::string& message, bool factorSet) {
    SCOPED_TRACE(message);
    if (service) {
      ASSERT_TRUE(pp::injectStatus(service, 4));
    }
    BlockBuilder b = ratioBlock(t, p, flows);
    b.call(XV55IF_SPFKCAL);
    EXPECT_EQ(b.status, 4);
    EXPECT_EQ(b.out(1), factorSet ? 1.0 : kSentinel);
    EXPECT_TRUE(printed(message)) << capture.printer.text();
  };
  fails("SAIF2X", 20, 1, {1, 1}, "SPFKCAL-E-The property system refused", false);
  fails("PPMON_VOLV", 20, 1, {1, 1}, "SPFKCAL-E-The vapour properties at", true);
  fails(nullptr, 20, 1, {0, -2}, "SPFKCAL-E-The composition sums to zero", false);
  fails(nullptr, 20, 1, {kNaN, 1}, "SPFKCAL-E-Composition entry 1 is not", false);
  fails(nullptr, -300, 1, {1, 1}, "SPFKCAL-E-Temperature -300 is -26.85 K", false);
  fails(nullptr, 20, 0, {1, 1}, "SPFKCAL-E-Pressure 0 is 0 Pa", false);
  fails(nullptr, 20, 1, {1, 1, 1}, "has 3 components but the model has 2", false);
}

}  // namespace
