// Pressure-drop routines of the pipe library: PIP_ERGUN (packed bed, SI),
// PIP_PIPBBF (Beggs-Brill friction factor), PIP_PIPDUL (Dukler), PIP_PIPAWR
// ("Angel-Welchon-Ros" keyword), PIP_PIPSLK ("Slack" keyword, holdup and friction)
// and PIP_PIPHTF ("HTFS" keyword, Pa/m).  Field units (common.hpp) unless stated;
// velocities by magnitude; error flags and injected failures as
// include/xv55/refhost/pipe.hpp.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "common.hpp"
#include "xv55/host/pipe_correlations.h"

namespace {

using namespace xv55::refhost::pipe;
using namespace xv55::refhost::pipe::detail;
using xv55::refhost::detail::declareService;

const Service kERG = declareService("PIP_ERGUN");
const Service kBBF = declareService("PIP_PIPBBF");
const Service kDUL = declareService("PIP_PIPDUL");
const Service kAWR = declareService("PIP_PIPAWR");
const Service kSLK = declareService("PIP_PIPSLK");
const Service kHTF = declareService("PIP_PIPHTF");

}  // namespace

// ---- Ergun ------------------------------------------------------------------------
// Ergun, S. (1952), "Fluid flow through packed columns", Chem. Eng. Prog. 48(2),
// 89-94.  SI in and out.  Arguments: (bed void fraction eps, density kg/m3,
// viscosity Pa s, particle diameter d_p m, particle sphericity phi, superficial
// velocity v m/s, out gradient Pa/m):
//   G = 150 mu (1-eps)^2 v/(eps^3 (phi d_p)^2) + 1.75 rho (1-eps) v|v|/(eps^3 phi d_p),
// the frictional pressure loss per metre in the direction of v (odd in v: a negative
// velocity gives a negative gradient).  The procedures pass packed-bed input a as
// eps, input c as d_p and input b as phi.  Guards (no error flag): eps into
// [1e-6, 1]; phi <= 0 or non-finite taken as 1 (spheres), above 1 as 1; d_p at least
// 1e-9 m; negative density or viscosity as 0; a non-finite result clipped.
extern "C" XV55_API void PIP_ERGUN(const double* bedA, const double* rhoNs, const double* muNs,
                                   const double* bedC, const double* bedB, const double* velocity,
                                   double* gradient) {
  record(kERG, {bedA, rhoNs, muNs, bedC, bedB, velocity});
  if (failed(kERG)) {
    put(gradient, kNaN);
    return;
  }
  std::int64_t err = 0;
  const double eps = clampInput(in(bedA), 1.0e-6, 1.0, err);
  const double rho = clampInput(in(rhoNs), 0.0, 1.0e8, err);
  const double mu = clampInput(in(muNs), 0.0, 1.0e8, err);
  const double dp = clampInput(in(bedC), 1.0e-9, 1.0e6, err);
  double phi = in(bedB);
  if (!(phi > 0.0) || phi > 1.0) phi = 1.0;
  double v = in(velocity);
  if (!std::isfinite(v)) v = std::isnan(v) ? 0.0 : std::copysign(1.0e8, v);
  v = std::clamp(v, -1.0e8, 1.0e8);
  const double e3 = eps * eps * eps, pd = phi * dp;
  const double g = 150.0 * mu * (1.0 - eps) * (1.0 - eps) * v / (e3 * pd * pd) +
                   1.75 * rho * (1.0 - eps) * v * std::fabs(v) / (e3 * pd);
  put(gradient, finite(g, err));
}

// ---- Beggs-Brill friction factor ---------------------------------------------------
// Beggs and Brill (1973), as Brill and Mukherjee (1999), section 4.3.1:
//   f_tp = f_n e^S, y = lambda/H_L^2,
//   S = ln y/(-0.0523 + 3.182 ln y - 0.8725 (ln y)^2 + 0.01853 (ln y)^4), and
//   S = ln(2.2 y - 1.2) for 1 < y < 1.2;
// f_n is the Moody (Darcy) factor at the no-slip Reynolds number rho_ns v_m D/mu_ns
// with the relative roughness passed (Colebrook-White; the 1973 paper used the
// smooth-pipe curve).  S is limited to [-7, 7] (kResultLimited); H_L is an input
// (eighth argument), floored at 1e-12.
extern "C" XV55_API void PIP_PIPBBF(const double* lambda, const double* vm, const double* muNs,
                                    const double* rhoNs, const double* d, const double* roughness,
                                    double* frictionFactor, const double* holdup, int64_t* error) {
  record(kBBF, {lambda, vm, muNs, rhoNs, d, roughness, holdup});
  if (failed(kBBF)) {
    put(frictionFactor, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double l = std::max(fraction(in(lambda), err), 1.0e-12);
  const double v = speed(in(vm), err);
  const double mu = clampInput(in(muNs), kMinViscosity, kMaxViscosity, err);
  const double rho = clampInput(in(rhoNs), kMinDensity, kMaxDensity, err);
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  const double r = clampInput(in(roughness), 0.0, kMaxRoughness, err);
  const double h = std::max(fraction(in(holdup), err), 1.0e-12);
  const double fn = darcy(rho * v * dd / mu, r);
  const double y = l / (h * h);
  double s;
  if (y > 1.0 && y < 1.2) {
    s = std::log(2.2 * y - 1.2);
  } else {
    const double t = std::log(y);
    const double den = -0.0523 + t * (3.182 + t * (-0.8725 + t * t * 0.01853));
    s = den != 0.0 ? t / den : 7.0;
  }
  if (!(s >= -7.0 && s <= 7.0)) {
    err |= kResultLimited;
    s = std::isnan(s) ? 0.0 : std::clamp(s, -7.0, 7.0);
  }
  put(frictionFactor, finite(fn * std::exp(s), err));
  putError(error, err);
}

// ---- Dukler -----------------------------------------------------------------------
// Dukler, A.E., Wicks, M. and Cleveland, R.G. (1964), "Frictional pressure drop in
// two-phase flow: B. An approach through similarity analysis", AIChE J. 10(1),
// 44-51, case II (constant slip), as Brill and Mukherjee (1999), section 4.2.4:
//   rho_k = rho_L lambda^2/H_L + rho_G (1-lambda)^2/(1-H_L),  Re_k = rho_k v_m D/mu_ns,
//   f_n = 0.0056 + 0.5 Re_k^-0.32,
//   f/f_n = 1 + y/(1.281 - 0.478 y + 0.444 y^2 - 0.094 y^3 + 0.00843 y^4), y = -ln lambda,
//   friction gradient = f rho_k v_m^2/(2 g_c D), lbf/ft2 per ft.
// The holdup input is kept within [1e-12, 1 - 1e-12] (kInputClamped when moved).
extern "C" XV55_API void PIP_PIPDUL(const double* lambda, const double* rhoG, const double* rhoL,
                                    const double* vm, const double* muNs, const double* d,
                                    const double* holdup, double* friction, int64_t* error) {
  record(kDUL, {lambda, rhoG, rhoL, vm, muNs, d, holdup});
  if (failed(kDUL)) {
    put(friction, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double l = std::max(fraction(in(lambda), err), 1.0e-12);
  const double rg = clampInput(in(rhoG), kMinDensity, kMaxDensity, err);
  const double rl = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  const double v = speed(in(vm), err);
  const double mu = clampInput(in(muNs), kMinViscosity, kMaxViscosity, err);
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  const double h = clampInput(in(holdup), 1.0e-12, 1.0 - 1.0e-12, err);
  const double rk = rl * l * l / h + rg * (1.0 - l) * (1.0 - l) / (1.0 - h);
  const double re = std::max(rk * v * dd / mu, 1.0e-30);
  const double fn = 0.0056 + 0.5 * std::pow(re, -0.32);
  const double y = -std::log(l);
  const double ratio = 1.0 + y / (1.281 + y * (-0.478 + y * (0.444 + y * (-0.094 + y * 0.00843))));
  put(friction, finite(fn * ratio * rk * v * v / (2.0 * gc() * dd), err));
  putError(error, err);
}

// ---- "Angel-Welchon-Ros" keyword ----------------------------------------------------
// STAND-IN.  Angel, R.R. and Welchon, J.K. (1964), "Low-ratio gas-lift correlation
// for casing-tubing annuli and large-diameter tubing", API Drill. Prod. Prac., gave
// Poettmann-Carpenter type energy-loss factors against D rho v; their curves were not
// available to the implementer.  The routine uses the Poettmann, F.H. and Carpenter,
// P.G. (1952), "The multiphase flow of gas, oil and water through vertical flow
// strings", API Drill. Prod. Prac. 257-317, energy-loss factor in the fit of
// Economides, Hill and Ehlig-Economides (1994), "Petroleum Production Systems":
//   f = 10^(1.444 - 2.5 log10(D rho_ns v_m)),  D rho v in lbm/(ft s),
//   friction gradient = 2 f rho_ns v_m^2/(g_c D) / 144 psi/ft.
// D rho v is held at 1 below 1 (kOutsideFit) and f is floored at 0.001 (reached near
// D rho v = 60; kOutsideFit), so that the gradient vanishes with the flow and does not
// vanish at high rates; both limits are the implementer's.
extern "C" XV55_API void PIP_PIPAWR(const double* d, const double* rhoNs, const double* vm,
                                    double* friction, int64_t* error) {
  record(kAWR, {d, rhoNs, vm});
  if (failed(kAWR)) {
    put(friction, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  const double rho = clampInput(in(rhoNs), kMinDensity, kMaxDensity, err);
  const double v = speed(in(vm), err);
  double drv = dd * rho * v;
  if (drv < 1.0) {
    err |= kOutsideFit;
    drv = 1.0;
  }
  double f = std::pow(10.0, 1.444 - 2.5 * std::log10(drv));
  if (f < 0.001) {
    err |= kOutsideFit;
    f = 0.001;
  }
  put(friction, finite(2.0 * f * rho * v * v / (gc() * dd) / kSquareInchesPerSquareFoot, err));
  putError(error, err);
}

// ---- "Slack" keyword ----------------------------------------------------------------
// STAND-IN.  The Slack correlation is not published in an accessible form.  Holdup:
// drift-flux model of Bendiksen, K.H. (1984), "An experimental investigation of the
// motion of long bubbles in inclined tubes", Int. J. Multiphase Flow 10(4), 467-483:
//   Fr = v_m/sqrt(g D);  Fr < 3.5: C0 = 1.05 + 0.15 sin^2 t, v_d = sqrt(g D)(0.35 sin t
//   + 0.54 cos t);  Fr >= 3.5: C0 = 1.2, v_d = 0.35 sqrt(g D) sin t;
//   alpha = v_sG/(C0 v_m + v_d),  H_L = 1 - alpha (limited to [0, 1], kResultLimited),
// t the inclination brought into [-pi/2, pi/2].  Friction: homogeneous (no-slip),
// f(rho_ns v_m D/mu_ns, r) rho_ns v_m^2/(2 g_c D) lbf/ft2 per ft, f the Moody factor.
extern "C" XV55_API void PIP_PIPSLK(const double* lambda, const double* rhoL, const double* rhoG,
                                    const double* muL, const double* muG, const double* vm,
                                    const double* d, const double* roughness, const double* theta,
                                    double* holdup, double* friction, int64_t* error) {
  record(kSLK, {lambda, rhoL, rhoG, muL, muG, vm, d, roughness, theta});
  if (failed(kSLK)) {
    put(holdup, kNaN), put(friction, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double l = fraction(in(lambda), err);
  const double rl = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  const double rg = clampInput(in(rhoG), kMinDensity, kMaxDensity, err);
  const double ml = clampInput(in(muL), kMinViscosity, kMaxViscosity, err);
  const double mg = clampInput(in(muG), kMinViscosity, kMaxViscosity, err);
  const double v = speed(in(vm), err);
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  const double r = clampInput(in(roughness), 0.0, kMaxRoughness, err);
  const double t = inclination(in(theta), err);
  const double scale = std::sqrt(gravity() * dd);
  const double s = std::sin(t), c = std::cos(t);
  double c0, vd;
  if (v / scale < 3.5) {
    c0 = 1.05 + 0.15 * s * s;
    vd = scale * (0.35 * s + 0.54 * c);
  } else {
    c0 = 1.2;
    vd = 0.35 * scale * s;
  }
  const double vsG = (1.0 - l) * v;
  const double den = c0 * v + vd;
  double alpha;
  if (vsG <= 0.0) {
    alpha = 0.0;
  } else if (den <= vsG) {
    err |= kResultLimited;  // gas would move no faster than its superficial velocity
    alpha = 1.0;
  } else {
    alpha = vsG / den;
  }
  const double rhoNs = l * rl + (1.0 - l) * rg, muNs = l * ml + (1.0 - l) * mg;
  put(holdup, unitResult(1.0 - alpha, err));
  put(friction, finite(frictionGradient(rhoNs, v, dd, muNs, r), err));
  putError(error, err);
}

// ---- "HTFS" pressure drop -------------------------------------------------------------
// STAND-IN.  The HTFS frictional method is proprietary.  The routine returns the
// separated-flow gradient of Chisholm, D. (1973), Int. J. Heat Mass Transfer 16,
// 347-358 (the B-coefficient method), in Pa/m:
//   G = W/(pi D^2/4) (pi as passed), x from lambda and the densities,
//   (dp/dz)_LO = f_LO G^2/(2 g_c rho_L D), (dp/dz)_GO likewise (g_c as passed; f the
//   Moody factor at G D/mu with the relative roughness passed; Chisholm used the
//   smooth-tube Blasius law),
//   Gamma^2 = (dp/dz)_GO/(dp/dz)_LO, B from Gamma and G in kg/(m2 s):
//     Gamma <= 9.5: B = 4.8 (G <= 500), 2400/G (500 < G < 1900), 55/sqrt(G) (G >= 1900);
//     9.5 < Gamma <= 28: B = 520/(Gamma sqrt(G)) (G <= 600), 21/Gamma (G > 600);
//     Gamma > 28: B = 15000/(Gamma^2 sqrt(G));
//   phi_LO^2 = 1 + (Gamma^2 - 1)(B x^0.875 (1-x)^0.875 + x^1.75)  (n = 0.25),
//   gradient = phi_LO^2 (dp/dz)_LO, converted from lbf/ft2 per ft to Pa/m; for
//   Gamma < 1 (outside the method) phi_LO^2 is kept at least min(1, Gamma^2)
//   (kResultLimited), so that the gradient stays positive.
// The superficial velocities are recorded and not used.  A pi or g_c that is not
// positive and finite is replaced (kInputClamped) by 3.14159265... and 32.174.
extern "C" XV55_API void PIP_PIPHTF(const double* massFlow, const double* d, const double* pi,
                                    const double* lambda, const double* rhoL, const double* rhoG,
                                    const double* muL, const double* muG, const double* roughness,
                                    const double* gcArg, const double* vsL, const double* vsG,
                                    double* gradient, int64_t* error) {
  record(kHTF, {massFlow, d, pi, lambda, rhoL, rhoG, muL, muG, roughness, gcArg, vsL, vsG});
  if (failed(kHTF)) {
    put(gradient, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double w = clampInput(std::fabs(in(massFlow)), 0.0, kMaxMassFlow, err);
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  double p = in(pi), g = in(gcArg);
  if (!(p > 0.0 && std::isfinite(p))) p = std::numbers::pi, err |= kInputClamped;
  if (!(g > 0.0 && std::isfinite(g))) g = kGc, err |= kInputClamped;
  const double l = fraction(in(lambda), err);
  const double rl = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  const double rg = clampInput(in(rhoG), kMinDensity, kMaxDensity, err);
  const double ml = clampInput(in(muL), kMinViscosity, kMaxViscosity, err);
  const double mg = clampInput(in(muG), kMinViscosity, kMaxViscosity, err);
  const double r = clampInput(in(roughness), 0.0, kMaxRoughness, err);
  const double flux = w / (0.25 * p * dd * dd);
  const double gasMass = (1.0 - l) * rg, liquidMass = l * rl;
  const double x = gasMass + liquidMass > 0.0 ? gasMass / (gasMass + liquidMass) : 0.0;
  const double lo = darcy(flux * dd / ml, r) * flux * flux / (2.0 * g * rl * dd);
  const double go = darcy(flux * dd / mg, r) * flux * flux / (2.0 * g * rg * dd);
  double result = 0.0;
  if (lo > 0.0) {
    const double gamma2 = go / lo, gamma = std::sqrt(gamma2);
    const double gsi = std::max(flux * kKgM2sPerLbFt2s, 1.0e-300);
    double b;
    if (gamma <= 9.5) {
      b = gsi <= 500.0 ? 4.8 : gsi < 1900.0 ? 2400.0 / gsi : 55.0 / std::sqrt(gsi);
    } else if (gamma <= 28.0) {
      b = gsi <= 600.0 ? 520.0 / (gamma * std::sqrt(gsi)) : 21.0 / gamma;
    } else {
      b = 15000.0 / (gamma2 * std::sqrt(gsi));
    }
    double phi2 = 1.0 + (gamma2 - 1.0) * (b * std::pow(x * (1.0 - x), 0.875) + std::pow(x, 1.75));
    if (phi2 < std::min(1.0, gamma2)) {  // Gamma < 1 (gas the more viscous phase)
      err |= kResultLimited;
      phi2 = std::min(1.0, gamma2);
    }
    result = phi2 * lo * kPaPerMPerLbfFt3;
  }
  put(gradient, finite(result, err));
  putError(error, err);
}
