// The data store: blocks, beads and the global words.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "host/data_management.h"
#include "xv55/refhost.hpp"

namespace {

using xv55::host::plex;
namespace rh = xv55::refhost;

struct Allocation {
  std::int64_t handle = -1;
  std::int64_t base = -1;
};

Allocation allocate(std::int64_t count, bool integer = false) {
  Allocation a;
  (integer ? DMS_ALLOCI : DMS_ALLOCR)(&count, &a.handle, &a.base);
  return a;
}

std::int64_t locate(std::int64_t handle) {
  return DMS_LOCATR(&handle);
}
void release(std::int64_t handle) {
  DMS_ATFREE(&handle);
}

class RefhostStore : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
};

TEST_F(RefhostStore, BlocksAreZeroedLocatableAndTheirSpaceReused) {
  const Allocation a = allocate(100);
  ASSERT_GE(a.handle, rh::kFirstHandle);
  ASSERT_GE(a.base, 1);
  plex(a.base + 100).real = 9.0;
  const Allocation b = allocate(5, true);
  EXPECT_GT(b.base, a.base + 99);  // no overlap
  EXPECT_EQ(locate(a.handle), a.base);
  EXPECT_EQ(DMS_LOCATI(&b.handle), b.base);
  EXPECT_EQ(rh::liveBlocks(), 2);
  release(a.handle);
  const Allocation c = allocate(100);
  EXPECT_EQ(c.base, a.base);
  EXPECT_NE(c.handle, a.handle);
  EXPECT_EQ(plex(c.base + 100).real, 0.0);
  // Neighbouring free extents merge: the whole store is one extent again.
  release(b.handle);
  release(c.handle);
  EXPECT_NE(allocate(rh::kPlexWords - 1).handle, 0);
  EXPECT_TRUE(rh::reportLines().empty());
}

TEST_F(RefhostStore, BaseStaysValidWhileOtherBlocksComeAndGo) {
  const Allocation keep = allocate(8);
  for (std::int64_t k = 1; k <= 8; ++k) plex(keep.base + k).integer = k * 11;
  for (int round = 0; round < 50; ++round) {
    const Allocation t = allocate(1 + round * 37);
    for (std::int64_t k = 1; k <= 1 + round * 37; ++k) plex(t.base + k).real = -1.0;
    if (round % 3) release(t.handle);
  }
  EXPECT_EQ(locate(keep.handle), keep.base);
  for (std::int64_t k = 1; k <= 8; ++k) EXPECT_EQ(plex(keep.base + k).integer, k * 11);
}

TEST_F(RefhostStore, MisuseIsReportedAndHarmless) {
  const Allocation a = allocate(4);
  release(a.handle);
  release(a.handle);
  EXPECT_EQ(locate(a.handle), 0);
  release(42);
  EXPECT_EQ(locate(999), 0);
  const Allocation zero = allocate(0);
  EXPECT_EQ(zero.handle, 0);
  EXPECT_EQ(zero.base, 0);
  const Allocation huge = allocate(rh::kPlexWords);
  EXPECT_EQ(huge.handle, 0);
  EXPECT_EQ(huge.base, 0);
  const std::string h = std::to_string(a.handle);
  const auto lines = rh::reportLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], " DMS_ATFREE-E-Handle " + h + " was freed before; nothing freed.");
  EXPECT_EQ(lines[1],
            " DMS_LOCATR-E-Handle " + h + " is neither a live block nor a bead; base 0 returned.");
  EXPECT_EQ(lines[2], " DMS_ATFREE-E-Handle 42 was never allocated; nothing freed.");
  EXPECT_EQ(lines[4], " DMS_ALLOCR-E-Cannot allocate 0 words: the count must be positive.");
  EXPECT_EQ(lines[5], " DMS_ALLOCR-E-Cannot allocate " + std::to_string(rh::kPlexWords) +
                          " words: the largest free extent is " +
                          std::to_string(rh::kPlexWords - 1) + " words.");
  EXPECT_EQ(rh::liveBlocks(), 0);
}

TEST_F(RefhostStore, BeadsAreLocatedByIdAndKeepTheirWordZero) {
  const std::int64_t base = rh::createBead(2, 200);
  ASSERT_GE(base, 2);
  const std::int64_t id = 2;
  EXPECT_EQ(DMS_LOCATI(&id), base);
  ASSERT_TRUE(rh::setBeadInteger(2, 0, 77));
  ASSERT_TRUE(rh::setBeadReal(2, 200, 2.5));
  EXPECT_EQ(plex(base).integer, 77);
  EXPECT_EQ(plex(base + 200).real, 2.5);
  EXPECT_FALSE(rh::setBeadInteger(2, 201, 1));
  EXPECT_EQ(rh::beadWord(3, 0), nullptr);
  // Blocks never land on a bead, and freeing a bead is refused.
  const Allocation a = allocate(300);
  EXPECT_TRUE(a.base + 1 > base + 200 || a.base + 300 < base);
  release(2);
  EXPECT_EQ(rh::beadBase(2), base);
  EXPECT_EQ(rh::reportLines().back(),
            " DMS_ATFREE-E-Handle 2 is a bead, not an allocated block; nothing freed.");
  // Replacing a bead gives zeroed words; IDs in the handle range are refused.
  rh::createBead(2, 10);
  EXPECT_EQ(rh::beadWord(2, 0)->integer, 0);
  EXPECT_EQ(rh::createBead(rh::kFirstHandle, 5), 0);
  EXPECT_TRUE(rh::removeBead(2));
  EXPECT_FALSE(rh::removeBead(2));
}

TEST_F(RefhostStore, GlobalsAndComponentCountHaveDefaultsAndReset) {
  EXPECT_EQ(DMS_RGLOB[0], 1.0e35);
  EXPECT_EQ(xv55::host::rglob(xv55::host::kTolerance), rh::kDefaultTolerance);
  EXPECT_EQ(xv55::host::rglob(xv55::host::kFlowCoefficientMin), rh::kDefaultFlowCoefficientMin);
  EXPECT_EQ(DMS_NCOMP[0], 0);
  EXPECT_TRUE(rh::setGlobal(3, 0.25));
  EXPECT_FALSE(rh::setGlobal(rh::kGlobalWords + 1, 1.0));
  rh::setComponentCount(7);
  EXPECT_EQ(DMS_RGLOB[2], 0.25);
  EXPECT_EQ(DMS_NCOMP[0], 7);
  const Allocation a = allocate(3);
  plex(a.base + 1).real = 5.0;
  rh::reset();
  EXPECT_EQ(rh::global(3), rh::kDefaultFlowCoefficientMin);
  EXPECT_EQ(DMS_NCOMP[0], 0);
  EXPECT_EQ(rh::liveBlocks(), 0);
  EXPECT_EQ(plex(a.base + 1).real, 0.0);
  EXPECT_EQ(allocate(3).handle, rh::kFirstHandle);
}

}  // namespace
