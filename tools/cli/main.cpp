// xv55: the command-line host of the procedure library, on the reference host.
//   xv55 list | describe NAME | call NAME ... | run SCENARIO | check NAME ...
// Exit status: 0 done, 1 `check` found a wrong derivative, 2 a mistake in what was
// asked (one line on standard error).
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

int run(int argc, char** argv) {
  CLI::App app{
      "xv55: calls the procedures of libxv55 on the reference host: inputs by name, outputs, "
      "status, derivatives and messages as JSON."};
  app.footer(
      "Exit status: 0 done, 1 a derivative is wrong (check), 2 a mistake in the command.\n"
      "Examples:\n"
      "  xv55 describe XV55IF_SPRAMP\n"
      "  xv55 call XV55IF_SPRAMP x=2.5 x1=1 x2=3 y1=10 y2=20\n"
      "  xv55 check XV55IF_PSIMPINT --in inputs.json\n"
      "  xv55 run scenario.json --format csv");
  app.require_subcommand(1);

  bool json = false;
  std::string output;
  auto* list = app.add_subcommand("list", "every procedure with its inputs and outputs");
  list->add_flag("--json", json, "the full metadata (kinds, extents, units) as JSON");
  list->add_option("-o,--output", output, "write to this file instead of standard output");

  std::string name;
  auto* describe = app.add_subcommand(
      "describe", "one procedure: its inputs and outputs by name, kind, extent and unit");
  describe->add_option("procedure", name, "entry point, e.g. XV55IF_SPRAMP")->required();
  describe->add_flag("--json", json, "as JSON");

  CallOptions callOptions;
  auto* call = app.add_subcommand(
      "call", "one call: outputs by name, status, derivative matrix and messages as JSON");
  addCallOptions(call, callOptions);
  call->add_option("--type", callOptions.callType,
                   "call type: 0 values, 1 setup, 2 cleanup, 3 derivatives, 4 both (default)");
  call->add_flag("--setup", callOptions.setup, "make a set-up call (type 1) first, as a host does");
  call->add_flag("--cleanup", callOptions.cleanup, "make a clean-up call (type 2) afterwards");

  std::string scenarioFile, format;
  bool progress = false, noProgress = false;
  auto* runCommand = app.add_subcommand(
      "run", "a scenario: call sites, set-up and evaluation calls, sweeps (docs/tools.md)");
  runCommand->add_option("scenario", scenarioFile, "scenario file (JSON); - for standard input")
      ->required();
  runCommand->add_option("--format", format, "json or csv (default: the scenario's, else json)");
  runCommand->add_option("-o,--output", output, "write the results to this file");
  runCommand->add_flag("--progress", progress, "always show the progress bar on standard error");
  runCommand->add_flag("--no-progress", noProgress, "never show the progress bar");

  CallOptions checkOptions;
  xv55::tools::CheckSettings check;
  auto* checkCommand = app.add_subcommand(
      "check",
      "analytic derivatives against central differences at the point and around it; exit 1 "
      "when one is wrong");
  addCallOptions(checkCommand, checkOptions);
  checkCommand->add_option("--points", check.pointsAround,
                           "points around the given one (default 4)");
  checkCommand->add_option("--spread", check.spread,
                           "relative move of the inputs at those points (default 0.01)");
  checkCommand->add_option("--step", check.options.relativeStep,
                           "relative finite-difference step (default 1e-6)");
  checkCommand->add_option("--rtol", check.options.relativeTolerance,
                           "relative tolerance (default 1e-5)");
  checkCommand->add_option("--atol", check.options.absoluteTolerance,
                           "absolute tolerance (default 1e-7)");
  checkCommand->add_option("--only", check.only, "check only these inputs (names or x[i])")
      ->delimiter(',');
  checkCommand->add_option("--fix", check.fixed, "leave these inputs where they are")
      ->delimiter(',');
  checkCommand->add_flag("--json", json, "the report as JSON");

  // A first word that names no command is reported as such, not as a missing one.
  if (argc > 1 && argv[1][0] != '-') {
    const std::string first = argv[1];
    std::string known;
    bool found = false;
    for (const CLI::App* command : app.get_subcommands({})) {
      found = found || command->get_name() == first;
      known += (known.empty() ? "" : ", ") + command->get_name();
    }
    if (!found) throw UsageError("unknown command '" + first + "' (commands: " + known + ")");
  }
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

  if (*list) {
    write(json ? xv55::tools::pretty(xv55::tools::catalogueJson()) : xv55::tools::listText(),
          output);
    return 0;
  }
  if (*describe) {
    const auto& p = xv55::tools::findProcedure(name);
    write(json ? xv55::tools::pretty(xv55::tools::describeJson(p)) : xv55::tools::describeText(p),
          "");
    return 0;
  }

  resultStream();  // before the first procedure call
  xv55::tools::Session session;
  if (*call) {
    const Json given = Json::parse(callOptions.callType, nullptr, false);
    const std::int64_t type =
        xv55::tools::callTypeOf(given.is_number_integer() ? given : Json(callOptions.callType));
    xv55::tools::CallSite site(xv55::tools::findProcedure(callOptions.procedure), callOptions.work);
    giveInputs(site, callOptions.inputFile, callOptions.pairs);
    site.prepare();
    std::vector<xv55::tools::Message> before;
    if (callOptions.setup) {
      xv55::tools::CallResult setup = site.call(session, XV55_CALL_SETUP);
      if (setup.status == XV55_STATUS_ERROR) {
        write(xv55::tools::pretty(site.resultJson(setup)), "");
        return 0;
      }
      before = std::move(setup.messages);
    }
    xv55::tools::CallResult result = site.call(session, type);
    result.messages.insert(result.messages.begin(), before.begin(), before.end());
    if (callOptions.cleanup) {
      const auto cleanup = site.call(session, XV55_CALL_CLEANUP);
      result.messages.insert(result.messages.end(), cleanup.messages.begin(),
                             cleanup.messages.end());
    }
    write(xv55::tools::pretty(site.resultJson(result)), "");
    return 0;
  }
  if (*runCommand) {
    const Json scenario = readJson(scenarioFile);
    xv55::tools::RunSettings settings;
    settings.format = format;
    settings.progress = progress ? 1 : noProgress ? 0 : -1;
    const std::filesystem::path folder =
        scenarioFile == "-" ? std::filesystem::current_path()
                            : std::filesystem::absolute(scenarioFile).parent_path();
    std::ostringstream results;
    xv55::tools::runScenario(scenario, folder, session, settings, results);
    write(results.str(), output);
    return 0;
  }
  if (*checkCommand) {
    xv55::tools::CallSite site(xv55::tools::findProcedure(checkOptions.procedure),
                               checkOptions.work);
    giveInputs(site, checkOptions.inputFile, checkOptions.pairs);
    site.prepare();
    const auto report = xv55::tools::checkSite(site, session, check);
    write(json ? xv55::tools::pretty(report.json) : report.text, "");
    return report.ok ? 0 : kWrongDerivative;
  }
  return kUsage;
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
