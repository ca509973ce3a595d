// Numerical helper procedures: choked-flow integration and small math.
#pragma once

#include <cstdint>

#include "entry/views.hpp"

namespace xv55::numerics {

// ---- integration of the specific volume over pressure ----
void PSIMPINT(const double& p0, const double& ps, const double& pb, const double& v0,
              const double& a, const double& n, const double& intervals, double& flux, double& pmax,
              double& maximumFound);
void PDIENERINT(const double& p0, const double& ps, const double& pb, const double& v0,
                const double& a, const double& n, const double& s, const double& rho,
                const double& w, const double& mode, const double& intervals, double& flux,
                double& pmax, double& discharge);

// ---- small math ----
void SPSQRT(const double& x, double& y, Jacobian jac, CallMode mode);
void SPRAMP(const double& x, const double& x1, const double& x2, const double& y1, const double& y2,
            double& y, Jacobian jac, CallMode mode);
void SPLIM_ABS(const double& x, const double& lo, const double& hi, double& y, Jacobian jac,
               CallMode mode);
void SPQUAL(const double& x, const double& c, const double& d, const double& a, const double& b,
            double& y, Jacobian jac, CallMode mode);
void SPRECV(Vector<const double> x, const std::int64_t& n, Vector<double> y, Jacobian jac,
            CallMode mode);
void SPMATR(Matrix<const double> a, Vector<const double> b, Vector<double> y, Status status,
            Jacobian jac, CallMode mode);
void SPPROD(Vector<const double> x, Matrix<const double> e, Vector<double> y);
void SPDISF(Vector<const double> b, Vector<const double> a, const double& f, Vector<const double> p,
            Vector<const double> k, Vector<const double> q, Vector<double> w, Vector<double> u);
void SPPRD1(Vector<const double> x, Vector<const double> e, double& y);
void SPRFAC(Vector<const double> x, Vector<const double> dx, double& f);
void SPVISCCORR(const double& x, double& y);
void SPRPPROFILE(const double& x, Vector<const double> xs, Vector<const double> ys, double& y,
                 Status status);

}  // namespace xv55::numerics
