// The companion side of the reference host: packed names and hierarchy look-ups.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "xv55/host/companion.h"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/properties.hpp"

namespace {

namespace rh = xv55::refhost;
namespace cp = xv55::refhost::companion;
using Ints = std::vector<std::int64_t>;
using Lines = std::vector<std::string>;

std::string memory(const std::int64_t* words, std::size_t count) {
  return std::string(reinterpret_cast<const char*>(words), count * sizeof(std::int64_t));
}

class Companion : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
  static void load(const std::string& text) {
    const cp::LoadResult r = cp::loadFlowsheet(text);
    ASSERT_TRUE(r.ok) << r.message;
  }
};

TEST_F(Companion, NamesPackFourCharactersAWordWithBlanksAboveAndUnpackBack) {
  std::int64_t w[4] = {-1, -1, -1, -1};
  SAIC2ID("TRAYCOL", w, 7);
  EXPECT_EQ(memory(w, 2), "TRAY    COL     ");
  EXPECT_EQ(w[0], 0x2020202059415254);
  SAIC2ID("R1\0junk", w, 8);  // cut at the NUL
  EXPECT_EQ(memory(w, 2), "R1              ");
  SAIC2ID("ABCDEFGHIJKL", w, 12);  // only 8 characters count
  EXPECT_EQ(memory(w, 3), "ABCD    EFGH    " + memory(&w[2], 1));
  EXPECT_EQ(w[2], -1);

  DMS_CS2INT("REACTION10", w, 10);  // three words, the last blank-padded
  EXPECT_EQ(memory(w, 3), "REAC    TION    10      ");
  EXPECT_EQ(w[3], -1);
  char text[24];
  std::memset(text, '#', sizeof text);
  const std::int64_t two = 2;
  DMS_INT2CS(w, &two, text, 20);
  EXPECT_EQ(std::string(text, 24), "REACTION            ####");
  std::memset(text, '#', sizeof text);
  DMS_INT2CS(w, &two, text, 6);  // never past the text
  EXPECT_EQ(std::string(text, 8), "REACTI##");
}

// Finding a block at its level goes through kinetics::locateBlock (its tests); here the
// parts of the look-up it does not reach.
TEST_F(Companion, ALevelIsFoundOverThePathsLengthAndWithoutAPushBlocksAreAtTheTop) {
  load(R"({"blocks": [{"id": "R1", "type": "MIXRX"}, {"id": "A.R1", "type": "MIXRX"},
                       {"id": "A.B.R1", "type": "MIXRX"}]})");
  std::int64_t from = cp::container("A"), item = -1;
  const std::int64_t mode = 0;
  KHHIER_FINDITEM_F(&from, "B.R1", &item, &mode, 1);
  EXPECT_EQ(item, cp::container("A.B"));
  KHHIER_FINDITEM_F(&from, "B.", &item, &mode, 2);
  EXPECT_EQ(item, cp::kNoContainer);
  ASSERT_TRUE(rh::injectFailure("KHHIER_FINDITEM_F"));
  item = -1;
  KHHIER_FINDITEM_F(&from, "B", &item, &mode, 1);
  EXPECT_EQ(item, cp::kNoContainer);
  std::int64_t packed[2], bead = -1;
  SAIC2ID("R1", packed, 2);
  DMS_FIBLK(packed, &bead);
  EXPECT_EQ(bead, 101);
  EXPECT_EQ(cp::hierarchyDepth(), 0);
}

}  // namespace
