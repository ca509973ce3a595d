// SPVALVE: a control valve's flow coefficient at its current position, read from
// its characteristic (a table of position and flow coefficient points), with an
// optional closed-valve rule and lower bound.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "curves/curves.hpp"
#include "host/services.hpp"
#include "print/report.hpp"

namespace xv55::curves {
namespace {

// A characteristic whose first coefficient is at least this is not set.
constexpr double kUnsetCoefficient = 1e35;

// The spline's knots, values and interval coefficients, sized from the number of
// points and kept for later calls.  The host routine may update knots and values,
// so the host's input arrays are copied here first.
struct SplineArea {
  std::vector<double> knots, values, coefficients;
};

SplineArea& splineArea() {
  static SplineArea area;
  return area;
}

// The characteristic through points 1..n at x: the point, the line, the parabola,
// and from four points on the spline the host builds; `result` keeps its value
// when the characteristic is not set.
void interpolate(double x, std::int64_t n, const Vector<const double>& pos,
                 const Vector<const double>& cv, double& result) {
  if (n <= 0 || cv(1) >= kUnsetCoefficient) return;
  const double x1 = pos(1), y1 = cv(1);
  if (n == 1) {
    result = y1;
    return;
  }
  const double x2 = pos(2), y2 = cv(2);
  if (n == 2) {
    result = y1 + (y2 - y1) / (x2 - x1) * (x - x1);
    return;
  }
  if (n == 3) {
    const double x3 = pos(3), y3 = cv(3);
    const double f12 = (y1 - y2) / (x1 - x2);
    const double f23 = (y2 - y3) / (x2 - x3);
    const double f123 = (f12 - f23) / (x1 - x3);
    result = y1 + (x - x1) * (f12 + f123 * (x - x2));
    return;
  }
  SplineArea& area = splineArea();
  area.knots.assign(pos.data(), pos.data() + n);
  area.values.assign(cv.data(), cv.data() + n);
  area.coefficients.resize(static_cast<std::size_t>(4 * (n - 1)));
  host::buildSpline(n, area.values.data(), area.knots.data(), area.coefficients.data(),
                    host::SplineMethod::Monotone);
  const double limit = host::noValueMagnitude();
  result = host::evaluateSpline(area.knots.data(), area.coefficients.data(), x, n, -limit, limit,
                                result);
}

// A characteristic that is set must hold numbers: the first NaN or infinite entry
// among the points read is named (status 4) and nothing is computed.  An unset
// table (first coefficient at or above 1e35) is not read.
bool tableIsFinite(std::int64_t n, const Vector<const double>& pos, const Vector<const double>& cv,
                   Status status) {
  if (n <= 0 || (std::isfinite(cv(1)) && cv(1) >= kUnsetCoefficient)) return true;
  for (std::int64_t k = 1; k <= n; ++k) {
    for (const auto& [name, table] : {std::pair{"POS", &pos}, std::pair{"CV", &cv}}) {
      const double value = (*table)(k);
      if (std::isfinite(value)) continue;
      report(status, kError,
             " SPVALVE-E-Entry %s(%d) of the valve characteristic is %g, not a finite "
             "number.\n           The valve flow coeff is left unchanged.\n",
             name, k, value);
      return false;
    }
  }
  return true;
}

}  // namespace

void SPVALVE(const ValveArguments& args, Status status) {
  const auto& [n, pos, cv, x, unused5, unused6, bound, cvout, at] = args;
  // Points beyond either array's declared extent are not read.
  const std::int64_t points = std::min({n, pos.size(), cv.size()});
  if (!tableIsFinite(points, pos, cv, status)) return;
  interpolate(x, points, pos, cv, cvout);
  if (bound != 1) return;
  if (x <= 0.0) {
    cvout = 0.0;  // closed valve
    return;
  }
  const double lowest = host::flowCoefficientMin();
  if (cvout < lowest) {
    const double computed = cvout;
    print::note(kInformation,
                " SPVALVE-I-The Calculated valve flow coeff %g is \\n           less than the"
                " lower bound of %g.\\n           The valve flow coeff is set to the lower bound.",
                computed, lowest);
    cvout = lowest;
  }
}

}  // namespace xv55::curves
