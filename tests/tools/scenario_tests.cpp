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
#include "xv55/refhost.hpp"

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

// The fields of one CSV line, quotes undone.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t k = 0; k < line.size(); ++k) {
    if (line[k] == '"' && quoted && k + 1 < line.size() && line[k + 1] == '"') {
      fields.back() += '"';
      ++k;
    } else if (line[k] == '"') {
      quoted = !quoted;
    } else if (line[k] == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += line[k];
    }
  }
  return fields;
}

// An equilibrium drum on the reference host: the product compositions come back as
// a list of rows, one per component in the model's order, one column per product.
TEST(Scenario, MatrixOutputsComeBackAsRowsAndAsOneCsvColumnPerCell) {
  const std::filesystem::path plant =
      std::filesystem::path(::testing::TempDir()) / ("xv55_drum_" + std::to_string(getpid()));
  std::ofstream(plant) << "components METHANE PROPANE N-BUTANE\n"
                          "block PLANT.DRUM EQLBRX\n  streams 1 2\n";
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
  // Each product's fractions sum to 1; each component's flows add up to its feed.
  for (std::size_t j = 0; j < 2; ++j) {
    EXPECT_NEAR(x[0][j].get<double>() + x[1][j].get<double>() + x[2][j].get<double>(), 1.0, 1e-9);
  }
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_EQ(x[i].size(), 2u);
    EXPECT_NEAR(x[i][0].get<double>() * flows[0].get<double>() +
                    x[i][1].get<double>() * flows[1].get<double>(),
                100 * z[i], 1e-6)
        << i;
  }
  EXPECT_GT(x[1][0], x[1][1]);  // methane goes to the vapour, the first product

  std::istringstream csv(run(scenario, "csv"));
  std::string header, values;
  std::getline(csv, header);
  std::getline(csv, values);
  EXPECT_NE(header.find(R"(,"productCompositions[1,1]","productCompositions[2,1]",)"
                        R"("productCompositions[3,1]","productCompositions[1,2]",)"),
            std::string::npos)
      << header;
  const std::vector<std::string> names = csvFields(header);
  const std::vector<std::string> cells = csvFields(values);
  ASSERT_EQ(names.size(), cells.size()) << values;
  int seen = 0;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (names[k].rfind("productCompositions[", 0) != 0) continue;
    const auto i = static_cast<std::size_t>(names[k][20] - '1');
    const auto j = static_cast<std::size_t>(names[k][22] - '1');
    EXPECT_EQ(std::stod(cells[k]), x[i][j].get<double>()) << names[k];
    ++seen;
  }
  EXPECT_EQ(seen, 6);
  std::filesystem::remove(plant);
  xv55::refhost::reset();
}

TEST(Scenario, SetsUpTheReferenceHostAndTheSolverOptions) {
  run(R"({"procedure": "spsqrt", "inputs": {"x": 1},
          "host": {"printLevel": 3, "components": 4, "globals": {"2": 1e-8}},
          "options": {"18": 2}})");
  EXPECT_EQ(xv55::refhost::global(2), 1e-8);
  // A flowsheet that cannot be read is said before any call, with the loader's reason.
  const std::string missing =
      failure(R"({"procedure": "spsqrt", "inputs": {"x": 1}, "flowsheet": "no-such-plant.txt"})");
  EXPECT_NE(missing.find("no-such-plant.txt"), std::string::npos) << missing;
  // Component names the property system does not know are refused, and it says which it does.
  const std::string unknown =
      failure(R"({"procedure": "spsqrt", "inputs": {"x": 1}, "host": {"components": ["XX"]}})");
  EXPECT_EQ(unknown.rfind("host.components: an unknown or repeated name, or too many (known: ", 0),
            0u)
      << unknown;
  EXPECT_NE(unknown.find("METHANE"), std::string::npos);
  xv55::refhost::reset();
}

TEST(Scenario, RefusesMalformedScenariosWithOneClearLine) {
  const std::pair<std::string, std::string> cases[] = {
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "stpes": []})",
       "scenario: unknown key 'stpes' (known: title, format, flowsheet, host, options, procedure, "
       "inputs, work, sites, steps)"},
      {R"({"inputs": {"x": 1}})",
       "scenario: \"inputs\" and \"work\" at the top belong to a \"procedure\""},
      {R"({"title": "nothing"})", "scenario: no \"procedure\" and no \"sites\""},
      {R"({"procedure": "spnone"})", "unknown procedure 'spnone' (xv55 list shows them all)"},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "format": "xml"})",
       "format must be \"json\" or \"csv\", not \"xml\""},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "steps": [{"sweep": {"input": "y",
          "values": [1]}}]})",
       "XV55IF_SPSQRT: y is an output"},
      {R"({"procedure": "sprecv", "inputs": {"x": [1, 2], "n": 1, "y": 2},
           "steps": [{"sweep": {"input": "x", "values": [1]}}]})",
       "XV55IF_SPRECV: input x is an array with no element 'x' (elements are x[i])"},
      {R"({"procedure": "sprecv", "inputs": {"x": [1, 2], "n": 1, "y": 2},
           "steps": [{"sweep": {"input": "n", "values": [1.5]}}]})",
       "step 1.sweep: input n is an integer, not 1.5"},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "steps": [{"sweep": {"input": "x",
          "from": 0, "to": 1}}]})",
       "step 1.sweep needs \"values\" or \"from\", \"to\" and \"points\""},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "steps": [{"call": 7}]})",
       "call type 7 is none of 0 values, 1 setup, 2 cleanup, 3 derivatives, 4 both"},
      {R"({"sites": {"a": {"procedure": "spsqrt"}, "b": {"procedure": "spsqrt"}},
           "steps": [{"call": 0}]})",
       "step 1 needs \"site\" (there are 2)"},
      {R"({"sites": {"a": {"procedure": "spsqrt", "inputs": {"x": 1}}},
           "steps": [{"site": "b"}]})",
       "no site named 'b'"},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "host": {"globals": {"99": 1}}})",
       "host.globals: word 99 is not between 1 and 64"},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "options": {"twenty": 1}})",
       "options: 'twenty' is not an option number"},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1}, "host": {"components": ["METHANE", 3]}})",
       "host.components must be a list of component names, not [\"METHANE\",3]"},
      {R"({"procedure": "spsqrt", "inputs": {"x": 1},
           "host": {"components": ["METHANE"], "modelComponents": ["PROPANE"]}})",
       "host.modelComponents: a name not in host.components, or a name given twice"},
  };
  for (const auto& [scenario, message] : cases) EXPECT_EQ(failure(scenario), message) << scenario;
}

TEST(Scenario, ShippedScenariosRun) {
  Session session;
  RunSettings settings;
  settings.progress = 0;
  settings.format = "json";
  std::ostringstream out;
  const std::string file = std::string(XV55_SCENARIOS) + "/choked-flow.json";
  std::ifstream in(file);
  xv55::tools::runScenario(Json::parse(in), XV55_SCENARIOS, session, settings, out);
  const Json results = Json::parse(out.str())["results"];
  ASSERT_EQ(results.size(), 18u);
  // The flux rises as the back pressure falls, until the flow chokes.
  EXPECT_LT(results[0]["outputs"]["flux"], results[8]["outputs"]["flux"]);
  EXPECT_EQ(results[17]["outputs"]["maximumFound"], 1.0);
}

TEST(Scenario, EveryShippedScenarioRunsOnceItsProceduresAreInTheLibrary) {
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
    for (const Json& result : results) {
      EXPECT_NE(result["status"], 4) << result.dump();
    }
    ++ran;
  }
  EXPECT_GE(ran, 1);
}

}  // namespace
