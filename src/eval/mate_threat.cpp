// Mate-in-one detection for the search's threat tests. Three cheap patterns
// propose moves (a queen next to the king, a rook or queen along the king's
// rank or file, a knight); each proposal is then checked exactly before it is
// reported, so that a move returned always mates.

#include "board/bitops.h"
#include "board/magic.h"
#include "eval/exchange.h"
#include "eval/score.h"

namespace vireo {

namespace {

// Everything the men in `pieces` (indexed by type) attack over `occupancy`.
Bitboard attacksBy(const Bitboard* pieces, Colour colour, Square king, Bitboard occupancy) {
  const Bitboard pawns = pieces[Pawn];
  Bitboard attacks = KingAttacks[king] |
                     (colour == White ? ((pawns << 9) & NotFileA) | ((pawns << 7) & NotFileH)
                                      : ((pawns >> 7) & NotFileA) | ((pawns >> 9) & NotFileH));
  for (Bitboard b = pieces[Knight]; b;) attacks |= KnightAttacks[popLowest(b)];
  for (Bitboard b = pieces[Bishop] | pieces[Queen]; b;) attacks |= bishopAttacks(popLowest(b), occupancy);
  for (Bitboard b = pieces[Rook] | pieces[Queen]; b;) attacks |= rookAttacks(popLowest(b), occupancy);
  return attacks;
}

// Men of `by` other than the king that could move to the empty square s or
// capture on it: a superset of the real defenders (pins are ignored), which
// keeps the mate test on the safe side.
Bitboard defendersOf(const Bitboard* pieces, Colour by, Square s, Bitboard occupancy,
                     bool empty) {
  Bitboard defenders = (KnightAttacks[s] & pieces[Knight]) |
                       (bishopAttacks(s, occupancy) & (pieces[Bishop] | pieces[Queen])) |
                       (rookAttacks(s, occupancy) & (pieces[Rook] | pieces[Queen]));
  if (!empty) return defenders | (PawnAttacks[by ^ 1][s] & pieces[Pawn]);
  const int back = -Forward[by];
  const Square one = s + back;
  if (one < 0 || one > 63) return defenders;
  defenders |= pieces[Pawn] & SquareBit[one];
  const Square two = one + back;
  if (relativeRank(by, s) == 3 && !(occupancy & SquareBit[one]))
    defenders |= pieces[Pawn] & SquareBit[two];
  return defenders;
}

// Whether the move from -> to by the side o leaves the other side mated.
// The mover is not pinned and o is not in check.
bool mates(const Board& board, Colour o, Square from, Square to) {
  const Colour x = o ^ 1;
  const Square king = board.kingSquare[x];
  const Bitboard fromBit = SquareBit[from], toBit = SquareBit[to];
  const PieceType mover = typeOf(board.squares[from]);

  Bitboard ours[7], theirs[7];
  for (int t = 0; t < 7; ++t) {
    ours[t] = board.pieceBits[o][t];
    theirs[t] = board.pieceBits[x][t] & ~toBit;
  }
  ours[0] ^= fromBit | toBit;
  ours[mover] ^= fromBit | toBit;
  const Bitboard occupancy = (board.occupied & ~fromBit) | toBit;

  const Bitboard checkers = (PawnAttacks[x][king] & ours[Pawn]) |
                            (KnightAttacks[king] & ours[Knight]) |
                            (bishopAttacks(king, occupancy) & (ours[Bishop] | ours[Queen])) |
                            (rookAttacks(king, occupancy) & (ours[Rook] | ours[Queen]));
  if (!checkers) return false;

  // Every king move must run into an attack, the king itself lifted off the
  // board so that it cannot hide behind itself on a line.
  const Bitboard guarded = attacksBy(ours, o, board.kingSquare[o], occupancy & ~SquareBit[king]);
  if (KingAttacks[king] & ~theirs[0] & ~guarded) return false;
  if (moreThanOne(checkers)) return true;

  // A single check: nothing may take the checker or step between.
  const Square checker = lowestSquare(checkers);
  if (defendersOf(theirs, x, checker, occupancy, false)) return false;
  for (Bitboard between = BetweenBits[checker][king]; between;)
    if (defendersOf(theirs, x, popLowest(between), occupancy, true)) return false;
  return true;
}

struct MateSearch {
  const Board& board;
  Colour x, o;
  Square king;
  Bitboard occupied, ours, theirs, usable, oAttacks;

  Move found(Square from, Square to) const {
    return mates(board, o, from, to) ? encodeMove(from, to, board.squares[to]) : NoMove;
  }

  // Pattern 1: the queen lands next to the king, supported and not taken.
  Move queenContact() const {
    const Bitboard* own = board.pieceBits[o];
    const Bitboard* enemy = board.pieceBits[x];
    for (Bitboard queens = own[Queen] & usable; queens;) {
      const Square q = popLowest(queens);
      const Bitboard without = occupied & ~SquareBit[q];
      for (Bitboard targets = KingAttacks[king] & queenAttacks(q, occupied) & ~ours; targets;) {
        const Square s = popLowest(targets);
        if ((PawnAttacks[o][s] & enemy[Pawn]) || (KnightAttacks[s] & enemy[Knight])) continue;
        const Bitboard support =
            (PawnAttacks[x][s] & own[Pawn]) | (KnightAttacks[s] & own[Knight]) |
            (KingAttacks[s] & own[King]) |
            (bishopAttacks(s, without) & (own[Bishop] | own[Queen])) |
            (rookAttacks(s, without) & (own[Rook] | own[Queen]));
        if (!(support & ~SquareBit[q])) continue;
        if ((bishopAttacks(s, without) & (enemy[Bishop] | enemy[Queen])) ||
            (rookAttacks(s, without) & (enemy[Rook] | enemy[Queen])))
          continue;
        if (const Move move = found(q, s)) return move;
      }
    }
    return NoMove;
  }

  // Pattern 2: a rook or queen comes along its own file onto the king's rank
  // (or along its own rank onto the king's file), the king's flight squares
  // off that line being already taken.
  Move heavyLine(bool onRank) const {
    const Bitboard line = onRank ? FileRankBits[king].second : FileRankBits[king].first;
    if (KingAttacks[king] & ~line & ~theirs & ~oAttacks) return NoMove;
    const Bitboard* own = board.pieceBits[o];
    for (Bitboard heavy = (own[Rook] | own[Queen]) & usable & ~line; heavy;) {
      const Square r = popLowest(heavy);
      const Square s = onRank ? makeSquare(fileOf(r), rankOf(king)) : makeSquare(fileOf(king), rankOf(r));
      if (s == king || (ours & SquareBit[s])) continue;
      if ((BetweenBits[r][s] & occupied) || (BetweenBits[s][king] & occupied)) continue;
      if (const Move move = found(r, s)) return move;
    }
    return NoMove;
  }

  // Pattern 3: a knight check against a king whose flight squares are taken.
  Move knight() const {
    const Bitboard* own = board.pieceBits[o];
    const Bitboard* enemy = board.pieceBits[x];
    const Bitboard knights = own[Knight] & usable & KnightTwoMoves[king];
    if (!knights || (KingAttacks[king] & ~theirs & ~oAttacks)) return NoMove;
    for (Bitboard k = knights; k;) {
      const Square n = popLowest(k);
      for (Bitboard checks = KnightAttacks[n] & KnightAttacks[king] & ~ours; checks;) {
        const Square s = popLowest(checks);
        if ((PawnAttacks[o][s] & enemy[Pawn]) || (KnightAttacks[s] & enemy[Knight]) ||
            (bishopAttacks(s, occupied) & (enemy[Bishop] | enemy[Queen])) ||
            (rookAttacks(s, occupied) & (enemy[Rook] | enemy[Queen])))
          continue;
        if (const Move move = found(n, s)) return move;
      }
    }
    return NoMove;
  }
};

}  // namespace

Move findMateThreat(Evaluator& evaluator, Colour x) {
  const Board& board = *evaluator.board;
  // In check the question is not which move would mate but how to get out.
  if (board.inCheck()) return NoMove;
  const Colour o = x ^ 1;
  const Bitboard* own = board.pieceBits[o];
  if (!(own[Queen] | own[Rook] | own[Knight])) return NoMove;

  MateSearch search{board,
                    x,
                    o,
                    board.kingSquare[x],
                    board.occupied,
                    board.pieceBits[o][0],
                    board.pieceBits[x][0],
                    board.pieceBits[o][0] & ~board.state.blockers[o],
                    board.sideToMove == x ? board.state.enemyAttacks : attacksOf(board, o)};
  if (const Move move = search.queenContact()) return move;
  if (const Move move = search.heavyLine(true)) return move;
  if (const Move move = search.heavyLine(false)) return move;
  return search.knight();
}

}  // namespace vireo
