// Where the host keeps the companion simulator's names and block data, as the
// procedures read them and the reference host writes them.  Word k of a bead at base L
// (the base DMS_LOCATI returns for its ID) is word L + k of DMS_PLEX.
#pragma once

#include <cstdint>

namespace xv55::host {

// Names of the companion simulator: 8 characters; packed, 2 words of 4 characters.
inline constexpr std::int64_t kNameLength = 8;
inline constexpr std::int64_t kPackedNameWords = 2;
inline constexpr std::int64_t kCharactersPerWord = 4;

// Word of DMS_INITV whose address serves as a harmless dummy argument.
inline constexpr std::int64_t kDummyWord = 2;

// The list header bead: the number of reaction beads and the ID of the first.
inline constexpr std::int64_t kListHeaderBead = 2;
inline constexpr std::int64_t kReactionCountWord = 195;
inline constexpr std::int64_t kFirstReactionWord = 196;

// Word 0 of a reaction (or block) bead: the ID of the next one, 0 after the last.
inline constexpr std::int64_t kNextBeadWord = 0;

// Reaction bead: word 4 holds the offset o; words o, o+1 the packed reaction ID and
// words o+2, o+3 the packed name of the user kinetics routine.
inline constexpr std::int64_t kReactionOffsetWord = 4;
inline constexpr std::int64_t kReactionIdAt = 0;
inline constexpr std::int64_t kReactionRoutineAt = 2;

// Block bead: words 3, 4 hold its packed block type (MIXRX, TUBRX, ...); word 7 holds the
// offset o of the block's data; data word k is bead word o + k.  The packed names of the
// user routines of reactor blocks, by data word.
inline constexpr std::int64_t kBlockTypeWord = 3;
inline constexpr std::int64_t kBlockOffsetWord = 7;
inline constexpr std::int64_t kTubrxPressureDropRoutineAt = 10;
inline constexpr std::int64_t kTubrxHeatFluxRoutineAt = 12;
inline constexpr std::int64_t kTubrxHoldupRoutineAt = 14;
inline constexpr std::int64_t kChargexHeatFluxRoutineAt = 10;

}  // namespace xv55::host
