// setFen against malformed and made-up FEN texts, as a fuzzer would feed it
// but with a fixed seed and in seconds: every text is either refused or gives
// a consistent board on which every legal move makes and unmakes cleanly, a
// shallow search answers a legal move, and a long random game stays sound
// past the length of the history.

#include <gtest/gtest.h>

#include <string>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board_test_util.h"
#include "fen_mutations.h"
#include "search_test_util.h"

namespace vireo {
namespace {

using testing_util::FenMutator;
using testing_util::legalMoves;
using testing_util::TestSearcher;

// setFen explains every refusal on standard error; thousands of them would
// drown the test's own report.
struct QuietStderr {
  QuietStderr() { testing::internal::CaptureStderr(); }
  ~QuietStderr() { testing::internal::GetCapturedStderr(); }
};

void expectSoundMoves(Board& board, const std::string& fen) {
  ASSERT_STREQ(checkBoard(board), "") << fen;
  // The engine's move lists hold 256 moves; this one has room for more.
  Move room[4 * MaxMoves];
  ASSERT_LE(generateLegal(board, room) - room, MaxMoves) << fen;
  const BoardState saved = board.state;
  const uint64_t key = board.hashKey;
  for (const Move move : legalMoves(board)) {
    makeMove(board, move);
    ASSERT_STREQ(checkBoard(board), "") << fen;
    updateAttackInfo(board);
    ASSERT_FALSE(attacksOf(board, board.sideToMove) & board.pieces(board.sideToMove ^ 1, King)) << fen;
    unmakeMove(board, move, saved);
    ASSERT_STREQ(checkBoard(board), "") << fen;
    ASSERT_EQ(board.hashKey, key) << fen;
  }
}

// The search's answer: a legal move, or none when the position has none.
void expectLegalAnswer(TestSearcher& t, const std::string& fen) {
  if (legalMoves(t.searcher->board()).empty())
    EXPECT_EQ(t.listener.result.move, 0u) << fen;
  else
    EXPECT_TRUE(t.bestMoveIsLegal()) << fen;
}

TEST(FenFuzz, EveryTextIsRefusedOrSound) {
  FenMutator texts(20250301);
  TestSearcher t;
  auto board = std::make_unique<Board>();
  int accepted = 0, refused = 0;
  QuietStderr quiet;
  for (int i = 0; i < 30000; ++i) {
    const std::string fen = texts.next();
    if (!setFen(*board, fen.c_str())) {
      ++refused;
      continue;
    }
    ++accepted;
    ASSERT_NO_FATAL_FAILURE(expectSoundMoves(*board, fen));
    if (accepted % 4 == 0) {
      ASSERT_NO_FATAL_FAILURE(t.run(fen.c_str(), 2));
      ASSERT_NO_FATAL_FAILURE(expectLegalAnswer(t, fen));
    }
  }
  // Both kinds in numbers, or the texts would test little.
  EXPECT_GT(accepted, 3000);
  EXPECT_GT(refused, 3000);
}

// The same texts read as Chess960 FEN: their castling letters become rights
// for whatever king and rooks stand on the back ranks.
TEST(FenFuzz, Chess960TextsAreRefusedOrSound) {
  FenMutator texts(960);
  auto board = std::make_unique<Board>();
  int withRights = 0;
  QuietStderr quiet;
  for (int i = 0; i < 20000; ++i) {
    const std::string fen = texts.next();
    if (!setFen(*board, fen.c_str(), nullptr, true)) continue;
    withRights += board->state.castling != 0;
    ASSERT_NO_FATAL_FAILURE(expectSoundMoves(*board, fen));
  }
  EXPECT_GT(withRights, 1000);
}

TEST(FenFuzz, LongGamesFromOddPositions) {
  FenMutator texts(77);
  TestSearcher t;
  Board& board = t.searcher->board();
  Sfmt rng(5);
  int games = 0, longGames = 0;
  QuietStderr quiet;
  while (games < 24) {
    const std::string fen = texts.next();
    if (!setFen(board, fen.c_str()) || legalMoves(board).empty()) continue;
    ++games;
    int plies = 0;
    for (; plies < 2500; ++plies) {
      const std::vector<Move> moves = legalMoves(board);
      if (moves.empty()) break;
      makeHistoryRoom(board);
      makeMove(board, moves[rng.next32() % moves.size()]);
      updateAttackInfo(board);
      if (plies % 64 == 0) {
        ASSERT_STREQ(checkBoard(board), "") << fen << " after " << plies;
      }
    }
    ASSERT_STREQ(checkBoard(board), "") << fen;
    ASSERT_EQ(board.gamePly(), uint32_t(plies)) << fen;
    longGames += plies > int(HistorySize);
    ASSERT_NO_FATAL_FAILURE(t.go(2));
    ASSERT_NO_FATAL_FAILURE(expectLegalAnswer(t, fen));
  }
  EXPECT_GT(longGames, 4);
}

}  // namespace
}  // namespace vireo
