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
  if (!std::isfinite(w) || !std::isfinite(pin) || !std::isfinite(pmax) || !std::isfinite(dp)) {
    // Whether the power is reduced cannot be told: no number passes for a result.
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    if (mode.wantsValues()) wout = kNaN;
    if (mode.wantsDerivatives()) {
      jac.set(at.wout, at.w, kNaN);     // dWOUT/dW
      jac.set(at.wout, at.pin, kNaN);   // dWOUT/dPIN
      jac.set(at.wout, at.pmax, kNaN);  // dWOUT/dPMAX
      jac.set(at.wout, at.dp, kNaN);    // dWOUT/dDP
    }
    return;
  }

  // The power is reduced in proportion to the pressure rise left below PMAX,
  // (PMAX - PIN) / DP.  That share lies in [0, 1]: an inlet at or above PMAX leaves
  // no rise at all (no power, and no division by a zero DP), and the share never
  // exceeds the whole power (which rounding could otherwise give when PIN + DP is
  // PMAX).  A clamped share does not move with the pressures.
  const bool reduced = !(pmax - dp > pin);
  const bool noRise = reduced && pin >= pmax;
  const double share = reduced && !noRise ? (pmax - pin) / dp : 1.0;
  const bool proportional = reduced && !noRise && share <= 1.0;

  if (mode.wantsValues()) {
    wout = noRise ? 0.0 : proportional ? share * w : w;
    if (reduced) {
      const double applied = wout;
      warnOncePerMarker(work.has(kMarkerSlot) ? &work[kMarkerSlot] : nullptr, status,
                        " \\npPSpec-W-Power has been reduced from %#.4g kW to %#.4g kW to keep\\n"
                        " outlet pressure below %#.4g bar",
                        w, applied, pmax);
    }
  }
  if (mode.wantsDerivatives()) {
    const double dWoutDw = noRise ? 0.0 : proportional ? share : 1.0;
    const double dWoutDpmax = proportional ? w / dp : 0.0;
    jac.set(at.wout, at.w, dWoutDw);                                              // dWOUT/dW
    jac.set(at.wout, at.pin, -dWoutDpmax);                                        // dWOUT/dPIN
    jac.set(at.wout, at.pmax, dWoutDpmax);                                        // dWOUT/dPMAX
    jac.set(at.wout, at.dp, proportional ? -(pmax - pin) * w / (dp * dp) : 0.0);  // dWOUT/dDP
  }
}

}  // namespace xv55::curves
