// Shared set-up of the property procedure tests: the reference host's component lists,
// blocks of the procedures, and what was printed.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/capture_printer.hpp"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/properties.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace xv55::testing {

namespace rh = xv55::refhost;
namespace pp = xv55::refhost::properties;
using Names = std::vector<std::string>;
using Reals = std::vector<double>;

inline constexpr double kBar = 1.0e5;                // Pa
inline constexpr double kZeroCelsius = 273.15;       // K
inline constexpr double kGasConstant = 8314.462618;  // J/(kmol K), CODATA 2018
inline constexpr double kSentinel = 777.0;           // an output cell the procedure must not touch
inline constexpr std::int64_t kContext = 11;
inline constexpr std::int64_t kModelUnits = 1;  // degC, bar, MJ/kmol
inline constexpr std::int64_t kSiUnits = 3;     // K, Pa, J/kmol

class PropertyProcedures : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
  void TearDown() override { rh::reset(); }

  // The companion list, which is also the model's component list.
  void components(const Names& names) { ASSERT_TRUE(pp::setCompanionComponents(names)); }

  bool printed(const std::string& text) const {
    return capture.printer.text().find(text) != std::string::npos;
  }

  pp::PhaseState phase(const Names& names, const Reals& x, double t, double p, pp::Root root) {
    pp::PhaseState s;
    EXPECT_TRUE(pp::phaseState(names, x, t, p, root, s));
    return s;
  }

  ScopedCapture capture;
};

// T, P, flows, unit set -> factor.
inline BlockBuilder ratioBlock(double t, double p, const Reals& flows,
                               std::int64_t unitSet = kModelUnits) {
  BlockBuilder b;
  b.real(t);
  b.real(p);
  b.reals(flows, {static_cast<std::int64_t>(flows.size())});
  b.integer(unitSet);
  b.output(kSentinel);
  b.hostContext = kContext;
  return b;
}

// T or H, P, mole fractions, molecular weight, unit set -> sonic velocity.
inline BlockBuilder sonicBlock(double first, double p, const Reals& z, double mw,
                               std::int64_t unitSet = kModelUnits) {
  BlockBuilder b;
  b.real(first);
  b.real(p);
  b.reals(z, {static_cast<std::int64_t>(z.size())});
  b.real(mw);
  b.integer(unitSet);
  b.output(kSentinel);
  b.hostContext = kContext;
  b.work.assign(4, 0.0);
  return b;
}

}  // namespace xv55::testing
