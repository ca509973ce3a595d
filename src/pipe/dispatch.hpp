// The correlation dispatch shared by the two-phase pipe procedures.
//
// One call evaluates one pipe section: the stream data are converted from model
// units to the field units of the host's pipe-correlation library (ft, psi, lb/ft3,
// lb/(ft s), ft/s), the flow is tested for a single phase, a holdup correlation and
// then a pressure-drop correlation are chosen by name from two keyword tables, and
// the holdup, the frictional gradient and what the acceleration term needs come
// back.  The tables are data: one row per keyword with the procedures that accept
// it and an adapter from the section to the host routine's argument list
// (dispatch.cpp).  What differs between the procedures (the keywords they accept,
// the centipoise per field viscosity unit, the inclination rule) is their Profile.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "entry/views.hpp"

namespace xv55::pipe {

// Floor of the mixture velocity magnitude, m/s (the conversion, and the
// velocity-squared divisions of SPPMOM and SPDPCONST).
inline constexpr double kVelocityFloor = 1e-5;

// v raised to floor, v brought down to ceiling; a NaN stays NaN.
constexpr double atLeast(double v, double floor) {
  return v < floor ? floor : v;
}
constexpr double atMost(double v, double ceiling) {
  return v > ceiling ? ceiling : v;
}

// The procedures that run the dispatch, one bit each in a keyword row.
enum class Procedure : std::uint8_t {
  IntegratedSection = 1U << 0U,  // SPPINT
  PackedSection = 1U << 1U,      // SPPINT3
  Gradient = 1U << 2U,           // SPDPDZFR
  Momentum = 1U << 3U,           // SPPMOM
  Coefficient = 1U << 4U,        // SPDPCONST
  HoldupOnly = 1U << 5U,         // SPHLD
};

class Procedures {
 public:
  constexpr Procedures(std::initializer_list<Procedure> members) {
    for (Procedure p : members) bits_ |= static_cast<std::uint8_t>(p);
  }
  constexpr bool contain(Procedure p) const { return (bits_ & static_cast<std::uint8_t>(p)) != 0; }

 private:
  std::uint8_t bits_ = 0;
};

// What a procedure is to the dispatch.
struct Profile {
  Procedure procedure;
  const char* name;               // for messages
  double centipoisePerFieldUnit;  // cP per lb/(ft s)
  bool foldsInclination;          // the angle is taken through asin(sin), into -pi/2 ... pi/2
};

// The packed-bed inputs handed unchanged to the host's packed-bed routine.
struct PackedBed {
  double voidFraction = 0.0;      // 1
  double sphericity = 0.0;        // 1
  double particleDiameter = 0.0;  // m
};

// One section's stream as the model gives it (model units).
struct Stream {
  double diameter = 0.0;         // m
  double angle = 0.0;            // rad
  double roughness = 0.0;        // relative
  double velocity = 0.0;         // m/s, mixture
  double pressure = 0.0;         // bar
  double liquidFraction = 0.0;   // no-slip liquid volume fraction
  double liquidDensity = 0.0;    // kg/m3
  double gasDensity = 0.0;       // kg/m3
  double surfaceTension = 0.0;   // N/m
  double liquidViscosity = 0.0;  // cP
  double gasViscosity = 0.0;     // cP
  double massFlow = 0.0;         // kg/h (procedures that have it)
  double quality = 0.0;          // vapour mass fraction (procedures that have it)
  PackedBed bed;
};

// The working values of one section in field units, and the model-unit values the
// correlations computed here and the packed-bed routine take.  The conversion fills
// every member (nothing is cleared before, on the evaluation path).
struct Section {
  double d;          // ft
  double vm;         // ft/s, magnitude, at least 1e-5 m/s
  double p;          // psi
  double lambda;     // at least 1e-8
  double rhoL;       // lb/ft3
  double rhoG;       // lb/ft3
  double sigma;      // pipe-library unit, at least 1e-5
  double muL;        // lb/(ft s)
  double muG;        // lb/(ft s)
  double theta;      // rad
  double roughness;  // relative
  double vsL;        // ft/s
  double vsG;        // ft/s
  double rhoNs;      // lb/ft3
  double muNs;       // lb/(ft s)
  double gc;         // lbm ft/(lbf s2), the pipe library's
  double massFlow;   // lb/s
  double rhoNsSi;    // kg/m3
  double muNsCentipoise;
  const Stream* stream = nullptr;  // as given
};

// How the acceleration term of the section procedures is formed.
enum class Acceleration : std::uint8_t {
  None,
  Kinetic,      // (elevation + friction) E_k/(1 - E_k), E_k from kineticVelocity
  FromRoutine,  // the routine's acceleration gradient (lbf/ft2 per ft)
};

struct Evaluation {
  bool valid = false;  // false: an input it reads is NaN or infinite
  Section section;
  double holdup = 0.0;                   // H_L of the holdup step (lambda when none ran)
  double slipDensity = 0.0;              // lb/ft3
  double reportedHoldup = 0.0;           // lambda in the "Darcy" branch, holdup otherwise
  double friction = 0.0;                 // frictional gradient: psi/ft, or Pa/m when below
  bool frictionPascalsPerMetre = false;  // "Ergun", "HTFS"
  Acceleration acceleration = Acceleration::None;
  double kineticVelocity = 0.0;          // ft/s, for Acceleration::Kinetic
  double accelerationGradient = 0.0;     // lbf/ft2 per ft, for Acceleration::FromRoutine
  bool holdupCorrelated = false;         // a holdup correlation gave the slip density
  std::string_view pressureDropKeyword;  // the selected pressure-drop keyword; empty: none
};

// Holdup step and pressure-drop step.  procedureInputs are the procedure's own
// numbers (length, multiplier, divisor, sign); they only take part in the
// finiteness test.  Without a pressure-drop name only the holdup step runs.
//
// A name that selects nothing keeps its result (the no-slip holdup; no friction
// and no acceleration term) and is warned about (status 2, one message naming it
// and the keywords the procedure accepts) once per call site and name.  A call
// site is the address of the name's own input cell, which a host keeps for one
// argument of one call of the model; the name is its characters without trailing
// blanks.  Only a step that runs looks at its name: in single-phase flow the
// holdup name is not read and "Darcy" is taken whatever the pressure-drop name.
Evaluation evaluate(const Profile& profile, const Stream& stream, Text holdupName,
                    const Text* pressureDropName, std::initializer_list<double> procedureInputs,
                    Status status);

// Forgets which call sites were warned about an unknown name, so that each warns
// again once (a new run of the host, a test, a fuzzing input).
void forgetUnknownNames();

// Frictional and acceleration pressure drops over a section of the given length (m),
// in psi.  A gradient in Pa/m (the packed-bed routine) is taken over the length.
struct SectionLosses {
  double friction = 0.0;
  double acceleration = 0.0;
  double kineticRatio = 0.0;        // E_k of Acceleration::Kinetic, after its cap
  bool kineticRatioCapped = false;  // E_k was brought down to its cap
};
SectionLosses sectionLosses(const Evaluation& e, double lengthMetres);

// The correlations the library computes itself, from the model-unit stream values
// (two_phase.cpp).
// Rouhani-Axelsson drift-flux liquid holdup.
double rouhaniHoldup(const Section& s);
// Friedel two-phase frictional gradient in psi/ft, the unit of the other keywords'
// gradients before the procedures convert them to bar/m.
double friedelGradient(const Section& s);

}  // namespace xv55::pipe
