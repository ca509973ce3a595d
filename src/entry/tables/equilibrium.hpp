// Export-table rows of the equilibrium reactor link.
#pragma once

#include "equilibrium/equilibrium.hpp"

#define XV55_EQUILIBRIUM_PROCEDURES(X) X(EQLBRX, equilibrium::EQLBRX, Nothing)
