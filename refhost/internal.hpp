// Shared internals of the reference host: call records, injected failures, the
// print path and the reset hooks of each service family.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "xv55/refhost/control.hpp"

namespace xv55::refhost::detail {

enum class Service : int {
  GPTEMP,
  GPPRES,
  GPMFLO,
  GPMASS,
  GPVOL,
  GPLEN,
  GPMRHO,
  GPRHO,
  GPSPH,
  GPIOUT,
  DMS_ALLOCR,
  DMS_ALLOCI,
  DMS_LOCATR,
  DMS_LOCATI,
  DMS_ATFREE,
  DMS_IRRCHK,
  DMS_ERRPRT,
  ZMTH_SPLINE,
  PPPETM_PCINTP,
  Count
};

const char* serviceName(Service service);

// Declares a further service by name and returns its id; declaring a name again
// returns the same id.  Service families outside this core declare theirs once, at
// load (a namespace-scope constant), so that injectFailure and lastCall know them
// before their first call.  canFail = false refuses injected failures.
Service declareService(std::string_view name, bool canFail = true);

// Starts the record of a call: counts it and clears the previous arguments (the
// vectors keep their capacity, so recording does not allocate once warmed up).
CallRecord& beginRecord(Service service);
// Appends up to the recording cap of an array's values (nullptr records nothing).
void recordReals(CallRecord& record, const double* values, std::int64_t count);

// True when an injected failure is due for this call (and uses it up).
bool failureDue(Service service);

// Prints one line through the library's printer path (standard output when the
// library is not loaded) and keeps it for reportLines().
void printLine(std::int32_t severity, std::string_view line);

// A report of the reference host itself: " ROUTINE-L-text", L from the severity
// (4 E, 2 W, otherwise I).
void report(Service service, std::int32_t severity, std::string_view text);

inline constexpr std::int32_t kSeverityWarning = 2;
inline constexpr std::int32_t kSeverityError = 4;

// Reset hooks: reset() calls every registered hook after the core families'.
// Register at load: `const bool kHooked = (addResetHook(&resetMine), true);`
void addResetHook(void (*hook)());

// Reset hooks of the core service families.
void resetUnits();
void resetStore();
void resetErrors();
void resetReportLines();

// Words of the store that the reference host keeps for its own areas (for example the
// stream descriptions of the property system): taken from the store's free space, never
// counted as blocks and never freed through DMS_ATFREE.  reserveHostWords returns the base
// L (words L+1 .. L+words, zeroed), 0 when the store is full; releaseHostWords gives them
// back.  reset() empties the store, and with it every reservation.
std::int64_t reserveHostWords(std::int64_t words);
void releaseHostWords(std::int64_t base, std::int64_t words);

// Model units (unit set 1) to SI and back for another service family, by the table of the
// unit service named (GPTEMP ... GPSPH), without recording a call.
double modelToSi(Service unitService, double value);
double siToModel(Service unitService, double value);

}  // namespace xv55::refhost::detail
