// A whole game the way a GUI plays it: the moves so far in every
// "position", the clocks in every "go", and a real clock running.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "uci_session.h"

namespace vireo::e2e {
namespace {

TEST(UciGame, FortyMovesOnARealClock) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("ucinewgame");
  long long clock[2] = {3000, 3000};
  const long long increment = 100;
  std::string moves;
  for (int ply = 0; ply < 80; ++ply) {
    SCOPED_TRACE("ply " + std::to_string(ply) + ":" + moves);
    const int side = ply % 2;
    engine.send("position startpos" + (moves.empty() ? "" : " moves" + moves));
    const auto start = std::chrono::steady_clock::now();
    engine.send("go wtime " + std::to_string(clock[0]) + " btime " + std::to_string(clock[1]) + " winc " +
                std::to_string(increment) + " binc " + std::to_string(increment));
    ASSERT_TRUE(engine.process.waitForCount("bestmove", ply + 1, int(clock[side]) + 10000));
    const long long used = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
    EXPECT_LT(used, clock[side]) << "flag fell";
    clock[side] += increment - used;
    const std::string bestmove = engine.bestmoves().back();
    if (bestmove == "bestmove 0000") break;  // mate or stalemate
    ASSERT_TRUE(wellFormedBestmove(bestmove)) << bestmove;
    moves += " " + bestmove.substr(9, bestmove.find(' ', 9) - 9);
  }
  ASSERT_TRUE(engine.sync());
  // A clean game leaves the error log empty: the engine warns about an
  // illegal move in "position" (none of its own moves may draw that), a
  // command out of turn, or a "go" without limits. A game that ends in mate
  // (a slow build plays weakly) logs only the mated side's missing move.
  std::string log = engine.errorLog();
  if (engine.bestmoves().back() == "bestmove 0000") {
    const std::string noMove = "No move generated! bm=0\n";
    if (log.size() >= noMove.size() && log.compare(log.size() - noMove.size(), noMove.size(), noMove) == 0)
      log.resize(log.size() - noMove.size());
  }
  EXPECT_EQ(log, "");
  EXPECT_EQ(engine.quit(), 0);
}

}  // namespace
}  // namespace vireo::e2e
