#pragma once
// Helpers shared by the board tests.

#include <memory>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/sfmt.h"

namespace vireo::testing_util {

// Boards are large; tests keep them on the heap.
inline std::unique_ptr<Board> boardFromFen(const char* fen, bool chess960 = false) {
  auto board = std::make_unique<Board>();
  if (!setFen(*board, fen, nullptr, chess960)) return nullptr;
  return board;
}

inline std::vector<Move> legalMoves(Board& board) {
  Move moves[MaxMoves];
  Move* end = generateLegal(board, moves);
  return std::vector<Move>(moves, end);
}

// Plays random legal moves from the position until the game ends or `plies`
// moves are made; calls visit(board) before every move and at the end.
template <typename Visit>
void randomGame(Board& board, Sfmt& rng, int plies, Visit visit) {
  for (int i = 0; i < plies; ++i) {
    visit(board);
    std::vector<Move> moves = legalMoves(board);
    if (moves.empty() || board.fiftyMoveCount() >= 100) return;
    makeMove(board, moves[rng.next32() % moves.size()]);
    updateAttackInfo(board);
  }
  visit(board);
}

}  // namespace vireo::testing_util
