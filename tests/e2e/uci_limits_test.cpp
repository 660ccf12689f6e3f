// What each "go" searches: its own limits and nothing left over from the one
// before, a restricted root, a perft count instead of a search, and clocks
// too short for the usual budget.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "uci_session.h"

namespace vireo::e2e {
namespace {

// The depth of the last PV report before the bestmove.
long long finalDepth(const std::string& output) {
  long long depth = -1;
  for (const std::string& line : linesStartingWith(output, "info depth"))
    if (line.find(" currmove ") == std::string::npos) depth = field(line, "depth");
  return depth;
}

TEST(UciLimits, EveryGoStartsFromCleanLimits) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("position startpos");

  // A clock search, then a depth search: the clock's budget no longer
  // applies, the depth is reached.
  engine.send("go wtime 1000 btime 1000");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  engine.process.take();
  engine.send("go depth 12");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  EXPECT_EQ(finalDepth(engine.process.take()), 12);

  // A fixed move time, then a mate search in a position without a mate:
  // it runs until "stop".
  engine.send("go movetime 100");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  engine.process.take();
  engine.send("go mate 3");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(engine.sync());
  EXPECT_TRUE(engine.bestmoves().empty()) << engine.process.output();
  engine.send("stop");
  ASSERT_TRUE(engine.waitFor("bestmove"));

  // A node limit alone ends the search by itself, with no time limit.
  engine.process.take();
  engine.send("go nodes 20000");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  EXPECT_EQ(engine.quit(), 0);
}

TEST(UciLimits, SearchmovesRestrictsTheRoot) {
  struct Case {
    const char* position;
    const char* go;
    std::set<std::string> allowed;  // the bestmove's move; empty: any
    const char* infoString;         // a warning the GUI must see, or ""
  };
  const Case cases[] = {
      {"startpos", "go depth 4 searchmoves a2a3 h2h3", {"a2a3", "h2h3"}, ""},
      // The mating move is not among them.
      {"fen k7/8/1K6/8/8/8/8/7R w - - 0 1", "go depth 4 searchmoves h1h2", {"h1h2"}, ""},
      // Words after the moves are still limits.
      {"startpos", "go searchmoves b1c3 depth 3", {"b1c3"}, ""},
      {"startpos", "go depth 3 searchmoves e2e5 g1f3", {"g1f3"}, "info string searchmoves: not a legal move here: e2e5"},
      // No legal move among them: the whole position is searched.
      {"startpos", "go depth 3 searchmoves e2e5", {}, "info string searchmoves: not a legal move here: e2e5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.go);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send(std::string("position ") + c.position);
    engine.send(c.go);
    ASSERT_TRUE(engine.waitFor("bestmove"));
    ASSERT_TRUE(engine.sync());
    const std::string bestmove = engine.bestmoves().at(0);
    EXPECT_TRUE(wellFormedBestmove(bestmove)) << bestmove;
    if (!c.allowed.empty()) {
      EXPECT_EQ(c.allowed.count(bestmove.substr(9, 4)), 1u) << bestmove;
    }
    EXPECT_NE(engine.process.output().find(c.infoString), std::string::npos) << engine.process.output();
    EXPECT_EQ(engine.quit(), 0);
  }
}

TEST(UciLimits, PerftCountsWithoutABestmove) {
  struct Case {
    const char* position;
    int depth;
    int moves;
    long long total;
    const char* line;  // one of the per-move lines
  };
  const Case cases[] = {
      {"startpos", 2, 20, 400, "e2e4: 20\n"},
      {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 2, 48, 2039, "e1g1: "},
      {"fen 8/4P1k1/8/8/8/8/8/K7 w - - 0 1", 1, 7, 7, "e7e8q: 1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send(std::string("position ") + c.position);
    engine.send("go perft " + std::to_string(c.depth));
    ASSERT_TRUE(engine.waitFor("Nodes searched"));
    ASSERT_TRUE(engine.sync());
    const std::string out = engine.process.take();
    EXPECT_NE(out.find("\n\nNodes searched: " + std::to_string(c.total) + "\n\n"), std::string::npos) << out;
    EXPECT_NE(out.find(c.line), std::string::npos) << out;
    int moveLines = 0;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) moveLines += line.size() > 6 && (line[4] == ':' || line[5] == ':');
    EXPECT_EQ(moveLines, c.moves) << out;
    EXPECT_EQ(out.find("bestmove"), std::string::npos) << out;
    // The position is still set for a search.
    engine.send("go depth 1");
    ASSERT_TRUE(engine.waitFor("bestmove"));
    EXPECT_EQ(engine.quit(), 0);
  }
}

// Clocks too short for the usual 100 ms per move: the engine answers within
// what the clock holds (its own report of the time spent), with a legal move.
TEST(UciLimits, ShortClocksAreNotOverrun) {
  struct Case {
    const char* go;
    long long most;  // milliseconds the move may take
  };
  // Before, each of these took 80 to 100 ms. (The budgets themselves, the
  // share of a clock with moves to go among them, are pinned by the unit
  // tests of the time control.)
  const Case cases[] = {
      {"go wtime 1 btime 1", 1},
      {"go wtime 30 btime 30", 1},
      {"go wtime 100 btime 100 winc 100 binc 100", 5},
      {"go wtime 300 btime 300", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.go);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send("position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5");
    engine.send(c.go);
    ASSERT_TRUE(engine.waitFor("bestmove"));
    ASSERT_TRUE(engine.sync());
    const std::string out = engine.process.output();
    EXPECT_TRUE(wellFormedBestmove(engine.bestmoves().at(0))) << out;
    // The last report comes with the bestmove; the engine's clock started
    // with the search. Slack for a busy machine, well short of the old
    // 100 ms.
    const std::vector<std::string> info = linesStartingWith(out, "info depth");
    ASSERT_FALSE(info.empty()) << out;
    EXPECT_LE(field(info.back(), "time"), c.most + 50) << out;
    EXPECT_EQ(engine.quit(), 0);
  }
}

// An analysing GUI sees a decided root at once, not only when it stops the
// search; the bestmove still waits for "stop".
TEST(UciLimits, DecidedRootsReportAtOnce) {
  struct Case {
    const char* fen;
    const char* score;
  };
  const Case cases[] = {{"k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", " score mate 0 "},
                        {"k7/8/1QK5/8/8/8/8/8 b - - 0 1", " score cp 0 "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send(std::string("position fen ") + c.fen);
    engine.send("go infinite");
    ASSERT_TRUE(engine.waitFor(c.score));
    ASSERT_TRUE(engine.sync());
    EXPECT_TRUE(engine.bestmoves().empty());
    engine.send("stop");
    ASSERT_TRUE(engine.waitFor("bestmove 0000"));
    EXPECT_EQ(engine.quit(), 0);
  }
}

// A second "uci" while a search runs repeats the reply and leaves the search
// alone: it still answers once, when stopped.
TEST(UciLimits, SecondUciDuringASearch) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("position startpos");
  engine.send("go infinite");
  ASSERT_TRUE(engine.waitFor("info depth 2"));
  engine.send("uci");
  ASSERT_TRUE(engine.waitFor("uciok"));
  EXPECT_TRUE(engine.bestmoves().empty());
  engine.send("stop");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  ASSERT_TRUE(engine.sync());
  EXPECT_EQ(engine.bestmoves().size(), 1u);
  EXPECT_NE(engine.process.output().find("id name vireo-1.0\n"), std::string::npos);
  EXPECT_EQ(engine.quit(), 0);
}

// Warnings the error log records also reach the GUI's engine console.
TEST(UciLimits, ErrorsReachTheGui) {
  struct Case {
    std::string command;
    const char* infoString;
  };
  const Case cases[] = {
      {"position fen 8/8/8/8/8/8/8/8 w - -", "info string invalid FEN (fen: not exactly 1 king for side 0), position not set: 8/8/8/8/8/8/8/8 w - -"},
      {"position startpos moves e2e4 e7e5 e4e5",
       "info string invalid move from GUI: e4e5 (it and the moves after it are ignored)"},
      {"setoption name Foo value 1", "info string Option not supported: Foo"},
      {"position startpos moves e2e4" + std::string(1 << 20, ' '),
       "info string WARNING input line longer than 1048576 characters, ignored"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send(c.command);
    ASSERT_TRUE(engine.sync());
    EXPECT_NE(engine.process.output().find(std::string(c.infoString) + "\n"), std::string::npos)
        << engine.process.output();
    EXPECT_EQ(engine.quit(), 0);
  }
}

}  // namespace
}  // namespace vireo::e2e
