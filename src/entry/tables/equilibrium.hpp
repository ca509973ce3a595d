// Export-table rows of the equilibrium reactor link.
#pragma once

#include "entry/tables/rows.hpp"
#include "equilibrium/equilibrium.hpp"

#define XV55_EQUILIBRIUM_PROCEDURES(X) XV55_ROWS(X, equilibrium, Nothing, EQLBRX)
