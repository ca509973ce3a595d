// The command-line host as a user runs it (build/bin/xv55): exit status, one-line
// errors, JSON on standard output; and every procedure of the export table called
// and checked with inputs made from its metadata alone.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "call_site.hpp"
#include "check.hpp"
#include "session.hpp"

namespace {

using xv55::tools::Json;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& file) {
  std::ifstream in(file);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// Runs xv55 with the arguments (a shell command line), standard input from `input`.
Outcome xv55(const std::string& arguments, const std::string& input = "") {
  const std::string base = ::testing::TempDir() + "xv55_cli_" + std::to_string(getpid());
  std::ofstream(base + ".in") << input;
  const std::string command = std::string(XV55_CLI) + " " + arguments + " <" + base + ".in >" +
                              base + ".out 2>" + base + ".err";
  const int raw = std::system(command.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.out = slurp(base + ".out");
  o.err = slurp(base + ".err");
  return o;
}

TEST(CommandLine, CallPrintsOutputsStatusDerivativesAndMessages) {
  const Outcome ramp = xv55("call XV55IF_SPRAMP x=2.5 x1=1 x2=3 y1=10 y2=20");
  ASSERT_EQ(ramp.status, 0) << ramp.err;
  const Json r = Json::parse(ramp.out);
  EXPECT_EQ(r["outputs"]["y"], 17.5);
  EXPECT_EQ(r["status"], 0);
  EXPECT_EQ(r["derivatives"]["columns"], Json::parse(R"(["x", "x1", "x2", "y1", "y2"])"));
  EXPECT_EQ(r["derivatives"]["matrix"][0][3], 0.25);

  // Inputs from standard input, a pair on top; set-up and clean-up calls around.
  const Outcome matrix =
      xv55("call spmatr --in - b='[1]' --type values --setup --cleanup", R"({"a": [[1, 2]],
           "b": [1, 1], "y": 1})");
  ASSERT_EQ(matrix.status, 0) << matrix.err;
  const Json m = Json::parse(matrix.out);
  EXPECT_EQ(m["status"], 4);
  EXPECT_EQ(m["messages"][0]["severity"], 4);
  EXPECT_EQ(m["messages"][0]["callType"], 1);  // the set-up call already refused the sizes
}

TEST(CommandLine, MistakesEndWithOneLineAndStatusTwo) {
  const std::pair<std::string, std::string> cases[] = {
      {"call SPNONE", "xv55: unknown procedure 'SPNONE' (xv55 list shows them all)\n"},
      {"call spsqrt", "xv55: XV55IF_SPSQRT: missing input x\n"},
      {"call spsqrt x=1 z=2", "xv55: XV55IF_SPSQRT has no argument 'z' (inputs: x; outputs: y)\n"},
      {"call spsqrt x='[1'",
       "xv55: XV55IF_SPSQRT: input x: expected a real number, got the "
       "text \"[1\"\n"},
      {"call spsqrt x", "xv55: 'x' is not name=value\n"},
      {"call spsqrt x=1 --type 9",
       "xv55: call type 9 is none of 0 values, 1 setup, 2 cleanup, 3 derivatives, 4 both\n"},
      {"call spsqrt --in /nonexistent.json", "xv55: cannot read /nonexistent.json\n"},
      {"describe", "xv55: procedure is required (xv55 --help)\n"},
      {"frobnicate",
       "xv55: unknown command 'frobnicate' (commands: list, describe, call, run, "
       "check, contract)\n"},
      {"contract", "xv55: contract: give --exports or --docs\n"},
      {"contract --docs /nonexistent", "xv55: cannot read the folder /nonexistent\n"},
      {"run /nonexistent.json", "xv55: cannot read /nonexistent.json\n"},
      {"check spsqrt x=1 --only y", "xv55: XV55IF_SPSQRT: y is an output\n"},
      {"check spsqrt x=1 --step nan", "xv55: --step must be a finite number above 0, not nan\n"},
      {"check spsqrt x=1 --step 0", "xv55: --step must be a finite number above 0, not 0\n"},
      {"check spsqrt x=1 --rtol -1", "xv55: --rtol must be a finite number above 0, not -1\n"},
      {"check spsqrt x=1 --atol inf", "xv55: --atol must be a finite number above 0, not inf\n"},
      {"check spsqrt x=1 --points 10001", "xv55: --points: at most 10000\n"},
      // Texts are handed over in Latin-1, one byte a character.
      {"call eqlbrx blockId='\u20ac'",
       "xv55: XV55IF_EQLBRX: input blockId: the text holds a character that is not Latin-1\n"},
      {"call eqlbrx blockId=" + std::string(40, 'x').replace(0, 1, "\u00c9"),  // 41 bytes
       "xv55: XV55IF_EQLBRX: missing input unitSet\n"},
      {"call eqlbrx productCompositions='[3,-2]'",
       "xv55: XV55IF_EQLBRX: output productCompositions: the shape [3,-2] is not [rows, "
       "columns]: two integers of at least 0, at most 4194304 cells in all\n"},
      {"call eqlbrx productCompositions=3",
       "xv55: XV55IF_EQLBRX: output productCompositions: expected its shape [rows, columns] or a "
       "list of its rows, got the number 3\n"},
  };
  for (const auto& [arguments, message] : cases) {
    const Outcome o = xv55(arguments);
    EXPECT_EQ(o.status, 2) << arguments;
    EXPECT_EQ(o.err, message) << arguments;
    EXPECT_EQ(o.out, "") << arguments;
  }
  const Outcome json = xv55("run -", "{\"procedure\": ");
  EXPECT_EQ(json.status, 2);
  EXPECT_EQ(json.err.rfind("xv55: standard input is not valid JSON: ", 0), 0u) << json.err;
  const Outcome huge = xv55("run -", R"({"procedure": "spsqrt", "inputs": {"x": 1e400}})");
  EXPECT_EQ(huge.err,
            "xv55: standard input holds a number beyond the range of reals: number overflow "
            "parsing '1e400'\n");
  // Nested 50000 deep: refused while reading, before anything copies it.
  const Outcome deep = xv55("run -", R"({"procedure": "spsqrt", "inputs": {"x": 1}, "title": )" +
                                         std::string(50000, '[') + std::string(50000, ']') + "}");
  EXPECT_EQ(deep.status, 2);
  EXPECT_EQ(deep.err, "xv55: standard input is nested more than 64 levels deep\n");
}

TEST(CommandLine, ListDescribeCheckAndHelp) {
  EXPECT_EQ(Json::parse(xv55("list --json").out)["procedures"].size(),
            xv55::entry::procedures().size());
  const Outcome describe = xv55("describe psimpint");
  EXPECT_NE(describe.out.find("\n  1  p0            real           1  [bar]\n"), std::string::npos)
      << describe.out;
  // A matrix output: its kind and two extents, on the output side.
  const Json eqlbrx = Json::parse(xv55("describe eqlbrx --json").out);
  EXPECT_EQ(eqlbrx["outputs"][1],
            Json::parse(R"({"name": "productCompositions", "kind": "real matrix", "extents": 2,
                            "unit": "1"})"));
  // Every argument a user reads carries a unit: counts and codes are dimensionless.
  const Json all = Json::parse(xv55("list --json").out);
  for (const Json& p : all["procedures"]) {
    for (const char* side : {"inputs", "outputs"}) {
      for (const Json& a : p[side]) {
        EXPECT_NE(a["unit"], "") << p["name"] << " " << a["name"] << " shows no unit";
      }
    }
  }
  EXPECT_NE(xv55("describe sppcurve").out.find("\n  2  nc            integer        1  [1]\n"),
            std::string::npos);
  const Outcome check = xv55("check spramp x=2.5 x1=1 x2=3 y1=10 y2=20 --json");
  EXPECT_EQ(check.status, 0);
  EXPECT_TRUE(Json::parse(check.out)["ok"].get<bool>());
  const Outcome help = xv55("call --help");
  EXPECT_TRUE(help.status == 0 && help.out.find("Usage") != std::string::npos);
}

// contract --check names a stale page and says how to regenerate; contract rewrites
// it, after which the check passes.
TEST(CommandLine, ContractChecksThenWritesTheMarkedTables) {
  const std::string folder = ::testing::TempDir() + "xv55_contract_" + std::to_string(getpid());
  ASSERT_EQ(std::system(("mkdir -p " + folder).c_str()), 0);
  const std::string page = folder + "/ramp.md";
  std::ofstream(page) << "<!-- arguments SPRAMP -->\n| old |\n<!-- end arguments -->\n";
  const Outcome stale = xv55("contract --check --docs " + folder);
  EXPECT_EQ(stale.status, 1);
  EXPECT_NE(stale.err.find("xv55: " + page + " differs from the export table\n"), std::string::npos)
      << stale.err;
  EXPECT_NE(stale.err.find("regenerate with: cmake --build build --target contract"),
            std::string::npos);
  EXPECT_NE(slurp(page).find("| old |"), std::string::npos);  // a check writes nothing
  const Outcome written = xv55("contract --docs " + folder);
  EXPECT_EQ(written.status, 0);
  EXPECT_EQ(written.out, "wrote " + page + "\n");
  EXPECT_NE(slurp(page).find("| 2 | `x1` |"), std::string::npos);
  EXPECT_EQ(xv55("contract --check --docs " + folder).status, 0);
  std::remove(page.c_str());
}

// Inputs for any procedure from its metadata: small positive reals (each real a
// little larger than the one before), integers 2, texts, vectors of 3 and 2 x 3
// matrices, vector outputs of 3 cells and 3 x 3 matrix outputs.
Json madeUpInputs(const xv55::entry::ProcedureInfo& p) {
  using K = xv55::entry::ArgKind;
  Json inputs = Json::object();
  double next = 1.25;
  const auto r = [&next] { return next += 0.5; };
  for (const auto& a : p.arguments) {
    Json& v = inputs[a.name];
    if (a.kind == K::RealIn) v = r();
    if (a.kind == K::IntegerIn) v = 2;
    if (a.kind == K::TextIn) v = "Tabular data";
    if (a.kind == K::RealVectorIn) v = {r(), r(), r()};
    if (a.kind == K::IntegerVectorIn) v = {3, 3, 3};
    if (a.kind == K::RealMatrixIn) v = {{r(), r(), r()}, {r(), r(), r()}};
    if (a.kind == K::IntegerMatrixIn) v = {{1, 2, 3}, {4, 5, 6}};
    if (a.kind == K::RealVectorOut) v = 3;
    if (a.kind == K::RealMatrixOut) v = {3, 3};
    if (v.is_null()) inputs.erase(a.name);
  }
  return inputs;
}

TEST(EveryProcedure, CanBeCalledWithEachCallTypeAndChecked) {
  xv55::tools::Session session;
  for (const auto& p : xv55::entry::procedures()) {
    SCOPED_TRACE(p.name);
    xv55::tools::CallSite site(p, 1000);
    site.set(madeUpInputs(p));
    for (std::int64_t type : {1, 4, 0, 3, 2}) {
      const auto r = site.call(session, type);
      EXPECT_EQ(static_cast<std::int64_t>(r.outputs.size()), site.block().outputCells());
      EXPECT_NO_THROW(site.resultJson(r).dump());
    }
    xv55::tools::CheckSettings settings;
    settings.pointsAround = 1;
    try {
      xv55::tools::checkSite(site, session, settings);
    } catch (const xv55::tools::UsageError& e) {  // a set-up call refused the made-up inputs
      EXPECT_NE(std::string(e.what()).find("set-up call"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
