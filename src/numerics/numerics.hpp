// Numerical helper procedures: choked-flow integration and small math.
#pragma once

#include <cstdint>

#include "entry/record.hpp"
#include "entry/views.hpp"

namespace xv55::numerics {

// ---- integration of the specific volume over pressure ----
XV55_RECORD(SimpsonArguments,
            (const double&, p0, "bar"),        // upstream pressure
            (const double&, ps, "bar"),        // below it the volume law applies
            (const double&, pb, "bar"),        // back pressure
            (const double&, v0, "m3/kg"),      // specific volume above ps
            (const double&, a, ""),            // volume law coefficient
            (const double&, n, ""),            // volume law exponent
            (const double&, intervals, ""),    // initial number of intervals
            (double&, flux, "kg/(m2 s)"),      // largest mass flux
            (double&, pmax, "bar"),            // pressure at the maximum
            (double&, maximumFound, ""));  // 1 when a maximum or ps is reported
XV55_RECORD(DienerArguments,
            (const double&, p0, "bar"),
            (const double&, ps, "bar"),
            (const double&, pb, "bar"),
            (const double&, v0, "m3/kg"),
            (const double&, a, ""),
            (const double&, n, ""),
            (const double&, s, ""),            // correction factor: S
            (const double&, rho, ""),          // correction factor: Q = rho w^2
            (const double&, w, ""),
            (const double&, mode, ""),         // above 0.5: search for the maximum
            (const double&, intervals, ""),
            (double&, flux, "kg/(m2 s)"),
            (double&, pmax, "bar"),
            (double&, discharge, ""));  // discharge factor

// Invalid inputs (non-finite, or a non-positive V0 or N) are rejected, and an
// integration whose steps run out fails, with status 4 and one message, which
// stand after the entry point's information status; the outputs are then left
// as they were.
entry::Outcome PSIMPINT(const SimpsonArguments& args, Status status);
entry::Outcome PDIENERINT(const DienerArguments& args, Status status);

// ---- small math ----
XV55_RECORD(SqrtArguments,
            (const double&, x, ""),
            (double&, y, ""));
XV55_RECORD(RampArguments,
            (const double&, x, ""),
            (const double&, x1, ""),
            (const double&, x2, ""),
            (const double&, y1, ""),
            (const double&, y2, ""),
            (double&, y, ""));
XV55_RECORD(BandArguments,
            (const double&, x, ""),
            (const double&, lo, ""),
            (const double&, hi, ""),
            (double&, y, ""));
XV55_RECORD(FractionArguments,
            (const double&, x, ""),
            (const double&, c, ""),
            (const double&, d, ""),
            (const double&, a, ""),
            (const double&, b, ""),
            (double&, y, ""));
XV55_RECORD(SeriesArguments,
            (Vector<const double>, x, ""),
            (const std::int64_t&, n, ""),
            (Vector<double>, y, ""));
XV55_RECORD(MatrixProductArguments,
            (Matrix<const double>, a, ""),
            (Vector<const double>, b, ""),
            (Vector<double>, y, ""));
XV55_RECORD(PowerProductArguments,
            (Vector<const double>, x, ""),
            (Matrix<const double>, e, ""),
            (Vector<double>, y, ""));
XV55_RECORD(DistributionArguments,
            (Vector<const double>, b, ""),
            (Vector<const double>, a, ""),
            (const double&, f, ""),
            (Vector<const double>, p, ""),
            (Vector<const double>, k, ""),
            (Vector<const double>, q, ""),
            (Vector<double>, w, ""),
            (Vector<double>, u, ""));
XV55_RECORD(ClippedProductArguments,
            (Vector<const double>, x, ""),
            (Vector<const double>, e, ""),
            (double&, y, ""));
XV55_RECORD(StepFractionArguments,
            (Vector<const double>, x, ""),
            (Vector<const double>, dx, ""),
            (double&, f, ""));
XV55_RECORD(ViscosityArguments,
            (const double&, x, ""),
            (double&, y, ""));
XV55_RECORD(ProfileArguments,
            (const double&, x, ""),
            (Vector<const double>, abscissae, ""),
            (Vector<const double>, ordinates, ""),
            (double&, y, ""));

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
