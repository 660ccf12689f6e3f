#pragma once
// Splitting a node of the main search among idle threads.

#include "board/move.h"

namespace vireo {

struct SearchThread;

// The state of the node at the moment of the split, and its result after.
struct SplitNode {
  int ply, depth, alpha, beta, flags, eval, reduction, futilityLimit;
  int bestScore;
  Move bestMove;
  int newDepth;
  Move hashMove;
  int earlyCount;  // early moves among `moves`
};

// Offers the remaining moves of the node to idle threads and searches them
// together. Returns false (and searches nothing) when no split took place.
// After a split, node.bestScore and node.bestMove hold the node's result and,
// when that beats the node's alpha, the thread's pv line of the ply holds it.
bool split(SearchThread& t, SplitNode& node, const Move* moves, int count);

// A helper thread's part of a search: joins split points as they open and
// searches there until the search stops.
void serveSplitPoints(SearchThread& t);

}  // namespace vireo
