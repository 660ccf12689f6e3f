// Split points: a node of the main search whose remaining moves several
// threads search together. Idle threads join the deepest joinable split
// point; a thread that split and ran out of moves helps below its own split
// point instead of sleeping; a cutoff aborts exactly the threads working
// below the split point where it happened.
//
// Lock order: the searcher's splitLock before a thread's lock; a split
// point's lock is always taken alone.

#include "search/split.h"

#include <algorithm>
#include <cassert>

#include "board/make_move.h"
#include "eval/exchange.h"
#include "search/ordering.h"
#include "search/search.h"
#include "search/search_common.h"
#include "search/move_loop.h"
#include "search/move_picker.h"
#include "search/searcher.h"
#include "support/platform.h"

namespace vireo {

namespace {

constexpr auto Relaxed = std::memory_order_relaxed;
constexpr auto Acquire = std::memory_order_acquire;
constexpr auto Release = std::memory_order_release;

// Taken off the idle count while a splitter hands out its node, so that
// other splitters see no idle thread meanwhile; more than there are threads.
constexpr int IdleCountHold = 100;
static_assert(IdleCountHold > MaxThreads);

// Whether `ancestor` is sp or one of its parents.
bool onChain(const SplitPoint* sp, const SplitPoint* ancestor) {
  for (; sp; sp = sp->parent.load(Relaxed))
    if (sp == ancestor) return true;
  return false;
}

// The split point thread j works at, taken (refCount + 1) when `for` may join
// it: not cut off, moves left, and below `restriction` when one is given.
SplitPoint* takeJoinable(SearchThread& j, const SplitPoint* restriction) {
  if (!j.work.load(Acquire) || j.state.aborted()) return nullptr;
  SpinLockGuard guard(j.lock);
  SplitPoint* sp = j.work.load(Acquire);
  if (!sp || j.stop.load(Relaxed) || j.state.aborted()) return nullptr;
  if (sp->bestScore.load(Relaxed) >= sp->beta.load(Relaxed)) return nullptr;
  if (sp->moveCount.load(Relaxed) - sp->nextMove.load(Relaxed) <= 0) return nullptr;
  if (restriction && !onChain(sp, restriction)) return nullptr;
  sp->refCount.fetch_add(1);
  return sp;
}

// The deepest joinable split point of the other threads.
SplitPoint* findSplitPoint(SearchThread& t, const SplitPoint* restriction) {
  Searcher& searcher = *t.searcher;
  SpinLockGuard guard(searcher.splitLock);
  SplitPoint* best = nullptr;
  for (int i = 0; i < searcher.threadCount(); ++i) {
    SearchThread& j = searcher.thread(i);
    if (&j == &t) continue;
    SplitPoint* sp = takeJoinable(j, restriction);
    if (!sp) continue;
    if (!best || sp->depth.load(Relaxed) > best->depth.load(Relaxed)) {
      if (best) best->refCount.fetch_sub(1);
      best = sp;
    } else {
      sp->refCount.fetch_sub(1);
    }
  }
  return best;
}

// Joins a split point if there is one to join, else counts as idle.
void lookForWork(SearchThread& t) {
  if (t.stop.load(Relaxed)) return;
  SplitPoint* sp = findSplitPoint(t, t.work.load(Acquire));
  if (sp) {
    SpinLockGuard guard(t.lock);
    if (t.state.aborted())
      sp->refCount.fetch_sub(1);
    else
      t.work.store(sp, Release);
    return;
  }
  t.idle.store(true);
  t.searcher->idleCount.fetch_add(1);
}

// Whether a thread leaving split point sp must stop: the search is stopped,
// an enclosing split point was cut off, or a limit is up.
bool abortDue(const SearchThread& t, const SplitPoint* sp) {
  if (t.stop.load(Relaxed)) return true;
  for (const SplitPoint* p = sp->parent.load(Relaxed); p; p = p->parent.load(Relaxed))
    if (p->bestScore.load(Relaxed) >= p->beta.load(Relaxed)) return true;
  const TimeControl& tc = t.searcher->timeControl();
  return tc.timeUp(currentTimeMs()) || (tc.nodeLimit() && t.state.nodes() >= tc.nodeLimit());
}

void recomputeAbort(SearchThread& t, const SplitPoint* sp) { t.state.abort.store(abortDue(t, sp), Relaxed); }

// A cutoff at sp: every thread working at or below it stops. Each thread's
// work is read and its flag set under the thread's lock: a thread changes
// its work under that lock and only then recomputes or clears its flag, so
// a thread that has just left sp cannot be stopped after it has cleared
// its flag, which would throw away a move of the node it went back to.
void killBelow(SearchThread& t, SplitPoint* sp) {
  Searcher& searcher = *t.searcher;
  SpinLockGuard guard(searcher.splitLock);
  for (int i = 0; i < searcher.threadCount(); ++i) {
    SearchThread& j = searcher.thread(i);
    SpinLockGuard threadGuard(j.lock);
    if (onChain(j.work.load(Acquire), sp)) {
      j.state.abort.store(true, Relaxed);
      ++j.kills;
    }
  }
}

void waitUntilReady(SplitPoint* sp) {
  while (sp->state.load(Acquire) < SplitReady) yieldProcessor();
}

Score searchAtSplitPoint(SearchThread& t, SplitPoint* sp);

// With the board at sp's node: searches there once sp is ready, then leaves
// it for `next`, its own split point or none, under its lock: the abort flag
// is recomputed for the split points above `next`, or cleared.
void searchAndLeave(SearchThread& t, SplitPoint* sp, SplitPoint* next) {
  waitUntilReady(sp);
  t.account(ActivityAdmin);
  searchAtSplitPoint(t, sp);
  t.account(ActivityWork);
  SpinLockGuard guard(t.lock);
  t.work.store(next, Release);
  sp->refCount.fetch_sub(1, Release);
  if (next)
    recomputeAbort(t, next);
  else
    t.state.abort.store(false, Relaxed);
}

// The owner of `own` helps at w, a split point below its own.
void helpAt(SearchThread& t, SplitPoint* own, SplitPoint* w) {
  Board& b = t.board;
  const BoardState saved = b.state;
  const int made = w->ply - own->ply;
  replayMoves(b, made, w->path + own->ply);
  searchAndLeave(t, w, own);
  if (own->refCount.load(Acquire) != 0 && own->bestScore.load(Relaxed) < own->beta.load(Relaxed) &&
      !t.state.aborted())
    lookForWork(t);
  takeBackMoves(b, made, saved);
  t.account(ActivityAdmin);
}

// The owner waits for its helpers, helping below its own split point.
void helpfulMasterWait(SearchThread& t, SplitPoint* sp) {
  Searcher& searcher = *t.searcher;
  t.account(ActivityWork);
  auto open = [&] {
    return sp->refCount.load(Acquire) != 0 && sp->bestScore.load(Relaxed) < sp->beta.load(Relaxed);
  };
  if (open() && !t.state.aborted() && !t.stop.load(Relaxed)) {
    lookForWork(t);
    while (open() && !t.stop.load(Relaxed)) {
      SplitPoint* w = t.work.load(Acquire);
      if (!t.idle.load() && w && w != sp) {
        t.account(ActivityMasterWait);
        ++t.joins;
        helpAt(t, sp, w);
      } else {
        yieldProcessor();
      }
    }
  }
  t.account(ActivityMasterWait);
  {
    SpinLockGuard guard(t.lock);
    if (t.idle.exchange(false)) searcher.idleCount.fetch_sub(1);
    SplitPoint* w = t.work.load(Acquire);
    if (w && w != sp) w->refCount.fetch_sub(1, Release);
    t.work.store(sp->parent.load(Relaxed), Release);
    recomputeAbort(t, sp);
  }
  t.account(ActivityAdmin);
  while (sp->refCount.load(Acquire) != 0) yieldProcessor();
  t.account(ActivitySlaveWait);
}

Score searchAtSplitPoint(SearchThread& t, SplitPoint* sp) {
  const int alphaAtEntry = sp->alpha.load(Relaxed);
  NodeBest best{alphaAtEntry, sp->bestScore.load(Relaxed), sp->bestMove.load(Relaxed)};
  SplitMovePicker picker(sp);
  const LoopEnd end = searchMoves(t, sp->node, picker, best, sp);
  if (end == LoopEnd::Aborted) return 0;
  if (end == LoopEnd::Exhausted && best.best <= alphaAtEntry) {
    SpinLockGuard guard(sp->lock);
    if (best.best > sp->bestScore.load(Relaxed)) {
      sp->bestScore.store(best.best, Relaxed);
      sp->bestMove.store(best.bestMove, Relaxed);
    }
  }
  return best.best;
}

}  // namespace

namespace {

// Replays the path to sp, searches there, then finds more work.
void workAsSlave(SearchThread& t, SplitPoint* sp) {
  Board& b = t.board;
  const int made = sp->ply;
  replayMoves(b, made, sp->path);
  t.state.clearKillersAfter(made);
  searchAndLeave(t, sp, nullptr);
  lookForWork(t);
  takeBackMoves(b, made, t.savedState);
}

}  // namespace

void publishAlpha(SearchThread& t, SplitPoint* sp, Move move, Score score) {
  SpinLockGuard guard(sp->lock);
  if (sp->alpha.load(Relaxed) < score) {
    sp->alpha.store(score, Relaxed);
    sp->bestScore.store(score, Relaxed);
    sp->bestMove.store(move, Relaxed);
    prependLine(sp->pv, move, t.state.pv[sp->ply + 1]);
  }
}

void publishCutoff(SearchThread& t, SplitPoint* sp, Move move, Score score) {
  sp->moveCount.store(0, Relaxed);
  {
    SpinLockGuard guard(sp->lock);
    if (score > sp->bestScore.load(Relaxed)) {
      sp->bestScore.store(score, Relaxed);
      sp->bestMove.store(move, Relaxed);
    }
    sp->state.store(SplitCutOff, Relaxed);
  }
  killBelow(t, sp);
}

void serveSplitPoints(SearchThread& t) {
  t.account(ActivityWaiting);
  lookForWork(t);
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

bool split(SearchThread& t, const NodeState& node, NodeBest& best, const Move* moves, const int* marks, int count) {
  Searcher& searcher = *t.searcher;
  SplitPoint* sp = &t.splitPoints[t.splitCount++];
  sp->refCount.store(0, Relaxed);
  const int ply = node.ply;
  for (int k = 0; k < ply; ++k) sp->path[k] = t.board.moveHistory[t.board.ply - ply + 1 + k];
  sp->ply = ply;
  sp->state.store(SplitBuilding, Release);

  t.account(ActivityWork);
  sp->parent.store(t.work.load(Acquire), Relaxed);
  ++t.splits;
  {
    SpinLockGuard guard(t.lock);
    if (t.state.aborted()) {
      t.account(ActivityAdmin);
      --t.splitCount;
      return false;
    }
    t.work.store(sp, Release);
  }

  // Offer the node to idle threads now; when the global lock is busy
  // nothing is offered, and idle threads find it by themselves.
  if (searcher.idleCount.load() > 0 && searcher.splitLock.tryLock()) {
    if (searcher.idleCount.load() > 0) {
      searcher.idleCount.fetch_sub(IdleCountHold);
      int assigned = 0;
      for (int i = 0; i < searcher.threadCount(); ++i) {
        SearchThread& j = searcher.thread(i);
        if (&j == &t || !j.idle.load()) continue;
        SpinLockGuard guard(j.lock);
        SplitPoint* w = j.work.load(Acquire);
        if (!j.idle.load() || (w && !onChain(sp, w))) continue;
        j.work.store(sp, Release);
        j.idle.store(false);
        ++assigned;
      }
      sp->refCount.fetch_add(assigned);
      searcher.splitLock.unlock();
      searcher.idleCount.fetch_add(IdleCountHold - assigned);
    } else {
      searcher.splitLock.unlock();
    }
  }
  t.account(ActivityAdmin);

  std::copy(moves, moves + count, sp->moves);
  std::copy(marks, marks + count, sp->marks);
  sp->moveCount.store(count, Relaxed);
  sp->nextMove.store(0, Relaxed);
  sp->node = node;
  sp->alpha.store(best.alpha, Relaxed);
  sp->bestMove.store(best.bestMove, Relaxed);
  sp->bestScore.store(best.best, Relaxed);
  sp->depth.store(node.depth, Relaxed);
  sp->beta.store(node.beta, Relaxed);
  sp->state.store(SplitFilling, Relaxed);
  copyLine(sp->pv, t.state.pv[ply]);
  // Everything above is visible to a joiner that sees SplitReady.
  sp->state.store(SplitReady, Release);

  searchAtSplitPoint(t, sp);
  helpfulMasterWait(t, sp);

  // Every cause of a stop outlives it, so a stopped owner must find one.
  assert(!t.state.aborted() || abortDue(t, sp));
  best.best = sp->bestScore.load(Relaxed);
  best.bestMove = sp->bestMove.load(Relaxed);
  if (best.best > best.alpha) copyLine(t.state.pv[ply], sp->pv);
  --t.splitCount;
  return true;
}

}  // namespace vireo
