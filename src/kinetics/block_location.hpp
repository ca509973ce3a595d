// Blocks of the companion simulator named by a procedure's block identifier: the
// split of the identifier into hierarchy path and block name, the block bead lookup
// at the right hierarchy level, and the report when the block is not there.
#pragma once

#include <cstdint>
#include <string_view>

#include "entry/views.hpp"

namespace xv55::kinetics {

// Characters of a block identifier that are looked at.
inline constexpr std::int64_t kBlockIdLength = 40;
// Length of the hierarchy path field.
inline constexpr std::int64_t kPathLength = 255;

// An identifier split at the last point before its first blank: the hierarchy path
// (blank-padded to 255) and its length, and the 8-character block name.
struct BlockId {
  char path[kPathLength] = {};
  std::int64_t pathLength = 0;
  char name[8] = {};

  std::string_view pathText() const { return {path, static_cast<std::size_t>(pathLength)}; }
  std::string_view nameText() const { return {name, sizeof name}; }
};

// SplitBlockId: characters 1 to 40 are scanned up to the first blank, remembering
// the last point p; without a point the path is blank (length 0) and the name is
// characters 1 to 8, otherwise the path is characters 1 .. p - 1 and the name the
// (up to) 8 characters after p, blank-padded.
BlockId SplitBlockId(const Text& identifier);

// FindBlockBead: the bead ID of the block `packedName` (two words) at the hierarchy
// level `path`, looked up with that level's container pushed on the host's hierarchy
// stack (which is always restored); 0 when it is not there.
std::int64_t FindBlockBead(std::string_view path, const std::int64_t packedName[2]);

// The usual road: split the identifier, pack the name, find the bead.  A bead ID of
// 0 prints the BLOCK ID report and sets status 4.
struct LocatedBlock {
  BlockId id;
  std::int64_t bead = 0;
  bool found() const { return bead != 0; }
};
LocatedBlock locateBlock(const Text& identifier, Status status);

// The BLOCK ID report, status 4.
void reportMissingBlock(const BlockId& id, Status status);

}  // namespace xv55::kinetics
