// Endgame knowledge: exact scores, draw scales, pawn races and the king and
// pawn against king table.

#include <gtest/gtest.h>

#include <algorithm>

#include "board/bitops.h"
#include "eval/evaluator.h"
#include "eval/kpk.h"
#include "eval/terms.h"
#include "eval_test_support.h"

namespace vireo {
namespace {

class Endgame : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::initEngineTables();
    initEvaluator(evaluator, &board);
    resizePawnHash(evaluator, 4096);
  }
  void set(const char* fen) {
    testing::setPosition(board, fen);
    clearEvaluator(evaluator);
    evaluatePawns(evaluator);
  }
  // recogniseEndgame on the board with a given White-view score.
  bool recognise(const char* fen, int& score, int& scale) {
    set(fen);
    return recogniseEndgame(evaluator, score, scale);
  }

  static Board board;
  static Evaluator evaluator;
};
Board Endgame::board;
Evaluator Endgame::evaluator;

struct Verdict {
  const char* fen;
  int scoreIn;
  bool exact;
  int scoreOut, scale;
  const char* what;
};

const Verdict Verdicts[] = {
    // Exact draws.
    {"4k3/8/8/8/8/8/8/4KN2 w - -", 300, true, 0, 1024, "a lone knight cannot win"},
    {"4k3/8/8/8/8/8/8/3NKN2 b - -", 500, true, 0, 1024, "two knights cannot force mate"},
    {"k7/8/8/8/8/P7/P7/K1B5 w - -", 500, true, 0, 1024, "rook pawns and the wrong bishop"},
    {"8/8/8/1k6/8/8/P7/K7 w - -", 200, true, 0, 1024, "rook pawns only, nothing decided"},
    {"4k3/8/r7/4P3/8/8/8/4K2R w - -", 300, true, 0, 1024, "rook holds the sixth, pawn on the fifth"},
    {"4k3/4P3/8/8/8/8/8/r3K2R w - -", 300, true, 0, 1024, "rook checks from behind"},
    {"R3k2r/8/8/8/8/8/4p3/4K3 b - -", -300, true, 0, 1024, "mirror: Black's pawn, rook behind"},
    {"4k3/8/4P3/8/8/r7/8/4K2R b - -", 300, true, 0, 1024, "pawn on the sixth, defender to move"},
    // Not recognised: play on.
    {"4k3/8/4P3/8/8/r7/8/4K2R w - -", 300, false, 300, 1024, "pawn on the sixth, attacker to move"},
    {"4k3/r7/8/4P3/8/8/8/4K2R w - -", 300, false, 300, 1024, "rook off the sixth"},
    {"3k4/8/8/8/8/8/P7/K1B5 w - -", 500, false, 500, 128, "wrong bishop, king not yet home"},
    {"7k/8/8/8/8/8/P7/K1B5 w - -", 500, false, 960, 1024, "the pawn outruns the king"},
    {"k7/8/8/8/8/8/P7/K1N5 w - -", 500, false, 500, 1024, "rook pawn with a knight"},
    // Material without pawns.
    {"4k3/8/8/8/8/8/8/R3K3 w - -", 600, false, 1600, 1024, "rook against bare king"},
    {"4k3/8/8/3b4/8/8/8/R3K3 w - -", 180, false, 180, 256, "rook against bishop"},
    {"4k3/8/8/3n4/8/8/8/2B1KB2 w - -", 180, false, 180, 1024, "bishop pair against knight"},
    {"4k3/8/8/3n4/8/8/8/2B1K3 w - -", 20, true, 0, 1024, "a lone bishop ahead cannot win"},
    {"r3k3/8/8/8/8/8/8/R3K3 w - -", 20, false, 20, 64, "rook against rook"},
    {"4k3/8/8/8/8/8/8/2B1KB2 w - -", 500, false, 500, 1024, "bishops on both colours"},
    {"4k3/8/8/8/8/8/8/2B1K1B1 w - -", 500, true, 0, 1024, "two bishops on one colour"},
    {"4k3/8/8/8/8/8/8/1NN1K3 w - -", 500, true, 0, 1024, "two knights"},
    {"4k3/8/8/8/8/8/8/1NNNK3 w - -", 800, false, 1800, 1024, "three knights against a king"},
    {"4k1n1/8/8/8/8/8/8/1NNNK3 w - -", 800, false, 100, 1024, "three knights against a knight"},
    {"3qk3/8/8/8/8/8/8/R3K3 b - -", -700, false, -1600, 1024, "queen against rook"},
    // A side without pawns against pawns.
    {"4k3/pp6/8/8/8/8/8/4K1N1 w - -", 40, true, -1, 1024, "knight ahead but unable to win"},
    {"4k1n1/8/8/8/8/8/PP6/4K3 w - -", -40, true, 1, 1024, "mirror: the pawn side keeps the edge"},
    {"4k3/pp6/8/8/8/8/8/3RK3 w - -", 200, false, 200, 1024, "rook against two pawns"},
    {"4kb2/pp6/8/8/8/8/8/3RK3 w - -", 200, false, 200, 128, "rook against bishop and pawns"},
    {"4k3/pp6/8/8/8/8/8/2QRK3 w - -", 900, false, 900, 1024, "queen and rook against pawns"},
    {"4k3/3p4/8/8/8/8/8/3RK3 w - -", -50, false, -50, 128, "rook may give itself for the pawn"},
    {"4k3/p7/8/8/8/8/8/3RK3 w - -", -50, true, 0, 1024, "rook pawns alone and ahead: drawn"},
    // Opposite-coloured bishops.
    {"3bk3/ppp2ppp/8/8/8/8/PPP2PPP/4KB2 w - -", 40, false, 40, 256, "equal pawns"},
    {"3bk3/pp3ppp/8/8/8/8/PPP2PPP/4KB2 w - -", 40, false, 40, 512, "one pawn up"},
    {"3bk3/p4ppp/8/8/8/8/PPP2PPP/4KB2 w - -", 40, false, 40, 341, "two pawns up"},
    {"2b1k3/ppp2ppp/8/8/8/8/PPP2PPP/4KB2 w - -", 40, false, 40, 1024, "bishops of one colour"},
    {"4k3/pp3ppp/8/8/8/8/PPP2PPP/4KB2 w - -", 40, false, 40, 1024, "only one bishop"},
};

TEST_F(Endgame, Verdicts) {
  for (const Verdict& v : Verdicts) {
    int score = v.scoreIn, scale = 1024;
    EXPECT_EQ(recognise(v.fen, score, scale), v.exact) << v.what;
    EXPECT_EQ(score, v.scoreOut) << v.what;
    EXPECT_EQ(scale, v.scale) << v.what;
  }
}

TEST_F(Endgame, KnightAndBishopMateDrivesToTheBishopsCorner) {
  // Dark bishop, king on h8: 1600 - 0 - 8 * 2 - 5 - 5, no tempo.
  set("7k/8/5K2/8/8/8/8/2B1N3 w - -");
  EXPECT_EQ(evaluate(evaluator), 1574);
  set("7k/8/5K2/8/8/8/8/2B1N3 b - -");
  EXPECT_EQ(evaluate(evaluator), -1574);
  // The light corner is the wrong one for this bishop: 8 * 32 worse.
  set("k7/8/2K5/8/8/8/8/2B1N3 w - -");
  EXPECT_EQ(evaluate(evaluator), 1600 - 32 * 8 - 16 - 5 - 5);
  // A light bishop mirrors the table.
  set("k7/8/2K5/8/8/8/8/3BN3 w - -");
  EXPECT_EQ(evaluate(evaluator), 1600 - 16 - 5 - 5);
}

TEST_F(Endgame, KingAndPawnAgainstKing) {
  const struct {
    const char* fen;
    int score;  // evaluate, side to move's view
  } cases[] = {
      // Outside the square: 500 - 10 * (3 - 1 for the check on a8) + 1000.
      {"7k/8/8/P7/8/8/8/7K w - -", 1480},
      {"7k/8/8/P7/8/8/8/7K b - -", -1480},
      // Opposition decides: with White to move Black holds it.
      {"8/4k3/8/4K3/4P3/8/8/8 w - -", 0},
      // Won by the king's escort: the pushes plus one king move.
      {"8/4k3/8/4K3/4P3/8/8/8 b - -", -(1000 + 500 - 10 * 5)},
      // King on the sixth in front of its pawn wins whoever moves.
      {"4k3/8/4K3/4P3/8/8/8/8 w - -", 1000 + 500 - 10 * 4},
      {"4k3/8/4K3/4P3/8/8/8/8 b - -", -(1000 + 500 - 10 * 4)},
      // Rook pawn with the king in the corner, and with it cut off.
      {"k7/8/8/P7/K7/8/8/8 w - -", 0},
      {"8/1K1k4/8/P7/8/8/8/8 w - -", 1000 + 500 - 10 * 4},
      // Beside a pawn on its second rank the king takes it when to move.
      {"8/8/8/8/8/8/P7/k1K5 b - -", 0},
      // With the move the pawn runs; the queen will check along the a-file.
      {"8/8/8/8/8/8/P7/k1K5 w - -", 1000 + 500 - 10 * 4},
      // Far from the pawn: the defender catches it.
      {"4k3/8/8/3P4/8/8/8/7K w - -", 0},
  };
  for (const auto& c : cases) {
    set(c.fen);
    EXPECT_EQ(evaluate(evaluator), c.score) << c.fen;
  }
}

TEST_F(Endgame, PawnRaces) {
  const struct {
    const char* fen;
    int race;  // White's view
    const char* what;
  } cases[] = {
      {"8/8/K7/1P4p1/8/7k/8/8 w - -", 470, "White a tempo ahead with the move"},
      {"8/8/K7/1P4p1/8/7k/8/8 b - -", 0, "Black catches up with the move"},
      {"8/8/K7/8/1P4p1/7k/8/8 b - -", -470, "Black ahead with the move"},
      {"8/8/K7/8/1P4p1/7k/8/8 w - -", 0, "White catches up with the move"},
      {"8/8/8/4k3/1P6/8/8/7K w - -", 0, "the king catches the pawn"},
      {"8/8/K7/4k3/1P6/8/8/8 w - -", 450, "caught, but escorted home"},
      {"8/8/K7/3n4/1P6/8/8/4k3 w - -", 0, "the knight catches the pawn"},
      {"8/8/K7/8/1P6/8/8/5k1n w - -", 500 - 40, "the knight is too far"},
      {"8/8/K7/8/1P6/8/8/5k1r w - -", 0, "a rook stops everything"},
  };
  for (const auto& c : cases) {
    set(c.fen);
    EXPECT_EQ(evaluatePawnRace(evaluator), c.race) << c.what;
  }
}

// The rule of the square used for runners must never claim a pawn that
// the exact table says does not win.
TEST_F(Endgame, RunnersAgreeWithTheKingAndPawnTable) {
  int wins = 0;
  for (Square pawn = A2; pawn <= H7; ++pawn) {
    for (Square wk = 0; wk < 64; ++wk) {
      for (Square bk = 0; bk < 64; ++bk) {
        if (wk == pawn || bk == pawn || wk == bk || kingDistance(wk, bk) < 2) continue;
        for (Colour stm : {White, Black}) {
          if (stm == White && (PawnAttacks[White][pawn] & SquareBit[bk])) continue;
          clearBoard(board);
          add(board, White, King, wk);
          add(board, Black, King, bk);
          add(board, White, Pawn, pawn);
          board.sideToMove = stm;
          updateAttackInfo(board);
          evaluatePawns(evaluator);
          const bool win = kpkWins(White, wk, pawn, bk, stm);
          ASSERT_EQ(evaluatePawnRace(evaluator) != 0, win)
              << "K" << wk << " P" << pawn << " k" << bk << " stm " << stm;
          wins += win;
          // The table answers alike for the mirrored position.
          ASSERT_EQ(kpkWins(Black, wk ^ 56, pawn ^ 56, bk ^ 56, stm ^ 1), win);
          ASSERT_EQ(kpkWins(White, wk ^ 7, pawn ^ 7, bk ^ 7, stm), win);
        }
      }
    }
  }
  // Roughly three positions in four are won.
  EXPECT_GT(wins, 200000);
  EXPECT_LT(wins, 300000);
}

}  // namespace
}  // namespace vireo

namespace vireo {
namespace {

// The table agrees with the board's own move generator, one move deep: a
// position with the pawn's side to move is won when some move wins, one
// with the bare king to move when every move loses (and mate is a loss).
TEST(KingAndPawnTable, ConsistentWithLegalMoves) {
  testing::initEngineTables();
  static Board board;
  Move moves[MaxMoves];
  auto setUp = [&](Square wk, Square pawn, Square bk, Colour stm) {
    clearBoard(board);
    add(board, White, King, wk);
    add(board, Black, King, bk);
    add(board, White, Pawn, pawn);
    board.sideToMove = stm;
    updateAttackInfo(board);
  };
  // Whether the position after `move` is won for White.
  auto wonAfter = [&](Move move) {
    const BoardState saved = board.state;
    makeMove(board, move);
    updateAttackInfo(board);
    bool won;
    if (!board.pieceBits[White][Pawn] && !movePromotion(move)) {
      won = false;  // the pawn was taken
    } else if (movePromotion(move)) {
      // Queen or rook against a bare king wins unless it is taken at once
      // or the king is stalemated.
      const int replies = int(generateLegal(board, moves + MaxMoves / 2) - (moves + MaxMoves / 2));
      bool taken = false;
      for (int i = 0; i < replies; ++i) taken |= moveCaptured(moves[MaxMoves / 2 + i]) != 0;
      won = (movePromotion(move) == Queen || movePromotion(move) == Rook) && !taken &&
            (replies > 0 || board.inCheck());
    } else {
      won = kpkWins(White, board.kingSquare[White], lowestSquare(board.pieceBits[White][Pawn]),
                    board.kingSquare[Black], board.sideToMove);
    }
    unmakeMove(board, move, saved);
    return won;
  };
  int positions = 0;
  for (Square pawn = A2; pawn <= H7; pawn += (fileOf(pawn) == 3 ? 5 : 1)) {
    for (Square wk = 0; wk < 64; ++wk) {
      for (Square bk = 0; bk < 64; ++bk) {
        if (wk == pawn || bk == pawn || wk == bk || kingDistance(wk, bk) < 2) continue;
        for (Colour stm : {White, Black}) {
          if (stm == White && (PawnAttacks[White][pawn] & SquareBit[bk])) continue;
          setUp(wk, pawn, bk, stm);
          const int count = int(generateLegal(board, moves) - moves);
          Move list[MaxMoves];
          std::copy(moves, moves + count, list);
          bool expected;
          if (stm == White) {
            expected = false;
            for (int i = 0; i < count && !expected; ++i) expected = wonAfter(list[i]);
          } else {
            expected = count == 0 ? board.inCheck() : true;
            for (int i = 0; i < count && expected; ++i) expected = wonAfter(list[i]);
          }
          ASSERT_EQ(kpkWins(White, wk, pawn, bk, stm), expected)
              << "K" << wk << " P" << pawn << " k" << bk << " stm " << stm;
          ++positions;
        }
      }
    }
  }
  EXPECT_GT(positions, 150000);
}

}  // namespace
}  // namespace vireo
