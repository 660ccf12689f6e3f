#pragma once
// The move loop of a node of the main search, run by the node's own thread
// and, after a split, by every thread at the split point.

#include "board/move.h"
#include "search/node_state.h"

namespace vireo {

struct SearchThread;
struct SplitPoint;

enum class LoopEnd {
  Exhausted,  // every move searched or pruned
  Cutoff,     // best.best >= beta, by best.bestMove
  Aborted,    // the thread's search was stopped: the result means nothing
};

// Searches the node's moves after the hash move, updating `best`.
//
// AtSplitPoint (the picker is a split point's: SplitMovePicker, against a
// node's NodeMovePicker) is the one switch between a node and a split point;
// what it changes, and why:
//  - the moves come from the split point's list, which its threads share out
//    one at a time, and alpha is the split point's, read afresh for every
//    move, since any thread may raise it; the threat marks travel with the
//    moves, so that a move is pruned, reduced or spared exactly as the node
//    alone would treat it (marking again against the split point's alpha
//    spared more moves the reduction, and cost two threads a tenth more
//    nodes);
//  - a move that raises alpha is published to the split point instead of
//    stored in the table (the owner stores the node's result), a cutoff stops
//    every thread below the split point, and the first move searched is not
//    the node's first, so it never gets the full window for that reason.
// The node's loop, in turn, offers its remaining moves to idle threads.
template <class Picker>
LoopEnd searchMoves(SearchThread& t, const NodeState& node, Picker& picker, NodeBest& best, SplitPoint* sp);

}  // namespace vireo
