// Procedures that call the user routines of the companion simulator's blocks: reaction
// rates of stirred-tank, plug-flow and batch reactors and of reactive columns, and the
// pressure-drop, heat-flux and holdup routines of tubular and batch reactors.
//
// Every body follows the same road: clean-up call, limits, invalid numbers, the model's
// component set (SAISST), the companion simulator's stream vector and common areas,
// the user routine through the host's dispatcher, the results back in model order and
// units.  The members of a family differ only in data (which inputs, which phase
// compositions, which reactor areas): see reactor_kinetics.cpp, column_kinetics.cpp and
// user_flux.cpp.  docs/kinetics.md gives the argument lists the user routines receive.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/unpack.hpp"
#include "entry/views.hpp"

namespace xv55::kinetics {

using entry::HostCallType;

// ---- stirred-tank reactor (MIXRX) ----

// The flash member: the phase split comes from a flash at the given temperature and
// pressure.
XV55_RECORD(StirredTankArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const double&, volume, "m3"),                   // ft3 in unit set 2
            (const double&, reactorValue, ""),               // RXN_MIXRXR word 2
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (Vector<const double>, composition, ""),         // mole fractions
            (const double&, flow, "kmol/h"),                 // lbmol/h in unit set 2
            (Matrix<const double>, stoichiometry, ""),       // component x reaction
            (Vector<const double>, integerParameters, ""),   // truncated to integers
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseOption, ""),          // 1, 2 or other
            (const double&, propertyWord4, ""),              // RXN_RPROPS word 4
            (const double&, propertyWord3, ""),              // word 3; flash sub-code
            (const double&, phaseTest, ""),                  // flash sub-code
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),              // words 6 and 7
            (const std::int64_t&, unitSet, ""),              // 2: ft3 and lbmol
            (Vector<double>, rates, "kmol/h"));

// One composition from the model, with its vapour fraction and the share of the liquid
// that is liquid 1.
XV55_RECORD(StirredTankOnePhaseArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const double&, volume, "m3"),
            (const double&, reactorValue, ""),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, vapourFraction, ""),
            (const double&, liquidSplit, ""),
            (Vector<const double>, composition, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseOption, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// Overall, vapour and liquid compositions from the model.
XV55_RECORD(StirredTankTwoPhaseArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const double&, volume, "m3"),
            (const double&, reactorValue, ""),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, vapourFraction, ""),
            (const double&, liquidSplit, ""),
            (Vector<const double>, composition, ""),
            (Vector<const double>, vapour, ""),
            (Vector<const double>, liquid, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseOption, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// Overall, vapour, liquid 1 and liquid 2 compositions from the model.
XV55_RECORD(StirredTankThreePhaseArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const double&, volume, "m3"),
            (const double&, reactorValue, ""),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, vapourFraction, ""),
            (const double&, liquidSplit, ""),
            (Vector<const double>, composition, ""),
            (Vector<const double>, vapour, ""),
            (Vector<const double>, liquid1, ""),
            (Vector<const double>, liquid2, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseOption, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- plug-flow reactor (TUBRX), at one point along the tube ----

XV55_RECORD(PlugFlowArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const std::int64_t&, reactorInteger, ""),       // TBRX_TUBRXI word 1
            (const double&, tubeCount, ""),                  // truncated: TUBRXI word 2
            (const double&, tubeLength, "m"),                // ft in unit set 2
            (const double&, divisor, ""),                    // of the last two properties
            (const double&, position, ""),                   // TBRX_TUBRXR word 3
            (const double&, tubeDiameter, "m"),              // ft in unit set 2
            (const double&, fraction, ""),                   // TUBRXR word 7
            (const double&, factor, ""),                     // TUBRXR word 6
            (const double&, referenceTemperature, "degC"),   // TUBRXR word 4, in K
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (Vector<const double>, composition, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseCode, ""),            // the flash's phase code
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),              // divided by the divisor
            (const double&, propertyWord6, ""),              // divided by the divisor
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(PlugFlowOnePhaseArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const std::int64_t&, reactorInteger, ""),
            (const double&, tubeCount, ""),
            (const double&, tubeLength, "m"),
            (const double&, divisor, ""),
            (const double&, position, ""),
            (const double&, tubeDiameter, "m"),
            (const double&, fraction, ""),
            (const double&, factor, ""),
            (const double&, referenceTemperature, "degC"),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, vapourFraction, ""),
            (const double&, liquidSplit, ""),
            (Vector<const double>, composition, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseCode, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(PlugFlowTwoPhaseArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const std::int64_t&, reactorInteger, ""),
            (const double&, tubeCount, ""),
            (const double&, tubeLength, "m"),
            (const double&, divisor, ""),
            (const double&, position, ""),
            (const double&, tubeDiameter, "m"),
            (const double&, fraction, ""),
            (const double&, factor, ""),
            (const double&, referenceTemperature, "degC"),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, vapourFraction, ""),
            (const double&, liquidSplit, ""),
            (Vector<const double>, composition, ""),
            (Vector<const double>, vapour, ""),
            (Vector<const double>, liquid, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseCode, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(PlugFlowThreePhaseArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const std::int64_t&, reactorInteger, ""),
            (const double&, tubeCount, ""),
            (const double&, tubeLength, "m"),
            (const double&, divisor, ""),
            (const double&, position, ""),
            (const double&, tubeDiameter, "m"),
            (const double&, fraction, ""),
            (const double&, factor, ""),
            (const double&, referenceTemperature, "degC"),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, vapourFraction, ""),
            (const double&, liquidSplit, ""),
            (Vector<const double>, composition, ""),
            (Vector<const double>, vapour, ""),
            (Vector<const double>, liquid1, ""),
            (Vector<const double>, liquid2, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseCode, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- batch reactor (CHARGEX) ----

XV55_RECORD(BatchArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (Vector<const double>, composition, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseCode, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- tray column (TRAYCOL) through its reaction paragraph ----

XV55_RECORD(TrayColumnArguments,
            (Text, blockId, ""),
            (Text, reactionId, ""),
            (const std::int64_t&, columnInteger1, ""),       // RXN_DISTI word 1
            (const std::int64_t&, columnInteger2, ""),       // RXN_DISTI word 2
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (Vector<const double>, composition, ""),
            (const double&, flow, "kmol/h"),
            (Matrix<const double>, stoichiometry, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkCount, ""),
            (const std::int64_t&, realWorkCount, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (const std::int64_t&, phaseOption, ""),
            (const double&, propertyWord4, ""),
            (const double&, propertyWord3, ""),
            (const double&, phaseTest, ""),
            (const double&, propertyWord5, ""),
            (const double&, propertyWord6, ""),
            (const double&, columnReal1, ""),                // RXN_DISTR words 1 to 4
            (const double&, columnReal2, ""),
            (const double&, columnReal3, ""),
            (const double&, columnReal4, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- column stages through a reaction paragraph alone ----

XV55_RECORD(ColumnStageArguments,
            (Text, reactionId, ""),
            (const std::int64_t&, componentCount, ""),       // NC
            (const std::int64_t&, reactionCount, ""),        // NR
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, flow, "kmol/h"),
            (Vector<const double>, liquidAmounts, ""),       // component flows or holdups
            (Vector<const double>, vapourAmounts, ""),
            (Matrix<const double>, stoichiometry, ""),
            (const double&, liquidFlow, "kmol/h"),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquidHoldup, "kmol"),
            (const double&, vapourHoldup, "kmol"),
            (const std::int64_t&, stage, ""),
            (const std::int64_t&, reactionPhase, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerBlockWorkspaceCount, ""),
            (const std::int64_t&, realBlockWorkspaceCount, ""),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(ColumnStageTwoLiquidArguments,
            (Text, reactionId, ""),
            (const std::int64_t&, componentCount, ""),
            (const std::int64_t&, reactionCount, ""),
            (const double&, temperature, "degC"),
            (const double&, pressure, "bar"),
            (const double&, flow, "kmol/h"),
            (const double&, liquid1Flow, "kmol/h"),
            (const double&, liquid2Flow, "kmol/h"),
            (Vector<const double>, liquid1Amounts, ""),
            (Vector<const double>, liquid2Amounts, ""),
            (Vector<const double>, vapourAmounts, ""),
            (Matrix<const double>, stoichiometry, ""),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquid1Holdup, "kmol"),
            (const double&, liquid2Holdup, "kmol"),
            (const double&, vapourHoldup, "kmol"),
            (const std::int64_t&, stage, ""),
            (const std::int64_t&, reactionPhase, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (Vector<const double>, reactionIntegerParameters, ""),
            (Vector<const double>, reactionRealParameters, ""),
            (const std::int64_t&, integerBlockWorkspaceCount, ""),
            (const std::int64_t&, realBlockWorkspaceCount, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- user pressure-drop, heat-flux and holdup routines ----
//
// A stream is seven values and a composition: flow, temperature, pressure, molar
// enthalpy, vapour fraction, mass density, molecular weight, mole fractions.

XV55_RECORD(PressureDropArguments,
            (Text, blockId, ""),
            (const std::int64_t&, reactorMode, ""),          // 3, 4: with a thermal fluid
            (const double&, tubeCount, ""),
            (const double&, tubeLength, "m"),
            (const double&, tubeDiameter, "m"),
            (const double&, position, "m"),
            (const double&, voidFraction, ""),
            (const double&, particleDiameter, "m"),
            (const double&, processFlow, "kmol/h"),
            (const double&, processTemperature, "degC"),
            (const double&, processPressure, "bar"),
            (const double&, processEnthalpy, "MJ/kmol"),
            (const double&, processVapourFraction, ""),
            (const double&, processDensity, "kg/m3"),
            (const double&, processMolecularWeight, "kg/kmol"),
            (Vector<const double>, processComposition, ""),
            (const double&, feedFlow, "kmol/h"),
            (const double&, feedTemperature, "degC"),
            (const double&, feedPressure, "bar"),
            (const double&, feedEnthalpy, "MJ/kmol"),
            (const double&, feedVapourFraction, ""),
            (const double&, feedDensity, "kg/m3"),
            (const double&, feedMolecularWeight, "kg/kmol"),
            (Vector<const double>, feedComposition, ""),
            (const double&, fluidFlow, "kmol/h"),
            (const double&, fluidTemperature, "degC"),
            (const double&, fluidPressure, "bar"),
            (const double&, fluidEnthalpy, "MJ/kmol"),
            (const double&, fluidVapourFraction, ""),
            (const double&, fluidDensity, "kg/m3"),
            (const double&, fluidMolecularWeight, "kg/kmol"),
            (Vector<const double>, fluidComposition, ""),
            (const double&, liquidViscosity, "cP"),
            (const double&, vapourViscosity, "cP"),
            (const double&, surfaceTension, "N/m"),
            (const double&, liquidDensity, "kg/m3"),
            (const double&, vapourDensity, "kg/m3"),
            (const double&, roughness, "m"),
            (const double&, inclination, "deg"),
            (const double&, fluidViscosity, "cP"),
            (const double&, fluidChannelDiameter, "m"),
            (const std::int64_t&, userValueCount, ""),
            (const std::int64_t&, option, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (double&, pressureGradient, "bar/m"),
            (double&, holdup, ""),
            (Vector<double>, userValues, ""));

XV55_RECORD(TubeHeatFluxArguments,
            (Text, blockId, ""),
            (const std::int64_t&, reactorMode, ""),
            (const double&, tubeCount, ""),
            (const double&, tubeLength, "m"),
            (const double&, tubeDiameter, "m"),
            (const double&, position, "m"),
            (const double&, voidFraction, ""),
            (const double&, particleDiameter, "m"),
            (const double&, processFlow, "kmol/h"),
            (const double&, processTemperature, "degC"),
            (const double&, processPressure, "bar"),
            (const double&, processEnthalpy, "MJ/kmol"),
            (const double&, processVapourFraction, ""),
            (const double&, processDensity, "kg/m3"),
            (const double&, processMolecularWeight, "kg/kmol"),
            (Vector<const double>, processComposition, ""),
            (const double&, feedFlow, "kmol/h"),
            (const double&, feedTemperature, "degC"),
            (const double&, feedPressure, "bar"),
            (const double&, feedEnthalpy, "MJ/kmol"),
            (const double&, feedVapourFraction, ""),
            (const double&, feedDensity, "kg/m3"),
            (const double&, feedMolecularWeight, "kg/kmol"),
            (Vector<const double>, feedComposition, ""),
            (const double&, fluidFlow, "kmol/h"),
            (const double&, fluidTemperature, "degC"),
            (const double&, fluidPressure, "bar"),
            (const double&, fluidEnthalpy, "MJ/kmol"),
            (const double&, fluidVapourFraction, ""),
            (const double&, fluidDensity, "kg/m3"),
            (const double&, fluidMolecularWeight, "kg/kmol"),
            (Vector<const double>, fluidComposition, ""),
            (const double&, liquidViscosity, "cP"),
            (const double&, vapourViscosity, "cP"),
            (const double&, liquidConductivity, "W/(m K)"),
            (const double&, vapourConductivity, "W/(m K)"),
            (const double&, fluidViscosity, "cP"),
            (const double&, fluidConductivity, "W/(m K)"),
            (const double&, heatTransferCoefficient, "W/(m2 K)"),
            (const double&, fluidChannelDiameter, "m"),
            (const std::int64_t&, userValueCount, ""),
            (const std::int64_t&, option, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (double&, heatFlux, "GJ/(h m)"),
            (Vector<double>, userValues, ""));

XV55_RECORD(HoldupArguments,
            (Text, blockId, ""),
            (const double&, processFlow, "kmol/h"),
            (const double&, processTemperature, "degC"),
            (const double&, processPressure, "bar"),
            (const double&, processEnthalpy, "MJ/kmol"),
            (const double&, processVapourFraction, ""),
            (const double&, processDensity, "kg/m3"),
            (const double&, processMolecularWeight, "kg/kmol"),
            (Vector<const double>, processComposition, ""),
            (const std::int64_t&, option, ""),
            (const double&, tubeCount, ""),
            (const double&, tubeLength, "m"),
            (const double&, tubeDiameter, "m"),
            (const double&, position, "m"),
            (const double&, liquidViscosity, "cP"),
            (const double&, vapourViscosity, "cP"),
            (const double&, surfaceTension, "N/m"),
            (const double&, liquidDensity, "kg/m3"),
            (const double&, vapourDensity, "kg/m3"),
            (const double&, inclination, "deg"),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (double&, holdup, ""));

XV55_RECORD(BatchHeatFluxArguments,
            (Text, blockId, ""),
            (const double&, time, "h"),
            (const double&, processFlow, "kmol/h"),
            (Vector<const double>, processComposition, ""),
            (const double&, processTemperature, "degC"),
            (const double&, processPressure, "bar"),
            (const double&, processEnthalpy, "MJ/kmol"),
            (const double&, processVapourFraction, ""),
            (const double&, processDensity, "kg/m3"),
            (const double&, processMolecularWeight, "kg/kmol"),
            (const double&, contents, "kmol"),
            (const double&, reactorVolume, "m3"),
            (const std::int64_t&, option, ""),
            (const std::int64_t&, userValueCount, ""),
            (Vector<const double>, integerParameters, ""),
            (Vector<const double>, realParameters, ""),
            (const std::int64_t&, integerWorkspaceCount, ""),
            (const std::int64_t&, realWorkspaceCount, ""),
            (double&, heatFlux, "GJ/h"),
            (Vector<double>, userValues, ""));

// ---- the bodies ----

void SPRKUSR(const StirredTankArguments& args, HostCallType call, Status status,
             HostContext context, Workspace work);
void SPRKUSR1(const StirredTankOnePhaseArguments& args, HostCallType call, Status status,
              HostContext context, Workspace work);
void SPRKUSR2(const StirredTankTwoPhaseArguments& args, HostCallType call, Status status,
              HostContext context, Workspace work);
void SPRKUSR3(const StirredTankThreePhaseArguments& args, HostCallType call, Status status,
              HostContext context, Workspace work);
void SPRPUSR(const PlugFlowArguments& args, HostCallType call, Status status, HostContext context,
             Workspace work);
void SPRPUSR1(const PlugFlowOnePhaseArguments& args, HostCallType call, Status status,
              HostContext context, Workspace work);
void SPRPUSR2(const PlugFlowTwoPhaseArguments& args, HostCallType call, Status status,
              HostContext context, Workspace work);
void SPRPUSR3(const PlugFlowThreePhaseArguments& args, HostCallType call, Status status,
              HostContext context, Workspace work);
void SPBOUSR(const BatchArguments& args, HostCallType call, Status status, HostContext context,
             Workspace work);
// The tray-column member takes no call-type address from the host; it reads the call
// type (a copy) only to honour the clean-up call, which releases its stream area.
void SPRADKUSER(const TrayColumnArguments& args, Status status, HostContext context, Workspace work,
                CallMode mode);
void SPRDKUSR(const ColumnStageArguments& args, HostCallType call, Status status,
              HostContext context);
void SPRDKUS3(const ColumnStageTwoLiquidArguments& args, HostCallType call, Status status,
              HostContext context);
void SPRPDPDZ_USER(const PressureDropArguments& args, HostCallType call, Status status,
                   HostContext context);
void SPRPQFLUX_USER(const TubeHeatFluxArguments& args, HostCallType call, Status status,
                    HostContext context);
void SPRPHLD_USER(const HoldupArguments& args, HostCallType call, Status status,
                  HostContext context);
void SPBOQFLUX_USER(const BatchHeatFluxArguments& args, HostCallType call, Status status,
                    HostContext context);

}  // namespace xv55::kinetics
