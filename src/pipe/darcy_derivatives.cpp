// Derivatives of SPPINT's "Darcy" section terms, by forward propagation of slopes
// through the field-unit working values the dispatch formed (dispatch.cpp) and then
// through the conversions back to the model's input columns.
//
// Field units: D, L ft; v_m ft/s; P psi; densities lb/ft3; viscosities lb/(ft s).
//   Re = rho_ns v_m D / mu_ns,  f = PIPCBR(Re, r)
//   friction     F = f rho_ns v_m^2 L / (2 g_c D 144)                    psi
//   elevation    E = L rho_s sin(theta) / 144                           psi
//   kinetic      E_k = v_a rho_s v_m / (g_c P 144), at most its cap
//   acceleration A = (E + F) E_k / (1 - E_k)                            psi
#include "pipe/darcy_derivatives.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "common/units.hpp"

namespace xv55::pipe {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view kDarcy = "Darcy";
constexpr double kPsiToBar = units::kPascalsPerPsi / units::kPascalsPerBar;
constexpr double kSquareInches = units::kSquareInchesPerSquareFoot;

// The working values the outputs depend on (field units).
enum Field : std::size_t {
  kDiameter,
  kLength,
  kSpeed,
  kPressure,
  kLiquidFraction,
  kLiquidDensity,
  kGasDensity,
  kLiquidViscosity,
  kGasViscosity,
  kAngle,
  kRoughness,
  kFieldCount
};

// The slopes of one quantity by each working value.
struct Slopes {
  std::array<double, kFieldCount> by{};
};

Slopes of(Field f) {
  Slopes s;
  s.by[f] = 1.0;
  return s;
}
Slopes operator+(Slopes a, const Slopes& b) {
  for (std::size_t k = 0; k < kFieldCount; ++k) a.by[k] += b.by[k];
  return a;
}
Slopes operator*(double factor, Slopes a) {
  for (double& v : a.by) v *= factor;
  return a;
}

// Where each working value comes from: its input column and d(working)/d(input).
struct Source {
  std::int64_t column;
  double slope;
};

std::array<Source, kFieldCount> sourcesOf(const SectionArguments& a, const Section& s) {
  constexpr double perMetre = 1.0 / units::kMetresPerFoot;
  constexpr double density = units::kPoundsPerCubicFootPerKgPerCubicMetre;
  constexpr double viscosity = 1.0 / units::kCentipoisePerPoundPerFootSecond;
  // dv_m/dv: the magnitude's sign, and 0 where the floor holds v_m
  const double speed =
      std::fabs(a.velocity) < kVelocityFloor ? 0.0 : std::copysign(perMetre, a.velocity);
  // dlambda/dlambda_in: 0 where the floor holds lambda
  const double fraction = s.lambda == a.phases.liquidFraction ? 1.0 : 0.0;
  std::array<Source, kFieldCount> out{};
  out[kDiameter] = {a.at.diameter, perMetre};
  out[kLength] = {a.at.length, perMetre};
  out[kSpeed] = {a.at.velocity, speed};
  out[kPressure] = {a.at.phases.pressure, units::kPsiPerBar};
  out[kLiquidFraction] = {a.at.phases.liquidFraction, fraction};
  out[kLiquidDensity] = {a.at.phases.liquidDensity, density};
  out[kGasDensity] = {a.at.phases.gasDensity, density};
  out[kLiquidViscosity] = {a.at.phases.liquidViscosity, viscosity};
  out[kGasViscosity] = {a.at.phases.gasViscosity, viscosity};
  out[kAngle] = {a.at.angle, 1.0};
  out[kRoughness] = {a.at.roughness, 1.0};
  return out;
}

// Row `row`: factor times the slopes, by the chain rule onto the input columns; the
// multiplier column gets `byMultiplier`, surface tension 0.
void writeRow(Jacobian jac, const SectionArguments& a, const std::array<Source, kFieldCount>& from,
              std::int64_t row, double factor, const Slopes& slopes, double byMultiplier) {
  for (std::size_t k = 0; k < kFieldCount; ++k) {
    jac.set(row, from[k].column, factor * slopes.by[k] * from[k].slope);  // dout/dinput
  }
  jac.set(row, a.at.frictionMultiplier, byMultiplier);  // dout/dmultiplier
  jac.set(row, a.at.phases.surfaceTension, 0.0);        // dout/dsigma
}

void writeNaN(Jacobian jac, const SectionArguments& a) {
  const std::int64_t columns[] = {a.at.diameter,
                                  a.at.length,
                                  a.at.frictionMultiplier,
                                  a.at.angle,
                                  a.at.roughness,
                                  a.at.velocity,
                                  a.at.phases.pressure,
                                  a.at.phases.liquidFraction,
                                  a.at.phases.liquidDensity,
                                  a.at.phases.gasDensity,
                                  a.at.phases.surfaceTension,
                                  a.at.phases.liquidViscosity,
                                  a.at.phases.gasViscosity};
  for (std::int64_t row : {a.at.out.holdup, a.at.out.frictionLoss, a.at.out.accelerationLoss}) {
    for (std::int64_t column : columns) jac.set(row, column, kNaN);
  }
}

}  // namespace

void sectionDerivatives(const SectionArguments& a, const Evaluation& e, const SectionLosses& loss,
                        Jacobian jac) {
  if (!e.valid) {
    writeNaN(jac, a);
    return;
  }
  if (e.pressureDropKeyword != kDarcy) return;
  const Section& s = e.section;
  const auto from = sourcesOf(a, s);

  // No-slip density and viscosity, Reynolds number, friction factor.
  const Slopes rhoNs = (s.rhoL - s.rhoG) * of(kLiquidFraction) + s.lambda * of(kLiquidDensity) +
                       (1.0 - s.lambda) * of(kGasDensity);  // drho_ns
  const Slopes muNs = (s.muL - s.muG) * of(kLiquidFraction) + s.lambda * of(kLiquidViscosity) +
                      (1.0 - s.lambda) * of(kGasViscosity);  // dmu_ns
  const double re = s.rhoNs * s.vm * s.d / s.muNs;
  const Slopes reynolds = (s.vm * s.d / s.muNs) * rhoNs + (s.rhoNs * s.d / s.muNs) * of(kSpeed) +
                          (s.rhoNs * s.vm / s.muNs) * of(kDiameter) + (-re / s.muNs) * muNs;  // dRe
  const FrictionSlopes factor = colebrookSlopes(re, s.roughness);
  const Slopes f = factor.byReynolds * reynolds + factor.byRoughness * of(kRoughness);  // df

  // Friction term F = G L, G the gradient in psi/ft.
  const double length = a.length / units::kMetresPerFoot;  // ft
  const double scale = 1.0 / (2.0 * s.gc * s.d * kSquareInches);
  const double gradient = factor.f * s.rhoNs * s.vm * s.vm * scale;
  const Slopes gradientSlopes = (s.rhoNs * s.vm * s.vm * scale) * f +
                                (factor.f * s.vm * s.vm * scale) * rhoNs +
                                (2.0 * factor.f * s.rhoNs * s.vm * scale) * of(kSpeed) +
                                (-gradient / s.d) * of(kDiameter);           // dG
  const Slopes friction = length * gradientSlopes + gradient * of(kLength);  // dF

  writeRow(jac, a, from, a.at.out.holdup, 1.0, of(kLiquidFraction), 0.0);  // dH/d: lambda
  writeRow(jac, a, from, a.at.out.frictionLoss, kPsiToBar * a.frictionMultiplier, friction,
           kPsiToBar * loss.friction);  // d(output 2)/d
  if (e.acceleration != Acceleration::Kinetic || e.holdupCorrelated) return;

  // Acceleration term, with rho_s = rho_ns (no holdup correlation ran).
  const double sine = std::sin(s.theta);
  const double elevation = length * e.slipDensity * sine / kSquareInches;
  const Slopes elevationSlopes =
      (e.slipDensity * sine / kSquareInches) * of(kLength) +
      (length * sine / kSquareInches) * rhoNs +
      (length * e.slipDensity * std::cos(s.theta) / kSquareInches) * of(kAngle);  // dE
  Slopes ratio;  // dE_k: 0 where the cap holds it
  if (!loss.kineticRatioCapped) {
    // v_a is v_sG = (1 - lambda) v_m, or v_m for a gas-only flow.
    const Slopes velocity = e.kineticVelocity == s.vsG
                                ? (1.0 - s.lambda) * of(kSpeed) + (-s.vm) * of(kLiquidFraction)
                                : of(kSpeed);  // dv_a
    const double denominator = s.gc * s.p * kSquareInches;
    ratio = (e.slipDensity * s.vm / denominator) * velocity +
            (e.kineticVelocity * s.vm / denominator) * rhoNs +
            (e.kineticVelocity * e.slipDensity / denominator) * of(kSpeed) +
            (-loss.kineticRatio / s.p) * of(kPressure);  // dE_k
  }
  const double k = loss.kineticRatio;
  const Slopes acceleration =
      (k / (1.0 - k)) * (elevationSlopes + friction) +
      ((elevation + loss.friction) / ((1.0 - k) * (1.0 - k))) * ratio;              // dA
  writeRow(jac, a, from, a.at.out.accelerationLoss, kPsiToBar, acceleration, 0.0);  // d(output 3)/d
}

}  // namespace xv55::pipe
