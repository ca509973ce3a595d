// The kinetics routine calls of reaction paragraphs: the paragraph lookup, the identifier
// array, the private copies, the rate gathering and every report.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kinetics_fixture.hpp"

namespace xv55::kinetics::testing {
namespace {

// Argument cells of a routine list: argument k points at its own 128 words.
template <std::size_t N>
struct ListCells {
  ListCells() {
    for (std::int64_t k = 1; k <= static_cast<std::int64_t>(N); ++k) {
      list.set(k, cells[static_cast<std::size_t>(k - 1)].data());
    }
  }
  std::int64_t& integer(std::int64_t k, std::size_t i = 0) {
    return reinterpret_cast<std::int64_t*>(cells[static_cast<std::size_t>(k - 1)].data())[i];
  }
  double& real(std::int64_t k, std::size_t i = 0) {
    return cells[static_cast<std::size_t>(k - 1)][i];
  }
  std::array<std::array<double, 128>, N> cells{};
  RoutineList<N> list;
};

// A reactor list as the reactor procedures fill it: three model components at companion
// positions 5, 1 and 3, one option set, rates preset to -1.
struct ReactorCall : ListCells<reactor::kListLength> {
  ReactorCall() {
    namespace r = reactor;
    integer(r::kComponents) = 3;
    integer(r::kModelComponents) = 3;
    const std::int64_t idx[] = {5, 1, 3};
    std::copy(std::begin(idx), std::end(idx), &integer(r::kComponentIndex));
    integer(r::kOptionSetCount) = 1;
    const std::int64_t options[] = {1, 0, 0, 0, 1, 0};
    std::copy(std::begin(options), std::end(options), &integer(r::kOptionSets));
    for (std::size_t i = 0; i < 3; ++i) real(r::kRates, i) = -1.0;
    for (std::size_t i = 0; i < 20; ++i) integer(r::kIdentifiers, i) = 777;
  }
  void call(std::string_view block, std::string_view reaction,
            const PackedName& type = packedBlockType(BlockType::Mixrx)) {
    const std::string b(block), rx(reaction);
    SAIURK(Text(b.c_str()), Text(rx.c_str()), list, Status(&status), type);
  }
  std::vector<double> rates() { return {real(19, 0), real(19, 1), real(19, 2)}; }
  std::int64_t status = 0;
};

using Saiurk = KineticsTest;

TEST_F(Saiurk, GathersEachModelComponentsRateFromItsCompanionPosition) {
  g_probe.rates = {10, 20, 30, 40, 50};
  ReactorCall c;
  c.call("PLANT.CSTR1", "RX");
  ASSERT_EQ(g_probe.calls, 1);
  EXPECT_EQ(c.rates(), (std::vector<double>{50, 10, 30}));
  EXPECT_EQ(c.status, 0);
  // The routine saw NCOMP, a private rate vector and private copies of IDX and the
  // option set; the addresses past its 51 arguments are the host's dummy word.
  namespace r = reactor;
  EXPECT_EQ(g_probe.get<std::int64_t>(r::kComponents), 5);
  EXPECT_NE(g_probe.array<double>(r::kRates), &c.real(r::kRates));
  EXPECT_NE(g_probe.array<std::int64_t>(r::kComponentIndex), &c.integer(r::kComponentIndex));
  EXPECT_EQ(g_probe.array<std::int64_t>(r::kComponentIndex)[2], 3);
  EXPECT_NE(g_probe.array<std::int64_t>(r::kOptionSets), &c.integer(r::kOptionSets));
  EXPECT_EQ(g_probe.array<std::int64_t>(r::kOptionSets)[4], 1);
  EXPECT_EQ(g_probe.array<double>(r::kStream), c.cells[0].data());  // the rest as they are
  for (std::size_t k = reactor::kListLength; k < XV55_USER_ARGUMENT_COUNT; ++k) {
    EXPECT_EQ(g_probe.arguments[k], &DMS_INITV[1]) << "argument " << k + 1;
  }
}

TEST_F(Saiurk, StartsEveryCallFromZeroRatesAndTheCallersOwnIndex) {
  g_probe.rates = {10, 20, 30, 40, 50};
  g_probe.scribble = true;  // the routine writes into its copies
  ReactorCall c;
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.integer(reactor::kComponentIndex), 5);
  EXPECT_EQ(c.integer(reactor::kOptionSets), 1);
  // A routine that writes no rates gives zeros, not the last call's.
  g_probe.rates.clear();
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.rates(), (std::vector<double>{0, 0, 0}));
}

TEST_F(Saiurk, FillsTheIdentifierArrayWithNamesAndTheKindOfBlock) {
  ReactorCall c;
  c.call("PLANT.CSTR1", "RX");
  const std::int64_t* ids = g_probe.ids.data();
  EXPECT_EQ(packed(ids), "CSTR1");
  EXPECT_EQ(packed(ids + 2), "SAIURK");
  EXPECT_EQ(packed(ids + 4), "SAIURK");
  EXPECT_EQ(packed(ids + 6), "MIXRX");
  EXPECT_EQ(packed(ids + 8), "PROBE");
  for (int k = 10; k < 16; ++k) EXPECT_EQ(ids[k], 777) << "word " << k + 1;
  EXPECT_EQ(packed(ids + 16), "MIXRX");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ids + 18), 8), "        ");
  EXPECT_EQ(ids[19], 1);
  // The caller's own array is the one filled.
  EXPECT_EQ(c.integer(reactor::kIdentifiers, 19), 1);

  c.call("COL1", "RX", packedBlockType(BlockType::Traycol));
  EXPECT_EQ(packed(g_probe.ids.data() + 6), "TRAYCOL");
  EXPECT_EQ(g_probe.ids[19], 0);
}

TEST_F(Saiurk, AFailingRoutineLeavesTheRatesAndReports) {
  g_probe.rates = {10, 20, 30, 40, 50};
  g_probe.fail = true;
  ReactorCall c;
  c.integer(reactor::kFailure) = 0;
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(c.rates(), (std::vector<double>{-1, -1, -1}));
  EXPECT_EQ(capture.printer.lines, (Lines{" SAIURK-F-Model is failing for current condition.",
                                          "          in S/R SAIURK after calling DMS_DOCALL.",
                                          "          Immediate exit taken."}));
  EXPECT_EQ(capture.printer.severities, std::vector<std::int32_t>{4});
  // The flag is cleared before each call: a flag left at 1 does not fail the next one.
  g_probe.fail = false;
  c.status = 0;
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.integer(reactor::kFailure), 0);
}

TEST_F(Saiurk, AReactionIdMatchesOnlyWhenBothPackedWordsDo) {
  ReactorCall c;
  c.call("PLANT.CSTR1", "ABCDEFGH");
  EXPECT_EQ(g_probe.calls, 1);
  for (std::size_t i = 0; i < 3; ++i) c.real(reactor::kRates, i) = -1.0;
  for (const char* id : {"ABCDXXXX", "XXXXEFGH", "ABCD"}) {
    capture.printer.clear();
    c.status = 0;
    c.call("PLANT.CSTR1", id);
    EXPECT_EQ(c.status, 4) << id;
    EXPECT_EQ(capture.printer.lines,
              (Lines{" SAIURK-F-Reaction ID: " + std::string(id) +
                         std::string(8 - std::string(id).size(), ' ') + " not found  in Corvane.",
                     "          Immediate exit taken."}));
  }
  EXPECT_EQ(g_probe.calls, 1);
  EXPECT_EQ(c.rates(), (std::vector<double>{-1, -1, -1}));
}

TEST_F(Saiurk, WithoutReactionParagraphsNothingIsFound) {
  ASSERT_TRUE(
      cp::loadFlowsheet("components METHANE ETHANE PROPANE N-BUTANE N-HEXANE\n"
                        "block PLANT.CSTR1 MIXRX\n"));
  ReactorCall c;
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.status, 4);
  // Nor without any flowsheet at all.
  refhost::reset();
  c.status = 0;
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(Saiurk, ACompanionListLongerThanItsWorkVectorIsRefused) {
  refhost::setComponentCount(101);
  ReactorCall c;
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SAIURK-F-The companion simulator has 101 components; at most 100 can be "
                   "handled."}));
  EXPECT_EQ(g_probe.calls, 0);
}

TEST_F(Saiurk, UnresolvableRoutinesAndUserTextAreReportedLiterally) {
  ReactorCall c;
  c.status = 4;  // a status held from before does not count as a failure
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(g_probe.calls, 1);
  c.status = 0;
  c.call("PLANT.CSTR1", "LOST");
  c.call("PLANT.CSTR1", "R%1");
  c.call("PLANT.CSTR1", "R%9");
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SAIURK-F-User Subroutine Interface error.",
                   " Unable to resolve the User Defined Subroutine: NOWHERE.",
                   " SAIURK-F-User Subroutine Interface error.",
                   " Unable to resolve the User Defined Subroutine: K%DX.",
                   " SAIURK-F-Reaction ID: R%9      not found  in Corvane.",
                   "          Immediate exit taken."}));
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(g_probe.calls, 1);
}

// ---- column stages ----

struct StageCall : ListCells<column::kListLength> {
  StageCall() {
    namespace c = column;
    integer(c::kCompanionComponents) = 5;
    integer(c::kModelComponents) = 2;
    integer(c::kComponentIndex, 0) = 4;
    integer(c::kComponentIndex, 1) = 2;
    for (std::size_t i = 0; i < 6; ++i) integer(c::kOptionSet, i) = static_cast<std::int64_t>(i);
  }
  void call(std::string_view reaction) {
    const std::string rx(reaction);
    SAIURD(Text(rx.c_str()), list, Status(&status));
  }
  std::int64_t status = 0;
};

using Saiurd = KineticsTest;

TEST_F(Saiurd, PassesItsListWithPrivateCopiesAndNamesTheParagraph) {
  g_probe.rates = {1, 2, 3, 4, 5};
  g_probe.scribble = true;
  StageCall c;
  c.call("STAGE");
  ASSERT_EQ(g_probe.calls, 1);
  namespace col = column;
  // Rates are the routine's to write, in companion order, straight into the list's vector.
  EXPECT_EQ(c.real(col::kRates, 4), 5.0);
  EXPECT_EQ(c.integer(col::kComponentIndex), 4);  // the copy was written, not the original
  EXPECT_EQ(c.integer(col::kOptionSet), 0);
  EXPECT_EQ(g_probe.get<std::int64_t>(col::kModelComponents), 2);
  const std::int64_t* ids = g_probe.ids.data();
  EXPECT_EQ(packed(ids), "STAGE");
  EXPECT_EQ(packed(ids + 2), "SAIURD");
  EXPECT_EQ(packed(ids + 8), "SPROBE");
  EXPECT_EQ(ids[19], 0);
  for (std::size_t k = column::kListLength; k < XV55_USER_ARGUMENT_COUNT; ++k) {
    EXPECT_EQ(g_probe.arguments[k], &DMS_INITV[1]) << "argument " << k + 1;
  }
  EXPECT_EQ(c.status, 0);
}

TEST_F(Saiurd, ReportsUnderItsOwnName) {
  StageCall c;
  c.call("NONE");
  c.call("LOST");
  EXPECT_EQ(capture.printer.lines,
            (Lines{" SAIURD-F-Reaction ID: NONE     not found  in Corvane.",
                   "          Immediate exit taken.", " SAIURD-F-User Subroutine Interface error.",
                   " Unable to resolve the User Defined Subroutine: NOWHERE."}));
  EXPECT_EQ(c.status, 4);
  EXPECT_EQ(g_probe.calls, 0);
}

}  // namespace
}  // namespace xv55::kinetics::testing
