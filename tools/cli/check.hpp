// `xv55 check`: the analytic derivatives of a call site against central finite
// differences at the given point and at points around it.
#pragma once

#include <string>
#include <vector>

#include "call_site.hpp"
#include "session.hpp"
#include "xv55/testing/derivative_check.hpp"

namespace xv55::tools {

// Most points a check takes around the given one.
inline constexpr int kMaxPointsAround = 10000;

struct CheckSettings {
  DerivativeCheckOptions options;
  int pointsAround = 4;            // points besides the given one
  double spread = 0.01;            // relative move of the inputs at those points
  std::vector<std::string> only;   // inputs (names or element labels) to check; empty: all
  std::vector<std::string> fixed;  // inputs left where they are at the points around
};

struct CheckReport {
  Json json;
  std::string text;
  bool ok = true;  // false when an analytic derivative differs from the difference
};

// Checks the prepared call site.  Each point starts with a set-up call; a clean-up
// call follows the last.  The inputs are restored afterwards.
CheckReport checkSite(CallSite& site, Session& session, const CheckSettings& settings);

}  // namespace xv55::tools
