#pragma once
// A private searcher for tests: its own table and time control, one or more
// threads, and the console trace kept out of the test output.

#include <cstdlib>
#include <memory>
#include <vector>

#include "board/fen.h"
#include "board/movegen.h"
#include "search/searcher.h"
#include "support/log.h"

namespace vireo::testing_util {

struct Finished {
  int depth = -1, score = 0;
  Move move = 0;
  int calls = 0;
};

class RecordingListener : public SearchListener {
 public:
  void reportCurrMove(int, int, Move) override {}
  void reportPv(int, int, Move) override {}
  void finished(int depth, int score, Move move) override {
    result.depth = depth;
    result.score = score;
    result.move = move;
    ++result.calls;
  }
  Finished result;
};

// Searches use this many threads unless a test asks for a number: set
// VIREO_TEST_THREADS to run the suite with helpers (under ThreadSanitizer,
// for example).
inline int defaultTestThreads() {
  const char* value = std::getenv("VIREO_TEST_THREADS");
  return value ? std::atoi(value) : 1;
}

class TestSearcher {
 public:
  explicit TestSearcher(int threads = defaultTestThreads()) {
    tt->resize(8 * 1024);
    searcher->setThreads(threads);
    searcher->listener = &listener;
    log = setLogStream(nullptr);
  }
  ~TestSearcher() {
    searcher->shutdown();
    setLogStream(log);
  }

  // Searches the position to the depth (or until nodes or milliseconds run
  // out) and waits for the end.
  void run(const char* fen, int depth, uint64_t nodes = 0, uint32_t milliseconds = 600000) {
    ASSERT_TRUE(setFen(searcher->board(), fen)) << fen;
    go(depth, nodes, milliseconds);
  }
  void go(int depth, uint64_t nodes = 0, uint32_t milliseconds = 600000) {
    listener.result = Finished{};
    tt->clear();
    tc.init();
    tc.setDepthLimit(depth);
    tc.setNodes(nodes);
    tc.setMoveTime(milliseconds);
    searcher->startSearch();
    searcher->waitIdle();
  }

  bool bestMoveIsLegal() {
    Board& b = searcher->board();
    Move moves[MaxMoves];
    Move* end = generateLegal(b, moves);
    for (Move* m = moves; m != end; ++m)
      if (sameMove(*m, searcher->bestMove())) return true;
    return false;
  }

  std::unique_ptr<Tt> tt = std::make_unique<Tt>();
  TimeControl tc;
  std::unique_ptr<Searcher> searcher = std::make_unique<Searcher>(*tt, tc);
  RecordingListener listener;
  FILE* log = nullptr;
};

}  // namespace vireo::testing_util
