// Pawn structure records and the pawn hash that keeps them.

#include <gtest/gtest.h>

#include <cstdint>

#include "eval/evaluator.h"
#include "eval/terms.h"
#include "eval_test_support.h"

namespace vireo {
namespace {

class PawnStructure : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::initEngineTables();
    initEvaluator(evaluator, &board);
    resizePawnHash(evaluator, 1024);
  }
  void TearDown() override {
    for (int i = 0; i < EvalWeightCount; ++i) setEvalWeight(i, DefaultEvalWeight);
  }

  const PawnEntry& pawnsOf(const char* fen) {
    testing::setPosition(board, fen);
    return *evaluatePawns(evaluator);
  }

  static Board board;
  static Evaluator evaluator;
};
Board PawnStructure::board;
Evaluator PawnStructure::evaluator;

constexpr Bitboard bit(Square s) { return Bitboard(1) << s; }

struct PawnCase {
  const char* fen;
  int whiteOpening, whiteEndgame, blackOpening, blackEndgame;
  Bitboard passed;
  int whiteCandidate, blackCandidate;
  const char* what;
};

// Hand-computed records: square value, neighbours, doubled, candidate,
// passed, isolated and unsupported pawns.
const PawnCase PawnCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0, 36, 0, 36, 0, 0, 0,
     "start position"},
    {"4k3/8/3p4/4P3/3P4/8/8/4K3 w - -", 58, 34, 10, -16, 0, 1, 0,
     "e5 is a candidate held by d6 alone, d4 beside it"},
    {"4k3/8/4p3/4P3/3P4/8/8/4K3 w - -", 27, 2, 10, -16, 0, 1, 0,
     "e6 straight ahead: e5 neither passed nor candidate, d4 now the candidate"},
    {"4k3/8/8/8/4P3/4P3/8/4K3 w - -", -20, -56, 0, 0, bit(E4), 0, 0,
     "doubled and isolated: only the front pawn pays for the doubling"},
    {"4k3/8/8/8/3PP3/4P3/8/4K3 w - -", 32, 20, 0, 0, bit(D4) | bit(E4), 0, 0,
     "doubled front pawn with a neighbour gets (8, 20) back"},
    {"4k3/8/3p4/8/3P4/8/8/4K3 w - -", 18, -16, 10, -16, 0, 0, 0,
     "isolated pawns facing each other pay (2, 16) instead of the table"},
};

TEST_F(PawnStructure, RecordsMatchHandComputedValues) {
  for (const PawnCase& c : PawnCases) {
    const PawnEntry& e = pawnsOf(c.fen);
    EXPECT_EQ(e.side[White].opening, c.whiteOpening) << c.what;
    EXPECT_EQ(e.side[White].endgame, c.whiteEndgame) << c.what;
    EXPECT_EQ(e.side[Black].opening, c.blackOpening) << c.what;
    EXPECT_EQ(e.side[Black].endgame, c.blackEndgame) << c.what;
    EXPECT_EQ(e.passed, c.passed) << c.what;
    EXPECT_EQ(e.side[White].candidate, c.whiteCandidate) << c.what;
    EXPECT_EQ(e.side[Black].candidate, c.blackCandidate) << c.what;
  }
}

TEST_F(PawnStructure, LonePassedPawnAndItsMirror) {
  // e5 passed: square value (20, 2) + passed bonus (24, 56) + isolated (-16, -24).
  const PawnEntry& white = pawnsOf("4k3/8/8/4P3/8/8/8/4K3 w - -");
  EXPECT_EQ(white.passed, SquareBit[E5]);
  EXPECT_EQ(white.side[White].opening, 28);
  EXPECT_EQ(white.side[White].endgame, 34);
  const PawnEntry& black = pawnsOf("4k3/8/8/8/4p3/8/8/4K3 w - -");
  EXPECT_EQ(black.passed, SquareBit[E4]);
  EXPECT_EQ(black.side[Black].opening, 28);
  EXPECT_EQ(black.side[Black].endgame, 34);
}

TEST_F(PawnStructure, StructureWeightsScaleTheStoredTotals) {
  setEvalWeight(PawnStructureOpening, 512);
  setEvalWeight(PawnStructureEndgame, 337);
  // Arithmetic shifts: -20 * 512 >> 10 = -10, -56 * 337 >> 10 = -18.43 -> -19.
  const PawnEntry& e = pawnsOf("4k3/8/8/8/4P3/4P3/8/4K3 w - -");
  EXPECT_EQ(e.side[White].opening, -10);
  EXPECT_EQ(e.side[White].endgame, -19);
}

TEST_F(PawnStructure, ShelterFigures) {
  const PawnEntry& start = pawnsOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  for (Colour c : {White, Black})
    for (int i = 0; i < 3; ++i) EXPECT_EQ(start.side[c].shelter[i], -1);

  // g1: storm pawn on g4 (-2), held by g3 (+1); shield f2 3, g3 5, h2 6.
  // b1: no shield, nothing storming. e1: f2 counts 6 on a high file.
  const PawnEntry& storm = pawnsOf("6k1/8/8/8/6p1/6P1/5P1P/6K1 w - -");
  EXPECT_EQ(storm.side[White].shelter[2], -3);
  EXPECT_EQ(storm.side[White].shelter[0], -16);
  EXPECT_EQ(storm.side[White].shelter[1], -10);
  // The same storm without the blocking pawn: g2 shields 6, no relief.
  const PawnEntry& open = pawnsOf("6k1/8/8/8/6p1/8/5PPP/6K1 w - -");
  EXPECT_EQ(open.side[White].shelter[2], -3);
  // Black's view of the mirrored skeleton.
  const PawnEntry& mirrored = pawnsOf("6k1/5p1p/6p1/6P1/8/8/8/6K1 w - -");
  EXPECT_EQ(mirrored.side[Black].shelter[2], -3);
}

TEST_F(PawnStructure, HashProbesCountHitsAndMisses) {
  const PawnEntry* first = &pawnsOf("4k3/8/8/4P3/8/8/8/4K3 w - -");
  EXPECT_EQ(evaluator.pawnHash.misses, 1u);
  EXPECT_EQ(evaluator.pawnHash.hits, 0u);
  EXPECT_EQ(&pawnsOf("4k3/8/8/4P3/8/8/8/3K4 b - -"), first);  // same pawns
  EXPECT_EQ(evaluator.pawnHash.hits, 1u);
  EXPECT_EQ(evaluator.currentPawnEntry, first);
  EXPECT_EQ(first, evaluator.pawnHash.entryFor(board.state.pawnKey));

  // Without pawns the key is 0 and lands on entry 0, whose key 1 misses once.
  const PawnEntry& none = pawnsOf("4k3/8/8/8/8/8/8/R3K3 w - -");
  EXPECT_EQ(&none, evaluator.pawnHash.entries);
  EXPECT_EQ(evaluator.pawnHash.misses, 2u);
  pawnsOf("4k3/8/8/8/8/8/8/4K2R w - -");
  EXPECT_EQ(evaluator.pawnHash.hits, 2u);
  EXPECT_EQ(none.side[White].opening, 0);
  EXPECT_EQ(none.side[Black].endgame, 0);
  for (Colour c : {White, Black})
    for (int i = 0; i < 3; ++i) EXPECT_EQ(none.side[c].shelter[i], -16);

  clearEvaluator(evaluator);
  EXPECT_EQ(evaluator.pawnHash.hits, 0u);
  EXPECT_EQ(evaluator.pawnHash.misses, 0u);
  EXPECT_EQ(evaluator.pawnHash.entries[0].key, 1u);
  EXPECT_EQ(evaluator.pawnHash.entries[1].key, 0u);
}

TEST_F(PawnStructure, ResizeRoundsDownToPowersOfTwoAndAligns) {
  const struct { uint32_t requested, count; } sizes[] = {
      {100, 64}, {0, 1}, {1, 1}, {2, 2}, {131072, 131072}, {131071, 65536}};
  for (const auto& s : sizes) {
    resizePawnHash(evaluator, s.requested);
    const PawnHash& hash = evaluator.pawnHash;
    EXPECT_EQ(hash.count, s.count) << s.requested;
    EXPECT_EQ(hash.mask, s.count - 1);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(hash.entries) % 256, 0u);
    EXPECT_GE(reinterpret_cast<char*>(hash.entries), static_cast<char*>(hash.raw));
    EXPECT_LT(reinterpret_cast<char*>(hash.entries), static_cast<char*>(hash.raw) + 256);
    EXPECT_EQ(hash.entries[0].key, 1u);
    EXPECT_EQ(hash.entries[s.count - 1].passed, 0u);
    EXPECT_EQ(hash.hits + hash.misses, 0u);
    EXPECT_EQ(hash.entryFor(0x123456789ULL), hash.entries + (0x123456789ULL & hash.mask));
  }
}

}  // namespace
}  // namespace vireo
