/* Host services: property system (units, print level, stream state).
 *
 * Unit services convert one value between the model's units and the property
 * system's (SI) units and return the result: direction 1 model -> SI, 2 SI -> model;
 * unitSet selects the model's unit set.  Converting 1.0 gives the factor.
 */
#ifndef XV55_HOST_PROPERTY_SYSTEM_H
#define XV55_HOST_PROPERTY_SYSTEM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

double GPTEMP(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPPRES(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPMFLO(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPMASS(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPVOL(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPLEN(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPMRHO(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPRHO(const double *value, const int64_t *direction, const int64_t *unitSet);
double GPSPH(const double *value, const int64_t *direction, const int64_t *unitSet);

/* The host's procedure print level: traces are written above 1 or 2. */
int64_t GPIOUT(void);

/* Stream state of the calling procedure: the host's six store locations describing
 * its component set (index vector, model-to-companion mapping, stream-type
 * descriptor, property option set, ...); status 4 on failure. */
void SAISST(const int64_t *hostContext, int64_t *locations, int64_t *status);

/* Mole fractions from component flows; status 4 on failure, 1 on success. */
void SAIF2X(const int64_t *count, const double *flows, double *fractions, int64_t *status);

/* Copies a model-order vector into companion order (SAISAO) and back (SAIASO). */
void SAISAO(const int64_t *count, const int64_t *mapping, const double *model, double *companion);
void SAIASO(const int64_t *count, const int64_t *mapping, const double *companion, double *model);

/* Traces of a procedure's inputs (SAIPIP) and of one labelled result (SAIPOP). */
void SAIPIP(const char *routine, const int64_t *hostContext, int64_t routineLength);
void SAIPOP(const char *routine, const char *label, const double *value, int64_t routineLength,
            int64_t labelLength);

/* Names the property call in progress, for the host's error attribution. */
void SAIPEH(const char *context, int64_t contextLength);

/* Property route set-up from a descriptor word and the procedure's workspace. */
void SAIRTU(const int64_t *descriptor, double *work, const int64_t *workLength, int64_t *result1,
            int64_t *result2, int64_t *result3);

#ifdef __cplusplus
}

namespace xv55::host {
inline constexpr int64_t kToSi = 1;     /* unit service direction: model -> SI */
inline constexpr int64_t kFromSi = 2;   /* unit service direction: SI -> model */
inline constexpr int64_t kModelUnits = 1; /* the model's own unit set */
}  // namespace xv55::host
#endif

#endif
