#include "support/platform.h"

#include <cpuid.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <x86intrin.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace vireo {

uint32_t currentTimeMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

uint64_t readTimeStampCounter() { return __rdtsc(); }

CpuFeatures detectCpuFeatures() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return {false, false};
  return {(edx >> 26 & 1) != 0, (ecx >> 23 & 1) != 0};
}

int processorsOnline() {
  const unsigned count = std::thread::hardware_concurrency();
  return count ? int(count) : 1;
}

void yieldProcessor() { std::this_thread::yield(); }

void* allocateLarge(uint64_t bytes) {
  constexpr uint64_t HugePage = 2 * 1024 * 1024;
  if (bytes < HugePage) return std::malloc(bytes);
  const uint64_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
  void* block = std::aligned_alloc(HugePage, rounded);
  if (block) madvise(block, rounded, MADV_HUGEPAGE);
  return block;
}

void freeLarge(void* block) { std::free(block); }

bool seekFile(FILE* file, uint64_t offset) {
  if (offset > uint64_t(INT64_MAX)) return false;
  return fseeko(file, off_t(offset), SEEK_SET) == 0;
}

int64_t fileSize(FILE* file) {
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t size = ftello(file);
  return size < 0 ? -1 : int64_t(size);
}

bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

}  // namespace vireo
