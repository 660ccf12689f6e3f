#pragma once
// Pieces shared by the main search, the quiescence search and the split-point
// search: draw rules, material tests and the make/unmake wrappers that keep
// attack information and prefetches in step.

#include "board/board.h"
#include "board/make_move.h"
#include "eval/evaluator.h"
#include "search/search_thread.h"
#include "search/score.h"
#include "search/search.h"
#include "search/searcher.h"

namespace vireo {

// Material tests on a side's signature.
inline bool hasPiece(uint32_t s) { return pieceCount(s) != 0; }
inline bool hasMajor(uint32_t s) { return rookCount(s) + queenCount(s) != 0; }
inline bool hasSlider(uint32_t s) { return bishopCount(s) + rookCount(s) + queenCount(s) != 0; }
inline bool hasTwoPieces(uint32_t s) { return pieceCount(s) >= 2; }

// Makes a move on the thread's board, refreshes the attack information the
// child needs and prefetches its table bucket and pawn entry. (The move
// loops ask for the bucket earlier where they know the move ahead: a table
// entry takes longer to come than a move takes to make.)
inline void makeSearchMove(SearchThread& t, Move move) {
  makeMove(t.board, move);
  // The fetches overlap the attack computation.
  t.searcher->tt().prefetch(t.board.hashKey, t.board.sideToMove);
  prefetchPawnEntry(t.evaluator, t.board.state.pawnKey);
  updateAttackInfo(t.board);
}

// The searches of a move just made, shared by the one-thread move loop and
// the split points.

// Late-move reduction: a reduced null-window search of a late quiet move.
// True when it fails low (v <= a) or the search was aborted; the caller
// then takes the move back and goes on.
inline bool reducedSearchFailsLow(SearchThread& t, int ply, int depth, int reduction, Score a, Score& v) {
  v = -search(t, ply + 1, depth - reduction, -a - 1, -a, Reduced | NullWindow | CutNode);
  return t.state.aborted() || v <= a;
}

// The full-depth search. Once a move of the node has been searched, later
// moves of a non-PV node expect to be refuted, and in a PV node they get a
// null window first and the full window only when they beat alpha.
inline Score fullDepthSearch(SearchThread& t, int ply, int depth, Score a, Score beta, int flags,
                             bool firstMove) {
  if (!isPvNode(flags))
    return -search(t, ply + 1, depth, -beta, -a, firstMove ? childFlags(flags) : CutNode | NullWindow);
  if (firstMove) return -search(t, ply + 1, depth, -beta, -a, PvNode);
  const Score v = -search(t, ply + 1, depth, -a - 1, -a, CutNode | NullWindow);
  if (t.state.aborted() || v <= a) return v;
  return -search(t, ply + 1, depth, -beta, -a, PvNode);
}

// Whether a rule draws the position (fifty moves, repetition, material
// that cannot mate, a forced reversal); for a forced reversal it also sets
// the node's line to the move that repeats.
bool isDrawNode(SearchThread& t, int ply, Score beta);

// The capture extension of a move just made (see search).
bool captureExtends(const Board& board, Move move);

// Whether time or nodes are up for this thread; called every 256 nodes.
bool pollLimits(SearchThread& t);

// 0, or a centipawn estimate of the threats against side x.
int threatValue(const Evaluator& evaluator, Colour x);

}  // namespace vireo
