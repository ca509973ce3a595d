/* Host services: the pipe-correlation library.  Field units: lengths
 * ft, pressure psia, densities lb/ft3, viscosities lb/(ft s), velocities ft/s, surface
 * tension lbm/s2 (= poundal/ft: the procedures pass N/m x 2.204634), angles rad
 * (positive upward).  Friction and acceleration gradients are in lbf/ft2 per ft
 * except where a routine below says psi/ft (PIP_PIPLMR, PIP_PIPAWR) or Pa/m
 * (PIP_PIPHTF, PIP_ERGUN).  Error flags start at 0; the procedures do not examine
 * them.  The reference host's implementation: docs/pipe.md. */
#ifndef XV55_HOST_PIPE_CORRELATIONS_H
#define XV55_HOST_PIPE_CORRELATIONS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Word 1: gravitational conversion constant g_c, lbm ft/(lbf s2). */
extern double PIP_PCONST[];
/* Word 1: output unit of trace lines; word 2: trace level (the Colebrook routine
 * PIPCBR traces at 8 and above). */
extern int64_t PIP_IORFS1[];

/* Initialisers, called in this order before any other pipe service. */
void PIP_PIPBL1(void);
void PIP_PIPBL2(void);
void PIP_PIPFFC(void);

/* Holdup correlations. */
void PIP_PIPBBH(const double *lambda, const double *d, const double *rhoNs, const double *rhoL,
                const double *vm, const double *sigma, const double *theta, double *holdup,
                double *regime, int64_t *error);
/* massFlow in lb/s (the procedures pass kg/h x 0.000612395). */
void PIP_PIPHTH(const double *massFlow, const double *d, const double *pi, const double *lambda,
                const double *rhoL, const double *rhoG, const double *muL, const double *muG,
                const double *theta, double *slip, double *holdup, int64_t *error);
/* slip (not read by the procedures): the reference host returns its slip ratio. */
void PIP_PIPFLN(const double *vsG, double *holdup);
void PIP_PIPEAT(const double *p, const double *lambda, const double *vm, const double *rhoL,
                const double *sigma, const double *muL, const double *d, double *holdup);
void PIP_PIPHOO(const double *lambda, const double *vm, double *holdup, int64_t *error);
void PIP_PIPHMR(const double *lambda, const double *rhoNs, const double *vm, const double *d,
                const double *muG, const double *muL, double *holdup, int64_t *error);
void PIP_PIPSLK(const double *lambda, const double *rhoL, const double *rhoG, const double *muL,
                const double *muG, const double *vm, const double *d, const double *roughness,
                const double *theta, double *holdup, double *friction, int64_t *error);
void PIP_PIPORK(const double *p, const double *vm, const double *lambda, const double *rhoL,
                const double *rhoG, const double *muL, const double *muG, const double *sigma,
                const double *d, const double *roughness, const double *theta, double *elevation,
                double *friction, double *total, double *acceleration, double *holdup,
                double *regime, int64_t *error);
/* elevation and total (not read by the procedures): the reference host returns the
 * elevation gradient and the sum of the three gradients. */
/* friction in psi/ft. */
void PIP_PIPLMR(const double *d, const double *vsL, const double *vsG, const double *rhoG,
                const double *rhoL, const double *muG, const double *muL, double *friction,
                double *holdup);
void PIP_PIPHBR(const double *theta, const double *d, const double *roughness, const double *p,
                const double *vsG, const double *vsL, const double *lambda, const double *rhoG,
                const double *rhoL, const double *muG, const double *muL, const double *sigma,
                double *holdup, double *friction, double *acceleration, double *regime,
                int64_t *error);

/* Pressure-drop correlations. */
/* SI in and out: (packed-bed input a, rho_ns kg/m3, mu_ns Pa s, packed-bed input c,
 * packed-bed input b, superficial velocity m/s as given, out gradient Pa/m).  The
 * reference host reads a as the bed void fraction, c as the particle diameter (m) and
 * b as the particle sphericity. */
void PIP_ERGUN(const double *bedA, const double *rhoNs, const double *muNs, const double *bedC,
               const double *bedB, const double *velocity, double *gradient);
void PIP_PIPBBF(const double *lambda, const double *vm, const double *muNs, const double *rhoNs,
                const double *d, const double *roughness, double *frictionFactor,
                const double *holdup, int64_t *error);
/* massFlow in lb/s; gradient out in Pa/m. */
void PIP_PIPHTF(const double *massFlow, const double *d, const double *pi, const double *lambda,
                const double *rhoL, const double *rhoG, const double *muL, const double *muG,
                const double *roughness, const double *gc, const double *vsL, const double *vsG,
                double *gradient, int64_t *error);
void PIP_PIPDUL(const double *lambda, const double *rhoG, const double *rhoL, const double *vm,
                const double *muNs, const double *d, const double *holdup, double *friction,
                int64_t *error);
/* friction in psi/ft. */
void PIP_PIPAWR(const double *d, const double *rhoNs, const double *vm, double *friction,
                int64_t *error);

#ifdef __cplusplus
}
#endif

#endif
