// Unit services and the print level.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "host/property_system.h"
#include "xv55/refhost.hpp"

namespace {

using UnitService = double (*)(const double*, const std::int64_t*, const std::int64_t*);

struct Named {
  const char* name;
  UnitService service;
};

const Named kServices[] = {{"GPTEMP", GPTEMP}, {"GPPRES", GPPRES}, {"GPMFLO", GPMFLO},
                           {"GPMASS", GPMASS}, {"GPVOL", GPVOL},   {"GPLEN", GPLEN},
                           {"GPMRHO", GPMRHO}, {"GPRHO", GPRHO},   {"GPSPH", GPSPH}};

double call(UnitService service, double value, std::int64_t direction, std::int64_t set) {
  return service(&value, &direction, &set);
}
double toSi(UnitService s, double v, std::int64_t set = 1) {
  return call(s, v, 1, set);
}

class RefhostUnits : public ::testing::Test {
 protected:
  void SetUp() override { xv55::refhost::reset(); }
};

TEST_F(RefhostUnits, EveryServiceRoundTripsInEverySet) {
  for (const Named& s : kServices) {
    for (std::int64_t set : {1, 2, 3}) {
      for (double v : {-40.0, 0.0, 1.0, 123.456, 1.0e6}) {
        const double si = call(s.service, v, 1, set);
        EXPECT_NEAR(call(s.service, si, 2, set), v, 1e-12 * (1.0 + std::fabs(v)))
            << s.name << " set " << set;
      }
    }
    // SI is the identity.
    EXPECT_EQ(toSi(s.service, 42.5, 2), 42.5) << s.name;
  }
  EXPECT_TRUE(xv55::refhost::reportLines().empty());
}

TEST_F(RefhostUnits, KnownValues) {
  EXPECT_DOUBLE_EQ(toSi(GPTEMP, 0.0), 273.15);
  EXPECT_DOUBLE_EQ(toSi(GPPRES, 1.0), 1.0e5);
  EXPECT_DOUBLE_EQ(toSi(GPMFLO, 3600.0), 1.0);
  EXPECT_DOUBLE_EQ(toSi(GPMASS, 7200.0), 2.0);
  EXPECT_DOUBLE_EQ(toSi(GPVOL, 5.0), 5.0);  // m3/h stays m3/h: the procedure divides by 3600
  EXPECT_DOUBLE_EQ(toSi(GPSPH, 2.0), 2000.0);
  EXPECT_DOUBLE_EQ(call(GPPRES, 1.0, 2, 1), 1.0e-5);
  // Field units.
  EXPECT_NEAR(toSi(GPTEMP, 32.0, 3), 273.15, 1e-12);
  EXPECT_NEAR(toSi(GPTEMP, 212.0, 3), 373.15, 1e-12);
  EXPECT_NEAR(toSi(GPPRES, 1.0, 3), 6894.757293168361, 1e-9);
  EXPECT_DOUBLE_EQ(toSi(GPMASS, 3600.0, 3), 0.45359237);
  EXPECT_NEAR(toSi(GPVOL, 1.0, 3), 0.028316846592, 1e-15);
  EXPECT_NEAR(toSi(GPRHO, 1.0, 3), 16.018463373960138, 1e-12);
  EXPECT_DOUBLE_EQ(toSi(GPSPH, 1.0, 3), 2326.0);
}

TEST_F(RefhostUnits, UnknownCodesPassTheValueAndAreReportedOnce) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(call(GPTEMP, 12.0, 1, 9), 12.0);
    EXPECT_EQ(call(GPTEMP, 12.0, 5, 1), 12.0);
    EXPECT_EQ(call(GPPRES, 3.0, 1, 9), 3.0);
  }
  const auto lines = xv55::refhost::reportLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], " GPTEMP-W-Unknown unit set 9; the value is returned unchanged.");
  EXPECT_EQ(lines[1], " GPTEMP-W-Unknown direction 5; the value is returned unchanged.");
  EXPECT_EQ(lines[2], " GPPRES-W-Unknown unit set 9; the value is returned unchanged.");
}

TEST_F(RefhostUnits, PrintLevel) {
  EXPECT_EQ(GPIOUT(), 0);
  xv55::refhost::setPrintLevel(3);
  EXPECT_EQ(GPIOUT(), 3);
  xv55::refhost::reset();
  EXPECT_EQ(GPIOUT(), 0);
}

}  // namespace
