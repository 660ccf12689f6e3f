#pragma once
// The terms that make up the static evaluation, each reading the evaluator's
// board. Without a colour they return White's view; with one, that colour's
// own value, which evaluate subtracts for Black.

#include "board/bitops.h"
#include "eval/evaluator.h"
#include "eval/score.h"

namespace vireo {

// Material and imbalance; lowers `scale` (1/1024) for the side ahead with few pawns.
int evaluateMaterial(const Evaluator& evaluator, int& scale);
// Trapped knights and bishops, rooks shut in by their own king.
int evaluatePatterns(const Evaluator& evaluator);
// Probes, and on a miss fills, the pawn record of the board's pawn key.
PawnEntry* evaluatePawns(Evaluator& evaluator);
// Adds the piece-dependent part of each passed pawn's value to the colour's totals.
void evaluatePassedPawns(Evaluator& evaluator, Colour colour, int& opening, int& endgame);
// King activity in the endgame, shelter in the middlegame; records kingShelter.
int evaluateKing(Evaluator& evaluator, Colour colour);
// Each side's pieces, blended by phase, with the attack on the enemy king.
int evaluatePiecesWhite(Evaluator& evaluator);
int evaluatePiecesBlack(Evaluator& evaluator);
// Known endgames. Returns true when `score` has been set to an exact value.
bool recogniseEndgame(Evaluator& evaluator, int& score, int& scale);
// Decided pawn races, White's view; 0 when nothing is decided.
int evaluatePawnRace(Evaluator& evaluator);

// The pawn-shelter figure of a king on `kingSquare` (its own first rank) for
// the colour `us`; `lowFile` is the shield file worth 3 / 2 / 1.
int shelterFigure(Colour us, Bitboard ownPawns, Bitboard enemyPawns, Square kingSquare,
                  int lowFile);

// The square a king's attack zone centres on: moved one file and one rank
// inward from the edges.
constexpr Square kingZoneCentre(Square s) {
  const int f = s & 7, r = s >> 3;
  return makeSquare(f < 1 ? 1 : f > 6 ? 6 : f, r < 1 ? 1 : r > 6 ? 6 : r);
}

// The set grown by one king step in every direction.
constexpr Bitboard kingGrowth(Bitboard b) {
  const Bitboard row = b | ((b << 1) & NotFileA) | ((b >> 1) & NotFileH);
  return row | (row << 8) | (row >> 8);
}

// The nine squares around the zone centre of a king on each square.
inline constexpr struct KingZoneTable {
  Bitboard zone[64];
  constexpr KingZoneTable() : zone() {
    for (Square s = 0; s < 64; ++s) zone[s] = kingGrowth(Bitboard(1) << kingZoneCentre(s));
  }
} KingZones;

// All pawns of a colour capture toward these squares.
template <Colour Us>
constexpr Bitboard pawnAttackSet(Bitboard pawns) {
  return Us == White ? ((pawns << 9) & NotFileA) | ((pawns << 7) & NotFileH)
                     : ((pawns >> 7) & NotFileA) | ((pawns >> 9) & NotFileH);
}

// Counts the few squares of a sparse set (threats, attacked zone squares):
// cheaper than the parallel sum when no population-count instruction is there.
inline int sparseCount(Bitboard b) {
#if defined(__POPCNT__)
  return popCount(b);
#else
  int n = 0;
  for (; b; b &= b - 1) ++n;
  return n;
#endif
}

template <Colour Us>
constexpr Bitboard pushForward(Bitboard b) {
  return Us == White ? b << 8 : b >> 8;
}

}  // namespace vireo
