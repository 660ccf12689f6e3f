#include <gtest/gtest.h>

#include "search/time_control.h"

namespace vireo {
namespace {

std::vector<uint32_t> phaseTimes(const TimeControl& tc) {
  std::vector<uint32_t> out;
  for (int i = 0; i < PhaseCount; ++i) out.push_back(tc.phaseTime(i));
  return out;
}

TEST(TimeControl, ClockBudgets) {
  struct Case {
    uint32_t timeLeft, increment;
    int movesToGo;
    bool canPonder;
    std::vector<uint32_t> phases;
  };
  const Case cases[] = {
      {60000, 0, -1, false, {162, 1058, 1628, 3256, 4884, 6512, 0}},
      {60000, 0, -1, true, {227, 1481, 2279, 4558, 6837, 9116, 0}},
      // A clock too short for the usual 100 ms floor: each move gets its even
      // share of what is left, never more than the clock holds.
      {1000, 0, -1, false, {2, 18, 28, 28, 28, 28, 0}},
      {1000, 10, -1, false, {3, 24, 28, 28, 28, 28, 0}},
      {2000, 0, 40, false, {5, 37, 57, 57, 57, 57, 0}},
      {200, 100, -1, false, {5, 5, 5, 5, 5, 5, 0}},
      {1, 0, -1, false, {0, 0, 0, 0, 0, 0, 0}},
      {3500, 0, -1, false, {10, 65, 100, 100, 100, 100, 0}},
      {60000, 0, 50, false, {162, 1058, 1628, 3256, 4884, 6512, 0}},  // 50 counts as 33
      {60000, 1000, 1, false, {2000, 13000, 20000, 38000, 38000, 38000, 0}},
  };
  for (const Case& c : cases) {
    TimeControl tc;
    tc.reset();
    tc.setCanPonder(c.canPonder);
    tc.setReserve(3000);
    tc.setMovesToGo(c.movesToGo);
    tc.setClock(c.timeLeft, c.increment);
    tc.budgetTime();
    EXPECT_EQ(phaseTimes(tc), c.phases) << c.timeLeft << " " << c.movesToGo;
    EXPECT_EQ(tc.limit(), c.phases[PhaseNormal]);
  }
}

TEST(TimeControl, MoveTimeNodesAndDefaults) {
  TimeControl tc;
  EXPECT_EQ(tc.phaseTime(PhaseNormal), 5000u);
  EXPECT_EQ(tc.limit(), 5000u);
  tc.setMoveTime(2000);
  tc.reset();
  EXPECT_EQ(phaseTimes(tc), std::vector<uint32_t>(PhaseCount, 2000));
  tc.setNodes(100000);
  tc.reset();
  EXPECT_EQ(tc.nodeLimit(), 100000u);
  EXPECT_EQ(tc.phaseNodes(PhaseNoNewIteration), 100000u);

  tc.setMovesToGo(10);
  tc.budgetNodes();  // base 4166, rest 54174, nominal 8680
  EXPECT_EQ(tc.phaseNodes(PhaseNormal), 17360u);
  EXPECT_EQ(tc.phaseNodes(PhaseTenth), 868u);
  EXPECT_EQ(tc.phaseNodes(PhaseFailLow), 34720u);
  EXPECT_EQ(tc.phaseNodes(PhaseZero), 256u);
}

TEST(TimeControl, PhasesFollowTheRoot) {
  TimeControl tc;
  tc.setClock(60000, 0);
  tc.setReserve(3000);
  tc.budgetTime();
  tc.rootFailHigh();  // depth 0: before the first iteration nothing moves
  EXPECT_EQ(tc.phase(), PhaseNormal);
  tc.setDepth(1);
  tc.rootFailHigh();
  EXPECT_EQ(tc.phase(), PhaseFailHigh);
  EXPECT_EQ(tc.limit(), 4884u);
  tc.rootResearchDone();
  EXPECT_EQ(tc.phase(), PhaseNormal);
  tc.rootFailLow();
  EXPECT_EQ(tc.phase(), PhaseFailLow);
  tc.rootFailHigh();  // a fail low outranks a fail high
  EXPECT_EQ(tc.phase(), PhaseFailLow);
  tc.rootScore(10);   // depth 1: scores do not switch phases yet
  EXPECT_EQ(tc.phase(), PhaseNormal);
  tc.setDepth(3);
  tc.iterationDone(1, 50);
  tc.iterationDone(1, 20);  // a lower score from depth 3 on
  EXPECT_EQ(tc.phase(), PhaseFailLow);
  tc.rootScore(60);
  EXPECT_EQ(tc.phase(), PhaseNormal);
}

TEST(TimeControl, InfiniteHasNoLimitUntilPonderhit) {
  TimeControl tc;
  tc.setMoveTime(3000);
  tc.setInfinite(true);
  tc.reset();
  EXPECT_EQ(tc.limit(), NoLimit);
  EXPECT_FALSE(tc.timeUp(tc.start() + 1000000));
}

}  // namespace
}  // namespace vireo
