#include <gtest/gtest.h>


#include "board/bitops.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "board/zobrist.h"
#include "board_test_util.h"

namespace vireo {
namespace {

using testing_util::boardFromFen;

TEST(Fen, StartLiteralEqualsStandardFen) {
  auto literal = boardFromFen(StartFen);
  auto standard = boardFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  ASSERT_TRUE(literal && standard);
  EXPECT_EQ(literal->hashKey, standard->hashKey);
  EXPECT_EQ(literal->state.castling, 15);
  EXPECT_EQ(literal->state.epSquare, 0);
  EXPECT_EQ(toFen(*literal), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST(Fen, RefusalsAndWarnings) {
  struct Case {
    const char* fen;
    bool accepted;
    const char* message;
  };
  const Case cases[] = {
      {"8/8/8/8/8/8/8/K6k/8 w - -", false, "fen too long\n"},
      {"8/8/8/8/8/8/8/K6k/ w - -", true, ""},
      {"8/8/8/8/8/8/8/8 w - -", false, "fen: not exactly 1 king for side 0\n"},
      {"K7/8/8/8/8/8/8/K6k w - -", false, "fen: not exactly 1 king for side 0\n"},
      {"k7/8/8/8/8/8/8/K6k w - -", false, "fen: not exactly 1 king for side 1\n"},
      {"8/8/8/8/8/8/8/K6k x - -", false, "fen: invalid stm: x\n"},
      {"8/8/8/8/8/8/8/K6k w X -", false, "setFen(): illegal castling char: X\n"},
      {"8/8/8/8/8/8/8/K5k9 w - -", false, "fen: invalid input for h1: 9\n"},
      {"8/8/8/8/8/8/8/K6k w - a1", false, "setFen() invalid ep square\n"},
      {"8/8/8/8/8/8/8/K6k w - z3", false, "setFen() invalid ep square\n"},
      {"8/8/8/8/8/8/8/K6k w - e", false, "setFen() invalid ep square\n"},
      {"r3k2r/8/8/8/8/8/8/R3K1R1 w KQkq - 0 1", true, "castling K invalid\n"},
      {"4k3/8/8/8/8/8/8/4K2r b - -", false, "fen: side not to move is in check\n"},
      // Ranks of more or fewer than eight squares: the pieces would land on
      // occupied squares, off the board or on the wrong files.
      {"7kNN/8/8/8/8/8/8/K7 w - -", false, "fen: rank 8 does not hold 8 squares\n"},
      {"r7/K6kN/8/8/8/8/8/8 w - -", false, "fen: rank 7 does not hold 8 squares\n"},
      {"K7/8/8/8/8/8/8/7k1 w - -", false, "fen: rank 1 does not hold 8 squares\n"},
      {"K7/8/8/54/8/8/8/7k w - -", false, "fen: rank 5 does not hold 8 squares\n"},
      {"K6/8/8/8/8/8/8/7k w - -", false, "fen: rank 8 does not hold 8 squares\n"},
      {"K7/8/8/8/8/8/8/6k w - -", false, "fen: rank 1 does not hold 8 squares\n"},
      {"K6k w - -", false, "fen: fewer than 8 ranks\n"},
      {"K7/8/8/8/8/8/7k w - -", false, "fen: fewer than 8 ranks\n"},
      // More pieces than a side can have: the first one has 263 legal moves.
      {"QQQQQQbk/Q4Qpp/Q5QQ/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - -", false, "fen: too many pieces for side 0\n"},
      {"rnbqkbnr/pppppppp/p7/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", false, "fen: too many pieces for side 1\n"},
      {"rnbqkbnr/pppppppp/8/8/8/2N2N2/PPPPPPPP/RNBQKBNR w KQkq -", false, "fen: too many pieces for side 0\n"},
      {"QQQQQQQQ/QQQQQQQQ/8/8/8/8/7k/K7 b - -", false, "fen: too many pieces for side 0\n"},
      // Pawns where no pawn can stand.
      {"KPr5/8/8/8/8/8/8/7k w - -", false, "fen: pawn on the first or last rank: b8\n"},
      {"k7/8/8/8/8/8/8/K1p5 b - b1", false, "fen: pawn on the first or last rank: c1\n"},
      {"P7/8/8/8/8/8/8/K6k w - b8", false, "fen: pawn on the first or last rank: a8\n"},
      // En-passant fields that name no pawn of the side not to move that has
      // just made its double step.
      {"k7/8/8/8/8/8/8/K7 b - b1", false,
       "fen: en-passant square b1 names no pawn that has just made a double step\n"},
      {"8/8/8/8/8/8/8/K6k w - b8", false,
       "fen: en-passant square b8 names no pawn that has just made a double step\n"},
      {"4k3/8/8/3P4/8/8/8/4K3 w - e6", false,
       "fen: en-passant square e6 names no pawn that has just made a double step\n"},
      {"4k3/8/8/8/3pP3/8/8/4K3 w - e3", false,
       "fen: en-passant square e3 names no pawn that has just made a double step\n"},
      {"4k3/8/8/3Pp3/8/8/8/4K3 b - e5", false,
       "fen: en-passant square e5 names no pawn that has just made a double step\n"},
      {"4k3/4p3/8/3Pp3/8/8/8/4K3 w - e6", false,
       "fen: en-passant square e6 names no pawn that has just made a double step\n"},
      {"4k3/8/4n3/3Pp3/8/8/8/4K3 w - e6", false,
       "fen: en-passant square e6 names no pawn that has just made a double step\n"},
      {"4k3/8/8/3Pp3/8/8/8/4K3 w - e4", false,
       "fen: en-passant square e4 names no pawn that has just made a double step\n"},
      {"4k3/8/8/8/8/4p3/3P4/4K3 b - d2", false,
       "fen: en-passant square d2 names no pawn that has just made a double step\n"},
  };
  for (const Case& c : cases) {
    Board board;
    testing::internal::CaptureStderr();
    const bool accepted = setFen(board, c.fen);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(accepted, c.accepted) << c.fen;
    EXPECT_EQ(message, c.message) << c.fen;
  }
}

// Forms that GUIs, files and the engine itself rely on, each with the
// standard FEN it stands for.
TEST(Fen, AcceptedEdgeForms) {
  struct Case {
    const char* fen;
    const char* standard;
  };
  const Case cases[] = {
      {StartFen, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
      {"8/8/8/8/8/8/8/K6k/ w - -", "8/8/8/8/8/8/8/K6k w - - 0 1"},
      {"K6k/8/8/8/8/8/8/ w - -", "K6k/8/8/8/8/8/8/8 w - - 0 1"},
      {"K6k/8/8/8/8/8/8/8", "K6k/8/8/8/8/8/8/8 w - - 0 1"},
      {"K6k/8/8/8/8/8/8/8 b", "K6k/8/8/8/8/8/8/8 b - - 0 1"},
      {"K6k/8/8/8/8/8/8/8  b  -  -  7  30", "K6k/8/8/8/8/8/8/8 b - - 7 1"},
      {"K6k/8/8/8/8/8/8/8 w - - 123456789 2", "K6k/8/8/8/8/8/8/8 w - - 9999 1"},
      // After 1. e4 the field may name the skipped square or the pawn, and
      // it stands even though no black pawn can take.
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
       "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e4 0 1"},
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e4 0 1",
       "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e4 0 1"},
      {"rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2",
       "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d5 0 1"},
      {"7k/8/8/KPp4r/8/8/8/8 w - c6 0 1", "7k/8/8/KPp4r/8/8/8/8 w - c5 0 1"},
      // As many pieces as a side may have: fifteen queens, or a full army
      // and one knight more.
      {"Q4Qbk/3Q2pp/1Q4QQ/4Q3/2Q4Q/Q4Q1Q/3Q4/KQ4Q1 w - -", "Q4Qbk/3Q2pp/1Q4QQ/4Q3/2Q4Q/Q4Q1Q/3Q4/KQ4Q1 w - - 0 1"},
      {"rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKBNR w KQkq -",
       "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
  };
  for (const Case& c : cases) {
    auto board = boardFromFen(c.fen);
    ASSERT_TRUE(board) << c.fen;
    EXPECT_STREQ(checkBoard(*board), "") << c.fen;
    EXPECT_EQ(toFen(*board), c.standard) << c.fen;
  }
}

TEST(Fen, CastlingRightsNeedKingAndRook) {
  testing::internal::CaptureStderr();
  auto board = boardFromFen("r3k2r/8/8/8/8/8/8/R3K1R1 w KQkq - 0 1");
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(board);
  EXPECT_EQ(board->state.castling, CastleWhiteQueen | CastleBlackKing | CastleBlackQueen);
  EXPECT_EQ(board->hashKey & 0, 0u);
  EXPECT_EQ(toFen(*board).substr(toFen(*board).find(' ')), " w Qkq - 0 1");
}

TEST(Fen, EnPassantFieldNamesThePawn) {
  auto byTarget = boardFromFen("4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1");
  auto byPawn = boardFromFen("4k3/8/8/8/3pP3/8/8/4K3 b - e4 0 1");
  auto none = boardFromFen("4k3/8/8/8/3pP3/8/8/4K3 b - - 0 1");
  ASSERT_TRUE(byTarget && byPawn && none);
  EXPECT_EQ(byTarget->state.epSquare, E4);
  EXPECT_EQ(byPawn->hashKey, byTarget->hashKey);
  EXPECT_EQ(byTarget->hashKey, none->hashKey ^ Zobrist.pieceKeys[0][4]);
  EXPECT_EQ(toFen(*byTarget), "4k3/8/8/8/3pP3/8/8/4K3 b - e4 0 1");
}

// The half-move clock goes on counting from the FEN's value; the move number
// restarts, as the game's history does.
TEST(Fen, HalfMoveClockCountsOnMoveNumberRestarts) {
  auto board = boardFromFen("4k3/8/8/8/8/8/4P3/4K3 b - - 37 80");
  ASSERT_TRUE(board);
  EXPECT_EQ(board->ply, 0u);
  EXPECT_EQ(board->fiftyMoveCount(), 37);
  EXPECT_EQ(toFen(*board), "4k3/8/8/8/8/8/4P3/4K3 b - - 37 1");
  makeMove(*board, parseMove(*board, "Kd7"));
  updateAttackInfo(*board);
  EXPECT_EQ(toFen(*board), "8/3k4/8/8/8/8/4P3/4K3 w - - 38 1");
  makeMove(*board, parseMove(*board, "e4"));
  EXPECT_EQ(board->fiftyMoveCount(), 0);
}

TEST(Fen, AfterDoubleStepWithAdjacentEnemyPawn) {
  auto board = boardFromFen("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  makeMove(*board, parseMove(*board, "e4"));
  EXPECT_EQ(toFen(*board), "4k3/8/8/8/3pP3/8/8/4K3 b - e4 0 1");
}

// The picture of the board with its move list, material balance and keys.
TEST(PrintBoard, MatchesTheLayoutByteForByte) {
  auto board = boardFromFen(StartFen);
  for (const char* m : {"e4", "d5", "exd5", "Qxd5"}) {
    Move move = parseMove(*board, m);
    ASSERT_NE(move, 0u) << m;
    makeMove(*board, move);
  }
  updateAttackInfo(*board);
  char hash[64];
  std::snprintf(hash, sizeof hash, " hash=%08x%08x\nphash=%08x%08x\n", unsigned(board->hashKey >> 32),
                unsigned(board->hashKey), unsigned(board->state.pawnKey >> 32),
                unsigned(board->state.pawnKey));
  testing::internal::CaptureStdout();
  printBoard(*board);
  const std::string expected = std::string(
      "\n"
      "   +---+---+---+---+---+---+---+---+\n"
      " 8 |*r*|*n*|*b*|   |*k*|*b*|*n*|*r*|   1. e4    d5   \n"
      "   +---+---+---+---+---+---+---+---+   2. exd5  Qxd5 \n"
      " 7 |*p*|*p*|*p*|   |*p*|*p*|*p*|*p*|\n"
      "   +---+---+---+---+---+---+---+---+\n"
      " 6 |   |   |   |   |   |   |   |   |\n"
      "   +---+---+---+---+---+---+---+---+\n"
      " 5 |   |   |   |*q*|   |   |   |   |\n"
      "   +---+---+---+---+---+---+---+---+\n"
      " 4 |   |   |   |   |   |   |   |   |\n"
      "   +---+---+---+---+---+---+---+---+\n"
      " 3 |   |   |   |   |   |   |   |   |\n"
      "   +---+---+---+---+---+---+---+---+\n"
      " 2 |(P)|(P)|(P)|(P)|   |(P)|(P)|(P)|\n"
      "   +---+---+---+---+---+---+---+---+\n"
      " 1 |(R)|(N)|(B)|(Q)|(K)|(B)|(N)|(R)|  39-39=0 \n"
      "   +---+---+---+---+---+---+---+---+\n"
      "     a   b   c   d   e   f   g   h\n\n"
      "rnb1kbnr/ppp1pppp/8/3q4/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 3\n") + hash;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

TEST(PrintBoard, MaterialSurplusAndBlackToMove) {
  auto board = boardFromFen("4k3/8/8/8/8/8/PP6/RN2K3 b - - 0 1");
  testing::internal::CaptureStdout();
  printBoard(*board);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("|  10-0=10  RNPP\n"), std::string::npos) << out;
  // Black to move: the pending move shows as "..." even before any move.
  EXPECT_NE(out.find("|   1. ...        \n"), std::string::npos) << out;
}

TEST(PrintBitboard, GridValueAndLabel) {
  testing::internal::CaptureStdout();
  printBitboard(0x8000000000000001ULL, "corners");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " . . . . . . . x\n . . . . . . . .\n . . . . . . . .\n . . . . . . . .\n"
            " . . . . . . . .\n . . . . . . . .\n . . . . . . . .\n x . . . . . . .\n"
            "8000000000000001 corners\n");
}

}  // namespace
}  // namespace vireo
