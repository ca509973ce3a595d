// Loading a flowsheet, the look-ups of the control interface and the reset hook.
//
// Loading is all or nothing: the flowsheet is read and checked, its user libraries are
// opened and its beads written before anything of the previous flowsheet is let go.
// When the store cannot hold the new beads, the previous beads are put back as they
// were, words changed since their load included.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "companion_internal.hpp"
#include "xv55/refhost/control_c.h"
#include "xv55/refhost/properties.hpp"

namespace xv55::refhost::companion::detail {
namespace {

struct SavedBead {
  std::int64_t id = 0;
  std::vector<DmsWord> words;
};

std::vector<SavedBead> save(const Flowsheet& flowsheet) {
  std::vector<SavedBead> saved;
  auto keep = [&](std::int64_t id, std::int64_t last) {
    const DmsWord* first = beadWord(id, 0);
    if (first) saved.push_back({id, std::vector<DmsWord>(first, first + last + 1)});
  };
  keep(host::kListHeaderBead, kListHeaderWords);
  for (const ReactionDef& r : flowsheet.reactions) keep(r.bead, lastReactionWord(r));
  for (const BlockDef& b : flowsheet.blocks) keep(b.bead, lastBlockWord(b));
  return saved;
}

bool restore(const std::vector<SavedBead>& saved) {
  for (const SavedBead& bead : saved) {
    const auto last = static_cast<std::int64_t>(bead.words.size()) - 1;
    if (createBead(bead.id, last) == 0) return false;
    std::copy(bead.words.begin(), bead.words.end(), beadWord(bead.id, 0));
  }
  return true;
}

LoadResult load(std::string_view text, const Source& source) {
  Flowsheet next;
  LoadResult result;
  if (!parseFlowsheet(text, source, next, result)) return result;
  std::vector<Library> libraries;
  if (!openLibraries(next.libraries, libraries, result)) return result;

  Loaded& state = loaded();
  std::vector<SavedBead> previous;
  if (state.present) {
    previous = save(state.flowsheet);
    removeBeads(state.flowsheet);
  }
  if (!writeBeads(next)) {
    closeLibraries(libraries);
    if (!restore(previous)) {  // the space they held is free again: not expected
      removeBeads(state.flowsheet);
      state = Loaded{};
    }
    return loadError(0, {}, "the store cannot hold the flowsheet's beads; nothing loaded");
  }
  state.flowsheet = std::move(next);
  state.present = true;
  resetHierarchy();
  replaceLibraries(std::move(libraries));
  setAreas(state.flowsheet);
  // The property system takes the same component list where its table knows every
  // name, so that stream set-up finds the flowsheet's components; otherwise its own
  // list stays as it was.
  if (!state.flowsheet.components.empty()) {
    properties::setCompanionComponents(state.flowsheet.components);
  }
  // The reader has checked that the property system knows every component.
  if (!state.flowsheet.modelComponents.empty()) {
    properties::setModelComponents(0, state.flowsheet.modelComponents);
  }
  setComponentCount(static_cast<std::int64_t>(state.flowsheet.components.size()));
  return result;
}

// reset() has emptied the store already.
void resetCompanion() {
  loaded() = Loaded{};
  resetDispatch();
  clearAreas();
}

const bool kHooked = (refhost::detail::addResetHook(&resetCompanion), true);

}  // namespace
}  // namespace xv55::refhost::companion::detail

namespace xv55::refhost::companion {

LoadResult loadFlowsheet(std::string_view text) {
  return detail::load(text, detail::Source{});
}

LoadResult loadFlowsheetFile(const std::string& path) {
  const auto cannot = [&](const std::string& why) {
    return detail::loadError(0, {}, "flowsheet file '" + path + "' cannot be read: " + why);
  };
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return cannot("it is a directory");
  std::ifstream in(path, std::ios::binary);
  if (!in) return cannot(std::error_code(errno, std::generic_category()).message());
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return cannot("read error");
  return detail::load(text.str(), detail::Source{path});
}

std::int64_t reactionBead(std::string_view reactionId) {
  for (const detail::ReactionDef& r : detail::loaded().flowsheet.reactions) {
    if (r.id == reactionId) return r.bead;
  }
  return 0;
}

std::vector<std::string> components() {
  return detail::loaded().flowsheet.components;
}

}  // namespace xv55::refhost::companion

// C access for hosts and tools that cannot call the C++ control interface (the Python
// package): declared in include/xv55/refhost/control_c.h.
namespace {

// 1 for a loaded flowsheet, else 0 with the reason in message (cut, terminated).
std::int32_t reported(const xv55::refhost::companion::LoadResult& result, char* message,
                      std::int64_t messageLength) {
  if (message && messageLength > 0) {
    const auto n =
        std::min<std::size_t>(result.message.size(), static_cast<std::size_t>(messageLength - 1));
    std::memcpy(message, result.message.data(), n);
    message[n] = '\0';
  }
  return result.ok ? 1 : 0;
}

}  // namespace

extern "C" XV55_API std::int32_t xv55_load_flowsheet(const char* path, char* message,
                                                     std::int64_t messageLength) {
  const xv55::refhost::companion::LoadResult result =
      path ? xv55::refhost::companion::loadFlowsheetFile(path)
           : xv55::refhost::companion::LoadResult{false, 0, "no flowsheet file named"};
  return reported(result, message, messageLength);
}

extern "C" XV55_API std::int32_t xv55_load_flowsheet_text(const char* text, char* message,
                                                          std::int64_t messageLength) {
  const xv55::refhost::companion::LoadResult result =
      text ? xv55::refhost::companion::loadFlowsheet(text)
           : xv55::refhost::companion::LoadResult{false, 0, "no flowsheet text given"};
  return reported(result, message, messageLength);
}

extern "C" XV55_API void xv55_reset_host(void) {
  xv55::refhost::reset();
}
