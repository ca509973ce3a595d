// Shared internals of the companion-simulator side of the reference host: the
// flowsheet as read, the store builder, the loaded state and the dispatch tables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "internal.hpp"
#include "xv55/host/companion_store.hpp"
#include "xv55/host/store.h"
#include "xv55/refhost/companion.hpp"

namespace xv55::refhost::companion::detail {

using refhost::detail::Service;

// ---- Packed names ----

using PackedName = std::pair<std::int64_t, std::int64_t>;

// One packed word from up to 4 characters (blank-padded).
std::int64_t packWord(std::string_view characters);
// The name's first 8 characters, blank-padded, as two words.
PackedName packPair(std::string_view name);
// Character i (0 .. 3) of a packed word; a NUL comes out as a blank.
char character(std::int64_t word, int i);
// The characters of count words (4 each, NUL shown as a blank).
std::string unpackWords(const std::int64_t* words, std::int64_t count);
// text without its trailing blanks.
std::string_view trimTrailingBlanks(std::string_view text);
// text in upper (or lower) case.
std::string withCase(std::string_view text, bool upper);

// ---- The flowsheet as read ----

// A data word of a record, with the line and the JSON pointer of the value that set it.
struct DataWord {
  DmsWord value{};
  std::int64_t line = 0;
  std::string at;
};

// What blocks and reaction paragraphs share: the bead, the data offset, data words.
struct Record {
  std::int64_t bead = 0;
  std::int64_t line = 0;
  std::string at;           // the JSON pointer of the record's object
  std::int64_t offset = 0;  // 0 until the record gives one
  std::int64_t offsetLine = 0;
  std::map<std::int64_t, DataWord> words;  // data word k (bead word offset + k)
};

struct BlockDef : Record {
  std::string path;  // hierarchy levels separated by points, empty at the top
  std::string name;
  std::string type;
  std::int64_t container = 0;
  std::vector<std::string> reactions;       // reaction IDs the block names
  std::vector<std::int64_t> reactionLines;  // the line naming each
  std::vector<std::string> reactionAts;     // and its JSON pointer
};

struct ReactionDef : Record {
  std::string id;
  std::string routine;
};

// A hierarchy level; its container is kTopContainer + its index in Flowsheet::levels.
struct Level {
  std::string path;                                           // full path, empty for the top level
  std::map<std::string, std::int64_t, std::less<>> children;  // level name -> index
  std::map<PackedName, std::int64_t> blocks;                  // packed name -> bead ID
};

struct LibraryDef {
  std::string path;  // as resolved against the flowsheet's directory
  std::int64_t line = 0;
  std::string where;  // "plant.json line 4, /libraries/0", for a message
};

struct AreaSetting {
  std::string area;
  std::int64_t word = 0;
  DmsWord value{};
  std::int64_t line = 0;
};

struct Flowsheet {
  std::vector<std::string> components;
  // The components of the model calling with host context 0, in its order: a part of
  // `components` (empty: the whole list in its order).
  std::vector<std::string> modelComponents;
  std::vector<Level> levels{Level{}};  // the top level first
  std::vector<BlockDef> blocks;
  std::vector<ReactionDef> reactions;
  std::vector<LibraryDef> libraries;
  std::string runFile;
  std::string runDirectory;
  std::vector<AreaSetting> areas;
};

// Where a flowsheet comes from: the file (empty for a string).
struct Source {
  std::filesystem::path file;
};

// Reads and checks a flowsheet.  On an error, returns false with the error in result.
bool parseFlowsheet(std::string_view text, const Source& source, Flowsheet& flowsheet,
                    LoadResult& result);

// A failed load: "WHERE: text" (or text alone when where is empty), WHERE being for
// example "plant.json line 14, /blocks/2/trays/0/weirHeight".
LoadResult loadError(std::int64_t line, const std::string& where, const std::string& text);

// Last word of a record's bead (its size less one).
std::int64_t lastBlockWord(const BlockDef& block);
std::int64_t lastReactionWord(const ReactionDef& reaction);
// Data offset of a record when it sets none.
std::int64_t blockOffset(const BlockDef& block);
std::int64_t reactionOffset(const ReactionDef& reaction);

// ---- The store ----

// Writes the flowsheet's beads into the store.  False when the store cannot hold them;
// what was written is then removed again.
bool writeBeads(const Flowsheet& flowsheet);
// Removes the flowsheet's beads.
void removeBeads(const Flowsheet& flowsheet);

// ---- Common areas ----

// A numeric common area a flowsheet may set words of.
struct Area {
  std::string_view name;
  double* reals;           // a real area, or
  std::int64_t* integers;  // an integer area
  std::int64_t size;
};
const Area* findArea(std::string_view name);
// Clears the common areas and the run files and sets their defaults; then the
// flowsheet's run files and area settings.
void setAreas(const Flowsheet& flowsheet);
void clearAreas();

// ---- Loaded state ----

struct Loaded {
  bool present = false;  // a flowsheet is loaded (its beads are in the store)
  Flowsheet flowsheet;
  std::vector<std::int64_t> stack;  // hierarchy stack of containers
  std::int64_t stackOverflow = 0;   // pushes refused because the stack was full
};
Loaded& loaded();
// The level of a container, or nullptr.
const Level* level(std::int64_t container);

// ---- User routines ----

struct Library {
  std::string path;
  void* handle = nullptr;
};
// Opens the flowsheet's libraries; on a failure closes those it opened and returns false.
bool openLibraries(const std::vector<LibraryDef>& entries, std::vector<Library>& opened,
                   LoadResult& result);
void closeLibraries(std::vector<Library>& libraries);
// Installs the libraries of a newly loaded flowsheet (closing the previous ones) and
// forgets the routine handles handed out so far.
void replaceLibraries(std::vector<Library>&& libraries);
void resetDispatch();
void resetHierarchy();

}  // namespace xv55::refhost::companion::detail
