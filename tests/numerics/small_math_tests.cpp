// Small math procedures, called through their entry points as a host calls them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/capture_printer.hpp"
#include "support/derivative_check.hpp"
#include "xv55/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;
using xv55::testing::checkDerivatives;
using xv55::testing::derivativesAgree;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kUntouched = BlockBuilder::kUntouched;
constexpr double kSentinel = 777.0;
using Cells = std::vector<double>;

// A block of scalar inputs and one output cell holding kSentinel.
BlockBuilder scalars(const Cells& inputs) {
  BlockBuilder block;
  for (double v : inputs) block.real(v);
  block.output(kSentinel);
  return block;
}

// Value and derivative row of a scalar procedure after a callType 4 call.
struct Eval {
  double y;
  Cells row;
  bool operator==(const Eval&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Eval& e) {
  os << "y " << e.y << ", row";
  for (double d : e.row) os << " " << d;
  return os;
}
Eval eval(Xv55Entry entry, const Cells& inputs) {
  BlockBuilder block = scalars(inputs);
  block.call(entry, 4);
  Eval e{block.out(1), {}};
  for (std::int64_t j = 1; j <= block.inputCells(); ++j) e.row.push_back(block.derivative(1, j));
  return e;
}

// Analytic derivatives agree with differences, without a kink, at every point.
void expectSmooth(Xv55Entry entry, std::initializer_list<Cells> points) {
  for (const Cells& point : points) {
    BlockBuilder block = scalars(point);
    const auto result = checkDerivatives(block, entry);
    EXPECT_TRUE(derivativesAgree(result)) << "at x = " << point.front();
    EXPECT_TRUE(result.kinks.empty()) << result.kinks.front();
  }
}

bool kinkInX(Xv55Entry entry, const Cells& point) {
  BlockBuilder block = scalars(point);
  xv55::testing::DerivativeCheckOptions options;
  options.columns = {1};
  const auto result = checkDerivatives(block, entry, options);
  return derivativesAgree(result) && !result.kinks.empty();
}

TEST(SignedSquareRoot, ValuesAndDerivatives) {
  EXPECT_EQ(eval(XV55IF_SPSQRT, {-4.0}), (Eval{-2.0, {0.25}}));
  EXPECT_EQ(eval(XV55IF_SPSQRT, {0.0}), (Eval{0.0, {kInf}}));
  expectSmooth(XV55IF_SPSQRT, {{4.0}, {-4.0}, {0.3}, {-1e-3}});
}

TEST(Ramp, ClipsAtBothEndsAndFollowsTheLineBetween) {
  // x1 = 1, x2 = 3, y1 = 10, y2 = 20.
  EXPECT_EQ(eval(XV55IF_SPRAMP, {0.0, 1.0, 3.0, 10.0, 20.0}), (Eval{10.0, {0, 0, 0, 1, 0}}));
  EXPECT_EQ(eval(XV55IF_SPRAMP, {5.0, 1.0, 3.0, 10.0, 20.0}), (Eval{20.0, {0, 0, 0, 0, 1}}));
  EXPECT_EQ(eval(XV55IF_SPRAMP, {2.5, 1.0, 3.0, 10.0, 20.0}).y, 17.5);
  expectSmooth(XV55IF_SPRAMP, {{0.0, 1.0, 3.0, 10.0, 20.0},
                               {2.5, 1.0, 3.0, 10.0, 20.0},
                               {1.2, -1.0, 4.0, 2.0, 3.0},
                               {5.0, 1.0, 3.0, 10.0, 20.0}});
  EXPECT_TRUE(kinkInX(XV55IF_SPRAMP, {3.0, 1.0, 3.0, 10.0, 20.0}));

  // A derivative-only call takes y from the output cell: dy/dx1 = (y - y2) / (x2 - x1).
  BlockBuilder block = scalars({2.5, 1.0, 3.0, 10.0, 20.0});
  block.outputCell(1).real = 16.0;
  block.call(XV55IF_SPRAMP, 3);
  EXPECT_EQ(block.out(1), 16.0);
  EXPECT_EQ(block.derivative(1, 2), -2.0);
}

TEST(AbsoluteLimit, ClipsTheMagnitude) {
  EXPECT_EQ(eval(XV55IF_SPLIM_ABS, {-3.0, 1.0, 5.0}), (Eval{3.0, {-1, 0, 0}}));
  EXPECT_EQ(eval(XV55IF_SPLIM_ABS, {0.5, 1.0, 5.0}), (Eval{1.0, {0, 1, 0}}));
  EXPECT_EQ(eval(XV55IF_SPLIM_ABS, {-7.0, 1.0, 5.0}), (Eval{5.0, {0, 0, 1}}));
  expectSmooth(XV55IF_SPLIM_ABS,
               {{-3.0, 1.0, 5.0}, {3.0, 1.0, 5.0}, {0.5, 1.0, 5.0}, {-7.0, 1.0, 5.0}});
  EXPECT_TRUE(kinkInX(XV55IF_SPLIM_ABS, {5.0, 1.0, 5.0}));
  EXPECT_TRUE(kinkInX(XV55IF_SPLIM_ABS, {-1.0, 1.0, 5.0}));
}

TEST(IntervalFraction, PicksTheIntervalByWhereXLies) {
  // c = 0, d = 10, a = 1, b = 3: outside [a, b] the fraction is across (a, b).
  EXPECT_EQ(eval(XV55IF_SPQUAL, {5.0, 0.0, 10.0, 1.0, 3.0}).y, 2.0);
  EXPECT_EQ(eval(XV55IF_SPQUAL, {2.0, 0.0, 10.0, 1.0, 3.0}).y, 0.2);
  EXPECT_EQ(eval(XV55IF_SPQUAL, {3.0, 0.0, 10.0, 1.0, 3.0}).y, 0.3);
  expectSmooth(
      XV55IF_SPQUAL,
      {{5.0, 0.0, 10.0, 1.0, 3.0}, {-2.0, 0.0, 10.0, 3.0, 1.0}, {2.0, 0.0, 10.0, 1.0, 3.0}});
  BlockBuilder block = scalars({2.0, 0.0, 10.0, 1.0, 3.0});
  block.call(XV55IF_SPQUAL, 3);
  EXPECT_EQ(block.out(1), 0.2);  // a derivative-only call rewrites the output
}

// SPRECV: x (cells, declared extent), N, y (cells, declared extent) filled with kSentinel.
BlockBuilder series(const Cells& x, std::int64_t xExtent, std::int64_t n, std::int64_t yCells,
                    std::int64_t yExtent) {
  BlockBuilder block;
  block.reals(x, {xExtent});
  block.integer(n);
  block.outputs(yCells, {yExtent}, kSentinel);
  block.call(XV55IF_SPRECV, 4);
  return block;
}

TEST(SeriesFraction, ValuesInEachRegime) {
  BlockBuilder block = series({0.5, 1.0, 0.0, 2.0}, 4, 3, 4, 4);
  EXPECT_DOUBLE_EQ(block.out(1), 0.5 / 0.9375);
  EXPECT_TRUE(std::isnan(block.out(2)));  // x = 1: 0 / 0
  EXPECT_EQ(block.out(3), 1.0);
  EXPECT_EQ(block.derivative(3, 3), 0.0);
  EXPECT_DOUBLE_EQ(block.out(4), 1.0 / 15.0);
  EXPECT_EQ(block.derivative(1, 2), 0.0);         // the block is cleared
  EXPECT_EQ(block.derivative(1, 5), kUntouched);  // N has no column

  BlockBuilder large = series({0.5, 2.0}, 2, 200, 2, 2);
  EXPECT_EQ(large.out(1), 0.5);
  EXPECT_EQ(large.derivative(1, 1), -1.0);
  EXPECT_EQ(large.out(2), 0.0);
  EXPECT_EQ(large.derivative(2, 2), 0.0);

  for (std::int64_t n : {3, 7, -3}) {
    BlockBuilder b = series({0.5, 0.9, 1.7, 3.0}, 4, n, 4, 4);
    xv55::testing::DerivativeCheckOptions xOnly;
    xOnly.columns = {1, 2, 3, 4};
    EXPECT_TRUE(derivativesAgree(checkDerivatives(b, XV55IF_SPRECV, xOnly))) << "N = " << n;
  }
  // The exponent N + 1 must not overflow at the ends of the integer range.
  BlockBuilder largest = series({0.5, 1.0}, 2, std::numeric_limits<std::int64_t>::max(), 2, 2);
  EXPECT_EQ(largest.out(1), 0.5);
  BlockBuilder smallest = series({0.5, 1.0}, 2, std::numeric_limits<std::int64_t>::min(), 2, 2);
  EXPECT_EQ(smallest.out(1), 0.0);
}

TEST(SeriesFraction, StaysInsideShortArrays) {
  // x shorter than y: the NaN cells past x's extent are not read, y(3..4) kept.
  BlockBuilder longY = series({0.5, 2.0, kNaN, kNaN}, 2, 3, 4, 4);
  EXPECT_FALSE(std::isnan(longY.out(2)));
  EXPECT_EQ(longY.out(3), kSentinel);
  EXPECT_EQ(longY.out(4), kSentinel);
  // y shorter than x: cells past y's extent and their derivative rows are kept.
  BlockBuilder shortY = series({0.5, 2.0, 0.7}, 3, 3, 3, 1);
  EXPECT_EQ(shortY.out(2), kSentinel);
  for (std::int64_t j = 1; j <= 4; ++j) EXPECT_EQ(shortY.derivative(2, j), kUntouched);
  EXPECT_EQ(shortY.derivative(1, 3), 0.0);
}

// A p x q matrix A(i, j) = (j - 1) p + i times a vector of s cells into m cells.
BlockBuilder matrixBlock(std::int64_t p, std::int64_t q, std::int64_t s, std::int64_t m) {
  BlockBuilder block;
  Cells a, b;
  for (std::int64_t k = 1; k <= p * q; ++k) a.push_back(static_cast<double>(k));
  for (std::int64_t k = 1; k <= s; ++k) b.push_back(0.5 * static_cast<double>(k) + 0.5);
  block.reals(a, {p, q});
  block.reals(b, {s});
  block.outputs(m, kSentinel);
  return block;
}

TEST(MatrixProduct, ValuesAndDerivativeColumns) {
  // A = [1 3 5; 2 4 6], B = (1, 1.5, 2).
  BlockBuilder block = matrixBlock(2, 3, 3, 2);
  block.call(XV55IF_SPMATR, 4);
  EXPECT_EQ(block.out(1), 1 + 4.5 + 10);
  EXPECT_EQ(block.out(2), 2 + 6 + 12);
  EXPECT_EQ(block.derivative(1, 2), kUntouched);  // Y(1) does not depend on A(2, 1)
  EXPECT_TRUE(derivativesAgree(checkDerivatives(block, XV55IF_SPMATR)));
  BlockBuilder tall = matrixBlock(3, 2, 2, 3);
  EXPECT_TRUE(derivativesAgree(checkDerivatives(tall, XV55IF_SPMATR)));
}

TEST(MatrixProduct, IncompatibleDimensionsFailOnEveryCall) {
  for (std::int64_t callType : {4, 3, 0}) {
    for (const BlockBuilder& shape : {matrixBlock(2, 3, 2, 2), matrixBlock(2, 3, 3, 3)}) {
      xv55::testing::ScopedCapture cap;
      BlockBuilder block = shape;
      block.call(XV55IF_SPMATR, callType);
      EXPECT_EQ(block.status, XV55_STATUS_ERROR);
      EXPECT_EQ(cap.printer.lines,
                std::vector<std::string>{
                    " SPMATR-F-Incompatible matrix dimensions for multiplication. "});
      EXPECT_EQ(cap.printer.severities, std::vector<std::int32_t>{4});
      for (std::int64_t i = 1; i <= block.outputCells(); ++i) {
        EXPECT_EQ(block.out(i), kSentinel);
        for (std::int64_t j = 1; j <= block.inputCells(); ++j) {
          EXPECT_EQ(block.derivative(i, j), kUntouched);
        }
      }
    }
  }
}

TEST(CallType, ValuesForZeroDerivativesForThreeNothingOtherwise) {
  struct Procedure {
    Xv55Entry entry;
    std::function<BlockBuilder()> block;
    bool derivativeCallWritesValue = false;
  };
  const Procedure procedures[] = {
      {XV55IF_SPSQRT, [] { return scalars({2.0}); }},
      {XV55IF_SPRAMP,
       [] {
         return scalars({2.0, 1.0, 3.0, 10.0, 20.0});
       }},
      {XV55IF_SPLIM_ABS,
       [] {
         return scalars({-3.0, 1.0, 5.0});
       }},
      {XV55IF_SPQUAL,
       [] {
         return scalars({2.0, 0.0, 10.0, 1.0, 3.0});
       },
       true},
      {XV55IF_SPRECV,
       [] {
         BlockBuilder b;
         b.reals({0.5, 2.0});
         b.integer(3);
         b.outputs(2, kSentinel);
         return b;
       }},
      {XV55IF_SPMATR, [] { return matrixBlock(2, 2, 2, 2); }},
  };
  for (const Procedure& procedure : procedures) {
    for (std::int64_t callType : {0, 1, 2, 3, 5, -1}) {
      BlockBuilder block = procedure.block();
      block.call(procedure.entry, callType);
      bool anyOutput = false, anyDerivative = false;
      for (std::int64_t i = 1; i <= block.outputCells(); ++i) {
        anyOutput |= block.out(i) != kSentinel;
        for (std::int64_t j = 1; j <= block.inputCells(); ++j) {
          anyDerivative |= block.derivative(i, j) != kUntouched;
        }
      }
      SCOPED_TRACE(testing::Message()
                   << "procedure " << &procedure - procedures << ", callType " << callType);
      EXPECT_EQ(anyOutput, callType == 0 || (callType == 3 && procedure.derivativeCallWritesValue));
      EXPECT_EQ(anyDerivative, callType == 3);
      EXPECT_EQ(block.status, 0);
    }
  }
}

TEST(PowerProducts, ProductsOverTheColumnsOfEInsideAllArrays) {
  // x = (2, 3), E = [1 0 2; 2 1 0]; NaN cells lie past the declared extents.
  auto run = [](const Cells& x, std::int64_t n, const Cells& e, std::int64_t rows,
                std::int64_t yExtent) {
    BlockBuilder block;
    block.reals(x, {n});
    block.reals(e, {rows, static_cast<std::int64_t>(e.size()) / rows});
    block.outputs(3, {yExtent}, kSentinel);
    block.call(XV55IF_SPPROD);
    return Cells{block.out(1), block.out(2), block.out(3)};
  };
  EXPECT_EQ(run({2, 3}, 2, {1, 2, 0, 1, 2, 0}, 2, 3), (Cells{18, 3, 4}));
  EXPECT_EQ(run({2, kNaN}, 1, {1, 2, 0, 1, 2, 0}, 2, 2), (Cells{2, 1, kSentinel}));
  EXPECT_EQ(run({2, 3}, 2, {3, 1}, 1, 3), (Cells{8, 2, kSentinel}));
  EXPECT_EQ(run({kNaN}, 0, {1, 2}, 1, 3), (Cells{1, 1, kSentinel}));
}

TEST(ClippedProduct, ClipsLocallyAndStaysInsideBothArrays) {
  auto run = [](const Cells& x, std::int64_t n, const Cells& e) {
    BlockBuilder block;
    block.reals(x, {n});
    block.reals(e, {static_cast<std::int64_t>(e.size())});
    block.output(kSentinel);
    block.call(XV55IF_SPPRD1);
    for (std::int64_t k = 1; k <= n; ++k) EXPECT_EQ(block.inputCell(k).real, x[k - 1]);
    return block.out(1);
  };
  EXPECT_DOUBLE_EQ(run({0.0, 4.0, -1.0}, 3, {2.0, 0.5, 1.0}), 1e-30 * 2.0 * 1e-15);
  EXPECT_EQ(run({2.0, 3.0}, 2, {3.0}), 8.0);
  EXPECT_EQ(run({kNaN}, 0, {2.0}), 1.0);
}

TEST(StepFraction, LargestAdmissibleStep) {
  auto run = [](const Cells& x, std::int64_t n, const Cells& dx) {
    BlockBuilder block;
    block.reals(x, {n});
    block.reals(dx, {static_cast<std::int64_t>(dx.size())});
    block.output(kSentinel);
    block.call(XV55IF_SPRFAC);
    return block.out(1);
  };
  EXPECT_EQ(run({1.0, 2.0}, 2, {0.5, 0.0}), 1.0);
  EXPECT_EQ(run({1.0, 2.0}, 2, {-1.0, -6.0}), 0.25);
  EXPECT_EQ(run({1.0, 0.0, 2.0}, 3, {-1.0, -1.0, -6.0}), 0.0);
  EXPECT_EQ(run({1.0, -1.0}, 2, {-1.0, -1.0}), 0.5);  // x = dx: ignored
  EXPECT_EQ(run({1.0}, 1, {}), 1.0);
  EXPECT_EQ(run({2.0, kNaN}, 1, {-2.0, -1.0}), 0.5);  // dx longer than x
}

TEST(PhaseDistribution, BothBranchesNormalisedInsideAllArrays) {
  // b = (1, 2), a = (2, 1), f = 0.5, p = (1, 1), K = (2, 4), q = (1, 1): cell 1
  // from a (u = 0.5, w = 1), cell 2 from b (u = 1, w = 4).
  auto run = [](std::int64_t qExtent) {
    BlockBuilder block;
    block.reals({1.0, 2.0});
    block.reals({2.0, 1.0});
    block.real(0.5);
    block.reals({1.0, 1.0});
    block.reals({2.0, 4.0});
    block.reals(Cells{1.0, 1.0}, {qExtent});
    block.outputs(2, kSentinel);
    block.outputs(2, kSentinel);
    block.call(XV55IF_SPDISF);
    return Cells{block.out(1), block.out(2), block.out(3), block.out(4)};
  };
  const Cells full = run(2);
  EXPECT_DOUBLE_EQ(full[0], 0.2);
  EXPECT_DOUBLE_EQ(full[1], 0.8);
  EXPECT_DOUBLE_EQ(full[2], 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(full[3], 2.0 / 3.0);
  EXPECT_EQ(run(1), (Cells{1.0, kSentinel, 1.0, kSentinel}));
}

TEST(ViscosityCorrection, EachRange) {
  const std::pair<double, double> cases[] = {
      {1.0, 0.10003515246807904},  // the logarithm's argument is floored at 14.63
      {20.0, 0.17774130849614145},
      {200.0, 0.7500119780893899},
      {1000.0, 0.884993680475401},
      {59000.0, 1.0},  // capped
      {1e6, 1.0},
  };
  for (auto [x, expected] : cases) EXPECT_NEAR(eval(XV55IF_SPVISCCORR, {x}).y, expected, 1e-12);
}

TEST(ProfileLookup, InterpolatesAndAlwaysReportsInformation) {
  auto lookup = [](double x, std::int64_t yExtent) {
    BlockBuilder block;
    block.real(x);
    block.reals({1.0, 2.0, 4.0});
    block.reals(Cells{10.0, 20.0, 40.0}, {yExtent});
    block.output(kSentinel);
    block.call(XV55IF_SPRPPROFILE);
    EXPECT_EQ(block.status, XV55_STATUS_INFORMATION);
    return block.out(1);
  };
  EXPECT_EQ(lookup(0.0, 3), 10.0);
  EXPECT_EQ(lookup(5.0, 3), 40.0);
  EXPECT_EQ(lookup(2.0, 3), 20.0);
  EXPECT_EQ(lookup(3.0, 3), 30.0);
  EXPECT_EQ(lookup(5.0, 2), 20.0);       // Y shorter than X: its last cell ends the table
  EXPECT_EQ(lookup(3.0, 0), kSentinel);  // no table: the output is kept
}

}  // namespace
