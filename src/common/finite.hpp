// Finiteness of a group of reals, as the procedures check their inputs.
#pragma once

#include <cmath>
#include <initializer_list>

namespace xv55 {

// True when every value is a finite number (no NaN, no infinity).
inline bool allFinite(std::initializer_list<double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

}  // namespace xv55
