// Compares a procedure's analytic derivatives with finite differences.
//
// The procedure is called through its entry point with callType 4 for the analytic
// matrix (every element first set to BlockBuilder::kUntouched, so that the elements
// the procedure wrote are known; the others count as the host's zeros), then with
// callType 0 at x - h, x and x + h for every checked input column.  Where the left
// and right one-sided differences disagree the point is a kink: the element is
// marked as such instead of failing there.  A non-finite analytic derivative marks
// a singular point.  The block is left as after the analytic call.
//
// Used by the command-line host (`xv55 check`) and by the library's tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "xv55/testing/block_builder.hpp"

namespace xv55 {

struct DerivativeCheckOptions {
  double relativeStep = 1e-6;
  double relativeTolerance = 1e-5;
  double absoluteTolerance = 1e-7;
  std::vector<std::int64_t> columns;  // input columns to check; empty: every real one
};

enum class DerivativeVerdict { Agrees, Differs, Kink, Singular };

// One element (row, column) of the derivative matrix at one point.
struct ElementCheck {
  std::int64_t row = 0;
  std::int64_t column = 0;
  double at = 0.0;        // the input value of the column
  double analytic = 0.0;  // 0 where the procedure did not write the element
  bool written = false;
  double left = 0.0, right = 0.0, central = 0.0;  // finite differences
  // |analytic - central| / max(|analytic|, |central|, absoluteTolerance / relativeTolerance)
  double error = 0.0;
  DerivativeVerdict verdict = DerivativeVerdict::Agrees;
};

// Every input column of the block that holds a real (texts and integers have none).
inline std::vector<std::int64_t> realColumns(const BlockBuilder& block) {
  std::vector<std::int64_t> columns;
  for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
    if (block.isRealColumn(j)) columns.push_back(j);
  }
  return columns;
}

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

// Judges one element from its analytic value and the three outputs around x.
inline ElementCheck judgeElement(ElementCheck e, double minus, double centre, double plus, double h,
                                 const DerivativeCheckOptions& options) {
  e.left = (centre - minus) / h;
  e.right = (plus - centre) / h;
  e.central = (plus - minus) / (2 * h);
  const double largest = std::fmax(std::fabs(e.analytic), std::fabs(e.central));
  const double floor = options.relativeTolerance > 0
                           ? options.absoluteTolerance / options.relativeTolerance
                           : options.absoluteTolerance;
  e.error = std::fabs(e.analytic - e.central) / std::fmax(largest, floor > 0 ? floor : 1e-300);
  if (!std::isfinite(e.analytic)) {
    e.verdict = DerivativeVerdict::Singular;
  } else if (std::fabs(e.left - e.right) > 1e-3 * std::fmax(std::fabs(e.left), std::fabs(e.right)) +
                                               1e2 * options.absoluteTolerance) {
    e.verdict = DerivativeVerdict::Kink;
  } else if (!(std::fabs(e.analytic - e.central) <=
               options.absoluteTolerance + options.relativeTolerance * largest)) {
    e.verdict = DerivativeVerdict::Differs;
  }
  return e;
}

// Every element of the checked columns at the block's current point, column by
// column, rows in order.
inline std::vector<ElementCheck> compareDerivatives(BlockBuilder& block, Xv55Entry entry,
                                                    const DerivativeCheckOptions& options = {}) {
  const std::vector<std::int64_t> columns =
      options.columns.empty() ? realColumns(block) : options.columns;
  block.resetDerivatives(BlockBuilder::kUntouched);
  block.call(entry, 4);
  std::vector<double> analytic;  // column-major, as the block holds it
  for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
    for (std::int64_t i = 1; i <= block.outputCells(); ++i) {
      analytic.push_back(block.derivative(i, j));
    }
  }

  std::vector<ElementCheck> elements;
  for (std::int64_t j : columns) {
    const double x = block.inputCell(j).real;
    const double h = options.relativeStep * std::fmax(1.0, std::fabs(x));
    const std::vector<double> centre = outputsAt(block, entry, j, x);
    const std::vector<double> minus = outputsAt(block, entry, j, x - h);
    const std::vector<double> plus = outputsAt(block, entry, j, x + h);
    for (std::int64_t i = 1; i <= block.outputCells(); ++i) {
      const auto k = static_cast<std::size_t>(i - 1);
      const double a = analytic[static_cast<std::size_t>((j - 1) * block.outputCells() + (i - 1))];
      ElementCheck e;
      e.row = i;
      e.column = j;
      e.at = x;
      e.written = a != BlockBuilder::kUntouched;
      e.analytic = e.written ? a : 0.0;
      elements.push_back(judgeElement(e, minus[k], centre[k], plus[k], h, options));
    }
  }
  block.resetDerivatives(BlockBuilder::kUntouched);
  block.call(entry, 4);  // leave the block as at the analytic call
  return elements;
}

// The same comparison, summarised as lines: failures, kinks and singular points.
struct DerivativeCheckResult {
  std::vector<std::string> failures;
  std::vector<std::string> kinks;
  std::vector<std::string> singular;
  bool ok() const { return failures.empty(); }
};

inline DerivativeCheckResult checkDerivatives(BlockBuilder& block, Xv55Entry entry,
                                              const DerivativeCheckOptions& options = {}) {
  DerivativeCheckResult result;
  for (const ElementCheck& e : compareDerivatives(block, entry, options)) {
    std::ostringstream where;
    where << "d out" << e.row << " / d in" << e.column << " at " << e.at;
    switch (e.verdict) {
      case DerivativeVerdict::Singular:
        result.singular.push_back(where.str());
        break;
      case DerivativeVerdict::Kink:
        where << ": kink (left " << e.left << ", right " << e.right << ", analytic " << e.analytic
              << ")";
        result.kinks.push_back(where.str());
        break;
      case DerivativeVerdict::Differs:
        where << ": analytic " << e.analytic << ", central difference " << e.central;
        result.failures.push_back(where.str());
        break;
      case DerivativeVerdict::Agrees:
        break;
    }
  }
  return result;
}

}  // namespace xv55
