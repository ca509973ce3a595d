// The scenario key "flowsheet": loads a flowsheet of the companion simulator into
// the reference host before the scenario's calls, for the procedures that read its
// block data.
#pragma once

#include <filesystem>
#include <string>

namespace xv55::tools {

// Loads the file (a path relative to the scenario's folder is resolved by the
// caller).  Returns an empty string when it was loaded, otherwise why not.
std::string loadFlowsheet(const std::filesystem::path& file);

}  // namespace xv55::tools
