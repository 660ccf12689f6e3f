#pragma once
// What a search thread carries from node to node: the principal-variation
// table, killer moves, node counters and the abort flag.

#include <atomic>
#include <cstdint>
#include <cstring>

#include "board/move.h"
#include "search/own_counter.h"
#include "search/score.h"
#include "search/tt.h"

namespace vireo {

// Principal-variation lines: 0-terminated, at most MaxPly - 1 moves.
inline void copyLine(Move* to, const Move* from) {
  int n = 0;
  for (; from[n] && n < MaxPly - 1; ++n) to[n] = from[n];
  to[n] = 0;
}

// to = move followed by the line `rest`.
inline void prependLine(Move* to, Move move, const Move* rest) {
  to[0] = move;
  int n = 1;
  for (; rest[n - 1] && n < MaxPly - 1; ++n) to[n] = rest[n - 1];
  to[n] = 0;
}

struct SearchState {
  Move pv[MaxPly][MaxPly];  // pv[ply] is the best line from ply, 0-terminated
  Move killers[MaxPly][2];  // without the single-reply mark
  OwnCounter quiescenceNodes;
  OwnCounter prunedMoves;
  OwnCounter interiorNodes;
  OwnCounter frontierNodes;
  TtCounters tt;
  int selDepth = 0;
  // Set by this thread's polling, by a stop, or by another thread whose
  // cutoff made this thread's work useless.
  std::atomic<bool> abort{false};

  uint64_t nodes() const { return quiescenceNodes.get() + prunedMoves.get() + interiorNodes.get(); }
  bool aborted() const { return abort.load(std::memory_order_relaxed); }

  void reset() {
    abort.store(false, std::memory_order_relaxed);
    quiescenceNodes.reset();
    prunedMoves.reset();
    interiorNodes.reset();
    frontierNodes.reset();
    tt.reset();
    selDepth = 0;
    std::memset(killers, 0, sizeof killers);
  }

  // Forgets the killers of the plies after `ply`: a helper joining a split
  // point there holds killers from another part of the tree, and they would
  // be searched early and spared reductions in nodes they do not fit.
  void clearKillersAfter(int ply) {
    if (ply + 1 < MaxPly) std::memset(killers[ply + 1], 0, sizeof(killers[0]) * size_t(MaxPly - ply - 1));
  }

  void recordKiller(int ply, Move move) {
    const Move k = move & MoveCompareMask;
    if (k != killers[ply][0]) {
      killers[ply][1] = killers[ply][0];
      killers[ply][0] = k;
    }
  }

  // pv[ply] = move followed by pv[ply + 1].
  void extendPv(int ply, Move move) { prependLine(pv[ply], move, pv[ply + 1]); }
  void setPv(int ply, Move move) {
    pv[ply][0] = move;
    if (ply + 1 < MaxPly) pv[ply][1] = 0;
  }
};

}  // namespace vireo
