// The derivative check of include/xv55/testing/derivative_check.hpp, for GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include "xv55/testing/derivative_check.hpp"

namespace xv55::testing {

using xv55::checkDerivatives;
using xv55::DerivativeCheckOptions;
using xv55::DerivativeCheckResult;
using xv55::outputsAt;

// For EXPECT_TRUE: passes when no derivative disagrees.
inline ::testing::AssertionResult derivativesAgree(const DerivativeCheckResult& r) {
  if (r.ok()) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure();
  for (const auto& f : r.failures) failure << f << "\n";
  return failure;
}

}  // namespace xv55::testing
