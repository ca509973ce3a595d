// Typed wrappers of the companion simulator's stream and block services
// (equilibrium.h, companion.h, data_management.h): stream vectors and their phases, the
// equilibrium reactor library, packed names and bead lookup.
//
// Each wrapper is the one place that knows its service's argument order.  Nothing here
// allocates or keeps state.
#pragma once

#include <cstdint>
#include <string_view>

#include "xv55/host/companion.h"
#include "xv55/host/data_management.h"
#include "xv55/host/equilibrium.h"

namespace xv55::host {

// ---- stream vectors ----

// A stream vector in the store: its components' flows (kmol/s) at companion positions
// 1..count, then the nine stream words (SHS_TOTAL_FLOW .. SHS_MOLECULAR_WEIGHT).
class StreamVector {
 public:
  StreamVector() = default;
  StreamVector(std::int64_t base, std::int64_t count) : base_(base), count_(count) {}

  // False for a stream the host does not know.
  bool located() const { return base_ > 0; }
  std::int64_t components() const { return count_; }
  // Component flow at companion position i (1-based).
  double& flow(std::int64_t i) const { return plex(base_ + i).real; }
  // Stream word k after the components (SHS_TOTAL_FLOW, SHS_TEMPERATURE, ...).
  double& word(std::int64_t k) const { return plex(base_ + count_ + k).real; }

 private:
  std::int64_t base_ = 0;
  std::int64_t count_ = 0;
};

// The vector of stream `id`; an unknown stream is not located (the host has reported it).
inline StreamVector locateStream(std::int64_t id) {
  std::int64_t base = 0, count = 0;
  SHS_LOCATS(&id, &base, &count);
  return {base, count};
}

// Number of phases of stream `id` (0 for an empty or unknown stream), and the kind of its
// phase k (SHS_VAPOUR, SHS_LIQUID or SHS_LIQUID2; 0 when it has no phase k).
inline std::int64_t streamPhases(std::int64_t id) {
  std::int64_t phases = 0;
  SHS_NPHASE(&id, &phases);
  return phases;
}
inline std::int64_t phaseKind(std::int64_t id, std::int64_t k) {
  std::int64_t kind = 0;
  SHS_LPHASE(&id, &k, &kind);
  return kind;
}

// ---- the equilibrium reactor library ----

// The decoded error state of an equilibrium block: severity EQLB_FAILURE or EQLB_WARNING
// and the host's text, blank-padded.
struct EquilibriumError {
  std::int64_t severity = 0;
  char text[EQLB_ERROR_TEXT_LENGTH] = {};
  std::string_view message() const { return {text, sizeof text}; }
};
inline EquilibriumError decodeEquilibriumError(std::int64_t errorWord) {
  EquilibriumError e;
  EQLB_EURE06(&errorWord, &e.severity, e.text, EQLB_ERROR_TEXT_LENGTH);
  return e;
}

// ---- names and beads ----

// A name packed into the host's two-word form (SAIC2ID).
struct PackedName {
  std::int64_t words[kPackedNameWords] = {};
};
inline PackedName packName(const char* text, std::int64_t length) {
  PackedName packed;
  SAIC2ID(text, packed.words, length);
  return packed;
}

// The store base of the bead with ID `bead` (DMS_LOCATI); 0 when there is none.
inline std::int64_t locateBead(std::int64_t bead) {
  return DMS_LOCATI(&bead);
}

}  // namespace xv55::host
