#pragma once
// Move ordering for the searches, and threat marking, which exempts dangerous
// quiet moves from pruning and reduction. All work in place on a thread's
// move list with a parallel array of scores or marks.

#include "board/board.h"

namespace vireo {

struct SearchThread;

// Threat marks.
constexpr int MarkNone = 0;
constexpr int MarkThreat = 1;
constexpr int MarkDiscovery = 2;

// Sorts the first `places` positions of a scored list, highest score first,
// the earlier move first on ties; the rest keeps its order.
void selectionSort(Move* moves, int* scores, int count, int places);

// Orders a normal move list (sorting only its first eight places) and returns
// the number of early moves: those exempt from futility pruning and late-move
// reductions.
int orderMoves(SearchThread& t, int ply, Move* moves, int count, Move hashMove);
// Orders check evasions fully.
void orderEvasions(SearchThread& t, Move* moves, int count, Move hashMove);
// Marks threatening moves; gap is beta minus the static evaluation.
void markThreats(SearchThread& t, const Move* moves, int count, int* marks, int gap);
// The mark of a single move (used at split points).
int threatMark(const Board& board, Move move, int gap);

}  // namespace vireo
