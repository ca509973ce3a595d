// Control interface of the reference host's companion-simulator side: the flowsheet
// (components, hierarchy levels, blocks, reaction paragraphs, user libraries) that
// DMS_FIBLK, the KHHIER_* services, SAIGPNTR and DMS_DOCALL work on.
//
// A flowsheet is loaded from a JSON file or text (docs/flowsheet.md).  Loading is all
// or nothing: a flowsheet with an error changes nothing.  reset() unloads it, forgets
// registered routines and clears the common areas.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xv55/host/companion_store.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/user_routine.h"

namespace xv55::refhost::companion {

// The top container of the hierarchy; further levels get the numbers that follow, in
// the order the flowsheet names them.
inline constexpr std::int64_t kTopContainer = 501;
// The container KHHIER_FINDITEM_F gives for a level that does not exist.
inline constexpr std::int64_t kNoContainer = -1;
// Bead IDs of blocks and reaction paragraphs count up from here, in flowsheet order.
inline constexpr std::int64_t kFirstRecordBead = 101;

// Words of the list header bead (bead 2) besides the reaction count (195) and the
// first reaction bead (196): the number of block beads and the first of them.
inline constexpr std::int64_t kBlockCountWord = 197;
inline constexpr std::int64_t kFirstBlockWord = 198;
// Last word of the list header bead.
inline constexpr std::int64_t kListHeaderWords = 200;

// Block bead words before the block's data (word 0 chains the blocks, word 7 holds the
// data offset o): the packed block name and type, the container of the block's level,
// the number n of reaction paragraphs it names and, from word 8, their bead IDs.
inline constexpr std::int64_t kBlockNameWord = 1;
inline constexpr std::int64_t kBlockTypeWord = host::kBlockTypeWord;
inline constexpr std::int64_t kBlockContainerWord = 5;
inline constexpr std::int64_t kBlockReactionCountWord = 6;
inline constexpr std::int64_t kBlockReactionListWord = 8;
// Data offsets used when the flowsheet gives none (a block's grows with its list).
inline constexpr std::int64_t kDefaultBlockOffset = 20;
inline constexpr std::int64_t kDefaultReactionOffset = 10;

// The outcome of loading a flowsheet.  message names the file ("flowsheet" for a
// text), the line and the JSON pointer of the value at fault ("plant.json line 14,
// /blocks/2/trays/0/weirHeight: ..."), or says why the file cannot be read; line is 0
// when no line is to blame.
struct LoadResult {
  bool ok = true;
  std::int64_t line = 0;
  std::string message;
  explicit operator bool() const { return ok; }
};

// Loads a flowsheet, replacing the one loaded before.  Relative user-library paths are
// taken from the directory of the file (from the current directory for a string).
XV55_API LoadResult loadFlowsheet(std::string_view text);
XV55_API LoadResult loadFlowsheetFile(const std::string& path);

// A user routine in this process: found by SAIGPNTR before those of user libraries.
// Names are 1 to 8 printable characters without blanks, matched without regard to
// case.  A null routine removes the name.  False (nothing changed) for a bad name.
XV55_API bool registerRoutine(std::string_view name, Xv55UserRoutine routine);

// Bead ID of the block `name` at the hierarchy level `path` (levels separated by
// points, empty for the top level); 0 when there is none.
XV55_API std::int64_t blockBead(std::string_view path, std::string_view name);
// Bead ID of the reaction paragraph with that reaction ID; 0 when there is none.
XV55_API std::int64_t reactionBead(std::string_view reactionId);
// Container of the hierarchy level `path` (kTopContainer for ""); kNoContainer if none.
XV55_API std::int64_t container(std::string_view path);
// Entries on the hierarchy stack (KHHIERSTK_PUSH_F / KHHIERSTK_POP_F).
XV55_API std::int64_t hierarchyDepth();
// Component names of the loaded flowsheet, in order.
XV55_API std::vector<std::string> components();

// What the last DMS_DOCALL passed.  calls counts every DMS_DOCALL since reset(), those
// with a handle that names no routine included; routine is empty for those.
struct Dispatch {
  std::int64_t calls = 0;
  std::int64_t handle = 0;
  std::string routine;
  std::array<void*, XV55_USER_ARGUMENT_COUNT> arguments{};
};
XV55_API Dispatch lastDispatch();

// A name in its packed form (two words, see include/xv55/host/companion.h): the first 8
// characters, blank-padded.
XV55_API std::array<std::int64_t, host::kPackedNameWords> packName(std::string_view name);
// The characters of count packed words, trailing blanks dropped.
XV55_API std::string unpackName(const std::int64_t* words, std::int64_t count);

}  // namespace xv55::refhost::companion
