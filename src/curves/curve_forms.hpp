// The curve forms that the pump and compressor procedures share: a family of
// curves, one per speed line, each a spline through a table of points or a cubic
// polynomial, interpolated linearly in speed.
//
// Set-up checks the curve tables as the host gives them, sorts them and prepares
// them once (curve_setup.cpp).  Evaluation reads the prepared curves where they
// lie, in the workspace or in a host block, and allocates nothing: the bracketing
// speed lines and the spline interval are found by bisection over the sorted data,
// and one routine gives the value and the slope from the same interval
// coefficients.
//
// Prepared tabular layout (reals, numbered from 1): the point counts n(c) in slots
// 1..NC, the speeds in NC+1..2NC, then curve after curve in speed order its n(c)
// knots followed by its 4 (n(c) - 1) interval coefficients (5 n(c) - 4 reals).
// Interval k (knots k and k+1, width h) holds a0..a3 with
//   y = a0 + a1 t + a2 t^2 + a3 t^3,  t = (x - knot k) / h.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "curves/curves.hpp"
#include "entry/unpack.hpp"
#include "entry/views.hpp"
#include "host/services.hpp"

namespace xv55::curves {

// Coefficients of a cubic polynomial curve, c1 + c2 x + c3 x^2 + c4 x^3.
inline constexpr std::int64_t kCubicTerms = 4;

// ---- one curve ----

// A curve's value and slope at one x.
struct CurveValue {
  double y = 0.0;
  double slope = 0.0;      // dy/dx
  bool beyondEnd = false;  // x lies beyond the last knot
};

// One prepared spline curve: n ascending knots and their interval coefficients.
struct SplineCurve {
  const double* knots = nullptr;         // knot k at knots[k - 1]
  const double* coefficients = nullptr;  // interval k at coefficients[4 (k - 1)]
  std::int64_t n = 0;
};

// The interval whose coefficients serve x: `end` is the first knot index from 2 to n
// whose knot is at or above x (the interval is end - 1), or n when x lies beyond the
// last knot.  Bisection; for any ascending knots (ties included) it is the index a
// scan from 2 upwards finds.  x must not be NaN.
struct Interval {
  std::int64_t end = 2;
  bool beyondEnd = false;
};
inline Interval intervalOf(const SplineCurve& curve, double x);

// Value and slope at x from the coefficients of the interval ending at knot `end`:
// with h the interval's width and d = x - knot(end - 1), t = d / h,
//   y = ((a3 t + a2) t + a1) t + a0,  dy/dx = ((3 a3 t + 2 a2) t + a1) / h.
inline CurveValue valueInInterval(const SplineCurve& curve, Interval interval, double x);

// What a spline curve gives beyond its last knot.
enum class BeyondLastKnot {
  // the last interval's cubic, extended (the pump);
  ExtendCubic,
  // a line of slope -1 from the curve's value at its last knot, never below 0 (the
  // compressor: beyond the last point the machine is past stonewall).
  FallToZero,
};
inline CurveValue evaluate(const SplineCurve& curve, double x, BeyondLastKnot rule);

// c1 + c2 x + c3 x^2 + c4 x^3 and its slope.
inline CurveValue evaluateCubic(const double* c, double x);

// ---- speed lines ----

// The pair of speed lines (lower, lower + 1) that brackets a speed S: the first pair
// at or below the lowest speed, the last pair at or above the highest, otherwise the
// pair with SPEED(lower) < S <= SPEED(lower + 1).  A single curve is its own
// bracket and the speed plays no part.
struct SpeedBracket {
  std::int64_t lower = 1;
  bool single = true;
  // (S - SPEED(lower)) / (SPEED(lower + 1) - SPEED(lower)): 0 on the lower line, 1
  // exactly on the upper one.
  double fraction = 0.0;
  double perWidth = 1.0;  // 1 / (SPEED(lower + 1) - SPEED(lower))

  // v1 + (S - SPEED(lower)) (v2 - v1) / (SPEED(lower + 1) - SPEED(lower)), linear in
  // speed through the values v1, v2 of the two lines (extrapolated outside them).
  double across(double v1, double v2) const { return v1 + fraction * (v2 - v1); }
  // Its derivative with respect to S.
  double slope(double v1, double v2) const { return (v2 - v1) * perWidth; }  // dv/dS
};

// `speeds` ascending (ties included), S not NaN; bisection.
inline SpeedBracket bracketOf(const double* speeds, std::int64_t nc, double s);

// ---- a family of curves ----

// The prepared tabular curves where they lie.
class TabularCurves {
 public:
  TabularCurves(const double* prepared, std::int64_t nc, BeyondLastKnot rule)
      : prepared_(prepared), nc_(nc), rule_(rule) {}

  // Whether every stored point count reads as 2..np, so that every curve lies within
  // 5 np nc - 2 nc reals of the prepared data.
  inline bool countsWithin(std::int64_t np) const;
  // Reals the prepared curves occupy (counts checked first).
  std::int64_t length() const;

  const double* speeds() const { return prepared_ + nc_; }
  std::int64_t count() const { return nc_; }
  // Curve c, 1-based (counts checked first).
  inline SplineCurve curve(std::int64_t c) const;
  CurveValue at(std::int64_t c, double x) const { return evaluate(curve(c), x, rule_); }
  // Curves c and c + 1 at x, found in one pass over the counts before them.
  inline std::pair<CurveValue, CurveValue> atPair(std::int64_t c, double x) const;

 private:
  std::int64_t pointsOf(std::int64_t c) const {
    return static_cast<std::int64_t>(prepared_[c - 1]);
  }

  const double* prepared_;
  std::int64_t nc_;
  BeyondLastKnot rule_;
};

// Prepared cubic polynomial curves: the speeds, and `stride` coefficients per curve
// (the first four used).
class PolynomialCurves {
 public:
  PolynomialCurves(const double* speeds, const double* coefficients, std::int64_t stride,
                   std::int64_t nc)
      : speeds_(speeds), coefficients_(coefficients), stride_(stride), nc_(nc) {}

  const double* speeds() const { return speeds_; }
  std::int64_t count() const { return nc_; }
  CurveValue at(std::int64_t c, double x) const {
    return evaluateCubic(coefficients_ + (c - 1) * stride_, x);
  }
  std::pair<CurveValue, CurveValue> atPair(std::int64_t c, double x) const {
    return {at(c, x), at(c + 1, x)};
  }

 private:
  const double* speeds_;
  const double* coefficients_;
  std::int64_t stride_;
  std::int64_t nc_;
};

// A family's value at (S, x): the bracketing curves' values interpolated in speed.
struct FamilyValue {
  double y = 0.0;
  double dydx = 0.0;
  double dyds = 0.0;         // 0 for a single curve
  bool lowerBeyond = false;  // the lower (or only) curve was evaluated beyond its end
  bool upperBeyond = false;
};

template <class Curves>
FamilyValue evaluateAcross(const Curves& curves, const SpeedBracket& bracket, double x) {
  if (bracket.single) {
    const CurveValue only = curves.at(bracket.lower, x);
    return {only.y, only.slope, 0.0, only.beyondEnd, false};
  }
  const auto [lower, upper] = curves.atPair(bracket.lower, x);
  return {bracket.across(lower.y, upper.y), bracket.across(lower.slope, upper.slope),  // dY/dX
          bracket.slope(lower.y, upper.y),                                             // dY/dS
          lower.beyondEnd, upper.beyondEnd};
}

// ---- evaluation, inline so that a procedure's call needs no calls of its own ----

namespace detail {

// The first index k in 0..len-1 with a[k] >= x, or len: for ascending a, the index
// a scan from the front stops at.
inline std::int64_t firstAtOrAbove(const double* a, std::int64_t len, double x) {
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

}  // namespace detail

inline Interval intervalOf(const SplineCurve& curve, double x) {
  // Knots 2..n are knots[1..n-1].
  const std::int64_t k = detail::firstAtOrAbove(curve.knots + 1, curve.n - 1, x);
  if (k == curve.n - 1) return {curve.n, true};
  return {k + 2, false};
}

inline CurveValue valueInInterval(const SplineCurve& curve, Interval interval, double x) {
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

inline CurveValue evaluate(const SplineCurve& curve, double x, BeyondLastKnot rule) {
  const Interval interval = intervalOf(curve, x);
  if (!interval.beyondEnd || rule == BeyondLastKnot::ExtendCubic) {
    return valueInInterval(curve, interval, x);
  }
  const double lastKnot = curve.knots[curve.n - 1];
  const double falling = valueInInterval(curve, interval, lastKnot).y - (x - lastKnot);
  if (falling > 0.0) return {falling, -1.0, true};  // dy/dx = -1
  return {0.0, 0.0, true};
}

inline CurveValue evaluateCubic(const double* c, double x) {
  CurveValue v;
  v.y = c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x;
  v.slope = c[1] + 2.0 * c[2] * x + 3.0 * c[3] * x * x;  // dy/dx
  return v;
}

inline SpeedBracket bracketOf(const double* speeds, std::int64_t nc, double s) {
  SpeedBracket b;
  if (nc < 2) return b;
  if (speeds[0] >= s) {
    b.lower = 1;
  } else if (s >= speeds[nc - 1]) {
    b.lower = nc - 1;
  } else {
    // The first line from the second on at or above S is the upper one.
    b.lower = detail::firstAtOrAbove(speeds + 1, nc - 1, s) + 1;
  }
  b.single = false;
  const double width = speeds[b.lower] - speeds[b.lower - 1];
  b.fraction = (s - speeds[b.lower - 1]) / width;
  b.perWidth = 1.0 / width;
  return b;
}

inline bool TabularCurves::countsWithin(std::int64_t np) const {
  // Counts are stored as reals and read back by truncation.
  const double above = static_cast<double>(np) + 1.0;
  for (std::int64_t c = 0; c < nc_; ++c) {
    const double n = prepared_[c];
    if (!(n >= 2.0 && n < above)) return false;
  }
  return true;
}

inline std::pair<CurveValue, CurveValue> TabularCurves::atPair(std::int64_t c, double x) const {
  const SplineCurve lower = curve(c);
  const std::int64_t offset = (lower.knots - prepared_) + 5 * lower.n - 4;
  const std::int64_t n = pointsOf(c + 1);
  const SplineCurve upper{prepared_ + offset, prepared_ + offset + n, n};
  return {evaluate(lower, x, rule_), evaluate(upper, x, rule_)};
}

inline SplineCurve TabularCurves::curve(std::int64_t c) const {
  std::int64_t offset = 2 * nc_;
  for (std::int64_t k = 1; k < c; ++k) offset += 5 * pointsOf(k) - 4;
  const std::int64_t n = pointsOf(c);
  return {prepared_ + offset, prepared_ + offset + n, n};
}

// ---- set-up ----

// The curve inputs as the host gives them.
struct CurveTables {
  std::int64_t nc = 0;
  std::int64_t np = 0;
  Vector<const std::int64_t> npts;
  Vector<const double> speed;
  Matrix<const double> y;
  Matrix<const double> x;
  Matrix<const double> coef;
};

// The curve inputs of a pump's or a compressor's argument record.
inline CurveTables tablesOf(const PumpCurveArguments& a) {
  return {a.nc, a.np, a.npts, a.speed, a.ytab, a.xtab, a.coef};
}
inline CurveTables tablesOf(const CompressorCurveArguments& a) {
  return {a.nc, a.np, a.npts, a.speed, a.ytab, a.xtab, a.coef};
}

// Reals of the prepared tabular layout for NC curves of NP points: 5 NP NC, which
// the prepared data never fill (they take at most 5 NP NC - 2 NC).  Saturates.
std::int64_t tabularLength(std::int64_t nc, std::int64_t np);

// The host spline method that a method name selects: "Harwell", "Hermite", or any
// other name.
host::SplineMethod splineMethodOf(const Text& name);

// The set-up checks of the curve tables.  Each refuses with status 4 and one
// message naming the procedure, and says whether set-up may go on.
class CurveChecks {
 public:
  CurveChecks(Status status, const char* procedure) : status_(status), procedure_(procedure) {}

  // At least one curve, and every per-curve vector (NPTS, SPEED, ...) declared for NC.
  bool curveCount(const CurveTables& t) const;
  bool vectorCovers(const char* name, std::int64_t elements, std::int64_t nc) const;
  // Tabular data: the tables span NC x NP, each curve 2..NP points, all finite,
  // distinct speeds, and no two points of a curve at the same x.
  bool tabular(const CurveTables& t) const;
  // Polynomials: COEF spans NC curves of at least `terms` coefficients, the first
  // `terms` finite; distinct finite speeds.
  bool polynomials(const CurveTables& t, std::int64_t terms) const;
  // COEF holds at least `rows` rows and `terms` columns, the leading ones finite.
  bool coefficientTable(const Matrix<const double>& coef, std::int64_t rows,
                        std::int64_t terms) const;
  // The first nc values are finite.
  bool finite(const char* name, Vector<const double> v, std::int64_t nc) const;

 private:
  bool speeds(const CurveTables& t) const;
  // The report of a value of curve `curve` in `name` that is not a finite number.
  void notFinite(const char* name, std::int64_t curve) const;

  Status status_;
  const char* procedure_;
};

// Curve numbers (1-based) in ascending order of speed; equal speeds keep their
// order (what repeated passes of adjacent swaps leave).
std::vector<std::int64_t> speedOrder(const Vector<const double>& speed, std::int64_t nc);

// Prepares checked tabular curves into `out` (at least tabularLength reals) in the
// order given, building each spline with the host.  Refuses, with status 4 and a
// message, a spline the host could not build (non-finite coefficients, or knots
// that no longer ascend).
bool prepareTabular(const CurveTables& t, const std::vector<std::int64_t>& order,
                    host::SplineMethod method, std::span<double> out, Status status,
                    const char* procedure);

// Writes SPEED and `stride` coefficients per curve, in the order given.
void preparePolynomials(const CurveTables& t, const std::vector<std::int64_t>& order,
                        double* speedsOut, double* coefficientsOut, std::int64_t stride);

// The report of a workspace shorter than `needed` (status 4).
void reportWorkspaceTooSmall(Status status, const char* procedure, const Workspace& work,
                             std::int64_t needed);
// The procedure's "no prepared curve data" report (status 4).
void reportNotSetUp(Status status, const char* procedure);
// The report of an operating input that is not a finite number (status 4).
void reportNotFinite(Status status, const char* procedure, const char* name, double value);

}  // namespace xv55::curves
