// Knot slopes of a monotone piecewise-cubic Hermite curve, shared by the spline
// service and the tabulated chart fits.
//
// At an interior knot the slope is 0 where the neighbouring secants differ in sign
// (or one is 0), otherwise their weighted harmonic mean with weights 2 h(i) + h(i-1)
// and h(i) + 2 h(i-1) (Fritsch & Butland 1984, SIAM J. Sci. Stat. Comput. 5(2) 300).
// Monotone data give a monotone curve; 2 points give the line.
#pragma once

#include <cmath>
#include <cstddef>

namespace xv55::refhost::detail {

// How the slope at the first and the last knot is chosen.
enum class HermiteEnds {
  // The three-point one-sided slope, 0 when its sign differs from the end secant's
  // and limited to 3 end secants when the data turn.
  ThreePoint,
  // The end interval's secant.
  Secant,
};

// One-sided three-point slope at an end (h0, d0: end interval; h1, d1: the next),
// kept shape-preserving.
inline double monotoneEndSlope(double h0, double h1, double d0, double d1) {
  double s = ((2.0 * h0 + h1) * d0 - h0 * d1) / (h0 + h1);
  if (s * d0 <= 0.0) return 0.0;
  if (d0 * d1 < 0.0 && std::fabs(s) > 3.0 * std::fabs(d0)) s = 3.0 * d0;
  return s;
}

// Slopes at the m >= 2 knots x[0] < ... < x[m-1] through y into slope[0 .. m-1].
inline void monotoneSlopes(const double* x, const double* y, std::size_t m, double* slope,
                           HermiteEnds ends) {
  const double h0 = x[1] - x[0];
  const double d0 = (y[1] - y[0]) / h0;
  if (m == 2) {
    slope[0] = slope[1] = d0;
    return;
  }
  for (std::size_t i = 1; i + 1 < m; ++i) {
    const double ha = x[i] - x[i - 1];
    const double hb = x[i + 1] - x[i];
    const double da = (y[i] - y[i - 1]) / ha;
    const double db = (y[i + 1] - y[i]) / hb;
    if (da * db <= 0.0) {
      slope[i] = 0.0;
    } else {
      const double wa = 2.0 * hb + ha;
      const double wb = hb + 2.0 * ha;
      slope[i] = (wa + wb) / (wa / da + wb / db);
    }
  }
  const double h1 = x[2] - x[1];
  const double d1 = (y[2] - y[1]) / h1;
  const double hLast = x[m - 1] - x[m - 2];
  const double dLast = (y[m - 1] - y[m - 2]) / hLast;
  if (ends == HermiteEnds::Secant) {
    slope[0] = d0;
    slope[m - 1] = dLast;
    return;
  }
  const double hBefore = x[m - 2] - x[m - 3];
  const double dBefore = (y[m - 2] - y[m - 3]) / hBefore;
  slope[0] = monotoneEndSlope(h0, h1, d0, d1);
  slope[m - 1] = monotoneEndSlope(hLast, hBefore, dLast, dBefore);
}

}  // namespace xv55::refhost::detail
