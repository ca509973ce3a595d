// Typed wrappers of the host services.
#include "host/services.hpp"

namespace xv55::host {
namespace {

using UnitService = double (*)(const double*, const std::int64_t*, const std::int64_t*);

UnitService serviceOf(Quantity quantity) {
  switch (quantity) {
    case Quantity::Temperature:
      return GPTEMP;
    case Quantity::Pressure:
      return GPPRES;
    case Quantity::MolarFlow:
      return GPMFLO;
    case Quantity::MassFlow:
      return GPMASS;
    case Quantity::Volume:
      return GPVOL;
    case Quantity::Length:
      return GPLEN;
    case Quantity::MolarDensity:
      return GPMRHO;
    case Quantity::MassDensity:
      return GPRHO;
    case Quantity::MolarEnthalpy:
      break;
  }
  return GPSPH;
}

double convert(Quantity quantity, double value, std::int64_t direction, std::int64_t unitSet) {
  return serviceOf(quantity)(&value, &direction, &unitSet);
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

}  // namespace xv55::host
