// Chess960 as a GUI plays it: the UCI_Chess960 option, Shredder-FEN and
// X-FEN positions, and castling written as king takes own rook in both
// directions; with the option off, standard chess as before.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uci_session.h"

namespace vireo::e2e {
namespace {

// The moves a "go perft 1" lists, after the output so far is dropped.
std::vector<std::string> perftMoves(UciEngine& engine) {
  engine.process.take();
  engine.send("go perft 1");
  EXPECT_TRUE(engine.waitFor("Nodes searched:"));
  EXPECT_TRUE(engine.sync());
  std::vector<std::string> moves;
  for (const std::string& line : linesStartingWith(engine.process.output(), ""))
    if (line.size() > 4 && line.find(": ") != std::string::npos && line.rfind("Nodes", 0) != 0)
      moves.push_back(line.substr(0, line.find(':')));
  return moves;
}

bool contains(const std::vector<std::string>& moves, const std::string& move) {
  for (const std::string& m : moves)
    if (m == move) return true;
  return false;
}

TEST(UciChess960, PositionsPerftAndCastlingText) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("setoption name UCI_Chess960 value true");
  engine.send("position fen bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9");
  engine.send("go perft 3");
  ASSERT_TRUE(engine.waitFor("Nodes searched: 12189\n"));

  // White castles king side as e1h1; black may answer in either direction,
  // written the same way.
  engine.send("position fen r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1 moves e1h1");
  std::vector<std::string> moves = perftMoves(engine);
  EXPECT_TRUE(contains(moves, "e8h8") && contains(moves, "e8a8") && !contains(moves, "e8g8"));
  // A king that does not move, and one that changes places with its rook.
  engine.send("position fen 4k3/8/8/8/8/8/8/6KR w H - 0 1");
  EXPECT_TRUE(contains(perftMoves(engine), "g1h1"));
  engine.send("position fen 4k3/8/8/8/8/8/8/5KR1 w G - 0 1 moves f1g1 e8d8");
  EXPECT_TRUE(contains(perftMoves(engine), "f1a1"));  // the rook, now on f1

  // The search writes castling the same way.
  engine.send("position fen 4k3/8/8/8/8/8/8/5K1R w H - 0 1");
  engine.process.take();
  engine.send("go depth 3 searchmoves f1h1");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  ASSERT_TRUE(engine.sync());
  EXPECT_EQ(engine.bestmoves().back().substr(0, 13), "bestmove f1h1");

  // Off again: the standard text, and rook files refused as before.
  engine.send("setoption name UCI_Chess960 value false");
  engine.send("position fen r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1 moves e1g1");
  moves = perftMoves(engine);
  EXPECT_TRUE(contains(moves, "e8g8") && contains(moves, "e8c8") && !contains(moves, "e8h8"));
  engine.process.take();
  engine.send("position fen bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9");
  ASSERT_TRUE(engine.sync());
  EXPECT_NE(engine.process.output().find("illegal castling char: H"), std::string::npos)
      << engine.process.output();
  EXPECT_EQ(engine.quit(), 0);
}

}  // namespace
}  // namespace vireo::e2e
