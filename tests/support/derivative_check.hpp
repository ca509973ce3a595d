// Checks a procedure's analytic derivatives against central finite differences.
//
// The procedure is called through its entry point with callType 4 for the analytic
// matrix, then with callType 0 at x - h, x and x + h for every checked input column.
// Where the left and right one-sided differences disagree the point is a kink: the
// check says so (in the result's kinks) instead of failing there.  A non-finite
// analytic derivative is noted as a singular point.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "xv55/block_builder.hpp"

namespace xv55::testing {

struct DerivativeCheckOptions {
  double relativeStep = 1e-6;
  double relativeTolerance = 1e-5;
  double absoluteTolerance = 1e-7;
  std::vector<std::int64_t> columns;  // input columns to check; empty: every real one
};

struct DerivativeCheckResult {
  std::vector<std::string> failures;
  std::vector<std::string> kinks;
  std::vector<std::string> singular;
  bool ok() const { return failures.empty(); }
};

// All output cells after a values-only call with the input of `column` set to x.
inline std::vector<double> outputsAt(BlockBuilder& block, Xv55Entry entry, std::int64_t column,
                                     double x) {
  Cell& cell = block.inputCell(column);
  const double saved = cell.real;
  cell.real = x;
  block.call(entry, 0);
  cell.real = saved;
  std::vector<double> out;
  for (std::int64_t i = 1; i <= block.outputCells(); ++i) out.push_back(block.out(i));
  return out;
}

inline DerivativeCheckResult checkDerivatives(BlockBuilder& block, Xv55Entry entry,
                                              const DerivativeCheckOptions& options = {}) {
  DerivativeCheckResult result;
  std::vector<std::int64_t> columns = options.columns;
  if (columns.empty()) {
    for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
      if (block.isRealColumn(j)) columns.push_back(j);
    }
  }

  for (std::int64_t j : columns) {
    block.resetDerivatives(0.0);
    block.call(entry, 4);
    const double x = block.inputCell(j).real;
    const double h = options.relativeStep * std::fmax(1.0, std::fabs(x));
    const std::vector<double> centre = outputsAt(block, entry, j, x);
    const std::vector<double> minus = outputsAt(block, entry, j, x - h);
    const std::vector<double> plus = outputsAt(block, entry, j, x + h);
    for (std::int64_t i = 1; i <= block.outputCells(); ++i) {
      const auto k = static_cast<std::size_t>(i - 1);
      const double a = block.derivative(i, j);
      std::ostringstream where;
      where << "d out" << i << " / d in" << j << " at " << x;
      const double left = (centre[k] - minus[k]) / h;
      const double right = (plus[k] - centre[k]) / h;
      const double central = (plus[k] - minus[k]) / (2 * h);
      if (!std::isfinite(a)) {
        result.singular.push_back(where.str());
      } else if (std::fabs(left - right) > 1e-3 * std::fmax(std::fabs(left), std::fabs(right)) +
                                               1e2 * options.absoluteTolerance) {
        where << ": kink (left " << left << ", right " << right << ", analytic " << a << ")";
        result.kinks.push_back(where.str());
      } else if (!(std::fabs(a - central) <=
                   options.absoluteTolerance +
                       options.relativeTolerance * std::fmax(std::fabs(a), std::fabs(central)))) {
        where << ": analytic " << a << ", central difference " << central;
        result.failures.push_back(where.str());
      }
    }
  }
  block.call(entry, 4);  // leave the block as at the analytic call
  return result;
}

// For EXPECT_TRUE: passes when no derivative disagrees.
inline ::testing::AssertionResult derivativesAgree(const DerivativeCheckResult& r) {
  if (r.ok()) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure();
  for (const auto& f : r.failures) failure << f << "\n";
  return failure;
}

}  // namespace xv55::testing
