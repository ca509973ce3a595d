// The two correlations the pipe procedures compute themselves, in model units:
// the Rouhani drift-flux holdup and the Friedel two-phase friction multiplier.
// Their coefficients are those stored models were computed with; the
// single-precision ones are written as the float literals they were.
#include <cmath>

#include "common/units.hpp"
#include "pipe/dispatch.hpp"

namespace xv55::pipe {
namespace {

using units::single;

// ---- Rouhani ----
// Rouhani, Z. and Axelsson, E. (1970), "Calculation of void volume fraction in the
// subcooled and quality boiling regions", Int. J. Heat Mass Transfer 13, 383-393:
// drift flux with distribution parameter 1 + 0.2 (1 - x) and drift velocity
// 1.18 (g sigma (rho_L - rho_G))^0.25 / sqrt(rho_G), in the form stored models use.
constexpr double kRouhaniDrift = single(1.18f);
constexpr double kRouhaniDistribution = single(0.2f);
constexpr double kRouhaniMassFlowFloor = 1e-6;  // kg/h
constexpr double kQuarter = 0.25;

// ---- Friedel ----
// Friedel, L. (1979), "Improved friction pressure drop correlations for horizontal
// and vertical two-phase pipe flow", European Two-Phase Flow Group Meeting, Ispra,
// paper E2: phi_LO^2 = E + F, with a second coefficient set for flow inclined
// downward at 45 degrees or more.  Coefficients and the Reynolds numbers as stored
// models form them: Re = 1000 G / (D mu) with mu in cP (the published form is
// G D / mu).
constexpr double kMassFluxPerMassFlow = 0.00035367765;  // kg/(m2 s) per kg/h and m^-2
constexpr double kMassFluxFloor = 2.0;                  // kg/(m2 s)
constexpr double kCentipoisePerPascalSecond = 1000.0;
constexpr double kLaminarReynoldsLimit = 1055.0;
constexpr double kLaminarReynoldsFloor = 10.0;
constexpr double kLaminarConstant = 64.0;
constexpr double kTurbulentSlope = 0.86859;  // 1/sqrt(f) = 0.86859 ln(Re/(1.964 ln Re - 3.8215))
constexpr double kTurbulentLogFactor = 1.964;
constexpr double kTurbulentLogOffset = 3.8215;
constexpr double kGroupFloor = 1e-6;        // Froude and Weber numbers
constexpr double kDownwardAngle = -0.7854;  // rad: at or below it the downward form
// psi/ft to bar/m as the procedures convert, undone: the gradient comes out in Pa/m.
constexpr double kFriedelScale =
    units::kPascalsPerBar * units::kMetresPerFoot / units::kPascalsPerPsi;
static_assert(kFriedelScale == 4.4207502416364965);

struct FriedelCoefficients {
  double factor, quality, liquidQuality, densityRatio, viscosityRatio, viscosityDifference, froude,
      weber;
};
constexpr FriedelCoefficients kHorizontalAndUpward = {3.21, 0.78, 0.224,   0.91,
                                                      0.19, 0.7,  -0.0454, -0.035};
constexpr FriedelCoefficients kDownward = {5.7, 0.7, 0.14, 0.85, 0.36, 0.2, -0.09, -0.007};

// Single-phase Darcy friction factor of the Friedel multiplier.
double friedelFactor(double reynolds) {
  if (reynolds <= kLaminarReynoldsLimit) {
    return kLaminarConstant / atLeast(reynolds, kLaminarReynoldsFloor);
  }
  const double inverseRoot =
      kTurbulentSlope *
      std::log(reynolds / (kTurbulentLogFactor * std::log(reynolds) - kTurbulentLogOffset));
  return 1.0 / (inverseRoot * inverseRoot);
}

}  // namespace

double rouhaniHoldup(const Section& s) {
  const Stream& in = *s.stream;
  const double x = in.quality;
  const double g = atLeast(in.massFlow, kRouhaniMassFlowFloor);
  const double a = std::pow(
      units::kGravitySingle * in.surfaceTension * (in.liquidDensity - in.gasDensity), kQuarter);
  const double b =
      (kRouhaniDrift / std::sqrt(in.gasDensity)) * a * (1.0 - x) / g +
      (1.0 + kRouhaniDistribution * (1.0 - x)) * ((1.0 - x) / in.liquidDensity + x / in.gasDensity);
  return 1.0 - x / (in.gasDensity * b);
}

double friedelGradient(const Section& s) {
  const Stream& in = *s.stream;
  const double d = in.diameter;
  const double g = atLeast(in.massFlow * kMassFluxPerMassFlow / (d * d), kMassFluxFloor);
  const double liquidFactor =
      friedelFactor(kCentipoisePerPascalSecond * g / (d * in.liquidViscosity));
  const double gasFactor = friedelFactor(kCentipoisePerPascalSecond * g / (d * in.gasViscosity));
  const double froude = atLeast(g * g / (units::kGravitySingle * d * s.rhoNsSi), kGroupFloor);
  const double weber = atLeast(g * g * d / (in.surfaceTension * s.rhoNsSi), kGroupFloor);

  const double x = in.quality;
  const double e = (1.0 - x) * (1.0 - x) +
                   x * x * (gasFactor * in.liquidDensity) / (liquidFactor * in.gasDensity);
  const FriedelCoefficients& c = s.theta > kDownwardAngle ? kHorizontalAndUpward : kDownward;
  const double viscosityRatio = in.gasViscosity / in.liquidViscosity;
  const double f = c.factor * std::pow(x, c.quality) * std::pow(1.0 - x, c.liquidQuality) *
                   std::pow(in.liquidDensity / in.gasDensity, c.densityRatio) *
                   std::pow(viscosityRatio, c.viscosityRatio) *
                   std::pow(1.0 - viscosityRatio, c.viscosityDifference) *
                   std::pow(froude, c.froude) * std::pow(weber, c.weber);
  return (e + f) * kFriedelScale * liquidFactor * g * g / (2.0 * d * in.liquidDensity) /
         in.friedelDivisor;
}

}  // namespace xv55::pipe
