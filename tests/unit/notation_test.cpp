#include <gtest/gtest.h>

#include "board/make_move.h"
#include "board/notation.h"
#include "board_test_util.h"

namespace vireo {
namespace {

using testing_util::boardFromFen;

std::string parsed(const char* fen, const char* text) {
  auto board = boardFromFen(fen);
  const Move move = parseMove(*board, text);
  if (!move) return "-";
  char out[16];
  moveToText(*board, move, out);
  return out;
}

TEST(ParseMove, AcceptsSanCoordinatesAndVariants) {
  struct Case {
    const char* fen;
    const char* text;
    const char* move;  // long algebraic, or "-" for none
  };
  const char* start = StartFen;
  const char* castle = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  const char* promote = "2n1k3/4P3/8/8/8/8/8/4K3 w - - 0 1";
  const char* twoKnights = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
  const Case cases[] = {
      {start, "e4", "e2e4"},          {start, "e2e4", "e2e4"},
      {start, "e2-e4", "e2e4"},       {start, "P e4", "e2e4"},
      {start, "Nf3", "Ng1f3"},        {start, "g1f3", "Ng1f3"},
      {start, "Ngf3", "Ng1f3"},       {start, "N g1-f3", "Ng1f3"},
      {start, "e5", "-"},             {start, "%", "-"},
      {castle, "O-O", "O-O"},         {castle, "o-o", "O-O"},
      {castle, "e1g1", "O-O"},        {castle, "O-O-O", "O-O-O"},
      {promote, "e8", "-"},  // e8 holds the black king: no such move
      {"2n5/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e8", "e7e8=Q"},
      {"2n5/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e8=N", "e7e8=N"},
      {"2n5/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e8N", "e7e8=N"},
      {"2n5/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8n", "e7e8=N"},
      {"2n5/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8b", "e7e8=B"},
      {"2n5/1P4k1/8/8/8/8/8/4K3 w - - 0 1", "bxc8=B", "b7xc8=B"},
      {twoKnights, "Nbd2", "Nb1d2"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "xd5", "e4xd5"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "d5", "e4xd5"},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(parsed(c.fen, c.text), c.move) << c.text << " in " << c.fen;
    testing::internal::GetCapturedStderr();
  }
}

TEST(ParseMove, ReportsAmbiguityAndIllegalCharacters) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(parsed("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nd2"), "-");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ambiguous move: Nb1d2 _and_ Nf3d2\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(parsed("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "0-0"), "-");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "illegal char in move 0-0: 48\n");
  testing::internal::CaptureStderr();
  // Two pawn moves end on d5: a push and a capture.
  EXPECT_EQ(parsed("4k3/8/8/3p4/2P1P3/8/8/4K3 w - - 0 1", "d5"), "-");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ambiguous move: e4xd5 _and_ c4xd5\n");
}

std::string san(const char* fen, const char* coordinates) {
  auto board = boardFromFen(fen);
  const Move move = parseMove(*board, coordinates);
  EXPECT_NE(move, 0u) << coordinates;
  char out[16];
  moveToSan(*board, out, move);
  return out;
}

TEST(MoveToSan, DisambiguatesOnlyWhenNeeded) {
  struct Case {
    const char* fen;
    const char* move;
    const char* san;
  };
  const Case cases[] = {
      {StartFen, "g1f3", "Nf3"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "exd5"},
      {"r3k3/8/8/8/8/8/8/1N3N1K w q - 0 1", "b1d2", "Nbd2"},
      {"4k3/8/8/R7/8/8/8/R6K w - - 0 1", "a1a3", "R1a3"},  // same file: rank needed
      {"2n1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7c8q", "bxc8=Q"},
      {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1c1", "O-O-O"},
      {"6k1/8/8/Q7/8/8/8/Q3Q2K w - - 0 1", "a1e5", "Qa1e5"},  // three queens reach e5
  };
  for (const Case& c : cases) EXPECT_EQ(san(c.fen, c.move), c.san) << c.move;
}

TEST(MoveToText, SameBeforeAndAfterTheMove) {
  auto board = boardFromFen("2n1k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1");
  for (const char* text : {"b7c8q", "e1c1", "a1a7", "h1h8"}) {
    const Move move = parseMove(*board, text);
    ASSERT_NE(move, 0u) << text;
    char before[16], after[16];
    moveToText(*board, move, before);
    const BoardState saved = board->state;
    makeMove(*board, move);
    moveToText(*board, move, after);
    unmakeMove(*board, move, saved);
    EXPECT_STREQ(before, after);
  }
}

}  // namespace
}  // namespace vireo
