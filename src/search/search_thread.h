#pragma once
// A search thread: its own board, evaluator and search state, plus what the
// split points need to hand it work.

#include <atomic>
#include <cstdint>

#include "board/board.h"
#include "eval/evaluator.h"
#include "parallel/thread_pool.h"
#include "search/score.h"
#include "search/search_state.h"
#include "search/split_point.h"
#include "support/spin_lock.h"

namespace vireo {

class Searcher;

constexpr int MaxSplitPoints = 16;

struct SearchThread {
  Board board;
  Evaluator evaluator;
  SearchState state;

  Searcher* searcher = nullptr;
  uint32_t index = 0;
  std::atomic<bool> stop{false};
  std::atomic<SplitPoint*> work{nullptr};
  std::atomic<bool> idle{false};
  SpinLock lock;  // guards work and idle
  int splitCount = 0;
  SplitPoint splitPoints[MaxSplitPoints];
  BoardState savedState{};
  uint32_t splits = 0, joins = 0;
  std::atomic<uint32_t> kills{0};  // counted by the thread that cut off
  ActivityTimes* activity = nullptr;  // the pool's counts for this thread

  SearchThread() { initEvaluator(evaluator, &board); }
  SearchThread(const SearchThread&) = delete;
  SearchThread& operator=(const SearchThread&) = delete;

  void account(Activity a) { activity->account(a); }
};

}  // namespace vireo
