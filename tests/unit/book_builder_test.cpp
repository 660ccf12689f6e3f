#include "book/book_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "board/tables.h"
#include "board/zobrist.h"
#include "book/book_chooser.h"
#include "book/book_file.h"
#include "support/log.h"

namespace vireo {
namespace {

std::string tempPath(const std::string& name) { return testing::TempDir() + name; }

std::string writeFile(const std::string& name, const std::string& text) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string contents(FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::getc(file)) != EOF;) text += char(c);
  return text;
}

struct ExpectedGame {
  std::string moves;  // joined by spaces
  std::string result;
  std::string error;
};

TEST(PgnReader, Games) {
  struct Case {
    const char* name;
    std::string pgn;
    std::vector<ExpectedGame> games;
  };
  const Case cases[] = {
      {"annotations are dropped",
       "[Event \"a\"]\n[Site \"x \\\"y\\\"\"]\n\n"
       "1. e4 {a (comment} e5 (1... c6 2. d4 (2. Nc3)) 2. Nf3 $1 ; to the end ( {\n"
       "%escaped line\n"
       "Nc6!? ?! 3. 0-0 12...a6 exd6 e.p. 1/2-1/2\n",
       {{"e4 e5 Nf3 Nc6!? O-O a6 exd6", "1/2-1/2", ""}}},
      {"comment over lines, one starting with a bracket",
       "1. e4 {long\n[%clk 0:01:00]} e5 1-0\n",
       {{"e4 e5", "1-0", ""}}},
      {"games without tags, two on a line",
       "1. e4 1-0 1. d4 0-1\n",
       {{"e4", "1-0", ""}, {"d4", "0-1", ""}}},
      {"missing result ends at the next tags",
       "[Event \"a\"]\n1. e4 e5\n\n[Event \"b\"]\n1. d4 *\n",
       {{"e4 e5", "", ""}, {"d4", "*", ""}}},
      {"unterminated comment ends at the next tags",
       "[Event \"a\"]\n1. e4 {open\n\n[Event \"b\"]\n1. d4 1-0\n",
       {{"e4", "", "unterminated comment"}, {"d4", "1-0", ""}}},
      {"unterminated variation at the end",
       "1. e4 (1. d4\n",
       {{"e4", "", "unterminated variation"}}},
      {"unbalanced parenthesis",
       "1. e4 ) e5 1-0\n1. d4 0-1\n",
       {{"e4 e5", "1-0", "unbalanced ')'"}, {"d4", "0-1", ""}}},
      {"malformed tag", "[Event \"a]\n1. e4 1-0\n", {{"e4", "1-0", "malformed tag: [Event \"a]"}}},
      {"a trailing comment is no game", "1. e4 1-0\n{the end}\n\n", {{"e4", "1-0", ""}}},
      {"a zero byte is a move character", std::string("1. e4 \0 e5 1-0\n", 15),
       {{std::string("e4 \0 e5", 7), "1-0", ""}}},
      {"empty input", "", {}},
  };
  FILE* log = setLogStream(nullptr);  // the zero byte is logged
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PgnReader reader;
    ASSERT_TRUE(reader.open(writeFile("reader.pgn", c.pgn).c_str()));
    PgnGame game;
    for (size_t i = 0; i < c.games.size(); ++i) {
      ASSERT_TRUE(reader.next(game)) << i;
      std::string moves;
      for (const std::string& move : game.moves) moves += (moves.empty() ? "" : " ") + move;
      EXPECT_EQ(game.number, i + 1);
      EXPECT_EQ(moves, c.games[i].moves);
      EXPECT_EQ(game.result, c.games[i].result);
      EXPECT_EQ(game.error, c.games[i].error);
    }
    EXPECT_FALSE(reader.next(game));
    EXPECT_FALSE(reader.failed());
  }
  setLogStream(log);

  PgnReader reader;
  ASSERT_TRUE(reader.open(writeFile("tags.pgn", "[Site \"x \\\"y\\\" \\\\\"]\n*\n").c_str()));
  PgnGame game;
  ASSERT_TRUE(reader.next(game));
  ASSERT_NE(game.tag("Site"), nullptr);
  EXPECT_EQ(*game.tag("Site"), "x \"y\" \\");
  EXPECT_EQ(game.tag("Event"), nullptr);
}

class BookBuilderTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    initTables();
    initZobrist();
  }

  // Builds tests/data/book/games.pgn; returns the book path, the summary in
  // summary_ and the two message streams in out_ and err_.
  bool build(const std::string& name, const BookBuildOptions& options,
             const std::string& input = VIREO_TEST_DATA "/book/games.pgn") {
    path_ = tempPath(name);
    std::remove(path_.c_str());
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    const bool ok = buildBook(input.c_str(), path_.c_str(), options, summary_, out, err);
    out_ = contents(out);
    err_ = contents(err);
    std::fclose(out);
    std::fclose(err);
    return ok;
  }

  struct Expected {
    const char* move;
    uint32_t wins, draws, losses;
  };
  void expectCandidates(BookFile& book, const char* fen, const std::vector<Expected>& expected) {
    SCOPED_TRACE(fen);
    ASSERT_EQ(book.probe(fen), int(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
      const BookCandidate& c = book.candidate(int(i));
      EXPECT_EQ(BookChooser::bookMoveText(c), expected[i].move);
      EXPECT_EQ(c.wins, expected[i].wins) << expected[i].move;
      EXPECT_EQ(c.draws, expected[i].draws) << expected[i].move;
      EXPECT_EQ(c.losses, expected[i].losses) << expected[i].move;
    }
  }

  static constexpr const char* Start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  static constexpr const char* AfterE4 =
      "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
  static constexpr const char* AfterE4C5 =
      "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2";

  std::string path_, out_, err_;
  BookBuildSummary summary_;
};

TEST_F(BookBuilderTest, RoundTripThroughTheEngineBook) {
  BookBuildOptions options;
  options.maxPlies = 2;
  ASSERT_TRUE(build("round.bbk", options)) << err_;
  EXPECT_EQ(out_, "games read: 8\ngames skipped: 2\npositions: 4\nrecords: 7\n");
  EXPECT_EQ(err_,
            "game 4 skipped: illegal or ambiguous move 'e5' at ply 1\n"
            "game 6 skipped: no result\n");

  BookFile book;
  ASSERT_TRUE(book.open(path_.c_str()));
  EXPECT_EQ(book.flags(), BookFile::FlagCounts);
  EXPECT_EQ(book.recordSize(), 16);
  EXPECT_EQ(book.recordCount(), 8);  // the header counts as one
  // Counts from the side to move's view; the most played move first.
  expectCandidates(book, Start, {{"e2e4", 2, 1, 1}, {"d2d4", 0, 0, 1}});
  // Game 8 starts here from its FEN tag and adds to the games through 1. e4.
  expectCandidates(book, AfterE4, {{"c7c5", 1, 1, 0}, {"e7e5", 0, 0, 2}, {"e7e6", 1, 0, 0}});
  expectCandidates(book, AfterE4C5, {{"d2d4", 0, 0, 1}});
  // Only two plies per game.
  EXPECT_EQ(book.probe("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2"), 0);

  // With the default criteria only one move is eligible in each position.
  BookChooser chooser(book, 0);
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    chooser.seed(seed);
    BookCandidate chosen;
    ASSERT_TRUE(chooser.chooseMove(Start, chosen));
    EXPECT_EQ(BookChooser::bookMoveText(chosen), "e2e4");
    ASSERT_TRUE(chooser.chooseMove(AfterE4, chosen));
    EXPECT_EQ(BookChooser::bookMoveText(chosen), "c7c5");
  }
}

// FEN tags that would set no sound position skip their game like any bad
// game; a game longer than the engine's history is read to its end.
TEST_F(BookBuilderTest, BadFenTagsAndVeryLongGames) {
  std::string pgn;
  for (const char* fen : {"k7/8/8/8/8/8/8/K1p5 b - b1", "k7/8/8/8/8/8/8/K7 b - b1", "KPr5/8/8/8/8/8/8/7k w - -",
                          "r7/K6kN/8/8/8/8/8/8 w - -"})
    pgn += "[FEN \"" + std::string(fen) + "\"]\n[Result \"1-0\"]\n\n1. Kb2 1-0\n\n";
  pgn += "[Result \"1/2-1/2\"]\n\n";
  for (int move = 1; move <= 600; ++move)
    pgn += std::to_string(move) + (move % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
  pgn += "e4 1/2-1/2\n";
  BookBuildOptions options;
  options.maxPlies = 1201;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(build("long.bbk", options, writeFile("long.pgn", pgn))) << err_;
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(err_,
            "game 1 skipped: bad FEN tag\ngame 2 skipped: bad FEN tag\ngame 3 skipped: bad FEN tag\n"
            "game 4 skipped: bad FEN tag\n");
  // The shuffle's four positions, and the last one with e4 as well.
  EXPECT_EQ(out_, "games read: 5\ngames skipped: 4\npositions: 4\nrecords: 5\n");
}

TEST_F(BookBuilderTest, StrengthValuesFromRatings) {
  BookBuildOptions options;
  options.maxPlies = 2;
  options.strength = true;
  ASSERT_TRUE(build("strength.bbk", options)) << err_;
  BookFile book;
  ASSERT_TRUE(book.open(path_.c_str()));
  EXPECT_EQ(book.flags(), BookFile::FlagCounts | BookFile::FlagStrength);
  EXPECT_EQ(book.recordSize(), 18);
  // e2e4: 2470 and 2400 give 2 + 1, written as E = 2511.
  ASSERT_EQ(book.probe(Start), 2);
  EXPECT_NEAR(book.candidate(0).weight, std::exp2(111 / 70.0), 1e-5);
  EXPECT_EQ(book.candidate(1).weight, 0.0f);  // no ratings
  expectCandidates(book, AfterE4, {{"c7c5", 1, 1, 0}, {"e7e5", 0, 0, 2}, {"e7e6", 1, 0, 0}});
  EXPECT_NEAR(book.candidate(0).weight, 4.0, 1e-5);  // 2540
  EXPECT_NEAR(book.candidate(1).weight, 1.0, 1e-5);  // 2400

  // Both moves are below the default minimum strength of 2700.
  BookChooser chooser(book, 1);
  BookCandidate chosen;
  EXPECT_FALSE(chooser.chooseMove(Start, chosen));
}

TEST_F(BookBuilderTest, MinimumGamesDropsRarePairs) {
  BookBuildOptions options;
  options.maxPlies = 2;
  options.minGames = 2;
  ASSERT_TRUE(build("mingames.bbk", options)) << err_;
  EXPECT_EQ(summary_.positions, 2u);
  EXPECT_EQ(summary_.records, 3u);
  BookFile book;
  ASSERT_TRUE(book.open(path_.c_str()));
  expectCandidates(book, Start, {{"e2e4", 2, 1, 1}});
}

TEST_F(BookBuilderTest, RefusesWithoutLeavingAFile) {
  BookBuildOptions options;
  EXPECT_FALSE(build("never.bbk", options, tempPath("missing.pgn")));
  EXPECT_EQ(err_, "cannot read " + tempPath("missing.pgn") + "\n");
  EXPECT_FALSE(exists(path_));

  EXPECT_FALSE(build("never.bbk", options, testing::TempDir()));  // a directory
  EXPECT_FALSE(exists(path_));

  EXPECT_FALSE(build("no-such-dir/book.bbk", options));
  EXPECT_EQ(err_, "cannot write " + path_ + "\n");
  EXPECT_FALSE(exists(path_ + ".partial"));

  // The output is a directory: everything is read, then the rename fails.
  const std::string dir = tempPath("book-dir.bbk");
  mkdir(dir.c_str(), 0700);
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  EXPECT_FALSE(
      buildBook(VIREO_TEST_DATA "/book/games.pgn", dir.c_str(), options, summary_, out, err));
  EXPECT_EQ(contents(out), "");
  EXPECT_NE(contents(err).find("cannot write " + dir + "\n"), std::string::npos);
  EXPECT_FALSE(exists(dir + ".partial"));
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace vireo
