// The pipe library's data areas (PIP_PCONST, PIP_IORFS1), its initialisers
// (PIP_PIPBL1, PIP_PIPBL2, PIP_PIPFFC) and the helpers shared by its routines.
//
// PIP_PCONST and PIP_IORFS1 are initialised at load and restored by reset(); the
// initialisers do not overwrite them (a test or a host may change a word between
// calls).  PIP_PIPBL1 and PIP_PIPBL2 only record their call; PIP_PIPFFC builds the
// chart-fit tables on its first call after load and only records later calls, so
// all three are cheap on every procedure call.  None of them can be made to fail.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "common.hpp"
#include "hermite.hpp"
#include "xv55/host/pipe_correlations.h"

extern "C" {
XV55_API double PIP_PCONST[xv55::refhost::pipe::kConstantWords] = {
    xv55::refhost::pipe::kGc, xv55::refhost::pipe::kGravity, std::numbers::pi};
XV55_API int64_t PIP_IORFS1[xv55::refhost::pipe::kPrintControlWords] = {
    xv55::refhost::pipe::kDefaultTraceUnit, 0};
}

namespace xv55::refhost::pipe::detail {
namespace {

const Service kBL1 = refhost::detail::declareService("PIP_PIPBL1", false);
const Service kBL2 = refhost::detail::declareService("PIP_PIPBL2", false);
const Service kFFC = refhost::detail::declareService("PIP_PIPFFC", false);

void resetAreas() {
  std::fill(std::begin(PIP_PCONST), std::end(PIP_PCONST), 0.0);
  PIP_PCONST[0] = kGc;
  PIP_PCONST[1] = kGravity;
  PIP_PCONST[2] = std::numbers::pi;
  std::fill(std::begin(PIP_IORFS1), std::end(PIP_IORFS1), 0);
  PIP_IORFS1[0] = kDefaultTraceUnit;
}
const bool kHooked = (refhost::detail::addResetHook(&resetAreas), true);

double usable(double v) {
  return std::isfinite(v) && v > 0.0 ? v : kGc;
}

// Hughmark (1962) flow parameter K against Z, as tabulated in the paper and
// reproduced in the standard texts.
constexpr std::array<double, 14> kHughmarkZ = {1.3, 1.5, 2.0,  3.0,  4.0,  5.0,  6.0,
                                               8.0, 10., 15.0, 20.0, 40.0, 70.0, 130.};
constexpr std::array<double, 14> kHughmarkK = {0.185, 0.225, 0.325, 0.49, 0.605, 0.675, 0.72,
                                               0.767, 0.78,  0.808, 0.83, 0.88,  0.93,  0.98};

struct Tables {
  std::array<double, 14> lnZ{};
  std::array<double, 14> slope{};  // dK/dlnZ at the knots, end secants at the ends
  Tables() {
    for (std::size_t i = 0; i < lnZ.size(); ++i) lnZ[i] = std::log(kHughmarkZ[i]);
    refhost::detail::monotoneSlopes(lnZ.data(), kHughmarkK.data(), lnZ.size(), slope.data(),
                                    refhost::detail::HermiteEnds::Secant);
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

}  // namespace

double gc() {
  return usable(PIP_PCONST[0]);
}
double gravity() {
  return usable(PIP_PCONST[1]);
}

void record(Service service, std::initializer_list<const double*> inputs) {
  auto& r = refhost::detail::beginRecord(service);
  for (const double* p : inputs) r.reals.push_back(p ? *p : 0.0);
}

namespace {

// 1/sqrt(f) of the Colebrook-White equation, Clamond, D. (2009), "Efficient
// resolution of the Colebrook equation", Ind. Eng. Chem. Res. 48, 3665-3671: two
// steps of a third-order iteration on F = ln(10)/(2 sqrt(f)) from
// X1 = r Re ln(10)/18.574 and X2 = ln(Re ln(10)/5.02).
double clamondInverseRoot(double reynolds, double r) {
  const double x1 = r * reynolds * 0.123968186335417556;
  const double x2 = std::log(reynolds) - 0.779397488455682028;
  double f = x2 - 0.2;
  for (int step = 0; step < 2; ++step) {
    const double e = (std::log(x1 + f) + f - x2) / (1.0 + x1 + f);
    f -= (1.0 + x1 + f + 0.5 * e) * e * (x1 + f) / (1.0 + x1 + f + e * (1.0 + e / 3.0));
  }
  return f / 1.151292546497022842;
}

}  // namespace

double darcy(double reynolds, double r) {
  const double re = std::max(reynolds, 1.0e-30);
  if (re <= 2000.0) return 64.0 / re;
  auto colebrook = [r](double rey) {
    // Newton on x = 1/sqrt(f): x + 2 log10(r/3.7 + 2.51 x/Re) = 0, from Clamond's
    // two-step solution, which is within a few 1e-15 of the root: one Newton step
    // meets the tolerance.
    const double a = r / 3.7, b = 2.51 / rey;
    const double start = clamondInverseRoot(rey, r);
    double x = start > 0.0 ? start : 1.0;
    for (int i = 0; i < 20; ++i) {
      const double arg = a + b * x;
      const double g = x + 2.0 * std::log10(arg);
      const double dg = 1.0 + 2.0 * b / (arg * std::log(10.0));
      const double next = x - g / dg;
      const bool done = std::fabs(next - x) <= 1.0e-12 * std::fabs(next);
      x = next > 0.0 ? next : 0.5 * x;
      if (done) break;
    }
    return 1.0 / (x * x);
  };
  if (re >= 4000.0) return colebrook(re);
  const double w = (re - 2000.0) / 2000.0;
  return (1.0 - w) * (64.0 / 2000.0) + w * colebrook(4000.0);
}

double frictionGradient(double rho, double v, double d, double mu, double r) {
  const double re = rho * v * d / mu;
  if (re <= 2000.0) return 32.0 * mu * v / (gc() * d * d);
  return darcy(re, r) * rho * v * v / (2.0 * gc() * d);
}

double griffithHoldup(double vsG, double vm, double vs) {
  const double a = 1.0 + vm / vs;
  const double disc = std::max(a * a - 4.0 * vsG / vs, 0.0);
  return 1.0 - 0.5 * (a - std::sqrt(disc));
}

double kineticRatio(double rhoS, double vm, double vsG, double pPsi, std::int64_t& err) {
  const double ek = rhoS * vm * vsG / (gc() * kSquareInchesPerSquareFoot * pPsi);
  if (ek > 0.9) {
    err |= kResultLimited;
    return 0.9;
  }
  return ek;
}

void buildTables() {
  (void)tables();
}

double hughmarkK(double z, std::int64_t& err) {
  const Tables& t = tables();
  const std::size_t n = t.lnZ.size();
  const double x = std::log(std::max(z, 1.0e-300));
  if (!(x > t.lnZ[0])) {
    if (x < t.lnZ[0]) err |= kOutsideFit;
    return kHughmarkK[0];
  }
  if (x >= t.lnZ[n - 1]) {
    if (x > t.lnZ[n - 1]) err |= kOutsideFit;
    return kHughmarkK[n - 1];
  }
  std::size_t i = 0;
  while (x > t.lnZ[i + 1]) ++i;
  const double h = t.lnZ[i + 1] - t.lnZ[i];
  const double s = (x - t.lnZ[i]) / h;
  const double h00 = (1 + 2 * s) * (1 - s) * (1 - s), h10 = s * (1 - s) * (1 - s);
  const double h01 = s * s * (3 - 2 * s), h11 = s * s * (s - 1);
  return h00 * kHughmarkK[i] + h10 * h * t.slope[i] + h01 * kHughmarkK[i + 1] +
         h11 * h * t.slope[i + 1];
}

}  // namespace xv55::refhost::pipe::detail

using xv55::refhost::pipe::detail::kBL1;
using xv55::refhost::pipe::detail::kBL2;
using xv55::refhost::pipe::detail::kFFC;

extern "C" XV55_API void PIP_PIPBL1(void) {
  xv55::refhost::detail::beginRecord(kBL1);
}

extern "C" XV55_API void PIP_PIPBL2(void) {
  xv55::refhost::detail::beginRecord(kBL2);
}

extern "C" XV55_API void PIP_PIPFFC(void) {
  xv55::refhost::detail::beginRecord(kFFC);
  xv55::refhost::pipe::detail::buildTables();
}
