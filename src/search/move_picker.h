#pragma once
// The moves of a node of the main search, one at a time with their early or
// late standing and threat mark: after the stored move (which the node
// searches before generating anything), either the evasions, all ordered and
// all early, or the moves, the best eight sorted to the front and the first
// of them early, then the rest in generation order. At a split point the
// threads share the node's remaining moves out of the split point's list.

#include <atomic>

#include "board/move.h"
#include "search/split_point.h"

namespace vireo {

struct SearchThread;

struct PickedMove {
  Move move;
  int index;  // in the node's list
  bool late;  // spared neither pruning nor reduction by its place
  int mark;   // threat mark, given by the node when it generated its moves
};

class NodeMovePicker {
 public:
  explicit NodeMovePicker(Move hashMove) : hashMove_(hashMove) {}

  // Generate and order; each returns the number of moves. A single legal
  // move carries MoveSingleReply.
  int evasions(SearchThread& t);
  int moves(SearchThread& t, int ply);
  // Marks the threatening moves; gap is beta minus the static evaluation.
  void markThreats(SearchThread& t, int gap);

  // The next move other than the stored one; false when none is left.
  bool next(PickedMove& picked) {
    if (!peek(picked)) {
      next_ = count_;
      return false;
    }
    next_ = picked.index + 1;
    return true;
  }
  // The move next() will give, left in the list: its table entry can be
  // fetched while the move before it is searched.
  bool peek(PickedMove& picked) const {
    for (int i = next_; i < count_; ++i) {
      if (moves_[i] == hashMove_) continue;
      picked = PickedMove{moves_[i], i, i >= earlyCount_, marks_[i]};
      return true;
    }
    return false;
  }

  // The moves and their marks from index i on, for a split point.
  const Move* from(int i) const { return moves_ + i; }
  const int* marksFrom(int i) const { return marks_ + i; }
  int count() const { return count_; }
  int earlyCount() const { return earlyCount_; }

 private:
  Move hashMove_;
  Move moves_[MaxMoves];
  int marks_[MaxMoves] = {};
  int count_ = 0, earlyCount_ = 0, next_ = 0;
};

class SplitMovePicker {
 public:
  explicit SplitMovePicker(SplitPoint* sp) : sp_(sp) {}

  bool next(PickedMove& picked) {
    for (;;) {
      const int i = sp_->nextMove.fetch_add(1);
      if (i >= sp_->moveCount.load(std::memory_order_relaxed)) return false;
      if (sp_->moves[i] == sp_->node.hashMove) continue;
      picked = at(i);
      return true;
    }
  }
  // Likely the move this thread's next() gives (another thread may take it
  // first).
  bool peek(PickedMove& picked) const {
    const int count = sp_->moveCount.load(std::memory_order_relaxed);
    for (int i = sp_->nextMove.load(std::memory_order_relaxed); i < count; ++i) {
      if (sp_->moves[i] == sp_->node.hashMove) continue;
      picked = at(i);
      return true;
    }
    return false;
  }

 private:
  PickedMove at(int i) const { return PickedMove{sp_->moves[i], i, i >= sp_->node.earlyCount, sp_->marks[i]}; }

  SplitPoint* sp_;
};

}  // namespace vireo
