// The flowsheet reader: a complete flowsheet read into its beads, and each refusal with
// the line and JSON pointer of the value at fault.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "xv55/host/companion.h"
#include "xv55/refhost/companion.hpp"
#include "xv55/refhost/properties.hpp"

namespace {

namespace rh = xv55::refhost;
namespace cp = xv55::refhost::companion;
using Ints = std::vector<std::int64_t>;
using Reals = std::vector<double>;

// A flowsheet with every kind of entry; the blocks' beads follow the reactions'.
const std::string kComplete = R"({
  "title": "A small plant: reactors, a tray column, a crude column and a flash drum",
  "components": ["METHANE", "ETHANE", "PROPANE", "N-BUTANE"],
  "modelComponents": ["PROPANE", "METHANE"],
  "libraries": [")" XV55_TEST_USER_LIBRARY R"("],
  "runFile": "plant",
  "runDirectory": "/data/plant",
  "levels": ["PLANT.LOOP"],
  "reactions": [
    {"id": "R-CRK", "routine": "CRKKIN", "words": [{"word": 4, "integer": 2}]},
    {"id": "R-DHY", "routine": "DHYKIN", "offset": 12}
  ],
  "blocks": [
    {"id": "PLANT.LOOP.R101", "type": "tubrx", "reactions": ["R-CRK", "R-DHY"],
     "pressureDropRoutine": "PDERGUN", "heatFluxRoutine": "QJACKET",
     "holdupRoutine": "HLDBED", "words": [{"word": 20, "real": 0.35}]},
    {"id": "PLANT.CSTR1", "type": "MIXRX", "reactions": ["R-CRK"], "offset": 30,
     "words": [{"word": 1, "name": "TANK"}]},
    {"id": "BATCH1", "type": "CHARGEX", "heatFluxRoutine": "QCOIL"},
    {"id": "PLANT.COL1", "type": "TRAYCOL", "stages": 20,
     "trays": [
       {"first": 1, "last": 10, "type": "sieve", "diameter": 1.5, "weirHeight": 0.05,
        "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6},
       {"first": 11, "last": 20, "type": "valve", "diameter": 2.0, "weirHeight": 0.06,
        "weirLength": 1.4, "downcomerArea": 0.25, "spacing": 0.6}],
     "trayFields": [{"field": 1, "value": 2}],
     "trayDefaults": [{"field": 3, "value": 2}],
     "trayConstants": [{"constant": 1, "value": 0.85}]},
    {"id": "CRUDE", "type": "REFINECOL", "sections": [30, 6, 4], "extraStage": true,
     "trays": [
       {"section": 1, "first": 1, "last": 30, "type": "sieve", "diameter": 4.0,
        "weirHeight": 0.05, "weirLength": 3.0, "downcomerArea": 1.0, "spacing": 0.6},
       {"section": 2, "first": 1, "last": 6, "type": "bubble-cap", "diameter": 1.5,
        "weirHeight": 0.05, "weirLength": 1.1, "downcomerArea": 0.15, "spacing": 0.6}]},
    {"id": "PLANT.DRUM", "type": "EQLBRX", "streams": {"feeds": 1, "products": 2},
     "equilibriumReaction": {"K": 0.5,
                             "coefficients": {"PROPANE": -2, "ETHANE": 1, "N-BUTANE": 1}}}
  ],
  "areas": [{"area": "PPEXEC_USER", "word": 1, "value": 1.0E35},
            {"area": "MXRX_MIXRXI", "word": 3, "value": 7}]
})";

// A name packed as the host stores it: two words, four characters each in the low four
// bytes (first character lowest), blanks in the high four.
Ints packed(std::string name) {
  name.resize(8, ' ');
  Ints words;
  for (int w = 0; w < 2; ++w) {
    std::uint64_t word = 0x20202020ull << 32;
    for (int i = 0; i < 4; ++i) {
      word |= std::uint64_t(static_cast<unsigned char>(name[4 * w + i])) << (8 * i);
    }
    words.push_back(static_cast<std::int64_t>(word));
  }
  return words;
}

Ints integers(std::int64_t bead, std::int64_t first, std::int64_t count) {
  Ints words;
  for (std::int64_t k = first; k < first + count; ++k)
    words.push_back(rh::beadWord(bead, k)->integer);
  return words;
}

Reals reals(std::int64_t bead, std::int64_t first, std::int64_t count) {
  Reals words;
  for (std::int64_t k = first; k < first + count; ++k) words.push_back(rh::beadWord(bead, k)->real);
  return words;
}

class Flowsheet : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
  void TearDown() override { rh::reset(); }
};

TEST_F(Flowsheet, ACompleteFlowsheetIsReadIntoItsBeadsAndAreas) {
  const cp::LoadResult r = cp::loadFlowsheet(kComplete);
  ASSERT_TRUE(r) << r.message;
  // List header: 2 reactions from bead 101, 6 blocks from bead 103.
  EXPECT_EQ(integers(2, 195, 4), (Ints{2, 101, 6, 103}));
  // Reactions: the chain, the offset, the packed ID and routine, data word 4.
  EXPECT_EQ(integers(101, 0, 1), (Ints{102}));
  EXPECT_EQ(integers(101, 4, 1), (Ints{10}));
  Ints id = packed("R-CRK"), routine = packed("CRKKIN");
  EXPECT_EQ(integers(101, 10, 5), (Ints{id[0], id[1], routine[0], routine[1], 2}));
  EXPECT_EQ(integers(102, 0, 1), (Ints{0}));
  EXPECT_EQ(integers(102, 4, 1), (Ints{12}));
  EXPECT_EQ(integers(102, 12, 2), packed("R-DHY"));

  // The tubular reactor (103) at level PLANT.LOOP (container 503): type upper-cased,
  // two reaction paragraphs, offset 20, routines in data words 10 to 15.
  const Ints name = packed("R101"), type = packed("TUBRX");
  EXPECT_EQ(integers(103, 0, 10),
            (Ints{104, name[0], name[1], type[0], type[1], 503, 2, 20, 101, 102}));
  Ints routines;
  for (const char* n : {"PDERGUN", "QJACKET", "HLDBED"}) {
    for (std::int64_t w : packed(n)) routines.push_back(w);
  }
  EXPECT_EQ(integers(103, 30, 6), routines);
  EXPECT_EQ(reals(103, 40, 1), (Reals{0.35}));
  EXPECT_EQ(integers(104, 5, 4), (Ints{502, 1, 30, 101}));
  EXPECT_EQ(integers(104, 31, 2), packed("TANK"));
  EXPECT_EQ(integers(105, 30, 2), packed("QCOIL"));
  EXPECT_EQ(cp::blockBead("PLANT", "CSTR1"), 104);
  EXPECT_EQ(cp::container("PLANT.LOOP"), 503);

  // The tray column (106, offset 20): field 1 set, field 2 not set (99999999), the
  // defaults 1 1 2 1 with field 3's given, rating constant 1, 20 stages, 2 sections;
  // the second tray section: section 1, stages 11 to 20, valve, its five dimensions.
  EXPECT_EQ(integers(106, 36, 2), (Ints{2, 99999999}));
  EXPECT_EQ(integers(106, 74, 4), (Ints{1, 1, 2, 1}));
  EXPECT_EQ(reals(106, 112, 1), (Reals{0.85}));
  EXPECT_EQ(integers(106, 120, 1), (Ints{20}));
  EXPECT_EQ(integers(106, 122, 1), (Ints{2}));
  EXPECT_EQ(integers(106, 230, 4), (Ints{1, 11, 20, 2}));
  EXPECT_EQ(reals(106, 234, 5), (Reals{2.0, 0.06, 1.4, 0.25, 0.6}));
  // The crude column (107): 3 sections, the extra stage, 2 tray sections, the stage
  // counts; its second tray section in section 2, bubble caps.
  EXPECT_EQ(integers(107, 120, 6), (Ints{3, 1, 2, 30, 6, 4}));
  EXPECT_EQ(integers(107, 230, 4), (Ints{2, 1, 6, 3}));

  // The drum (108): one feed, two products, 4 components, stream areas of 4 + 16 words,
  // stream IDs bead x 100 + k; the reaction for 4 components: K, then the coefficients
  // in the order of the component list.
  EXPECT_EQ(integers(108, 36, 4), (Ints{1, 2, 4, 20}));
  EXPECT_EQ(integers(108, 44, 3), (Ints{10801, 10802, 10803}));
  EXPECT_EQ(integers(108, 228, 1), (Ints{4}));
  EXPECT_EQ(reals(108, 229, 5), (Reals{0.5, 0, 1, -2, 1}));

  EXPECT_EQ(PPEXEC_USER[0], 1.0E35);
  EXPECT_EQ(MXRX_MIXRXI[2], 7);
  EXPECT_EQ(std::string(DMS_FNAMES.runFile, 6), "plant ");
  EXPECT_EQ(std::string(DMS_FNAMES.runDirectory, 12), "/data/plant ");
  EXPECT_EQ(cp::components(),
            (std::vector<std::string>{"METHANE", "ETHANE", "PROPANE", "N-BUTANE"}));
  // The model's components, by their positions in the component list.
  EXPECT_EQ(rh::properties::modelIndices(0), (Ints{3, 1}));
}

TEST_F(Flowsheet, TextsOtherThanPlainJsonLoad) {
  for (const std::string& text : std::vector<std::string>{
           std::string(""),                                      // no flowsheet
           "\xEF\xBB\xBF{\r\n\"components\": [\"A\"]\r\n}",      // BOM, CR LF
           R"({"blocks": [{"id": "C", "type": "TRAYCOL", "trays": [{"first": 1, "last": 2,
               "type": "SIEVE", "diameter": 1.5, "weirHeight": 0, "weirLength": 1.1,
               "downcomerArea": 0.15, "spacing": 0.6}],
               "trayFields": [{"field": 1, "value": 8}, {"field": 4, "value": 0},
                              {"field": 2, "value": 99999999}],
               "trayConstants": [{"constant": 1, "value": 0}],
               "trayDefaults": [{"field": 1, "value": 1}]}]})",  // range ends
       }) {
    const cp::LoadResult r = cp::loadFlowsheet(text);
    EXPECT_TRUE(r) << text << ": " << r.message;
  }
}

// One tray column block, its tray sections and further keys on the lines that follow.
std::string column(const std::string& more) {
  return "{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\",\n"
         "  \"trays\": [{\"first\": 1, \"last\": 2, \"type\": \"sieve\", \"diameter\": 1.5,\n"
         "    \"weirHeight\": 0.05, \"weirLength\": 1.1, \"downcomerArea\": 0.15, \"spacing\": "
         "0.6}],\n" +
         more + "}]}";
}

TEST_F(Flowsheet, RefusalsNameTheLineAndThePointerOfTheValueAtFault) {
  struct Case {
    std::string text;
    std::int64_t line;
    std::string at;  // "" for the whole document
    std::string message;
  };
  const std::string longName(41, 'A');
  const std::string deep = "{\"title\": " + std::string(16, '[') + std::string(16, ']') + "}";
  std::string deepAt = "/title";
  for (int k = 0; k < 15; ++k) deepAt += "/0";
  const Case cases[] = {
      // The text itself.
      {"{\"components\": [\"A\",\n]}", 2, "/components",
       "syntax error while parsing value - unexpected ']'; expected '[', '{', or a literal"},
      {"{\"runFile\": \"a\",\n \"runFile\": \"b\"}", 2, "/runFile", "the key is given twice"},
      {"{\"runFile\":\n 1e400}", 2, "/runFile", "number overflow parsing '1e400'"},
      {"[1]", 1, "", "a flowsheet must be a JSON object"},
      {deep, 1, deepAt, "objects and lists nest deeper than 16 levels"},
      {"{\n \"component\": []}", 2, "/component",
       "unknown key 'component' in a flowsheet (known: title, components, modelComponents, "
       "levels, reactions, blocks, libraries, runFile, runDirectory, areas)"},
      // Names, identifiers, records.
      {"{\"blocks\": [\n{\"id\": \"A.REACTOR12\", \"type\": \"MIXRX\"}]}", 2, "/blocks/0/id",
       "block name 'REACTOR12' is longer than 8 characters"},
      {"{\"blocks\": [{\"id\": \"" + longName + "\", \"type\": \"MIXRX\"}]}", 1, "/blocks/0/id",
       "block identifier '" + longName.substr(0, 40) + "...' is longer than 40 characters"},
      {"{\"blocks\": [\n{\"id\": \"R1\", \"type\": \"MIXRX\"},\n{\"id\": \"R1\", \"type\": 5}]}", 3,
       "/blocks/1/type", "block type must be a text, not 5"},
      {"{\"blocks\": [\n{\"id\": \"R1\", \"type\": \"MIXRX\"},\n{\"id\": \"R1\", \"type\": "
       "\"MIXRX\"}]}",
       3, "/blocks/1/id", "block R1 is already defined at the top level (line 2, /blocks/0)"},
      {"{\"blocks\": [\n{\"id\": \"R1\"}]}", 2, "/blocks/0", "a block needs the key 'type'"},
      {"{\"reactions\": [{\"id\": \"A\", \"routine\": \"K\"}],\n \"blocks\": [{\"id\": \"R1\", "
       "\"type\": \"MIXRX\", \"reactions\": [\"A\",\n \"R-9\"]}]}",
       3, "/blocks/0/reactions/1", "reaction ID R-9 is not defined"},
      {"{\"reactions\": [{\"id\": \"A\", \"routine\": \"K\"}, {\"id\": \"B\", \"routine\": "
       "\"K\"}],\n"
       "\"blocks\": [{\"id\": \"R1\", \"type\": \"MIXRX\", \"reactions\": [\"A\", \"B\"],\n"
       "\"offset\": 9}]}",
       3, "/blocks/0/offset",
       "offset 9 leaves no room for the reaction list of block R1; use 10 or more"},
      {"{\"blocks\": [{\"id\": \"R1\", \"type\": \"MIXRX\",\n \"holdupRoutine\": \"H\"}]}", 2,
       "/blocks/0/holdupRoutine",
       "'holdupRoutine' does not apply to a MIXRX block (only to TUBRX)"},
      {"{\"blocks\": [{\"id\": \"R1\", \"type\": \"TUBRX\", \"pressureDropRoutine\": \"P\",\n"
       "\"words\": [{\"word\": 11, \"integer\": 1}]}]}",
       2, "/blocks/0/words/0",
       "data word 11 is already set on line 1, /blocks/0/pressureDropRoutine"},
      {"{\"reactions\": [{\"id\": \"A\", \"routine\": \"K\", \"offset\": 2.5}]}", 1,
       "/reactions/0/offset", "2.5 is not an integer"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\",\n\"stages\": 9223372036854775808}]}",
       2, "/blocks/0/stages", "9223372036854775808 is outside the range of integers"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\",\n\"stages\": 18446744073709551616}]}",
       2, "/blocks/0/stages", "1.8446744073709552e+19 is outside the range of integers"},
      // Tray data the rating could only misread, whichever key set it.
      {column("\"trayFields\": [{\"field\": 1, \"value\": -2}]"), 4, "/blocks/0/trayFields/0/value",
       "tray field 1 of block C is -2, outside 1 .. 8"},
      {column("\"trayFields\": [{\"field\": 1, \"value\": 9}]"), 4, "/blocks/0/trayFields/0/value",
       "tray field 1 of block C is 9, outside 1 .. 8"},
      {column("\"trayDefaults\": [{\"field\": 1, \"value\": 99999999}]"), 4,
       "/blocks/0/trayDefaults/0/value",
       "the default of tray field 1 of block C is 99999999, outside 1 .. 8"},
      {column("\"trayFields\": [{\"field\": 4, \"value\": 2}]"), 4, "/blocks/0/trayFields/0/value",
       "tray field 4 of block C is 2, outside 0 .. 1"},
      {column("\"trayFields\": [{\"field\": 2, \"value\": 0}]"), 4, "/blocks/0/trayFields/0/value",
       "tray field 2 of block C is 0, outside 1 .. 99999999"},
      {column("\"trayFields\": [{\"field\": 30, \"value\": -1}]"), 4,
       "/blocks/0/trayFields/0/value", "tray field 30 of block C is -1, outside 0 .. 99999999"},
      {column("\"trayConstants\": [{\"constant\": 2, \"value\": -0.1}]"), 4,
       "/blocks/0/trayConstants/0/value",
       "tray constant 2 of block C is -0.1: a constant is finite and not negative (0: the "
       "rating's default)"},
      // 0x7FF8000000000000: a NaN's bits written as an integer.
      {column("\"words\": [{\"word\": 93, \"integer\": 9221120237041090560}]"), 4,
       "/blocks/0/words/0",
       "tray constant 2 of block C is not a number: a constant is finite and not negative (0: "
       "the rating's default)"},
      {column("\"words\": [{\"word\": 210, \"integer\": 1}, {\"word\": 213, \"integer\": 1},\n"
              "{\"word\": 214, \"real\": -1}]"),
       4, "/blocks/0/words/0",
       "the diameter of tray section 2 of block C is -1, not finite and above 0"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\",\n \"words\": [{\"word\": 200, "
       "\"integer\": 1}]}]}",
       2, "/blocks/0/words/0",
       "tray section 1 of block C has tray type 0, none of 1 sieve, 2 valve, 3 bubble cap"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\", \"trays\": [\n{\"first\": 1, "
       "\"last\": "
       "2, \"type\": \"sieve\", \"diameter\": 1e200, \"weirHeight\": 0.05, \"weirLength\": 1, "
       "\"downcomerArea\": 0.1, \"spacing\": 0.6}]}]}",
       2, "/blocks/0/trays/0",
       "the tray area of tray section 1 of block C is beyond the range of reals"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\", \"trays\": [{\"first\": 1, \"last\": "
       "2, \"type\": \"grid\",\n \"diameter\": 1}]}]}",
       1, "/blocks/0/trays/0", "a tray section needs the key 'weirHeight'"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\", \"trays\": [{\"first\": 1, \"last\": "
       "2,\n \"type\": \"grid\", \"diameter\": 1.5, \"weirHeight\": 0.05, \"weirLength\": 1.1, "
       "\"downcomerArea\": 0.15, \"spacing\": 0.6}]}]}",
       2, "/blocks/0/trays/0/type", "tray type 'grid' is none of sieve, valve, bubble-cap"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"TRAYCOL\", \"trays\": [{\"first\": 1, \"last\": "
       "2, \"type\": \"sieve\", \"diameter\": 1.5,\n \"weirHeight\": 0.05, \"weirLength\": 1.6, "
       "\"downcomerArea\": 0.15, \"spacing\": 0.6}]}]}",
       1, "/blocks/0/trays/0", "the weir is longer than the tray's diameter"},
      {column("\"stages\": 1"), 2, "/blocks/0/trays/0",
       "trays of stages 1 to 2 lie beyond the 1 stages of block C"},
      {"{\"blocks\": [{\"id\": \"C\", \"type\": \"REFINECOL\",\n \"sections\": [6000, 5000]}]}", 2,
       "/blocks/0/sections", "the sections hold 11000 stages, more than 10000"},
      // Components, reactors, areas.
      {"{\"components\": [\"METHANE\", \"ETHANE\"],\n \"modelComponents\": [\"PROPANE\"]}", 2,
       "/modelComponents/0", "component 'PROPANE' is not listed in components"},
      {"{\"components\": [\"METHANE\",\n \"XYZ\"], \"modelComponents\": [\"METHANE\"]}", 2,
       "/components/1",
       "component 'XYZ' is unknown to the property system, which the model's components need"},
      {"{\"components\": [\"A\"], \"blocks\": [{\"id\": \"D\", \"type\": \"EQLBRX\",\n"
       "\"streams\": {\"feeds\": 9, \"products\": 1}}]}",
       2, "/blocks/0/streams/feeds", "number of feeds 9 is outside 1 .. 8"},
      {"{\"components\": [\"A\"], \"blocks\": [{\"id\": \"D\", \"type\": \"EQLBRX\",\n"
       "\"equilibriumReaction\": {\"K\": 1, \"coefficients\": {\"A\": 1,\n \"B\": -1}}}]}",
       3, "/blocks/0/equilibriumReaction/coefficients/B", "component B is not listed"},
      {"{\"areas\": [{\"area\": \"PPEXEC_USER\",\n \"word\": 65, \"value\": 1}]}", 2,
       "/areas/0/word", "word 65 is outside PPEXEC_USER (words 1 .. 64)"},
  };
  ASSERT_TRUE(cp::loadFlowsheet(kComplete));
  ASSERT_TRUE(rh::setBeadInteger(103, 40, 1234));
  for (const Case& c : cases) {
    const cp::LoadResult r = cp::loadFlowsheet(c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_EQ(r.line, c.line) << c.text;
    EXPECT_EQ(r.message, "flowsheet line " + std::to_string(c.line) +
                             (c.at.empty() ? "" : ", " + c.at) + ": " + c.message);
  }
  // Nothing of the loaded flowsheet changed, not even a word set since.
  EXPECT_EQ(cp::blockBead("PLANT.LOOP", "R101"), 103);
  EXPECT_EQ(rh::beadWord(103, 40)->integer, 1234);
  EXPECT_EQ((Ints{DMS_NCOMP[0], cp::reactionBead("R-DHY")}), (Ints{4, 102}));
}

// A file's refusal names the file.
TEST_F(Flowsheet, AFilesRefusalNamesTheFile) {
  const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / "flowsheet.json";
  std::ofstream(file) << R"({
  "components": ["METHANE", "PROPANE"],
  "blocks": [
    {"id": "R1", "type": "MIXRX"},
    {"id": "R2", "type": "MIXRX"},
    {"id": "COL", "type": "TRAYCOL",
     "trays": [
       {
         "first": 1,
         "last": 10,
         "type": "sieve",
         "diameter": 1.5,
         "weirLength": 1.1,
         "weirHeight": -0.01,
         "downcomerArea": 0.15,
         "spacing": 0.6
       }
     ]}
  ]
})";
  const cp::LoadResult r = cp::loadFlowsheetFile(file.string());
  EXPECT_EQ(r.message, file.string() +
                           " line 14, /blocks/2/trays/0/weirHeight: weir height -0.01 is negative");
  std::filesystem::remove(file);
}

}  // namespace
