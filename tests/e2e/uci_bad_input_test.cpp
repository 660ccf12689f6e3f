// What a careless or broken GUI may send. The engine answers as the protocol
// says, keeps a sound position, gives every search its one bestmove, and
// neither hangs nor crashes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uci_session.h"

namespace vireo::e2e {
namespace {

using namespace std::string_literals;

std::string knightShuffle(int plies) {
  static const char* const Moves[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  std::string text;
  for (int i = 0; i < plies; ++i) text += std::string(" ") + Moves[i % 4];
  return text;
}

struct BadInput {
  const char* name;
  // Raw text for the engine; a step "wait X" waits for X in the output.
  std::vector<std::string> steps;
  int bestmoves;            // answered before the closing search
  const char* errorLogHas;  // a piece of the error log, or ""
};

TEST(UciBadInput, EngineStaysSound) {
  const std::string longMoveList = "position startpos moves" + knightShuffle(3000) + "\n";
  const BadInput cases[] = {
      {"unknown words",
       {"xyzzy\n", "debug on\n", "\n", "   \n", "\t\n", "register later\n"},
       0,
       "unknown uci command: xyzzy\nunknown uci command: debug\n"},
      {"unknown option", {"setoption name Foo value 1\n"}, 0, "Option not supported: Foo\n"},
      {"options without name or value",
       {"setoption\n", "setoption name\n", "setoption name Hash\n", "setoption name Hash value\n",
        "setoption name Threads\n", "setoption name MultiPV value\n", "setoption name Clear\n",
        "setoption name UCI_Opponent\n", "setoption name Ponder\n", "setoption name eval.kingattack\n"},
       0,
       ""},
      {"values that are no numbers or out of range",
       {"setoption name Hash value lots\n", "setoption name Hash value -5\n", "setoption name Threads value many\n",
        "setoption name Threads value -3\n", "setoption name Threads value 0\n", "setoption name MultiPV value 0\n",
        "setoption name MultiPV value -7\n", "setoption name MultiPVMargin value x\n",
        "setoption name eval.kingattack value 99999\n", "setoption name eval.mobility.opening value -99999\n",
        "setoption name UCI_Opponent value GM x human\n"},
       0,
       ""},
      // After each refusal the GUI's position is unknown: "go" answers
      // "bestmove 0000" until a valid position comes.
      {"refused FEN",
       {"position fen rnbqkbnr/pppppppp/8/8 w KQkq - 0 1 moves e2e4\n", "position fen\n",
        "position fen moves e2e4\n", "position\n", "position moves\n", "position fen 8/8/8/8/8/8/8/8 w - -\n",
        "go depth 2\n", "wait bestmove 0000", "position startpos\n"},
       1,
       "fen: not exactly 1 king"},
      {"illegal and continuation moves",
       {"position startpos moves e2e4 .e7e5 e7e5 e4e5 g1f3\n"},
       0,
       "WARNING invalid move from GUI: e4e5\n"},
      {"thousands of moves", {longMoveList}, 0, ""},
      {"negative clocks and increments",
       {"position startpos\n", "go wtime -1000 btime -1000 winc -5 binc -5\n", "wait bestmove"},
       1,
       ""},
      {"negative and absurd limits",
       {"position startpos\n", "go depth -5\n", "wait bestmove", "go nodes -1 depth 2 movestogo -4\n",
        "go movetime 99999999999 wtime 99999999999 btime 99999999999 nodes 99999999999\n", "wait info depth 2",
        "stop\n", "go depth abc\n", "stop\n"},
       4,
       "go(): no time/depth/node limit\n"},
      {"go while a search runs",
       {"position startpos\n", "go infinite\n", "wait info depth 2", "go infinite\n", "go depth 1\n"},
       3,
       "Expected current status==POSITION, got 2\n"},
      {"options while a search runs",
       {"position startpos\n", "go infinite\n", "wait info depth 2", "setoption name Threads value 3\n",
        "setoption name Hash value 1\n", "setoption name Clear Hash\n", "setoption name MultiPV value 2\n",
        "setoption name eval.kingattack value 50\n", "go infinite\n", "wait info depth 2",
        "setoption name Hash value 2\n"},
       2,
       ""},
      // A long game is one long line; a line beyond any game is dropped
      // whole, not carried out in part (here it would play e2e4).
      {"very long lines",
       {"position startpos moves" + knightShuffle(5000) + "\n", std::string(100000, 'x') + "\n",
        "position startpos moves e2e4" + std::string(1 << 20, ' ') + "\n"},
       0,
       "WARNING input line longer than 1048576 characters, ignored\n"},
      {"binary bytes",
       {"\x01\x02\xff\xfe\n", "go\0 depth 1\n"s, "stop\n", "\x80\x81 position\n", "is\0ready\n"s},
       1,
       ""},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    for (const std::string& step : c.steps) {
      if (step.rfind("wait ", 0) == 0) {
        ASSERT_TRUE(engine.waitFor(step.substr(5))) << step << "\n" << engine.process.output();
      } else {
        engine.process.send(step);
      }
    }
    // The engine still searches: one more bestmove, for White, to move in
    // every position these cases leave (from the first two ranks, as the
    // e-pawn is blocked where it has moved).
    engine.send("go depth 2");
    ASSERT_TRUE(engine.process.waitForCount("bestmove", c.bestmoves + 1)) << engine.process.output();
    ASSERT_TRUE(engine.sync());
    const std::vector<std::string> moves = engine.bestmoves();
    ASSERT_EQ(int(moves.size()), c.bestmoves + 1) << engine.process.output();
    for (const std::string& move : moves) EXPECT_TRUE(move == "bestmove 0000" || wellFormedBestmove(move)) << move;
    EXPECT_TRUE(moves.back()[10] == '1' || moves.back()[10] == '2') << moves.back();
    EXPECT_NE(engine.errorLog().find(c.errorLogHas), std::string::npos) << engine.errorLog();
    EXPECT_EQ(engine.quit(), 0);
  }
}

// A GUI that goes away in the middle of a search: closing the input still
// brings the bestmove; "quit" ends at once. Either way the process exits
// cleanly with status 0.
TEST(UciBadInput, EndDuringSearch) {
  for (const bool viaQuit : {false, true}) {
    SCOPED_TRACE(viaQuit ? "quit" : "end of input");
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send("setoption name Threads value 2");
    engine.send("position startpos");
    engine.send("go infinite");
    ASSERT_TRUE(engine.waitFor("info depth 3"));
    if (viaQuit)
      engine.send("quit");
    else
      engine.process.closeInput();
    EXPECT_EQ(engine.process.waitForExit(20000), 0);
    if (!viaQuit) {
      ASSERT_EQ(engine.bestmoves().size(), 1u) << engine.process.output();
      EXPECT_TRUE(wellFormedBestmove(engine.bestmoves()[0]));
    }
  }
}

}  // namespace
}  // namespace vireo::e2e
