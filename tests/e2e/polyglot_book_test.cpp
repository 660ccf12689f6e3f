// Polyglot books from the outside: books that Debian's polyglot makes and
// books that vireo-book makes from the same games, the gnuchess-book that
// Debian ships, the BookFile option, the system book used when none is
// configured, and bad books, which the engine names once and plays without.
// Tests that need Debian's polyglot or gnuchess-book skip without them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "book/book_builder.h"
#include "book/polyglot_book.h"
#include "book/polyglot_keys.h"
#include "uci_session.h"

namespace vireo::e2e {
namespace {

constexpr const char* PolyglotProgram = "/usr/games/polyglot";
constexpr const char* GnuchessBook = "/usr/share/games/gnuchess/book.bin";
constexpr const char* EngineGames = VIREO_TEST_DATA "/book/engine_games.pgn";

void initBoardTables() {
  static const bool done = (initTables(), initZobrist(), true);
  (void)done;
}

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string quoted(const std::string& text) { return "'" + text + "'"; }

bool vireoBook(const std::string& arguments) {
  return run(quoted(std::filesystem::path(VIREO_BINARY).parent_path().string() + "/tools/vireo-book") + " " +
             arguments);
}

// Every entry of a Polyglot file: key -> (move word -> weight).
using BookEntries = std::map<uint64_t, std::map<uint16_t, uint32_t>>;
BookEntries readEntries(const std::string& path) {
  BookEntries entries;
  std::ifstream in(path, std::ios::binary);
  for (unsigned char b[16]; in.read(reinterpret_cast<char*>(b), 16);) {
    uint64_t key = 0;
    for (int i = 0; i < 8; ++i) key = key << 8 | b[i];
    entries[key][uint16_t(b[8] << 8 | b[9])] += uint32_t(b[10] << 8 | b[11]);
  }
  return entries;
}

// Sets an environment variable for the engines a test starts (the harness
// leaves a set VIREO_SYSTEM_BOOK alone) and clears it afterwards.
class SystemBook {
 public:
  explicit SystemBook(const std::string& path) { setenv("VIREO_SYSTEM_BOOK", path.c_str(), 1); }
  ~SystemBook() { unsetenv("VIREO_SYSTEM_BOOK"); }
};

// The Polyglot book of Debian's polyglot and that of vireo-book, from the
// same engine games and with the same filters, hold the same entries, down
// to the bytes; and the engine's reader finds every entry of the former
// with its weight. Whole games, so that castling rights, en passant and
// promotions all occur.
TEST(PolyglotBook, SameAsPolyglotMakeBook) {
  if (!std::filesystem::exists(PolyglotProgram)) GTEST_SKIP() << "Debian's polyglot is not installed";
  initBoardTables();
  TempDir dir;
  for (const int plies : {30, 500}) {
    SCOPED_TRACE(plies);
    const std::string theirs = dir.file("polyglot.bin"), ours = dir.file("vireo.bin");
    ASSERT_TRUE(run(std::string(PolyglotProgram) + " make-book -pgn " + quoted(EngineGames) + " -bin " +
                    quoted(theirs) + " -min-game 1 -max-ply " + std::to_string(plies)));
    ASSERT_TRUE(vireoBook("--format polyglot --plies " + std::to_string(plies) + " " + quoted(EngineGames) + " " +
                          quoted(ours)));
    const BookEntries expected = readEntries(theirs);
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(readEntries(ours), expected);
    std::ifstream a(theirs, std::ios::binary), b(ours, std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b), {}));

    PolyglotBook book;
    std::string reason;
    ASSERT_TRUE(book.open(theirs.c_str(), reason)) << reason;
    for (const auto& [key, moves] : expected) {
      std::map<uint16_t, uint32_t> found;
      for (const PolyglotEntry& e : book.probe(key)) found[e.move] = e.weight;
      EXPECT_EQ(found, moves) << std::hex << key;
    }
  }

  // The games' positions come out with the same keys: every position whose
  // move scored is in their book of the whole games, the en-passant rule
  // included (the games have positions where it matters).
  const BookEntries expected = readEntries(dir.file("polyglot.bin"));
  PgnReader reader;
  ASSERT_TRUE(reader.open(EngineGames));
  PgnGame game;
  int looked = 0, enPassant = 0;
  auto board = std::make_unique<Board>();
  while (reader.next(game)) {
    ASSERT_TRUE(setFen(*board, StartFen));
    for (size_t i = 0; i < game.moves.size(); ++i) {
      const uint64_t key = polyglotKey(*board);
      if (board->state.epSquare) {
        Board without = *board;
        without.state.epSquare = 0;
        enPassant += polyglotKey(without) != key;
      }
      ++looked;
      const Move move = parseMove(*board, game.moves[i].c_str());
      ASSERT_NE(move, NoMove) << game.moves[i];
      const bool scored = game.result == "1/2-1/2" || (game.result == "1-0") == (board->sideToMove == White);
      if (scored) {
        EXPECT_EQ(expected.count(key), 1u) << "game " << game.number << " ply " << i + 1;
      }
      makeHistoryRoom(*board);
      makeMove(*board, move);
      updateAttackInfo(*board);
    }
  }
  EXPECT_GT(looked, 500);
  EXPECT_GT(enPassant, 0);
}

// The book moves that a book holds for a position, as coordinates.
std::set<std::string> bookMoves(PolyglotBook& book, const std::string& moves) {
  auto board = std::make_unique<Board>();
  setFen(*board, StartFen);
  std::istringstream in(moves);
  for (std::string m; in >> m;) {
    makeMove(*board, parseMove(*board, m.c_str()));
    updateAttackInfo(*board);
  }
  std::set<std::string> legal;
  for (const PolyglotEntry& e : book.probe(polyglotKey(*board))) {
    if (const Move move = moveFromPolyglot(*board, e.move); move && e.weight > 0) {
      char text[6];
      polyglotMoveText(polyglotMove(move), text);
      // The engine writes castling as the king's step.
      std::string t = text;
      if (isCastling(move)) t = t.substr(0, 2) + char('a' + fileOf(moveTo(move))) + t[3];
      legal.insert(t);
    }
  }
  return legal;
}

// With Debian's gnuchess-book as the system book the engine answers "go"
// in known openings at once with one of the book's moves; analysis and
// pondering still search.
TEST(PolyglotBook, GnuchessBookAnswersAtOnce) {
  if (!std::filesystem::exists(GnuchessBook)) GTEST_SKIP() << "gnuchess-book is not installed";
  initBoardTables();
  SystemBook system(GnuchessBook);
  UciEngine gui;
  ASSERT_TRUE(gui.process.waitFor("initialized\n"));
  const std::string entries = std::to_string(std::filesystem::file_size(GnuchessBook) / 16);
  EXPECT_NE(gui.process.output().find("\nbook=" + std::string(GnuchessBook) + ", " + entries + " moves (Polyglot)\n"),
            std::string::npos)
      << gui.process.output();
  ASSERT_TRUE(gui.start());

  PolyglotBook book;
  std::string reason;
  ASSERT_TRUE(book.open(GnuchessBook, reason)) << reason;
  const char* openings[] = {"",
                            "e2e4",
                            "d2d4",
                            "e2e4 c7c5",
                            "e2e4 e7e5 g1f3 b8c6",
                            "d2d4 g8f6 c2c4 e7e6",
                            "e2e4 e7e6 d2d4 d7d5",
                            "c2c4 e7e5"};
  for (const char* opening : openings) {
    SCOPED_TRACE(opening);
    const std::set<std::string> legal = bookMoves(book, opening);
    ASSERT_FALSE(legal.empty());
    gui.send("ucinewgame");
    gui.send(std::string("position startpos") + (*opening ? std::string(" moves ") + opening : ""));
    gui.process.take();
    gui.send("go wtime 60000 btime 60000");
    ASSERT_TRUE(gui.waitFor("bestmove", 2000));
    ASSERT_TRUE(gui.sync());
    const std::string reply = gui.process.output();
    // No search: not one info line before the answer.
    ASSERT_EQ(reply.rfind("bestmove ", 0), 0u) << reply;
    const std::string move = reply.substr(9, reply.find_first_of(" \n", 9) - 9);
    EXPECT_EQ(legal.count(move), 1u) << move;
  }

  for (const char* go : {"go infinite", "go ponder"}) {
    SCOPED_TRACE(go);
    gui.send("position startpos");
    gui.process.take();
    gui.send(go);
    ASSERT_TRUE(gui.waitFor("info depth 3"));
    EXPECT_EQ(gui.process.output().find("bestmove"), std::string::npos);
    gui.send("stop");
    ASSERT_TRUE(gui.waitFor("bestmove"));
  }
  EXPECT_EQ(gui.quit(), 0);
}

// The BookFile option takes a Polyglot book (a path with spaces too); a bad
// one is named once and the engine plays without a book; an empty value
// goes back to the configured book. Start-up names a bad book once as well.
TEST(PolyglotBook, BookFileOptionAndBadBooks) {
  UciEngine gui([](const TempDir& d) {
    ASSERT_TRUE(vireoBook("--format polyglot " + quoted(VIREO_TEST_DATA "/book/games.pgn") + " " +
                          quoted(d.file("my book.bin"))));
    d.write("empty.bin", "");
    std::ofstream(d.file("cut.bin"), std::ios::binary) << std::string(40, 'x');
    std::filesystem::create_directory(d.file("dir.bin"));
    d.write("vireo.ini", "book.file=empty.bin\n");
  });
  ASSERT_TRUE(gui.process.waitFor("initialized\n"));
  const std::string empty = "book empty.bin not used: the file is empty; playing without a book";
  EXPECT_EQ(linesStartingWith(gui.process.output(), "Warning: book"), std::vector<std::string>{"Warning: " + empty});
  ASSERT_TRUE(gui.start());

  struct Step {
    const char* option;  // after "setoption name BookFile "
    const char* warning;  // the info string, or "" for none
    bool bookMove;
  };
  const Step steps[] = {
      {"value my book.bin", "", true},
      {"value cut.bin",
       "book cut.bin not used: its 40 bytes are no whole number of 16-byte entries (cut off?); playing without a book",
       false},
      {"value my book.bin", "", true},
      {"value dir.bin", "book dir.bin not used: it cannot be read; playing without a book", false},
      {"value missing.bin", "book not found: missing.bin", false},
      {"value <empty>", empty.c_str(), false},
      {"value", empty.c_str(), false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.option);
    gui.process.take();
    gui.send(std::string("setoption name BookFile ") + step.option);
    gui.send("position startpos");
    gui.send("go depth 2");
    ASSERT_TRUE(gui.waitFor("bestmove"));
    ASSERT_TRUE(gui.sync());
    const std::string reply = gui.process.output();
    const std::vector<std::string> warnings = linesStartingWith(reply, "info string");
    if (*step.warning)
      EXPECT_EQ(warnings, std::vector<std::string>{std::string("info string ") + step.warning}) << reply;
    else
      EXPECT_TRUE(warnings.empty()) << reply;
    // The fixture's only first move that scored is 1. e4.
    if (step.bookMove)
      EXPECT_EQ(reply, "bestmove e2e4\nreadyok\n");
    else
      EXPECT_NE(reply.find("\ninfo depth 1 "), std::string::npos) << reply;
  }
  EXPECT_EQ(gui.quit(), 0);
  EXPECT_NE(gui.errorLog().find("book cut.bin not used"), std::string::npos);
}

// Without a configured book: vireo.bbk in the working directory, else the
// system's Polyglot book, else the warning about vireo.bbk.
TEST(PolyglotBook, SystemBookWhenNoneIsConfigured) {
  TempDir books;
  const std::string bin = books.file("system.bin");
  ASSERT_TRUE(vireoBook("--format polyglot " + quoted(VIREO_TEST_DATA "/book/games.pgn") + " " + quoted(bin)));
  const std::string entries = std::to_string(std::filesystem::file_size(bin) / 16);
  struct Case {
    const char* name;
    std::string system;
    bool ownBook;
    std::string expected;
  };
  const Case cases[] = {
      {"system book", bin, false, "book=" + bin + ", " + entries + " moves (Polyglot)"},
      {"own book first", bin, true, "book=vireo.bbk, "},
      {"no system book", books.file("missing.bin"), false, "Warning: book not found: vireo.bbk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SystemBook system(c.system);
    UciEngine engine([&](const TempDir& d) {
      if (c.ownBook) {
        ASSERT_TRUE(vireoBook(quoted(VIREO_TEST_DATA "/book/games.pgn") + " " + quoted(d.file("vireo.bbk"))));
      }
    });
    ASSERT_TRUE(engine.process.waitFor("initialized\n"));
    EXPECT_NE(engine.process.output().find("\n\n" + c.expected), std::string::npos) << engine.process.output();
    EXPECT_EQ(engine.quit(), 0);
  }
}

}  // namespace
}  // namespace vireo::e2e
