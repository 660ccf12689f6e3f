// Static exchange: captures, pins, x-rays, discovered checks, kings and
// promotions.

#include <gtest/gtest.h>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "eval/exchange.h"
#include "eval_test_support.h"

namespace vireo {
namespace {

// The legal move of the position that goes from -> to (promoting to a queen
// when it promotes).
Move findMove(Board& board, Square from, Square to) {
  Move moves[MaxMoves];
  const Move* end = generateLegal(board, moves);
  for (const Move* m = moves; m != end; ++m)
    if (moveFrom(*m) == from && moveTo(*m) == to &&
        (movePromotion(*m) == NoPiece || movePromotion(*m) == Queen))
      return *m;
  return NoMove;
}

struct SeeCase {
  const char* fen;
  Square from, to;
  int low, high;  // the result lies in [low, high]
  const char* what;
};

const SeeCase SeeCases[] = {
    {"4k3/8/2p5/3n4/4P3/8/8/4K3 w - -", E4, D5, 2, 2, "pawn takes defended knight: 3 - 1 at once"},
    {"4k3/8/2p5/3p4/8/8/8/3QK3 w - -", D1, D5, -7, -2, "queen takes pawn defended by a pawn"},
    {"4k3/8/8/3b4/8/8/8/3RK3 w - -", D1, D5, 3, 3, "rook takes undefended bishop"},
    {"4k3/8/8/4p3/8/8/8/4RK2 w - -", E1, E5, 1, 1, "undefended pawn"},
    {"4k3/3p4/4p3/8/8/8/8/4RK2 w - -", E1, E6, -3, -1, "rook takes defended pawn"},
    // Pins: the e5 knight is pinned to e8 by the e1 rook and cannot retake.
    {"4k3/8/2p5/1B2n3/8/8/8/4R1K1 w - -", B5, C6, 1, 1, "pinned defender does not retake"},
    {"4k3/8/2p5/1B2n3/8/8/8/R5K1 w - -", B5, C6, -2, -2, "free defender retakes"},
    // The pinned rook e6 may take on its own pin line, but not beside it.
    {"4k3/8/4r3/8/8/8/3Q4/4R1K1 w - -", D2, E3, -8, -1, "pinned rook takes on its pin line"},
    {"4k3/8/4r3/8/8/8/3Q4/4R1K1 w - -", D2, D6, 0, 0, "pinned rook cannot leave its line"},
    {"4k3/8/4r3/8/8/8/3Q4/R5K1 w - -", D2, D6, -8, -1, "unpinned rook takes the queen"},
    {"4k3/8/1p6/2p5/4N3/8/8/4R1K1 w - -", E4, C5, 1, 1, "discovered check: only the king answers"},
    {"4k3/8/1p6/2p5/4N3/8/8/R5K1 w - -", E4, C5, -2, -2, "no check: the pawn retakes"},
    // Kings retake only where the other king does not also touch the square.
    {"8/8/3k4/4p3/5K2/8/8/4R3 w - -", E1, E5, 1, 1, "king cannot retake next to the other king"},
    {"8/8/3k4/4p3/8/8/8/4R2K w - -", E1, E5, -3, -3, "king retakes"},
    // X-rays: the d1 rook backs up the d2 rook through it.
    {"3r2k1/3p4/8/8/8/8/3R4/3R2K1 w - -", D2, D7, 0, 1, "x-ray support"},
    {"3r2k1/3p4/8/8/8/8/3R4/6K1 w - -", D2, D7, -3, -3, "no support"},
    {"3r2k1/3p4/8/8/8/8/3Q4/3R2K1 w - -", D2, D7, -7, -1, "queen in front of the rook"},
    // Promotions.
    {"r5k1/4P3/8/8/8/8/8/6K1 w - -", E7, E8, -7, -1, "promotion onto a guarded square"},
    {"6k1/4P3/8/8/8/8/r7/6K1 w - -", E7, E8, 7, 7, "free promotion"},
    {"r5k1/1P6/8/8/8/8/8/6K1 w - -", B7, A8, 3, 11, "pawn takes a rook and promotes"},
    // A pawn on its seventh rank is worth its promotion once the exchange
    // is looked at; the quick exit for an unguarded square counts the pawn.
    {"4k3/8/8/8/8/8/1p6/1R2K3 w - -", B1, B2, 1, 1, "unguarded pawn on its seventh rank"},
    {"1r2k3/8/8/8/8/8/1p6/1R2K3 w - -", B1, B2, 4, 4, "guarded pawn on its seventh rank"},
};

TEST(StaticExchange, CaptureTable) {
  static Board board;
  for (const SeeCase& c : SeeCases) {
    testing::setPosition(board, c.fen);
    const Move move = findMove(board, c.from, c.to);
    ASSERT_NE(move, NoMove) << c.what;
    const int value = seeMove(board, move);
    EXPECT_GE(value, c.low) << c.what;
    EXPECT_LE(value, c.high) << c.what;
    // The same answer once the move is on the board, seen by the mover.
    const BoardState saved = board.state;
    makeMove(board, move);
    updateAttackInfo(board);
    const int after = seeMove(board, move);
    EXPECT_EQ(after >= 0, value >= 0) << c.what << " after the move";
    unmakeMove(board, move, saved);
  }
}

TEST(StaticExchange, SignIsExactAndBoundsPointTheRightWay) {
  // Against an exchange searched with an open window, over every capture
  // of random positions.
  static Board board;
  int compared = 0;
  for (const std::string& fen : testing::randomGamePositions(77, 40, 120)) {
    testing::setPosition(board, fen);
    Move moves[MaxMoves];
    const Move* end = generateLegal(board, moves);
    for (const Move* m = moves; m != end; ++m) {
      if (!moveCaptured(*m) || isEnPassant(*m) || movePromotion(*m)) continue;
      const Square to = moveTo(*m), from = moveFrom(*m);
      const PieceCode mover = board.squares[from];
      const Colour them = colourOf(mover) ^ 1;
      // Without pins, old or new, the open-window swap is the true value.
      if (board.state.blockers[White] | board.state.blockers[Black]) continue;
      if (QueenLines[board.kingSquare[them]] & SquareBit[from]) continue;
      if (board.inCheck() || typeOf(mover) == King) continue;
      ExchangeState state{board.occupied & ~SquareBit[from], 0, &board, to};
      int captured = ExchangeValue[typeOf(moveCaptured(*m))];
      if (typeOf(moveCaptured(*m)) == Pawn && relativeRank(them, to) == 6) captured += 7;
      const int mv = ExchangeValue[typeOf(mover)];
      const int exact = mv < captured
                            ? captured - mv
                            : -staticExchange(state, them, -captured, mv, -1000, 1000);
      const int value = seeMove(board, *m);
      ++compared;
      EXPECT_EQ(value >= 0, exact >= 0) << fen;
      if (value >= 0) {
        EXPECT_LE(value, exact) << fen;
      } else {
        EXPECT_GE(value, exact) << fen;
      }
    }
  }
  EXPECT_GT(compared, 500);
}

TEST(StaticExchange, MirroredPositionsAgree) {
  static Board board, mirrored;
  int compared = 0;
  // Men of one kind that could take first, some of them uncovering others.
  std::vector<std::string> fens = {
      "2r5/1kr5/2R5/P7/1b5K/P7/2p5/7R b - -",
      "4R3/8/1k2q3/8/4p1N1/7q/3K4/8 w - -",
      "3r2k1/3r4/8/3p4/8/2N5/3R4/3R2K1 w - -",
      "6k1/8/1b6/2n1n3/3P4/4B3/8/6K1 b - -",
  };
  for (const std::string& fen : testing::randomGamePositions(31337, 60, 160)) fens.push_back(fen);
  for (const std::string& fen : fens) {
    testing::setPosition(board, fen);
    testing::setPosition(mirrored, testing::mirrorFen(board));
    Move moves[MaxMoves];
    const Move* end = generateLegal(board, moves);
    for (const Move* m = moves; m != end; ++m) {
      if (isQuiet(*m) && !(board.state.enemyAttacks & SquareBit[moveTo(*m)])) continue;
      const Move image = (*m & ~0xFFFFu) | encodeMove(moveFrom(*m) ^ 56, moveTo(*m) ^ 56);
      EXPECT_EQ(seeMove(board, *m), seeMove(mirrored, image)) << fen;
      ++compared;
    }
    for (Square s = 0; s < 64; ++s) {
      if (!board.squares[s]) continue;
      EXPECT_EQ(seeSquare(board, s), seeSquare(mirrored, s ^ 56)) << fen;
    }
  }
  EXPECT_GT(compared, 2000);
}

TEST(StaticExchange, SeeSquare) {
  static Board board;
  const struct {
    const char* fen;
    Square square;
    int value;
  } cases[] = {
      {"4k3/8/8/3p4/4N3/8/8/4K3 w - -", E4, -3},   // undefended knight, pawn attacks
      {"4k3/8/8/8/4N3/8/8/4K3 w - -", E4, 0},      // nobody attacks
      {"4k3/8/8/3p4/4N3/5P2/8/4K3 w - -", E4, -2},  // defended: knight for pawn
      {"4k3/4r3/8/8/4r3/8/4R3/4K3 b - -", E4, 0},  // defended rook for rook
      // The d5 pawn is pinned to its king: e4 is safe.
      {"3k4/8/8/3p4/4N3/8/8/3RK3 w - -", E4, 0},
      // A pinned rook may still take the rook that pins it.
      {"4k3/8/8/8/4r3/8/4R3/4K3 b - -", E4, -4},
  };
  for (const auto& c : cases) {
    testing::setPosition(board, c.fen);
    EXPECT_EQ(seeSquare(board, c.square), c.value) << c.fen;
  }
}

}  // namespace
}  // namespace vireo
