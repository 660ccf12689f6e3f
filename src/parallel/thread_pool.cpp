// The pool of search threads: thread 0 is the master that runs the root
// search; the others wait for work at split points.

#include <algorithm>
#include <atomic>

#include "board/make_move.h"
#include "parallel/split.h"
#include "search/searcher.h"
#include "support/platform.h"

namespace vireo {

namespace {
constexpr uint32_t PawnHashEntries = 131072;
}

void SearchThread::account(Activity activity) {
  const uint32_t now = currentTimeMs();
  timeSpent[activity] += now - lastSwitch;
  lastSwitch = now;
}

Searcher::Searcher(Tt& tt, TimeControl& timeControl) : tt_(tt), timeControl_(timeControl) {
  for (int i = 0; i < MaxThreads; ++i) {
    threads_[i].searcher = this;
    threads_[i].index = uint32_t(i);
    // An empty board until a position is set: copies of it read its ply.
    clearBoard(threads_[i].board);
  }
}

Searcher::~Searcher() { shutdown(); }

void Searcher::shutdown() {
  stopSearch();
  resizePool(0);
}

void Searcher::setThreads(int count) { resizePool(std::clamp(count, 1, MaxThreads)); }

void Searcher::resizePool(int count) {
  if (count == threadCount_) return;
  waitIdle();
  for (int i = threadCount_; i < count; ++i) {
    SearchThread& t = threads_[i];
    resizePawnHash(t.evaluator, PawnHashEntries);
    t.quit = false;
    t.goGate.close();
    t.idleGate.close();
    t.thread.start([this, &t] { workerLoop(t); });
    t.idleGate.wait();
  }
  for (int i = count; i < threadCount_; ++i) {
    SearchThread& t = threads_[i];
    t.quit = true;
    t.stop = true;
    t.state.abort = true;
    release(t);
    t.thread.join();
    resizePawnHash(t.evaluator, 1);
  }
  threadCount_ = count;
}

void Searcher::release(SearchThread& t) {
  t.work = nullptr;
  t.idle = false;
  t.stop = false;
  t.idleGate.close();
  t.goGate.open();
}

void Searcher::waitIdle() {
  for (int i = 0; i < threadCount_; ++i) threads_[i].idleGate.wait();
}

void Searcher::resetRoot() {
  stopped_ = false;
  stopRequested_ = false;
  reason_ = 0;
  depth_ = 0;
  rootMoveCount_ = 0;
  order_[0] = 0;
  pvLines_[0][0] = 0;
}

void Searcher::startSearch() {
  waitIdle();
  stopping = false;
  resetRoot();
  SearchThread& master = threads_[0];
  master.state.reset();
  timeControl_.reset();
  tt_.newSearch();
  for (int i = 1; i < threadCount_; ++i) {
    copyBoard(threads_[i].board, master.board);
    threads_[i].savedState = master.board.state;
  }
  // Opening the gate orders everything above before the master starts.
  release(master);
}

void Searcher::stopSearch() {
  stopRequested_.store(true, std::memory_order_release);
  stopping = true;
  stopped_ = true;
  for (int i = 0; i < threadCount_; ++i) {
    threads_[i].stop = true;
    threads_[i].state.abort = true;
  }
  waitIdle();
}

void Searcher::workerLoop(SearchThread& t) {
  t.lastSwitch = currentTimeMs();
  for (;;) {
    t.account(ActivityWaiting);
    t.goGate.close();
    t.idleGate.open();
    t.goGate.wait();
    if (t.quit) {
      t.idleGate.open();
      return;
    }
    t.state.reset();
    t.savedState = t.board.state;
    t.splitCount = 0;
    t.work = nullptr;
    t.idle = false;
    t.splits = t.joins = 0;
    t.kills = 0;
    std::fill(std::begin(t.timeSpent), std::end(t.timeSpent), 0u);
    t.account(ActivityWaiting);
    if (t.index == 0)
      masterJob(t);
    else
      slaveLoop(t);
  }
}

void Searcher::masterJob(SearchThread& t) {
  idleCount.exchange(0);
  for (int i = 1; i < threadCount_; ++i) release(threads_[i]);
  think();
  for (int i = 1; i < threadCount_; ++i) {
    threads_[i].stop = true;
    threads_[i].state.abort = true;
  }
  // The statistics include the helpers' last work.
  for (int i = 1; i < threadCount_; ++i) threads_[i].idleGate.wait();
  printStatistics();
  (void)t;
}

void Searcher::slaveLoop(SearchThread& t) {
  t.account(ActivityWaiting);
  lookForWorkAsSlave(t);
  for (;;) {
    t.account(ActivityAdmin);
    while (!t.stop && !t.work) yieldProcessor();
    t.account(ActivityWorkWait);
    {
      SpinLockGuard guard(t.lock);
      if (t.stop) {
        t.idle = false;
        if (SplitPoint* w = t.work.exchange(nullptr)) w->refCount.fetch_sub(1);
        return;
      }
    }
    t.account(ActivityAdmin);
    if (SplitPoint* w = t.work) {
      ++t.joins;
      workAsSlave(t, w);
    }
  }
}

}  // namespace vireo
