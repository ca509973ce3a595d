// Solver-option requests and the handler objects behind them.
#pragma once

#include <cstdint>

#include "xv55/host/objects.hpp"

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

// The answer to one solver-option request made through QSM_RQST_F; without a
// handler the outcome is -1 and both results are 0 (the option counts as absent).
struct OptionAnswer {
  std::int64_t outcome = -1;
  std::int64_t integer = 0;
  double value = 0.0;
};
OptionAnswer requestOption(std::int64_t code);

// Whether a warning remembered by the solver marker in `marker` is due now, and if
// so, the marker is updated.  The current marker M (option 31) leaves the warning
// alone when M >= kMarkerTolerance and |M - marker| <= kMarkerTolerance; otherwise
// the warning is due when option 20 answers a positive integer, and M is stored.
// A missing marker slot (nullptr) remembers nothing: the warning is then due on
// every call that option 20 lets print.
bool warningDueForMarker(double* marker);

}  // namespace xv55::init
