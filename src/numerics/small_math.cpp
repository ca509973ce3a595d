// Small math procedures: signed square root, ramps and limits, element-wise
// series fractions, matrix and power products, phase distribution, step
// fractions, a viscosity correction and a profile look-up.
//
// Array arguments are walked only as far as every array involved reaches, so a
// host that declares extents inconsistently gets a shortened result instead of a
// read or write outside its arrays.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "common/finite.hpp"
#include "common/units.hpp"
#include "numerics/numerics.hpp"
#include "print/report.hpp"
#include "xv55/xv55.h"

namespace xv55::numerics {
namespace {

using units::single;

// SPRECV: below this x the fraction is 1; beyond |t| = 82.893 the power
// x^(N+1) is treated as vanishing or overwhelming.
constexpr double kSeriesTinyBase = 1e-35;
constexpr double kSeriesExponentLimit = 82.893;

// SPRECV: within this distance of x = 1 in u = ln(x), the fraction and its slope
// come from forms that keep their accuracy as x approaches 1, where the quotient
// (x - 1) / (x^(N+1) - 1) and its derivative cancel to 0 / 0.
constexpr double kSeriesNearOne = 0.1;

// SPPRD1: bases are clipped here so that a zero or negative base stays finite.
constexpr double kProductBaseFloor = 1e-15;

// SPRFAC: a step this close to the current value is ignored; a value at or
// below the positivity threshold admits no step at all.
constexpr double kStepIgnoreTolerance = 1e-15;
constexpr double kStepPositiveValue = 1e-30;

// SPVISCCORR: range limits of its two fits.
constexpr double kViscLowLimit = 200.0;
constexpr double kViscHighLimit = 60000.0;
constexpr double kViscLowFloor = 14.63;

// base^magnitude (or its reciprocal's) by repeated squaring, the way an integer
// power is evaluated.
double integerPower(double base, bool negative, std::uint64_t magnitude) {
  double factor = negative ? 1.0 / base : base;
  double result = 1.0;
  while (magnitude != 0) {
    if (magnitude & 1U) result *= factor;
    magnitude >>= 1U;
    if (magnitude != 0) factor *= factor;
  }
  return result;
}

double integerPower(double base, std::int64_t exponent) {
  const auto bits = static_cast<std::uint64_t>(exponent);
  return exponent < 0 ? integerPower(base, true, 0U - bits) : integerPower(base, false, bits);
}

// base^(exponent + 1); the exponent's successor is formed without overflow.
double integerPowerOfSuccessor(double base, std::int64_t exponent) {
  if (exponent < 0) return integerPower(base, exponent + 1);
  return integerPower(base, false, static_cast<std::uint64_t>(exponent) + 1U);
}

// coth(z) - 1/z, an odd function that is smooth through z = 0.  Near 0 its series
// z/3 - z^3/45 + 2 z^5/945 - z^7/4725 + 2 z^9/93555 - ... (error below 1e-17 for
// |z| < 0.25); beyond, coth(z) - 1/z directly.
double cothMinusReciprocal(double z) {
  if (std::fabs(z) >= 0.25) return 1.0 / std::tanh(z) - 1.0 / z;
  const double z2 = z * z;
  return z *
         (1.0 / 3.0 +
          z2 * (-1.0 / 45.0 +
                z2 * (2.0 / 945.0 +
                      z2 * (-1.0 / 4725.0 + z2 * (2.0 / 93555.0 + z2 * (-1382.0 / 638512875.0))))));
}

// The series fraction y = (x - 1) / (x^m - 1), m = N + 1 (not 0), and dy/dx for
// x = e^u near 1.  y = expm1(u) / expm1(m u), which is 1/m at u = 0, and
//   d ln(y)/du = -(m - 1)/2 + h(u/2)/2 - m h(m u/2)/2,  h(z) = coth(z) - 1/z,
// from y = e^(-(m-1) u/2) sinh(u/2) / sinh(m u/2): the poles 1/u of the two coth
// terms cancel in closed form, so nothing cancels numerically.  At x = 1 the
// slope is -(m - 1)/(2 m) = -N / (2 (N + 1)).
struct SeriesValue {
  double y;
  double dydx;
};
SeriesValue seriesNearOne(double x, double m) {
  const double u = std::log1p(x - 1.0);
  const double y = u == 0.0 ? 1.0 / m : std::expm1(u) / std::expm1(m * u);
  const double dLogYdU = -(m - 1.0) / 2.0 + cothMinusReciprocal(u / 2.0) / 2.0 -
                         m * cothMinusReciprocal(m * u / 2.0) / 2.0;
  return {y, y * dLogYdU / x};  // dy/dx = y d ln(y)/du du/dx, du/dx = 1/x
}

// Row 1 of a single-output procedure, columns 1, 2, ... in order.
void setRow(const Jacobian& jac, std::initializer_list<double> row) {
  std::int64_t column = 1;
  for (double value : row) jac.set(1, column++, value);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A non-finite input makes the output and its derivative row NaN: a clip or a
// comparison must not turn it into a plausible number.
void propagateInvalid(double& y, const Jacobian& jac, CallMode mode, std::int64_t columns,
                      bool valueInEveryMode = false) {
  if (mode.wantsValues() || valueInEveryMode) y = kNaN;
  if (mode.wantsDerivatives()) {
    for (std::int64_t j = 1; j <= columns; ++j) jac.set(1, j, kNaN);
  }
}

}  // namespace

void SPSQRT(const SqrtArguments& args, Jacobian jac, CallMode mode) {
  const auto& [x, y, at] = args;
  if (!allFinite({x})) return propagateInvalid(y, jac, mode, 1);
  if (mode.wantsValues()) y = x >= 0.0 ? std::sqrt(x) : -std::sqrt(-x);
  if (mode.wantsDerivatives()) jac.set(at.y, at.x, 0.5 / std::sqrt(std::fabs(x)));  // dy/dx
}

void SPRAMP(const RampArguments& args, Jacobian jac, CallMode mode) {
  const auto& [x, x1, x2, y1, y2, y, at] = args;
  if (!allFinite({x, x1, x2, y1, y2})) return propagateInvalid(y, jac, mode, 5);
  const double width = x2 - x1;
  const double slope = (y2 - y1) / width;
  const double fraction = (x - x1) / width;
  const double linear = y1 + (x - x1) * slope;

  if (mode.wantsValues()) y = std::min(std::max(y1, linear), y2);
  if (!mode.wantsDerivatives()) return;

  // Columns x, x1, x2, y1, y2.  With y1 > y2 the value is y2 wherever x lies, and
  // the row says so.
  if (linear >= y2 || y1 > y2) {
    setRow(jac, {0.0, 0.0, 0.0, 0.0, 1.0});  // dy/dy2 = 1
  } else if (y1 >= linear) {
    setRow(jac, {0.0, 0.0, 0.0, 1.0, 0.0});  // dy/dy1 = 1
  } else {
    // dy/dx, dy/dx1, dy/dx2, dy/dy1, dy/dy2; y is the output cell's content.
    setRow(jac, {slope, (y - y2) / width, -(y - y1) / width, 1.0 - fraction, fraction});
  }
}

void SPLIM_ABS(const BandArguments& args, Jacobian jac, CallMode mode) {
  const auto& [x, lo, hi, y, at] = args;
  if (!allFinite({x, lo, hi})) return propagateInvalid(y, jac, mode, 3);
  const double magnitude = std::fabs(x);
  if (mode.wantsValues()) y = std::min(std::max(lo, magnitude), hi);
  if (!mode.wantsDerivatives()) return;

  // Columns x, lo, hi.
  if (magnitude >= hi) {
    setRow(jac, {0.0, 0.0, 1.0});  // dy/dhi = 1
  } else if (lo > magnitude) {
    setRow(jac, {0.0, 1.0, 0.0});  // dy/dlo = 1
  } else {
    setRow(jac, {x >= 0.0 ? 1.0 : -1.0, 0.0, 0.0});  // dy/dx = sign(x)
  }
}

void SPQUAL(const FractionArguments& args, Jacobian jac, CallMode mode) {
  const auto& [x, c, d, a, b, y, at] = args;
  if (!mode.wantsValues() && !mode.wantsDerivatives()) return;
  if (!allFinite({x, c, d, a, b})) return propagateInvalid(y, jac, mode, 5, true);

  // x outside both ends of [a, b] measures across (a, b), otherwise across (c, d).
  const bool outside = (x < a && x < b) || (x > a && x > b);
  y = outside ? (x - a) / (b - a) : (x - c) / (d - c);
  if (!mode.wantsDerivatives()) return;

  // Columns x, c, d, a, b.
  if (outside) {
    const double w = b - a;
    // dy/dx, dy/dc, dy/dd, dy/da, dy/db
    setRow(jac, {1.0 / w, 0.0, 0.0, (x - b) / (w * w), -(x - a) / (w * w)});
  } else {
    const double w = d - c;
    // dy/dx, dy/dc, dy/dd, dy/da, dy/db
    setRow(jac, {1.0 / w, (x - d) / (w * w), -(x - c) / (w * w), 0.0, 0.0});
  }
}

void SPRECV(const SeriesArguments& args, Jacobian jac, CallMode mode) {
  const auto& [x, n, y, at] = args;
  if (!mode.wantsValues() && !mode.wantsDerivatives()) return;

  const std::int64_t cells = std::min(y.size(), x.size());
  if (mode.wantsDerivatives()) jac.clearBlock(y.size(), x.size());
  const double exponent = static_cast<double>(n) + 1.0;

  for (std::int64_t i = 1; i <= cells; ++i) {
    const double xi = x(i);
    const std::int64_t row = at.y + i - 1;
    const std::int64_t column = at.x + i - 1;
    if (!std::isfinite(xi)) {
      if (mode.wantsValues()) y(i) = kNaN;
      if (mode.wantsDerivatives()) jac.set(row, column, kNaN);
      continue;
    }
    if (xi < kSeriesTinyBase) {
      if (mode.wantsValues()) y(i) = 1.0;
      continue;
    }
    const double t = std::log(xi) * exponent;
    if (t < -kSeriesExponentLimit) {
      if (mode.wantsValues()) y(i) = 1.0 - xi;
      if (mode.wantsDerivatives()) jac.set(row, column, -1.0);  // dy(i)/dx(i)
    } else if (t >= kSeriesExponentLimit) {
      if (mode.wantsValues()) y(i) = 0.0;
    } else if (exponent != 0.0 && std::fabs(std::log(xi)) < kSeriesNearOne) {
      const SeriesValue near = seriesNearOne(xi, exponent);
      if (mode.wantsValues()) y(i) = near.y;
      if (mode.wantsDerivatives()) jac.set(row, column, near.dydx);  // dy(i)/dx(i)
    } else {
      const double powerN = integerPower(xi, n);
      const double denominator = integerPowerOfSuccessor(xi, n) - 1.0;
      if (mode.wantsValues()) y(i) = (xi - 1.0) / denominator;
      if (mode.wantsDerivatives()) {
        const double nReal = static_cast<double>(n);
        // dy(i)/dx(i)
        jac.set(row, column,
                (powerN * (1.0 + nReal * (1.0 - xi)) - 1.0) / (denominator * denominator));
      }
    }
  }
}

void SPMATR(const MatrixProductArguments& args, Status status, Jacobian jac, CallMode mode) {
  const auto& [a, b, y, at] = args;
  const std::int64_t p = a.rows();
  const std::int64_t q = a.columns();
  if (q != b.size() || p != y.size()) {
    report(status, kError, " SPMATR-F-Incompatible matrix dimensions for multiplication. \\n");
    return;
  }

  if (mode.wantsValues()) {
    for (std::int64_t i = 1; i <= p; ++i) {
      double sum = 0.0;
      for (std::int64_t j = 1; j <= q; ++j) sum += a(i, j) * b(j);
      y(i) = sum;
    }
  }
  if (mode.wantsDerivatives()) {
    // A(i, j) is element (j - 1) p + i of A; B(j) follows the p q elements of A.
    for (std::int64_t i = 1; i <= p; ++i) {
      const std::int64_t row = at.y + i - 1;
      for (std::int64_t j = 1; j <= q; ++j) {
        jac.set(row, at.a + Matrix<const double>::cellOf(i, j, p) - 1, b(j));  // dY(i)/dA(i,j)
        jac.set(row, at.b + j - 1, a(i, j));                                   // dY(i)/dB(j)
      }
    }
  }
}

void SPPROD(const PowerProductArguments& args) {
  const auto& [x, e, y, at] = args;
  const std::int64_t factors = std::min(x.size(), e.rows());
  const std::int64_t products = std::min(e.columns(), y.size());
  for (std::int64_t k = 1; k <= products; ++k) {
    double product = 1.0;
    for (std::int64_t i = 1; i <= factors; ++i) {
      // x^0 = 1 and 1^e = 1 even for a non-finite partner: that must not hide it.
      product *= allFinite({x(i), e(i, k)}) ? std::pow(x(i), e(i, k)) : kNaN;
    }
    y(k) = product;
  }
}

void SPDISF(const DistributionArguments& args) {
  const auto& [b, a, f, p, k, q, w, u, at] = args;
  const std::int64_t n =
      std::min({b.size(), a.size(), p.size(), k.size(), q.size(), w.size(), u.size()});
  double sumU = 0.0;
  double sumW = 0.0;
  for (std::int64_t i = 1; i <= n; ++i) {
    if (!allFinite({b(i), a(i), f, p(i), k(i), q(i)})) {
      // A NaN in a(i) or b(i) would otherwise just pick a branch.
      u(i) = kNaN;
      w(i) = kNaN;
    } else if (a(i) > b(i)) {
      const double t = a(i) * (1.0 - f);
      u(i) = t / (k(i) * q(i));
      w(i) = t / q(i);
    } else {
      u(i) = b(i) * f / p(i);
      w(i) = b(i) * f * k(i) / p(i);
    }
    sumU += u(i);
    sumW += w(i);
  }
  for (std::int64_t i = 1; i <= n; ++i) {
    u(i) = u(i) / sumU;
    w(i) = w(i) / sumW;
  }
}

void SPPRD1(const ClippedProductArguments& args) {
  const auto& [x, e, y, at] = args;
  const std::int64_t n = std::min(x.size(), e.size());
  double product = 1.0;
  for (std::int64_t i = 1; i <= n; ++i) {
    product *= allFinite({x(i), e(i)}) ? std::pow(std::max(x(i), kProductBaseFloor), e(i)) : kNaN;
  }
  y = product;
}

void SPRFAC(const StepFractionArguments& args) {
  const auto& [x, dx, f, at] = args;
  const std::int64_t n = std::min(dx.size(), x.size());
  double fraction = 1.0;
  for (std::int64_t i = 1; i <= n; ++i) {
    if (!allFinite({x(i), dx(i)})) {
      fraction = kNaN;
      break;
    }
    if (dx(i) < 0.0 && std::fabs(x(i) - dx(i)) > kStepIgnoreTolerance) {
      fraction = x(i) > kStepPositiveValue ? std::min(fraction, x(i) / (x(i) - dx(i))) : 0.0;
    }
  }
  f = fraction;
}

void SPVISCCORR(const ViscosityArguments& args) {
  const auto& [x, y, at] = args;
  if (!allFinite({x})) {
    y = kNaN;
  } else if (x <= kViscLowLimit) {
    // Logarithmic fit, not below 0.1; its coefficients are single-precision values kept
    // for compatibility with stored models.
    y = std::max(0.1, single(0.248534f) * std::log(std::max(x, kViscLowFloor)) - single(0.5668f));
  } else if (x <= kViscHighLimit) {
    // Quadratic in ln x, not above 1.
    const double l = std::log(x);
    y = std::min(1.0, (single(0.20326f) - single(0.0097806938f) * l) * l - single(0.05237051f));
  } else {
    y = 1.0;
  }
}

void SPRPPROFILE(const ProfileArguments& args, Status status) {
  const auto& [x, xs, ys, y, at] = args;
  const std::int64_t n = std::min(xs.size(), ys.size());
  bool finite = std::isfinite(x);
  for (std::int64_t i = 1; i <= n && finite; ++i) finite = allFinite({xs(i), ys(i)});
  if (!finite) {
    y = kNaN;
  } else if (n >= 1) {
    if (x <= xs(1)) {
      y = ys(1);
    } else if (x >= xs(n)) {
      y = ys(n);
    } else {
      for (std::int64_t i = 1; i <= n; ++i) {
        if (x == xs(i)) {
          y = ys(i);
        } else if (i < n && xs(i) < x && x < xs(i + 1)) {
          y = ys(i) + (x - xs(i)) * (ys(i + 1) - ys(i)) / (xs(i + 1) - xs(i));
        }
      }
    }
  }
  status = kInformation;
}

}  // namespace xv55::numerics
