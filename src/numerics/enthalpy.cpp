// Pure-component molar enthalpies: one call of the host's vapour or liquid enthalpy routine
// per component, with the composition a unit vector.
#include "numerics/enthalpy.hpp"

#include <algorithm>
#include <cmath>

#include "host/property_stream.hpp"
#include "host/services.hpp"
#include "print/report.hpp"
#include "xv55/host/property_system.h"

namespace xv55::numerics {
namespace {

constexpr char kRoutine[] = "SPENTH_MOLAR";
// Host statuses of a routine that gave no value.
constexpr std::int64_t kNoResult = 3;
constexpr std::int64_t kRefused = XV55_STATUS_ERROR;

using EnthalpyRoutine = void (*)(const double*, const double*, const double*, const std::int64_t*,
                                 double*, std::int64_t*, const std::int64_t*);

}  // namespace

void SPENTH_MOLAR(const PureEnthalpyArguments& args, Status status, HostContext context) {
  const std::int64_t n = args.enthalpies.size();
  if (n < 1) return;
  double kelvin = 0, pascals = 0;
  if (!host::temperatureInSi(kRoutine, args.temperature, host::kModelUnits, status, kelvin) ||
      !host::pressureInSi(kRoutine, args.pressure, host::kModelUnits, status, pascals)) {
    return;
  }
  // The stream area supplies the composition vector and the model's component count; the
  // procedure's status is left alone unless something fails.
  std::int64_t hostStatus = 0;
  host::PropertyStream stream;
  if (!stream.setUp(kRoutine, context, Status(&hostStatus))) {
    status = kError;
    return;
  }
  if (n > stream.components()) {
    report(status, kError, " %s-E-%d enthalpies are asked for but the model has %d components.\\n",
           kRoutine, n, stream.components());
    return;
  }
  const EnthalpyRoutine routine = args.phase != 0 ? GPIVEX : GPILEX;
  double* z = stream.work(host::WorkVector::Fractions);
  // The enthalpies are gathered in a work vector of the stream area and written only
  // when every component has one: a failure leaves all outputs as they were.
  double* gathered = stream.work(host::WorkVector::Liquid);
  std::fill(z, z + n, 0.0);
  for (std::int64_t i = 1; i <= n; ++i) {
    double& h = gathered[i - 1];
    h = 0.0;
    z[i - 1] = 1.0;
    hostStatus = 0;
    routine(&args.temperature, &args.pressure, z, &n, &h, &hostStatus, context.address());
    z[i - 1] = 0.0;
    if (hostStatus == kNoResult || hostStatus == kRefused || !std::isfinite(h)) {
      report(status, kError,
             " %s-E-The property system gives no enthalpy for component %d at %g degC and %g "
             "bar.\\n",
             kRoutine, i, args.temperature, args.pressure);
      return;
    }
  }
  for (std::int64_t i = 1; i <= n; ++i) args.enthalpies(i) = gathered[i - 1];
}

}  // namespace xv55::numerics
