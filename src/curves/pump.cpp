// pPumpCurve: a machine's performance value (head, efficiency, ...) from curves at
// up to 10 speeds, each a spline through up to 20 points or a cubic polynomial,
// interpolated linearly in speed, with the derivatives with respect to the
// independent variable and the speed.
//
// Workspace layout: tabular data as the shared prepared layout (curve_forms.hpp);
// polynomials with the speeds in slots 1..NC and the NCOEF coefficients of each
// curve from slot 3NC+1 on.  The last slot of the required length (5 NP NC, or
// (NCOEF + 5) NC), which the prepared curves never reach, holds the set-up mark:
// an evaluation reads the curves only where a set-up for the same form and sizes
// left them.
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "curves/curve_forms.hpp"
#include "curves/curves.hpp"
#include "print/report.hpp"

namespace xv55::curves {
namespace {

constexpr const char* kProcedure = "pPumpCurve";

enum class PumpForm { Tabular, Polynomials };

std::optional<PumpForm> formOf(const Text& type) {
  if (type.startsWith("Tabular data")) return PumpForm::Tabular;
  if (type.startsWith("Polynomials")) return PumpForm::Polynomials;
  return std::nullopt;
}

// Coefficients stored per polynomial curve: the declared row length of COEF.
std::int64_t storedTerms(const PumpCurveArguments& a) {
  return a.coef.columns();
}

// Reals the workspace must hold.
std::int64_t requiredLength(PumpForm form, const PumpCurveArguments& a) {
  if (form == PumpForm::Tabular) return tabularLength(a.nc, a.np);
  return entry::saturatingProduct(entry::saturatingSum(storedTerms(a), 5), a.nc);
}

// What set-up leaves in the last required slot: the form, NC and the row length
// (NP or NCOEF) it prepared the curves for.
double setUpMark(PumpForm form, std::int64_t nc, std::int64_t rowLength) {
  const double formCode = form == PumpForm::Tabular ? 1.0 : 2.0;
  return -(7.25e12 + 1.0e9 * formCode + 1.0e5 * static_cast<double>(nc) +
           static_cast<double>(rowLength));
}

std::int64_t rowLengthOf(PumpForm form, const PumpCurveArguments& a) {
  return form == PumpForm::Tabular ? a.np : storedTerms(a);
}

void setUp(const PumpCurveArguments& a, Status status, Workspace work) {
  const std::optional<PumpForm> form = formOf(a.curveType);
  if (!form) {
    report(status, kError,
           " Curve type \"%s\" not recognised in Procedure pPumpCurve.\\n Please select either"
           " \"Tabular data\" or \"Polynomials\".\\n ",
           a.curveType.padded<12>());
    return;
  }
  const std::int64_t required = requiredLength(*form, a);
  if (work.length() < required) return reportWorkspaceTooSmall(status, kProcedure, work, required);
  if (a.np > kPumpMaxPoints) {
    report(status, kError,
           " Number of points per curve is greater than the maximum allowed (20).\\n"
           " Please contact your local customer support office for assistance.\\n");
    return;
  }
  if (a.nc > kPumpMaxCurves) {
    report(status, kError,
           " Number of curves is greater than the maximum allowed (10).\\n"
           " Please contact your local customer support office for assistance.\\n");
    return;
  }

  const CurveTables tables = tablesOf(a);
  const CurveChecks check(status, kProcedure);
  if (!check.curveCount(tables)) return;
  const std::int64_t nc = a.nc;
  if (*form == PumpForm::Tabular) {
    if (!check.tabular(tables)) return;
    std::vector<double> prepared(static_cast<std::size_t>(required), 0.0);
    if (!prepareTabular(tables, speedOrder(a.speed, nc), splineMethodOf(a.splineMethod), prepared,
                        status, kProcedure)) {
      return;
    }
    const std::int64_t used =
        TabularCurves(prepared.data(), nc, BeyondLastKnot::ExtendCubic).length();
    std::copy_n(prepared.begin(), used, work.data());
  } else {
    if (!check.polynomials(tables, kCubicTerms)) return;
    preparePolynomials(tables, speedOrder(a.speed, nc), &work[1], &work[3 * nc + 1],
                       storedTerms(a));
  }
  work[required] = setUpMark(*form, nc, rowLengthOf(*form, a));
}

// The value at (S, X) from prepared curves, its warning and its derivatives.
template <class Curves>
void answer(const PumpCurveArguments& a, const Curves& curves, Status status, Jacobian jac,
            CallMode mode) {
  const SpeedBracket bracket = bracketOf(curves.speeds(), curves.count(), a.s);
  const FamilyValue v = evaluateAcross(curves, bracket, a.x);
  if (mode.wantsValues()) {
    a.y = v.y;
    if (v.lowerBeyond || v.upperBeyond) {
      const std::int64_t curve = v.upperBeyond ? bracket.lower + 1 : bracket.lower;
      const double speed = curves.speeds()[curve - 1];
      report(status, kWarning,
             " WARNING: extrapolating past end of curve for  speed %g.  Results may be"
             " inaccurate.\\n",
             speed);
    }
  }
  if (mode.wantsDerivatives()) {
    jac.clear();
    jac.set(a.at.y, a.at.x, v.dydx);                       // dY/dX
    if (!bracket.single) jac.set(a.at.y, a.at.s, v.dyds);  // dY/dS
  }
}

void evaluate(const PumpCurveArguments& a, Status status, Workspace work, Jacobian jac,
              CallMode mode) {
  const std::optional<PumpForm> form = formOf(a.curveType);
  const std::int64_t required = form ? requiredLength(*form, a) : 0;
  const bool prepared = form && a.nc >= 1 && a.nc <= kPumpMaxCurves && required >= 1 &&
                        work.length() >= required &&
                        work[required] == setUpMark(*form, a.nc, rowLengthOf(*form, a));
  if (!prepared) return reportNotSetUp(status, kProcedure);

  const TabularCurves tabular(work.data(), a.nc, BeyondLastKnot::ExtendCubic);
  if (*form == PumpForm::Tabular && !tabular.countsWithin(a.np)) {
    return reportNotSetUp(status, kProcedure);
  }
  if (!std::isfinite(a.x)) return reportNotFinite(status, kProcedure, "X", a.x);
  if (a.nc > 1 && !std::isfinite(a.s)) return reportNotFinite(status, kProcedure, "S", a.s);

  if (*form == PumpForm::Tabular) return answer(a, tabular, status, jac, mode);
  const PolynomialCurves polynomials(work.data(), work.data() + 3 * a.nc, storedTerms(a), a.nc);
  answer(a, polynomials, status, jac, mode);
}

}  // namespace

void SPPUMPCURVE(const PumpCurveArguments& args, Status status, Workspace work, Jacobian jac,
                 CallMode mode) {
  if (mode.isSetUp()) return setUp(args, status, work);
  if (mode.wantsValues() || mode.wantsDerivatives()) evaluate(args, status, work, jac, mode);
}

}  // namespace xv55::curves
