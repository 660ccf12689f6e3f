// The text of the search reports, and the hand-over of a held-back
// bestmove between the search and the commands.

#include <gtest/gtest.h>

#include "board/move.h"
#include "search/tt.h"
#include "uci/reports.h"
#include "uci/search_status.h"

namespace vireo {
namespace {

TEST(UciReports, MoveText) {
  struct Case {
    Move move;
    const char* text;
  };
  const Case cases[] = {
      {0, "0000"},
      {encodeMove(12, 28), "e2e4"},
      {encodeMove(0, 63), "a1h8"},
      {withPromotion(encodeMove(52, 60), Queen), "e7e8q"},
      {withPromotion(encodeMove(9, 0, 16 | Rook), Knight), "b2a1n"},
      {withPromotion(encodeMove(54, 63), Bishop), "g7h8b"},
      {withPromotion(encodeMove(54, 62), Rook), "g7g8r"},
      {encodeMove(4, 6) | MoveCastling, "e1g1"},
  };
  for (const Case& c : cases) EXPECT_EQ(moveToUci(c.move), c.text) << c.text;
}

TEST(UciReports, ScoreAndBound) {
  struct Case {
    int score;
    int bound;
    const char* text;
  };
  const Case cases[] = {
      {29999, BoundExact, " score mate 1"},  {29998, BoundExact, " score mate 1"},
      {29997, BoundExact, " score mate 2"},  {29001, BoundExact, " score mate 500"},
      {29000, BoundExact, " score cp 29000"}, {-29000, BoundExact, " score cp -29000"},
      {-29001, BoundExact, " score mate -499"}, {-29998, BoundExact, " score mate -1"},
      {-30000, BoundExact, " score mate 0"}, {0, BoundExact, " score cp 0"},
      {-35, BoundUpper, " score cp -35 upperbound"}, {35, BoundLower, " score cp 35 lowerbound"},
      {35, 0, " score cp 35 lowerbound"},
  };
  for (const Case& c : cases) {
    std::string line;
    appendScore(line, c.score, c.bound);
    EXPECT_EQ(line, c.text) << c.score;
  }
}

// Whoever replaces the status learns the old one; a finished ponder search
// holds its bestmove back, and the next change of any kind hands it over
// exactly once.
TEST(UciReports, SearchStatusHandsOverAHeldBestmove) {
  SearchStatus status;
  EXPECT_EQ(status.setStatus(POSITION).old, FINISHED);
  EXPECT_EQ(status.setStatus(PONDERING).old, POSITION);
  const SearchStatus::Change end = status.setStatus(FINISHED, true);
  EXPECT_EQ(end.old, PONDERING);
  EXPECT_FALSE(end.held);
  const SearchStatus::Change stop = status.setStatus(FINISHED);
  EXPECT_EQ(stop.old, FINISHED);
  EXPECT_TRUE(stop.held);
  EXPECT_FALSE(status.setStatus(FINISHED).held);

  // A search that ends while not pondering sends its own bestmove.
  status.setStatus(SEARCHING);
  EXPECT_EQ(status.setStatus(FINISHED, true).old, SEARCHING);
  EXPECT_FALSE(status.setStatus(POSITION).held);
  EXPECT_EQ(status.current(), POSITION);
}

}  // namespace
}  // namespace vireo
