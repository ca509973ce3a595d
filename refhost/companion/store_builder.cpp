// The store builder: writes a flowsheet's list header, reaction beads and block beads.
//
// List header (bead 2): word 195 the number of reaction beads, 196 the first of them,
// 197 the number of block beads, 198 the first of them.  Both kinds are chained through
// their word 0, in flowsheet order.
//
// Reaction bead: word 4 the offset o; o, o+1 the packed reaction ID; o+2, o+3 the
// packed routine name; o+k data word k.
//
// Block bead: 1, 2 packed name; 3, 4 packed type; 5 the container of its level; 6 the
// number n of reaction paragraphs it names; 7 the offset o; 8 .. 7+n their bead IDs;
// o+k data word k.
#include <cstdint>

#include "companion_internal.hpp"

namespace xv55::refhost::companion::detail {
namespace {

void setName(std::int64_t bead, std::int64_t word, std::string_view name) {
  const PackedName packed = packPair(name);
  setBeadInteger(bead, word, packed.first);
  setBeadInteger(bead, word + 1, packed.second);
}

void setDataWords(const Record& record, std::int64_t offset) {
  for (const auto& [k, word] : record.words) *beadWord(record.bead, offset + k) = word.value;
}

bool writeReaction(const ReactionDef& r, std::int64_t next) {
  if (createBead(r.bead, lastReactionWord(r)) == 0) return false;
  const std::int64_t o = reactionOffset(r);
  setBeadInteger(r.bead, host::kNextBeadWord, next);
  setBeadInteger(r.bead, host::kReactionOffsetWord, o);
  setName(r.bead, o + host::kReactionIdAt, r.id);
  setName(r.bead, o + host::kReactionRoutineAt, r.routine);
  setDataWords(r, o);
  return true;
}

bool writeBlock(const BlockDef& b, std::int64_t next,
                const std::map<std::string, std::int64_t, std::less<>>& reactionBeads) {
  if (createBead(b.bead, lastBlockWord(b)) == 0) return false;
  const std::int64_t o = blockOffset(b);
  setBeadInteger(b.bead, host::kNextBeadWord, next);
  setName(b.bead, kBlockNameWord, b.name);
  setName(b.bead, kBlockTypeWord, b.type);
  setBeadInteger(b.bead, kBlockContainerWord, b.container);
  setBeadInteger(b.bead, kBlockReactionCountWord, static_cast<std::int64_t>(b.reactions.size()));
  setBeadInteger(b.bead, host::kBlockOffsetWord, o);
  for (std::size_t i = 0; i < b.reactions.size(); ++i) {
    setBeadInteger(b.bead, kBlockReactionListWord + static_cast<std::int64_t>(i),
                   reactionBeads.find(b.reactions[i])->second);
  }
  setDataWords(b, o);
  return true;
}

// Writes a chain of records; the ID of the first (0 when there is none) goes to firstOut.
template <typename Def, typename Write>
bool writeChain(const std::vector<Def>& entries, Write write, std::int64_t& first) {
  first = entries.empty() ? 0 : entries.front().bead;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::int64_t next = i + 1 < entries.size() ? entries[i + 1].bead : 0;
    if (!write(entries[i], next)) return false;
  }
  return true;
}

}  // namespace

bool writeBeads(const Flowsheet& flowsheet) {
  std::map<std::string, std::int64_t, std::less<>> reactionBeads;
  for (const ReactionDef& r : flowsheet.reactions) reactionBeads.emplace(r.id, r.bead);
  std::int64_t firstReaction = 0;
  std::int64_t firstBlock = 0;
  const bool written =
      createBead(host::kListHeaderBead, kListHeaderWords) != 0 &&
      writeChain(flowsheet.reactions, writeReaction, firstReaction) &&
      writeChain(
          flowsheet.blocks,
          [&](const BlockDef& b, std::int64_t next) { return writeBlock(b, next, reactionBeads); },
          firstBlock);
  if (!written) {
    removeBeads(flowsheet);
    return false;
  }
  const auto count = [](const auto& entries) { return static_cast<std::int64_t>(entries.size()); };
  setBeadInteger(host::kListHeaderBead, host::kReactionCountWord, count(flowsheet.reactions));
  setBeadInteger(host::kListHeaderBead, host::kFirstReactionWord, firstReaction);
  setBeadInteger(host::kListHeaderBead, kBlockCountWord, count(flowsheet.blocks));
  setBeadInteger(host::kListHeaderBead, kFirstBlockWord, firstBlock);
  return true;
}

void removeBeads(const Flowsheet& flowsheet) {
  removeBead(host::kListHeaderBead);
  for (const ReactionDef& r : flowsheet.reactions) removeBead(r.bead);
  for (const BlockDef& b : flowsheet.blocks) removeBead(b.bead);
}

}  // namespace xv55::refhost::companion::detail
