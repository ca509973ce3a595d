// Sonic velocity through XV55IF_SPPSON, XV55IF_SPPSONH, XV55IF_SPPSONHP and the bare SPPSONH
// export, on the reference host's property system.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "properties/property_fixture.hpp"
#include "xv55/host/data_management.h"

namespace {

using namespace xv55::testing;
using xv55::BlockBuilder;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLiquidDefault = 1524.0;  // m/s

const Names kGases = {"NITROGEN", "METHANE", "PROPANE", "N-BUTANE", "N-HEXANE"};
const Reals kNitrogen = {1, 0, 0, 0, 0};
const Reals kButanes = {0, 0, 0.5, 0.5, 0};  // propane/n-butane 50:50
constexpr double kButanesWeight = 0.5 * 44.097 + 0.5 * 58.123;

// c of one phase from the equation of state: V sqrt(-(Cp/Cv) (dP/dV)_T / M).
double phaseVelocity(const pp::PhaseState& s, double mw) {
  return s.volume * std::sqrt(-(s.cp / s.cv) * s.dPdV / mw);
}

class SonicVelocity : public PropertyProcedures {
 protected:
  void SetUp() override {
    PropertyProcedures::SetUp();
    components(kGases);
  }
  // SPPSON at t (degC) and p (bar).
  double atTemperature(double t, double p, const Reals& z, double mw) {
    BlockBuilder b = sonicBlock(t, p, z, mw);
    b.call(XV55IF_SPPSON);
    EXPECT_EQ(b.status, 1);
    return b.out(1);
  }
};

TEST_F(SonicVelocity, GasesMatchPublishedSpeedsOfSound) {
  // Nitrogen at 300 K and 0.01 bar is an ideal gas: sqrt(gamma R T/M) with gamma = Cp/(Cp - R),
  // Cp = 29.125 J/(mol K) (NIST-JANAF Thermochemical Tables, 4th ed.).
  const double gamma = 29.125 / (29.125 - 8.314462618);
  const double ideal = std::sqrt(gamma * kGasConstant * 300.0 / 28.014);
  EXPECT_NEAR(atTemperature(26.85, 0.01, kNitrogen, 28.014), ideal, 3e-4 * ideal);
  // Methane, 300 K, 1 atm: 450 m/s (Mechanical Engineers' Handbook, 3rd ed., Vol. 4,
  // "Thermophysical Properties of Fluids", Table 11).
  EXPECT_NEAR(atTemperature(26.85, 1.01325, {0, 1, 0, 0, 0}, 16.043), 450.0, 0.01 * 450.0);
  // Methane, 300 K, 50 bar: 439.7 m/s from the virial equation (second virial coefficient
  // of Tsonopoulos, AIChE J. 20 (1974) 263; third of Orbey & Vera, AIChE J. 29 (1983) 107;
  // ideal-gas Cp of Poling et al.), within the accuracy of Peng-Robinson; and a pure
  // vapour gives the equation's own c_G.
  const double dense = atTemperature(26.85, 50.0, {0, 1, 0, 0, 0}, 16.043);
  EXPECT_NEAR(dense, 439.7, 0.03 * 439.7);
  const pp::PhaseState s = phase({"METHANE"}, {1.0}, 300.0, 50 * kBar, pp::Root::Vapour);
  EXPECT_NEAR(dense, phaseVelocity(s, 16.043), 1e-9 * dense);
}

TEST_F(SonicVelocity, TwoPhasesMixWithTheDefaultLiquidVelocity) {
  // The butanes at 300 K and 5 bar lie between their dew (4.1 bar) and bubble (6.3 bar)
  // points.
  const Names names = {"PROPANE", "N-BUTANE"};
  const double t = 300.0, p = 5 * kBar;
  const pp::FlashState f = pp::flashTP(names, {0.5, 0.5}, t, p);
  ASSERT_GT(f.vapourFraction, 0.05);
  ASSERT_LT(f.vapourFraction, 0.95);
  // The homogeneous formula with c_L = 1524 m/s.
  const pp::PhaseState gas = phase(names, f.vapour, t, p, pp::Root::Vapour);
  const pp::PhaseState liquid = phase(names, f.liquid, t, p, pp::Root::Liquid);
  const auto weight = [](const Reals& x) { return x[0] * 44.097 + x[1] * 58.123; };
  const double mG = weight(f.vapour), mL = weight(f.liquid);
  const double cG = phaseVelocity(gas, mG), cL = kLiquidDefault;
  const double rhoG = mG / gas.volume, rhoL = mL / liquid.volume;
  const double x = f.vapourFraction * mG / kButanesWeight;
  const double a = x * rhoL / ((1 - x) * rhoG + x * rhoL);
  const double expected =
      1 / ((1 - a) * std::sqrt((1 - a) / (cL * cL) + a * rhoL / (rhoG * cG * cG)) +
           a * std::sqrt((1 - a) * rhoG / (rhoL * cL * cL) + a / (cG * cG)));
  EXPECT_NEAR(atTemperature(26.85, 5.0, kButanes, kButanesWeight), expected, 1e-6 * expected);

  // A molecular weight that makes the vapour's mass fraction exceed 1 gives no velocity.
  BlockBuilder wrong = sonicBlock(26.85, 5.0, kButanes, 1.0);
  wrong.call(XV55IF_SPPSON);
  EXPECT_EQ(wrong.status, 4);
  EXPECT_EQ(wrong.out(1), kSentinel);
}

TEST_F(SonicVelocity, LiquidAndMissingDerivativesGiveTheDefaultVelocity) {
  // n-Hexane at 300 K and 1 bar is liquid.
  EXPECT_EQ(atTemperature(26.85, 1.0, {0, 0, 0, 0, 1}, 86.177), kLiquidDefault);

  // The monitor leaves no derivative: dP/dV from the volumes at 0.999 P and 1.001 P.
  const pp::PhaseState s = phase({"NITROGEN"}, {1.0}, 300.0, kBar, pp::Root::Vapour);
  const double exact = phaseVelocity(s, 28.014);
  for (const pp::Derivative mode :
       {pp::Derivative::LeavePreset, pp::Derivative::Zero, pp::Derivative::Positive}) {
    ASSERT_TRUE(pp::setDerivativeMode("PPMON_VMTHRM", mode));
    EXPECT_NEAR(atTemperature(26.85, 1.0, kNitrogen, 28.014), exact, 1e-3 * exact);
  }
  EXPECT_DOUBLE_EQ(rh::lastCall("PPMON_VOLV").reals.at(1), 0.999 * kBar);
  // Volumes that do not move at either perturbation: no derivative, c = 1524 m/s.
  ASSERT_TRUE(pp::queueVolumes({s.volume, s.volume}));
  EXPECT_EQ(atTemperature(26.85, 1.0, kNitrogen, 28.014), kLiquidDefault);
  EXPECT_DOUBLE_EQ(rh::lastCall("PPMON_VOLV").reals.at(1), 1.001f * kBar);

  // A volume rising with pressure: the negative gas term is reported through the host's
  // error facility and the magnitude is used.
  ASSERT_TRUE(pp::setDerivativeMode("PPMON_VMTHRM", pp::Derivative::LeavePreset));
  ASSERT_TRUE(pp::queueVolumes({s.volume * 0.99, s.volume * 1.01}));
  BlockBuilder b = sonicBlock(26.85, 1.0, kNitrogen, 28.014);
  b.call(XV55IF_SPPSON);
  EXPECT_EQ(b.status, 2);
  EXPECT_GT(b.out(1), 0.0);
  const rh::CallRecord check = rh::lastCall("DMS_IRRCHK");
  EXPECT_EQ(check.texts, std::vector<std::string>{"PIPS    ON      "});
  EXPECT_EQ(check.integers, (std::vector<std::int64_t>{2, 1, 0, 0, 2}));
  const std::vector<std::string> lines = rh::lastCall("DMS_ERRPRT").texts;
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_EQ(lines[0], "ERROR IN CALCULATION OF GAS SONIC VELOCITY.");
  EXPECT_NE(lines[4].find(" XMWV =  2.801400E+01"), std::string::npos);
}

TEST_F(SonicVelocity, EnthalpyGivenFindsTheTemperature) {
  const Names names = {"PROPANE", "N-BUTANE"};
  for (const double t : {330.0, 300.0}) {  // vapour, then two phases
    SCOPED_TRACE(t);
    const pp::FlashState f = pp::flashTP(names, {0.5, 0.5}, t, 5 * kBar);
    const double h = f.enthalpy / 1e6;  // MJ/kmol
    const double byTemperature = atTemperature(t - kZeroCelsius, 5.0, kButanes, kButanesWeight);

    rh::setPrintLevel(2);
    BlockBuilder b = sonicBlock(h, 5.0, kButanes, kButanesWeight);
    b.call(XV55IF_SPPSONH);
    EXPECT_EQ(b.status, 1);
    EXPECT_NEAR(b.out(1), byTemperature, 1e-4 * byTemperature);
    EXPECT_TRUE(printed(" SPPSONH-I-Calculated Temperature = " +
                        std::to_string(t - kZeroCelsius).substr(0, 5)));
    rh::setPrintLevel(0);

    // In SI units (J/kmol, Pa), and through the bare export, the same.
    BlockBuilder si = sonicBlock(f.enthalpy, 5e5, kButanes, kButanesWeight, kSiUnits);
    si.call(XV55IF_SPPSONH);
    EXPECT_NEAR(si.out(1), b.out(1), 1e-9 * b.out(1));
    double velocity = -1;
    std::int64_t status = 0, extent = 5, unitSet = 1, context = kContext, workLength = 0;
    SPPSONH(&h, &b.inputCell(2).real, kButanes.data(), &extent, &kButanesWeight, &unitSet,
            &velocity, &status, &context, nullptr, &workLength);
    EXPECT_EQ(velocity, b.out(1));

    // The variant with further stream data ignores it.
    BlockBuilder traced = sonicBlock(h, 5.0, kButanes, kButanesWeight);
    traced.real(kNaN);
    traced.reals({kNaN, kNaN, kNaN});
    traced.real(-1e300);
    traced.call(XV55IF_SPPSONHP);
    EXPECT_EQ(traced.out(1), b.out(1));
  }
  double velocity = kSentinel;
  std::int64_t status = 0;
  SPPSONH(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &velocity, &status, nullptr,
          nullptr, nullptr);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(velocity, kSentinel);
}

TEST_F(SonicVelocity, FailuresStopWithStatusFourAndAMessage) {
  const auto fails = [this](const char* service, std::int64_t code, double first, const Reals& z,
                            const std::string& message) {
    SCOPED_TRACE(message);
    if (service) {
      ASSERT_TRUE(pp::injectStatus(service, code));
    }
    BlockBuilder b = sonicBlock(first, 1.0, z, 16.043);
    b.call(XV55IF_SPPSON);
    EXPECT_EQ(b.status, 4);
    EXPECT_EQ(b.out(1), kSentinel);
    EXPECT_TRUE(printed(" SPPSON-E-" + message)) << capture.printer.text();
  };
  const Reals methane = {0, 1, 0, 0, 0};
  fails("FLSH_PFLASH", 3, 20, methane,
        "The flash at 293.15 K and 100000 Pa failed (return code 3).");
  fails("PPMON_VMTHRM", 3, 20, methane, "The vapour properties at 293.15 K and 100000 Pa could");
  fails(nullptr, 0, 20, {0, 0, 0, 0, 0}, "The composition sums to zero");
  fails(nullptr, 0, 20, {0, kNaN, 0, 0, 0}, "Composition entry 2 is not a number.");
  fails(nullptr, 0, -274, methane, "Temperature -274 is");
  fails(nullptr, 0, 20, {0, 1, 0}, "The composition has 3 components but the model has 5.");
}

}  // namespace
