// Property services of the reference host, through their C entry points: the argument
// orders the procedures use, what they leave in the shared areas, and how they refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/property_system.h"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"

namespace {

namespace rh = xv55::refhost;
namespace pp = xv55::refhost::properties;
using xv55::host::plex;
using Ints = std::vector<std::int64_t>;
using Reals = std::vector<double>;

constexpr double kBar = 1.0e5;
constexpr std::int64_t kContext = 77;
const std::int64_t kPengRobinson = 1;

class PropertyServices : public ::testing::Test {
 protected:
  void SetUp() override {
    rh::reset();
    ASSERT_TRUE(pp::setCompanionComponents(
        {"WATER", "NITROGEN", "METHANE", "ETHANE", "PROPANE", "N-BUTANE", "N-HEXANE"}));
  }
  void TearDown() override { rh::reset(); }

  bool reported(const std::string& service, const std::string& text) const {
    for (const auto& line : rh::reportLines()) {
      if (line.find(" " + service + "-") == 0 && line.find(text) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(PropertyServices, StreamAreaDescribesTheModelsComponents) {
  ASSERT_TRUE(pp::setModelComponents(kContext, {"PROPANE", "METHANE"}));
  EXPECT_EQ(DMS_NCOMP[0], 7);
  std::int64_t loc[SAISST_LOCATIONS] = {}, status = 0;
  SAISST(&kContext, loc, &status);
  ASSERT_EQ(status, 1);
  EXPECT_EQ(plex(loc[SAISST_INDEX - 1] + 1).integer, 5);
  EXPECT_EQ(plex(loc[SAISST_INDEX - 1] + 2).integer, 3);
  EXPECT_EQ(plex(loc[SAISST_COUNTS - 1] + 1).integer, 2);  // NC
  EXPECT_EQ(plex(loc[SAISST_COUNTS - 1] + 2).integer, 7);  // NCOMP
  EXPECT_EQ(rh::liveBlocks(), 0);  // host areas are not the procedure's blocks

  // Model order <-> companion order.
  const std::int64_t* mapping = &plex(loc[SAISST_MAPPING - 1] + 1).integer;
  const std::int64_t nc = 2;
  Reals model = {0.25, 0.75}, companion(8, -1.0), back(3, -1.0);
  SAISAO(&nc, mapping, model.data(), companion.data());
  EXPECT_EQ(companion, (Reals{0, 0, 0.75, 0, 0.25, 0, 0, -1.0}));  // word 8 untouched
  SAIASO(&nc, mapping, companion.data(), back.data());
  EXPECT_EQ(back, (Reals{0.25, 0.75, -1.0}));
  // Too many components for the mapping: nothing is written.
  const std::int64_t three = 3;
  SAIASO(&three, mapping, companion.data(), back.data());
  EXPECT_EQ(back, (Reals{0.25, 0.75, -1.0}));
  EXPECT_TRUE(reported("SAIASO", "outside 0 to the 2 components"));
}

TEST_F(PropertyServices, FlashRoadOfAKineticsProcedure) {
  // SACHMBPX packs the companion-order composition, FLSH_PFLASH flashes it, SAIFEH turns
  // its return code into the status, SACHMVRY unpacks the phases.
  const std::int64_t ncomp = 7, limit = 3;
  const Reals z = {0, 0, 0, 0, 0.5, 0.5, 0};  // propane + n-butane
  Ints indices(3, -1);
  Reals packed(3, -1.0);
  std::int64_t m = 0, status = 0;
  SACHMBPX(&ncomp, z.data(), &limit, indices.data(), packed.data(), &m, &status);
  ASSERT_EQ(status, 1);
  ASSERT_EQ(m, 2);
  EXPECT_EQ(indices, (Ints{5, 6, -1}));
  double t = 300, h = 0, beta = -1, split = -1;
  const double p = 5 * kBar, tolerance = 1e-8;
  const std::int64_t tp = 2, vl = 2, sub = 0;
  Reals liquid(2), liquid1(2), liquid2(2), vapour(2);
  std::int64_t rc = -1;
  FLSH_PFLASH(&tp, &t, &p, &h, packed.data(), &m, indices.data(), &kPengRobinson, &vl, &sub,
              &tolerance, &beta, &split, liquid.data(), liquid1.data(), liquid2.data(),
              vapour.data(), &rc);
  ASSERT_EQ(rc, 0);
  SAIFEH(&rc, "SPRKUSR / FLSH_PFLASH", &status, 21);
  EXPECT_EQ(status, 1);
  const auto direct = pp::flashTP({"PROPANE", "N-BUTANE"}, {0.5, 0.5}, 300, p);
  EXPECT_NEAR(beta, direct.vapourFraction, 1e-7);
  EXPECT_EQ(split, 1.0);
  EXPECT_EQ(liquid1, liquid);
  EXPECT_NEAR(PPBASE_PHASE[PPBASE_PHASE_VAPOUR_FRACTION - 1], beta, 0);
  Reals full(8, -1.0);
  SACHMVRY(&m, indices.data(), vapour.data(), &ncomp, full.data(), &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(full, (Reals{0, 0, 0, 0, vapour[0], vapour[1], 0, -1.0}));
  // More components present than the work vectors hold: refused, nothing written past them.
  const Reals many = {0.1, 0.1, 0.1, 0.1, 0.2, 0.2, 0.2};
  indices.assign(3, -1);
  SACHMBPX(&ncomp, many.data(), &limit, indices.data(), packed.data(), &m, &status);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(indices, Ints(3, -1));
}

TEST_F(PropertyServices, StreamVectorFlash) {
  // A companion stream of 7 components + 9 words: 1 kmol/s of equimolar propane/n-butane.
  Reals stream(7 + 9, 0.0);
  stream[4] = stream[5] = 0.5;
  stream[7] = 1.0;
  stream[8] = 300;
  stream[9] = 5 * kBar;
  const std::int64_t n = 7, tp = 2, vl = 2;
  std::int64_t rc = -1;
  FLSH_FLASH(&tp, stream.data(), &n, &kPengRobinson, &vl, &rc);
  ASSERT_EQ(rc, 0);
  const auto direct = pp::flashTP({"PROPANE", "N-BUTANE"}, {0.5, 0.5}, 300, 5 * kBar);
  const double mw = 0.5 * (44.097 + 58.123);
  EXPECT_NEAR(stream[7 + 3], direct.enthalpy / mw, 1e-6 * std::fabs(direct.enthalpy / mw));
  EXPECT_NEAR(stream[7 + 4], direct.vapourFraction, 1e-7);
  EXPECT_NEAR(stream[7 + 4] + stream[7 + 5], 1.0, 1e-15);
  EXPECT_EQ(stream[7 + 8], mw);
  EXPECT_GT(stream[7 + 7], 2.0);  // two-phase density between vapour and liquid
  EXPECT_LT(stream[7 + 7], 600.0);
  // A count beyond the companion list is refused before anything is read.
  const std::int64_t tooMany = 8;
  FLSH_FLASH(&tp, stream.data(), &tooMany, &kPengRobinson, &vl, &rc);
  EXPECT_EQ(rc, 4);
}

TEST_F(PropertyServices, PureComponentEnthalpiesInModelUnits) {
  ASSERT_TRUE(pp::setModelComponents(kContext, {"WATER", "METHANE"}));
  const double t = 100.0, p = 1.01325;  // degC, bar
  const std::int64_t n = 2;
  Reals z = {1.0, 0.0};
  double hv = 0, hl = 0;
  std::int64_t status = 1;
  GPIVEX(&t, &p, z.data(), &n, &hv, &status, &kContext);
  GPILEX(&t, &p, z.data(), &n, &hl, &status, &kContext);
  EXPECT_EQ(status, 1);
  // MJ/kmol: the ideal-gas enthalpy of water at 298.15 K is -241.810 MJ/kmol and its Cp
  // about 33.8 kJ/(kmol K) up to 373 K (JANAF); latent heat at the normal boiling point
  // 40.660 MJ/kmol (NIST), Peng-Robinson within 5 %.
  EXPECT_NEAR(hv, -241.810 + 75 * 33.8e-3, 0.5);
  EXPECT_NEAR(hv - hl, 40.660, 0.05 * 40.660);
}

}  // namespace
