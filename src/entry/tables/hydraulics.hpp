// Export-table rows of the column tray hydraulics procedures.
#pragma once

#define XV55_HYDRAULICS_PROCEDURES(X)
