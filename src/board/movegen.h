#pragma once
// Legal move generation without make-and-test: pinned pieces keep to the line
// through their king, king moves avoid enemyAttacks (computed with the king
// lifted off the board), and en passant gets an explicit discovered-check
// test. All generators need current attack information (updateAttackInfo).
// The order of the generated moves is fixed; move ordering depends on it.

#include "board/board.h"

namespace vireo {

// Runs updateAttackInfo, then generateEvasions or generateMoves.
Move* generateLegal(Board& board, Move* list);
// All legal moves when the side to move is not in check.
Move* generateMoves(const Board& board, Move* list);
// All legal moves when it is in check.
Move* generateEvasions(const Board& board, Move* list);
// Quiescence moves: captures onto `targets` (enemy squares), queen
// promotions, and quiet pawn steps to the seventh rank. Not in check.
Move* generateCaptures(const Board& board, Move* list, Bitboard targets);
// En-passant captures of the side to move.
Move* generateEnPassant(const Board& board, Move* list);

// A quiet check or push to the seventh rank, its rank among the others
// (highest first), and whether it is worth a look only when it loses no
// material, which the caller judges.
struct QuietCheck {
  Move move;
  int score;
  bool mustNotLose;
};
// Appends the quiet checks and pushes to the seventh rank onto squares of
// `targets`, in generation order; returns the new end of the list.
QuietCheck* generateQuietChecks(const Board& board, QuietCheck* list, Bitboard targets);
// Appends a pawn move, or its four promotions (Q, N, B, R) on the last rank.
Move* addPawnMove(Move* list, Move move);

// Whether a move word (typically from the transposition table) is legal in
// the position. Accepts exactly the moves generateLegal would produce.
bool isMoveValid(const Board& board, Move move);

// Squares of the pieces of `by` that attack square s over the occupancy.
Bitboard attackersOf(const Board& board, Square s, Colour by, Bitboard occupancy);

}  // namespace vireo
