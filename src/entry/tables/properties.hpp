// Export-table rows of the procedures that call the host's property system (heat capacity ratio,
// sonic velocity, pure-component enthalpy).
#pragma once

#include "curves/heat_capacity_ratio.hpp"
#include "entry/tables/rows.hpp"
#include "numerics/enthalpy.hpp"
#include "pipe/sonic_velocity.hpp"

#define XV55_PROPERTIES_PROCEDURES(X)           \
  XV55_ROWS(X, numerics, Nothing, SPENTH_MOLAR) \
  XV55_ROWS(X, curves, Nothing, SPFKCAL) XV55_ROWS(X, pipe, Nothing, SPPSONH, SPPSON, SPPSONHP)
