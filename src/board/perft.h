#pragma once
// Leaf counts of the legal move tree, for move-generator checks and speed.

#include <cstdint>

#include "board/board.h"

namespace vireo {

// Depth 0 and 1 both count the legal moves; the last ply is counted without
// being made.
uint64_t perft(Board& board, int depth);

// Per root move, in generation order: the perft of depth - 1 below it (1 when
// depth is 1 or less). Returns the number of root moves written.
int divideCounts(Board& board, int depth, Move* moves, uint64_t* counts);

}  // namespace vireo
