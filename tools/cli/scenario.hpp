// `xv55 run`: a scenario file of call sites and steps (docs/tools.md), its results
// as JSON or CSV.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "metadata.hpp"
#include "session.hpp"

namespace xv55::tools {

struct RunSettings {
  std::string format;  // "json" or "csv"; empty: the scenario's, else JSON
  int progress = -1;   // progress bar on standard error: -1 for long sweeps on a terminal
};

// Runs a scenario read from JSON; relative paths in it are taken from `folder`.
// Throws UsageError for a scenario that is not well formed (before any call is made
// where the mistake can be seen up front).
void runScenario(const Json& scenario, const std::filesystem::path& folder, Session& session,
                 const RunSettings& settings, std::ostream& out);

}  // namespace xv55::tools
