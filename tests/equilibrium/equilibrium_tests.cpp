// The equilibrium reactor procedure through its entry point, on EQLBRX blocks of a
// flowsheet run by the reference host's equilibrium reactor library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "equilibrium/phase_record.hpp"
#include "host/data_management.h"
#include "host/equilibrium.h"
#include "support/capture_printer.hpp"
#include "xv55/block_builder.hpp"
#include "xv55/host_objects.hpp"
#include "xv55/refhost.hpp"
#include "xv55/refhost/columns.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/properties.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;
namespace cp = xv55::refhost::companion;
namespace props = xv55::refhost::properties;
namespace eq = xv55::refhost::equilibrium;

constexpr double kUntouched = -7.0;
constexpr std::int64_t kContext = 42;
constexpr double kKelvin = 273.15;

// The model's components, in another order than the companion simulator's.
const std::vector<std::string> kCompanion = {"METHANE", "PROPANE", "N-BUTANE"};
const std::vector<std::string> kModel = {"N-BUTANE", "METHANE", "PROPANE"};

constexpr const char* kFlowsheet = R"(
components METHANE PROPANE N-BUTANE
block PLANT.DRUM EQLBRX
  streams 1 2
block MIXED EQLBRX
block R1 MIXRX
)";

// Answers the solver point (option 31) with a value a test sets.
class SolverPoint final : public QSMOptionsHandler {
 public:
  std::int32_t request(std::int32_t code, std::int64_t* integer, double* value,
                       const char**) override {
    *integer = 0;
    *value = code == 31 ? point : 0.0;
    return 0;
  }
  double point = 1.0;
};

// One call site: the inputs, the outputs and the workspace the host keeps for it.
struct Feed {
  std::string block = "PLANT.DRUM";
  std::int64_t unitSet = 1;
  double flow = 100;                        // kmol/h
  double temperature = 30;                  // degC
  double pressure = 10;                     // bar
  std::vector<double> z = {0.4, 0.2, 0.4};  // N-BUTANE, METHANE, PROPANE
  double reactorPressure = 10;
  double reactorTemperature = 20;
  std::string option = "";
  std::int64_t products = 2;
  std::int64_t workWords = xv55::equilibrium::kWorkspaceWords;
};

class Site {
 public:
  explicit Site(const Feed& f) : nc_(static_cast<std::int64_t>(f.z.size())), np_(f.products) {
    b_.text(f.block);
    b_.integer(f.unitSet);
    b_.real(f.flow);
    b_.real(f.temperature);
    b_.real(f.pressure);
    b_.reals(f.z, {nc_});
    b_.real(f.reactorPressure);
    b_.real(f.reactorTemperature);
    b_.real(0.0);
    b_.text(f.option);
    b_.outputs(np_, {np_}, kUntouched);
    b_.outputs(nc_ * np_, {nc_, np_}, kUntouched);
    b_.outputs(np_, {np_}, kUntouched);
    b_.outputs(np_, {np_}, kUntouched);
    b_.work.assign(static_cast<std::size_t>(f.workWords), 0.0);
    b_.hostContext = kContext;
  }
  std::int64_t call() {
    b_.status = 0;
    b_.call(XV55IF_EQLBRX);
    return b_.status;
  }
  double flow(std::int64_t k) { return b_.out(k); }
  double fraction(std::int64_t i, std::int64_t k) { return b_.out(np_ + (k - 1) * nc_ + i); }
  double enthalpy(std::int64_t k) { return b_.out(np_ + nc_ * np_ + k); }
  double density(std::int64_t k) { return b_.out(2 * np_ + nc_ * np_ + k); }
  // Input columns: 3 flow, 4 and 5 feed T and P, 6.. composition, then reactor P and T.
  double& input(std::int64_t column) { return b_.inputCell(column).real; }
  double& reactorPressure() { return input(6 + nc_); }
  double& reactorTemperature() { return input(7 + nc_); }
  std::vector<double>& work() { return b_.work; }
  BlockBuilder& builder() { return b_; }

 private:
  BlockBuilder b_;
  std::int64_t nc_;
  std::int64_t np_;
};

class EquilibriumReactor : public ::testing::Test {
 protected:
  void SetUp() override {
    xv55::refhost::reset();
    const cp::LoadResult loaded = cp::loadFlowsheet(kFlowsheet);
    ASSERT_TRUE(loaded) << loaded.message;
    ASSERT_TRUE(props::setCompanionComponents(kCompanion));
    ASSERT_TRUE(props::setModelComponents(kContext, kModel));
    const InitBlock init{1, static_cast<xv55::XvPrinter*>(&capture.printer), &handler, 0};
    ASSERT_EQ(QRInitialize(&init), 1);
  }
  void TearDown() override {
    const InitBlock none{1, nullptr, nullptr, 0};
    QRInitialize(&none);
    xv55::refhost::reset();
  }
  // Word k of the vector of stream `id`.
  static double streamWord(std::int64_t id, std::int64_t k) {
    std::int64_t base = 0, n = 0;
    SHS_LOCATS(&id, &base, &n);
    return xv55::host::plex(base + k).real;
  }
  static std::int64_t streamCount(std::int64_t id) {
    std::int64_t base = 0, n = 0;
    SHS_LOCATS(&id, &base, &n);
    return n;
  }

  xv55::testing::ScopedCapture capture;
  SolverPoint handler;
};

TEST_F(EquilibriumReactor, AFlashDrumSplitsItsFeedIntoVapourAndLiquidThatCloseTheBalance) {
  Feed f;
  Site site(f);
  const std::int64_t status = site.call();
  EXPECT_EQ(status, 1) << capture.printer.text();  // the host's stream set-up reports 1
  // The equilibrium at 20 degC and 10 bar, as the property system finds it.
  const props::FlashState flash = props::flashTP(kCompanion, {0.2, 0.4, 0.4}, 20 + kKelvin, 10e5);
  ASSERT_EQ(flash.returnCode, 0);
  ASSERT_GT(flash.vapourFraction, 0.05);
  ASSERT_LT(flash.vapourFraction, 0.95);
  EXPECT_NEAR(site.flow(1), flash.vapourFraction * 100, 1e-9);
  // Vapour composition in the model's order: N-BUTANE, METHANE, PROPANE.
  EXPECT_NEAR(site.fraction(1, 1), flash.vapour[2], 1e-12);
  EXPECT_NEAR(site.fraction(2, 1), flash.vapour[0], 1e-12);
  EXPECT_NEAR(site.fraction(3, 1), flash.vapour[1], 1e-12);
  // The products close the feed's balance, component by component.
  EXPECT_NEAR(site.flow(1) + site.flow(2), 100.0, 1e-10);
  for (std::int64_t i = 1; i <= 3; ++i) {
    const double out = site.flow(1) * site.fraction(i, 1) + site.flow(2) * site.fraction(i, 2);
    EXPECT_NEAR(out, 100.0 * f.z[static_cast<std::size_t>(i - 1)], 1e-10) << i;
  }
  // Enthalpies in MJ/kmol from the phases' own, densities in kg/m3.
  props::PhaseState vapour, liquid;
  ASSERT_TRUE(
      props::phaseState(kCompanion, flash.vapour, 20 + kKelvin, 10e5, props::Root::Vapour, vapour));
  ASSERT_TRUE(
      props::phaseState(kCompanion, flash.liquid, 20 + kKelvin, 10e5, props::Root::Liquid, liquid));
  EXPECT_NEAR(site.enthalpy(1), vapour.enthalpy / 1e6, 1e-9);
  EXPECT_NEAR(site.enthalpy(2), liquid.enthalpy / 1e6, 1e-9);
  EXPECT_GT(site.density(1), 5.0);
  EXPECT_LT(site.density(1), 50.0);
  EXPECT_GT(site.density(2), 400.0);
  EXPECT_LT(site.density(2), 700.0);
  EXPECT_EQ(eq::reinitialisations(), 0);
}

TEST_F(EquilibriumReactor, TheFeedAndConditionsReachTheBlockAndTheInputsStayAsGiven) {
  Feed f;
  f.option = "reinit";  // lower case counts
  Site site(f);
  std::vector<double> before;
  for (std::int64_t column = 3; column <= 10; ++column) before.push_back(site.input(column));
  DMS_RPTGLB[0] = 5;
  site.call();
  std::vector<double> after;
  for (std::int64_t column = 3; column <= 10; ++column) after.push_back(site.input(column));
  EXPECT_EQ(after, before);  // bit for bit: nothing converted in place
  EXPECT_EQ(std::string(site.builder().inputCell(12).text, 6), "reinit");

  const std::int64_t feed = eq::feedStream("PLANT", "DRUM", 1);
  ASSERT_NE(feed, 0);
  // Companion order: METHANE, PROPANE, N-BUTANE, kmol/s; then flow, K, Pa.
  EXPECT_NEAR(streamWord(feed, 1), 0.2 * 100 / 3600, 1e-15);
  EXPECT_NEAR(streamWord(feed, 3), 0.4 * 100 / 3600, 1e-15);
  EXPECT_NEAR(streamWord(feed, 4), 100.0 / 3600, 1e-15);
  EXPECT_NEAR(streamWord(feed, 5), 30 + kKelvin, 1e-12);
  EXPECT_EQ(streamWord(feed, 6), 10e5);
  // The feed flash's properties of the feed (a mass density, a molecular weight).
  EXPECT_NEAR(streamWord(feed, 12), 0.2 * 16.043 + 0.4 * 44.097 + 0.4 * 58.123, 1e-9);
  // The block's parameters and the run's words.
  const std::int64_t bead = cp::blockBead("PLANT", "DRUM");
  EXPECT_EQ(DMS_ERRTWO[DMS_ERRTWO_BEAD - 1], bead);
  EXPECT_EQ(DMS_GLOBAL[DMS_GLOBAL_BLOCK_BEAD - 1], bead);
  EXPECT_EQ(DMS_GLOBAL[DMS_GLOBAL_RUN_MODE - 1], DMS_RUN_ONE_BLOCK);
  EXPECT_EQ(DMS_RPTGLB[0], 0);
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_URE06I").reals.at(0), 20 + kKelvin);
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_URE06I").reals.at(1), 10e5);
  EXPECT_EQ(eq::reinitialisations(), 1);
}

TEST_F(EquilibriumReactor, TheOptionTextOnlyReinitialisesWhenItSaysSo) {
  for (const char* option : {"REINIT", "Reinit  ", "REINITIALISE", "RE", " REINIT", "REINIX"}) {
    Feed f;
    f.option = option;
    Site(f).call();
  }
  EXPECT_EQ(eq::reinitialisations(), 3);
}

TEST_F(EquilibriumReactor, AnAdiabaticReactorKeepsTheFeedsEnthalpy) {
  Feed f;
  f.reactorTemperature = 1.0e35;  // not given: passed on as it is
  f.reactorPressure = 2;
  Site site(f);
  EXPECT_EQ(site.call(), 1) << capture.printer.text();
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_URE06I").reals.at(0), 1.0e35);
  // Energy balance: the feed's enthalpy at 30 degC, 10 bar against the products'.
  const props::FlashState feed = props::flashTP(kCompanion, {0.2, 0.4, 0.4}, 30 + kKelvin, 10e5);
  ASSERT_EQ(feed.returnCode, 0);
  const double in = 100.0 * feed.enthalpy / 1e6;
  const double out = site.flow(1) * site.enthalpy(1) + site.flow(2) * site.enthalpy(2);
  EXPECT_NEAR(out, in, 1e-6 * std::fabs(in));
  EXPECT_GT(site.flow(1), 0.0);  // the expansion to 2 bar vaporises part of it
}

TEST_F(EquilibriumReactor, AnEmptyProductComesBackAsZeros) {
  Feed f;
  f.reactorTemperature = 150;  // all vapour
  Site site(f);
  EXPECT_EQ(site.call(), 1);
  EXPECT_NEAR(site.flow(1), 100.0, 1e-10);
  EXPECT_EQ(site.flow(2), 0.0);
  EXPECT_EQ(site.enthalpy(2), 0.0);  // the missing value becomes 0
  EXPECT_EQ(site.density(2), 0.0);
  for (std::int64_t i = 1; i <= 3; ++i) EXPECT_EQ(site.fraction(i, 2), 0.0);
}

TEST_F(EquilibriumReactor, ValuesBeyondTheCeilingsAreReplaced) {
  Feed f;
  Site site(f);
  ASSERT_EQ(site.call(), 1);
  // The next run leaves the products as they stand with a warning; a host that gave
  // absurd values: a density of 2e6 kg/m3 and an enthalpy of 2e6 MJ/kmol.
  const std::int64_t vapour = eq::productStream("PLANT", "DRUM", 1);
  std::int64_t base = 0, n = 0;
  SHS_LOCATS(&vapour, &base, &n);
  xv55::host::plex(base + n + SHS_MASS_DENSITY).real = 2.0e6;
  xv55::host::plex(base + n + SHS_MASS_ENTHALPY).real =
      2.0e12 / xv55::host::plex(base + n + SHS_MOLECULAR_WEIGHT).real;
  ASSERT_TRUE(eq::injectReactorError(-40, EQLB_WARNING, "Temperature near its limit"));
  EXPECT_EQ(site.call(), 2);
  EXPECT_EQ(site.density(1), 1.0e-6);
  EXPECT_EQ(site.enthalpy(1), 0.0);
  EXPECT_GT(site.density(2), 400.0);
}

TEST_F(EquilibriumReactor, TheBlocksErrorStateIsReportedAsFailureOrWarning) {
  Feed f;
  Site site(f);
  ASSERT_TRUE(eq::injectReactorError(-7, EQLB_FAILURE, "Gibbs energy minimisation failed"));
  capture.printer.clear();
  EXPECT_EQ(site.call(), 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{" SRGERR-F-Failure in EQLBRX Simulation of BLOCK DRUM.",
                                      "Gibbs energy minimisation failed.",
                                      "          Check your spec"
                                      "ification in Corvane."}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4});
  EXPECT_EQ(site.flow(1), kUntouched);

  ASSERT_TRUE(eq::injectReactorError(-8, EQLB_WARNING, "Approach temperature ignored"));
  capture.printer.clear();
  EXPECT_EQ(site.call(), 2);
  ASSERT_EQ(capture.printer.lines.size(), 3u);
  EXPECT_EQ(capture.printer.lines[0], " SRGERR-W-Warning in EQLBRX Simulation of BLOCK DRUM.");
  EXPECT_EQ(capture.printer.lines[1], "Approach temperature ignored.");
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{2});
  EXPECT_NE(site.flow(1), kUntouched);  // the products stood from an earlier run: none here
}

TEST_F(EquilibriumReactor, AMissingBlockNamesItsLevel) {
  Feed f;
  f.block = "PLANT.DRUMX";
  Site site(f);
  EXPECT_EQ(site.call(), 4);
  EXPECT_EQ(
      capture.printer.lines,
      (std::vector<std::string>{" SRGFIN-F-Inconsistency in Tessaro & Corvane EQLBRX Block ID.",
                                "          Check BlockID:DRUMX        at Hierarchy Level:PLANT"}));
  EXPECT_EQ(site.flow(1), kUntouched);
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_URE06I").calls, 0);
}

TEST_F(EquilibriumReactor, TheProductCountMustBeTheBlocks) {
  Feed f;
  f.block = "MIXED";  // one product
  Site site(f);
  EXPECT_EQ(site.call(), 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{" PUTRGI-F-EQLBRX: No. of Product streams NOT Equal.",
                                      " Check Blockid MIXED   ."}));
  f.products = 1;
  Site mixed(f);
  capture.printer.clear();
  EXPECT_EQ(mixed.call(), 1) << capture.printer.text();
  EXPECT_NEAR(mixed.flow(1), 100.0, 1e-10);
  EXPECT_NEAR(mixed.fraction(1, 1), 0.4, 1e-12);  // the whole feed
  // The mixture's density lies between those of its phases.
  Site drum{Feed{}};
  drum.call();
  EXPECT_GT(mixed.density(1), drum.density(1));
  EXPECT_LT(mixed.density(1), drum.density(2));
}

TEST_F(EquilibriumReactor, AStreamTheHostCannotLocateIsFatal) {
  ASSERT_TRUE(xv55::refhost::injectFailure("SHS_LOCATS"));
  Site site{Feed{}};
  capture.printer.clear();
  EXPECT_EQ(site.call(), 4);
  ASSERT_FALSE(capture.printer.lines.empty());
  const std::string id = std::to_string(eq::feedStream("PLANT", "DRUM", 1));
  EXPECT_EQ(capture.printer.lines.back(),
            " PUTRGI-F-Stream " + id + " of EQLBRX block DRUM     cannot be located.");
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_URE06I").calls, 0);
  EXPECT_EQ(site.flow(1), kUntouched);
}

TEST_F(EquilibriumReactor, ComponentClashesAreFatal) {
  // The flowsheet's streams hold two components; the model's three do not fit.
  xv55::refhost::reset();
  ASSERT_TRUE(cp::loadFlowsheet("components METHANE PROPANE\nblock D EQLBRX\n streams 1 2\n"));
  ASSERT_TRUE(props::setCompanionComponents(kCompanion));
  ASSERT_TRUE(props::setModelComponents(kContext, kModel));
  Feed f;
  f.block = "D";
  capture.printer.clear();
  EXPECT_EQ(Site(f).call(), 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"PUTRGI-F-Clash in No. of Components in Blockid D       .",
                                      "Tessaro has more components than Merrow."}));
  // Two model components, but N-BUTANE lies beyond the streams' two.
  ASSERT_TRUE(props::setModelComponents(kContext, {"METHANE", "N-BUTANE"}));
  f.z = {0.5, 0.5};
  capture.printer.clear();
  EXPECT_EQ(Site(f).call(), 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{" PUTRGI-F-Clash in No. of Components in Blockid D       .",
                                      "     The Tessaro & Corvane EQLBRX ",
                                      "     must have the same number of components ",
                                      "     as well as the same Type of components."}));
  // Product streams whose component count is not the run's.
  ASSERT_TRUE(props::setModelComponents(kContext, {"METHANE", "PROPANE"}));
  ASSERT_TRUE(eq::injectReactorError(-9, EQLB_WARNING, "Products kept"));
  capture.printer.clear();
  EXPECT_EQ(Site(f).call(), 4);
  ASSERT_FALSE(capture.printer.lines.empty());
  EXPECT_EQ(capture.printer.lines.back(), " GETRFR-F-Clash in Component numbers in Blockid:D");
}

TEST_F(EquilibriumReactor, ASmallFeedIsRaisedOnTheFirstCallOnly) {
  Feed f;
  f.flow = 0;
  Site site(f);
  EXPECT_EQ(site.call(), 1) << capture.printer.text();
  const std::int64_t feed = eq::feedStream("PLANT", "DRUM", 1);
  EXPECT_NEAR(streamWord(feed, 4), 1e-10 / 3600, 1e-25);
  EXPECT_EQ(site.work()[0], 999.0);
  const double first = site.flow(1);
  const std::int64_t runs = xv55::refhost::lastCall("EQLB_URE06I").calls;
  // A later call with too little feed leaves everything as it is.
  site.input(3) = -5;
  site.reactorTemperature() = 150;
  site.call();
  EXPECT_EQ(site.flow(1), first);
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_URE06I").calls, runs);
  // With feed again it runs.
  site.input(3) = 50;
  site.call();
  EXPECT_NEAR(site.flow(1), 50.0, 1e-10);
}

TEST_F(EquilibriumReactor, InputsAndOutputsThatDoNotFitAreRefused) {
  Feed nan;
  nan.z[1] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Site(nan).call(), 4);
  Feed hot;
  hot.reactorTemperature = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Site(hot).call(), 4);
  Feed many;
  many.z = std::vector<double>(4, 0.25);  // more than the model's three
  EXPECT_EQ(Site(many).call(), 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{
                "EQLBRX-F-Element 2 of input 6 (feed composition) is not a finite number; "
                "nothing computed.",
                "EQLBRX-F-Input 8 (reactor temperature) is not a finite number; nothing "
                "computed.",
                "EQLBRX-F-The feed composition has 4 components; the model has 3 and at most 91 "
                "are handled."}));
  // Output 2 must be NC x NP: a host that declares it shorter is refused, not overrun.
  Feed f;
  BlockBuilder b;
  b.text(f.block);
  b.integer(1);
  for (double v : {f.flow, f.temperature, f.pressure}) b.real(v);
  b.reals(f.z, {3});
  for (double v : {f.reactorPressure, f.reactorTemperature, 0.0}) b.real(v);
  b.text("");
  b.outputs(2, {2}, kUntouched);
  b.outputs(3, {3, 1}, kUntouched);
  b.outputs(2, {2}, kUntouched);
  b.outputs(2, {2}, kUntouched);
  b.hostContext = kContext;
  capture.printer.clear();
  b.call(XV55IF_EQLBRX);
  EXPECT_EQ(b.status, 4);
  EXPECT_EQ(capture.printer.lines,
            (std::vector<std::string>{"EQLBRX-F-Outputs 2 to 4 do not fit 2 product streams of 3 "
                                      "components (output 2 is 3 x 1, outputs 3 and 4 have 2); "
                                      "nothing computed."}));
  for (std::int64_t k = 1; k <= 9; ++k) EXPECT_EQ(b.out(k), kUntouched);
}

TEST_F(EquilibriumReactor, WithoutTheHostsStreamSetUpNothingHappens) {
  ASSERT_TRUE(props::injectStatus("SAISST", 4));
  Site site{Feed{}};
  EXPECT_EQ(site.call(), 4);
  EXPECT_EQ(site.flow(1), kUntouched);
  EXPECT_EQ(site.work()[0], 0.0);
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_IURE06").calls, 0);
}

TEST_F(EquilibriumReactor, FieldUnitsConvertBothWays) {
  Feed f;
  f.unitSet = 2;  // lbmol/h, degF, psia
  f.flow = 100.0 / 0.45359237;
  f.temperature = 86;
  f.pressure = 10e5 / 6894.757293168361;
  f.reactorTemperature = 68;
  f.reactorPressure = f.pressure;
  Site field(f);
  EXPECT_EQ(field.call(), 1) << capture.printer.text();
  Site metric{Feed{}};
  metric.call();
  EXPECT_NEAR(field.flow(1) * 0.45359237, metric.flow(1), 1e-9);
  EXPECT_NEAR(field.density(2) * 16.018463373960138, metric.density(2), 1e-9);
  EXPECT_NEAR(field.enthalpy(1) * 2326.0 / 1e6, metric.enthalpy(1), 1e-9);
}

// ---- the phases of the product streams from one call to the next ----

class PhaseWatch : public EquilibriumReactor {
 protected:
  void SetUp() override {
    EquilibriumReactor::SetUp();
    xv55::refhost::setPrintLevel(2);
  }
  void force(std::int64_t product, const std::vector<std::int64_t>& kinds) {
    ASSERT_TRUE(eq::forcePhases("PLANT", "DRUM", product, kinds));
  }
  // The lines one call printed.
  std::vector<std::string> callAt(Site& site, double point, std::int64_t* status = nullptr) {
    handler.point = point;
    capture.printer.clear();
    const std::int64_t s = site.call();
    if (status) *status = s;
    return capture.printer.lines;
  }
};

TEST_F(PhaseWatch, ChangesAreReportedOnceAtTheSolverPointWhereTheyAppear) {
  Site site{Feed{}};
  force(1, {SHS_VAPOUR});
  force(2, {SHS_LIQUID});
  EXPECT_TRUE(callAt(site, 1.0).empty());  // nothing to compare with yet
  EXPECT_TRUE(callAt(site, 2.0).empty());

  // The liquid product takes up a second liquid: more phases in stream 2, and in all.
  force(2, {SHS_LIQUID, SHS_LIQUID2});
  std::int64_t status = 0;
  EXPECT_EQ(
      callAt(site, 3.0, &status),
      (std::vector<std::string>{
          " GETRGR-I-The total number of phases has changed inDRUM    .",
          " GETRGR-I-The number of phases in outlet stream 2 has increased in block:DRUM    ."}));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(capture.printer.severities, (std::vector<std::int32_t>{1, 1}));
  // Repeated at the same point with the same phases: nothing again.
  EXPECT_TRUE(callAt(site, 3.0).empty());
  EXPECT_TRUE(callAt(site, 3.0 + 1e-16).empty());

  // The phases in the other order: a sequence change.
  force(2, {SHS_LIQUID2, SHS_LIQUID});
  EXPECT_EQ(
      callAt(site, 4.0),
      (std::vector<std::string>{" GETRGR-I-The phase sequence in stream 2 in block:DRUM    ."}));
  // The vapour product condenses: phase 1 of stream 1 changes its kind.
  force(1, {SHS_LIQUID});
  EXPECT_EQ(callAt(site, 5.0), (std::vector<std::string>{" GETRGR-I-Phase 1 of outlet stream 1 "
                                                         "has changed in block:DRUM    ."}));
  // The second liquid goes again.
  force(2, {SHS_LIQUID});
  EXPECT_EQ(
      callAt(site, 6.0),
      (std::vector<std::string>{
          " GETRGR-I-The total number of phases has changed inDRUM    .",
          " GETRGR-I-The number of phases in outlet stream 2 has decreased in block:DRUM    ."}));
}

TEST_F(PhaseWatch, ARepeatedCallAtTheSamePointComparesWithThePointsFirstCall) {
  Site site{Feed{}};
  force(1, {SHS_VAPOUR});
  force(2, {SHS_LIQUID});
  callAt(site, 1.0);
  const auto slice = [&](std::size_t from, std::size_t to) {
    return std::vector<double>(site.work().begin() + static_cast<std::ptrdiff_t>(from),
                               site.work().begin() + static_cast<std::ptrdiff_t>(to));
  };
  const std::vector<double> reference = slice(143, 284);
  // A further evaluation at the same point finds a liquid in the vapour product: reported
  // against the point's first call, whose record stays the reference.
  force(1, {SHS_VAPOUR, SHS_LIQUID});
  EXPECT_EQ(callAt(site, 1.0).size(), 2u);  // the total and stream 1
  EXPECT_EQ(slice(143, 284), reference);
  EXPECT_NE(slice(2, 143), reference);  // the latest call's record
  // Evaluated once more with the first call's phases: the record is restored from the
  // reference before comparing, and nothing is reported.
  force(1, {SHS_VAPOUR});
  EXPECT_TRUE(callAt(site, 1.0).empty());
  EXPECT_EQ(slice(2, 143), reference);
  // The next point compares with this point's first call, and so on.
  force(1, {SHS_VAPOUR, SHS_LIQUID});
  EXPECT_EQ(callAt(site, 1.5).size(), 2u);
  force(1, {SHS_VAPOUR});
  EXPECT_EQ(callAt(site, 1.5).size(), 2u);  // against 1.5's first call
  EXPECT_EQ(callAt(site, 2.0).size(), 2u);  // against 1.5's first call as well
  // The solver point and the first-call marker keep words of their own.
  EXPECT_EQ(site.work()[1], 2.0);
  EXPECT_EQ(site.work()[0], 999.0);
}

TEST_F(PhaseWatch, InformationNeedsPrintLevelTwoAndDoesNotHideAWarning) {
  Site site{Feed{}};
  force(1, {SHS_VAPOUR});
  callAt(site, 1.0);
  force(1, {SHS_LIQUID});
  xv55::refhost::setPrintLevel(1);
  EXPECT_TRUE(callAt(site, 2.0).empty());
  xv55::refhost::setPrintLevel(2);
  force(1, {SHS_VAPOUR});
  ASSERT_TRUE(eq::injectReactorError(-8, EQLB_WARNING, "Approach temperature ignored"));
  std::int64_t status = 0;
  const auto lines = callAt(site, 3.0, &status);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], " GETRGR-I-Phase 1 of outlet stream 1 has changed in block:DRUM    .");
  EXPECT_EQ(status, 2);
}

TEST_F(PhaseWatch, AShortWorkspaceIsNamedOnceAndResultsStillCome) {
  Feed f;
  f.workWords = 10;
  Site site(f);
  std::int64_t status = 0;
  EXPECT_EQ(callAt(site, 1.0, &status),
            (std::vector<std::string>{"EQLBRX-W-The workspace holds 10 words; the phases of the "
                                      "product streams are watched with 284 words or more."}));
  EXPECT_EQ(status, 2);
  EXPECT_GT(site.flow(1), 0.0);
  force(1, {SHS_LIQUID});
  EXPECT_TRUE(callAt(site, 2.0, &status).empty());
  EXPECT_EQ(status, 1);
  for (std::size_t k = 1; k < 10; ++k) EXPECT_EQ(site.work()[k], 0.0) << k;
  // No workspace at all: no marker either, so every call is a first call.
  Feed none;
  none.workWords = 0;
  Site bare(none);
  EXPECT_EQ(callAt(bare, 3.0).size(), 1u);
  EXPECT_EQ(callAt(bare, 4.0).size(), 1u);
}

}  // namespace

// ---- any input ----

// Calls with random values, sizes and workspaces on the flowsheet's blocks: every call
// ends with a status the procedure may write and writes nothing outside its arrays (the
// sanitizer builds check the second).
TEST_F(EquilibriumReactor, AnyInputEndsWithAStatusAndStaysWithinItsArrays) {
  std::mt19937_64 random(20240611);
  const auto pick = [&](std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, high)(random);
  };
  const double specials[] = {0.0,     -1.0,  1e-12,  1e35,
                             2e35,    1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                             HUGE_VAL};
  const auto value = [&](double typical) {
    return pick(0, 3) == 0 ? specials[pick(0, 8)] : typical * (0.2 + 1.6 * pick(0, 1000) / 1000.0);
  };
  const char* blocks[] = {"PLANT.DRUM", "MIXED", "R1", "PLANT", ".DRUM", "PLANT.DRUM.X"};
  for (int call = 0; call < 400; ++call) {
    BlockBuilder b;
    b.text(blocks[pick(0, 5)]);
    b.integer(pick(-1, 4));
    b.real(value(100));
    b.real(value(30));
    b.real(value(10));
    const std::int64_t nc = pick(0, 4);
    std::vector<double> z;
    for (std::int64_t i = 0; i < nc; ++i) z.push_back(value(0.3));
    b.reals(z, {nc});
    b.real(value(10));
    b.real(value(20));
    b.real(0);
    b.text(pick(0, 1) ? "reinit" : "x");
    const std::int64_t np = pick(0, 3);
    const std::int64_t rows = pick(0, 1) ? nc : pick(0, 4);
    const std::int64_t columns = pick(0, 1) ? np : pick(0, 3);
    b.outputs(np, {np}, kUntouched);
    b.outputs(rows * columns, {rows, columns}, kUntouched);
    b.outputs(np, {np}, kUntouched);
    b.outputs(pick(0, 1) ? np : pick(0, 3), kUntouched);
    b.work.assign(static_cast<std::size_t>(pick(0, 1) ? 284 : pick(0, 300)), 0.0);
    b.hostContext = pick(0, 3) ? kContext : 7;
    handler.point = static_cast<double>(call / 3);
    for (int again = 0; again < 2; ++again) {
      b.status = 0;
      b.call(XV55IF_EQLBRX);
      EXPECT_TRUE(b.status == 0 || b.status == 1 || b.status == 2 || b.status == 4) << b.status;
    }
  }
}
