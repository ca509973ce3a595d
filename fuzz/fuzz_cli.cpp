// libFuzzer target over the command-line host: its argument parsing (the input's
// lines are the arguments of one `xv55` command) and its scenarios (the input is a
// scenario's JSON, run as `xv55 run` runs it).  The commands run in a folder of their
// own that holds one flowsheet, plant.json; a scenario's flowsheet is always that one,
// arguments that would write a file (-o, --output) or read standard input ("-") or
// a path (a '/') are left out, a sweep is cut to 1000 points and a repeat to 100
// calls (a long run is not a finding) and a scenario nested deeper than 64 levels is
// skipped.  Every input starts from a reset reference host and library state.
// Run with -close_fd_mask=3 (the host reports on standard error):
//   cp -r fuzz/corpus/cli /tmp/xv55-cli && build-fuzz/bin/xv55_fuzz_cli -close_fd_mask=3
//   -max_total_time=60 /tmp/xv55-cli
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "metadata.hpp"
#include "print/print.hpp"
#include "scenario.hpp"
#include "session.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/xv55.h"

// The command-line host's main, compiled into this target under this name.
int xv55CliMain(int argc, char** argv);

namespace {

using xv55::tools::Json;

constexpr const char* kPlant = R"({
  "components": ["METHANE", "PROPANE", "N-BUTANE"],
  "blocks": [
    {"id": "PLANT.DRUM", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2}},
    {"id": "C1", "type": "TRAYCOL",
     "trays": [{"first": 1, "last": 5, "type": "sieve", "diameter": 1.5, "weirHeight": 0.05,
                "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6}]}
  ]
})";

void startAfresh() {
  xv55::refhost::reset();
  const InitBlock none{1, nullptr, nullptr, 0};
  QRInitialize(&none);
  *GetDLLInitializationData() = InitBlock{};
  SAIPRNAM = 0;
  xv55::print::setHostPrinter(nullptr);
}

int depth(std::string_view text) {
  int level = 0, most = 0;
  for (char c : text) {
    if (c == '[' || c == '{') most = std::max(most, ++level);
    if (c == ']' || c == '}') --level;
  }
  return most;
}

// Bounds the run's length and keeps its flowsheet in the folder.
void tame(Json& j) {
  if (j.is_object()) {
    for (auto& [key, value] : j.items()) {
      if (key == "points" && value.is_number() && !(value.get<double>() <= 1000)) value = 1000;
      if (key == "repeat" && value.is_number() && !(value.get<double>() <= 100)) value = 100;
      if (key == "flowsheet" && value.is_string()) value = "plant.json";
      tame(value);
    }
  } else if (j.is_array()) {
    for (auto& value : j) tame(value);
  }
}

void runScenario(std::string_view text) {
  if (depth(text) > 64) return;
  Json scenario = Json::parse(text, nullptr, false);
  if (scenario.is_discarded()) return;
  tame(scenario);
  xv55::tools::Session session;
  xv55::tools::RunSettings settings;
  settings.progress = 0;
  std::ostringstream out;
  try {
    xv55::tools::runScenario(scenario, std::filesystem::current_path(), session, settings, out);
  } catch (const xv55::tools::UsageError&) {
  } catch (const Json::exception&) {
  }
}

bool harmless(std::string_view arg) {
  if (arg == "-" || arg.find('/') != arg.npos || arg.ends_with("=-")) return false;
  return !(arg.starts_with("-o") || arg.starts_with("--o"));
}

void runCommand(std::string_view text) {
  std::vector<std::string> args{"xv55"};
  std::size_t begin = 0;
  while (begin <= text.size() && args.size() < 32) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string arg(text.substr(begin, end - begin));
    if (harmless(arg)) args.push_back(arg);
    begin = end + 1;
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  (void)xv55CliMain(static_cast<int>(args.size()), argv.data());
}

char g_folder[] = "/tmp/xv55-fuzz-cli-XXXXXX";

void removeFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!mkdtemp(g_folder) || chdir(g_folder) != 0) std::abort();
  std::atexit(removeFolder);
  std::ofstream("plant.json") << kPlant;
  std::ofstream("scenario.json") << R"({"procedure": "spsqrt", "inputs": {"x": 4}})";
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  startAfresh();
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    runScenario(text);
  } else {
    runCommand(text);
  }
  return 0;
}
