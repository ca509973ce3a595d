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

// ---- field groups both procedures share, in argument order ----

XV55_GROUP(StageSelection, (const double&, stage, "1"),  // stage number (a whole number)
           (const double&, stageDatum, "1"),             // stage count or datum for the rating
           (const double&, option, "1"));                // hydraulics option (a whole number)

// The stage's flows and properties.
XV55_GROUP(StageConditions, (const double&, length, "m"),
           (const double&, pressure, "bar"),  // stage pressure
           (const double&, liquidFlow, "kmol/h"), (const double&, vapourFlow, "kmol/h"),
           (const double&, liquidMolarDensity, "kmol/m3"),
           (const double&, vapourMolarDensity, "kmol/m3"), (const double&, liquidMw, "kg/kmol"),
           (const double&, vapourMw, "kg/kmol"),
           (const double&, liquidSurfaceTension, "dyn/cm"),  // divided by 1000: N/m
           (const double&, liquidViscosity, "cP"),           // divided by 1000: Pa s
           (const double&, stageDatum2, "1"));               // passed through

// The rated pressure, the holdup (written when the option is above 4) and the rating
// routine's results in the order the host's rating interface declares them.
XV55_GROUP(RatingOutputs, (double&, ratedPressure, "bar"), (double&, holdup, "m3"),
           (double&, trayPressureDrop, "Pa"), (double&, dryTrayPressureDrop, "Pa"),
           (double&, clearLiquidHeight, "m"), (double&, weirCrest, "m"),
           (double&, floodFraction, "1"), (double&, floodingCapacityFactor, "m/s"),
           (double&, downcomerBackup, "m"), (double&, downcomerResidenceTime, "s"));

// ---- the procedures' records ----

XV55_RECORD(TrayColumnArguments,
            (Text, blockId, ""),  // block identifier
            (StageSelection, selection),
            (StageConditions, conditions),
            (RatingOutputs, out));

XV55_RECORD(RefineryColumnArguments,
            (Text, blockId, ""),
            (const double&, section, "1"),  // 1 main column, k > 1 stripper k - 1
            (StageSelection, selection),    // the stage number within the section
            (StageConditions, conditions),
            (RatingOutputs, out));

void SPHYDR(const TrayColumnArguments& args, Status status, Workspace work);
void SPHYDRP(const RefineryColumnArguments& args, Status status, Workspace work);

}  // namespace xv55::hydraulics
