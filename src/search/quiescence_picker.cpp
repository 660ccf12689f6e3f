#include "search/quiescence_picker.h"

#include <utility>

#include "board/movegen.h"
#include "eval/exchange.h"
#include "search/ordering.h"
#include "search/search_common.h"

namespace vireo {

int QuiescencePicker::evasions() {
  count_ = int(generateEvasions(t_.board, moves_) - moves_);
  return count_;
}

bool QuiescencePicker::dropQuietEvasions() {
  int kept = 0;
  for (int i = 0; i < count_; ++i)
    if (!isQuiet(moves_[i]) || sameMove(moves_[i], hashMove_)) moves_[kept++] = moves_[i];
  const bool dropped = kept < count_;
  count_ = kept;
  return dropped;
}

// An ordered list's first move is known at once: its child's table entry
// is asked for before anything else runs.
void QuiescencePicker::prefetchFirst() const {
  if (count_ != 0) t_.searcher->tt().prefetchChild(t_.board, moves_[0]);
}

void QuiescencePicker::orderEvasions() {
  vireo::orderEvasions(t_, moves_, count_, hashMove_);
  prefetchFirst();
}

int QuiescencePicker::allMoves() {
  count_ = int(generateMoves(t_.board, moves_) - moves_);
  if (count_ != 0) orderMoves(t_, ply_, moves_, count_, hashMove_);
  prefetchFirst();
  return count_;
}

void QuiescencePicker::captures(Bitboard targets, bool thenChecks) {
  const Board& b = t_.board;
  int scores[MaxMoves];
  Move* end = generateCaptures(b, moves_, targets);
  // Their children's table entries are fetched together, while the
  // exchanges are evaluated: most nodes search one capture or none, but
  // which one is known only after the sort, too late to hide the wait.
  for (Move* m = moves_; m != end; ++m) t_.searcher->tt().prefetchChild(b, *m);
  int hashAt = -1;
  count_ = 0;
  for (Move* m = moves_; m != end; ++m) {
    const PieceType mover = typeOf(b.squares[moveFrom(*m)]);
    const int victim = CoarseValue[typeOf(moveCaptured(*m))];
    if (victim <= CoarseValue[mover] && seeMove(b, *m) < 0) continue;
    int score = 0;
    if (sameMove(*m, hashMove_)) {
      hashAt = count_;
    } else {
      score = VictimWeight * victim + (movePromotion(*m) ? QuiescencePromotionBonus : 0);
      if (b.state.enemyAttacks & SquareBit[moveFrom(*m)]) score += CoarseValue[mover];
      if (b.state.enemyAttacks & SquareBit[moveTo(*m)]) score -= CoarseValue[mover];
    }
    scores[count_] = score;
    moves_[count_++] = *m;
  }
  if (hashMove_ && hashAt < 0) {
    hashAt = count_;
    scores[count_] = 0;
    moves_[count_++] = hashMove_;
  }
  // The stored move goes first, by the swap a selection sort would make;
  // the others follow sorted.
  int first = 0;
  if (hashAt >= 0) {
    std::swap(moves_[0], moves_[hashAt]);
    std::swap(scores[0], scores[hashAt]);
    first = 1;
  }
  selectionSort(moves_ + first, scores + first, count_ - first, count_ - first);
  checksPending_ = thenChecks;
  captureTargets_ = targets;
}

bool QuiescencePicker::next(Move& move) {
  if (next_ == count_) {
    if (!checksPending_) return false;
    checksPending_ = false;
    const Board& b = t_.board;
    const Bitboard quietTargets = ~b.occupied | (b.pieceBits[b.sideToMove ^ 1][0] & ~captureTargets_);
    QuietCheck checks[MaxMoves];
    const int generated = int(generateQuietChecks(b, checks, quietTargets) - checks);
    int scores[MaxMoves];
    Move* added = moves_ + count_;
    int n = 0;
    for (int i = 0; i < generated; ++i) {
      if (checks[i].mustNotLose && seeMove(b, checks[i].move) < 0) continue;
      added[n] = checks[i].move;
      scores[n++] = checks[i].score;
    }
    selectionSort(added, scores, n, n);
    count_ += n;
    if (next_ == count_) return false;
  }
  move = moves_[next_++];
  return true;
}

}  // namespace vireo
