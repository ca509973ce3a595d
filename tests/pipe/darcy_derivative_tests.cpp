// Derivatives of the section procedure's "Darcy" branch: Hagen-Poiseuille slopes and
// what other keywords and invalid inputs leave.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "pipe/pipe_flow.hpp"
#include "pipe_cases.hpp"

namespace {

using namespace xv55::testing;
using xv55::BlockBuilder;

constexpr auto kSection = XV55IF_SPPINT;
constexpr std::int64_t kFirstName = 14;

Case darcy(double lambda, double velocity, double liquidViscosity) {
  Case c;
  c.holdup = "none";
  c.drop = "Darcy";
  c.liquidFraction = lambda;
  c.velocity = velocity;
  c.liquidViscosity = liquidViscosity;
  return c;
}

// How many real columns of the row the procedure wrote.
int written(const BlockBuilder& b, std::int64_t row) {
  int n = 0;
  for (std::int64_t j = 1; j < kFirstName; ++j)
    n += b.derivative(row, j) != BlockBuilder::kUntouched;
  return n;
}

TEST_F(PipeTest, LaminarSlopesFollowHagenPoiseuille) {
  // Liquid alone, Re = 900 * 0.5 * 0.05 / 0.05 = 450: dP = 32 mu L v / D^2 = 32000 Pa; the
  // field-unit constants (1488 cP per lb/(ft s), g_c 32.174) give 1.1e-4 more.
  Case c = darcy(1.0, 0.5, 50.0);
  c.diameter = 0.05;
  c.angle = 0.0;
  c.liquidDensity = 900.0;
  BlockBuilder b = blockOf(Proc::Sppint, c);
  b.call(kSection, 4);
  const double dp = 32.0 * 0.05 * 100.0 * 0.5 / (0.05 * 0.05) / 1e5;  // bar
  EXPECT_NEAR(b.out(2), dp, 2e-4 * dp);
  EXPECT_NEAR(b.derivative(2, 6), dp / 0.5, 2e-4 * dp / 0.5);         // by velocity
  EXPECT_NEAR(b.derivative(2, 12), dp / 50.0, 2e-4 * dp / 50.0);      // by viscosity (cP)
  EXPECT_NEAR(b.derivative(2, 1), -2 * dp / 0.05, 4e-4 * dp / 0.05);  // by diameter
  EXPECT_NEAR(b.derivative(2, 2), dp / 100.0, 2e-4 * dp / 100.0);     // by length
  EXPECT_NEAR(b.derivative(2, 9), 0.0, 1e-12 * dp);                   // density cancels
  EXPECT_EQ(b.derivative(2, 5), 0.0);                                 // roughness
  EXPECT_EQ(b.derivative(3, 6), 0.0);  // no gas, no acceleration term
}

TEST_F(PipeTest, OnlyDarcyWritesDerivativesAndInvalidInputsGiveNaN) {
  BlockBuilder b = blockOf(Proc::Sppint, Case{});  // two-phase, "Beggs-Brill" for both
  b.call(kSection, 4);
  EXPECT_EQ(written(b, 1) + written(b, 2) + written(b, 3), 0);
  Case slip = darcy(0.3, 2.5, 1.5);
  slip.holdup = "Beggs-Brill";  // the slip density is the host routine's: row 3 left
  b = blockOf(Proc::Sppint, slip);
  b.call(kSection, 3);
  EXPECT_EQ(written(b, 1) + written(b, 2), 26);
  EXPECT_EQ(written(b, 3), 0);
  EXPECT_NE(b.out(2), kSentinel);  // values come on every call type
  b = blockOf(Proc::Sppint, darcy(0.3, 2.5, 1.5));
  b.call(kSection, 0);
  EXPECT_EQ(written(b, 1) + written(b, 2) + written(b, 3), 0);
  b.inputCell(7).real = std::nan("");  // pressure
  b.call(kSection, 4);
  for (std::int64_t i = 1; i <= 3; ++i)  // the name columns are left
    for (std::int64_t j = 1; j <= kFirstName; ++j)
      EXPECT_EQ(std::isnan(b.derivative(i, j)), j < kFirstName);
}

TEST(ColebrookSlopes, CarryTheValueOfTheFrictionFactorRoutineBitForBit) {
  for (double re : {0.0, 0.05, 0.1, 700.0, 2500.0, 2500.5, 3000.0, 3500.0, 3500.5, 1e4, 1e8})
    for (double r : {0.0, 1e-5, 4.5e-4, 0.05})
      EXPECT_EQ(xv55::pipe::colebrookSlopes(re, r).f, xv55::pipe::PIPCBR(re, r)) << re << " " << r;
}

}  // namespace
