// The kinetics routine calls of reaction paragraphs: the paragraph lookup, the identifier
// array, the private copies, the rate gathering and the reports.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kinetics/user_routines.hpp"
#include "kinetics_fixture.hpp"

namespace xv55::kinetics::testing {
namespace {

// A routine list whose argument k points at its own 128 cells.
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
  std::int64_t status = 0;
};

// A reactor list: three model components (argument 16) at companion positions 5, 1 and
// 3 (IDX, argument 31), one option set (10, 11), rates (19) preset to -1.
struct ReactorCall : ListCells<51> {
  ReactorCall() {
    integer(16) = integer(30) = 3;
    const std::int64_t idx[] = {5, 1, 3};
    std::copy(std::begin(idx), std::end(idx), &integer(31));
    integer(10) = 1;
    integer(11, 4) = 1;
    for (std::size_t i = 0; i < 3; ++i) real(19, i) = -1.0;
    for (std::size_t i = 0; i < 20; ++i) integer(9, i) = 777;
  }
  bool call(std::string_view block, std::string_view reaction, BlockType type = BlockType::Mixrx) {
    const std::string b(block), rx(reaction);
    return SAIURK(Text(b.c_str()), Text(rx.c_str()), list, Status(&status), packedBlockType(type));
  }
  Reals rates() { return {real(19, 0), real(19, 1), real(19, 2)}; }
};

using Saiurk = KineticsTest;

TEST_F(Saiurk, GathersEachModelComponentsRateFromPrivateCopiesAndFillsTheIdentifiers) {
  g_probe.rates = {10, 20, 30, 40, 50};
  g_probe.scribble = true;  // the routine writes into its index vector and option set
  ReactorCall c;
  c.status = 2;
  EXPECT_TRUE(c.call("PLANT.CSTR1", "RX"));
  ASSERT_EQ(g_probe.calls, 1);
  EXPECT_EQ(c.rates(), (Reals{50, 10, 30}));
  EXPECT_EQ(c.status, 2);
  EXPECT_EQ(g_probe.get<std::int64_t>(16), 5);                    // NCOMP
  EXPECT_EQ((Ints{c.integer(31), c.integer(11)}), (Ints{5, 0}));  // the caller's, unwritten
  EXPECT_EQ(g_probe.array<double>(1), c.cells[0].data());         // the rest as they are
  for (std::size_t k = 51; k < XV55_USER_ARGUMENT_COUNT; ++k) {
    EXPECT_EQ(g_probe.arguments[k], &DMS_INITV[1]) << "argument " << k + 1;
  }
  // The caller's identifier array, words 11 to 16 as they were.
  const std::int64_t* ids = &c.integer(9);
  EXPECT_EQ((Lines{packed(ids), packed(ids + 2), packed(ids + 4), packed(ids + 6), packed(ids + 8),
                   packed(ids + 16)}),
            (Lines{"CSTR1", "SAIURK", "SAIURK", "MIXRX", "PROBE", "MIXRX"}));
  EXPECT_EQ(Ints(ids + 10, ids + 16), Ints(6, 777));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ids + 18), 8), "        ");
  EXPECT_EQ(ids[19], 1);
  c.call("COL1", "RX", BlockType::Traycol);
  EXPECT_EQ(ids[19], 0);
  // A routine that writes no rates gives zeros, not the last call's; a failing one leaves
  // them, and its flag is cleared before the next call.
  g_probe.rates.clear();
  c.call("PLANT.CSTR1", "RX");
  EXPECT_EQ(c.rates(), (Reals{0, 0, 0}));
  g_probe.fail = true;
  g_probe.rates = {1, 1, 1, 1, 1};
  EXPECT_FALSE(c.call("PLANT.CSTR1", "RX"));
  EXPECT_EQ(c.rates(), (Reals{0, 0, 0}));
  g_probe.fail = false;
  EXPECT_TRUE(c.call("PLANT.CSTR1", "RX"));
  EXPECT_EQ(c.integer(28), 0);
}

TEST_F(Saiurk, AReactionIdMatchesOnlyWhenBothPackedWordsDo) {
  ReactorCall c;
  EXPECT_TRUE(c.call("PLANT.CSTR1", "ABCDEFGH"));
  for (const char* id : {"ABCDXXXX", "XXXXEFGH", "ABCD"}) {
    capture.printer.clear();
    EXPECT_FALSE(c.call("PLANT.CSTR1", id));
    const std::string padded = (std::string(id) + "        ").substr(0, 8);
    EXPECT_EQ(lines(),
              (Lines{" SAIURK-F-Reaction ID: " + padded + " not found  in Corvane.", kExit}));
  }
  // A user's '%' is printed as it is.
  capture.printer.clear();
  EXPECT_FALSE(c.call("PLANT.CSTR1", "R%1"));
  EXPECT_EQ(lines().at(1), " Unable to resolve the User Defined Subroutine: K%DX.");
  // No paragraphs at all, no flowsheet at all, a companion list beyond the rate vector.
  ASSERT_TRUE(cp::loadFlowsheet("components METHANE ETHANE\nblock PLANT.CSTR1 MIXRX\n"));
  EXPECT_FALSE(c.call("PLANT.CSTR1", "RX"));
  refhost::reset();
  EXPECT_FALSE(c.call("PLANT.CSTR1", "RX"));
  refhost::setComponentCount(101);
  capture.printer.clear();
  EXPECT_FALSE(c.call("PLANT.CSTR1", "RX"));
  EXPECT_EQ(lines(), (Lines{" SAIURK-F-The companion simulator has 101 components; at most 100 "
                            "can be handled."}));
  EXPECT_EQ(g_probe.calls, 1);
  EXPECT_EQ(c.status, 4);
}

// A column-stage list: NCOMP 5 (argument 1), two model components (2) at companion
// positions 4 and 2 (IDX, 14), an option set of zeros (15).
struct StageCall : ListCells<38> {
  StageCall() {
    integer(1) = 5;
    integer(2) = 2;
    integer(14, 0) = 4;
    integer(14, 1) = 2;
  }
  bool call(std::string_view reaction) {
    const std::string rx(reaction);
    return SAIURD(Text(rx.c_str()), list, Status(&status));
  }
};

using Saiurd = KineticsTest;

TEST_F(Saiurd, PassesItsListWithPrivateCopiesAndReportsUnderItsOwnName) {
  g_probe.rates = {1, 2, 3, 4, 5};
  g_probe.scribble = true;
  StageCall c;
  EXPECT_TRUE(c.call("STAGE"));
  ASSERT_EQ(g_probe.calls, 1);
  EXPECT_EQ(c.real(16, 4), 5.0);  // rates straight into the list's vector, companion order
  EXPECT_EQ((Ints{c.integer(14), c.integer(15)}), (Ints{4, 0}));
  EXPECT_EQ(g_probe.get<std::int64_t>(2), 2);
  const std::int64_t* ids = g_probe.ids.data();
  EXPECT_EQ((Lines{packed(ids), packed(ids + 2), packed(ids + 8)}),
            (Lines{"STAGE", "SAIURD", "SPROBE"}));
  EXPECT_EQ(ids[19], 0);
  EXPECT_EQ(g_probe.arguments[38], &DMS_INITV[1]);
  EXPECT_EQ(c.status, 0);
  EXPECT_FALSE(c.call("LOST"));
  EXPECT_EQ(lines(), (Lines{" SAIURD-F-User Subroutine Interface error.",
                            " Unable to resolve the User Defined Subroutine: NOWHERE."}));
  EXPECT_EQ(g_probe.calls, 1);
}

}  // namespace
}  // namespace xv55::kinetics::testing
