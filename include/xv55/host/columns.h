/* Host services: tray rating of the companion simulator's column blocks (TRAYCOL,
 * REFINECOL), the rating routine's common data, and where a column block keeps its
 * tray data.
 *
 * Every argument is passed by address.  Words of the common areas are 1-based in the
 * host's terms: word k of TPSR_TRAYI is TPSR_TRAYI[k - 1] in C.  Quantities are SI:
 * Pa, kg/s, m3/s, kg/m3, N/m, Pa s, m, m2, m3.
 */
#ifndef XV55_HOST_COLUMNS_H
#define XV55_HOST_COLUMNS_H

#include <stdint.h>

#include "xv55/host/store.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- The rating routine's common data ----
 *
 * Integer words (TPSR_TRAYI):
 *   1  hydraulics option of the calling model
 *   2  stage number (within its section for a REFINECOL block)
 *   3  section number (1 = main column, k > 1 = stripper k - 1; 1 for a TRAYCOL block)
 *   4  flag: preset to -999 by the caller; the rating routine leaves its outcome
 *      (TPSR_RATED or one of the TPSR_* reasons below)
 *   11 .. 48  the block's 38 integer tray fields, not-set fields replaced by defaults
 * Real words (TPSR_TRAYR):
 *   1  the model's stage datum (passed through)
 *   2  the model's length, m (passed through)
 *   3 .. 10  the eight rating constants of the block (TPSR_CONSTANT_*)
 */
enum { TPSR_TRAYI_WORDS = 64, TPSR_TRAYR_WORDS = 16 };
extern int64_t TPSR_TRAYI[TPSR_TRAYI_WORDS];
extern double TPSR_TRAYR[TPSR_TRAYR_WORDS];

enum {
  TPSR_OPTION_WORD = 1,
  TPSR_STAGE_WORD = 2,
  TPSR_SECTION_WORD = 3,
  TPSR_FLAG_WORD = 4,
  TPSR_FIELDS_WORD = 11, /* first of the 38 tray fields */
  TPSR_DATUM_WORD = 1,   /* real words */
  TPSR_LENGTH_WORD = 2,
  TPSR_CONSTANTS_WORD = 3 /* first of the eight rating constants */
};

/* Value of the flag word before the rating call. */
#define TPSR_FLAG_PRESET (-999)

/* Outcome left in the flag word. */
enum {
  TPSR_RATED = 0,           /* every result computed */
  TPSR_NO_TRAYS = 1,        /* no tray section of the block holds the stage */
  TPSR_BAD_GEOMETRY = 2,    /* the stage's trays have no usable geometry */
  TPSR_BAD_STAGE_DATA = 3,  /* flows, densities or the stage index are unusable */
  TPSR_JET_FLOOD = 4,       /* the vapour load reaches the flooding load */
  TPSR_DOWNCOMER_FLOOD = 5, /* the downcomer backs up to the tray above */
  TPSR_UNKNOWN_OPTION = 6   /* a tray field selects a method the routine does not have */
};

/* Results of a rating, in the order of the results array. */
enum {
  TPSR_PRESSURE_DROP = 1,     /* total tray pressure drop, Pa */
  TPSR_DRY_PRESSURE_DROP = 2, /* dry tray pressure drop, Pa */
  TPSR_CLEAR_LIQUID = 3,      /* clear liquid height on the tray, m */
  TPSR_WEIR_CREST = 4,        /* liquid crest over the outlet weir, m */
  TPSR_FLOOD_FRACTION = 5,    /* vapour load / flooding vapour load */
  TPSR_FLOOD_FACTOR = 6,      /* flooding capacity factor, m/s */
  TPSR_DOWNCOMER_BACKUP = 7,  /* clear liquid backup in the downcomer, m */
  TPSR_RESIDENCE_TIME = 8,    /* liquid residence time in the downcomer, s */
  TPSR_RESULTS = 8
};

/* Tray rating of one stage of a TRAYCOL block.  The stage, option and tray data are
 * those of the common data; each table holds tableLength entries, entry s (1-based)
 * belonging to stage s:
 *   pressure     stage pressure, Pa; on return entry 1 holds the rated pressure: the
 *                stage's pressure plus its total tray pressure drop (the stage
 *                pressure itself when no drop could be computed)
 *   liquidMass, vapourMass            mass flows, kg/s
 *   liquidVolume, vapourVolume        volumetric flows, m3/s
 *   liquidDensity, vapourDensity      mass densities, kg/m3
 *   property1, property2              surface tension, N/m; liquid viscosity, Pa s
 *   datum                             the model's stage datum (passed through)
 *   flowParameter                     (mL / mV) sqrt(rhoV / rhoL)
 *   vapourLoad                        QV sqrt(rhoV / (rhoL - rhoV)), m3/s
 *   stageWork                         written: the clear liquid height of the stage, m
 *   liquidMw, vapourMw                molecular weights, kg/kmol
 * record is the block's tray record (TPSR_RECORD_AT), work its rating work words
 * (TPSR_WORK_AT).  holdup receives the liquid holdup of the tray, m3, and results the
 * eight TPSR_* results; a value that cannot be given is the no-value magnitude (word 1
 * of DMS_RGLOB). */
void TPSR_TPSAR(const DmsWord* record, double* pressure, const double* liquidMass,
                const double* vapourMass, const double* liquidVolume, const double* vapourVolume,
                const double* liquidDensity, const double* vapourDensity, const double* property1,
                const double* property2, const double* datum, const double* flowParameter,
                const double* vapourLoad, double* stageWork, const double* liquidMw,
                const double* vapourMw, const int64_t* tableLength, DmsWord* work, double* holdup,
                double* results);

/* Tray rating of one stage of a REFINECOL block: as TPSR_TPSAR, for the stage of the
 * common data within its section.  section is the section number, totalStages the
 * number of entries of every array (the stages of all sections, plus 1 when the block
 * says so), sectionStages the block's list of section stage counts (sectionCount of
 * them); entry g of the arrays belongs to the stage whose global index is g = (stages of
 * the sections before) + stage. */
void TPSR_TPSARP(const int64_t* section, const int64_t* totalStages, const int64_t* sectionStages,
                 const int64_t* sectionCount, const DmsWord* record, double* pressure,
                 const double* liquidMass, const double* vapourMass, const double* liquidVolume,
                 const double* vapourVolume, const double* liquidDensity,
                 const double* vapourDensity, const double* property1, const double* property2,
                 const double* datum, const double* flowParameter, const double* vapourLoad,
                 double* stageWork, const double* liquidMw, const double* vapourMw, DmsWord* work,
                 double* holdup, double* results);

#ifdef __cplusplus
}

namespace xv55::host {

/* Where a column block (TRAYCOL, REFINECOL) keeps its tray data: data words of the
 * block bead (data word k is bead word o + k, o held in bead word 7). */

/* The 38 integer tray fields, their 38 defaults and the eight rating constants. */
inline constexpr int64_t kTrayFieldCount = 38;
inline constexpr int64_t kTrayFieldsAt = 16;
inline constexpr int64_t kTrayDefaultsAt = kTrayFieldsAt + kTrayFieldCount; /* 54 */
inline constexpr int64_t kTrayConstantCount = 8;
inline constexpr int64_t kTrayConstantsAt = kTrayDefaultsAt + kTrayFieldCount; /* 92 */
/* A tray field that holds this value is not set: its default applies. */
inline constexpr int64_t kTrayFieldNotSet = 99999999;

/* The tray record: its header, the section stage counts and the tray sections.  The
 * rating routines receive the address of its first word. */
inline constexpr int64_t kTrayRecordAt = 100;
/* Record words (0-based from kTrayRecordAt): */
inline constexpr int64_t kRecordStagesWord = 0;        /* TRAYCOL: number of stages (0: any);
                                                          REFINECOL: number of sections */
inline constexpr int64_t kRecordExtraEntryWord = 1;    /* REFINECOL: 1 = one stage entry more */
inline constexpr int64_t kRecordTraySectionsWord = 2;  /* number of tray sections */
inline constexpr int64_t kRecordSectionStagesWord = 3; /* REFINECOL: stage counts, main first */
inline constexpr int64_t kMaxColumnSections = 64;
/* The block's rating work words (0-based from the record; 30 words). */
inline constexpr int64_t kRecordWorkWord = 70;
inline constexpr int64_t kColumnWorkWords = 30;
/* Tray sections (0-based from the record), 10 words each: section, first stage, last
 * stage, tray type, diameter (m), weir height (m), weir length (m), downcomer area
 * (m2), tray spacing (m), not used. */
inline constexpr int64_t kRecordTraysWord = 100;
inline constexpr int64_t kTraySectionWords = 10;
inline constexpr int64_t kMaxTraySections = 256;
enum class TraySectionWord : int64_t {
  Section = 0,
  FirstStage = 1,
  LastStage = 2,
  TrayType = 3,
  Diameter = 4,
  WeirHeight = 5,
  WeirLength = 6,
  DowncomerArea = 7,
  TraySpacing = 8,
};
/* Tray types. */
inline constexpr int64_t kSieveTray = 1;
inline constexpr int64_t kValveTray = 2;
inline constexpr int64_t kBubbleCapTray = 3;

}  // namespace xv55::host
#endif

#endif
