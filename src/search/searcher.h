#pragma once
// The one searcher of the process: the root of the current search (root moves,
// iterative deepening, aspiration windows, several lines) and the pool of
// threads that search below it.

#include <atomic>
#include <cstdint>

#include "board/board.h"
#include "parallel/thread_pool.h"
#include "search/search_listener.h"
#include "search/search_thread.h"
#include "search/time_control.h"
#include "search/tt.h"

namespace vireo {

struct RootMove {
  Move move = 0;
  int16_t score = 0;
  uint8_t depth = 0;  // iteration at which score was obtained
  uint8_t bound = 0;  // 0 not searched yet, else BoundUpper/Lower/Exact
  uint64_t nodes = 0; // master nodes spent on it in its last search
};

enum TerminationReason { ReasonNone = 0, ReasonOptimal = 1, ReasonSingleMove = 2,
                         ReasonTimeout = 4, ReasonNodeout = 5, ReasonDepthout = 6, ReasonMateFound = 7 };

constexpr int MaxDepth = 120;

class Searcher {
 public:
  Searcher(Tt& tt, TimeControl& timeControl);
  ~Searcher();
  Searcher(const Searcher&) = delete;
  Searcher& operator=(const Searcher&) = delete;

  // The position every command works on: the master thread's board.
  Board& board() { return threads_[0].board; }
  SearchThread& thread(int i) { return threads_[i]; }
  const SearchThread& thread(int i) const { return threads_[i]; }
  Tt& tt() { return tt_; }
  TimeControl& timeControl() { return timeControl_; }

  // Thread pool. setThreads clamps to 1..16 and waits until new threads idle.
  void setThreads(int count);
  int threadCount() const { return pool_.size(); }
  // Copies the position to every thread and releases the master; returns at once.
  void startSearch();
  // Stops the running search (if any) and waits until every thread is idle.
  void stopSearch();
  void waitIdle();
  // Stops everything and ends all threads; for the exit path.
  void shutdown();
  // The GUI's ponder move was played: a search that has already decided
  // stops, any other goes on under the clock.
  void ponderhit();

  // The root search, run by the master thread.
  void think();

  // Goals of the next search besides the time control's limits, set before
  // startSearch: the root moves to consider (none given: all), and a mate
  // in at most this many moves to prove (0: none), after which the search
  // ends even when it is infinite.
  void setSearchMoves(const Move* moves, int count);
  const Move* searchMoves() const { return searchMoves_; }
  int searchMoveCount() const { return searchMoveCount_; }
  int mateInMoves = 0;

  // Options. The listener is the front end's; the trace, a second listener,
  // writes the console's account of the search.
  SearchListener* listener = nullptr;
  SearchListener* trace = nullptr;
  int multiPv = 1;
  int multiPvMargin = 100;
  bool analyseMode = false;

  // Root data, read by the reports.
  int rootMoveCount() const { return rootMoveCount_; }
  const RootMove& rootMoveAt(int rank) const { return rootMoves_[order_[rank]]; }
  const Move* lineAt(int rank) const { return pvLines_[order_[rank]]; }
  int depth() const { return depth_; }
  int reason() const { return reason_.load(std::memory_order_relaxed); }
  bool stopped() const { return stopped_.load(std::memory_order_relaxed); }
  void setStopped() { stopped_.store(true, std::memory_order_relaxed); }
  uint64_t masterNodes() const { return threads_[0].state.nodes(); }
  uint64_t totalNodes() const;
  // The best move and the move to ponder on, from the current root order.
  Move bestMove() const { return rootMoveCount_ ? rootMoveAt(0).move : 0; }
  Move ponderMove() const;

  // Parallel-search state shared by the threads.
  std::atomic<int> idleCount{0};
  SpinLock splitLock;

 private:
  void buildRootList();
  // Whether the search must stop now; sets `stopped` when a limit is up.
  bool limitReached();
  bool mateGoalMet(int score) const;
  void waitForStopRequest();
  void aspirate(int depth);
  void searchRoot(int depth, int alpha, int beta);
  int moveUp(int position);
  void resortRootMoves();
  void restorePv();
  void reportLine(int rank);
  int lowestLineScore() const;

  void resizePool(int count);
  // The pool's job: thread 0 runs the root, the others serve split points.
  void runThread(int index);
  void masterJob();
  void release(int index);
  void resetRoot();

  Tt& tt_;
  TimeControl& timeControl_;
  SearchThread threads_[MaxThreads];
  // After the threads: its threads end before the data they use goes.
  ThreadPool pool_;

  int order_[MaxMoves] = {};
  RootMove rootMoves_[MaxMoves];
  Move pvLines_[MaxMoves][MaxPly] = {};
  int rootMoveCount_ = 0;
  Move searchMoves_[MaxMoves] = {};
  int searchMoveCount_ = 0;
  std::atomic<bool> stopped_{false};
  // Set by stopSearch only: the command to stop, which an infinite search
  // waits for, as against the search's own limits.
  std::atomic<bool> stopRequested_{false};
  std::atomic<int> reason_{0};
  int depth_ = 0;
  int rootEval_ = 0;
};

}  // namespace vireo
