// Weights, score pairs, phase blending and the derived tables.

#include <gtest/gtest.h>

#include <cstring>

#include "eval/base_tables.h"
#include "eval/score.h"
#include "eval/weights.h"
#include "eval_test_support.h"

namespace vireo {
namespace {

using testing::initEngineTables;

// Puts every weight back, whatever a test changed.
struct WeightsRestored : ::testing::Test {
  void SetUp() override { initEngineTables(); }
  void TearDown() override {
    for (int i = 0; i < EvalWeightCount; ++i) setEvalWeight(i, DefaultEvalWeight);
  }
};

TEST(ScorePair, DecodesBothHalvesWhateverTheirSigns) {
  const struct { int op, eg; } cases[] = {{-3, -5}, {5, -1}, {0, -1}, {-1, 0}, {300, 400},
                                          {-300, 400}, {300, -400}, {-32000, 32000}};
  for (const auto& c : cases) {
    const ScorePair s = makeScore(c.op, c.eg);
    EXPECT_EQ(openingOf(s), c.op) << c.op << "/" << c.eg;
    EXPECT_EQ(endgameOf(s), c.eg) << c.op << "/" << c.eg;
  }
  // Sums of pairs decode to the sums of their halves.
  const ScorePair sum = makeScore(-3, -5) + makeScore(5, -1) - makeScore(7, -20);
  EXPECT_EQ(openingOf(sum), -5);
  EXPECT_EQ(endgameOf(sum), 14);
}

TEST(PhaseBlend, PawnFormIsUnclampedAndRoundsOnce) {
  EXPECT_EQ(blendPawns(40, -20, 32), 40);
  EXPECT_EQ(blendPawns(40, -20, 0), -20);
  EXPECT_EQ(blendPawns(40, -20, 16), (40 * 16 - 20 * 16 + 16) >> 5);
  // Promotions can push the phase beyond 32; the endgame half then subtracts.
  EXPECT_EQ(blendPawns(32, 32, 42), (32 * 42 + 32 * -10 + 16) >> 5);
}

TEST(PhaseBlend, PieceFormClampsAndRoundsEachHalf) {
  EXPECT_EQ(blendPieces(makeScore(40, -20), 42), 40);
  EXPECT_EQ(blendPieces(makeScore(40, -20), 0), -20);
  // Rounding each half on its own: 16 / 32 and 496 / 32 round to 1 and 16,
  // where rounding their sum once would give 16.
  EXPECT_EQ(blendPieces(makeScore(16, 16), 1), 17);
}

TEST_F(WeightsRestored, PercentConversionAndIndexRange) {
  EXPECT_EQ(evalWeightFromPercent(100), 1024);
  EXPECT_EQ(evalWeightFromPercent(33), 337);
  EXPECT_EQ(evalWeightFromPercent(50), 512);
  EXPECT_EQ(evalWeightFromPercent(1), 10);
  EXPECT_EQ(evalWeightFromPercent(0), 0);
  EXPECT_EQ(evalWeightFromPercent(1000), 10240);

  for (unsigned i = 0; i < EvalWeightCount; ++i) EXPECT_EQ(getEvalWeight(i), 1024);
  setEvalWeight(KingAttack, 337);
  EXPECT_EQ(getEvalWeight(KingAttack), 337);
  EXPECT_EQ(getEvalWeight(7), 0);
  EXPECT_EQ(getEvalWeight(0xFFFFFFFFu), 0);

  // An index out of range stores nothing but still rebuilds the tables.
  const ScorePair before = evalTables.knightMobility[0];
  evalWeights[MobilityOpening] = 0;  // changed behind the tables' back
  setEvalWeight(7, 5000);
  setEvalWeight(-1, 5000);
  for (unsigned i = 0; i < EvalWeightCount; ++i) EXPECT_NE(getEvalWeight(i), 5000);
  EXPECT_NE(evalTables.knightMobility[0], before);
  EXPECT_EQ(openingOf(evalTables.knightMobility[0]), 0);
}

TEST_F(WeightsRestored, DefaultWeightsReproduceTheStartUpTables) {
  static EvalTables startUp;
  std::memcpy(&startUp, &evalTables, sizeof startUp);
  setEvalWeight(MobilityEndgame, evalWeightFromPercent(100));
  EXPECT_EQ(std::memcmp(&startUp, &evalTables, sizeof startUp), 0);
  // The unweighted tables hold the base values as pairs.
  EXPECT_EQ(evalTables.pawnSquare[ownView(White, D4)], makeScore(20, 0));
  EXPECT_EQ(evalTables.knightSquare[ownView(Black, G8)], makeScore(-24, -44));
  EXPECT_EQ(evalTables.passedPawn[ownView(White, A7)], makeScore(90, 148));
}

TEST_F(WeightsRestored, MobilityWeightsScaleOneHalfEach) {
  setEvalWeight(MobilityOpening, 0);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(openingOf(evalTables.queenMobility[i]), 0);
    EXPECT_EQ(endgameOf(evalTables.queenMobility[i]), QueenMobilityBase[i].eg);
  }
  // Weighting rounds toward minus infinity: -27 * 512 / 1024 = -13.5 -> -14.
  setEvalWeight(MobilityOpening, 512);
  setEvalWeight(MobilityEndgame, 2048);
  EXPECT_EQ(evalTables.bishopMobility[0], makeScore(-14, -84));
  EXPECT_EQ(evalTables.rookMobility[14], makeScore(12, 22));
}

TEST_F(WeightsRestored, PassedPawnWeightsScaleTheirTables) {
  setEvalWeight(PassedPawnsOpening, 337);
  setEvalWeight(PassedPawnsEndgame, 0);
  // 90 * 337 >> 10 = 29, 45 * 337 >> 10 = 14.
  EXPECT_EQ(evalTables.passedPawn[ownView(White, B7)], makeScore(29, 0));
  EXPECT_EQ(evalTables.candidatePawn[ownView(Black, C3)], makeScore(14, 0));
  EXPECT_EQ(evalTables.isolatedPawn[ownView(White, A2)], makeScore(-16, -32));
}

}  // namespace
}  // namespace vireo
