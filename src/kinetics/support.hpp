// What the user-routine procedures share: the model's component set, the companion
// simulator's stream vector, host areas kept in the workspace, the run files, the
// integer parameter sets and the check of invalid numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "common/text.hpp"
#include "common/units.hpp"
#include "entry/views.hpp"
#include "kinetics/user_routines.hpp"
#include "print/report.hpp"
#include "xv55/host/companion.h"

namespace xv55::kinetics {

// ---- limits ----

inline constexpr std::int64_t kMaxReactions = 50;
// The stream vector (NCOMP + 9 words) must fit its 100-word module copy.
inline constexpr std::int64_t kStreamExtraWords = 9;
inline constexpr std::int64_t kMaxCompanionComponents = kModuleWords - kStreamExtraWords;
// Work arrays handed over with two of the counts.
inline constexpr std::int64_t kSmallWorkWords = 12;

// ---- conversions ----

// Sub-code threshold of the flash's one-phase option.
inline constexpr double kPhaseThresholdSingle = units::single(0.9f);
// Model enthalpies are MJ/kmol; the companion simulator's J/kmol.
inline constexpr double kJoulesPerMegajoule = 1.0e6;
// A heat flux in W is 3.6 kJ/h: with kJoulesPerMegajoule, W to GJ/h.
inline constexpr double kKilojoulesPerHourPerWatt = 3.6;

// ---- the stream vector ----

// Words past NCOMP of a stream vector, 1-based (word NCOMP + k).
namespace stream {
inline constexpr std::int64_t kTotalFlow = 1;    // kmol/s
inline constexpr std::int64_t kTemperature = 2;  // K
inline constexpr std::int64_t kPressure = 3;     // Pa
inline constexpr std::int64_t kEnthalpy = 4;
inline constexpr std::int64_t kVapourFraction = 5;
inline constexpr std::int64_t kLiquidFraction = 6;
inline constexpr std::int64_t kUnknown = 7;  // PPEXEC_USER word 1
inline constexpr std::int64_t kDensity = 8;
inline constexpr std::int64_t kMolecularWeight = 9;
}  // namespace stream

// The value PPEXEC_USER holds for a stream entry that cannot be computed.
inline double unknownStreamValue() {
  return PPEXEC_USER[0];
}

// ---- SHS_STWORK: the host's stream work area ----
//
// Vectors of the reactor and column procedures, 100 words each, and the phase data of
// the procedures that take the phases from the model.
namespace stwork {
inline constexpr std::int64_t kComposition = 0;  // companion order
inline constexpr std::int64_t kRates = 1;        // model order (reactors) / companion (stages)
inline constexpr std::int64_t kVapour = 2;
inline constexpr std::int64_t kLiquid = 3;
inline constexpr std::int64_t kLiquid1 = 4;
inline constexpr std::int64_t kLiquid2 = 5;
inline constexpr std::int64_t kPhaseData = 6;
inline constexpr std::int64_t kVectors = 7;
// Words of the phase data, 1-based within its vector.
inline constexpr std::int64_t kVapourFractionWord = 1;
inline constexpr std::int64_t kLiquidFractionWord = 2;
inline constexpr std::int64_t kLiquidSplitWord = 3;
inline constexpr std::int64_t kVapourFlowWord = 4;    // kmol/s
inline constexpr std::int64_t kLiquidFlowWord = 5;    // kmol/s
inline constexpr std::int64_t kVapourVolumeWord = 6;  // m3/kmol
inline constexpr std::int64_t kLiquid1VolumeWord = 7;
inline constexpr std::int64_t kLiquid2VolumeWord = 8;
inline constexpr std::int64_t kVapourEnthalpyWord = 9;  // J/kmol
inline constexpr std::int64_t kLiquid1EnthalpyWord = 10;
inline constexpr std::int64_t kLiquid2EnthalpyWord = 11;
inline constexpr std::int64_t kMolecularWeightWord = 12;  // kg/kmol
static_assert(kVectors * kModuleWords <= SHS_STWORK_WORDS);
}  // namespace stwork

// Vector k of SHS_STWORK (100 words).
inline double* stworkVector(std::int64_t k) {
  return SHS_STWORK + k * kModuleWords;
}

// ---- host services' status ----

// The status cell a host service writes: a cell of the call's own, so that a service
// that succeeds (and writes its own code there) leaves the procedure's status as the
// host handed it over.  A failure (4) is carried over to the procedure's status.
class ServiceStatus {
 public:
  std::int64_t* address() { return &value_; }
  std::int64_t value() const { return value_; }
  // True when the service failed (4): the procedure's status is then 4 as well.
  bool failed(Status status) const {
    if (value_ != kServiceFailure) return false;
    status = kServiceFailure;
    return true;
  }

 private:
  static constexpr std::int64_t kServiceFailure = 4;
  std::int64_t value_ = 0;
};

// ---- the model's component set ----

// What SAISST describes: the companion position of each model component (IDX), the
// mapping for SAISAO/SAIASO, the flash tolerance, the property option set and the
// number of model components.
struct ModelComponents {
  const std::int64_t* index = nullptr;
  const std::int64_t* mapping = nullptr;
  std::int64_t streamClass = 0;
  std::int64_t toleranceExponent = 0;
  const std::int64_t* optionSet = nullptr;
  std::int64_t count = 0;
};

// SAISST for the calling model; false when the host failed (the procedure's status 4).
bool loadModelComponents(HostContext context, Status status, ModelComponents& out);

// Reactions 1..reactions of a stoichiometry in model order (rows 1..nc) into `out` in
// companion order, NCOMP cells per reaction: each component's row at its companion
// position, one outside the companion list skipped.  Other cells are left as they are.
void placeStoichiometry(Matrix<const double> nu, std::int64_t nc, std::int64_t reactions,
                        const ModelComponents& model, std::int64_t ncomp, double* out);

// ---- host areas kept by a call site ----

// Two workspace slots: a marker (999 once the area is in use, or loaded) and the
// handle of a block of reals in the host's store.  Slots hold integers as reals.
struct AreaSlots {
  std::int64_t marker;
  std::int64_t handle;
};
inline constexpr double kAreaMarker = 999.0;

// A kept area of rows x columns reals.
struct KeptArea {
  double* data = nullptr;
  bool marked = false;  // the marker was set before this call
  bool ok() const { return data != nullptr; }
};

// The area of the slots: located again when the marker is set and the area has the
// wanted shape; otherwise a new area (zeroed), the old one released, the marker set to
// `newMarker`.  Not ok (status 4, a report naming `procedure`) when the host cannot
// provide it.  The caller has checked that the slots are in the workspace.
KeptArea keepArea(Workspace work, AreaSlots slots, std::int64_t rows, std::int64_t columns,
                  double newMarker, std::string_view procedure, Status status);
// Releases the area of the slots, if any, and clears both slots.
void releaseArea(Workspace work, AreaSlots slots);

// A workspace too short for the slots a procedure keeps: status 4 and a report.
bool workspaceHolds(Workspace work, std::int64_t slots, std::string_view procedure, Status status);

// ---- run files ----

// The run file and directory the user routines see (SAIPDF), taken from the host's
// file-name list when blank or full.
void prepareRunFiles();

// ---- parameter sets in module storage ----

// The parameter sets and block workspaces that the reactor and the column-stage routines
// both receive, kept in module storage: the integer sets truncated from the model's
// reals, the counts, and the workspaces a routine may keep values in between calls.
struct ParameterStorage {
  std::int64_t integers[kModuleWords];
  std::int64_t reactionIntegers[kModuleWords];
  // The work array that goes with NZIPW: as long as its limit allows.
  std::int64_t integerWorkspace[kModuleWords];
  double realWorkspace[kModuleWords];
  std::int64_t integerCount, realCount, reactionIntegerCount, reactionRealCount;
  std::int64_t integerWorkspaceCount, realWorkspaceCount;

  // Arguments `first` to `first` + 3: the integer count and set, the real count and set;
  // `reactionFirst` to `reactionFirst` + 7: the same for the reaction paragraph, then the
  // integer and the real workspace, each after its count.  The real sets are the
  // model's own.
  template <std::size_t N>
  void placeIn(RoutineList<N>& list, std::int64_t first, const double* reals,
               std::int64_t reactionFirst, const double* reactionReals) {
    list.setCounted(first, &integerCount, integers);
    list.setCounted(first + 2, &realCount, reals);
    list.setCounted(reactionFirst, &reactionIntegerCount, reactionIntegers);
    list.setCounted(reactionFirst + 2, &reactionRealCount, reactionReals);
    list.setCounted(reactionFirst + 4, &integerWorkspaceCount, integerWorkspace);
    list.setCounted(reactionFirst + 6, &realWorkspaceCount, realWorkspace);
  }
};

// ---- the clean-up call ----

// On the host's clean-up call, clears the user routines' shared state (SAIGCLEAR) and
// returns true: the caller evaluates nothing.
bool clearedOnCleanUp(CallMode mode, Status status);

// ---- parameters ----

// Real values truncated towards zero into integers; the caller has checked them.
void truncateInto(Vector<const double> values, std::int64_t* out);

// ---- invalid numbers ----

// Collects the first input that no calculation can use: a real that is not finite, a
// value to be truncated that no integer holds, a divisor of 0.
class InputCheck {
 public:
  void real(const char* name, double value);
  void nonZero(const char* name, double value);
  void reals(const char* name, Vector<const double> values);
  void matrix(const char* name, Matrix<const double> values);
  void integral(const char* name, double value);
  void integrals(const char* name, Vector<const double> values);
  // The integer and real parameter sets of the block and of the reaction paragraph,
  // under their argument names.
  void parameterSets(Vector<const double> integers, Vector<const double> reals,
                     Vector<const double> reactionIntegers, Vector<const double> reactionReals);
  // Every real input of a group (reals, real vectors and matrices) under its field's
  // name, in the group's order; its integers and texts are not examined.
  template <class Group>
  void group(const Group& g) {
    g.forEachField([this](const char* name, const auto& value) {
      using V = std::remove_cvref_t<decltype(value)>;
      if constexpr (std::is_same_v<V, double>) {
        real(name, value);
      } else if constexpr (std::is_same_v<V, Vector<const double>>) {
        reals(name, value);
      } else if constexpr (std::is_same_v<V, Matrix<const double>>) {
        matrix(name, value);
      }
    });
  }
  // True when every input passed; otherwise status 4 and the report, naming the
  // procedure and the input.
  bool passed(std::string_view procedure, Status status) const;

 private:
  void fail(const char* name, double value);
  const char* name_ = nullptr;
  double value_ = 0.0;
};

// A procedure's name as a message value: its first 15 characters, blank-padded (a
// message prints a text without its trailing blanks).
inline text::Padded<15> shortName(std::string_view text) {
  return text::padded<15>(text);
}

// ---- reports shared by the procedures ----

// Array extents that disagree with the counts or with the model's component set.
void reportInconsistentSizes(std::string_view procedure, std::int64_t components, std::int64_t rows,
                             std::int64_t modelComponents, Status status);
// Module arrays too small for the inputs: the member's list of the sizes to check, given
// the procedure's name, the largest reaction count and the module arrays' length.
using SizeLimitsFormat = print::Format<text::Padded<15>, std::int64_t, std::int64_t>;
void reportSizeLimits(std::string_view procedure, SizeLimitsFormat format, Status status);
// A routine that set its failure flag.
void reportFailingRoutine(std::string_view procedure, Status status);

}  // namespace xv55::kinetics
