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
      // An over-long last rank runs off the board: those pieces are dropped.
      {"7kNN/8/8/8/8/8/8/K7 w - -", true,
       "add: illegal piece location: 64\nadd: illegal piece location: 65\n"},
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

TEST(Fen, CountersAreIgnoredAndRestart) {
  auto board = boardFromFen("4k3/8/8/8/8/8/8/4K3 b - - 37 80");
  ASSERT_TRUE(board);
  EXPECT_EQ(board->ply, 0u);
  EXPECT_EQ(toFen(*board), "4k3/8/8/8/8/8/8/4K3 b - - 0 1");
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
