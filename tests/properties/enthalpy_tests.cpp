// Pure-component molar enthalpies through XV55IF_SPENTH_MOLAR.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "properties/property_fixture.hpp"

namespace {

using namespace xv55::testing;
using xv55::BlockBuilder;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kJoulesPerMJ = 1e6;

// T (degC), P (bar), phase flag -> n enthalpies (MJ/kmol).
BlockBuilder enthalpyBlock(double t, double p, std::int64_t phase, std::int64_t n) {
  BlockBuilder b;
  b.real(t);
  b.real(p);
  b.integer(phase);
  b.outputs(n, kSentinel);
  b.hostContext = kContext;
  return b;
}

class PureEnthalpy : public PropertyProcedures {};

TEST_F(PureEnthalpy, EachComponentAloneInTheModelsOrder) {
  components({"WATER", "NITROGEN", "METHANE", "N-HEXANE"});
  ASSERT_TRUE(pp::setModelComponents(kContext, {"N-HEXANE", "WATER", "METHANE"}));
  // Vapour at 150 degC and 1 bar, liquid at 25 degC and 1 bar.
  const struct {
    std::int64_t flag;
    double t, p;
    pp::Root root;
  } phases[] = {{1, 150.0, 1.0, pp::Root::Vapour}, {0, 25.0, 1.0, pp::Root::Liquid}};
  for (const auto& ph : phases) {
    SCOPED_TRACE(ph.flag);
    BlockBuilder b = enthalpyBlock(ph.t, ph.p, ph.flag, 3);
    b.call(XV55IF_SPENTH_MOLAR);
    EXPECT_EQ(b.status, 0);  // left alone on success
    const Names model = {"N-HEXANE", "WATER", "METHANE"};
    for (std::int64_t i = 1; i <= 3; ++i) {
      const pp::PhaseState s = phase({model[static_cast<std::size_t>(i - 1)]}, {1.0},
                                     ph.t + kZeroCelsius, ph.p * kBar, ph.root);
      EXPECT_NEAR(b.out(i), s.enthalpy / kJoulesPerMJ, 1e-9 * std::fabs(s.enthalpy / 1e6)) << i;
    }
  }
  // Water vapour at 25 degC and 0.01 bar is near the ideal gas: its enthalpy is the enthalpy
  // of formation, -241.826 kJ/mol (NIST-JANAF Thermochemical Tables, 4th ed.).
  BlockBuilder formation = enthalpyBlock(25.0, 0.01, 1, 2);
  formation.call(XV55IF_SPENTH_MOLAR);
  EXPECT_NEAR(formation.out(2), -241.826, 0.05);
  // Fewer outputs than components: the first ones.
  EXPECT_NEAR(formation.out(1),
              phase({"N-HEXANE"}, {1.0}, 298.15, 1e3, pp::Root::Vapour).enthalpy / kJoulesPerMJ,
              1e-6);
}

TEST_F(PureEnthalpy, RefusalsStopWithStatusFourAndAMessage) {
  components({"WATER", "METHANE"});
  // No outputs: nothing is asked of the host.
  BlockBuilder none = enthalpyBlock(25.0, 1.0, 1, 0);
  none.call(XV55IF_SPENTH_MOLAR);
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(rh::lastCall("GPIVEX").calls, 0);
  EXPECT_EQ(rh::lastCall("SAISST").calls, 0);

  const auto fails = [this](const char* service, std::int64_t code, double t, double p,
                            std::int64_t n, const std::string& message) {
    SCOPED_TRACE(message);
    if (service) {
      ASSERT_TRUE(pp::injectStatus(service, code));
    }
    BlockBuilder b = enthalpyBlock(t, p, 1, n);
    b.call(XV55IF_SPENTH_MOLAR);
    EXPECT_EQ(b.status, 4);
    for (std::int64_t i = 1; i <= n; ++i) EXPECT_EQ(b.out(i), kSentinel);
    EXPECT_TRUE(printed(" SPENTH_MOLAR-E-" + message)) << capture.printer.text();
  };
  fails(nullptr, 0, 25, 1, 3, "3 enthalpies are asked for but the model has 2 components.");
  fails("GPIVEX", 3, 25, 1, 2,
        "The property system gives no enthalpy for component 1 at 25 degC and 1 bar.");
  // A vanishing pressure gives the host a NaN enthalpy: refused, not passed on.
  fails(nullptr, 0, 25, 1e-308, 2,
        "The property system gives no enthalpy for component 1 at 25 degC and 1e-308 bar.");
  fails(nullptr, 0, kNaN, 1, 2, "Temperature nan");
  fails(nullptr, 0, 25, 0, 2, "Pressure 0 is 0 Pa");
}

}  // namespace
