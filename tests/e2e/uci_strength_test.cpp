// Playing strength for people through the real program: the level's report,
// a smaller search at a lower level, legal moves at the weakest level, and
// the full engine back once the limit is off.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "uci/reports.h"
#include "uci_session.h"

namespace vireo::e2e {
namespace {

// One thread and no book: node counts repeat, and every move is searched.
void startQuiet(UciEngine& engine) {
  ASSERT_TRUE(engine.start());
  engine.send("setoption name Threads value 1");
  engine.send("setoption name OwnBook value false");
}

void setLevel(UciEngine& engine, int elo) {
  engine.send("setoption name UCI_LimitStrength value true");
  engine.send("setoption name UCI_Elo value " + std::to_string(elo));
}

// The node count of the last report before the bestmove.
long long finalNodes(const std::string& output) {
  const std::vector<std::string> info = linesStartingWith(output, "info depth");
  return info.empty() ? -1 : field(info.back(), "nodes");
}

// Runs one search to its bestmove and returns everything it wrote.
std::string search(UciEngine& engine, const std::string& position, const std::string& go) {
  engine.process.take();
  engine.send(position);
  engine.send(go);
  EXPECT_TRUE(engine.waitFor("bestmove"));
  EXPECT_TRUE(engine.sync());
  return engine.process.take();
}

// The level is named when a limited search starts, clamped to the range;
// analysis and an unlimited engine say nothing.
TEST(UciStrength, LimitedSearchNamesItsLevel) {
  struct Case {
    const char* setup;  // setoption lines
    const char* go;
    const char* report;  // "": no strength report at all
  };
  const Case cases[] = {
      {"setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 1700", "go depth 3",
       "info string strength limited to Elo 1700\n"},
      {"setoption name UCI_Elo value 50\nsetoption name UCI_LimitStrength value true", "go wtime 1000 btime 1000",
       "info string strength limited to Elo 1200\n"},
      {"setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 9999", "go nodes 5000",
       "info string strength limited to Elo 2100\n"},
      {"setoption name UCI_Elo value 1500", "go depth 3", ""},
      {"setoption name UCI_LimitStrength value true\nsetoption name UCI_LimitStrength value false", "go depth 3", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setup) + " / " + c.go);
    UciEngine engine;
    startQuiet(engine);
    engine.send(c.setup);
    const std::string out = search(engine, "position startpos", c.go);
    EXPECT_TRUE(wellFormedBestmove(linesStartingWith(out, "bestmove").at(0))) << out;
    if (*c.report) {
      EXPECT_NE(out.find(c.report), std::string::npos) << out;
    } else {
      EXPECT_EQ(out.find("strength"), std::string::npos) << out;
    }
    EXPECT_EQ(engine.errorLog().find("Option not supported"), std::string::npos);
    EXPECT_EQ(engine.quit(), 0);
  }

  // "go infinite" is analysis: the full engine, until "stop".
  UciEngine engine;
  startQuiet(engine);
  setLevel(engine, 1200);
  engine.send("position startpos");
  engine.send("go infinite");
  ASSERT_TRUE(engine.waitFor("info depth 7 "));
  engine.send("stop");
  ASSERT_TRUE(engine.waitFor("bestmove"));
  EXPECT_EQ(engine.process.output().find("strength"), std::string::npos);
  EXPECT_EQ(engine.quit(), 0);
}

TEST(UciStrength, LowerLevelSearchesFewerNodes) {
  const char* positions[] = {
      "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5",
      "position fen r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9",
      "position fen 8/5pk1/6p1/3R4/7P/6P1/r4PK1/8 w - - 0 40",
  };
  for (const char* position : positions) {
    SCOPED_TRACE(position);
    long long previous = 0;
    for (int elo : {1200, 1700, 2100}) {
      UciEngine engine;
      startQuiet(engine);
      setLevel(engine, elo);
      const long long nodes = finalNodes(search(engine, position, "go wtime 60000 btime 60000"));
      EXPECT_GT(nodes, previous) << "Elo " << elo;
      previous = nodes;
      EXPECT_EQ(engine.quit(), 0);
    }
  }
}

// Self-play at the weakest level, with every bestmove and ponder move
// checked against the move generator; the positions include checks,
// promotions, a mate in one and a single legal reply.
TEST(UciStrength, WeakestLevelPlaysLegalMoves) {
  initTables();
  initZobrist();
  const char* starts[] = {
      "startpos",
      "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "fen 8/2P3k1/8/8/8/8/5p2/K7 w - - 0 1",
      "fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
      "fen 7k/8/8/8/8/8/6q1/K7 w - - 0 1",
  };
  UciEngine engine;
  startQuiet(engine);
  setLevel(engine, 1200);
  for (const char* start : starts) {
    SCOPED_TRACE(start);
    Board board;
    ASSERT_TRUE(setFen(board, std::string(start) == "startpos"
                                  ? "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
                                  : start + 4));
    std::string moves;
    for (int ply = 0; ply < 24; ++ply) {
      Move legal[MaxMoves];
      const int count = int(generateLegal(board, legal) - legal);
      if (count == 0) break;
      std::set<std::string> texts;
      for (int i = 0; i < count; ++i) texts.insert(moveToUci(board, legal[i]));
      const std::string out = search(engine, std::string("position ") + start + (moves.empty() ? "" : " moves" + moves),
                                     "go wtime 3000 btime 3000 winc 30 binc 30");
      const std::string line = linesStartingWith(out, "bestmove").at(0);
      ASSERT_TRUE(wellFormedBestmove(line)) << line;
      std::istringstream words(line);
      std::string word, best, ponderWord, ponder;
      words >> word >> best >> ponderWord >> ponder;
      ASSERT_EQ(texts.count(best), 1u) << "ply " << ply << ": " << line;
      const Move played = parseMove(board, best.c_str());
      makeMove(board, played);
      updateAttackInfo(board);
      if (!ponder.empty()) {
        Move replies[MaxMoves];
        const int n = int(generateLegal(board, replies) - replies);
        std::set<std::string> replyTexts;
        for (int i = 0; i < n; ++i) replyTexts.insert(moveToUci(board, replies[i]));
        EXPECT_EQ(replyTexts.count(ponder), 1u) << "ply " << ply << ": " << line;
      }
      moves += " " + best;
    }
  }
  EXPECT_EQ(engine.quit(), 0);
}

// A limited search, then the limit off: a fixed-depth search counts the
// same nodes as an engine that was never limited.
TEST(UciStrength, LimitOffRestoresTheFullEngine) {
  const std::string position = "position startpos moves d2d4 g8f6 c2c4 e7e6";
  UciEngine plain;
  startQuiet(plain);
  const std::string expected = search(plain, position, "go depth 9");
  EXPECT_EQ(plain.quit(), 0);

  UciEngine engine;
  startQuiet(engine);
  setLevel(engine, 1400);
  const std::string limited = search(engine, position, "go depth 9");
  EXPECT_LT(finalNodes(limited), finalNodes(expected));
  engine.send("setoption name UCI_LimitStrength value false");
  engine.send("setoption name Clear Hash");
  engine.send("ucinewgame");
  const std::string restored = search(engine, position, "go depth 9");
  EXPECT_EQ(finalNodes(restored), finalNodes(expected)) << restored;
  EXPECT_EQ(linesStartingWith(restored, "bestmove"), linesStartingWith(expected, "bestmove"));
  EXPECT_EQ(restored.find("multipv"), std::string::npos) << restored;
  EXPECT_EQ(engine.quit(), 0);
}

}  // namespace
}  // namespace vireo::e2e
