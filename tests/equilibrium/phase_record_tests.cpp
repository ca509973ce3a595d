// The phase records of the equilibrium reactor procedure and the changes between them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "equilibrium/phase_record.hpp"

namespace {

using namespace xv55::equilibrium;
using Kind = PhaseChange::Kind;

constexpr std::int64_t V = 1, L = 2, W = 3;

PhaseMakeup makeup(const std::vector<std::vector<std::int64_t>>& streams) {
  PhaseMakeup m;
  m.streams = static_cast<std::int64_t>(streams.size());
  for (std::size_t j = 0; j < streams.size(); ++j) {
    m.count[j] = static_cast<std::int64_t>(streams[j].size());
    for (std::size_t k = 0; k < streams[j].size() && k < 6; ++k) m.kind[j][k] = streams[j][k];
  }
  return m;
}

std::vector<PhaseChange> changes(const PhaseMakeup& before, const PhaseMakeup& now) {
  PhaseChange out[kMaxPhaseChanges];
  const std::size_t n = comparePhases(before, now, out, kMaxPhaseChanges);
  return {out, out + n};
}

TEST(PhaseRecord, ChangesAreFoundStreamByStreamAfterTheTotal) {
  const PhaseMakeup before = makeup({{V, L}, {L}, {V}});
  EXPECT_TRUE(changes(before, before).empty());
  // Stream 1 loses its liquid, stream 3 gains one: the total stays.
  EXPECT_EQ(changes(before, makeup({{V}, {L}, {V, L}})),
            (std::vector<PhaseChange>{{Kind::Decreased, 1, 0}, {Kind::Increased, 3, 0}}));
  // A phase of another kind, phase by phase.
  EXPECT_EQ(changes(before, makeup({{V, W}, {V}, {V}})),
            (std::vector<PhaseChange>{{Kind::PhaseKind, 1, 2}, {Kind::PhaseKind, 2, 1}}));
  EXPECT_EQ(changes(makeup({{V, L, W}}), makeup({{L, W, L}})),
            (std::vector<PhaseChange>{
                {Kind::PhaseKind, 1, 1}, {Kind::PhaseKind, 1, 2}, {Kind::PhaseKind, 1, 3}}));
  // Only the streams both records hold are compared.
  EXPECT_EQ(changes(makeup({{V}, {L}}), makeup({{V}})),
            (std::vector<PhaseChange>{{Kind::TotalPhases, 0, 0}}));
  // The capacity bounds what is written.
  PhaseChange one[1];
  EXPECT_EQ(comparePhases(before, makeup({{}, {}, {}}), one, 1), 1u);
}

TEST(PhaseRecord, RecordsRoundTripAndWorkspaceGarbageIsNoRecord) {
  PhaseMakeup m = makeup({{V, L}, {}, {W}});
  m.count[1] = 9;  // more phases than kinds kept
  double words[kRecordWords];
  writeRecord(m, words);
  PhaseMakeup back;
  ASSERT_TRUE(readRecord(words, back));
  EXPECT_EQ(back, m);
  EXPECT_EQ(back.totalPhases(), 12);

  // A fresh workspace, and records with a bad stream count, phase count or kind.
  const std::pair<std::size_t, double> bad[] = {{0, 0.0},        {0, 21.0},  {0, 1.5},
                                                {0, -1.0},       {0, 1e300}, {0, std::nan("")},
                                                {1 + 7 * 2, -3}, {2, 0.25}};
  for (const auto& [word, value] : bad) {
    double w[kRecordWords];
    writeRecord(m, w);
    w[word] = value;
    EXPECT_FALSE(readRecord(w, back)) << word << " " << value;
  }
  EXPECT_EQ(kWorkspaceWords, 284);  // the workspace the procedure's documentation asks for
}

}  // namespace
