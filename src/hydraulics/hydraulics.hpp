// Column tray hydraulics: one stage of a TRAYCOL block (SPHYDR) or of a REFINECOL
// block's main column or side stripper (SPHYDRP), rated by the host's tray rating
// routine with the tray data the companion simulator keeps for the block.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::hydraulics {

// Stage numbers (and the stages of a block) the procedures keep tables for.  A
// larger stage number is refused with a message.
inline constexpr std::int64_t kMaxStages = 10000;

XV55_RECORD(TrayColumnArguments,
            (Text, blockId, ""),                        // block identifier
            (const double&, stage, ""),                 // stage number (a whole number)
            (const double&, stageDatum, ""),            // stage count or datum for the rating
            (const double&, option, ""),                // hydraulics option (a whole number)
            (const double&, length, "m"),
            (const double&, pressure, "bar"),           // stage pressure
            (const double&, liquidFlow, "kmol/h"),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquidMolarDensity, "kmol/m3"),
            (const double&, vapourMolarDensity, "kmol/m3"),
            (const double&, liquidMw, "kg/kmol"),
            (const double&, vapourMw, "kg/kmol"),
            (const double&, liquidProperty1, "1/1000"),  // surface tension, dyn/cm
            (const double&, liquidProperty2, "1/1000"),  // liquid viscosity, cP
            (const double&, stageDatum2, ""),           // passed through
            (double&, ratedPressure, "bar"),
            (double&, holdup, "m3"),                    // written when option > 4
            (double&, result1, ""),                     // the rating routine's results
            (double&, result2, ""),
            (double&, result3, ""),
            (double&, result4, ""),
            (double&, result5, ""),
            (double&, result6, ""),
            (double&, result7, ""),
            (double&, result8, ""));

XV55_RECORD(RefineryColumnArguments,
            (Text, blockId, ""),
            (const double&, section, ""),               // 1 main column, k > 1 stripper k - 1
            (const double&, stage, ""),                 // stage number within the section
            (const double&, stageDatum, ""),
            (const double&, option, ""),
            (const double&, length, "m"),
            (const double&, pressure, "bar"),
            (const double&, liquidFlow, "kmol/h"),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquidMolarDensity, "kmol/m3"),
            (const double&, vapourMolarDensity, "kmol/m3"),
            (const double&, liquidMw, "kg/kmol"),
            (const double&, vapourMw, "kg/kmol"),
            (const double&, liquidProperty1, "1/1000"),
            (const double&, liquidProperty2, "1/1000"),
            (const double&, stageDatum2, ""),
            (double&, ratedPressure, "bar"),
            (double&, holdup, "m3"),
            (double&, result1, ""),
            (double&, result2, ""),
            (double&, result3, ""),
            (double&, result4, ""),
            (double&, result5, ""),
            (double&, result6, ""),
            (double&, result7, ""),
            (double&, result8, ""));

void SPHYDR(const TrayColumnArguments& args, Status status, Workspace work);
void SPHYDRP(const RefineryColumnArguments& args, Status status, Workspace work);

}  // namespace xv55::hydraulics
