// Export-table rows of the column tray hydraulics procedures.
#pragma once

#include "entry/tables/rows.hpp"
#include "hydraulics/hydraulics.hpp"

#define XV55_HYDRAULICS_PROCEDURES(X) XV55_ROWS(X, hydraulics, Nothing, SPHYDR, SPHYDRP)
