// What the user-routine procedures share.
#include "kinetics/support.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/services.hpp"
#include "print/report.hpp"
#include "xv55/host/data_management.h"
#include "xv55/host/property_system.h"

namespace xv55::kinetics {
namespace {

// Words before an area's data: its rows and columns, so that an area of another shape
// (the counts changed without a clean-up call) is never taken for this one.
constexpr std::int64_t kAreaHeaderWords = 2;
// Integers a workspace slot holds exactly.
constexpr double kLargestSlotInteger = 9007199254740992.0;  // 2^53
// Reals at or beyond this magnitude have no 64-bit integer.
constexpr double kIntegerLimit = 9223372036854775808.0;  // 2^63

std::int64_t slotInteger(Workspace work, std::int64_t slot) {
  const double v = work[slot];
  return std::isfinite(v) && std::fabs(v) < kLargestSlotInteger ? std::llround(v) : 0;
}

std::size_t trimmedLength(const char* field, std::size_t length) {
  while (length > 0 && (field[length - 1] == ' ' || field[length - 1] == '\0')) --length;
  return length;
}

}  // namespace

bool loadModelComponents(HostContext context, Status status, ModelComponents& out) {
  std::int64_t locations[SAISST_LOCATIONS] = {};
  ServiceStatus service;
  SAISST(context.address(), locations, service.address());
  if (service.failed(status)) return false;
  const auto word = [&](int location, std::int64_t k) -> DmsWord& {
    return host::plex(locations[location - 1] + k);
  };
  out.index = &word(SAISST_INDEX, 1).integer;
  out.mapping = &word(SAISST_MAPPING, 1).integer;
  out.streamClass = word(SAISST_DESCRIPTOR, 1).integer;
  out.toleranceExponent = word(SAISST_DESCRIPTOR, 2).integer;
  out.optionSet = &word(SAISST_OPTIONS, 1).integer;
  out.count = word(SAISST_COUNTS, 1).integer;
  return true;
}

void placeStoichiometry(Matrix<const double> nu, std::int64_t nc, std::int64_t reactions,
                        const ModelComponents& model, std::int64_t ncomp, double* out) {
  for (std::int64_t j = 1; j <= reactions; ++j) {
    for (std::int64_t i = 1; i <= nc; ++i) {
      const std::int64_t at = model.index[i - 1];
      if (at >= 1 && at <= ncomp) out[(j - 1) * ncomp + at - 1] = nu(i, j);
    }
  }
}

KeptArea keepArea(Workspace work, AreaSlots slots, std::int64_t rows, std::int64_t columns,
                  double newMarker, std::string_view procedure, Status status) {
  const std::int64_t words = rows * columns;
  const std::int64_t handle = slotInteger(work, slots.handle);
  if (handle != 0) {
    const host::StoreBlock kept{handle, host::locateReals(handle)};
    if (kept.base > 0 && kept.real(1) == static_cast<double>(rows) &&
        kept.real(2) == static_cast<double>(columns)) {
      double* data = &kept.real(kAreaHeaderWords + 1);
      if (slotInteger(work, slots.marker) == static_cast<std::int64_t>(kAreaMarker)) {
        return {data, true};
      }
      std::fill(data, data + words, 0.0);
      work[slots.marker] = newMarker;
      return {data, false};
    }
    if (kept.base > 0) host::release(handle);
  }
  work[slots.marker] = 0.0;
  work[slots.handle] = 0.0;
  const host::StoreBlock block = host::allocateReals(words + kAreaHeaderWords);
  if (!block.allocated()) {
    const auto name = shortName(procedure);
    report(status, kError,
           " %s-F-The host cannot provide a work area of %d words.\\n          Immediate exit "
           "taken.",
           name, words + kAreaHeaderWords);
    return {};
  }
  block.real(1) = static_cast<double>(rows);
  block.real(2) = static_cast<double>(columns);
  double* data = &block.real(kAreaHeaderWords + 1);
  std::fill(data, data + words, 0.0);
  work[slots.handle] = static_cast<double>(block.handle);
  work[slots.marker] = newMarker;
  return {data, false};
}

void releaseArea(Workspace work, AreaSlots slots) {
  const std::int64_t handle = slotInteger(work, slots.handle);
  if (handle != 0) host::release(handle);
  if (handle != 0 || work[slots.handle] != 0.0) {
    work[slots.marker] = 0.0;
    work[slots.handle] = 0.0;
  }
}

bool workspaceHolds(Workspace work, std::int64_t slots, std::string_view procedure, Status status) {
  if (work.length() >= slots) return true;
  const auto name = shortName(procedure);
  report(status, kError,
         " %s-F-The workspace of %d words is too short: %d are needed.\\n          Immediate "
         "exit taken.",
         name, work.length(), slots);
  return false;
}

bool clearedOnCleanUp(CallMode mode, Status status) {
  if (!mode.isCleanUp()) return false;
  SAIGCLEAR(status.address());
  return true;
}

void prepareRunFiles() {
  const std::size_t file = trimmedLength(SAIPDF.runFile, sizeof SAIPDF.runFile);
  if (file != 0 && file != sizeof SAIPDF.runFile) return;
  std::memcpy(SAIPDF.runFile, DMS_FNAMES.runFile, sizeof SAIPDF.runFile);
  if (trimmedLength(DMS_FNAMES.runDirectory, sizeof DMS_FNAMES.runDirectory) != 0) {
    std::memcpy(SAIPDF.runDirectory, DMS_FNAMES.runDirectory, sizeof SAIPDF.runDirectory);
  }
}

void truncateInto(Vector<const double> values, std::int64_t* out) {
  for (std::int64_t k = 1; k <= values.size(); ++k) {
    out[k - 1] = static_cast<std::int64_t>(values(k));
  }
}

void InputCheck::fail(const char* name, double value) {
  if (name_) return;
  name_ = name;
  value_ = value;
}

void InputCheck::real(const char* name, double value) {
  if (!std::isfinite(value)) fail(name, value);
}

void InputCheck::nonZero(const char* name, double value) {
  if (!std::isfinite(value) || value == 0.0) fail(name, value);
}

void InputCheck::reals(const char* name, Vector<const double> values) {
  for (std::int64_t k = 1; k <= values.size(); ++k) real(name, values(k));
}

void InputCheck::matrix(const char* name, Matrix<const double> values) {
  for (std::int64_t j = 1; j <= values.columns(); ++j) {
    for (std::int64_t i = 1; i <= values.rows(); ++i) real(name, values(i, j));
  }
}

void InputCheck::integral(const char* name, double value) {
  if (!std::isfinite(value) || std::fabs(value) >= kIntegerLimit) fail(name, value);
}

void InputCheck::integrals(const char* name, Vector<const double> values) {
  for (std::int64_t k = 1; k <= values.size(); ++k) integral(name, values(k));
}

void InputCheck::parameterSets(Vector<const double> integers, Vector<const double> reals,
                               Vector<const double> reactionIntegers,
                               Vector<const double> reactionReals) {
  integrals("integerParameters", integers);
  this->reals("realParameters", reals);
  integrals("reactionIntegerParameters", reactionIntegers);
  this->reals("reactionRealParameters", reactionReals);
}

bool InputCheck::passed(std::string_view procedure, Status status) const {
  if (!name_) return true;
  const auto name = shortName(procedure);
  report(status, kError, " %s-F-Invalid input: %s = %g\\n          Immediate exit taken.", name,
         name_, value_);
  return false;
}

void reportInconsistentSizes(std::string_view procedure, std::int64_t components, std::int64_t rows,
                             std::int64_t modelComponents, Status status) {
  const auto name = shortName(procedure);
  report(status, kError,
         " %s-F-Array sizes do not agree: %d components given, stoichiometry of %d rows, %d "
         "components in the model.\\n          Immediate exit taken.",
         name, components, rows, modelComponents);
}

void reportSizeLimits(std::string_view procedure, SizeLimitsFormat format, Status status) {
  const auto name = shortName(procedure);
  const std::int64_t reactions = kMaxReactions;
  const std::int64_t sizes = kModuleWords;
  report(status, kError, format, name, reactions, sizes);
}

void reportFailingRoutine(std::string_view procedure, Status status) {
  const auto name = shortName(procedure);
  report(status, kError,
         " %s-F-Model is failing for current condition.\\n          in S/R %s after calling "
         "DMS_DOCALL.\\n          Immediate exit taken.",
         name, name);
}

}  // namespace xv55::kinetics
