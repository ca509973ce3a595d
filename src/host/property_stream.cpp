// The stream of a procedure in the host's property system, and its packed composition.
#include "host/property_stream.hpp"

#include <algorithm>
#include <cmath>

#include "host/services.hpp"
#include "print/report.hpp"
#include "xv55/host/data_management.h"

namespace xv55::host {
namespace {

constexpr std::int64_t kStatusOk = XV55_STATUS_INFORMATION;

// Words of the counts area: NC, NCOMP, W (stride of the work vectors), their number.
constexpr std::int64_t kCountStride = 3;
constexpr std::int64_t kCountVectors = 4;
// Descriptor word holding the flash tolerance exponent, and the exponents used.
constexpr std::int64_t kToleranceExponentWord = 2;
constexpr std::int64_t kFinestToleranceExponent = 15;

std::int64_t location(const std::int64_t* locations, std::int64_t area) {
  return locations[area - 1];
}

}  // namespace

bool PropertyStream::setUp(const char* routine, const HostContext& context, Status status) {
  std::fill(std::begin(locations_), std::end(locations_), 0);
  SAISST(context.address(), locations_, status.address());
  if (status.value() != kStatusOk) {
    const std::int64_t code = status.value();
    report(status, kError,
           " %s-E-The property system cannot describe the stream of this model (status %d).\\n",
           routine, code);
    return false;
  }
  const std::int64_t width = counts(kCountStride);
  if (components() < 1 || companionComponents() < 1 ||
      width < std::max(components(), companionComponents()) ||
      counts(kCountVectors) < kWorkVectorsUsed) {
    report(status, kError,
           " %s-E-The stream area of the property system is too small for %d components.\\n",
           routine, components());
    return false;
  }
  return true;
}

std::int64_t PropertyStream::counts(std::int64_t word) const {
  return plex(location(locations_, SAISST_COUNTS) + word).integer;
}

DmsWord& PropertyStream::workWord(WorkVector k) const {
  const std::int64_t start =
      location(locations_, SAISST_WORK) + (static_cast<std::int64_t>(k) - 1) * counts(kCountStride);
  return plex(start + 1);
}

double* PropertyStream::work(WorkVector k) const {
  return &workWord(k).real;
}

std::int64_t* PropertyStream::workIntegers(WorkVector k) const {
  return &workWord(k).integer;
}

const std::int64_t* PropertyStream::optionSet() const {
  return &plex(location(locations_, SAISST_OPTIONS) + 1).integer;
}

const std::int64_t* PropertyStream::descriptor() const {
  return &plex(location(locations_, SAISST_DESCRIPTOR) + 1).integer;
}

double PropertyStream::flashTolerance() const {
  const std::int64_t exponent = descriptor()[kToleranceExponentWord - 1];
  if (exponent < 1 || exponent > kFinestToleranceExponent) return 0.0;
  return std::pow(10.0, -static_cast<double>(exponent));
}

bool PropertyStream::fits(const char* routine, std::int64_t declared, Status status) const {
  if (declared == components()) return true;
  report(status, kError, " %s-E-The composition has %d components but the model has %d.\\n",
         routine, declared, components());
  return false;
}

bool PropertyStream::pack(const char* routine, const double* amounts, Status status,
                          Packed& out) const {
  const std::int64_t n = components();
  bool present = false;
  for (std::int64_t i = 0; i < n; ++i) {
    if (!std::isfinite(amounts[i])) {
      report(status, kError, " %s-E-Composition entry %d is not a number.\\n", routine, i + 1);
      return false;
    }
    present = present || amounts[i] > 0.0;
  }
  if (!present) {
    report(status, kError, " %s-E-The composition sums to zero; there is nothing to evaluate.\\n",
           routine);
    return false;
  }
  double* fractions = work(WorkVector::Fractions);
  SAIF2X(&n, amounts, fractions, status.address());
  if (status.value() != kStatusOk) {
    const std::int64_t code = status.value();
    report(status, kError, " %s-E-The property system refused the composition (status %d).\\n",
           routine, code);
    return false;
  }
  const std::int64_t* mapping = &plex(location(locations_, SAISST_MAPPING) + 1).integer;
  double* companion = work(WorkVector::Companion);
  SAISAO(&n, mapping, fractions, companion);
  const std::int64_t ncomp = companionComponents();
  const std::int64_t limit = counts(kCountStride);
  std::int64_t* indices = workIntegers(WorkVector::Indices);
  double* packed = work(WorkVector::Packed);
  std::int64_t count = 0;
  SACHMBPX(&ncomp, companion, &limit, indices, packed, &count, status.address());
  if (status.value() != kStatusOk || count < 1 || count > limit) {
    const std::int64_t code = status.value();
    report(status, kError,
           " %s-E-The property system could not list the components present (status %d).\\n",
           routine, code);
    return false;
  }
  out = Packed{packed, indices, count};
  return true;
}

bool temperatureInSi(const char* routine, double value, std::int64_t unitSet, Status status,
                     double& kelvin) {
  kelvin = toSi(Quantity::Temperature, value, unitSet);
  if (std::isfinite(kelvin) && kelvin > 0.0) return true;
  report(status, kError, " %s-E-Temperature %g is %g K; a positive temperature is needed.\\n",
         routine, value, kelvin);
  return false;
}

bool pressureInSi(const char* routine, double value, std::int64_t unitSet, Status status,
                  double& pascals) {
  pascals = toSi(Quantity::Pressure, value, unitSet);
  if (std::isfinite(pascals) && pascals > 0.0) return true;
  report(status, kError, " %s-E-Pressure %g is %g Pa; a positive pressure is needed.\\n", routine,
         value, pascals);
  return false;
}

bool enthalpyInSi(const char* routine, double value, std::int64_t unitSet, Status status,
                  double& joulesPerKmol) {
  joulesPerKmol = toSi(Quantity::MolarEnthalpy, value, unitSet);
  if (std::isfinite(joulesPerKmol)) return true;
  report(status, kError, " %s-E-Specific enthalpy %g is %g J/kmol; a number is needed.\\n", routine,
         value, joulesPerKmol);
  return false;
}

}  // namespace xv55::host
