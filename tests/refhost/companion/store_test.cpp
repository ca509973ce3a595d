// The companion side of the reference host: packed names, hierarchy look-ups and the
// flowsheet reader's errors.
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

constexpr const char* kPlant = R"(# a reactor section
components  CO  H2  MEOH
level       PLANT.LOOP
reaction    R-SYN   SYNKIN
  offset    12
  word      4  integer  77
reaction    R-WGS   WGSKIN
block       PLANT.LOOP.R101   tubrx
  reactions              R-SYN  R-WGS
  pressure-drop-routine  PDROP
  heat-flux-routine      QFLUX	# tabs and comments are blanks
  holdup-routine         HLDUP
  word 22 name TAG
block       BATCH1   CHARGEX
  heat-flux-routine  BQFLUX
  offset 30
reaction    R-3   KIN3
)";

// Finding a block at its level goes through kinetics::locateBlock (its tests); here the
// parts of the look-up it does not reach.
TEST_F(Companion, ALevelIsFoundOverThePathsLengthAndWithoutAPushBlocksAreAtTheTop) {
  load("block R1 MIXRX\nblock A.R1 MIXRX\nblock A.B.R1 MIXRX\n");
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

// A tray column with one tray section (line 2), as the cases below extend it.
const std::string kColumn = "block C TRAYCOL\ntrays 1 2 sieve 1.5 0.05 1.1 0.15 0.6\n";

TEST_F(Companion, MalformedFlowsheetsAreRefusedWithTheirLine) {
  struct Case {
    std::string text;
    std::int64_t line;
    std::string message;
  };
  const std::string longName(41, 'A');
  const Case cases[] = {
      {"\n\nblok R1 MIXRX", 3, "unknown statement 'blok'"},
      {"block A.REACTOR12 MIXRX", 1, "block name 'REACTOR12' is longer than 8 characters"},
      {"block " + longName + " MIXRX", 1,
       "block identifier '" + longName.substr(0, 40) + "...' is longer than 40 characters"},
      {"block R1 MIXRX\n reactions A B C\n offset 9\nreaction A K\nreaction B K\nreaction C K", 3,
       "offset 9 leaves no room for the reaction list of block R1; use 11 or more"},
      {std::string(5000, 'A'), 1, "the line is longer than 4096 characters"},
      // Tray data the rating could only misread, whichever statement set it.
      {kColumn + "tray-field 1 -2", 3, "tray field 1 of block C is -2, outside 1 .. 8"},
      {kColumn + "tray-field 1 9", 3, "tray field 1 of block C is 9, outside 1 .. 8"},
      {kColumn + "tray-default 1 99999999", 3,
       "the default of tray field 1 of block C is 99999999, outside 1 .. 8"},
      {kColumn + "tray-field 4 2", 3, "tray field 4 of block C is 2, outside 0 .. 1"},
      {kColumn + "tray-field 2 0", 3, "tray field 2 of block C is 0, outside 1 .. 99999999"},
      {kColumn + "tray-field 30 -1", 3, "tray field 30 of block C is -1, outside 0 .. 99999999"},
      {kColumn + "tray-constant 2 -0.1", 3,
       "tray constant 2 of block C is -0.1: a constant is finite and not negative (0: the "
       "rating's default)"},
      // 0x7FF8000000000000: a NaN's bits written as an integer.
      {kColumn + "word 93 integer 9221120237041090560", 3,
       "tray constant 2 of block C is not a number: a constant is finite and not negative (0: "
       "the rating's default)"},
      {kColumn + "word 210 integer 1\nword 213 integer 1\nword 214 real -1", 3,
       "the diameter of tray section 2 of block C is -1, not finite and above 0"},
      {"block C TRAYCOL\nword 200 integer 1\nword 203 integer 1", 2,
       "the diameter of tray section 1 of block C is 0, not finite and above 0"},
      {"block C TRAYCOL\nword 200 integer 1", 2,
       "tray section 1 of block C has tray type 0, none of 1 sieve, 2 valve, 3 bubble cap"},
      {"block C TRAYCOL\ntrays 1 2 sieve 1e200 0.05 1 0.1 0.6", 2,
       "the tray area of tray section 1 of block C is beyond the range of reals"},
  };
  load(kPlant);
  ASSERT_TRUE(rh::setBeadInteger(103, 40, 1234));
  for (const Case& c : cases) {
    const cp::LoadResult r = cp::loadFlowsheet(c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_EQ(r.line, c.line) << c.text;
    EXPECT_EQ(r.message, "flowsheet line " + std::to_string(c.line) + ": " + c.message);
  }

  // Sound tray data at the ends of the ranges loads, after a UTF-8 byte-order mark.
  for (const std::string& good :
       {kColumn + "tray-field 1 8\ntray-field 4 0\ntray-constant 1 0\ntray-field 2 99999999",
        "\xEF\xBB\xBF" + kColumn + "tray-default 1 1"}) {
    EXPECT_TRUE(cp::loadFlowsheet(good).ok) << cp::loadFlowsheet(good).message;
  }
  load(kPlant);
  ASSERT_TRUE(rh::setBeadInteger(103, 40, 1234));

  // Nothing of the loaded flowsheet changed, not even a word set since.
  EXPECT_EQ(cp::blockBead("PLANT.LOOP", "R101"), 103);
  EXPECT_EQ(rh::beadWord(103, 40)->integer, 1234);
  EXPECT_EQ((Ints{DMS_NCOMP[0], cp::reactionBead("R-3")}), (Ints{3, 105}));
}

}  // namespace
