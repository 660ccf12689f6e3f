#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "board/notation.h"
#include "board/sfmt.h"
#include "search_test_util.h"

namespace vireo {
namespace {

using testing_util::TestSearcher;

// Mates and tactics: the threads may search a different tree, but the
// answer must not change.
TEST(ParallelSearch, SameAnswersWithOneAndFourThreads) {
  struct Case {
    const char* fen;
    int depth;
    const char* move;
  };
  const Case cases[] = {
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 8, "a1a8"},
      {"r5rk/5p1p/5R2/4B3/8/8/7P/7K w - - 0 1", 9, nullptr},
      {"r1bk3r/pppq1ppp/5n2/4N1N1/2Bp4/Bn6/P4PPP/4R1K1 w - - 0 1", 10, nullptr},
      {"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", 9, nullptr},
      {"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", 6, "h5f7"},
      // Tactics: a queen to take, a knight fork of king and queen.
      {"4k3/8/8/3q4/8/8/3R4/3K4 w - - 0 1", 8, "d2d5"},
      {"4k3/8/8/2q5/8/3N4/8/4K3 w - - 0 1", 8, "d3c5"},
      {"6k1/3q4/8/8/4N3/8/8/4K3 w - - 0 1", 8, "e4f6"},
  };
  TestSearcher one(1), four(4);
  for (const Case& c : cases) {
    one.run(c.fen, c.depth);
    four.run(c.fen, c.depth);
    const bool mate = std::abs(one.listener.result.score) > MateStoreBound;
    if (mate) {
      EXPECT_EQ(four.listener.result.score, one.listener.result.score) << c.fen;
    }
    if (c.move) {
      const Move expected = parseMove(four.searcher->board(), c.move);
      EXPECT_TRUE(sameMove(four.listener.result.move, expected)) << c.fen;
      EXPECT_TRUE(sameMove(one.listener.result.move, expected)) << c.fen;
    }
    EXPECT_EQ(four.listener.result.calls, 1);
  }
}

// Searches started and stopped at random moments, with the pool resized in
// between: every search ends, reports once, and leaves a legal move.
TEST(ParallelSearch, StartAndStopAtRandomMoments) {
  TestSearcher t(2);
  Sfmt rng(99);
  const char* positions[] = {
      StartFen,
      "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
      "8/5pk1/6p1/p2P4/Pp1K4/1P6/6PP/8 w - - 0 40",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
  };
  for (int round = 0; round < 200; ++round) {
    if (round % 20 == 0) t.searcher->setThreads(1 + int(rng.next32() % 16));
    ASSERT_TRUE(setFen(t.searcher->board(), positions[round % 4]));
    t.listener.result = testing_util::Finished{};
    t.tc.init();
    t.tc.setInfinite(true);
    t.searcher->startSearch();
    std::this_thread::sleep_for(std::chrono::microseconds(rng.next32() % 5000));
    t.searcher->stopSearch();
    ASSERT_EQ(t.listener.result.calls, 1) << round;
    ASSERT_TRUE(t.bestMoveIsLegal()) << round;
  }
}

}  // namespace
}  // namespace vireo
