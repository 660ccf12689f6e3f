#pragma once
// Making and taking back moves. makeMove leaves enemyAttacks and blockers
// stale: callers run updateAttackInfo before generating moves or testing
// check in the new position. unmakeMove restores them from the BoardState the
// caller saved before the move.

#include "board/board.h"

namespace vireo {

// Makes a legal move; null moves go through makeNullMove.
void makeMove(Board& board, Move move);
void unmakeMove(Board& board, Move move, const BoardState& saved);
// Takes back the placement of a move, with a stand-in for the state it
// cannot restore: for a copy of the board that only needs its pieces (the
// debug build's board check would reject its keys).
void unmakePlacement(Board& board, Move move, const BoardState& standIn);
// The hash key the board will have after makeMove(board, move), without
// making it: lets the search fetch a child's table entry early.
uint64_t keyAfter(const Board& board, Move move);

// Passes the turn. Leaves castling, pawnKey and attack information as they are.
void makeNullMove(Board& board);
void unmakeNullMove(Board& board, const BoardState& saved);

// Makes count moves in order (0 entries are null moves), then updateAttackInfo.
void replayMoves(Board& board, int count, const Move* moves);
// Takes back the last count moves of the history, restoring `saved` each time:
// the caller passes the state of the position it returns to.
void takeBackMoves(Board& board, int count, const BoardState& saved);

// Keeps a game of any length within the history: called before each move of
// a game, it drops the oldest plies once the history is full up to
// MaxGamePly. What stays is what repetition detection and the fifty-move
// count need: the plies since the last irreversible move, at most a hundred
// (past that the game is drawn whatever the history holds). gamePly() keeps
// its value, and so does fiftyMoveCount() up to MaxFiftyMoveCount.
void makeHistoryRoom(Board& board);

// Long-algebraic text (e2e4, Ng1f3, e4xd5, e7e8=Q, O-O-O, % for the null
// move); works before or after the move is made. Returns the end of the text.
char* moveToText(const Board& board, Move move, char* buffer);

}  // namespace vireo
