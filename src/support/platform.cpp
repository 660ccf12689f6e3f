// The processor side of the platform layer: the same instructions on every
// x86 target, whatever the operating system.

#include "support/platform.h"

#include <cpuid.h>
#include <x86intrin.h>

namespace vireo {

uint64_t readTimeStampCounter() { return __rdtsc(); }

CpuFeatures detectCpuFeatures() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  // Also false on a 32-bit processor too old to have the instruction.
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return {false, false};
  return {(edx >> 26 & 1) != 0, (ecx >> 23 & 1) != 0};
}

}  // namespace vireo
