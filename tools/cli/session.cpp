#include "session.hpp"

#include <utility>

#include "init/options.hpp"

namespace xv55::tools {

namespace {
constexpr std::int32_t kNotAnswered = XV55_OPTION_NOT_ANSWERED;
}  // namespace

Session::Session() {
  const InitBlock block{1, static_cast<XvPrinter*>(this), static_cast<QSMOptionsHandler*>(this), 0};
  QRInitialize(&block);
}

Session::~Session() {
  const InitBlock none{1, nullptr, nullptr, 0};
  QRInitialize(&none);
}

void Session::beginCall(std::int64_t callType) {
  ++calls_;
  callType_ = callType;
}

std::vector<Message> Session::takeMessages() {
  if (pendingLines_) endMessage(0);  // lines without an end of message
  return std::exchange(messages_, {});
}

void Session::writeLine(const char* line) {
  if (pendingLines_) pending_ += '\n';
  pending_ += line ? line : "";
  pendingLines_ = true;
}

void Session::endMessage(std::int32_t severity) {
  messages_.push_back({severity, std::exchange(pending_, {}), callType_});
  pendingLines_ = false;
}

std::int32_t Session::request(std::int32_t code, std::int64_t* intResult, double* valueResult,
                              const char** textResult) {
  (void)textResult;
  const auto given = options.answers.find(code);
  if (given != options.answers.end()) {
    *intResult = given->second.integer;
    *valueResult = given->second.value;
    return 0;
  }
  if (code == init::kOptionPrintEnabled) {
    *intResult = 1;
    *valueResult = 1.0;
    return 0;
  }
  if (code == init::kOptionSolverMarker) {
    *valueResult = options.marker ? *options.marker : static_cast<double>(calls_);
    const double marker = *valueResult;
    *intResult = marker > -9e18 && marker < 9e18 ? static_cast<std::int64_t>(marker) : 0;
    return 0;
  }
  return kNotAnswered;
}

}  // namespace xv55::tools
