// Export-table rows of the rotating equipment, valves and curve helpers.
#pragma once

#include "curves/curves.hpp"
#include "entry/tables/rows.hpp"

#define XV55_CURVES_PROCEDURES(X) \
  XV55_ROWS(X, curves, Nothing, SPPUMPCURVE, SPPCURVE, SPPSPC, SPVALVE, SPEFFP, SPPMIN, SPPCONV)
