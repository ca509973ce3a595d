// End to end: the example flowsheet file loads the example user library, and the reactor,
// column-stage and coil procedures, called through their entry points, give the closed
// forms of the example routines, worked out here by hand.
#include <cmath>
#include <vector>

#include "kinetics_fixture.hpp"

namespace xv55::kinetics::testing {
namespace {

constexpr double kR = 8314.462618;  // J/(kmol K), CODATA 2018
constexpr double kKelvin = 573.15;  // 300 degC

// N-BUTANE -> 2 ETHANE and PROPANE -> METHANE, first order, k0 (1/s) and E (J/kmol).
const Reals kNu = {0, 2, 0, -1, 0, 1, 0, -1, 0, 0};
const Reals kArrhenius = {2.0e3, 6.0e7, 5.0e2, 5.5e7};

// Rates (kmol/h) for reactant amounts n (kmol): nu(i, j) k0 exp(-E/(R T)) n(reactant j).
void expectRates(ProcedureCall& c, Xv55Entry entry, const Reals& n, const char* what) {
  c.call(entry);
  ASSERT_NE(c.status, 4) << what;
  for (std::size_t i = 0; i < 5; ++i) {
    double rate = 0;
    for (std::size_t j = 0; j < 2; ++j) {
      const double k = kArrhenius[2 * j] * std::exp(-kArrhenius[2 * j + 1] / (kR * kKelvin));
      rate += kNu[j * 5 + i] * k * n[j == 0 ? 3 : 2] * 3600;
    }
    EXPECT_NEAR(c.out("rates", i + 1), rate, 1e-12 * (1 + std::fabs(rate))) << what << i;
  }
}

// The amounts of an ideal gas of kX at 10 bar in a volume (m3): y P V / (R T).
Reals gas(double volume) {
  Reals n(5);
  for (std::size_t i = 0; i < 5; ++i) n[i] = kX[i] * 1.0e6 * volume / (kR * kKelvin);
  return n;
}

class ExampleFlowsheet : public ::testing::Test {
 protected:
  void SetUp() override {
    refhost::reset();
    const cp::LoadResult loaded = cp::loadFlowsheetFile(XV55_EXAMPLE_FLOWSHEET);
    ASSERT_TRUE(loaded) << loaded.message;
  }
  void TearDown() override {
    EXPECT_TRUE(capture.printer.lines.empty()) << capture.printer.text();
    refhost::reset();
  }
  xv55::testing::ScopedCapture capture;
};

template <class R>
ProcedureCall example(std::string_view block) {
  ProcedureCall c = reactorCall<R>(block);
  c.text("reactionId", "CRACK").matrix("stoichiometry", kNu, 5, 2);
  c.reals("realParameters", kArrhenius);
  if (c.has("tubeLength")) {
    c.real("tubeCount", 10).real("tubeLength", 5).real("tubeDiameter", 0.05).real("propertyDivisor", 1);
    c.real("excludedFraction", 0.4).real("volumeFactor", 1).real("position", 2.5);
    c.reals("composition", {-1.5, -0.6, -0.45, -0.3, -0.15});  // used as |x| / sum
  }
  return c;
}

TEST_F(ExampleFlowsheet, EveryReactorReactsInItsVolume) {
  const double tubes = 10 * 0.7853975296020508 * 5 * 0.05 * 0.05 * 0.6;  // N pi/4 L D^2 (1 - f)
  const char* tank = "PLANT.LOOP.CSTR1";
  const char* tube = "PLANT.LOOP.PFR1";
  struct Case {
    const char* name;
    Xv55Entry entry;
    ProcedureCall call;
    double volume;
  } cases[] = {
      {"SPRKUSR", XV55IF_SPRKUSR, example<StirredTankArguments>(tank), 2.0},
      {"SPRKUSR1", XV55IF_SPRKUSR1, example<StirredTankOnePhaseArguments>(tank), 2.0},
      {"SPRKUSR2", XV55IF_SPRKUSR2, example<StirredTankTwoPhaseArguments>(tank), 2.0},
      {"SPRKUSR3", XV55IF_SPRKUSR3, example<StirredTankThreePhaseArguments>(tank), 2.0},
      {"SPRPUSR", XV55IF_SPRPUSR, example<PlugFlowArguments>(tube), tubes},
      {"SPRPUSR1", XV55IF_SPRPUSR1, example<PlugFlowOnePhaseArguments>(tube), tubes},
      {"SPRPUSR2", XV55IF_SPRPUSR2, example<PlugFlowTwoPhaseArguments>(tube), tubes},
      {"SPRPUSR3", XV55IF_SPRPUSR3, example<PlugFlowThreePhaseArguments>(tube), tubes},
      {"SPBOUSR", XV55IF_SPBOUSR, example<BatchArguments>("BATCH1"), 0.5},
      {"SPRADKUSER", XV55IF_SPRADKUSER, example<TrayColumnArguments>("PLANT.COL1"), 0.8},
  };
  cases[8].call.reals("realParameters", {2.0e3, 6.0e7, 5.0e2, 5.5e7, 0.5});  // batch volume
  cases[9].call.real("columnProperty1", 0.8);
  for (Case& c : cases) expectRates(c.call, c.entry, gas(c.volume), c.name);
}

TEST_F(ExampleFlowsheet, ColumnStagesReactInTheirLiquidHoldupAndTheCoilGivesItsDuty) {
  ProcedureCall stage = stageCall<ColumnStageArguments>();
  stage.text("reactionId", "STAGERX").integer("componentCount", 5).integer("reactionCount", 2);
  stage.real("temperature", 300.0).reals("vapourAmounts", kX).matrix("stoichiometry", kNu, 5, 2);
  stage.reals("realParameters", kArrhenius).outputs("rates", 5);
  stage.reals("liquidAmounts", {1, 2, 3, 4, 5}).real("liquidHoldup", 3.0);
  expectRates(stage, XV55IF_SPRDKUSR, {0.2, 0.4, 0.6, 0.8, 1.0}, "SPRDKUSR");  // x holdup
  // U A (Tc - T) in W, as GJ/h; T is 300 + 273.15 in single precision.
  ProcedureCall coil = fluxCall<BatchHeatFluxArguments>("BATCH1");
  coil.real("processTemperature", 300.0).reals("realParameters", {500.0, 4.0, 600.0});
  coil.integer("userValueCount", 1).outputs("userValues", 1).call(XV55IF_SPBOQFLUX_USER);
  const double difference = 600.0 - (300.0 + 273.1499938964844);
  EXPECT_NEAR(coil.out("heatFlux"), 500.0 * 4.0 * difference * 3.6 / 1.0e6, 1e-12);
  EXPECT_NEAR(coil.out("userValues"), difference, 1e-12);
  // Darcy f rho v^2 / (2 D), as bar/m: 0.1 kmol/s of 22 kg/kmol at 12 kg/m3 in 10 tubes.
  ProcedureCall drop = fluxCall<PressureDropArguments>("PLANT.LOOP.PFR1");
  drop.integer("reactorMode", 1).real("tubeCount", 10).real("tubeDiameter", 0.05);
  drop.reals("realParameters", {0.02}).call(XV55IF_SPRPDPDZ_USER);
  const double v = 0.1 * 22.0 / 12.0 / (10 * 3.141592653589793 / 4 * 0.05 * 0.05);
  EXPECT_NEAR(drop.out("pressureGradient"), 0.02 * 12.0 * v * v / 0.1 * 1e-5, 1e-15);
}

}  // namespace
}  // namespace xv55::kinetics::testing
