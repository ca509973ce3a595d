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

// Units: "1" for a dimensionless value (fractions, compositions, stoichiometric
// coefficients, counts given as reals); "user" for a value handed to the user routine
// as it stands, in whatever units that routine expects.

// ---- the groups the records share ----

// The reactor block and the reaction paragraph whose routine is called.
XV55_GROUP(ReactorCall,  //
           (Text, blockId, ""), (Text, reactionId, ""));

// The reactor's state, in the model's units (unit set 2: degF, psia).
XV55_GROUP(ReactorState,  //
           (const double&, temperature, "degC"), (const double&, pressure, "bar"));

// The model's phase split: vapour fraction and the share of the liquid that is liquid 1.
XV55_GROUP(PhaseSplit,  //
           (const double&, vapourFraction, "1"), (const double&, liquidSplit, "1"));

// The flow (lbmol/h in unit set 2), the reactions and the user routine's parameter
// sets, counts and work sizes.
XV55_GROUP(ReactionData, (const double&, flow, "kmol/h"),
           (Matrix<const double>, stoichiometry, "1"),      // component x reaction
           (Vector<const double>, integerParameters, "1"),  // truncated to integers
           (Vector<const double>, realParameters, "user"),
           (const std::int64_t&, integerWorkCount, ""), (const std::int64_t&, realWorkCount, ""),
           (const std::int64_t&, userValueCount, ""),
           (Vector<const double>, reactionIntegerParameters, "1"),
           (Vector<const double>, reactionRealParameters, "user"),
           (const std::int64_t&, integerWorkspaceCount, ""),
           (const std::int64_t&, realWorkspaceCount, ""));

// The reactor properties the routine reads in the reaction-property area (RXN_RPROPS):
// property 3 goes to word 3, 4 to word 4, 5 to word 5, 6 to words 6 and 7.  Properties
// 3 and phaseTest choose the flash's sub-code.
XV55_GROUP(ReactorProperties, (const double&, reactorProperty4, "user"),
           (const double&, reactorProperty3, "user"), (const double&, phaseTest, "1"),
           (const double&, reactorProperty5, "user"), (const double&, reactorProperty6, "user"));

// The stirred tank's reactor area (RXN_MIXRXR): volume (ft3 in unit set 2), word 2.
XV55_GROUP(TankData,  //
           (const double&, volume, "m3"), (const double&, tankWord2, "user"));

// The tube's reactor areas (TBRX_TUBRXI, TBRX_TUBRXR).  The reaction volume is
// tubeCount x pi/4 x tubeLength x tubeDiameter^2 x volumeFactor x (1 - excludedFraction);
// propertyDivisor divides reactor properties 5 and 6.  Lengths in ft in unit set 2.
XV55_GROUP(TubeData, (const std::int64_t&, reactorInteger, ""),  // TBRX_TUBRXI word 1
           (const double&, tubeCount, "1"),                      // truncated
           (const double&, tubeLength, "m"), (const double&, propertyDivisor, "1"),
           (const double&, position, "user"),  // TBRX_TUBRXR word 3
           (const double&, tubeDiameter, "m"), (const double&, excludedFraction, "1"),
           (const double&, volumeFactor, "1"), (const double&, referenceTemperature, "degC"));

// The tray column's reaction areas: RXN_DISTI words 1, 2 and RXN_DISTR words 1 to 4.
XV55_GROUP(ColumnIntegers,  //
           (const std::int64_t&, columnInteger1, ""), (const std::int64_t&, columnInteger2, ""));
XV55_GROUP(ColumnProperties, (const double&, columnProperty1, "user"),
           (const double&, columnProperty2, "user"), (const double&, columnProperty3, "user"),
           (const double&, columnProperty4, "user"));

// ---- stirred-tank reactor (MIXRX) ----

// The flash member: the phase split comes from a flash at the given temperature and
// pressure.
XV55_RECORD(StirredTankArguments,
            (ReactorCall, call),
            (TankData, tank),
            (ReactorState, state),
            (Vector<const double>, composition, "1"),  // mole fractions
            (ReactionData, reaction),
            (const std::int64_t&, phaseOption, ""),    // 1, 2 or other
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),        // 2: English units
            (Vector<double>, rates, "kmol/h"));

// One composition from the model, with its vapour fraction and the share of the liquid
// that is liquid 1.
XV55_RECORD(StirredTankOnePhaseArguments,
            (ReactorCall, call),
            (TankData, tank),
            (ReactorState, state),
            (PhaseSplit, split),
            (Vector<const double>, composition, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseOption, ""),
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// Overall, vapour and liquid compositions from the model.
XV55_RECORD(StirredTankTwoPhaseArguments,
            (ReactorCall, call),
            (TankData, tank),
            (ReactorState, state),
            (PhaseSplit, split),
            (Vector<const double>, composition, "1"),
            (Vector<const double>, vapour, "1"),
            (Vector<const double>, liquid, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseOption, ""),
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// Overall, vapour, liquid 1 and liquid 2 compositions from the model.
XV55_RECORD(StirredTankThreePhaseArguments,
            (ReactorCall, call),
            (TankData, tank),
            (ReactorState, state),
            (PhaseSplit, split),
            (Vector<const double>, composition, "1"),
            (Vector<const double>, vapour, "1"),
            (Vector<const double>, liquid1, "1"),
            (Vector<const double>, liquid2, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseOption, ""),
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- plug-flow reactor (TUBRX), at one point along the tube ----

XV55_RECORD(PlugFlowArguments,
            (ReactorCall, call),
            (TubeData, tube),
            (ReactorState, state),
            (Vector<const double>, composition, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseCode, ""),  // the flash's phase code
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(PlugFlowOnePhaseArguments,
            (ReactorCall, call),
            (TubeData, tube),
            (ReactorState, state),
            (PhaseSplit, split),
            (Vector<const double>, composition, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseCode, ""),
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(PlugFlowTwoPhaseArguments,
            (ReactorCall, call),
            (TubeData, tube),
            (ReactorState, state),
            (PhaseSplit, split),
            (Vector<const double>, composition, "1"),
            (Vector<const double>, vapour, "1"),
            (Vector<const double>, liquid, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseCode, ""),
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(PlugFlowThreePhaseArguments,
            (ReactorCall, call),
            (TubeData, tube),
            (ReactorState, state),
            (PhaseSplit, split),
            (Vector<const double>, composition, "1"),
            (Vector<const double>, vapour, "1"),
            (Vector<const double>, liquid1, "1"),
            (Vector<const double>, liquid2, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseCode, ""),
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- batch reactor (CHARGEX) ----

XV55_RECORD(BatchArguments,
            (ReactorCall, call),
            (ReactorState, state),
            (Vector<const double>, composition, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseCode, ""),
            (ReactorProperties, properties),
            (const std::int64_t&, unitSet, ""),
            (Vector<double>, rates, "kmol/h"));

// ---- tray column (TRAYCOL) through its reaction paragraph ----

XV55_RECORD(TrayColumnArguments,
            (ReactorCall, call),
            (ColumnIntegers, columnIntegers),
            (ReactorState, state),
            (Vector<const double>, composition, "1"),
            (ReactionData, reaction),
            (const std::int64_t&, phaseOption, ""),
            (ReactorProperties, properties),
            (ColumnProperties, columnProperties),
            (Vector<double>, rates, "kmol/h"));

// ---- column stages through a reaction paragraph alone ----

// The stage's state and total flow.
XV55_GROUP(StageHead, (Text, reactionId, ""), (const std::int64_t&, componentCount, ""),  // NC
           (const std::int64_t&, reactionCount, ""),                                      // NR
           (const double&, temperature, "degC"), (const double&, pressure, "bar"),
           (const double&, flow, "kmol/h"));

// The stage number, the reacting phase and the routine's parameter sets and block
// work sizes.
XV55_GROUP(StageData, (const std::int64_t&, stage, ""), (const std::int64_t&, reactionPhase, ""),
           (Vector<const double>, integerParameters, "1"),
           (Vector<const double>, realParameters, "user"),
           (Vector<const double>, reactionIntegerParameters, "1"),
           (Vector<const double>, reactionRealParameters, "user"),
           (const std::int64_t&, integerBlockWorkspaceCount, ""),
           (const std::int64_t&, realBlockWorkspaceCount, ""));

// Component amounts are flows (kmol/h) or holdups (kmol); the routine receives their
// mole fractions.
XV55_RECORD(ColumnStageArguments,
            (StageHead, head),
            (Vector<const double>, liquidAmounts, "kmol/h or kmol"),
            (Vector<const double>, vapourAmounts, "kmol/h or kmol"),
            (Matrix<const double>, stoichiometry, "1"),
            (const double&, liquidFlow, "kmol/h"),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquidHoldup, "kmol"),
            (const double&, vapourHoldup, "kmol"),
            (StageData, data),
            (Vector<double>, rates, "kmol/h"));

XV55_RECORD(ColumnStageTwoLiquidArguments,
            (StageHead, head),
            (const double&, liquid1Flow, "kmol/h"),
            (const double&, liquid2Flow, "kmol/h"),
            (Vector<const double>, liquid1Amounts, "kmol/h or kmol"),
            (Vector<const double>, liquid2Amounts, "kmol/h or kmol"),
            (Vector<const double>, vapourAmounts, "kmol/h or kmol"),
            (Matrix<const double>, stoichiometry, "1"),
            (const double&, vapourFlow, "kmol/h"),
            (const double&, liquid1Holdup, "kmol"),
            (const double&, liquid2Holdup, "kmol"),
            (const double&, vapourHoldup, "kmol"),
            (StageData, data),
            (Vector<double>, rates, "kmol/h"));

// ---- user pressure-drop, heat-flux and holdup routines ----

// A stream: flow, temperature, pressure, molar enthalpy, vapour fraction, mass density,
// molecular weight, mole fractions.  A record holds up to three (process, feed and
// thermal fluid), each listed under its own prefix ("feedFlow").
XV55_GROUP(FluxStream, (const double&, flow, "kmol/h"), (const double&, temperature, "degC"),
           (const double&, pressure, "bar"), (const double&, enthalpy, "MJ/kmol"),
           (const double&, vapourFraction, "1"), (const double&, density, "kg/m3"),
           (const double&, molecularWeight, "kg/kmol"), (Vector<const double>, composition, "1"));
using PrefixedStream = entry::Prefixed<FluxStream>;

// The tube and the point along it.
XV55_GROUP(TubePoint, (const double&, tubeCount, "1"), (const double&, tubeLength, "m"),
           (const double&, tubeDiameter, "m"), (const double&, position, "m"));

// The tube's catalyst bed.
XV55_GROUP(TubeBed,  //
           (const double&, voidFraction, "1"), (const double&, particleDiameter, "m"));

// The two-phase flow properties of the holdup and pressure-drop routines.
XV55_GROUP(FlowProperties, (const double&, liquidViscosity, "cP"),
           (const double&, vapourViscosity, "cP"), (const double&, surfaceTension, "N/m"),
           (const double&, liquidDensity, "kg/m3"), (const double&, vapourDensity, "kg/m3"));

// The routine's option, parameter sets and work sizes.
XV55_GROUP(RoutineParameters, (Vector<const double>, integerParameters, "1"),
           (Vector<const double>, realParameters, "user"),
           (const std::int64_t&, integerWorkspaceCount, ""),
           (const std::int64_t&, realWorkspaceCount, ""));

XV55_RECORD(PressureDropArguments,
            (Text, blockId, ""),
            (const std::int64_t&, reactorMode, ""),  // 3, 4: with a thermal fluid
            (TubePoint, tube),
            (TubeBed, bed),
            (PrefixedStream, process),
            (PrefixedStream, feed),
            (PrefixedStream, fluid),
            (FlowProperties, properties),
            (const double&, roughness, "m"),
            (const double&, inclination, "deg"),
            (const double&, fluidViscosity, "cP"),
            (const double&, fluidChannelDiameter, "m"),
            (const std::int64_t&, userValueCount, ""),
            (const std::int64_t&, option, ""),
            (RoutineParameters, parameters),
            (double&, pressureGradient, "bar/m"),
            (double&, holdup, "1"),
            (Vector<double>, userValues, "user"));

XV55_RECORD(TubeHeatFluxArguments,
            (Text, blockId, ""),
            (const std::int64_t&, reactorMode, ""),
            (TubePoint, tube),
            (TubeBed, bed),
            (PrefixedStream, process),
            (PrefixedStream, feed),
            (PrefixedStream, fluid),
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
            (RoutineParameters, parameters),
            (double&, heatFlux, "GJ/(h m)"),
            (Vector<double>, userValues, "user"));

XV55_RECORD(HoldupArguments,
            (Text, blockId, ""),
            (PrefixedStream, process),
            (const std::int64_t&, option, ""),
            (TubePoint, tube),
            (FlowProperties, properties),
            (const double&, inclination, "deg"),
            (const std::int64_t&, userValueCount, ""),
            (RoutineParameters, parameters),
            (double&, holdup, "1"));

XV55_RECORD(BatchHeatFluxArguments,
            (Text, blockId, ""),
            (const double&, time, "h"),
            (const double&, processFlow, "kmol/h"),
            (Vector<const double>, processComposition, "1"),
            (const double&, processTemperature, "degC"),
            (const double&, processPressure, "bar"),
            (const double&, processEnthalpy, "MJ/kmol"),
            (const double&, processVapourFraction, "1"),
            (const double&, processDensity, "kg/m3"),
            (const double&, processMolecularWeight, "kg/kmol"),
            (const double&, contents, "kmol"),
            (const double&, reactorVolume, "m3"),
            (const std::int64_t&, option, ""),
            (const std::int64_t&, userValueCount, ""),
            (RoutineParameters, parameters),
            (double&, heatFlux, "GJ/h"),
            (Vector<double>, userValues, "user"));

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
