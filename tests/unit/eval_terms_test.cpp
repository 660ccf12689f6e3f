// Material, patterns, king, passed-pawn and piece terms, and evaluate itself.

#include <gtest/gtest.h>

#include "board/make_move.h"
#include "eval/evaluator.h"
#include "eval/terms.h"
#include "eval_test_support.h"

namespace vireo {
namespace {

constexpr const char* Start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

class EvalTerms : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::initEngineTables();
    initEvaluator(evaluator, &board);
  }
  void TearDown() override {
    for (int i = 0; i < EvalWeightCount; ++i) setEvalWeight(i, DefaultEvalWeight);
  }
  void set(const char* fen) {
    testing::setPosition(board, fen);
    clearEvaluator(evaluator);
  }
  // The king and piece terms read the pawn record and the shelter figures,
  // as they do inside evaluate.
  int pieces(Colour c) {
    evaluatePawns(evaluator);
    evaluateKing(evaluator, White);
    evaluateKing(evaluator, Black);
    return c == White ? evaluatePiecesWhite(evaluator) : evaluatePiecesBlack(evaluator);
  }

  static Board board;
  static Evaluator evaluator;
};
Board EvalTerms::board;
Evaluator EvalTerms::evaluator;

TEST_F(EvalTerms, MaterialAndImbalance) {
  const struct {
    const char* fen;
    int material, scale;
    const char* what;
  } cases[] = {
      {Start, 0, 1024, "equal signatures"},
      {"r3k3/8/8/8/8/8/8/R3K3 w - -", 0, 1024, "equal without pawns"},
      // 4 * 3 * 21 for the knight, 64 for the piece count, knight term 0.
      {"rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKBNR w KQkq -", 316, 1024, "extra knight"},
      // Sixteen pawns carry into the knight count of the summed signature:
      // knights -32, bishop pair 74 - 4 * 5 = 54, bishops 2 * 2 * 3 = 12.
      {"1n2k1n1/pppppppp/8/8/8/8/PPPPPPPP/2B1KB2 w - -", 34, 1024, "bishop pair against knights"},
      // Black without the a8 rook: 4 * 5 * 22, rook term 4 * -17, pieces 64.
      {"1nbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk -", 436, 1024, "extra rook"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/1NBQKBNR w Kkq -", -436, 1024, "missing rook"},
      // Knight and two pawns ahead: knight term -12, pieces 64, 4 * 5 * 29.
      {"4k3/8/8/8/8/8/PP6/4K1N1 w - -", 632, 848, "few pawns lower the scale"},
  };
  for (const auto& c : cases) {
    set(c.fen);
    int scale = 1024;
    EXPECT_EQ(evaluateMaterial(evaluator, scale), c.material) << c.what;
    EXPECT_EQ(scale, c.scale) << c.what;
  }
}

TEST_F(EvalTerms, TrappedPiecesAndShutInRooks) {
  const struct {
    const char* fen;
    int value;
  } cases[] = {
      {"4k2N/5p2/8/8/8/8/8/4K3 w - -", -250},  // knight h8, pawn f7
      {"Nn2k3/2p5/8/8/8/8/8/4K3 w - -", -250},  // knight a8, pawn c7
      {"4k3/8/8/8/8/8/1P6/1n2K3 w - -", 250},   // knight b1, pawn b2
      {"4k3/B7/1p6/8/8/8/8/4K3 w - -", -150},
      {"4k3/8/7B/6p1/8/8/8/4K3 w - -", -100},
      {"4k3/8/8/8/1P6/b7/8/4K3 w - -", 100},
      {"4k3/8/8/8/8/8/7P/5KR1 w - -", 0},       // rook on g1 needs a g-pawn
      {"4k3/8/8/8/8/8/6P1/5KR1 w - -", -45},
      {"4k3/8/8/8/8/8/P7/RK6 w - -", -45},
      {"4k3/8/8/8/8/8/P7/1KR5 w - -", 0},       // rook c1 is free
      {"rk6/p7/8/8/8/8/8/4K3 w - -", 45},
      {"4k2N/5p2/8/8/8/8/8/4K1n1 w - -", -250},  // g1 knight needs a g2 pawn
  };
  for (const auto& c : cases) {
    set(c.fen);
    EXPECT_EQ(evaluatePatterns(evaluator), c.value) << c.fen;
  }
}

TEST_F(EvalTerms, KingShelterInTheMiddlegame) {
  // g1 behind f2, g2, h2: -16 + 3 + 6 + 6 - 0 = -1; X = 32 - 8 + 8 = 32,
  // no castling: 32 * 5 * (-1 - 1) / 32 = -10.
  set("rnbqkbnr/ppppp3/8/8/8/8/5PPP/6K1 w kq -");
  evaluatePawns(evaluator);
  EXPECT_EQ(evaluateKing(evaluator, White), -10);
  EXPECT_EQ(evaluator.kingShelter[White], -1);

  // In the start position the e1 figure -1 loses 4 for the king's square;
  // both castling alternatives are worse: 32 * 5 * (-10) / 32.
  set(Start);
  evaluatePawns(evaluator);
  EXPECT_EQ(evaluateKing(evaluator, White), -50);
  EXPECT_EQ(evaluator.kingShelter[White], -5);
  EXPECT_EQ(evaluateKing(evaluator, Black), -50);

  // Castling rights and an open road: with f1 and g1 empty the g-group
  // figure -1 less 2 beats the king's own -5.
  set("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQK2R w KQkq -");
  evaluatePawns(evaluator);
  EXPECT_EQ(evaluateKing(evaluator, White), 32 * 5 * (-5 + -3) / 32);
  EXPECT_EQ(evaluator.kingShelter[White], -5);

  // Two rooks and two minor pieces: X = 16 - 8 < 10, no king term.
  set("rn2k1nr/8/8/8/8/8/8/4K3 w - -");
  evaluatePawns(evaluator);
  EXPECT_EQ(evaluateKing(evaluator, White), 0);
  EXPECT_EQ(evaluator.kingShelter[White], 0);
}

TEST_F(EvalTerms, KingActivityInTheEndgame) {
  // The d5 pawn is two king steps from e3 and counted five times:
  // (12 / 2 + 4 * 5) * 32 / 32. Black's king has nothing to go for.
  set("4k3/8/8/3p4/8/4K3/8/8 w - -");
  evaluatePawns(evaluator);
  evaluator.kingShelter[White] = 99;
  EXPECT_EQ(evaluateKing(evaluator, White), 26);
  EXPECT_EQ(evaluator.kingShelter[White], 0);
  EXPECT_EQ(evaluateKing(evaluator, Black), -10);
  // A defended pawn is no target: only c6, three steps away, counts (4 times).
  set("4k3/8/2p5/3p4/8/4K3/8/8 w - -");
  evaluatePawns(evaluator);
  EXPECT_EQ(evaluateKing(evaluator, White), (6 + 4 * 4) * 32 / 32);
  // Less of it while the opponent keeps material: scale 28/32 at phase 8.
  set("4k3/8/2p5/3p4/8/4K3/8/rb6 w - -");
  evaluatePawns(evaluator);
  EXPECT_EQ(evaluateKing(evaluator, White), (6 + 4 * 4) * 28 / 32);
}

TEST_F(EvalTerms, PassedPawnPushNeedsASafeStopSquare) {
  // e5 is free and its king distances give 16 in the endgame; the push to e6
  // loses the pawn to the c8 bishop, so no 8 for it.
  set("k1b5/8/8/4P3/8/8/8/6K1 w - -");
  evaluatePawns(evaluator);
  int opening = 0, endgame = 0;
  evaluatePassedPawns(evaluator, White, opening, endgame);
  EXPECT_EQ(opening, 2);
  EXPECT_EQ(endgame, 16);
  // A knight guarding e6 makes the push safe.
  set("k1b5/8/8/4P3/3N4/8/8/6K1 w - -");
  evaluatePawns(evaluator);
  opening = endgame = 0;
  evaluatePassedPawns(evaluator, White, opening, endgame);
  EXPECT_EQ(opening, 4);
  EXPECT_EQ(endgame, 24);
}

TEST_F(EvalTerms, PassedPawnsSupportingEachOther) {
  // Against a lone knight (8 base, 8 more for support against it).
  // d6 and e6 side by side: b = 8 + 32 each; d6 free (bb 48), e6 blocked by
  // the king (bb 40). Opening 24 * 48 / 64 + 24 * 40 / 64; endgame
  // 96 * (48 - 16 - 36) / 64 + 96 * (40 - 16 - 36) / 64.
  set("4k3/8/3PP3/8/8/8/8/n3K3 w - -");
  evaluatePawns(evaluator);
  int opening = 0, endgame = 0;
  evaluatePassedPawns(evaluator, White, opening, endgame);
  EXPECT_EQ(opening, 18 + 15);
  EXPECT_EQ(endgame, -6 - 18);
  // d5 protects e6: d5 gets 8 + 24 and a safe push (bb 48); e6 loses its
  // push to the king and is blocked (bb 8).
  set("4k3/8/4P3/3P4/8/8/8/n3K3 w - -");
  evaluatePawns(evaluator);
  opening = endgame = 0;
  evaluatePassedPawns(evaluator, White, opening, endgame);
  EXPECT_EQ(opening, 12 + 3);
  EXPECT_EQ(endgame, 24 - 66);
}

TEST_F(EvalTerms, PassedPawnOnTheSeventhMeasuresBeyondTheBoard) {
  // e7: base 8 + 8 (no minor pieces or rooks), + 8 for the safe promotion,
  // + 8 free: bb = 32. The black king a1 is 7 from e8; the white king e1 is
  // 8 from the square beyond e8.
  set("8/4P3/8/8/8/8/8/k3K3 w - -");
  evaluatePawns(evaluator);
  int opening = 0, endgame = 0;
  evaluatePassedPawns(evaluator, White, opening, endgame);
  EXPECT_EQ(opening, 32 * 32 / 64);
  EXPECT_EQ(endgame, 128 * (32 + 16 * 5 + 12 * (4 - 8)) / 64);
}

TEST_F(EvalTerms, PieceTermsByHand) {
  // Two rooks on the open d-file: mobility 11 and 13 squares, each rook
  // (6, 8) + (12, 8) + (8, 4); blended at Black's phase 0: the endgame half.
  set("6k1/8/8/8/8/8/3R4/3R2K1 w - -");
  EXPECT_EQ(pieces(White), 10 + 20 + 11 + 20);
  EXPECT_EQ(pieces(Black), 0);

  // Knight e5 hitting a rook: square (24, 16), (16, 0), mobility (10, 6),
  // threat (4, 24), defended or not; blended at Black's phase 5.
  set("3k4/3r4/8/4N3/8/8/8/4K3 w - -");
  EXPECT_EQ(pieces(White), 47);
  set("7k/3r4/8/4N3/8/8/8/4K3 w - -");
  EXPECT_EQ(pieces(White), 47);

  // A bishop without pawns on both wings loses (0, 24): square (-4, -12),
  // mobility 7 (15, 7).
  set("4k3/8/8/8/8/8/8/2B1K3 w - -");
  EXPECT_EQ(pieces(White), -29);
  set("4k3/8/8/8/8/8/P6P/2B1K3 w - -");
  EXPECT_EQ(pieces(White), -5);

  // Queen d1: 17 squares (20, 24) and its square (0, -10).
  set("4k3/8/8/8/8/8/8/3QK3 w - -");
  EXPECT_EQ(pieces(White), 14);
  // Rook on the seventh with the king on the eighth: 14 squares (24, 11),
  // open file (18, 16), seventh rank (8, 20).
  set("4k3/R7/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(pieces(White), 47);
  // The same for Black, mirrored.
  set("4k3/8/8/8/8/8/r7/4K3 b - -");
  EXPECT_EQ(pieces(Black), 47);
}

TEST_F(EvalTerms, KingAttackGrowsWithTheSquareOfItsStrength) {
  // Start position: K = 4 * 4 + 5 + 4 (to move) = 25, m = 6 for White,
  // m = 5 for Black; the attack adds 5 * w * m * m >> 16.
  set(Start);
  const int white = pieces(White), black = pieces(Black);
  EXPECT_EQ(white - black, 1);
  setEvalWeight(KingAttack, 0);
  EXPECT_EQ(pieces(White), white - 2);
  EXPECT_EQ(pieces(Black), black - 1);
  setEvalWeight(KingAttack, 10240);
  EXPECT_EQ(pieces(White), white - 2 + (5 * 10240 * 36 >> 16));

  // Knight g5 reaches f7 and h7 of the g8 king's zone (e6 is unsafe): one
  // attacker, weight 6; K = 2 * 6 + 8 + 4 = 24, m = 6.
  setEvalWeight(KingAttack, 0);
  set("6k1/5ppp/8/6N1/8/8/8/3QK3 w - -");
  const int unweighted = pieces(White);
  setEvalWeight(KingAttack, 10240);
  EXPECT_EQ(pieces(White) - unweighted, 5 * 10240 * 36 >> 16);
  setEvalWeight(KingAttack, 1024);

  // With 12 or less phase material nothing is counted against the king.
  set("6k1/5ppp/8/8/8/5N2/8/3R2K1 w - -");
  const int light = pieces(White);
  setEvalWeight(KingAttack, 0);
  EXPECT_EQ(pieces(White), light);
}

TEST_F(EvalTerms, StartPositionTermsCancelOut) {
  for (const char* fen : {Start, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -"}) {
    set(fen);
    int scale = 1024;
    EXPECT_EQ(evaluateMaterial(evaluator, scale), 0);
    EXPECT_EQ(evaluatePatterns(evaluator), 0);
    const PawnEntry& e = *evaluatePawns(evaluator);
    EXPECT_EQ(e.side[White].opening, e.side[Black].opening);
    EXPECT_EQ(e.side[White].endgame, e.side[Black].endgame);
    EXPECT_EQ(e.passed, 0u);
    // One point of king attack for the side to move, plus the tempo.
    EXPECT_EQ(evaluate(evaluator), 8) << fen;
  }
}

TEST_F(EvalTerms, CacheAnswersRepeatedPositions) {
  set(Start);
  evaluator.evaluations = 0;
  const int first = evaluate(evaluator);
  EXPECT_EQ(evaluate(evaluator), first);
  EXPECT_EQ(evaluator.evaluations, 2u);
  // The second call came from the slot, as a planted score shows.
  const uint64_t key = board.hashKey ^ uint64_t(board.sideToMove);
  EvalCacheSlot& slot = evaluator.cache.slots[key & (EvalCacheSize - 1)];
  EXPECT_EQ(slot.key, key);
  slot.score = 12345;
  EXPECT_EQ(evaluate(evaluator), 12345);
  clearEvaluator(evaluator);
  EXPECT_EQ(evaluator.evaluations, 3u);
  EXPECT_EQ(slot.key, 0u);
  EXPECT_EQ(evaluate(evaluator), first);
  // The same placement with the other side to move has its own slot.
  testing::setPosition(board, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -");
  evaluate(evaluator);
  EXPECT_EQ(slot.key, key);
  EXPECT_EQ(slot.score, first);
}

TEST_F(EvalTerms, ReversibleMovesDampTheScore) {
  // Black has no queen-side rook; the scale stays 1024 with eight pawns.
  set("1nbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk -");
  const int fresh = evaluate(evaluator);
  const int s = fresh - 7;  // White to move, scale 1024
  ASSERT_GT(s, 300);
  const Move shuffle[4] = {encodeMove(G1, F3), encodeMove(G8, F6), encodeMove(F3, G1),
                           encodeMove(F6, G8)};
  for (int ply = 0; ply < 100; ++ply) {
    makeMove(board, shuffle[ply % 4]);
    updateAttackInfo(board);
    if (ply + 1 == 32 || ply + 1 == 40 || ply + 1 == 96 || ply + 1 == 100) {
      const int d = ply + 1;
      clearEvaluator(evaluator);
      const int expected = d > 32 ? ((s * std::max(96 - d, 1)) >> 6) + 7 : s + 7;
      EXPECT_EQ(evaluate(evaluator), expected) << d << " reversible plies";
    }
  }
}

TEST_F(EvalTerms, PrintEvaluationExplainsWithoutTouchingTheCache) {
  set("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq -");
  evaluator.evaluations = 0;
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  printEvaluation(evaluator, out);
  std::fclose(out);
  const std::string printed(text, size);
  std::free(text);
  EXPECT_EQ(evaluator.evaluations, 0u);
  const int score = evaluate(evaluator);  // Black to move: White's view is -score
  for (const char* term : {"material", "patterns", "pawn structure", "passed pawns", "king",
                           "pieces", "draw scale      1024/1024", "tempo           7 for black"})
    EXPECT_NE(printed.find(term), std::string::npos) << term;
  const size_t at = printed.find("static score (white's view)");
  ASSERT_NE(at, std::string::npos) << printed;
  EXPECT_EQ(std::atoi(printed.c_str() + at + 27), -score) << printed;
}

}  // namespace
}  // namespace vireo
