// The host side of the command-line host: the printer that collects the library's
// messages and the solver-options handler that answers its requests, both handed to
// the library with QRInitialize for the lifetime of a Session.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "xv55/host/objects.hpp"
#include "xv55/xv55.h"

namespace xv55::tools {

// One message as the library printed it: its lines joined by line feeds.
struct Message {
  std::int32_t severity = 0;
  std::string text;
  std::int64_t callType = 0;  // of the call during which it was printed
};

// Answers to solver-option requests.  Option 20 (printing enabled) answers 1 and
// option 31 (the solver marker) the number of the call, so that every call is a new
// solver pass, unless set otherwise; other options are not answered unless set.
struct SolverOptions {
  struct Answer {
    std::int64_t integer = 0;
    double value = 0.0;
  };
  std::map<std::int32_t, Answer> answers;
  std::optional<double> marker;  // a fixed solver marker instead of the call number
};

class Session final : public XvPrinter, public QSMOptionsHandler {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Called before each procedure call: advances the call number.
  void beginCall(std::int64_t callType);
  // The messages printed since the last take.
  std::vector<Message> takeMessages();

  SolverOptions options;

  void writeLine(const char* line) override;
  void endMessage(std::int32_t severity) override;
  std::int32_t request(std::int32_t code, std::int64_t* intResult, double* valueResult,
                       const char** textResult) override;

 private:
  std::vector<Message> messages_;
  std::string pending_;
  bool pendingLines_ = false;
  std::int64_t calls_ = 0;
  std::int64_t callType_ = 0;
};

}  // namespace xv55::tools
