// Rotating equipment, valves and curve helpers: pump and compressor performance
// curves, the power limit, valve flow coefficients, junction pressure, unit
// conversion and pump efficiency.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::curves {

// A unit written as a symbol (X, Y, speed, flow, position, Cv, P, D) is that of the
// model's own tables and inputs, which these procedures take as they are.

// ---- pump performance curves (pPumpCurve) ----
XV55_RECORD(PumpCurveArguments,
            (Text, curveType, ""),                 // "Tabular data" or "Polynomials"
            (const std::int64_t&, nc, ""),         // number of curves, 1 to 10
            (const std::int64_t&, np, ""),         // points per curve (table row length), to 20
            (Vector<const std::int64_t>, npts, ""),  // points used in each curve
            (const double&, s, "speed"),           // operating speed
            (Vector<const double>, speed, "speed"),  // speed of each curve
            (Matrix<const double>, ytab, "Y"),     // YTAB(curve, point): dependent values
            (Matrix<const double>, xtab, "X"),     // XTAB(curve, point): independent values
            (Matrix<const double>, coef, "Y/X^(k-1)"),  // COEF(curve, k): c1 + c2 x + c3 x^2 + c4 x^3
            (const double&, x, "X"),               // independent variable
            (Text, splineMethod, ""),              // "Harwell", "Hermite" or other
            (double&, y, "Y"));  // the performance value

// Maximum numbers of curves and of points per curve.
inline constexpr std::int64_t kPumpMaxCurves = 10;
inline constexpr std::int64_t kPumpMaxPoints = 20;

void SPPUMPCURVE(const PumpCurveArguments& args, Status status, Workspace work, Jacobian jac,
                 CallMode mode);

// ---- compressor performance curves (pPCurve) ----
XV55_RECORD(CompressorCurveArguments,
            (Text, curveType, ""),  // "Tabular data", "Polynomials" or "Extended Polynomials"
            (const std::int64_t&, nc, ""),
            (const std::int64_t&, np, ""),
            (Vector<const std::int64_t>, npts, ""),
            (Text, limitOption, ""),  // "No...": evaluate at the violated limit
            (const double&, n, "speed"),
            (Vector<const double>, speed, "speed"),
            (Matrix<const double>, ytab, "Y"),
            (Matrix<const double>, xtab, "flow"),
            (Matrix<const double>, coef, "Y/flow^(k-1)"),
            (Vector<const double>, qsurge, "flow"),  // surge flow of each curve
            (Vector<const double>, qstone, "flow"),  // stonewall flow of each curve
            (const double&, q, "flow"),              // operating flow
            (Text, splineMethod, ""),
            (double&, y, "Y"),
            (double&, surge, "%"),   // 100 (Q - QS) / QS
            (double&, stone, "%"));  // 100 (QW - Q) / QW

void SPPCURVE(const CompressorCurveArguments& args, Status status, Workspace work, Jacobian jac,
              CallMode mode);

// ---- power limit (pPSpec) ----
XV55_RECORD(PowerSpecArguments,
            (const double&, w, "kW"),     // specified power
            (const double&, pin, "bar"),  // inlet pressure
            (const double&, pmax, "bar"), // maximum outlet pressure
            (const double&, dp, "bar"),   // pressure rise that W produces
            (double&, wout, "kW"));  // power applied

void SPPSPC(const PowerSpecArguments& args, Status status, Workspace work, Jacobian jac,
            CallMode mode);

// ---- valve flow coefficient ----
XV55_RECORD(ValveArguments,
            (const std::int64_t&, n, ""),        // points of the characteristic
            (Vector<const double>, pos, "position"),  // valve positions, ascending
            (Vector<const double>, cv, "Cv"),         // flow coefficients at those positions
            (const double&, x, "position"),           // current position
            (Unused, unused5, ""),
            (Unused, unused6, ""),
            (const std::int64_t&, bound, ""),    // 1: closed-valve rule and lower bound
            (double&, cvout, "Cv"));  // flow coefficient

void SPVALVE(const ValveArguments& args, Status status);

// ---- junction pressure, unit conversion, pump efficiency ----
XV55_RECORD(JunctionArguments,
            (Vector<const double>, pins, "bar"),  // inlet pressures
            (const double&, pdriven, "1"),         // +0.0: the lowest inlet; else the last
            (double&, pout, "bar"));

void SPPMIN(const JunctionArguments& args, Jacobian jac, CallMode mode);

XV55_RECORD(FieldUnitArguments,
            (const double&, length1, "m"),
            (const double&, length2, "m"),
            (const double&, pressure, "P"),            // times pressureToPascal: Pa
            (const double&, temperature, "C"),
            (const double&, length3, "m"),
            (const double&, density1, "D"),            // times densityToSi: kg/m3
            (const double&, density2, "D"),
            (const double&, density3, "D"),
            (const double&, viscosity1, "cP"),
            (const double&, viscosity2, "cP"),
            (const double&, densityToSi, "(kg/m3)/D"),
            (const double&, mass, "kg"),
            (const double&, pressureToPascal, "Pa/P"),
            (const double&, temperatureShift, "F"),  // added after conversion
            (double&, length1Ft, "ft"),
            (double&, length2Ft, "ft"),
            (double&, pressurePsi, "psi"),
            (double&, temperatureF, "F"),
            (double&, length3Ft, "ft"),
            (double&, density1Lb, "lb/ft3"),
            (double&, density2Lb, "lb/ft3"),
            (double&, density3Lb, "lb/ft3"),
            (double&, viscosity1Lb, "lb/(ft s)"),
            (double&, viscosity2Lb, "lb/(ft s)"),
            (double&, massLb, "lb"));

void SPPCONV(const FieldUnitArguments& args);

XV55_RECORD(PumpEfficiencyArguments,
            (const double&, q, "m3/h"),        // volumetric flow
            (const double&, pressure2, "bar"), // converted, not used further
            (const double&, p, "bar"),         // above 4.137e7 Pa the efficiency is fixed
            (double&, eff, "1"));  // efficiency (fraction)

void SPEFFP(const PumpEfficiencyArguments& args, Jacobian jac, CallMode mode);

}  // namespace xv55::curves
