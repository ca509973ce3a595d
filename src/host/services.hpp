// Typed wrappers of the host services the procedure bodies call.
//
// The services themselves take every argument by address and report failure by
// setting the caller's status to 4 (data_management.h, property_system.h, ...).
// Bodies call them through these thin functions: values in, values out, and one
// way to ask whether the host failed.  Nothing here allocates or keeps state.
#pragma once

#include <cstdint>
#include <string_view>

#include "entry/views.hpp"
#include "host/monitors.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/numerics.h"
#include "xv55/host/property_system.h"
#include "xv55/xv55.h"

namespace xv55::host {

// ---- failure ----

// Whether a host service reported failure through the procedure's status.
inline bool failed(const Status& status) {
  return status.value() == XV55_STATUS_ERROR;
}
inline bool failed(std::int64_t status) {
  return status == XV55_STATUS_ERROR;
}

// ---- print level ----

// The host's procedure print level; traces are written above 1 or 2.
inline std::int64_t printLevel() {
  return GPIOUT();
}

// ---- global constants ----

// The host's no-value magnitude (DMS_RGLOB word 1) and small tolerance (word 2).
inline double noValueMagnitude() {
  return rglob(kNoValue);
}
inline double smallTolerance() {
  return rglob(kTolerance);
}
// The lower bound of an open valve's flow coefficient (DMS_RGLOB word 3).
inline double flowCoefficientMin() {
  return rglob(kFlowCoefficientMin);
}

// ---- unit services ----

enum class Quantity {
  Temperature,
  Pressure,
  MolarFlow,
  Mass,
  Volume,
  Length,
  MolarDensity,
  MassDensity,
  MolarEnthalpy,
};

// A value converted between the model's units (unit set `unitSet`) and the
// property system's SI units.
double toSi(Quantity quantity, double value, std::int64_t unitSet = kModelUnits);
double fromSi(Quantity quantity, double value, std::int64_t unitSet = kModelUnits);

// ---- store blocks ----

// A block of reals in the host's store: word k (1-based) is plex(base + k).
struct StoreBlock {
  std::int64_t handle = 0;
  std::int64_t base = 0;
  bool allocated() const { return handle != 0; }
  double& real(std::int64_t k) const { return plex(base + k).real; }
  // The block's reals in place: store words are 8-byte cells one after another, so
  // word k is element k - 1 (the library's own block layouts read them this way).
  double* reals() const { return &plex(base + 1).real; }
};

// Allocates `count` reals; handle 0 when the host cannot.
StoreBlock allocateReals(std::int64_t count);
// The base of a live block by its handle; 0 when there is none.
std::int64_t locateReals(std::int64_t handle);
void release(std::int64_t handle);

// ---- error facility ----

// Whether the host wants error (severity, number) of `routine` reported (DMS_IRRCHK;
// routine is the 16-character identifier, library word and routine word each
// blank-padded to 8; value1..value3 are passed through).  When it does, the caller
// writes the message lines and issues them.
bool errorDue(std::string_view routine, std::int64_t severity, std::int64_t number,
              std::int64_t value1, std::int64_t value2, std::int64_t value3);
// Line k (1-based) of the host's error-text area: text cut or blank-padded to the
// line width.  A line outside the area is ignored.
void setErrorLine(std::int64_t k, std::string_view text);
// Issues lines 1..lines of the error-text area (DMS_ERRPRT).
void issueErrorLines(std::int64_t lines);

// ---- splines ----

// Spline method codes of ZMTH_SPLINE.
enum class SplineMethod : std::int64_t {
  Cubic = ZMTH_SPLINE_CUBIC,
  Monotone = ZMTH_SPLINE_MONOTONE,
  Natural = ZMTH_SPLINE_NATURAL,
};

// Interval coefficients (4 per interval) of a spline through n points; the values
// and knots are passed for update, as the host routine may adjust them.
inline void buildSpline(std::int64_t n, double* values, double* knots, double* coefficients,
                        SplineMethod method) {
  const auto code = static_cast<std::int64_t>(method);
  ZMTH_SPLINE(&n, values, knots, coefficients, &code);
}

// The piecewise cubic of buildSpline (n knots, their interval coefficients)
// evaluated at `at` and brought within [lower, upper]; `result` is what the host
// leaves when it computes nothing.
inline double evaluateSpline(const double* knots, const double* coefficients, double at,
                             std::int64_t n, double lower, double upper, double result) {
  PPPETM_PCINTP(knots, coefficients, &at, &result, &n, &lower, &upper);
  return result;
}

}  // namespace xv55::host
