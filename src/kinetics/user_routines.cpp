// Reaction paragraphs, routine resolution and the calls of the user kinetics routines.
#include "kinetics/user_routines.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "common/text.hpp"
#include "host/services.hpp"
#include "kinetics/block_location.hpp"
#include "kinetics/support.hpp"
#include "print/message_buffer.hpp"
#include "xv55/host/companion.h"
#include "xv55/user_routine.h"

namespace xv55::kinetics {
namespace {

// A chain of reaction paragraphs is walked over at most this many beads, whatever
// count the list header holds (a store holds far fewer).
constexpr std::int64_t kMaxChainBeads = 1'000'000;
// Largest data offset of a bead taken as such; beyond it the bead is not read.
constexpr std::int64_t kMaxBeadOffset = std::int64_t{1} << 20;
// Option sets a kinetics routine receives at most (the callers hand over one).
constexpr std::int64_t kMaxOptionSets = 1;
// The routine name as the reports print it: unpacked into 20 characters.
constexpr std::int64_t kRoutineTextLength = 20;

// Eight blanks in one word.
std::int64_t blankWord() {
  std::int64_t word = 0;
  std::memset(&word, ' ', sizeof word);
  return word;
}

// The reaction paragraph found in the chain: its routine's packed name.
struct Paragraph {
  bool found = false;
  PackedName routine{};
};

Paragraph findParagraph(const PackedName& reactionId) {
  const std::int64_t header = DMS_LOCATI(&host::kListHeaderBead);
  if (header <= 0) return {};
  const std::int64_t count = host::readBeadWord(header, host::kReactionCountWord).integer;
  std::int64_t bead = host::readBeadWord(header, host::kFirstReactionWord).integer;
  const std::int64_t walk = std::min(count, kMaxChainBeads);
  for (std::int64_t k = 1; k <= walk && bead > 0; ++k) {
    const std::int64_t base = DMS_LOCATI(&bead);
    if (base <= 0) break;
    const std::int64_t o = host::readBeadWord(base, host::kReactionOffsetWord).integer;
    if (o >= 1 && o <= kMaxBeadOffset &&
        host::readBeadWord(base, o + host::kReactionIdAt).integer == reactionId[0] &&
        host::readBeadWord(base, o + host::kReactionIdAt + 1).integer == reactionId[1]) {
      return {true,
              {host::readBeadWord(base, o + host::kReactionRoutineAt).integer,
               host::readBeadWord(base, o + host::kReactionRoutineAt + 1).integer}};
    }
    bead = host::readBeadWord(base, host::kNextBeadWord).integer;
  }
  return {};
}

// The reaction ID packed from its first 8 characters.
PackedName packReactionId(const Text& reactionId) {
  const auto chars = reactionId.padded<8>();
  PackedName packed{};
  DMS_CS2INT(chars.c_str(), packed.data(), units::kNameLength);
  return packed;
}

void reportMissingParagraph(std::string_view caller, const Text& reactionId, Status status) {
  print::MessageBuffer m;
  m.stored(" ")
      .stored(caller)
      .stored("-F-Reaction ID: ")
      .user(reactionId.padded<8>().view())
      .stored(" not found ")
      .stored(" in Corvane.\\n")
      .stored("          Immediate exit taken.");
  print::report(status, kError, m);
}

template <std::size_t... I>
void dispatch(std::int64_t handle, const std::array<void*, XV55_USER_ARGUMENT_COUNT>& a,
              std::index_sequence<I...>) {
  DMS_DOCALL(&handle, a[I]...);
}

// Module scratch of the kinetics calls; reloaded on every call.
struct ReactorScratch {
  double rates[kModuleWords];
  std::int64_t index[kModuleWords];
  std::int64_t options[kOptionSetWords * kMaxOptionSets];
  std::int64_t optionSets;
  std::int64_t modelComponents;
  std::int64_t companionComponents;
};
ReactorScratch g_reactor;

struct ColumnScratch {
  std::int64_t index[kModuleWords];
  std::int64_t options[kOptionSetWords];
  std::int64_t modelComponents;
  std::int64_t identifiers[identifiers::kWords];
};
ColumnScratch g_column;

}  // namespace

PackedName packName(std::string_view text) {
  const auto chars = text::padded<8>(text);
  PackedName packed{};
  SAIC2ID(chars.c_str(), packed.data(), units::kNameLength);
  return packed;
}

PackedName packedBlockType(BlockType type) {
  switch (type) {
    case BlockType::Mixrx:
      return packName("MIXRX");
    case BlockType::Tubrx:
      return packName("TUBRX");
    case BlockType::Chargex:
      return packName("CHARGEX");
    case BlockType::Traycol:
      break;
  }
  return packName("TRAYCOL");
}

void fillIdentifiers(std::int64_t* ids, const PackedName& name, std::string_view caller,
                     const PackedName& blockType, const PackedName& routine, bool trayColumn) {
  namespace id = identifiers;
  const PackedName callerWords = packName(caller);
  const auto put = [ids](std::int64_t word, const PackedName& packed) {
    ids[word - 1] = packed[0];
    ids[word] = packed[1];
  };
  put(id::kName, name);
  put(id::kCaller, callerWords);
  put(id::kCallerAgain, callerWords);
  put(id::kBlockType, blockType);
  put(id::kRoutine, routine);
  put(id::kBlockTypeAgain, blockType);
  ids[id::kBlanks - 1] = blankWord();
  ids[id::kReactorFlag - 1] = trayColumn ? 0 : 1;
}

NameText unpackName(const PackedName& packed) {
  char text[kRoutineTextLength];
  const std::int64_t words = host::kPackedNameWords;
  DMS_INT2CS(packed.data(), &words, text, kRoutineTextLength);
  std::memset(text + 8, ' ', 8);  // characters 9 to 16
  NameText name;
  std::memcpy(name.chars, text, sizeof name.chars);
  name.length = sizeof name.chars;
  while (name.length > 0 && name.chars[name.length - 1] == ' ') --name.length;
  return name;
}

ResolvedRoutine resolveRoutine(const PackedName& packed, std::string_view caller, Status status) {
  // A status of its own: the procedure's may hold 4 from before, and SAIGPNTR only
  // ever sets it on failure.
  std::int64_t resolution = 0;
  std::int64_t handle = 0;
  std::int64_t auxiliary = 0;
  SAIGPNTR(packed.data(), &handle, &auxiliary, &resolution);
  if (!host::failed(resolution) && handle != 0) return {handle};
  print::MessageBuffer m;
  m.stored(" ")
      .stored(caller)
      .stored(
          "-F-User Subroutine Interface error.\\n Unable to resolve the User Defined Subroutine: ")
      .user(unpackName(packed).view())
      .stored(".\\n");
  print::report(status, kError, m);
  return {};
}

void callRoutine(const ResolvedRoutine& routine, std::span<void* const> arguments) {
  std::array<void*, XV55_USER_ARGUMENT_COUNT> all{};
  void* dummy = &DMS_INITV[host::kDummyWord - 1];
  for (std::size_t k = 0; k < all.size(); ++k) {
    all[k] = k < arguments.size() && arguments[k] ? arguments[k] : dummy;
  }
  dispatch(routine.handle, all, std::make_index_sequence<XV55_USER_ARGUMENT_COUNT>{});
}

// The routine's private copies: cleared rates, the index vector and the option sets.
void copyPrivateEntries(ReactorList& list, std::int64_t ncomp) {
  namespace r = reactor;
  ReactorScratch& s = g_reactor;
  std::fill(s.rates, s.rates + ncomp, 0.0);
  s.companionComponents = ncomp;
  // Private copies of the index vector and the option sets.
  s.modelComponents =
      std::clamp<std::int64_t>(*list.as<std::int64_t>(r::kModelComponents), 0, kModuleWords);
  std::copy_n(list.as<const std::int64_t>(r::kComponentIndex), s.modelComponents, s.index);
  s.optionSets =
      std::clamp<std::int64_t>(*list.as<std::int64_t>(r::kOptionSetCount), 0, kMaxOptionSets);
  std::copy_n(list.as<const std::int64_t>(r::kOptionSets), kOptionSetWords * s.optionSets,
              s.options);
}

bool SAIURK(const Text& blockId, const Text& reactionId, ReactorList& list, Status status,
            const PackedName& blockType) {
  namespace r = reactor;
  ReactorScratch& s = g_reactor;
  const std::int64_t ncomp = DMS_NCOMP[0];
  if (ncomp < 0 || ncomp > kModuleWords) {
    report(status, kError,
           " SAIURK-F-The companion simulator has %d components; at most %d can be handled.\\n",
           ncomp, kModuleWords);
    return false;
  }
  copyPrivateEntries(list, ncomp);

  const PackedName id = packReactionId(reactionId);
  const BlockId block = SplitBlockId(blockId);
  PackedName blockName{};
  SAIC2ID(block.name, blockName.data(), units::kNameLength);

  const Paragraph paragraph = findParagraph(id);
  if (!paragraph.found) {
    reportMissingParagraph("SAIURK", reactionId, status);
    return false;
  }
  const bool trayColumn = blockType[0] == packedBlockType(BlockType::Traycol)[0];
  fillIdentifiers(list.as<std::int64_t>(r::kIdentifiers), blockName, "SAIURK", blockType,
                  paragraph.routine, trayColumn);

  const ResolvedRoutine routine = resolveRoutine(paragraph.routine, "SAIURK", status);
  if (!routine.found()) return false;

  // The caller's entries that the routine receives as copies; the caller keeps its own.
  std::int64_t* failure = list.as<std::int64_t>(r::kFailure);
  const std::int64_t n = *list.as<const std::int64_t>(r::kComponents);
  double* callerRates = list.as<double>(r::kRates);
  const std::int64_t* callerIndex = list.as<const std::int64_t>(r::kComponentIndex);
  ReactorList passed = list;
  passed.setCounted(r::kOptionSetCount, &s.optionSets, s.options);
  passed.set(r::kComponents, &s.companionComponents);
  passed.set(r::kRates, s.rates);
  passed.setCounted(r::kModelComponents, &s.modelComponents, s.index);

  *failure = 0;
  callRoutine(routine, passed.all());
  if (*failure == 1) {
    reportFailingRoutine("SAIURK", status);
    return false;
  }
  // Each model component's rate from its companion position; a position outside the
  // companion list has none.
  for (std::int64_t i = 0; i < n; ++i) {
    const std::int64_t at = callerIndex[i];
    callerRates[i] = at >= 1 && at <= ncomp ? s.rates[at - 1] : 0.0;
  }
  return true;
}

bool SAIURD(const Text& reactionId, ColumnList& list, Status status) {
  namespace c = column;
  ColumnScratch& s = g_column;
  s.modelComponents =
      std::clamp<std::int64_t>(*list.as<std::int64_t>(c::kModelComponents), 0, kModuleWords);
  std::copy_n(list.as<const std::int64_t>(c::kComponentIndex), s.modelComponents, s.index);
  std::copy_n(list.as<const std::int64_t>(c::kOptionSet), kOptionSetWords, s.options);

  const PackedName id = packReactionId(reactionId);
  const Paragraph paragraph = findParagraph(id);
  if (!paragraph.found) {
    reportMissingParagraph("SAIURD", reactionId, status);
    return false;
  }
  fillIdentifiers(s.identifiers, id, "SAIURD", {blankWord(), blankWord()}, paragraph.routine, true);

  const ResolvedRoutine routine = resolveRoutine(paragraph.routine, "SAIURD", status);
  if (!routine.found()) return false;

  ColumnList passed = list;
  passed.set(c::kModelComponents, &s.modelComponents);
  passed.set(c::kComponentIndex, s.index);
  passed.set(c::kOptionSet, s.options);
  passed.set(c::kIdentifiers, s.identifiers);
  callRoutine(routine, passed.all());
  return true;
}

}  // namespace xv55::kinetics
