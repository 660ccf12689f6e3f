// The strength levels: each step down weakens every knob, the choice of a
// near-best line stays inside its margin and its chance, and a seed repeats.

#include <gtest/gtest.h>

#include <vector>

#include "search/score.h"
#include "search/strength.h"
#include "search/time_control.h"

namespace vireo {
namespace {

// Every step down the scale takes something away and nothing back: fewer
// nodes, no more depth or time, no fewer mistakes, a margin at least as wide.
TEST(Strength, LowerLevelsSearchLessAndErrMore) {
  StrengthLevel higher = strengthLevel(StrengthMaxElo);
  for (int elo = StrengthMaxElo - 25; elo >= StrengthMinElo; elo -= 25) {
    SCOPED_TRACE(elo);
    const StrengthLevel lower = strengthLevel(elo);
    EXPECT_LT(lower.nodes, higher.nodes);
    EXPECT_LE(lower.depth, higher.depth);
    EXPECT_LE(lower.timePercent, higher.timePercent);
    EXPECT_GE(lower.mistakePercent, higher.mistakePercent);
    EXPECT_GE(lower.marginCp, higher.marginCp);
    EXPECT_GE(lower.lines, 2);
    EXPECT_GE(lower.depth, 1);
    higher = lower;
  }
  // Outside the range: its ends.
  EXPECT_EQ(strengthLevel(0).nodes, strengthLevel(StrengthMinElo).nodes);
  EXPECT_EQ(strengthLevel(5000).nodes, strengthLevel(StrengthMaxElo).nodes);
  StrengthLimit limit;
  limit.setElo(100);
  EXPECT_EQ(limit.elo(), StrengthMinElo);
}

// How often each rank is chosen over many searches at the weakest level.
std::vector<int> choices(const std::vector<LineScore>& lines, int draws, uint64_t seed) {
  StrengthLimit limit;
  limit.seed(seed);
  limit.setElo(StrengthMinElo);
  std::vector<int> counts(lines.size());
  for (int i = 0; i < draws; ++i) ++counts.at(limit.chooseRank(lines.data(), int(lines.size())));
  return counts;
}

TEST(Strength, ChoosesOnlyNearBestExactLines) {
  const int margin = strengthLevel(StrengthMinElo).marginCp;
  const int mistakes = strengthLevel(StrengthMinElo).mistakePercent;
  struct Case {
    const char* what;
    std::vector<LineScore> lines;
    std::vector<bool> allowed;  // per rank: may be chosen
  };
  const Case cases[] = {
      {"a close second and third, a fourth beyond the margin",
       {{40, true}, {30, true}, {0, true}, {40 - margin - 1, true}},
       {true, true, true, false}},
      {"a line cut off by the window is not known to be close", {{40, true}, {35, false}, {20, true}}, {true, false, true}},
      {"a mate in hand is played", {{Mate - 5, true}, {200, true}, {190, true}}, {true, false, false}},
      {"a mated line is never chosen", {{-50, true}, {-Mate + 8, true}, {-60, true}}, {true, false, true}},
      {"a single line", {{10, true}}, {true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int draws = 4000;
    const std::vector<int> counts = choices(c.lines, draws, 12345);
    int others = 0;
    for (size_t rank = 0; rank < counts.size(); ++rank) {
      if (!c.allowed[rank]) {
        EXPECT_EQ(counts[rank], 0) << "rank " << rank;
      }
      if (rank > 0) others += counts[rank];
    }
    int eligible = 0;
    for (size_t rank = 1; rank < c.allowed.size(); ++rank) eligible += c.allowed[rank];
    if (eligible) {
      // The level's chance, within sampling noise.
      EXPECT_NEAR(double(others) / draws, mistakes / 100.0, 0.03);
    }
  }
  // The closer of two alternatives is the likelier.
  const std::vector<int> counts = choices({{0, true}, {-5, true}, {-margin + 5, true}}, 4000, 7);
  EXPECT_GT(counts[1], 2 * counts[2]);
}

TEST(Strength, SeededChoicesRepeat) {
  const std::vector<LineScore> lines = {{20, true}, {15, true}, {10, true}, {5, true}};
  StrengthLimit a, b;
  a.seed(99);
  b.seed(99);
  a.setElo(1500);
  b.setElo(1500);
  std::vector<int> first, second;
  for (int i = 0; i < 200; ++i) {
    first.push_back(a.chooseRank(lines.data(), 4));
    second.push_back(b.chooseRank(lines.data(), 4));
  }
  EXPECT_EQ(first, second);
  EXPECT_NE(choices(lines, 200, 1), choices(lines, 200, 2));
}

TEST(Strength, LimitsNarrowTheGuisOwn) {
  StrengthLimit limit;
  limit.setElo(1700);
  const StrengthLevel& level = limit.level();
  struct Case {
    uint64_t nodes;
    int depth;
    uint64_t expectedNodes;
    int expectedDepth;
  };
  const Case cases[] = {
      {0, 0, level.nodes, level.depth},
      {level.nodes / 2, 1, level.nodes / 2, 1},
      {level.nodes * 2, 99, level.nodes, level.depth},
  };
  for (const Case& c : cases) {
    TimeControl tc;
    tc.reset();
    tc.clearLimits();
    tc.setNodes(c.nodes);
    tc.setDepthLimit(c.depth);
    tc.setReserve(3000);
    tc.setClock(60000, 0);
    tc.budgetTime();
    const uint32_t normal = tc.phaseTime(PhaseNormal);
    limit.limitSearch(tc, true);
    EXPECT_EQ(tc.nodeLimit(), c.expectedNodes);
    for (int phase = 0; phase < PhaseCount; ++phase) EXPECT_LE(tc.phaseNodes(phase), c.expectedNodes);
    EXPECT_EQ(tc.depthLimit(), c.expectedDepth);
    EXPECT_EQ(tc.phaseTime(PhaseNormal), normal * uint32_t(level.timePercent) / 100);
  }
  // A fixed move time stays the GUI's.
  TimeControl tc;
  tc.reset();
  tc.clearLimits();
  tc.setMoveTime(700);
  limit.limitSearch(tc, false);
  EXPECT_EQ(tc.phaseTime(PhaseNormal), 700u);
}

}  // namespace
}  // namespace vireo
