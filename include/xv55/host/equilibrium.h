/* Host services: the companion simulator's equilibrium reactor (EQLBRX blocks), the
 * streams of a block, and the run's error and global words.
 *
 * Every argument is passed by address; text lengths follow all other arguments as plain
 * values.  Words of the areas are 1-based in the host's terms: word k of DMS_GLOBAL is
 * DMS_GLOBAL[k - 1] in C.  Stream values are SI: kmol/s, K, Pa, J/kg, kg/m3, kg/kmol.
 */
#ifndef XV55_HOST_EQUILIBRIUM_H
#define XV55_HOST_EQUILIBRIUM_H

#include <stdint.h>

#include "xv55/host/store.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- The run's error and global words ---- */

/* The block in progress, for the host's error attribution: word 1 its bead ID, words 2
 * and 3 its packed name. */
enum { DMS_ERRTWO_WORDS = 8 };
extern int64_t DMS_ERRTWO[DMS_ERRTWO_WORDS];
enum { DMS_ERRTWO_BEAD = 1, DMS_ERRTWO_NAME = 2 };

/* Global words of a block run: word 26 the bead ID of the block to run, word 27 the
 * base of its bead (DMS_LOCATI), word 32 the run mode (3: one block run for a
 * procedure). */
enum { DMS_GLOBAL_WORDS = 64 };
extern int64_t DMS_GLOBAL[DMS_GLOBAL_WORDS];
enum { DMS_GLOBAL_BLOCK_BEAD = 26, DMS_GLOBAL_BLOCK_BASE = 27, DMS_GLOBAL_RUN_MODE = 32 };
enum { DMS_RUN_ONE_BLOCK = 3 };

/* Report flags of a block run; cleared before a procedure runs a block. */
enum { DMS_RPTGLB_WORDS = 16 };
extern int64_t DMS_RPTGLB[DMS_RPTGLB_WORDS];

/* ---- The equilibrium reactor ---- */

/* Positions of the EQLBRX block's real parameters: word k holds the position (1-based)
 * in the block's real-parameter area of parameter k.  Filled by EQLB_IURE06. */
enum { EQLB_CURE06_WORDS = 128 };
extern int64_t EQLB_CURE06[EQLB_CURE06_WORDS];
enum {
  EQLB_TEMPERATURE = 2, /* reactor temperature, K; the missing value: adiabatic */
  EQLB_PRESSURE = 3,    /* reactor pressure, Pa */
  EQLB_DUTY = 10,       /* heat duty given, W; the missing value: none */
  EQLB_APPROACH = 119   /* temperature approach to equilibrium, K; the missing value: none */
};

/* Sets the reactor library up for the block of DMS_GLOBAL word 26: status 4 (and a
 * report) when that is not an EQLBRX block the library can run. */
void EQLB_IURE06(int64_t* status);

/* Initialises the component streams of the block of DMS_GLOBAL word 26 for a run;
 * status 4 (and a report) on failure. */
void ZSTR_CSINIT(int64_t* status);

/* Runs the block of DMS_GLOBAL word 26: its products from its feeds, temperature and
 * pressure.  The outcome is left in the block's error word (negative: an error state
 * that EQLB_EURE06 decodes); status 4 only when the block was not set up. */
void EQLB_URE06I(int64_t* status);

/* Decodes a negative error word: severity 1 (the run failed) or 2 (a warning), and the
 * host's error text, blank-padded to textLength characters. */
void EQLB_EURE06(const int64_t* errorWord, int64_t* severity, char* text, int64_t textLength);

enum { EQLB_FAILURE = 1, EQLB_WARNING = 2, EQLB_ERROR_TEXT_LENGTH = 80 };

/* ---- Streams ---- */

/* The vector of a stream: base L (word k is DMS_PLEX word L + k) and its component
 * count n.  Words 1..n component flows (kmol/s) at their companion positions, n+1 total
 * flow, n+2 temperature, n+3 pressure, n+4 mass enthalpy, n+5 molar vapour fraction,
 * n+6 molar liquid fraction, n+7 mass entropy, n+8 mass density, n+9 molecular weight.
 * An unknown stream gives base 0 and count 0 (and a report). */
void SHS_LOCATS(const int64_t* stream, int64_t* base, int64_t* count);

/* Number of phases of a stream (0 for an empty or unknown stream). */
void SHS_NPHASE(const int64_t* stream, int64_t* phases);

/* Kind of phase k (1-based) of a stream: SHS_VAPOUR, SHS_LIQUID or SHS_LIQUID2; 0 when
 * the stream has no phase k. */
void SHS_LPHASE(const int64_t* stream, const int64_t* phase, int64_t* kind);

enum { SHS_VAPOUR = 1, SHS_LIQUID = 2, SHS_LIQUID2 = 3 };
enum {
  SHS_TOTAL_FLOW = 1, /* words after the components */
  SHS_TEMPERATURE = 2,
  SHS_PRESSURE = 3,
  SHS_MASS_ENTHALPY = 4,
  SHS_VAPOUR_FRACTION = 5,
  SHS_LIQUID_FRACTION = 6,
  SHS_MASS_ENTROPY = 7,
  SHS_MASS_DENSITY = 8,
  SHS_MOLECULAR_WEIGHT = 9,
  SHS_TAIL_WORDS = 9
};

#ifdef __cplusplus
}

namespace xv55::host {

/* Where an EQLBRX block keeps its data: data words of the block bead (data word k is
 * bead word o + k). */
inline constexpr int64_t kEqlbFeedCountAt = 16;    /* number of feed streams */
inline constexpr int64_t kEqlbProductCountAt = 17; /* number of product streams */
inline constexpr int64_t kEqlbErrorWordAt = 20;    /* 0, or a negative error state */
inline constexpr int64_t kEqlbFlagsAt = 21;        /* data word of the integer flags */
inline constexpr int64_t kEqlbParametersAt = 22;   /* data word of the real parameters */
inline constexpr int64_t kEqlbStreamsAt = 24;      /* stream IDs: feeds, then products */
/* Integer flag word (1-based) that asks the reactor library to re-initialise. */
inline constexpr int64_t kEqlbReinitialiseFlag = 6;

}  // namespace xv55::host
#endif

#endif
