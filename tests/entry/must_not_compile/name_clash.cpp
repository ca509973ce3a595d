// Two groups that bring the same argument name into one record.
#include "entry/record.hpp"

namespace {
XV55_GROUP(Inlet, (const double&, temperature, "degC"), (const double&, pressure, "bar"));
XV55_GROUP(Outlet, (const double&, temperature, "degC"));
XV55_RECORD(HeaterArguments, (Inlet, inlet), (Outlet, outlet), (double&, duty, "GJ/h"));
}  // namespace
