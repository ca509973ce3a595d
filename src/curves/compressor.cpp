// pPCurve: a compressor's performance value from curves at several speeds, with
// its distance from surge and from stonewall, in three forms: tabular data,
// polynomials, and one extended polynomial in flow and speed.
//
// Set-up prepares the curves into a block of L + 2 reals in the host's store;
// workspace slot 1 keeps the block's locator and slot 2 its data length L.  The
// block's first real is its owner tag, which names the workspace that allocated
// it; the L + 1 reals after it hold the data, and the last two of them are the
// solver markers of the last surge and the last stonewall warning.  Set-up and
// clean-up release only a block whose owner tag names their own workspace, so
// that a workspace holding another call site's locator (copied, or left from an
// earlier run) never frees that site's curves.  Data layouts (reals numbered from
// 1, after the tag):
//   Tabular data          the shared prepared layout (curve_forms.hpp) from slot 1,
//                         QSURGE in L-2NC .. L-NC-1, QSTONE in L-NC .. L-1;
//                         L = 5 NP NC + 1, so that both markers fit after full curves.
//   Polynomials           SPEED 1..NC, QSURGE NC+1..2NC, QSTONE 2NC+1..3NC, then NCOEF
//                         coefficients per curve; L = (NCOEF + 5) NC.
//   Extended Polynomials  C1..C8 (row 1 of COEF) and QSURGE(1); L = the workspace
//                         length, at least 10.
// Curves are stored in ascending order of speed, each with its own surge and
// stonewall flow.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "curves/curve_forms.hpp"
#include "curves/curves.hpp"
#include "print/report.hpp"

namespace xv55::curves {
namespace {

constexpr const char* kProcedure = "pPCurve";

// Workspace slots: the block's locator and its data length.
constexpr std::int64_t kLocatorSlot = 1;
constexpr std::int64_t kLengthSlot = 2;

// Extended polynomial: C1..C8 and the surge flow.
constexpr std::int64_t kExtendedTerms = 8;
constexpr std::int64_t kExtendedData = kExtendedTerms + 1;

// A limit flow at or below this has no margin; margins are clipped to +-kMarginBound.
constexpr double kNoLimitFlow = 1e-15;
constexpr double kMarginBound = 100000.0;
constexpr double kPercent = 100.0;

// Block word of the owner tag; the data follow it.
constexpr std::int64_t kOwnerWord = 1;

// Locators are positive whole numbers that a double holds exactly.
constexpr double kLargestLocator = 9007199254740992.0;  // 2^53

// None: a curve type that names no form.
enum class CompressorForm { None, Tabular, Polynomials, Extended };

CompressorForm formOf(const Text& type) {
  if (type.startsWith("Tabular data")) return CompressorForm::Tabular;
  if (type.startsWith("Polynomials")) return CompressorForm::Polynomials;
  if (type.startsWith("Extended Polynomials")) return CompressorForm::Extended;
  return CompressorForm::None;
}

std::int64_t dataLength(CompressorForm form, const CompressorCurveArguments& a, Workspace work) {
  switch (form) {
    case CompressorForm::Tabular:
      return entry::saturatingSum(tabularLength(a.nc, a.np), 1);
    case CompressorForm::Polynomials:
      return entry::saturatingProduct(entry::saturatingSum(a.coef.columns(), 5), a.nc);
    case CompressorForm::None:
      return 0;
    case CompressorForm::Extended:
      break;
  }
  return std::max(work.length(), kExtendedData + 1);
}

bool isLocator(double slot) {
  return slot >= 1.0 && slot <= kLargestLocator && slot == std::floor(slot);
}

// The prepared data of one instance in its block.
struct Prepared {
  double* data;  // the block word after the owner tag
  std::int64_t length;
  std::int64_t nc;

  // First surge and stonewall flows (of the curve at the lowest speed).
  double* surge(CompressorForm form) const {
    switch (form) {
      case CompressorForm::Tabular:
        return data + length - 1 - 2 * nc;
      case CompressorForm::Polynomials:
        return data + nc;
      case CompressorForm::None:
      case CompressorForm::Extended:
        break;
    }
    return data + kExtendedTerms;
  }
  double* stonewall(CompressorForm form) const {
    return form == CompressorForm::Tabular ? data + length - 1 - nc : data + 2 * nc;
  }
  double* surgeMarker() const { return data + length - 1; }
  double* stonewallMarker() const { return data + length; }
};

bool accepted(CompressorForm form, const CompressorCurveArguments& a, const CurveChecks& check) {
  const CurveTables tables = tablesOf(a);
  if (form == CompressorForm::Extended) {
    return check.coefficientTable(a.coef, 1, kExtendedTerms) &&
           check.vectorCovers("QSURGE", a.qsurge.size(), 1) && check.finite("QSURGE", a.qsurge, 1);
  }
  if (!check.curveCount(tables)) return false;
  const bool curves = form == CompressorForm::Tabular ? check.tabular(tables)
                                                      : check.polynomials(tables, kCubicTerms);
  return curves && check.vectorCovers("QSURGE", a.qsurge.size(), a.nc) &&
         check.vectorCovers("QSTONE", a.qstone.size(), a.nc) &&
         check.finite("QSURGE", a.qsurge, a.nc) && check.finite("QSTONE", a.qstone, a.nc);
}

// The block's data (without the markers) for a block of length L; false when a
// spline could not be built.
bool prepare(CompressorForm form, const CompressorCurveArguments& a, std::int64_t length,
             std::vector<double>& data, Status status) {
  const bool extended = form == CompressorForm::Extended;
  data.assign(static_cast<std::size_t>(extended ? kExtendedData : length - 1), 0.0);
  const Prepared p{data.data(), length, a.nc};
  if (extended) {
    for (std::int64_t k = 1; k <= kExtendedTerms; ++k) p.data[k - 1] = a.coef(1, k);
    *p.surge(form) = a.qsurge(1);
    return true;
  }
  const CurveTables tables = tablesOf(a);
  const std::vector<std::int64_t> order = speedOrder(a.speed, a.nc);
  if (form == CompressorForm::Tabular) {
    const std::span<double> curves(p.data, static_cast<std::size_t>(p.length - 1));
    if (!prepareTabular(tables, order, splineMethodOf(a.splineMethod), curves, status,
                        kProcedure)) {
      return false;
    }
  } else {
    preparePolynomials(tables, order, p.data, p.data + 3 * a.nc, a.coef.columns());
  }
  for (std::size_t k = 0; k < order.size(); ++k) {
    p.surge(form)[k] = a.qsurge(order[k]);
    p.stonewall(form)[k] = a.qstone(order[k]);
  }
  return true;
}

// The owner tag of the blocks a workspace allocates: the workspace's address as
// a whole number that a double holds exactly, never 0.
double ownerTagOf(Workspace work) {
  constexpr std::uintptr_t kTagBits = (std::uintptr_t{1} << 52) - 1;
  const auto address = reinterpret_cast<std::uintptr_t>(work.data());
  return static_cast<double>(((address >> 3) & kTagBits) + 1);
}

// Forgets the block of an earlier set-up, releasing it if this workspace
// allocated it.
void releaseBlock(Workspace work) {
  if (isLocator(work[kLocatorSlot])) {
    const auto locator = static_cast<std::int64_t>(work[kLocatorSlot]);
    const std::int64_t base = host::locateReals(locator);
    if (base != 0 && host::StoreBlock{locator, base}.real(kOwnerWord) == ownerTagOf(work)) {
      host::release(locator);
    }
  }
  work[kLocatorSlot] = 0.0;
  if (work.has(kLengthSlot)) work[kLengthSlot] = 0.0;
}

void setUp(const CompressorCurveArguments& a, Status status, Workspace work) {
  const CompressorForm form = formOf(a.curveType);
  if (form == CompressorForm::None) {
    report(status, kError,
           " Curve type \"%s\" not recognised in Procedure pPCurve.\\n Please select either"
           " \"Tabular data\", \"Polynomials\" or \"Extended Polynomials\"\\n",
           a.curveType.padded<20>());
    return;
  }
  if (work.length() < kLengthSlot) {
    return reportWorkspaceTooSmall(status, kProcedure, work, kLengthSlot);
  }
  if (!accepted(form, a, CurveChecks(status, kProcedure))) return;

  const std::int64_t length = dataLength(form, a, work);
  std::vector<double> data;
  if (!prepare(form, a, length, data, status)) return;

  releaseBlock(work);
  const std::int64_t reals = length + 2;
  const host::StoreBlock stored = host::allocateReals(reals);
  if (!stored.allocated()) {
    report(status, kError, " The host could not allocate %d reals for Procedure pPCurve.\\n",
           reals);
    return;
  }
  stored.real(kOwnerWord) = ownerTagOf(work);
  const Prepared block{stored.reals() + kOwnerWord, length, a.nc};
  std::copy(data.begin(), data.end(), block.data);
  *block.surgeMarker() = *block.stonewallMarker() = 0.0;
  work[kLocatorSlot] = static_cast<double>(stored.handle);
  work[kLengthSlot] = static_cast<double>(length);
}

// A margin in per cent of its limit flow and its derivatives with respect to Q and,
// through the limit, N.
struct Margin {
  double value = kMarginBound;
  double dq = 0.0;
  double dn = 0.0;
};

// 100 (Q - limit) / limit for surge (sign +1), 100 (limit - Q) / limit for stonewall
// (sign -1); dLimit is the limit's derivative with respect to N.
Margin marginOf(double q, double limit, double dLimit, double sign) {
  if (limit <= kNoLimitFlow) return {};
  const double value = sign * kPercent * (q - limit) / limit;
  if (value > kMarginBound) return {kMarginBound, 0.0, 0.0};
  if (value < -kMarginBound) return {-kMarginBound, 0.0, 0.0};
  // The reciprocal does not wait for the value's division.
  const double perLimit = 1.0 / limit;
  const double dq = sign * kPercent * perLimit;     // dmargin/dQ
  return {value, dq, -dq * q * perLimit * dLimit};  // dmargin/dN
}

// The performance value at Qc and its derivatives with respect to Qc and N.
struct Performance {
  double y = 0.0;
  double dq = 0.0;
  double dn = 0.0;
  bool beyondLastKnot = false;
};

// The flow-to-speed terms C6 (Q/N) + C7 (Q/N)^2 vanish at rest when both
// coefficients do; with either non-zero they have no value at N = 0.
bool extendedDefinedAt(const double* c, double n) {
  return n != 0.0 || (c[5] == 0.0 && c[6] == 0.0);
}

Performance extendedAt(const double* c, double q, double n) {
  // At rest the flow-to-speed terms vanish (extendedDefinedAt).
  const bool atRest = n == 0.0;
  const double r = atRest ? 0.0 : q / n;
  const double perN = atRest ? 0.0 : 1.0 / n;
  // d(C6 r + C7 r^2)/dr; r changes by 1/N per unit of Qc and by -r/N per unit of N.
  const double dTermsDr = c[5] + 2.0 * c[6] * r;
  Performance p;
  p.y = c[0] + c[1] * n + c[2] * n * n + c[3] * q + c[4] * q * q + c[5] * r + c[6] * r * r +
        c[7] * q * q * q * q;
  p.dq = c[3] + 2.0 * c[4] * q + 4.0 * c[7] * q * q * q + dTermsDr * perN;  // dY/dQc
  p.dn = c[1] + 2.0 * c[2] * n - dTermsDr * r * perN;                       // dY/dN at fixed Qc
  return p;
}

template <class Curves>
Performance familyAt(const Curves& curves, const SpeedBracket& bracket, double q) {
  const FamilyValue v = evaluateAcross(curves, bracket, q);
  return {v.y, v.dydx, v.dyds, v.lowerBeyond || v.upperBeyond};
}

// The surge and stonewall flows at the operating speed, linear in speed between the
// bracketing curves, and their derivatives with respect to N.
struct Limits {
  double qs = 0.0;
  double dqs = 0.0;  // dQS/dN
  double qw = 0.0;
  double dqw = 0.0;  // dQW/dN
};

Limits limitsAt(const Prepared& p, CompressorForm form, const SpeedBracket& bracket) {
  const std::int64_t i = bracket.lower - 1;
  const double* surge = p.surge(form);
  const bool single = bracket.single;
  Limits l;
  l.qs = single ? surge[0] : bracket.across(surge[i], surge[i + 1]);
  l.dqs = single ? 0.0 : bracket.slope(surge[i], surge[i + 1]);  // dQS/dN
  if (form != CompressorForm::Extended) {
    const double* stonewall = p.stonewall(form);
    l.qw = single ? stonewall[0] : bracket.across(stonewall[i], stonewall[i + 1]);
    l.dqw = single ? 0.0 : bracket.slope(stonewall[i], stonewall[i + 1]);  // dQW/dN
  }
  return l;
}

// The flow the curve is evaluated at: Q, or the violated limit when the limit option
// says so.
struct OperatingFlow {
  bool belowSurge = false;
  bool aboveStonewall = false;
  bool atLimit = false;
  double qc = 0.0;
  double dqcdn = 0.0;  // dQc/dN when Qc sits at a limit
};

OperatingFlow operatingFlow(const CompressorCurveArguments& a, const Limits& l, bool curveForm) {
  OperatingFlow o;
  o.belowSurge = a.q < l.qs;
  o.aboveStonewall = curveForm && !o.belowSurge && a.q > l.qw;
  o.atLimit = a.limitOption.startsWith("No") && (o.belowSurge || o.aboveStonewall);
  o.qc = !o.atLimit ? a.q : o.belowSurge ? l.qs : l.qw;
  o.dqcdn = o.belowSurge ? l.dqs : l.dqw;  // dQc/dN
  return o;
}

// The prepared curves of this workspace; false (reported) when they are not set up
// for these arguments.
bool preparedCurves(const CompressorCurveArguments& a, CompressorForm form, Workspace work,
                    Status status, double*& data, std::int64_t& length) {
  const bool curveForm = form == CompressorForm::Tabular || form == CompressorForm::Polynomials;
  length = dataLength(form, a, work);
  if (form == CompressorForm::None || (curveForm && a.nc < 1) || work.length() < kLengthSlot ||
      !isLocator(work[kLocatorSlot]) || work[kLengthSlot] != static_cast<double>(length)) {
    reportNotSetUp(status, kProcedure);
    return false;
  }
  const auto locator = static_cast<std::int64_t>(work[kLocatorSlot]);
  const std::int64_t base = host::locateReals(locator);
  if (base == 0) {
    reportNotSetUp(status, kProcedure);
    return false;
  }
  data = host::StoreBlock{locator, base}.reals() + kOwnerWord;
  return true;
}

// Whether the operating point can be evaluated (else reported).
bool operatingPointUsable(const CompressorCurveArguments& a, CompressorForm form, const Prepared& p,
                          Status status) {
  const bool speedMatters = form == CompressorForm::Extended || a.nc > 1;
  if (!std::isfinite(a.q)) {
    reportNotFinite(status, kProcedure, "Q", a.q);
    return false;
  }
  if (speedMatters && !std::isfinite(a.n)) {
    reportNotFinite(status, kProcedure, "N", a.n);
    return false;
  }
  if (form == CompressorForm::Extended && !extendedDefinedAt(p.data, a.n)) {
    report(status, kError,
           " Speed N = 0 leaves the terms in Q/N of the Extended Polynomials undefined\\n"
           " in Procedure pPCurve: C6 or C7 is not zero.\\n");
    return false;
  }
  return true;
}

void writeResults(const CompressorCurveArguments& a, const Performance& perf,
                  const OperatingFlow& o, const Limits& l, bool curveForm, Jacobian jac,
                  CallMode mode) {
  const Margin surgeMargin = marginOf(a.q, l.qs, l.dqs, 1.0);
  const Margin stonewallMargin = marginOf(a.q, l.qw, l.dqw, -1.0);
  if (mode.wantsValues()) {
    a.y = perf.y;
    a.surge = surgeMargin.value;
    if (curveForm) a.stone = stonewallMargin.value;
  }
  if (mode.wantsDerivatives()) {
    jac.clear();
    // At a limit the value follows the limit, not Q.
    jac.set(a.at.y, a.at.q, o.atLimit ? 0.0 : perf.dq);                          // dY/dQ
    jac.set(a.at.y, a.at.n, o.atLimit ? perf.dn + perf.dq * o.dqcdn : perf.dn);  // dY/dN
    jac.set(a.at.surge, a.at.q, surgeMargin.dq);                                 // dSURGE%/dQ
    jac.set(a.at.surge, a.at.n, surgeMargin.dn);                                 // dSURGE%/dN
    if (curveForm) {
      jac.set(a.at.stone, a.at.q, stonewallMargin.dq);  // dSTONE%/dQ
      jac.set(a.at.stone, a.at.n, stonewallMargin.dn);  // dSTONE%/dN
    }
  }
}

void evaluate(const CompressorCurveArguments& a, Status status, Workspace work, Jacobian jac,
              CallMode mode) {
  const CompressorForm form = formOf(a.curveType);
  double* data = nullptr;
  std::int64_t length = 0;
  if (!preparedCurves(a, form, work, status, data, length)) return;
  const Prepared p{data, length, a.nc};
  const TabularCurves tabular(p.data, a.nc, BeyondLastKnot::FallToZero);
  if (form == CompressorForm::Tabular && !tabular.countsWithin(a.np)) {
    return reportNotSetUp(status, kProcedure);
  }
  if (!operatingPointUsable(a, form, p, status)) return;

  const bool curveForm = form != CompressorForm::Extended;
  const double* speeds = form == CompressorForm::Tabular ? tabular.speeds() : p.data;
  const SpeedBracket bracket = curveForm ? bracketOf(speeds, a.nc, a.n) : SpeedBracket{};
  const Limits limits = limitsAt(p, form, bracket);
  const OperatingFlow o = operatingFlow(a, limits, curveForm);
  if (o.belowSurge) {
    warnOncePerMarker(p.surgeMarker(), status, " \\npPCurve-W-Operating point is below surge\\n");
  } else if (o.aboveStonewall) {
    warnOncePerMarker(p.stonewallMarker(), status,
                      " \\npPCurve-W-Operating point is above stonewall\\n");
  }

  Performance perf;
  switch (form) {
    case CompressorForm::Tabular:
      perf = familyAt(tabular, bracket, o.qc);
      break;
    case CompressorForm::Polynomials:
      perf = familyAt(PolynomialCurves(p.data, p.data + 3 * a.nc, a.coef.columns(), a.nc), bracket,
                      o.qc);
      break;
    case CompressorForm::Extended:
      perf = extendedAt(p.data, o.qc, a.n);
      break;
    case CompressorForm::None:
      break;
  }
  // Beyond the last point of a curve the machine is past stonewall.
  if (perf.beyondLastKnot && !o.aboveStonewall) {
    warnOncePerMarker(p.stonewallMarker(), status,
                      " \\npPCurve-W-Operating point is above stonewall\\n");
  }
  writeResults(a, perf, o, limits, curveForm, jac, mode);
}

}  // namespace

void SPPCURVE(const CompressorCurveArguments& args, Status status, Workspace work, Jacobian jac,
              CallMode mode) {
  if (mode.isSetUp()) return setUp(args, status, work);
  if (mode.isCleanUp()) {
    if (work.has(kLocatorSlot)) releaseBlock(work);
    return;
  }
  if (mode.wantsValues() || mode.wantsDerivatives()) evaluate(args, status, work, jac, mode);
}

}  // namespace xv55::curves
