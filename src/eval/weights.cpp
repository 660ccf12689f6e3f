#include "eval/weights.h"

#include "eval/base_tables.h"
#include "eval/kpk.h"

namespace vireo {

int32_t evalWeights[EvalWeightCount] = {DefaultEvalWeight, DefaultEvalWeight, DefaultEvalWeight,
                                        DefaultEvalWeight, DefaultEvalWeight, DefaultEvalWeight,
                                        DefaultEvalWeight};
EvalTables evalTables;

void setEvalWeight(int index, int value) {
  if (index >= 0 && index < EvalWeightCount) evalWeights[index] = value;
  rebuildEvalTables();
}

int getEvalWeight(unsigned index) { return index < EvalWeightCount ? evalWeights[index] : 0; }

namespace {

template <int N>
void copyPairs(ScorePair (&table)[N], const BasePair (&base)[N]) {
  for (int i = 0; i < N; ++i) table[i] = makeScore(base[i].op, base[i].eg);
}

template <int N>
void weightPairs(ScorePair (&table)[N], const BasePair (&base)[N], int opening, int endgame) {
  for (int i = 0; i < N; ++i)
    table[i] = makeScore(weighted(base[i].op, opening), weighted(base[i].eg, endgame));
}

}  // namespace

void rebuildEvalTables() {
  const int* w = evalWeights;
  EvalTables& t = evalTables;
  copyPairs(t.pawnSquare, PawnSquareBase);
  weightPairs(t.passedPawn, PassedPawnBase, w[PassedPawnsOpening], w[PassedPawnsEndgame]);
  weightPairs(t.candidatePawn, CandidatePawnBase, w[PassedPawnsOpening], w[PassedPawnsEndgame]);
  copyPairs(t.isolatedPawn, IsolatedPawnBase);
  copyPairs(t.unsupportedPawn, UnsupportedPawnBase);
  copyPairs(t.knightSquare, KnightSquareBase);
  copyPairs(t.bishopSquare, BishopSquareBase);
  copyPairs(t.queenSquare, QueenSquareBase);
  weightPairs(t.knightMobility, KnightMobilityBase, w[MobilityOpening], w[MobilityEndgame]);
  weightPairs(t.bishopMobility, BishopMobilityBase, w[MobilityOpening], w[MobilityEndgame]);
  weightPairs(t.rookMobility, RookMobilityBase, w[MobilityOpening], w[MobilityEndgame]);
  weightPairs(t.queenMobility, QueenMobilityBase, w[MobilityOpening], w[MobilityEndgame]);
  // The pawn-ending table does not depend on the weights; it is built once.
  initKpk();
}

}  // namespace vireo
