// The user routines that reaction paragraphs and blocks of the companion simulator
// name: finding a reaction paragraph by its reaction ID, resolving a routine by its
// packed name, and calling it through the host's dispatcher with exactly 80 addresses.
//
// SAIURK calls the kinetics routine of a reactor (and of a tray column named by its
// block); SAIURD the kinetics routine of a column stage.  Both take the routine's own
// argument list as a RoutineList and pass it on in order, with the private copies and
// the fixed entries described with each; the rest of the 80 addresses point at the
// host's dummy word.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "entry/views.hpp"

namespace xv55::kinetics {

// ---- names ----

// A name of the companion simulator packed into two words (4 characters each).
using PackedName = std::array<std::int64_t, 2>;

// The packed form of the first 8 characters of text, blank-padded.
PackedName packName(std::string_view text);

// Block types handed to the kinetics routine.
enum class BlockType { Mixrx, Tubrx, Chargex, Traycol };
PackedName packedBlockType(BlockType type);

// ---- the argument lists ----

// Argument k (1-based) of a user routine's list; unset arguments are null until the
// call fills them with the dummy address.
template <std::size_t N>
class RoutineList {
 public:
  static constexpr std::int64_t kLength = static_cast<std::int64_t>(N);

  // The routine receives every argument by address, as the host's arrays are: an
  // input may be passed as it stands.
  template <class T>
  void set(std::int64_t k, T* address) {
    at_[static_cast<std::size_t>(k - 1)] = const_cast<void*>(static_cast<const void*>(address));
  }
  // Arguments k and k + 1: an array's length and the array.
  template <class T>
  void setCounted(std::int64_t k, std::int64_t* length, T* array) {
    set(k, length);
    set(k + 1, array);
  }
  void* operator[](std::int64_t k) const { return at_[static_cast<std::size_t>(k - 1)]; }
  template <class T>
  T* as(std::int64_t k) const {
    return static_cast<T*>(at_[static_cast<std::size_t>(k - 1)]);
  }
  const std::array<void*, N>& all() const { return at_; }

 private:
  std::array<void*, N> at_{};
};

// The 51 arguments of a reactor kinetics routine (docs/kinetics.md gives them all).
// Those SAIURK reads or replaces, and those the callers place by name:
namespace reactor {
inline constexpr std::int64_t kStream = 1;  // stream vector, NCOMP + 9 reals
inline constexpr std::int64_t kIntegerCount = 5;
inline constexpr std::int64_t kIntegers = 6;  // 100 integers
inline constexpr std::int64_t kRealCount = 7;
inline constexpr std::int64_t kReals = 8;
inline constexpr std::int64_t kIdentifiers = 9;  // 20 words, filled by SAIURK
inline constexpr std::int64_t kOptionSetCount = 10;
inline constexpr std::int64_t kOptionSets = 11;  // 6 words per set, copied
inline constexpr std::int64_t kIntegerWorkCount = 12;
inline constexpr std::int64_t kIntegerWork = 13;  // 12 integers
inline constexpr std::int64_t kRealWorkCount = 14;
inline constexpr std::int64_t kRealWork = 15;    // 12 reals
inline constexpr std::int64_t kComponents = 16;  // replaced by NCOMP
inline constexpr std::int64_t kReactions = 17;
inline constexpr std::int64_t kStoichiometry = 18;  // NCOMP x NRXN
inline constexpr std::int64_t kRates = 19;          // replaced by NCOMP reals
inline constexpr std::int64_t kWorkWord1 = 20;
inline constexpr std::int64_t kWorkWord2 = 21;
inline constexpr std::int64_t kPosition = 22;
inline constexpr std::int64_t kWork1Count = 23;
inline constexpr std::int64_t kWork1 = 24;
inline constexpr std::int64_t kWork2Count = 25;
inline constexpr std::int64_t kWork2 = 26;
inline constexpr std::int64_t kCallCode = 27;
inline constexpr std::int64_t kFailure = 28;  // 1: the model is failing
inline constexpr std::int64_t kFlashed = 29;
inline constexpr std::int64_t kModelComponents = 30;  // NC
inline constexpr std::int64_t kComponentIndex = 31;   // IDX, NC integers, copied
inline constexpr std::int64_t kVapour = 32;
inline constexpr std::int64_t kLiquid = 33;
inline constexpr std::int64_t kLiquid1 = 34;
inline constexpr std::int64_t kLiquid2 = 35;
inline constexpr std::int64_t kWork3Count = 36;
inline constexpr std::int64_t kWork3 = 37;
inline constexpr std::int64_t kUserValueCount = 38;
inline constexpr std::int64_t kUserValues = 39;
inline constexpr std::int64_t kReactionIntegerCount = 40;
inline constexpr std::int64_t kReactionIntegers = 41;
inline constexpr std::int64_t kReactionRealCount = 42;
inline constexpr std::int64_t kReactionReals = 43;
inline constexpr std::int64_t kIntegerWorkspaceCount = 44;
inline constexpr std::int64_t kIntegerWorkspace = 45;
inline constexpr std::int64_t kRealWorkspaceCount = 46;
inline constexpr std::int64_t kRealWorkspace = 47;
inline constexpr std::int64_t kReactionWork1Count = 48;
inline constexpr std::int64_t kReactionWork1 = 49;  // 52 reals
inline constexpr std::int64_t kReactionWork2Count = 50;
inline constexpr std::int64_t kReactionWork2 = 51;  // 50 reals
inline constexpr std::int64_t kListLength = 51;
// Consecutive, as ParameterStorage places them.
static_assert(kReals == kIntegerCount + 3 && kRealWorkspace == kReactionIntegerCount + 7);
}  // namespace reactor
using ReactorList = RoutineList<reactor::kListLength>;

// The 38 arguments of a column-stage kinetics routine (docs/kinetics.md).
namespace column {
inline constexpr std::int64_t kCompanionComponents = 1;  // NCOMP
inline constexpr std::int64_t kModelComponents = 2;      // NC
inline constexpr std::int64_t kReactions = 3;
inline constexpr std::int64_t kStoichiometry = 4;  // NCOMP x NR
inline constexpr std::int64_t kTemperature = 5;    // K
inline constexpr std::int64_t kPressure = 6;       // Pa
inline constexpr std::int64_t kFlow = 7;           // kmol/s
inline constexpr std::int64_t kLiquidFlow = 8;
inline constexpr std::int64_t kVapourFlow = 9;
inline constexpr std::int64_t kLiquid = 10;  // fractions, NCOMP
inline constexpr std::int64_t kVapour = 11;
inline constexpr std::int64_t kLiquidHoldup = 12;  // kmol
inline constexpr std::int64_t kVapourHoldup = 13;
inline constexpr std::int64_t kComponentIndex = 14;  // IDX, NC integers, copied
inline constexpr std::int64_t kOptionSet = 15;       // 6 words, copied
inline constexpr std::int64_t kRates = 16;           // NCOMP reals, kmol/s
inline constexpr std::int64_t kIntegerCount = 17;
inline constexpr std::int64_t kIntegers = 18;
inline constexpr std::int64_t kRealCount = 19;
inline constexpr std::int64_t kReals = 20;
inline constexpr std::int64_t kReactionIntegerCount = 21;
inline constexpr std::int64_t kReactionIntegers = 22;
inline constexpr std::int64_t kReactionRealCount = 23;
inline constexpr std::int64_t kReactionReals = 24;
inline constexpr std::int64_t kIntegerWorkspaceCount = 25;
inline constexpr std::int64_t kIntegerWorkspace = 26;
inline constexpr std::int64_t kRealWorkspaceCount = 27;
inline constexpr std::int64_t kRealWorkspace = 28;
inline constexpr std::int64_t kStage = 29;
inline constexpr std::int64_t kReactionPhase = 30;
inline constexpr std::int64_t kLiquidPhases = 31;  // 1 or 2
inline constexpr std::int64_t kLiquid1 = 32;
inline constexpr std::int64_t kLiquid2 = 33;
inline constexpr std::int64_t kLiquid1Flow = 34;
inline constexpr std::int64_t kLiquid2Flow = 35;
inline constexpr std::int64_t kLiquid1Holdup = 36;
inline constexpr std::int64_t kLiquid2Holdup = 37;
inline constexpr std::int64_t kIdentifiers = 38;  // 20 words, filled by SAIURD
inline constexpr std::int64_t kListLength = 38;
// Consecutive, as ParameterStorage places them.
static_assert(kReals == kIntegerCount + 3 && kRealWorkspace == kReactionIntegerCount + 7);
}  // namespace column
using ColumnList = RoutineList<column::kListLength>;

// ---- the identifier array ----

// Words of the 20-word identifier array (1-based).
namespace identifiers {
inline constexpr std::int64_t kWords = 20;
inline constexpr std::int64_t kName = 1;    // block name (reaction ID for a column stage)
inline constexpr std::int64_t kCaller = 3;  // the calling routine, twice: 3, 4 and 5, 6
inline constexpr std::int64_t kCallerAgain = 5;
inline constexpr std::int64_t kBlockType = 7;
inline constexpr std::int64_t kRoutine = 9;
inline constexpr std::int64_t kBlockTypeAgain = 17;
inline constexpr std::int64_t kBlanks = 19;
inline constexpr std::int64_t kReactorFlag = 20;  // 0 for a tray column, 1 otherwise
}  // namespace identifiers

// Fills the identifier array: the name, the calling routine's name (twice), the block
// type (twice), the routine's name, blanks, and 0 for a tray column or 1 otherwise.
void fillIdentifiers(std::int64_t* ids, const PackedName& name, std::string_view caller,
                     const PackedName& blockType, const PackedName& routine, bool trayColumn);

// ---- the calls ----

// Module work areas are this long: components of the companion simulator, parameter
// sets, work arrays.
inline constexpr std::int64_t kModuleWords = 100;
// Words of a property option set.
inline constexpr std::int64_t kOptionSetWords = 6;

// SAIURK: finds the reaction paragraph `reactionId` (compared over 8 characters, both
// packed words), fills the identifier array (argument 9) with the block name of
// `blockId`, the routine name and the block type, resolves the routine and calls it
// with `list`.  The option sets (argument 11) and the index vector (argument 31) go as
// private copies, argument 16 as NCOMP and argument 19 as a private vector of NCOMP
// rates, zeroed.  The failure flag (argument 28) is cleared before the call; when the
// routine sets it to 1 the model-failing report is issued.  Otherwise the caller's
// rate vector (argument 19, as many as the caller's argument 16) receives the private
// rate of each component's companion position, IDX(i).  Every failure sets status 4
// with its report, leaves the caller's rates as they were and returns false; a call
// that succeeds leaves the status as it was.
bool SAIURK(const Text& blockId, const Text& reactionId, ReactorList& list, Status status,
            const PackedName& blockType);

// SAIURD: the same for a column stage, without block, block type, private rates or
// failure flag.  The index vector (argument 14, as long as argument 2 says) and the
// option set (argument 15, 6 words) go as private copies; the identifier array
// (argument 38) holds the reaction ID and the routine name.  False after a report.
bool SAIURD(const Text& reactionId, ColumnList& list, Status status);

// A routine named by packed words resolved through SAIGPNTR; handle 0 after the
// "User Subroutine Interface error" report under the name of `caller`.
struct ResolvedRoutine {
  std::int64_t handle = 0;
  bool found() const { return handle != 0; }
};
ResolvedRoutine resolveRoutine(const PackedName& packed, std::string_view caller, Status status);

// Calls a resolved routine with the addresses of its list (at most 80), the remaining
// ones and any unset pointing at the host's dummy word.
void callRoutine(const ResolvedRoutine& routine, std::span<void* const> arguments);

// The characters of a packed name, trailing blanks dropped (for messages).
struct NameText {
  char chars[8] = {};
  std::size_t length = 0;
  std::string_view view() const { return {chars, length}; }
};
NameText unpackName(const PackedName& packed);

}  // namespace xv55::kinetics
