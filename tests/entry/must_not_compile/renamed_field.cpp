// A body that still reads a field under the name its group no longer has.
#include "entry/record.hpp"

namespace {
XV55_GROUP(Conditions, (const double&, temperatureIn, "degC"), (const double&, pressure, "bar"));
XV55_RECORD(HeaterArguments, (Conditions, state), (double&, duty, "GJ/h"));
}  // namespace

double heat(const HeaterArguments& a) {
  return a.state.temperature * a.state.pressure;
}
