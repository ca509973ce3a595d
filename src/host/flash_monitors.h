/* Host services: flashes, property monitors and piecewise-cubic evaluation.
 * Property values are in SI: K, Pa, m3/kmol, J/(kmol K), kg/kmol. */
#ifndef XV55_HOST_FLASH_MONITORS_H
#define XV55_HOST_FLASH_MONITORS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Thermodynamic monitor of a vapour (phase 2) or liquid: molar volume, its
 * temperature derivative and the molar heat capacity; status 3 or 4 on failure. */
void PPMON_VMTHRM(const double *t, const double *p, const double *fractions, const int64_t *count,
                  const int64_t *indices, const int64_t *optionSet, const int64_t *phase,
                  const int64_t *calculation, double *volume, double *dVdT, double *cp,
                  int64_t *status);
void PPMON_LMTHMY(const double *t, const double *p, const double *fractions, const int64_t *count,
                  const int64_t *indices, const int64_t *optionSet, const int64_t *calculation,
                  double *volume, double *dVdT, double *cp, int64_t *status);

/* Molar volume of a vapour (VOLV) or liquid (VOLL). */
void PPMON_VOLV(const double *t, const double *p, const double *fractions, const int64_t *count,
                const int64_t *indices, const int64_t *optionSet, const int64_t *phase,
                double *volume, int64_t *status);
void PPMON_VOLL(const double *t, const double *p, const double *fractions, const int64_t *count,
                const int64_t *indices, const int64_t *optionSet, double *volume,
                int64_t *status);

/* Average molecular weight of a mixture. */
double PPUTL_AVEMW(const int64_t *count, const int64_t *indices, const double *fractions);

/* Equation-of-state dP/dV at constant T, left by the monitors (word 1). */
extern double PPBASE_ESDPDV[];

/* Flash of a composition: code 1 pressure and enthalpy given (temperature out), code
 * 2 temperature and pressure given.  Vapour fraction, liquid-1 share of the liquid
 * and the phase compositions out; returnCode non-zero on failure. */
void FLSH_PFLASH(const int64_t *code, double *t, const double *p, double *enthalpy,
                 const double *z, const int64_t *count, const int64_t *indices,
                 const int64_t *optionSet, double *vapourFraction, double *liquidSplit,
                 double *liquid, double *liquid1, double *liquid2, double *vapour,
                 int64_t *returnCode);

/* Evaluates the piecewise cubic built by ZMTH_SPLINE (knots x, interval
 * coefficients) at at, clipped to [lower, upper]. */
void PPPETM_PCINTP(const double *x, const double *coefficients, const double *at, double *result,
                   const int64_t *count, const double *lower, const double *upper);

#ifdef __cplusplus
}
#endif

#endif
