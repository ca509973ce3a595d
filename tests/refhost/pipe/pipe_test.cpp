// The reference host's pipe-correlation library (PIP_* services).
//
// Reference values marked (hand) were evaluated outside this code from the published
// equations quoted at each test, with the stated inputs; those marked (fluids) are what
// python3-fluids gives for the same stream (its documented examples), as a peer
// implementation of the published correlation.  SI streams are converted here to
// field units.
#include <gtest/gtest.h>

#include <cstdint>
#include <numbers>

#include "xv55/host/pipe_correlations.h"
#include "xv55/refhost/control.hpp"
#include "xv55/refhost/pipe.hpp"

namespace {

namespace rh = xv55::refhost;
namespace pipe = xv55::refhost::pipe;

constexpr double kFt = 0.3048;
constexpr double kLbPerFt3 = 16.018463373960138;  // kg/m3
constexpr double kCp = 1488.1639;                 // cP per lb/(ft s)
constexpr double kDynCm = 1.0e-3 / 0.45359237;    // lbm/s2 per dyn/cm

class Pipe : public ::testing::Test {
 protected:
  void SetUp() override { rh::reset(); }
  void TearDown() override { rh::reset(); }
};

// ---- values against hand calculations and published examples -----------------------

TEST_F(Pipe, ErgunAndFlaniganMatchTheirHandFormulas) {
  // Ergun (1952) with sphericity: eps 0.4, rho 1.2, mu 1.8e-5, d_p 3 mm, phi 0.8, v 0.5:
  // 150 mu (1-eps)^2 v/(eps^3 (phi d_p)^2) + 1.75 rho (1-eps) v^2/(eps^3 phi d_p) (hand);
  // odd in the velocity.
  const double eps = 0.4, rho = 1.2, mu = 1.8e-5, dp = 0.003, phi = 0.8;
  double v = 0.5, g = 0, back = 0;
  PIP_ERGUN(&eps, &rho, &mu, &dp, &phi, &v, &g);
  EXPECT_NEAR(g, 3369.140625, 1e-9);
  v = -0.5;
  PIP_ERGUN(&eps, &rho, &mu, &dp, &phi, &v, &back);
  EXPECT_EQ(back, -g);
  // Flanigan fit 1/(1 + 0.3264 v_sG^1.006) at 10 ft/s (hand).
  double vsG = 10.0, h = -1;
  PIP_PIPFLN(&vsG, &h);
  EXPECT_NEAR(h, 0.23205050137655542, 1e-14);
}

TEST_F(Pipe, BeggsBrillHorizontalAgreesWithAPeerImplementation) {
  // Beggs & Brill (1973), J. Pet. Tech. 25(5) 607, horizontal: m 0.6 kg/s, x 0.1,
  // rho_L 915, rho_G 2.67 kg/m3, mu_L 180e-6, mu_G 14e-6 Pa s, sigma 0.0487 N/m,
  // P 1e7 Pa, D 0.05 m, smooth: distributed flow, 686.9724506803469 Pa over 1 m (fluids:
  // fluids.two_phase.Beggs_Brill) (friction f_tp rho_ns v_m^2/(2 D) over 1 - E_k),
  // rebuilt from the two routines.
  const double lambda = 0.02559023673365068, d = 0.16404199475065617;
  const double rhoNs = 1.624172061441595, rhoL = 57.121583927172324;
  const double vm = 38.53483551178233, sigma = 0.0487 / 0.45359237, theta = 0.0;
  const double muNs = 1.2262075947100207e-05, r = 0.0;
  double h = -1, regime = -1, f = -1;
  std::int64_t e1 = -1, e2 = -1;
  PIP_PIPBBH(&lambda, &d, &rhoNs, &rhoL, &vm, &sigma, &theta, &h, &regime, &e1);
  PIP_PIPBBF(&lambda, &vm, &muNs, &rhoNs, &d, &r, &f, &h, &e2);
  EXPECT_EQ(regime, static_cast<double>(pipe::Regime::Distributed));
  EXPECT_EQ(e1, 0);
  EXPECT_EQ(e2, 0);
  const double rhoNsSi = rhoNs * kLbPerFt3, vmSi = vm * kFt, dSi = d * kFt;
  const double rhoS = (h * rhoL + (1 - h) * 0.16668265473830612) * kLbPerFt3;
  const double vsGSi = (1 - lambda) * vmSi;
  const double dp = f * rhoNsSi * vmSi * vmSi / (2 * dSi) / (1 - vsGSi * vmSi * rhoS / 1e7);
  EXPECT_NEAR(dp, 686.9724506803469, 686.97 * 2e-5);
}

TEST_F(Pipe, BeggsBrillVerticalIntermittentHoldup) {
  // Stream of Brill & Mukherjee (1999) Example 4.2 (v_sL 3.97, v_sG 3.86 ft/s, D 0.5 ft,
  // rho_L 47.61 lb/ft3, sigma 8.41 dyn/cm), vertical: N_FR 3.81 lies between L3 and L4,
  // intermittent; H_L(0) = 0.845 lambda^0.5351/N_FR^0.0173 = 0.57407; C < 0 -> 0 (hand).
  const double vm = 7.83, lambda = 3.97 / 7.83, d = 0.5, rhoNs = 0, rhoL = 47.61;
  const double sigma = 8.41 * kDynCm, theta = std::numbers::pi / 2;
  double h = -1, regime = -1;
  std::int64_t e = -1;
  PIP_PIPBBH(&lambda, &d, &rhoNs, &rhoL, &vm, &sigma, &theta, &h, &regime, &e);
  EXPECT_EQ(regime, static_cast<double>(pipe::Regime::Intermittent));
  EXPECT_NEAR(h, 0.5740707930192068, 1e-12);
  EXPECT_EQ(e, pipe::kInputClamped);  // rho_ns 0 is outside its domain (not used)
}

TEST_F(Pipe, HtfsStandInsReproduceChisholm1973) {
  // Chisholm (1973), Int. J. Heat Mass Transfer 16, 347, slip ratio: x 0.4, rho_L 800,
  // rho_G 2.5 give a void fraction of 0.949525900374774 (fluids: Chisholm_voidage).
  const double w = 1, d = 0.1, pi = 3.1415926, lambdaH = 0.004665629860031104;
  const double rl = 800 / kLbPerFt3, rg = 2.5 / kLbPerFt3, mu = 1e-4, theta = 0;
  double slip = -1, h = -1;
  std::int64_t e = -1;
  PIP_PIPHTH(&w, &d, &pi, &lambdaH, &rl, &rg, &mu, &mu, &theta, &slip, &h, &e);
  EXPECT_NEAR(h, 1 - 0.949525900374774, 1e-12);
  EXPECT_EQ(e, 0);
  // Chisholm (1973) B-coefficient method: m 0.6 kg/s, x 0.1, rho_L 915, rho_G 2.67,
  // mu_L 180e-6, mu_G 14e-6, D 0.05 m, smooth, Colebrook factors: 1084.1489922923738
  // Pa/m (fluids: fluids.two_phase.Chisholm; g_c = 9.80665/0.3048 so that lbf and N
  // agree exactly).
  const double mass = 1.3227735731092654, dd = 0.05 / kFt, lambda = 0.02559023673365068;
  const double rhoL = 915 / kLbPerFt3, rhoG = 2.67 / kLbPerFt3;
  const double muL = 0.00012095441552511125, muG = 9.407565651953096e-06, r = 0;
  const double gc = 32.17404855643044, piExact = std::numbers::pi, vs = 0;
  double g = -1;
  PIP_PIPHTF(&mass, &dd, &piExact, &lambda, &rhoL, &rhoG, &muL, &muG, &r, &gc, &vs, &vs, &g, &e);
  EXPECT_NEAR(g, 1084.1489922923738, 1084.15 * 1e-7);
  EXPECT_EQ(e, 0);
}

TEST_F(Pipe, LockhartMartinelliTurbulentTurbulent) {
  // D 0.1 ft, water 1 ft/s (1 cP, Re 9286), air 20 ft/s (0.018 cP, Re 12401): both
  // turbulent, C = 20; friction = (L + 20 sqrt(L G) + G)/144, R_L = X/sqrt(X^2+20X+1) (hand).
  const double d = 0.1, vsL = 1, vsG = 20, rhoG = 0.075, rhoL = 62.4;
  const double muG = 0.018 / kCp, muL = 1 / kCp;
  double friction = -1, h = -1;
  PIP_PIPLMR(&d, &vsL, &vsG, &rhoG, &rhoL, &muG, &muL, &friction, &h);
  EXPECT_NEAR(friction, 0.029749270041339246, 1e-13);
  EXPECT_NEAR(h, 0.2588396126829655, 1e-13);
}

TEST_F(Pipe, HughmarkIteratedHoldup) {
  // lambda 0.3, rho_ns 16.4, v_m 8 ft/s, D 0.2 ft, mu_G 0.015 cP, mu_L 1 cP: Z converges to
  // 11.96, K(Z) by the monotone cubic through Hughmark's table; H_L = 1 - K (1 - lambda) (hand).
  const double lambda = 0.3, rho = 16.4, vm = 8, d = 0.2, muG = 0.015 / kCp, muL = 1 / kCp;
  double h = -1;
  std::int64_t e = -1;
  PIP_PIPHMR(&lambda, &rho, &vm, &d, &muG, &muL, &h, &e);
  EXPECT_NEAR(h, 0.44569912737176953, 1e-9);
  EXPECT_EQ(e, 0);
}

TEST_F(Pipe, DuklerCaseTwo) {
  // lambda 0.3, rho_G 2, rho_L 50, v_m 10 ft/s, mu_ns 0.3105 cP, D 0.25 ft, H_L 0.45 (hand).
  const double lambda = 0.3, rhoG = 2, rhoL = 50, vm = 10, mu = 0.00020864637288943777;
  const double d = 0.25, h = 0.45;
  double friction = -1;
  std::int64_t e = -1;
  PIP_PIPDUL(&lambda, &rhoG, &rhoL, &vm, &mu, &d, &h, &friction, &e);
  EXPECT_NEAR(friction, 2.4689865985892054, 1e-12);
  EXPECT_EQ(e, 0);
}

// The stream of Brill & Mukherjee (1999) Example 4.2 at 1700 psia, vertical, roughness
// 0.00006 ft: N_LV 11.87, N_GV 11.54, N_D 143.7, N_L 0.0118, CN_L 0.00247 as the book.
struct Example42 {
  double theta = std::numbers::pi / 2, d = 0.5, r = 0.00012, p = 1700, vsG = 3.86, vsL = 3.97;
  double lambda = 3.97 / 7.83, rhoG = 5.88, rhoL = 47.61, muG = 0.016 / kCp, muL = 0.97 / kCp;
  double sigma = 8.41 * kDynCm, vm = 7.83;
};

TEST_F(Pipe, HagedornBrownModifiedTakesTheNoSlipFloor) {
  // The chart holdup (0.30 in the book) is below lambda = 0.507, so H_L = lambda; friction
  // f rho_ns^2 v_m^2/(2 g_c rho_s D) and acceleration E_k (el + fr)/(1 - E_k) (hand).
  const Example42 s;
  double h = -1, fr = -1, acc = -1, regime = -1;
  std::int64_t e = -1;
  PIP_PIPHBR(&s.theta, &s.d, &s.r, &s.p, &s.vsG, &s.vsL, &s.lambda, &s.rhoG, &s.rhoL, &s.muG,
             &s.muL, &s.sigma, &h, &fr, &acc, &regime, &e);
  EXPECT_EQ(regime, static_cast<double>(pipe::Regime::Chart));
  EXPECT_NEAR(h, 0.5070242656449553, 1e-12);
  EXPECT_NEAR(fr, 0.6963088794040129, 1e-9);
  EXPECT_NEAR(acc, 0.0028778851570955425, 1e-11);
}

TEST_F(Pipe, OrkiszewskiSlugFlow) {
  // Same stream: N_GV 11.5 < L_S 477, slug flow; v_b = (0.35 + 8.74e-6 Re_L) sqrt(g D) =
  // 11.43 ft/s; Gamma (oil, v_m < 10) = -0.1588; H_L from rho_s (hand).
  const Example42 s;
  double el = -1, fr = -1, total = -1, acc = -1, h = -1, regime = -1;
  std::int64_t e = -1;
  PIP_PIPORK(&s.p, &s.vm, &s.lambda, &s.rhoL, &s.rhoG, &s.muL, &s.muG, &s.sigma, &s.d, &s.r,
             &s.theta, &el, &fr, &total, &acc, &h, &regime, &e);
  EXPECT_EQ(regime, static_cast<double>(pipe::Regime::Slug));
  EXPECT_NEAR(h, 0.618406108406873, 1e-9);
  EXPECT_NEAR(fr, 0.913157665416192, 1e-8);
  EXPECT_NEAR(el, 31.68608690381881, 1e-8);
  EXPECT_EQ(acc, 0.0);
  EXPECT_NEAR(total, el + fr, 1e-12);
}

// ---- the gravitational constant -------------------------------------------------

TEST_F(Pipe, RoutinesReadGcAtEachCallAndResetRestoresIt) {
  const double d = 0.2, rho = 40, v = 3;
  double base = 0, doubled = 0;
  std::int64_t e;
  PIP_PIPAWR(&d, &rho, &v, &base, &e);
  PIP_PCONST[0] = 2 * 32.174;
  PIP_PIPBL1();  // the initialisers leave a changed value alone
  PIP_PIPAWR(&d, &rho, &v, &doubled, &e);
  EXPECT_NEAR(doubled, base / 2, 1e-15);
  rh::reset();
  EXPECT_EQ(PIP_PCONST[0], 32.174);
}

}  // namespace
