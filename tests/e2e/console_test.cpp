// The console shell as a person at a terminal uses it.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine_process.h"

namespace vireo::e2e {
namespace {

constexpr const char* FileLine = "     a   b   c   d   e   f   g   h\n";

// Runs a whole console session and returns everything the engine printed
// from the first prompt on.
std::string session(const std::string& input, int* status = nullptr) {
  EngineProcess engine;
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
  // The long line is read in two pieces, each refused as a move.
  EXPECT_EQ(count(out, "not a move: 'aaaa"), 2);
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

}  // namespace
}  // namespace vireo::e2e
