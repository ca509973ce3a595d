// Library initialisation: the host's printer and options handler, the fallback
// options handler, and solver-option requests.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "init/options.hpp"
#include "print/print.hpp"
#include "xv55/xv55.h"

namespace xv55::init {
namespace {

constexpr std::uint32_t kNotAnswered = 0xFFFFFFFFu;

// Library state: zero at load, but for the proxy object.
InitBlock g_copy{};
QSMOptionsHandler* g_handler = nullptr;
ProxyOptionsHandler g_proxy;

bool answered(std::int32_t outcome) {
  return static_cast<std::uint32_t>(outcome) < kNotAnswered;
}

}  // namespace

XV55_CALLS_HOST_OBJECT std::int32_t ProxyOptionsHandler::request(std::int32_t code,
                                                                 std::int64_t* intResult,
                                                                 double* valueResult,
                                                                 const char** textResult) {
  if (previous && previous != this) {
    const std::int32_t outcome = previous->request(code, intResult, valueResult, textResult);
    if (answered(outcome)) return outcome;
  }
  if (registered && registered != this) {
    return registered->request(code, intResult, valueResult, textResult);
  }
  return static_cast<std::int32_t>(kNotAnswered);
}

OptionAnswer requestOption(std::int64_t code) {
  OptionAnswer answer;
  char text[1] = {};
  const std::int64_t textLength = sizeof text;
  QSM_RQST_F(&code, &answer.integer, &answer.value, text, &answer.outcome, &textLength);
  return answer;
}

bool warningDueForMarker(double* marker) {
  const double current = requestOption(kOptionSolverMarker).value;
  if (marker && current >= kMarkerTolerance && std::fabs(current - *marker) <= kMarkerTolerance) {
    return false;
  }
  if (requestOption(kOptionPrintEnabled).integer <= 0) return false;
  if (marker) *marker = current;
  return true;
}

}  // namespace xv55::init

using namespace xv55::init;

extern "C" {
XV55_API std::int64_t SAIPRNAM = 0;
}

extern "C" XV55_API std::int32_t QRInitialize(const InitBlock* block) {
  if (!block) return 0;
  const auto version = static_cast<std::int32_t>(block->version & 0xFFFFFFFF);
  if (version < 1 || version > 3) return 0;
  // The copy keeps all four fields as given; extra means something to the host for
  // versions 2 and 3 only, and no procedure reads it.
  xv55::print::setHostPrinter(static_cast<xv55::XvPrinter*>(block->printer));
  g_handler = static_cast<QSMOptionsHandler*>(block->optionsHandler);
  g_copy = *block;
  return 1;
}

extern "C" XV55_API InitBlock* GetDLLInitializationData(void) {
  return &g_copy;
}

extern "C" XV55_API std::int32_t RegisterDummyOptionsHandler(void* handler) {
  const bool hadHandler = g_handler != nullptr;
  if (g_handler != &g_proxy) g_proxy.previous = g_handler;
  g_proxy.registered = static_cast<QSMOptionsHandler*>(handler);
  g_handler = &g_proxy;
  g_copy.optionsHandler = &g_proxy;
  if (!hadHandler && g_copy.version == 0) g_copy.version = 1;
  return hadHandler ? 0 : 1;
}

extern "C" XV55_API XV55_CALLS_HOST_OBJECT void QSM_RQST_F(const std::int64_t* code,
                                                           std::int64_t* intResult,
                                                           double* valueResult, char* text,
                                                           std::int64_t* outcome,
                                                           const std::int64_t* textLength) {
  if (!g_handler) {
    *outcome = -1;
    *intResult = 0;
    std::memset(valueResult, 0, sizeof *valueResult);
    xv55::print::message(XV55_SEVERITY_OPTIONS_ERROR,
                         "QSM Solver options not available, QSM_RQST_F %d refused\\n", code);
    return;
  }
  std::int64_t integer = 0;
  const char* answer = nullptr;
  *outcome = g_handler->request(static_cast<std::int32_t>(*code), &integer, valueResult, &answer);
  *intResult = integer;
  // The answer is copied with its NUL, never past the buffer and always terminated.
  const std::int64_t capacity = text && textLength ? *textLength : 0;
  if (answer && capacity > 0) {
    const std::size_t n = strnlen(answer, static_cast<std::size_t>(capacity - 1));
    std::memcpy(text, answer, n);
    text[n] = '\0';
  }
}
