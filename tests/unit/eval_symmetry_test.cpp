// A position and its mirror image (ranks flipped, colours and side to move
// exchanged) must get the same score from the side to move's view.

#include <gtest/gtest.h>

#include "eval/evaluator.h"
#include "eval/weights.h"
#include "eval_test_support.h"

namespace vireo {
namespace {

using testing::initEngineTables;
using testing::mirrorFen;

// Endings and structures that random games seldom reach.
const char* const HandPicked[] = {
    "8/8/8/4k3/8/8/4P3/4K3 w - -",            // king and pawn against king
    "8/8/8/4k3/8/8/4P3/4K3 b - -",
    "k7/8/8/8/8/8/P7/K7 w - -",               // rook pawn
    "8/8/8/8/8/2k5/8/KBN5 w - -",             // knight and bishop
    "8/8/8/8/8/2k5/8/KBN5 b - -",
    "4k3/8/4r3/4P3/8/8/8/R3K3 w - -",         // rook and pawn against rook
    "4k3/4P3/8/8/8/8/r7/R3K3 b - -",
    "4k3/8/8/8/8/8/8/4KN2 w - -",             // lone knight
    "k7/8/8/8/8/8/P7/K1B5 w - -",             // wrong bishop
    "8/5k2/8/8/8/8/PP6/K7 w - -",             // rook pawns only
    "4k3/pp6/8/8/8/8/8/4K1B1 w - -",          // piece against pawns
    "4k3/p7/8/8/8/8/8/4KR2 w - -",
    "4k3/8/8/8/8/8/8/2B1KB2 w - -",           // two bishops, one colour each
    "4k3/8/8/8/8/8/8/3NKN2 b - -",
    "4k3/8/8/2n5/8/8/8/2B1KB2 w - -",         // bishop pair against knight
    "4k3/8/8/2n5/8/8/8/3RK3 w - -",
    "2b1k3/pp3ppp/8/8/8/8/PPP2PPP/4KB2 w - -",  // opposite bishops
    "2b1k3/p4ppp/8/8/8/8/PPP2PPP/4KB2 w - -",
    "8/p6k/8/8/8/8/6PK/8 w - -",              // pawn race
    "8/p6k/8/8/8/8/6PK/8 b - -",
    "7k/P7/8/8/8/8/6pK/8 w - -",
    "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq -",
    "r4rk1/1b2qppp/p3pn2/1pn5/3N4/2N1P3/PPQ1BPPP/R4RK1 w - -",
    "2kr3r/ppp2ppp/2n5/8/2B5/8/PPP2PPP/2KR3R b - -",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -",      // back rank
    "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6",
    "N5k1/2p5/8/8/8/8/5PPP/6K1 w - -",        // trapped knight
    "6k1/B7/1p6/8/8/8/5PPP/6K1 b - -",        // trapped bishop
    "6k1/8/8/8/8/8/P4PPP/1KR4R w - -",        // rook shut in
    // Exchanges in which two rooks could take first.
    "2r5/1kr5/2R5/P7/1b5K/P7/2p5/7R w - -",
    "4R3/8/1k2q3/8/4p1N1/7q/3K4/8 b - -",
};

// The damping of long runs of reversible moves shifts the score right,
// rounding toward minus infinity: a centipawn apart between the colours. The
// positions are compared without their half-move clocks.
std::string withoutCounters(const std::string& fen) {
  size_t end = 0;
  for (int field = 0; field < 4 && end != std::string::npos; ++field) end = fen.find(' ', end + 1);
  return fen.substr(0, end);
}

std::vector<std::string> symmetryPositions() {
  std::vector<std::string> fens = testing::randomGamePositions(20240611, 100, 240);
  // Thin the games out so that the set stays varied but quick.
  std::vector<std::string> picked;
  for (size_t i = 0; i < fens.size(); i += 2) picked.push_back(withoutCounters(fens[i]));
  picked.insert(picked.end(), std::begin(HandPicked), std::end(HandPicked));
  return picked;
}

void expectSymmetric(const char* label) {
  static Board board;
  static Evaluator evaluator(&board);
  initEvaluator(evaluator, &board);
  int checked = 0;
  for (const std::string& fen : symmetryPositions()) {
    ASSERT_TRUE(setFen(board, fen.c_str())) << fen;
    const std::string mirrored = mirrorFen(board);
    clearEvaluator(evaluator);
    const int score = evaluate(evaluator);
    ASSERT_TRUE(setFen(board, mirrored.c_str())) << mirrored;
    clearEvaluator(evaluator);
    EXPECT_EQ(evaluate(evaluator), score) << label << ": " << fen << " against " << mirrored;
    ++checked;
  }
  EXPECT_GT(checked, 5000);
}

TEST(EvalSymmetry, MirrorFlipsRanksColoursAndRights) {
  static Board board;
  testing::setPosition(board, "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w Kq e6");
  // The en-passant square names the pawn that moved, as the board keeps it.
  EXPECT_EQ(mirrorFen(board), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR b Qk e4");
  testing::setPosition(board, "4k3/8/8/8/8/8/1P6/4K2R b K -");
  EXPECT_EQ(mirrorFen(board), "4k2r/1p6/8/8/8/8/8/4K3 w k -");
}

TEST(EvalSymmetry, MirroredPositionsScoreAlike) {
  initEngineTables();
  expectSymmetric("default weights");
}

TEST(EvalSymmetry, HoldsWithAlteredWeights) {
  initEngineTables();
  const int altered[EvalWeightCount] = {700, 1300, 400, 1700, 900, 1200, 2600};
  for (int i = 0; i < EvalWeightCount; ++i) setEvalWeight(i, altered[i]);
  expectSymmetric("altered weights");
  for (int i = 0; i < EvalWeightCount; ++i) setEvalWeight(i, DefaultEvalWeight);
}

}  // namespace
}  // namespace vireo
