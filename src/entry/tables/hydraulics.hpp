// Export-table rows of the column tray hydraulics procedures.
#pragma once

#include "hydraulics/hydraulics.hpp"

#define XV55_HYDRAULICS_PROCEDURES(X)    \
  X(SPHYDR, hydraulics::SPHYDR, Nothing) \
  X(SPHYDRP, hydraulics::SPHYDRP, Nothing)
