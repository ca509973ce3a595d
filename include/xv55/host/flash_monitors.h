/* Host services: flashes, property monitors and piecewise-cubic evaluation.
 *
 * Property values are in SI: K, Pa, m3/kmol, J/kmol, J/(kmol K), kg/kmol.  A composition
 * comes with its count and an index list: entry j of the fractions belongs to the
 * component at companion position indices[j] (1-based), j = 1 .. count (at most 100).
 * Fractions need not sum to 1 (they are normalised; negative ones count as zero).
 * optionSet points at a property option set (word 1 of SAISST location 4, or word 5 for
 * free water).  Outputs passed as NULL are skipped.  On failure the monitors set status 3
 * (no result at these conditions) or 4 (arguments refused) and write no output; on
 * success they leave status alone. */
#ifndef XV55_HOST_FLASH_MONITORS_H
#define XV55_HOST_FLASH_MONITORS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Thermal monitors of a vapour and of a liquid.  phase (vapour only): 1 or 2, both the
 * vapour root.  calculation: 1 volume; 2 volume and dV/dT; 3 volume, dV/dT, Cp and
 * enthalpy.  Both leave dP/dV in PPBASE_ESDPDV and the phase's molar volume and molecular
 * weight in PPBASE_PHASE. */
void PPMON_VMTHRM(const double* t, const double* p, const double* fractions, const int64_t* count,
                  const int64_t* indices, const int64_t* optionSet, const int64_t* phase,
                  const int64_t* calculation, double* volume, double* dVdT, double* cp,
                  double* enthalpy, int64_t* status);
void PPMON_LMTHMY(const double* t, const double* p, const double* fractions, const int64_t* count,
                  const int64_t* indices, const int64_t* optionSet, const int64_t* calculation,
                  double* volume, double* dVdT, double* cp, double* enthalpy, int64_t* status);

/* Molar volume of a vapour (VOLV, phase 1 or 2) or liquid (VOLL). */
void PPMON_VOLV(const double* t, const double* p, const double* fractions, const int64_t* count,
                const int64_t* indices, const int64_t* optionSet, const int64_t* phase,
                double* volume, int64_t* status);
void PPMON_VOLL(const double* t, const double* p, const double* fractions, const int64_t* count,
                const int64_t* indices, const int64_t* optionSet, double* volume, int64_t* status);

/* Average molecular weight of a mixture; 0 (and a report) when it cannot be formed. */
double PPUTL_AVEMW(const int64_t* count, const int64_t* indices, const double* fractions);

/* Equation-of-state (dP/dV)_T, Pa kmol/m3, left by the thermal monitors (word 1). */
extern double PPBASE_ESDPDV[];

/* Phase data left by the last monitor or flash (words 1-based):
 *   1 vapour molar volume, 2 vapour molecular weight (vapour monitor or flash);
 *   3 liquid molar volume, 4 liquid molecular weight (liquid monitor or flash);
 *   5 vapour fraction, 6 temperature, 7 pressure (flash only); 8 not used.
 * A flash that finds one phase gives the absent phase the feed's own root of that kind. */
extern double PPBASE_PHASE[];
enum {
  PPBASE_PHASE_VAPOUR_VOLUME = 1,
  PPBASE_PHASE_VAPOUR_MW = 2,
  PPBASE_PHASE_LIQUID_VOLUME = 3,
  PPBASE_PHASE_LIQUID_MW = 4,
  PPBASE_PHASE_VAPOUR_FRACTION = 5,
  PPBASE_PHASE_TEMPERATURE = 6,
  PPBASE_PHASE_PRESSURE = 7,
  PPBASE_PHASE_WORDS = 8
};

/* Flash of a composition z (count entries, index list as above).
 *   code 2: temperature and pressure given; enthalpy out (J/kmol).
 *   code 1: pressure and enthalpy given; t in as the first guess (if in 10 .. 2000 K), out.
 *   phaseCode 1: one phase, subCode 1 vapour root, 2 liquid root, other the stable root;
 *   2: vapour-liquid; 3: vapour-liquid-liquid, computed as vapour-liquid (no second
 *   liquid is searched: liquidSplit 1 and liquid1 = liquid2 = liquid).
 *   tolerance on ln K (and relative temperature); NULL, zero or not finite: 1e-10.
 * Out: vapourFraction (molar), liquidSplit (share of the liquid that is liquid 1), the
 * overall liquid, liquid 1, liquid 2 and vapour compositions (count entries each; an
 * absent phase gets the feed composition).  returnCode 0 converged, 3 not converged,
 * 4 refused; on failure no other output is written. */
void FLSH_PFLASH(const int64_t* code, double* t, const double* p, double* enthalpy, const double* z,
                 const int64_t* count, const int64_t* indices, const int64_t* optionSet,
                 const int64_t* phaseCode, const int64_t* subCode, const double* tolerance,
                 double* vapourFraction, double* liquidSplit, double* liquid, double* liquid1,
                 double* liquid2, double* vapour, int64_t* returnCode);

/* Flash of a companion stream vector of count + 9 words (count = NCOMP at most, component
 * j at companion position j): words 1..count flows (kmol/s), count+1 total flow, +2 T (K),
 * +3 P (Pa), +4 mass enthalpy (J/kg), +5 molar vapour fraction, +6 molar liquid fraction,
 * +7 mass entropy (J/(kg K)), +8 mass density (kg/m3), +9 molecular weight.  code 2 reads
 * T and P; code 1 reads the enthalpy and P (T as first guess) and writes T.  Both write
 * words +4 to +9 (the total flow is the caller's).  phaseCode as FLSH_PFLASH.
 * returnCode as FLSH_PFLASH. */
void FLSH_FLASH(const int64_t* code, double* stream, const int64_t* count, const int64_t* optionSet,
                const int64_t* phaseCode, int64_t* returnCode);

/* Evaluates the piecewise cubic built by ZMTH_SPLINE (knots x, interval
 * coefficients) at at, clipped to [lower, upper]. */
void PPPETM_PCINTP(const double* x, const double* coefficients, const double* at, double* result,
                   const int64_t* count, const double* lower, const double* upper);

#ifdef __cplusplus
}
#endif

#endif
