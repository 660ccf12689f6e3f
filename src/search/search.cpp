#include "search/search.h"

#include <algorithm>
#include <cassert>
#include <type_traits>

#include "board/bitops.h"
#include "board/movegen.h"
#include "eval/exchange.h"
#include "search/move_loop.h"
#include "search/move_picker.h"
#include "search/split.h"
#include "search/ordering.h"
#include "search/search_common.h"
#include "support/platform.h"

namespace vireo {

bool pollLimits(SearchThread& t) {
  const TimeControl& tc = t.searcher->timeControl();
  const uint64_t nodeLimit = tc.nodeLimit();
  if (tc.timeUp(currentTimeMs()) || (nodeLimit != 0 && t.state.nodes() >= nodeLimit))
    t.state.abort.store(true, std::memory_order_relaxed);
  return t.state.aborted();
}

namespace {

// The opponent just moved a piece back to where it came from: the side to
// move can repeat the position by taking back its own last move.
Move forcedReversal(const Board& b) {
  const uint32_t g = b.ply;
  const Move last = b.moveHistory[g], mine = b.moveHistory[g - 1], before = b.moveHistory[g - 2];
  if (moveFrom(last) != moveTo(before) || moveTo(last) != moveFrom(before)) return 0;
  // A Chess960 king that castled one file over can step back, but its rook
  // and rights do not come back with it.
  if (isCastling(mine) || isCastling(last) || isCastling(before) ||
      (BetweenBits[moveFrom(mine)][moveTo(mine)] & SquareBit[moveFrom(before)]))
    return 0;
  return encodeMove(moveTo(mine), moveFrom(mine));
}

}  // namespace

bool isDrawNode(SearchThread& t, int ply, Score beta) {
  const Board& b = t.board;
  const int clock = b.fiftyMoveCount();
  if (beta <= 0 && ply >= 3 && clock > 2) {
    if (const Move reversal = forcedReversal(b)) {
      t.state.setPv(ply, reversal);
      return true;
    }
  }
  if (clock < 0 || clock > 99) return true;
  const uint32_t white = b.materialSignature[White], black = b.materialSignature[Black];
  if (!pawnCount(white) && !pawnCount(black) && !hasMajor(white) && !hasMajor(black) &&
      phaseMaterial(white) < 5 && phaseMaterial(black) < 5)
    return true;
  // A clock taken from a FEN, or a game whose oldest plies were dropped,
  // reaches back before the history's first entry.
  const int g = int(b.ply), floor = std::max<int>(b.state.irreversiblePly, 0);
  for (int p = g - 4; p >= floor; p -= 2) {
    if (b.keyHistory[p] != b.hashKey) continue;
    if (ply >= 3) return true;
    // Near the root one earlier occurrence is not enough: it may be the
    // position the game is heading for.
    for (int q = p - 4; q >= floor; q -= 2)
      if (b.keyHistory[q] == b.hashKey) return true;
    return false;
  }
  return false;
}

bool captureExtends(const Board& b, Move move) {
  const Move previous = b.moveHistory[b.ply - 1];
  if (isCaptureOrPromotion(previous) && moveTo(previous) == moveTo(move) && seeMove(b, move) > 0)
    return true;
  const PieceType taken = typeOf(moveCaptured(previous));
  return taken >= Knight && taken <= Queen && !hasPiece(b.materialSignature[White]) &&
         !hasPiece(b.materialSignature[Black]);
}

Score search(SearchThread& t, int ply, int depth, Score alpha, Score beta, int flags) {
  SearchState& s = t.state;
  Board& b = t.board;
  Tt& tt = t.searcher->tt();
  assert(hasOneNodeType(flags));
  if (s.aborted()) return 0;
  if (depth < 1) {
    ++s.frontierNodes;
    return quiesce(t, ply, 2, alpha, beta, flags | QuiescenceEntry);
  }
  ++s.interiorNodes;
  if (s.interiorNodes.lowByte() == 0 && pollLimits(t)) return 0;
  if (ply > s.selDepth) s.selDepth = ply;
  s.pv[ply][0] = 0;

  if (isDrawNode(t, ply, beta)) return 0;

  const Colour us = b.sideToMove;
  const bool inCheck = b.inCheck();

  // Table probe.
  TtEntry entry;
  int eval;
  Move hashMove = 0;
  if (!tt.probe(b, entry)) {
    eval = evaluate(t.evaluator);
    if (ply >= HorizonPly) return eval;
  } else {
    const int score = scoreFromTt(entry.score, ply);
    const int bound = entry.bound & 3;
    bool usable;
    if (depth > entry.depth)
      usable = (score > DecisiveScore && bound != BoundUpper && score >= beta) ||
               (score < -DecisiveScore && bound != BoundLower && score < alpha);
    else
      usable = bound == BoundExact || (bound == BoundUpper && score <= alpha) ||
               (bound == BoundLower && score >= beta);
    if (usable && entry.bound != 0 && !isPvNode(flags) &&
        !(!(flags & NullWindow) && (entry.bound & BoundStatic))) {
      if ((entry.bound & BoundLower) && entry.move && !inCheck && isQuiet(entry.move))
        s.recordKiller(ply, entry.move);
      s.setPv(ply, entry.move);
      return score;
    }
    eval = entry.eval;
    if (flags & (PvNode | CutNode)) hashMove = entry.move;
    // Its child's entry arrives while the pruning tests run.
    if (hashMove) tt.prefetchChild(b, hashMove);
    if (ply >= HorizonPly) return eval;
  }

  // Mate-distance pruning.
  if (alpha > MatePruneBound && alpha >= Mate - 1 - ply) return alpha;
  if (beta < -MatePruneBound && ply - Mate + (inCheck ? 0 : 2) >= beta) return beta;

  const uint32_t ours = b.materialSignature[us], theirs = b.materialSignature[us ^ 1];

  // Static pruning: far above beta with nothing hanging and no mate threat.
  if ((flags & NullWindow) && !isPvNode(flags) && !inCheck && beta >= -DecisiveScore &&
      depth <= StaticPruningDepth && beta <= eval - FutilityMargin[depth + 1] && hasSlider(ours)) {
    const int threat = threatValue(t.evaluator, us);
    if (beta <= eval - threat && !findMateThreat(t.evaluator, us)) {
      tt.storeScore(b, BoundLower | BoundStatic, depth, ply, beta, 0, eval, s.tt);
      return beta;
    }
  }

  // Null move.
  if ((flags & CutNode) && (flags & NullWindow) && !inCheck && beta >= -DecisiveScore &&
      hasPiece(ours) && beta < eval - NullMoveMargin) {
    const BoardState saved = b.state;
    makeNullMove(b);
    updateAttackInfo(b);
    tt.prefetch(b.hashKey, b.sideToMove);
    const int n = depth - (hasTwoPieces(ours) ? NullMoveReductionWithPieces : NullMoveReduction);
    Score v;
    if (n > 0) {
      v = -search(t, ply + 1, n / NullMoveProbeDivisor, -beta, -alpha, AllNode);
      if (v >= beta) v = -search(t, ply + 1, n, -beta, -alpha, AllNode);
    } else {
      v = -search(t, ply + 1, n, -beta, -alpha, AllNode);
    }
    unmakeNullMove(b, saved);
    if (s.aborted()) return 0;
    if (v <= DecisiveScore) {
      if (v >= beta) {
        const int k = hasSlider(ours) ? NullVerifyReductionWithSlider : NullVerifyReduction;
        bool refuted = false;
        if (depth > k) {
          const Score w = search(t, ply, depth - k, beta - 1, beta, CutNode);
          if (s.aborted()) return 0;
          refuted = w < beta;
        }
        if (!refuted) {
          s.pv[ply][0] = 0;
          tt.storeScore(b, BoundLower | BoundStatic, depth, ply, v, 0, eval, s.tt);
          return v;
        }
      } else if ((flags & Reduced) && v <= -MateBound) {
        // The pass shows a mate threat: make the reduced parent search again.
        return -Mate;
      }
    }
  }

  // Internal iterative deepening.
  if (!hashMove && depth != 1 && (flags & (PvNode | CutNode))) {
    const Score v = search(t, ply, depth - IidReduction, alpha, beta, flags);
    if (s.aborted()) return 0;
    if (v > alpha) hashMove = s.pv[ply][0];
    if (v >= beta && v > MateBound) return v;
    if (v < alpha && v < -MateBound) return v;
  }

  int newDepth = depth - 1 + (inCheck ? 1 : 0);
  Score best = -Mate, a = alpha;
  Move bestMove = 0;
  const BoardState saved = b.state;

  auto cutoff = [&](Move m, Score v) {
    if (!inCheck && isQuiet(m)) s.recordKiller(ply, m);
    s.setPv(ply, m);
    tt.storeScore(b, BoundLower, depth, ply, v, m, eval, s.tt);
    return v;
  };

  if (hashMove) {
    makeSearchMove(t, hashMove);
    int e = newDepth + ((hashMove & MoveSingleReply) ? 1 : 0);
    if (e < depth && depth >= CaptureExtensionDepth && captureExtends(b, hashMove)) ++e;
    const Score v = -search(t, ply + 1, e, -beta, -a, isPvNode(flags) ? PvNode : childFlags(flags));
    unmakeMove(b, hashMove, saved);
    if (s.aborted()) return 0;
    if (v >= beta) return cutoff(hashMove, v);
    if (v > a) {
      s.extendPv(ply, hashMove);
      tt.storeScore(b, BoundLower, depth, ply, v, hashMove, eval, s.tt);
      a = v;
    }
    best = v;
    bestMove = hashMove;
    hashMove &= MoveCompareMask;
  }

  NodeMovePicker picker(hashMove);
  int futilityLimit = Mate;
  if (inCheck) {
    const int count = picker.evasions(t);
    if (count == 0) return ply - Mate;
    if (count == 1) ++newDepth;
  } else {
    if (!isPvNode(flags) && depth <= FutilityDepth && hasPiece(theirs))
      futilityLimit = eval + FutilityMargin[depth];
    const int count = picker.moves(t, ply);
    if (count == 0) return 0;
    if (count == 1) ++newDepth;
  }
  if (PickedMove first; picker.peek(first)) tt.prefetchChild(b, first.move);
  if (!inCheck && eval < beta) picker.markThreats(t, beta - eval);

  const int reduction = hasMajor(ours) ? LateMoveReductionWithMajor : LateMoveReduction;
  const NodeState node{ply, depth, beta, flags, eval, newDepth, reduction, futilityLimit, hashMove,
                       picker.earlyCount()};
  NodeBest result{a, best, bestMove};
  switch (searchMoves(t, node, picker, result, nullptr)) {
    case LoopEnd::Aborted: return 0;
    case LoopEnd::Cutoff: return cutoff(result.bestMove, result.best);
    case LoopEnd::Exhausted: break;
  }
  best = result.best;
  bestMove = result.bestMove;

  if (best > alpha) {
    if (!inCheck && bestMove && isQuiet(bestMove)) s.recordKiller(ply, bestMove);
    tt.storeScore(b, BoundExact, depth, ply, best, bestMove, eval, s.tt);
    return best;
  }
  s.setPv(ply, bestMove);
  tt.storeScore(b, BoundUpper, depth, ply, best, bestMove, eval, s.tt);
  return best;
}

template <class Picker>
LoopEnd searchMoves(SearchThread& t, const NodeState& node, Picker& picker, NodeBest& best, SplitPoint* sp) {
  constexpr bool AtSplitPoint = std::is_same_v<Picker, SplitMovePicker>;
  SearchState& s = t.state;
  Board& b = t.board;
  const bool extendable = node.newDepth < node.depth && node.depth >= CaptureExtensionDepth;
  const BoardState saved = b.state;

  for (PickedMove p;;) {
    if constexpr (AtSplitPoint)
      if (s.aborted()) return LoopEnd::Aborted;
    if (!picker.next(p)) return LoopEnd::Exhausted;
    const Move m = p.move;
    if constexpr (AtSplitPoint) {
      if (s.aborted()) return LoopEnd::Aborted;
      best.alpha = sp->alpha.load(std::memory_order_relaxed);
    } else {
      const int i = p.index;
      if (best.bestMove && i + 1 < picker.count() && t.searcher->idleCount.load(std::memory_order_relaxed) > 0 &&
          !s.aborted() && t.splitCount < MaxSplitPoints) {
        NodeState rest = node;
        rest.earlyCount = node.earlyCount - i;
        if (split(t, rest, best, picker.from(i), picker.marksFrom(i), picker.count() - i)) {
          if (s.aborted()) return LoopEnd::Aborted;
          return best.best >= node.beta ? LoopEnd::Cutoff : LoopEnd::Exhausted;
        }
      }
    }
    int mark = p.mark;
    if (mark == MarkThreat && best.alpha <= DecisiveScore && seeMove(b, m) < 0) mark = MarkNone;
    const bool prunable = mark == MarkNone;
    const Score a = best.alpha;
    auto futile = [&](const PickedMove& move, bool prunable) {
      return move.late && node.futilityLimit < a && isQuiet(move.move) && prunable;
    };
    // The next move's table entry is fetched while this one is searched,
    // unless that move looks bound for futility pruning (its threat mark
    // standing for what its own turn will decide; each fetch costs a walk
    // of the page tables).
    if (PickedMove n; picker.peek(n) && !futile(n, n.mark == MarkNone)) t.searcher->tt().prefetchChild(b, n.move);
    const bool late = p.late;
    if (futile(p, prunable)) {
      ++s.prunedMoves;
      if (best.best < node.futilityLimit) {
        best.best = node.futilityLimit;
        best.bestMove = m;
      }
      continue;
    }

    makeSearchMove(t, m);
    int e = node.newDepth;
    if (extendable && captureExtends(b, m)) ++e;
    Score v;
    if (e != 0 && mark == MarkNone && late && reducedSearchFailsLow(t, node.ply, e, node.reduction, a, v)) {
      unmakeMove(b, m, saved);
      if (s.aborted()) return LoopEnd::Aborted;
      if (v > best.best) {
        best.best = v;
        best.bestMove = m;
      }
      continue;
    }
    v = fullDepthSearch(t, node.ply, e, a, node.beta, node.flags, !AtSplitPoint && best.bestMove == 0);
    unmakeMove(b, m, saved);
    if (s.aborted()) return LoopEnd::Aborted;
    if (v <= best.best) continue;
    if (v >= node.beta) {
      if constexpr (AtSplitPoint) publishCutoff(t, sp, m, v);
      best.best = v;
      best.bestMove = m;
      return LoopEnd::Cutoff;
    }
    if (v > a) {
      if constexpr (AtSplitPoint) {
        publishAlpha(t, sp, m, v);
      } else {
        t.searcher->tt().storeScore(b, BoundLower, node.depth, node.ply, v, m, node.eval, s.tt);
        s.extendPv(node.ply, m);
        best.alpha = v;
      }
    }
    best.best = v;
    best.bestMove = m;
  }
}

template LoopEnd searchMoves(SearchThread&, const NodeState&, SplitMovePicker&, NodeBest&, SplitPoint*);

}  // namespace vireo
