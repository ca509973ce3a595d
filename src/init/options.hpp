// Solver-option requests and the handler objects behind them.
#pragma once

#include <cstdint>

#include "xv55/host_objects.hpp"

namespace xv55::init {

// Asks the host's handler first and the registered fallback second.
//
// A second RegisterDummyOptionsHandler call finds the proxy already installed: it
// then only replaces the fallback and keeps the host handler it forwards to, so
// the proxy never becomes its own previous handler.  The proxy also never forwards
// to itself should it be handed back to it as a fallback.
class ProxyOptionsHandler final : public QSMOptionsHandler {
 public:
  std::int32_t request(std::int32_t code, std::int64_t* intResult, double* valueResult,
                       const char** textResult) override;

  QSMOptionsHandler* previous = nullptr;
  QSMOptionsHandler* registered = nullptr;
};

// Solver options that procedures ask for.
inline constexpr std::int64_t kOptionSolverMarker = 31;  // real: changes between solver passes
inline constexpr std::int64_t kOptionPrintEnabled = 20;  // integer: > 0 lets warnings print
inline constexpr std::int64_t kOptionEquilibrium = 18;

// Tolerance below which a solver marker counts as unset, and within which two
// markers are the same.
inline constexpr double kMarkerTolerance = 1e-10;

}  // namespace xv55::init
