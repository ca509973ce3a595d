// Export-table rows of the user-routine procedures (reactor and column kinetics, user pressure
// drop, heat flux and holdup).
#pragma once

#define XV55_KINETICS_PROCEDURES(X)
