#include "board/movegen.h"

#include "board/bitops.h"
#include "board/magic.h"

namespace vireo {

namespace {

// Pawn geometry from the mover's side, written once for both colours.
template <Colour Us>
struct PawnDirs {
  static constexpr int Up = Us == White ? 8 : -8;
  static constexpr int UpA = Us == White ? 7 : -9;  // capture towards the a-file
  static constexpr int UpH = Us == White ? 9 : -7;  // capture towards the h-file
  static constexpr Bitboard StartRank = rankBits(Us == White ? 1 : 6);
  static constexpr Bitboard ThirdRank = rankBits(Us == White ? 2 : 5);
  static constexpr Bitboard SixthRank = rankBits(Us == White ? 5 : 2);
  static constexpr Bitboard SeventhRank = rankBits(Us == White ? 6 : 1);
  static constexpr uint8_t KingSideRight = Us == White ? CastleWhiteKing : CastleBlackKing;
  static constexpr uint8_t QueenSideRight = Us == White ? CastleWhiteQueen : CastleBlackQueen;
};

template <int D>
constexpr Bitboard shift(Bitboard b) {
  return D > 0 ? b << D : b >> -D;
}

template <Colour Us>
Bitboard capturesTowardsA(Bitboard pawns) {
  return shift<PawnDirs<Us>::UpA>(pawns) & NotFileH;
}

template <Colour Us>
Bitboard capturesTowardsH(Bitboard pawns) {
  return shift<PawnDirs<Us>::UpH>(pawns) & NotFileA;
}

inline Move* addTargets(const Board& b, Move* list, Bitboard targets, Square from) {
  while (targets) {
    Square to = popLowest(targets);
    *list++ = encodeMove(from, to, b.squares[to]);
  }
  return list;
}

// Pawn moves whose destinations are `targets`, each from `to - delta`.
inline Move* addPawnTargets(const Board& b, Move* list, Bitboard targets, int delta) {
  while (targets) {
    Square to = popLowest(targets);
    list = addPawnMove(list, encodeMove(to - delta, to, b.squares[to]));
  }
  return list;
}

inline Move* addPromotions(Move* list, Move move, const PieceType (&order)[4]) {
  for (PieceType t : order) *list++ = withPromotion(move, t);
  return list;
}

constexpr PieceType PromotionOrder[4] = {Queen, Knight, Bishop, Rook};
constexpr PieceType EvasionPromotionOrder[4] = {Queen, Knight, Rook, Bishop};

inline Bitboard pinLine(const Board& b, Colour us, Square s, Bitboard pinned) {
  return (pinned & SquareBit[s]) ? LineBits[s][b.kingSquare[us]] : ~Bitboard(0);
}

// Would our king stand safe if the occupancy changed to occ? Only sliders can
// be uncovered, so only they are tested.
inline bool slidersQuiet(const Board& b, Colour us, Bitboard occ, Bitboard removed = 0) {
  const Bitboard* them = b.pieceBits[us ^ 1];
  Square king = b.kingSquare[us];
  return !(rookAttacks(king, occ) & (them[Rook] | them[Queen]) & ~removed) &&
         !(bishopAttacks(king, occ) & (them[Bishop] | them[Queen]) & ~removed);
}

template <Colour Us>
Move* enPassant(const Board& b, Move* list) {
  const Square e = b.state.epSquare;
  if (!e) return list;
  const Square target = e + PawnDirs<Us>::Up;
  const PieceCode ourPawn = pieceCode(Us, Pawn);
  auto tryFrom = [&](Square from) {
    if (b.squares[from] != ourPawn) return;
    Bitboard occ = (b.occupied ^ SquareBit[e] ^ SquareBit[from]) | SquareBit[target];
    if (slidersQuiet(b, Us, occ))
      *list++ = encodeMove(from, target, b.squares[e]) | MoveEnPassant;
  };
  if (fileOf(e) > 0) tryFrom(e - 1);
  if (fileOf(e) < 7) tryFrom(e + 1);
  return list;
}

template <Colour Us>
Move* quietAndCaptures(const Board& b, Move* list) {
  using D = PawnDirs<Us>;
  constexpr Colour Them = Us ^ 1;
  const Bitboard own = b.pieceBits[Us][0], enemy = b.pieceBits[Them][0];
  const Bitboard empty = ~b.occupied;
  const Bitboard pinned = b.state.blockers[Us] & own;
  const Square king = b.kingSquare[Us];
  const Bitboard pawns = b.pieceBits[Us][Pawn];

  // Pinned pawns: along the pin line only.
  for (Bitboard pp = pawns & pinned; pp;) {
    const Square s = popLowest(pp);
    const Bitboard line = LineBits[s][king];
    const Square ahead = s + D::Up;
    if (line & SquareBit[ahead]) {
      if (!b.squares[ahead]) {
        list = addPawnMove(list, encodeMove(s, ahead));
        if ((SquareBit[s] & D::StartRank) && !b.squares[ahead + D::Up])
          *list++ = encodeMove(s, ahead + D::Up) | MoveDoubleStep;
      }
    } else if (Bitboard capture = PawnAttacks[Us][s] & line & enemy) {
      const Square to = lowestSquare(capture);
      list = addPawnMove(list, encodeMove(s, to, b.squares[to]));
    }
  }

  list = enPassant<Us>(b, list);

  const uint8_t rights = b.state.castling;
  for (int side = KingSide; side >= QueenSide; --side) {
    if (!(rights & (side ? D::KingSideRight : D::QueenSideRight))) continue;
    const CastleRuleEntry& rule = b.castlingRules.rule[castleIndex(Us, side)];
    if (!(b.occupied & rule.mustBeEmpty) && !(b.state.enemyAttacks & rule.mustNotBeAttacked) &&
        castlingRookFree(rule, b.state.blockers[Us]))
      *list++ = encodeMove(king, rule.kingTo) | MoveCastling;
  }

  const Bitboard free = pawns & ~pinned;
  list = addPawnTargets(b, list, capturesTowardsA<Us>(free) & enemy, D::UpA);
  list = addPawnTargets(b, list, capturesTowardsH<Us>(free) & enemy, D::UpH);

  for (Bitboard t = shift<D::Up>(free & D::SeventhRank) & empty; t;) {
    const Square to = popLowest(t);
    list = addPromotions(list, encodeMove(to - D::Up, to), PromotionOrder);
  }
  const Bitboard singles = shift<D::Up>(free & ~D::SeventhRank) & empty;
  for (Bitboard t = shift<D::Up>(singles & D::ThirdRank) & empty; t;) {
    const Square to = popLowest(t);
    *list++ = encodeMove(to - 2 * D::Up, to) | MoveDoubleStep;
  }
  for (Bitboard t = singles; t;) {
    const Square to = popLowest(t);
    *list++ = encodeMove(to - D::Up, to);
  }

  for (Bitboard n = b.pieceBits[Us][Knight] & ~pinned; n;) {
    const Square s = popLowest(n);
    list = addTargets(b, list, KnightAttacks[s] & ~own, s);
  }
  for (Bitboard d = b.pieceBits[Us][Bishop] | b.pieceBits[Us][Queen]; d;) {
    const Square s = popLowest(d);
    list = addTargets(b, list, bishopAttacks(s, b.occupied) & ~own & pinLine(b, Us, s, pinned), s);
  }
  for (Bitboard r = b.pieceBits[Us][Rook] | b.pieceBits[Us][Queen]; r;) {
    const Square s = popLowest(r);
    list = addTargets(b, list, rookAttacks(s, b.occupied) & ~own & pinLine(b, Us, s, pinned), s);
  }
  return addTargets(b, list,
                    KingAttacks[king] & ~own & ~b.state.enemyAttacks &
                        ~KingAttacks[b.kingSquare[Them]],
                    king);
}

template <Colour Us>
Move* evasions(const Board& b, Move* list) {
  using D = PawnDirs<Us>;
  constexpr Colour Them = Us ^ 1;
  const Bitboard own = b.pieceBits[Us][0];
  const Bitboard* them = b.pieceBits[Them];
  const Square king = b.kingSquare[Us];

  list = addTargets(b, list, KingAttacks[king] & ~own & ~b.state.enemyAttacks, king);

  const Bitboard checkers = (PawnAttacks[Us][king] & them[Pawn]) |
                            (KnightAttacks[king] & them[Knight]) |
                            (bishopAttacks(king, b.occupied) & (them[Bishop] | them[Queen])) |
                            (rookAttacks(king, b.occupied) & (them[Rook] | them[Queen]));
  if (moreThanOne(checkers)) return list;
  const Square checker = lowestSquare(checkers);
  const Bitboard blocks = BetweenBits[checker][king];
  const Bitboard cure = blocks | SquareBit[checker];
  const Bitboard free = own & ~b.state.blockers[Us];

  for (Bitboard n = b.pieceBits[Us][Knight] & free; n;) {
    const Square s = popLowest(n);
    list = addTargets(b, list, KnightAttacks[s] & cure, s);
  }
  for (Bitboard d = (b.pieceBits[Us][Bishop] | b.pieceBits[Us][Queen]) & free; d;) {
    const Square s = popLowest(d);
    list = addTargets(b, list, bishopAttacks(s, b.occupied) & cure, s);
  }
  for (Bitboard r = (b.pieceBits[Us][Rook] | b.pieceBits[Us][Queen]) & free; r;) {
    const Square s = popLowest(r);
    list = addTargets(b, list, rookAttacks(s, b.occupied) & cure, s);
  }

  const Bitboard pawns = b.pieceBits[Us][Pawn] & free;
  const Bitboard empty = ~b.occupied;
  const Bitboard singles = shift<D::Up>(pawns) & empty;
  list = addPawnTargets(b, list, singles & blocks, D::Up);
  for (Bitboard t = shift<D::Up>(singles & D::ThirdRank) & empty & blocks; t;) {
    const Square to = popLowest(t);
    *list++ = encodeMove(to - 2 * D::Up, to) | MoveDoubleStep;
  }
  for (Bitboard p = PawnAttacks[Them][checker] & pawns; p;) {
    const Move capture = encodeMove(popLowest(p), checker, b.squares[checker]);
    if (SquareBit[checker] & (Rank1Bits | Rank8Bits))
      list = addPromotions(list, capture, EvasionPromotionOrder);
    else
      *list++ = capture;
  }

  if (b.state.epSquare && b.state.epSquare == checker) list = enPassant<Us>(b, list);
  return list;
}

template <Colour Us>
Move* captures(const Board& b, Move* list, Bitboard targets) {
  using D = PawnDirs<Us>;
  constexpr Colour Them = Us ^ 1;
  const Bitboard own = b.pieceBits[Us][0], enemy = b.pieceBits[Them][0];
  const Bitboard empty = ~b.occupied;
  const Bitboard pinned = b.state.blockers[Us] & own;
  const Square king = b.kingSquare[Us];
  const Bitboard pawns = b.pieceBits[Us][Pawn];
  const Bitboard free = pawns & ~pinned;

  // Quiet steps to the seventh rank when the promotion square is free too.
  for (Bitboard t = shift<D::Up>(free & D::SixthRank) & empty & shift<-D::Up>(empty); t;) {
    const Square to = popLowest(t);
    *list++ = encodeMove(to - D::Up, to);
  }
  for (Bitboard pp = pawns & pinned; pp;) {
    const Square s = popLowest(pp);
    if (Bitboard capture = PawnAttacks[Us][s] & LineBits[s][king] & enemy) {
      const Square to = lowestSquare(capture);
      list = addPawnMove(list, encodeMove(s, to, b.squares[to]));
    }
  }
  list = enPassant<Us>(b, list);

  for (Bitboard p = free & D::SeventhRank; p;) {
    const Square s = popLowest(p);
    const Bitboard bit = SquareBit[s];
    if (Bitboard t = capturesTowardsA<Us>(bit) & enemy) {
      const Square to = lowestSquare(t);
      *list++ = withPromotion(encodeMove(s, to, b.squares[to]), Queen);
    }
    if (Bitboard t = capturesTowardsH<Us>(bit) & enemy) {
      const Square to = lowestSquare(t);
      *list++ = withPromotion(encodeMove(s, to, b.squares[to]), Queen);
    }
    if (!b.squares[s + D::Up]) *list++ = withPromotion(encodeMove(s, s + D::Up), Queen);
  }

  const Bitboard others = free & ~D::SeventhRank;
  list = addPawnTargets(b, list, capturesTowardsA<Us>(others) & targets, D::UpA);
  list = addPawnTargets(b, list, capturesTowardsH<Us>(others) & targets, D::UpH);

  for (Bitboard n = b.pieceBits[Us][Knight] & ~pinned; n;) {
    const Square s = popLowest(n);
    list = addTargets(b, list, KnightAttacks[s] & targets, s);
  }
  for (Bitboard d = b.pieceBits[Us][Bishop]; d;) {
    const Square s = popLowest(d);
    list = addTargets(b, list, bishopAttacks(s, b.occupied) & targets & pinLine(b, Us, s, pinned), s);
  }
  for (Bitboard r = b.pieceBits[Us][Rook]; r;) {
    const Square s = popLowest(r);
    list = addTargets(b, list, rookAttacks(s, b.occupied) & targets & pinLine(b, Us, s, pinned), s);
  }
  for (Bitboard q = b.pieceBits[Us][Queen]; q;) {
    const Square s = popLowest(q);
    list = addTargets(b, list, queenAttacks(s, b.occupied) & targets & pinLine(b, Us, s, pinned), s);
  }
  return addTargets(b, list,
                    KingAttacks[king] & targets & ~b.state.enemyAttacks &
                        ~KingAttacks[b.kingSquare[Them]],
                    king);
}

}  // namespace

Move* addPawnMove(Move* list, Move move) {
  if (SquareBit[moveTo(move)] & (Rank1Bits | Rank8Bits)) return addPromotions(list, move, PromotionOrder);
  *list++ = move;
  return list;
}

Move* generateMoves(const Board& b, Move* list) {
  return b.sideToMove == White ? quietAndCaptures<White>(b, list) : quietAndCaptures<Black>(b, list);
}

Move* generateEvasions(const Board& b, Move* list) {
  return b.sideToMove == White ? evasions<White>(b, list) : evasions<Black>(b, list);
}

Move* generateCaptures(const Board& b, Move* list, Bitboard targets) {
  return b.sideToMove == White ? captures<White>(b, list, targets)
                               : captures<Black>(b, list, targets);
}

Move* generateLegal(Board& b, Move* list) {
  updateAttackInfo(b);
  return b.inCheck() ? generateEvasions(b, list) : generateMoves(b, list);
}

Bitboard attackersOf(const Board& b, Square s, Colour by, Bitboard occ) {
  const Bitboard* p = b.pieceBits[by];
  return (PawnAttacks[by ^ 1][s] & p[Pawn]) | (KnightAttacks[s] & p[Knight]) |
         (KingAttacks[s] & p[King]) | (bishopAttacks(s, occ) & (p[Bishop] | p[Queen])) |
         (rookAttacks(s, occ) & (p[Rook] | p[Queen]));
}

bool isMoveValid(const Board& b, Move move) {
  const Colour us = b.sideToMove, them = us ^ 1;
  const Square from = moveFrom(move), to = moveTo(move);
  if (from > 63 || to > 63 || (move & 0x80000000u)) return false;
  const PieceCode piece = b.squares[from];
  if (!piece || colourOf(piece) != us) return false;
  const PieceType type = typeOf(piece);
  const PieceCode captured = moveCaptured(move);
  const PieceType promotion = movePromotion(move);
  const Square king = b.kingSquare[us];

  if (isCastling(move)) {
    if (type != King || (move & ~(MoveCastling | MoveSingleReply)) != encodeMove(from, to))
      return false;
    const int side = castleSide(move);
    const CastleRuleEntry& rule = b.castlingRules.rule[castleIndex(us, side)];
    return (b.state.castling & castleRight(us, side)) && from == rule.kingFrom && to == rule.kingTo &&
           !(b.occupied & rule.mustBeEmpty) && !(b.state.enemyAttacks & rule.mustNotBeAttacked) &&
           castlingRookFree(rule, b.state.blockers[us]);
  }

  // The capture field must name exactly what stands on the target: an enemy
  // piece other than the king, or nothing (en passant: the pawn beside).
  const bool lastRank = SquareBit[to] & (Rank1Bits | Rank8Bits);
  Square victim = to;
  if (isEnPassant(move)) {
    victim = b.state.epSquare;
    if (type != Pawn || promotion || !victim || victim + Forward[us] != to || b.squares[to] ||
        b.squares[victim] != pieceCode(them, Pawn) || captured != b.squares[victim] ||
        !(PawnAttacks[us][from] & SquareBit[to]))
      return false;
  } else {
    if (b.squares[to] != captured) return false;
    if (captured && (colourOf(captured) != them || typeOf(captured) == King)) return false;
  }

  if (type == Pawn) {
    if (!isEnPassant(move)) {
      if (lastRank != (promotion != 0)) return false;
      if (promotion && (promotion < Knight || promotion > Queen)) return false;
      if (captured) {
        if (!(PawnAttacks[us][from] & SquareBit[to]) || isDoubleStep(move)) return false;
      } else if (to == from + Forward[us]) {
        if (isDoubleStep(move)) return false;
      } else if (to == from + 2 * Forward[us]) {
        if (!isDoubleStep(move) || rankOf(from) != (us == White ? 1 : 6) ||
            b.squares[from + Forward[us]])
          return false;
      } else {
        return false;
      }
    }
  } else {
    if (promotion || isEnPassant(move) || isDoubleStep(move)) return false;
    Bitboard reach;
    switch (type) {
      case Knight: reach = KnightAttacks[from]; break;
      case Bishop: reach = bishopAttacks(from, b.occupied); break;
      case Rook: reach = rookAttacks(from, b.occupied); break;
      case Queen: reach = queenAttacks(from, b.occupied); break;
      default: reach = KingAttacks[from] & ~b.state.enemyAttacks; break;
    }
    if (!(reach & SquareBit[to])) return false;
    if (type == King) return true;  // enemyAttacks was computed with the king lifted
  }

  // Legality. Out of check and without en passant, only a pin can forbid the
  // move; otherwise test the king against the position after the move.
  if (!b.inCheck() && !isEnPassant(move))
    return !(b.state.blockers[us] & SquareBit[from]) || (LineBits[from][king] & SquareBit[to]);
  const Bitboard occ = (b.occupied ^ SquareBit[from] ^ SquareBit[victim]) | SquareBit[to];
  return !(attackersOf(b, king, them, occ) & ~SquareBit[victim]);
}

}  // namespace vireo
