// Scenarios: call sites shared by steps, sweeps, output as JSON and CSV, the host's
// set-up, and the mistakes a scenario file can hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scenario.hpp"
#include "session.hpp"
#include "xv55/refhost/control.hpp"

namespace {

using xv55::tools::Json;
using xv55::tools::RunSettings;
using xv55::tools::Session;

std::string run(const std::string& scenario, const std::string& format = "") {
  Session session;
  RunSettings settings;
  settings.format = format;
  settings.progress = 0;
  std::ostringstream out;
  xv55::tools::runScenario(Json::parse(scenario), ".", session, settings, out);
  return out.str();
}

std::string failure(const std::string& scenario) {
  try {
    run(scenario);
  } catch (const xv55::tools::UsageError& e) {
    return e.what();
  }
  return "";
}

const char* kRamp = R"("procedure": "XV55IF_SPRAMP",
                       "inputs": {"x": 0, "x1": 1, "x2": 3, "y1": 10, "y2": 20})";

TEST(Scenario, StepsShareTheCallSiteAndSweepsVaryOneInput) {
  const Json out = Json::parse(run(std::string("{") + kRamp + R"(, "steps": [
      {"call": "both", "sweep": {"input": "x", "from": 0, "to": 4, "points": 5}},
      {"call": "derivatives", "inputs": {"y": 16}},
      {"inputs": {"x2": 5}, "call": 0, "repeat": 2}]})"));
  const Json& results = out["results"];
  ASSERT_EQ(results.size(), 8u);
  const double expected[] = {10, 10, 15, 20, 20};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(results[k]["sweep"]["x"], k);
    EXPECT_EQ(results[k]["outputs"]["y"], expected[k]);
  }
  EXPECT_EQ(results[2]["derivatives"]["matrix"][0][0], 5.0);
  // The swept input keeps its last value; the derivative-only call reads the given y.
  EXPECT_EQ(results[5]["derivatives"]["matrix"][0][0], 0.0);  // x = 4: above the ramp
  EXPECT_EQ(results[6]["outputs"]["y"], 17.5);                // x = 4 on the ramp to x2 = 5
  EXPECT_EQ(results[7]["step"], 3);
}

TEST(Scenario, CsvHasOneRowPerCallAndTheSweptDerivatives) {
  const std::string csv = run(std::string("{") + kRamp + R"(, "format": "csv", "steps": [
      {"sweep": {"input": "x", "values": [2, 2.5]}}, {"call": 0}]})");
  EXPECT_EQ(csv,
            "step,site,callType,x,status,y,d y / d x,messages\n"
            "1,main,4,2,0,15,5,\n"
            "1,main,4,2.5,0,17.5,5,\n"
            "2,main,0,,0,17.5,,\n");
  // A sweep over the whole range of reals: its points are -1.5e308, 0 and 1.5e308 (the
  // span itself overflows); the ramp is y1 = 10 left of x1 = 1 and y2 = 20 right of x2 = 3.
  EXPECT_EQ(run(std::string("{") + kRamp + R"(, "steps": [{"call": 0,
                "sweep": {"input": "x", "from": -1.5e308, "to": 1.5e308, "points": 3}}]})",
                "csv"),
            "step,site,callType,x,status,y,messages\n1,main,0,-1.5e+308,0,10,\n"
            "1,main,0,0,0,10,\n1,main,0,1.5e+308,0,20,\n");
  // A ramp of zero width has no slope towards x2 there: 0 * inf is the processor's
  // default NaN, whose sign bit is set, and CSV writes it as JSON does, without a sign.
  EXPECT_EQ(run(R"({"procedure": "XV55IF_SPRAMP", "format": "csv",
                    "inputs": {"x": 1, "x1": 1, "x2": 1, "y1": 10, "y2": 20},
                    "steps": [{"sweep": {"input": "x2", "values": [1]}}]})"),
            "step,site,callType,x2,status,y,d y / d x2,messages\n1,main,4,1,0,10,nan,\n");
  // Several sites: their outputs are named by site; messages are quoted.
  const std::string two = run(R"({"sites": {
      "m": {"procedure": "spmatr", "inputs": {"a": [[1, 2]], "b": [1], "y": 1}},
      "r": {"procedure": "spsqrt", "inputs": {"x": 4}}},
      "steps": [{"site": "m", "call": 0}, {"site": "r", "call": 0}]})",
                              "csv");
  EXPECT_EQ(two,
            "step,site,callType,status,m.y[1],r.y,messages\n"
            "1,m,0,4,0,,4:  SPMATR-F-Incompatible matrix dimensions for multiplication. \n"
            "2,r,0,0,,2,\n");
}

// An equilibrium drum on the reference host: the product compositions come back as
// a list of rows, one per component in the model's order, one column per product.
TEST(Scenario, MatrixOutputsComeBackAsRowsAndAsOneCsvColumnPerCell) {
  const std::filesystem::path plant =
      std::filesystem::path(::testing::TempDir()) / ("xv55_drum_" + std::to_string(getpid()));
  std::ofstream(plant) << R"({"components": ["METHANE", "PROPANE", "N-BUTANE"],
      "blocks": [{"id": "PLANT.DRUM", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2}}]})";
  const double z[] = {0.4, 0.2, 0.4};  // N-BUTANE, METHANE, PROPANE
  const std::string scenario = R"({"flowsheet": ")" + plant.string() + R"(",
      "host": {"components": ["METHANE", "PROPANE", "N-BUTANE"],
               "modelComponents": ["N-BUTANE", "METHANE", "PROPANE"]},
      "procedure": "eqlbrx", "work": 300, "inputs": {
      "blockId": "PLANT.DRUM", "unitSet": 1, "feedFlow": 100, "feedTemperature": 30,
      "feedPressure": 10, "feedComposition": [0.4, 0.2, 0.4], "reactorPressure": 10,
      "reactorTemperature": 20, "option": "", "productFlows": 2,
      "productCompositions": [3, 2], "productEnthalpies": 2, "productDensities": 2}})";
  const Json result = Json::parse(run(scenario, "json"))["results"][0];
  ASSERT_NE(result["status"], 4) << result.dump();
  const Json& flows = result["outputs"]["productFlows"];
  const Json& x = result["outputs"]["productCompositions"];
  ASSERT_EQ(x.size(), 3u);
  // Each component's flows add up to its feed, in the model's order.
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_EQ(x[i].size(), 2u);
    EXPECT_NEAR(x[i][0].get<double>() * flows[0].get<double>() +
                    x[i][1].get<double>() * flows[1].get<double>(),
                100 * z[i], 1e-6)
        << i;
  }

  // In CSV one column per cell, named column-major like the derivative rows.
  const std::string csv = run(scenario, "csv");
  EXPECT_NE(csv.find(R"(,"productCompositions[1,1]","productCompositions[2,1]",)"
                     R"("productCompositions[3,1]","productCompositions[1,2]",)"),
            std::string::npos)
      << csv;
  std::filesystem::remove(plant);
  xv55::refhost::reset();
}

TEST(Scenario, SetsUpTheReferenceHostAndTheSolverOptions) {
  run(R"({"procedure": "spsqrt", "inputs": {"x": 1},
          "host": {"printLevel": 3, "components": 4, "globals": {"2": 1e-8}},
          "options": {"18": 2}})");
  EXPECT_EQ(xv55::refhost::global(2), 1e-8);
  xv55::refhost::reset();
}

TEST(Scenario, RefusesMalformedScenariosWithOneClearLine) {
  // Each message starts so.  Most cases add one key to a square root that would run.
  const std::string root = R"({"procedure": "spsqrt", "inputs": {"x": 1}, )";
  const std::string recv = R"({"procedure": "sprecv", "inputs": {"x": [1, 2], "n": 1, "y": 2}, )";
  const std::pair<std::string, std::string> cases[] = {
      {root + R"("stpes": []})",
       "scenario: unknown key 'stpes' (known: title, format, flowsheet, host, options, procedure, "
       "inputs, work, sites, steps)"},
      {R"({"inputs": {"x": 1}})",
       "scenario: \"inputs\" and \"work\" at the top belong to a \"procedure\""},
      {R"({"title": "nothing"})", "scenario: no \"procedure\" and no \"sites\""},
      {root + R"("format": "xml"})", "format must be \"json\" or \"csv\", not \"xml\""},
      {root + R"("format": 5})", "format must be \"json\" or \"csv\", not 5"},
      {root + R"("host": {"globals": {"two": 1}}})", "host.globals: 'two' is not a word number"},
      {root + R"("steps": [{"repeat": 10000001}]})", "step 1.repeat: at most 10000000"},
      {root + R"("steps": [{"repeat": 4000, "sweep": {"input": "x", "from": 1, "to": 2,
                                                   "points": 4000}}]})",
       "step 1: 4000 points of 4000 calls each, more than 10000000 calls"},
      // 65 nested lists: refused before any part is copied.
      {root + R"("title": )" + std::string(65, '[') + std::string(65, ']') + "}",
       "the scenario is nested more than 64 levels deep"},
      {recv + R"("steps": [{"sweep": {"input": "x", "values": [1]}}]})",
       "XV55IF_SPRECV: input x is an array with no element 'x' (elements are x[i])"},
      {recv + R"("steps": [{"sweep": {"input": "n", "values": [1.5]}}]})",
       "step 1.sweep: input n is an integer, not 1.5"},
      {root + R"("steps": [{"sweep": {"input": "x", "from": 0, "to": 1}}]})",
       "step 1.sweep needs \"values\" or \"from\", \"to\" and \"points\""},
      {R"({"sites": {"a": {"procedure": "spsqrt"}, "b": {"procedure": "spsqrt"}},
           "steps": [{"call": 0}]})",
       "step 1 needs \"site\" (there are 2)"},
      {R"({"sites": {"a": {"procedure": "spsqrt", "inputs": {"x": 1}}}, "steps": [{"site": "b"}]})",
       "no site named 'b'"},
      {root + R"("host": {"globals": {"99": 1}}})",
       "host.globals: word 99 is not between 1 and 64"},
      {root + R"("options": {"twenty": 1}})", "options: 'twenty' is not an option number"},
      // A flowsheet that cannot be read is said before any call, with the loader's reason.
      {root + R"("flowsheet": "no-such-plant.txt"})", "flowsheet file './no-such-plant.txt' "},
      // Component names the property system does not know are refused, with those it knows.
      {root + R"("host": {"components": ["XX"]}})",
       "host.components: an unknown or repeated name, or too many (known: WATER, NITROGEN, "},
      {root + R"("host": {"components": ["METHANE", 3]}})",
       "host.components must be a list of component names, not [\"METHANE\",3]"},
      {root + R"("host": {"components": ["METHANE"], "modelComponents": ["PROPANE"]}})",
       "host.modelComponents: a name not in host.components, or a name given twice"},
  };
  for (const auto& [scenario, message] : cases) {
    EXPECT_EQ(failure(scenario).substr(0, message.size()), message) << scenario;
  }
  xv55::refhost::reset();
}

// Every shipped scenario whose procedures the library has runs without a refusal.
TEST(Scenario, ShippedScenariosRun) {
  int ran = 0;
  for (const auto& file : std::filesystem::directory_iterator(XV55_SCENARIOS)) {
    std::ifstream in(file.path());
    const Json scenario = Json::parse(in);
    if (scenario.contains("map")) continue;  // a curve map, drawn by the Python package
    bool present = true;
    for (const auto& site : scenario["sites"]) {
      present =
          present && std::any_of(xv55::entry::procedures().begin(), xv55::entry::procedures().end(),
                                 [&site](const auto& p) { return site["procedure"] == p.name; });
    }
    if (!present) continue;
    SCOPED_TRACE(file.path().string());
    Session session;
    RunSettings settings;
    settings.progress = 0;
    settings.format = "json";
    std::ostringstream out;
    EXPECT_NO_THROW(xv55::tools::runScenario(scenario, XV55_SCENARIOS, session, settings, out));
    const Json results = Json::parse(out.str())["results"];
    for (const Json& result : results) EXPECT_NE(result["status"], 4) << result.dump();
    ++ran;
  }
  EXPECT_GE(ran, 1);
}

}  // namespace
