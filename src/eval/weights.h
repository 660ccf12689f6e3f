#pragma once
// The seven evaluation weights and the score-pair tables derived from them.
// Weights and tables are process-wide: written at start-up and while no
// search runs, read by every search thread without locks.

#include <cstdint>

#include "eval/score.h"

namespace vireo {

enum EvalWeight : int {
  MobilityOpening,
  MobilityEndgame,
  PassedPawnsOpening,
  PassedPawnsEndgame,
  PawnStructureOpening,
  PawnStructureEndgame,
  KingAttack,
  EvalWeightCount
};

// The UCI option of each weight, in index order.
inline constexpr const char* EvalWeightOptionNames[EvalWeightCount] = {
    "eval.mobility.opening",      "eval.mobility.endgame",      "eval.passedpawns.opening",
    "eval.passedpawns.endgame",   "eval.pawnstructure.opening", "eval.pawnstructure.endgame",
    "eval.kingattack"};

// Weights are in 1/1024: 1024 is the engine's own tuning.
inline constexpr int DefaultEvalWeight = 1024;
extern int32_t evalWeights[EvalWeightCount];

// Stores a weight (indices outside 0..6 store nothing) and rebuilds the tables.
void setEvalWeight(int index, int value);
// The weight of an index, 0 for an index above 6.
int getEvalWeight(unsigned index);
// A UCI percentage (0..1000) as a weight: 100 gives 1024, 33 gives 337.
constexpr int evalWeightFromPercent(int percent) { return percent * 1024 / 100; }

// A base value scaled by a weight, rounding toward minus infinity.
constexpr int weighted(int base, int weight) { return (base * weight) >> 10; }

// Square tables are indexed by ownView(colour, square); mobility tables by the
// number of counted target squares.
struct EvalTables {
  ScorePair pawnSquare[64];
  ScorePair passedPawn[64];
  ScorePair candidatePawn[64];
  ScorePair isolatedPawn[64];
  ScorePair unsupportedPawn[64];  // a pawn with neighbours but no defender
  ScorePair knightSquare[64];
  ScorePair bishopSquare[64];
  ScorePair queenSquare[64];
  ScorePair knightMobility[16];
  ScorePair bishopMobility[16];
  ScorePair rookMobility[16];
  ScorePair queenMobility[32];
};
extern EvalTables evalTables;

// Rebuilds every derived table from the base tables and the current weights.
// Start-up calls it once before any evaluation.
void rebuildEvalTables();

}  // namespace vireo
