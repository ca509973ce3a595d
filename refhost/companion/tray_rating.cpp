// Tray rating of the reference host: TPSR_TPSAR (TRAYCOL blocks) and TPSR_TPSARP
// (REFINECOL blocks), and their common data TPSR_TRAYI / TPSR_TRAYR.
//
// A stage is rated as a perforated (sieve) tray of the tray section that holds it, from
// published tray hydraulics:
//   - weir crest: the Francis weir formula for a rectangular weir without end
//     contractions, Q = 1.84 L h^1.5 (SI; 3.33 L h^1.5 in ft and s): J. B. Francis,
//     "Lowell Hydraulic Experiments", Boston 1855;
//   - clear liquid height h_L = beta (h_w + h_ow) and the tray's liquid holdup h_L A_a;
//   - dry tray pressure drop of the perforations as orifices, rho_V u_h^2 / (2 C_0^2), and
//     the liquid head rho_L g h_L: H. Z. Kister, "Distillation Design", McGraw-Hill 1992,
//     chapter 6;
//   - entrainment flooding by Fair's correlation, J. R. Fair, Petro/Chem Engineer 33(10)
//     45 (1961), in the curve fit of A. I. Lygeros and K. G. Magoulas, Hydrocarbon
//     Processing 65(12) 43 (1986): C_SB = 0.0105 + 8.127e-4 TS^0.755 exp(-1.463 F_LV^0.842)
//     (TS in mm, C_SB in m/s), corrected by (sigma / 0.020 N/m)^0.2 and the system factor;
//   - head loss under the downcomer 0.166 (Q_L / A_m)^2 m and the downcomer backup:
//     R. K. Sinnott, "Coulson & Richardson's Chemical Engineering" vol. 6, 4th ed.,
//     Elsevier 2005, section 11.13.
// Valve and bubble-cap trays are rated with the same relations.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "columns_internal.hpp"
#include "common/finite.hpp"
#include "xv55/host/data_management.h"
#include "xv55/refhost/columns.hpp"

extern "C" {
XV55_API std::int64_t TPSR_TRAYI[TPSR_TRAYI_WORDS];
XV55_API double TPSR_TRAYR[TPSR_TRAYR_WORDS];
}

namespace xv55::refhost::companion::detail {
namespace {

using columns::RatingOptions;
using columns::StageFlows;
using columns::TrayGeometry;
using columns::TrayRating;
using host::TraySectionWord;

constexpr double kTwoThirds = 2.0 / 3.0;
// Fair's flooding chart as fitted by Lygeros and Magoulas.
constexpr double kFairIntercept = 0.0105;  // m/s
constexpr double kFairScale = 8.127e-4;    // m/s per mm^0.755
constexpr double kFairSpacingExponent = 0.755;
constexpr double kFairFlowScale = 1.463;
constexpr double kFairFlowExponent = 0.842;
constexpr double kMillimetresPerMetre = 1000.0;
// Fair's surface tension correction: (sigma / 20 dyn/cm)^0.2.
constexpr double kReferenceSurfaceTension = 0.020;  // N/m
constexpr double kSurfaceTensionExponent = 0.2;
// Head loss under the downcomer apron: 166 mm per (m/s)^2.
constexpr double kDowncomerLossCoefficient = 0.166;  // m s2/m2
// Default apron clearance: this much below the weir, and at least the minimum.
constexpr double kClearanceBelowWeir = 0.010;  // m
constexpr double kMinimumClearance = 0.005;    // m
// Passes of liquid flow a tray may have.
constexpr std::int64_t kMaxPasses = 8;

const Service kTpsar = refhost::detail::declareService("TPSR_TPSAR");
const Service kTpsarp = refhost::detail::declareService("TPSR_TPSARP");

std::int64_t g_ratings = 0;

double noValue() {
  return DMS_RGLOB[host::kNoValue - 1];
}

double orDefault(double value, double fallback) {
  return value > 0 ? value : fallback;
}

// The options of the common data: tray fields 1 .. 4 and rating constants 1 .. 5.
RatingOptions commonOptions() {
  RatingOptions o;
  const std::int64_t* field = TPSR_TRAYI + (TPSR_FIELDS_WORD - 1);
  const double* constant = TPSR_TRAYR + (TPSR_CONSTANTS_WORD - 1);
  o.passes = field[0];
  o.floodingCorrelation = field[1];
  o.crestFormula = field[2];
  o.downcomerCheck = field[3];
  o.systemFactor = constant[0];
  o.holeFraction = constant[1];
  o.orificeCoefficient = constant[2];
  o.aerationFactor = constant[3];
  o.downcomerClearance = constant[4];
  return o;
}

// The column block whose tray record starts at `record`, of the given type.
const BlockDef* blockOfRecord(const DmsWord* record, std::string_view type) {
  if (!record || !loaded().present) return nullptr;
  for (const BlockDef& b : loaded().flowsheet.blocks) {
    if (b.type != type) continue;
    if (beadWord(b.bead, blockOffset(b) + host::kTrayRecordAt) == record) return &b;
  }
  return nullptr;
}

// The tray section of the record that holds stage `stage` of section `section`.
bool findTrays(const DmsWord* record, std::int64_t section, std::int64_t stage, TrayGeometry& out) {
  const std::int64_t sections = std::clamp<std::int64_t>(
      record[host::kRecordTraySectionsWord].integer, 0, host::kMaxTraySections);
  for (std::int64_t n = 0; n < sections; ++n) {
    const DmsWord* t = record + host::kRecordTraysWord + n * host::kTraySectionWords;
    const auto at = [t](TraySectionWord w) { return t[static_cast<std::int64_t>(w)]; };
    if (at(TraySectionWord::Section).integer != section ||
        stage < at(TraySectionWord::FirstStage).integer ||
        stage > at(TraySectionWord::LastStage).integer) {
      continue;
    }
    out.type = at(TraySectionWord::TrayType).integer;
    out.diameter = at(TraySectionWord::Diameter).real;
    out.weirHeight = at(TraySectionWord::WeirHeight).real;
    out.weirLength = at(TraySectionWord::WeirLength).real;
    out.downcomerArea = at(TraySectionWord::DowncomerArea).real;
    out.traySpacing = at(TraySectionWord::TraySpacing).real;
    return true;
  }
  return false;
}

TrayRating unrated(std::int64_t flag) {
  TrayRating r;
  r.flag = flag;
  r.holdup = noValue();
  r.results.fill(noValue());
  return r;
}

// One stage's entries of the tables.
struct Tables {
  double* pressure;
  const double* liquidMass;
  const double* vapourMass;
  const double* liquidVolume;
  const double* vapourVolume;
  const double* liquidDensity;
  const double* vapourDensity;
  const double* property1;
  const double* property2;
  const double* datum;
  const double* flowParameter;
  const double* vapourLoad;
  double* stageWork;
  const double* liquidMw;
  const double* vapourMw;
};

void recordStage(CallRecord& record, const Tables& t, std::int64_t i) {
  const double* tables[] = {t.pressure,     t.liquidMass,    t.vapourMass,    t.liquidVolume,
                            t.vapourVolume, t.liquidDensity, t.vapourDensity, t.property1,
                            t.property2,    t.datum,         t.flowParameter, t.vapourLoad,
                            t.stageWork,    t.liquidMw,      t.vapourMw};
  for (const double* table : tables) record.reals.push_back(table ? table[i] : 0.0);
}

// Rates entry i (0-based) of the tables with the trays of (section, stage).
TrayRating rateEntry(const DmsWord* record, const Tables& t, std::int64_t i, std::int64_t section,
                     std::int64_t stage) {
  TrayGeometry tray;
  if (!findTrays(record, section, stage, tray)) return unrated(TPSR_NO_TRAYS);
  StageFlows s;
  s.liquidVolume = t.liquidVolume[i];
  s.vapourVolume = t.vapourVolume[i];
  s.liquidDensity = t.liquidDensity[i];
  s.vapourDensity = t.vapourDensity[i];
  s.surfaceTension = t.property1[i];
  s.flowParameter = t.flowParameter[i];
  s.vapourLoad = t.vapourLoad[i];
  return columns::rateTray(tray, commonOptions(), s);
}

// What every rating leaves: the rated pressure in entry 1, the stage work entry, the
// block's work words, the flag, the holdup and the results.
void finish(Service service, CallRecord& record, const TrayRating& r, const Tables& t,
            std::int64_t i, DmsWord* work, double* holdup, double* results) {
  const double stagePressure = t.pressure[i];
  const double drop = r.results[TPSR_PRESSURE_DROP - 1];
  t.pressure[0] = drop < noValue() ? stagePressure + drop : stagePressure;
  t.stageWork[i] = r.results[TPSR_CLEAR_LIQUID - 1];
  if (work) {
    ++work[0].integer;
    work[1].integer = i + 1;
    work[2].integer = r.flag;
    work[3].real = drop;
  }
  TPSR_TRAYI[TPSR_FLAG_WORD - 1] = r.flag;
  double h = r.holdup;
  if (refhost::detail::failureDue(service)) h = noValue();
  if (holdup) *holdup = h;
  if (results) std::copy(r.results.begin(), r.results.end(), results);
  record.integers.push_back(r.flag);
  record.reals.push_back(h);
  record.reals.insert(record.reals.end(), r.results.begin(), r.results.end());
  ++g_ratings;
}

// A call the routine cannot serve: the flag, no-value results, and the stage's own
// pressure as the rated one when the stage has an entry.
void refuse(std::int64_t flag, double* pressure, std::int64_t entry, double* holdup,
            double* results) {
  if (pressure && entry >= 1) pressure[0] = pressure[entry - 1];
  TPSR_TRAYI[TPSR_FLAG_WORD - 1] = flag;
  if (holdup) *holdup = noValue();
  if (results) std::fill(results, results + TPSR_RESULTS, noValue());
}

}  // namespace
}  // namespace xv55::refhost::companion::detail

namespace xv55::refhost::columns {

namespace {

// Why a tray cannot be rated with these options and data; TPSR_RATED when it can.
std::int64_t unratable(const TrayGeometry& tray, const RatingOptions& o, const StageFlows& s) {
  namespace d = companion::detail;
  if (o.passes < 1 || o.passes > d::kMaxPasses || o.floodingCorrelation != 1 ||
      o.crestFormula != 1) {
    return TPSR_UNKNOWN_OPTION;
  }
  const double area = d::kQuarterPi * tray.diameter * tray.diameter;
  const double activeArea = area - 2 * tray.downcomerArea;
  if (!allFinite({tray.diameter, tray.weirHeight, tray.weirLength, tray.downcomerArea,
                  tray.traySpacing}) ||
      !(tray.weirLength > 0) || !(tray.weirHeight >= 0) || !(tray.downcomerArea > 0) ||
      !(tray.traySpacing > 0) || !(activeArea > 0)) {
    return TPSR_BAD_GEOMETRY;
  }
  if (!allFinite({s.liquidVolume, s.vapourVolume, s.liquidDensity, s.vapourDensity,
                  s.surfaceTension, s.flowParameter, s.vapourLoad}) ||
      !(s.liquidVolume >= 0) || !(s.vapourVolume >= 0) || !(s.vapourDensity > 0) ||
      !(s.liquidDensity > s.vapourDensity) || !(s.flowParameter >= 0) || !(s.vapourLoad >= 0)) {
    return TPSR_BAD_STAGE_DATA;
  }
  return TPSR_RATED;
}

// Fair's flooding capacity factor, corrected for surface tension and the system.
double fairFloodFactor(const TrayGeometry& tray, const StageFlows& s, double systemFactor) {
  namespace d = companion::detail;
  const double spacing = tray.traySpacing * d::kMillimetresPerMetre;
  const double csb =
      d::kFairIntercept +
      d::kFairScale * std::pow(spacing, d::kFairSpacingExponent) *
          std::exp(-d::kFairFlowScale * std::pow(s.flowParameter, d::kFairFlowExponent));
  const double tension =
      s.surfaceTension > 0
          ? std::pow(s.surfaceTension / d::kReferenceSurfaceTension, d::kSurfaceTensionExponent)
          : 1.0;
  return csb * tension * systemFactor;
}

}  // namespace

TrayRating rateTray(const TrayGeometry& tray, const RatingOptions& o, const StageFlows& s) {
  namespace d = companion::detail;
  if (const std::int64_t reason = unratable(tray, o, s); reason != TPSR_RATED) {
    return d::unrated(reason);
  }
  const double area = d::kQuarterPi * tray.diameter * tray.diameter;
  const double netArea = area - tray.downcomerArea;
  const double activeArea = area - 2 * tray.downcomerArea;
  const double beta = d::orDefault(o.aerationFactor, kDefaultAerationFactor);
  const double holeArea = d::orDefault(o.holeFraction, kDefaultHoleFraction) * activeArea;
  const double c0 = d::orDefault(o.orificeCoefficient, kDefaultOrificeCoefficient);
  const double clearance =
      d::orDefault(o.downcomerClearance,
                   std::max(tray.weirHeight - d::kClearanceBelowWeir, d::kMinimumClearance));

  // Weir crest (Francis) and clear liquid on the tray.
  const double passFlow = s.liquidVolume / static_cast<double>(o.passes);
  const double crest = std::pow(passFlow / (kFrancisCoefficient * tray.weirLength), d::kTwoThirds);
  const double clearLiquid = beta * (tray.weirHeight + crest);
  // Pressure drop: the perforations as orifices, and the liquid head.
  const double holeVelocity = s.vapourVolume / holeArea;
  const double dry = s.vapourDensity * holeVelocity * holeVelocity / (2 * c0 * c0);
  const double drop = dry + s.liquidDensity * kGravity * clearLiquid;
  // Flooding (Fair).
  const double floodFactor =
      fairFloodFactor(tray, s, d::orDefault(o.systemFactor, kDefaultSystemFactor));
  const double flood = s.vapourLoad / (netArea * floodFactor);
  // Downcomer: head loss under the apron and the clear liquid backup.
  const double apronArea = std::min(clearance * tray.weirLength, tray.downcomerArea);
  const double apronVelocity = passFlow / apronArea;
  const double apronLoss = d::kDowncomerLossCoefficient * apronVelocity * apronVelocity;
  const double backup = tray.weirHeight + crest + drop / (s.liquidDensity * kGravity) + apronLoss;

  TrayRating r;
  r.results = {drop,        dry,
               clearLiquid, crest,
               flood,       floodFactor,
               backup,      passFlow > 0 ? tray.downcomerArea * backup / passFlow : d::noValue()};
  if (flood >= 1) {
    r.flag = TPSR_JET_FLOOD;
  } else if (o.downcomerCheck != 0 && backup >= tray.traySpacing + tray.weirHeight) {
    r.flag = TPSR_DOWNCOMER_FLOOD;
  } else {
    r.flag = TPSR_RATED;
  }
  r.holdup = r.flag == TPSR_RATED ? clearLiquid * activeArea : d::noValue();
  return r;
}

std::int64_t ratings() {
  return companion::detail::g_ratings;
}

}  // namespace xv55::refhost::columns

namespace {
namespace cd = xv55::refhost::companion::detail;

void resetRatings() {
  cd::g_ratings = 0;
  std::fill(std::begin(TPSR_TRAYI), std::end(TPSR_TRAYI), 0);
  std::fill(std::begin(TPSR_TRAYR), std::end(TPSR_TRAYR), 0.0);
}
const bool kHooked = (xv55::refhost::detail::addResetHook(&resetRatings), true);
}  // namespace

extern "C" XV55_API void TPSR_TPSAR(
    const DmsWord* record, double* pressure, const double* liquidMass, const double* vapourMass,
    const double* liquidVolume, const double* vapourVolume, const double* liquidDensity,
    const double* vapourDensity, const double* property1, const double* property2,
    const double* datum, const double* flowParameter, const double* vapourLoad, double* stageWork,
    const double* liquidMw, const double* vapourMw, const std::int64_t* tableLength, DmsWord* work,
    double* holdup, double* results) {
  auto& call = xv55::refhost::detail::beginRecord(cd::kTpsar);
  const std::int64_t stage = TPSR_TRAYI[TPSR_STAGE_WORD - 1];
  const std::int64_t length = tableLength ? *tableLength : 0;
  call.integers = {TPSR_TRAYI[TPSR_OPTION_WORD - 1], stage, 1, length};
  const cd::Tables t{pressure,      liquidMass,    vapourMass, liquidVolume, vapourVolume,
                     liquidDensity, vapourDensity, property1,  property2,    datum,
                     flowParameter, vapourLoad,    stageWork,  liquidMw,     vapourMw};
  const DmsWord* columnRecord = cd::blockOfRecord(record, "TRAYCOL") ? record : nullptr;
  if (!columnRecord) {
    xv55::refhost::detail::report(cd::kTpsar, xv55::refhost::detail::kSeverityError,
                                  "The tray record is not that of a TRAYCOL block of the "
                                  "flowsheet; nothing rated.");
    return cd::refuse(TPSR_NO_TRAYS, pressure, stage >= 1 && stage <= length ? stage : 0, holdup,
                      results);
  }
  if (stage < 1 || stage > length || !pressure || !stageWork || !liquidVolume || !vapourVolume ||
      !liquidDensity || !vapourDensity || !property1 || !flowParameter || !vapourLoad) {
    return cd::refuse(TPSR_BAD_STAGE_DATA, nullptr, 0, holdup, results);
  }
  const std::int64_t i = stage - 1;
  cd::recordStage(call, t, i);
  const std::int64_t stages = record[xv55::host::kRecordStagesWord].integer;
  const xv55::refhost::columns::TrayRating r = stages > 0 && stage > stages
                                                   ? cd::unrated(TPSR_NO_TRAYS)
                                                   : cd::rateEntry(record, t, i, 1, stage);
  cd::finish(cd::kTpsar, call, r, t, i, work, holdup, results);
}

extern "C" XV55_API void TPSR_TPSARP(
    const std::int64_t* section, const std::int64_t* totalStages, const std::int64_t* sectionStages,
    const std::int64_t* sectionCount, const DmsWord* record, double* pressure,
    const double* liquidMass, const double* vapourMass, const double* liquidVolume,
    const double* vapourVolume, const double* liquidDensity, const double* vapourDensity,
    const double* property1, const double* property2, const double* datum,
    const double* flowParameter, const double* vapourLoad, double* stageWork,
    const double* liquidMw, const double* vapourMw, DmsWord* work, double* holdup,
    double* results) {
  auto& call = xv55::refhost::detail::beginRecord(cd::kTpsarp);
  const std::int64_t stage = TPSR_TRAYI[TPSR_STAGE_WORD - 1];
  const std::int64_t s = section ? *section : 0;
  const std::int64_t total = totalStages ? *totalStages : 0;
  const std::int64_t count = sectionCount ? *sectionCount : 0;
  call.integers = {TPSR_TRAYI[TPSR_OPTION_WORD - 1], stage, s, total};
  const cd::Tables t{pressure,      liquidMass,    vapourMass, liquidVolume, vapourVolume,
                     liquidDensity, vapourDensity, property1,  property2,    datum,
                     flowParameter, vapourLoad,    stageWork,  liquidMw,     vapourMw};
  // The stage's global index: the stages of the sections before it, then its own number.
  std::int64_t global = stage;
  bool usable = s >= 1 && s <= std::max<std::int64_t>(count, 1) &&
                count <= xv55::host::kMaxColumnSections && stage >= 1 && sectionStages;
  for (std::int64_t k = 0; usable && k + 1 < s; ++k) {
    usable = sectionStages[k] >= 0 && sectionStages[k] <= cd::kMaxColumnStages;
    global += sectionStages[k];
  }
  usable = usable && global <= total;
  if (!cd::blockOfRecord(record, "REFINECOL")) {
    xv55::refhost::detail::report(cd::kTpsarp, xv55::refhost::detail::kSeverityError,
                                  "The tray record is not that of a REFINECOL block of the "
                                  "flowsheet; nothing rated.");
    return cd::refuse(TPSR_NO_TRAYS, pressure, usable ? global : 0, holdup, results);
  }
  if (!usable || !pressure || !stageWork || !liquidVolume || !vapourVolume || !liquidDensity ||
      !vapourDensity || !property1 || !flowParameter || !vapourLoad) {
    return cd::refuse(TPSR_BAD_STAGE_DATA, nullptr, 0, holdup, results);
  }
  const std::int64_t i = global - 1;
  cd::recordStage(call, t, i);
  const xv55::refhost::columns::TrayRating r = cd::rateEntry(record, t, i, s, stage);
  cd::finish(cd::kTpsarp, call, r, t, i, work, holdup, results);
}
