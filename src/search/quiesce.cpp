// The quiescence search: captures and promotions, all moves when a threat
// stands against the side to move, a mating move first, all evasions in
// check, and quiet checks at its first two plies.

#include <cassert>

#include "board/bitops.h"
#include "board/movegen.h"
#include "eval/exchange.h"
#include "search/ordering.h"
#include "search/quiescence_picker.h"
#include "search/search.h"
#include "search/search_common.h"

namespace vireo {

namespace {

bool lastMoveWasTactical(const Board& b) {
  return isCaptureOrPromotion(b.moveHistory[b.ply]);
}

// No piece, a boxed-in king and no pawn that can move.
bool pawnOnlyStalemate(const Board& b) {
  const Colour us = b.sideToMove, them = us ^ 1;
  if (hasPiece(b.materialSignature[us])) return false;
  if (KingAttacks[b.kingSquare[us]] & ~b.state.enemyAttacks) return false;
  const Bitboard pawns = b.pieceBits[us][Pawn] & ~b.state.blockers[us];
  const Bitboard steps = us == White ? pawns << 8 : pawns >> 8;
  if (steps & ~b.occupied) return false;
  for (Bitboard p = pawns; p;)
    if (PawnAttacks[us][popLowest(p)] & b.pieceBits[them][0]) return false;
  return true;
}

}  // namespace

Score quiesce(SearchThread& t, int ply, int q, Score alpha, Score beta, int flags) {
  SearchState& s = t.state;
  Board& b = t.board;
  Tt& tt = t.searcher->tt();
  assert(hasOneNodeType(flags));
  if (s.aborted()) return 0;
  ++s.quiescenceNodes;
  s.pv[ply][0] = 0;
  if (isDrawNode(t, ply, beta)) return 0;
  if (alpha > MatePruneBound && alpha >= Mate - 1 - ply) return alpha;

  const bool pvNode = isPvNode(flags);
  TtEntry entry;
  int eval;
  Move hashMove = 0;
  if (tt.probe(b, entry)) {
    if (!pvNode) {
      const int score = scoreFromTt(entry.score, ply);
      const int bound = entry.bound & 3;
      bool usable;
      if (q - 2 > entry.depth)
        usable = (score > DecisiveScore && bound != BoundUpper && score >= beta) ||
                 (score < -DecisiveScore && bound != BoundLower && score < alpha);
      else
        usable = bound == BoundExact || (bound == BoundLower && score >= beta) ||
                 (bound == BoundUpper && score <= alpha);
      if (usable && entry.bound != 0) {
        s.setPv(ply, entry.move);
        return score;
      }
    }
    hashMove = entry.move & MoveCompareMask;
    if (hashMove) tt.prefetchChild(b, hashMove);
    eval = entry.eval;
  } else {
    eval = evaluate(t.evaluator);
  }
  if (ply >= HorizonPly) return eval;

  const Colour us = b.sideToMove, them = us ^ 1;
  const bool inCheck = b.inCheck();
  const BoardState saved = b.state;
  QuiescencePicker picker(t, ply, hashMove);
  Score best = -Mate, a = alpha;
  Move bestMove = 0;
  int childDepth = q / 2;

  if (inCheck) {
    const int count = picker.evasions();
    if (count == 0) return ply - Mate;
    if (q < 2) childDepth = count == 1 ? 1 : count == 2 ? q : 0;
    else childDepth = q;
    const bool single = count == 1;
    if (count > 1 && !pvNode && alpha > eval + QuietEvasionMargin && !findMateThreat(t.evaluator, them) &&
        threatValue(t.evaluator, them) == 0) {
      // Nothing threatens them: quiet evasions other than the stored move are
      // not worth a look.
      if (picker.dropQuietEvasions()) best = eval + QuietEvasionMargin;
    }
    if (single) picker.markSingleReply();
    picker.orderEvasions();
    if (beta < -MatePruneBound && beta <= ply - Mate + 2) return beta;
  } else {
    if (pawnOnlyStalemate(b)) return 0;
    Move mate = 0;
    int threat = 0;
    if (eval > alpha) {
      mate = findMateThreat(t.evaluator, us);
      threat = mate ? 0 : threatValue(t.evaluator, us);
    }
    const bool tactical = lastMoveWasTactical(b);
    if ((q != 0 || tactical) && eval > alpha &&
        (eval - threat <= alpha || mate || (threat && pvNode))) {
      // Something hangs: search every move rather than trust the evaluation.
      if (picker.allMoves() == 0) return 0;
      if (beta < -MatePruneBound && beta <= ply - Mate + 2) return beta;
    } else {
      Score standPat;
      if (pvNode) standPat = eval;
      else if (mate) standPat = MateThreatStandPat;
      else if (eval - threat >= alpha) standPat = eval;
      else standPat = std::min(eval, alpha);
      if (standPat >= beta) return standPat;
      best = standPat;
      a = std::max(best, alpha);

      const Bitboard* theirs = b.pieceBits[them];
      Bitboard captureMask = theirs[0];
      bool skipCaptures = false;
      const int gap = a - eval;
      if (hasTwoPieces(b.materialSignature[them]) && hasMajor(b.materialSignature[us]) &&
          gap >= CaptureGapMin) {
        best = a - CaptureGapMargin;
        if (gap >= CaptureGapNone) {
          skipCaptures = true;
        } else {
          captureMask = theirs[Queen] | (theirs[Pawn] & rankBits(them == White ? 6 : 1));
          if (gap < CaptureGapRook) captureMask |= theirs[Rook];
          if (gap < CaptureGapMinor) captureMask |= theirs[Knight] | theirs[Bishop];
        }
      }
      if (!skipCaptures) picker.captures(captureMask, q != 0);
      if (beta < -MatePruneBound && beta <= ply - Mate + 2) return beta;
    }

    // A mate the evaluator can see is tried first.
    if ((flags & QuiescenceEntry) || tactical) {
      if (const Move x = findMateThreat(t.evaluator, them)) {
        makeSearchMove(t, x);
        const Score v = -quiesce(t, ply + 1, 0, -beta, -a, PvNode);
        unmakeMove(b, x, saved);
        if (s.aborted()) return 0;
        if (v >= beta) {
          s.setPv(ply, x);
          tt.storeScore(b, BoundLower, q - 2, ply, v, x, eval, s.tt);
          return v;
        }
        if (v > best) {
          if (v > a) {
            s.extendPv(ply, x);
            a = v;
          }
          bestMove = x;
          best = v;
        }
      }
    }
  }

  for (Move m; picker.next(m);) {
    if (s.aborted()) return 0;
    // The next move's table entry arrives while this one is searched.
    if (const Move n = picker.peek()) tt.prefetchChild(b, n);
    makeSearchMove(t, m);
    Score v;
    if (!pvNode) {
      v = -quiesce(t, ply + 1, childDepth, -beta, -a, swapExpectation(flags));
    } else if (bestMove) {
      v = -quiesce(t, ply + 1, childDepth, -a - 1, -a, (flags & QuiescenceEntry) | CutNode);
      if (!s.aborted() && v > a)
        v = -quiesce(t, ply + 1, childDepth, -beta, -a, (flags & QuiescenceEntry) | PvNode);
    } else {
      v = -quiesce(t, ply + 1, childDepth, -beta, -a, (flags & QuiescenceEntry) | PvNode);
    }
    unmakeMove(b, m, saved);
    if (s.aborted()) return 0;
    if (v > best) {
      if (v >= beta) {
        s.setPv(ply, m);
        if (!inCheck && isQuiet(m)) s.recordKiller(ply, m);
        tt.storeScore(b, BoundLower, q - 2, ply, v, m, eval, s.tt);
        return v;
      }
      if (v > a) {
        s.extendPv(ply, m);
        a = v;
      }
      bestMove = m;
      best = v;
    }
  }

  tt.storeScore(b, best > alpha ? BoundExact : BoundUpper, q - 2, ply, best, bestMove, eval, s.tt);
  return best;
}

}  // namespace vireo
