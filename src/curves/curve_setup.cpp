// Set-up of the shared curve forms: checks of the curve tables as the host gives
// them, sorting, and the splines the host builds once per curve.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "curves/curve_forms.hpp"
#include "print/report.hpp"

namespace xv55::curves {
namespace {

// The coefficient area handed to the host spline routine holds at least the 19
// intervals of a 20-point curve, whatever the curve's own length.
constexpr std::int64_t kSplineArea = 4 * 19;

// Positions of points 1..n of curve c in ascending order of x (equal x keep their
// order).
void pointOrder(const CurveTables& t, std::int64_t c, std::int64_t n,
                std::vector<std::int64_t>& order) {
  order.resize(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), std::int64_t{1});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::int64_t a, std::int64_t b) { return t.x(c, a) < t.x(c, b); });
}

}  // namespace

std::int64_t tabularLength(std::int64_t nc, std::int64_t np) {
  return entry::saturatingProduct(entry::saturatingProduct(5, np), nc);
}

host::SplineMethod splineMethodOf(const Text& name) {
  if (name.startsWith("Harwell")) return host::SplineMethod::Cubic;
  if (name.startsWith("Hermite")) return host::SplineMethod::Monotone;
  return host::SplineMethod::Natural;
}

std::vector<std::int64_t> speedOrder(const Vector<const double>& speed, std::int64_t nc) {
  std::vector<std::int64_t> order(static_cast<std::size_t>(nc));
  std::iota(order.begin(), order.end(), std::int64_t{1});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::int64_t a, std::int64_t b) { return speed(a) < speed(b); });
  return order;
}

bool CurveChecks::curveCount(const CurveTables& t) const {
  if (t.nc >= 1) return true;
  report(status_, kError, " Number of curves (%d) is less than 1 in Procedure %s.\\n", t.nc,
         procedure_);
  return false;
}

bool CurveChecks::vectorCovers(const char* name, std::int64_t elements, std::int64_t nc) const {
  if (elements >= nc) return true;
  report(status_, kError,
         " Array %s is declared with fewer elements than the %d curves\\n in Procedure %s.\\n",
         name, nc, procedure_);
  return false;
}

void CurveChecks::notFinite(const char* name, std::int64_t curve) const {
  report(status_, kError, " %s of curve %d is not a finite number in Procedure %s.\\n", name, curve,
         procedure_);
}

bool CurveChecks::finite(const char* name, Vector<const double> v, std::int64_t nc) const {
  for (std::int64_t c = 1; c <= nc; ++c) {
    if (std::isfinite(v(c))) continue;
    notFinite(name, c);
    return false;
  }
  return true;
}

bool CurveChecks::speeds(const CurveTables& t) const {
  if (!vectorCovers("SPEED", t.speed.size(), t.nc) || !finite("SPEED", t.speed, t.nc)) return false;
  const std::vector<std::int64_t> order = speedOrder(t.speed, t.nc);
  for (std::size_t k = 1; k < order.size(); ++k) {
    const std::int64_t a = std::min(order[k - 1], order[k]);
    const std::int64_t b = std::max(order[k - 1], order[k]);
    if (t.speed(a) != t.speed(b)) continue;
    const double same = t.speed(a);
    report(status_, kError, " Curves %d and %d have the same speed (%g) in Procedure %s.\\n", a, b,
           same, procedure_);
    return false;
  }
  return true;
}

bool CurveChecks::tabular(const CurveTables& t) const {
  if (!vectorCovers("NPTS", t.npts.size(), t.nc)) return false;
  for (const auto& [name, table] : {std::pair{"YTAB", t.y}, std::pair{"XTAB", t.x}}) {
    if (table.rows() >= t.nc && table.columns() >= t.np) continue;
    report(status_, kError,
           " Table %s is declared smaller than %d curves by %d points\\n in Procedure %s.\\n", name,
           t.nc, t.np, procedure_);
    return false;
  }
  for (std::int64_t c = 1; c <= t.nc; ++c) {
    const std::int64_t n = t.npts(c);
    if (n >= 2 && n <= t.np) continue;
    report(status_, kError,
           " Curve %d has %d points in Procedure %s.\\n Each curve needs at least 2 points and"
           " at most NP (%d).\\n",
           c, n, procedure_, t.np);
    return false;
  }
  if (!speeds(t)) return false;
  std::vector<std::int64_t> order;
  for (std::int64_t c = 1; c <= t.nc; ++c) {
    const std::int64_t n = t.npts(c);
    for (std::int64_t p = 1; p <= n; ++p) {
      for (const auto& [name, table] : {std::pair{"YTAB", t.y}, std::pair{"XTAB", t.x}}) {
        if (std::isfinite(table(c, p))) continue;
        notFinite(name, c);
        return false;
      }
    }
    pointOrder(t, c, n, order);
    for (std::size_t k = 1; k < order.size(); ++k) {
      const double x = t.x(c, order[k]);
      if (x != t.x(c, order[k - 1])) continue;
      report(status_, kError, " Curve %d has two points at the same X (%g) in Procedure %s.\\n", c,
             x, procedure_);
      return false;
    }
  }
  return true;
}

bool CurveChecks::coefficientTable(const Matrix<const double>& coef, std::int64_t rows,
                                   std::int64_t terms) const {
  if (coef.rows() < rows) {
    report(status_, kError,
           " Table COEF is declared with %d rows; %d curves need as many\\n in Procedure %s.\\n",
           coef.rows(), rows, procedure_);
    return false;
  }
  if (coef.columns() < terms) {
    report(status_, kError,
           " Table COEF has %d coefficients per curve; %d are needed\\n in Procedure %s.\\n",
           coef.columns(), terms, procedure_);
    return false;
  }
  for (std::int64_t c = 1; c <= rows; ++c) {
    for (std::int64_t k = 1; k <= terms; ++k) {
      if (std::isfinite(coef(c, k))) continue;
      notFinite("COEF", c);
      return false;
    }
  }
  return true;
}

bool CurveChecks::polynomials(const CurveTables& t, std::int64_t terms) const {
  return coefficientTable(t.coef, t.nc, terms) && speeds(t);
}

bool prepareTabular(const CurveTables& t, const std::vector<std::int64_t>& order,
                    host::SplineMethod method, std::span<double> out, Status status,
                    const char* procedure) {
  const std::int64_t nc = t.nc;
  std::vector<std::int64_t> points;
  std::vector<double> xs, ys, coefficients;
  std::size_t next = static_cast<std::size_t>(2 * nc);
  for (std::int64_t k = 0; k < nc; ++k) {
    const std::int64_t c = order[static_cast<std::size_t>(k)];
    const std::int64_t n = t.npts(c);
    const std::int64_t intervalReals = 4 * (n - 1);
    out[static_cast<std::size_t>(k)] = static_cast<double>(n);
    out[static_cast<std::size_t>(nc + k)] = t.speed(c);

    pointOrder(t, c, n, points);
    xs.clear();
    ys.clear();
    for (std::int64_t p : points) {
      xs.push_back(t.x(c, p));
      ys.push_back(t.y(c, p));
    }
    coefficients.assign(static_cast<std::size_t>(std::max(kSplineArea, intervalReals)), 0.0);
    host::buildSpline(n, ys.data(), xs.data(), coefficients.data(), method);

    bool built = std::all_of(coefficients.begin(), coefficients.begin() + intervalReals,
                             [](double a) { return std::isfinite(a); });
    for (std::size_t p = 1; p < xs.size(); ++p) built = built && xs[p - 1] < xs[p];
    if (!built) {
      report(status, kError, " The spline through curve %d could not be built in Procedure %s.\\n",
             c, procedure);
      return false;
    }
    std::copy(xs.begin(), xs.end(), out.begin() + static_cast<std::ptrdiff_t>(next));
    next += xs.size();
    std::copy_n(coefficients.begin(), intervalReals,
                out.begin() + static_cast<std::ptrdiff_t>(next));
    next += static_cast<std::size_t>(intervalReals);
  }
  return true;
}

void preparePolynomials(const CurveTables& t, const std::vector<std::int64_t>& order,
                        double* speedsOut, double* coefficientsOut, std::int64_t stride) {
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::int64_t c = order[k];
    speedsOut[k] = t.speed(c);
    for (std::int64_t j = 1; j <= stride; ++j) {
      coefficientsOut[static_cast<std::int64_t>(k) * stride + j - 1] = t.coef(c, j);
    }
  }
}

void reportWorkspaceTooSmall(Status status, const char* procedure, const Workspace& work,
                             std::int64_t needed) {
  report(status, kError,
         " The workspace size given (%d) specified in the procedure %s is too small.\\n Please"
         " increase to %d or greater.\\n",
         work.length(), procedure, needed);
}

void reportNotSetUp(Status status, const char* procedure) {
  report(status, kError,
         " Procedure %s has no prepared curve data for these inputs.\\n Please set it up first"
         " (call mode 1).\\n",
         procedure);
}

void reportNotFinite(Status status, const char* procedure, const char* name, double value) {
  report(status, kError, " Input %s = %g is not a finite number in Procedure %s.\\n", name, value,
         procedure);
}

}  // namespace xv55::curves
