#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "book/book_chooser.h"
#include "book/book_file.h"
#include "book/book_keys.h"
#include "support/ini.h"

namespace vireo {
namespace {

constexpr const char* StartPosition = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// A record as the book format lays it out; the test writes the bytes itself.
struct Rec {
  uint64_t key;
  const char* move;  // "e2e4"
  uint16_t wins, draws, losses;
  uint16_t strength = 0;
  bool fromFlag = false;  // bit 7 of the from byte
};

uint8_t squareByte(const char* s) { return uint8_t((s[0] - 'a') | (s[1] - '1') << 4); }

void putBig(std::string& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += char(value >> (8 * i) & 0xFF);
}

std::string recordBytes(const std::vector<Rec>& records, int recordSize, int flags) {
  std::string out;
  for (const Rec& r : records) {
    const size_t start = out.size();
    putBig(out, r.key, 8);
    out += char(squareByte(r.move) | (r.fromFlag ? 0x80 : 0));
    out += char(squareByte(r.move + 2));
    if (flags & 2) {
      putBig(out, r.wins, 2);
      putBig(out, r.draws, 2);
      putBig(out, r.losses, 2);
    }
    if (flags & 4) putBig(out, r.strength, 2);
    out.resize(start + size_t(recordSize), '\0');
  }
  return out;
}

std::string headerBytes(int headerSize, int recordSize, int flags) {
  std::string out(8, '\0');
  out += std::string("BBK\0", 4);
  out += char(headerSize);
  out += '\0';
  out += char(recordSize);
  out += char(flags);
  out.resize(std::max(16, headerSize), '\0');
  return out;
}

std::string writeFile(const std::string& name, const std::string& bytes) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string writeBook(const std::string& name, const std::vector<Rec>& records,
                      bool strength = false) {
  const int size = strength ? 18 : 16, flags = strength ? 6 : 2;
  return writeFile(name, headerBytes(16, size, flags) + recordBytes(records, size, flags));
}

uint64_t keyOf(const char* fen) {
  uint64_t key = 0;
  bool black;
  int ply;
  EXPECT_TRUE(bookKey(fen, key, black, ply)) << fen;
  return key;
}

TEST(BookKeys, TellingEntriesAndUniqueness) {
  EXPECT_EQ(BookKeys[0], 0x5719555B81E14BA2ULL);
  EXPECT_EQ(BookKeys[7], 0xAE1AA273740CCB09ULL);
  EXPECT_EQ(BookKeys[148], 0x94518E3ECF97811EULL);
  EXPECT_EQ(BookKeys[388], 0x58A813FDB4BD3F0AULL);
  EXPECT_EQ(BookKeys[508], 0x083A036CCDF9E2E9ULL);
  std::set<uint64_t> seen(BookCastleKeys, BookCastleKeys + 4);
  for (uint64_t key : BookKeys) {
    EXPECT_NE(key, 0u);
    EXPECT_TRUE(seen.insert(key).second) << std::hex << key;
  }
}

TEST(BookKeys, KeyOfFenText) {
  // White pawn e2 and both kings on their start squares: exactly the three
  // telling entries.
  EXPECT_EQ(keyOf("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"),
            BookKeys[148] ^ BookKeys[388] ^ BookKeys[508]);

  const uint64_t start = keyOf(StartPosition);
  EXPECT_EQ(keyOf("rnbqkbnr/pppppppp/////PPPPPPPP/RNBQKBNR w KQkq - -"), start);
  EXPECT_EQ(keyOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), start ^ 1);
  EXPECT_EQ(keyOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Qkq - 0 1"),
            start ^ BookCastleKeys[0]);
  EXPECT_EQ(keyOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1"),
            start ^ BookCastleKeys[0] ^ BookCastleKeys[1] ^ BookCastleKeys[2] ^ BookCastleKeys[3]);
  // An en-passant square counts even when no pawn can take.
  EXPECT_EQ(keyOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e3 0 1"),
            start ^ BookKeys[4]);

  struct PlyCase {
    const char* fen;
    bool black;
    int ply;
  };
  const PlyCase plies[] = {
      {"8/8/8/8/8/8/8/K6k w - - 0 10", false, 18}, {"8/8/8/8/8/8/8/K6k b - - 0 10", true, 19},
      {"8/8/8/8/8/8/8/K6k w - - 0 1", false, 0},   {"8/8/8/8/8/8/8/K6k w - -", false, -2},
      {"8/8/8/8/8/8/8/K6k b - - 0 0", true, -1},   {"8/8/8/8/8/8/8/K6k b - - 3 07", true, -1},
  };
  for (const PlyCase& c : plies) {
    uint64_t key;
    bool black;
    int ply;
    ASSERT_TRUE(bookKey(c.fen, key, black, ply)) << c.fen;
    EXPECT_EQ(black, c.black) << c.fen;
    EXPECT_EQ(ply, c.ply) << c.fen;
  }
}

TEST(BookKeys, PlacementOffTheBoardIsRefused) {
  struct Case {
    const char* fen;
    const char* message;
  };
  const Case cases[] = {
      {"ppppppppp/8 w", "illegal fen, x=9>8: p/8 w\n"},
      {"44p/8 w", "illegal fen, x=9>8: p/8 w\n"},
      {"8/8/8/8/8/8/8/8/k w", "illegal fen, y=-1<0: k w\n"},
      {"88/8 w", "illegal fen, x=16>8: /8 w\n"},
  };
  for (const Case& c : cases) {
    uint64_t key;
    bool black;
    int ply;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(bookKey(c.fen, key, black, ply)) << c.fen;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
  }
  uint64_t key;
  bool black;
  int ply;
  EXPECT_FALSE(bookKey(nullptr, key, black, ply));
  // Characters that are no pieces are passed over, as is a trailing "/".
  EXPECT_TRUE(bookKey("xyz/", key, black, ply));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(bookKey(std::string(100000, '/').c_str(), key, black, ply));
  EXPECT_EQ(testing::internal::GetCapturedStderr().substr(0, 22), "illegal fen, y=-1<0: /");
}

TEST(BookFile, HeaderlessFileHasSixteenByteRecordsWithCounts) {
  const uint64_t key = keyOf(StartPosition);
  BookFile book;
  ASSERT_TRUE(
      book.open(writeFile("plain.bbk", recordBytes({{key, "e2e4", 5, 6, 7}}, 16, 2)).c_str()));
  EXPECT_EQ(book.headerSize(), 0);
  EXPECT_EQ(book.recordSize(), 16);
  EXPECT_EQ(book.flags(), 2);
  EXPECT_EQ(book.recordCount(), 1);
  ASSERT_EQ(book.probe(StartPosition), 1);
  EXPECT_EQ(book.candidate(0).wins, 5u);
  EXPECT_EQ(book.candidate(0).draws, 6u);
  EXPECT_EQ(book.candidate(0).losses, 7u);
  EXPECT_EQ(book.candidate(0).key, key);
  EXPECT_EQ(BookChooser::bookMoveText(book.candidate(0)), "e2e4");
}

TEST(BookFile, HeaderFields) {
  const std::vector<Rec> records = {{0x10, "e2e4", 1, 2, 3, 2470}, {0x20, "d2d4", 0, 0, 0}};
  BookFile book;
  // A header size below 16 counts as 16; the header's bytes count as records.
  ASSERT_TRUE(
      book.open(writeFile("h0.bbk", headerBytes(0, 16, 2) + recordBytes(records, 16, 2)).c_str()));
  EXPECT_EQ(book.headerSize(), 16);
  EXPECT_EQ(book.recordCount(), 3);
  ASSERT_EQ(book.probeKey(0x10), 1);
  EXPECT_EQ(book.candidate(0).losses, 3u);

  // A longer header, and 18-byte records with strength values.
  ASSERT_TRUE(book.open(
      writeFile("h32.bbk", headerBytes(32, 18, 6) + recordBytes(records, 18, 6)).c_str()));
  EXPECT_EQ(book.headerSize(), 32);
  EXPECT_TRUE(book.hasStrength());
  ASSERT_EQ(book.probeKey(0x10), 1);
  EXPECT_EQ(book.candidate(0).wins, 1u);
  EXPECT_NEAR(book.candidate(0).weight, 2.0, 1e-6);
  ASSERT_EQ(book.probeKey(0x20), 1);
  EXPECT_EQ(book.candidate(0).weight, 0.0f);  // strength 0 stands for no weight
}

TEST(BookFile, BinarySearchFindsFirstAndLastKeysOnly) {
  std::vector<Rec> records;
  for (uint64_t k = 1; k <= 41; ++k) records.push_back({k * 0x100, "a2a3", uint16_t(k), 0, 0});
  for (int size : {16, 15}) {  // 15: the last record is cut off
    SCOPED_TRACE(size);
    std::string bytes = headerBytes(16, 16, 2) + recordBytes(records, 16, 2);
    bytes.resize(bytes.size() - 16 + size);
    BookFile book;
    ASSERT_TRUE(book.open(writeFile("search.bbk", bytes).c_str()));
    ASSERT_EQ(book.probeKey(0x100), 1);
    EXPECT_EQ(book.candidate(0).wins, 1u);
    ASSERT_EQ(book.probeKey(0x2900), size == 16 ? 1 : 0);
    for (uint64_t k = 2; k <= 40; ++k) {
      ASSERT_EQ(book.probeKey(k * 0x100), 1) << k;
      EXPECT_EQ(book.candidate(0).wins, k);
    }
    for (uint64_t absent : {0x0ULL, 0x1ULL, 0x180ULL, 0x28FFULL, 0x2901ULL, ~0ULL})
      EXPECT_EQ(book.probeKey(absent), 0) << absent;
  }
}

TEST(BookFile, CandidatesMergeEqualMovesAndStopAt32) {
  std::vector<Rec> records = {
      {0x50, "e2e4", 1, 2, 3, 2400},
      {0x50, "d2d4", 1, 0, 0},
      {0x50, "e2e4", 10, 20, 30, 2400, true},  // the from flag does not make another move
  };
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> moves;
    for (int i = 0; i < 40; ++i) moves.push_back({char('a' + i % 8), char('1' + i / 8), 'h', '8'});
    return moves;
  }();
  for (const std::string& move : texts) records.push_back({0x60, move.c_str(), 0, 0, 0});
  BookFile book;
  ASSERT_TRUE(book.open(writeBook("merge.bbk", records, true).c_str()));
  ASSERT_EQ(book.probeKey(0x50), 2);
  EXPECT_EQ(BookChooser::bookMoveText(book.candidate(0)), "e2e4");
  EXPECT_EQ(book.candidate(0).wins, 11u);
  EXPECT_EQ(book.candidate(0).draws, 22u);
  EXPECT_EQ(book.candidate(0).losses, 33u);
  EXPECT_NEAR(book.candidate(0).weight, 2.0, 1e-6);
  EXPECT_EQ(BookChooser::bookMoveText(book.candidate(1)), "d2d4");

  ASSERT_EQ(book.probeKey(0x60), 32);
  EXPECT_EQ(BookChooser::bookMoveText(book.candidate(31)), "h4h8");
}

TEST(BookFile, UnusableFilesGiveAnEmptyBook) {
  const std::vector<Rec> one = {{keyOf(StartPosition), "e2e4", 1, 1, 1}};
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"record size 0", headerBytes(16, 0, 2) + recordBytes(one, 16, 2)},
      {"record too small for its flags", headerBytes(16, 12, 2) + recordBytes(one, 16, 2)},
      {"header larger than the file",
       headerBytes(16, 16, 2).replace(12, 1, 1, char(200)) + recordBytes(one, 16, 2)},
      {"header cut off", std::string(12, '\0')},
      {"shorter than a key", "abc"},
      {"empty", ""},
      {"record cut off", recordBytes(one, 16, 2).substr(0, 15)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookFile book;
    ASSERT_TRUE(book.open(writeFile("bad.bbk", c.bytes).c_str()));
    EXPECT_EQ(book.probe(StartPosition), 0);
    BookChooser chooser(book, 1);
    BookCandidate chosen;
    EXPECT_FALSE(chooser.chooseMove(StartPosition, chosen));
  }
  BookFile book;
  EXPECT_FALSE(book.open((testing::TempDir() + "missing.bbk").c_str()));
  EXPECT_FALSE(book.open(testing::TempDir().c_str()));  // a directory
  EXPECT_FALSE(book.isOpen());
  EXPECT_EQ(book.probe(StartPosition), 0);
}

struct WeighCase {
  const char* name;
  std::vector<Rec> records;  // all of one position
  bool strength;
  bool blackToMove;
  std::function<void(BookCriteria&)> configure;
  std::vector<uint32_t> flags;
  std::vector<double> probabilities;
};

TEST(BookChooser, Weigh) {
  const auto defaults = [](BookCriteria&) {};
  // clang-format off
  const WeighCase cases[] = {
      {"a move with 50 games next to one with 1000 falls under games%",
       {{1, "e2e4", 550, 0, 450}, {1, "d2d4", 25, 5, 20}}, false, false, defaults,
       {0, FilterGameShare}, {1, 0}},
      {"45% is below White's minimum score",
       {{1, "e2e4", 9, 0, 11}, {1, "d2d4", 12, 0, 8}}, false, false, defaults,
       {FilterScore, 0}, {0, 1}},
      {"45% passes Black's minimum score",
       {{1, "e2e4", 9, 0, 11}, {1, "d2d4", 12, 0, 8}}, false, true, defaults,
       {0, 0}, {0.5, 0.5}},
      {"negative game weight favours the rarer move",
       {{1, "e2e4", 150, 0, 150}, {1, "d2d4", 50, 0, 50}}, false, false,
       [](BookCriteria& c) { c.gameWeight = -1; }, {0, 0}, {0.2500050, 0.7499950}},
      {"random 0 always plays the best move",
       {{1, "e2e4", 150, 0, 150}, {1, "d2d4", 50, 0, 50}}, false, false,
       [](BookCriteria& c) { c.random = 0; }, {0, 0}, {1, 0}},
      {"random 0.5 moves half the rest to the best move",
       {{1, "e2e4", 150, 0, 150}, {1, "d2d4", 50, 0, 50}}, false, false,
       [](BookCriteria& c) { c.random = 0.5; }, {0, 0}, {0.875, 0.125}},
      {"minimum weight cuts a rare move that passed the filters",
       {{1, "e2e4", 475, 0, 475}, {1, "d2d4", 25, 0, 25}}, false, false,
       [](BookCriteria& c) { c.minGamePct = 0; }, {0, 0}, {1, 0}},
      {"strength filters and shares",
       {{1, "e2e4", 5, 0, 5, 2900}, {1, "d2d4", 5, 0, 5, 2650}, {1, "c2c4", 5, 0, 5, 2800},
        {1, "g1f3", 5, 0, 5, 2720}},
       true, false, [](BookCriteria& c) { c.maxEloDelta = 150; },
       {0, FilterElo | FilterEloDistance, 0, FilterEloDistance}, {0.6145647, 0, 0.3854353, 0}},
      {"strength values of a book without them are ignored",
       {{1, "e2e4", 5, 0, 5, 2900}, {1, "d2d4", 5, 0, 5, 1000}}, false, false, defaults,
       {0, 0}, {0.5, 0.5}},
      {"score share with a score weight",
       {{1, "e2e4", 60, 0, 40}, {1, "d2d4", 58, 0, 42}, {1, "c2c4", 50, 0, 50}}, false, false,
       [](BookCriteria& c) { c.gameWeight = 0; c.scoreWeight = 1; }, {0, 0, 0}, {0.625, 0.375, 0}},
      // The game term once subtracted itself from the score term: the sum
      // cancelled to nearly zero and the normalised weights blew up.
      {"a negative game weight with a score weight keeps the weights positive",
       {{1, "e2e4", 66, 0, 34}, {1, "d2d4", 30, 0, 20}}, false, false,
       [](BookCriteria& c) { c.gameWeight = -1; c.scoreWeight = 1; }, {0, 0},
       {0.6666683, 0.3333317}},
      {"... and with random 0 plays the best-scored move",
       {{1, "e2e4", 66, 0, 34}, {1, "d2d4", 30, 0, 20}}, false, false,
       [](BookCriteria& c) { c.gameWeight = -1; c.scoreWeight = 1; c.random = 0; }, {0, 0},
       {1, 0}},
      {"a negative game weight with a strength weight",
       {{1, "e2e4", 5, 0, 5, 2900}, {1, "d2d4", 15, 0, 15, 2800}}, true, false,
       [](BookCriteria& c) { c.gameWeight = -1; }, {0, 0}, {0.7395622, 0.2604378}},
      {"a negative score weight counts as none",
       {{1, "e2e4", 66, 0, 34}, {1, "d2d4", 30, 0, 20}}, false, false,
       [](BookCriteria& c) { c.scoreWeight = -1; }, {0, 0}, {2.0 / 3, 1.0 / 3}},
      {"a filtered move is never played, whatever the random setting",
       {{1, "e2e4", 1, 0, 0}}, false, false, [](BookCriteria& c) { c.random = 0.5; },
       {FilterGames}, {0}},
  };
  // clang-format on
  for (const WeighCase& c : cases) {
    SCOPED_TRACE(c.name);
    BookFile book;
    ASSERT_TRUE(book.open(writeBook("weigh.bbk", c.records, c.strength).c_str()));
    BookChooser chooser(book, 1);
    c.configure(chooser.criteria());
    const int n = book.probeKey(1);
    ASSERT_EQ(n, int(c.records.size()));
    chooser.weigh(n, c.blackToMove);
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(chooser.display(i).flags, c.flags[i]) << i;
      EXPECT_NEAR(chooser.display(i).probability, c.probabilities[i], 1e-6) << i;
    }
  }
}

TEST(BookChooser, ChooseMoveDrawsOnlyMovesWithAProbability) {
  const char* fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 6";
  const uint64_t key = keyOf(fen);
  BookFile book;
  ASSERT_TRUE(book.open(
      writeBook("choose.bbk",
                {{key, "e2e4", 30, 0, 30}, {key, "a2a3", 1, 0, 0}, {key, "d2d4", 10, 0, 10}})
          .c_str()));
  BookChooser chooser(book, 12345);
  int picked[2] = {0, 0};
  for (int i = 0; i < 400; ++i) {
    BookCandidate chosen;
    ASSERT_TRUE(chooser.chooseMove(fen, chosen));
    const std::string text = BookChooser::bookMoveText(chosen);
    ASSERT_TRUE(text == "e2e4" || text == "d2d4") << text;
    ++picked[text == "d2d4"];
  }
  EXPECT_GT(picked[0], 250);  // 3:1
  EXPECT_GT(picked[1], 50);

  // Full-move 6 with White to move is ply 10.
  chooser.criteria().maxPly = 10;
  BookCandidate chosen;
  EXPECT_FALSE(chooser.chooseMove(fen, chosen));
  chooser.criteria().maxPly = 11;
  EXPECT_TRUE(chooser.chooseMove(fen, chosen));
}

TEST(BookChooser, LoadCriteriaListsTheConfigurationAndReadsItsKeys) {
  const std::string path = writeFile("criteria.ini",
                                     "book.file=x.bbk\n"
                                     "book.play.maxply=12\n"
                                     "book.play.mingamepct=25\n"
                                     "book.play.minelo=abc\n"
                                     "book.play.maxscoredelta=2.5\n"
                                     "book.play.gameweight=-50\n"
                                     "book.play.random=   \n");
  Ini ini;
  ASSERT_TRUE(ini.load(path.c_str()));
  BookFile book;
  BookChooser chooser(book, 1);
  testing::internal::CaptureStdout();
  chooser.loadCriteria(ini);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "book.file=x.bbk\nbook.play.maxply=12\nbook.play.mingamepct=25\n"
            "book.play.minelo=abc\nbook.play.maxscoredelta=2.5\nbook.play.gameweight=-50\n"
            "book.play.random=\n");
  const BookCriteria& c = chooser.criteria();
  EXPECT_EQ(c.maxPly, 12);
  EXPECT_EQ(c.minGames, 2);  // missing: default
  EXPECT_DOUBLE_EQ(c.minGamePct, 0.25);
  EXPECT_DOUBLE_EQ(c.minElo, 0);  // not a number
  EXPECT_DOUBLE_EQ(c.maxScoreDelta, 0.025);
  EXPECT_DOUBLE_EQ(c.gameWeight, -0.5);
  EXPECT_DOUBLE_EQ(c.random, 1.0);  // empty: default
  EXPECT_DOUBLE_EQ(c.minScoreBlack, 0.40);
}

TEST(BookChooser, PrintBookTable) {
  const uint64_t key = keyOf(StartPosition);
  BookFile book;
  ASSERT_TRUE(
      book.open(writeBook("table.bbk",
                          {{key, "e2e4", 6, 2, 2}, {key, "d2d4", 1, 1, 1}, {key, "a2a3", 0, 0, 1}})
                    .c_str()));
  BookChooser chooser(book, 1);
  FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  chooser.printBookTable(StartPosition, out);
  chooser.printBookTable("4k3/8/8/8/8/8/8/4K3 w - - 0 1", out);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::getc(out)) != EOF;) text += char(c);
  std::fclose(out);

  const std::string dashes(87, '-');
  EXPECT_EQ(
      text,
      "criteria: maxply=0, mingames=2, mingamepct=10, minelo=2700, maxelodelta=200, "
      "minscorew=50, minscoreb=40, maxscoredelta=5\n"
      "weights : gameweight=100, eloweight=100, scoreweight=0, winweight=0, drawweight=0, "
      "minweight=10, random=100\n"
      "\n"
      " pick   move    elo    games  score    +/-   drw%   win%   elo%  game%  score%  combi%\n" +
          dashes + "\n" +
          " 76.9%  e2e4      0       10  70.00  12.65   60.0   20.0    0.0   76.9  100.00   76.92\n"
          " 23.1%  d2d4      0        3  50.00  23.57   33.3   33.3    0.0   23.1    0.00   23.08\n"
          "  0.0%  a2a3      0        1   0.00   0.00    0.0    0.0    0.0    0.0    0.00    0.00"
          " <games <score\n" +
          dashes + "\n" +
          "100.0%            0       14   60.7   11.5  50.00  21.43\n"
          "position not in book\n");
}

}  // namespace
}  // namespace vireo
