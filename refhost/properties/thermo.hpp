// Thermodynamics of the reference host: component table, ideal gas, the Peng-Robinson
// equation of state and the equilibrium flashes.  SI throughout: K, Pa, m3/kmol,
// J/kmol, J/(kmol K), kg/kmol.  Nothing here allocates: every array is bounded by
// kMaxComponents and lives on the caller's stack.
#pragma once

#include <cstdint>
#include <string_view>

namespace xv55::refhost::properties::detail {

// Largest component count of one call (index lists, compositions, flashes).
inline constexpr int kMaxComponents = 100;

// Universal gas constant, J/(kmol K) (CODATA 2018, exact).
inline constexpr double kGasConstant = 8314.462618;
// Reference state of enthalpy and entropy: ideal gas at 298.15 K and 1 bar, where the
// enthalpy of a component is its enthalpy of formation and its entropy is zero.
inline constexpr double kReferenceTemperature = 298.15;  // K
inline constexpr double kReferencePressure = 1.0e5;      // Pa
// Range of temperature and pressure the property model accepts.
inline constexpr double kMinTemperature = 10.0;    // K
inline constexpr double kMaxTemperature = 2000.0;  // K
inline constexpr double kMaxPressure = 1.0e9;      // Pa

struct Component {
  const char* name;
  const char* formula;
  double mw;     // kg/kmol
  double tc;     // K
  double pc;     // Pa
  double omega;  // acentric factor
  double hf;     // ideal-gas enthalpy of formation at 298.15 K, J/kmol
  double cp[5];  // Cp/R polynomial in T (K)
  double cpTmin, cpTmax;
  // Derived once: Peng-Robinson kappa, sqrt(a) at Tc, co-volume b; ideal-gas integrals at
  // the reference temperature.
  double kappa, sqrtAc, b, hRef, sRef;
};

int componentCount();
const Component& component(int id);
// Table position of a name or formula (case-insensitive), -1 when unknown.
int findComponent(std::string_view name);

// Ideal gas, per component: Cp (J/(kmol K)), the integral of Cp dT and of Cp/T dT
// from 0-based antiderivatives.  Outside the fitted range Cp is held at its value at the
// nearer end, so that enthalpy and entropy stay continuous and monotone.
double idealCp(const Component& c, double t);
double idealEnthalpyIntegral(const Component& c, double t);
double idealEntropyIntegral(const Component& c, double t);

// The components of one call, resolved from an index list.
struct Set {
  int n = 0;
  const Component* c[kMaxComponents];
};

// Temperature-dependent pure-component terms of the equation of state.
struct PureAtT {
  double t = 0.0;
  double sqrtA[kMaxComponents];    // sqrt(a_i)
  double dSqrtA[kMaxComponents];   // d sqrt(a_i) / dT
  double d2SqrtA[kMaxComponents];  // d2 sqrt(a_i) / dT2
};
void pureAtT(const Set& set, double t, PureAtT& pure);

enum class Root { Vapour, Liquid, Stable };

// One phase of composition x (normalised) at T, P on a chosen root.
struct Phase {
  double a, dadt, d2adt2, b, s;  // mixture parameters (s = sum x_i sqrt(a_i))
  double bigA, bigB, z, v;       // A, B, compressibility, molar volume
  bool largestRoot;              // the root taken is the largest of several (or the only one)
  int roots;                     // number of admissible roots (1 or 2 distinct)
  double lnPhiSum;               // sum x_i ln phi_i = G residual / RT
};
// Mixture parameters and the requested root; false if the cubic has no root above B.
bool evaluatePhase(const Set& set, const PureAtT& pure, const double* x, double p, Root root,
                   Phase& ph);
// ln phi_i of the phase.
void lnFugacity(const Set& set, const PureAtT& pure, const Phase& ph, double* lnPhi);

// Derived properties of a phase.
struct Properties {
  double v, z;
  double dPdV;  // (dP/dV)_T, Pa kmol/m3
  double dPdT;  // (dP/dT)_V, Pa/K
  double dVdT;  // (dV/dT)_P, m3/(kmol K)
  double h, s;  // J/kmol, J/(kmol K)
  double cp, cv;
};
void phaseProperties(const Set& set, const PureAtT& pure, const double* x, double p,
                     const Phase& ph, Properties& out);

// Whether a single phase is called vapour: the larger of two roots, or, with one root,
// a temperature above the pseudo-critical one (mole-fraction average of Tc) or a volume
// above the equation's critical volume (3.9514 b).
bool looksVapour(const Set& set, const double* x, double t, const Phase& ph);

// Molecular weight of a mixture of composition x (kg/kmol).
double mixtureMw(const Set& set, const double* x);

// Rachford-Rice: the vapour fraction beta with sum z_i (K_i - 1)/(1 + beta (K_i - 1)) = 0.
// Returns false when every K is above 1 (beta = 1 returned) or below 1 (beta = 0).
// The root may lie outside [0, 1] (negative flash): callers clip.
bool rachfordRice(int n, const double* z, const double* k, double& beta);

// Phase condition codes of a flash.
enum class Phases { Single, VapourLiquid };

struct FlashSettings {
  Phases phases = Phases::VapourLiquid;
  Root forcedRoot = Root::Stable;  // single-phase flashes: which root
  double tolerance = 1.0e-10;      // on max |d ln K| and on the temperature of PH flashes
};

enum FlashCode : std::int64_t {
  kFlashOk = 0,
  kFlashNotConverged = 3,
  kFlashRefused = 4,
};

struct FlashResult {
  double t, p;
  double beta;  // molar vapour fraction
  double h;     // mixture molar enthalpy
  double x[kMaxComponents], y[kMaxComponents];
  double vL, vV, mwL, mwV;  // molar volumes and molecular weights of the phases
  int iterations;
};
// Temperature-pressure flash of z (n entries of set, normalised, every z_i >= 0).
std::int64_t flashTP(const Set& set, const double* z, double t, double p,
                     const FlashSettings& settings, FlashResult& r);
// Pressure-enthalpy flash: temperature found from tGuess within the accepted range.
std::int64_t flashPH(const Set& set, const double* z, double h, double p, double tGuess,
                     const FlashSettings& settings, FlashResult& r);

}  // namespace xv55::refhost::properties::detail
