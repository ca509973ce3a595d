// The typed monitor and flash calls against the reference host's property system: each
// one must hand its service the conditions, composition and results in the right places.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "entry/views.hpp"
#include "host/monitors.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"

namespace xv55::host {
namespace {

constexpr double kGasConstant = 8314.462618;  // J/(kmol K), CODATA 2018
// Molar masses, kg/kmol (IUPAC atomic weights): CH4 and n-C6H14.
constexpr double kMethaneMass = 16.043;
constexpr double kHexaneMass = 86.177;
constexpr double kUntouched = -777.0;

class Monitors : public ::testing::Test {
 protected:
  void SetUp() override {
    refhost::reset();
    ASSERT_TRUE(refhost::properties::setCompanionComponents({"METHANE", "N-HEXANE"}));
  }
  void TearDown() override { refhost::reset(); }

  MonitorPoint at(double t, double p, const std::vector<double>& x) {
    fractions = x;
    return {t, p, {fractions.data(), indices, 2}, optionSet};
  }

  std::vector<double> fractions;
  const std::int64_t indices[2] = {1, 2};
  const std::int64_t optionSet[6] = {1, 0, 0, 0, 1, 0};  // Peng-Robinson
  std::int64_t cell = 0;
  Status status{&cell};
};

TEST_F(Monitors, AVapourAtLowPressureIsAnIdealGasThroughBothVapourMonitors) {
  // V = RT/P and dV/dT = R/P for methane at 300 K and 1 kPa, where it is ideal to 1e-4.
  const double t = 300.0, p = 1000.0;
  double volume = kUntouched;
  vapourVolume(at(t, p, {1.0, 0.0}), VapourRoot::Alone, volume, status);
  EXPECT_FALSE(monitorFailed(cell));
  EXPECT_NEAR(volume, kGasConstant * t / p, 1e-3 * kGasConstant * t / p);

  ThermalProperties thermal;
  vapourThermal(at(t, p, {1.0, 0.0}), VapourRoot::BesideLiquid, ThermalDepth::VolumeSlopeAndHeat,
                thermal, status);
  EXPECT_FALSE(monitorFailed(cell));
  EXPECT_NEAR(thermal.volume, kGasConstant * t / p, 1e-3 * kGasConstant * t / p);
  EXPECT_NEAR(thermal.dVdT, kGasConstant / p, 1e-3 * kGasConstant / p);
  // Ideal-gas Cp of methane at 300 K: 35.69 kJ/(kmol K) (JANAF tables).
  EXPECT_NEAR(thermal.cp, 35690.0, 0.02 * 35690.0);
}

TEST_F(Monitors, ALiquidVolumeIsNearTheMeasuredOneAndARefusalWritesNothing) {
  // n-hexane at 300 K and 1 bar: measured 0.1316 m3/kmol (86.18 kg/kmol at 655 kg/m3);
  // a cubic equation of state errs by some 10 % on liquid volumes.
  double liquid = kUntouched;
  liquidVolume(at(300.0, 1.0e5, {0.0, 1.0}), liquid, status);
  EXPECT_FALSE(monitorFailed(cell));
  EXPECT_NEAR(liquid, 0.1316, 0.2 * 0.1316);
  ThermalProperties thermal;
  liquidThermal(at(300.0, 1.0e5, {0.0, 1.0}), ThermalDepth::VolumeSlopeAndHeat, thermal, status);
  EXPECT_DOUBLE_EQ(thermal.volume, liquid);
  EXPECT_GT(thermal.dVdT, 0.0);

  // A temperature that is not positive is refused, and no result is written.
  double refused = kUntouched;
  vapourVolume(at(-1.0, 1.0e5, {1.0, 0.0}), VapourRoot::Alone, refused, status);
  EXPECT_TRUE(monitorFailed(cell));
  EXPECT_EQ(refused, kUntouched);
}

TEST_F(Monitors, AFlashClosesTheMaterialBalanceAndItsEnthalpyFlashesBackToTheSameState) {
  fractions = {0.5, 0.5};
  const Composition feed{fractions.data(), indices, 2};
  double liquid[2] = {}, liquid1[2] = {}, liquid2[2] = {}, vapour[2] = {};
  const FlashPhases phases{liquid, liquid1, liquid2, vapour};
  FlashState state{300.0, 1.0e5, 0.0, 0.0, 0.0};
  ASSERT_EQ(flash({FlashKind::TemperaturePressure, 2, 0, 0.0, optionSet}, feed, state, phases), 0);
  EXPECT_EQ(state.temperature, 300.0);
  ASSERT_GT(state.vapourFraction, 0.0);
  ASSERT_LT(state.vapourFraction, 1.0);
  for (int i = 0; i < 2; ++i) {
    const double balance =
        state.vapourFraction * vapour[i] + (1.0 - state.vapourFraction) * liquid[i];
    EXPECT_NEAR(balance, fractions[static_cast<std::size_t>(i)], 1e-8) << "component " << i;
  }
  EXPECT_GT(vapour[0], liquid[0]);  // methane goes to the vapour

  // The same pressure and enthalpy, from another first guess, give the same state.
  FlashState back{250.0, 1.0e5, state.enthalpy, 0.0, 0.0};
  ASSERT_EQ(flash({FlashKind::PressureEnthalpy, 2, 0, 0.0, optionSet}, feed, back, phases), 0);
  EXPECT_NEAR(back.temperature, 300.0, 1e-3);
  EXPECT_NEAR(back.vapourFraction, state.vapourFraction, 1e-6);

  // Molar mass of the feed from the published molar masses.
  EXPECT_NEAR(averageMolecularWeight(feed), 0.5 * kMethaneMass + 0.5 * kHexaneMass, 1e-3);
}

}  // namespace
}  // namespace xv55::host
