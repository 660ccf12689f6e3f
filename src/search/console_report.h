#pragma once
// Formats of the console trace of a search.

#include <cstdint>
#include <string>

namespace vireo {

// A count divided by 1024 while above 99999, with the suffix of its scale
// (" kmgt").
struct Scaled {
  long long value;
  char suffix;
};
Scaled scaled(uint64_t n);

// The progress line: depth, selective depth, time, nodes, score (or mate
// distance in moves) and an optional text.
std::string scoreLineText(int depth, int selDepth, uint32_t elapsedMs, uint64_t nodes, int score,
                          const char* text);

}  // namespace vireo
