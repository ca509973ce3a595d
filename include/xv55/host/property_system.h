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

double GPTEMP(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPPRES(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPMFLO(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPMASS(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPVOL(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPLEN(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPMRHO(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPRHO(const double* value, const int64_t* direction, const int64_t* unitSet);
double GPSPH(const double* value, const int64_t* direction, const int64_t* unitSet);

/* The host's procedure print level: traces are written above 1 or 2. */
int64_t GPIOUT(void);

/* Pure-component or mixture molar enthalpy of a vapour (GPIVEX) or liquid (GPILEX):
 * temperature in degC and pressure in bar (the model's units), z the mole fractions of the
 * first count components of the model that calls with hostContext, h out in the model's
 * molar enthalpy unit (that of GPSPH, unit set 1).  status 3 or 4 on failure (h kept),
 * untouched on success. */
void GPIVEX(const double* t, const double* p, const double* z, const int64_t* count, double* h,
            int64_t* status, const int64_t* hostContext);
void GPILEX(const double* t, const double* p, const double* z, const int64_t* count, double* h,
            int64_t* status, const int64_t* hostContext);

/* Stream state of the calling procedure: six store locations L (word k of an area is
 * DMS_PLEX word L + k) describing the component set of the model that calls with
 * hostContext; status 1, or 4 on failure.  Areas, by location:
 *   1 index vector IDX: word i = companion position of model component i (NC words);
 *   2 mapping block for SAISAO/SAIASO: tag, NC, NCOMP, then the NC positions;
 *   3 stream-type descriptor: word 1 stream class (1), word 2 flash tolerance exponent d
 *     (tolerance 10^-d);
 *   4 property option set, 6 words: word 1 property method (1 Peng-Robinson), word 5 the
 *     method of a free-water liquid;
 *   5 counts: NC, NCOMP, W (stride of the work vectors), number of work vectors (8);
 *   6 work vectors of reals: vector k (1..8) at words (k-1) W + 1 .. k W.
 * The areas stay at their locations for the context until the component lists change or
 * the host is reset. */
void SAISST(const int64_t* hostContext, int64_t* locations, int64_t* status);

enum {
  SAISST_INDEX = 1,
  SAISST_MAPPING = 2,
  SAISST_DESCRIPTOR = 3,
  SAISST_OPTIONS = 4,
  SAISST_COUNTS = 5,
  SAISST_WORK = 6,
  SAISST_LOCATIONS = 6
};

/* Mole fractions from component flows (negative flows count as zero); status 1 on
 * success, 4 when the flows sum to zero or are not numbers (fractions kept). */
void SAIF2X(const int64_t* count, const double* flows, double* fractions, int64_t* status);

/* Copies a model-order vector into companion order (SAISAO: the NCOMP-word companion
 * vector is zeroed first) and back (SAIASO: count model words written).  mapping is the
 * block at SAISST location 2 (its word 1); a count above its NC is refused. */
void SAISAO(const int64_t* count, const int64_t* mapping, const double* model, double* companion);
void SAIASO(const int64_t* count, const int64_t* mapping, const double* companion, double* model);

/* Traces: the count values of a procedure's inputs (SAIPIP) and one labelled result
 * (SAIPOP), printed under the routine name.  The caller decides on the print level. */
void SAIPIP(const char* routine, const int64_t* hostContext, const double* values,
            const int64_t* count, int64_t routineLength);
void SAIPOP(const char* routine, const char* label, const double* value, int64_t routineLength,
            int64_t labelLength);

/* Names the property call in progress, for the host's error attribution. */
void SAIPEH(const char* context, int64_t contextLength);

/* Property route of a stream class (descriptor word 1 of SAISST location 3): route out
 * (the property method for the flash and monitor calls), count out (NCOMP), status out 1
 * or 4.  The procedure's workspace is passed for the host's use; the reference host
 * neither reads nor writes it. */
void SAIRTU(const int64_t* descriptor, double* work, const int64_t* workLength, int64_t* route,
            int64_t* count, int64_t* status);

/* Turns a flash return code into the procedure's status: 0 leaves status alone; any other
 * code sets 4 and reports, naming the context text. */
void SAIFEH(const int64_t* returnCode, const char* context, int64_t* status, int64_t contextLength);

/* Flash preparation: from a companion-order vector z of count words, the companion
 * positions (indices) and fractions (packed) of the components present (z > 0), at most
 * limit of them, and their number; status 1, or 4 (nothing written past limit). */
void SACHMBPX(const int64_t* count, const double* z, const int64_t* limit, int64_t* indices,
              double* packed, int64_t* packedCount, int64_t* status);
/* The reverse: a packed flash result of packedCount entries back into a companion-order
 * vector of count words (zeros elsewhere); status 1, or 4 (nothing written). */
void SACHMVRY(const int64_t* packedCount, const int64_t* indices, const double* packed,
              const int64_t* count, double* full, int64_t* status);

#ifdef __cplusplus
}

namespace xv55::host {
inline constexpr int64_t kToSi = 1;       /* unit service direction: model -> SI */
inline constexpr int64_t kFromSi = 2;     /* unit service direction: SI -> model */
inline constexpr int64_t kModelUnits = 1; /* the model's own unit set */
}  // namespace xv55::host
#endif

#endif
