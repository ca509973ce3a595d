// The two-phase pipe procedures: each converts its own inputs into a Stream, runs
// the correlation dispatch (dispatch.hpp) and turns the holdup and gradients into
// its outputs in model units.
//
// Invalid numbers: a NaN or infinite input that a procedure reads makes every
// output NaN and no correlation is called.  The mass flow and the quality count
// only when a chosen correlation reads them ("HTFS", "Rouhani", "Friedel"), the
// packed-bed inputs only for "Ergun".
//
// Zero divisors: SPPINT3 divides its friction output by input 3 and SPDPCONST its
// gradient by input 18; a zero there could only give an infinity or NaN, so the
// procedure reports it (status 4) and leaves the outputs that depend on it as they
// were.  The outputs that do not depend on it are written as usual.
#include <cmath>
#include <initializer_list>
#include <limits>

#include "common/units.hpp"
#include "pipe/darcy_derivatives.hpp"
#include "pipe/dispatch.hpp"
#include "pipe/pipe_flow.hpp"
#include "print/report.hpp"

namespace xv55::pipe {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The procedures as the dispatch sees them: the keywords they accept are in the
// keyword tables' rows; here their name, viscosity conversion and inclination rule.
constexpr Profile kIntegratedSection{Procedure::IntegratedSection, "SPPINT",
                                     units::kCentipoisePerPoundPerFootSecond, false};
constexpr Profile kPackedSection{Procedure::PackedSection, "SPPINT3",
                                 units::kCentipoisePerPoundPerFootSecond, false};
constexpr Profile kGradient{Procedure::Gradient, "SPDPDZFR",
                            units::kCentipoisePerPoundPerFootSecondGradient, false};
constexpr Profile kMomentum{Procedure::Momentum, "SPPMOM",
                            units::kCentipoisePerPoundPerFootSecondGradient, false};
constexpr Profile kCoefficient{Procedure::Coefficient, "SPDPCONST",
                               units::kCentipoisePerPoundPerFootSecondGradient, true};
constexpr Profile kHoldupOnly{Procedure::HoldupOnly, "SPHLD",
                              units::kCentipoisePerPoundPerFootSecondGradient, true};

// SPHLD has no roughness input; the routines that take one receive this
// (single precision, as stored models).
constexpr double kHoldupRoughness = units::single(0.001f);
// SPHLD reports a holdup below this as 0.
constexpr double kHoldupReportFloor = 1e-8;

// bar/m per psi/ft, one factor.
constexpr double kBarPerMetrePerPsiPerFoot =
    units::kPascalsPerPsi / units::kPascalsPerBar / units::kMetresPerFoot;

// psi/ft to bar/m, and Pa/m to bar/m.
double barPerMetre(const Evaluation& e) {
  return e.frictionPascalsPerMetre ? e.friction * units::kBarPerPascal
                                   : e.friction * kBarPerMetrePerPsiPerFoot;
}

double barOf(double psi) {
  return psi * units::kPascalsPerPsi / units::kPascalsPerBar;
}

// The stream of a section: its geometry, its mixture velocity and its phases.
Stream streamOf(double diameter, double angle, double roughness, double velocity,
                const PhaseProperties& p) {
  Stream s;
  s.diameter = diameter;
  s.angle = angle;
  s.roughness = roughness;
  s.velocity = velocity;
  s.pressure = p.pressure;
  s.liquidFraction = p.liquidFraction;
  s.liquidDensity = p.liquidDensity;
  s.gasDensity = p.gasDensity;
  s.surfaceTension = p.surfaceTension;
  s.liquidViscosity = p.liquidViscosity;
  s.gasViscosity = p.gasViscosity;
  return s;
}

// The stream with the mass flow and quality of the procedures that have them.
Stream withFlow(Stream s, const MassFlowAndQuality& f) {
  s.massFlow = f.massFlow;
  s.quality = f.quality;
  return s;
}

// The stream with the packed bed of the procedures that have one.
Stream withBed(Stream s, const PackedBedInputs& b) {
  s.bed = {b.bedVoidFraction, b.particleSphericity, b.particleDiameter};
  return s;
}

// The dispatch with the holdup and pressure-drop correlations the record names.
Evaluation evaluate(const Profile& profile, const Stream& stream, const CorrelationNames& names,
                    std::initializer_list<double> procedureInputs, Status status) {
  return evaluate(profile, stream, names.holdupCorrelation, &names.pressureDropCorrelation,
                  procedureInputs, status);
}

}  // namespace

void SPPINT(const SectionArguments& a, Status status, Jacobian jac, CallMode mode) {
  const Stream stream = streamOf(a.diameter, a.angle, a.roughness, a.velocity, a.phases);
  const Evaluation e =
      evaluate(kIntegratedSection, stream, a.names, {a.length, a.frictionMultiplier}, status);
  if (!e.valid) {
    a.out.holdup = a.out.frictionLoss = a.out.accelerationLoss = kNaN;
    if (mode.wantsDerivatives()) sectionDerivatives(a, e, {}, jac);
    return;
  }
  const SectionLosses loss = sectionLosses(e, a.length);
  a.out.holdup = e.reportedHoldup;
  a.out.frictionLoss =
      loss.friction * units::kPascalsPerPsi * a.frictionMultiplier / units::kPascalsPerBar;
  a.out.accelerationLoss = barOf(loss.acceleration);
  if (mode.wantsDerivatives()) sectionDerivatives(a, e, loss, jac);
}

void SPPINT3(const PackedSectionArguments& a, Status status) {
  const Stream stream =
      withBed(streamOf(a.diameter, a.angle, a.roughness, a.velocity, a.phases), a.bed);
  const Evaluation e =
      evaluate(kPackedSection, stream, a.names, {a.length, a.frictionDivisor}, status);
  if (!e.valid) {
    a.out.holdup = a.out.frictionLoss = a.out.accelerationLoss = kNaN;
    return;
  }
  // The divisor applies to the friction output alone, once, whatever the keyword.
  const SectionLosses loss = sectionLosses(e, a.length);
  a.out.holdup = e.reportedHoldup;
  a.out.accelerationLoss = barOf(loss.acceleration);
  if (a.frictionDivisor == 0.0) {
    report(status, kError,
           " SPPINT3-E-Friction divisor (input 3) is zero: the frictional pressure drop is not "
           "computed.\\n");
    return;
  }
  a.out.frictionLoss =
      loss.friction * units::kPascalsPerPsi / a.frictionDivisor / units::kPascalsPerBar;
}

void SPDPDZFR(const GradientArguments& a, Status status) {
  const Stream stream = withBed(
      withFlow(streamOf(a.diameter, a.angle, a.roughness, a.velocity, a.phases), a.flow), a.bed);
  const Evaluation e = evaluate(kGradient, stream, a.names, {a.sign}, status);
  a.gradient = e.valid ? barPerMetre(e) * (-a.sign) : kNaN;
}

void SPPMOM(const MomentumArguments& a, Status status) {
  const Stream stream =
      withFlow(streamOf(a.diameter, a.angle, a.roughness, a.velocity, a.phases), a.flow);
  const Evaluation e =
      evaluate(kMomentum, stream, a.names, {a.length, a.frictionMultiplier}, status);
  if (!e.valid) {
    a.holdup = a.normalisedLoss = kNaN;
    return;
  }
  const double friction = sectionLosses(e, a.length).friction;  // psi
  const double speed = std::fabs(a.velocity) + kVelocityFloor;
  a.holdup = e.reportedHoldup;
  a.normalisedLoss = friction * units::kPascalsPerPsi * a.frictionMultiplier /
                     units::kPascalsPerBar / (speed * speed);
}

void SPDPCONST(const CoefficientArguments& a, Status status) {
  const Stream stream = withBed(
      withFlow(streamOf(a.diameter, a.angle, a.roughness, a.velocity, a.phases), a.flow), a.bed);
  const Evaluation e = evaluate(kCoefficient, stream, a.names, {a.sign, a.gradientDivisor}, status);
  if (!e.valid) {
    a.coefficient = kNaN;
    return;
  }
  // "Ergun" and "HTFS" (Pa/m) are not divided by the gradient divisor.
  if (!e.frictionPascalsPerMetre && a.gradientDivisor == 0.0) {
    report(status, kError,
           " SPDPCONST-E-Gradient divisor (input 18) is zero: the friction coefficient is not "
           "computed.\\n");
    return;
  }
  const double gradient = e.frictionPascalsPerMetre
                              ? e.friction * units::kBarPerPascal
                              : e.friction * units::kPascalsPerPsi / a.gradientDivisor /
                                    units::kPascalsPerBar / units::kMetresPerFoot;  // bar/m
  const double speed = atLeast(std::fabs(a.velocity), kVelocityFloor);
  a.coefficient = -(a.diameter * 0.5 * gradient * (-a.sign) * units::kPascalsPerBar) /
                  (e.section.rhoNsSi * speed * speed);
}

void SPHLD(const HoldupArguments& a, Status status) {
  const Stream stream =
      withFlow(streamOf(a.diameter, a.angle, kHoldupRoughness, a.velocity, a.phases), a.flow);
  const Evaluation e = evaluate(kHoldupOnly, stream, a.holdupCorrelation, nullptr, {}, status);
  if (!e.valid) {
    a.holdup = kNaN;
    return;
  }
  // A NaN from the host is passed on, not reported as 0.
  a.holdup = e.holdup < kHoldupReportFloor ? 0.0 : e.holdup;
}

}  // namespace xv55::pipe
