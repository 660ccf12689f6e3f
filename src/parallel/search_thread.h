#pragma once
// A search thread: its own board, evaluator and search state, plus what the
// pool needs to hand it work at split points.

#include <atomic>
#include <cstdint>

#include "board/board.h"
#include "eval/evaluator.h"
#include "parallel/sync.h"
#include "search/score.h"
#include "search/search_state.h"
#include "support/thread.h"

namespace vireo {

class Searcher;

constexpr int MaxThreads = 16;
constexpr int MaxSplitPoints = 16;

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

// Activities whose time is accounted per thread.
enum Activity { ActivityWaiting, ActivityWorkWait, ActivityMasterWait, ActivitySlaveWait,
                ActivityAdmin, ActivityWork, ActivityCount };

struct SearchThread {
  Board board;
  Evaluator evaluator;
  SearchState state;

  Searcher* searcher = nullptr;
  uint32_t index = 0;
  std::atomic<bool> quit{false};
  std::atomic<bool> stop{false};
  std::atomic<SplitPoint*> work{nullptr};
  std::atomic<bool> idle{false};
  SpinLock lock;  // guards work and idle
  int splitCount = 0;
  SplitPoint splitPoints[MaxSplitPoints];
  BoardState savedState{};
  uint32_t splits = 0, joins = 0;
  std::atomic<uint32_t> kills{0};  // counted by the thread that cut off
  uint32_t timeSpent[ActivityCount] = {};
  uint32_t lastSwitch = 0;
  Gate goGate, idleGate;
  PlatformThread thread;

  SearchThread() { initEvaluator(evaluator, &board); }
  SearchThread(const SearchThread&) = delete;
  SearchThread& operator=(const SearchThread&) = delete;

  void account(Activity activity);
};

}  // namespace vireo
