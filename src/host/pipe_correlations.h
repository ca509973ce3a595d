/* Host services: the pipe-correlation library.  Field units (ft, psi, lb/ft3,
 * lb/(ft s)); gradients in lbf/ft2 per ft unless a routine says otherwise; error
 * flags start at 0. */
#ifndef XV55_HOST_PIPE_CORRELATIONS_H
#define XV55_HOST_PIPE_CORRELATIONS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Word 1: gravitational conversion constant g_c, lbm ft/(lbf s2). */
extern double PIP_PCONST[];
/* Word 1: output unit of trace lines; word 2: trace level. */
extern int64_t PIP_IORFS1[];

void PIP_PIPBL1(void);
void PIP_PIPBL2(void);
void PIP_PIPFFC(void);

/* Holdup correlations. */
void PIP_PIPBBH(const double *lambda, const double *d, const double *rhoNs, const double *rhoL,
                const double *vm, const double *sigma, const double *theta, double *holdup,
                double *regime, int64_t *error);
void PIP_PIPHTH(const double *massFlow, const double *d, const double *pi, const double *lambda,
                const double *rhoL, const double *rhoG, const double *muL, const double *muG,
                const double *theta, double *unused, double *holdup, int64_t *error);
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
                const double *d, const double *roughness, const double *theta, double *unused1,
                double *friction, double *unused2, double *acceleration, double *holdup,
                double *regime, int64_t *error);
void PIP_PIPLMR(const double *d, const double *vsL, const double *vsG, const double *rhoG,
                const double *rhoL, const double *muG, const double *muL, double *friction,
                double *holdup);
void PIP_PIPHBR(const double *theta, const double *d, const double *roughness, const double *p,
                const double *vsG, const double *vsL, const double *lambda, const double *rhoG,
                const double *rhoL, const double *muG, const double *muL, const double *sigma,
                double *holdup, double *friction, double *acceleration, double *regime,
                int64_t *error);

/* Pressure-drop correlations. */
void PIP_ERGUN(const double *bedA, const double *rhoNs, const double *muNs, const double *bedC,
               const double *bedB, const double *velocity, double *gradient);
void PIP_PIPBBF(const double *lambda, const double *vm, const double *muNs, const double *rhoNs,
                const double *d, const double *roughness, double *frictionFactor,
                const double *holdup, int64_t *error);
void PIP_PIPHTF(const double *massFlow, const double *d, const double *pi, const double *lambda,
                const double *rhoL, const double *rhoG, const double *muL, const double *muG,
                const double *roughness, const double *gc, const double *vsL, const double *vsG,
                double *gradient, int64_t *error);
void PIP_PIPDUL(const double *lambda, const double *rhoG, const double *rhoL, const double *vm,
                const double *muNs, const double *d, const double *holdup, double *friction,
                int64_t *error);
void PIP_PIPAWR(const double *d, const double *rhoNs, const double *vm, double *friction,
                int64_t *error);

#ifdef __cplusplus
}
#endif

#endif
