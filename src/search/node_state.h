#pragma once
// The state of a node of the main search as its move loop sees it: fixed
// once the moves are generated, shared unchanged by the threads of a split
// point, and what the loop leaves behind.

#include "board/move.h"
#include "search/score.h"

namespace vireo {

struct NodeState {
  int ply = 0, depth = 0;
  Score beta = 0;
  int flags = 0;
  int eval = 0;
  int newDepth = 0;       // the moves' depth before their own extensions
  int reduction = 0;      // of late moves that expect to fail low
  int futilityLimit = 0;  // late quiet moves are pruned while alpha is above it
  Move hashMove = 0;      // searched before the loop, skipped in it
  int earlyCount = 0;     // the first this many moves of the list are early
};

// What the loop updates as it goes: the node's alpha, its best score and move.
struct NodeBest {
  Score alpha = 0;
  Score best = 0;
  Move bestMove = 0;
};

}  // namespace vireo
