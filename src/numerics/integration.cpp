#include "numerics/numerics.hpp"
namespace xv55::numerics {
void PSIMPINT(const double&, const double&, const double&, const double&, const double&, const double&, const double&, double&, double&, double&) {}
void PDIENERINT(const double&, const double&, const double&, const double&, const double&, const double&, const double&, const double&, const double&, const double&, const double&, double&, double&, double&) {}
}
