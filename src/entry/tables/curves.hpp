// Export-table rows of the rotating equipment, valves and curve helpers.
#pragma once

#include "curves/curves.hpp"

#define XV55_CURVES_PROCEDURES(X)              \
  X(SPPUMPCURVE, curves::SPPUMPCURVE, Nothing) \
  X(SPPCURVE, curves::SPPCURVE, Nothing)       \
  X(SPPSPC, curves::SPPSPC, Nothing)           \
  X(SPVALVE, curves::SPVALVE, Nothing)         \
  X(SPEFFP, curves::SPEFFP, Nothing)           \
  X(SPPMIN, curves::SPPMIN, Nothing)           \
  X(SPPCONV, curves::SPPCONV, Nothing)
