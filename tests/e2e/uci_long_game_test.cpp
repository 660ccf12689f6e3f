// Games far longer than the engine's history, positions whose FEN carries a
// half-move clock, and malformed FENs, all through the real program: every
// "go" must answer a legal move for the side to move, the draw rules must
// hold, and no text may bring the engine down.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../unit/fen_mutations.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "uci_session.h"

namespace vireo::e2e {
namespace {

void initBoardTables() {
  static const bool done = (initTables(), initZobrist(), true);
  (void)done;
}

// The move of a bestmove line ("0000" for none).
std::string bestmoveOf(const std::string& line) {
  std::istringstream in(line);
  std::string word, move;
  in >> word >> move;
  return move;
}

// The score of the last info line before the last bestmove, or "" if none.
std::string lastScore(const std::string& output) {
  const size_t end = output.rfind("bestmove");
  const size_t at = output.rfind(" score ", end);
  if (at == std::string::npos) return "";
  const size_t stop = output.find(" time ", at);
  return output.substr(at + 7, stop - at - 7);
}

// Whether the coordinate text is a legal move on the board: the side to move
// is the one that can make it.
bool legalOn(Board& board, std::string move) {
  if (move.size() == 5) move[4] = char(move[4] | 0x20);  // parseMove reads promotions lower case
  const Move parsed = parseMove(board, move.c_str());
  return parsed != 0 && moveFrom(parsed) == (move[0] - 'a') + 8 * (move[1] - '1') &&
         moveTo(parsed) == (move[2] - 'a') + 8 * (move[3] - '1');
}

bool hasLegalMoves(Board& board) {
  Move moves[MaxMoves];
  return generateLegal(board, moves) != moves;
}

// A game kept as the GUI sends it, replayed on the library's board with the
// history shortened where the engine shortens it.
class Game {
 public:
  explicit Game(const char* fen) : fen_(fen) {
    initBoardTables();
    EXPECT_TRUE(setFen(*board_, fen));
  }
  void play(const std::string& text) {
    const uint32_t dropped = board_->droppedPlies;
    makeHistoryRoom(*board_);
    if (board_->droppedPlies != dropped) drops_.push_back(moves_.size());
    const Move move = parseMove(*board_, text.c_str());
    ASSERT_NE(move, 0u) << text << " at ply " << moves_.size();
    makeMove(*board_, move);
    updateAttackInfo(*board_);
    moves_.push_back(text);
  }
  // The side to move's g-knight steps out or goes home.
  std::string knightMove() const {
    const bool white = board_->sideToMove == White;
    const bool home = board_->squares[white ? G1 : G8] == pieceCode(board_->sideToMove, Knight);
    return white ? (home ? "g1f3" : "f3g1") : (home ? "g8f6" : "f6g8");
  }
  void shuffle(int plies) {
    for (int i = 0; i < plies; ++i) ASSERT_NO_FATAL_FAILURE(play(knightMove()));
  }
  // The first `plies` moves as a "position" command, and the game cut there.
  std::string command(size_t plies) const {
    std::string text = "position fen " + fen_ + " moves";
    for (size_t i = 0; i < plies; ++i) text += " " + moves_[i];
    return text;
  }
  Game prefix(size_t plies) const {
    Game game(fen_.c_str());
    for (size_t i = 0; i < plies; ++i) game.play(moves_[i]);
    return game;
  }
  Board& board() { return *board_; }
  size_t plies() const { return moves_.size(); }
  const std::vector<size_t>& drops() const { return drops_; }

 private:
  std::string fen_;
  std::unique_ptr<Board> board_ = std::make_unique<Board>();
  std::vector<std::string> moves_;
  std::vector<size_t> drops_;  // plies before which the oldest history goes
};

// Black, a queen down, in a game of some 3,000 plies: knights shuffling,
// pawn moves of both sides now and then, runs of reversible plies shorter
// and longer than a hundred. Its end: Black's c-pawn moves, then the knights
// go back and forth while the engine shortens its history. Where the next
// knight move would repeat a position for the third time Black takes that
// draw (score 0); a move earlier the repetition would be only the second,
// and Black stays lost.
TEST(UciLongGame, LegalAnswersAndRepetitionsPastTheHistory) {
  Game body("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  static const char* const PawnMoves[] = {"a2a3", "a7a6", "h2h3", "h7h6", "a3a4", "a6a5", "h3h4", "h6h5",
                                          "b2b3", "b7b6", "g2g3", "g7g6", "d2d3", "d7d6", "e2e3", "e7e6",
                                          "e3e4", "e6e5", "d3d4", "d6d5"};
  static const int Runs[] = {7, 150, 40, 3, 60, 96, 11, 30, 0, 55, 2, 41, 9, 60, 5, 20, 44, 1, 70, 8};
  for (int k = 0; k < 20; ++k) {
    ASSERT_NO_FATAL_FAILURE(body.shuffle(4 * Runs[k]));
    ASSERT_NO_FATAL_FAILURE(body.play(PawnMoves[k]));
  }
  ASSERT_NO_FATAL_FAILURE(body.shuffle(200));
  ASSERT_GE(body.drops().size(), 3u);
  ASSERT_GT(body.plies(), 2800u);

  // The tail: Black's pawn move at ply t, the history shortened two or three
  // plies later, seven knight moves.
  const size_t drop = body.drops()[2];
  const size_t t = drop % 2 == 0 ? drop - 2 : drop - 3;
  Game game = body.prefix(t - 1);
  ASSERT_NO_FATAL_FAILURE(game.play("c7c6"));
  ASSERT_NO_FATAL_FAILURE(game.shuffle(7));
  ASSERT_EQ(game.drops().back(), drop);

  UciEngine engine;
  ASSERT_TRUE(engine.start());
  engine.send("setoption name OwnBook value false");
  auto search = [&](const std::string& position) {
    engine.process.take();
    engine.send(position);
    engine.send("go depth 3");
    EXPECT_TRUE(engine.waitFor("bestmove")) << position.substr(0, 80);
    EXPECT_TRUE(engine.sync());
    return engine.process.output();
  };

  const std::string drawn = search(game.command(t + 7));
  EXPECT_EQ(bestmoveOf(engine.bestmoves().back()), game.knightMove()) << drawn;
  EXPECT_EQ(lastScore(drawn), "cp 0") << drawn;
  Game second = game.prefix(t + 5);
  const std::string lost = search(game.command(t + 5));
  EXPECT_TRUE(legalOn(second.board(), bestmoveOf(engine.bestmoves().back()))) << lost;
  EXPECT_LT(std::stoi(lastScore(lost).substr(3)), -300) << lost;

  // Each side to move at each history bound, and the whole game.
  for (const size_t plies : {size_t(896), size_t(897), size_t(923), drop - 1, drop, drop + 1, body.plies() - 1,
                             body.plies()}) {
    SCOPED_TRACE(plies);
    Game cut = body.prefix(plies);
    search(body.command(plies));
    EXPECT_TRUE(legalOn(cut.board(), bestmoveOf(engine.bestmoves().back()))) << engine.bestmoves().back();
  }
  EXPECT_EQ(engine.errorLog(), "");
  EXPECT_EQ(engine.quit(), 0);
}

// A GUI that sends only a FEN each move: the half-move clock of 99 means
// that every move but the capture draws at once.
TEST(UciLongGame, FenClockDecidesTheFiftyMoveDraw) {
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  struct Case {
    const char* fen;
    const char* bestmove;  // or nullptr for any
    bool drawn;
  };
  const Case cases[] = {
      {"8/8/8/4k3/8/8/3Q4/4K3 w - - 99 150", nullptr, true},
      {"8/8/8/4k3/8/8/3Q4/4K3 w - - 0 150", nullptr, false},
      {"8/8/8/4k3/8/3p4/3Q4/4K3 w - - 99 150", "d2d3", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    engine.process.take();
    engine.send(std::string("position fen ") + c.fen);
    engine.send("go depth 5");
    ASSERT_TRUE(engine.waitFor("bestmove"));
    ASSERT_TRUE(engine.sync());
    const std::string out = engine.process.output();
    if (c.drawn) {
      EXPECT_EQ(lastScore(out), "cp 0") << out;
    } else {
      EXPECT_GT(std::stoi(lastScore(out).substr(3)), 500) << out;
    }
    if (c.bestmove) {
      EXPECT_EQ(bestmoveOf(engine.bestmoves().back()), c.bestmove) << out;
    }
  }
  EXPECT_EQ(engine.quit(), 0);
}

// Malformed and made-up FENs in one engine process: each accepted one gets a
// legal move (or "0000" when it has none); after a refused one the engine
// answers "0000" or a move of the position it kept.
TEST(UciLongGame, MutatedFensThroughTheProtocol) {
  initBoardTables();
  testing_util::FenMutator texts(4711);
  auto board = std::make_unique<Board>(), kept = std::make_unique<Board>();
  ASSERT_TRUE(setFen(*kept, StartFen));
  UciEngine engine;
  ASSERT_TRUE(engine.start());
  int accepted = 0;
  testing::internal::CaptureStderr();
  for (int i = 0; i < 300; ++i) {
    // The engine reads the FEN word by word and joins the words with spaces.
    std::istringstream words(texts.next());
    std::string fen, word;
    while (words >> word) fen += word + " ";
    engine.send("position fen " + fen);
    engine.send("go depth 2");
    ASSERT_TRUE(engine.process.waitForCount("bestmove", i + 1)) << fen;
    const std::string move = bestmoveOf(engine.bestmoves().back());
    if (setFen(*board, fen.c_str())) {
      ++accepted;
      std::swap(board, kept);
      EXPECT_TRUE(hasLegalMoves(*kept) ? legalOn(*kept, move) : move == "0000") << fen << ": " << move;
    } else {
      EXPECT_TRUE(move == "0000" || legalOn(*kept, move)) << fen << ": " << move;
    }
  }
  testing::internal::GetCapturedStderr();
  EXPECT_GT(accepted, 20);
  EXPECT_EQ(engine.quit(), 0);
}

}  // namespace
}  // namespace vireo::e2e
