// A host printer for tests: keeps every line and every end-of-message severity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "print/print.hpp"
#include "xv55/host/objects.hpp"

namespace xv55::testing {

class CapturePrinter final : public XvPrinter {
 public:
  void writeLine(const char* line) override { lines.emplace_back(line); }
  void endMessage(std::int32_t severity) override { severities.push_back(severity); }

  // All lines joined with line feeds, as a reader would see them.
  std::string text() const {
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    return all;
  }
  void clear() {
    lines.clear();
    severities.clear();
  }

  std::vector<std::string> lines;
  std::vector<std::int32_t> severities;
};

// Installs a capture printer for the lifetime of the object.
class ScopedCapture {
 public:
  ScopedCapture() { print::setHostPrinter(&printer); }
  ~ScopedCapture() { print::setHostPrinter(nullptr); }
  ScopedCapture(const ScopedCapture&) = delete;
  ScopedCapture& operator=(const ScopedCapture&) = delete;

  CapturePrinter printer;
};

}  // namespace xv55::testing
