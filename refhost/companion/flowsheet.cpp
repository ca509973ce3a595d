// The flowsheet reader: a line-oriented text (docs/flowsheet.md) read into a Flowsheet,
// checked completely before anything is loaded.
//
// Each line is one statement: a keyword and blank-separated fields; a field that starts
// with # begins a comment.  Record statements (offset, word, reactions and the block
// statements of the table below) belong to the block or reaction statement above them.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "columns_internal.hpp"
#include "companion_internal.hpp"
#include "xv55/host/companion.h"

namespace xv55::refhost::companion::detail {
namespace {

constexpr std::size_t kMaxLineLength = 4096;
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
// How much of a field an error message quotes.
constexpr std::size_t kQuotedLength = 40;
// Liquid passes a tray may have, as the rating takes them.
constexpr std::int64_t kMaxTrayPasses = 8;
// Tray fields the rating reads: passes, flooding correlation, crest formula, downcomer
// flood check (a switch).
constexpr std::int64_t kPassesField = 1;
constexpr std::int64_t kFloodingField = 2;
constexpr std::int64_t kCrestField = 3;
constexpr std::int64_t kDowncomerCheckField = 4;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kPoint = '.';
constexpr char kComment = '#';

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// Printable ASCII other than the blank: the characters of names.
bool isNameCharacter(char c) {
  return c > ' ' && c < '\x7F';
}

std::string shown(std::string_view field) {
  if (field.size() <= kQuotedLength) return "'" + std::string(field) + "'";
  return "'" + std::string(field.substr(0, kQuotedLength)) + "...'";
}

// A number without its plus sign (one sign only: "+-1" keeps its "+" and is refused).
std::string_view withoutPlus(std::string_view field) {
  if (field.size() > 1 && field[0] == '+' && field[1] != '-') field.remove_prefix(1);
  return field;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
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

class Reader;

// A statement that fills data words of a block.  A further kind of block record (for
// example the tray record of a column block) is one more row and parse function here:
// the store builder writes whatever data words a block holds.
struct BlockStatement {
  std::string_view keyword;
  std::string_view type;  // the block type it applies to
  std::int64_t dataWord;  // where it writes
  bool (*parse)(Reader& reader, const BlockStatement& statement, BlockDef& block);
};

bool parseRoutineName(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseStageCount(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseSections(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseFlag(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseTrays(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseTrayField(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseTrayConstant(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseStreams(Reader& reader, const BlockStatement& statement, BlockDef& block);
bool parseEquilibriumReaction(Reader& reader, const BlockStatement& statement, BlockDef& block);

constexpr std::int64_t kRecordStages = host::kTrayRecordAt + host::kRecordStagesWord;
constexpr std::int64_t kRecordExtraEntry = host::kTrayRecordAt + host::kRecordExtraEntryWord;

constexpr BlockStatement kBlockStatements[] = {
    {"pressure-drop-routine", "TUBRX", host::kTubrxPressureDropRoutineAt, parseRoutineName},
    {"heat-flux-routine", "TUBRX", host::kTubrxHeatFluxRoutineAt, parseRoutineName},
    {"holdup-routine", "TUBRX", host::kTubrxHoldupRoutineAt, parseRoutineName},
    {"heat-flux-routine", "CHARGEX", host::kChargexHeatFluxRoutineAt, parseRoutineName},
    // Column blocks: tray sections, tray fields and their defaults, rating constants.
    {"stages", "TRAYCOL", kRecordStages, parseStageCount},
    {"sections", "REFINECOL", kRecordStages, parseSections},
    {"extra-stage", "REFINECOL", kRecordExtraEntry, parseFlag},
    {"trays", "TRAYCOL", host::kTrayRecordAt, parseTrays},
    {"trays", "REFINECOL", host::kTrayRecordAt, parseTrays},
    {"tray-field", "TRAYCOL", host::kTrayFieldsAt, parseTrayField},
    {"tray-field", "REFINECOL", host::kTrayFieldsAt, parseTrayField},
    {"tray-default", "TRAYCOL", host::kTrayDefaultsAt, parseTrayField},
    {"tray-default", "REFINECOL", host::kTrayDefaultsAt, parseTrayField},
    {"tray-constant", "TRAYCOL", host::kTrayConstantsAt, parseTrayConstant},
    {"tray-constant", "REFINECOL", host::kTrayConstantsAt, parseTrayConstant},
    // Equilibrium reactor blocks: numbers of feed and product streams.
    {"streams", "EQLBRX", host::kEqlbFeedCountAt, parseStreams},
    {"equilibrium-reaction", "EQLBRX", kEqlbReactionAt, parseEquilibriumReaction},
};

// A real as a message shows it: the shortest text that reads back.
std::string realText(double v) {
  if (std::isnan(v)) return "not a number";
  char buffer[32];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

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

// Checks the tray words of a complete column block as the rating will read them,
// whichever statement set them: tray fields and their defaults within their ranges,
// rating constants finite and not negative (0: the rating's default), each tray
// section's geometry finite and positive.  False with the error and the line of the
// offending word.
bool checkTrayWords(const BlockDef& block, std::string& error, std::int64_t& line) {
  const auto word = [&block](std::int64_t k) -> const DataWord& { return block.words.at(k); };
  for (std::int64_t k = 1; k <= host::kTrayFieldCount; ++k) {
    std::int64_t low = 0, high = 0;
    trayFieldRange(k, low, high);
    for (const bool isDefault : {false, true}) {
      const DataWord& w = word((isDefault ? host::kTrayDefaultsAt : host::kTrayFieldsAt) + k - 1);
      const std::int64_t v = w.value.integer;
      if ((v >= low && v <= high) || (!isDefault && v == host::kTrayFieldNotSet)) continue;
      line = w.line;
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
    line = it->second.line;
    error = "tray constant " + std::to_string(k) + " of block " + block.name + " is " +
            realText(v) + ": a constant is finite and not negative (0: the rating's default)";
    return false;
  }
  using W = host::TraySectionWord;
  constexpr std::pair<W, const char*> kGeometry[] = {{W::Diameter, "diameter"},
                                                     {W::WeirHeight, "weir height"},
                                                     {W::WeirLength, "weir length"},
                                                     {W::DowncomerArea, "downcomer area"},
                                                     {W::TraySpacing, "tray spacing"}};
  for (std::int64_t n = 0; n < traySectionCount(block); ++n) {
    const auto real = [&](W w) {
      const auto it = block.words.find(traySectionWord(n, w));
      return it == block.words.end() ? 0.0 : it->second.value.real;
    };
    line = word(traySectionWord(n, W::Section)).line;
    const auto type = block.words.find(traySectionWord(n, W::TrayType));
    const std::int64_t code = type == block.words.end() ? 0 : type->second.value.integer;
    if (code < host::kSieveTray || code > host::kBubbleCapTray) {
      error = "tray section " + std::to_string(n + 1) + " of block " + block.name +
              " has tray type " + std::to_string(code) + ", none of 1 sieve, 2 valve, 3 bubble cap";
      return false;
    }
    for (const auto& [w, what] : kGeometry) {
      const double v = real(w);
      // A tray without a weir is possible; without diameter, length, area or spacing not.
      if (std::isfinite(v) && (v > 0 || (w == W::WeirHeight && v == 0))) continue;
      error = std::string("the ") + what + " of tray section " + std::to_string(n + 1) +
              " of block " + block.name + " is " + realText(v) +
              (w == W::WeirHeight ? ", not finite and at least 0" : ", not finite and above 0");
      return false;
    }
    if (!std::isfinite(kQuarterPi * real(W::Diameter) * real(W::Diameter))) {
      error = "the tray area of tray section " + std::to_string(n + 1) + " of block " + block.name +
              " is beyond the range of reals";
      return false;
    }
  }
  return true;
}

class Reader {
 public:
  Reader(const Source& source, Flowsheet& flowsheet) : source_(source), fs_(flowsheet) {}

  bool read(std::string_view text, LoadResult& result) {
    // A UTF-8 byte-order mark, as some editors write one, is no part of the first line.
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      text.remove_prefix(kByteOrderMark.size());
    }
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      ++line_;
      if (!statement(text.substr(start, end - start))) {
        result = loadError(line_, error_);
        return false;
      }
      start = end + 1;
    }
    if (!finish()) {
      result = loadError(errorLine_, error_);
      return false;
    }
    return true;
  }

  // ---- for the statement parsers ----

  const std::vector<std::string_view>& fields() const { return fields_; }
  const std::vector<std::string>& componentNames() const { return fs_.components; }

  bool fail(std::string text) {
    error_ = std::move(text);
    return false;
  }

  // A name of the companion simulator: 1 to 8 characters, printable, no blank.
  bool name(std::string_view field, std::string_view what, std::string& out,
            bool pointAllowed = true, std::size_t longest = host::kNameLength) {
    if (field.size() > longest) {
      return fail(std::string(what) + " " + shown(field) + " is longer than " +
                  std::to_string(longest) + " characters");
    }
    if (!std::all_of(field.begin(), field.end(), isNameCharacter)) {
      return fail(std::string(what) + " " + shown(field) + " holds a character other than " +
                  "printable ASCII");
    }
    if (!pointAllowed && field.find(kPoint) != std::string_view::npos) {
      return fail(std::string(what) + " " + shown(field) + " holds a point");
    }
    out = field;
    return true;
  }

  // Sets data words first .. first + count - 1 of a record.
  bool setWords(Record& record, std::int64_t first, const DmsWord* values, std::int64_t count) {
    if (first < 0 || first > kMaxDataWord - count + 1) {
      return fail("data word " + std::to_string(first) + " is outside 0 .. " +
                  std::to_string(kMaxDataWord - count + 1));
    }
    for (std::int64_t k = first; k < first + count; ++k) {
      if (auto it = record.words.find(k); it != record.words.end()) {
        return fail("data word " + std::to_string(k) + " is already set on line " +
                    std::to_string(it->second.line));
      }
    }
    for (std::int64_t k = 0; k < count; ++k) record.words[first + k] = {values[k], line_};
    return true;
  }

  bool setName(Record& record, std::int64_t first, std::string_view name) {
    const PackedName packed = packPair(name);
    DmsWord words[host::kPackedNameWords];
    words[0].integer = packed.first;
    words[1].integer = packed.second;
    return setWords(record, first, words, host::kPackedNameWords);
  }

  bool integer(std::string_view field, std::int64_t& out) {
    const std::string_view digits = withoutPlus(field);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
    if (ec == std::errc::result_out_of_range) {
      return fail(shown(field) + " is outside the range of integers");
    }
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
      return fail(shown(field) + " is not an integer");
    }
    return true;
  }

  bool real(std::string_view field, double& out) {
    const std::string_view digits = withoutPlus(field);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
    if (ec == std::errc::result_out_of_range) {
      return fail(shown(field) + " is outside the range of reals");
    }
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
        !std::isfinite(out)) {
      return fail(shown(field) + " is not a number");
    }
    return true;
  }

  // Fails unless the statement has exactly `count` fields after its keyword.
  bool expect(std::size_t count, std::string_view usage) {
    if (fields_.size() < count + 1) return fail("'" + keyword_ + "' needs " + std::string(usage));
    if (fields_.size() > count + 1) {
      return fail("unexpected " + shown(fields_[count + 1]) + " after the fields of '" + keyword_ +
                  "'");
    }
    return true;
  }

 private:
  bool statement(std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.size() > kMaxLineLength) {
      return fail("the line is longer than " + std::to_string(kMaxLineLength) + " characters");
    }
    for (const char c : text) {
      const auto code = static_cast<unsigned char>(c);
      if ((code < ' ' && c != '\t') || code == 0x7F) {
        return fail("the line holds a control character (code " + std::to_string(code) + ")");
      }
    }
    line_text_ = text;
    fields_.clear();
    std::size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && isBlank(text[i])) ++i;
      if (i == text.size() || text[i] == kComment) break;
      const std::size_t from = i;
      while (i < text.size() && !isBlank(text[i])) ++i;
      fields_.push_back(text.substr(from, i - from));
    }
    if (fields_.empty()) return true;
    keyword_ = withCase(fields_[0], false);

    using Handler = bool (Reader::*)();
    static constexpr std::pair<std::string_view, Handler> kStatements[] = {
        {"components", &Reader::components},
        {"level", &Reader::levelStatement},
        {"block", &Reader::block},
        {"reaction", &Reader::reaction},
        {"library", &Reader::library},
        {"run-file", &Reader::runFile},
        {"run-directory", &Reader::runDirectory},
        {"area", &Reader::area},
        {"offset", &Reader::offset},
        {"word", &Reader::word},
        {"reactions", &Reader::reactions}};
    for (const auto& [keyword, handler] : kStatements) {
      if (keyword == keyword_) return (this->*handler)();
    }
    for (const BlockStatement& s : kBlockStatements) {
      if (s.keyword == keyword_) return blockStatement();
    }
    return fail("unknown statement " + shown(fields_[0]));
  }

  // The text after the keyword, blanks around it dropped (comments included: paths may
  // hold a #).
  std::string_view rest() const {
    const std::size_t at = static_cast<std::size_t>(fields_[0].data() - line_text_.data());
    return trimmed(line_text_.substr(at + fields_[0].size()));
  }

  // ---- top-level statements ----

  bool components() {
    if (fields_.size() < 2) return fail("'components' needs one or more component names");
    for (std::size_t i = 1; i < fields_.size(); ++i) {
      std::string component;
      if (!name(fields_[i], "component", component)) return false;
      if (std::find(fs_.components.begin(), fs_.components.end(), component) !=
          fs_.components.end()) {
        return fail("component " + shown(component) + " is listed twice");
      }
      if (fs_.components.size() == kMaxComponents) {
        return fail("more than " + std::to_string(kMaxComponents) + " components");
      }
      fs_.components.push_back(component);
    }
    return true;
  }

  // The level of a path (levels separated by points), made with its parents if new.
  bool ensureLevel(std::string_view path, std::string_view what, std::int64_t& index) {
    index = 0;
    if (path.empty()) return true;
    if (path.size() > kMaxPathLength) {
      return fail(std::string(what) + " " + shown(path) + " is longer than " +
                  std::to_string(kMaxPathLength) + " characters");
    }
    for (const std::string_view part : split(path, kPoint)) {
      if (part.empty()) return fail(std::string(what) + " " + shown(path) + " has an empty level");
      if (!std::all_of(part.begin(), part.end(), isNameCharacter)) {
        return fail(std::string(what) + " " + shown(path) +
                    " holds a character other than printable ASCII");
      }
      Level& parent = fs_.levels[static_cast<std::size_t>(index)];
      if (auto it = parent.children.find(part); it != parent.children.end()) {
        index = it->second;
        continue;
      }
      if (fs_.levels.size() == kMaxLevels) {
        return fail("more than " + std::to_string(kMaxLevels) + " hierarchy levels");
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

  bool levelStatement() {
    if (!expect(1, "a hierarchy path (levels separated by points)")) return false;
    std::int64_t index = 0;
    return ensureLevel(fields_[1], "hierarchy path", index);
  }

  bool newRecord(Record& record) {
    if (nextBead_ - kFirstRecordBead == kMaxRecords) {
      return fail("more than " + std::to_string(kMaxRecords) + " blocks and reactions");
    }
    record.bead = nextBead_++;
    record.line = line_;
    return true;
  }

  bool block() {
    if (!expect(2, "a block identifier and a block type")) {
      return false;
    }
    const std::string_view identifier = fields_[1];
    if (identifier.size() > kIdentifierLength) {
      return fail("block identifier " + shown(identifier) + " is longer than " +
                  std::to_string(kIdentifierLength) + " characters");
    }
    const std::size_t point = identifier.rfind(kPoint);
    const std::string_view path =
        point == std::string_view::npos ? std::string_view{} : identifier.substr(0, point);
    const std::string_view blockName =
        point == std::string_view::npos ? identifier : identifier.substr(point + 1);
    if (blockName.empty() || (point != std::string_view::npos && path.empty())) {
      return fail("block identifier " + shown(identifier) + " has an empty level or block name");
    }
    BlockDef b;
    if (!name(blockName, "block name", b.name, false)) return false;
    // A block type may be longer than a name (REFINECOL): its bead holds the first 8
    // characters, packed.
    if (!name(fields_[2], "block type", b.type, true, kMaxBlockTypeLength)) return false;
    b.type = withCase(b.type, true);
    std::int64_t index = 0;
    if (!ensureLevel(path, "hierarchy path", index)) return false;
    Level& level = fs_.levels[static_cast<std::size_t>(index)];
    const PackedName packed = packPair(b.name);
    if (level.blocks.count(packed)) {
      const BlockDef& other =
          *std::find_if(fs_.blocks.begin(), fs_.blocks.end(), [&](const BlockDef& s) {
            return s.container == kTopContainer + index && s.name == b.name;
          });
      return fail("block " + b.name + " is already defined " +
                  (path.empty() ? std::string("at the top level") : "at level " + level.path) +
                  " (line " + std::to_string(other.line) + ")");
    }
    if (!newRecord(b)) return false;
    b.path = path;
    b.container = kTopContainer + index;
    level.blocks.emplace(packed, b.bead);
    fs_.blocks.push_back(std::move(b));
    current_ = Current::Block;
    blockReactions_.clear();
    return true;
  }

  bool reaction() {
    if (!expect(2, "a reaction ID and the name of its user kinetics routine")) return false;
    ReactionDef r;
    if (!name(fields_[1], "reaction ID", r.id)) return false;
    if (!name(fields_[2], "routine name", r.routine)) return false;
    if (auto it = reactionIndex_.find(r.id); it != reactionIndex_.end()) {
      return fail("reaction ID " + r.id + " is already defined (line " +
                  std::to_string(fs_.reactions[it->second].line) + ")");
    }
    if (!newRecord(r)) return false;
    reactionIndex_.emplace(r.id, fs_.reactions.size());
    fs_.reactions.push_back(std::move(r));
    current_ = Current::Reaction;
    return true;
  }

  bool library() {
    const std::string_view path = fields_.size() > 1 ? rest() : std::string_view{};
    if (path.empty()) return fail("'library' needs the path of a user library");
    if (fs_.libraries.size() == kMaxLibraries) {
      return fail("more than " + std::to_string(kMaxLibraries) + " user libraries");
    }
    // A file, never a name for the loader's search: relative to the flowsheet's directory.
    std::filesystem::path resolved{std::string(path)};
    if (resolved.is_relative()) {
      std::error_code ec;
      const auto absolute = std::filesystem::absolute(source_.file.parent_path() / resolved, ec);
      if (!ec) resolved = absolute;
    }
    fs_.libraries.push_back({resolved.string(), line_});
    return true;
  }

  bool runText(std::string& out, bool& set, std::size_t length, std::string_view what) {
    const std::string_view value = fields_.size() > 1 ? rest() : std::string_view{};
    if (value.empty()) return fail("'" + keyword_ + "' needs " + std::string(what));
    if (set) return fail("the " + std::string(what) + " is already set");
    if (value.size() > length) {
      return fail("the " + std::string(what) + " is longer than " + std::to_string(length) +
                  " characters");
    }
    out = value;
    set = true;
    return true;
  }

  bool runFile() {
    return runText(fs_.runFile, runFileSet_, HOST_RUN_FILE_LENGTH, "run file name");
  }

  bool runDirectory() {
    return runText(fs_.runDirectory, runDirectorySet_, HOST_RUN_DIRECTORY_LENGTH, "run directory");
  }

  bool area() {
    if (!expect(3, "an area name, a word number and a value")) return false;
    const Area* a = findArea(fields_[1]);
    if (!a) return fail("there is no common area " + shown(fields_[1]) + " to set");
    AreaSetting setting;
    setting.area = a->name;
    setting.line = line_;
    if (!integer(fields_[2], setting.word)) return false;
    if (setting.word < 1 || setting.word > a->size) {
      return fail("word " + std::to_string(setting.word) + " is outside " + setting.area +
                  " (words 1 .. " + std::to_string(a->size) + ")");
    }
    const bool ok = a->integers ? integer(fields_[3], setting.value.integer)
                                : real(fields_[3], setting.value.real);
    if (!ok) return false;
    fs_.areas.push_back(setting);
    return true;
  }

  // ---- record statements ----

  Record* currentRecord() {
    if (current_ == Current::Block) return &fs_.blocks.back();
    if (current_ == Current::Reaction) return &fs_.reactions.back();
    fail("'" + keyword_ + "' must follow a block or reaction statement");
    return nullptr;
  }

  BlockDef* currentBlock() {
    if (current_ != Current::Block) {
      fail("'" + keyword_ + "' must follow a block statement");
      return nullptr;
    }
    return &fs_.blocks.back();
  }

  bool offset() {
    Record* record = currentRecord();
    if (!record || !expect(1, "the offset of the data words")) return false;
    std::int64_t value = 0;
    if (!integer(fields_[1], value)) return false;
    const std::int64_t lowest =
        current_ == Current::Block ? kBlockReactionListWord : kMinReactionOffset;
    if (value < lowest || value > kMaxOffset) {
      return fail("offset " + std::to_string(value) + " is outside " + std::to_string(lowest) +
                  " .. " + std::to_string(kMaxOffset));
    }
    if (record->offsetLine) {
      return fail("the offset is already set on line " + std::to_string(record->offsetLine));
    }
    record->offset = value;
    record->offsetLine = line_;
    return true;
  }

  bool word() {
    Record* record = currentRecord();
    if (!record || !expect(3, "a data word number, a kind (integer, real or name) and a value")) {
      return false;
    }
    std::int64_t k = 0;
    if (!integer(fields_[1], k)) return false;
    if (current_ == Current::Reaction && k < kFirstReactionDataWord) {
      return fail("data words 0 .. " + std::to_string(kFirstReactionDataWord - 1) +
                  " of a reaction hold its ID and routine name");
    }
    const std::string kind = withCase(fields_[2], false);
    DmsWord value{};
    if (kind == "integer") {
      return integer(fields_[3], value.integer) && setWords(*record, k, &value, 1);
    }
    if (kind == "real") return real(fields_[3], value.real) && setWords(*record, k, &value, 1);
    if (kind == "name") {
      std::string text;
      return name(fields_[3], "name", text) && setName(*record, k, text);
    }
    return fail("word kind " + shown(fields_[2]) + " is none of integer, real, name");
  }

  bool reactions() {
    BlockDef* b = currentBlock();
    if (!b) return false;
    if (fields_.size() < 2) return fail("'reactions' needs one or more reaction IDs");
    for (std::size_t i = 1; i < fields_.size(); ++i) {
      std::string id;
      if (!name(fields_[i], "reaction ID", id)) return false;
      if (!blockReactions_.insert(id).second) {
        return fail("reaction ID " + id + " is named twice for block " + b->name);
      }
      b->reactions.push_back(id);
      b->reactionLines.push_back(line_);
    }
    return true;
  }

  bool blockStatement() {
    BlockDef* b = currentBlock();
    if (!b) return false;
    std::string types;
    for (const BlockStatement& s : kBlockStatements) {
      if (s.keyword != keyword_) continue;
      if (s.type == b->type) return s.parse(*this, s, *b);
      types += (types.empty() ? "" : ", ") + std::string(s.type);
    }
    return fail("'" + keyword_ + "' does not apply to a " + b->type + " block (only to " + types +
                ")");
  }

  // ---- checks once everything is read ----

  bool failAt(std::int64_t line, std::string text) {
    errorLine_ = line;
    return fail(std::move(text));
  }

  bool finish() {
    std::int64_t words = kListHeaderWords + 1;
    auto count = [&](std::int64_t last, std::int64_t line) {
      words += last + 1;
      if (words > kMaxFlowsheetWords) {
        return failAt(line, "the flowsheet needs more than " + std::to_string(kMaxFlowsheetWords) +
                                " store words");
      }
      return true;
    };
    for (BlockDef& b : fs_.blocks) {
      std::string error;
      std::int64_t line = 0;
      if (isColumnType(b.type) &&
          (!completeColumnBlock(b, error, line) || !checkTrayWords(b, error, line))) {
        return failAt(line, error);
      }
      if (b.type == "EQLBRX") {
        completeEquilibriumBlock(b, static_cast<std::int64_t>(fs_.components.size()));
      }
      for (std::size_t i = 0; i < b.reactions.size(); ++i) {
        if (!reactionIndex_.count(b.reactions[i])) {
          return failAt(b.reactionLines[i], "reaction ID " + b.reactions[i] + " is not defined");
        }
      }
      const auto needed = kBlockReactionListWord + static_cast<std::int64_t>(b.reactions.size());
      if (b.offsetLine && b.offset < needed) {
        return failAt(b.offsetLine, "offset " + std::to_string(b.offset) + " leaves no room for " +
                                        "the reaction list of block " + b.name + "; use " +
                                        std::to_string(needed) + " or more");
      }
      if (!count(lastBlockWord(b), b.line)) return false;
    }
    for (const ReactionDef& r : fs_.reactions) {
      if (!count(lastReactionWord(r), r.line)) return false;
    }
    if (!source_.file.empty()) {
      if (!runFileSet_) fs_.runFile = source_.file.stem().string();
      if (!runDirectorySet_) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(source_.file, ec);
        if (!ec) fs_.runDirectory = absolute.parent_path().string();
      }
      fs_.runFile.resize(std::min(fs_.runFile.size(), std::size_t{HOST_RUN_FILE_LENGTH}));
      if (fs_.runDirectory.size() > HOST_RUN_DIRECTORY_LENGTH) {
        return failAt(0, "flowsheet " + shown(source_.file.string()) +
                             ": its directory is longer than " +
                             std::to_string(HOST_RUN_DIRECTORY_LENGTH) +
                             " characters; give a run-directory statement");
      }
    }
    return true;
  }

  friend bool parseRoutineName(Reader&, const BlockStatement&, BlockDef&);

  enum class Current { None, Block, Reaction };

  const Source& source_;
  Flowsheet& fs_;
  std::int64_t line_ = 0;
  std::int64_t errorLine_ = 0;
  std::string error_;
  std::string_view line_text_;
  std::vector<std::string_view> fields_;
  std::string keyword_;
  Current current_ = Current::None;
  std::map<std::string, std::size_t, std::less<>> reactionIndex_;
  std::set<std::string, std::less<>> blockReactions_;  // those the current block names
  std::int64_t nextBead_ = kFirstRecordBead;
  bool runFileSet_ = false;
  bool runDirectorySet_ = false;
};

bool parseRoutineName(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  std::string routine;
  return reader.expect(1, "the name of a user routine") &&
         reader.name(reader.fields()[1], "routine name", routine) &&
         reader.setName(block, statement.dataWord, routine);
}

// A whole number within [low, high] from a field; false (with the reader's error) when not.
bool integerIn(Reader& reader, std::string_view field, std::string_view what, std::int64_t low,
               std::int64_t high, std::int64_t& out) {
  if (!reader.integer(field, out)) return false;
  if (out < low || out > high) {
    return reader.fail(std::string(what) + " " + std::to_string(out) + " is outside " +
                       std::to_string(low) + " .. " + std::to_string(high));
  }
  return true;
}

bool setInteger(Reader& reader, BlockDef& block, std::int64_t word, std::int64_t value) {
  DmsWord w;
  w.integer = value;
  return reader.setWords(block, word, &w, 1);
}

// stages N: the number of stages of a tray column (0: not fixed).
bool parseStageCount(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  std::int64_t n = 0;
  return reader.expect(1, "the number of stages") &&
         integerIn(reader, reader.fields()[1], "stage count", 0, kMaxColumnStages, n) &&
         setInteger(reader, block, statement.dataWord, n);
}

// sections N1 N2 ...: the stage counts of the main column and each side stripper.
bool parseSections(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  const auto& f = reader.fields();
  if (f.size() < 2) return reader.fail("'sections' needs the stage count of each section");
  const auto count = static_cast<std::int64_t>(f.size()) - 1;
  if (count > host::kMaxColumnSections) {
    return reader.fail("more than " + std::to_string(host::kMaxColumnSections) + " sections");
  }
  std::vector<DmsWord> words(static_cast<std::size_t>(count) + 1);
  words[0].integer = count;
  std::int64_t total = 0;
  for (std::int64_t k = 1; k <= count; ++k) {
    std::int64_t n = 0;
    if (!integerIn(reader, f[static_cast<std::size_t>(k)], "stage count", 0, kMaxColumnStages, n)) {
      return false;
    }
    total += n;
    words[static_cast<std::size_t>(k)].integer = n;
  }
  if (total > kMaxColumnStages) {
    return reader.fail("the sections hold " + std::to_string(total) + " stages, more than " +
                       std::to_string(kMaxColumnStages));
  }
  return reader.setWords(block, statement.dataWord, words.data(), 1) &&
         reader.setWords(block, host::kTrayRecordAt + host::kRecordSectionStagesWord,
                         words.data() + 1, count);
}

// extra-stage: the block's stage tables hold one entry more than its sections' stages.
bool parseFlag(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  return reader.expect(0, "no fields") && setInteger(reader, block, statement.dataWord, 1);
}

// trays [SECTION] FIRST LAST TYPE DIAMETER WEIR-HEIGHT WEIR-LENGTH DOWNCOMER-AREA SPACING
bool parseTrays(Reader& reader, const BlockStatement&, BlockDef& block) {
  const bool refinery = block.type == "REFINECOL";
  const std::size_t fields = refinery ? 9 : 8;
  if (!reader.expect(fields, refinery ? "a section, the first and last stage, a tray type "
                                        "and five dimensions"
                                      : "the first and last stage, a tray type and five "
                                        "dimensions")) {
    return false;
  }
  const auto& f = reader.fields();
  std::size_t i = 1;
  std::int64_t section = 1;
  if (refinery && !integerIn(reader, f[i++], "section", 1, host::kMaxColumnSections, section)) {
    return false;
  }
  std::int64_t first = 0, last = 0;
  if (!integerIn(reader, f[i++], "first stage", 1, kMaxColumnStages, first) ||
      !integerIn(reader, f[i++], "last stage", first, kMaxColumnStages, last)) {
    return false;
  }
  const std::int64_t type = trayTypeCode(f[i]);
  if (type == 0)
    return reader.fail("tray type '" + std::string(f[i]) + "' is none of sieve, valve, bubble-cap");
  ++i;
  double d[5] = {};
  const char* names[5] = {"diameter", "weir height", "weir length", "downcomer area",
                          "tray spacing"};
  for (int k = 0; k < 5; ++k) {
    if (!reader.real(f[i++], d[k])) return false;
    if (d[k] < 0 || (k != 1 && d[k] == 0)) {
      return reader.fail(std::string(names[k]) + " " + std::string(f[i - 1]) +
                         (k == 1 ? " is negative" : " is not positive"));
    }
  }
  if (d[2] > d[0]) return reader.fail("the weir is longer than the tray's diameter");
  if (2 * d[3] >= kQuarterPi * d[0] * d[0]) {
    return reader.fail("the two downcomers take the whole tray: no active area is left");
  }
  const std::int64_t n = traySectionCount(block);
  if (n == host::kMaxTraySections) {
    return reader.fail("more than " + std::to_string(host::kMaxTraySections) +
                       " tray sections in block " + block.name);
  }
  DmsWord words[host::kTraySectionWords] = {};
  words[0].integer = section;
  words[1].integer = first;
  words[2].integer = last;
  words[3].integer = type;
  for (int k = 0; k < 5; ++k) words[4 + k].real = d[k];
  return reader.setWords(block, traySectionWord(n, host::TraySectionWord::Section), words,
                         host::kTraySectionWords);
}

// tray-field K V, tray-default K V: tray field K (1 .. 38) or its default.
bool parseTrayField(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  std::int64_t k = 0, value = 0;
  return reader.expect(2, "a field number (1 .. 38) and an integer") &&
         integerIn(reader, reader.fields()[1], "tray field", 1, host::kTrayFieldCount, k) &&
         reader.integer(reader.fields()[2], value) &&
         setInteger(reader, block, statement.dataWord + k - 1, value);
}

// tray-constant K V: rating constant K (1 .. 8).
bool parseTrayConstant(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  std::int64_t k = 0;
  DmsWord value;
  return reader.expect(2, "a constant number (1 .. 8) and a real") &&
         integerIn(reader, reader.fields()[1], "tray constant", 1, host::kTrayConstantCount, k) &&
         reader.real(reader.fields()[2], value.real) &&
         reader.setWords(block, statement.dataWord + k - 1, &value, 1);
}

// streams FEEDS PRODUCTS: the numbers of feed and product streams.
bool parseStreams(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  std::int64_t feeds = 0, products = 0;
  if (!reader.expect(2, "the numbers of feed and product streams") ||
      !integerIn(reader, reader.fields()[1], "number of feeds", 1, kMaxFeeds, feeds) ||
      !integerIn(reader, reader.fields()[2], "number of products", 1, kMaxProducts, products)) {
    return false;
  }
  DmsWord words[2];
  words[0].integer = feeds;
  words[1].integer = products;
  return reader.setWords(block, statement.dataWord, words, 2);
}

// equilibrium-reaction K NAME NU [NAME NU ...]: one reaction of the listed components
// with the equilibrium constant K of the ideal gas (partial pressures in bar); components
// not named take no part.
bool parseEquilibriumReaction(Reader& reader, const BlockStatement& statement, BlockDef& block) {
  const auto& f = reader.fields();
  const std::vector<std::string>& names = reader.componentNames();
  const auto n = static_cast<std::int64_t>(names.size());
  if (f.size() < 4 || f.size() % 2 != 0) {
    return reader.fail(
        "'equilibrium-reaction' needs K and pairs of a component and its "
        "coefficient");
  }
  if (n < 1 || n > kMaxReactionComponents) {
    return reader.fail("an equilibrium reaction needs 1 to " +
                       std::to_string(kMaxReactionComponents) + " components listed before it");
  }
  std::vector<DmsWord> words(static_cast<std::size_t>(n) + 2);
  words[0].integer = n;
  if (!reader.real(f[1], words[1].real)) return false;
  if (!(words[1].real > 0)) return reader.fail("K " + std::string(f[1]) + " is not positive");
  bool any = false;
  for (std::size_t k = 2; k + 1 < f.size(); k += 2) {
    const auto it = std::find(names.begin(), names.end(), f[k]);
    if (it == names.end()) return reader.fail("component " + std::string(f[k]) + " is not listed");
    double nu = 0;
    if (!reader.real(f[k + 1], nu)) return false;
    words[static_cast<std::size_t>(it - names.begin()) + 2].real = nu;
    any = any || nu != 0;
  }
  if (!any) return reader.fail("the reaction has no coefficient other than 0");
  return reader.setWords(block, statement.dataWord, words.data(), n + 2);
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

LoadResult loadError(std::int64_t line, const std::string& text) {
  LoadResult result;
  result.ok = false;
  result.line = line;
  result.message = line > 0 ? "flowsheet line " + std::to_string(line) + ": " + text : text;
  return result;
}

bool parseFlowsheet(std::string_view text, const Source& source, Flowsheet& flowsheet,
                    LoadResult& result) {
  flowsheet = Flowsheet{};
  Reader reader(source, flowsheet);
  return reader.read(text, result);
}

}  // namespace xv55::refhost::companion::detail
