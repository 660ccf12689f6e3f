#include "board/perft.h"

#include "board/make_move.h"
#include "board/movegen.h"

namespace vireo {

uint64_t perft(Board& board, int depth) {
  Move moves[MaxMoves];
  Move* end = generateLegal(board, moves);
  if (depth < 2) return uint64_t(end - moves);
  const BoardState saved = board.state;
  uint64_t leaves = 0;
  for (Move* m = moves; m != end; ++m) {
    makeMove(board, *m);
    leaves += perft(board, depth - 1);
    unmakeMove(board, *m, saved);
  }
  return leaves;
}

int divideCounts(Board& board, int depth, Move* moves, uint64_t* counts) {
  Move* end = generateLegal(board, moves);
  const BoardState saved = board.state;
  const int n = int(end - moves);
  for (int i = 0; i < n; ++i) {
    makeMove(board, moves[i]);
    counts[i] = depth > 1 ? perft(board, depth - 1) : 1;
    unmakeMove(board, moves[i], saved);
  }
  return n;
}

}  // namespace vireo
