/* Evaluation tools beside the procedure library: libxv55tools.so.
 *
 * A caller (the Python package, a script, a test) lays out one procedure block once in an
 * Xv55Site: the cells, positions, extents, workspace and derivative matrix.  Then
 *
 *   xv55_site_call      makes one call with the site's call type (a few nanoseconds on
 *                       top of the procedure);
 *   xv55_vector_evaluate evaluates many points in one loop: before each point it writes
 *                       the point's values into the input cells it is told about, calls
 *                       the procedure and copies the output cells, the status and, on
 *                       request, the derivative matrix into point-indexed arrays.
 *
 * A vector run keeps the host's call-type rules on the one site: an optional set-up call
 * (type 1) before the first point, the chosen type (0, 3 or 4) for every point, and an
 * optional clean-up call (type 2) after the last.  The workspace and the output cells
 * carry over from one point to the next, as they do between a host's calls.  While it
 * runs, the run's own printer collects every message with the point that gave it, and
 * its options handler answers the solver marker (code 31) with a new number for each
 * call when asked to; every other request goes to the handler installed before.  The
 * library's initialisation block is restored when the run ends.
 *
 * The tools library does not link to libxv55.so: the site carries the addresses of the
 * entry point and of the library's QRInitialize and GetDLLInitializationData.
 * Not re-entrant: one run at a time per process.
 */
#ifndef XV55_VECTOR_H
#define XV55_VECTOR_H

#include <stdint.h>

#include "xv55/xv55.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t (*Xv55Initialize)(const InitBlock* block);
typedef InitBlock* (*Xv55InitializationData)(void);

/* One procedure block, laid out once.  Every pointer stays valid while the site is used. */
typedef struct Xv55Site {
  Xv55Entry entry;
  Xv55Initialize initialize;                 /* the library's QRInitialize */
  Xv55InitializationData initializationData; /* its GetDLLInitializationData */
  void* inputs;                              /* input cells, 8 bytes each */
  int64_t inputCells;                        /* their number */
  const int64_t* inputSizes;
  double* outputs; /* output cells */
  const int64_t* outputSizes;
  const int64_t* inputPositions;
  const int64_t* outputPositions;
  int64_t outputCells; /* number of output cells */
  int64_t hostContext;
  double* work; /* never NULL, even for a workspace of length 0 */
  int64_t workLength;
  double* derivatives; /* rows x columns, column-major, never NULL */
  int64_t rows;
  int64_t columns;
  double untouched; /* value every derivative element holds before a derivative call */
  int64_t callType; /* the type xv55_site_call uses */
  int64_t status;   /* written by xv55_site_call: 0 when the procedure wrote none */
} Xv55Site;

/* One call with site->callType.  Before a call of type 3 or 4 every element of the
 * rows x columns matrix is set to site->untouched.  Returns site->status. */
XV55_API int64_t xv55_site_call(Xv55Site* site);

/* An input whose cells change from point to point. */
typedef struct Xv55VaryingInput {
  int64_t cell;       /* 0-based index of its first cell in site->inputs */
  int64_t width;      /* cells per point (1 for a number) */
  const void* values; /* points x width cells of 8 bytes, point after point */
} Xv55VaryingInput;

/* One message: its text is text[offset, offset + length) of the run's message text,
 * lines joined by '\n', not NUL-terminated. */
typedef struct Xv55Message {
  int64_t point;    /* the point whose call gave it: 0 for set-up, the last for clean-up */
  int32_t callType; /* the call type of that call */
  int32_t severity; /* as the library ended it; 0 for lines it left without an end */
  int64_t offset;
  int64_t length;
} Xv55Message;

typedef struct Xv55VectorRun {
  /* what to evaluate */
  int64_t points;
  const Xv55VaryingInput* varying;
  int64_t varyingCount;
  int64_t callType;    /* 0, 3 or 4 for every point */
  int32_t setUp;       /* nonzero: a set-up call before the first point (its values written) */
  int32_t cleanUp;     /* nonzero: a clean-up call after the last point */
  int32_t numberCalls; /* the solver marker (31): 1 firstMarker + the call's index (0 for
                          the first call of the run, set-up included), each call its own
                          solver pass; 2 firstMarker for every call, one pass; 0 asked of
                          the handler installed before */
  int32_t reserved;
  double firstMarker;
  /* where the results go */
  double* outputs;     /* points x site->outputCells, or NULL */
  int64_t* statuses;   /* points, or NULL */
  double* derivatives; /* points x (rows x columns), each column-major, or NULL: then the
                          site's matrix is used and nothing is kept */
  /* results */
  int64_t setUpStatus;
  int64_t cleanUpStatus;
  int64_t calls; /* calls made, set-up and clean-up included */
  Xv55Message* messages;
  int64_t messageCount;
  char* text;
  int64_t textLength;
  int64_t dropped; /* messages lost for want of memory */
  int64_t capacity, textCapacity;
} Xv55VectorRun;

/* Evaluates every point.  Returns 1, or 0 with nothing called when the run is malformed
 * (NULL site or entry, a call type other than 0, 3 or 4, negative counts, a varying input
 * outside the cells).  The messages are held until xv55_vector_release. */
XV55_API int32_t xv55_vector_evaluate(Xv55Site* site, Xv55VectorRun* run);

/* Frees the messages of a run (safe on a run that holds none). */
XV55_API void xv55_vector_release(Xv55VectorRun* run);

#ifdef __cplusplus
}
#endif

#endif /* XV55_VECTOR_H */
