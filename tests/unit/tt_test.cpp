#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "board/notation.h"
#include "board_test_util.h"
#include "search/tt.h"

namespace vireo {
namespace {

using testing_util::boardFromFen;

TEST(Tt, ResizeRoundsDownToPowersOfTwoWithAMinimum) {
  Tt tt;
  EXPECT_EQ(tt.resize(100), 262144u);
  EXPECT_EQ(tt.entries(), 16384u);
  EXPECT_EQ(tt.resize(1500), 1048576u);
  EXPECT_EQ(tt.resize(32768), 33554432u);
  EXPECT_EQ(tt.resize(100 * 1024), 67108864u);  // Hash 100 gives 64 MB
}

TEST(Tt, SameSizeKeepsEntriesAndGeneration) {
  Tt tt;
  tt.resize(1024);
  auto board = boardFromFen(StartFen);
  TtCounters counters;
  tt.newSearch();
  tt.storeScore(*board, BoundExact, 5, 0, 17, 0, 3, counters);
  tt.resize(1500);  // still 1 MB
  TtEntry e;
  ASSERT_TRUE(tt.probe(*board, e));
  EXPECT_EQ(e.score, 17);
  EXPECT_EQ(tt.generation(), 2);
  tt.resize(4096);  // a new size clears
  EXPECT_FALSE(tt.probe(*board, e));
  EXPECT_EQ(tt.generation(), 1);
}

TEST(Tt, GenerationWrapsAfterClear) {
  Tt tt;
  tt.clear();
  EXPECT_EQ(tt.generation(), 1);
  for (int i = 0; i < 255; ++i) tt.newSearch();
  EXPECT_EQ(tt.generation(), 0);
}

// Positions that share a bucket: same low 32 key bits, different checks.
struct BucketFixture {
  Tt tt;
  std::unique_ptr<Board> board = boardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  TtCounters counters;
  BucketFixture() { tt.resize(256); }
  void at(int n) { board->hashKey = 0x1234567800000040ULL + (uint64_t(n) << 32); }
  void store(int n, int bound, int depth, int score, Move move = 0) {
    at(n);
    tt.storeScore(*board, bound, depth, 0, score, move, 0, counters);
  }
  bool probe(int n, TtEntry& e) {
    at(n);
    return tt.probe(*board, e);
  }
};

TEST(Tt, ShallowerStoresReplaceOnlyWhenTheyTellMore) {
  struct Case {
    int oldBound, oldScore, newBound, newScore;
    bool replaced;
  };
  const Case cases[] = {
      {BoundExact, 10, BoundLower, 50, false},
      {BoundLower, 60, BoundLower, 50, false},
      {BoundLower, 40, BoundLower, 50, true},
      {BoundLower | BoundStatic, 60, BoundExact, 50, false},
      {BoundUpper, 40, BoundUpper, 50, false},
      {BoundUpper, 60, BoundUpper, 50, true},
  };
  for (const Case& c : cases) {
    BucketFixture f;
    f.store(1, c.oldBound, 6, c.oldScore);
    f.store(1, c.newBound, 3, c.newScore);
    TtEntry e;
    ASSERT_TRUE(f.probe(1, e));
    EXPECT_EQ(e.score == c.newScore, c.replaced) << c.oldBound << "/" << c.oldScore;
    EXPECT_EQ(f.counters.ttUpdates, c.replaced ? 1u : 0u);
  }
}

TEST(Tt, UpperBoundsCarryNoMoveButInheritTheOldOne) {
  BucketFixture f;
  const Move m = encodeMove(E1, E2);
  f.store(1, BoundUpper, 4, 0, m);
  TtEntry e;
  ASSERT_TRUE(f.probe(1, e));
  EXPECT_EQ(e.move, 0u);
  f.store(2, BoundLower, 4, 0, m);
  f.store(2, BoundUpper, 5, -5, 0);
  ASSERT_TRUE(f.probe(2, e));
  EXPECT_EQ(e.move, m);
}

TEST(Tt, ReplacementPrefersOldGenerationsThenShallowEntries) {
  BucketFixture f;
  f.tt.newSearch();
  const int depths[4] = {5, 3, 3, 7};
  for (int i = 0; i < 4; ++i) f.store(10 + i, BoundExact, depths[i], i);
  f.store(20, BoundExact, 1, 99);
  TtEntry e;
  EXPECT_TRUE(f.probe(10, e));
  EXPECT_FALSE(f.probe(11, e));  // the first of the two depth-3 slots went
  EXPECT_TRUE(f.probe(12, e));
  EXPECT_TRUE(f.probe(20, e));
  EXPECT_EQ(f.counters.ttNewWrites, 5u);
  EXPECT_EQ(f.counters.ttOverwrites, 1u);

  BucketFixture g;
  g.store(30, BoundExact, 20, 0);  // older generation, deep
  g.tt.newSearch();
  for (int i = 0; i < 3; ++i) g.store(31 + i, BoundExact, 1, 0);
  g.store(40, BoundExact, 2, 0);
  EXPECT_FALSE(g.probe(30, e));
  EXPECT_TRUE(g.probe(31, e));
}

TEST(Tt, MovesThatDoNotFitThePositionMiss) {
  Tt tt;
  auto board = boardFromFen(StartFen);
  TtCounters counters;
  tt.storeScore(*board, BoundLower, 3, 0, 10, encodeMove(E2, E5), 0, counters);
  TtEntry e;
  EXPECT_FALSE(tt.probe(*board, e));
  tt.storeScore(*board, BoundLower, 4, 0, 10, parseMove(*board, "e4"), 0, counters);
  EXPECT_TRUE(tt.probe(*board, e));
  EXPECT_TRUE(tt.removePosition(*board));
  EXPECT_FALSE(tt.probe(*board, e));
}

TEST(Tt, SidesToMoveUseDifferentBuckets) {
  Tt tt;
  auto white = boardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  auto black = boardFromFen("4k3/8/8/8/8/8/8/4K3 b - - 0 1");
  TtCounters counters;
  tt.storeScore(*white, BoundExact, 3, 0, 42, 0, 0, counters);
  TtEntry e;
  EXPECT_FALSE(tt.probe(*black, e));
  EXPECT_TRUE(tt.probe(*white, e));
}

// One position in every page of the table: what was stored is found, a
// clear empties the table whether or not its pages are all backed yet, and
// so does a resize. Stores made while the helper thread is still backing the
// pages may be dropped, never changed.
TEST(Tt, EveryPageStoresAndClearsWhileBackedOrNot) {
  Tt tt;
  auto board = boardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  TtCounters counters;
  auto at = [&](uint64_t page) { board->hashKey = (page + 1) << 32 | page * 256; };
  auto storeAll = [&] {
    for (uint64_t page = tt.entries() / 256; page-- > 0;) {
      at(page);
      tt.storeScore(*board, BoundExact, 5, 0, int(page % 1000), 0, 0, counters);
    }
  };
  auto found = [&] {
    uint64_t n = 0;
    TtEntry e;
    for (uint64_t page = 0; page < tt.entries() / 256; ++page) {
      at(page);
      if (tt.probe(*board, e)) {
        EXPECT_EQ(e.score, int(page % 1000));
        ++n;
      }
    }
    return n;
  };
  auto waitUntilBacked = [&] {
    for (int i = 0; i < 60000 && !tt.pagesBacked(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(tt.pagesBacked());
  };

  tt.setPageBudget(0);  // nearly all the backing to the helper thread
  for (const int64_t megabytes : {64, 128}) {
    SCOPED_TRACE(megabytes);
    tt.resize(megabytes * 1024);
    EXPECT_EQ(found(), 0u);
    tt.newSearch();
    storeAll();
    EXPECT_LE(found(), tt.entries() / 256);
    tt.clear();  // the helper thread may be midway
    EXPECT_EQ(found(), 0u);
    EXPECT_EQ(tt.generation(), 1);
    waitUntilBacked();
    storeAll();
    EXPECT_EQ(found(), tt.entries() / 256);
    tt.clear();  // every page backed
    EXPECT_EQ(found(), 0u);
    storeAll();
  }
}

TEST(Tt, MateScoresCountFromTheStoredPosition) {
  // A mate three plies below a node at ply 5 scores 29992 there.
  EXPECT_EQ(scoreToTt(29992, 5), 29997);
  EXPECT_EQ(scoreFromTt(29997, 2), 29995);
  EXPECT_EQ(scoreToTt(-29992, 5), -29997);
  EXPECT_EQ(scoreToTt(29010, 5), 29010);
}

}  // namespace
}  // namespace vireo
