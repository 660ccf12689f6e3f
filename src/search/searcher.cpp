// The searcher's threads: starting and stopping a search, and the job each
// pool thread runs when released.

#include <algorithm>
#include <atomic>

#include "board/make_move.h"
#include "search/split.h"
#include "search/searcher.h"
#include "support/platform.h"

namespace vireo {

namespace {
constexpr uint32_t PawnHashEntries = 131072;
}

Searcher::Searcher(Tt& tt, TimeControl& timeControl)
    : tt_(tt), timeControl_(timeControl), pool_([this](int index) { runThread(index); }) {
  for (int i = 0; i < MaxThreads; ++i) {
    threads_[i].searcher = this;
    threads_[i].index = uint32_t(i);
    threads_[i].activity = &pool_.activity(i);
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
  const int old = pool_.size();
  if (count == old) return;
  waitIdle();
  // A thread's pawn table is full size while the thread exists.
  for (int i = 0; i < MaxThreads; ++i)
    if (i >= old && i < count) resizePawnHash(threads_[i].evaluator, PawnHashEntries);
  pool_.resize(count);
  for (int i = 0; i < MaxThreads; ++i)
    if (i >= count && i < old) resizePawnHash(threads_[i].evaluator, 1);
}

void Searcher::release(int index) {
  SearchThread& t = threads_[index];
  t.work = nullptr;
  t.idle = false;
  t.stop = false;
  pool_.release(index);
}

void Searcher::waitIdle() { pool_.waitAllParked(); }

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
  resetRoot();
  SearchThread& master = threads_[0];
  master.state.reset();
  timeControl_.reset();
  tt_.newSearch();
  for (int i = 1; i < threadCount(); ++i) {
    copyBoard(threads_[i].board, master.board);
    threads_[i].savedState = master.board.state;
  }
  // The release orders everything above before the master starts.
  release(0);
}

void Searcher::stopSearch() {
  stopRequested_.store(true, std::memory_order_release);
  stopped_ = true;
  for (int i = 0; i < threadCount(); ++i) {
    threads_[i].stop = true;
    threads_[i].state.abort = true;
  }
  waitIdle();
}

void Searcher::ponderhit() {
  if (reason() != 0) {
    stopSearch();
    return;
  }
  timeControl_.ponderhit();
}

bool Searcher::limitReached() {
  if (timeControl_.stopNow(masterNodes(), currentTimeMs())) setStopped();
  return stopped();
}

void Searcher::runThread(int index) {
  SearchThread& t = threads_[index];
  t.state.reset();
  t.savedState = t.board.state;
  t.splitCount = 0;
  t.work = nullptr;
  t.idle = false;
  t.splits = t.joins = 0;
  t.kills = 0;
  t.activity->reset();
  if (index == 0)
    masterJob();
  else
    serveSplitPoints(t);
}

void Searcher::masterJob() {
  idleCount.exchange(0);
  for (int i = 1; i < threadCount(); ++i) release(i);
  think();
  for (int i = 1; i < threadCount(); ++i) {
    threads_[i].stop = true;
    threads_[i].state.abort = true;
  }
  // The statistics include the helpers' last work.
  for (int i = 1; i < threadCount(); ++i) pool_.waitParked(i);
  if (trace) trace->threadsStopped();
}

uint64_t Searcher::totalNodes() const {
  uint64_t nodes = 0;
  for (int i = 0; i < threadCount(); ++i) nodes += threads_[i].state.nodes();
  return nodes;
}

}  // namespace vireo
