// Failure injection and call records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "host/data_management.h"
#include "host/flash_monitors.h"
#include "host/numerics.h"
#include "host/property_system.h"
#include "xv55/refhost.hpp"

namespace {

namespace rh = xv55::refhost;

class RefhostControl : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
};

TEST_F(RefhostControl, InjectedFailuresLastForTheirCount) {
  ASSERT_TRUE(rh::injectFailure("GPPRES", 2));
  const double bar = 1.0;
  const std::int64_t one = 1;
  EXPECT_TRUE(std::isnan(GPPRES(&bar, &one, &one)));
  EXPECT_TRUE(std::isnan(GPPRES(&bar, &one, &one)));
  EXPECT_EQ(GPPRES(&bar, &one, &one), 1.0e5);
  EXPECT_EQ(rh::lastCall("GPPRES").calls, 3);

  ASSERT_TRUE(rh::injectFailure("DMS_ALLOCR"));
  const std::int64_t count = 4;
  std::int64_t handle = -1, base = -1;
  DMS_ALLOCR(&count, &handle, &base);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(base, 0);
  EXPECT_EQ(rh::reportLines().back(), " DMS_ALLOCR-E-Cannot allocate 4 words (injected failure).");
  DMS_ALLOCR(&count, &handle, &base);
  EXPECT_EQ(handle, rh::kFirstHandle);

  ASSERT_TRUE(rh::injectFailure("DMS_LOCATR"));
  EXPECT_EQ(DMS_LOCATR(&handle), 0);
  EXPECT_EQ(DMS_LOCATR(&handle), base);

  ASSERT_TRUE(rh::injectFailure("DMS_ATFREE"));
  DMS_ATFREE(&handle);
  EXPECT_EQ(rh::liveBlocks(), 1);

  ASSERT_TRUE(rh::injectFailure("DMS_IRRCHK"));
  std::int64_t cell = 0, result = 0;
  EXPECT_EQ(DMS_IRRCHK("PIP     CBR     ", &one, &one, &cell, &result, &one, &one, &one, 16), 0);
  EXPECT_EQ(result, 1);

  // Cancelled before use; names that cannot fail are refused.
  ASSERT_TRUE(rh::injectFailure("GPTEMP", 1));
  ASSERT_TRUE(rh::injectFailure("GPTEMP", 0));
  EXPECT_EQ(GPTEMP(&bar, &one, &one), 274.15);
  EXPECT_FALSE(rh::injectFailure("GPIOUT"));
  EXPECT_FALSE(rh::injectFailure("NO_SUCH"));
}

TEST_F(RefhostControl, SplineFailuresLeaveNaN) {
  double y[] = {0.0, 1.0, 4.0}, x[] = {0.0, 1.0, 2.0}, c[8] = {};
  const std::int64_t n = 3, method = 2;
  ASSERT_TRUE(rh::injectFailure("ZMTH_SPLINE"));
  ZMTH_SPLINE(&n, y, x, c, &method);
  for (double v : c) EXPECT_TRUE(std::isnan(v));
  ASSERT_TRUE(rh::injectFailure("PPPETM_PCINTP"));
  const double at = 0.5, lower = -1.0, upper = 1.0;
  double r = 0.0;
  PPPETM_PCINTP(x, c, &at, &r, &n, &lower, &upper);
  EXPECT_TRUE(std::isnan(r));
}

TEST_F(RefhostControl, RecordsHoldTheLastArguments) {
  EXPECT_EQ(rh::lastCall("GPVOL").calls, 0);
  const double q = 36.0;
  const std::int64_t dir = 2, set = 3;
  GPVOL(&q, &dir, &set);
  auto r = rh::lastCall("GPVOL");
  EXPECT_EQ(r.calls, 1);
  EXPECT_EQ(r.reals, (std::vector<double>{36.0}));
  EXPECT_EQ(r.integers, (std::vector<std::int64_t>{2, 3}));

  double y[] = {1.0, 2.0, 3.0, 5.0}, x[] = {0.0, 1.0, 2.0, 3.0}, c[12];
  const std::int64_t n = 4, method = 2;
  ZMTH_SPLINE(&n, y, x, c, &method);
  r = rh::lastCall("ZMTH_SPLINE");
  EXPECT_EQ(r.integers, (std::vector<std::int64_t>{4, 2}));
  EXPECT_EQ(r.reals, (std::vector<double>{1.0, 2.0, 3.0, 5.0, 0.0, 1.0, 2.0, 3.0}));

  const std::int64_t sev = 2, num = 7, v1 = 1, v2 = 2, v3 = 3;
  std::int64_t cell = 0, result = 0;
  DMS_IRRCHK("PIP     CBR     trailing", &sev, &num, &cell, &result, &v1, &v2, &v3, 16);
  r = rh::lastCall("DMS_IRRCHK");
  EXPECT_EQ(r.integers, (std::vector<std::int64_t>{2, 7, 1, 2, 3}));
  EXPECT_EQ(r.texts, (std::vector<std::string>{"PIP     CBR     "}));

  rh::reset();
  EXPECT_EQ(rh::lastCall("GPVOL").calls, 0);
  EXPECT_TRUE(rh::lastCall("GPVOL").reals.empty());
}

}  // namespace
