#pragma once
// Placeholder until the platform layer lands.
#include <chrono>
#include <cstdint>
#include <x86intrin.h>

namespace vireo {
inline uint32_t currentTimeMs() {
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}
inline uint64_t readTimeStampCounter() { return __rdtsc(); }
}  // namespace vireo
