#pragma once
// How a search reports what it does. The master search thread calls these
// while a listener is set: the front end's (UCI), and the console trace, which
// takes the events a front end has no use for.

#include "board/move.h"

namespace vireo {

class SearchListener {
 public:
  virtual ~SearchListener() = default;
  // The search starts on the root move with this 0-based index.
  virtual void reportCurrMove(int depth, int moveIndex, Move move) = 0;
  // A new best line at this depth with this score and first move.
  virtual void reportPv(int depth, int score, Move move) = 0;
  // The search has ended.
  virtual void finished(int depth, int score, Move move) = 0;

  // The root's progress in detail. A TerminationReason says why an
  // iteration would end the search; `ends` when it does.
  virtual void iterationDone(int /*score*/, int /*reason*/, double /*branching*/, bool /*ends*/) {}
  // A limit stopped the iteration; score is the best move's so far.
  virtual void iterationStopped(int /*score*/) {}
  // A move other than the first beat alpha with a null window (moveIndex is
  // 0-based) and is searched again with the full window.
  virtual void rootFailHigh(int /*moveIndex*/, int /*moveCount*/, int /*score*/, Move /*move*/) {}
  // The first move, or a re-searched one, scored at most alpha.
  virtual void rootFailLow(int /*score*/, Move /*move*/) {}
  // The line at this rank of the root order is new.
  virtual void newLine(int /*rank*/) {}
  // Every thread has stopped: per-thread counts are final.
  virtual void threadsStopped() {}
};

}  // namespace vireo
