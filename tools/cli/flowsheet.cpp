// The one place where the command-line host hands a flowsheet file to the reference
// host.  The reference host of this build has no flowsheet loader yet: once it has
// one, this function calls it and returns its message on failure.
#include "flowsheet.hpp"

namespace xv55::tools {

std::string loadFlowsheet(const std::filesystem::path& file) {
  return "cannot load flowsheet " + file.string() +
         ": the reference host of this build has no flowsheet loader";
}

}  // namespace xv55::tools
