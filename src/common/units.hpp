// Unit conversions and shared constants of the procedure families, each named once.
//
// Stored models were computed with a mix of double and single-precision
// constants.  A single-precision constant is written as the float literal it was
// (`single(0.9f)`), so its double value is exactly the widened float that the
// thresholds of stored models depend on, with no 17-digit transcription to get
// wrong.  A plain double constant is written as a double literal.
#pragma once

#include <cstdint>

namespace xv55::units {

// A single-precision literal widened to double, as the stored models compute it.
consteval double single(float value) {
  return static_cast<double>(value);
}

// ---- length ----
inline constexpr double kMetresPerFoot = 0.3048;                 // m/ft
inline constexpr double kMetresPerFootSingle = single(0.3048f);  // m/ft
inline constexpr double kSquareInchesPerSquareFoot = 144.0;      // in2/ft2

// ---- pressure ----
inline constexpr double kPascalsPerBar = 100000.0;                     // Pa/bar
inline constexpr double kPascalsPerPsi = 6894.7573;                    // Pa/psi
inline constexpr double kBarPerPascal = 1e-5;                          // bar/Pa
inline constexpr double kPsiPerBar = kPascalsPerBar / kPascalsPerPsi;  // psi/bar

// ---- temperature ----
inline constexpr double kKelvinAtZeroCelsius = 273.15;                 // K
inline constexpr double kKelvinAtZeroCelsiusSingle = single(273.15f);  // K

// ---- density and viscosity ----
// lb/ft3 per kg/m3.
inline constexpr double kPoundsPerCubicFootPerKgPerCubicMetre = 0.062428;
// cP per lb/(ft s): the divisor of the integrating pipe procedures, and the one of
// the gradient, momentum, constant-property and holdup procedures.
inline constexpr double kCentipoisePerPoundPerFootSecond = 1488.0;
inline constexpr double kCentipoisePerPoundPerFootSecondGradient = 1488.2;
inline constexpr double kPascalSecondsPerCentipoise = 0.001;  // Pa s/cP

// ---- mass ----
// lb/kg as the field-unit conversions use it.
inline constexpr double kPoundsPerKilogram = 2.204634;

// ---- surface tension ----
// Model unit to the pipe library's unit (N/m = kg/s2 to lbm/s2).
inline constexpr double kPipeSurfaceTensionPerModelUnit = kPoundsPerKilogram;

// ---- flow and time ----
inline constexpr double kSecondsPerHour = 3600.0;
// kg/h to lb/s.
inline constexpr double kPoundsPerSecondPerKgPerHour = 0.000612395;
// Kinetics unit set 2: ft3 to m3 and lb to kg (single precision).
inline constexpr double kCubicMetresPerCubicFootSingle = single(0.0283206f);
inline constexpr double kPoundsPerKilogramSingle = single(2.2046225f);

// ---- physical constants ----
inline constexpr double kGravitySingle = single(9.81f);         // m/s2
inline constexpr double kGasConstantSingle = single(8314.33f);  // J/(kmol K)
inline constexpr double kPiSingleDigits = 3.1415926;            // as the pipe library receives it
inline constexpr double kQuarterPiSingle = single(0.7853975f);

// ---- texts ----
// Character arguments of the procedures are 40 characters long.
inline constexpr std::int64_t kTextLength = 40;
// Names of the companion simulator (blocks, types, routines) are 8 characters.
inline constexpr std::int64_t kNameLength = 8;

}  // namespace xv55::units
