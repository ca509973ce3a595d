// End to end: the example flowsheet file loads the example user library, and every
// user-routine procedure, called through its entry point, gives the closed-form answer
// of the example routines.
#include <cmath>
#include <numbers>
#include <vector>

#include "common/units.hpp"
#include "kinetics_fixture.hpp"

namespace xv55::kinetics::testing {
namespace {

constexpr double kR = 8314.462618;  // J/(kmol K), as the example routines take it
constexpr double kKelvin = 273.15;  // the host's unit service, model to K

// Two first-order reactions over the five components: N-BUTANE -> 2 ETHANE and
// PROPANE -> METHANE, with their Arrhenius constants (1/s, J/kmol).
const std::vector<double> kStoichiometry = {0, 2, 0, -1, 0, 1, 0, -1, 0, 0};
const std::vector<double> kArrhenius = {2.0e3, 6.0e7, 5.0e2, 5.5e7};
const std::vector<double> kComposition = {0.5, 0.2, 0.15, 0.1, 0.05};
constexpr double kCelsius = 300.0;
constexpr double kBar = 10.0;

// Rates (kmol/h) of the example kinetics: r(j) = k(j) exp(-E/(R T)) amount(reactant).
std::vector<double> expectedRates(const std::vector<double>& amount, double t) {
  std::vector<double> rates(5, 0.0);
  const std::size_t reactants[] = {3, 2};
  for (std::size_t j = 0; j < 2; ++j) {
    const double r =
        kArrhenius[2 * j] * std::exp(-kArrhenius[2 * j + 1] / (kR * t)) * amount[reactants[j]];
    for (std::size_t i = 0; i < 5; ++i) rates[i] += kStoichiometry[j * 5 + i] * r * 3600.0;
  }
  return rates;
}

// Gas amounts c V of the reactor kinetics: y P / (R T) V.
std::vector<double> gasAmounts(const std::vector<double>& y, double volume) {
  const double t = kCelsius + kKelvin;
  std::vector<double> amount(5);
  for (std::size_t i = 0; i < 5; ++i) amount[i] = y[i] * kBar * 1e5 / (kR * t) * volume;
  return amount;
}

void expectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(actual[i], expected[i], 1e-12 * (1.0 + std::fabs(expected[i]))) << "rate " << i;
  }
}

class ExampleFlowsheet : public ::testing::Test {
 protected:
  void SetUp() override {
    refhost::reset();
    ASSERT_TRUE(pp::setCompanionComponents(kComponents));
    const cp::LoadResult loaded = cp::loadFlowsheetFile(XV55_EXAMPLE_FLOWSHEET);
    ASSERT_TRUE(loaded) << loaded.message;
  }
  void TearDown() override { refhost::reset(); }

  // The arguments every reactor procedure shares.
  template <class Record>
  ProcedureCall reactor(std::string_view block) {
    ProcedureCall c = callOf<Record>();
    c.text("blockId", block)
        .text("reactionId", "CRACK")
        .real("temperature", kCelsius)
        .real("pressure", kBar)
        .reals("composition", kComposition)
        .real("flow", 360.0)
        .matrix("stoichiometry", kStoichiometry, 5, 2)
        .reals("realParameters", kArrhenius)
        .outputs("rates", 5);
    return c;
  }
  // The four members of a reactor family on `block`, each given to `evaluate` with its
  // entry: the flash member, then the members that take one, two and three compositions
  // (and the phase fractions) from the model.
  template <class Flash, class One, class Two, class Three, class Evaluate>
  void eachMember(std::string_view block, const Xv55Entry (&entries)[4], const Evaluate& evaluate) {
    const auto phases = [](ProcedureCall c, std::initializer_list<const char*> names) {
      c.real("vapourFraction", 1.0).real("liquidSplit", 1.0);
      for (const char* name : names) c.reals(name, kComposition);
      return c;
    };
    evaluate(reactor<Flash>(block), entries[0]);
    evaluate(phases(reactor<One>(block), {}), entries[1]);
    evaluate(phases(reactor<Two>(block), {"vapour", "liquid"}), entries[2]);
    evaluate(phases(reactor<Three>(block), {"vapour", "liquid1", "liquid2"}), entries[3]);
  }
  void expectSuccess(ProcedureCall& c) {
    EXPECT_NE(c.status, 4);
    EXPECT_TRUE(capture.printer.lines.empty()) << capture.printer.text();
  }

  xv55::testing::ScopedCapture capture;
};

TEST_F(ExampleFlowsheet, StirredTanksReactInTheirVolume) {
  const auto expected = expectedRates(gasAmounts(kComposition, 2.0), kCelsius + kKelvin);
  const auto evaluate = [&](ProcedureCall c, Xv55Entry entry) {
    c.real("volume", 2.0).integer("phaseOption", 2).integer("unitSet", 1);
    c.call(entry);
    expectSuccess(c);
    expectNear(c.outs("rates"), expected);
  };
  eachMember<StirredTankArguments, StirredTankOnePhaseArguments, StirredTankTwoPhaseArguments,
             StirredTankThreePhaseArguments>(
      "PLANT.LOOP.CSTR1", {XV55IF_SPRKUSR, XV55IF_SPRKUSR1, XV55IF_SPRKUSR2, XV55IF_SPRKUSR3},
      evaluate);
}

TEST_F(ExampleFlowsheet, TubularReactorsReactInTheTubesVolume) {
  const double volume = 10 * units::kQuarterPiSingle * 5.0 * 0.05 * 0.05 * 1.0 * (1.0 - 0.4);
  const auto expected = expectedRates(gasAmounts(kComposition, volume), kCelsius + kKelvin);
  std::vector<double> unnormalised = kComposition;
  for (double& x : unnormalised) x *= -3.0;  // used by absolute value, renormalised
  const auto evaluate = [&](ProcedureCall c, Xv55Entry entry) {
    c.integer("reactorInteger", 1)
        .real("tubeCount", 10.0)
        .real("tubeLength", 5.0)
        .real("divisor", 1.0)
        .real("position", 2.5)
        .real("tubeDiameter", 0.05)
        .real("fraction", 0.4)
        .real("factor", 1.0)
        .real("referenceTemperature", kCelsius)
        .reals("composition", unnormalised)
        .integer("phaseCode", 2)
        .integer("unitSet", 1);
    c.call(entry);
    expectSuccess(c);
    expectNear(c.outs("rates"), expected);
  };
  eachMember<PlugFlowArguments, PlugFlowOnePhaseArguments, PlugFlowTwoPhaseArguments,
             PlugFlowThreePhaseArguments>(
      "PLANT.LOOP.PFR1", {XV55IF_SPRPUSR, XV55IF_SPRPUSR1, XV55IF_SPRPUSR2, XV55IF_SPRPUSR3},
      evaluate);
}

TEST_F(ExampleFlowsheet, BatchChargeAndTrayColumnReactInTheirVolumes) {
  ProcedureCall batch = reactor<BatchArguments>("BATCH1");
  std::vector<double> parameters = kArrhenius;
  parameters.push_back(0.5);  // the batch's volume after the constants
  batch.reals("realParameters", parameters).integer("phaseCode", 2).integer("unitSet", 1);
  batch.call(XV55IF_SPBOUSR);
  expectSuccess(batch);
  expectNear(batch.outs("rates"), expectedRates(gasAmounts(kComposition, 0.5), kCelsius + kKelvin));

  ProcedureCall column = reactor<TrayColumnArguments>("PLANT.COL1");
  column.integer("columnInteger1", 7).integer("phaseOption", 2).real("columnReal1", 0.8);
  column.call(XV55IF_SPRADKUSER);
  expectSuccess(column);
  expectNear(column.outs("rates"),
             expectedRates(gasAmounts(kComposition, 0.8), kCelsius + kKelvin));
}

// A column stage of the example flowsheet: its reaction paragraph and stage data.
template <class Record>
ProcedureCall stageCall() {
  ProcedureCall c = callOf<Record>();
  c.text("reactionId", "STAGERX")
      .integer("componentCount", 5)
      .integer("reactionCount", 2)
      .real("temperature", kCelsius)
      .real("pressure", kBar)
      .real("flow", 100.0)
      .reals("vapourAmounts", kComposition)
      .matrix("stoichiometry", kStoichiometry, 5, 2)
      .real("vapourFlow", 50.0)
      .real("vapourHoldup", 0.1)
      .integer("stage", 3)
      .reals("realParameters", kArrhenius)
      .outputs("rates", 5);
  return c;
}

TEST_F(ExampleFlowsheet, ColumnStagesReactInTheirLiquidHoldup) {
  const std::vector<double> liquid1 = {1.0, 2.0, 3.0, 4.0, 5.0};
  const std::vector<double> liquid2 = {5.0, 4.0, 3.0, 2.0, 1.0};
  ProcedureCall one = stageCall<ColumnStageArguments>();
  one.reals("liquidAmounts", liquid1).real("liquidFlow", 50.0).real("liquidHoldup", 3.0);
  one.call(XV55IF_SPRDKUSR);
  expectSuccess(one);
  std::vector<double> amount(5);
  for (std::size_t i = 0; i < 5; ++i) amount[i] = liquid1[i] / 15.0 * 3.0;
  expectNear(one.outs("rates"), expectedRates(amount, kCelsius + kKelvin));

  ProcedureCall two = stageCall<ColumnStageTwoLiquidArguments>();
  two.reals("liquid1Amounts", liquid1)
      .reals("liquid2Amounts", liquid2)
      .real("liquid1Holdup", 1.0)
      .real("liquid2Holdup", 3.0);
  two.call(XV55IF_SPRDKUS3);
  expectSuccess(two);
  for (std::size_t i = 0; i < 5; ++i) amount[i] = (liquid1[i] + liquid2[i]) / 30.0 * 4.0;
  expectNear(two.outs("rates"), expectedRates(amount, kCelsius + kKelvin));
}

// The stream of the flux routines: 360 kmol/h of molecular weight 30 at 8 kg/m3.
template <class Record>
ProcedureCall fluxCall(std::string_view block) {
  ProcedureCall c = callOf<Record>();
  c.text("blockId", block)
      .real("processFlow", 360.0)
      .real("processTemperature", kCelsius)
      .real("processPressure", kBar)
      .real("processEnthalpy", -80.0)
      .real("processVapourFraction", 0.9)
      .real("processDensity", 8.0)
      .real("processMolecularWeight", 30.0)
      .reals("processComposition", kComposition);
  return c;
}

TEST_F(ExampleFlowsheet, TubularReactorRoutinesGivePressureDropHeatFluxAndHoldup) {
  ProcedureCall drop = fluxCall<PressureDropArguments>("PLANT.LOOP.PFR1");
  drop.integer("reactorMode", 1)
      .real("tubeCount", 10.0)
      .real("tubeDiameter", 0.05)
      .integer("userValueCount", 1)
      .reals("realParameters", {0.02})
      .outputs("userValues", 2);
  drop.call(XV55IF_SPRPDPDZ_USER);
  expectSuccess(drop);
  const double area = 10.0 * std::numbers::pi / 4.0 * 0.05 * 0.05;
  const double velocity = 0.1 * 30.0 / 8.0 / area;
  EXPECT_NEAR(drop.out("pressureGradient"), 0.02 * 8.0 * velocity * velocity / 0.1 * 1e-5, 1e-15);
  EXPECT_NEAR(drop.out("holdup"), 0.1, 1e-15);
  EXPECT_NEAR(drop.out("userValues", 1), velocity, 1e-12);
  EXPECT_EQ(drop.out("userValues", 2), -1.0);  // beyond the user values asked for

  ProcedureCall flux = fluxCall<TubeHeatFluxArguments>("PLANT.LOOP.PFR1");
  flux.integer("reactorMode", 3)
      .real("tubeCount", 10.0)
      .real("tubeDiameter", 0.05)
      .real("heatTransferCoefficient", 200.0)
      .real("fluidTemperature", 350.0)
      .reals("fluidComposition", kComposition)
      .integer("userValueCount", 1)
      .outputs("userValues", 1);
  flux.call(XV55IF_SPRPQFLUX_USER);
  expectSuccess(flux);
  EXPECT_NEAR(flux.out("heatFlux"), 200.0 * std::numbers::pi * 0.05 * 10.0 * 50.0 * 3.6e-6, 1e-12);
  EXPECT_NEAR(flux.out("userValues"), 50.0, 1e-9);

  ProcedureCall holdup = fluxCall<HoldupArguments>("PLANT.LOOP.PFR1");
  holdup.real("processVapourFraction", 0.3)
      .real("liquidDensity", 600.0)
      .real("vapourDensity", 20.0);
  holdup.call(XV55IF_SPRPHLD_USER);
  expectSuccess(holdup);
  EXPECT_NEAR(holdup.out("holdup"), (0.7 / 600.0) / (0.7 / 600.0 + 0.3 / 20.0), 1e-15);
}

TEST_F(ExampleFlowsheet, BatchCoilGivesItsDuty) {
  ProcedureCall coil = fluxCall<BatchHeatFluxArguments>("BATCH1");
  coil.reals("realParameters", {500.0, 4.0, 600.0})
      .integer("userValueCount", 1)
      .outputs("userValues", 1);
  coil.call(XV55IF_SPBOQFLUX_USER);
  expectSuccess(coil);
  const double difference = 600.0 - (kCelsius + units::kKelvinAtZeroCelsiusSingle);
  EXPECT_NEAR(coil.out("heatFlux"), 500.0 * 4.0 * difference * 3.6 / 1.0e6, 1e-12);
  EXPECT_NEAR(coil.out("userValues"), difference, 1e-12);
}

TEST_F(ExampleFlowsheet, MissingParametersMakeTheRoutineFailAndTheRatesStay) {
  ProcedureCall c = reactor<StirredTankArguments>("PLANT.LOOP.CSTR1");
  c.real("volume", 2.0).integer("phaseOption", 2).reals("realParameters", {1.0});
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(c.outs("rates"), std::vector<double>(5, -1.0));
  EXPECT_EQ(capture.printer.lines.front(), " SAIURK-F-Model is failing for current condition.");
}

}  // namespace
}  // namespace xv55::kinetics::testing
