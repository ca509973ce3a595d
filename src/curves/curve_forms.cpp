// Evaluation of the shared curve forms: interval and speed-line search by
// bisection, value and slope from one interval's coefficients, speed brackets.
#include "curves/curve_forms.hpp"

#include <cstdint>

namespace xv55::curves {
namespace {

// The first index k in 0..len-1 with a[k] >= x, or len: for ascending a, the index
// a scan from the front stops at.
std::int64_t firstAtOrAbove(const double* a, std::int64_t len, double x) {
  std::int64_t first = 0;
  while (len > 0) {
    const std::int64_t half = len / 2;
    if (a[first + half] < x) {
      first += half + 1;
      len -= half + 1;
    } else {
      len = half;
    }
  }
  return first;
}

}  // namespace

Interval intervalOf(const SplineCurve& curve, double x) {
  // Knots 2..n are knots[1..n-1].
  const std::int64_t k = firstAtOrAbove(curve.knots + 1, curve.n - 1, x);
  if (k == curve.n - 1) return {curve.n, true};
  return {k + 2, false};
}

CurveValue valueInInterval(const SplineCurve& curve, Interval interval, double x) {
  const double left = curve.knots[interval.end - 2];
  const double h = curve.knots[interval.end - 1] - left;
  const double d = x - left;
  const double* a = curve.coefficients + 4 * (interval.end - 2);
  // t exactly 1 at the right knot; the reciprocal, independent of t, serves the slope.
  const double t = d / h;
  const double perH = 1.0 / h;
  CurveValue v;
  v.y = ((a[3] * t + a[2]) * t + a[1]) * t + a[0];
  v.slope = ((3.0 * a[3] * t + 2.0 * a[2]) * t + a[1]) * perH;  // dy/dx
  v.beyondEnd = interval.beyondEnd;
  return v;
}

CurveValue evaluate(const SplineCurve& curve, double x, BeyondLastKnot rule) {
  const Interval interval = intervalOf(curve, x);
  if (!interval.beyondEnd || rule == BeyondLastKnot::ExtendCubic) {
    return valueInInterval(curve, interval, x);
  }
  const double lastKnot = curve.knots[curve.n - 1];
  const double falling = valueInInterval(curve, interval, lastKnot).y - (x - lastKnot);
  if (falling > 0.0) return {falling, -1.0, true};  // dy/dx = -1
  return {0.0, 0.0, true};
}

CurveValue evaluateCubic(const double* c, double x) {
  CurveValue v;
  v.y = c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x;
  v.slope = c[1] + 2.0 * c[2] * x + 3.0 * c[3] * x * x;  // dy/dx
  return v;
}

SpeedBracket bracketOf(const double* speeds, std::int64_t nc, double s) {
  SpeedBracket b;
  if (nc < 2) return b;
  if (speeds[0] >= s) {
    b.lower = 1;
  } else if (s >= speeds[nc - 1]) {
    b.lower = nc - 1;
  } else {
    // The first line from the second on at or above S is the upper one.
    b.lower = firstAtOrAbove(speeds + 1, nc - 1, s) + 1;
  }
  b.single = false;
  const double width = speeds[b.lower] - speeds[b.lower - 1];
  b.fraction = (s - speeds[b.lower - 1]) / width;
  b.perWidth = 1.0 / width;
  return b;
}

bool TabularCurves::countsWithin(std::int64_t np) const {
  // Counts are stored as reals and read back by truncation.
  const double above = static_cast<double>(np) + 1.0;
  for (std::int64_t c = 0; c < nc_; ++c) {
    const double n = prepared_[c];
    if (!(n >= 2.0 && n < above)) return false;
  }
  return true;
}

std::int64_t TabularCurves::length() const {
  std::int64_t total = 2 * nc_;
  for (std::int64_t c = 1; c <= nc_; ++c) total += 5 * pointsOf(c) - 4;
  return total;
}

std::pair<CurveValue, CurveValue> TabularCurves::atPair(std::int64_t c, double x) const {
  const SplineCurve lower = curve(c);
  const std::int64_t offset = (lower.knots - prepared_) + 5 * lower.n - 4;
  const std::int64_t n = pointsOf(c + 1);
  const SplineCurve upper{prepared_ + offset, prepared_ + offset + n, n};
  return {evaluate(lower, x, rule_), evaluate(upper, x, rule_)};
}

SplineCurve TabularCurves::curve(std::int64_t c) const {
  std::int64_t offset = 2 * nc_;
  for (std::int64_t k = 1; k < c; ++k) offset += 5 * pointsOf(k) - 4;
  const std::int64_t n = pointsOf(c);
  return {prepared_ + offset, prepared_ + offset + n, n};
}

}  // namespace xv55::curves
