// The reals that prepared tabular curves occupy.
#include <cstdint>

#include "curves/curve_forms.hpp"

namespace xv55::curves {

std::int64_t TabularCurves::length() const {
  std::int64_t total = 2 * nc_;
  for (std::int64_t c = 1; c <= nc_; ++c) total += 5 * pointsOf(c) - 4;
  return total;
}

}  // namespace xv55::curves
