// Holdup correlations of the pipe library: PIP_PIPBBH (Beggs-Brill), PIP_PIPFLN
// (Flanigan), PIP_PIPEAT (Eaton), PIP_PIPHOO (Hoogendoorn keyword), PIP_PIPHMR
// (Hughmark), PIP_PIPLMR (Lockhart-Martinelli) and PIP_PIPHTH (HTFS keyword).
// Field units (common.hpp); velocities are taken by magnitude; error-flag bits and
// injected failures as include/xv55/refhost/pipe.hpp.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common.hpp"
#include "xv55/host/pipe_correlations.h"

namespace {

using namespace xv55::refhost::pipe;
using namespace xv55::refhost::pipe::detail;
using xv55::refhost::detail::declareService;

const Service kBBH = declareService("PIP_PIPBBH");
const Service kFLN = declareService("PIP_PIPFLN");
const Service kEAT = declareService("PIP_PIPEAT");
const Service kHOO = declareService("PIP_PIPHOO");
const Service kHMR = declareService("PIP_PIPHMR");
const Service kLMR = declareService("PIP_PIPLMR");
const Service kHTH = declareService("PIP_PIPHTH");

// ---- Beggs-Brill ----------------------------------------------------------------
// Beggs, H.D. and Brill, J.P. (1973), "A study of two-phase flow in inclined pipes",
// J. Pet. Tech. 25(5), 607-617; equations as in Brill, J.P. and Mukherjee, H.
// (1999), "Multiphase Flow in Wells", SPE Monograph 17, section 4.3.1 (original
// 1973 form: no Payne et al. corrections).

// The flow pattern, with the boundaries L2 and L3 the transition pattern
// interpolates between (0 where the test did not reach them).  The boundaries
// L1 = 316 lambda^0.302, L2 = 0.0009252 lambda^-2.4684, L3 = 0.10 lambda^-1.4516 and
// L4 = 0.5 lambda^-6.738 are each formed only when the test reaches it:
//   segregated    lambda < 0.01 and N_FR < L1, or lambda >= 0.01 and N_FR < L2;
//   transition    lambda >= 0.01 and L2 <= N_FR <= L3;
//   intermittent  0.01 <= lambda < 0.4 and L3 < N_FR <= L1, or lambda >= 0.4 and
//                 L3 < N_FR <= L4;
//   distributed   otherwise.
struct BeggsBrillPattern {
  Regime regime;
  double l2 = 0.0, l3 = 0.0;
};

BeggsBrillPattern beggsBrillPattern(double lambda, double nfr) {
  if (lambda < 0.01) {
    const double l1 = 316.0 * std::pow(lambda, 0.302);
    return {nfr < l1 ? Regime::Segregated : Regime::Distributed};
  }
  const double l2 = 0.0009252 * std::pow(lambda, -2.4684);
  if (nfr < l2) return {Regime::Segregated, l2};
  const double l3 = 0.10 * std::pow(lambda, -1.4516);
  if (nfr <= l3) return {Regime::Transition, l2, l3};
  const double upper =
      lambda < 0.4 ? 316.0 * std::pow(lambda, 0.302) : 0.5 * std::pow(lambda, -6.738);
  return {nfr <= upper ? Regime::Intermittent : Regime::Distributed, l2, l3};
}

// ln C' of the inclination correction's coefficient sets C' = 4.70 (downhill), 0.011
// (uphill segregated) and 2.96 (uphill intermittent), formed once at load.
const double kLnDownhill = std::log(4.70);
const double kLnUphillSegregated = std::log(0.011);
const double kLnUphill = std::log(2.96);

// Holdup of one pattern (segregated, intermittent or distributed) at inclination
// theta (rad, within +-pi/2), with H_L(0) >= lambda and C >= 0.  The logarithm of
// the C-group is formed as a sum of logarithms so that it stays finite.
double beggsBrillHoldup(Regime regime, double lambda, double lnLambda, double lnNfr, double lnNlv,
                        double theta) {
  double a, b, c;
  switch (regime) {
    case Regime::Segregated:
      a = 0.98, b = 0.4846, c = 0.0868;
      break;
    case Regime::Intermittent:
      a = 0.845, b = 0.5351, c = 0.0173;
      break;
    default:
      a = 1.065, b = 0.5824, c = 0.0609;
      break;
  }
  const double h0 = std::max(a * std::exp(b * lnLambda - c * lnNfr), lambda);
  if (theta == 0.0 || (theta > 0.0 && regime == Regime::Distributed)) return h0;
  double lnD, e, f, g;
  if (theta < 0.0) {
    lnD = kLnDownhill, e = -0.3692, f = 0.1244, g = -0.5056;
  } else if (regime == Regime::Segregated) {
    lnD = kLnUphillSegregated, e = -3.768, f = 3.539, g = -1.614;
  } else {
    lnD = kLnUphill, e = 0.305, f = -0.4473, g = 0.0978;
  }
  const double lnGroup = lnD + e * lnLambda + f * lnNlv + g * lnNfr;
  const double cc = std::max((1.0 - lambda) * lnGroup, 0.0);
  const double s = std::sin(1.8 * theta);
  return h0 * (1.0 + cc * (s - 0.333 * s * s * s));
}

}  // namespace

extern "C" XV55_API void PIP_PIPBBH(const double* lambda, const double* d, const double* rhoNs,
                                    const double* rhoL, const double* vm, const double* sigma,
                                    const double* theta, double* holdup, double* regime,
                                    int64_t* error) {
  record(kBBH, {lambda, d, rhoNs, rhoL, vm, sigma, theta});
  if (failed(kBBH)) {
    put(holdup, kNaN), put(regime, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double l = std::max(fraction(in(lambda), err), 1.0e-12);
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  clampInput(in(rhoNs), kMinDensity, kMaxDensity, err);
  const double rl = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  const double v = std::max(speed(in(vm), err), kTinyVelocity);
  const double sg = clampInput(in(sigma), kMinTension, kMaxTension, err);
  const double t = inclination(in(theta), err);

  const double nfr = v * v / (gravity() * dd);
  const double nlv = l * v * velocityNumberFactor(rl, sg);
  const BeggsBrillPattern found = beggsBrillPattern(l, nfr);
  const Regime pattern = found.regime;
  const double lnL = std::log(l), lnF = std::log(nfr), lnN = std::log(std::max(nlv, 1.0e-300));
  double h;
  if (pattern == Regime::Transition) {
    const double span = found.l3 - found.l2;
    const double a = span > 0.0 ? (found.l3 - nfr) / span : 0.5;
    h = a * beggsBrillHoldup(Regime::Segregated, l, lnL, lnF, lnN, t) +
        (1.0 - a) * beggsBrillHoldup(Regime::Intermittent, l, lnL, lnF, lnN, t);
  } else {
    h = beggsBrillHoldup(pattern, l, lnL, lnF, lnN, t);
  }
  put(holdup, unitResult(h, err));
  put(regime, static_cast<double>(pattern));
  putError(error, err);
}

// ---- Flanigan -------------------------------------------------------------------
// Flanigan, O. (1958), "Effect of uphill flow on pressure drop in design of two-phase
// gathering systems", Oil & Gas J. 56(10), 132-141.  Holdup factor, the published
// fit of Flanigan's curve: H = 1/(1 + 0.3264 v_sG^1.006), v_sG in ft/s (Brill and
// Mukherjee 1999, section 4.2).  No error flag.
extern "C" XV55_API void PIP_PIPFLN(const double* vsG, double* holdup) {
  record(kFLN, {vsG});
  if (failed(kFLN)) {
    put(holdup, kNaN);
    return;
  }
  std::int64_t err = 0;
  const double v = speed(in(vsG), err);
  put(holdup, unitResult(1.0 / (1.0 + 0.3264 * std::pow(v, 1.006)), err));
}

// ---- Eaton ----------------------------------------------------------------------
// Eaton, B.A., Andrews, D.E., Knowles, C.R., Silberberg, I.H. and Brown, K.E.
// (1967), "The prediction of flow patterns, liquid holdup and pressure losses
// occurring during continuous two-phase flow in horizontal pipelines", J. Pet.
// Tech. 19(6), 815-828.  Abscissa of the holdup chart (as in Brill and Mukherjee
// 1999, section 4.2.3):
//   X = 1.84 N_LV^0.575 (p/p_b)^0.05 N_L^0.1 / (N_GV N_D^0.0277),  p_b = 14.65 psia.
// CHART CURVE NOT VERIFIED: the chart itself was not available to the implementer;
// H_L(X) = 1/(1 + (0.3/X)^0.8) is a monotone stand-in curve (H_L -> 0 as X -> 0, -> 1
// as X -> infinity), not a digitisation of Eaton's chart.  H_L >= lambda is imposed.
// No error flag.
extern "C" XV55_API void PIP_PIPEAT(const double* p, const double* lambda, const double* vm,
                                    const double* rhoL, const double* sigma, const double* muL,
                                    const double* d, double* holdup) {
  record(kEAT, {p, lambda, vm, rhoL, sigma, muL, d});
  if (failed(kEAT)) {
    put(holdup, kNaN);
    return;
  }
  std::int64_t err = 0;
  const double pp = clampInput(in(p), kMinPressure, kMaxPressure, err);
  const double l = fraction(in(lambda), err);
  const double v = std::max(speed(in(vm), err), kTinyVelocity);
  const double rl = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  const double sg = clampInput(in(sigma), kMinTension, kMaxTension, err);
  const double ml = clampInput(in(muL), kMinViscosity, kMaxViscosity, err);
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  const double fv = velocityNumberFactor(rl, sg);
  const double nlv = std::max(l * v * fv, 1.0e-300);
  const double ngv = std::max((1.0 - l) * v * fv, 1.0e-300);
  const double lnX = std::log(1.84) + 0.575 * std::log(nlv) + 0.05 * std::log(pp / 14.65) +
                     0.1 * std::log(viscosityNumber(ml, rl, sg)) - std::log(ngv) -
                     0.0277 * std::log(diameterNumber(dd, rl, sg));
  // 1/(1 + (0.3/X)^0.8) written with the logarithm so that it cannot overflow.
  const double h = 1.0 / (1.0 + std::exp(std::min(0.8 * (std::log(0.3) - lnX), 700.0)));
  put(holdup, unitResult(std::max(h, l), err));
}

// ---- "Hoogendorn" keyword ---------------------------------------------------------
// STAND-IN.  Hoogendoorn, C.J. (1959), "Gas-liquid flow in horizontal pipes", Chem.
// Eng. Sci. 9, 205-217, correlated holdup with the no-slip fraction and the mixture
// velocity; that relation was not available to the implementer.  The routine takes
// the same two inputs and returns the published constant-slip holdup of Griffith, P.
// (1962), "Two-phase flow in pipes", MIT special summer program (as used by
// Orkiszewski 1967; Brill and Mukherjee 1999, eq. 4.61):
//   H_L = 1 - 0.5 [1 + v_m/v_s - sqrt((1 + v_m/v_s)^2 - 4 v_sG/v_s)],  v_s = 0.8 ft/s,
// with v_sG = (1 - lambda) v_m and H_L >= lambda.  Below v_m = 0.8 ft/s a gas-only
// stream (lambda -> 0) keeps H_L -> 1 - v_m/0.8 (gas rising through standing liquid).
extern "C" XV55_API void PIP_PIPHOO(const double* lambda, const double* vm, double* holdup,
                                    int64_t* error) {
  record(kHOO, {lambda, vm});
  if (failed(kHOO)) {
    put(holdup, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double l = fraction(in(lambda), err);
  const double v = speed(in(vm), err);
  const double h = griffithHoldup((1.0 - l) * v, v, 0.8);
  put(holdup, unitResult(std::max(h, l), err));
  putError(error, err);
}

// ---- Hughmark ---------------------------------------------------------------------
// Hughmark, G.A. (1962), "Holdup in gas-liquid flow", Chem. Eng. Prog. 58(4), 62-65.
// Gas void fraction alpha = K (1 - lambda), K from Hughmark's table of K against
//   Z = Re^(1/6) Fr^(1/8) / lambda^(1/4),  Re = D rho_ns v_m / (mu_L H_L + mu_G (1 - H_L)),
//   Fr = v_m^2/(g D);
// the table (Z 1.3 ... 130) is interpolated by a monotone cubic in ln Z and held at
// its ends (kOutsideFit).  Re depends on H_L: fixed-point iteration from H_L = lambda,
// to 1e-10, at most 50 steps (kNotConverged).
extern "C" XV55_API void PIP_PIPHMR(const double* lambda, const double* rhoNs, const double* vm,
                                    const double* d, const double* muG, const double* muL,
                                    double* holdup, int64_t* error) {
  record(kHMR, {lambda, rhoNs, vm, d, muG, muL});
  if (failed(kHMR)) {
    put(holdup, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double l = std::max(fraction(in(lambda), err), 1.0e-12);
  const double rho = clampInput(in(rhoNs), kMinDensity, kMaxDensity, err);
  const double v = std::max(speed(in(vm), err), kTinyVelocity);
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  const double mg = clampInput(in(muG), kMinViscosity, kMaxViscosity, err);
  const double ml = clampInput(in(muL), kMinViscosity, kMaxViscosity, err);
  const double fr = v * v / (gravity() * dd);
  const double frTerm = std::pow(fr, 0.125) / std::pow(l, 0.25);
  double h = l;
  bool converged = false;
  std::int64_t fitErr = 0;
  for (int i = 0; i < 50 && !converged; ++i) {
    fitErr = 0;
    const double re = dd * rho * v / (ml * h + mg * (1.0 - h));
    const double k = hughmarkK(std::pow(re, 1.0 / 6.0) * frTerm, fitErr);
    const double next = std::clamp(1.0 - k * (1.0 - l), 0.0, 1.0);
    converged = std::fabs(next - h) <= 1.0e-10;
    h = next;
  }
  err |= fitErr;
  if (!converged) err |= kNotConverged;
  put(holdup, unitResult(h, err));
  putError(error, err);
}

// ---- Lockhart-Martinelli ----------------------------------------------------------
// Lockhart, R.W. and Martinelli, R.C. (1949), "Proposed correlation of data for
// isothermal two-phase, two-component flow in pipes", Chem. Eng. Prog. 45(1), 39-48;
// curves in the form of Chisholm, D. (1967), "A theoretical basis for the
// Lockhart-Martinelli correlation for two-phase flow", Int. J. Heat Mass Transfer 10,
// 1767-1778:
//   (dp/dL)_k = 2 f_k rho_k v_sk^2/(g_c D), Fanning f_k = 16/Re_k (Re_k < 1000),
//   0.046 Re_k^-0.2 (Re_k > 2000), linear in Re_k between;
//   phi_L^2 = 1 + C/X + 1/X^2, X^2 = (dp/dL)_L/(dp/dL)_G, C = 20 (both turbulent),
//   12 (liquid viscous, gas turbulent), 10 (liquid turbulent, gas viscous), 5 (both
//   viscous), bilinear in the same weights between;
//   friction = phi_L^2 (dp/dL)_L = (dp/dL)_L + C sqrt((dp/dL)_L (dp/dL)_G) + (dp/dL)_G;
//   holdup R_L = 1/phi_L = X/sqrt(X^2 + C X + 1) (Chisholm's representation).
// Friction gradient out in psi/ft (the lbf/ft2 per ft value / 144).  No error flag.
extern "C" XV55_API void PIP_PIPLMR(const double* d, const double* vsL, const double* vsG,
                                    const double* rhoG, const double* rhoL, const double* muG,
                                    const double* muL, double* friction, double* holdup) {
  record(kLMR, {d, vsL, vsG, rhoG, rhoL, muG, muL});
  if (failed(kLMR)) {
    put(friction, kNaN), put(holdup, kNaN);
    return;
  }
  std::int64_t err = 0;
  const double dd = clampInput(in(d), kMinDiameter, kMaxDiameter, err);
  const double vl = speed(in(vsL), err), vg = speed(in(vsG), err);
  const double rg = clampInput(in(rhoG), kMinDensity, kMaxDensity, err);
  const double rl = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  const double mg = clampInput(in(muG), kMinViscosity, kMaxViscosity, err);
  const double ml = clampInput(in(muL), kMinViscosity, kMaxViscosity, err);
  struct Phase {
    double gradient, turbulence;  // lbf/ft2 per ft; 0 viscous .. 1 turbulent
  };
  const double g = gc();
  auto phase = [dd, g](double rho, double v, double mu) {
    const double re = rho * v * dd / mu;
    const double w = std::clamp((re - 1000.0) / 1000.0, 0.0, 1.0);
    // Laminar: 2 (16/Re) rho v^2/(g_c D) = 32 mu v/(g_c D^2), finite as v -> 0.
    const auto laminar = [&] { return 32.0 * mu * v / (g * dd * dd); };
    const auto turbulent = [&] {
      return re > 0.0 ? 2.0 * 0.046 * std::pow(re, -0.2) * rho * v * v / (g * dd) : 0.0;
    };
    // Each form only where it has weight.
    if (w == 0.0) return Phase{laminar(), w};
    if (w == 1.0) return Phase{turbulent(), w};
    return Phase{(1.0 - w) * laminar() + w * turbulent(), w};
  };
  const Phase liquid = phase(rl, vl, ml), gas = phase(rg, vg, mg);
  const double wl = liquid.turbulence, wg = gas.turbulence;
  const double c =
      (1 - wl) * (1 - wg) * 5.0 + (1 - wl) * wg * 12.0 + wl * (1 - wg) * 10.0 + wl * wg * 20.0;
  const double total =
      liquid.gradient + c * std::sqrt(liquid.gradient * gas.gradient) + gas.gradient;
  double h;
  if (total > 0.0) {
    h = std::sqrt(liquid.gradient / total);
  } else {
    h = vl + vg > 0.0 ? vl / (vl + vg) : 0.5;  // no flow: no-slip (or half) holdup
  }
  put(friction, finite(total / kSquareInchesPerSquareFoot, err));
  put(holdup, unitResult(h, err));
}

// ---- "HTFS" holdup ---------------------------------------------------------------
// STAND-IN.  The HTFS void-fraction method is proprietary.  The routine returns the
// separated-flow void fraction of Chisholm, D. (1973), "Pressure gradients due to
// friction during the flow of evaporating two-phase mixtures in smooth tubes and
// channels", Int. J. Heat Mass Transfer 16, 347-358: slip ratio
//   S = sqrt(1 - x (1 - rho_L/rho_G)),  x = (1-lambda) rho_G/((1-lambda) rho_G + lambda rho_L),
//   H_L = S lambda/(1 - lambda + S lambda).
// The tenth argument (not read by the procedures) receives S.  Mass flow, diameter,
// pi, viscosities and inclination are recorded but do not enter the stand-in.
extern "C" XV55_API void PIP_PIPHTH(const double* massFlow, const double* d, const double* pi,
                                    const double* lambda, const double* rhoL, const double* rhoG,
                                    const double* muL, const double* muG, const double* theta,
                                    double* slip, double* holdup, int64_t* error) {
  record(kHTH, {massFlow, d, pi, lambda, rhoL, rhoG, muL, muG, theta});
  if (failed(kHTH)) {
    put(slip, kNaN), put(holdup, kNaN), putError(error, kInjectedFailure);
    return;
  }
  std::int64_t err = 0;
  const double l = fraction(in(lambda), err);
  const double rl = clampInput(in(rhoL), kMinDensity, kMaxDensity, err);
  const double rg = clampInput(in(rhoG), kMinDensity, kMaxDensity, err);
  const double gasMass = (1.0 - l) * rg, liquidMass = l * rl;
  const double x = gasMass + liquidMass > 0.0 ? gasMass / (gasMass + liquidMass) : 0.0;
  const double s = std::sqrt(std::max(1.0 - x * (1.0 - rl / rg), 1.0e-300));
  const double h = s * l / (1.0 - l + s * l);
  put(slip, finite(s, err));
  put(holdup, unitResult(h, err));
  putError(error, err);
}
