// Shared internals of the column and equilibrium-reactor blocks of the reference host:
// what the flowsheet reader writes for TRAYCOL, REFINECOL and EQLBRX blocks, and how
// the rating routines and the reactor library find those blocks again.
#pragma once

#include <cstdint>
#include <string>

#include "companion_internal.hpp"
#include "xv55/host/columns.h"
#include "xv55/host/equilibrium.h"

namespace xv55::refhost::companion::detail {

// ---- Column blocks ----

// The area of a circle per square of its diameter.
inline constexpr double kQuarterPi = 0.78539816339744831;
// The stages one column block may have, and its largest stage number.
inline constexpr std::int64_t kMaxColumnStages = 10000;
// Tray types as the flowsheet names them.
std::int64_t trayTypeCode(std::string_view name);  // 0 when unknown
// Built-in defaults of the 38 tray fields (field k at index k - 1).
std::int64_t trayFieldDefault(std::int64_t field);
// Data word of word w of a tray section n (0-based) of a column block.
inline std::int64_t traySectionWord(std::int64_t n, host::TraySectionWord w) {
  return host::kTrayRecordAt + host::kRecordTraysWord + n * host::kTraySectionWords +
         static_cast<std::int64_t>(w);
}
// Number of tray sections a block has been given so far.
std::int64_t traySectionCount(const BlockDef& block);
bool isColumnType(std::string_view type);

// Adds the words a column block holds whether or not its keys set them: not-set
// tray fields, default fields, the record header and room up to the tray sections.
// Checks what only the whole block can say (tray sections within the sections' stages,
// overlapping tray sections); false with the error and the JSON pointer of the tray
// section at fault.
bool completeColumnBlock(BlockDef& block, std::string& error, std::string& at);

// ---- Equilibrium reactor blocks ----

inline constexpr std::int64_t kMaxFeeds = 8;
inline constexpr std::int64_t kMaxProducts = 20;
// Data words of an EQLBRX block besides those the procedures read.
inline constexpr std::int64_t kEqlbComponentsAt = 18;  // component count of its streams
inline constexpr std::int64_t kEqlbStrideAt = 19;      // words of one stream area
inline constexpr std::int64_t kEqlbFlagsData = 60;     // integer flags, 16 words
inline constexpr std::int64_t kEqlbFlagWords = 16;
inline constexpr std::int64_t kEqlbParametersData = 80;  // real parameters, 128 words
inline constexpr std::int64_t kEqlbParameterWords = 128;
inline constexpr std::int64_t kEqlbStreamAreasAt = 220;  // stream areas, one after another
// A stream area: the stream vector (count + 9 words), then its phase count and kinds.
inline constexpr std::int64_t kPhaseWords = 7;
inline constexpr std::int64_t kMaxStreamPhases = kPhaseWords - 1;
// An equilibrium reaction of the block (key equilibriumReaction): the number n of
// flowsheet components it was given for (0: none), K, and the n stoichiometric
// coefficients, in the words between the real parameters and the stream areas.
inline constexpr std::int64_t kEqlbReactionAt = 208;
inline constexpr std::int64_t kEqlbReactionConstantAt = 209;
inline constexpr std::int64_t kEqlbReactionCoefficientsAt = 210;
inline constexpr std::int64_t kMaxReactionComponents = kEqlbStreamAreasAt - 210;
// Stream IDs: bead ID x kStreamsPerBead + k, k = 1 .. feeds + products.
inline constexpr std::int64_t kStreamsPerBead = 100;

// Completes an EQLBRX block: its stream counts (1 and 1 unless the key streams gave
// them), stream IDs and the room for its streams of `components` components.
void completeEquilibriumBlock(BlockDef& block, std::int64_t components);

}  // namespace xv55::refhost::companion::detail
