// Two-phase pipe flow procedures: liquid holdup and frictional and acceleration
// pressure drops of one pipe section by named correlations (dispatch.hpp), and the
// Colebrook friction factor.
//
// Model units in and out: m, bar, kg/m3, cP, N/m, kg/h, rad, m/s.  Only SPPINT has
// derivatives, and only in its "Darcy" branch (darcy_derivatives.hpp).
#pragma once

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::pipe {

// ---- field groups the procedures share, in argument order ----

// The two phases at the section: pressure and each phase's properties.
XV55_GROUP(PhaseProperties, (const double&, pressure, "bar"),
           (const double&, liquidFraction, "1"),  // no-slip liquid volume fraction
           (const double&, liquidDensity, "kg/m3"), (const double&, gasDensity, "kg/m3"),
           (const double&, surfaceTension, "N/m"), (const double&, liquidViscosity, "cP"),
           (const double&, gasViscosity, "cP"));

// The flow that "HTFS", "Rouhani" and "Friedel" read.
XV55_GROUP(MassFlowAndQuality, (const double&, massFlow, "kg/h"),
           (const double&, quality, "1"));  // vapour mass fraction

// The packed bed of "Ergun", passed unchanged to the host's packed-bed routine.
XV55_GROUP(PackedBedInputs, (const double&, bedVoidFraction, "1"),
           (const double&, particleSphericity, "1"), (const double&, particleDiameter, "m"));

XV55_GROUP(CorrelationNames, (Text, holdupCorrelation, ""), (Text, pressureDropCorrelation, ""));

// The outputs of a section: liquid holdup, frictional and acceleration loss.
XV55_GROUP(SectionOutputs, (double&, holdup, "1"), (double&, frictionLoss, "bar"),
           (double&, accelerationLoss, "bar"));

// ---- the procedures' records ----

// SPPINT: one section, friction output multiplied by the friction multiplier.
XV55_RECORD(SectionArguments,
            (const double&, diameter, "m"),
            (const double&, length, "m"),
            (const double&, frictionMultiplier, "1"),
            (const double&, angle, "rad"),  // sin > 0 for upward flow
            (const double&, roughness, "1"),  // relative roughness
            (const double&, velocity, "m/s"),  // mixture velocity
            (PhaseProperties, phases),
            (CorrelationNames, names),
            (SectionOutputs, out));

// SPPINT3: as SPPINT with the packed-bed inputs of "Ergun"; the friction output is
// divided by the friction divisor.
XV55_RECORD(PackedSectionArguments,
            (const double&, diameter, "m"),
            (const double&, length, "m"),
            (const double&, frictionDivisor, "1"),
            (const double&, angle, "rad"),
            (const double&, roughness, "1"),
            (PackedBedInputs, bed),
            (const double&, velocity, "m/s"),
            (PhaseProperties, phases),
            (CorrelationNames, names),
            (SectionOutputs, out));

// SPDPDZFR: frictional pressure gradient times minus the sign factor.
XV55_RECORD(GradientArguments,
            (const double&, diameter, "m"),
            (const double&, angle, "rad"),
            (const double&, roughness, "1"),
            (PackedBedInputs, bed),
            (const double&, sign, "1"),
            (const double&, velocity, "m/s"),
            (MassFlowAndQuality, flow),
            (PhaseProperties, phases),
            (CorrelationNames, names),
            (double&, gradient, "bar/m"));

// SPPMOM: frictional loss over a section divided by the velocity squared.
XV55_RECORD(MomentumArguments,
            (const double&, diameter, "m"),
            (const double&, length, "m"),
            (const double&, frictionMultiplier, "1"),
            (const double&, angle, "rad"),
            (const double&, roughness, "1"),
            (const double&, velocity, "m/s"),
            (MassFlowAndQuality, flow),
            (PhaseProperties, phases),
            (CorrelationNames, names),
            (double&, holdup, "1"),
            (double&, normalisedLoss, "bar s2/m2"));

// SPDPCONST: equivalent friction coefficient of a constant-coefficient law.
XV55_RECORD(CoefficientArguments,
            (const double&, diameter, "m"),
            (const double&, angle, "rad"),  // taken through asin(sin)
            (const double&, roughness, "1"),
            (PackedBedInputs, bed),
            (const double&, sign, "1"),
            (const double&, velocity, "m/s"),
            (MassFlowAndQuality, flow),
            (PhaseProperties, phases),
            (const double&, gradientDivisor, "1"),
            (CorrelationNames, names),
            (double&, coefficient, "1"));

// SPHLD: liquid holdup only.
XV55_RECORD(HoldupArguments,
            (const double&, diameter, "m"),
            (const double&, angle, "rad"),  // taken through asin(sin)
            (const double&, velocity, "m/s"),
            (MassFlowAndQuality, flow),
            (PhaseProperties, phases),
            (Text, holdupCorrelation, ""),
            (double&, holdup, "1"));

// SPPCBR: the Darcy friction factor of PIPCBR.
XV55_RECORD(ColebrookArguments,
            (const double&, reynolds, "1"),
            (const double&, roughness, "1"),            // relative roughness
            (double&, frictionFactor, "1"));

// A NaN or infinite input that a two-phase procedure reads makes every output NaN
// (SPPCBR: as PIPCBR below).  A zero divisor of SPPINT3 or SPDPCONST is reported
// (status 4); the outputs that depend on it keep their previous content.  A
// correlation name that selects nothing keeps the no-slip holdup (or no friction
// and acceleration loss) and is warned about once per call site and name (status
// 2; dispatch.hpp).  SPPINT writes its outputs on every call, whatever the call
// type, and derivatives for call types 3 and 4.
void SPPINT(const SectionArguments& args, Status status, Jacobian jac, CallMode mode);
void SPPINT3(const PackedSectionArguments& args, Status status);
void SPDPDZFR(const GradientArguments& args, Status status);
void SPPMOM(const MomentumArguments& args, Status status);
void SPDPCONST(const CoefficientArguments& args, Status status);
void SPHLD(const HoldupArguments& args, Status status);
void SPPCBR(const ColebrookArguments& args);

// Darcy (Moody) friction factor from the Reynolds number and the relative
// roughness: (0.2 - Re) 6400 below 0.1, 64/Re up to 2500, Colebrook-White by
// fixed-point iteration to 1 % from 3500, blended linearly in Re between.  A
// negative Reynolds number gives 0 and an error report through the host's error
// facility; so does an iteration that has not met the 1 % rule after 50 steps
// (the last iterate is kept).  An infinite Reynolds number gives the fully rough
// limit 1/sqrt(f) = 1.74 - 2 log10(2 r); a NaN Reynolds number, or a NaN or infinite
// roughness, gives NaN and the non-convergence report.  Traces through the print
// path when the pipe library's trace level (PIP_IORFS1 word 2) is 8 or more.
double PIPCBR(double reynolds, double relativeRoughness);

// PIPCBR's friction factor with its slopes by the Reynolds number and by the
// relative roughness, through the same branches and iterates (the slopes of the
// value PIPCBR returns); reports and traces nothing.
struct FrictionSlopes {
  double f = 0.0;
  double byReynolds = 0.0;
  double byRoughness = 0.0;
};
FrictionSlopes colebrookSlopes(double reynolds, double relativeRoughness);

}  // namespace xv55::pipe
