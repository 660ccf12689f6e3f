// The console shell as a person at a terminal uses it.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "uci_session.h"

namespace vireo::e2e {
namespace {

constexpr const char* FileLine = "     a   b   c   d   e   f   g   h\n";

// Runs a whole console session and returns everything the engine printed
// from the first prompt on.
std::string session(const std::string& input, int* status = nullptr) {
  // A session that sends "uci" appends to the error log in its directory.
  TempDir dir;
  EngineProcess engine(dir.path());
  engine.send(input);
  engine.closeInput();
  const int exitStatus = engine.waitForExit(60000);
  if (status) *status = exitStatus;
  const std::string& out = engine.output();
  const size_t prompt = out.find("% ");
  return prompt == std::string::npos ? out : out.substr(prompt);
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Console, StartsWithBannerAndEndsAtEndOfInput) {
  EngineProcess engine;
  engine.closeInput();
  EXPECT_EQ(engine.waitForExit(), 0);
  const std::string& out = engine.output();
  EXPECT_EQ(out.rfind("vireo-1.0\n", 0), 0u) << out;
  EXPECT_EQ(engine.occurrences("% "), 1);
  EXPECT_EQ(out.substr(out.size() - 2), "% ");
}

TEST(Console, EmptyLinesPrintTheBoard) {
  EXPECT_EQ(count(session("\n   \n"), FileLine), 2);
}

TEST(Console, PerftAndDivideIgnoreZeroAndNonNumbers) {
  EXPECT_EQ(session("perft 0\nperft x\ndivide 0\ndivide abc\n"), "% % % % % ");
}

TEST(Console, DivideWithoutDepthCountsOneEach) {
  const std::string out = session("divide\n");
  EXPECT_EQ(out.find("% ----divide---\na2a4              1\n"), 0u) << out;
  EXPECT_NE(out.find("Ng1h3             1\n-------------------\ntotal            20\n"),
            std::string::npos)
      << out;
}

TEST(Console, PerftPrintsCountAndRate) {
  const std::string out = session("perft 3\n");
  char line[64];
  std::snprintf(line, sizeof line, "%% %-20s  %10.0f ops in ", "perft 3", 8902.0);
  EXPECT_EQ(out.find(line), 0u) << out;
  EXPECT_NE(out.find(" seconds  ops/ms="), std::string::npos) << out;
  EXPECT_NE(out.find(",  ticks/op="), std::string::npos) << out;
}

TEST(Console, MovesPositionsAndUnknownWords) {
  struct Case {
    const char* input;
    const char* expected;  // a piece of the output
  };
  const Case cases[] = {
      {"e2e4 e7e5\n", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\n"},
      {"e4\nNf6\nNc3\n", "rnbqkb1r/pppppppp/5n2/8/4P3/2N5/PPPP1PPP/R1BQKBNR b KQkq - 2 2\n"},
      {"8/8/8/8/8/8/8/K6k w - -\n", "8/8/8/8/8/8/8/K6k w - - 0 1\n"},
      {"Fen 8/8/8/8/8/8/8/K6k w - -\n", "unknown command: 'Fen'\n"},
      {"Nf6\n", "not a move: 'Nf6'\n"},
      {"hello there\n", "unknown command: 'hello'\n"},
      {"%\nfen\n", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1\n"},
      {"fen 8/8/8/8/8/8/8/8 w - -\n", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n"},
  };
  for (const Case& c : cases) {
    const std::string out = session(c.input);
    EXPECT_NE(out.find(c.expected), std::string::npos) << c.input << "\n" << out;
  }
}

TEST(Console, SurvivesLongLinesAndBinaryBytes) {
  int status = -1;
  std::string input(20000, 'a');
  input += "\n";
  input += std::string("\x01\x02\xff\xfe junk\n", 10);
  input += std::string("ab\0cd\n", 6);
  input += "fen\n";
  const std::string out = session(input, &status);
  EXPECT_EQ(status, 0);
  // The long line is read whole, and refused as a move once.
  EXPECT_EQ(count(out, "not a move: 'aaaa"), 1);
  EXPECT_NE(out.find("unknown command: '\x01\x02\xff\xfe'"), std::string::npos);
  EXPECT_NE(out.find("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n"), std::string::npos);
}

// A game longer than the history goes on: its oldest plies are dropped and
// the counts carry on.
TEST(Console, PlaysOnPastTheHistoryLength) {
  std::string input;
  for (int i = 0; i < 250; ++i) input += "Nf3\nNf6\nNg1\nNg8\n";
  input += "%\nfen\n";
  int status = -1;
  const std::string out = session(input, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.find("game too long"), std::string::npos);
  EXPECT_NE(out.find("RNBQKBNR b KQkq - 0 501\n"), std::string::npos);
}


// "mt" sets and prints the search time; "g" searches with it and prints its
// trace and statistics at the console.
TEST(Console, MoveTimeAndSearch) {
  const std::string out = session("mt\nmt 0.3\ng\ng tt\n");
  EXPECT_NE(out.find("maxtime=5.00s\n"), std::string::npos) << out;
  EXPECT_NE(out.find("maxtime=0.30s\n"), std::string::npos) << out;
  EXPECT_EQ(count(out, "nodes  : "), 2) << out;
  EXPECT_EQ(count(out, "tt     : upd="), 2) << out;
  EXPECT_NE(out.find("  [1/"), std::string::npos) << out;
}

// Per-thread statistics only when more than one thread searches.
TEST(Console, ThreadStatisticsWithHelpersOnly) {
  const std::string one = session("setoption name Threads value 1\nmt 0.2\ng\n");
  EXPECT_EQ(count(one, "master: splits="), 0) << one;
  const std::string two = session("setoption name Threads value 2\nmt 0.2\ng\n");
  EXPECT_EQ(count(two, "master: splits="), 1) << two;
  EXPECT_EQ(count(two, "slave : splits="), 1) << two;
}

// Line ends of a Windows GUI or terminal: the carriage return is no part of
// the last word, at the console and in UCI alike.
TEST(Console, CarriageReturnsAreIgnored) {
  struct Case {
    const char* input;
    const char* expected;  // a piece of the output
  };
  const Case cases[] = {
      {"uci\r\nisready\r\n", "uciok\nreadyok\n"},
      // The last move of the list counts: Black's reply comes back.
      {"uci\r\nposition startpos moves e2e4\r\ngo depth 1\r\n", "bestmove "},
      {"fen 8/8/8/8/8/8/8/K6k w - - \r\r\n", "8/8/8/8/8/8/8/K6k w - - 0 1\n"},
      {"e4\r\n", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\n"},
      {"divide 1 \r\n", "total            20\n"},
      {"mt 0.5\r\n", "maxtime=0.50s\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    const std::string out = session(c.input);
    EXPECT_NE(out.find(c.expected), std::string::npos) << out;
    EXPECT_EQ(out.find("unknown command"), std::string::npos) << out;
    EXPECT_EQ(out.find("not a move"), std::string::npos) << out;
    for (const std::string& line : linesStartingWith(out, "bestmove ")) {
      EXPECT_TRUE(wellFormedBestmove(line)) << line;
      EXPECT_TRUE(line[10] == '7' || line[10] == '8') << line;  // a black move
    }
  }
}

// "g" sets up its own limits: whatever a UCI "go" left in force, it searches
// for the console's move time, ends by it and names its move.
TEST(Console, SearchEndsByItsMoveTimeWhateverGoLeftBehind) {
  struct Case {
    const char* before;
    int bestmoves;  // "bestmove" lines: from UCI mode only
  };
  const Case cases[] = {
      {"go infinite\n", 0},
      {"go ponder\n", 0},
      {"go depth 1\n", 0},
      {"go nodes 1\n", 0},
      {"go wtime 100 btime 100\n", 0},
      {"uci\ngo infinite\n", 2},
      {"uci\ngo ponder\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    int status = -1;
    const std::string out = session(std::string(c.before) + "mt 0.2\ng\nquit\n", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("maxtime=0.20s\n"), std::string::npos) << out;
    EXPECT_EQ(count(out, "best move: "), 1) << out;
    EXPECT_EQ(count(out, "bestmove "), c.bestmoves) << out;
    // At the console the trace shows a search deeper than any depth or node
    // limit of the "go" before.
    if (c.bestmoves == 0) {
      const std::string search = out.substr(out.find("maxtime=0.20s\n"));
      EXPECT_NE(search.find("  [3/"), std::string::npos) << search;
    }
  }
}

// The move is in SAN on the position searched, with its check sign; a
// position without moves says so.
TEST(Console, SearchNamesItsBestMove) {
  struct Case {
    const char* fen;
    std::set<std::string> moves;
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
       {"a3", "a4", "b3", "b4", "c3", "c4", "d3", "d4", "e3", "e4", "f3", "f4", "g3", "g4", "h3", "h4", "Na3",
        "Nc3", "Nf3", "Nh3"}},
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", {"Ra8+"}},
      {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", {"none"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    const std::string out = session(std::string("fen ") + c.fen + "\nmt 0.2\ng\nfen\n");
    const std::vector<std::string> lines = linesStartingWith(out, "best move: ");
    ASSERT_EQ(lines.size(), 1u) << out;
    EXPECT_EQ(c.moves.count(lines[0].substr(11)), 1u) << lines[0];
    // The search leaves the position as it was.
    const std::string placement = std::string(c.fen).substr(0, std::string(c.fen).find(' ') + 2) + " ";
    EXPECT_EQ(count(out, placement), 2) << out;
  }
}

// A statistics block of a search that ends at once (no moves at the root,
// no time) or has helper threads: numbers only, no nan, inf or NUL byte.
TEST(Console, StatisticsOfTinySearchesAreNumbers) {
  const char* inputs[] = {
      "fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3\nmt 0\ng\n",
      "mt 0\ng\n",
      "setoption name Threads value 2\nmt 0\ng\ng tt\n",
  };
  for (const char* input : inputs) {
    SCOPED_TRACE(input);
    const std::string out = session(input);
    const std::string search = out.substr(out.find("maxtime=0.00s\n"));
    EXPECT_GE(count(search, "nodes  : "), 1) << search;
    EXPECT_GE(count(search, "tt     : upd="), 1) << search;
    for (const char* bad : {"nan", "inf", "NAN", "INF%"}) EXPECT_EQ(search.find(bad), std::string::npos) << search;
    EXPECT_EQ(search.find('\0'), std::string::npos) << search;
  }
}

TEST(Console, PassingInCheckIsRefused) {
  const std::string out = session("fen 4k3/8/8/8/8/8/4r3/4K3 w - -\n%\nfen\n");
  EXPECT_NE(out.find("cannot pass the move: the side to move is in check\n"), std::string::npos) << out;
  EXPECT_EQ(count(out, "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1\n"), 2) << out;
}

TEST(Console, HelpListsTheCommandsOnOneScreen) {
  const std::string out = session("help\n");
  for (const char* command : {"fen [FEN]", "  %  ", "perft [n]", "divide [n]", "g [tt]", "mt [seconds]", "eval",
                              "bench", "book", "help", "quit"})
    EXPECT_NE(out.find(command), std::string::npos) << command;
  EXPECT_LE(count(out, "\n"), 24) << out;
  for (std::istringstream lines(out); !lines.eof();) {
    std::string line;
    std::getline(lines, line);
    EXPECT_LE(line.size(), 80u) << line;
  }
}

// Times beyond what milliseconds can hold, below zero or no number at all.
TEST(Console, MoveTimeOutOfRange) {
  struct Case {
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {"mt -5\n", "not a time in seconds: '-5'\nmaxtime=5.00s\n"},
      {"mt nan\n", "not a time in seconds: 'nan'\nmaxtime=5.00s\n"},
      {"mt abc\n", "not a time in seconds: 'abc'\nmaxtime=5.00s\n"},
      {"mt 1e30\n", "maxtime=4294967.29s\n"},
      {"mt inf\n", "maxtime=4294967.29s\n"},
      {"mt 4294967.2955\n", "maxtime=4294967.29s\n"},
      {"mt 0\n", "maxtime=0.00s\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    int status = -1;
    const std::string out = session(c.input, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find(c.expected), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace vireo::e2e
