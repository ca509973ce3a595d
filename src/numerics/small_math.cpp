#include "numerics/numerics.hpp"
namespace xv55::numerics {
void SPSQRT(const double&, double&, Jacobian, CallMode) {}
void SPRAMP(const double&, const double&, const double&, const double&, const double&, double&, Jacobian, CallMode) {}
void SPLIM_ABS(const double&, const double&, const double&, double&, Jacobian, CallMode) {}
void SPQUAL(const double&, const double&, const double&, const double&, const double&, double&, Jacobian, CallMode) {}
void SPRECV(Vector<const double>, const std::int64_t&, Vector<double>, Jacobian, CallMode) {}
void SPMATR(Matrix<const double>, Vector<const double>, Vector<double>, Status, Jacobian, CallMode) {}
void SPPROD(Vector<const double>, Matrix<const double>, Vector<double>) {}
void SPDISF(Vector<const double>, Vector<const double>, const double&, Vector<const double>, Vector<const double>, Vector<const double>, Vector<double>, Vector<double>) {}
void SPPRD1(Vector<const double>, Vector<const double>, double&) {}
void SPRFAC(Vector<const double>, Vector<const double>, double&) {}
void SPVISCCORR(const double&, double&) {}
void SPRPPROFILE(const double&, Vector<const double>, Vector<const double>, double&, Status) {}
}
