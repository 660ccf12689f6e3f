// How long one load takes when it depends on the one before, at random over
// a block the size of a transposition table: the wait a table probe pays
// when its bucket was not fetched ahead. Each block is asked for on
// transparent huge pages and on small pages, to show whether huge pages
// shorten the page walks on this machine.
//
//   memory_latency [MB ...]      (default 4 32 256)

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr size_t LineBytes = 64;
constexpr int Loads = 3'000'000;

double nanosecondsPerLoad(size_t megabytes, bool hugePages) {
  const size_t bytes = megabytes << 20;
  void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return -1;
  madvise(block, bytes, hugePages ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
  char* base = static_cast<char*>(block);

  // One cycle through every line in random order: each line holds the
  // offset of the next, so no load can start before the one before ends.
  const size_t lines = bytes / LineBytes;
  std::vector<size_t> order(lines);
  std::iota(order.begin(), order.end(), size_t(0));
  std::shuffle(order.begin(), order.end(), std::mt19937_64(1));
  for (size_t i = 0; i < lines; ++i)
    *reinterpret_cast<size_t*>(base + order[i] * LineBytes) = order[(i + 1) % lines] * LineBytes;

  size_t at = order[0] * LineBytes;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < Loads; ++i) at = *reinterpret_cast<volatile size_t*>(base + at);
  const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
  munmap(block, bytes);
  return elapsed.count() / Loads;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {4, 32, 256};
  std::printf("block (MB)  huge pages (ns/load)  small pages (ns/load)\n");
  for (size_t mb : sizes)
    std::printf("%10zu  %20.1f  %21.1f\n", mb, nanosecondsPerLoad(mb, true), nanosecondsPerLoad(mb, false));
  return 0;
}
