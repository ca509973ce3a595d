// Shared internals of the pipe-correlation services: input guards, recording,
// injected failures, friction factors and the dimensionless groups.  Everything is
// in the pipe library's field units: ft, s, lbm, lbf, psi; densities lb/ft3,
// viscosities lb/(ft s), surface tension lbm/s2 (= poundal/ft; the procedures pass
// N/m x 2.204634).  Every helper is allocation-free.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <numbers>

#include "internal.hpp"
#include "xv55/refhost/pipe.hpp"

namespace xv55::refhost::pipe::detail {

using refhost::detail::Service;

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kHuge = 1.0e300;  // replaces an infinite result

// Caps on inputs (beyond them an input counts as outside its domain and is clamped).
inline constexpr double kMinDiameter = 1.0e-6, kMaxDiameter = 1.0e4;     // ft
inline constexpr double kMinDensity = 1.0e-8, kMaxDensity = 1.0e5;       // lb/ft3
inline constexpr double kMinViscosity = 1.0e-12, kMaxViscosity = 1.0e4;  // lb/(ft s)
inline constexpr double kMinTension = 1.0e-10, kMaxTension = 1.0e4;      // lbm/s2
inline constexpr double kMaxVelocity = 1.0e8;                            // ft/s
inline constexpr double kMinPressure = 1.0e-6, kMaxPressure = 1.0e7;     // psia
inline constexpr double kMaxRoughness = 0.5;                             // relative
inline constexpr double kMaxMassFlow = 1.0e9;                            // lb/s
// Internal floor of velocities inside dimensionless groups (not flagged).
inline constexpr double kTinyVelocity = 1.0e-12;

// psi per lbf/ft2 is 1/144.
inline constexpr double kSquareInchesPerSquareFoot = 144.0;
// 1 cP in lb/(ft s) is 1/1488.164; empirical equations with cP constants use this.
inline constexpr double kCentipoise = 1488.1639;
// lbf/ft2 per ft -> Pa/m: 4.4482216152605 N / 0.09290304 m2 / 0.3048 m.
inline constexpr double kPaPerMPerLbfFt3 = 4.4482216152605 / 0.09290304 / 0.3048;
// lbm/(ft2 s) -> kg/(m2 s).
inline constexpr double kKgM2sPerLbFt2s = 0.45359237 / 0.09290304;

// g_c and g from PIP_PCONST words 1 and 2 (32.174 when unusable).
double gc();
double gravity();

inline double in(const double* p) {
  return p ? *p : 0.0;
}
inline void put(double* p, double v) {
  if (p) *p = v;
}
inline void putError(std::int64_t* p, std::int64_t v) {
  if (p) *p = v;
}

// v brought into [lo, hi]; NaN and values outside set kInputClamped.
inline double clampInput(double v, double lo, double hi, std::int64_t& err) {
  if (!(v >= lo)) {  // also NaN
    err |= kInputClamped;
    return lo;
  }
  if (v > hi) {
    err |= kInputClamped;
    return hi;
  }
  return v;
}
// A velocity by its magnitude, capped.
inline double speed(double v, std::int64_t& err) {
  if (!std::isfinite(v)) {
    err |= kInputClamped;
    return std::isnan(v) ? 0.0 : kMaxVelocity;
  }
  return clampInput(std::fabs(v), 0.0, kMaxVelocity, err);
}
inline double fraction(double v, std::int64_t& err) {
  return clampInput(v, 0.0, 1.0, err);
}
// An inclination brought into [-pi/2, pi/2] through asin(sin t) (a non-finite one is 0).
inline double inclination(double t, std::int64_t& err) {
  if (!std::isfinite(t)) {
    err |= kInputClamped;
    return 0.0;
  }
  if (std::fabs(t) <= std::numbers::pi / 2) return t;  // already within
  return std::asin(std::sin(t));
}
// A result kept finite: NaN -> 0, +-inf -> +-kHuge, with kResultLimited.
inline double finite(double v, std::int64_t& err) {
  if (std::isfinite(v)) return v;
  err |= kResultLimited;
  if (std::isnan(v)) return 0.0;
  return v > 0 ? kHuge : -kHuge;
}
// A holdup (or fraction) result brought into [0, 1], with kResultLimited.
inline double unitResult(double v, std::int64_t& err) {
  if (v >= 0.0 && v <= 1.0) return v;
  err |= kResultLimited;
  if (std::isnan(v) || v < 0.0) return 0.0;
  return 1.0;
}

// Records a call: the inputs in argument order as reals (a null one as 0).
void record(Service service, std::initializer_list<const double*> inputs);
// True (and uses it up) when an injected failure is due.
inline bool failed(Service service) {
  return refhost::detail::failureDue(service);
}

// Darcy (Moody) friction factor: 64/Re up to Re 2000, Colebrook-White from 4000
// (solved to 1e-12 relative), linear in Re between; Re is floored at 1e-30.
// It is not the library's PIPCBR (src/pipe/colebrook.cpp), and the two transition
// bands differ on purpose: PIPCBR reproduces the factor stored models were computed
// with (1.74 form, single-precision constants, 1 % tolerance, blend over 2500 ... 3500
// towards Colebrook at Re itself), while this one stands in for the host's pipe
// routines and follows the textbook Moody chart (laminar to 2000, turbulent from
// 4000).
double darcy(double reynolds, double relativeRoughness);
// f rho v^2 / (2 g_c D) in lbf/ft2 per ft, laminar branch formed as 32 mu v/(g_c D^2)
// so that it stays finite as v -> 0.
double frictionGradient(double rho, double v, double d, double mu, double roughness);

// Duns-Ros groups in consistent units: (rho_L/(g sigma))^0.25 in s/ft, the diameter
// number D (rho_L g/sigma)^0.5 and the viscosity number mu_L (g/(rho_L sigma^3))^0.25.
inline double velocityNumberFactor(double rhoL, double sigma) {
  return std::sqrt(std::sqrt(rhoL / (gravity() * sigma)));  // the fourth root
}
inline double diameterNumber(double d, double rhoL, double sigma) {
  return d * std::sqrt(rhoL * gravity() / sigma);
}
inline double viscosityNumber(double muL, double rhoL, double sigma) {
  return muL * std::pow(gravity() / (rhoL * sigma * sigma * sigma), 0.25);
}

// Griffith (1962) bubble-flow holdup with slip velocity vs (ft/s).
double griffithHoldup(double vsG, double vm, double vs);
// Kinetic-energy ratio E_k = rho_s v_m v_sG / (g_c 144 P), capped at 0.9.
double kineticRatio(double rhoS, double vm, double vsG, double pPsi, std::int64_t& err);

// Tables of the chart fits (built once; PIP_PIPFFC builds them early).
void buildTables();
// Hughmark (1962) K(Z), monotone cubic Hermite in ln Z through the published table;
// held at the table ends (kOutsideFit) outside 1.3 <= Z <= 130.
double hughmarkK(double z, std::int64_t& err);

}  // namespace xv55::refhost::pipe::detail
