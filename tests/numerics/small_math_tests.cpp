// Small math procedures, called through their entry points as a host calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "support/capture_printer.hpp"
#include "xv55/testing/block_builder.hpp"
#include "xv55/xv55.h"

namespace {

using xv55::BlockBuilder;
using Cells = std::vector<double>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kUntouched = BlockBuilder::kUntouched;
constexpr double kSentinel = 777.0;

// Scalar inputs x, rest... and one output cell holding kSentinel.
BlockBuilder scalars(double x, const Cells& rest = {}) {
  BlockBuilder block;
  block.real(x);
  for (double v : rest) block.real(v);
  block.output(kSentinel);
  return block;
}

// SPRECV: x (declared extent xExtent), N, and yCells output cells (declared yExtent).
BlockBuilder series(const Cells& x, std::int64_t xExtent, std::int64_t n, std::int64_t yCells,
                    std::int64_t yExtent) {
  BlockBuilder block;
  block.reals(x, {xExtent});
  block.integer(n);
  block.outputs(yCells, {yExtent}, kSentinel);
  return block;
}

// SPMATR: A(i, j) = (j - 1) p + i of p x q cells, B(k) = (k + 1) / 2 of s cells, m outputs.
BlockBuilder matrixBlock(std::int64_t p, std::int64_t q, std::int64_t s, std::int64_t m) {
  Cells a, b;
  for (std::int64_t k = 1; k <= p * q; ++k) a.push_back(static_cast<double>(k));
  for (std::int64_t k = 1; k <= s; ++k) b.push_back(0.5 * static_cast<double>(k) + 0.5);
  BlockBuilder block;
  block.reals(a, {p, q});
  block.reals(b, {s});
  block.outputs(m, kSentinel);
  return block;
}

Cells outputsAfter(BlockBuilder& block, Xv55Entry entry) {
  block.call(entry);
  Cells out;
  for (std::int64_t i = 1; i <= block.outputCells(); ++i) out.push_back(block.out(i));
  return out;
}

// Whether any output cell / any derivative element was written.
std::pair<bool, bool> written(BlockBuilder& block) {
  std::pair<bool, bool> any{false, false};
  for (std::int64_t i = 1; i <= block.outputCells(); ++i) {
    any.first |= block.out(i) != kSentinel;
    for (std::int64_t j = 1; j <= block.inputColumns(); ++j) {
      any.second |= block.derivative(i, j) != kUntouched;
    }
  }
  return any;
}

// A scalar procedure's inputs, its value and its derivative row there (NaN: NaN),
// the row worked out by hand from the procedure's formula on that branch.
struct Branch {
  Xv55Entry entry;
  Cells inputs;
  double y;
  Cells row;
};

// Values for call types 0 and 4 (and 3 for SPQUAL, which rewrites its value on a
// derivative call), derivatives for 3 and 4, nothing for any other call type.  A
// NaN or infinite input gives NaN, derivatives included, where a clip or a branch
// choice would otherwise hide it.
TEST(ScalarProcedures, ValuesAndDerivativeRowsOnEveryBranchAndCallType) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const Cells nan5(5, kNaN), nan3(3, kNaN);
  const Branch table[] = {
      {XV55IF_SPSQRT, {4}, 2, {0.25}},
      {XV55IF_SPSQRT, {-4}, -2, {0.25}},
      {XV55IF_SPSQRT, {kInf}, kNaN, {kNaN}},
      // x, x1, x2, y1, y2: below, on and above the ramp.  On it, with t = 0.75:
      // (s, (y - y2)/(x2 - x1), -(y - y1)/(x2 - x1), 1 - t, t).
      {XV55IF_SPRAMP, {0, 1, 3, 10, 20}, 10, {0, 0, 0, 1, 0}},
      {XV55IF_SPRAMP, {2.5, 1, 3, 10, 20}, 17.5, {5, -1.25, -3.75, 0.25, 0.75}},
      {XV55IF_SPRAMP, {5, 1, 3, 10, 20}, 20, {0, 0, 0, 0, 1}},
      // y1 > y2: the value is y2 wherever x lies, and so is the row.
      {XV55IF_SPRAMP, {0, 1, 3, 20, 10}, 10, {0, 0, 0, 0, 1}},
      {XV55IF_SPRAMP, {2, 1, 3, 20, 10}, 10, {0, 0, 0, 0, 1}},
      {XV55IF_SPRAMP, {5, 1, 3, 20, 10}, 10, {0, 0, 0, 0, 1}},
      {XV55IF_SPRAMP, {kNaN, 0, 1, 0, 1}, kNaN, nan5},
      {XV55IF_SPRAMP, {kInf, 0, 1, 0, 1}, kNaN, nan5},
      {XV55IF_SPRAMP, {0.5, 0, 1, kNaN, 1}, kNaN, nan5},
      // x, lo, hi
      {XV55IF_SPLIM_ABS, {-3, 1, 5}, 3, {-1, 0, 0}},
      {XV55IF_SPLIM_ABS, {0.5, 1, 5}, 1, {0, 1, 0}},
      {XV55IF_SPLIM_ABS, {-7, 1, 5}, 5, {0, 0, 1}},
      {XV55IF_SPLIM_ABS, {kNaN, 1, 5}, kNaN, nan3},
      {XV55IF_SPLIM_ABS, {-kInf, 1, 5}, kNaN, nan3},
      // x, c, d, a, b: outside [a, b] the fraction is across (a, b), else (c, d).
      {XV55IF_SPQUAL, {5, 0, 10, 1, 3}, 2, {0.5, 0, 0, 0.5, -1}},
      {XV55IF_SPQUAL, {2, 0, 10, 3, 1}, 0.2, {0.1, -0.08, -0.02, 0, 0}},
      {XV55IF_SPQUAL, {0.5, 0, 1, kNaN, 2}, kNaN, nan5},
      {XV55IF_SPVISCCORR, {kNaN}, kNaN, {}},
      {XV55IF_SPVISCCORR, {kInf}, kNaN, {}},
  };
  const auto same = [](double got, double want) {
    return std::isnan(want) ? std::isnan(got) : std::fabs(got - want) <= 1e-15 * std::fabs(want);
  };
  for (const Branch& b : table) {
    for (std::int64_t mode : {0, 1, 2, 3, 4, 5, -1}) {
      SCOPED_TRACE(testing::Message() << "case " << &b - table << ", call type " << mode);
      BlockBuilder block = scalars(b.inputs[0], Cells(b.inputs.begin() + 1, b.inputs.end()));
      // A derivative-only call follows a value call: the output cell holds the value.
      const double before = mode == 3 && !std::isnan(b.y) ? b.y : kSentinel;
      block.outputCell(1).real = before;
      block.call(b.entry, mode);
      const bool rows = !b.row.empty() && (mode == 3 || mode == 4);
      const bool value =
          mode == 0 || mode == 4 || b.row.empty() || (mode == 3 && b.entry == XV55IF_SPQUAL);
      EXPECT_TRUE(same(block.out(1), value ? b.y : before)) << block.out(1);
      for (std::size_t j = 0; j < b.row.size(); ++j) {
        const double got = block.derivative(1, static_cast<std::int64_t>(j) + 1);
        EXPECT_TRUE(same(got, rows ? b.row[j] : kUntouched)) << j << ": " << got;
      }
      EXPECT_EQ(block.status, 0);
    }
  }
  // A derivative-only ramp call takes y from the output cell: (y - y2) / (x2 - x1).
  BlockBuilder ramp = scalars(2.5, {1.0, 3.0, 10.0, 20.0});
  ramp.outputCell(1).real = 16.0;
  ramp.call(XV55IF_SPRAMP, 3);
  EXPECT_EQ(ramp.derivative(1, 2), -2.0);
}

TEST(SeriesFraction, ValuesInEachRegimeInsideShortArrays) {
  // x = (0.5, 2, 1, 0): the series or its saturated ends, the limit 1 / (N + 1) at
  // x = 1, 1 below the tiny base; N + 1 is formed without overflow at the ends of
  // the integer range.
  const std::pair<std::int64_t, Cells> cases[] = {{3, {0.5 / 0.9375, 1.0 / 15.0, 0.25}},
                                                  {200, {0.5, 0.0, 1.0 / 201.0}},
                                                  {INT64_MAX, {0.5, 0.0, 0x1p-63}},
                                                  {INT64_MIN, {0.0, -1.0, -0x1p-63}}};
  for (const auto& [n, y] : cases) {
    BlockBuilder block = series({0.5, 2.0, 1.0, 0.0}, 4, n, 4, 4);
    const Cells out = outputsAfter(block, XV55IF_SPRECV);
    EXPECT_EQ(Cells(out.begin(), out.begin() + 3), y) << "N = " << n;
    EXPECT_EQ(out[3], 1.0);
    EXPECT_EQ(block.derivative(1, 2), 0.0);         // the block is cleared
    EXPECT_EQ(block.derivative(4, 4), 0.0);         // below the tiny base
    EXPECT_EQ(block.derivative(1, 5), kUntouched);  // N has no column
  }
  // x shorter than y: the NaN cells past x's extent are not read, y(3..4) kept.
  BlockBuilder longY = series({0.5, 2.0, kNaN, kNaN}, 2, 3, 4, 4);
  longY.call(XV55IF_SPRECV, 4);
  EXPECT_FALSE(std::isnan(longY.out(2)));
  EXPECT_EQ(longY.out(3), kSentinel);
  EXPECT_EQ(longY.out(4), kSentinel);
  // y shorter than x: cells past y's extent and their derivative rows are kept.
  BlockBuilder shortY = series({0.5, 2.0, 0.7}, 3, 3, 3, 1);
  shortY.call(XV55IF_SPRECV, 4);
  EXPECT_EQ(shortY.out(2), kSentinel);
  for (std::int64_t j = 1; j <= 4; ++j) EXPECT_EQ(shortY.derivative(2, j), kUntouched);
  EXPECT_EQ(shortY.derivative(1, 3), 0.0);
}

// 1 / (1 + x + ... + x^N) and its derivative, summed in long double: the series
// itself, without the quotient's 0 / 0 at x = 1.
std::pair<long double, long double> geometric(long double x, int n) {
  long double sum = 0, slope = 0, power = 1;  // power = x^k
  for (int k = 0; k <= n; ++k) {
    sum += power;
    if (k < n) slope += (k + 1) * power;
    power *= x;
  }
  return {1 / sum, -slope / (sum * sum)};
}

TEST(SeriesFraction, AtAndNearOneValueAndSlopeKeepFullAccuracy) {
  for (int n : {1, 5, 50}) {
    for (double x : {1.0, 1 + 1e-12, 1 - 1e-12, 1 + 1e-9, 1 - 1e-9, 1 + 1e-6, 1 - 1e-6, 1.001,
                     0.999, 1.05, 0.95, 1.104, 0.906, 1.3, 0.8}) {
      BlockBuilder block = series({x}, 1, n, 1, 1);
      block.call(XV55IF_SPRECV, 4);
      const auto [y, slope] = geometric(x, n);
      EXPECT_NEAR(block.out(1), static_cast<double>(y), 1e-14 * static_cast<double>(y))
          << n << " " << x;
      EXPECT_NEAR(block.derivative(1, 1), static_cast<double>(slope),
                  1e-13 * std::fabs(static_cast<double>(slope)))
          << n << " " << x;
    }
  }
}

TEST(MatrixProduct, ValuesAndDerivativeColumns) {
  BlockBuilder block = matrixBlock(2, 3, 3, 2);  // A = [1 3 5; 2 4 6], B = (1, 1.5, 2)
  block.call(XV55IF_SPMATR, 4);
  EXPECT_EQ(block.out(1), 15.5);
  EXPECT_EQ(block.out(2), 20.0);
  // dY(i)/dA(i, j) = B(j) in the column of A's cell (j - 1) p + i, dY(i)/dB(j) = A(i, j)
  // in column p q + j, nothing else.
  const auto row = [&](std::int64_t i) {
    Cells r;
    for (std::int64_t j = 1; j <= 9; ++j) r.push_back(block.derivative(i, j));
    return r;
  };
  const double u = kUntouched;
  EXPECT_EQ(row(1), (Cells{1, u, 1.5, u, 2, u, 1, 3, 5}));
  EXPECT_EQ(row(2), (Cells{u, 1, u, 1.5, u, 2, 2, 4, 6}));
}

TEST(MatrixProduct, IncompatibleDimensionsFailOnEveryCall) {
  for (std::int64_t callType : {4, 3, 0}) {
    for (BlockBuilder block : {matrixBlock(2, 3, 2, 2), matrixBlock(2, 3, 3, 3)}) {
      xv55::testing::ScopedCapture cap;
      block.call(XV55IF_SPMATR, callType);
      EXPECT_EQ(block.status, XV55_STATUS_ERROR);
      EXPECT_EQ(cap.printer.text(),
                " SPMATR-F-Incompatible matrix dimensions for multiplication. \n");
      EXPECT_EQ(cap.printer.severities, std::vector<std::int32_t>{4});
      EXPECT_EQ(written(block), std::make_pair(false, false)) << "callType " << callType;
    }
  }
}

TEST(CallType, ArrayProceduresComputeOnlyWhatTheCallTypeAsks) {
  const std::pair<Xv55Entry, BlockBuilder> procedures[] = {
      {XV55IF_SPRECV, series({0.5, 2.0}, 2, 3, 2, 2)}, {XV55IF_SPMATR, matrixBlock(2, 2, 2, 2)}};
  for (const auto& [entry, given] : procedures) {
    for (std::int64_t callType : {0, 1, 2, 3, 5, -1}) {
      BlockBuilder block = given;
      block.call(entry, callType);
      EXPECT_EQ(written(block), std::make_pair(callType == 0, callType == 3)) << callType;
      EXPECT_EQ(block.status, 0);
    }
  }
}

// A procedure without derivatives: each input a scalar (rows < 0) or an array with its
// declared extents (cells past them may follow), each output a scalar (extent < 0) or
// cells with their declared extent, and the outputs after a call (NaN: NaN).
struct In {
  Cells cells;
  std::int64_t rows = -1, columns = -1;
};
struct Valued {
  Xv55Entry entry;
  std::vector<In> inputs;
  std::vector<std::pair<std::int64_t, std::int64_t>> outputs;
  Cells want;
};

TEST(ValueProcedures, ValuesInsideTheDeclaredExtentsInputsLeftAlone) {
  const In x12{{1, 2}, 2}, b = {{1.5, 2}, 2}, a = {{2, 1}, 2}, half = {{0.5}}, ones = {{1, 1}, 2};
  const In xs = {{1, 2, 4}, 3}, ys = {{10, 20, 40}, 3};
  const Valued cases[] = {
      // SPPROD: x = (2, 3), E = [1 0 2; 2 1 0]; products over the columns of E.
      {XV55IF_SPPROD, {{{2, 3}, 2}, {{1, 2, 0, 1, 2, 0}, 2, 3}}, {{3, 3}}, {18, 3, 4}},
      {XV55IF_SPPROD, {{{2, kNaN}, 1}, {{1, 2, 0, 1, 2, 0}, 2, 3}}, {{3, 2}}, {2, 1, kSentinel}},
      {XV55IF_SPPROD, {{{2, 3}, 2}, {{3, 1}, 1, 2}}, {{3, 3}}, {8, 2, kSentinel}},
      {XV55IF_SPPROD, {{{kNaN}, 0}, {{1, 2}, 1, 2}}, {{3, 3}}, {1, 1, kSentinel}},
      {XV55IF_SPPROD, {{{1, kNaN}, 2}, {{1, 0}, 2, 1}}, {{1, 1}}, {kNaN}},  // NaN^0 is no 1
      // SPPRD1: bases clipped at 1e-15 (not in the input cells).
      {XV55IF_SPPRD1, {{{0, 4, -1}, 3}, {{2, 0.5, 1}, 3}}, {{1, -1}}, {2e-45}},
      {XV55IF_SPPRD1, {{{2, 3}, 2}, {{3}, 1}}, {{1, -1}}, {8}},
      {XV55IF_SPPRD1, {{{kNaN}, 0}, {{2}, 1}}, {{1, -1}}, {1}},
      {XV55IF_SPPRD1, {{{kNaN, 2}, 2}, {{0, 1}, 2}}, {{1, -1}}, {kNaN}},
      {XV55IF_SPPRD1, {{{HUGE_VAL, 2}, 2}, {{-1, 1}, 2}}, {{1, -1}}, {kNaN}},
      // SPRFAC: the largest admissible step fraction x / (x - dx) over dx < 0.
      {XV55IF_SPRFAC, {x12, {{0.5, 0}, 2}}, {{1, -1}}, {1}},
      {XV55IF_SPRFAC, {x12, {{-1, -6}, 2}}, {{1, -1}}, {0.25}},
      {XV55IF_SPRFAC, {{{1, 1e-31, 2}, 3}, {{-1, -1, -6}, 3}}, {{1, -1}}, {0}},  // x <= 1e-30
      {XV55IF_SPRFAC, {{{1e-30}, 1}, {{-1}, 1}}, {{1, -1}}, {0}},
      {XV55IF_SPRFAC,
       {{{1.0000001e-30}, 1}, {{-1}, 1}},
       {{1, -1}},
       {1.0000001e-30 / (1 + 1.0000001e-30)}},
      {XV55IF_SPRFAC, {{{1, -1}, 2}, {{-1, -1}, 2}}, {{1, -1}}, {0.5}},  // x = dx: ignored
      // A zero step admits anything, even from x <= 0; |x - dx| <= 1e-15 is ignored.
      {XV55IF_SPRFAC, {{{-1, 0, 1e-40}, 3}, {{0, 0, 0}, 3}}, {{1, -1}}, {1}},
      {XV55IF_SPRFAC, {{{0}, 1}, {{-1e-15}, 1}}, {{1, -1}}, {1}},
      {XV55IF_SPRFAC, {{{0}, 1}, {{-1.5e-15}, 1}}, {{1, -1}}, {0}},
      {XV55IF_SPRFAC, {{{5e-16, 6e-16}, 2}, {{-5e-16, -6e-16}, 2}}, {{1, -1}}, {0.5}},
      {XV55IF_SPRFAC, {{{1}, 1}, {{}, 0}}, {{1, -1}}, {1}},
      {XV55IF_SPRFAC, {{{2, 0}, 1}, {{-2, -1}, 2}}, {{1, -1}}, {0.5}},  // x(2) not read
      {XV55IF_SPRFAC, {{{1, kNaN}, 2}, {{-1, -1}, 2}}, {{1, -1}}, {kNaN}},
      {XV55IF_SPRFAC, {x12, {{-1, kNaN}, 2}}, {{1, -1}}, {kNaN}},
      // SPDISF, outputs w then u: cell 1 from a (u = 0.5, w = 1), cell 2 from b (u = 1,
      // w = 4), normalised; a q of one cell shortens both; a NaN picks no branch.
      {XV55IF_SPDISF,
       {b, a, half, ones, {{2, 4}, 2}, ones},
       {{2, 2}, {2, 2}},
       {0.2, 0.8, 1.0 / 3.0, 2.0 / 3.0}},
      {XV55IF_SPDISF,
       {b, a, half, ones, {{2, 4}, 2}, {{1, 1}, 1}},
       {{2, 2}, {2, 2}},
       {1, kSentinel, 1, kSentinel}},
      {XV55IF_SPDISF,
       {b, {{kNaN, 1}, 2}, half, ones, ones, ones},
       {{2, 2}, {2, 2}},
       {kNaN, kNaN, kNaN, kNaN}},
      // SPRPPROFILE: the ends, a point, between points; Y shorter than X ends the
      // table; no table keeps the output.
      {XV55IF_SPRPPROFILE, {{{0}}, xs, ys}, {{1, -1}}, {10}},
      {XV55IF_SPRPPROFILE, {{{5}}, xs, ys}, {{1, -1}}, {40}},
      {XV55IF_SPRPPROFILE, {{{2}}, xs, ys}, {{1, -1}}, {20}},
      {XV55IF_SPRPPROFILE, {{{3}}, xs, ys}, {{1, -1}}, {30}},
      {XV55IF_SPRPPROFILE, {{{5}}, xs, {{10, 20, 40}, 2}}, {{1, -1}}, {20}},
      {XV55IF_SPRPPROFILE, {{{3}}, xs, {{10, 20, 40}, 0}}, {{1, -1}}, {kSentinel}},
      {XV55IF_SPRPPROFILE, {{{kNaN}}, xs, ys}, {{1, -1}}, {kNaN}},
  };
  for (const Valued& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    BlockBuilder block;
    Cells given;
    for (const In& in : c.inputs) {
      given.insert(given.end(), in.cells.begin(), in.cells.end());
      if (in.rows < 0) block.real(in.cells[0]);
      if (in.rows >= 0 && in.columns < 0) block.reals(in.cells, {in.rows});
      if (in.columns >= 0) block.reals(in.cells, {in.rows, in.columns});
    }
    for (auto [cells, extent] : c.outputs) {
      if (extent < 0) block.output(kSentinel);
      if (extent >= 0) block.outputs(cells, {extent}, kSentinel);
    }
    const Cells got = outputsAfter(block, c.entry);
    ASSERT_EQ(got.size(), c.want.size());
    for (std::size_t k = 0; k < got.size(); ++k) {
      const bool bothNaN = std::isnan(c.want[k]) && std::isnan(got[k]);
      if (!bothNaN) {
        EXPECT_NEAR(got[k], c.want[k], 1e-15 * std::fabs(c.want[k])) << k;
      }
    }
    for (std::size_t k = 0; k < given.size(); ++k) {
      const double now = block.inputCell(static_cast<std::int64_t>(k) + 1).real;
      EXPECT_EQ(std::memcmp(&now, &given[k], sizeof now), 0) << "input cell " << k + 1;
    }
    const bool profile = c.entry == XV55IF_SPRPPROFILE;
    EXPECT_EQ(block.status, profile ? XV55_STATUS_INFORMATION : 0);
  }
}

TEST(ViscosityCorrection, EachRange) {
  // The correlation with its single-precision coefficients as stored doubles.
  const auto correction = [](double x) {
    if (x <= 200)
      return std::max(0.1, 0.24853399395942688 * std::log(std::max(x, 14.63)) - 0.5667999982833862);
    const double l = std::log(x);
    return x > 60000 ? 1.0
                     : std::min(1.0, (0.20326000452041626 - 0.009780693799257278 * l) * l -
                                         0.05237051099538803);
  };
  // Below 14.63 the logarithm's argument is floored; from about 59000 the value is capped.
  for (double x : {1.0, 14.63, 20.0, 200.0, 200.5, 1000.0, 1e4, 59000.0, 60000.0, 1e6}) {
    BlockBuilder block = scalars(x);
    EXPECT_EQ(outputsAfter(block, XV55IF_SPVISCCORR)[0], correction(x)) << x;
  }
  BlockBuilder low = scalars(1.0);
  EXPECT_NEAR(outputsAfter(low, XV55IF_SPVISCCORR)[0], 0.100035, 1e-6);
}

// A non-finite cell of SPRECV gives NaN in its own value and slope only.
TEST(SeriesFraction, ANonFiniteCellGivesNaNInItsOwnValueAndSlope) {
  BlockBuilder block = series({std::numeric_limits<double>::infinity(), 0.5}, 2, 3, 2, 2);
  block.call(XV55IF_SPRECV, 4);
  EXPECT_TRUE(std::isnan(block.out(1)) && std::isnan(block.derivative(1, 1)));
  EXPECT_FALSE(std::isnan(block.out(2)));
}

// SPRECV saturates at t = ln(x)(N + 1) = 82.893: with N = 0 the series is exactly 1
// below it, 0 from it on.
TEST(Thresholds, SeriesSaturation) {
  for (const auto& [t, y] : {std::pair{82.892, 1.0}, std::pair{82.894, 0.0}}) {
    BlockBuilder block = series({std::exp(t)}, 1, 0, 1, 1);
    EXPECT_EQ(outputsAfter(block, XV55IF_SPRECV)[0], y) << "t = " << t;
  }
}

}  // namespace
