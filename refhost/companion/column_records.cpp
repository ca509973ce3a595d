// The data words the flowsheet reader writes for column blocks (TRAYCOL, REFINECOL)
// and equilibrium reactor blocks (EQLBRX) besides those their keys set.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "columns_internal.hpp"

namespace xv55::refhost::companion::detail {
namespace {

using host::TraySectionWord;

// Built-in defaults of the tray fields the rating routine reads; the others are 0.
constexpr std::int64_t kDefaultPasses = 1;
constexpr std::int64_t kDefaultFloodingCorrelation = 1;  // Fair
constexpr std::int64_t kDefaultCrestFormula = 1;         // Francis
constexpr std::int64_t kDefaultDowncomerCheck = 1;       // on

bool isSet(const BlockDef& block, std::int64_t word) {
  return block.words.count(word) != 0;
}

void setIfUnset(BlockDef& block, std::int64_t word, std::int64_t value) {
  if (isSet(block, word)) return;
  DataWord w;
  w.value.integer = value;
  w.line = block.line;
  w.at = block.at;
  block.words[word] = w;
}

std::int64_t integerAt(const BlockDef& block, std::int64_t word) {
  const auto it = block.words.find(word);
  return it == block.words.end() ? 0 : it->second.value.integer;
}

std::int64_t lineOf(const BlockDef& block, std::int64_t word) {
  const auto it = block.words.find(word);
  return it == block.words.end() ? block.line : it->second.line;
}

const std::string& pointerOf(const BlockDef& block, std::int64_t word) {
  const auto it = block.words.find(word);
  return it == block.words.end() ? block.at : it->second.at;
}

}  // namespace

std::int64_t trayTypeCode(std::string_view name) {
  const std::string lower = withCase(name, false);
  if (lower == "sieve") return host::kSieveTray;
  if (lower == "valve") return host::kValveTray;
  if (lower == "bubble-cap") return host::kBubbleCapTray;
  return 0;
}

std::int64_t trayFieldDefault(std::int64_t field) {
  switch (field) {
    case 1:
      return kDefaultPasses;
    case 2:
      return kDefaultFloodingCorrelation;
    case 3:
      return kDefaultCrestFormula;
    case 4:
      return kDefaultDowncomerCheck;
    default:
      return 0;
  }
}

bool isColumnType(std::string_view type) {
  return type == "TRAYCOL" || type == "REFINECOL";
}

std::int64_t traySectionCount(const BlockDef& block) {
  std::int64_t n = 0;
  while (n < host::kMaxTraySections && isSet(block, traySectionWord(n, TraySectionWord::Section))) {
    ++n;
  }
  return n;
}

bool completeColumnBlock(BlockDef& block, std::string& error, std::string& where) {
  const bool refinery = block.type == "REFINECOL";
  for (std::int64_t k = 0; k < host::kTrayFieldCount; ++k) {
    setIfUnset(block, host::kTrayFieldsAt + k, host::kTrayFieldNotSet);
    setIfUnset(block, host::kTrayDefaultsAt + k, trayFieldDefault(k + 1));
  }
  const std::int64_t record = host::kTrayRecordAt;
  const std::int64_t trays = traySectionCount(block);
  setIfUnset(block, record + host::kRecordStagesWord, 0);
  setIfUnset(block, record + host::kRecordExtraEntryWord, 0);
  block.words[record + host::kRecordTraySectionsWord].value.integer = trays;
  // The bead reaches the first tray section's words, so that the work words exist.
  setIfUnset(block, record + host::kRecordTraysWord - 1, 0);

  const std::int64_t sections = refinery ? integerAt(block, record + host::kRecordStagesWord) : 1;
  const std::int64_t columnStages =
      refinery ? 0 : integerAt(block, record + host::kRecordStagesWord);
  for (std::int64_t n = 0; n < trays; ++n) {
    const auto at = [&](TraySectionWord w) { return integerAt(block, traySectionWord(n, w)); };
    const std::int64_t section = at(TraySectionWord::Section);
    const std::int64_t first = at(TraySectionWord::FirstStage);
    const std::int64_t last = at(TraySectionWord::LastStage);
    where = pointerOf(block, traySectionWord(n, TraySectionWord::Section));
    if (refinery && section > sections) {
      error = "tray section " + std::to_string(section) + " of block " + block.name +
              " is not one of its " + std::to_string(sections) + " sections";
      return false;
    }
    const std::int64_t stages =
        refinery ? integerAt(block, record + host::kRecordSectionStagesWord + section - 1)
                 : columnStages;
    if (stages > 0 && last > stages) {
      error = "trays of stages " + std::to_string(first) + " to " + std::to_string(last) +
              " lie beyond the " + std::to_string(stages) + " stages of " +
              (refinery ? "section " + std::to_string(section) + " of " : std::string()) +
              "block " + block.name;
      return false;
    }
    for (std::int64_t m = 0; m < n; ++m) {
      const auto other = [&](TraySectionWord w) { return integerAt(block, traySectionWord(m, w)); };
      if (other(TraySectionWord::Section) == section &&
          first <= other(TraySectionWord::LastStage) &&
          other(TraySectionWord::FirstStage) <= last) {
        error = "trays of stages " + std::to_string(first) + " to " + std::to_string(last) +
                " overlap those given on line " +
                std::to_string(lineOf(block, traySectionWord(m, TraySectionWord::Section)));
        return false;
      }
    }
  }
  return true;
}

void completeEquilibriumBlock(BlockDef& block, std::int64_t components) {
  setIfUnset(block, host::kEqlbFeedCountAt, 1);
  setIfUnset(block, host::kEqlbProductCountAt, 1);
  const std::int64_t feeds = integerAt(block, host::kEqlbFeedCountAt);
  const std::int64_t products = integerAt(block, host::kEqlbProductCountAt);
  const std::int64_t stride = components + SHS_TAIL_WORDS + kPhaseWords;
  block.words[kEqlbComponentsAt].value.integer = components;
  block.words[kEqlbStrideAt].value.integer = stride;
  setIfUnset(block, host::kEqlbErrorWordAt, 0);
  block.words[host::kEqlbFlagsAt].value.integer = kEqlbFlagsData;
  block.words[host::kEqlbParametersAt].value.integer = kEqlbParametersData;
  for (std::int64_t k = 1; k <= feeds + products; ++k) {
    block.words[host::kEqlbStreamsAt + k - 1].value.integer = block.bead * kStreamsPerBead + k;
  }
  setIfUnset(block, kEqlbParametersData + kEqlbParameterWords - 1, 0);
  setIfUnset(block, kEqlbStreamAreasAt + (feeds + products) * stride - 1, 0);
}

}  // namespace xv55::refhost::companion::detail
