// What the two column hydraulics procedures share: the checks of their inputs, the
// stage quantities the rating routine takes, the routine's common data, the column
// block's tray words, and the post-processing of the rating results.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "entry/views.hpp"
#include "hydraulics/hydraulics.hpp"
#include "kinetics/block_location.hpp"
#include "xv55/host/columns.h"

namespace xv55::hydraulics::detail {

// Floors of the stage quantities.
inline constexpr double kMinTrayFlow = 1e-5;        // kmol/h, tray column flows
inline constexpr double kMinDensityOrFlow = 1e-15;  // flow parameter and vapour load
// The value the procedures leave in their last workspace word after a rating.
inline constexpr double kRatedMarker = 999.0;
// Options above this write the holdup; options from kHoldupCheckOption on test it.
inline constexpr std::int64_t kHoldupOption = 4;
inline constexpr std::int64_t kHoldupCheckOption = 5;

// The host's factors from the model's units to SI (flows per hour are divided by
// 3600 besides).
struct UnitFactors {
  double pressure;
  double molarDensity;
  double mass;
  double volume;
  double length;
  static UnitFactors fromHost();
};

// One named input of a procedure, for the invalid-number check.
struct NamedInput {
  std::int64_t position;
  const char* name;
  double value;
};

// Sets status 4 and names the first input that is not a finite number; false then.
bool inputsAreFinite(const char* routine, std::span<const NamedInput> inputs, Status status);

// The numeric inputs both procedures have, from the stage number on, in order; the
// first is input `first`.
std::array<NamedInput, 14> stageInputsOf(const StageSelection& n, const StageConditions& c,
                                         std::int64_t first);

// A real input that holds a whole number (stage, section, option), rounded to the
// nearest integer; saturates far outside the integers.
std::int64_t wholeNumber(double value);

// The model's data of a stage, in model units (flows per hour).
struct StageInputs {
  double pressure;
  double liquidFlow;
  double vapourFlow;
  double liquidMolarDensity;
  double vapourMolarDensity;
  double liquidMw;
  double vapourMw;
  double surfaceTension;  // dyn/cm
  double viscosity;       // cP
  double datum;
};

// The stage's data as the model gives it.
StageInputs stageInputsOf(const StageConditions& c);

// The per-stage quantities, in the order the rating routine takes its tables.
enum Table : std::size_t {
  kPressure,
  kLiquidMass,
  kVapourMass,
  kLiquidVolume,
  kVapourVolume,
  kLiquidDensity,
  kVapourDensity,
  kSurfaceTension,  // N/m
  kViscosity,       // Pa s
  kDatum,
  kFlowParameter,
  kVapourLoad,
  kStageWork,
  kLiquidMw,
  kVapourMw,
  kTables
};
using StageEntry = std::array<double, kTables>;

// The stage's quantities in SI (the flow parameter and vapour load included; the
// stage work entry 0).  Call densitiesInOrder first: the flow parameter and vapour
// load take the densities in that order.
StageEntry stageEntry(const StageInputs& in, const UnitFactors& f);
// The mass densities of a stage entry: whether the vapour's does not exceed the liquid's.
inline bool densitiesInOrder(const StageEntry& e) {
  return !(e[kVapourDensity] > e[kLiquidDensity]);
}
// densitiesInOrder, with the warning (status 2) that the stage is not rated when not.
bool densitiesAllowRating(const char* routine, const StageEntry& e, Status status);

// Fills the rating routine's common data: option, stage, section, the stage datum and
// the length (SI), and presets its flag word.
void presetCommonData(std::int64_t option, std::int64_t stage, std::int64_t section, double datum,
                      double length);

// A located column block: its identifier split, and the base of its data (data word
// k is store word dataBase + k).
struct ColumnBlock {
  kinetics::BlockId id;
  std::int64_t dataBase = 0;
  bool found = false;
  DmsWord* record() const;     // first word of the tray record
  DmsWord* workWords() const;  // the block's rating work words
  DmsWord word(std::int64_t dataWord) const;
};
// Locates the block (the BLOCK ID report and status 4 when it is not there).
ColumnBlock locateColumn(const Text& identifier, Status status);

// Copies the block's 38 tray fields (the default of each field that is not set) and
// its eight rating constants into the rating routine's common data.
void copyTrayWords(const ColumnBlock& block);

// What the rating routine returned.
struct Rating {
  double holdup = 0.0;
  double results[TPSR_RESULTS] = {};
};

// The outputs of both procedures: the rated pressure, the holdup (options above 4)
// and the eight results (1.0 in place of the no-value magnitude).
void writeOutputs(const RatingOutputs& out, double ratedPressure, const UnitFactors& f,
                  std::int64_t option, const Rating& r, double noValue);

// Whether the holdup is to be checked and has no value.
inline bool holdupFailed(std::int64_t option, const Rating& r, double noValue) {
  return option >= kHoldupCheckOption && r.holdup >= noValue;
}

// Leaves the rated marker in the last word of the workspace.
void markRated(Workspace work);

}  // namespace xv55::hydraulics::detail
