// Parallel-search scaling: time to reach a fixed depth and nodes per second
// with 1, 2, ... threads, over several positions and runs (cleared tables
// every time). Usage: parallel_speed [depth] [runs] [threads...]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "board/fen.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "eval/evaluator.h"
#include "eval/weights.h"
#include "search/searcher.h"
#include "support/log.h"
#include "support/platform.h"

using namespace vireo;

namespace {

constexpr const char* Positions[] = {
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PN1PN2/PB2BPPP/2RQ1RK1 w - - 2 11",
    "r1b2rk1/2q1bppp/p2p1n2/np2p3/3PP3/2P2N1P/PPB2PP1/RNBQR1K1 w - - 1 13",
    "3r1rk1/pp3ppp/2n1b3/q1bpP3/8/2NB1N2/PPQ2PPP/R4RK1 b - - 3 15",
    "6k1/pp3ppp/4p3/2P5/1P1r4/P3R3/5PPP/6K1 w - - 0 28",
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int depth = argc > 1 ? std::atoi(argv[1]) : 14;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  std::vector<int> threadCounts;
  for (int i = 3; i < argc; ++i) threadCounts.push_back(std::atoi(argv[i]));
  if (threadCounts.empty()) threadCounts = {1, 2};

  initTables();
  initZobrist();
  rebuildEvalTables();
  setLogStream(nullptr);
  auto tt = std::make_unique<Tt>();
  tt->resize(64 * 1024);
  TimeControl tc;
  auto searcher = std::make_unique<Searcher>(*tt, tc);

  std::printf("depth %d, %d runs per position, %zu positions, the thread counts taking turns\n", depth, runs,
              std::size(Positions));
  const size_t counts = threadCounts.size(), positions = std::size(Positions);
  // times[k][p], depthNodes[k][p]: the runs of thread count k on position p.
  std::vector<std::vector<std::vector<double>>> times(counts, std::vector<std::vector<double>>(positions)),
      depthNodes = times;
  std::vector<double> nodes(counts), seconds(counts);
  // The machine's speed drifts: each run of a position searches it with
  // every thread count in turn, in reversed order every other run, so that
  // a slower or faster spell falls on all of them alike.
  for (size_t p = 0; p < positions; ++p) {
    for (int r = 0; r < runs; ++r) {
      for (size_t step = 0; step < counts; ++step) {
        const size_t k = r % 2 ? counts - 1 - step : step;
        const int threads = threadCounts[k];
        searcher->setThreads(threads);
        setFen(searcher->board(), Positions[p]);
        tt->clear();
        for (int i = 0; i < threads; ++i) clearEvaluator(searcher->thread(i).evaluator);
        tc.init();
        tc.setDepthLimit(depth);
        tc.setMoveTime(0xFFFFFFF0u);
        const uint32_t start = currentTimeMs();
        searcher->startSearch();
        searcher->waitIdle();
        const uint32_t elapsed = currentTimeMs() - start;
        times[k][p].push_back(elapsed);
        depthNodes[k][p].push_back(double(searcher->totalNodes()));
        nodes[k] += double(searcher->totalNodes());
        seconds[k] += elapsed / 1000.0;
      }
    }
  }

  std::printf("threads  median time-to-depth (ms)  relative  nodes/s (M)  median nodes-to-depth (M)  relative\n");
  std::vector<std::vector<double>> ratios(counts), nodeRatios(counts);
  double baseline = 0, nodeBaseline = 0;
  for (size_t k = 0; k < counts; ++k) {
    double total = 0, totalNodes = 0;
    for (size_t p = 0; p < positions; ++p) {
      const double time = median(times[k][p]), nodesToDepth = median(depthNodes[k][p]);
      total += time;
      totalNodes += nodesToDepth;
      // A search under the clock's millisecond counts as one millisecond.
      ratios[k].push_back(std::max(time, 1.0) / std::max(median(times[0][p]), 1.0));
      nodeRatios[k].push_back(nodesToDepth / median(depthNodes[0][p]));
    }
    if (k == 0) {
      baseline = total;
      nodeBaseline = totalNodes;
    }
    std::printf("%7d  %28.0f  %8.2f  %11.2f  %25.2f  %8.2f\n", threadCounts[k], total / double(positions),
                total / baseline, nodes[k] / seconds[k] / 1e6, totalNodes / double(positions) / 1e6,
                totalNodes / nodeBaseline);
  }
  // Sums favour the slowest positions; the median of the positions' own
  // ratios shows how typical a gain is.
  // Nodes do not depend on the machine's speed, which on a virtual machine
  // may differ from core to core and from minute to minute.
  auto byPosition = [&](const char* what, const std::vector<std::vector<double>>& table) {
    std::printf("\n%s relative to %d thread(s), by position\nthreads", what, threadCounts[0]);
    for (size_t p = 0; p < positions; ++p) std::printf("  pos%zu", p + 1);
    std::printf("  median\n");
    for (size_t k = 0; k < table.size(); ++k) {
      std::printf("%7d", threadCounts[k]);
      for (double x : table[k]) std::printf("  %4.2f", x);
      std::printf("  %6.2f\n", median(table[k]));
    }
  };
  byPosition("time to depth", ratios);
  byPosition("nodes to depth", nodeRatios);
  searcher->shutdown();
  return 0;
}
