// The UCI protocol as a GUI drives it: the "uci" reply, searches and their
// reports, and who answers with "bestmove" in each state of a search.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "uci_session.h"

namespace vireo::e2e {
namespace {

int processorsForThreads() {
  return int(std::clamp(sysconf(_SC_NPROCESSORS_ONLN), 1L, 16L));
}

TEST(UciProtocol, UciReplyAndProtocolMode) {
  UciEngine engine;
  ASSERT_TRUE(engine.process.waitFor("initialized\ntype help for commands, uci for protocol mode\n% "));
  engine.process.take();
  engine.send("uci");
  ASSERT_TRUE(engine.waitFor("uciok\n"));
  const std::string expected =
      "\nid name vireo-1.0\n"
      "id author Tavrel\n"
      "option name UCI_EngineAbout type string default vireo-1.0 by Tavrel\n"
      "option name UCI_Opponent type string\n"
      "option name UCI_AnalyseMode type check default false\n"
      "option name Threads type spin default " +
      std::to_string(processorsForThreads()) +
      " min 1 max 16\n"
      "option name Hash type spin default 32 min 1 max 4096\n"
      "option name Ponder type check default true\n"
      "option name MultiPV type spin default 1 min 1 max 256\n"
      "option name MultiPVMargin type spin default 100 min 0 max 2000\n"
      "option name OwnBook type check default true\n"
      "option name eval.mobility.opening type spin default 100 min 0 max 1000\n"
      "option name eval.mobility.endgame type spin default 100 min 0 max 1000\n"
      "option name eval.passedpawns.opening type spin default 100 min 0 max 1000\n"
      "option name eval.passedpawns.endgame type spin default 100 min 0 max 1000\n"
      "option name eval.pawnstructure.opening type spin default 100 min 0 max 1000\n"
      "option name eval.pawnstructure.endgame type spin default 100 min 0 max 1000\n"
      "option name eval.kingattack type spin default 100 min 0 max 1000\n"
      "option name Move Overhead type spin default 10 min 0 max 5000\n"
      "option name UCI_Chess960 type check default false\n"
      "option name BookFile type string default <empty>\n"
      "option name UCI_LimitStrength type check default false\n"
      "option name UCI_Elo type spin default 1800 min 1200 max 2100\n"
      "uciok\n";
  EXPECT_EQ(engine.process.take(), expected);

  // From now on no prompt, no board for an empty line, no log lines; the
  // diagnostics go to the error log in the working directory.
  engine.send("");
  engine.send("setoption name MultiPV value 2");
  engine.send("Isready");
  ASSERT_TRUE(engine.waitFor("readyok\n"));
  engine.send("xyzzy");
  engine.send("setoption name Foo value 1");
  ASSERT_TRUE(engine.sync());
  EXPECT_EQ(engine.process.output(),
            "readyok\nunknown command: 'xyzzy'\ninfo string Option not supported: Foo\nreadyok\n");
  EXPECT_NE(engine.errorLog().find("unknown uci command: xyzzy\nOption not supported: Foo\n"), std::string::npos)
      << engine.errorLog();
  EXPECT_EQ(engine.quit(), 0);
}

TEST(UciProtocol, IsreadyIsAnsweredWhileSearching) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("position startpos");
  engine.send("go infinite");
  ASSERT_TRUE(engine.waitFor("info depth 2"));
  ASSERT_TRUE(engine.sync());
  EXPECT_TRUE(engine.bestmoves().empty());
  engine.send("stop");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  ASSERT_TRUE(engine.sync());
  ASSERT_EQ(engine.bestmoves().size(), 1u);
  EXPECT_TRUE(wellFormedBestmove(engine.bestmoves()[0])) << engine.bestmoves()[0];
  EXPECT_EQ(engine.quit(), 0);
}

// Each row: the commands a GUI sends (a "wait" line waits for that output,
// a "sleep" line pauses), and the bestmove lines that must follow - exactly
// these, no more. "any" stands for one well-formed bestmove line, "ponder"
// for one that carries a ponder move, "noponder" for one that does not.
struct StatusCase {
  const char* name;
  std::vector<std::string> steps;
  std::vector<std::string> bestmoves;
};

void runSteps(UciEngine& engine, const std::vector<std::string>& steps) {
  for (const std::string& step : steps) {
    if (step.rfind("wait ", 0) == 0) {
      ASSERT_TRUE(engine.waitFor(step.substr(5))) << step << "\n" << engine.process.output();
    } else if (step.rfind("sleep ", 0) == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(step.substr(6))));
    } else {
      engine.send(step);
    }
  }
}

TEST(UciProtocol, OneBestmoveForEverySearchWhoeverSendsIt) {
  const StatusCase cases[] = {
      // Nothing runs and nothing is held: a bestmove would be taken as the
      // answer to the GUI's next "go".
      {"stop without go", {"position startpos", "stop"}, {}},
      {"ponderhit without go", {"position startpos", "ponderhit"}, {}},
      {"stop without go, then a search", {"position startpos", "stop", "go depth 2", "wait bestmove"}, {"any"}},
      {"search ends by itself", {"position startpos", "go depth 3", "wait bestmove"}, {"ponder"}},
      {"stop and ponderhit after the bestmove",
       {"position startpos", "go depth 3", "wait bestmove", "stop", "ponderhit"},
       {"ponder"}},
      {"stop while searching", {"position startpos", "go infinite", "wait info depth 3", "stop"}, {"any"}},
      {"ponderhit while searching is ignored",
       {"position startpos", "go depth 4", "ponderhit", "wait bestmove"},
       {"any"}},
      {"ponder, then stop", {"position startpos", "go ponder", "wait info depth 3", "stop"}, {"any"}},
      {"ponder, then ponderhit: the search goes on under the clock",
       {"position startpos moves e2e4", "go ponder wtime 1000 btime 1000", "wait info depth 3", "ponderhit",
        "wait bestmove"},
       {"ponder"}},
      // A ponder search that has nothing left to do waits until the GUI
      // says whether the ponder move was played.
      {"ponder ends by itself: waits",
       {"position startpos", "go ponder nodes 5000", "wait info depth 3", "sleep 400"},
       {}},
      {"ponder ends by itself, then ponderhit",
       {"position startpos", "go ponder nodes 5000", "wait info depth 3", "sleep 400", "ponderhit"},
       {"ponder"}},
      {"ponder ends by itself, then stop",
       {"position startpos", "go ponder nodes 5000", "wait info depth 3", "sleep 400", "stop"},
       {"any"}},
      {"ponder ends by itself, then a new position",
       {"position startpos", "go ponder nodes 5000", "wait info depth 3", "sleep 400", "position startpos"},
       {"any"}},
      // An infinite search answers only after "stop", even where there is
      // nothing to search; so does a "go" without any limit.
      {"infinite in a mated position: waits",
       {"position fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", "go infinite", "sleep 300"},
       {}},
      {"infinite in a mated position, then stop",
       {"position fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", "go infinite", "sleep 100", "stop"},
       {"bestmove 0000"}},
      {"infinite in a stalemate, then stop",
       {"position fen k7/8/1QK5/8/8/8/8/8 b - - 0 1", "go infinite", "sleep 100", "stop"},
       {"bestmove 0000"}},
      {"infinite with a mate found: waits",
       {"position fen k7/8/1K6/8/8/8/8/7R w - - 0 1", "go infinite", "wait score mate 1", "sleep 300"},
       {}},
      {"infinite with one legal move, then stop",
       {"position fen k7/8/1K6/8/8/8/8/1R6 b - - 0 1", "go infinite", "sleep 300", "stop"},
       {"ponder"}},
      {"go without limits: waits", {"position startpos", "go", "wait info depth 2", "sleep 300"}, {}},
      {"go without limits, then stop", {"position startpos", "go", "wait info depth 2", "stop"}, {"any"}},
      // A mate search answers once the mate is proved, and not before.
      {"mate found", {"position fen k7/8/1K6/8/8/8/8/7R w - - 0 1", "go mate 1"}, {"bestmove h1h8"}},
      {"mate not there: waits", {"position startpos", "go mate 2", "wait info depth 4", "sleep 300"}, {}},
      {"mate not there, then stop",
       {"position startpos", "go mate 2", "wait info depth 4", "stop"},
       {"any"}},
      // A refused FEN leaves the GUI's position unknown: no move for the
      // previous one, until a valid position comes.
      {"go after a refused FEN",
       {"position startpos", "position fen 8/8/8/8/8/8/8/8 w - -", "go depth 2"},
       {"bestmove 0000"}},
      {"a valid position after a refused one",
       {"position fen 8/8/8/8/8/8/8/8 w - -", "go depth 2", "wait bestmove", "position startpos moves e2e4",
        "go depth 2"},
       {"bestmove 0000", "any"}},
      {"position during a search: its bestmove first",
       {"position startpos", "go infinite", "wait info depth 3", "position startpos moves e2e4", "go depth 2",
        "wait bestmove"},
       {"any", "any"}},
      {"go during a search ends it first",
       {"position startpos", "go infinite", "wait info depth 3", "go depth 2"},
       {"any", "any"}},
      {"go ponder during a search, then stop",
       {"position startpos", "go infinite", "wait info depth 3", "go ponder", "stop"},
       {"any", "any"}},
      {"mated: no move", {"position fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", "go depth 3"}, {"bestmove 0000"}},
  };
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(c.name);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    runSteps(engine, c.steps);
    if (HasFatalFailure()) return;
    if (!c.bestmoves.empty()) {
      ASSERT_TRUE(engine.process.waitForCount("bestmove", int(c.bestmoves.size())));
    }
    ASSERT_TRUE(engine.sync());
    const std::vector<std::string> got = engine.bestmoves();
    ASSERT_EQ(got.size(), c.bestmoves.size()) << engine.process.output();
    for (size_t i = 0; i < got.size(); ++i) {
      const std::string& want = c.bestmoves[i];
      if (want.rfind("bestmove", 0) == 0) {
        EXPECT_EQ(got[i], want);
        continue;
      }
      EXPECT_TRUE(wellFormedBestmove(got[i])) << got[i];
      if (want == "ponder") {
        EXPECT_NE(got[i].find(" ponder "), std::string::npos) << got[i];
      } else if (want == "noponder") {
        EXPECT_EQ(got[i].find(" ponder "), std::string::npos) << got[i];
      }
    }
    EXPECT_EQ(engine.quit(), 0);
  }
}

TEST(UciProtocol, PositionDuringSearchAnswersForTheOldPosition) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("position startpos");
  engine.send("go infinite");
  ASSERT_TRUE(engine.waitFor("info depth 3"));
  engine.send("position startpos moves e2e4");
  engine.send("go depth 3");
  ASSERT_TRUE(engine.process.waitForCount("bestmove", 2));
  const std::vector<std::string> moves = engine.bestmoves();
  // White's move for the start position, then Black's for the new one.
  EXPECT_TRUE(std::string("12").find(moves[0][10]) != std::string::npos) << moves[0];
  EXPECT_TRUE(std::string("78").find(moves[1][10]) != std::string::npos) << moves[1];
  EXPECT_NE(engine.errorLog().find("uci::position(): search still running? status=2\n"), std::string::npos);
  EXPECT_EQ(engine.quit(), 0);
}

TEST(UciProtocol, InfoLines) {
  struct Case {
    const char* position;
    const char* go;
    const char* finalScore;  // in the last info line
    const char* bestmove;
  };
  const Case cases[] = {
      {"fen k7/8/1K6/8/8/8/8/7R w - - 0 1", "go depth 4", " score mate 1 ", "bestmove h1h8"},
      {"fen k7/8/1K6/8/8/8/8/7R b - - 0 1", "go depth 4", " score mate -1 ", "bestmove a8b8"},
      {"fen 8/4P1k1/8/8/8/8/8/K7 w - - 0 1", "go depth 3", " score cp ", "bestmove e7e8q"},
      // Decided roots: a plain score, no bound.
      {"fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", "go depth 3", " score mate 0 ", "bestmove 0000"},
      {"fen k7/8/1QK5/8/8/8/8/8 b - - 0 1", "go depth 3", " score cp 0 ", "bestmove 0000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send(std::string("position ") + c.position);
    engine.send(c.go);
    ASSERT_TRUE(engine.waitFor("bestmove"));
    ASSERT_TRUE(engine.sync());
    const std::string out = engine.process.output();
    const std::vector<std::string> pvLines = linesStartingWith(out, "info depth");
    ASSERT_FALSE(pvLines.empty());
    EXPECT_NE(pvLines.back().find(c.finalScore), std::string::npos) << pvLines.back();
    // The deepest ply is never reported below the depth.
    for (const std::string& line : pvLines) {
      if (line.find(" seldepth ") != std::string::npos) {
        EXPECT_GE(field(line, "seldepth"), field(line, "depth")) << line;
      }
    }
    if (std::string(c.bestmove) == "bestmove 0000") {
      EXPECT_EQ(pvLines.back().find("bound"), std::string::npos) << pvLines.back();
    }
    EXPECT_EQ(engine.bestmoves()[0].rfind(c.bestmove, 0), 0u) << out;
    EXPECT_EQ(engine.quit(), 0);
  }
}

TEST(UciProtocol, MultiPvNumbersItsLines) {
  struct Case {
    const char* position;
    int lines;
  };
  // Three lines asked for; the second position has only two moves.
  const Case cases[] = {{"startpos", 3}, {"fen k7/8/2K5/8/8/8/8/8 b - - 0 1", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    UciEngine engine;
    ASSERT_TRUE(engine.start());
    engine.send("setoption name MultiPV value 3");
    engine.send(std::string("position ") + c.position);
    engine.send("go depth 4");
    ASSERT_TRUE(engine.waitFor("bestmove"));
    ASSERT_TRUE(engine.sync());
    // Every PV line is numbered, within the lines there can be, and each
    // number shows up.
    std::vector<int> seen(c.lines + 1, 0);
    for (const std::string& line : linesStartingWith(engine.process.output(), "info depth")) {
      if (line.find(" currmove ") != std::string::npos) continue;
      const long long rank = field(line, "multipv");
      ASSERT_TRUE(rank >= 1 && rank <= c.lines) << line;
      ++seen[rank];
    }
    for (int rank = 1; rank <= c.lines; ++rank) EXPECT_GT(seen[rank], 0) << rank;
    EXPECT_EQ(engine.quit(), 0);
  }
}

// Without SendPv the search reports nothing on its way; its final report
// still comes, without the line itself.
TEST(UciProtocol, SendPvOffLeavesTheFinalReport) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("setoption name SendPv value false");
  engine.send("position startpos");
  engine.send("go depth 5");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  ASSERT_TRUE(engine.sync());
  const std::vector<std::string> info = linesStartingWith(engine.process.output(), "info");
  ASSERT_EQ(info.size(), 1u) << engine.process.output();
  EXPECT_EQ(field(info[0], "depth"), 5) << info[0];
  EXPECT_EQ(info[0].find(" pv"), std::string::npos) << info[0];
  EXPECT_EQ(engine.quit(), 0);
}

TEST(UciProtocol, StatisticsTail) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("position startpos");
  engine.send("go movetime 400");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  ASSERT_TRUE(engine.sync());
  int late = 0;
  for (const std::string& line : linesStartingWith(engine.process.output(), "info")) {
    const long long time = field(line, "time");
    ASSERT_GE(time, 0) << line;
    EXPECT_GE(field(line, "nodes"), 0) << line;
    EXPECT_GE(field(line, "hashfull"), 0) << line;
    if (time <= 99) {
      EXPECT_EQ(field(line, "nps"), -1) << line;
    } else {
      ++late;
      EXPECT_EQ(field(line, "nps"), field(line, "nodes") * 1000 / time) << line;
    }
  }
  EXPECT_GT(late, 0);
  EXPECT_EQ(engine.quit(), 0);
}

}  // namespace
}  // namespace vireo::e2e
