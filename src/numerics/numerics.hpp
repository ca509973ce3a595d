// Numerical helper procedures: choked-flow integration and small math.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::numerics {

// ---- integration of the specific volume over pressure ----
// The expansion both forms integrate over: the pressures and the volume law
// v(p) = V0 (a ((Ps / p)^n - 1) + 1) below Ps.
XV55_GROUP(ExpansionInputs, (const double&, p0, "bar"),  // upstream pressure
           (const double&, ps, "bar"),                   // below it the volume law applies
           (const double&, pb, "bar"),                   // back pressure
           (const double&, v0, "m3/kg"),                 // specific volume above ps
           (const double&, a, "1"),                      // volume law coefficient
           (const double&, n, "1"));                     // volume law exponent

XV55_RECORD(SimpsonArguments,
            (ExpansionInputs, expansion),
            (const double&, intervals, "1"),  // initial number of intervals
            (double&, flux, "kg/(m2 s)"),     // largest mass flux
            (double&, pmax, "bar"),           // pressure at the maximum
            (double&, maximumFound, "1"));  // 1 when a maximum or ps is reported
XV55_RECORD(DienerArguments,
            (ExpansionInputs, expansion),
            (const double&, s, "Pa^0.5"),  // correction factor: S
            (const double&, rho, "kg/m3"),  // correction factor: Q = rho w^2
            (const double&, w, "m/s"),
            (const double&, mode, "1"),  // above 0.5: search for the maximum
            (const double&, intervals, "1"),
            (double&, flux, "kg/(m2 s)"),
            (double&, pmax, "bar"),
            (double&, discharge, "1"));  // discharge factor

// Invalid inputs (non-finite, or a non-positive V0 or N) are rejected, and an
// integration whose steps run out fails, with status 4 and one message, which
// stand after the entry point's information status; the outputs are then left
// as they were.
entry::Outcome PSIMPINT(const SimpsonArguments& args, Status status);
entry::Outcome PDIENERINT(const DienerArguments& args, Status status);

// ---- small math ----
// A unit written as a symbol (X, Y, A, B, P, Q) is that of the caller's own inputs;
// these helpers take any consistent unit.
XV55_RECORD(SqrtArguments,
            (const double&, x, "X"),
            (double&, y, "X^0.5"));
XV55_RECORD(RampArguments,
            (const double&, x, "X"),
            (const double&, x1, "X"),
            (const double&, x2, "X"),
            (const double&, y1, "Y"),
            (const double&, y2, "Y"),
            (double&, y, "Y"));
XV55_RECORD(BandArguments,
            (const double&, x, "X"),
            (const double&, lo, "X"),
            (const double&, hi, "X"),
            (double&, y, "X"));
XV55_RECORD(FractionArguments,
            (const double&, x, "X"),
            (const double&, c, "X"),
            (const double&, d, "X"),
            (const double&, a, "X"),
            (const double&, b, "X"),
            (double&, y, "1"));
XV55_RECORD(SeriesArguments,
            (Vector<const double>, x, "1"),
            (const std::int64_t&, n, ""),
            (Vector<double>, y, "1"));
XV55_RECORD(MatrixProductArguments,
            (Matrix<const double>, a, "A"),
            (Vector<const double>, b, "B"),
            (Vector<double>, y, "A B"));
XV55_RECORD(PowerProductArguments,
            (Vector<const double>, x, "1"),
            (Matrix<const double>, e, "1"),
            (Vector<double>, y, "1"));
XV55_RECORD(DistributionArguments,
            (Vector<const double>, b, "B"),
            (Vector<const double>, a, "B"),
            (const double&, f, "1"),
            (Vector<const double>, p, "P"),
            (Vector<const double>, k, "1"),
            (Vector<const double>, q, "Q"),
            (Vector<double>, w, "1"),
            (Vector<double>, u, "1"));
XV55_RECORD(ClippedProductArguments,
            (Vector<const double>, x, "1"),
            (Vector<const double>, e, "1"),
            (double&, y, "1"));
XV55_RECORD(StepFractionArguments,
            (Vector<const double>, x, "X"),
            (Vector<const double>, dx, "X"),
            (double&, f, "1"));
XV55_RECORD(ViscosityArguments,
            (const double&, x, "1"),
            (double&, y, "1"));
XV55_RECORD(ProfileArguments,
            (const double&, x, "X"),
            (Vector<const double>, abscissae, "X"),
            (Vector<const double>, ordinates, "Y"),
            (double&, y, "Y"));

void SPSQRT(const SqrtArguments& args, Jacobian jac, CallMode mode);
void SPRAMP(const RampArguments& args, Jacobian jac, CallMode mode);
void SPLIM_ABS(const BandArguments& args, Jacobian jac, CallMode mode);
void SPQUAL(const FractionArguments& args, Jacobian jac, CallMode mode);
void SPRECV(const SeriesArguments& args, Jacobian jac, CallMode mode);
void SPMATR(const MatrixProductArguments& args, Status status, Jacobian jac, CallMode mode);
void SPPROD(const PowerProductArguments& args);
void SPDISF(const DistributionArguments& args);
void SPPRD1(const ClippedProductArguments& args);
void SPRFAC(const StepFractionArguments& args);
void SPVISCCORR(const ViscosityArguments& args);
void SPRPPROFILE(const ProfileArguments& args, Status status);

}  // namespace xv55::numerics
