// The bench as a signature: its count depends on the code alone, whatever
// the user has set, and the user's settings are in force again afterwards.

#include <gtest/gtest.h>

#include "board/fen.h"
#include "eval/weights.h"
#include "search/bench.h"
#include "search_test_util.h"

namespace vireo {
namespace {

using testing_util::TestSearcher;

TEST(Bench, CountIgnoresEverySettingAndGivesThemBack) {
  TestSearcher s(1);
  const BenchResult plain = runBench(*s.searcher, 5);
  ASSERT_GT(plain.nodes, 0u);

  // Settings that would each change the count of a search of their own.
  constexpr const char* Fen = "8/5pk1/6p1/p2P4/Pp1K4/1P6/6PP/8 w - - 0 40";
  Searcher& searcher = *s.searcher;
  ASSERT_TRUE(setFen(searcher.board(), Fen));
  const std::string position = toFen(searcher.board());
  s.tt->resize(256);
  searcher.setThreads(2);
  searcher.multiPv = 3;
  searcher.mateInMoves = 4;
  Move moves[MaxMoves];
  const Move* end = generateLegal(searcher.board(), moves);
  ASSERT_GT(end - moves, 1);
  searcher.setSearchMoves(moves, 1);
  setEvalWeight(KingAttack, 300);
  setEvalWeight(MobilityOpening, 2000);
  s.tc.setMoveTime(7000);
  s.tc.setDepthLimit(3);
  s.tc.setCanPonder(true);

  const BenchResult again = runBench(searcher, 5);
  const int kingAttack = getEvalWeight(KingAttack), mobility = getEvalWeight(MobilityOpening);
  setEvalWeight(KingAttack, DefaultEvalWeight);
  setEvalWeight(MobilityOpening, DefaultEvalWeight);

  EXPECT_EQ(again.nodes, plain.nodes);
  EXPECT_EQ(toFen(searcher.board()), position);
  EXPECT_EQ(s.tt->sizeBytes(), 256u * 1024);
  EXPECT_EQ(searcher.threadCount(), 2);
  EXPECT_EQ(searcher.multiPv, 3);
  EXPECT_EQ(searcher.mateInMoves, 4);
  ASSERT_EQ(searcher.searchMoveCount(), 1);
  EXPECT_EQ(searcher.searchMoves()[0], moves[0]);
  EXPECT_EQ(searcher.listener, &s.listener);
  EXPECT_EQ(kingAttack, 300);
  EXPECT_EQ(mobility, 2000);
  EXPECT_EQ(s.tc.phaseTime(PhaseNormal), 7000u);
  EXPECT_EQ(s.tc.depthLimit(), 3);
  EXPECT_TRUE(s.tc.canPonder());
  EXPECT_EQ(benchLine(again).rfind("bench: " + std::to_string(plain.nodes) + " nodes ", 0), 0u);
}

}  // namespace
}  // namespace vireo
