// findMateThreat: every move it reports mates at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/sfmt.h"
#include "board/fen.h"
#include "eval/exchange.h"
#include "eval_test_support.h"

namespace vireo {
namespace {

// The position with `side` to move (en passant dropped), or false when that
// side's opponent would be in check there.
bool withSideToMove(Board& board, const std::string& fen, Colour side) {
  std::string text = fen.substr(0, fen.find(' '));
  text += side == White ? " w " : " b ";
  const size_t rights = fen.find(' ', fen.find(' ') + 1) + 1;
  text += fen.substr(rights, fen.find(' ', rights) - rights);
  text += " -";
  return setFen(board, text.c_str());
}

// Whether `move` is legal for the side to move and leaves the other mated.
bool isMatingMove(Board& board, Move move) {
  Move moves[MaxMoves];
  const Move* begin = moves;
  const Move* end = generateLegal(board, moves);
  if (std::find(begin, end, move) == end) return false;
  const BoardState saved = board.state;
  makeMove(board, move);
  updateAttackInfo(board);
  const bool mated = board.inCheck() && generateLegal(board, moves) == moves;
  unmakeMove(board, move, saved);
  updateAttackInfo(board);
  return mated;
}

class MateThreat : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::initEngineTables();
    initEvaluator(evaluator, &board);
  }
  static Board board, check;
  static Evaluator evaluator;
};
Board MateThreat::board;
Board MateThreat::check;
Evaluator MateThreat::evaluator;

TEST_F(MateThreat, FindsEachPattern) {
  const struct {
    const char* fen;  // the mating side to move
    Square from, to;
    const char* what;
  } cases[] = {
      {"6k1/5p1p/7Q/8/8/8/1B6/6K1 w - -", H6, G7, "queen next to the king, bishop behind"},
      {"k7/7Q/1K6/8/8/8/8/8 w - -", H7, A7, "queen next to the king, king behind"},
      {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", D1, D8, "rook along its file onto the back rank"},
      {"3r2k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", D1, D8, "the same, taking a rook"},
      {"6k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - -", D1, D8, "queen along its file"},
      {"7k/6pp/8/8/8/8/8/R5K1 w - -", A1, A8, "rook onto the king's rank"},
      {"7k/5K2/8/8/8/8/8/R7 w - -", A1, H1, "rook along its rank onto the king's file"},
      {"6rk/6pp/8/6N1/8/8/8/6K1 w - -", G5, F7, "smothered by a knight"},
      {"6k1/5ppp/8/8/8/8/1q3PPP/6K1 b - -", B2, B1, "Black mates on the first rank"},
  };
  for (const auto& c : cases) {
    testing::setPosition(board, c.fen);
    const Colour mated = board.sideToMove ^ 1;
    const Move move = findMateThreat(evaluator, mated);
    EXPECT_EQ(moveFrom(move), c.from) << c.what;
    EXPECT_EQ(moveTo(move), c.to) << c.what;
    EXPECT_TRUE(isMatingMove(board, move)) << c.what;
    // The same threat with the mated side to move.
    ASSERT_TRUE(withSideToMove(board, c.fen, mated)) << c.what;
    EXPECT_EQ(findMateThreat(evaluator, mated), move) << c.what << " as a threat";
  }
}

TEST_F(MateThreat, RefusesMovesThatDoNotMate) {
  const char* const none[] = {
      "6k1/5pp1/7p/8/8/8/5PPP/3R2K1 w - -",   // the king has an escape square
      "4r1k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -",  // the e8 rook takes on d8
      "6k1/5p1p/7Q/8/8/8/8/6K1 w - -",        // the queen on g7 would be taken
      "6rk/6pp/4b3/6N1/8/8/8/6K1 w - -",      // the bishop takes on f7
      "6k1/5ppp/8/8/8/8/5PPP/q2R2K1 w - -",   // the d1 rook is pinned
      "6k1/5ppp/8/8/8/8/5PPP/3R1qK1 w - -",   // White is in check
  };
  for (const char* fen : none) {
    testing::setPosition(board, fen);
    EXPECT_EQ(findMateThreat(evaluator, Black), NoMove) << fen;
  }
}

// Over many positions of random games, for both sides: whatever is reported
// is a legal move of the mating side that mates at once.
TEST_F(MateThreat, EveryReportedMoveMates) {
  int reported = 0, examined = 0;
  for (const std::string& fen : testing::randomGamePositions(4242, 400, 160)) {
    testing::setPosition(board, fen);
    for (Colour x : {White, Black}) {
      ++examined;
      const Move move = findMateThreat(evaluator, x);
      if (move == NoMove) continue;
      ++reported;
      ASSERT_TRUE(withSideToMove(check, fen, x ^ 1)) << fen;
      ASSERT_TRUE(isMatingMove(check, move)) << fen << " side " << x << " move " << std::hex << move;
    }
  }
  EXPECT_GT(examined, 50000);
  EXPECT_GT(reported, 50);
}

// The same near the patterns: mating positions with a few men added at
// random, where a sloppy test of support or escape would go wrong.
TEST_F(MateThreat, EveryReportedMoveMatesNearThePatterns) {
  const char* const seeds[] = {
      "6k1/5p1p/7Q/8/8/8/1B6/6K1 w - -", "k7/7Q/1K6/8/8/8/8/8 w - -",
      "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", "3r2k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - -",
      "7k/5K2/8/8/8/8/8/R7 w - -",          "6rk/6pp/8/6N1/8/8/8/6K1 w - -",
      "6k1/5ppp/8/8/8/8/1q3PPP/6K1 b - -",  "r1b1k2r/ppppqppp/2n5/4N3/8/8/PPP2PPP/R1BQKB1R w KQkq -",
  };
  const PieceType types[5] = {Pawn, Knight, Bishop, Rook, Queen};
  Sfmt rng(99);
  int reported = 0;
  for (const char* seed : seeds) {
    for (int variant = 0; variant < 600; ++variant) {
      testing::setPosition(board, seed);
      const int added = 1 + rng.next32() % 3;
      for (int i = 0; i < added; ++i) {
        const Square s = rng.next32() % 64;
        const PieceType type = types[rng.next32() % 5];
        const bool backRank = s < 8 || s >= 56;
        if (!board.squares[s] && !(type == Pawn && backRank))
          add(board, Colour(rng.next32() % 2), type, s);
      }
      // Keep only positions in which the side not to move is not in check.
      updateAttackInfo(board);
      if (attacksOf(board, board.sideToMove) & board.pieceBits[board.sideToMove ^ 1][King])
        continue;
      const std::string fen = toFen(board);
      for (Colour x : {White, Black}) {
        const Move move = findMateThreat(evaluator, x);
        if (move == NoMove) continue;
        ++reported;
        ASSERT_TRUE(withSideToMove(check, fen, x ^ 1)) << fen;
        ASSERT_TRUE(isMatingMove(check, move)) << fen << " side " << x;
      }
    }
  }
  EXPECT_GT(reported, 1000);
}

}  // namespace
}  // namespace vireo
