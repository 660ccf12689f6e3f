#include "search/ordering.h"

#include <algorithm>

#include "board/bitops.h"
#include "board/magic.h"
#include "eval/exchange.h"
#include "search/search_thread.h"
#include "search/tuning.h"

namespace vireo {

namespace {

constexpr int PromotionAdjustment[8] = {0, 0, -128, -256, -256, 128, 0, 0};
constexpr int ProtectedSquareBonus[8] = {0, 64, 16, 32, 4, -128, 0, 0};

// King evasion tables, laid out rank 1 first, files a to h.
constexpr int KingEvasionMiddlegame[64] = {
    20, 20, 16, 12, 12, 16, 20, 20,
    16, 14, 12, 10, 10, 12, 14, 16,
    14, 12, 10,  8,  8, 10, 12, 14,
    12, 10,  8,  6,  6,  8, 10, 12,
    12, 10,  8,  6,  6,  8, 10, 12,
    14, 12, 10,  8,  8, 10, 12, 14,
    16, 14, 12, 10, 10, 12, 14, 16,
    20, 20, 16, 12, 12, 16, 20, 20,
};
constexpr int KingEvasionEndgame[64] = {
    -2, 0, 0, 1, 1, 0, 0, -2,
    -1, 4, 4, 4, 4, 4, 4, -1,
     0, 4, 7, 7, 7, 7, 4,  0,
     0, 4, 7, 8, 8, 7, 4,  0,
     0, 4, 7, 8, 8, 7, 4,  0,
     0, 4, 7, 7, 7, 7, 4,  0,
    -1, 4, 4, 4, 4, 4, 4, -1,
    -2, 0, 0, 1, 1, 0, 0, -2,
};

}  // namespace

void selectionSort(Move* moves, int* scores, int count, int places) {
  for (int i = 0; i < places && i < count; ++i) {
    // The first of the highest scores: the highest in a pass the compiler
    // can vectorise, then its first place.
    int top = scores[i];
    for (int j = i + 1; j < count; ++j) top = std::max(top, scores[j]);
    int best = i;
    while (scores[best] != top) ++best;
    if (best != i) {
      std::swap(moves[i], moves[best]);
      std::swap(scores[i], scores[best]);
    }
  }
}

int orderMoves(SearchThread& t, int ply, Move* moves, int count, Move hashMove) {
  const Board& b = t.board;
  const Move (&killers)[MaxPly][2] = t.state.killers;
  const Bitboard attacked = b.state.enemyAttacks;
  // Killers are quiet moves, so only quiet moves are compared with them; 0
  // stands for a killer not read at this ply (it matches no move). Past ply
  // 2 the earlier ply's killers come before the later ply's.
  const Move own[2] = {killers[ply][0], killers[ply][1]};
  const bool readEarlier = ply >= 3, readLater = ply < 3 || ply <= LaterKillerMaxPly;
  const Move earlier[2] = {readEarlier ? killers[ply - 2][0] : 0, readEarlier ? killers[ply - 2][1] : 0};
  const Move later[2] = {readLater ? killers[ply + 2][0] : 0, readLater ? killers[ply + 2][1] : 0};
  int scores[MaxMoves];
  int early = 0;
  for (int i = 0; i < count; ++i) {
    const Move m = moves[i];
    int score = 0;
    bool isEarly = false;
    if (sameMove(m, hashMove)) {
      score = HashMoveScore;
      isEarly = true;
    } else if (isQuiet(m)) {
      if (m == own[0]) {
        score = KillerScore[0];
        isEarly = true;
      } else if (m == own[1]) {
        score = KillerScore[1];
        isEarly = true;
      } else if (m == earlier[0]) {
        score = EarlierKillerScore[0];
      } else if (m == earlier[1]) {
        score = EarlierKillerScore[1];
      } else if (m == later[0]) {
        score = LaterKillerScore[0];
      } else if (m == later[1]) {
        score = LaterKillerScore[1];
      }
    }
    const Square from = moveFrom(m), to = moveTo(m);
    const PieceType mover = typeOf(b.squares[from]);
    if (!isQuiet(m)) {
      if (seeMove(b, m) >= 0) {
        score += GoodCaptureBonus;
        isEarly = true;
      } else {
        score -= BadCapturePenalty;
      }
      score += VictimWeight * CoarseValue[typeOf(moveCaptured(m))] + PromotionAdjustment[movePromotion(m)];
    }
    if (attacked & SquareBit[from]) score += CoarseValue[mover];
    if (attacked & SquareBit[to]) score -= CoarseValue[mover] + 1;
    if (mover == Pawn && (SquareBit[to] & (rankBits(0) | rankBits(1) | rankBits(6) | rankBits(7)))) {
      score += PawnFarAdvanceBonus;
      isEarly = true;
    }
    if (isCastling(m)) score += CastlingBonus;
    scores[i] = score;
    early += isEarly;
  }
  selectionSort(moves, scores, count, SortedPlaces);
  return early;
}

void orderEvasions(SearchThread& t, Move* moves, int count, Move hashMove) {
  const Board& b = t.board;
  const Colour us = b.sideToMove;
  const int* kingTable =
      phaseMaterial(b.materialSignature[us ^ 1]) < 13 ? KingEvasionEndgame : KingEvasionMiddlegame;
  int scores[MaxMoves];
  for (int i = 0; i < count; ++i) {
    const Move m = moves[i];
    const Square from = moveFrom(m), to = moveTo(m);
    const PieceType mover = typeOf(b.squares[from]);
    if (sameMove(m, hashMove))
      scores[i] = HashMoveScore;
    else if (moveCaptured(m))
      scores[i] = EvasionVictimWeight * CoarseValue[typeOf(moveCaptured(m))] - CoarseValue[mover];
    else if (mover == King)
      scores[i] = kingTable[to] - kingTable[from];
    else
      scores[i] = (PawnAttacks[us ^ 1][to] & b.pieceBits[us][Pawn]) ? ProtectedSquareBonus[mover] : 0;
  }
  selectionSort(moves, scores, count, count);
}

namespace {

struct ThreatContext {
  Colour us, them;
  Square enemyKing;
  Bitboard targets, rookTargets;
  Bitboard sliderOcc;         // their pieces and our pawns: our other pieces are looked through
  Bitboard theirPawnAttacks;
  Bitboard vacated;           // origins of the last two moves
  Bitboard advancedPawnAttacks;
  Bitboard theirBlockers;     // pieces between their king and our sliders
  Bitboard seventhRank;
};

ThreatContext threatContext(const Board& b, int gap) {
  ThreatContext c;
  c.us = b.sideToMove;
  c.them = c.us ^ 1;
  const Bitboard* ours = b.pieceBits[c.us];
  const Bitboard* theirs = b.pieceBits[c.them];
  c.enemyKing = b.kingSquare[c.them];
  c.seventhRank = rankBits(c.us == White ? 6 : 1);
  const Bitboard sixthRank = rankBits(c.us == White ? 5 : 2);
  const Bitboard ourSeventh = ours[Pawn] & c.seventhRank;
  const Bitboard promotionSquares = c.us == White ? ourSeventh << 8 : ourSeventh >> 8;
  c.theirBlockers = b.state.blockers[c.them];
  const Bitboard base = SquareBit[c.enemyKing] | KingAttacks[c.enemyKing] | promotionSquares |
                        (c.theirBlockers & theirs[0]);
  c.targets = base;
  if (gap < ThreatGapQueen) c.targets |= theirs[Queen];
  if (gap < ThreatGapRook) c.targets |= theirs[Rook] | (theirs[Pawn] & rankBits(c.them == White ? 6 : 1));
  if (gap < ThreatGapMinor) c.targets |= theirs[Knight] | theirs[Bishop];
  c.rookTargets = base | theirs[Queen];
  c.sliderOcc = theirs[0] | ours[Pawn];
  c.theirPawnAttacks = 0;
  for (Bitboard p = theirs[Pawn]; p;) c.theirPawnAttacks |= PawnAttacks[c.them][popLowest(p)];
  c.vacated = 0;
  for (uint32_t back = 0; back < 2 && back < b.ply; ++back) {
    const Move m = b.moveHistory[b.ply - back];
    if (m) c.vacated |= SquareBit[moveFrom(m)];
  }
  c.advancedPawnAttacks = 0;
  for (Bitboard p = ours[Pawn] & (sixthRank | c.seventhRank); p;)
    c.advancedPawnAttacks |= PawnAttacks[c.us][popLowest(p)];
  return c;
}

bool kingInSight(const ThreatContext& c, Square from, Bitboard lines) {
  return (lines & SquareBit[c.enemyKing]) && popCount(BetweenBits[from][c.enemyKing] & c.sliderOcc) <= 1;
}

// The lines through d that do not also pass through o.
Bitboard newDiagonals(Square o, Square d) {
  Bitboard lines = 0;
  if (DiagonalBits[d].first != DiagonalBits[o].first) lines |= DiagonalBits[d].first;
  if (DiagonalBits[d].second != DiagonalBits[o].second) lines |= DiagonalBits[d].second;
  return lines;
}
Bitboard newRanksFiles(Square o, Square d) {
  Bitboard lines = 0;
  if (FileRankBits[d].first != FileRankBits[o].first) lines |= FileRankBits[d].first;
  if (FileRankBits[d].second != FileRankBits[o].second) lines |= FileRankBits[d].second;
  return lines;
}

int markOf(const Board& b, const ThreatContext& c, Move m) {
  const Square o = moveFrom(m), d = moveTo(m);
  const PieceType p = typeOf(b.squares[o]);
  if (c.theirBlockers & SquareBit[o]) return MarkDiscovery;
  switch (p) {
    case Pawn: {
      if (PawnAttacks[c.us][d] & c.targets) return MarkThreat;
      const bool theirHalf = c.us == White ? rankOf(d) >= 4 : rankOf(d) <= 3;
      if (theirHalf && !(PassedSpan[c.us][d] & b.pieceBits[c.them][Pawn])) return MarkThreat;
      return MarkNone;
    }
    case King:
      if (isCastling(m)) return MarkThreat;
      if (KingAttacks[d] & c.targets) return MarkThreat;
      if ((SquareBit[d] & c.seventhRank) && (KingAttacks[d] & b.pieceBits[c.us][Pawn])) return MarkThreat;
      return MarkNone;
    default:
      break;
  }
  if (c.theirPawnAttacks & SquareBit[o]) return MarkThreat;
  if (p == Knight) return (KnightAttacks[d] & c.targets) ? MarkThreat : MarkNone;
  if ((c.advancedPawnAttacks & SquareBit[d]) || (BetweenBits[o][d] & c.vacated)) return MarkThreat;
  if (p == Bishop) {
    const Bitboard lines = newDiagonals(o, d);
    return ((bishopAttacks(d, c.sliderOcc) & lines & c.targets) || kingInSight(c, d, lines)) ? MarkThreat
                                                                                              : MarkNone;
  }
  if (p == Rook) {
    const Bitboard lines = newRanksFiles(o, d);
    return ((rookAttacks(d, c.sliderOcc) & lines & c.rookTargets) || kingInSight(c, d, lines))
               ? MarkThreat
               : MarkNone;
  }
  // Queen.
  if ((b.state.enemyAttacks & SquareBit[o]) && !(b.state.enemyAttacks & SquareBit[d])) return MarkThreat;
  const Bitboard lines = newDiagonals(o, d) | newRanksFiles(o, d);
  const Bitboard kingZone = KingAttacks[c.enemyKing];
  if (lines & kingZone) return (queenAttacks(d, c.sliderOcc) & lines & kingZone) ? MarkThreat : MarkNone;
  return kingInSight(c, d, lines) ? MarkThreat : MarkNone;
}

}  // namespace

void markThreats(SearchThread& t, const Move* moves, int count, int* marks, int gap) {
  const ThreatContext c = threatContext(t.board, gap);
  for (int i = 0; i < count; ++i) marks[i] = markOf(t.board, c, moves[i]);
}

}  // namespace vireo
