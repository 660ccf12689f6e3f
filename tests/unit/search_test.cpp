#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "board/make_move.h"
#include "board/notation.h"
#include "search/move_picker.h"
#include "search/ordering.h"
#include "search/search_common.h"
#include "search_test_util.h"

namespace vireo {
namespace {

using testing_util::TestSearcher;

TEST(Search, SolvesMatesWithTheExactScore) {
  struct Case {
    const char* fen;
    int movesToMate;
    const char* move;  // the only mating move, or nullptr when several mate
  };
  const Case cases[] = {
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 1, "a1a8"},
      {"8/8/8/8/8/5K2/7R/5k2 w - - 0 1", 1, "h2h1"},
      {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 2, nullptr},
      {"6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 2, nullptr},
      {"r5rk/5p1p/5R2/4B3/8/8/7P/7K w - - 0 1", 3, nullptr},
      {"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", 3, nullptr},
      {"r1bk3r/pppq1ppp/5n2/4N1N1/2Bp4/Bn6/P4PPP/4R1K1 w - - 0 1", 4, nullptr},
  };
  TestSearcher t;
  for (const Case& c : cases) {
    t.run(c.fen, 30);
    const int mate = Mate - (2 * c.movesToMate - 1);
    EXPECT_EQ(t.listener.result.score, mate) << c.fen;
    EXPECT_EQ(t.searcher->reason(), ReasonOptimal) << c.fen;
    EXPECT_EQ(t.listener.result.calls, 1);
    if (c.move) {
      char text[16];
      moveToText(t.searcher->board(), t.listener.result.move, text);
      const Move expected = parseMove(t.searcher->board(), c.move);
      EXPECT_TRUE(sameMove(t.listener.result.move, expected)) << c.fen << " " << text;
    }
  }
}

TEST(Search, MatedAndStalematedRoots) {
  TestSearcher t;
  t.run("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 5);  // checkmated
  EXPECT_EQ(t.listener.result.move, 0u);
  EXPECT_EQ(t.listener.result.score, -Mate);
  EXPECT_EQ(t.searcher->rootMoveCount(), 0);
  t.run("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 5);  // stalemate
  EXPECT_EQ(t.listener.result.move, 0u);
  EXPECT_EQ(t.listener.result.score, 0);
}

TEST(Search, EveryLimitLeavesALegalBestMove) {
  TestSearcher t;
  const char* fen = "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
  t.run(fen, 1);
  EXPECT_TRUE(t.bestMoveIsLegal());
  EXPECT_EQ(t.searcher->reason(), ReasonDepthout);
  t.run(fen, 0, 3000);  // node limit
  EXPECT_TRUE(t.bestMoveIsLegal());
  t.run(fen, 0, 0, 30);  // 30 milliseconds
  EXPECT_TRUE(t.bestMoveIsLegal());
  EXPECT_EQ(t.listener.result.calls, 1);
}

TEST(Search, SingleLegalMoveStopsAfterDepthTwo) {
  TestSearcher t;
  t.run("7k/8/6K1/8/8/8/8/8 b - - 0 1", 20);  // Kg8 is the only move
  EXPECT_EQ(t.searcher->rootMoveCount(), 1);
  EXPECT_EQ(t.searcher->reason(), ReasonSingleMove);
  EXPECT_EQ(t.listener.result.depth, 2);
}

TEST(Search, SameSearchSameNodes) {
  TestSearcher t(1);
  const char* fen = "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9";
  t.run(fen, 8);
  const uint64_t first = t.searcher->masterNodes();
  const Move move = t.searcher->bestMove();
  t.run(fen, 8);
  EXPECT_EQ(t.searcher->masterNodes(), first);
  EXPECT_EQ(t.searcher->bestMove(), move);
}

TEST(Search, MultiPvKeepsSeveralLines) {
  TestSearcher t;
  t.searcher->multiPv = 3;
  t.searcher->multiPvMargin = 0;  // every line exact, however far behind
  t.run("k7/8/8/8/8/8/6PP/6QK w - - 0 1", 6);
  const int lines = std::min(3, t.searcher->rootMoveCount());
  for (int rank = 0; rank < lines; ++rank) {
    EXPECT_EQ(t.searcher->rootMoveAt(rank).depth, 6) << rank;
    EXPECT_EQ(t.searcher->rootMoveAt(rank).bound, BoundExact) << rank;
    if (rank) {
      EXPECT_LE(t.searcher->rootMoveAt(rank).score, t.searcher->rootMoveAt(rank - 1).score);
    }
  }
  // Only two legal moves: both lines searched with the full window.
  t.run("7k/8/8/8/8/8/r7/K7 w - - 0 1", 6);
  ASSERT_EQ(t.searcher->rootMoveCount(), 2);
  EXPECT_EQ(t.searcher->rootMoveAt(1).bound, BoundExact);
}

// A GUI that sends only a FEN every move: its half-move clock decides
// whether the fifty-move rule is about to end the game.
TEST(Search, SeesTheFiftyMoveDrawOfTheFenClock) {
  TestSearcher t;
  t.run("8/8/8/4k3/8/8/3Q4/4K3 w - - 0 150", 4);
  EXPECT_GT(t.listener.result.score, 500);
  t.run("8/8/8/4k3/8/8/3Q4/4K3 w - - 99 150", 4);  // every move ends the game drawn
  EXPECT_EQ(t.listener.result.score, 0);
  EXPECT_TRUE(t.bestMoveIsLegal());
  // Only the capture, which resets the count, keeps the win.
  t.run("8/8/8/4k3/8/3p4/3Q4/4K3 w - - 99 150", 4);
  EXPECT_GT(t.listener.result.score, 500);
  EXPECT_TRUE(sameMove(t.listener.result.move, parseMove(t.searcher->board(), "Qxd3")));
}

struct DrawFixture {
  TestSearcher searcher;
  SearchThread& t = searcher.searcher->thread(0);
  void play(const char* fen, std::initializer_list<const char*> moves) {
    ASSERT_TRUE(setFen(t.board, fen));
    ASSERT_NO_FATAL_FAILURE(playOn(moves));
  }
  void playOn(std::initializer_list<const char*> moves) {
    for (const char* m : moves) {
      const Move move = parseMove(t.board, m);
      ASSERT_NE(move, 0u) << m;
      makeHistoryRoom(t.board);
      makeMove(t.board, move);
      updateAttackInfo(t.board);
    }
  }
};

TEST(DrawRules, RepetitionNeedsMoreOccurrencesNearTheRoot) {
  DrawFixture f;
  f.play(StartFen, {"Nf3", "Nf6", "Ng1", "Ng8"});
  EXPECT_TRUE(isDrawNode(f.t, 3, 100));
  EXPECT_FALSE(isDrawNode(f.t, 2, 100));
  f.play(StartFen, {"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1", "Ng8"});
  EXPECT_TRUE(isDrawNode(f.t, 1, 100));
  // A pawn move in between: the earlier occurrence no longer counts.
  f.play(StartFen, {"Nf3", "Nf6", "Ng1", "Ng8", "e4"});
  EXPECT_FALSE(isDrawNode(f.t, 5, 100));
}

TEST(DrawRules, MaterialAndFiftyMoves) {
  DrawFixture f;
  f.play("4k3/8/8/8/8/8/8/2B1K1n1 w - - 0 1", {});
  EXPECT_TRUE(isDrawNode(f.t, 3, 100));  // bishop against knight
  f.play("4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1", {});
  EXPECT_FALSE(isDrawNode(f.t, 3, 100));  // two knights are not a draw by rule
  f.play("4k3/8/8/8/8/8/8/R3K3 w - - 0 1", {});
  f.t.board.ply = 100;  // a hundred reversible plies
  EXPECT_TRUE(isDrawNode(f.t, 3, 100));
}

// A FEN's half-move clock counts as reversible plies already made; the
// repetition scan still begins at the position set.
TEST(DrawRules, FenClockCountsTowardFiftyMoves) {
  DrawFixture f;
  f.play("4k3/8/8/8/8/8/8/R3K3 w - - 99 70", {});
  EXPECT_FALSE(isDrawNode(f.t, 3, 100));
  f.playOn({"Ra2"});
  EXPECT_TRUE(isDrawNode(f.t, 3, 100));
  f.play("4k3/8/8/8/8/8/8/R3K3 w - - 99 70", {"Kd1"});
  EXPECT_TRUE(isDrawNode(f.t, 3, 100));
  f.play("4k3/8/8/8/8/8/8/R3K3 w - - 60 70", {"Ra2", "Kd7", "Ra1", "Ke8"});
  EXPECT_TRUE(isDrawNode(f.t, 3, 100));
  EXPECT_FALSE(isDrawNode(f.t, 2, 100));
  EXPECT_EQ(f.t.board.fiftyMoveCount(), 64);
}

// Past the history's length the oldest plies go: a repetition that begins
// before the history was shortened is still found, and the fifty-move count
// still runs out.
TEST(DrawRules, RulesHoldAfterTheHistoryDropsOldPlies) {
  DrawFixture f;
  f.play(StartFen, {});
  for (int i = 0; i < 223; ++i) f.playOn({"Nf3", "Nf6", "Ng1", "Ng8"});
  f.playOn({"e4", "e5", "Nf3", "Nf6"});
  ASSERT_EQ(f.t.board.ply, MaxGamePly);
  f.playOn({"Ng1", "Ng8"});  // the history is shortened before Ng1
  ASSERT_GT(f.t.board.droppedPlies, 0u);
  EXPECT_TRUE(isDrawNode(f.t, 3, 100));
  EXPECT_FALSE(isDrawNode(f.t, 2, 100));
  f.playOn({"Nf3", "Nf6", "Ng1", "Ng8"});
  EXPECT_TRUE(isDrawNode(f.t, 1, 100));
  f.playOn({"d4"});
  EXPECT_FALSE(isDrawNode(f.t, 3, 100));

  f.play("4k3/8/8/8/8/8/8/R3K3 w - - 0 1", {});
  for (int i = 0; i < 300; ++i) f.playOn({"Ra2", "Kd7", "Ra1", "Ke8"});
  EXPECT_EQ(f.t.board.fiftyMoveCount(), 1200);
  EXPECT_EQ(f.t.board.gamePly(), 1200u);
  EXPECT_TRUE(isDrawNode(f.t, 1, 100));
}

TEST(DrawRules, ForcedReversalWhenTheOpponentMovesBack) {
  DrawFixture f;
  f.play("4k2r/8/8/8/8/8/8/R3K3 w - - 0 1", {"Ra2", "Rh7", "Ra3", "Rh8"});
  // Black's rook went back: White can repeat by taking back Ra2-a3.
  EXPECT_TRUE(isDrawNode(f.t, 3, 0));
  EXPECT_EQ(f.t.state.pv[3][0], encodeMove(A3, A2));
  EXPECT_FALSE(isDrawNode(f.t, 3, 1));  // only when a draw would do (beta <= 0)
  EXPECT_FALSE(isDrawNode(f.t, 2, 0));
}

}  // namespace
}  // namespace vireo

namespace vireo {
namespace {

// The pool with more than one thread: helpers start, wait and stop with
// every search, and the result is the one thread's.
TEST(SearchThreads, ResultsDoNotDependOnIdleHelpers) {
  testing_util::TestSearcher one, two(2);
  const char* fen = "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9";
  one.run(fen, 6);
  two.run(fen, 6);
  EXPECT_EQ(two.searcher->threadCount(), 2);
  EXPECT_EQ(two.listener.result.move, one.listener.result.move);
  EXPECT_EQ(two.listener.result.score, one.listener.result.score);
  two.searcher->setThreads(20);
  EXPECT_EQ(two.searcher->threadCount(), 16);
  two.run(fen, 3);
  two.searcher->setThreads(0);
  EXPECT_EQ(two.searcher->threadCount(), 1);
  two.run(fen, 3);
  EXPECT_TRUE(two.bestMoveIsLegal());
}

// A helper must prune and reduce a split point's moves as the node would:
// each move comes with the threat mark the node gave it, and with its place
// among the node's early or late moves.
TEST(SearchThreads, SplitPointMovesKeepTheNodesMarks) {
  auto sp = std::make_unique<SplitPoint>();
  const Move moves[] = {encodeMove(E2, E4), encodeMove(G1, F3), encodeMove(D2, D4), encodeMove(B1, C3)};
  const int marks[] = {MarkNone, MarkThreat, MarkNone, MarkDiscovery};
  std::copy(std::begin(moves), std::end(moves), sp->moves);
  std::copy(std::begin(marks), std::end(marks), sp->marks);
  sp->moveCount = 4;
  sp->node.hashMove = moves[2];  // searched before the split: skipped
  sp->node.earlyCount = 2;
  SplitMovePicker picker(sp.get());
  PickedMove p;
  ASSERT_TRUE(picker.peek(p));
  EXPECT_EQ(p.mark, MarkNone);
  std::vector<std::tuple<Move, int, bool>> got;
  while (picker.next(p)) got.emplace_back(p.move, p.mark, p.late);
  const std::vector<std::tuple<Move, int, bool>> want = {
      {moves[0], MarkNone, false}, {moves[1], MarkThreat, false}, {moves[3], MarkDiscovery, true}};
  EXPECT_EQ(got, want);
}

// A helper joining at ply 3 keeps the killers up to it and forgets the rest.
TEST(SearchThreads, JoiningHelperForgetsTheKillersBelow) {
  auto s = std::make_unique<SearchState>();
  s->reset();
  for (int ply = 0; ply < MaxPly; ++ply) s->recordKiller(ply, encodeMove(G1, F3));
  s->clearKillersAfter(3);
  EXPECT_EQ(s->killers[3][0], encodeMove(G1, F3));
  EXPECT_EQ(s->killers[4][0], 0u);
  EXPECT_EQ(s->killers[MaxPly - 1][0], 0u);
  s->clearKillersAfter(MaxPly - 1);  // nothing below the last ply
  EXPECT_EQ(s->killers[MaxPly - 1][0], 0u);
}

}  // namespace
}  // namespace vireo
