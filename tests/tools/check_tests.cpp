// `xv55 check` on a test procedure whose derivatives are right, wrong, kinked or
// missing.  (The library's own procedures are swept in tests/sweep.)
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "call_site.hpp"
#include "check.hpp"
#include "entry/record.hpp"
#include "session.hpp"

namespace {

using xv55::entry::ProcedureInfo;
using xv55::tools::CallSite;
using xv55::tools::CheckSettings;
using xv55::tools::Json;
using xv55::tools::Session;

// y = x^2 + 3 z with dy/dx written as `slopeFactor` x (2 is right), and dy/dz = 3
// (or nothing when slopeFactor is 0); ax = |x| with its derivative sign(x).
double g_slopeFactor = 2.0;
XV55_RECORD(SquareArguments,
            (const double&, x, ""),
            (const double&, z, ""),
            (double&, y, ""),
            (double&, ax, ""));
void squareBody(const SquareArguments& a, xv55::Jacobian jac, xv55::CallMode mode) {
  if (mode.wantsValues()) {
    a.y = a.x * a.x + 3 * a.z;
    a.ax = std::fabs(a.x);
  }
  if (!mode.wantsDerivatives() || g_slopeFactor == 0.0) return;
  jac.set(a.at.y, a.at.x, g_slopeFactor * a.x);     // dy/dx
  jac.set(a.at.y, a.at.z, 3.0);                     // dy/dz
  jac.set(a.at.ax, a.at.x, a.x >= 0 ? 1.0 : -1.0);  // d|x|/dx
}
void squareEntry(XV55_ENTRY_PARAMS) {
  xv55::entry::enter<&squareBody, xv55::entry::AfterBody::Nothing>(
      {inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,
       hostContext, realWork, realWorkLength, derivatives, derivativeRows, derivativeColumns,
       callType});
}
const ProcedureInfo kSquare{"XV55IF_TESTSQUARE", &squareEntry,
                            xv55::entry::kPositional<&squareBody>};

xv55::tools::CheckReport checkSquare(double x, double slopeFactor, CheckSettings settings = {}) {
  g_slopeFactor = slopeFactor;
  Session session;
  CallSite site(kSquare, 0);
  site.set(Json{{"x", x}, {"z", 1.0}});
  auto report = xv55::tools::checkSite(site, session, settings);
  EXPECT_EQ(site.value(1), x);  // the inputs are restored
  return report;
}

const Json* element(const Json& report, const std::string& output, const std::string& input) {
  for (const Json& e : report["elements"]) {
    if (e["output"] == output && e["input"] == input) return &e;
  }
  return nullptr;
}

TEST(Check, PassesRightDerivativesAndFailsWrongOnesAtEveryPoint) {
  const auto right = checkSquare(1.5, 2.0);
  EXPECT_TRUE(right.ok);
  EXPECT_EQ(right.json["points"], 5);
  EXPECT_EQ((*element(right.json, "y", "x"))["verdict"], "ok");
  EXPECT_LT((*element(right.json, "y", "x"))["worstError"].get<double>(), 1e-6);

  const auto wrong = checkSquare(1.5, 2.01);
  EXPECT_FALSE(wrong.ok);
  const Json& e = *element(wrong.json, "y", "x");
  EXPECT_EQ(e["verdict"], "wrong");
  EXPECT_NEAR(e["worstError"].get<double>(), 0.01 / 2.01, 1e-4);
  EXPECT_EQ((*element(wrong.json, "y", "z"))["verdict"], "ok");
  EXPECT_NE(wrong.text.find("1 analytic derivatives are wrong"), std::string::npos);

  // Only the inputs asked for are checked, and a fixed input stays where it is.
  CheckSettings onlyZ;
  onlyZ.only = {"z"};
  onlyZ.fixed = {"x"};
  const auto z = checkSquare(1.5, 2.01, onlyZ);
  EXPECT_TRUE(z.ok);
  EXPECT_EQ(element(z.json, "y", "x"), nullptr);
}

TEST(Check, FlagsKinksInsteadOfFailingThere) {
  CheckSettings here;
  here.pointsAround = 0;
  const auto atZero = checkSquare(0.0, 2.0, here);
  EXPECT_TRUE(atZero.ok);
  const Json& kink = *element(atZero.json, "ax", "x");
  EXPECT_EQ(kink["verdict"], "kink");
  EXPECT_EQ(kink["firstKink"]["left"], -1.0);
  EXPECT_NEAR(kink["firstKink"]["right"].get<double>(), 1.0, 1e-9);
  EXPECT_NE(atZero.text.find("a one-sided difference is needed"), std::string::npos);
  // Around the kink the points on either side are compared.
  CheckSettings around;
  around.spread = 0.5;
  const auto near = checkSquare(0.0, 2.0, around);
  EXPECT_EQ((*element(near.json, "ax", "x"))["verdict"], "ok");
  EXPECT_EQ((*element(near.json, "ax", "x"))["kinks"], 1);
}

// A procedure that writes no derivative is said to supply none; inputs that are no
// real input cannot be checked.
TEST(Check, SaysSoWhenNothingCanBeChecked) {
  const auto none = checkSquare(1.5, 0.0);
  EXPECT_TRUE(none.ok);
  EXPECT_FALSE(none.json["derivativesSupplied"].get<bool>());
  EXPECT_NE(none.text.find("supplies none"), std::string::npos);

  Session session;
  CallSite site(xv55::tools::findProcedure("sprecv"), 0);
  site.set(Json::parse(R"({"x": [0.5], "n": 3, "y": 1})"));
  for (const char* input : {"n", "w"}) {
    CheckSettings settings;
    settings.only = {input};
    EXPECT_THROW(xv55::tools::checkSite(site, session, settings), xv55::tools::UsageError) << input;
  }
}

}  // namespace
