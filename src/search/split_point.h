#pragma once
// A node of the main search whose remaining moves several threads search
// together.

#include <atomic>

#include "board/move.h"
#include "search/node_state.h"
#include "search/score.h"
#include "support/spin_lock.h"

namespace vireo {

// The states of a split point.
enum SplitPointState { SplitBuilding = 0, SplitFilling = 1, SplitReady = 2, SplitCutOff = 3 };

// A node whose remaining moves several threads search together. The owner
// fills the plain fields before publishing SplitReady (release); joiners read
// them after seeing it (acquire). Fields that other threads read before
// that, or write while the node is searched, are atomics: depth and beta are
// the node's, kept apart for threads choosing where to join.
struct SplitPoint {
  SpinLock lock;  // guards the pv and the joint update of alpha, bestScore, bestMove
  NodeState node;
  int ply = 0;  // the length of `path`, written before the split point is published
  std::atomic<int> depth{0};
  std::atomic<int> alpha{0};
  std::atomic<int> beta{0};
  std::atomic<Move> bestMove{0};
  std::atomic<int> bestScore{0};
  std::atomic<SplitPoint*> parent{nullptr};
  std::atomic<int> state{SplitBuilding};
  std::atomic<int> refCount{0};
  std::atomic<int> nextMove{0};
  std::atomic<int> moveCount{0};
  Move moves[MaxMoves];
  int marks[MaxMoves];  // the node's threat marks of `moves`
  Move path[MaxPly];
  Move pv[MaxPly];
};

}  // namespace vireo
