// Export-table rows of the procedures that call the host's property system (heat capacity ratio,
// sonic velocity, pure-component enthalpy).
#pragma once

#define XV55_PROPERTIES_PROCEDURES(X)
