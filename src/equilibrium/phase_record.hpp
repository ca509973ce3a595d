// The phase make-up of an equilibrium reactor's product streams, as the procedure
// keeps it in its workspace from one call to the next, and the changes between two of
// them.
//
// Workspace words (1-based):
//   1          first-call marker (999 once the procedure has been called)
//   2          the solver point (option 31) of the reference record
//   3 .. 143   the record of the latest call
//   144 .. 284 the reference record: the make-up found at the first call of the solver
//              point in word 2
// A record: word 1 the number n of product streams recorded (1 .. 20), then 7 words per
// stream: its number of phases and the kinds of its first six phases.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace xv55::equilibrium {

inline constexpr std::int64_t kMarkerSlot = 1;
inline constexpr std::int64_t kSolverPointSlot = 2;
inline constexpr std::int64_t kRecordWords = 141;
inline constexpr std::int64_t kRecordSlot = 3;
inline constexpr std::int64_t kReferenceSlot = kRecordSlot + kRecordWords;
inline constexpr std::int64_t kWorkspaceWords = kReferenceSlot + kRecordWords - 1;  // 284
inline constexpr std::int64_t kRecordedStreams = 20;
inline constexpr std::int64_t kRecordedPhases = 6;

struct PhaseMakeup {
  std::int64_t streams = 0;
  std::array<std::int64_t, kRecordedStreams> count{};
  std::array<std::array<std::int64_t, kRecordedPhases>, kRecordedStreams> kind{};

  std::int64_t totalPhases() const;
  bool operator==(const PhaseMakeup&) const = default;
};

// Reads a record of kRecordWords words; false when they hold none.
bool readRecord(const double* words, PhaseMakeup& out);
void writeRecord(const PhaseMakeup& makeup, double* words);

// One change between two make-ups, in the order they are reported.
struct PhaseChange {
  enum class Kind { TotalPhases, Decreased, Increased, PhaseKind, Sequence };
  Kind kind;
  std::int64_t stream = 0;  // 1-based
  std::int64_t phase = 0;   // 1-based, for PhaseKind
  bool operator==(const PhaseChange&) const = default;
};

// The changes from `before` to `now`: the total number of phases first, then stream by
// stream (over the streams both record) a smaller or larger number of phases, or, with
// the same number, the same kinds in another order (Sequence) or each phase whose kind
// changed.  Returns the number of changes written (at most capacity).
std::size_t comparePhases(const PhaseMakeup& before, const PhaseMakeup& now, PhaseChange* out,
                          std::size_t capacity);

// The most changes two make-ups can differ by.
inline constexpr std::size_t kMaxPhaseChanges = 1 + kRecordedStreams * kRecordedPhases;

}  // namespace xv55::equilibrium
