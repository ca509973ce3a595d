// The companion side of the reference host: packed names, the store layout a flowsheet
// builds, hierarchy look-ups and the flowsheet reader's errors.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/companion.h"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/properties.hpp"

namespace {

namespace rh = xv55::refhost;
namespace cp = xv55::refhost::companion;
using xv55::host::plex;
using Ints = std::vector<std::int64_t>;
using Lines = std::vector<std::string>;

std::string memory(const std::int64_t* words, std::size_t count) {
  return std::string(reinterpret_cast<const char*>(words), count * sizeof(std::int64_t));
}

std::int64_t locate(std::int64_t bead) {
  return DMS_LOCATI(&bead);
}
std::int64_t word(std::int64_t base, std::int64_t k) {
  return plex(base + k).integer;
}
std::string name(std::int64_t base, std::int64_t k) {
  return cp::unpackName(&plex(base + k).integer, xv55::host::kPackedNameWords);
}

// The block lookup as procedures make it: top container, the level's container, push,
// pack the name, DMS_FIBLK, pop.
std::int64_t findBlockBead(const std::string& path, const std::string& block) {
  std::int64_t container = 0;
  KHHIER_GETTOPCNTR_F(&container);
  if (!path.empty()) {
    std::string field(255, ' ');
    field.replace(0, path.size(), path);
    std::int64_t item = -1;
    const std::int64_t mode = 0;
    KHHIER_FINDITEM_F(&container, field.data(), &item, &mode,
                      static_cast<std::int64_t>(path.size()));
    container = item;
  }
  std::int64_t packed[2] = {0, 0}, bead = -1;
  KHHIERSTK_PUSH_F(&container);
  SAIC2ID(block.c_str(), packed, 8);
  DMS_FIBLK(packed, &bead);
  KHHIERSTK_POP_F();
  return bead;
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
  DMS_CS2INT("X", w, 5000);  // refused: nothing written
  EXPECT_EQ(memory(w, 1), "REAC    ");
  EXPECT_EQ(rh::reportLines(),
            Lines{" DMS_CS2INT-E-A text of 5000 characters is longer than 1024; nothing packed."});

  char text[24];
  std::memset(text, '#', sizeof text);
  const std::int64_t two = 2, one = 1, none = 0, zero[1] = {0};
  DMS_INT2CS(w, &two, text, 20);
  EXPECT_EQ(std::string(text, 24), "REACTION            ####");
  std::memset(text, '#', sizeof text);
  DMS_INT2CS(w, &two, text, 6);  // never past the text
  EXPECT_EQ(std::string(text, 8), "REACTI##");
  DMS_INT2CS(zero, &one, text, 8);  // NUL characters come out blank
  DMS_INT2CS(w, &none, text + 8, 4);
  EXPECT_EQ(std::string(text, 12), std::string(12, ' '));

  const auto packed = cp::packName("MEOH");
  EXPECT_EQ(cp::unpackName(packed.data(), 2), "MEOH");
  EXPECT_EQ(memory(packed.data(), 2), "MEOH            ");
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
  word 20 real 2.5
  word 22 name TAG
block       BATCH1   CHARGEX
  heat-flux-routine  BQFLUX
  offset 30
reaction    R-3   KIN3
)";

TEST_F(Companion, FlowsheetBuildsTheReactionChainAndBlockBeads) {
  load(kPlant);
  EXPECT_EQ(DMS_NCOMP[0], 3);
  EXPECT_EQ(cp::components(), (Lines{"CO", "H2", "MEOH"}));

  // The reaction chain, walked as procedures walk it.
  const std::int64_t header = locate(xv55::host::kListHeaderBead);
  ASSERT_GT(header, 0);
  const std::int64_t count = word(header, xv55::host::kReactionCountWord);
  Lines chain;
  Ints beads, offsets;
  std::int64_t id = word(header, xv55::host::kFirstReactionWord);
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t base = locate(id);
    const std::int64_t o = word(base, xv55::host::kReactionOffsetWord);
    chain.push_back(name(base, o) + "/" + name(base, o + 2));
    beads.push_back(id);
    offsets.push_back(o);
    id = word(base, xv55::host::kNextBeadWord);
  }
  EXPECT_EQ(chain, (Lines{"R-SYN/SYNKIN", "R-WGS/WGSKIN", "R-3/KIN3"}));
  EXPECT_EQ(beads, (Ints{101, 102, 105}));  // flowsheet order, blocks in between
  EXPECT_EQ(offsets, (Ints{12, cp::kDefaultReactionOffset, cp::kDefaultReactionOffset}));
  EXPECT_EQ(id, 0);
  EXPECT_EQ(word(locate(101), 12 + 4), 77);
  EXPECT_EQ(cp::reactionBead("R-WGS"), 102);

  // Block beads: header words, the reaction list, the routine names past the offset.
  const std::int64_t r101 = cp::blockBead("PLANT.LOOP", "R101");
  EXPECT_EQ(r101, 103);
  const std::int64_t b = locate(r101);
  const std::int64_t o = word(b, xv55::host::kBlockOffsetWord);
  EXPECT_EQ(o, cp::kDefaultBlockOffset);
  EXPECT_EQ((Lines{name(b, 1), name(b, 3)}), (Lines{"R101", "TUBRX"}));
  EXPECT_EQ((Ints{word(b, 5), word(b, 6), word(b, 8), word(b, 9)}),
            (Ints{cp::container("PLANT.LOOP"), 2, 101, 102}));
  EXPECT_EQ((Lines{name(b, o + 10), name(b, o + 12), name(b, o + 14), name(b, o + 22)}),
            (Lines{"PDROP", "QFLUX", "HLDUP", "TAG"}));
  EXPECT_EQ(memory(&plex(b + o + 10).integer, 2), "PDRO    P       ");
  EXPECT_EQ(plex(b + o + 20).real, 2.5);
  const std::int64_t batch = locate(cp::blockBead("", "BATCH1"));
  EXPECT_EQ(word(batch, xv55::host::kBlockOffsetWord), 30);
  EXPECT_EQ(name(batch, 30 + xv55::host::kChargexHeatFluxRoutineAt), "BQFLUX");

  // The blocks are chained too.
  EXPECT_EQ((Ints{word(header, cp::kBlockCountWord), word(header, cp::kFirstBlockWord), word(b, 0),
                  word(batch, 0)}),
            (Ints{2, 103, 104, 0}));
  EXPECT_TRUE(rh::reportLines().empty());
}

// The property system takes the flowsheet's components when it knows them all, so
// that stream set-up sees the same list; names it does not know leave it alone.
TEST_F(Companion, ThePropertySystemTakesTheFlowsheetsComponents) {
  namespace pp = xv55::refhost::properties;
  ASSERT_TRUE(cp::loadFlowsheet("components METHANE PROPANE\n"));
  EXPECT_EQ(pp::companionComponents(), (std::vector<std::string>{"METHANE", "PROPANE"}));
  ASSERT_TRUE(cp::loadFlowsheet("components A B C\n"));
  EXPECT_EQ(pp::companionComponents(), (std::vector<std::string>{"METHANE", "PROPANE"}));
  EXPECT_EQ(DMS_NCOMP[0], 3);
}

TEST_F(Companion, BlocksAreFoundInTheirOwnLevelAndTheStackIsRestored) {
  load("block R1 MIXRX\nblock A.R1 MIXRX\nblock A.B.R1 MIXRX\nblock A.B.R2 TUBRX\nlevel C\n");
  const Ints found = {findBlockBead("", "R1"), findBlockBead("A", "R1"), findBlockBead("A.B", "R1"),
                      findBlockBead("A.B", "R2")};
  EXPECT_EQ(found, (Ints{101, 102, 103, 104}));
  EXPECT_EQ(found, (Ints{cp::blockBead("", "R1"), cp::blockBead("A", "R1"),
                         cp::blockBead("A.B", "R1"), cp::blockBead("A.B", "R2")}));
  EXPECT_EQ((Ints{findBlockBead("A", "R2"), findBlockBead("C", "R1"), findBlockBead("X.Y", "R1"),
                  findBlockBead("", "r1")}),
            (Ints{0, 0, 0, 0}));
  EXPECT_EQ(rh::lastCall("KHHIER_FINDITEM_F").integers.back(), cp::kNoContainer);
  EXPECT_EQ(cp::hierarchyDepth(), 0);

  // The path counts over its length only; a level is found below any container.
  std::int64_t from = cp::container("A"), item = -1;
  const std::int64_t mode = 0;
  KHHIER_FINDITEM_F(&from, "B.R1", &item, &mode, 1);
  EXPECT_EQ(item, cp::container("A.B"));
  KHHIER_FINDITEM_F(&from, "B.", &item, &mode, 2);
  EXPECT_EQ(item, cp::kNoContainer);
  const std::string longPath(255, 'Z');
  KHHIER_FINDITEM_F(&from, longPath.data(), &item, &mode, 255);
  EXPECT_EQ(item, cp::kNoContainer);
  ASSERT_TRUE(rh::injectFailure("KHHIER_FINDITEM_F"));
  EXPECT_EQ(findBlockBead("A", "R1"), 0);

  // Without a push DMS_FIBLK looks at the top level; pushes past the depth limit are
  // refused but still paired with their pops.
  std::int64_t packed[2], bead = -1, a = cp::container("A");
  SAIC2ID("R1", packed, 2);
  DMS_FIBLK(packed, &bead);
  EXPECT_EQ(bead, 101);
  for (int i = 0; i < 257; ++i) KHHIERSTK_PUSH_F(&a);
  DMS_FIBLK(packed, &bead);
  EXPECT_EQ(bead, 102);
  for (int i = 0; i < 258; ++i) KHHIERSTK_POP_F();
  EXPECT_EQ(cp::hierarchyDepth(), 0);
  EXPECT_EQ(
      rh::reportLines(),
      (Lines{" KHHIERSTK_PUSH_F-E-The hierarchy stack is full (256 containers); 502 not pushed.",
             " KHHIERSTK_POP_F-W-The hierarchy stack is empty; nothing popped."}));
}

TEST_F(Companion, MalformedFlowsheetsAreRefusedWithTheirLine) {
  struct Case {
    std::string text;
    std::int64_t line;
    std::string message;
  };
  const std::string longName(41, 'A');
  const Case cases[] = {
      {"\n\nblok R1 MIXRX", 3, "unknown statement 'blok'"},
      {"components A B\ncomponents C A", 2, "component 'A' is listed twice"},
      {"block R1", 1, "'block' needs a block identifier and a block type"},
      {"block R1 MIXRX extra", 1, "unexpected 'extra' after the fields of 'block'"},
      {"block A.REACTOR12 MIXRX", 1, "block name 'REACTOR12' is longer than 8 characters"},
      {"block " + longName + " MIXRX", 1,
       "block identifier '" + longName.substr(0, 40) + "...' is longer than 40 characters"},
      {"block A..R1 MIXRX", 1, "hierarchy path 'A.' has an empty level"},
      {"block .R1 MIXRX", 1, "block identifier '.R1' has an empty level or block name"},
      {"block R\xC3\xA9 MIXRX", 1,
       "block name 'R\xC3\xA9' holds a character other than printable ASCII"},
      {"block A.B.R1 MIXRX\nblock A.B.R1 TUBRX", 2,
       "block R1 is already defined at level A.B (line 1)"},
      {"reaction R-1 K\nreaction R-1 L", 2, "reaction ID R-1 is already defined (line 1)"},
      {"block R1 MIXRX\n  reactions R-1 R-9\nreaction R-1 K", 2, "reaction ID R-9 is not defined"},
      {"word 1 integer 2", 1, "'word' must follow a block or reaction statement"},
      {"reaction R-1 K\n  reactions R-1", 2, "'reactions' must follow a block statement"},
      {"block R1 MIXRX\n  holdup-routine H", 2,
       "'holdup-routine' does not apply to a MIXRX block (only to TUBRX)"},
      {"block R1 TUBRX\n  word 70000 integer 1", 2, "data word 70000 is outside 0 .. 65535"},
      {"block R1 TUBRX\n  word 65535 name X", 2, "data word 65535 is outside 0 .. 65534"},
      {"block R1 TUBRX\n  holdup-routine H\n  word 15 integer 1", 3,
       "data word 15 is already set on line 2"},
      {"block R1 MIXRX\n  word 1 integer 99999999999999999999", 2,
       "'99999999999999999999' is outside the range of integers"},
      {"block R1 MIXRX\n  word 1 real 1.5x", 2, "'1.5x' is not a number"},
      {"block R1 MIXRX\n  word 1 float 2", 2, "word kind 'float' is none of integer, real, name"},
      {"reaction R-1 K\n  word 2 integer 1", 2,
       "data words 0 .. 3 of a reaction hold its ID and routine name"},
      {"block R1 MIXRX\n reactions A B C\n offset 9\nreaction A K\nreaction B K\nreaction C K", 3,
       "offset 9 leaves no room for the reaction list of block R1; use 11 or more"},
      {"block R1 MIXRX\n offset 30\n offset 31", 3, "the offset is already set on line 2"},
      {"area PPEXEC_USER 65 1.0", 1, "word 65 is outside PPEXEC_USER (words 1 .. 64)"},
      {"area TBRX_TUBRXI 1 1.5", 1, "'1.5' is not an integer"},
      {"run-file a\nrun-file b", 2, "the run file name is already set"},
      {"block R1 MIXRX\x01", 1, "the line holds a control character (code 1)"},
      {std::string(5000, 'A'), 1, "the line is longer than 4096 characters"},
  };
  load(kPlant);
  ASSERT_TRUE(rh::setBeadInteger(103, 40, 1234));
  for (const Case& c : cases) {
    const cp::LoadResult r = cp::loadFlowsheet(c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_EQ(r.line, c.line) << c.text;
    EXPECT_EQ(r.message, "flowsheet line " + std::to_string(c.line) + ": " + c.message);
  }
  const cp::LoadResult missing = cp::loadFlowsheet("components X\nlibrary /no/such/lib.so\n");
  EXPECT_EQ(
      missing.message.rfind("flowsheet line 2: cannot load user library '/no/such/lib.so': ", 0),
      0u)
      << missing.message;

  // Nothing of the loaded flowsheet changed, not even a word set since.
  EXPECT_EQ(cp::blockBead("PLANT.LOOP", "R101"), 103);
  EXPECT_EQ(rh::beadWord(103, 40)->integer, 1234);
  EXPECT_EQ((Ints{DMS_NCOMP[0], cp::reactionBead("R-3")}), (Ints{3, 105}));
}

TEST_F(Companion, AFlowsheetTheStoreCannotHoldLeavesThePreviousOneInPlace) {
  load(kPlant);
  ASSERT_TRUE(rh::setBeadInteger(103, 40, 1234));
  std::int64_t count = rh::kPlexWords - 2000, handle = 0, base = 0;
  DMS_ALLOCR(&count, &handle, &base);
  ASSERT_NE(handle, 0);
  const cp::LoadResult r = cp::loadFlowsheet("block BIG MIXRX\n  word 5000 integer 1\n");
  EXPECT_EQ(r.message, "the store cannot hold the flowsheet's beads; nothing loaded");
  EXPECT_EQ(rh::beadWord(103, 40)->integer, 1234);
  EXPECT_EQ(findBlockBead("PLANT.LOOP", "R101"), 103);
  EXPECT_EQ(cp::blockBead("", "BIG"), 0);
  DMS_ATFREE(&handle);
  load("block BIG MIXRX\n  word 5000 integer 1\n");
  EXPECT_EQ((Ints{cp::blockBead("", "BIG"), cp::blockBead("PLANT.LOOP", "R101")}), (Ints{101, 0}));
}

TEST_F(Companion, ArbitraryTextNeverBreaksTheReader) {
  const char* pieces[] = {"block",
                          "reaction",
                          "word",
                          "offset",
                          "reactions",
                          "components",
                          "level",
                          "area",
                          "holdup-routine",
                          "heat-flux-routine",
                          "name",
                          "integer",
                          "real",
                          "TUBRX",
                          "CHARGEX",
                          "R-1",
                          "A.B.R1",
                          ".",
                          "..",
                          "#",
                          "\t",
                          "-1",
                          "65535",
                          "9999999999999999999999",
                          "1e999",
                          "PPEXEC_USER",
                          "\r",
                          "run-file",
                          "A.B.C.D.E.F.G.H.I.J.K.L.M.N.O.P.Q.R.S.T.U.V.W.X.Y"};
  std::mt19937 random(20240611);
  for (int file = 0; file < 400; ++file) {
    std::string text;
    for (int line = 0; line < 12; ++line) {
      const int fields = static_cast<int>(random() % 6);
      for (int f = 0; f < fields; ++f) {
        text += random() % 9 ? std::string(pieces[random() % std::size(pieces)])
                             : std::string(random() % 300, static_cast<char>('A' + random() % 26));
        text += ' ';
      }
      text += '\n';
    }
    const cp::LoadResult r = cp::loadFlowsheet(text);
    if (!r.ok) {
      EXPECT_EQ(r.message.rfind("flowsheet line ", 0), 0u) << r.message;
    }
  }
}

}  // namespace
