#pragma once
// Splitting a node of the main search among idle threads.

#include "board/move.h"
#include "search/node_state.h"

namespace vireo {

struct SearchThread;

struct SplitPoint;

// Offers the remaining moves of the node to idle threads and searches them
// together; node.earlyCount counts among `moves`. Returns false (and searches
// nothing) when no split took place. After a split, best.best and
// best.bestMove hold the node's result and, when that beats best.alpha, the
// thread's pv line of the ply holds it.
bool split(SearchThread& t, const NodeState& node, NodeBest& best, const Move* moves, const int* marks,
           int count);

// What a thread searching at sp found: a move that raised alpha, and a
// cutoff, which stops every thread below sp.
void publishAlpha(SearchThread& t, SplitPoint* sp, Move move, Score score);
void publishCutoff(SearchThread& t, SplitPoint* sp, Move move, Score score);

// A helper thread's part of a search: joins split points as they open and
// searches there until the search stops.
void serveSplitPoints(SearchThread& t);

}  // namespace vireo
