#pragma once
// The terms that make up the static evaluation, each reading the evaluator's
// board. Without a colour they return White's view; with one, that colour's
// own value, which evaluate subtracts for Black.

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

// All pawns of a colour capture toward these squares.
template <Colour Us>
constexpr Bitboard pawnAttackSet(Bitboard pawns) {
  return Us == White ? ((pawns << 9) & NotFileA) | ((pawns << 7) & NotFileH)
                     : ((pawns >> 7) & NotFileA) | ((pawns >> 9) & NotFileH);
}

template <Colour Us>
constexpr Bitboard pushForward(Bitboard b) {
  return Us == White ? b << 8 : b >> 8;
}

}  // namespace vireo
