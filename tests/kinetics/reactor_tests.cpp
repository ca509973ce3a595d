// The reactor kinetics procedures with a routine of this process: what the routine
// receives (stream vector, common areas, stoichiometry, phases), the units, the call
// site's kept areas, and the refusals.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "kinetics_fixture.hpp"
#include "xv55/xv55.h"

namespace xv55::kinetics::testing {
namespace {

using ReactorKinetics = KineticsTest;

// The stream vector the routine saw: the flows (kmol/s), their total, 573.15 K, 1e6 Pa and
// six no-values.
void expectStream(Reals stream, double tolerance) {
  stream.insert(stream.end(), {0.1, 573.15, 1.0e6});
  stream.resize(stream.size() + 6, PPEXEC_USER[0]);
  ASSERT_EQ(g_probe.stream.size(), stream.size());
  for (std::size_t k = 0; k < stream.size(); ++k)
    EXPECT_NEAR(g_probe.stream[k], stream[k], tolerance);
}

TEST_F(ReactorKinetics, TheRoutineSeesTheStreamVectorAndTheCommonAreasInModelOrder) {
  ASSERT_TRUE(pp::setModelComponents(7, {"PROPANE", "METHANE"}));
  g_probe.rates = {10, 20, 30, 40, 50};  // kmol/s by companion position
  g_probe.scribble = true;               // the routine writes into its index vector and option set
  ProcedureCall c = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  c.hostContext = 7;
  c.reals("composition", {0.25, 0.75}).matrix("stoichiometry", {-1, 1}, 2, 1).outputs("rates", 2);
  c.real("tankWord2", 0.5).real("reactorProperty3", 3).real("reactorProperty4", 4);
  c.real("reactorProperty5", 5).real("reactorProperty6", 6).call(XV55IF_SPRKUSR);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  // Flows of 360 kmol/h at the companion positions of propane (3) and methane (1), kmol/s.
  expectStream({0.075, 0, 0.025, 0, 0}, 1e-15);
  EXPECT_EQ(g_probe.stoichiometry, (Reals{1, 0, -1, 0, 0}));
  // NCOMP, reactions, flashed; no tube position.
  EXPECT_EQ(g_probe.values<std::int64_t>({16, 17, 29}), (Ints{5, 1, 1}));
  EXPECT_EQ(g_probe.get<double>(22), 0.0);
  EXPECT_EQ(Reals(RXN_MIXRXR, RXN_MIXRXR + 2), (Reals{2.0, 0.5}));
  EXPECT_EQ(MXRX_MIXRXI[0], 1);
  EXPECT_NEAR(RXN_RPROPS[0], 573.15, 1e-12);
  EXPECT_EQ(Reals(RXN_RPROPS + 1, RXN_RPROPS + 7), (Reals{1e6, 3, 4, 5, 6, 6}));
  EXPECT_EQ(SAIPRNAM, 76);
  // A gas: every phase of the flash is the feed, in companion order.
  for (const Reals& phase : g_probe.phases) EXPECT_NEAR(phase.at(2), 0.25, 1e-12);
  // Its rates by the index it was given, not the one it wrote; its identifiers.
  EXPECT_EQ(c.outs("rates"), (Reals{30 * 3600.0, 10 * 3600.0}));
  for (std::size_t k = 51; k < XV55_USER_ARGUMENT_COUNT; ++k) {
    EXPECT_EQ(g_probe.arguments[k], &DMS_INITV[1]) << "argument " << k + 1;
  }
  const std::int64_t* ids = g_probe.ids.data();
  EXPECT_EQ((Lines{packed(ids), packed(ids + 2), packed(ids + 4), packed(ids + 6), packed(ids + 8),
                   packed(ids + 16)}),
            (Lines{"CSTR1", "SAIURK", "SAIURK", "MIXRX", "PROBE", "MIXRX"}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ids + 18), 8), "        ");
  EXPECT_EQ(ids[19], 1);
  // A routine that writes no rates gives zeros, not the last call's; after a failing
  // one the next call succeeds.
  g_probe.rates.clear();
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.outs("rates"), (Reals{0, 0}));
  g_probe.fail = true;
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.status, 4);
  g_probe = Probe{};
  g_probe.rates = {1, 1, 1, 1, 1};
  c.status = 0;
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.status, 0) << capture.printer.text();
  EXPECT_EQ(c.outs("rates"), (Reals{3600, 3600}));
}

TEST_F(ReactorKinetics, StoichiometryIsLoadedOnceUntilTheCleanUpCallAndAreasFollowTheirShape) {
  ProcedureCall c = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(c.work[4], 999.0);
  EXPECT_EQ(c.work[6], 999.0);
  EXPECT_EQ(refhost::liveBlocks(), 2);
  const Reals first = g_probe.stoichiometry;
  c.matrix("stoichiometry", {0, 0, 0, -1, 1, 0, 0, -1, 1, 0}, 5, 2);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.stoichiometry, first);
  c.call(XV55IF_SPRKUSR, XV55_CALL_CLEANUP);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.stoichiometry, (Reals{0, 0, 0, -1, 1, 0, 0, -1, 1, 0}));
  // Fewer components and no clean-up call in between: both areas are made again.
  ASSERT_TRUE(cp::loadFlowsheet("components METHANE ETHANE PROPANE\nreaction RX PROBE\n"));
  c.reals("composition", {0.2, 0.3, 0.5}).matrix("stoichiometry", {-1, 1, 0}, 3, 1);
  c.outputs("rates", 3).call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.stoichiometry, (Reals{-1, 1, 0}));
  EXPECT_EQ(g_probe.stream.size(), 12u);
  EXPECT_EQ(refhost::liveBlocks(), 2);
  // Without reactions no stoichiometry area is kept; the routine gets the dummy word.
  ProcedureCall none = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  none.reals("composition", {0.2, 0.3, 0.5}).matrix("stoichiometry", {}, 3, 0);
  none.outputs("rates", 3).call(XV55IF_SPRKUSR);
  EXPECT_EQ(g_probe.get<std::int64_t>(17), 0);
  EXPECT_EQ(g_probe.array<void>(18), &DMS_INITV[1]);
  EXPECT_EQ(none.work[7], 0.0);
}

// English units: 572 degF = (572 + 459.67) x 5/9 K; 1 psi = 0.45359237 kg x 9.80665 m/s2
// / (0.0254 m)^2; volumes, lengths and flows by the single-precision factors 0.0283206
// m3/ft3, 0.3048 m/ft and 2.2046225 lb/kg that stored models were built with.
TEST_F(ReactorKinetics, UnitSetTwoIsEnglishUnits) {
  const double kelvin = (572.0 + 459.67) * 5.0 / 9.0;
  const double pascals = 145.0 * 0.45359237 * 9.80665 / (0.0254 * 0.0254);
  ProcedureCall tank = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  ProcedureCall tube = reactorCall<PlugFlowArguments>("PLANT.PFR1");
  tank.real("volume", 70.0);
  tube.real("tubeLength", 3.0).real("tubeDiameter", 0.1);
  for (auto [c, entry] : {std::pair{&tube, &XV55IF_SPRPUSR}, {&tank, &XV55IF_SPRKUSR}}) {
    c->integer("unitSet", 2).real("temperature", 572.0).real("pressure", 145.0);
    c->real("flow", 800.0).call(entry);
    ASSERT_EQ(c->status, 0) << capture.printer.text();
    EXPECT_NEAR(g_probe.stream[6], kelvin, 1e-9);
    EXPECT_NEAR(g_probe.stream[7], pascals, 1e-6);
    EXPECT_NEAR(RXN_RPROPS[0], kelvin, 1e-9);
    EXPECT_NEAR(g_probe.stream[5], 800.0 / 2.204622507095337 / 3600.0, 1e-15);
  }
  EXPECT_EQ(RXN_MIXRXR[0], 70.0 * 0.02832059934735298);
  EXPECT_EQ(TBRX_TUBRXR[0], 3.0 * 0.30480000376701355);
  EXPECT_EQ(TBRX_TUBRXR[1], 0.1 * 0.30480000376701355);
  // Any other unit set is the model's own: degC and bar.
  tank.integer("unitSet", 3).real("temperature", 300.0).real("pressure", 10.0);
  tank.call(XV55IF_SPRKUSR);
  EXPECT_NEAR(g_probe.stream[6], 573.15, 1e-12);
  EXPECT_EQ(RXN_MIXRXR[0], 70.0);
}

TEST_F(ReactorKinetics, PlugFlowFillsTheTubeAreasAndRenormalisesItsComposition) {
  ProcedureCall c = reactorCall<PlugFlowArguments>("PLANT.PFR1");
  c.integer("reactorInteger", 3).real("tubeCount", 4.7).real("tubeLength", 3.0);
  c.real("tubeDiameter", 0.1).real("propertyDivisor", 2.0).real("position", 1.25).real("excludedFraction", 0.4);
  c.real("volumeFactor", 0.9).real("referenceTemperature", 20.0).real("reactorProperty3", 3.0);
  c.real("reactorProperty4", 4.0).real("reactorProperty5", 5.0).real("reactorProperty6", 6.0);
  c.reals("composition", {-2, 0, 2, 0, 0});
  c.call(XV55IF_SPRPUSR);
  EXPECT_EQ(Ints(TBRX_TUBRXI, TBRX_TUBRXI + 2), (Ints{3, 4}));
  // Reaction volume N pi/4 L D^2 factor (1 - fraction), pi/4 in single precision.
  const double volume = 4 * 0.78539752960205078 * 3.0 * 0.1 * 0.1 * 0.9 * 0.6;
  const Reals tube = {3.0, 0.1, 1.25, 20.0 + 273.1499938964844, volume, 0.9, 0.4};
  for (std::size_t k = 0; k < 7; ++k) EXPECT_NEAR(TBRX_TUBRXR[k], tube[k], 1e-13) << k;
  EXPECT_EQ(Reals(RXN_RPROPS + 1, RXN_RPROPS + 7), (Reals{1.0e6, 3.0, 4.0, 2.5, 3.0, 3.0}));
  EXPECT_EQ(g_probe.get<double>(22), 1.25);
  EXPECT_EQ(SAIPRNAM, 77);
  EXPECT_EQ(Reals(g_probe.stream.begin(), g_probe.stream.begin() + 6),
            (Reals{0.05, 0, 0.05, 0, 0, 0.1}));  // |x| / sum; total = sum of the flows
  // A composition that sums to nothing is uniform over the model's components only.
  ASSERT_TRUE(pp::setModelComponents(3, {"ETHANE", "N-HEXANE"}));
  c.hostContext = 3;
  c.reals("composition", {0, 0}).matrix("stoichiometry", {-1, 1}, 2, 1).outputs("rates", 2);
  c.call(XV55IF_SPRPUSR);
  expectStream({0, 0.05, 0, 0, 0.05}, 1e-12);
}

TEST_F(ReactorKinetics, FlashesAndTheirCodesFollowEachKindsRule) {
  const auto flashes = [] { return refhost::lastCall("FLSH_PFLASH").calls; };
  for (const Xv55Entry entry : {XV55IF_SPRPUSR, XV55IF_SPBOUSR}) {
    ProcedureCall c = entry == XV55IF_SPRPUSR ? reactorCall<PlugFlowArguments>("PLANT.PFR1")
                                              : reactorCall<BatchArguments>("BATCH1");
    const auto before = flashes();
    c.real("flow", 0.0).call(entry);  // no flow: no flash, flag 0, empty phases
    EXPECT_EQ(flashes(), before);
    EXPECT_EQ(g_probe.get<std::int64_t>(29), 0);
    EXPECT_EQ(g_probe.phases[0], Reals(5, 0.0));
    c.real("flow", 36.0).call(entry);
    EXPECT_EQ(flashes(), before + 1);
    EXPECT_EQ(g_probe.get<std::int64_t>(29), 1);
  }
  // Phase and sub-code, the threshold 0.9 in single precision (0.8999999761581421).
  struct Case {
    Xv55Entry entry;
    std::int64_t option;
    double word3, test;
    Ints codes;
  } cases[] = {{XV55IF_SPRKUSR, 1, 0.5, 0.95, {1, 2}}, {XV55IF_SPRKUSR, 1, 0.9, 0.95, {1, 1}},
               {XV55IF_SPRKUSR, 7, 0.5, 0.5, {3, 0}},  {XV55IF_SPRPUSR, 1, 0.9, 0.5, {1, 1}},
               {XV55IF_SPRPUSR, 1, 0.5, 0.9, {1, 2}},  {XV55IF_SPRPUSR, 1, 0.5, 0.5, {1, 1}}};
  for (const Case& k : cases) {
    const bool tank = k.entry == XV55IF_SPRKUSR;
    ProcedureCall c = tank ? reactorCall<StirredTankArguments>("PLANT.CSTR1")
                           : reactorCall<PlugFlowArguments>("PLANT.PFR1");
    c.integer(tank ? "phaseOption" : "phaseCode", k.option);
    c.real("reactorProperty3", k.word3).real("phaseTest", k.test).call(k.entry);
    const auto& i = refhost::lastCall("FLSH_PFLASH").integers;
    EXPECT_EQ(Ints(i.end() - 2, i.end()), k.codes) << k.word3 << k.test;
  }
}

TEST_F(ReactorKinetics, TrayColumnFillsTheColumnAreasAndNamesItsBlockType) {
  ProcedureCall c = reactorCall<TrayColumnArguments>("COL1");
  c.integer("columnInteger1", 12).integer("columnInteger2", 30).real("columnProperty1", 1.5);
  c.real("columnProperty2", 2.5).real("columnProperty3", 3.5).real("columnProperty4", 4.5);
  c.work.assign(6, 0.0);  // a tray column keeps only its stream area
  c.call(XV55IF_SPRADKUSER);
  EXPECT_EQ(Ints(RXN_DISTI, RXN_DISTI + 2), (Ints{12, 30}));
  EXPECT_EQ(Reals(RXN_DISTR, RXN_DISTR + 4), (Reals{1.5, 2.5, 3.5, 4.5}));
  EXPECT_EQ(g_probe.ids[19], 0);
  EXPECT_EQ(packed(g_probe.ids.data() + 6), "TRAYCOL");
  EXPECT_EQ(g_probe.stoichiometry, (Reals{0, 2, 0, -1, 0, 1, 0, -1, 0, 0}));
  EXPECT_EQ(refhost::liveBlocks(), 1);
}

TEST_F(ReactorKinetics, PhasesFromTheModelGoToTheRoutineAndTheStreamWorkArea) {
  ASSERT_TRUE(pp::setModelComponents(5, {"PROPANE", "METHANE"}));
  ProcedureCall c = reactorCall<StirredTankThreePhaseArguments>("PLANT.CSTR1");
  c.hostContext = 5;
  c.reals("composition", {0.5, 0.5}).reals("vapour", {0.2, 0.8}).reals("liquid1", {0.9, 0.1});
  c.reals("liquid2", {0, 0});  // absent: the overall composition
  c.real("vapourFraction", 0.25).real("liquidSplit", 0.5).real("temperature", 20.0);
  c.matrix("stoichiometry", {-1, 1}, 2, 1).outputs("rates", 2);
  c.call(XV55IF_SPRKUSR3);
  ASSERT_EQ(g_probe.calls, 1) << capture.printer.text();
  EXPECT_EQ(g_probe.phases[0], (Reals{0.8, 0, 0.2, 0, 0}));
  EXPECT_EQ(g_probe.phases[2], (Reals{0.1, 0, 0.9, 0, 0}));
  EXPECT_EQ(g_probe.phases[3], (Reals{0.5, 0, 0.5, 0, 0}));
  const Reals liquid = {0.3, 0, 0.7, 0, 0};  // 0.5 liquid 1 + 0.5 liquid 2
  for (std::size_t k = 0; k < 5; ++k) EXPECT_NEAR(g_probe.phases[1][k], liquid[k], 1e-15);
  const Reals d(SHS_STWORK + 600, SHS_STWORK + 612);  // words 601 to 612
  EXPECT_EQ(Reals(d.begin(), d.begin() + 3), (Reals{0.25, 0.75, 0.5}));
  EXPECT_NEAR(d[3], 0.025, 1e-15);  // vapour flow, kmol/s
  EXPECT_NEAR(d[4], 0.075, 1e-15);
  // A vapour's molar volume near R T / P at 293.15 K and 10 bar, a liquid's far below it;
  // the mixture's molecular weight from 44.097 and 16.043 kg/kmol (Poling).
  EXPECT_NEAR(d[5], 8314.462618 * 293.15 / 1e6, 0.1 * 8314.462618 * 293.15 / 1e6);
  EXPECT_LT(d[6], 0.2);
  EXPECT_NEAR(d[11], 0.5 * 44.097 + 0.5 * 16.043, 1e-9);
}

TEST_F(ReactorKinetics, SizesOfAHundredPassAndEveryLimitBeyondIsRefused) {
  const std::pair<const char*, std::int64_t> limits[] = {{"userValueCount", 100},
                                                         {"integerWorkspaceCount", 100},
                                                         {"realWorkspaceCount", 100},
                                                         {"integerWorkCount", 12},
                                                         {"realWorkCount", 12}};
  for (const auto& [name, limit] : limits) {
    for (const std::int64_t value : {limit, limit + 1}) {
      ProcedureCall c = reactorCall<StirredTankArguments>("PLANT.CSTR1");
      c.integer(name, value).call(XV55IF_SPRKUSR);
      EXPECT_EQ(c.status, value == limit ? 0 : 4) << name << value;
    }
  }
  ProcedureCall rows = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  rows.matrix("stoichiometry", Reals(101, 0.0), 101, 1).call(XV55IF_SPRKUSR);
  EXPECT_EQ(rows.status, 4);
  refhost::setComponentCount(92);  // NCOMP + 9 > 100
  ProcedureCall many = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  many.call(XV55IF_SPRKUSR);
  EXPECT_EQ(many.status, 4);
  EXPECT_EQ(g_probe.calls, 5);
  EXPECT_EQ(lines().size(), 7u * 12u);  // the size report each time
}

TEST_F(ReactorKinetics, UnusableInputsAndHostFailuresStopBeforeTheRoutine) {
  ASSERT_TRUE(pp::setModelComponents(4, {"PROPANE", "METHANE"}));
  ProcedureCall nan = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  nan.real("temperature", std::nan("")).call(XV55IF_SPRKUSR);
  reactorCall<PlugFlowArguments>("PLANT.PFR1").real("propertyDivisor", 0.0).call(XV55IF_SPRPUSR);
  reactorCall<BatchArguments>("BATCH1").reals("integerParameters", {1e300}).call(XV55IF_SPBOUSR);
  ProcedureCall shortWork = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  shortWork.work.assign(7, 0.0);
  shortWork.call(XV55IF_SPRKUSR);
  ProcedureCall more = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  more.hostContext = 4;  // five fractions for a model of two components
  more.call(XV55IF_SPRKUSR);
  EXPECT_EQ(lines(),
            (Lines{" SPRKUSR-F-Invalid input: temperature = nan", kExit,
                   " SPRPUSR-F-Invalid input: propertyDivisor = 0", kExit,
                   " SPBOUSR-F-Invalid input: integerParameters = 1e+300", kExit,
                   " SPRKUSR-F-The workspace of 7 words is too short: 8 are needed.", kExit,
                   " SPRKUSR-F-Array sizes do not agree: 5 components given, "
                   "stoichiometry of 5 rows, 2 components in the model.",
                   kExit}));
  EXPECT_EQ(nan.outs("rates"), Reals(5, -1.0));
  EXPECT_EQ(shortWork.work, Reals(7, 0.0));
  // The host's component set, flash, store and property monitors.
  ASSERT_TRUE(pp::injectStatus("SAISST", 4));
  reactorCall<StirredTankArguments>("PLANT.CSTR1").call(XV55IF_SPRKUSR);
  ASSERT_TRUE(pp::injectStatus("FLSH_PFLASH", 3));
  ProcedureCall flash = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  flash.call(XV55IF_SPRKUSR);
  EXPECT_EQ(flash.status, 4);
  ASSERT_TRUE(refhost::injectFailure("DMS_ALLOCR"));
  reactorCall<StirredTankArguments>("PLANT.CSTR1").call(XV55IF_SPRKUSR);
  EXPECT_EQ(lines().at(lines().size() - 2),
            " SPRKUSR-F-The host cannot provide a work area of 16 words.");
  ASSERT_TRUE(pp::injectStatus("PPMON_LMTHMY", 3));
  ProcedureCall phases = reactorCall<StirredTankOnePhaseArguments>("PLANT.CSTR1");
  phases.call(XV55IF_SPRKUSR1);
  EXPECT_EQ(phases.status, 4);
  EXPECT_EQ(lines().at(lines().size() - 2),
            " SPRKUSR1-F-Phase properties cannot be evaluated for current condition.");
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(ReactorKinetics, RunFilesAreFilledForTheRoutineWhenBlank) {
  ASSERT_TRUE(cp::loadFlowsheet(std::string(kProbeFlowsheet) +
                                "run-file plant\nrun-directory /data/run\n"));
  ProcedureCall c = reactorCall<StirredTankArguments>("PLANT.CSTR1");
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(std::string(SAIPDF.runFile, 6), "plant ");
  EXPECT_EQ(std::string(SAIPDF.runDirectory, 10), "/data/run ");
  std::memset(SAIPDF.runFile, ' ', sizeof SAIPDF.runFile);
  std::memcpy(SAIPDF.runFile, "mine", 4);
  c.call(XV55IF_SPRKUSR);
  EXPECT_EQ(std::string(SAIPDF.runFile, 6), "mine  ");
}

}  // namespace
}  // namespace xv55::kinetics::testing
