// pPSpec: the power applied to a machine driven at a specified power, reduced so
// that the outlet pressure stays at its maximum when the pressure rise (taken as
// proportional to power) would carry it above.
#include <cmath>
#include <cstdint>
#include <limits>

#include "curves/curves.hpp"
#include "print/report.hpp"

namespace xv55::curves {
namespace {

// Workspace slot that remembers the solver marker of the last warning.
constexpr std::int64_t kMarkerSlot = 1;

}  // namespace

void SPPSPC(const PowerSpecArguments& args, Status status, Workspace work, Jacobian jac,
            CallMode mode) {
  const auto& [w, pin, pmax, dp, wout, at] = args;
  if (!mode.wantsValues() && !mode.wantsDerivatives()) return;
  const bool reduced = !(pmax - dp > pin);
  if (!std::isfinite(w) || !std::isfinite(pin) || !std::isfinite(pmax) || !std::isfinite(dp)) {
    // Whether the power is reduced cannot be told: no number passes for a result.
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    if (mode.wantsValues()) wout = kNaN;
    if (mode.wantsDerivatives()) {
      jac.set(at.wout, at.w, kNaN);    // dWOUT/dW
      jac.set(at.wout, at.pin, kNaN);  // dWOUT/dPIN
    }
    return;
  }

  if (mode.wantsValues()) {
    wout = reduced ? (pmax - pin) * w / dp : w;
    if (reduced) {
      const double applied = wout;
      warnOncePerMarker(work.has(kMarkerSlot) ? &work[kMarkerSlot] : nullptr, status,
                        " \\npPSpec-W-Power has been reduced from %#.4g kW to %#.4g kW to keep\\n"
                        " outlet pressure below %#.4g bar",
                        w, applied, pmax);
    }
  }
  if (mode.wantsDerivatives()) {
    jac.set(at.wout, at.w, reduced ? (pmax - pin) / dp : 1.0);  // dWOUT/dW
    jac.set(at.wout, at.pin, reduced ? -w / dp : 0.0);          // dWOUT/dPIN
  }
}

}  // namespace xv55::curves
