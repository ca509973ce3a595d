// The parts of a tray rating that both column hydraulics procedures share.
#include "hydraulics/rating.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/units.hpp"
#include "host/services.hpp"
#include "print/report.hpp"
#include "xv55/host/companion.h"
#include "xv55/host/data_management.h"

namespace xv55::hydraulics::detail {
namespace {

// Beyond this magnitude a real is not rounded but saturated.
constexpr double kLargestWhole = 9.0e18;
// The liquid's surface tension and viscosity come in dyn/cm and cP, thousandths of
// the rating routine's N/m and Pa s.
constexpr double kThousandths = 1000.0;

void setInteger(std::int64_t word, std::int64_t value) {
  TPSR_TRAYI[word - 1] = value;
}
void setReal(std::int64_t word, double value) {
  TPSR_TRAYR[word - 1] = value;
}

}  // namespace

UnitFactors UnitFactors::fromHost() {
  using host::Quantity;
  return {host::toSi(Quantity::Pressure, 1.0), host::toSi(Quantity::MolarDensity, 1.0),
          host::toSi(Quantity::Mass, 1.0), host::toSi(Quantity::Volume, 1.0),
          host::toSi(Quantity::Length, 1.0)};
}

bool inputsAreFinite(const char* routine, std::span<const NamedInput> inputs, Status status) {
  for (const NamedInput& in : inputs) {
    if (std::isfinite(in.value)) continue;
    report(status, kError,
           "%s-F-Input %d (%s) is not a finite number; rigorous hydraulic calculations "
           "skipped.\\n",
           routine, in.position, in.name);
    return false;
  }
  return true;
}

std::array<NamedInput, 14> stageInputsOf(const StageSelection& n, const StageConditions& c,
                                         std::int64_t first) {
  return {{{first, "stage number", n.stage},
           {first + 1, "stage datum", n.stageDatum},
           {first + 2, "hydraulics option", n.option},
           {first + 3, "length", c.length},
           {first + 4, "stage pressure", c.pressure},
           {first + 5, "liquid molar flow", c.liquidFlow},
           {first + 6, "vapour molar flow", c.vapourFlow},
           {first + 7, "liquid molar density", c.liquidMolarDensity},
           {first + 8, "vapour molar density", c.vapourMolarDensity},
           {first + 9, "liquid molecular weight", c.liquidMw},
           {first + 10, "vapour molecular weight", c.vapourMw},
           {first + 11, "liquid property 1", c.liquidSurfaceTension},
           {first + 12, "liquid property 2", c.liquidViscosity},
           {first + 13, "stage datum 2", c.stageDatum2}}};
}

StageInputs stageInputsOf(const StageConditions& c) {
  return {c.pressure,           c.liquidFlow, c.vapourFlow, c.liquidMolarDensity,
          c.vapourMolarDensity, c.liquidMw,   c.vapourMw,   c.liquidSurfaceTension,
          c.liquidViscosity,    c.stageDatum2};
}

void writeOutputs(const RatingOutputs& out, double ratedPressure, const UnitFactors& f,
                  std::int64_t option, const Rating& r, double noValue) {
  out.ratedPressure = ratedPressure / f.pressure;
  if (option > kHoldupOption) out.holdup = r.holdup / f.volume;
  double* const results[TPSR_RESULTS] = {&out.trayPressureDrop,  &out.dryTrayPressureDrop,
                                         &out.clearLiquidHeight, &out.weirCrest,
                                         &out.floodFraction,     &out.floodingCapacityFactor,
                                         &out.downcomerBackup,   &out.downcomerResidenceTime};
  for (std::size_t k = 0; k < TPSR_RESULTS; ++k) {
    *results[k] = r.results[k] >= noValue ? 1.0 : r.results[k];
  }
}

std::int64_t wholeNumber(double value) {
  if (std::isnan(value)) return 0;
  if (value >= kLargestWhole) return std::numeric_limits<std::int64_t>::max();
  if (value <= -kLargestWhole) return std::numeric_limits<std::int64_t>::min();
  return std::llround(value);
}

StageEntry stageEntry(const StageInputs& in, const UnitFactors& f) {
  StageEntry e{};
  e[kPressure] = in.pressure * f.pressure;
  e[kLiquidMass] = in.liquidMw * in.liquidFlow / units::kSecondsPerHour * f.mass;
  e[kVapourMass] = in.vapourMw * in.vapourFlow / units::kSecondsPerHour * f.mass;
  e[kLiquidVolume] = in.liquidFlow / in.liquidMolarDensity / units::kSecondsPerHour * f.volume;
  e[kVapourVolume] = in.vapourFlow / in.vapourMolarDensity / units::kSecondsPerHour * f.volume;
  e[kLiquidDensity] = in.liquidMolarDensity * in.liquidMw * f.molarDensity;
  e[kVapourDensity] = in.vapourMolarDensity * in.vapourMw * f.molarDensity;
  e[kSurfaceTension] = in.surfaceTension / kThousandths;
  e[kViscosity] = in.viscosity / kThousandths;
  e[kDatum] = in.datum;
  e[kLiquidMw] = in.liquidMw;
  e[kVapourMw] = in.vapourMw;
  // Flow parameter and vapour load with floored densities.
  const double rhoV = std::max(e[kVapourDensity], kMinDensityOrFlow);
  const double rhoL = rhoV > e[kLiquidDensity] ? rhoV + kMinDensityOrFlow : e[kLiquidDensity];
  e[kFlowParameter] =
      e[kLiquidMass] / std::max(e[kVapourMass], kMinDensityOrFlow) * std::sqrt(rhoV / rhoL);
  e[kVapourLoad] = e[kVapourVolume] * std::sqrt(rhoV / std::max(rhoL - rhoV, kMinDensityOrFlow));
  return e;
}

bool densitiesAllowRating(const char* routine, const StageEntry& e, Status status) {
  if (densitiesInOrder(e)) return true;
  report(status, kWarning,
         "%s-F- Rhoml (%f kg/m3) is less than Rhomv (%f kg/m3). Rigorous hydraulic "
         "calculations skipped.\\n",
         routine, e[kLiquidDensity], e[kVapourDensity]);
  return false;
}

void presetCommonData(std::int64_t option, std::int64_t stage, std::int64_t section, double datum,
                      double length) {
  setReal(TPSR_DATUM_WORD, datum);
  setInteger(TPSR_STAGE_WORD, stage);
  setInteger(TPSR_OPTION_WORD, option);
  setReal(TPSR_LENGTH_WORD, length);
  setInteger(TPSR_SECTION_WORD, section);
  setInteger(TPSR_FLAG_WORD, TPSR_FLAG_PRESET);
}

DmsWord* ColumnBlock::record() const {
  return &host::plex(dataBase + host::kTrayRecordAt);
}

DmsWord* ColumnBlock::workWords() const {
  return &host::plex(dataBase + host::kTrayRecordAt + host::kRecordWorkWord);
}

DmsWord ColumnBlock::word(std::int64_t dataWord) const {
  return host::plex(dataBase + dataWord);
}

ColumnBlock locateColumn(const Text& identifier, Status status) {
  const kinetics::LocatedBlock located = kinetics::locateBlock(identifier, status);
  ColumnBlock block;
  block.id = located.id;
  if (!located.found()) return block;
  std::int64_t bead = located.bead;
  const std::int64_t base = DMS_LOCATI(&bead);
  if (base <= 0) {
    kinetics::reportMissingBlock(located.id, status);
    return block;
  }
  block.dataBase = base + host::readBeadWord(base, host::kBlockOffsetWord).integer;
  block.found = true;
  return block;
}

void copyTrayWords(const ColumnBlock& block) {
  for (std::int64_t k = 0; k < host::kTrayFieldCount; ++k) {
    std::int64_t field = block.word(host::kTrayFieldsAt + k).integer;
    if (field == host::kTrayFieldNotSet) field = block.word(host::kTrayDefaultsAt + k).integer;
    setInteger(TPSR_FIELDS_WORD + k, field);
  }
  for (std::int64_t k = 0; k < host::kTrayConstantCount; ++k) {
    setReal(TPSR_CONSTANTS_WORD + k, block.word(host::kTrayConstantsAt + k).real);
  }
}

void markRated(Workspace work) {
  if (work.length() < 1) return;
  double& last = work[work.length()];
  if (last != kRatedMarker) last = kRatedMarker;
}

}  // namespace xv55::hydraulics::detail
