// The one place where the command-line host hands a flowsheet file to the reference
// host (docs/flowsheet.md).
#include "flowsheet.hpp"

#include "xv55/refhost/companion.hpp"

namespace xv55::tools {

std::string loadFlowsheet(const std::filesystem::path& file) {
  const refhost::companion::LoadResult result =
      refhost::companion::loadFlowsheetFile(file.string());
  return result ? std::string() : result.message;
}

}  // namespace xv55::tools
