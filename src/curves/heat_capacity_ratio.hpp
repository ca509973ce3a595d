// Heat capacity ratio Cp/Cv of a vapour, as a factor of the ideal diatomic ratio 1.4, for
// compressor and nozzle models.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::curves {

XV55_RECORD(HeatCapacityRatioArguments,
            (const double&, temperature, "degC"),      // in the units of unitSet
            (const double&, pressure, "bar"),          // in the units of unitSet
            (Vector<const double>, amounts, "kmol/h"), // component flows or amounts, model order
            (const std::int64_t&, unitSet, ""),        // the model's unit set for the conversions
            (double&, ratioToDiatomic, "1"));  // (Cp/Cv) / 1.4

// Kind code stored in SAIPRNAM before the stream is set up.
inline constexpr std::int64_t kHeatCapacityRatioKind = 69;

// Cp and dV/dT from the vapour monitor, dV/dP by a one-sided difference (1.001 P, or
// 0.999 P when the volume does not move); the ratio is clamped to 1 .. 3.  Where it cannot
// be formed the factor is 1 with status 2; failures of the host or unusable input give
// status 4 and a message, the factor as far as set.
void SPFKCAL(const HeatCapacityRatioArguments& args, Status status, HostContext context);

}  // namespace xv55::curves
