// Threat estimates for pruning decisions: what the opponent threatens to win.

#include <cstdlib>

#include "board/bitops.h"
#include "board/magic.h"
#include "eval/exchange.h"
#include "search/ordering.h"
#include "search/search_common.h"

namespace vireo {

int threatValue(const Evaluator& evaluator, Colour x) {
  const Board& b = *evaluator.board;
  const Colour o = x ^ 1;
  const Bitboard* ours = b.pieceBits[x];
  const Bitboard* theirs = b.pieceBits[o];
  int sum = 0;

  // Their pawns about to promote.
  const Bitboard theirSeventh = rankBits(o == White ? 6 : 1);
  if (hasPiece(b.materialSignature[x])) {
    for (Bitboard p = theirs[Pawn] & theirSeventh; p;) {
      const Square from = popLowest(p);
      const Square to = from + Forward[o];
      if (b.squares[to]) continue;
      const int v = seeMove(b, withPromotion(encodeMove(from, to), Queen));
      if (v > 0) sum += 100 * v - 50;
    }
  }
  // Our heavy pieces shielding our king.
  for (Bitboard p = (ours[Rook] | ours[Queen]) & b.state.blockers[x]; p;) {
    const int v = seeSquare(b, popLowest(p));
    if (v < 0) sum += -100 * v - 50;
  }
  // A pawn fork: two of our pieces on squares their free pawns attack.
  Bitboard pawnAttacks = 0;
  for (Bitboard p = theirs[Pawn] & ~b.state.blockers[o]; p;) pawnAttacks |= PawnAttacks[o][popLowest(p)];
  const Bitboard forked = ours[0] & ~ours[Pawn] & pawnAttacks;
  if (moreThanOne(forked)) {
    int first = 0, second = 0;
    for (Bitboard f = forked; f;) {
      const int value = CoarseValue[typeOf(b.squares[popLowest(f)])];
      if (value > first) {
        second = first;
        first = value;
      } else if (value > second) {
        second = value;
      }
    }
    sum += 100 * second - 50;
  }
  return sum == 0 ? 0 : sum + 100;
}

}  // namespace vireo
