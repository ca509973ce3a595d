// The phase records of the equilibrium reactor procedure.
#include "equilibrium/phase_record.hpp"

#include <algorithm>
#include <cmath>

namespace xv55::equilibrium {
namespace {

constexpr std::int64_t kWordsPerStream = 1 + kRecordedPhases;
// Integers a record may hold (counts and kind codes) stay far below this.
constexpr double kLargestCode = 1.0e9;

bool wholeCode(double v) {
  return std::isfinite(v) && std::fabs(v) < kLargestCode && v == std::trunc(v);
}

}  // namespace

std::int64_t PhaseMakeup::totalPhases() const {
  std::int64_t total = 0;
  for (std::int64_t j = 0; j < streams; ++j) total += count[static_cast<std::size_t>(j)];
  return total;
}

bool readRecord(const double* words, PhaseMakeup& out) {
  const double n = words[0];
  if (!wholeCode(n) || n < 1 || n > kRecordedStreams) return false;
  PhaseMakeup m;
  m.streams = static_cast<std::int64_t>(n);
  for (std::int64_t j = 0; j < m.streams; ++j) {
    const double* s = words + 1 + j * kWordsPerStream;
    if (!wholeCode(s[0]) || s[0] < 0) return false;
    m.count[static_cast<std::size_t>(j)] = static_cast<std::int64_t>(s[0]);
    for (std::int64_t k = 0; k < kRecordedPhases; ++k) {
      if (!wholeCode(s[1 + k])) return false;
      m.kind[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)] =
          static_cast<std::int64_t>(s[1 + k]);
    }
  }
  out = m;
  return true;
}

void writeRecord(const PhaseMakeup& makeup, double* words) {
  std::fill(words, words + kRecordWords, 0.0);
  words[0] = static_cast<double>(makeup.streams);
  for (std::int64_t j = 0; j < makeup.streams; ++j) {
    double* s = words + 1 + j * kWordsPerStream;
    s[0] = static_cast<double>(makeup.count[static_cast<std::size_t>(j)]);
    for (std::int64_t k = 0; k < kRecordedPhases; ++k) {
      s[1 + k] = static_cast<double>(
          makeup.kind[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)]);
    }
  }
}

std::size_t comparePhases(const PhaseMakeup& before, const PhaseMakeup& now, PhaseChange* out,
                          std::size_t capacity) {
  std::size_t n = 0;
  const auto add = [&](PhaseChange::Kind kind, std::int64_t stream, std::int64_t phase) {
    if (n < capacity) out[n++] = {kind, stream, phase};
  };
  if (before.totalPhases() != now.totalPhases()) add(PhaseChange::Kind::TotalPhases, 0, 0);
  const std::int64_t streams = std::min(before.streams, now.streams);
  for (std::int64_t j = 0; j < streams; ++j) {
    const auto s = static_cast<std::size_t>(j);
    if (now.count[s] < before.count[s]) {
      add(PhaseChange::Kind::Decreased, j + 1, 0);
      continue;
    }
    if (now.count[s] > before.count[s]) {
      add(PhaseChange::Kind::Increased, j + 1, 0);
      continue;
    }
    const auto phases =
        static_cast<std::ptrdiff_t>(std::clamp<std::int64_t>(now.count[s], 0, kRecordedPhases));
    const auto& a = before.kind[s];
    const auto& b = now.kind[s];
    if (std::equal(a.begin(), a.begin() + phases, b.begin())) continue;
    if (std::is_permutation(a.begin(), a.begin() + phases, b.begin())) {
      add(PhaseChange::Kind::Sequence, j + 1, 0);
      continue;
    }
    for (std::ptrdiff_t k = 0; k < phases; ++k) {
      if (a[static_cast<std::size_t>(k)] != b[static_cast<std::size_t>(k)]) {
        add(PhaseChange::Kind::PhaseKind, j + 1, k + 1);
      }
    }
  }
  return n;
}

}  // namespace xv55::equilibrium
