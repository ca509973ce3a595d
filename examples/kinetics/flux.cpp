// Example pressure-drop, heat-flux and holdup routines of tubular and batch reactors,
// written in C++ (C linkage, so that the host finds them by name).
//
// Every routine receives the same head of arguments (docs/kinetics.md): 1 NCOMP, 2 to 4
// the stream vectors, 5 to 8 the integer and real parameters, 9 the identifiers, 10
// and 11 the property option set, 12 and 13 the user values (handed back to the
// model), 14 to 17 work areas, 18 the failure flag, 19 the option; then its own values
// and results.  A stream vector holds the component flows (kmol/s) at words 1 to NCOMP,
// then the total flow, T (K), P (Pa), molar enthalpy (J/kmol), vapour and liquid
// fractions, an unknown value, mass density (kg/m3) and molecular weight (kg/kmol).
#include <cmath>
#include <cstdint>
#include <numbers>

#include "xv55/user_routine.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Word NCOMP + k of a stream vector (k = 1 .. 9).
double entry(const void* stream, std::int64_t ncomp, std::int64_t k) {
  return static_cast<const double*>(stream)[ncomp + k - 1];
}
constexpr std::int64_t kFlow = 1, kTemperature = 2, kVapourFraction = 5, kDensity = 8,
                       kMolecularWeight = 9;

double real(const void* address) {
  return *static_cast<const double*>(address);
}
std::int64_t integer(const void* address) {
  return *static_cast<const std::int64_t*>(address);
}
// Real parameter k (1-based), 0 when the model gave fewer.
double parameter(const void* count, const void* reals, std::int64_t k) {
  return integer(count) >= k ? static_cast<const double*>(reals)[k - 1] : 0.0;
}
void setUserValue(void* count, void* values, std::int64_t k, double value) {
  if (integer(count) >= k) static_cast<double*>(values)[k - 1] = value;
}
void fail(void* flag) {
  *static_cast<std::int64_t*>(flag) = 1;
}

}  // namespace

// Pressure gradient of single-phase flow with a constant Darcy friction factor f (real
// parameter 1): dP/dz = f rho u^2 / (2 D), u the velocity of the process stream in the
// tubes; the liquid holdup is the stream's liquid fraction.  User value 1: u (m/s).
// Own arguments: 20 mode, 21 tubes, 22 length, 23 diameter, ..., 36 dP/dz (Pa/m) out,
// 37 holdup out.
EXPORT void PDROP(XV55_USER_PARAMETERS) {
  const std::int64_t ncomp = integer(a1);
  const double tubes = real(a21);
  const double diameter = real(a23);
  const double density = entry(a2, ncomp, kDensity);
  const double area = tubes * std::numbers::pi / 4.0 * diameter * diameter;
  if (!(density > 0.0) || !(area > 0.0)) return fail(a18);
  const double volumeFlow =
      entry(a2, ncomp, kFlow) * entry(a2, ncomp, kMolecularWeight) / density;  // m3/s
  const double velocity = volumeFlow / area;
  const double friction = parameter(a7, a8, 1);
  *static_cast<double*>(a36) = friction * density * velocity * velocity / (2.0 * diameter);
  *static_cast<double*>(a37) = 1.0 - entry(a2, ncomp, kVapourFraction);
  setUserValue(a12, a13, 1, velocity);
}

// Heat flux into the process stream per metre of reactor: q = U pi D N (Tf - T), with U
// the heat-transfer coefficient (argument 33), Tf the thermal fluid's temperature
// (stream 3) when the mode has one (3 or 4), else real parameter 1 (K).  User value 1:
// Tf - T.  Own arguments: 20 mode, 21 tubes, 22 length, 23 diameter, ..., 33 U, 34
// channel diameter, 35 q (W/m) out.
EXPORT void QFLUX(XV55_USER_PARAMETERS) {
  const std::int64_t ncomp = integer(a1);
  const std::int64_t mode = integer(a20);
  const double fluid =
      mode == 3 || mode == 4 ? entry(a4, ncomp, kTemperature) : parameter(a7, a8, 1);
  const double difference = fluid - entry(a2, ncomp, kTemperature);
  *static_cast<double*>(a35) = real(a33) * std::numbers::pi * real(a23) * real(a21) * difference;
  setUserValue(a12, a13, 1, difference);
}

// Liquid holdup without slip: the liquid's share of the volume flow, from the stream's
// vapour fraction and the phase densities (arguments 27 and 28).  Own arguments: 20
// tubes, 21 length, 22 diameter, 23 position, 24 and 25 viscosities (Pa s), 26 surface
// tension, 27 liquid and 28 vapour density, 29 inclination, 30 holdup out.
EXPORT void HOLDUP(XV55_USER_PARAMETERS) {
  const std::int64_t ncomp = integer(a1);
  const double vapour = entry(a2, ncomp, kVapourFraction);
  const double liquidDensity = real(a27);
  const double vapourDensity = real(a28);
  if (!(liquidDensity > 0.0) || !(vapourDensity > 0.0)) return fail(a18);
  const double liquidVolume = (1.0 - vapour) / liquidDensity;
  const double vapourVolume = vapour / vapourDensity;
  *static_cast<double*>(a30) = liquidVolume / (liquidVolume + vapourVolume);
}

// Heat duty of a coil in a batch charge: Q = U A (Tc - T), with U, A and the coil
// temperature Tc (K) real parameters 1 to 3.  User value 1: Tc - T.  Own arguments: 20
// time (s), 21 contents (kmol), 22 volume (m3), 23 Q (W) out.
EXPORT void QCOIL(XV55_USER_PARAMETERS) {
  const std::int64_t ncomp = integer(a1);
  const double difference = parameter(a7, a8, 3) - entry(a2, ncomp, kTemperature);
  *static_cast<double*>(a23) = parameter(a7, a8, 1) * parameter(a7, a8, 2) * difference;
  setUserValue(a12, a13, 1, difference);
}
