// The stream of a procedure as the host's property system describes it (SAISST), and the
// composition of a procedure's input vector made ready for the property monitors and
// flashes.
//
// The property calls work on the components present: the model-order vector becomes
// mole fractions (SAIF2X), is put in companion order (SAISAO) and packed to the present
// components with their companion positions (SACHMBPX).  Everything lives in the work
// vectors of the host's stream area, so nothing is allocated and the component count
// has no limit of the library's own.
//
// Every step is checked, and a failure is reported once, under the calling routine's
// name, with status 4: the procedure then returns, its outputs untouched.
#pragma once

#include <cstdint>

#include "entry/views.hpp"
#include "host/monitors.hpp"
#include "xv55/host/property_system.h"
#include "xv55/host/store.h"

namespace xv55::host {

// Work vectors of the stream area that the library uses, by purpose (1-based).
enum class WorkVector : std::int64_t {
  Fractions = 1,  // model-order mole fractions
  Companion = 2,  // companion-order mole fractions
  Indices = 3,    // companion positions of the present components (integers)
  Packed = 4,     // fractions of the present components
  Liquid = 5,     // flash results: overall liquid, liquid 1, liquid 2, vapour
  Liquid1 = 6,
  Liquid2 = 7,
  Vapour = 8,
};
inline constexpr std::int64_t kWorkVectorsUsed = 8;

class PropertyStream {
 public:
  // SAISST for the model calling with `context`, with the procedure's status (SAISST
  // writes 1 or 4 into it).  False, after a report naming `routine`, when the host
  // cannot describe the stream or its work area cannot hold the vectors above.
  bool setUp(const char* routine, const HostContext& context, Status status);

  std::int64_t components() const { return counts(1); }           // NC of the model
  std::int64_t companionComponents() const { return counts(2); }  // NCOMP
  // Work vector k of W words: reals, or integers through workIntegers.
  double* work(WorkVector k) const;
  std::int64_t* workIntegers(WorkVector k) const;
  // The property option set (6 words, word 5 that of a free-water liquid).
  const std::int64_t* optionSet() const;
  // The stream-type descriptor (word 1 the stream class, word 2 the tolerance exponent).
  const std::int64_t* descriptor() const;
  // The flash tolerance 10^-d of the descriptor; 0 (the host's default) when d is not
  // within 1 to 15.
  double flashTolerance() const;

  // Whether the vector of `declared` components fits the model: false, after a report,
  // when its count is not the model's.
  bool fits(const char* routine, std::int64_t declared, Status status) const;

  // The packed composition of `amounts` (model order, NC values, flows or fractions):
  // positions and fractions of the present components in work vectors Indices and
  // Packed.  False, after a report, for an amount that is not a number, amounts that sum
  // to zero, or a refusal of the host.
  using Packed = Composition;
  bool pack(const char* routine, const double* amounts, Status status, Packed& out) const;

 private:
  std::int64_t counts(std::int64_t word) const;
  DmsWord& workWord(WorkVector k) const;  // the first word of work vector k
  std::int64_t locations_[SAISST_LOCATIONS] = {};
};

// Model values converted to SI with the model's unit datum (GPTEMP, GPPRES, GPSPH).
// False, after a report, for a temperature or pressure that is not a positive number and
// for an enthalpy that is not a number.
bool temperatureInSi(const char* routine, double value, std::int64_t unitSet, Status status,
                     double& kelvin);
bool pressureInSi(const char* routine, double value, std::int64_t unitSet, Status status,
                  double& pascals);
bool enthalpyInSi(const char* routine, double value, std::int64_t unitSet, Status status,
                  double& joulesPerKmol);

}  // namespace xv55::host
