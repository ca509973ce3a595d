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
            (const double&, stage, "1"),                 // stage number (a whole number)
            (const double&, stageDatum, "1"),            // stage count or datum for the rating
            (const double&, option, "1"),                // hydraulics option (a whole number)
            (const double&, length, "m"),
            (const double&, pressure, "bar"),           // stage pressure
            (const double&, liquidFlow, "kmol/h"),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquidMolarDensity, "kmol/m3"),
            (const double&, vapourMolarDensity, "kmol/m3"),
            (const double&, liquidMw, "kg/kmol"),
            (const double&, vapourMw, "kg/kmol"),
            (const double&, liquidSurfaceTension, "dyn/cm"),  // divided by 1000: N/m
            (const double&, liquidViscosity, "cP"),  // divided by 1000: Pa s
            (const double&, stageDatum2, "1"),           // passed through
            (double&, ratedPressure, "bar"),
            (double&, holdup, "m3"),                    // written when option > 4
            (double&, trayPressureDrop, "Pa"),         // the rating routine's results
            (double&, dryTrayPressureDrop, "Pa"),
            (double&, clearLiquidHeight, "m"),
            (double&, weirCrest, "m"),
            (double&, floodFraction, "1"),
            (double&, floodingCapacityFactor, "m/s"),
            (double&, downcomerBackup, "m"),
            (double&, downcomerResidenceTime, "s"));

XV55_RECORD(RefineryColumnArguments,
            (Text, blockId, ""),
            (const double&, section, "1"),               // 1 main column, k > 1 stripper k - 1
            (const double&, stage, "1"),                 // stage number within the section
            (const double&, stageDatum, "1"),
            (const double&, option, "1"),
            (const double&, length, "m"),
            (const double&, pressure, "bar"),
            (const double&, liquidFlow, "kmol/h"),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquidMolarDensity, "kmol/m3"),
            (const double&, vapourMolarDensity, "kmol/m3"),
            (const double&, liquidMw, "kg/kmol"),
            (const double&, vapourMw, "kg/kmol"),
            (const double&, liquidSurfaceTension, "dyn/cm"),
            (const double&, liquidViscosity, "cP"),
            (const double&, stageDatum2, "1"),
            (double&, ratedPressure, "bar"),
            (double&, holdup, "m3"),
            (double&, trayPressureDrop, "Pa"),
            (double&, dryTrayPressureDrop, "Pa"),
            (double&, clearLiquidHeight, "m"),
            (double&, weirCrest, "m"),
            (double&, floodFraction, "1"),
            (double&, floodingCapacityFactor, "m/s"),
            (double&, downcomerBackup, "m"),
            (double&, downcomerResidenceTime, "s"));

void SPHYDR(const TrayColumnArguments& args, Status status, Workspace work);
void SPHYDRP(const RefineryColumnArguments& args, Status status, Workspace work);

}  // namespace xv55::hydraulics
