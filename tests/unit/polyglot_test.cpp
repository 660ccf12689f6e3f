// Polyglot books: the published keys, move words, reading and checking the
// file, telling it from the engine's own books, the choice of a move, and
// writing a book from games.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "book/book_builder.h"
#include "book/book_chooser.h"
#include "book/book_file.h"
#include "book/opening_book.h"
#include "book/polyglot_book.h"
#include "book/polyglot_keys.h"
#include "board_test_util.h"

namespace vireo {
namespace {

using testing_util::boardFromFen;
using testing_util::legalMoves;

constexpr const char* StartPosition = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The start position after coordinate moves.
std::unique_ptr<Board> afterMoves(const std::vector<const char*>& moves) {
  auto board = boardFromFen(StartPosition);
  for (const char* text : moves) {
    const Move move = parseMove(*board, text);
    if (!move) return nullptr;
    makeMove(*board, move);
    updateAttackInfo(*board);
  }
  return board;
}

std::string tempPath(const std::string& name) { return testing::TempDir() + "vireo-polyglot-" + name; }

std::string writeFile(const std::string& name, const std::string& bytes) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

struct Entry {
  uint64_t key;
  uint16_t move;
  uint16_t weight;
  uint32_t learn = 0;
};

std::string entryBytes(const std::vector<Entry>& entries) {
  std::string out;
  auto put = [&](uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += char(value >> (8 * i) & 0xFF);
  };
  for (const Entry& e : entries) {
    put(e.key, 8);
    put(e.move, 2);
    put(e.weight, 2);
    put(e.learn, 4);
  }
  return out;
}

// "e2e4" or "e7e8q" as a move word.
uint16_t word(const char* text) {
  const int from = (text[0] - 'a') + 8 * (text[1] - '1'), to = (text[2] - 'a') + 8 * (text[3] - '1');
  const char* promotions = "nbrq";
  int promotion = 0;
  if (text[4])
    for (int i = 0; i < 4; ++i)
      if (promotions[i] == text[4]) promotion = i + 1;
  return uint16_t(to | from << 6 | promotion << 12);
}

uint64_t keyOf(const char* fen) { return polyglotKey(*boardFromFen(fen)); }

// The published test positions of the format, each reached both from its
// FEN and by playing its moves.
TEST(PolyglotKeys, PublishedExamples) {
  struct Case {
    std::vector<const char*> moves;
    const char* fen;
    uint64_t key;
  };
  const Case cases[] = {
      {{}, StartPosition, 0x463b96181691fc9cULL},
      // The FEN names e3, but no black pawn can take: the key has no en passant.
      {{"e2e4"}, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 0x823c9b50fd114196ULL},
      {{"e2e4", "d7d5"}, "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2", 0x0756b94461c50fb0ULL},
      {{"e2e4", "d7d5", "e4e5"}, "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2",
       0x662fafb965db29d4ULL},
      // Here the pawn on e5 can take on f6.
      {{"e2e4", "d7d5", "e4e5", "f7f5"}, "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
       0x22a48b5a8e47ff78ULL},
      {{"e2e4", "d7d5", "e4e5", "f7f5", "e1e2"}, "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR b kq - 0 3",
       0x652a607ca3f242c1ULL},
      {{"e2e4", "d7d5", "e4e5", "f7f5", "e1e2", "e8f7"},
       "rnbq1bnr/ppp1pkpp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR w - - 0 4", 0x00fdd303c946bdd9ULL},
      {{"a2a4", "b7b5", "h2h4", "b5b4", "c2c4"}, "rnbqkbnr/p1pppppp/8/8/PpP4P/8/1P1PPPP1/RNBQKBNR b KQkq c3 0 3",
       0x3c8123ea7b067637ULL},
      {{"a2a4", "b7b5", "h2h4", "b5b4", "c2c4", "b4c3", "a1a3"},
       "rnbqkbnr/p1pppppp/8/8/P6P/R1p5/1P1PPPP1/1NBQKBNR b Kkq - 0 4", 0x5c3f9b829b279560ULL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    const auto fromFen = boardFromFen(c.fen);
    ASSERT_NE(fromFen, nullptr);
    EXPECT_EQ(polyglotKey(*fromFen), c.key);
    const auto played = afterMoves(c.moves);
    ASSERT_NE(played, nullptr);
    EXPECT_EQ(polyglotKey(*played), c.key);
  }
  // An en-passant square that a pinned pawn could not use still counts.
  EXPECT_NE(keyOf("4k3/8/8/2KPp2r/8/8/8/8 w - e6 0 2"), keyOf("4k3/8/8/2KPp2r/8/8/8/8 w - - 0 2"));
}

TEST(PolyglotKeys, MoveWords) {
  struct Case {
    const char* fen;
    const char* move;  // the engine's coordinate text
    const char* word;  // the format's
  };
  const Case cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", "e1h1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", "e1a1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8g8", "e8h8"},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", "e8a8"},
      {"1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8n", "a7b8n"},
      {"1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", "a7a8q"},
      {"4k3/8/8/8/8/8/p7/4K3 b - - 0 1", "a2a1r", "a2a1r"},
      {StartPosition, "g1f3", "g1f3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fen) + " " + c.move);
    auto board = boardFromFen(c.fen);
    const Move move = parseMove(*board, c.move);
    ASSERT_NE(move, NoMove);
    EXPECT_EQ(polyglotMove(move), word(c.word));
    EXPECT_EQ(moveFromPolyglot(*board, word(c.word)), move);
    char text[6];
    polyglotMoveText(word(c.word), text);
    EXPECT_STREQ(text, c.word);
  }
  // Castling written as the king's own step is understood as well; a word
  // that is no legal move here is none.
  auto board = boardFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  EXPECT_EQ(moveFromPolyglot(*board, word("e1g1")), parseMove(*board, "e1g1"));
  EXPECT_EQ(moveFromPolyglot(*board, word("e1e3")), NoMove);
  EXPECT_EQ(moveFromPolyglot(*board, 0), NoMove);
  // Every legal move survives the word and back, in a position with
  // castling, en passant and promotions.
  board = boardFromFen("r3k2r/1P6/8/3pP3/8/8/6p1/R3K2R w KQkq d6 0 1");
  for (const Move move : legalMoves(*board)) EXPECT_EQ(moveFromPolyglot(*board, polyglotMove(move)), move);
}

TEST(PolyglotBook, BinarySearchAndMergedEntries) {
  const uint64_t start = keyOf(StartPosition);
  std::vector<Entry> entries = {
      {0, 0x4050, 0x4740},  // a header's text in an entry of key 0
      {1, word("a2a3"), 5},
      {start, word("e2e4"), 30},
      {start, word("d2d4"), 20},
      {start, 0, 99},  // the format's entry to be ignored
      {start, word("e2e4"), 7},
      {~0ULL, word("h2h3"), 1},
  };
  const std::string path = writeFile("search.bin", entryBytes(entries));
  PolyglotBook book;
  std::string reason;
  ASSERT_TRUE(book.open(path.c_str(), reason)) << reason;
  EXPECT_EQ(book.entryCount(), 7);

  const std::vector<PolyglotEntry> found = book.probe(start);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].move, word("e2e4"));
  EXPECT_EQ(found[0].weight, 37u);
  EXPECT_EQ(found[1].move, word("d2d4"));
  EXPECT_EQ(found[1].weight, 20u);
  // The first and last keys of the file, and keys between or beyond.
  EXPECT_EQ(book.probe(1).size(), 1u);
  EXPECT_EQ(book.probe(~0ULL).size(), 1u);
  EXPECT_TRUE(book.probe(2).empty());
  EXPECT_TRUE(book.probe(start + 1).empty());
  EXPECT_TRUE(book.probe(0).empty());
}

// Files that are no sound Polyglot book are refused with the reason, never
// read at random; a file named .bin is taken for a Polyglot book only.
TEST(PolyglotBook, BadBooksAreRefusedWithTheReason) {
  const uint64_t start = keyOf(StartPosition);
  const std::string sound = entryBytes({{start, word("e2e4"), 3}, {start + 1, word("d2d4"), 1}});
  std::string noise;
  Sfmt rng(7);
  for (int i = 0; i < 64 * 16; ++i) noise += char(rng.next32());
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"empty", "", "the file is empty"},
      {"truncated", sound.substr(0, 24), "its 24 bytes are no whole number of 16-byte entries"},
      {"unsorted", entryBytes({{start + 1, word("d2d4"), 1}, {start, word("e2e4"), 3}}),
       "its entries are not sorted by key (entry 2)"},
      {"no move", entryBytes({{start, 0xF000, 3}}), "entry 1 holds no move (f000)"},
      {"random bytes", noise, ""},  // unsorted or no move, by chance
  };
  BookFile own;
  BookChooser chooser(own, 1);
  OpeningBook book(own, chooser, 1);
  auto board = boardFromFen(StartPosition);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = writeFile("bad.bin", c.bytes);
    PolyglotBook polyglot;
    std::string reason;
    EXPECT_FALSE(polyglot.open(path.c_str(), reason));
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    EXPECT_FALSE(reason.empty());

    const BookOpening opening = book.open(path);
    EXPECT_EQ(opening.status, BookOpening::Unusable);
    EXPECT_EQ(opening.describe(), "book " + path + " not used: " + reason + "; playing without a book");
    EXPECT_EQ(book.kind(), BookKind::None);
    EXPECT_FALSE(book.probe(*board).found);
  }
  const BookOpening directory = book.open(testing::TempDir());
  EXPECT_EQ(directory.status, BookOpening::Unusable);
  EXPECT_EQ(directory.reason, "it cannot be read");
  EXPECT_EQ(book.open(tempPath("missing.bin")).status, BookOpening::NotFound);
  EXPECT_EQ(book.open("").status, BookOpening::NoBook);
}

// The content decides the kind; the name only where the records read
// sensibly both ways.
TEST(OpeningBook, TellsTheKindsApart) {
  const uint64_t start = keyOf(StartPosition);
  // The engine's own records: key, from byte, to byte (rank << 4 | file),
  // then wins, draws, losses.
  auto own = [](uint64_t key, int from, int to) {
    std::string r;
    for (int i = 7; i >= 0; --i) r += char(key >> (8 * i) & 0xFF);
    r += char(from);
    r += char(to);
    r += std::string("\0\1\0\0\0\0", 6);
    return r;
  };
  const std::string ownHeader = std::string(8, '\0') + std::string("BBK\0\x10\0\x10\x02", 8);
  const std::string e2e4 = own(1, 0x14, 0x34), e7e5 = own(2, 0x64, 0x44);
  // b1c3 reads as a move in both formats.
  const std::string both = entryBytes({{start, word("b1c3"), 1}});
  struct Case {
    const char* name;
    std::string bytes;
    BookKind kind;
  };
  const Case cases[] = {
      {"own.bbk", ownHeader + e2e4, BookKind::Own},
      {"headerless", e2e4 + e7e5, BookKind::Own},
      {"polyglot.dat", entryBytes({{start, word("e2e4"), 1}}), BookKind::Polyglot},
      {"header.bin", entryBytes({{0, 0x4050, 0x4740}, {start, word("e2e4"), 1}}), BookKind::Polyglot},
      {"either.bbk", both, BookKind::Own},
      {"either.bin", both, BookKind::Polyglot},
      {"either", both, BookKind::Polyglot},
  };
  BookFile ownBook;
  BookChooser chooser(ownBook, 1);
  OpeningBook book(ownBook, chooser, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BookOpening opening = book.open(writeFile(c.name, c.bytes));
    EXPECT_EQ(opening.status, BookOpening::Opened);
    EXPECT_EQ(book.kind(), c.kind);
    EXPECT_EQ(opening.moves, int64_t(c.bytes.size() / 16));
  }
}

TEST(OpeningBook, WeightedChoiceOfLegalMoves) {
  const uint64_t start = keyOf(StartPosition);
  const std::string path = writeFile("choice.bin", entryBytes({
                                                       {start, word("e2e4"), 300},
                                                       {start, word("e2e5"), 5000},  // not legal
                                                       {start, word("d2d4"), 100},
                                                       {start, word("g1f3"), 0},  // never played
                                                   }));
  BookFile own;
  BookChooser chooser(own, 1);
  OpeningBook book(own, chooser, 12345);
  ASSERT_EQ(book.open(path).status, BookOpening::Opened);
  auto board = boardFromFen(StartPosition);

  auto tally = [&](int draws) {
    std::map<std::string, int> seen;
    for (int i = 0; i < draws; ++i) {
      const BookProbe probe = book.probe(*board);
      char text[6];
      polyglotMoveText(polyglotMove(probe.move), text);
      seen[probe.move ? text : "none"]++;
    }
    return seen;
  };
  std::map<std::string, int> seen = tally(4000);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_NEAR(seen["e2e4"], 3000, 150);
  EXPECT_NEAR(seen["d2d4"], 1000, 150);

  chooser.criteria().random = 0;  // always the heaviest
  seen = tally(200);
  EXPECT_EQ(seen["e2e4"], 200);
  chooser.criteria().random = 0.5;
  seen = tally(4000);
  EXPECT_NEAR(seen["d2d4"], 500, 100);

  // book.play.maxply counts the plies played, here 4 back to the start.
  const auto again = afterMoves({"g1f3", "g8f6", "f3g1", "f6g8"});
  chooser.criteria().maxPly = 5;
  EXPECT_TRUE(book.probe(*again).found);
  chooser.criteria().maxPly = 4;
  EXPECT_FALSE(book.probe(*again).found);

  // The console's table: SAN, weights and shares; the illegal entry is named.
  std::FILE* out = std::tmpfile();
  book.printTable(*board, out);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += char(c);
  std::fclose(out);
  EXPECT_NE(text.find("\n e4            300   75.0%\n d4            100   25.0%\n Nf3             0    0.0%\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" e2e5     not a legal move here"), std::string::npos) << text;

  auto other = boardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  out = std::tmpfile();
  book.printTable(*other, out);
  std::rewind(out);
  char line[64] = {};
  EXPECT_NE(std::fgets(line, sizeof line, out), nullptr);
  std::fclose(out);
  EXPECT_STREQ(line, "position not in book\n");
}

class PolyglotBuilderTest : public testing::Test {
 protected:
  // The book of the games, read back as key -> (move word -> weight).
  std::map<uint64_t, std::map<uint16_t, uint32_t>> build(const std::vector<PgnGame>& games, int minGames = 1) {
    BookBuildOptions options;
    options.format = BookFormat::Polyglot;
    options.minGames = minGames;
    BookBuilder builder(options);
    std::string reason;
    // Games without a result are refused; the rest must count.
    for (const PgnGame& game : games) EXPECT_EQ(builder.addGame(game, reason), game.result != "*") << reason;
    const std::string path = tempPath("built.bin");
    BookBuildSummary summary;
    EXPECT_TRUE(builder.write(path.c_str(), summary, reason)) << reason;
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));

    std::map<uint64_t, std::map<uint16_t, uint32_t>> book;
    std::ifstream in(path, std::ios::binary);
    uint64_t previous = 0;
    for (unsigned char bytes[16]; in.read(reinterpret_cast<char*>(bytes), 16);) {
      uint64_t key = 0;
      for (int i = 0; i < 8; ++i) key = key << 8 | bytes[i];
      EXPECT_GE(key, previous);
      previous = key;
      book[key][uint16_t(bytes[8] << 8 | bytes[9])] = uint32_t(bytes[10] << 8 | bytes[11]);
    }
    EXPECT_EQ(summary.positions, book.size());
    return book;
  }

  static PgnGame game(const std::vector<std::string>& moves, const char* result) {
    PgnGame g;
    g.moves = moves;
    g.result = result;
    return g;
  }
};

// Weights count 2 per win and 1 per draw of the side that moved; a move
// that never scored is left out; castling and promotion in the format's
// words; the game filters as for the engine's own books.
TEST_F(PolyglotBuilderTest, WeightsFromResults) {
  const auto book = build({
      game({"e4", "e5", "Nf3", "Nc6"}, "1-0"),
      game({"e4", "e5", "Nf3", "Nf6"}, "1/2-1/2"),
      game({"e4", "c5"}, "0-1"),
      game({"d4", "d5"}, "*"),  // no result: skipped by the filters below
  });
  const uint64_t start = keyOf(StartPosition);
  ASSERT_EQ(book.count(start), 1u);
  EXPECT_EQ(book.at(start), (std::map<uint16_t, uint32_t>{{word("e2e4"), 3}}));
  const uint64_t afterE4 = polyglotKey(*afterMoves({"e2e4"}));
  EXPECT_EQ(book.at(afterE4), (std::map<uint16_t, uint32_t>{{word("e7e5"), 1}, {word("c7c5"), 2}}));
  const uint64_t afterNf3 = polyglotKey(*afterMoves({"e2e4", "e7e5", "g1f3"}));
  EXPECT_EQ(book.at(afterNf3), (std::map<uint16_t, uint32_t>{{word("g8f6"), 1}}));

  const auto special = build({game({"e4", "e5", "Nf3", "Nc6", "Bc4", "Nf6", "O-O"}, "1-0"),
                              game({"e4", "f5", "exf5", "g6", "fxg6", "Nf6", "gxh7", "Ng8", "hxg8=N"}, "1-0")});
  EXPECT_EQ(special.at(polyglotKey(*afterMoves({"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6"}))).count(word("e1h1")),
            1u);
  EXPECT_EQ(special
                .at(polyglotKey(
                    *afterMoves({"e2e4", "f7f5", "e4f5", "g7g6", "f5g6", "g8f6", "g6h7", "f6g8"})))
                .count(word("h7g8n")),
            1u);
}

// When a move reaches 16384 games all moves of its position are halved,
// rounding up, as `polyglot make-book` does; game counts are halved too.
TEST_F(PolyglotBuilderTest, LargeCountsAreHalvedPerPosition) {
  std::vector<PgnGame> games(10, game({"d4", "d5"}, "1/2-1/2"));
  games.insert(games.end(), 3, game({"c4"}, "1-0"));
  games.insert(games.end(), 16384, game({"e4"}, "1/2-1/2"));
  const auto book = build(games);
  const uint64_t start = keyOf(StartPosition);
  EXPECT_EQ(book.at(start),
            (std::map<uint16_t, uint32_t>{{word("e2e4"), 8192}, {word("d2d4"), 5}, {word("c2c4"), 3}}));
  // Another position keeps its counts.
  EXPECT_EQ(book.at(polyglotKey(*afterMoves({"d2d4"}))), (std::map<uint16_t, uint32_t>{{word("d7d5"), 10}}));
  // c4's 3 games became 2, d4's 10 became 5.
  EXPECT_EQ(build(games, 3).at(start), (std::map<uint16_t, uint32_t>{{word("e2e4"), 8192}, {word("d2d4"), 5}}));
}

}  // namespace
}  // namespace vireo
