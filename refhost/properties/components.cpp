// The reference host's component table.
//
// Source of every number below (one source for all of them):
//   B. E. Poling, J. M. Prausnitz, J. P. O'Connell, "The Properties of Gases and
//   Liquids", 5th ed., McGraw-Hill, 2001, Appendix A:
//     section A: molecular weight M (kg/kmol), critical temperature Tc (K), critical
//       pressure Pc (bar), acentric factor omega, ideal-gas enthalpy of formation at
//       298.15 K (kJ/mol);
//     section C: ideal-gas heat capacity Cp/R = a0 + a1 T + a2 T^2 + a3 T^3 + a4 T^4
//       (T in K) and the temperature range over which it was fitted.
//   Pressures are converted to Pa and formation enthalpies to J/kmol where the table is
//   prepared (constants below), never in the rows.
#include "thermo.hpp"

#include <cctype>
#include <cmath>

namespace xv55::refhost::properties::detail {
namespace {

constexpr double kPaPerBar = 1.0e5;
constexpr double kJoulePerKmolPerKjPerMol = 1.0e6;  // 1 kJ/mol = 1e6 J/kmol

struct Row {
  const char* name;
  const char* formula;
  double mw, tc, pcBar, omega, hfKjPerMol;
  double a0, a1, a2, a3, a4;
  double cpTmin, cpTmax;
};

// clang-format off
constexpr Row kRows[] = {
  // name            formula  M        Tc      Pc      omega   dHf      a0     a1         a2          a3           a4          range
  {"WATER",          "H2O",   18.015,  647.14, 220.64,  0.344, -241.81, 4.395, -0.004186, 0.00001405, -1.564e-8,   6.32e-12,   50.0, 1000.0},
  {"NITROGEN",       "N2",    28.014,  126.20,  33.98,  0.037,    0.0,  3.539, -0.000261, 0.00000007,  1.57e-9,   -9.9e-13,    50.0, 1000.0},
  {"OXYGEN",         "O2",    31.999,  154.58,  50.43,  0.022,    0.0,  3.630, -0.001794, 0.00000658, -6.0e-9,     1.79e-12,   50.0, 1000.0},
  {"CARBON-DIOXIDE", "CO2",   44.010,  304.12,  73.74,  0.225, -393.51, 3.259,  0.001356, 0.00001502, -2.374e-8,   1.056e-11,  50.0, 1000.0},
  {"HYDROGEN",       "H2",     2.016,   33.19,  13.13, -0.216,    0.0,  2.883,  0.003681, -0.00000772, 6.92e-9,   -2.13e-12,   50.0, 1000.0},
  {"METHANE",        "CH4",   16.043,  190.56,  45.99,  0.011,  -74.52, 4.568, -0.008975, 0.00003631, -3.407e-8,   1.091e-11,  50.0, 1000.0},
  {"ETHANE",         "C2H6",  30.070,  305.32,  48.72,  0.099,  -83.82, 4.178, -0.004427, 0.0000566,  -6.651e-8,   2.487e-11,  50.0, 1000.0},
  {"PROPANE",        "C3H8",  44.097,  369.83,  42.48,  0.152, -104.68, 3.847,  0.005131, 0.00006011, -7.893e-8,   3.079e-11,  50.0, 1000.0},
  {"N-BUTANE",       "C4H10", 58.123,  425.12,  37.96,  0.200, -125.79, 5.547,  0.005536, 0.00008057, -1.0571e-7,  4.134e-11, 200.0, 1000.0},
  {"N-HEXANE",       "C6H14", 86.177,  507.60,  30.25,  0.300, -166.92, 8.831, -0.000166, 0.00014302, -1.8314e-7,  7.124e-11, 200.0, 1000.0},
};
// clang-format on

constexpr int kRowCount = static_cast<int>(sizeof(kRows) / sizeof(kRows[0]));

// Peng-Robinson (1976) constants; kappa of the 1978 revision above omega 0.49.
constexpr double kOmegaA = 0.45723553;
constexpr double kOmegaB = 0.07779607;
constexpr double kKappaSwitch = 0.49;

double kappaOf(double omega) {
  if (omega <= kKappaSwitch) return 0.37464 + (1.54226 - 0.26992 * omega) * omega;
  return 0.379642 + (1.48503 + (-0.164423 + 0.016666 * omega) * omega) * omega;
}

Component prepare(const Row& r) {
  Component c{};
  c.name = r.name;
  c.formula = r.formula;
  c.mw = r.mw;
  c.tc = r.tc;
  c.pc = r.pcBar * kPaPerBar;
  c.omega = r.omega;
  c.hf = r.hfKjPerMol * kJoulePerKmolPerKjPerMol;
  c.cp[0] = r.a0;
  c.cp[1] = r.a1;
  c.cp[2] = r.a2;
  c.cp[3] = r.a3;
  c.cp[4] = r.a4;
  c.cpTmin = r.cpTmin;
  c.cpTmax = r.cpTmax;
  c.kappa = kappaOf(r.omega);
  c.sqrtAc = std::sqrt(kOmegaA * kGasConstant * kGasConstant * c.tc * c.tc / c.pc);
  c.b = kOmegaB * kGasConstant * c.tc / c.pc;
  c.hRef = idealEnthalpyIntegral(c, kReferenceTemperature);
  c.sRef = idealEntropyIntegral(c, kReferenceTemperature);
  return c;
}

struct Table {
  Component rows[kRowCount];
  Table() {
    for (int i = 0; i < kRowCount; ++i) rows[i] = prepare(kRows[i]);
  }
};

const Table& table() {
  static const Table t;
  return t;
}

bool sameName(std::string_view a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

int componentCount() {
  return kRowCount;
}

const Component& component(int id) {
  return table().rows[id];
}

int findComponent(std::string_view name) {
  for (int i = 0; i < kRowCount; ++i) {
    if (sameName(name, kRows[i].name) || sameName(name, kRows[i].formula)) return i;
  }
  return -1;
}

}  // namespace xv55::refhost::properties::detail
