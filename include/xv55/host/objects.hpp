// Host objects that the library calls back: the printer and the solver-options
// handler.  Their virtual tables hold exactly the operations below, in this order
// and with no virtual destructor in front of them, so that a host written in C can
// build an equivalent object by hand (see XvPrinterObject and
// XvOptionsHandlerObject in xv55.h).
#pragma once

#include <cstdint>

namespace xv55 {

// Receives every output line and, at the end of each message, its severity.
class XvPrinter {
 public:
  virtual void writeLine(const char* line) = 0;
  virtual void endMessage(std::int32_t severity) = 0;

 protected:
  ~XvPrinter() = default;
};

}  // namespace xv55

// Answers solver-option requests.  The outcome 0xFFFFFFFF means "not answered";
// a text result is a NUL-terminated string owned by the handler.
class QSMOptionsHandler {
 public:
  virtual std::int32_t request(std::int32_t code, std::int64_t* intResult, double* valueResult,
                               const char** textResult) = 0;

 protected:
  ~QSMOptionsHandler() = default;
};
