// Export-table rows of the equilibrium reactor link.
#pragma once

#define XV55_EQUILIBRIUM_PROCEDURES(X)
