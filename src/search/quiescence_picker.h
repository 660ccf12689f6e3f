#pragma once
// The moves of a quiescence node, one at a time: all evasions in check, all
// moves when something hangs, else the captures worth a look (the stored move
// first) followed, at the first plies, by quiet checks, which are generated
// only once the captures are spent.

#include "board/board.h"

namespace vireo {

struct SearchThread;

class QuiescencePicker {
 public:
  QuiescencePicker(SearchThread& t, int ply, Move hashMove) : t_(t), ply_(ply), hashMove_(hashMove) {}

  // Every evasion; returns their number.
  int evasions();
  // Keeps the evasions that capture and the stored move; true when it left
  // any out.
  bool dropQuietEvasions();
  void markSingleReply() { moves_[0] |= MoveSingleReply; }
  void orderEvasions();
  // Every move, ordered as the main search orders them; returns their number.
  int allMoves();
  // The captures of `targets` that may gain material, the stored move first
  // (even when it is not one of them), then the rest by victim and safety;
  // with `thenChecks`, the quiet checks follow.
  void captures(Bitboard targets, bool thenChecks);

  // The next move; false when none is left.
  bool next(Move& move);
  // The move next() gives next among those already listed, or 0.
  Move peek() const { return next_ < count_ ? moves_[next_] : 0; }

 private:
  void prefetchFirst() const;

  SearchThread& t_;
  int ply_;
  Move hashMove_;
  Move moves_[2 * MaxMoves];  // captures, then quiet checks behind them
  int count_ = 0, next_ = 0;
  bool checksPending_ = false;
  Bitboard captureTargets_ = 0;
};

}  // namespace vireo
