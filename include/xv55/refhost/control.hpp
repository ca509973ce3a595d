// Control interface of the reference host (libxv55host.so).
//
// The reference host implements the host services the procedures call (units, data
// store, error facility, splines, ...).  Tests and tools use the functions below to
// set it up before calling procedures and to look at what the services received.
// Everything is process-wide and, like the services, meant for one thread at a time.
//
// Defaults (also restored by reset()):
//   print level 0; DMS_RGLOB word 1 = 1.0E35 (no-value magnitude), word 2 = 1.0E-10
//   (tolerance), word 3 = 1.0E-6 (lower bound of a valve flow coefficient), all other
//   words 0; component count 0; empty store; no injected failures; no records; no
//   report lines; error reports unlimited.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xv55/host/store.h"
#include "xv55/xv55.h"

namespace xv55::refhost {

// Size of the store DMS_PLEX, in words.  Word 1 is never handed out, so that no
// block or bead has base 0 (which the services use for "none").
inline constexpr std::int64_t kPlexWords = std::int64_t{4} * 1024 * 1024;
// Words of DMS_RGLOB and DMS_NCOMP.
inline constexpr std::int64_t kGlobalWords = 64;
inline constexpr std::int64_t kComponentWords = 8;
// Bead IDs are 1 .. kMaxBeadId; handles of DMS_ALLOCR/DMS_ALLOCI blocks start above.
inline constexpr std::int64_t kMaxBeadId = 1000000;
inline constexpr std::int64_t kFirstHandle = kMaxBeadId + 1;
// Default global constants.
inline constexpr double kDefaultNoValue = 1.0e35;
inline constexpr double kDefaultTolerance = 1.0e-10;
inline constexpr double kDefaultFlowCoefficientMin = 1.0e-6;
// How many report lines reportLines() keeps (the oldest are dropped).
inline constexpr std::size_t kReportLineCapacity = 500;

// Everything back to the defaults above.  Bases and handles handed out before are
// no longer valid afterwards; handle numbering starts again at kFirstHandle.
XV55_API void reset();

// The value GPIOUT returns.
XV55_API void setPrintLevel(std::int64_t level);

// DMS_RGLOB word (1-based).  setGlobal returns false (and changes nothing) for a word
// outside 1 .. kGlobalWords; global returns NaN there.
XV55_API bool setGlobal(std::int64_t word, double value);
XV55_API double global(std::int64_t word);

// DMS_NCOMP word 1.
XV55_API void setComponentCount(std::int64_t count);

// Creates (or replaces) the bead with the given ID, words 0 .. words, all zero, and
// returns its base L: word k of the bead is DMS_PLEX word L + k.  Returns 0 (and
// reports) for an ID outside 1 .. kMaxBeadId, a negative size or a full store.
XV55_API std::int64_t createBead(std::int64_t id, std::int64_t words);
// Removes a bead; false when there is none with that ID.
XV55_API bool removeBead(std::int64_t id);
// Base of a bead, 0 when there is none.
XV55_API std::int64_t beadBase(std::int64_t id);
// Word k (0 .. words) of a bead, or nullptr when the bead or the word does not exist.
XV55_API DmsWord* beadWord(std::int64_t id, std::int64_t k);
// Shorthands for beadWord; the setters return false when the word does not exist.
XV55_API bool setBeadInteger(std::int64_t id, std::int64_t k, std::int64_t value);
XV55_API bool setBeadReal(std::int64_t id, std::int64_t k, double value);

// Blocks allocated with DMS_ALLOCR/DMS_ALLOCI and not yet freed (beads not counted).
XV55_API std::int64_t liveBlocks();

// Makes the next `times` calls of a service fail (times <= 0 cancels).  Returns false
// for a name that cannot fail.  What a failure does:
//   GPTEMP GPPRES GPMFLO GPMASS GPVOL GPLEN GPMRHO GPRHO GPSPH: return NaN.
//   DMS_ALLOCR, DMS_ALLOCI: handle 0, base 0, and a report, as when the store is full.
//   DMS_LOCATR, DMS_LOCATI: return 0, no report.
//   DMS_ATFREE: nothing is freed, the block stays live; a report.
//   DMS_IRRCHK: the occurrence is counted and written to result, but 0 is returned.
//   DMS_ERRPRT: nothing is issued; the area is still blanked.
//   ZMTH_SPLINE: the 4 (count - 1) coefficients are set to NaN.
//   PPPETM_PCINTP: result set to NaN (not clipped).
//   PIP_* pipe correlations: see xv55/refhost/pipe.hpp and docs/pipe.md.
//   TPSR_*, EQLB_*, ZSTR_CSINIT, SHS_LOCATS: see xv55/refhost/columns.hpp and
//   docs/refhost.md.
XV55_API bool injectFailure(std::string_view service, std::int64_t times = 1);

// What a service last received.  calls counts every call since reset(), failed ones
// included; the other members describe the last call (empty when there was none).
//   GP* unit services:  reals {value}, integers {direction, unitSet}
//   GPIOUT:             nothing
//   DMS_ALLOCR/ALLOCI:  integers {count}
//   DMS_LOCATR/LOCATI:  integers {handle}
//   DMS_ATFREE:         integers {handle}
//   DMS_IRRCHK:         integers {severity, number, value1, value2, value3},
//                       texts {routine (as passed, up to its length or NUL)}
//   DMS_ERRPRT:         integers {lines as passed}, texts {the lines issued}
//   ZMTH_SPLINE:        integers {count, method}, reals {y[1..count], x[1..count]}
//   PPPETM_PCINTP:      integers {count}, reals {at, lower, upper}
//   PIP_* routines:     reals {the inputs in argument order} (docs/pipe.md)
// Arrays are recorded up to 4096 values each.  A missing (null) argument is recorded
// as 0.
struct CallRecord {
  std::int64_t calls = 0;
  std::vector<std::int64_t> integers;
  std::vector<double> reals;
  std::vector<std::string> texts;
};
XV55_API CallRecord lastCall(std::string_view service);

// Lines the reference host printed (its own reports and the DMS_ERRPRT lines), oldest
// first, at most kReportLineCapacity.
XV55_API std::vector<std::string> reportLines();
XV55_API void clearReportLines();

// How many times one error (routine, severity, number) is let through by DMS_IRRCHK;
// a negative limit means unlimited (the default), 0 means never.
XV55_API void setErrorReportLimit(std::int64_t limit);

}  // namespace xv55::refhost
