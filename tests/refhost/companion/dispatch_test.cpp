// User-routine dispatch (SAIGPNTR, DMS_DOCALL) to routines of this process and of a
// user library.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "xv55/host/companion.h"
#include "xv55/refhost/companion.hpp"

namespace {

namespace rh = xv55::refhost;
namespace cp = xv55::refhost::companion;
using Ints = std::vector<std::int64_t>;
using Addresses = std::array<void*, XV55_USER_ARGUMENT_COUNT>;

Addresses seen;
int calls = 0;

void inProcess(XV55_USER_PARAMETERS) {
  seen = {XV55_USER_ARGUMENTS};
  ++calls;
}

struct Resolved {
  std::int64_t handle = -1, auxiliary = -1, status = 1;
};
Resolved resolve(const char* name) {
  Resolved r;
  const auto packed = cp::packName(name);
  SAIGPNTR(packed.data(), &r.handle, &r.auxiliary, &r.status);
  return r;
}

// 80 argument cells of two words each; argument i points at cells[i].
struct Arguments {
  std::array<std::array<DmsWord, 2>, XV55_USER_ARGUMENT_COUNT> cells{};
  Addresses addresses{};
  Arguments() {
    for (std::size_t i = 0; i < cells.size(); ++i) addresses[i] = cells[i].data();
  }
  std::int64_t first(std::size_t i) const { return cells[i][0].integer; }
};

template <std::size_t... I>
void call(std::int64_t handle, const Addresses& a, std::index_sequence<I...>) {
  DMS_DOCALL(&handle, a[I]...);
}
void call(std::int64_t handle, const Addresses& a) {
  call(handle, a, std::make_index_sequence<XV55_USER_ARGUMENT_COUNT>{});
}

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    rh::reset();
    calls = 0;
  }
};

TEST_F(Dispatch, RoutinesOfAUserLibraryAreFoundUnderTheirSpellings) {
  ASSERT_TRUE(cp::loadFlowsheet(R"({"libraries": [")" XV55_TEST_USER_LIBRARY R"("]})").ok);
  const Resolved upper = resolve("USRKIN"), lower = resolve("usrlow");
  EXPECT_EQ((Ints{upper.auxiliary, upper.status, lower.auxiliary, lower.status}),
            (Ints{1, 1, 1, 1}));

  Arguments a;
  a.cells[1][1].integer = 3;  // the RXN_RPROPS word the routine reports
  RXN_RPROPS[2] = 42.5;
  call(upper.handle, a.addresses);
  for (std::size_t i = 0; i < a.cells.size(); ++i) EXPECT_EQ(a.first(i), std::int64_t(i) + 1);
  EXPECT_EQ(a.cells[0][1].real, 42.5);
  call(lower.handle, a.addresses);
  EXPECT_EQ(a.first(0), 2);
  EXPECT_EQ(cp::lastDispatch().routine, "usrlow");  // as the caller spelt it

  // A routine registered in this process comes first.
  ASSERT_TRUE(cp::registerRoutine("USRKIN", inProcess));
  const Resolved mine = resolve("USRKIN");
  EXPECT_EQ(mine.auxiliary, 0);
  call(mine.handle, a.addresses);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, a.addresses);
}

}  // namespace
