/* Host services: blocks of the companion simulator, the model hierarchy, user-routine
 * dispatch, packed names, and the reactor and reaction common areas.
 *
 * Every argument is passed by address; text lengths follow all other arguments as
 * plain values.  Words of common areas are 1-based in the host's terms: word k of
 * TBRX_TUBRXR is TBRX_TUBRXR[k - 1] in C.
 *
 * Names of the companion simulator (block names, block types, reaction IDs, routine
 * names) are 8-character texts.  Packed, they take two 8-byte words, each holding 4
 * characters in its low 4 bytes (first character lowest) and 4 blanks in its high
 * bytes: read as 8 bytes of memory, the first word of the block type TRAYCOL is
 * "TRAY    ".
 */
#ifndef XV55_HOST_COMPANION_H
#define XV55_HOST_COMPANION_H

#include <stdint.h>

#include "xv55/host/data_management.h"
#include "xv55/host/store.h"
#include "xv55/user_routine.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Packed names ---- */

/* Packs the first 8 characters of text (blank-padded when shorter, cut at a NUL) into
 * the two words of packed. */
void SAIC2ID(const char* text, int64_t* packed, int64_t textLength);

/* Packs the whole text, 4 characters a word, into (textLength + 3) / 4 words; the last
 * word is blank-padded.  Texts longer than 1024 characters are refused with a report
 * and nothing is written. */
void DMS_CS2INT(const char* text, int64_t* words, int64_t textLength);

/* Unpacks count words into text: 4 characters a word, never more than textLength
 * characters, the rest of text blanked.  A NUL character in a word comes out as a
 * blank. */
void DMS_INT2CS(const int64_t* words, const int64_t* count, char* text, int64_t textLength);

/* ---- Blocks and the model hierarchy ---- */

/* The top container of the flowsheet hierarchy. */
void KHHIER_GETTOPCNTR_F(int64_t* container);

/* The container of the hierarchy level that path (levels separated by points, compared
 * over pathLength characters, trailing blanks ignored) names below container.  item is
 * preset by the caller (-1) and receives the container found, or -1 when there is no
 * such level.  mode is 0. */
void KHHIER_FINDITEM_F(const int64_t* container, const char* path, int64_t* item,
                       const int64_t* mode, int64_t pathLength);

/* The hierarchy stack: DMS_FIBLK looks in the container on top of it (the top
 * container when the stack is empty). */
void KHHIERSTK_PUSH_F(const int64_t* container);
void KHHIERSTK_POP_F(void);

/* The bead ID of the block whose packed name (two words) is held by the container on
 * top of the hierarchy stack; 0 when it holds no such block. */
void DMS_FIBLK(const int64_t* packedName, int64_t* beadId);

/* ---- User routines ---- */

/* Resolves the user routine whose packed name (two words) is given: handle out (0 when
 * unresolved), auxiliary word out, status set to 4 when the routine cannot be
 * resolved (left as it is otherwise). */
void SAIGPNTR(const int64_t* packedName, int64_t* handle, int64_t* auxiliary, int64_t* status);

/* Calls the routine of a handle from SAIGPNTR with the 80 addresses that follow. */
void DMS_DOCALL(const int64_t* handle, XV55_USER_PARAMETERS);

/* Releases what the host holds for the calling procedure and clears status to 0;
 * status 4 on failure. */
void SAIGCLEAR(int64_t* status);

/* ---- Common areas ---- */

enum {
  TBRX_TUBRXR_WORDS = 64,  /* tubular reactor: reals */
  TBRX_TUBRXI_WORDS = 64,  /* tubular reactor: integers */
  RXN_RPROPS_WORDS = 64,   /* reaction properties: reals */
  RXN_MIXRXR_WORDS = 64,   /* stirred-tank reactor: reals */
  MXRX_MIXRXI_WORDS = 64,  /* stirred-tank reactor: integers */
  RXN_DISTR_WORDS = 64,    /* column reactions: reals */
  RXN_DISTI_WORDS = 64,    /* column reactions: integers */
  SHS_STWORK_WORDS = 4096, /* stream work area: reals */
  DMS_INITV_WORDS = 1024,  /* initial values; word 2 on serves as dummy arguments */
  PPEXEC_USER_WORDS = 64   /* user-routine values: word 1 fills unknown stream entries */
};

extern double TBRX_TUBRXR[TBRX_TUBRXR_WORDS];
extern int64_t TBRX_TUBRXI[TBRX_TUBRXI_WORDS];
extern double RXN_RPROPS[RXN_RPROPS_WORDS];
extern double RXN_MIXRXR[RXN_MIXRXR_WORDS];
extern int64_t MXRX_MIXRXI[MXRX_MIXRXI_WORDS];
extern double RXN_DISTR[RXN_DISTR_WORDS];
extern int64_t RXN_DISTI[RXN_DISTI_WORDS];
extern double SHS_STWORK[SHS_STWORK_WORDS];
extern DmsWord DMS_INITV[DMS_INITV_WORDS];
extern double PPEXEC_USER[PPEXEC_USER_WORDS];

/* The run's files: blank-padded fixed-length fields. */
enum { HOST_RUN_FILE_LENGTH = 255, HOST_RUN_DIRECTORY_LENGTH = 1024 };
typedef struct HostRunFiles {
  char runFile[HOST_RUN_FILE_LENGTH];           /* run file name */
  char runDirectory[HOST_RUN_DIRECTORY_LENGTH]; /* directory of the run's files */
} HostRunFiles;

/* The host's file-name list, set from the flowsheet. */
extern HostRunFiles DMS_FNAMES;
/* The run files as the user routines see them: blank until a procedure fills them. */
extern HostRunFiles SAIPDF;

#ifdef __cplusplus
}

#include "xv55/host/companion_store.hpp"

namespace xv55::host {

/* Word k of the bead at base (as DMS_LOCATI returned it): a zero word when base is 0
 * (no bead) or the word would lie before the store. */
inline DmsWord readBeadWord(int64_t base, int64_t k) {
  if (base <= 0 || base + k < 1) return DmsWord{0};
  return plex(base + k);
}

}  // namespace xv55::host
#endif

#endif
