/* Host services: data management (shared workspace, allocation, error facility).
 *
 * Every argument is passed by address; text lengths follow all other arguments as
 * plain values.  Arrays are 1-based in the host's terms: word k of DMS_PLEX is
 * DMS_PLEX[k - 1] in C, and a block whose base is L holds words L + 1 ... L + n.
 */
#ifndef XV55_HOST_DATA_MANAGEMENT_H
#define XV55_HOST_DATA_MANAGEMENT_H

#include <stdint.h>

#include "xv55/host/store.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The host's store ("plex"). */
extern DmsWord DMS_PLEX[];

/* Global real constants: word 1 the no-value magnitude (1.0E35), word 2 a small
 * tolerance, word 3 the lower bound of a valve flow coefficient. */
extern double DMS_RGLOB[];

/* Word 1: number of components of the companion simulator's component list. */
extern int64_t DMS_NCOMP[];

/* Allocates count reals (integers) in the store: handle out (0 on failure), base out. */
void DMS_ALLOCR(const int64_t *count, int64_t *handle, int64_t *base);
void DMS_ALLOCI(const int64_t *count, int64_t *handle, int64_t *base);

/* The base of a live block (or bead) by its handle; 0 when there is none. */
int64_t DMS_LOCATR(const int64_t *handle);
int64_t DMS_LOCATI(const int64_t *handle);

/* Releases a block; freeing a block that is not live is reported, nothing else. */
void DMS_ATFREE(const int64_t *handle);

/* Error facility.  DMS_IRRCHK decides whether an error of a routine is to be
 * reported: routine is the 16-character identifier (library word and routine word,
 * each blank-padded to 8), severity and number identify the error, cell and result
 * are integer cells the host may update, and the last three values are passed
 * through.  Non-zero: write the message into DMS_ERROUT and call DMS_ERRPRT. */
int64_t DMS_IRRCHK(const char *routine, const int64_t *severity, const int64_t *number,
                   int64_t *cell, int64_t *result, const int64_t *value1, const int64_t *value2,
                   const int64_t *value3, int64_t routineLength);

enum { DMS_ERROUT_LINES = 20, DMS_ERROUT_WIDTH = 80 };

/* Error-text area: lines of 80 blank-padded characters. */
extern char DMS_ERROUT[DMS_ERROUT_LINES][DMS_ERROUT_WIDTH];

/* Issues lines 1 .. lines of DMS_ERROUT and blanks the area. */
void DMS_ERRPRT(const int64_t *lines);

#ifdef __cplusplus
}

namespace xv55::host {
/* Word k (1-based) of the store, and of the global constants. */
inline DmsWord &plex(int64_t k) { return DMS_PLEX[k - 1]; }
inline double rglob(int64_t k) { return DMS_RGLOB[k - 1]; }
inline constexpr int64_t kNoValue = 1;        /* DMS_RGLOB word: the no-value magnitude */
inline constexpr int64_t kTolerance = 2;      /* DMS_RGLOB word: small tolerance */
inline constexpr int64_t kFlowCoefficientMin = 3;  /* DMS_RGLOB word: valve Cv lower bound */
}  // namespace xv55::host
#endif

#endif
