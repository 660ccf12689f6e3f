#pragma once
// A node of the main search whose remaining moves several threads search
// together.

#include <atomic>

#include "board/move.h"
#include "search/score.h"
#include "support/spin_lock.h"

namespace vireo {

// A node whose remaining moves several threads search together. The owner
// fills the plain fields before publishing state 2 (release); joiners read
// them after seeing state 2 (acquire). Fields that other threads read before
// that, or write while the node is searched, are atomics.
struct SplitPoint {
  SpinLock lock;  // guards the pv and the joint update of alpha, bestScore, bestMove
  int ply = 0;
  std::atomic<int> depth{0};  // compared by threads choosing where to join
  std::atomic<int> alpha{0};
  std::atomic<int> beta{0};
  int flags = 0;
  int eval = 0;
  int reduction = 0;
  int futilityLimit = 0;
  std::atomic<Move> bestMove{0};
  std::atomic<int> bestScore{0};
  int newDepth = 0;
  Move hashMove = 0;
  int earlyCount = 0;
  std::atomic<SplitPoint*> parent{nullptr};
  std::atomic<int> state{0};  // 0 being built, 1 being filled, 2 ready, 3 cut off
  std::atomic<int> refCount{0};
  std::atomic<int> nextMove{0};
  std::atomic<int> moveCount{0};
  Move moves[MaxMoves];
  Move path[MaxPly];
  Move pv[MaxPly];
};

}  // namespace vireo
