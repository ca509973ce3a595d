// Well-flow correlations of the pipe library: PIP_PIPHBR (Hagedorn-Brown) and
// PIP_PIPORK (Orkiszewski), each giving holdup, flow regime and the friction and
// acceleration gradients (lbf/ft2 per ft).  Field units (common.hpp); velocities by
// magnitude; error flags and injected failures as include/xv55/refhost/pipe.hpp.
//
// Both use the elevation gradient rho_s sin(t) g/g_c and, where they give an
// acceleration term, the kinetic-energy form of Brill and Mukherjee (1999), eq. 4.x:
//   acceleration = E_k (elevation + friction)/(1 - E_k),
//   E_k = rho_s v_m v_sG/(g_c 144 P)  (capped at 0.9, kResultLimited).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common.hpp"
#include "xv55/host/pipe_correlations.h"

namespace {

using namespace xv55::refhost::pipe;
using namespace xv55::refhost::pipe::detail;
using xv55::refhost::detail::declareService;

const Service kHBR = declareService("PIP_PIPHBR");
const Service kORK = declareService("PIP_PIPORK");

// The common inputs of both routines after the guards.
struct Stream {
  double t, d, r, p, vsG, vsL, vm, lambda, rhoG, rhoL, muG, muL, sigma;
  double rhoNs() const { return lambda * rhoL + (1.0 - lambda) * rhoG; }
};

// Griffith bubble-flow boundary L_B = 1.071 - 0.2218 v_m^2/D (ft/s, ft), at least 0.13.
bool bubbleFlow(const Stream& s) {
  const double lb = std::max(1.071 - 0.2218 * s.vm * s.vm / s.d, 0.13);
  return s.vm > 0.0 && s.vsG / s.vm < lb;
}

// Bubble flow after Griffith (v_s = 0.8 ft/s): holdup and liquid-phase friction.
void griffith(const Stream& s, double& holdup, double& friction) {
  holdup = std::max(griffithHoldup(s.vsG, s.vm, 0.8), s.lambda);
  holdup = std::clamp(holdup, 1.0e-12, 1.0);
  const double vl = s.vsL / holdup;
  friction = frictionGradient(s.rhoL, vl, s.d, s.muL, s.r);
}

// ---- Hagedorn-Brown chart fits ------------------------------------------------------
// Closed-form fits of the three Hagedorn-Brown charts from Guo, B., Lyons, W.C. and
// Ghalambor, A. (2007), "Petroleum Production Engineering: A Computer-Assisted
// Approach", section 4.3.3, each applied within the charts' range (kOutsideFit and
// held at the end outside it).
double hbCnl(double nl, std::int64_t& err) {
  if (nl < 0.002 || nl > 0.5) err |= kOutsideFit;
  const double n = std::clamp(nl, 0.002, 0.5);
  return (0.0019 + 0.0322 * n - 0.6642 * n * n + 4.9951 * n * n * n) /
         (1.0 - 10.0147 * n + 33.8696 * n * n + 277.2817 * n * n * n);
}
double hbHoldupOverPsi(double x1, std::int64_t& err) {
  if (x1 < 1.0e-7 || x1 > 1.0e-2) err |= kOutsideFit;
  const double x = std::clamp(x1, 1.0e-7, 1.0e-2);
  return std::sqrt((0.0047 + 1123.32 * x + 729489.64 * x * x) /
                   (1.0 + 1097.1566 * x + 722153.97 * x * x));
}
double hbPsi(double x2, std::int64_t& err) {
  if (x2 <= 0.01) return 1.0;  // the chart gives psi = 1 below 0.01
  if (x2 > 0.09) err |= kOutsideFit;
  const double x = std::min(x2, 0.09);
  return std::max((1.0886 - 69.9473 * x + 2334.3497 * x * x - 12896.683 * x * x * x) /
                      (1.0 - 53.4401 * x + 1517.9369 * x * x - 8419.8115 * x * x * x),
                  1.0);
}

// ---- Orkiszewski --------------------------------------------------------------------
// Bubble rise velocity of slug flow, Orkiszewski's equations for the Griffith-Wallis
// charts (Brill and Mukherjee 1999, eqs. 4.64-4.67), iterated from 0.5 sqrt(g D).
double orkiszewskiBubbleVelocity(const Stream& s, std::int64_t& err) {
  const double root = std::sqrt(gravity() * s.d);
  const double reL = s.rhoL * s.vm * s.d / s.muL;
  const double muCp = s.muL * kCentipoise;
  double vb = 0.5 * root;
  for (int i = 0; i < 30; ++i) {
    const double reB = s.rhoL * vb * s.d / s.muL;
    double next;
    if (reB <= 3000.0) {
      next = (0.546 + 8.74e-6 * reL) * root;
    } else if (reB >= 8000.0) {
      next = (0.35 + 8.74e-6 * reL) * root;
    } else {
      const double vbi = (0.251 + 8.74e-6 * reL) * root;
      next = 0.5 * (vbi + std::sqrt(vbi * vbi + 13.59 * muCp / (s.rhoL * std::sqrt(s.d))));
    }
    if (std::fabs(next - vb) <= 1.0e-10 * std::max(next, 1.0e-30)) return next;
    vb = next;
  }
  err |= kNotConverged;
  return vb;
}

// Slug flow: slip density, holdup and friction (oil-continuous liquid distribution
// coefficient; the routine has no water cut).
void orkiszewskiSlug(const Stream& s, double& rhoS, double& friction, std::int64_t& err) {
  const double vb = orkiszewskiBubbleVelocity(s, err);
  const double muCp = s.muL * kCentipoise;
  const double lgMu = std::log10(muCp + 1.0), lgD = std::log10(s.d);
  const double lgV = std::log10(std::max(s.vm, 1.0e-30));
  double gamma;
  if (s.vm < 10.0) {
    gamma = 0.0127 * lgMu / std::pow(s.d, 1.415) - 0.284 + 0.167 * lgV + 0.113 * lgD;
  } else {
    gamma = 0.0274 * lgMu / std::pow(s.d, 1.371) + 0.161 + 0.569 * lgD -
            lgV * (0.01 * lgMu / std::pow(s.d, 1.571) + 0.397 + 0.63 * lgD);
  }
  const double base = (s.rhoL * (s.vsL + vb) + s.rhoG * s.vsG) / (s.vm + vb);
  if (s.vm < 10.0) {
    gamma = std::max(gamma, -0.065 * s.vm);
  } else {
    const double trial = base + s.rhoL * gamma;
    gamma = std::max(gamma, -vb / (s.vm + vb) * (1.0 - trial / s.rhoL));
  }
  rhoS = base + s.rhoL * gamma;
  const double f = darcy(s.rhoL * s.vm * s.d / s.muL, s.r);
  double bracket = (s.vsL + vb) / (s.vm + vb) + gamma;
  if (bracket < 0.0) {
    err |= kResultLimited;
    bracket = 0.0;
  }
  friction = f * s.rhoL * s.vm * s.vm / (2.0 * gc() * s.d) * bracket;
}

// Mist flow (Duns and Ros, without their film-roughness correction): no slip, gas
// friction with the pipe's relative roughness.
void orkiszewskiMist(const Stream& s, double& rhoS, double& friction) {
  rhoS = s.rhoNs();
  friction = frictionGradient(s.rhoG, s.vsG, s.d, s.muG, s.r);
}

Stream guard(const double* theta, const double* d, const double* roughness, const double* p,
             const double* vsG, const double* vsL, const double* lambda, const double* rhoG,
             const double* rhoL, const double* muG, const double* muL, const double* sigma,
             std::int64_t& err) {
  Stream s{};
  s.t = inclination(in(theta), err);
  s.d = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  s.r = clampInput(in(roughness), 0.0, kMaxRoughness, err);
  s.p = clampInput(in(p), kMinPressure, kMaxPressure, err);
  s.vsG = speed(in(vsG), err);
  s.vsL = speed(in(vsL), err);
  s.vm = s.vsG + s.vsL;
  s.lambda = fraction(in(lambda), err);
  s.rhoG = clampInput(in(rhoG), kMinDensity, kMaxDensity, err);
  s.rhoL = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  s.muG = clampInput(in(muG), kMinViscosity, kMaxViscosity, err);
  s.muL = clampInput(in(muL), kMinViscosity, kMaxViscosity, err);
  s.sigma = clampInput(in(sigma), kMinTension, kMaxTension, err);
  return s;
}

}  // namespace

// ---- Hagedorn-Brown -----------------------------------------------------------------
// Hagedorn, A.R. and Brown, K.E. (1965), "Experimental study of pressure gradients
// occurring during continuous two-phase flow in small-diameter vertical conduits",
// J. Pet. Tech. 17(4), 475-484, in the modified form of Brill and Mukherjee (1999),
// section 4.2.1: Griffith bubble flow when v_sG/v_m < L_B (regime 5); otherwise the
// charts (regime 9, fits above):
//   CN_L(N_L);  H_L/psi at N_LV/N_GV^0.575 (P/14.7)^0.1 CN_L/N_D;  psi at
//   N_GV N_L^0.38/N_D^2.14;  H_L = psi (H_L/psi), at least lambda;
//   friction = f rho_ns^2 v_m^2/(2 g_c rho_s D), f the Moody factor at
//   rho_ns v_m D/(mu_L^H_L mu_G^(1-H_L)).
// The inclination enters the elevation and acceleration terms only (the charts are
// for vertical flow).  Lambda is the no-slip fraction passed; v_m = v_sG + v_sL.
extern "C" XV55_API void PIP_PIPHBR(const double* theta, const double* d, const double* roughness,
                                    const double* p, const double* vsG, const double* vsL,
                                    const double* lambda, const double* rhoG, const double* rhoL,
                                    const double* muG, const double* muL, const double* sigma,
                                    double* holdup, double* friction, double* acceleration,
                                    double* regime, int64_t* error) {
  record(kHBR, {theta, d, roughness, p, vsG, vsL, lambda, rhoG, rhoL, muG, muL, sigma});
  if (failed(kHBR)) {
    put(holdup, kNaN), put(friction, kNaN), put(acceleration, kNaN), put(regime, kNaN);
    putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const Stream s =
      guard(theta, d, roughness, p, vsG, vsL, lambda, rhoG, rhoL, muG, muL, sigma, err);
  double h, fr;
  Regime pattern;
  if (bubbleFlow(s)) {
    pattern = Regime::Bubble;
    griffith(s, h, fr);
  } else {
    pattern = Regime::Chart;
    const double fv = velocityNumberFactor(s.rhoL, s.sigma);
    const double nlv = s.vsL * fv, ngv = std::max(s.vsG * fv, 1.0e-300);
    const double nd = diameterNumber(s.d, s.rhoL, s.sigma);
    const double nl = viscosityNumber(s.muL, s.rhoL, s.sigma);
    const double x1 = nlv / std::pow(ngv, 0.575) * std::pow(s.p / 14.7, 0.1) * hbCnl(nl, err) / nd;
    const double x2 = ngv * std::pow(nl, 0.38) / std::pow(nd, 2.14);
    h = std::clamp(std::max(hbPsi(x2, err) * hbHoldupOverPsi(x1, err), s.lambda), 1.0e-12, 1.0);
    const double rhoNs = s.rhoNs(), rhoS = h * s.rhoL + (1.0 - h) * s.rhoG;
    const double muS = std::pow(s.muL, h) * std::pow(s.muG, 1.0 - h);
    const double f = darcy(rhoNs * s.vm * s.d / muS, s.r);
    fr = f * rhoNs * rhoNs * s.vm * s.vm / (2.0 * gc() * rhoS * s.d);
  }
  const double rhoS = h * s.rhoL + (1.0 - h) * s.rhoG;
  const double el = rhoS * std::sin(s.t) * gravity() / gc();
  const double ek = kineticRatio(rhoS, s.vm, s.vsG, s.p, err);
  put(holdup, unitResult(h, err));
  put(friction, finite(fr, err));
  put(acceleration, finite(ek * (el + fr) / (1.0 - ek), err));
  put(regime, static_cast<double>(pattern));
  putError(error, err);
}

namespace {

// The dimensionless gas velocity of a stream and the slug and mist boundaries.
struct OrkiszewskiBounds {
  double velocityFactor, ngv, slug, mist;  // N_GV = v_sG * velocityFactor; L_S; L_M
};

// Transition: A = (L_M - N_GV)/(L_M - L_S) times slug plus (1 - A) times mist, the
// mist part at the gas velocity of the L_M boundary; acceleration from the mist part.
void orkiszewskiTransition(const Stream& s, const OrkiszewskiBounds& b, double& rhoS, double& fr,
                           double& ek, std::int64_t& err) {
  double rhoSlug, frSlug, rhoMist, frMist;
  orkiszewskiSlug(s, rhoSlug, frSlug, err);
  Stream mist = s;
  mist.vsG = b.mist / b.velocityFactor;
  mist.vm = mist.vsL + mist.vsG;
  mist.lambda = mist.vm > 0.0 ? mist.vsL / mist.vm : 0.0;
  orkiszewskiMist(mist, rhoMist, frMist);
  const double a = b.mist > b.slug ? (b.mist - b.ngv) / (b.mist - b.slug) : 0.5;
  rhoS = a * rhoSlug + (1.0 - a) * rhoMist;
  fr = a * frSlug + (1.0 - a) * frMist;
  ek = (1.0 - a) * kineticRatio(rhoMist, mist.vm, mist.vsG, s.p, err);
}

}  // namespace

// ---- Orkiszewski ----------------------------------------------------------------------
// Orkiszewski, J. (1967), "Predicting two-phase pressure drops in vertical pipe",
// J. Pet. Tech. 19(6), 829-838, as Brill and Mukherjee (1999), section 4.2.2:
//   bubble (regime 5): Griffith, v_sG/v_m < L_B;
//   slug (6): N_GV < L_S = 50 + 36 N_LV; slip density with Orkiszewski's bubble rise
//     velocity and liquid distribution coefficient (oil-continuous equations);
//   mist (8): N_GV > L_M = 75 + 84 N_LV^0.75; Duns-Ros mist flow without the film
//     roughness correction (no slip, gas-phase friction);
//   transition (7): A = (L_M - N_GV)/(L_M - L_S) times slug plus (1 - A) times mist,
//     the mist part at the gas velocity of the L_M boundary.
// Acceleration only from the mist part (Orkiszewski neglects it elsewhere).
// Outputs in argument order: 12 elevation gradient, 13 friction, 14 total (elevation +
// friction + acceleration), 15 acceleration, 16 H_L, 17 regime; 12 and 14 are not read
// by the procedures.
extern "C" XV55_API void PIP_PIPORK(const double* p, const double* vm, const double* lambda,
                                    const double* rhoL, const double* rhoG, const double* muL,
                                    const double* muG, const double* sigma, const double* d,
                                    const double* roughness, const double* theta, double* elevation,
                                    double* friction, double* total, double* acceleration,
                                    double* holdup, double* regime, int64_t* error) {
  record(kORK, {p, vm, lambda, rhoL, rhoG, muL, muG, sigma, d, roughness, theta});
  if (failed(kORK)) {
    for (double* out : {elevation, friction, total, acceleration, holdup, regime}) put(out, kNaN);
    putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  // The routine gets v_m and lambda; the superficial velocities follow from them.
  const double v = speed(in(vm), err), l = fraction(in(lambda), err);
  const double vsGv = (1.0 - l) * v, vsLv = l * v;
  const Stream s =
      guard(theta, d, roughness, p, &vsGv, &vsLv, &l, rhoG, rhoL, muG, muL, sigma, err);
  const double fv = velocityNumberFactor(s.rhoL, s.sigma);
  const double nlv = s.vsL * fv, ngv = s.vsG * fv;
  const double ls = 50.0 + 36.0 * nlv, lm = 75.0 + 84.0 * std::pow(nlv, 0.75);
  double h, rhoS, fr, ek = 0.0;
  Regime pattern;
  if (bubbleFlow(s)) {
    pattern = Regime::Bubble;
    griffith(s, h, fr);
    rhoS = h * s.rhoL + (1.0 - h) * s.rhoG;
  } else if (ngv < ls) {
    pattern = Regime::Slug;
    orkiszewskiSlug(s, rhoS, fr, err);
  } else if (ngv > lm) {
    pattern = Regime::Mist;
    orkiszewskiMist(s, rhoS, fr);
    ek = kineticRatio(rhoS, s.vm, s.vsG, s.p, err);
  } else {
    pattern = Regime::SlugMist;
    orkiszewskiTransition(s, {fv, ngv, ls, lm}, rhoS, fr, ek, err);
  }
  if (pattern != Regime::Bubble) {
    const double span = s.rhoL - s.rhoG;
    h = span > 0.0 ? (rhoS - s.rhoG) / span : s.lambda;
  }
  h = unitResult(h, err);
  rhoS = h * s.rhoL + (1.0 - h) * s.rhoG;
  const double el = rhoS * std::sin(s.t) * gravity() / gc();
  const double acc = finite(ek * (el + fr) / (1.0 - ek), err);
  fr = finite(fr, err);
  put(elevation, finite(el, err));
  put(friction, fr);
  put(total, finite(el + fr + acc, err));
  put(acceleration, acc);
  put(holdup, h);
  put(regime, static_cast<double>(pattern));
  putError(error, err);
}
