// Export-table rows of the rotating equipment, valves and curve helpers.
#pragma once

#define XV55_CURVES_PROCEDURES(X)
