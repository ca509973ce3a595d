// The equilibrium reactor procedure through its entry point, on EQLBRX blocks of a
// flowsheet run by the reference host's equilibrium reactor library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "equilibrium/phase_record.hpp"
#include "support/capture_printer.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/equilibrium.h"
#include "xv55/host/objects.hpp"
#include "xv55/host/property_system.h"
#include "xv55/refhost/columns.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;
using Lines = std::vector<std::string>;
namespace cp = xv55::refhost::companion;
namespace props = xv55::refhost::properties;
namespace eq = xv55::refhost::equilibrium;

constexpr double kUntouched = -7.0;
constexpr std::int64_t kContext = 42;
constexpr double kKelvin = 273.15;

// The model's components, in another order than the companion simulator's.
const std::vector<std::string> kCompanion = {"METHANE", "PROPANE", "N-BUTANE"};
const std::vector<std::string> kModel = {"N-BUTANE", "METHANE", "PROPANE"};

constexpr const char* kFlowsheet = R"({
  "components": ["METHANE", "PROPANE", "N-BUTANE"],
  "blocks": [
    {"id": "PLANT.DRUM", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2}},
    {"id": "MIXED", "type": "EQLBRX"},
    {"id": "R1", "type": "MIXRX"}
  ]
})";

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
  std::int64_t compositionColumns = 2;  // of output 2, NP unless a test says otherwise
  std::int64_t workWords = xv55::equilibrium::kWorkspaceWords;
};

class Site {
 public:
  explicit Site(const Feed& f) : nc_(static_cast<std::int64_t>(f.z.size())), np_(f.products) {
    b_.text(f.block);
    b_.integer(f.unitSet);
    for (double v : {f.flow, f.temperature, f.pressure}) b_.real(v);
    b_.reals(f.z, {nc_});
    for (double v : {f.reactorPressure, f.reactorTemperature, 0.0}) b_.real(v);
    b_.text(f.option);
    b_.outputs(np_, {np_}, kUntouched);
    const std::int64_t columns = f.products == 2 ? f.compositionColumns : np_;
    b_.outputs(nc_ * columns, {nc_, columns}, kUntouched);
    b_.outputs(np_, {np_}, kUntouched);
    b_.outputs(np_, {np_}, kUntouched);
    b_.work.assign(static_cast<std::size_t>(f.workWords), 0.0);
    b_.hostContext = kContext;
  }
  // The status cell holds `before` when the host makes the call.
  std::int64_t call(std::int64_t before = 0) {
    b_.status = before;
    b_.call(XV55IF_EQLBRX);
    return b_.status;
  }
  double flow(std::int64_t k) { return b_.out(k); }
  double fraction(std::int64_t i, std::int64_t k) { return b_.out(np_ + (k - 1) * nc_ + i); }
  double enthalpy(std::int64_t k) { return b_.out(np_ + nc_ * np_ + k); }
  double density(std::int64_t k) { return b_.out(2 * np_ + nc_ * np_ + k); }
  std::vector<double> outputs() {
    std::vector<double> all;
    for (std::int64_t k = 1; k <= 3 * np_ + nc_ * np_; ++k) all.push_back(b_.out(k));
    return all;
  }
  // Input columns: 3 flow, 4 and 5 feed T and P, 6.. composition, then reactor P and T.
  double& input(std::int64_t column) { return b_.inputCell(column).real; }
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
  static std::int64_t runs() { return xv55::refhost::lastCall("EQLB_URE06I").calls; }

  xv55::testing::ScopedCapture capture;
  SolverPoint handler;
};

TEST_F(EquilibriumReactor, AFlashDrumSplitsItsFeedIntoVapourAndLiquidThatCloseTheBalance) {
  Feed f;
  Site site(f);
  ASSERT_EQ(site.call(), 0) << capture.printer.text();
  // The host's own flash of the mixed feed at 20 degC and 10 bar, companion order.
  const props::FlashState flash = props::flashTP(kCompanion, {0.2, 0.4, 0.4}, 20 + kKelvin, 10e5);
  ASSERT_EQ(flash.returnCode, 0);
  ASSERT_TRUE(flash.vapourFraction > 0.05 && flash.vapourFraction < 0.95);
  EXPECT_NEAR(site.flow(1), flash.vapourFraction * 100, 1e-9);
  // Vapour composition in the model's order: N-BUTANE, METHANE, PROPANE.
  EXPECT_NEAR(site.fraction(2, 1), flash.vapour[0], 1e-12);
  // The products close the feed's balance, component by component.
  EXPECT_NEAR(site.flow(1) + site.flow(2), 100.0, 1e-10);
  for (std::int64_t i = 1; i <= 3; ++i) {
    const double out = site.flow(1) * site.fraction(i, 1) + site.flow(2) * site.fraction(i, 2);
    EXPECT_NEAR(out, 100.0 * f.z[static_cast<std::size_t>(i - 1)], 1e-10) << i;
  }
  // Densities in kg/m3: a gas at 10 bar, a light hydrocarbon liquid.
  EXPECT_TRUE(site.density(1) > 5 && site.density(1) < 50) << site.density(1);
  EXPECT_TRUE(site.density(2) > 400 && site.density(2) < 700) << site.density(2);
}

TEST_F(EquilibriumReactor, TheFeedAndConditionsReachTheBlockAndTheInputsStayAsGiven) {
  Feed f{.option = "reinit"};  // lower case counts
  Site site(f);
  const auto inputs = [&] {
    std::vector<double> all;
    for (std::int64_t column = 3; column <= 10; ++column) all.push_back(site.input(column));
    return all;
  };
  const std::vector<double> before = inputs();
  DMS_RPTGLB[0] = 5;
  site.call();
  EXPECT_EQ(inputs(), before);  // bit for bit: nothing converted in place
  EXPECT_EQ(std::string(site.builder().inputCell(12).text, 6), "reinit");

  const std::int64_t feed = eq::feedStream("PLANT", "DRUM", 1);
  // Companion order: METHANE, PROPANE, N-BUTANE, kmol/s; then flow, K, Pa.
  const double expected[] = {0.2 * 100 / 3600, 0.4 * 100 / 3600, 0.4 * 100 / 3600,
                             100.0 / 3600,     30 + kKelvin,     10e5};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(streamWord(feed, k + 1), expected[k], 1e-12) << k;
  // The feed flash's molecular weight of the feed.
  EXPECT_NEAR(streamWord(feed, 12), 0.2 * 16.043 + 0.4 * 44.097 + 0.4 * 58.123, 1e-9);
  // The block's parameters and the run's words.
  const std::int64_t bead = cp::blockBead("PLANT", "DRUM");
  EXPECT_EQ((std::vector<std::int64_t>{DMS_ERRTWO[DMS_ERRTWO_BEAD - 1],
                                       DMS_GLOBAL[DMS_GLOBAL_BLOCK_BEAD - 1],
                                       DMS_GLOBAL[DMS_GLOBAL_RUN_MODE - 1], DMS_RPTGLB[0]}),
            (std::vector<std::int64_t>{bead, bead, DMS_RUN_ONE_BLOCK, 0}));
  const auto run = xv55::refhost::lastCall("EQLB_URE06I");
  EXPECT_EQ((std::vector<double>{run.reals.at(0), run.reals.at(1)}),
            (std::vector<double>{20 + kKelvin, 10e5}));
  EXPECT_EQ(eq::reinitialisations(), 1);
  for (const char* option : {"Reinit  ", "REINITIALISE", "RE", " REINIT", "REINIX"}) {
    f.option = option;
    Site(f).call();
  }
  EXPECT_EQ(eq::reinitialisations(), 3);
}

TEST_F(EquilibriumReactor, AnAdiabaticReactorKeepsTheFeedsEnthalpy) {
  // A reactor temperature of 1e35 is not given: passed on as it is.
  Site site{Feed{.reactorPressure = 2, .reactorTemperature = 1.0e35}};
  EXPECT_EQ(site.call(), 0) << capture.printer.text();
  EXPECT_EQ(xv55::refhost::lastCall("EQLB_URE06I").reals.at(0), 1.0e35);
  // Energy balance: the feed's enthalpy at 30 degC, 10 bar against the products'.
  const props::FlashState feed = props::flashTP(kCompanion, {0.2, 0.4, 0.4}, 30 + kKelvin, 10e5);
  ASSERT_EQ(feed.returnCode, 0);
  const double in = 100.0 * feed.enthalpy / 1e6;
  const double out = site.flow(1) * site.enthalpy(1) + site.flow(2) * site.enthalpy(2);
  EXPECT_NEAR(out, in, 1e-6 * std::fabs(in));
  EXPECT_GT(site.flow(1), 0.0);  // the expansion to 2 bar vaporises part of it
}

// One reaction, 2 C3H8 = C2H6 + n-C4H10 with K = 0.5 (no change in moles: K in mole
// fractions), on 100 kmol/h of 10 % ethane, 70 % propane and 20 % n-butane at 200 degC,
// above the critical points: all gas.  The extent x (kmol/h) solves
// (10 + x)(20 + x) = 0.5 (70 - 2 x)^2, that is x^2 - 170 x + 2250 = 0; carbon and
// hydrogen are conserved.
TEST_F(EquilibriumReactor, OneReactionReachesTheEquilibriumOfItsConstant) {
  xv55::refhost::reset();
  ASSERT_TRUE(cp::loadFlowsheet(R"({"components": ["ETHANE", "PROPANE", "N-BUTANE"],
          "blocks": [{"id": "RX", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2},
                      "equilibriumReaction": {"K": 0.5, "coefficients":
                          {"PROPANE": -2, "ETHANE": 1, "N-BUTANE": 1}}}]})"));
  ASSERT_TRUE(props::setCompanionComponents({"ETHANE", "PROPANE", "N-BUTANE"}));
  ASSERT_TRUE(props::setModelComponents(kContext, {"N-BUTANE", "ETHANE", "PROPANE"}));
  Site site{Feed{.block = "RX", .z = {0.2, 0.1, 0.7}, .reactorTemperature = 200}};
  ASSERT_EQ(site.call(), 0) << capture.printer.text();
  const double x = (170 - std::sqrt(170.0 * 170.0 - 4 * 2250)) / 2;
  const double y[] = {(20 + x) / 100, (10 + x) / 100, (70 - 2 * x) / 100};
  EXPECT_NEAR(site.flow(1), 100.0, 1e-9);
  for (std::int64_t i = 1; i <= 3; ++i) EXPECT_NEAR(site.fraction(i, 1), y[i - 1], 1e-9) << i;
  // Carbon and hydrogen per 100 molecules, before and after.
  const double b = site.fraction(1, 1), e = site.fraction(2, 1), p = site.fraction(3, 1);
  EXPECT_NEAR(4 * b + 2 * e + 3 * p, 4 * 0.2 + 2 * 0.1 + 3 * 0.7, 1e-12);
  EXPECT_NEAR(10 * b + 6 * e + 8 * p, 10 * 0.2 + 6 * 0.1 + 8 * 0.7, 1e-12);
  // The empty liquid: no flow, and the missing enthalpy and density become 0.
  EXPECT_EQ((std::vector<double>{site.flow(2), site.enthalpy(2), site.density(2),
                                 site.fraction(1, 2), site.fraction(2, 2), site.fraction(3, 2)}),
            std::vector<double>(6, 0.0));
}

TEST_F(EquilibriumReactor, TheBlocksErrorStateIsReportedAndAWarningRunKeepsTheCeilings) {
  Site site{Feed{}};
  ASSERT_TRUE(eq::injectReactorError(-7, EQLB_FAILURE, "Gibbs energy minimisation failed"));
  EXPECT_EQ(site.call(), 4);
  EXPECT_EQ(capture.printer.lines, (Lines{" SRGERR-F-Failure in EQLBRX Simulation of BLOCK DRUM.",
                                          "Gibbs energy minimisation failed.",
                                          "          Check your spec"
                                          "ification in Corvane."}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4});
  EXPECT_EQ(site.flow(1), kUntouched);
  EXPECT_EQ(site.call(), 0);
  // A host that gave absurd values (a warning run leaves the products as they stand): a
  // density of 2e6 kg/m3 comes back as 1e-6, an enthalpy of 2e6 MJ/kmol as 0.
  const std::int64_t vapour = eq::productStream("PLANT", "DRUM", 1);
  std::int64_t base = 0, n = 0;
  SHS_LOCATS(&vapour, &base, &n);
  xv55::host::plex(base + n + SHS_MASS_DENSITY).real = 2.0e6;
  xv55::host::plex(base + n + SHS_MASS_ENTHALPY).real =
      2.0e12 / xv55::host::plex(base + n + SHS_MOLECULAR_WEIGHT).real;
  ASSERT_TRUE(eq::injectReactorError(-40, EQLB_WARNING, "Temperature near its limit"));
  capture.printer.clear();
  EXPECT_EQ(site.call(), 2);
  EXPECT_EQ(capture.printer.lines, (Lines{" SRGERR-W-Warning in EQLBRX Simulation of BLOCK DRUM.",
                                          "Temperature near its limit.",
                                          "          Check your spec"
                                          "ification in Corvane."}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{2});
  EXPECT_EQ((std::vector<double>{site.density(1), site.enthalpy(1)}),
            (std::vector<double>{1.0e-6, 0.0}));
}

// A successful call leaves the status cell as the host handed it over, whatever the host
// services answered; a stale 4 does not stop the call either.
TEST_F(EquilibriumReactor, ASuccessfulCallLeavesTheStatusAsItFoundIt) {
  Site site{Feed{}};
  for (std::int64_t before : {0, 4, 0}) {
    EXPECT_EQ(site.call(before), before) << capture.printer.text();
    EXPECT_GT(site.flow(1), 0.0);
  }
  EXPECT_EQ(runs(), 3);
  EXPECT_TRUE(capture.printer.lines.empty());
  // A host service that fails still makes the call fail.
  for (const char* service : {"EQLB_IURE06", "ZSTR_CSINIT"}) {
    ASSERT_TRUE(xv55::refhost::injectFailure(service));
    EXPECT_EQ(site.call(), 4) << service;
  }
  EXPECT_EQ(runs(), 3);
  ASSERT_TRUE(props::injectStatus("SAISST", 4));
  Site fresh{Feed{}};
  EXPECT_EQ(fresh.call(), 4);
  EXPECT_EQ(fresh.flow(1), kUntouched);
  EXPECT_EQ(fresh.work()[0], 0.0);  // not even the marker is set
}

TEST_F(EquilibriumReactor, BlocksAndStreamsThatDoNotFitAreFatal) {
  Feed f{.block = "PLANT.DRUMX"};
  EXPECT_EQ(Site(f).call(), 4);
  f.block = "MIXED";  // one product, the model expects two
  EXPECT_EQ(Site(f).call(), 4);
  ASSERT_TRUE(xv55::refhost::injectFailure("SHS_LOCATS"));
  EXPECT_EQ(Site(Feed{}).call(), 4);
  const std::string id = std::to_string(eq::feedStream("PLANT", "DRUM", 1));
  Lines lines = capture.printer.lines;
  std::erase_if(lines, [](const std::string& l) { return l.rfind(" SHS_", 0) == 0; });
  EXPECT_EQ(
      lines,
      (Lines{" SRGFIN-F-Inconsistency in Tessaro & Corvane EQLBRX Block ID.",
             "          Check BlockID:DRUMX        at Hierarchy Level:PLANT",
             " PUTRGI-F-EQLBRX: No. of Product streams NOT Equal.", " Check Blockid MIXED   .",
             " PUTRGI-F-Stream " + id + " of EQLBRX block DRUM     cannot be located."}));
  EXPECT_EQ(runs(), 0);
  // With one product the whole feed comes back in it.
  f.products = 1;
  Site mixed(f);
  EXPECT_EQ(mixed.call(), 0) << capture.printer.text();
  EXPECT_NEAR(mixed.flow(1), 100.0, 1e-10);
  EXPECT_NEAR(mixed.fraction(1, 1), 0.4, 1e-12);
}

TEST_F(EquilibriumReactor, ComponentClashesAreFatal) {
  // The flowsheet's streams hold two components; the model's three do not fit.
  xv55::refhost::reset();
  ASSERT_TRUE(cp::loadFlowsheet(
      R"({"components": ["METHANE", "PROPANE"],
          "blocks": [{"id": "D", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2}}]})"));
  ASSERT_TRUE(props::setCompanionComponents(kCompanion));
  ASSERT_TRUE(props::setModelComponents(kContext, kModel));
  Feed f{.block = "D"};
  EXPECT_EQ(Site(f).call(), 4);
  EXPECT_EQ(capture.printer.lines,
            (Lines{"PUTRGI-F-Clash in No. of Components in Blockid D       .",
                   "Tessaro has more components than Merrow."}));
  // Two model components, but N-BUTANE lies beyond the streams' two.
  ASSERT_TRUE(props::setModelComponents(kContext, {"METHANE", "N-BUTANE"}));
  f.z = {0.5, 0.5};
  capture.printer.clear();
  EXPECT_EQ(Site(f).call(), 4);
  EXPECT_EQ(
      capture.printer.lines,
      (Lines{" PUTRGI-F-Clash in No. of Components in Blockid D       .",
             "     The Tessaro & Corvane EQLBRX ", "     must have the same number of components ",
             "     as well as the same Type of components."}));
  // Product streams whose component count is not the run's.
  ASSERT_TRUE(props::setModelComponents(kContext, {"METHANE", "PROPANE"}));
  ASSERT_TRUE(eq::injectReactorError(-9, EQLB_WARNING, "Products kept"));
  capture.printer.clear();
  EXPECT_EQ(Site(f).call(), 4);
  ASSERT_FALSE(capture.printer.lines.empty());
  EXPECT_EQ(capture.printer.lines.back(), " GETRFR-F-Clash in Component numbers in Blockid:D");
}

// Without feed there are no products: a later call returns zeros (not the products of an
// earlier feed) with one note, and does not run the block.  A first call sets the block up
// with the least feed, 1e-10 kmol/h.
TEST_F(EquilibriumReactor, NoFeedGivesNoProductsAndOneNote) {
  Site site{Feed{.flow = 0}};
  EXPECT_EQ(site.call(), 0) << capture.printer.text();
  EXPECT_NEAR(streamWord(eq::feedStream("PLANT", "DRUM", 1), 4), 1e-10 / 3600, 1e-25);
  EXPECT_NEAR(site.flow(1) + site.flow(2), 1e-10, 1e-22);
  site.input(3) = 100;
  ASSERT_EQ(site.call(), 0);
  ASSERT_GT(site.flow(2), 1.0);
  for (double none : {0.0, -5.0}) {
    site.input(3) = none;
    capture.printer.clear();
    EXPECT_EQ(site.call(), 1);
    EXPECT_EQ(site.outputs(), std::vector<double>(12, 0.0));
    EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{1});
    ASSERT_EQ(capture.printer.lines.size(), 1u);
    EXPECT_EQ(capture.printer.lines[0].rfind("EQLBRX-I-Feed flow ", 0), 0u);
  }
  EXPECT_EQ(runs(), 2);
  site.input(3) = 50;  // with feed again it runs
  site.call();
  EXPECT_NEAR(site.flow(1) + site.flow(2), 50.0, 1e-10);
}

TEST_F(EquilibriumReactor, InputsAndOutputsThatDoNotFitAreRefused) {
  EXPECT_EQ(Site(Feed{.z = {0.4, std::numeric_limits<double>::quiet_NaN(), 0.4}}).call(), 4);
  EXPECT_EQ(Site(Feed{.reactorTemperature = std::numeric_limits<double>::infinity()}).call(), 4);
  EXPECT_EQ(Site(Feed{.z = std::vector<double>(4, 0.25)}).call(), 4);  // more than three
  EXPECT_EQ(capture.printer.lines,
            (Lines{"EQLBRX-F-Element 2 of input 6 (feed composition) is not a finite number; "
                   "nothing computed.",
                   "EQLBRX-F-Input 8 (reactor temperature) is not a finite number; nothing "
                   "computed.",
                   "EQLBRX-F-The feed composition has 4 components; the model has 3 and at most 91 "
                   "are handled."}));
  // Output 2 must be NC x NP: a host that declares it shorter is refused, not overrun.
  Site site{Feed{.compositionColumns = 1}};
  capture.printer.clear();
  EXPECT_EQ(site.call(), 4);
  EXPECT_EQ(capture.printer.lines,
            (Lines{"EQLBRX-F-Outputs 2 to 4 do not fit 2 product streams of 3 components (output "
                   "2 is 3 x 1, outputs 3 and 4 have 2); nothing computed."}));
  EXPECT_EQ(site.flow(1), kUntouched);
  // A vanishing reactor pressure leaves the block no number for its products: refused,
  // every output as it was.
  Site empty{Feed{.reactorPressure = 1e-308}};
  capture.printer.clear();
  EXPECT_EQ(empty.call(), 4);
  EXPECT_EQ(empty.outputs(), std::vector<double>(12, kUntouched));
  EXPECT_EQ(capture.printer.lines,
            (Lines{" GETRGR-F-Product stream 1 of EQLBRX block DRUM has no number for its "
                   "enthalpy at a reactor pressure of 1e-308;",
                   "           no product is returned."}));
  EXPECT_EQ(capture.printer.severities, (std::vector<std::int32_t>{4}));
}

// The unit set goes to every conversion, both ways.  Field units (lbmol/h, degF, psia,
// Btu/lbmol, lb/ft3) by their definitions: 1 lb = 0.45359237 kg, 1 psi = 6894.757293168 Pa,
// 1 Btu/lb = 2.326 kJ/kg, 1 lb/ft3 = 16.018463373960 kg/m3.
TEST_F(EquilibriumReactor, FieldUnitsConvertBothWays) {
  const double psia = 10e5 / 6894.757293168361;
  Site site{Feed{.unitSet = 2,  // lbmol/h, degF, psia
                 .flow = 100.0 / 0.45359237,
                 .temperature = 86,
                 .pressure = psia,
                 .reactorPressure = psia,
                 .reactorTemperature = 68}};
  EXPECT_EQ(site.call(), 0) << capture.printer.text();
  Site metric{Feed{}};
  metric.call();
  EXPECT_NEAR(site.flow(1) * 0.45359237, metric.flow(1), 1e-9);
  EXPECT_NEAR(site.density(2) * 16.018463373960138, metric.density(2), 1e-9);
  EXPECT_NEAR(site.enthalpy(1) * 2326.0 / 1e6, metric.enthalpy(1), 1e-9);
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
  Lines callAt(Site& site, double point, std::int64_t* status = nullptr) {
    handler.point = point;
    capture.printer.clear();
    const std::int64_t s = site.call();
    if (status) *status = s;
    return capture.printer.lines;
  }
};

TEST_F(PhaseWatch, ChangesAreReportedAtTheSolverPointWhereTheyAppear) {
  Site site{Feed{}};
  force(1, {SHS_VAPOUR});
  force(2, {SHS_LIQUID});
  EXPECT_TRUE(callAt(site, 1.0).empty());  // nothing to compare with yet
  const std::string total = " GETRGR-I-The total number of phases has changed inDRUM    .";
  const std::string stream2 = " GETRGR-I-The number of phases in outlet stream 2 has ";
  const struct {
    std::int64_t product;
    std::vector<std::int64_t> kinds;
    Lines lines;
  } steps[] = {
      {2, {SHS_LIQUID}, {}},
      {2, {SHS_LIQUID, SHS_LIQUID2}, {total, stream2 + "increased in block:DRUM    ."}},
      {2,
       {SHS_LIQUID2, SHS_LIQUID},
       {" GETRGR-I-The phase sequence in stream 2 in block:DRUM    ."}},
      {1, {SHS_LIQUID}, {" GETRGR-I-Phase 1 of outlet stream 1 has changed in block:DRUM    ."}},
      {2, {SHS_LIQUID}, {total, stream2 + "decreased in block:DRUM    ."}},
  };
  double point = 1.0;
  for (const auto& step : steps) {
    force(step.product, step.kinds);
    std::int64_t status = 0;
    EXPECT_EQ(callAt(site, ++point, &status), step.lines) << point;
    EXPECT_EQ(status, step.lines.empty() ? 0 : 1);
    EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>(step.lines.size(), 1));
    // Repeated at the same point with the same phases: nothing again.
    EXPECT_TRUE(callAt(site, point + 1e-16).empty());
  }
}

// A change that appears at a later call of one solver point is reported there, once: the
// next point compares with the latest call, not with the previous point's first.
TEST_F(PhaseWatch, AChangeIsNotReportedAgainAtTheNextPoint) {
  Site site{Feed{}};
  force(1, {SHS_VAPOUR});
  force(2, {SHS_LIQUID});
  callAt(site, 1.0);
  force(1, {SHS_VAPOUR, SHS_LIQUID});
  EXPECT_EQ(callAt(site, 1.0).size(), 2u);  // the total and stream 1
  EXPECT_TRUE(callAt(site, 2.0).empty());
  EXPECT_TRUE(callAt(site, 3.0).empty());
  // Back to one phase at a repeated call, and again nothing at the next point.
  force(1, {SHS_VAPOUR});
  EXPECT_EQ(callAt(site, 3.0).size(), 2u);
  EXPECT_TRUE(callAt(site, 4.0).empty());
  // The solver point and the first-call marker keep words of their own.
  EXPECT_EQ((std::vector<double>{site.work()[0], site.work()[1]}),
            (std::vector<double>{999.0, 4.0}));
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
  EXPECT_EQ(callAt(site, 3.0, &status).size(), 4u);  // the warning's three lines and the phase's
  EXPECT_EQ(status, 2);
}

TEST_F(PhaseWatch, AShortWorkspaceIsNamedOnceAndResultsStillCome) {
  Feed f{.workWords = 10};
  Site site(f);
  std::int64_t status = 0;
  EXPECT_EQ(callAt(site, 1.0, &status),
            (Lines{"EQLBRX-W-The workspace holds 10 words; the phases of the product streams are "
                   "watched with 284 words or more."}));
  EXPECT_EQ(status, 2);
  EXPECT_GT(site.flow(1), 0.0);
  force(1, {SHS_LIQUID});
  EXPECT_TRUE(callAt(site, 2.0, &status).empty());
  EXPECT_EQ(status, 0);
  for (std::size_t k = 1; k < 10; ++k) EXPECT_EQ(site.work()[k], 0.0) << k;
  // No workspace at all: no marker either, so every call is a first call.
  f.workWords = 0;
  Site bare(f);
  EXPECT_EQ(callAt(bare, 3.0).size(), 1u);
  EXPECT_EQ(callAt(bare, 4.0).size(), 1u);
}

}  // namespace
