// The model hierarchy: its containers, the hierarchy stack and DMS_FIBLK.
//
// Every hierarchy level of the flowsheet is a container; the top container holds the
// blocks at the top level.  DMS_FIBLK looks only in the container on top of the
// hierarchy stack (the top container when the stack is empty), so a block name is
// resolved inside its own level.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.hpp"
#include "companion_internal.hpp"
#include "xv55/host/companion.h"

namespace xv55::refhost::companion::detail {
namespace {

// Deepest hierarchy stack; a push beyond it is refused and its pop ignored, so pushes
// and pops stay paired.
constexpr std::size_t kMaxStackDepth = 256;
constexpr char kPoint = '.';

const Service kTop = refhost::detail::declareService("KHHIER_GETTOPCNTR_F", false);
const Service kFind = refhost::detail::declareService("KHHIER_FINDITEM_F");
const Service kPush = refhost::detail::declareService("KHHIERSTK_PUSH_F", false);
const Service kPop = refhost::detail::declareService("KHHIERSTK_POP_F", false);
const Service kFiblk = refhost::detail::declareService("DMS_FIBLK");

// The container of the level `path` names below `from`, or kNoContainer.
std::int64_t find(std::int64_t from, std::string_view path) {
  const Level* at = level(from);
  if (!at) return kNoContainer;
  std::int64_t found = from;
  while (!path.empty()) {
    const std::size_t point = path.find(kPoint);
    const std::string_view part = path.substr(0, point);
    const auto it = at->children.find(part);
    if (it == at->children.end()) return kNoContainer;
    found = kTopContainer + it->second;
    at = level(found);
    if (point == std::string_view::npos) break;
    path.remove_prefix(point + 1);
    if (path.empty()) return kNoContainer;  // a trailing point names no level
  }
  return found;
}

std::int64_t currentContainer() {
  const auto& stack = loaded().stack;
  return stack.empty() ? kTopContainer : stack.back();
}

}  // namespace

Loaded& loaded() {
  static Loaded state;
  return state;
}

const Level* level(std::int64_t container) {
  const auto& levels = loaded().flowsheet.levels;
  if (container < kTopContainer ||
      container - kTopContainer >= static_cast<std::int64_t>(levels.size())) {
    return nullptr;
  }
  return &levels[static_cast<std::size_t>(container - kTopContainer)];
}

void resetHierarchy() {
  loaded().stack.clear();
  loaded().stackOverflow = 0;
}

}  // namespace xv55::refhost::companion::detail

namespace xv55::refhost::companion {

std::int64_t container(std::string_view path) {
  return detail::find(kTopContainer, path);
}

std::int64_t blockBead(std::string_view path, std::string_view name) {
  const detail::Level* at = detail::level(container(path));
  if (!at || name.size() > static_cast<std::size_t>(host::kNameLength)) return 0;
  const auto it = at->blocks.find(detail::packPair(name));
  return it == at->blocks.end() ? 0 : it->second;
}

std::int64_t hierarchyDepth() {
  return static_cast<std::int64_t>(detail::loaded().stack.size()) + detail::loaded().stackOverflow;
}

}  // namespace xv55::refhost::companion

using namespace xv55::refhost::companion::detail;
using xv55::refhost::companion::kNoContainer;
using xv55::refhost::companion::kTopContainer;
using xv55::refhost::detail::beginRecord;
using xv55::refhost::detail::failureDue;
using xv55::refhost::detail::kSeverityError;
using xv55::refhost::detail::kSeverityWarning;
using xv55::refhost::detail::report;

extern "C" XV55_API void KHHIER_GETTOPCNTR_F(std::int64_t* container) {
  beginRecord(kTop).integers.push_back(kTopContainer);
  if (container) *container = kTopContainer;
}

extern "C" XV55_API void KHHIER_FINDITEM_F(const std::int64_t* container, const char* path,
                                           std::int64_t* item, const std::int64_t* mode,
                                           std::int64_t pathLength) {
  auto& record = beginRecord(kFind);
  const std::int64_t from = container ? *container : 0;
  const std::string_view text = xv55::text::read(path, pathLength);
  record.integers = {from, item ? *item : 0, mode ? *mode : 0, pathLength};
  record.texts.emplace_back(text);
  std::int64_t found = kNoContainer;
  if (!failureDue(kFind)) found = find(from, trimTrailingBlanks(text));
  record.integers.push_back(found);
  if (item) *item = found;
}

extern "C" XV55_API void KHHIERSTK_PUSH_F(const std::int64_t* container) {
  auto& record = beginRecord(kPush);
  const std::int64_t c = container ? *container : 0;
  record.integers.push_back(c);
  Loaded& state = loaded();
  if (state.stack.size() < kMaxStackDepth) {
    state.stack.push_back(c);
    return;
  }
  ++state.stackOverflow;
  report(kPush, kSeverityError,
         "The hierarchy stack is full (" + std::to_string(kMaxStackDepth) + " containers); " +
             std::to_string(c) + " not pushed.");
}

extern "C" XV55_API void KHHIERSTK_POP_F() {
  beginRecord(kPop);
  Loaded& state = loaded();
  if (state.stackOverflow > 0) {
    --state.stackOverflow;
  } else if (!state.stack.empty()) {
    state.stack.pop_back();
  } else {
    report(kPop, kSeverityWarning, "The hierarchy stack is empty; nothing popped.");
  }
}

extern "C" XV55_API void DMS_FIBLK(const std::int64_t* packedName, std::int64_t* beadId) {
  auto& record = beginRecord(kFiblk);
  const PackedName name = packedName ? PackedName{packedName[0], packedName[1]} : PackedName{};
  const std::int64_t in = currentContainer();
  record.integers = {name.first, name.second, in};
  record.texts.push_back(unpackWords(packedName, packedName ? xv55::host::kPackedNameWords : 0));
  std::int64_t bead = 0;
  if (!failureDue(kFiblk)) {
    if (const Level* at = level(in)) {
      const auto it = at->blocks.find(name);
      if (it != at->blocks.end()) bead = it->second;
    }
  }
  record.integers.push_back(bead);
  if (beadId) *beadId = bead;
}
