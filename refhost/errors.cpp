// The error facility: DMS_IRRCHK decides whether an error is reported, the caller
// writes the message into DMS_ERROUT and DMS_ERRPRT issues it.
//
// DMS_IRRCHK counts the occurrences of each error, identified by the routine text
// (trailing blanks dropped), the severity and the number, writes the count into
// result and lets the error through while the count is within the report limit
// (unlimited by default).  The cell argument is left as it is.  DMS_ERRPRT issues
// its lines with the severity of the last error let through (0 when none since the
// last DMS_ERRPRT).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "common/text.hpp"
#include "internal.hpp"
#include "xv55/host/data_management.h"

extern "C" {
XV55_API char DMS_ERROUT[DMS_ERROUT_LINES][DMS_ERROUT_WIDTH];
}

namespace xv55::refhost::detail {
namespace {

struct ErrorState {
  std::map<std::tuple<std::string, std::int64_t, std::int64_t>, std::int64_t> counts;
  std::int64_t limit = -1;
  std::int32_t pendingSeverity = 0;
};

ErrorState& errors() {
  static ErrorState s;
  return s;
}

void blankArea() {
  std::memset(DMS_ERROUT, ' ', sizeof DMS_ERROUT);
}

}  // namespace

void resetErrors() {
  errors() = ErrorState{};
  blankArea();
}

namespace {
// The area is blank from load on.
const bool kLoaded = (blankArea(), true);
}  // namespace

}  // namespace xv55::refhost::detail

extern "C" XV55_API std::int64_t DMS_IRRCHK(const char* routine, const std::int64_t* severity,
                                            const std::int64_t* number, std::int64_t* cell,
                                            std::int64_t* result, const std::int64_t* value1,
                                            const std::int64_t* value2, const std::int64_t* value3,
                                            std::int64_t routineLength) {
  using namespace xv55::refhost::detail;
  (void)cell;
  auto& record = beginRecord(Service::DMS_IRRCHK);
  const std::int64_t s = severity ? *severity : 0;
  const std::int64_t n = number ? *number : 0;
  record.integers = {s, n, value1 ? *value1 : 0, value2 ? *value2 : 0, value3 ? *value3 : 0};
  const std::string_view text = xv55::text::read(routine, routineLength);
  record.texts.emplace_back(text);
  const std::string name(text.substr(0, text.find_last_not_of(' ') + 1));

  ErrorState& e = errors();
  const std::int64_t count = ++e.counts[{name, s, n}];
  if (result) *result = count;
  if (failureDue(Service::DMS_IRRCHK)) return 0;
  if (e.limit >= 0 && count > e.limit) return 0;
  e.pendingSeverity = static_cast<std::int32_t>(s);
  return 1;
}

extern "C" XV55_API void DMS_ERRPRT(const std::int64_t* lines) {
  using namespace xv55::refhost::detail;
  auto& record = beginRecord(Service::DMS_ERRPRT);
  const std::int64_t requested = lines ? *lines : 0;
  record.integers.push_back(requested);
  ErrorState& e = errors();
  if (!failureDue(Service::DMS_ERRPRT)) {
    const std::int64_t n = std::clamp<std::int64_t>(requested, 0, DMS_ERROUT_LINES);
    for (std::int64_t i = 0; i < n; ++i) {
      std::string line(xv55::text::read(DMS_ERROUT[i], DMS_ERROUT_WIDTH));
      line.erase(line.find_last_not_of(' ') + 1);
      record.texts.push_back(line);
      printLine(e.pendingSeverity, line);
    }
  }
  e.pendingSeverity = 0;
  blankArea();
}

namespace xv55::refhost {
void setErrorReportLimit(std::int64_t limit) {
  detail::errors().limit = limit < 0 ? -1 : limit;
}
}  // namespace xv55::refhost
