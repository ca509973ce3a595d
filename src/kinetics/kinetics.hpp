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

// Where a member's phase information comes from: a flash of the composition (mole
// fractions), or the model's phase split with the overall composition alone, with the
// vapour and the liquid, or with the vapour, liquid 1 and liquid 2.
XV55_GROUP(FlashedPhases, (Vector<const double>, composition, "1"));
XV55_GROUP(OverallPhase, (PhaseSplit, split), (Vector<const double>, composition, "1"));
XV55_GROUP(VapourLiquidPhases, (PhaseSplit, split), (Vector<const double>, composition, "1"),
           (Vector<const double>, vapour, "1"), (Vector<const double>, liquid, "1"));
XV55_GROUP(VapourTwoLiquidPhases, (PhaseSplit, split), (Vector<const double>, composition, "1"),
           (Vector<const double>, vapour, "1"), (Vector<const double>, liquid1, "1"),
           (Vector<const double>, liquid2, "1"));

// The choice the flash's phase code comes from: a stirred tank's or tray column's option
// (1, 2 or other), or the plug-flow and batch reactors' phase code as it stands.
XV55_GROUP(PhaseOption, (const std::int64_t&, phaseOption, ""));
XV55_GROUP(PhaseCode, (const std::int64_t&, phaseCode, ""));

// The unit set of the state, flow and areas (2: English units).
XV55_GROUP(UnitSet, (const std::int64_t&, unitSet, ""));

// A batch reactor has no area of its own.
XV55_GROUP(NoReactorArea);

// The record of every reactor member: the reactor's own area (TankData, TubeData,
// ColumnIntegers or none), where its phase information comes from, its phase choice,
// and what follows the reactor properties (the unit set, or the rest of a tray column's
// area).
template <class Area, class Phases, class Choice, class Closing>
XV55_RECORD(ReactorArguments,
            (ReactorCall, call),
            (Area, area),
            (ReactorState, state),
            (Phases, phases),
            (ReactionData, reaction),
            (Choice, choice),
            (ReactorProperties, properties),
            (Closing, closing),
            (Vector<double>, rates, "kmol/h"));

// Stirred-tank reactor (MIXRX).
template <class Phases>
using StirredTankRecord = ReactorArguments<TankData, Phases, PhaseOption, UnitSet>;
using StirredTankArguments = StirredTankRecord<FlashedPhases>;
using StirredTankOnePhaseArguments = StirredTankRecord<OverallPhase>;
using StirredTankTwoPhaseArguments = StirredTankRecord<VapourLiquidPhases>;
using StirredTankThreePhaseArguments = StirredTankRecord<VapourTwoLiquidPhases>;

// Plug-flow reactor (TUBRX), at one point along the tube.
template <class Phases>
using PlugFlowRecord = ReactorArguments<TubeData, Phases, PhaseCode, UnitSet>;
using PlugFlowArguments = PlugFlowRecord<FlashedPhases>;
using PlugFlowOnePhaseArguments = PlugFlowRecord<OverallPhase>;
using PlugFlowTwoPhaseArguments = PlugFlowRecord<VapourLiquidPhases>;
using PlugFlowThreePhaseArguments = PlugFlowRecord<VapourTwoLiquidPhases>;

// Batch reactor (CHARGEX).
using BatchArguments = ReactorArguments<NoReactorArea, FlashedPhases, PhaseCode, UnitSet>;

// Tray column (TRAYCOL) through its reaction paragraph.
using TrayColumnArguments =
    ReactorArguments<ColumnIntegers, FlashedPhases, PhaseOption, ColumnProperties>;

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

// The head of the tubular members: the block, the reactor mode (3, 4: with a thermal
// fluid), the tube and its bed, and the process, feed and thermal-fluid streams.
XV55_GROUP(TubularHead, (Text, blockId, ""), (const std::int64_t&, reactorMode, ""),
           (TubePoint, tube), (TubeBed, bed), (PrefixedStream, process), (PrefixedStream, feed),
           (PrefixedStream, fluid));

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
            (TubularHead, head),
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
            (TubularHead, head),
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

// The reactor members share one signature, and the column-stage and flux members
// another.
template <class Arguments>
using ReactorBody = void(const Arguments& args, HostCallType call, Status status,
                         HostContext context, Workspace work);
template <class Arguments>
using RoutineBody = void(const Arguments& args, HostCallType call, Status status,
                         HostContext context);

ReactorBody<StirredTankArguments> SPRKUSR;
ReactorBody<StirredTankOnePhaseArguments> SPRKUSR1;
ReactorBody<StirredTankTwoPhaseArguments> SPRKUSR2;
ReactorBody<StirredTankThreePhaseArguments> SPRKUSR3;
ReactorBody<PlugFlowArguments> SPRPUSR;
ReactorBody<PlugFlowOnePhaseArguments> SPRPUSR1;
ReactorBody<PlugFlowTwoPhaseArguments> SPRPUSR2;
ReactorBody<PlugFlowThreePhaseArguments> SPRPUSR3;
ReactorBody<BatchArguments> SPBOUSR;
// The tray-column member takes no call-type address from the host; it reads the call
// type (a copy) only to honour the clean-up call, which releases its stream area.
void SPRADKUSER(const TrayColumnArguments& args, Status status, HostContext context, Workspace work,
                CallMode mode);
RoutineBody<ColumnStageArguments> SPRDKUSR;
RoutineBody<ColumnStageTwoLiquidArguments> SPRDKUS3;
RoutineBody<PressureDropArguments> SPRPDPDZ_USER;
RoutineBody<TubeHeatFluxArguments> SPRPQFLUX_USER;
RoutineBody<HoldupArguments> SPRPHLD_USER;
RoutineBody<BatchHeatFluxArguments> SPBOQFLUX_USER;

}  // namespace xv55::kinetics
