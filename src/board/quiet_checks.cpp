// The quiet checks (and pushes to the seventh rank) that the quiescence
// search tries after its captures.

#include <cstdlib>

#include "board/bitops.h"
#include "board/magic.h"
#include "board/movegen.h"
#include "board/tables.h"

namespace vireo {

namespace {

struct Out {
  QuietCheck* list;
  int count = 0;
  void add(Move m, int score, bool mustNotLose = false) { list[count++] = QuietCheck{m, score, mustNotLose}; }
};

}  // namespace

QuietCheck* generateQuietChecks(const Board& b, QuietCheck* list, Bitboard targets) {
  const Colour us = b.sideToMove, them = us ^ 1;
  const Bitboard* ours = b.pieceBits[us];
  const Square king = b.kingSquare[us], enemyKing = b.kingSquare[them];
  const Bitboard pinned = b.state.blockers[us] & ours[0];
  const Bitboard discoverers = b.state.blockers[them] & ours[0];
  const Bitboard lastRanks = Rank1Bits | Rank8Bits;
  const int up = Forward[us];
  Out out{list};

  auto pinOk = [&](Square from, Square to) {
    return !(pinned & SquareBit[from]) || (LineBits[from][king] & SquareBit[to]);
  };

  // Steps to the seventh rank.
  for (Bitboard p = ours[Pawn] & ~b.state.blockers[us] & rankBits(us == White ? 5 : 2); p;) {
    const Square from = popLowest(p);
    const Move m = encodeMove(from, from + up);
    if (!b.squares[from + up]) out.add(m, 0, true);
  }

  // Discovered checks: a piece leaves the line between our slider and their king.
  for (Bitboard d = discoverers; d;) {
    const Square from = popLowest(d);
    const PieceType type = typeOf(b.squares[from]);
    const Bitboard line = LineBits[from][enemyKing];
    Bitboard to = 0;
    switch (type) {
      case Pawn: {
        const Square ahead = from + up;
        if (!b.squares[ahead]) {
          to |= SquareBit[ahead];
          const bool start = rankOf(from) == (us == White ? 1 : 6);
          if (start && !b.squares[ahead + up] && pinOk(from, ahead + up) && !(line & SquareBit[ahead + up]))
            out.add(encodeMove(from, ahead + up) | MoveDoubleStep, 256);
        }
        to |= PawnAttacks[us][from] & b.pieceBits[them][0];
        to &= ~lastRanks & ~line & targets;
        break;
      }
      case Knight: to = KnightAttacks[from] & targets; break;
      case Bishop: to = bishopAttacks(from, b.occupied) & targets & ~line; break;
      case Rook: to = rookAttacks(from, b.occupied) & targets & ~line; break;
      case King: to = KingAttacks[from] & targets & ~b.state.enemyAttacks & ~line; break;
      default: break;  // a queen on the line would be the checker itself
    }
    for (; to;) {
      const Square s = popLowest(to);
      if (type != King && !pinOk(from, s)) continue;
      out.add(encodeMove(from, s, b.squares[s]), 256 + CoarseValue[typeOf(b.squares[s])]);
    }
  }

  // Direct checks. Pieces handled above are left out.
  const Bitboard movers = ours[0] & ~discoverers;
  const Bitboard pawnChecks = PawnAttacks[them][enemyKing];
  for (Bitboard p = ours[Pawn] & movers; p;) {
    const Square from = popLowest(p);
    const Square ahead = from + up;
    if (!b.squares[ahead]) {
      if ((pawnChecks & SquareBit[ahead]) && !(lastRanks & SquareBit[ahead]) && pinOk(from, ahead)) {
        const Move m = encodeMove(from, ahead);
        out.add(m, -3, true);
      }
      const bool start = rankOf(from) == (us == White ? 1 : 6);
      if (start && !b.squares[ahead + up] && (pawnChecks & SquareBit[ahead + up]) && pinOk(from, ahead + up))
        out.add(encodeMove(from, ahead + up) | MoveDoubleStep, 0);
    }
    for (Bitboard c = PawnAttacks[us][from] & b.pieceBits[them][0] & targets & pawnChecks & ~lastRanks; c;) {
      const Square s = popLowest(c);
      if (pinOk(from, s)) out.add(encodeMove(from, s, b.squares[s]), 0);
    }
  }
  for (Bitboard n = ours[Knight] & movers & ~pinned; n;) {
    const Square from = popLowest(n);
    for (Bitboard to = KnightAttacks[from] & targets & KnightAttacks[enemyKing]; to;) {
      const Square s = popLowest(to);
      const Move m = encodeMove(from, s, b.squares[s]);
      out.add(m, -1, true);
    }
  }
  // Sliders: onto a square whose line to their king is empty.
  const Bitboard diagonalChecks = bishopAttacks(enemyKing, b.occupied);
  const Bitboard straightChecks = rookAttacks(enemyKing, b.occupied);
  auto sliderChecks = [&](Bitboard pieces, bool diagonal, bool straight, int fixedScore, bool queen) {
    for (Bitboard s = pieces & movers; s;) {
      const Square from = popLowest(s);
      Bitboard to = 0;
      if (diagonal) to |= bishopAttacks(from, b.occupied) & diagonalChecks;
      if (straight) to |= rookAttacks(from, b.occupied) & straightChecks;
      for (to &= targets; to;) {
        const Square sq = popLowest(to);
        if (!pinOk(from, sq)) continue;
        const Move m = encodeMove(from, sq, b.squares[sq]);
        const int distance = std::abs(fileOf(sq) - fileOf(enemyKing)) + std::abs(rankOf(sq) - rankOf(enemyKing));
        out.add(m, queen ? 4 * (3 - distance) : fixedScore, true);
      }
    }
  };
  sliderChecks(ours[Bishop], true, false, -2, false);
  sliderChecks(ours[Rook], false, true, 0, false);
  sliderChecks(ours[Queen], true, true, 0, true);

  return list + out.count;
}

}  // namespace vireo
