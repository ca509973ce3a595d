// The flowsheet reader: a JSON text (docs/flowsheet.md) read into a Flowsheet, checked
// completely before anything is loaded.  Every refusal names the line and the JSON
// pointer of the value at fault.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "columns_internal.hpp"
#include "companion_internal.hpp"
#include "xv55/host/companion.h"
#include "json_document.hpp"
#include "xv55/refhost/properties.hpp"

namespace xv55::refhost::companion::detail {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxComponents = 1000;
constexpr std::int64_t kMaxRecords = 100000;  // blocks and reaction paragraphs together
constexpr std::size_t kMaxLevels = 100000;
constexpr std::size_t kMaxLibraries = 64;
// The host's hierarchy path field.
constexpr std::size_t kMaxPathLength = 255;
// Procedures name a block by an identifier of this many characters at most.
constexpr std::size_t kIdentifierLength = 40;
constexpr std::int64_t kMaxDataWord = 65535;
constexpr std::size_t kMaxBlockTypeLength = 16;
constexpr std::int64_t kMaxOffset = 4096;
constexpr std::int64_t kMaxFlowsheetWords = std::int64_t{1} << 20;
// Every block bead reaches at least this data word (past the routine names of the
// reactor blocks), so that unset words read as zero rather than as a neighbour's.
constexpr std::int64_t kReservedBlockDataWords = 15;
// Reaction data words 0 to 3 hold the packed reaction ID and routine name.
constexpr std::int64_t kFirstReactionDataWord = host::kReactionRoutineAt + host::kPackedNameWords;
constexpr std::int64_t kMinReactionOffset = host::kReactionOffsetWord + 1;
// How much of a text an error message quotes.
constexpr std::size_t kQuotedLength = 40;
// Liquid passes a tray may have, as the rating takes them.
constexpr std::int64_t kMaxTrayPasses = 8;
// Tray fields the rating reads: passes, flooding correlation, crest formula, downcomer
// flood check (a switch).
constexpr std::int64_t kPassesField = 1;
constexpr std::int64_t kFloodingField = 2;
constexpr std::int64_t kCrestField = 3;
constexpr std::int64_t kDowncomerCheckField = 4;
constexpr char kPoint = '.';

// Printable ASCII other than the blank: the characters of names.
bool isNameCharacter(char c) {
  return c > ' ' && c < '\x7F';
}

std::string shown(std::string_view text) {
  if (text.size() <= kQuotedLength) return "'" + std::string(text) + "'";
  return "'" + std::string(text.substr(0, kQuotedLength)) + "...'";
}

// A value as a message shows it: a text in quotes, cut; anything else as JSON.
std::string shownValue(const json& value) {
  if (value.is_string()) return shown(value.get_ref<const std::string&>());
  std::string text = value.dump();
  if (text.size() > kQuotedLength) text = text.substr(0, kQuotedLength) + "...";
  return text;
}

// A real as a message shows it: the shortest text that reads back.
std::string realText(double v) {
  if (std::isnan(v)) return "not a number";
  char buffer[32];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string listed(std::initializer_list<std::string_view> names) {
  std::string text;
  for (const std::string_view n : names) text += (text.empty() ? "" : ", ") + std::string(n);
  return text;
}

// A value of the document and its JSON pointer.
struct Node {
  const json& value;
  std::string at;

  bool has(std::string_view key) const { return value.contains(key); }
  Node operator[](std::string_view key) const {
    return {value.find(key).value(), at + "/" + pointerToken(key)};
  }
  Node operator[](std::size_t i) const { return {value[i], at + "/" + std::to_string(i)}; }
  std::size_t size() const { return value.size(); }
};

class Reader;

// A key of a block object that fills data words of the block.  A further kind of block
// record is one more row and parse function here: the store builder writes whatever
// data words a block holds.
struct BlockKey {
  std::string_view key;
  std::string_view type;  // the block type it applies to
  std::int64_t dataWord;  // where it writes
  bool (*parse)(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block);
};

bool parseRoutineName(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseStageCount(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseSections(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseFlag(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseTrays(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseTrayFields(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseTrayConstants(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseStreams(Reader&, const BlockKey&, const Node&, BlockDef&);
bool parseEquilibriumReaction(Reader&, const BlockKey&, const Node&, BlockDef&);

constexpr std::int64_t kRecordStages = host::kTrayRecordAt + host::kRecordStagesWord;
constexpr std::int64_t kRecordExtraEntry = host::kTrayRecordAt + host::kRecordExtraEntryWord;

constexpr BlockKey kBlockKeys[] = {
    {"pressureDropRoutine", "TUBRX", host::kTubrxPressureDropRoutineAt, parseRoutineName},
    {"heatFluxRoutine", "TUBRX", host::kTubrxHeatFluxRoutineAt, parseRoutineName},
    {"holdupRoutine", "TUBRX", host::kTubrxHoldupRoutineAt, parseRoutineName},
    {"heatFluxRoutine", "CHARGEX", host::kChargexHeatFluxRoutineAt, parseRoutineName},
    // Column blocks: tray sections, tray fields and their defaults, rating constants.
    {"stages", "TRAYCOL", kRecordStages, parseStageCount},
    {"sections", "REFINECOL", kRecordStages, parseSections},
    {"extraStage", "REFINECOL", kRecordExtraEntry, parseFlag},
    {"trays", "TRAYCOL", host::kTrayRecordAt, parseTrays},
    {"trays", "REFINECOL", host::kTrayRecordAt, parseTrays},
    {"trayFields", "TRAYCOL", host::kTrayFieldsAt, parseTrayFields},
    {"trayFields", "REFINECOL", host::kTrayFieldsAt, parseTrayFields},
    {"trayDefaults", "TRAYCOL", host::kTrayDefaultsAt, parseTrayFields},
    {"trayDefaults", "REFINECOL", host::kTrayDefaultsAt, parseTrayFields},
    {"trayConstants", "TRAYCOL", host::kTrayConstantsAt, parseTrayConstants},
    {"trayConstants", "REFINECOL", host::kTrayConstantsAt, parseTrayConstants},
    // Equilibrium reactor blocks: numbers of feed and product streams, a reaction.
    {"streams", "EQLBRX", host::kEqlbFeedCountAt, parseStreams},
    {"equilibriumReaction", "EQLBRX", kEqlbReactionAt, parseEquilibriumReaction},
};

// The range a tray field's value must lie in; `field` is 1-based.
void trayFieldRange(std::int64_t field, std::int64_t& low, std::int64_t& high) {
  low = 0;
  high = host::kTrayFieldNotSet;
  if (field == kPassesField) {
    low = 1;
    high = kMaxTrayPasses;
  } else if (field == kFloodingField || field == kCrestField) {
    low = 1;
  } else if (field == kDowncomerCheckField) {
    high = 1;
  }
}

// Checks the tray fields and their defaults of a complete column block as the rating
// will read them, whichever key set them.  False with the error and the JSON pointer
// of the offending word.
bool checkTrayFields(const BlockDef& block, std::string& error, std::string& at) {
  for (std::int64_t k = 1; k <= host::kTrayFieldCount; ++k) {
    std::int64_t low = 0, high = 0;
    trayFieldRange(k, low, high);
    for (const bool isDefault : {false, true}) {
      const DataWord& w =
          block.words.at((isDefault ? host::kTrayDefaultsAt : host::kTrayFieldsAt) + k - 1);
      const std::int64_t v = w.value.integer;
      if ((v >= low && v <= high) || (!isDefault && v == host::kTrayFieldNotSet)) continue;
      at = w.at;
      error = std::string(isDefault ? "the default of " : "") + "tray field " + std::to_string(k) +
              " of block " + block.name + " is " + std::to_string(v) + ", outside " +
              std::to_string(low) + " .. " + std::to_string(high);
      return false;
    }
  }
  for (std::int64_t k = 1; k <= host::kTrayConstantCount; ++k) {
    const auto it = block.words.find(host::kTrayConstantsAt + k - 1);
    if (it == block.words.end()) continue;
    const double v = it->second.value.real;
    if (std::isfinite(v) && v >= 0) continue;
    at = it->second.at;
    error = "tray constant " + std::to_string(k) + " of block " + block.name + " is " +
            realText(v) + ": a constant is finite and not negative (0: the rating's default)";
    return false;
  }
  return true;
}

// Checks each tray section's type and geometry: finite and positive, a weir height of
// 0 allowed.
bool checkTraySections(const BlockDef& block, std::string& error, std::string& at) {
  using W = host::TraySectionWord;
  constexpr std::pair<W, const char*> kGeometry[] = {{W::Diameter, "diameter"},
                                                     {W::WeirHeight, "weir height"},
                                                     {W::WeirLength, "weir length"},
                                                     {W::DowncomerArea, "downcomer area"},
                                                     {W::TraySpacing, "tray spacing"}};
  for (std::int64_t n = 0; n < traySectionCount(block); ++n) {
    const auto word = [&](W w) -> const DataWord* {
      const auto it = block.words.find(traySectionWord(n, w));
      return it == block.words.end() ? nullptr : &it->second;
    };
    const auto real = [&](W w) { return word(w) ? word(w)->value.real : 0.0; };
    const std::string section = "tray section " + std::to_string(n + 1) + " of block " + block.name;
    at = word(W::Section)->at;
    const std::int64_t code = word(W::TrayType) ? word(W::TrayType)->value.integer : 0;
    if (code < host::kSieveTray || code > host::kBubbleCapTray) {
      error = section + " has tray type " + std::to_string(code) +
              ", none of 1 sieve, 2 valve, 3 bubble cap";
      return false;
    }
    for (const auto& [w, what] : kGeometry) {
      const double v = real(w);
      // A tray without a weir is possible; without diameter, length, area or spacing not.
      if (std::isfinite(v) && (v > 0 || (w == W::WeirHeight && v == 0))) continue;
      error = std::string("the ") + what + " of " + section + " is " + realText(v) +
              (w == W::WeirHeight ? ", not finite and at least 0" : ", not finite and above 0");
      return false;
    }
    if (!std::isfinite(kQuarterPi * real(W::Diameter) * real(W::Diameter))) {
      error = "the tray area of " + section + " is beyond the range of reals";
      return false;
    }
  }
  return true;
}

class Reader {
 public:
  Reader(const Source& source, const JsonDocument& document, Flowsheet& flowsheet)
      : source_(source), doc_(document), fs_(flowsheet) {}

  bool read() {
    const Node root{doc_.root, ""};
    if (!root.value.is_object()) return fail(root, "a flowsheet must be a JSON object");
    if (root.has("title") && !root["title"].value.is_string()) {
      return fail(root["title"], "the title must be a text");
    }
    return keys(root,
                {"title", "components", "modelComponents", "levels", "reactions", "blocks",
                 "libraries", "runFile", "runDirectory", "areas"},
                "a flowsheet") &&
           components(root) && modelComponents(root) && levels(root) &&
           records(root, "reactions", &Reader::reaction) &&
           records(root, "blocks", &Reader::block) && libraries(root) && runFiles(root) &&
           areas(root) && finish();
  }

  // The refusal: "plant.json line 14, /blocks/2/trays/0/weirHeight: weir height -0.01 is
  // negative".
  LoadResult error() const {
    return loadError(errorLine_, errorLine_ > 0 ? where(errorLine_, errorAt_) : "", error_);
  }

  std::string where(std::int64_t line, const std::string& at) const {
    return (source_.file.empty() ? std::string("flowsheet") : source_.file.string()) + " line " +
           std::to_string(line) + (at.empty() ? "" : ", " + at);
  }

  // ---- for the key parsers ----

  const std::vector<std::string>& componentNames() const { return fs_.components; }
  std::int64_t lineOf(const Node& n) const { return doc_.lineOf(n.at); }

  bool fail(const Node& n, std::string text) { return failAt(n.at, std::move(text)); }

  bool failAt(std::string at, std::string text) {
    errorLine_ = doc_.lineOf(at);
    errorAt_ = std::move(at);
    error_ = std::move(text);
    return false;
  }

  // An object whose keys are all among `known` and hold every one of `required`.
  bool object(const Node& n, std::initializer_list<std::string_view> known,
              std::initializer_list<std::string_view> required, std::string_view what) {
    if (!n.value.is_object()) return fail(n, std::string(what) + " must be a JSON object");
    if (!keys(n, known, what)) return false;
    for (const std::string_view key : required) {
      if (!n.has(key))
        return fail(n, std::string(what) + " needs the key '" + std::string(key) + "'");
    }
    return true;
  }

  bool list(const Node& n, std::string_view what) {
    return n.value.is_array() || fail(n, std::string(what) + " must be a list");
  }

  bool text(const Node& n, std::string_view what, std::string& out) {
    if (!n.value.is_string())
      return fail(n, std::string(what) + " must be a text, not " + shownValue(n.value));
    out = n.value.get<std::string>();
    return true;
  }

  // A name of the companion simulator: 1 to 8 characters, printable, no blank.
  bool name(const Node& n, std::string_view what, std::string& out, bool pointAllowed = true,
            std::size_t longest = host::kNameLength) {
    std::string field;
    if (!text(n, what, field)) return false;
    if (!checkName(n, field, what, pointAllowed, longest)) return false;
    out = std::move(field);
    return true;
  }

  bool checkName(const Node& n, std::string_view field, std::string_view what, bool pointAllowed,
                 std::size_t longest) {
    const std::string named = std::string(what) + " " + shown(field);
    if (field.empty()) return fail(n, std::string(what) + " is empty");
    if (field.size() > longest) {
      return fail(n, named + " is longer than " + std::to_string(longest) + " characters");
    }
    if (!std::all_of(field.begin(), field.end(), isNameCharacter)) {
      return fail(n, named + " holds a character other than printable ASCII");
    }
    if (!pointAllowed && field.find(kPoint) != std::string_view::npos) {
      return fail(n, named + " holds a point");
    }
    return true;
  }

  bool integer(const Node& n, std::int64_t& out) {
    const json& v = n.value;
    if (v.is_number_integer() &&
        (!v.is_number_unsigned() || v.get<std::uint64_t>() <= std::uint64_t{INT64_MAX})) {
      out = v.get<std::int64_t>();
      return true;
    }
    if (v.is_number()) {
      const double d = v.get<double>();
      if (v.is_number_unsigned() ||
          (std::isfinite(d) && d == std::floor(d) && std::abs(d) >= 9.2e18) || !std::isfinite(d)) {
        return fail(n, shownValue(v) + " is outside the range of integers");
      }
    }
    return fail(n, shownValue(v) + " is not an integer");
  }

  bool real(const Node& n, double& out) {
    const json& v = n.value;
    if (!v.is_number()) return fail(n, shownValue(v) + " is not a number");
    out = v.get<double>();
    if (!std::isfinite(out)) return fail(n, shownValue(v) + " is outside the range of reals");
    return true;
  }

  // A whole number within [low, high].
  bool integerIn(const Node& n, std::string_view what, std::int64_t low, std::int64_t high,
                 std::int64_t& out) {
    if (!integer(n, out)) return false;
    if (out < low || out > high) {
      return fail(n, std::string(what) + " " + std::to_string(out) + " is outside " +
                         std::to_string(low) + " .. " + std::to_string(high));
    }
    return true;
  }

  // Sets data words first .. first + count - 1 of a record from the value at n.
  bool setWords(Record& record, std::int64_t first, const DmsWord* values, std::int64_t count,
                const Node& n) {
    if (first < 0 || first > kMaxDataWord - count + 1) {
      return fail(n, "data word " + std::to_string(first) + " is outside 0 .. " +
                         std::to_string(kMaxDataWord - count + 1));
    }
    for (std::int64_t k = first; k < first + count; ++k) {
      if (auto it = record.words.find(k); it != record.words.end()) {
        return fail(n, "data word " + std::to_string(k) + " is already set on line " +
                           std::to_string(it->second.line) + ", " + it->second.at);
      }
    }
    for (std::int64_t k = 0; k < count; ++k) record.words[first + k] = {values[k], lineOf(n), n.at};
    return true;
  }

  bool setInteger(Record& record, std::int64_t word, std::int64_t value, const Node& n) {
    DmsWord w;
    w.integer = value;
    return setWords(record, word, &w, 1, n);
  }

  bool setName(Record& record, std::int64_t first, std::string_view name, const Node& n) {
    const PackedName packed = packPair(name);
    DmsWord words[host::kPackedNameWords];
    words[0].integer = packed.first;
    words[1].integer = packed.second;
    return setWords(record, first, words, host::kPackedNameWords, n);
  }

 private:
  bool keys(const Node& n, std::initializer_list<std::string_view> known, std::string_view what) {
    for (const auto& item : n.value.items()) {
      if (std::find(known.begin(), known.end(), item.key()) != known.end()) continue;
      return fail(n[item.key()], "unknown key " + shown(item.key()) + " in " + std::string(what) +
                                     " (known: " + listed(known) + ")");
    }
    return true;
  }

  // ---- the top level ----

  bool components(const Node& root) {
    if (!root.has("components")) return true;
    const Node list = root["components"];
    if (!this->list(list, "components")) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::string component;
      if (!name(list[i], "component", component)) return false;
      if (std::find(fs_.components.begin(), fs_.components.end(), component) !=
          fs_.components.end()) {
        return fail(list[i], "component " + shown(component) + " is listed twice");
      }
      if (fs_.components.size() == kMaxComponents) {
        return fail(list[i], "more than " + std::to_string(kMaxComponents) + " components");
      }
      fs_.components.push_back(component);
    }
    return true;
  }

  // The model's components: listed components, each once, whose properties the
  // property system knows (it takes the component list then).
  bool modelComponents(const Node& root) {
    if (!root.has("modelComponents")) return true;
    const Node list = root["modelComponents"];
    if (!this->list(list, "modelComponents")) return false;
    if (list.size() == 0) return fail(list, "the model needs one or more components");
    for (std::size_t i = 0; i < fs_.components.size(); ++i) {
      properties::ComponentData data;
      if (properties::componentData(fs_.components[i], data)) continue;
      return fail(root["components"][i],
                  "component " + shown(fs_.components[i]) +
                      " is unknown to the property system, which the model's components need");
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::string component;
      if (!name(list[i], "component", component)) return false;
      if (std::find(fs_.components.begin(), fs_.components.end(), component) ==
          fs_.components.end()) {
        return fail(list[i], "component " + shown(component) + " is not listed in components");
      }
      if (std::find(fs_.modelComponents.begin(), fs_.modelComponents.end(), component) !=
          fs_.modelComponents.end()) {
        return fail(list[i], "component " + shown(component) + " is listed twice");
      }
      fs_.modelComponents.push_back(component);
    }
    return true;
  }

  // The level of a path (levels separated by points), made with its parents if new.
  bool ensureLevel(std::string_view path, const Node& n, std::int64_t& index) {
    index = 0;
    if (path.empty()) return true;
    const std::string named = "hierarchy path " + shown(path);
    if (path.size() > kMaxPathLength) {
      return fail(n, named + " is longer than " + std::to_string(kMaxPathLength) + " characters");
    }
    for (const std::string_view part : split(path, kPoint)) {
      if (part.empty()) return fail(n, named + " has an empty level");
      if (!std::all_of(part.begin(), part.end(), isNameCharacter)) {
        return fail(n, named + " holds a character other than printable ASCII");
      }
      Level& parent = fs_.levels[static_cast<std::size_t>(index)];
      if (auto it = parent.children.find(part); it != parent.children.end()) {
        index = it->second;
        continue;
      }
      if (fs_.levels.size() == kMaxLevels) {
        return fail(n, "more than " + std::to_string(kMaxLevels) + " hierarchy levels");
      }
      const auto child = static_cast<std::int64_t>(fs_.levels.size());
      std::string childPath =
          parent.path.empty() ? std::string(part) : parent.path + kPoint + std::string(part);
      parent.children.emplace(std::string(part), child);
      fs_.levels.push_back(Level{std::move(childPath), {}, {}});
      index = child;
    }
    return true;
  }

  bool levels(const Node& root) {
    if (!root.has("levels")) return true;
    const Node list = root["levels"];
    if (!this->list(list, "levels")) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::string path;
      std::int64_t index = 0;
      if (!text(list[i], "a hierarchy path", path) || !ensureLevel(path, list[i], index)) {
        return false;
      }
    }
    return true;
  }

  // Reads the list `key` of the root, one record a member, in the order given.
  bool records(const Node& root, std::string_view key, bool (Reader::*read)(const Node&)) {
    if (!root.has(key)) return true;
    const Node list = root[key];
    if (!this->list(list, key)) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (!(this->*read)(list[i])) return false;
    }
    return true;
  }

  bool newRecord(Record& record, const Node& n) {
    if (nextBead_ - kFirstRecordBead == kMaxRecords) {
      return fail(n, "more than " + std::to_string(kMaxRecords) + " blocks and reactions");
    }
    record.bead = nextBead_++;
    record.line = lineOf(n);
    record.at = n.at;
    return true;
  }

  bool reaction(const Node& n) {
    if (!object(n, {"id", "routine", "offset", "words"}, {"id", "routine"}, "a reaction")) {
      return false;
    }
    ReactionDef r;
    if (!name(n["id"], "reaction ID", r.id) || !name(n["routine"], "routine name", r.routine)) {
      return false;
    }
    if (auto it = reactionIndex_.find(r.id); it != reactionIndex_.end()) {
      const ReactionDef& other = fs_.reactions[it->second];
      return fail(n["id"], "reaction ID " + r.id + " is already defined (line " +
                               std::to_string(other.line) + ", " + other.at + ")");
    }
    if (!newRecord(r, n) || !offset(n, r, kMinReactionOffset) || !words(n, r, true)) return false;
    reactionIndex_.emplace(r.id, fs_.reactions.size());
    fs_.reactions.push_back(std::move(r));
    return true;
  }

  // Splits a block identifier into its level path and block name.
  bool identifier(const Node& n, std::string& path, BlockDef& b) {
    std::string id;
    if (!text(n, "a block identifier", id)) return false;
    if (id.size() > kIdentifierLength) {
      return fail(n, "block identifier " + shown(id) + " is longer than " +
                         std::to_string(kIdentifierLength) + " characters");
    }
    const std::size_t point = id.rfind(kPoint);
    path = point == std::string::npos ? std::string() : id.substr(0, point);
    const std::string blockName = point == std::string::npos ? id : id.substr(point + 1);
    if (blockName.empty() || (point != std::string::npos && path.empty())) {
      return fail(n, "block identifier " + shown(id) + " has an empty level or block name");
    }
    if (!checkName(n, blockName, "block name", false, host::kNameLength)) return false;
    b.name = blockName;
    return true;
  }

  bool block(const Node& n) {
    if (!n.value.is_object()) return fail(n, "a block must be a JSON object");
    for (const std::string_view key : {"id", "type"}) {
      if (!n.has(key)) return fail(n, "a block needs the key '" + std::string(key) + "'");
    }
    BlockDef b;
    std::string path;
    if (!identifier(n["id"], path, b)) return false;
    // A block type may be longer than a name (REFINECOL): its bead holds the first 8
    // characters, packed.
    if (!name(n["type"], "block type", b.type, true, kMaxBlockTypeLength)) return false;
    b.type = withCase(b.type, true);
    std::int64_t index = 0;
    if (!ensureLevel(path, n["id"], index)) return false;
    Level& level = fs_.levels[static_cast<std::size_t>(index)];
    const PackedName packed = packPair(b.name);
    if (level.blocks.count(packed)) {
      const BlockDef& other =
          *std::find_if(fs_.blocks.begin(), fs_.blocks.end(), [&](const BlockDef& s) {
            return s.container == kTopContainer + index && s.name == b.name;
          });
      return fail(n["id"],
                  "block " + b.name + " is already defined " +
                      (path.empty() ? std::string("at the top level") : "at level " + level.path) +
                      " (line " + std::to_string(other.line) + ", " + other.at + ")");
    }
    if (!newRecord(b, n)) return false;
    b.path = path;
    b.container = kTopContainer + index;
    if (!blockKeys(n, b) || !blockReactions(n, b) || !offset(n, b, kBlockReactionListWord) ||
        !words(n, b, false)) {
      return false;
    }
    level.blocks.emplace(packed, b.bead);
    fs_.blocks.push_back(std::move(b));
    return true;
  }

  bool libraries(const Node& root) {
    if (!root.has("libraries")) return true;
    const Node list = root["libraries"];
    if (!this->list(list, "libraries")) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::string path;
      if (!text(list[i], "the path of a user library", path)) return false;
      if (path.empty()) return fail(list[i], "the path of a user library is empty");
      if (i == kMaxLibraries) {
        return fail(list[i], "more than " + std::to_string(kMaxLibraries) + " user libraries");
      }
      // A file, never a name for the loader's search: relative to the flowsheet's directory.
      std::filesystem::path resolved{path};
      if (resolved.is_relative()) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(source_.file.parent_path() / resolved, ec);
        if (!ec) resolved = absolute;
      }
      fs_.libraries.push_back(
          {resolved.string(), lineOf(list[i]), where(lineOf(list[i]), list[i].at)});
    }
    return true;
  }

  bool runText(const Node& root, std::string_view key, std::string& out, bool& set,
               std::size_t length, std::string_view what) {
    if (!root.has(key)) return true;
    std::string value;
    if (!text(root[key], what, value)) return false;
    if (value.empty()) return fail(root[key], "the " + std::string(what) + " is empty");
    if (value.size() > length) {
      return fail(root[key], "the " + std::string(what) + " is longer than " +
                                 std::to_string(length) + " characters");
    }
    out = std::move(value);
    set = true;
    return true;
  }

  bool runFiles(const Node& root) {
    return runText(root, "runFile", fs_.runFile, runFileSet_, HOST_RUN_FILE_LENGTH,
                   "run file name") &&
           runText(root, "runDirectory", fs_.runDirectory, runDirectorySet_,
                   HOST_RUN_DIRECTORY_LENGTH, "run directory");
  }

  bool areas(const Node& root) {
    if (!root.has("areas")) return true;
    const Node list = root["areas"];
    if (!this->list(list, "areas")) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (!area(list[i])) return false;
    }
    return true;
  }

  bool area(const Node& n) {
    if (!object(n, {"area", "word", "value"}, {"area", "word", "value"}, "an area setting")) {
      return false;
    }
    std::string areaName;
    if (!text(n["area"], "an area name", areaName)) return false;
    const Area* a = findArea(areaName);
    if (!a) return fail(n["area"], "there is no common area " + shown(areaName) + " to set");
    AreaSetting setting;
    setting.area = a->name;
    setting.line = lineOf(n);
    if (!integer(n["word"], setting.word)) return false;
    if (setting.word < 1 || setting.word > a->size) {
      return fail(n["word"], "word " + std::to_string(setting.word) + " is outside " +
                                 setting.area + " (words 1 .. " + std::to_string(a->size) + ")");
    }
    const bool ok = a->integers ? integer(n["value"], setting.value.integer)
                                : real(n["value"], setting.value.real);
    if (!ok) return false;
    fs_.areas.push_back(setting);
    return true;
  }

  // ---- what blocks and reactions share ----

  bool offset(const Node& n, Record& record, std::int64_t lowest) {
    if (!n.has("offset")) return true;
    const Node value = n["offset"];
    std::int64_t o = 0;
    if (!integer(value, o)) return false;
    if (o < lowest || o > kMaxOffset) {
      return fail(value, "offset " + std::to_string(o) + " is outside " + std::to_string(lowest) +
                             " .. " + std::to_string(kMaxOffset));
    }
    record.offset = o;
    record.offsetLine = lineOf(value);
    return true;
  }

  // "words": [{"word": K, "integer" | "real" | "name": V}, ...]
  bool words(const Node& n, Record& record, bool isReaction) {
    if (!n.has("words")) return true;
    const Node list = n["words"];
    if (!this->list(list, "words")) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (!dataWord(list[i], record, isReaction)) return false;
    }
    return true;
  }

  bool dataWord(const Node& n, Record& record, bool isReaction) {
    if (!object(n, {"word", "integer", "real", "name"}, {"word"}, "a data word")) return false;
    std::int64_t k = 0;
    if (!integer(n["word"], k)) return false;
    if (isReaction && k < kFirstReactionDataWord) {
      return fail(n["word"], "data words 0 .. " + std::to_string(kFirstReactionDataWord - 1) +
                                 " of a reaction hold its ID and routine name");
    }
    if (n.size() != 2) {
      return fail(n, "a data word has one of the keys integer, real, name beside 'word'");
    }
    DmsWord value{};
    if (n.has("integer")) {
      return integer(n["integer"], value.integer) && setWords(record, k, &value, 1, n);
    }
    if (n.has("real")) return real(n["real"], value.real) && setWords(record, k, &value, 1, n);
    std::string text;
    return name(n["name"], "name", text) && setName(record, k, text, n);
  }

  // ---- blocks ----

  // "reactions": the reaction paragraphs the block uses.
  bool blockReactions(const Node& n, BlockDef& b) {
    if (!n.has("reactions")) return true;
    const Node list = n["reactions"];
    if (!this->list(list, "reactions")) return false;
    std::set<std::string, std::less<>> named;
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::string id;
      if (!name(list[i], "reaction ID", id)) return false;
      if (!named.insert(id).second) {
        return fail(list[i], "reaction ID " + id + " is named twice for block " + b.name);
      }
      b.reactions.push_back(id);
      b.reactionLines.push_back(lineOf(list[i]));
      b.reactionAts.push_back(list[i].at);
    }
    return true;
  }

  // The keys of the block's type (kBlockKeys), besides those every block takes.
  bool blockKeys(const Node& n, BlockDef& b) {
    const std::initializer_list<std::string_view> kCommon = {"id", "type", "offset", "words",
                                                             "reactions"};
    for (const auto& item : n.value.items()) {
      if (std::find(kCommon.begin(), kCommon.end(), item.key()) != kCommon.end()) continue;
      const Node value = n[item.key()];
      std::string types;
      const BlockKey* match = nullptr;
      for (const BlockKey& k : kBlockKeys) {
        if (k.key != item.key()) continue;
        if (k.type == b.type) match = &k;
        types += (types.empty() ? "" : ", ") + std::string(k.type);
      }
      if (match) {
        if (!match->parse(*this, *match, value, b)) return false;
      } else if (!types.empty()) {
        return fail(value, "'" + item.key() + "' does not apply to a " + b.type +
                               " block (only to " + types + ")");
      } else {
        return fail(value, "unknown key " + shown(item.key()) + " in a block (known: " +
                               listed(kCommon) + " and those of its type)");
      }
    }
    return true;
  }

  // ---- checks once everything is read ----

  bool finish() {
    std::int64_t words = kListHeaderWords + 1;
    auto count = [&](std::int64_t last, const Record& r) {
      words += last + 1;
      if (words > kMaxFlowsheetWords) {
        return failAt(r.at, "the flowsheet needs more than " + std::to_string(kMaxFlowsheetWords) +
                                " store words");
      }
      return true;
    };
    for (BlockDef& b : fs_.blocks) {
      if (!completeBlock(b) || !count(lastBlockWord(b), b)) return false;
    }
    for (const ReactionDef& r : fs_.reactions) {
      if (!count(lastReactionWord(r), r)) return false;
    }
    return runFilesOfTheFile();
  }

  // The words a block of its type holds whatever its keys say, and the checks that need
  // the whole flowsheet.
  bool completeBlock(BlockDef& b) {
    std::string error, at;
    if (isColumnType(b.type) &&
        (!completeColumnBlock(b, error, at) || !checkTrayFields(b, error, at) ||
         !checkTraySections(b, error, at))) {
      return failAt(at, error);
    }
    if (b.type == "EQLBRX") {
      completeEquilibriumBlock(b, static_cast<std::int64_t>(fs_.components.size()));
    }
    for (std::size_t i = 0; i < b.reactions.size(); ++i) {
      if (!reactionIndex_.count(b.reactions[i])) {
        return failAt(b.reactionAts[i], "reaction ID " + b.reactions[i] + " is not defined");
      }
    }
    const auto needed = kBlockReactionListWord + static_cast<std::int64_t>(b.reactions.size());
    if (b.offsetLine && b.offset < needed) {
      return failAt(b.at + "/offset", "offset " + std::to_string(b.offset) +
                                          " leaves no room for the reaction list of block " +
                                          b.name + "; use " + std::to_string(needed) + " or more");
    }
    return true;
  }

  // A flowsheet file that names no run file or directory: its own name and directory.
  bool runFilesOfTheFile() {
    if (source_.file.empty()) return true;
    if (!runFileSet_) fs_.runFile = source_.file.stem().string();
    if (!runDirectorySet_) {
      std::error_code ec;
      const auto absolute = std::filesystem::absolute(source_.file, ec);
      if (!ec) fs_.runDirectory = absolute.parent_path().string();
    }
    fs_.runFile.resize(std::min(fs_.runFile.size(), std::size_t{HOST_RUN_FILE_LENGTH}));
    if (fs_.runDirectory.size() > HOST_RUN_DIRECTORY_LENGTH) {
      errorLine_ = 0;
      error_ = "flowsheet " + shown(source_.file.string()) + ": its directory is longer than " +
               std::to_string(HOST_RUN_DIRECTORY_LENGTH) + " characters; give a runDirectory";
      return false;
    }
    return true;
  }

  const Source& source_;
  const JsonDocument& doc_;
  Flowsheet& fs_;
  std::int64_t errorLine_ = 0;
  std::string errorAt_;
  std::string error_;
  std::map<std::string, std::size_t, std::less<>> reactionIndex_;
  std::int64_t nextBead_ = kFirstRecordBead;
  bool runFileSet_ = false;
  bool runDirectorySet_ = false;
};

// ---- the keys of kBlockKeys ----

bool parseRoutineName(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block) {
  std::string routine;
  return reader.name(value, "routine name", routine) &&
         reader.setName(block, key.dataWord, routine, value);
}

// "stages": N, the number of stages of a tray column (0: not fixed).
bool parseStageCount(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block) {
  std::int64_t n = 0;
  return reader.integerIn(value, "stage count", 0, kMaxColumnStages, n) &&
         reader.setInteger(block, key.dataWord, n, value);
}

// "sections": [N1, N2, ...], the stage counts of the main column and each side stripper.
bool parseSections(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block) {
  if (!reader.list(value, "sections")) return false;
  if (value.size() == 0)
    return reader.fail(value, "'sections' needs the stage count of each section");
  const auto count = static_cast<std::int64_t>(value.size());
  if (count > host::kMaxColumnSections) {
    return reader.fail(value,
                       "more than " + std::to_string(host::kMaxColumnSections) + " sections");
  }
  std::vector<DmsWord> words(static_cast<std::size_t>(count) + 1);
  words[0].integer = count;
  std::int64_t total = 0;
  for (std::size_t k = 0; k < value.size(); ++k) {
    std::int64_t n = 0;
    if (!reader.integerIn(value[k], "stage count", 0, kMaxColumnStages, n)) return false;
    total += n;
    words[k + 1].integer = n;
  }
  if (total > kMaxColumnStages) {
    return reader.fail(value, "the sections hold " + std::to_string(total) + " stages, more than " +
                                  std::to_string(kMaxColumnStages));
  }
  return reader.setWords(block, key.dataWord, words.data(), 1, value) &&
         reader.setWords(block, host::kTrayRecordAt + host::kRecordSectionStagesWord,
                         words.data() + 1, count, value);
}

// "extraStage": true, the block's stage tables hold one entry more than its sections'
// stages.
bool parseFlag(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block) {
  if (!value.value.is_boolean())
    return reader.fail(value, shownValue(value.value) + " must be true or false");
  return !value.value.get<bool>() || reader.setInteger(block, key.dataWord, 1, value);
}

// The keys of a tray section, all required: "section" only in a REFINECOL block's.
bool traySectionKeys(Reader& reader, const Node& n, bool refinery) {
  if (refinery) {
    return reader.object(n,
                         {"section", "first", "last", "type", "diameter", "weirHeight",
                          "weirLength", "downcomerArea", "spacing"},
                         {"section", "first", "last", "type", "diameter", "weirHeight",
                          "weirLength", "downcomerArea", "spacing"},
                         "a tray section");
  }
  return reader.object(
      n,
      {"first", "last", "type", "diameter", "weirHeight", "weirLength", "downcomerArea", "spacing"},
      {"first", "last", "type", "diameter", "weirHeight", "weirLength", "downcomerArea", "spacing"},
      "a tray section");
}

// The five dimensions of a tray section (m, m2): diameter, weir height, weir length,
// downcomer area, spacing; positive, a weir height of 0 allowed.  A weir no longer than
// the diameter, two downcomers that leave an active area.
bool trayDimensions(Reader& reader, const Node& n, double (&d)[5]) {
  constexpr std::string_view kKeys[] = {"diameter", "weirHeight", "weirLength", "downcomerArea",
                                        "spacing"};
  constexpr const char* kNames[] = {"diameter", "weir height", "weir length", "downcomer area",
                                    "tray spacing"};
  for (int k = 0; k < 5; ++k) {
    const Node value = n[kKeys[k]];
    if (!reader.real(value, d[k])) return false;
    if (d[k] < 0 || (k != 1 && d[k] == 0)) {
      return reader.fail(value, std::string(kNames[k]) + " " + realText(d[k]) +
                                    (k == 1 ? " is negative" : " is not positive"));
    }
  }
  if (d[2] > d[0]) return reader.fail(n, "the weir is longer than the tray's diameter");
  if (2 * d[3] >= kQuarterPi * d[0] * d[0]) {
    return reader.fail(n, "the two downcomers take the whole tray: no active area is left");
  }
  return true;
}

// One tray section: its section (REFINECOL), stages, tray type and dimensions, written
// as the block's next tray section.
bool parseTraySection(Reader& reader, const Node& n, BlockDef& block) {
  const bool refinery = block.type == "REFINECOL";
  if (!traySectionKeys(reader, n, refinery)) return false;
  std::int64_t section = 1, first = 0, last = 0;
  if ((refinery &&
       !reader.integerIn(n["section"], "section", 1, host::kMaxColumnSections, section)) ||
      !reader.integerIn(n["first"], "first stage", 1, kMaxColumnStages, first) ||
      !reader.integerIn(n["last"], "last stage", first, kMaxColumnStages, last)) {
    return false;
  }
  std::string typeName;
  if (!reader.text(n["type"], "a tray type", typeName)) return false;
  const std::int64_t type = trayTypeCode(typeName);
  if (type == 0) {
    return reader.fail(n["type"],
                       "tray type " + shown(typeName) + " is none of sieve, valve, bubble-cap");
  }
  double d[5] = {};
  if (!trayDimensions(reader, n, d)) return false;
  const std::int64_t count = traySectionCount(block);
  if (count == host::kMaxTraySections) {
    return reader.fail(n, "more than " + std::to_string(host::kMaxTraySections) +
                              " tray sections in block " + block.name);
  }
  DmsWord words[host::kTraySectionWords] = {};
  words[0].integer = section;
  words[1].integer = first;
  words[2].integer = last;
  words[3].integer = type;
  for (int k = 0; k < 5; ++k) words[4 + k].real = d[k];
  return reader.setWords(block, traySectionWord(count, host::TraySectionWord::Section), words,
                         host::kTraySectionWords, n);
}

// "trays": the list of tray sections.
bool parseTrays(Reader& reader, const BlockKey&, const Node& value, BlockDef& block) {
  if (!reader.list(value, "trays")) return false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (!parseTraySection(reader, value[i], block)) return false;
  }
  return true;
}

// "trayFields", "trayDefaults": [{"field": K (1 .. 38), "value": V}, ...], tray field K or
// its default.
bool parseTrayFields(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block) {
  if (!reader.list(value, key.key)) return false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const Node n = value[i];
    std::int64_t k = 0, v = 0;
    if (!reader.object(n, {"field", "value"}, {"field", "value"}, "a tray field") ||
        !reader.integerIn(n["field"], "tray field", 1, host::kTrayFieldCount, k) ||
        !reader.integer(n["value"], v) ||
        !reader.setInteger(block, key.dataWord + k - 1, v, n["value"])) {
      return false;
    }
  }
  return true;
}

// "trayConstants": [{"constant": K (1 .. 8), "value": V}, ...], rating constant K.
bool parseTrayConstants(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block) {
  if (!reader.list(value, key.key)) return false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const Node n = value[i];
    std::int64_t k = 0;
    DmsWord v;
    if (!reader.object(n, {"constant", "value"}, {"constant", "value"}, "a tray constant") ||
        !reader.integerIn(n["constant"], "tray constant", 1, host::kTrayConstantCount, k) ||
        !reader.real(n["value"], v.real) ||
        !reader.setWords(block, key.dataWord + k - 1, &v, 1, n["value"])) {
      return false;
    }
  }
  return true;
}

// "streams": {"feeds": F, "products": P}, the numbers of feed and product streams.
bool parseStreams(Reader& reader, const BlockKey& key, const Node& value, BlockDef& block) {
  std::int64_t feeds = 0, products = 0;
  if (!reader.object(value, {"feeds", "products"}, {"feeds", "products"}, "streams") ||
      !reader.integerIn(value["feeds"], "number of feeds", 1, kMaxFeeds, feeds) ||
      !reader.integerIn(value["products"], "number of products", 1, kMaxProducts, products)) {
    return false;
  }
  DmsWord words[2];
  words[0].integer = feeds;
  words[1].integer = products;
  return reader.setWords(block, key.dataWord, words, 2, value);
}

// "equilibriumReaction": {"K": K, "coefficients": {NAME: NU, ...}}, one reaction of the
// listed components with the equilibrium constant K of the ideal gas (partial
// pressures in bar); components not named take no part.
bool parseEquilibriumReaction(Reader& reader, const BlockKey& key, const Node& value,
                              BlockDef& block) {
  const std::vector<std::string>& names = reader.componentNames();
  const auto n = static_cast<std::int64_t>(names.size());
  if (!reader.object(value, {"K", "coefficients"}, {"K", "coefficients"},
                     "an equilibrium reaction")) {
    return false;
  }
  if (n < 1 || n > kMaxReactionComponents) {
    return reader.fail(value, "an equilibrium reaction needs 1 to " +
                                  std::to_string(kMaxReactionComponents) + " components listed");
  }
  std::vector<DmsWord> words(static_cast<std::size_t>(n) + 2);
  words[0].integer = n;
  if (!reader.real(value["K"], words[1].real)) return false;
  if (!(words[1].real > 0)) {
    return reader.fail(value["K"], "K " + realText(words[1].real) + " is not positive");
  }
  const Node nu = value["coefficients"];
  if (!nu.value.is_object()) return reader.fail(nu, "the coefficients must be a JSON object");
  bool any = false;
  for (const auto& item : nu.value.items()) {
    const auto it = std::find(names.begin(), names.end(), item.key());
    if (it == names.end())
      return reader.fail(nu[item.key()], "component " + item.key() + " is not listed");
    double v = 0;
    if (!reader.real(nu[item.key()], v)) return false;
    words[static_cast<std::size_t>(it - names.begin()) + 2].real = v;
    any = any || v != 0;
  }
  if (!any) return reader.fail(nu, "the reaction has no coefficient other than 0");
  return reader.setWords(block, key.dataWord, words.data(), n + 2, value);
}

// Whether a text holds nothing but blanks and line ends (after a byte-order mark).
bool isBlank(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

std::int64_t blockOffset(const BlockDef& block) {
  if (block.offsetLine) return block.offset;
  return std::max(kDefaultBlockOffset,
                  kBlockReactionListWord + static_cast<std::int64_t>(block.reactions.size()));
}

std::int64_t reactionOffset(const ReactionDef& reaction) {
  return reaction.offsetLine ? reaction.offset : kDefaultReactionOffset;
}

std::int64_t lastBlockWord(const BlockDef& block) {
  const std::int64_t highest = block.words.empty() ? 0 : block.words.rbegin()->first;
  return blockOffset(block) + std::max(highest, kReservedBlockDataWords);
}

std::int64_t lastReactionWord(const ReactionDef& reaction) {
  const std::int64_t highest = reaction.words.empty() ? 0 : reaction.words.rbegin()->first;
  return reactionOffset(reaction) + std::max(highest, kFirstReactionDataWord - 1);
}

LoadResult loadError(std::int64_t line, const std::string& where, const std::string& text) {
  LoadResult result;
  result.ok = false;
  result.line = line;
  result.message = where.empty() ? text : where + ": " + text;
  return result;
}

bool parseFlowsheet(std::string_view text, const Source& source, Flowsheet& flowsheet,
                    LoadResult& result) {
  flowsheet = Flowsheet{};
  JsonDocument document;
  std::int64_t line = 0;
  std::string at, error;
  if (isBlank(text)) {
    document.root = nlohmann::json::object();
  } else if (!readJsonDocument(text, document, line, at, error)) {
    const std::string name = source.file.empty() ? "flowsheet" : source.file.string();
    result = loadError(line, name + " line " + std::to_string(line) + (at.empty() ? "" : ", " + at),
                       error);
    return false;
  }
  Reader reader(source, document, flowsheet);
  if (reader.read()) return true;
  result = reader.error();
  return false;
}

}  // namespace xv55::refhost::companion::detail
