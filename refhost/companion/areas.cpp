// The reactor and reaction common areas, the run files, DMS_INITV, PPEXEC_USER and
// SAIGCLEAR.
//
// The areas are plain exported arrays, as a real host's common areas are: procedures
// write them before they call a user routine, and user routines (in this process or in
// a user library) read them by name.  All are zero (the run files blank) after reset()
// and after a flowsheet is loaded, except PPEXEC_USER word 1, the value that fills the
// stream entries a procedure cannot compute: the no-value magnitude by default.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "companion_internal.hpp"
#include "xv55/host/companion.h"

extern "C" {
XV55_API double TBRX_TUBRXR[TBRX_TUBRXR_WORDS];
XV55_API std::int64_t TBRX_TUBRXI[TBRX_TUBRXI_WORDS];
XV55_API double RXN_RPROPS[RXN_RPROPS_WORDS];
XV55_API double RXN_MIXRXR[RXN_MIXRXR_WORDS];
XV55_API std::int64_t MXRX_MIXRXI[MXRX_MIXRXI_WORDS];
XV55_API double RXN_DISTR[RXN_DISTR_WORDS];
XV55_API std::int64_t RXN_DISTI[RXN_DISTI_WORDS];
XV55_API double SHS_STWORK[SHS_STWORK_WORDS];
XV55_API DmsWord DMS_INITV[DMS_INITV_WORDS];
XV55_API double PPEXEC_USER[PPEXEC_USER_WORDS];
XV55_API HostRunFiles DMS_FNAMES;
XV55_API HostRunFiles SAIPDF;
}

namespace xv55::refhost::companion::detail {
namespace {

// Word of PPEXEC_USER that fills unknown stream entries.
constexpr std::int64_t kFillWord = 1;

const Service kSaigclear = refhost::detail::declareService("SAIGCLEAR");

constexpr Area kAreas[] = {
    {"TBRX_TUBRXR", TBRX_TUBRXR, nullptr, TBRX_TUBRXR_WORDS},
    {"TBRX_TUBRXI", nullptr, TBRX_TUBRXI, TBRX_TUBRXI_WORDS},
    {"RXN_RPROPS", RXN_RPROPS, nullptr, RXN_RPROPS_WORDS},
    {"RXN_MIXRXR", RXN_MIXRXR, nullptr, RXN_MIXRXR_WORDS},
    {"MXRX_MIXRXI", nullptr, MXRX_MIXRXI, MXRX_MIXRXI_WORDS},
    {"RXN_DISTR", RXN_DISTR, nullptr, RXN_DISTR_WORDS},
    {"RXN_DISTI", nullptr, RXN_DISTI, RXN_DISTI_WORDS},
    {"SHS_STWORK", SHS_STWORK, nullptr, SHS_STWORK_WORDS},
    {"PPEXEC_USER", PPEXEC_USER, nullptr, PPEXEC_USER_WORDS},
};

void setField(char* field, std::size_t length, const std::string& text) {
  const std::size_t n = std::min(text.size(), length);
  std::memcpy(field, text.data(), n);
  std::memset(field + n, ' ', length - n);
}

}  // namespace

const Area* findArea(std::string_view name) {
  for (const Area& a : kAreas) {
    if (a.name == name) return &a;
  }
  return nullptr;
}

void clearAreas() {
  for (const Area& a : kAreas) {
    const auto n = static_cast<std::size_t>(a.size);
    if (a.reals) std::fill(a.reals, a.reals + n, 0.0);
    if (a.integers) std::fill(a.integers, a.integers + n, 0);
  }
  std::fill(std::begin(DMS_INITV), std::end(DMS_INITV), DmsWord{0});
  PPEXEC_USER[kFillWord - 1] = kDefaultNoValue;
  setField(DMS_FNAMES.runFile, sizeof DMS_FNAMES.runFile, {});
  setField(DMS_FNAMES.runDirectory, sizeof DMS_FNAMES.runDirectory, {});
  setField(SAIPDF.runFile, sizeof SAIPDF.runFile, {});
  setField(SAIPDF.runDirectory, sizeof SAIPDF.runDirectory, {});
}

void setAreas(const Flowsheet& flowsheet) {
  clearAreas();
  setField(DMS_FNAMES.runFile, sizeof DMS_FNAMES.runFile, flowsheet.runFile);
  setField(DMS_FNAMES.runDirectory, sizeof DMS_FNAMES.runDirectory, flowsheet.runDirectory);
  for (const AreaSetting& s : flowsheet.areas) {
    const Area* a = findArea(s.area);
    const auto k = static_cast<std::size_t>(s.word - 1);
    if (a->reals) a->reals[k] = s.value.real;
    if (a->integers) a->integers[k] = s.value.integer;
  }
}

namespace {
// The areas hold their defaults from load on, before any reset().
const bool kCleared = (clearAreas(), true);
}  // namespace

}  // namespace xv55::refhost::companion::detail

using namespace xv55::refhost::companion::detail;

// The reference host holds nothing per call site: the release always succeeds.
extern "C" XV55_API void SAIGCLEAR(std::int64_t* status) {
  auto& record = xv55::refhost::detail::beginRecord(kSaigclear);
  record.integers.push_back(status ? *status : 0);
  if (!status) return;
  *status = xv55::refhost::detail::failureDue(kSaigclear) ? XV55_STATUS_ERROR : 0;
}
