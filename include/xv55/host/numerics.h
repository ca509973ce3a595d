/* Host services: splines. */
#ifndef XV55_HOST_NUMERICS_H
#define XV55_HOST_NUMERICS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Spline methods. */
enum { ZMTH_SPLINE_CUBIC = 1, ZMTH_SPLINE_MONOTONE = 2, ZMTH_SPLINE_NATURAL = 3 };

/* Builds a spline through the count points (x[i], y[i]), x ascending, in interval
 * form: on interval i (x[i] .. x[i+1], width h), y = a0 + a1 t + a2 t^2 + a3 t^3 with
 * t = (x - x[i]) / h, the four coefficients stored at coefficients[4 (i - 1)] on.
 * Fills 4 (count - 1) coefficients; y and x are passed for update. */
void ZMTH_SPLINE(const int64_t *count, double *y, double *x, double *coefficients,
                 const int64_t *method);

#ifdef __cplusplus
}
#endif

#endif
