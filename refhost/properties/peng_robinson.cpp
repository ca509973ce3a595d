// Ideal gas and the Peng-Robinson equation of state.
//
//   P = R T / (V - b) - a(T) / (V^2 + 2 b V - b^2)
//   a_i = 0.45724 R^2 Tc^2 / Pc [1 + kappa (1 - sqrt(T / Tc))]^2,  b_i = 0.07780 R Tc / Pc
//   (D.-Y. Peng, D. B. Robinson, Ind. Eng. Chem. Fundam. 15 (1976) 59-64; kappa above
//   omega 0.49 from their 1978 revision).  Mixtures: van der Waals one-fluid rules with
//   all binary interaction parameters zero, so a = (sum x_i sqrt(a_i))^2, b = sum x_i b_i.
//   Residual enthalpy, entropy, heat capacity and fugacity coefficients are the closed
//   forms of the equation (Poling, Prausnitz & O'Connell, 5th ed., sections 6-4, 6-7).
#include <algorithm>
#include <cmath>

#include "thermo.hpp"

namespace xv55::refhost::properties::detail {
namespace {

constexpr double kSqrt2 = 1.4142135623730951;
// V / b at the critical point of the equation: Zc / Bc = 0.307401 / 0.0777961.
constexpr double kCriticalVolumeRatio = 3.9514;
constexpr double kPi = 3.14159265358979323846;

double cpPolynomial(const Component& c, double t) {
  return kGasConstant * (c.cp[0] + t * (c.cp[1] + t * (c.cp[2] + t * (c.cp[3] + t * c.cp[4]))));
}

// Antiderivatives of Cp and Cp/T inside the fitted range.
double enthalpyAntiderivative(const Component& c, double t) {
  return kGasConstant * t *
         (c.cp[0] + t * (c.cp[1] / 2 + t * (c.cp[2] / 3 + t * (c.cp[3] / 4 + t * c.cp[4] / 5))));
}
double entropyAntiderivative(const Component& c, double t) {
  return kGasConstant * (c.cp[0] * std::log(t) +
                         t * (c.cp[1] + t * (c.cp[2] / 2 + t * (c.cp[3] / 3 + t * c.cp[4] / 4))));
}

// G(Z) residual Gibbs energy / RT of a root, for choosing the stable one.
double residualGibbs(double z, double bigA, double bigB) {
  const double l = std::log((z + (1 + kSqrt2) * bigB) / (z + (1 - kSqrt2) * bigB));
  return z - 1 - std::log(z - bigB) - bigA / (2 * kSqrt2 * bigB) * l;
}

double polish(double z, double c2, double c1, double c0) {
  for (int i = 0; i < 3; ++i) {
    const double f = ((z + c2) * z + c1) * z + c0;
    const double df = (3 * z + 2 * c2) * z + c1;  // d(cubic)/dZ
    if (df == 0.0) break;
    const double step = f / df;
    z -= step;
    if (std::fabs(step) <= 1e-15 * std::fabs(z)) break;
  }
  return z;
}

// Real roots of Z^3 + c2 Z^2 + c1 Z + c0 above B, ascending; returns their number (1..3).
int cubicRoots(double c2, double c1, double c0, double bigB, double* roots) {
  const double p = c1 - c2 * c2 / 3;
  const double q = 2 * c2 * c2 * c2 / 27 - c2 * c1 / 3 + c0;
  const double disc = q * q / 4 + p * p * p / 27;
  double candidates[3];
  int m = 0;
  if (disc > 0) {
    const double sq = std::sqrt(disc);
    candidates[m++] = std::cbrt(-q / 2 + sq) + std::cbrt(-q / 2 - sq) - c2 / 3;
  } else {
    const double r = 2 * std::sqrt(-p / 3);
    const double arg = r == 0.0 ? 0.0 : std::clamp(3 * q / (p * r), -1.0, 1.0);
    const double phi = std::acos(arg) / 3;
    for (int k = 0; k < 3; ++k) candidates[m++] = r * std::cos(phi - 2 * kPi * k / 3) - c2 / 3;
  }
  int n = 0;
  for (int i = 0; i < m; ++i) {
    const double z = polish(candidates[i], c2, c1, c0);
    if (!(z > bigB) || !std::isfinite(z)) continue;
    bool seen = false;
    for (int j = 0; j < n; ++j) seen = seen || std::fabs(roots[j] - z) <= 1e-10 * z;
    if (!seen) roots[n++] = z;
  }
  for (int i = 1; i < n; ++i) {
    for (int j = i; j > 0 && roots[j] < roots[j - 1]; --j) std::swap(roots[j], roots[j - 1]);
  }
  return n;
}

}  // namespace

double idealCp(const Component& c, double t) {
  return cpPolynomial(c, std::clamp(t, c.cpTmin, c.cpTmax));
}

double idealEnthalpyIntegral(const Component& c, double t) {
  if (t < c.cpTmin) return enthalpyAntiderivative(c, c.cpTmin) + idealCp(c, t) * (t - c.cpTmin);
  if (t > c.cpTmax) return enthalpyAntiderivative(c, c.cpTmax) + idealCp(c, t) * (t - c.cpTmax);
  return enthalpyAntiderivative(c, t);
}

double idealEntropyIntegral(const Component& c, double t) {
  if (t < c.cpTmin) {
    return entropyAntiderivative(c, c.cpTmin) + idealCp(c, t) * std::log(t / c.cpTmin);
  }
  if (t > c.cpTmax) {
    return entropyAntiderivative(c, c.cpTmax) + idealCp(c, t) * std::log(t / c.cpTmax);
  }
  return entropyAntiderivative(c, t);
}

void pureAtT(const Set& set, double t, PureAtT& pure) {
  pure.t = t;
  for (int i = 0; i < set.n; ++i) {
    const Component& c = *set.c[i];
    const double rootTr = std::sqrt(t / c.tc);
    pure.sqrtA[i] = c.sqrtAc * (1 + c.kappa * (1 - rootTr));
    pure.dSqrtA[i] = -c.sqrtAc * c.kappa / (2 * std::sqrt(t * c.tc));      // d sqrt(a_i)/dT
    pure.d2SqrtA[i] = c.sqrtAc * c.kappa / (4 * t * std::sqrt(t * c.tc));  // d2 sqrt(a_i)/dT2
  }
}

bool evaluatePhase(const Set& set, const PureAtT& pure, const double* x, double p, Root root,
                   Phase& ph) {
  double s = 0, ds = 0, d2s = 0, b = 0;
  for (int i = 0; i < set.n; ++i) {
    s += x[i] * pure.sqrtA[i];
    ds += x[i] * pure.dSqrtA[i];    // ds/dT
    d2s += x[i] * pure.d2SqrtA[i];  // d2s/dT2
    b += x[i] * set.c[i]->b;
  }
  const double t = pure.t;
  ph.s = s;
  ph.a = s * s;
  ph.dadt = 2 * s * ds;                   // da/dT
  ph.d2adt2 = 2 * ds * ds + 2 * s * d2s;  // d2a/dT2
  ph.b = b;
  const double rt = kGasConstant * t;
  ph.bigA = ph.a * p / (rt * rt);
  ph.bigB = b * p / rt;
  const double bigA = ph.bigA, bigB = ph.bigB;
  double roots[3];
  const int n = cubicRoots(-(1 - bigB), bigA - 3 * bigB * bigB - 2 * bigB,
                           -(bigA * bigB - bigB * bigB - bigB * bigB * bigB), bigB, roots);
  if (n == 0) return false;
  const double zL = roots[0], zV = roots[n - 1];
  ph.roots = zL == zV ? 1 : 2;
  bool largest = true;
  if (ph.roots == 2) {
    switch (root) {
      case Root::Vapour:
        largest = true;
        break;
      case Root::Liquid:
        largest = false;
        break;
      case Root::Stable:
        largest = residualGibbs(zV, bigA, bigB) <= residualGibbs(zL, bigA, bigB);
        break;
    }
  }
  ph.largestRoot = largest;
  ph.z = largest ? zV : zL;
  ph.v = ph.z * rt / p;
  ph.lnPhiSum = residualGibbs(ph.z, bigA, bigB);
  return true;
}

void lnFugacity(const Set& set, const PureAtT& pure, const Phase& ph, double* lnPhi) {
  const double l = std::log((ph.z + (1 + kSqrt2) * ph.bigB) / (ph.z + (1 - kSqrt2) * ph.bigB));
  const double common = ph.bigA / (2 * kSqrt2 * ph.bigB) * l;
  const double lnZB = std::log(ph.z - ph.bigB);
  for (int i = 0; i < set.n; ++i) {
    const double bRatio = set.c[i]->b / ph.b;
    lnPhi[i] = bRatio * (ph.z - 1) - lnZB - common * (2 * pure.sqrtA[i] / ph.s - bRatio);
  }
}

void phaseProperties(const Set& set, const PureAtT& pure, const double* x, double p,
                     const Phase& ph, Properties& out) {
  const double t = pure.t;
  const double v = ph.v, b = ph.b, a = ph.a;
  const double d = v * v + 2 * b * v - b * b;
  const double rt = kGasConstant * t;
  out.v = v;
  out.z = ph.z;
  out.dPdV = -rt / ((v - b) * (v - b)) + a * (2 * v + 2 * b) / (d * d);  // dP/dV at T
  out.dPdT = kGasConstant / (v - b) - ph.dadt / d;                       // dP/dT at V
  out.dVdT = -out.dPdT / out.dPdV;                                       // dV/dT at P
  const double l = std::log((v + (1 + kSqrt2) * b) / (v + (1 - kSqrt2) * b));
  const double hR = rt * (ph.z - 1) + (t * ph.dadt - a) / (2 * kSqrt2 * b) * l;
  const double sR = kGasConstant * std::log(ph.z - ph.bigB) + ph.dadt / (2 * kSqrt2 * b) * l;
  const double cvR = t * ph.d2adt2 / (2 * kSqrt2 * b) * l;
  double hIg = 0, sIg = 0, cpIg = 0;
  for (int i = 0; i < set.n; ++i) {
    if (x[i] <= 0) continue;
    const Component& c = *set.c[i];
    hIg += x[i] * (c.hf + idealEnthalpyIntegral(c, t) - c.hRef);
    sIg += x[i] * (idealEntropyIntegral(c, t) - c.sRef - kGasConstant * std::log(x[i]));
    cpIg += x[i] * idealCp(c, t);
  }
  sIg -= kGasConstant * std::log(p / kReferencePressure);
  out.h = hIg + hR;
  out.s = sIg + sR;
  out.cv = cpIg - kGasConstant + cvR;
  out.cp = out.cv - t * out.dPdT * out.dPdT / out.dPdV;
}

bool looksVapour(const Set& set, const double* x, double t, const Phase& ph) {
  if (ph.roots == 2) return ph.largestRoot;
  double tpc = 0;
  for (int i = 0; i < set.n; ++i) tpc += x[i] * set.c[i]->tc;
  return t > tpc || ph.v > kCriticalVolumeRatio * ph.b;
}

bool rachfordRice(int n, const double* z, const double* k, double& beta) {
  double kmin = k[0], kmax = k[0];
  for (int i = 1; i < n; ++i) {
    kmin = std::min(kmin, k[i]);
    kmax = std::max(kmax, k[i]);
  }
  if (kmax <= 1.0) {
    beta = 0.0;
    return false;
  }
  if (kmin >= 1.0) {
    beta = 1.0;
    return false;
  }
  // f(beta) falls from +inf at lo to -inf at hi.
  double lo = 1.0 / (1.0 - kmax), hi = 1.0 / (1.0 - kmin);
  double x = (lo < 0.5 && 0.5 < hi) ? 0.5 : 0.5 * (lo + hi);
  for (int it = 0; it < 200; ++it) {
    double f = 0, df = 0;
    for (int i = 0; i < n; ++i) {
      const double km1 = k[i] - 1.0;
      const double den = 1.0 + x * km1;
      f += z[i] * km1 / den;
      df -= z[i] * km1 * km1 / (den * den);  // df/dbeta
    }
    if (f > 0) lo = x;
    if (f < 0) hi = x;
    if (f == 0.0) break;
    double next = x - f / df;
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    const bool done = std::fabs(next - x) <= 1e-15 * (1.0 + std::fabs(x));
    x = next;
    if (done || hi - lo <= 1e-16 * (1.0 + std::fabs(x))) break;
  }
  beta = x;
  return true;
}

}  // namespace xv55::refhost::properties::detail
