// The two correlations the pipe procedures compute themselves from the model-unit
// stream values: the Rouhani drift-flux holdup and the Friedel two-phase friction
// multiplier.
// Both follow the published correlations in SI units, so that their results do not
// depend on the units a model keeps its flows in; the single-precision coefficients
// are written as the float literals stored models were computed with.
#include <cmath>

#include "common/units.hpp"
#include "pipe/dispatch.hpp"

namespace xv55::pipe {
namespace {

using units::single;

// Mass flux of a mass flow in kg/h through a pipe of diameter D in m: W/3600/(pi D^2/4).
constexpr double kMassFluxPerMassFlow = 0.00035367765;  // kg/(m2 s) per kg/h and m^-2

// ---- Rouhani ----
// Rouhani, Z. and Axelsson, E. (1970), "Calculation of void volume fraction in the
// subcooled and quality boiling regions", Int. J. Heat Mass Transfer 13, 383-393:
// drift flux with distribution parameter C0 = 1 + 0.2 (1 - x) and drift velocity
// v_gj = 1.18 (g sigma (rho_L - rho_G))^0.25 / sqrt(rho_L), in SI units with G the
// mass flux:
//   void fraction = (x/rho_G) / [C0 (x/rho_G + (1 - x)/rho_L) + (1 - x) v_gj / G].
constexpr double kRouhaniMassFlowFloor = 1e-6;  // kg/h

// ---- Friedel ----
// Friedel, L. (1979), "Improved friction pressure drop correlations for horizontal
// and vertical two-phase pipe flow", European Two-Phase Flow Group Meeting, Ispra,
// paper E2: the liquid-only gradient f_LO G^2/(2 D rho_L) times phi_LO^2 = E + F, with
// Re = G D/mu for each phase alone, Fr = G^2/(g D rho_H^2) and We = G^2 D/(sigma rho_H)
// on the homogeneous (no-slip) density, and a second coefficient set for flow inclined
// downward at 45 degrees or more.
constexpr double kMassFluxFloor = 2.0;  // kg/(m2 s)
constexpr double kLaminarReynoldsLimit = 1055.0;
constexpr double kLaminarReynoldsFloor = 10.0;
constexpr double kGroupFloor = 1e-6;        // Froude and Weber numbers
constexpr double kDownwardAngle = -0.7854;  // rad: at or below it the downward form
// Pa/m to psi/ft, the unit of the gradients the procedures convert to bar/m.
constexpr double kPsiPerFootPerPascalPerMetre = units::kMetresPerFoot / units::kPascalsPerPsi;

struct FriedelCoefficients {
  double factor, quality, liquidQuality, densityRatio, viscosityRatio, viscosityDifference, froude,
      weber;
};
constexpr FriedelCoefficients kHorizontalAndUpward = {3.21, 0.78, 0.224,   0.91,
                                                      0.19, 0.7,  -0.0454, -0.035};
constexpr FriedelCoefficients kDownward = {5.7, 0.7, 0.14, 0.85, 0.36, 0.2, -0.09, -0.007};

// Single-phase Darcy friction factor of the Friedel multiplier: 64/Re laminar, else
// 1/sqrt(f) = 0.86859 ln(Re / (1.964 ln Re - 3.8215)).
double friedelFactor(double reynolds) {
  if (reynolds <= kLaminarReynoldsLimit) return 64.0 / atLeast(reynolds, kLaminarReynoldsFloor);
  const double inverseRoot = 0.86859 * std::log(reynolds / (1.964 * std::log(reynolds) - 3.8215));
  return 1.0 / (inverseRoot * inverseRoot);
}

}  // namespace

double rouhaniHoldup(const Section& s) {
  const Stream& in = *s.stream;
  const double x = in.quality;
  const double g = atLeast(in.massFlow, kRouhaniMassFlowFloor) * kMassFluxPerMassFlow /
                   (in.diameter * in.diameter);
  // v_gj sqrt(rho_L) / 1.18 and the denominator of the void fraction, over x/rho_G.
  const double a = std::pow(
      units::kGravitySingle * in.surfaceTension * (in.liquidDensity - in.gasDensity), 0.25);
  const double b =
      (single(1.18f) / std::sqrt(in.liquidDensity)) * a * (1.0 - x) / g +
      (1.0 + single(0.2f) * (1.0 - x)) * ((1.0 - x) / in.liquidDensity + x / in.gasDensity);
  return 1.0 - x / (in.gasDensity * b);
}

double friedelGradient(const Section& s) {
  const Stream& in = *s.stream;
  const double d = in.diameter;
  const double g = atLeast(in.massFlow * kMassFluxPerMassFlow / (d * d), kMassFluxFloor);
  const double liquidFactor =
      friedelFactor(g * d / (in.liquidViscosity * units::kPascalSecondsPerCentipoise));
  const double gasFactor =
      friedelFactor(g * d / (in.gasViscosity * units::kPascalSecondsPerCentipoise));
  const double froude =
      atLeast(g * g / (units::kGravitySingle * d * s.rhoNsSi * s.rhoNsSi), kGroupFloor);
  const double weber = atLeast(g * g * d / (in.surfaceTension * s.rhoNsSi), kGroupFloor);

  const double x = in.quality;
  const double e = (1.0 - x) * (1.0 - x) +
                   x * x * (gasFactor * in.liquidDensity) / (liquidFactor * in.gasDensity);
  const FriedelCoefficients& c = s.theta > kDownwardAngle ? kHorizontalAndUpward : kDownward;
  const double viscosityRatio = in.gasViscosity / in.liquidViscosity;
  // F = c x^a (1-x)^b (rho_L/rho_G)^c (mu_G/mu_L)^d (1 - mu_G/mu_L)^e Fr^f We^g.  The
  // four powers whose exponent times logarithm stays small are formed through one
  // exponential; that keeps F as accurate as seven separate powers.
  const double f = c.factor * std::pow(x, c.quality) *
                   std::pow(in.liquidDensity / in.gasDensity, c.densityRatio) *
                   std::pow(viscosityRatio, c.viscosityRatio) *
                   std::exp(c.liquidQuality * std::log(1.0 - x) +
                            c.viscosityDifference * std::log(1.0 - viscosityRatio) +
                            c.froude * std::log(froude) + c.weber * std::log(weber));
  return (e + f) * liquidFactor * g * g / (2.0 * d * in.liquidDensity) *
         kPsiPerFootPerPascalPerMetre;
}

}  // namespace xv55::pipe
