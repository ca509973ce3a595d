// Export-table rows of the procedures that call the host's property system (heat capacity ratio,
// sonic velocity, pure-component enthalpy).
#pragma once

#include "curves/heat_capacity_ratio.hpp"
#include "numerics/enthalpy.hpp"
#include "pipe/sonic_velocity.hpp"

#define XV55_PROPERTIES_PROCEDURES(X)              \
  X(SPENTH_MOLAR, numerics::SPENTH_MOLAR, Nothing) \
  X(SPFKCAL, curves::SPFKCAL, Nothing)             \
  X(SPPSONH, pipe::SPPSONH, Nothing)               \
  X(SPPSON, pipe::SPPSON, Nothing)                 \
  X(SPPSONHP, pipe::SPPSONHP, Nothing)
