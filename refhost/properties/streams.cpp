// Stream services of the reference host: the model's component set (SAISST), fractions,
// vector mapping between model and companion order, flash preparation and error
// handling, and the traces of a procedure's inputs and results.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/text.hpp"
#include "services.hpp"
#include "state.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/flash_monitors.h"
#include "xv55/host/property_system.h"

namespace xv55::refhost::properties::detail {
namespace {

using refhost::CallRecord;
using refhost::detail::beginRecord;
using refhost::detail::printLine;
using refhost::detail::recordReals;

constexpr std::int32_t kSeverityInformation = 1;
constexpr std::int64_t kStatusOk = 1;
constexpr std::int64_t kTraceValuesPerLine = 6;
constexpr std::int64_t kTraceValueLimit = 1000;

// The start of SAISAO and SAIASO: records the count and takes an injected failure, then
// reads the mapping block (tag, model count, companion count, positions).  Returns the
// model count, or -1 (after a report) on an injected failure, when the block is not one or
// when the count does not fit.
std::int64_t mappingCount(Service service, CallRecord& record, const std::int64_t* count,
                          const std::int64_t* mapping, std::int64_t& ncomp) {
  record.integers.push_back(count ? *count : 0);
  if (injectedFailure(service, "Nothing copied (injected failure).", nullptr)) return -1;
  if (!count || !mapping || mapping[0] != kMappingTag) {
    fail(service, 4, "The mapping is missing or is not a mapping block of SAISST; nothing copied.");
    return -1;
  }
  const std::int64_t nc = mapping[1];
  ncomp = mapping[2];
  if (*count < 0 || *count > nc) {
    fail(service, 4,
         "Count " + std::to_string(*count) + " is outside 0 to the " + std::to_string(nc) +
             " components of the mapping; nothing copied.");
    return -1;
  }
  for (std::int64_t i = 0; i < *count; ++i) {
    const std::int64_t position = mapping[kMappingHeader + i];
    if (position < 1 || position > ncomp) {
      fail(service, 4,
           "The mapping holds position " + std::to_string(position) + " outside 1 to " +
               std::to_string(ncomp) + "; nothing copied.");
      return -1;
    }
  }
  return *count;
}

std::string_view fixedTrimmed(const char* text, std::int64_t length) {
  std::string_view s = xv55::text::read(text, length);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

}  // namespace
}  // namespace xv55::refhost::properties::detail

using xv55::refhost::properties::detail::services;
namespace props = xv55::refhost::properties::detail;

extern "C" XV55_API void SAISST(const std::int64_t* hostContext, std::int64_t* locations,
                                std::int64_t* status) {
  const auto service = services().saisst;
  auto& record = props::beginRecord(service);
  record.integers.push_back(hostContext ? *hostContext : 0);
  auto refuse = [&](std::int64_t value) {
    if (status) *status = value;
  };
  if (props::injectedFailure(service, "Stream set-up failed (injected failure).", status)) return;
  if (!hostContext || !locations) {
    props::fail(service, 4, "The host context or the location vector is missing.");
    return refuse(4);
  }
  props::StreamArea area;
  std::string why;
  if (!props::streamArea(*hostContext, area, why)) {
    props::fail(service, 4, "Host context " + std::to_string(*hostContext) + ": " + why);
    return refuse(4);
  }
  std::copy(area.locations, area.locations + 6, locations);
  record.integers.insert(record.integers.end(), area.locations, area.locations + 6);
  refuse(props::kStatusOk);
}

extern "C" XV55_API void SAIF2X(const std::int64_t* count, const double* flows, double* fractions,
                                std::int64_t* status) {
  const auto service = services().saif2x;
  auto& record = props::beginRecord(service);
  const std::int64_t n = count ? *count : 0;
  record.integers.push_back(n);
  if (flows)
    props::recordReals(record, flows, std::clamp<std::int64_t>(n, 0, props::kMaxComponents));
  auto refuse = [&](std::int64_t value) {
    if (status) *status = value;
  };
  if (props::injectedFailure(service, "No fractions (injected failure).", status)) return;
  if (!count || !flows || !fractions || n < 1 || n > props::kMaxComponents) {
    props::fail(service, 4,
                "Component count " + std::to_string(n) + " is outside 1 to " +
                    std::to_string(props::kMaxComponents) + " or an array is missing.");
    return refuse(4);
  }
  double sum = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    if (!std::isfinite(flows[i])) {
      props::fail(service, 4, "Flow " + std::to_string(i + 1) + " is not a number.");
      return refuse(4);
    }
    sum += std::max(flows[i], 0.0);
  }
  if (!(sum > 0)) {
    props::fail(service, 4, "The flows sum to zero; no fractions.");
    return refuse(4);
  }
  for (std::int64_t i = 0; i < n; ++i) fractions[i] = std::max(flows[i], 0.0) / sum;
  refuse(props::kStatusOk);
}

extern "C" XV55_API void SAISAO(const std::int64_t* count, const std::int64_t* mapping,
                                const double* model, double* companion) {
  const auto service = services().saisao;
  auto& record = props::beginRecord(service);
  std::int64_t ncomp = 0;
  const std::int64_t n = props::mappingCount(service, record, count, mapping, ncomp);
  if (n < 0 || !model || !companion) return;
  props::recordReals(record, model, n);
  std::fill(companion, companion + ncomp, 0.0);
  for (std::int64_t i = 0; i < n; ++i) companion[mapping[props::kMappingHeader + i] - 1] = model[i];
}

extern "C" XV55_API void SAIASO(const std::int64_t* count, const std::int64_t* mapping,
                                const double* companion, double* model) {
  const auto service = services().saiaso;
  auto& record = props::beginRecord(service);
  std::int64_t ncomp = 0;
  const std::int64_t n = props::mappingCount(service, record, count, mapping, ncomp);
  if (n < 0 || !model || !companion) return;
  for (std::int64_t i = 0; i < n; ++i) model[i] = companion[mapping[props::kMappingHeader + i] - 1];
  props::recordReals(record, model, n);
}

extern "C" XV55_API void SAIRTU(const std::int64_t* descriptor, double* work,
                                const std::int64_t* workLength, std::int64_t* route,
                                std::int64_t* count, std::int64_t* status) {
  (void)work;  // the route needs no workspace in the reference host
  const auto service = services().sairtu;
  auto& record = props::beginRecord(service);
  record.integers.push_back(descriptor ? *descriptor : 0);
  record.integers.push_back(workLength ? *workLength : 0);
  auto refuse = [&](std::int64_t value) {
    if (status) *status = value;
  };
  if (props::injectedFailure(service, "No property route (injected failure).", status)) return;
  if (!descriptor || *descriptor != props::kConventionalStream) {
    props::fail(service, 4,
                "Unknown stream class " +
                    (descriptor ? std::to_string(*descriptor) : std::string("(missing)")) +
                    "; the reference host knows 1.");
    return refuse(4);
  }
  if (props::companionSize() == 0) {
    props::fail(service, 4, "No companion component list is set.");
    return refuse(4);
  }
  if (route) *route = props::kPengRobinson;
  if (count) *count = props::companionSize();
  refuse(props::kStatusOk);
}

extern "C" XV55_API void SAIPEH(const char* context, std::int64_t contextLength) {
  const auto service = services().saipeh;
  auto& record = props::beginRecord(service);
  const std::string_view text = props::fixedTrimmed(context, contextLength);
  record.texts.emplace_back(text);
  std::int64_t status = 0;
  if (props::failed(service, status)) return;
  props::setCurrentContext(text);
}

extern "C" XV55_API void SAIPIP(const char* routine, const std::int64_t* hostContext,
                                const double* values, const std::int64_t* count,
                                std::int64_t routineLength) {
  const auto service = services().saipip;
  auto& record = props::beginRecord(service);
  const std::string name(props::fixedTrimmed(routine, routineLength));
  const std::int64_t n = count ? std::clamp<std::int64_t>(*count, 0, props::kTraceValueLimit) : 0;
  record.texts.push_back(name);
  record.integers.push_back(hostContext ? *hostContext : 0);
  record.integers.push_back(count ? *count : 0);
  if (values) props::recordReals(record, values, n);
  std::int64_t status = 0;
  if (props::failed(service, status)) return;
  std::string line = " " + name + "-I-Inputs (host context " +
                     std::to_string(hostContext ? *hostContext : 0) + "):";
  if (!values || n == 0) {
    props::printLine(props::kSeverityInformation, line + " none");
    return;
  }
  for (std::int64_t i = 0; i < n; ++i) {
    line.append(" ").append(props::number(values[i]));
    if ((i + 1) % props::kTraceValuesPerLine == 0 || i + 1 == n) {
      props::printLine(props::kSeverityInformation, line);
      line = "   ";
    }
  }
}

extern "C" XV55_API void SAIPOP(const char* routine, const char* label, const double* value,
                                std::int64_t routineLength, std::int64_t labelLength) {
  const auto service = services().saipop;
  auto& record = props::beginRecord(service);
  const std::string name(props::fixedTrimmed(routine, routineLength));
  const std::string text(props::fixedTrimmed(label, labelLength));
  record.texts.push_back(name);
  record.texts.push_back(text);
  if (value) record.reals.push_back(*value);
  std::int64_t status = 0;
  if (props::failed(service, status)) return;
  props::printLine(props::kSeverityInformation,
                   " " + name + "-I-" + text + " = " + (value ? props::number(*value) : "(none)"));
}

extern "C" XV55_API void SAIFEH(const std::int64_t* returnCode, const char* context,
                                std::int64_t* status, std::int64_t contextLength) {
  const auto service = services().saifeh;
  auto& record = props::beginRecord(service);
  const std::int64_t rc = returnCode ? *returnCode : 0;
  const std::string text(props::fixedTrimmed(context, contextLength));
  record.integers.push_back(rc);
  record.texts.push_back(text);
  std::int64_t injected = 0;
  if (props::failed(service, injected)) {
    props::fail(service, 4, text + ": flash error handling failed (injected failure).");
    if (status) *status = injected;
    return;
  }
  if (!returnCode || rc == 0) return;
  const char* why = rc == 3 ? "did not converge" : rc == 4 ? "refused its arguments" : "failed";
  props::fail(service, 4,
              "The flash in " + text + " " + why + " (return code " + std::to_string(rc) + ").");
  if (status) *status = 4;
}

extern "C" XV55_API void SACHMBPX(const std::int64_t* count, const double* z,
                                  const std::int64_t* limit, std::int64_t* indices, double* packed,
                                  std::int64_t* packedCount, std::int64_t* status) {
  const auto service = services().sachmbpx;
  auto& record = props::beginRecord(service);
  const std::int64_t n = count ? *count : 0;
  record.integers.push_back(n);
  record.integers.push_back(limit ? *limit : 0);
  auto refuse = [&](std::int64_t value) {
    if (status) *status = value;
  };
  if (props::injectedFailure(service, "No component list for the flash (injected failure).",
                             status)) {
    return;
  }
  if (!count || !z || !limit || !indices || !packed || !packedCount || n < 1 ||
      n > props::companionSize()) {
    props::fail(service, 4,
                "Component count " + std::to_string(n) + " is outside 1 to the " +
                    std::to_string(props::companionSize()) +
                    " companion components, or an argument is missing.");
    return refuse(4);
  }
  props::recordReals(record, z, n);
  std::int64_t m = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    if (!std::isfinite(z[i])) {
      props::fail(service, 4, "Fraction " + std::to_string(i + 1) + " is not a number.");
      return refuse(4);
    }
    if (z[i] > 0) ++m;
  }
  if (m > *limit) {
    props::fail(service, 4,
                std::to_string(m) + " components are present but the work vectors hold " +
                    std::to_string(*limit) + ".");
    return refuse(4);
  }
  m = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    if (!(z[i] > 0)) continue;
    indices[m] = i + 1;
    packed[m] = z[i];
    ++m;
  }
  *packedCount = m;
  record.integers.push_back(m);
  refuse(props::kStatusOk);
}

extern "C" XV55_API void SACHMVRY(const std::int64_t* packedCount, const std::int64_t* indices,
                                  const double* packed, const std::int64_t* count, double* full,
                                  std::int64_t* status) {
  const auto service = services().sachmvry;
  auto& record = props::beginRecord(service);
  const std::int64_t m = packedCount ? *packedCount : 0;
  const std::int64_t n = count ? *count : 0;
  record.integers.push_back(m);
  record.integers.push_back(n);
  auto refuse = [&](std::int64_t value) {
    if (status) *status = value;
  };
  if (props::injectedFailure(service, "Nothing copied (injected failure).", status)) return;
  if (!packedCount || !indices || !packed || !count || !full || m < 0 || m > n || n < 1 ||
      n > props::kMaxComponents) {
    props::fail(service, 4,
                "Counts " + std::to_string(m) + " and " + std::to_string(n) +
                    " do not describe a packed vector within 1 to " +
                    std::to_string(props::kMaxComponents) + " components; nothing copied.");
    return refuse(4);
  }
  for (std::int64_t j = 0; j < m; ++j) {
    if (indices[j] < 1 || indices[j] > n) {
      props::fail(service, 4,
                  "Index " + std::to_string(indices[j]) + " is outside 1 to " + std::to_string(n) +
                      "; nothing copied.");
      return refuse(4);
    }
  }
  std::fill(full, full + n, 0.0);
  for (std::int64_t j = 0; j < m; ++j) full[indices[j] - 1] = packed[j];
  props::recordReals(record, packed, m);
  refuse(props::kStatusOk);
}
