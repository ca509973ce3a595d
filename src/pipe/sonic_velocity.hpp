// Sonic (choking) velocity of a stream that may be vapour, liquid or a vapour-liquid
// mixture, for pipe and relief models.
//
// PIPSON combines the vapour's sonic velocity, from the host's equation-of-state
// derivatives, with the liquid's (1524 m/s unless it is asked to compute it) by the
// homogeneous two-phase formula.  The procedures put a flash in front of it: at the given
// temperature and pressure (SPPSON) or enthalpy and pressure (SPPSONH, SPPSONHP).
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::pipe {

// ---- the core ----

// Sonic velocity used for a liquid whose own cannot (or need not) be computed, m/s.
inline constexpr double kDefaultLiquidSonicVelocity = 1524.0;

// Liquid-calculation flags of PIPSON.
inline constexpr std::int64_t kLiquidDefault = 0;  // c_L = 1524 m/s
inline constexpr std::int64_t kLiquidCompute = 2;  // from the liquid monitor; reset to 0 when
                                                   // it cannot give the derivative
// Free-water code that evaluates liquid 2 with the free-water option set (word 5).
inline constexpr std::int64_t kFreeWaterLiquid = 12;

// A phase split in the property system's SI units (K, Pa, m3/kmol, kg/kmol).
struct PhaseSplit {
  double temperature = 0;
  double pressure = 0;
  const double* liquid = nullptr;  // overall liquid, liquid 1, liquid 2, vapour fractions
  const double* liquid1 = nullptr;
  const double* liquid2 = nullptr;
  const double* vapour = nullptr;
  std::int64_t count = 0;                 // entries of each composition
  const std::int64_t* indices = nullptr;  // their companion positions
  const std::int64_t* optionSet = nullptr;
  double vapourFraction = 0;  // molar
  double liquidSplit = 1;     // share of the liquid that is liquid 1
  std::int64_t freeWaterCode = 0;
  double molecularWeight = 0;  // of the whole stream
  double liquidVolume = 0;     // the liquid's molar volume as the flash left it
};

struct SonicVelocity {
  double velocity = 0;                       // m/s
  double gas = 0;                            // c_G (when there is vapour)
  double liquid = 0;                         // c_L
  double gasDensity = 0, liquidDensity = 0;  // kg/m3, where formed
  // Non-zero: the vapour monitor failed with this status and nothing was formed.
  std::int64_t vapourStatus = 0;
  // The mixture formula had no meaning for these phases (velocity not formed).
  bool unformed = false;
  // c_G^2 came out not positive: reported through the host's error facility, and
  // c_G = sqrt|c_G^2| used.
  bool negativeGasTerm = false;
};

// errorCell is handed to the host's error check; liquidFlag is kLiquidDefault or
// kLiquidCompute (reset to kLiquidDefault when the liquid monitor cannot give dP/dV).
SonicVelocity PIPSON(const PhaseSplit& split, std::int64_t& errorCell, std::int64_t& liquidFlag);

// ---- the procedures ----

// The stream the procedures flash, after its temperature or enthalpy.
XV55_GROUP(SonicStream, (const double&, pressure, "bar"),
           (Vector<const double>, fractions, "1"),  // mole fractions, model order
           (const double&, molecularWeight, "kg/kmol"),
           (const std::int64_t&, unitSet, ""));  // the model's unit set of the conversions

XV55_RECORD(SonicTemperatureArguments,
            (const double&, temperature, "degC"),  // in the units of unitSet
            (SonicStream, stream),
            (double&, velocity, "m/s"));
XV55_RECORD(SonicEnthalpyArguments,
            (const double&, enthalpy, "MJ/kmol"),  // molar, in the units of unitSet
            (SonicStream, stream),
            (double&, velocity, "m/s"));
// Inputs 1 to 5 as SonicEnthalpyArguments; inputs 6 to 8 are stream data that models
// declare and the procedure does not read.
XV55_RECORD(SonicEnthalpyTracedArguments,
            (const double&, enthalpy, "MJ/kmol"),
            (SonicStream, stream),
            (Unused, streamDatum6, ""),
            (Vector<const double>, streamVector7, "1"),
            (Unused, streamDatum8, ""),
            (double&, velocity, "m/s"));

void SPPSON(const SonicTemperatureArguments& args, Status status, HostContext context,
            Workspace work);
void SPPSONH(const SonicEnthalpyArguments& args, Status status, HostContext context,
             Workspace work);
void SPPSONHP(const SonicEnthalpyTracedArguments& args, Status status, HostContext context,
              Workspace work);

}  // namespace xv55::pipe
