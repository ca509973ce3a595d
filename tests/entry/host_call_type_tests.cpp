// The user-routine interfaces see the host's own callType cell; every other body
// reads a copy.
#include <gtest/gtest.h>

#include <cstdint>

#include "entry/unpack.hpp"

namespace {

using namespace xv55;

const std::int64_t* g_seen = nullptr;
std::int64_t g_code = -1;

void takesHostCell(const double&, entry::HostCallType call) {
  g_seen = call.address();
  g_code = call.mode().code();
  *call.address() = 7;  // reaches the host
}

void takesCopy(const double&, CallMode mode) {
  g_code = mode.code();
}

struct Block {
  double cell = 0;
  std::int64_t position = 1, none = 0, status = 0, callType = 2;
  entry::ArgumentBlock block() {
    return {&cell, &none,   &cell, &none,   &position, &position, &status,
            &none, nullptr, &none, nullptr, &none,     &none,     &callType};
  }
};

TEST(HostCallType, IsTheHostsCellWhileCallModeIsACopy) {
  Block b;
  entry::enter<&takesHostCell, entry::AfterBody::Nothing>(b.block());
  EXPECT_EQ(g_seen, &b.callType);
  EXPECT_EQ(g_code, 2);
  EXPECT_EQ(b.callType, 7);

  b.callType = 4;
  entry::enter<&takesCopy, entry::AfterBody::Nothing>(b.block());
  EXPECT_EQ(g_code, 4);
  // Neither kind of call-type parameter is positional.
  EXPECT_EQ(entry::kPositional<&takesHostCell>.size(), 1u);
  EXPECT_EQ(entry::kPositional<&takesCopy>.size(), 1u);
}

}  // namespace
