// xv55: the command-line host of the procedure library, on the reference host.
//   xv55 list | describe NAME | call NAME ... | run SCENARIO | check NAME ... | contract
// Exit status: 0 done, 1 `check` found a wrong derivative or `contract --check` a
// generated file that differs, 2 a mistake in what was asked (one line on standard
// error).
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "call_site.hpp"
#include "check.hpp"
#include "contract.hpp"
#include "metadata.hpp"
#include "scenario.hpp"
#include "session.hpp"

namespace {

using xv55::tools::Json;
using xv55::tools::UsageError;

constexpr int kUsage = 2;
constexpr int kWrongDerivative = 1;

Json readJson(const std::string& file) {
  std::string text;
  if (file == "-") {
    std::ostringstream all;
    all << std::cin.rdbuf();
    text = all.str();
  } else {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw UsageError("cannot read " + file);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  return xv55::tools::parseJson(text, file == "-" ? std::string("standard input") : file);
}

// Inputs from a JSON file (or standard input) and name=value pairs, the pairs last.
void giveInputs(xv55::tools::CallSite& site, const std::string& file,
                const std::vector<std::string>& pairs) {
  if (!file.empty()) site.set(readJson(file));
  for (const std::string& pair : pairs) {
    const std::size_t eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) {
      throw UsageError("'" + pair + "' is not name=value");
    }
    const std::string name = pair.substr(0, eq);
    site.set(name, xv55::tools::commandLineValue(site.argument(name), pair.substr(eq + 1)));
  }
}

// Some procedures write traces to standard output themselves.  So that they never
// mix with the results, the run's standard output is moved to standard error at
// start-up, and the results go to the original standard output through this stream.
FILE* resultStream() {
  static FILE* const results = [] {
    std::fflush(stdout);
    const int original = dup(STDOUT_FILENO);
    if (original < 0) return stdout;
    dup2(STDERR_FILENO, STDOUT_FILENO);
    FILE* stream = fdopen(original, "w");
    return stream ? stream : stdout;
  }();
  return results;
}

void write(const std::string& text, const std::string& file) {
  if (file.empty() || file == "-") {
    std::fwrite(text.data(), 1, text.size(), resultStream());
    std::fflush(resultStream());
    return;
  }
  std::ofstream out(file, std::ios::binary);
  if (!(out << text)) throw UsageError("cannot write " + file);
}

struct CallOptions {
  std::string procedure;
  std::vector<std::string> pairs;
  std::string inputFile;
  std::string callType = "4";
  std::int64_t work = 1000;
  bool setup = false;
  bool cleanup = false;
};

void addCallOptions(CLI::App* command, CallOptions& o) {
  command->add_option("procedure", o.procedure, "entry point, e.g. XV55IF_SPRAMP or spramp")
      ->required();
  command->add_option("values", o.pairs,
                      "inputs as name=value (JSON values: 2.5, [1,2], [[1,2],[3,4]]; texts as "
                      "they are); a vector output as name=cells, a matrix output as "
                      "name=[rows,columns]");
  command->add_option("--in", o.inputFile, "JSON object of inputs by name; - for standard input");
  command->add_option("--work", o.work, "workspace length of the call site (default 1000)");
}

// Everything the command line can say, filled in by parsing.
struct Options {
  bool json = false;
  std::string output;
  std::string name;  // describe
  CallOptions call;
  std::string scenarioFile, format;
  bool progress = false, noProgress = false;
  CallOptions check;
  xv55::tools::CheckSettings checkSettings;
  std::string exports, docs;
  bool compare = false;  // contract --check
};

// The subcommands, in the order `--help` lists them.
struct Commands {
  CLI::App* list;
  CLI::App* describe;
  CLI::App* call;
  CLI::App* run;
  CLI::App* check;
  CLI::App* contract;
};

CLI::App* addList(CLI::App& app, Options& o) {
  auto* list = app.add_subcommand("list", "every procedure with its inputs and outputs");
  list->add_flag("--json", o.json, "the full metadata (kinds, extents, units) as JSON");
  list->add_option("-o,--output", o.output, "write to this file instead of standard output");
  return list;
}

CLI::App* addDescribe(CLI::App& app, Options& o) {
  auto* describe = app.add_subcommand(
      "describe", "one procedure: its inputs and outputs by name, kind, extent and unit");
  describe->add_option("procedure", o.name, "entry point, e.g. XV55IF_SPRAMP")->required();
  describe->add_flag("--json", o.json, "as JSON");
  return describe;
}

CLI::App* addCall(CLI::App& app, Options& o) {
  auto* call = app.add_subcommand(
      "call", "one call: outputs by name, status, derivative matrix and messages as JSON");
  addCallOptions(call, o.call);
  call->add_option("--type", o.call.callType,
                   "call type: 0 values, 1 setup, 2 cleanup, 3 derivatives, 4 both (default)");
  call->add_flag("--setup", o.call.setup, "make a set-up call (type 1) first, as a host does");
  call->add_flag("--cleanup", o.call.cleanup, "make a clean-up call (type 2) afterwards");
  return call;
}

CLI::App* addRun(CLI::App& app, Options& o) {
  auto* run = app.add_subcommand(
      "run", "a scenario: call sites, set-up and evaluation calls, sweeps (docs/tools.md)");
  run->add_option("scenario", o.scenarioFile, "scenario file (JSON); - for standard input")
      ->required();
  run->add_option("--format", o.format, "json or csv (default: the scenario's, else json)");
  run->add_option("-o,--output", o.output, "write the results to this file");
  run->add_flag("--progress", o.progress, "always show the progress bar on standard error");
  run->add_flag("--no-progress", o.noProgress, "never show the progress bar");
  return run;
}

CLI::App* addCheck(CLI::App& app, Options& o) {
  auto* check = app.add_subcommand(
      "check",
      "analytic derivatives against central differences at the point and around it; exit 1 "
      "when one is wrong");
  addCallOptions(check, o.check);
  auto& s = o.checkSettings;
  check->add_option("--points", s.pointsAround, "points around the given one (default 4)");
  check->add_option("--spread", s.spread,
                    "relative move of the inputs at those points (default 0.01)");
  check->add_option("--step", s.options.relativeStep,
                    "relative finite-difference step (default 1e-6)");
  check->add_option("--rtol", s.options.relativeTolerance, "relative tolerance (default 1e-5)");
  check->add_option("--atol", s.options.absoluteTolerance, "absolute tolerance (default 1e-7)");
  check->add_option("--only", s.only, "check only these inputs (names or x[i])")->delimiter(',');
  check->add_option("--fix", s.fixed, "leave these inputs where they are")->delimiter(',');
  check->add_flag("--json", o.json, "the report as JSON");
  return check;
}

CLI::App* addContract(CLI::App& app, Options& o) {
  auto* contract = app.add_subcommand(
      "contract",
      "write the export list and the docs' argument tables from the export table "
      "(docs/tools.md); --check: exit 1 when one differs");
  contract->add_option("--exports", o.exports, "the export list, e.g. tests/abi/exports.txt");
  contract->add_option("--docs", o.docs, "the folder of Markdown pages with argument markers");
  contract->add_flag("--check", o.compare, "compare only; name each file that differs");
  return contract;
}

// A first word that names no command is reported as such, not as a missing one.
void rejectUnknownCommand(const CLI::App& app, int argc, char** argv) {
  if (argc <= 1 || argv[1][0] == '-') return;
  const std::string first = argv[1];
  std::string known;
  bool found = false;
  for (const CLI::App* command : app.get_subcommands({})) {
    found = found || command->get_name() == first;
    known += (known.empty() ? "" : ", ") + command->get_name();
  }
  if (!found) throw UsageError("unknown command '" + first + "' (commands: " + known + ")");
}

int describeProcedure(const Options& o) {
  const auto& p = xv55::tools::findProcedure(o.name);
  write(o.json ? xv55::tools::pretty(xv55::tools::describeJson(p)) : xv55::tools::describeText(p),
        "");
  return 0;
}

int callProcedure(const CallOptions& o, xv55::tools::Session& session) {
  const Json given = Json::parse(o.callType, nullptr, false);
  const std::int64_t type =
      xv55::tools::callTypeOf(given.is_number_integer() ? given : Json(o.callType));
  xv55::tools::CallSite site(xv55::tools::findProcedure(o.procedure), o.work);
  giveInputs(site, o.inputFile, o.pairs);
  site.prepare();
  std::vector<xv55::tools::Message> before;
  if (o.setup) {
    xv55::tools::CallResult setup = site.call(session, XV55_CALL_SETUP);
    if (setup.status == XV55_STATUS_ERROR) {
      write(xv55::tools::pretty(site.resultJson(setup)), "");
      return 0;
    }
    before = std::move(setup.messages);
  }
  xv55::tools::CallResult result = site.call(session, type);
  result.messages.insert(result.messages.begin(), before.begin(), before.end());
  if (o.cleanup) {
    const auto cleanup = site.call(session, XV55_CALL_CLEANUP);
    result.messages.insert(result.messages.end(), cleanup.messages.begin(), cleanup.messages.end());
  }
  write(xv55::tools::pretty(site.resultJson(result)), "");
  return 0;
}

int runScenarioFile(const Options& o, xv55::tools::Session& session) {
  const Json scenario = readJson(o.scenarioFile);
  xv55::tools::RunSettings settings;
  settings.format = o.format;
  settings.progress = o.progress ? 1 : o.noProgress ? 0 : -1;
  const std::filesystem::path folder =
      o.scenarioFile == "-" ? std::filesystem::current_path()
                            : std::filesystem::absolute(o.scenarioFile).parent_path();
  std::ostringstream results;
  xv55::tools::runScenario(scenario, folder, session, settings, results);
  write(results.str(), o.output);
  return 0;
}

int checkProcedure(const Options& o, xv55::tools::Session& session) {
  xv55::tools::CallSite site(xv55::tools::findProcedure(o.check.procedure), o.check.work);
  giveInputs(site, o.check.inputFile, o.check.pairs);
  site.prepare();
  const auto report = xv55::tools::checkSite(site, session, o.checkSettings);
  write(o.json ? xv55::tools::pretty(report.json) : report.text, "");
  return report.ok ? 0 : kWrongDerivative;
}

// Writes the generated files that differ, or (--check) names them and exits 1.
int updateContract(const Options& o) {
  if (o.exports.empty() && o.docs.empty()) throw UsageError("contract: give --exports or --docs");
  int differing = 0;
  for (const auto& file : xv55::tools::contractFiles(o.exports, o.docs)) {
    if (file.upToDate()) continue;
    ++differing;
    if (o.compare) {
      std::fprintf(stderr, "xv55: %s differs from the export table\n", file.path.c_str());
      continue;
    }
    std::ofstream out(file.path, std::ios::binary);
    if (!(out << file.generated)) throw UsageError("cannot write " + file.path.string());
    write("wrote " + file.path.string() + "\n", "");
  }
  if (o.compare && differing > 0) {
    std::fprintf(stderr,
                 "xv55: regenerate with: cmake --build build --target contract "
                 "(or xv55 contract --exports FILE --docs FOLDER), then review the diff\n");
    return 1;
  }
  return 0;
}

int perform(const Commands& c, const Options& o) {
  if (*c.list) {
    write(o.json ? xv55::tools::pretty(xv55::tools::catalogueJson()) : xv55::tools::listText(),
          o.output);
    return 0;
  }
  if (*c.describe) return describeProcedure(o);
  if (*c.contract) return updateContract(o);
  resultStream();  // before the first procedure call
  xv55::tools::Session session;
  if (*c.call) return callProcedure(o.call, session);
  if (*c.run) return runScenarioFile(o, session);
  if (*c.check) return checkProcedure(o, session);
  return kUsage;
}

int run(int argc, char** argv) {
  CLI::App app{
      "xv55: calls the procedures of libxv55 on the reference host: inputs by name, outputs, "
      "status, derivatives and messages as JSON."};
  app.footer(
      "Exit status: 0 done, 1 a derivative is wrong (check) or a generated file differs "
      "(contract --check), 2 a mistake in the command.\n"
      "Examples:\n"
      "  xv55 describe XV55IF_SPRAMP\n"
      "  xv55 call XV55IF_SPRAMP x=2.5 x1=1 x2=3 y1=10 y2=20\n"
      "  xv55 check XV55IF_PSIMPINT --in inputs.json\n"
      "  xv55 run scenario.json --format csv");
  app.require_subcommand(1);
  Options options;
  const Commands commands{addList(app, options),  addDescribe(app, options),
                          addCall(app, options),  addRun(app, options),
                          addCheck(app, options), addContract(app, options)};
  rejectUnknownCommand(app, argc, argv);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "xv55: %s (xv55 --help)\n", e.what());
    return kUsage;
  }
  return perform(commands, options);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "xv55: %s\n", e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xv55: %s\n", e.what());
  }
  return kUsage;
}
