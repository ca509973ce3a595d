// The shared curve forms: the bisections stop where scans from the front stop,
// ties included, and pump and compressor evaluations over a dense grid give the
// scanned results bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "curve_blocks.hpp"
#include "curves/curve_forms.hpp"
#include "host/data_management.h"

namespace {

using namespace xv55;
using namespace xv55::testing;
using curves::BeyondLastKnot;
using curves::CurveValue;
using curves::Interval;
using curves::SplineCurve;

// The first knot from the second on at or above x, else the last (extrapolating).
Interval scannedInterval(const SplineCurve& c, double x) {
  for (std::int64_t i = 2; i <= c.n; ++i) {
    if (c.knots[i - 1] >= x) return {i, false};
  }
  return {c.n, true};
}

// The lower of the two bracketing speed lines.
std::int64_t scannedLowerLine(const double* speed, std::int64_t nc, double s) {
  if (speed[0] >= s) return 1;
  if (s >= speed[nc - 1]) return nc - 1;
  for (std::int64_t i = 1; i < nc; ++i) {
    if (speed[i - 1] < s && s <= speed[i]) return i;
  }
  return -1;
}

// Every value, its neighbours, points between and far outside.
std::vector<double> gridAround(const std::vector<double>& v, int between) {
  std::vector<double> grid = {-1e300, v.front() - 7.0, v.back() + 7.0, 1e300};
  for (std::size_t k = 0; k < v.size(); ++k) {
    for (double d : {-HUGE_VAL, 0.0, HUGE_VAL}) grid.push_back(std::nextafter(v[k], d));
    for (int j = 1; k + 1 < v.size() && j < between; ++j) {
      grid.push_back(v[k] + (v[k + 1] - v[k]) * j / between);
    }
  }
  return grid;
}

bool same(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(CurveSearch, BisectionsStopWhereScansStopTiesIncluded) {
  for (const std::vector<double>& v : {std::vector<double>{0, 1},
                                       {0, 1, 1, 1, 2, 3, 3, 5},
                                       {-3, -3, -3},
                                       {1, 2, 4, 8, 16, 32, 64, 65, 66, 70}}) {
    const auto n = static_cast<std::int64_t>(v.size());
    const SplineCurve curve{v.data(), v.data(), n};
    for (double x : gridAround(v, 4)) {
      const Interval found = curves::intervalOf(curve, x), scanned = scannedInterval(curve, x);
      EXPECT_TRUE(found.end == scanned.end && found.beyondEnd == scanned.beyondEnd) << x;
      const curves::SpeedBracket b = curves::bracketOf(v.data(), n, x);
      EXPECT_EQ(b.lower, scannedLowerLine(v.data(), n, x)) << x;
      EXPECT_TRUE(same(b.offset, x - v[static_cast<std::size_t>(b.lower - 1)])) << x;
    }
  }
}

// Ten curves of twenty points, in descending speed with descending flows.
Curves dense() {
  Curves c;
  for (int k = 0; k < 10; ++k) {
    const double n = 3000.0 - 250.0 * k - 7.0 * (k % 3);
    c.speeds.push_back(n);
    c.x.emplace_back();
    c.y.emplace_back();
    for (int p = 19; p >= 0; --p) {
      const double q = n / 100.0 * (p + 0.1 * ((p * 7 + k) % 5));
      c.x.back().push_back(q);
      c.y.back().push_back(n * n / 9e4 - 0.02 * q * q + std::sin(0.3 * p + k));
    }
  }
  return c;
}

// The scanned family value at (S, X) from prepared curves: Y, dY/dX, dY/dS.
std::vector<double> scanned(const double* prepared, double s, double x, BeyondLastKnot rule) {
  const std::int64_t nc = 10;
  auto curveAt = [&](std::int64_t c) {
    std::int64_t offset = 2 * nc;
    for (std::int64_t k = 1; k < c; ++k)
      offset += 5 * static_cast<std::int64_t>(prepared[k - 1]) - 4;
    const auto n = static_cast<std::int64_t>(prepared[c - 1]);
    const SplineCurve curve{prepared + offset, prepared + offset + n, n};
    const Interval in = scannedInterval(curve, x);
    if (!in.beyondEnd || rule == BeyondLastKnot::ExtendCubic) {
      return curves::valueInInterval(curve, in, x);
    }
    const double last = curve.knots[n - 1];
    const double y = curves::valueInInterval(curve, in, last).y - (x - last);
    return y > 0.0 ? CurveValue{y, -1.0, true} : CurveValue{0.0, 0.0, true};
  };
  const double* speed = prepared + nc;
  const std::int64_t i = scannedLowerLine(speed, nc, s);
  const CurveValue a = curveAt(i), b = curveAt(i + 1);
  const double si = speed[i - 1], sj = speed[i];
  return {a.y + (s - si) * (b.y - a.y) / (sj - si),
          a.slope + (s - si) * (b.slope - a.slope) / (sj - si), (b.y - a.y) / (sj - si)};
}

class DenseGrid : public CurveTest {
 protected:
  // Compares at every speed and knot and on fine grids around them.
  void compare(BlockBuilder& b, Xv55Entry entry, const double* prepared, BeyondLastKnot rule) {
    const Curves c = dense();
    std::vector<double> flows;
    for (const auto& x : c.x) flows.insert(flows.end(), x.begin(), x.end());
    for (double x = -5.0; x < 620.0; x += 0.731) flows.push_back(x);
    long compared = 0;
    for (double s : gridAround(std::vector<double>(c.speeds.rbegin(), c.speeds.rend()), 3)) {
      for (double x : flows) {
        operateAt(b, s, x);
        b.call(entry, 4);
        printer.clear();
        const std::vector<double> want = scanned(prepared, s, x, rule);
        const std::vector<double> got = {b.out(1), b.derivative(1, flowColumn(b)),
                                         b.derivative(1, speedColumn(b))};
        for (std::size_t k = 0; k < 3; ++k) ASSERT_TRUE(same(got[k], want[k])) << s << " " << x;
        ++compared;
      }
    }
    EXPECT_GT(compared, 50000);
  }
};

TEST_F(DenseGrid, PumpGivesTheScannedResultsBitForBit) {
  BlockBuilder b = curveBlock("Tabular data", dense(), 1000, nullptr, {}, {}, "Natural");
  b.call(XV55IF_SPPUMPCURVE, 1);
  const std::vector<double> prepared = b.work;
  compare(b, XV55IF_SPPUMPCURVE, prepared.data(), BeyondLastKnot::ExtendCubic);
  EXPECT_EQ(b.work, prepared);  // evaluation leaves the workspace alone
}

TEST_F(DenseGrid, CompressorGivesTheScannedResultsBitForBit) {
  BlockBuilder b = curveBlock("Tabular data", dense(), 2, "", std::vector<double>(10, 0.0),
                              std::vector<double>(10, 1e300));
  b.call(XV55IF_SPPCURVE, 1);
  const auto locator = static_cast<std::int64_t>(b.work[0]);
  compare(b, XV55IF_SPPCURVE, &host::plex(DMS_LOCATR(&locator) + 1).real,
          BeyondLastKnot::FallToZero);
}

}  // namespace
