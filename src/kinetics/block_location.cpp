// Block identifiers and the block bead lookup.
#include "kinetics/block_location.hpp"

#include <algorithm>
#include <cstring>

#include "print/message_buffer.hpp"
#include "xv55/host/companion.h"

namespace xv55::kinetics {

BlockId SplitBlockId(const Text& identifier) {
  BlockId id;
  std::memset(id.path, ' ', sizeof id.path);
  std::int64_t lastPoint = 0;
  for (std::int64_t k = 1; k <= kBlockIdLength; ++k) {
    const char c = identifier.at(k);
    if (c == ' ') break;
    if (c == '.') lastPoint = k;
  }
  if (lastPoint == 0) {
    for (std::int64_t k = 1; k <= 8; ++k) id.name[k - 1] = identifier.at(k);
    return id;
  }
  id.pathLength = lastPoint - 1;
  for (std::int64_t k = 1; k < lastPoint; ++k) id.path[k - 1] = identifier.at(k);
  for (std::int64_t k = 1; k <= 8; ++k) {
    const std::int64_t at = lastPoint + k;
    id.name[k - 1] = at <= kBlockIdLength ? identifier.at(at) : ' ';
  }
  return id;
}

std::int64_t FindBlockBead(std::string_view path, const std::int64_t packedName[2]) {
  std::int64_t top = 0;
  KHHIER_GETTOPCNTR_F(&top);
  std::int64_t container = top;
  const bool blank = std::all_of(path.begin(), path.end(), [](char c) { return c == ' '; });
  if (!blank) {
    std::int64_t item = -1;
    const std::int64_t mode = 0;
    KHHIER_FINDITEM_F(&top, path.data(), &item, &mode, static_cast<std::int64_t>(path.size()));
    container = item;
  }
  std::int64_t bead = 0;
  KHHIERSTK_PUSH_F(&container);
  DMS_FIBLK(packedName, &bead);
  KHHIERSTK_POP_F();
  return bead;
}

void reportMissingBlock(const BlockId& id, Status status) {
  print::MessageBuffer m;
  m.stored(" BLOCK ID specification error\\n ============================\\n")
      .stored(" Cannot locate the Block ID Bead in Corvane")
      .stored(" for: ")
      .user(id.nameText())
      .stored(" \\n")
      .stored(" at Hierarchy Level: ")
      .user(id.pathText())
      .stored("\\n")
      .stored(" Please check your Corvane Input file.\\n")
      .stored(" Unable to continue.\\n")
      .stored(" Immediate exit taken.");
  print::report(status, kError, m);
}

LocatedBlock locateBlock(const Text& identifier, Status status) {
  LocatedBlock block{SplitBlockId(identifier), 0};
  std::int64_t packed[2] = {};
  SAIC2ID(block.id.name, packed, static_cast<std::int64_t>(sizeof block.id.name));
  block.bead = FindBlockBead(block.id.pathText(), packed);
  if (!block.found()) reportMissingBlock(block.id, status);
  return block;
}

}  // namespace xv55::kinetics
