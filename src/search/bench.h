#pragma once
// The search signature: a fixed set of positions searched to a fixed depth
// with cleared tables on one thread. Its node count changes exactly when the
// search's behaviour changes.

#include <cstdint>

namespace vireo {

class Searcher;

struct BenchResult {
  uint64_t nodes = 0;
  uint32_t milliseconds = 0;
};

constexpr int BenchDepth = 11;

// Searches every bench position; restores the position and the thread count
// afterwards. The console trace of the searches is suppressed.
BenchResult runBench(Searcher& searcher, int depth = BenchDepth);

}  // namespace vireo
