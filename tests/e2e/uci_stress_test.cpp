// Searches started and ended at random moments through the protocol, with
// the thread count changed between them: every search ends with exactly one
// "bestmove", and that move is legal.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "board/fen.h"
#include "board/notation.h"
#include "board/sfmt.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "uci_session.h"

namespace vireo::e2e {
namespace {

bool legalIn(const char* fen, const std::string& bestmove) {
  static const bool tables = (initTables(), initZobrist(), true);
  (void)tables;
  auto board = std::make_unique<Board>();
  if (!setFen(*board, fen)) return false;
  std::string move = bestmove.substr(9, bestmove.find(' ', 9) - 9);
  if (move.size() == 5) move[4] = char(move[4] | 0x20);  // parseMove reads promotions lower case
  return parseMove(*board, move.c_str()) != 0;
}

TEST(UciStress, SearchesEndedAtRandomMomentsAnswerOnceAndLegally) {
  const char* positions[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/5pk1/6p1/p2P4/Pp1K4/1P6/6PP/8 w - - 0 40",
      "3r1rk1/pp3ppp/2n1b3/q1bpP3/8/2NB1N2/PPQ2PPP/R4RK1 b - - 3 15",
      "8/P7/8/8/8/8/6k1/4K3 w - - 0 1",
  };
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("setoption name OwnBook value false");
  Sfmt rng(2024);
  int searches = 0;
  for (int round = 0; round < 300; ++round) {
    if (round % 25 == 0) engine.send("setoption name Threads value " + std::to_string(1 + rng.next32() % 16));
    const char* fen = positions[rng.next32() % std::size(positions)];
    engine.send(std::string("position fen ") + fen);
    const int kind = int(rng.next32() % 3);
    engine.send(kind == 0 ? "go infinite" : kind == 1 ? "go wtime 500 btime 500" : "go depth 30");
    ++searches;
    std::this_thread::sleep_for(std::chrono::microseconds(rng.next32() % 5000));
    if (rng.next32() % 3 == 0)
      engine.send(std::string("position fen ") + positions[0]);  // ends the search too
    else
      engine.send("stop");
    // "stop" and "position" return once the search has answered.
    ASSERT_TRUE(engine.sync()) << "round " << round;
    const std::vector<std::string> answers = engine.bestmoves();
    ASSERT_EQ(int(answers.size()), searches) << "round " << round;
    ASSERT_TRUE(wellFormedBestmove(answers.back())) << answers.back();
    ASSERT_TRUE(legalIn(fen, answers.back())) << fen << ": " << answers.back();
  }
  EXPECT_EQ(engine.quit(), 0);
}

}  // namespace
}  // namespace vireo::e2e
