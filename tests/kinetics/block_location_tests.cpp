// Block identifiers, the block bead lookup at its hierarchy level, and the report
// when the block is missing, on a flowsheet of the reference host.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kinetics/block_location.hpp"
#include "support/capture_printer.hpp"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/control.hpp"

namespace {

using namespace xv55;
namespace cp = xv55::refhost::companion;

// A 40-character field, NUL-terminated when shorter.
struct Field {
  explicit Field(std::string_view s) {
    std::memcpy(chars, s.data(), std::min<std::size_t>(s.size(), 40));
  }
  Text text() const { return Text(chars); }
  char chars[41] = {};
};

TEST(SplitBlockId, PathAndNameAtTheLastPointBeforeTheFirstBlank) {
  struct Case {
    std::string id, path, name;
  };
  const Case cases[] = {
      {"R101", "", "R101    "},
      {"PLANT.LOOP.R101", "PLANT.LOOP", "R101    "},
      {"A.VERYLONGNAME", "A", "VERYLONG"},  // cut to 8
      {"A.B1 C.D", "A", "B1 C.D  "},        // points after the blank do not count
      {"TOOLONGNAME", "", "TOOLONGN"},
      {"", "", "        "},
      {std::string(39, 'P') + ".", std::string(39, 'P'), "        "},  // nothing after the point
  };
  for (const Case& c : cases) {
    const Field f(c.id);
    const kinetics::BlockId id = kinetics::SplitBlockId(f.text());
    EXPECT_EQ(id.pathText(), c.path) << c.id;
    EXPECT_EQ(id.nameText(), c.name) << c.id;
    EXPECT_EQ(std::string(id.path + id.pathLength, id.path + kinetics::kPathLength),
              std::string(static_cast<std::size_t>(kinetics::kPathLength - id.pathLength), ' '));
  }
}

TEST(BlockLookup, FindsEachBlockAtItsOwnLevelOrReportsItsLevel) {
  refhost::reset();
  ASSERT_TRUE(cp::loadFlowsheet(
      R"({"components": ["A", "B"],
          "blocks": [{"id": "R101", "type": "MIXRX"}, {"id": "PLANT.R101", "type": "TUBRX"},
                     {"id": "PLANT.LOOP.C1", "type": "TRAYCOL"}]})"));
  xv55::testing::ScopedCapture capture;
  std::int64_t status = 0;
  const auto bead = [&](std::string_view id) {
    const Field f(id);
    return kinetics::locateBlock(f.text(), Status(&status)).bead;
  };
  EXPECT_EQ(bead("R101"), cp::blockBead("", "R101"));
  EXPECT_EQ(bead("PLANT.R101"), cp::blockBead("PLANT", "R101"));
  EXPECT_NE(bead("PLANT.R101"), bead("R101"));
  EXPECT_EQ(bead("PLANT.LOOP.C1      "), cp::blockBead("PLANT.LOOP", "C1"));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(bead("NOWHERE.R101"), 0);    // a level that does not exist
  EXPECT_EQ(bead("PLANT.LOOP.R%d"), 0);  // a user's '%' is printed as it is
  EXPECT_EQ(status, 4);
  EXPECT_EQ(capture.printer.lines.at(9),
            " Cannot locate the Block ID Bead in Corvane for: R%d      ");
  EXPECT_EQ(capture.printer.lines.at(10), " at Hierarchy Level: PLANT.LOOP");
  EXPECT_EQ(bead("PLANT.LOOP.R101"), 0);  // the R101 of the levels above does not count
  EXPECT_EQ(bead("PLANT.C1"), 0);         // nor that of a level below
  EXPECT_EQ(cp::hierarchyDepth(), 0);     // the stack is restored on every path
  refhost::reset();
}

}  // namespace
