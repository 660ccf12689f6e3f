// Start-up with a configuration file and an opening book, the console's
// "book" command, book moves at "go", and the UCI commands typed at the
// console, where their log lines and the board show.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "support/build_info.h"
#include "uci_session.h"

namespace vireo::e2e {
namespace {

// Builds the test book from the fixture games with the engine's own book
// tool; returns its record count as the engine reports it, or -1.
long long buildBook(const TempDir& dir, const std::string& name) {
  const std::string tool = std::filesystem::path(VIREO_BINARY).parent_path().string() + "/tools/vireo-book";
  const std::string command = "'" + tool + "' '" + VIREO_TEST_DATA + "/book/games.pgn' '" + dir.file(name) +
                              "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return -1;
  return (long long)std::filesystem::file_size(dir.file(name)) / 16;
}

std::string startupTail() {
  const int threads = int(std::clamp(sysconf(_SC_NPROCESSORS_ONLN), 1L, 16L));
  return "allocating hash...allocated 32Mb\nstarting threads...started " + std::to_string(threads) +
         " threads\n\ninitialized\ntype help for commands, uci for protocol mode\n% ";
}

TEST(UciConsole, StartupLines) {
  struct Case {
    const char* name;
    const char* ini;  // written to conf/my.ini, or nullptr for none
    bool iniAsArgument;
    const char* expected;  // between the banner and the hash line; %S = path
  };
  const Case cases[] = {
      {"book from the default file name", "book.file=test.bbk\n# comment\nbook.play.mingames = 1\n", false,
       "inifile=vireo.ini\n\nbook=test.bbk, %N moves\nbook.file=test.bbk\nbook.play.mingames=1\n"},
      {"file named on the command line", "book.file=missing.bbk\n", true,
       "inifile=%S\n\nWarning: book not found: missing.bbk\n"},
      {"no configuration", nullptr, false, "\nWarning: book not found: vireo.bbk\n"},
      {"empty book name", "book.file=   \n", false, "inifile=vireo.ini\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const long long records = buildBook(dir, "test.bbk");
    ASSERT_GT(records, 0);
    std::vector<std::string> args;
    if (c.ini && c.iniAsArgument) {
      std::filesystem::create_directory(dir.file("conf"));
      dir.write("conf/my.ini", c.ini);
      args.push_back(dir.file("conf/my.ini"));
    } else if (c.ini) {
      dir.write("vireo.ini", c.ini);
    }
    EngineProcess engine(dir.path(), args);
    engine.closeInput();
    EXPECT_EQ(engine.waitForExit(), 0);
    std::string expected = c.expected;
    if (size_t at = expected.find("%S"); at != std::string::npos) expected.replace(at, 2, dir.file("conf/my.ini"));
    if (size_t at = expected.find("%N"); at != std::string::npos) expected.replace(at, 2, std::to_string(records));
    EXPECT_EQ(engine.output(),
              std::string("vireo-1.0\nby Tavrel, revision ") + buildRevision() + "\n\n" + expected + startupTail());
  }
}

TEST(UciConsole, BookTableAndBookMoves) {
  TempDir dir;
  ASSERT_GT(buildBook(dir, "vireo.bbk"), 0);
  EngineProcess engine(dir.path());
  engine.sendLine("book");
  engine.sendLine("e4");
  engine.sendLine("book");
  engine.sendLine("fen 8/8/8/8/8/8/8/K6k w - -");
  engine.sendLine("book");
  engine.closeInput();
  ASSERT_EQ(engine.waitForExit(), 0);
  const std::string out = engine.output();
  const std::string header =
      "\n pick   move    elo    games  score    +/-   drw%   win%   elo%  game%  score%  combi%\n" +
      std::string(87, '-') + "\n";
  EXPECT_NE(out.find("% criteria: maxply=0, mingames=2, mingamepct=10, minelo=2700, maxelodelta=200, "
                     "minscorew=50, minscoreb=40, maxscoredelta=5\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(header + "100.0%  e2e4 "), std::string::npos) << out;
  EXPECT_NE(out.find(header + "100.0%  c7c5 "), std::string::npos) << out;
  EXPECT_NE(out.find("% position not in book\n"), std::string::npos) << out;

  // At "go" the book answers at once, without a search, unless it is off
  // or the engine ponders.
  long long records = 0;
  UciEngine gui([&](const TempDir& d) { records = buildBook(d, "vireo.bbk"); });
  ASSERT_GT(records, 0);
  ASSERT_TRUE(gui.start());
  struct Step {
    std::vector<std::string> commands;
    bool bookMove;
  };
  const Step steps[] = {
      {{"ucinewgame", "position startpos", "go wtime 60000 btime 60000"}, true},
      {{"setoption name OwnBook value false", "position startpos", "go depth 2"}, false},
      {{"setoption name OwnBook value TRUE", "position startpos", "go ponder", "stop"}, false},
      // Analysis and mate searches want the engine's own lines.
      {{"position startpos", "go infinite", "wait info depth 2", "stop"}, false},
      {{"position startpos", "go mate 2", "wait info depth 2", "stop"}, false},
      // The book knows standard chess only.
      {{"setoption name UCI_Chess960 value true", "position startpos", "go depth 2"}, false},
      {{"setoption name UCI_Chess960 value false", "position startpos moves e2e4", "go depth 2"}, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.commands.back());
    gui.process.take();
    for (const std::string& command : step.commands) {
      if (command.rfind("wait ", 0) == 0)
        ASSERT_TRUE(gui.waitFor(command.substr(5)));
      else
        gui.send(command);
    }
    ASSERT_TRUE(gui.waitFor("bestmove"));
    ASSERT_TRUE(gui.sync());
    const std::string reply = gui.process.output();
    if (step.bookMove) {
      EXPECT_TRUE(reply == "bestmove e2e4\nreadyok\n" || reply == "bestmove c7c5\nreadyok\n") << reply;
    } else {
      EXPECT_EQ(reply.rfind("info ", 0), 0u) << reply;
    }
  }
  EXPECT_EQ(gui.quit(), 0);
}

// The UCI commands typed at the console: their log lines are on standard
// output, their warnings on standard error, and "position" shows the board.
TEST(UciConsole, UciCommandsAtTheConsole) {
  std::string longGame = "position startpos moves";
  for (int i = 0; i < 500; ++i) longGame += " g1f3 g8f6 f3g1 f6g8";
  struct Case {
    std::vector<std::string> lines;
    const char* output;  // a piece of standard output after the prompt
    const char* errors;  // a piece of standard error, or ""
    const char* absent = nullptr;  // a piece that must not be in the output
  };
  const Case cases[] = {
      {{"isready"}, "% readyok\n", ""},
      {{"setoption name MultiPV value 2"}, "% multipv=2\n% ", ""},
      {{"setoption name Hash value 100", "setoption name Clear Hash"}, "% resizing hash to 100Mb\n% ", ""},
      {{"setoption name Clear Hash"}, ":tt cleared\n", ""},
      {{"setoption name Clear value Hash"}, ":tt cleared\n", ""},
      {{"setoption name Move Overhead value 50"}, "% moveoverhead=50\n", ""},
      {{"setoption name move overhead value 99999"}, "% moveoverhead=5000\n", ""},
      {{"setoption Threads value 1"}, "% setting cpus=1\n% ", ""},
      {{"position startpos", "position startpos"}, "% uci: 2x position?\n", ""},
      {{"position startpos moves e2e4 xx e7e5"}, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\n",
       "WARNING invalid move from GUI: xx\n", "4p3"},
      {{"position startpos moves e2e4 .e7e5 e7e5"}, "SKIP continuation move: .e7e5\n", ""},
      {{"position fen 8/8/8/8/8/8/8/K6k w - -"}, "8/8/8/8/8/8/8/K6k w - - 0 1\n", ""},
      // A refused FEN keeps the position, moves and all.
      {{"position startpos moves d2d4", "position fen 8/8/8 w - - moves e7e5"},
       "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1\n", "fen: not exactly 1 king",
       "8/8/8/8/8/8/8/8"},
      {{longGame}, "RNBQKBNR w KQkq - 2000 1001\n", ""},
      // Shell commands stop a search started by "go" before they touch
      // the position; the end of input stops one too.
      {{"go infinite", "e4", "divide 1"}, "total            20\n", ""},
      {{"go infinite"}, "% ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.front());
    TempDir dir;
    EngineProcess engine(dir.path());
    for (const std::string& line : c.lines) engine.sendLine(line);
    engine.closeInput();
    ASSERT_EQ(engine.waitForExit(), 0);
    const std::string out = engine.output().substr(engine.output().find("% "));
    EXPECT_NE(out.find(c.output), std::string::npos) << out;
    EXPECT_NE(engine.errors().find(c.errors), std::string::npos) << engine.errors();
    if (c.absent) {
      EXPECT_EQ(out.find(c.absent), std::string::npos) << out;
    }
  }
}

}  // namespace
}  // namespace vireo::e2e
