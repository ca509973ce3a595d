// Splines: ZMTH_SPLINE builds a piecewise cubic through points, PPPETM_PCINTP
// evaluates it.
//
// Every method first finds the slope s(i) of the curve at each knot and then writes
// interval i in Hermite form, converted to the power form in the interval fraction t:
//   a0 = y(i), a1 = h s(i), a2 = 3 dy - h (2 s(i) + s(i+1)), a3 = -2 dy + h (s(i) + s(i+1))
// with h the interval width and dy = y(i+1) - y(i).  The slopes:
//   1  cubic spline (twice continuously differentiable) with not-a-knot ends: the
//      third derivative is continuous at the second and the second-last knot, which
//      reproduces any cubic; 3 points give the parabola through them, 2 the line.
//   2  monotone piecewise-cubic Hermite interpolant (hermite.hpp) with three-point
//      end slopes.  Monotone data give a monotone curve; 2 points give the line.
//   3  and any other code: natural cubic spline (second derivative 0 at both ends);
//      2 points give the line.
// An interval whose width is not positive (equal knots, or knots out of order) gets
// a0 = y(i) and the other coefficients 0; the points on either side of it are
// treated as separate curves, each built by the method on its own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "hermite.hpp"
#include "internal.hpp"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/numerics.h"

namespace xv55::refhost::detail {
namespace {

// Workspace reused by every call: slopes and the tridiagonal system.
struct Workspace {
  std::vector<double> slope, lower, diagonal, upper, rhs;
  void reserve(std::size_t n) {
    for (auto* v : {&slope, &lower, &diagonal, &upper, &rhs}) {
      if (v->size() < n) v->resize(n);
    }
  }
};

Workspace& workspace() {
  static Workspace w;
  return w;
}

bool properWidth(double h) {
  return h > 0.0 && std::isfinite(h);
}

// Solves the tridiagonal system of the workspace (rows 0 .. m-1) into slope.  The
// systems built here need no pivoting: every pivot stays positive for positive
// widths.
void solveTridiagonal(Workspace& w, std::size_t m) {
  for (std::size_t i = 1; i < m; ++i) {
    const double f = w.lower[i] / w.diagonal[i - 1];
    w.diagonal[i] -= f * w.upper[i - 1];
    w.rhs[i] -= f * w.rhs[i - 1];
  }
  w.slope[m - 1] = w.rhs[m - 1] / w.diagonal[m - 1];
  for (std::size_t i = m - 1; i-- > 0;) {
    w.slope[i] = (w.rhs[i] - w.upper[i] * w.slope[i + 1]) / w.diagonal[i];
  }
}

// Interior rows: continuity of the second derivative at knot i.
void interiorRows(Workspace& w, const double* x, const double* y, std::size_t m) {
  for (std::size_t i = 1; i + 1 < m; ++i) {
    const double h0 = x[i] - x[i - 1];
    const double h1 = x[i + 1] - x[i];
    const double d0 = (y[i] - y[i - 1]) / h0;
    const double d1 = (y[i + 1] - y[i]) / h1;
    w.lower[i] = h1;
    w.diagonal[i] = 2.0 * (h0 + h1);
    w.upper[i] = h0;
    w.rhs[i] = 3.0 * (h1 * d0 + h0 * d1);
  }
}

void naturalSlopes(Workspace& w, const double* x, const double* y, std::size_t m) {
  interiorRows(w, x, y, m);
  w.diagonal[0] = 2.0;
  w.upper[0] = 1.0;
  w.rhs[0] = 3.0 * (y[1] - y[0]) / (x[1] - x[0]);
  w.lower[m - 1] = 1.0;
  w.diagonal[m - 1] = 2.0;
  w.rhs[m - 1] = 3.0 * (y[m - 1] - y[m - 2]) / (x[m - 1] - x[m - 2]);
  solveTridiagonal(w, m);
}

void notAKnotSlopes(Workspace& w, const double* x, const double* y, std::size_t m) {
  const double h0 = x[1] - x[0];
  const double d0 = (y[1] - y[0]) / h0;
  if (m == 2) {
    w.slope[0] = w.slope[1] = d0;
    return;
  }
  const double h1 = x[2] - x[1];
  const double d1 = (y[2] - y[1]) / h1;
  if (m == 3) {
    // The parabola through the three points.
    const double c = (d1 - d0) / (h0 + h1);
    w.slope[0] = d0 - c * h0;
    w.slope[1] = d0 + c * h0;
    w.slope[2] = d1 + c * h1;
    return;
  }
  interiorRows(w, x, y, m);
  // Third derivative continuous at knot 1, with the row of knot 1 used to keep the
  // system tridiagonal; likewise at knot m-2.
  w.diagonal[0] = h1;
  w.upper[0] = h0 + h1;
  w.rhs[0] = (h1 * (3.0 * h0 + 2.0 * h1) * d0 + h0 * h0 * d1) / (h0 + h1);
  const double ha = x[m - 2] - x[m - 3];
  const double hb = x[m - 1] - x[m - 2];
  const double da = (y[m - 2] - y[m - 3]) / ha;
  const double db = (y[m - 1] - y[m - 2]) / hb;
  w.lower[m - 1] = ha + hb;
  w.diagonal[m - 1] = ha;
  w.rhs[m - 1] = (ha * (3.0 * hb + 2.0 * ha) * db + hb * hb * da) / (ha + hb);
  solveTridiagonal(w, m);
}

// Builds the curve through points first .. last (all widths positive) into the
// coefficients of its intervals.
void buildRun(std::int64_t method, const double* x, const double* y, double* coefficients,
              std::size_t first, std::size_t last) {
  const std::size_t m = last - first + 1;
  Workspace& w = workspace();
  const double* xs = x + first;
  const double* ys = y + first;
  switch (method) {
    case ZMTH_SPLINE_CUBIC:
      notAKnotSlopes(w, xs, ys, m);
      break;
    case ZMTH_SPLINE_MONOTONE:
      monotoneSlopes(xs, ys, m, w.slope.data(), HermiteEnds::ThreePoint);
      break;
    default:
      naturalSlopes(w, xs, ys, m);
      break;
  }
  for (std::size_t i = 0; i + 1 < m; ++i) {
    const double h = xs[i + 1] - xs[i];
    const double dy = ys[i + 1] - ys[i];
    const double s0 = w.slope[i];
    const double s1 = w.slope[i + 1];
    double* a = coefficients + 4 * (first + i);
    a[0] = ys[i];
    a[1] = h * s0;
    a[2] = 3.0 * dy - h * (2.0 * s0 + s1);
    a[3] = -2.0 * dy + h * (s0 + s1);
  }
}

void buildSpline(std::int64_t count, const double* y, const double* x, double* coefficients,
                 std::int64_t method) {
  const auto n = static_cast<std::size_t>(count);
  workspace().reserve(n);
  bool outOfOrder = false;
  std::size_t runStart = 0;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const double h = x[i + 1] - x[i];
    if (properWidth(h)) continue;
    if (!(h >= 0.0) && !outOfOrder) {
      outOfOrder = true;
      report(Service::ZMTH_SPLINE, kSeverityWarning,
             "Knots not in ascending order at point " + std::to_string(i + 2) +
                 "; that interval is held constant.");
    }
    if (i > runStart) buildRun(method, x, y, coefficients, runStart, i);
    double* a = coefficients + 4 * i;
    a[0] = y[i];
    a[1] = a[2] = a[3] = 0.0;
    runStart = i + 1;
  }
  if (n - 1 > runStart) buildRun(method, x, y, coefficients, runStart, n - 1);
}

}  // namespace
}  // namespace xv55::refhost::detail

extern "C" XV55_API void ZMTH_SPLINE(const std::int64_t* count, double* y, double* x,
                                     double* coefficients, const std::int64_t* method) {
  using namespace xv55::refhost::detail;
  auto& record = beginRecord(Service::ZMTH_SPLINE);
  const std::int64_t n = count ? *count : 0;
  const std::int64_t code = method ? *method : 0;
  record.integers = {n, code};
  recordReals(record, y, n);
  recordReals(record, x, n);
  if (n <= 1) return;
  if (!y || !x || !coefficients) {
    report(Service::ZMTH_SPLINE, kSeverityError, "Missing array argument; nothing built.");
    return;
  }
  if (failureDue(Service::ZMTH_SPLINE)) {
    std::fill(coefficients, coefficients + 4 * (n - 1), std::numeric_limits<double>::quiet_NaN());
    return;
  }
  try {
    buildSpline(n, y, x, coefficients, code);
  } catch (const std::exception&) {
    // Only the workspace can fail (a count beyond any real table).
    report(Service::ZMTH_SPLINE, kSeverityError,
           "No workspace for " + std::to_string(n) + " points; nothing built.");
  }
}

extern "C" XV55_API void PPPETM_PCINTP(const double* x, const double* coefficients,
                                       const double* at, double* result, const std::int64_t* count,
                                       const double* lower, const double* upper) {
  using namespace xv55::refhost::detail;
  auto& record = beginRecord(Service::PPPETM_PCINTP);
  const std::int64_t n = count ? *count : 0;
  const double where = at ? *at : 0.0;
  record.integers.push_back(n);
  record.reals = {where, lower ? *lower : 0.0, upper ? *upper : 0.0};
  if (!result) return;
  if (failureDue(Service::PPPETM_PCINTP)) {
    *result = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  if (n <= 0) return;
  double value = *result;
  if (n >= 2 && x && coefficients && at) {
    // The interval ending at the first knot at or beyond the point; the first one
    // below the first knot, the last one beyond the last knot.
    std::int64_t i = 1;
    while (i < n - 1 && !(x[i] >= where)) ++i;
    const double* a = coefficients + 4 * (i - 1);
    const double h = x[i] - x[i - 1];
    if (h > 0.0 && std::isfinite(h)) {
      const double t = (where - x[i - 1]) / h;
      value = ((a[3] * t + a[2]) * t + a[1]) * t + a[0];
    } else {
      value = a[0];
    }
  }
  // One point has no curve: the result keeps its value, brought within the limits.
  if (lower && value < *lower) value = *lower;
  if (upper && value > *upper) value = *upper;
  *result = value;
}
