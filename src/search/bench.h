#pragma once
// The search signature: a fixed set of positions searched to a fixed depth
// on one thread, with a table of its own fixed size and the engine's own
// settings, every table cleared before each position. Its node count
// depends on the code alone and changes exactly when the search's behaviour
// changes.

#include <cstdint>
#include <string>

namespace vireo {

class Searcher;

struct BenchResult {
  uint64_t nodes = 0;
  uint32_t milliseconds = 0;
};

constexpr int BenchDepth = 11;
constexpr int BenchTableKb = 32768;

// Searches every bench position. Whatever the user had set (position,
// threads, table size, time control, MultiPV, evaluation weights, search
// listener, log) is in force again afterwards; only the table's contents
// are gone, as after "Clear Hash". The console trace of the searches is
// suppressed.
BenchResult runBench(Searcher& searcher, int depth = BenchDepth);

// "bench: N nodes M nps", the line that the console command and the command
// line print and that testing frameworks read, with its newline.
std::string benchLine(const BenchResult& result);

}  // namespace vireo
