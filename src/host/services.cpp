// Typed wrappers of the host services.
#include "host/services.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace xv55::host {
namespace {

using UnitService = double (*)(const double*, const std::int64_t*, const std::int64_t*);

// The host's conversion service of each quantity, in the order of `Quantity`.
constexpr std::array<UnitService, 9> kUnitServices{GPTEMP, GPPRES, GPMFLO, GPMASS, GPVOL,
                                                   GPLEN,  GPMRHO, GPRHO,  GPSPH};
static_assert(kUnitServices.size() == static_cast<std::size_t>(Quantity::MolarEnthalpy) + 1);

double convert(Quantity quantity, double value, std::int64_t direction, std::int64_t unitSet) {
  return kUnitServices[static_cast<std::size_t>(quantity)](&value, &direction, &unitSet);
}

}  // namespace

double toSi(Quantity quantity, double value, std::int64_t unitSet) {
  return convert(quantity, value, kToSi, unitSet);
}

double fromSi(Quantity quantity, double value, std::int64_t unitSet) {
  return convert(quantity, value, kFromSi, unitSet);
}

StoreBlock allocateReals(std::int64_t count) {
  StoreBlock block;
  DMS_ALLOCR(&count, &block.handle, &block.base);
  return block;
}

std::int64_t locateReals(std::int64_t handle) {
  return DMS_LOCATR(&handle);
}

void release(std::int64_t handle) {
  DMS_ATFREE(&handle);
}

bool errorDue(std::string_view routine, std::int64_t severity, std::int64_t number,
              std::int64_t value1, std::int64_t value2, std::int64_t value3) {
  std::int64_t cell = 0;
  std::int64_t result = 0;
  return DMS_IRRCHK(routine.data(), &severity, &number, &cell, &result, &value1, &value2, &value3,
                    static_cast<std::int64_t>(routine.size())) != 0;
}

void setErrorLine(std::int64_t k, std::string_view text) {
  if (k < 1 || k > DMS_ERROUT_LINES) return;
  char* line = DMS_ERROUT[k - 1];
  const std::size_t n = std::min<std::size_t>(text.size(), DMS_ERROUT_WIDTH);
  std::memcpy(line, text.data(), n);
  std::memset(line + n, ' ', DMS_ERROUT_WIDTH - n);
}

void issueErrorLines(std::int64_t lines) {
  DMS_ERRPRT(&lines);
}

}  // namespace xv55::host
