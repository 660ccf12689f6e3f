// The operating-system side of the platform layer for Linux (and other POSIX
// systems). Its Windows counterpart is platform_windows.cpp.
#if !defined(_WIN32)

#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/gate.h"
#include "support/platform.h"
#include "support/thread.h"

namespace vireo {

uint32_t currentTimeMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

int processorsOnline() {
  const unsigned count = std::thread::hardware_concurrency();
  return count ? int(count) : 1;
}

void yieldProcessor() { std::this_thread::yield(); }

namespace {

constexpr uint64_t HugePage = 2 * 1024 * 1024;

// Below this a plain memset is as quick as returning the pages and taking
// the faults again.
constexpr uint64_t ZeroByReturningPages = 64 * 1024 * 1024;
// Only mappings of allocateLarge may have their pages returned, never a
// calloc block.
static_assert(ZeroByReturningPages >= HugePage);

uint64_t roundUpToHugePage(uint64_t bytes) { return (bytes + HugePage - 1) / HugePage * HugePage; }

}  // namespace

// An anonymous mapping is zero-filled by the kernel page by page as it is
// first touched; calloc gives the same guarantee for the small blocks.
void* allocateLarge(uint64_t bytes) {
  if (bytes < HugePage) return std::calloc(1, size_t(bytes));
  const uint64_t rounded = roundUpToHugePage(bytes);
  if (rounded > SIZE_MAX - HugePage) return nullptr;
  // One huge page more than needed, so that a huge-page boundary can be cut
  // out of it; the two ends are given back at once.
  const size_t span = size_t(rounded + HugePage);
  void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const uintptr_t start = uintptr_t(mapped);
  const uintptr_t aligned = (start + HugePage - 1) & ~uintptr_t(HugePage - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  const uintptr_t tail = aligned + rounded, end = start + span;
  if (end > tail) munmap(reinterpret_cast<void*>(tail), end - tail);
  void* block = reinterpret_cast<void*>(aligned);
  madvise(block, size_t(rounded), MADV_HUGEPAGE);
  return block;
}

void freeLarge(void* block, uint64_t bytes) {
  if (!block) return;
  if (bytes < HugePage)
    std::free(block);
  else
    munmap(block, size_t(roundUpToHugePage(bytes)));
}

// MADV_DONTNEED on a private anonymous mapping drops its pages; the next
// touch of each gets a fresh zero-filled one. The partial pages at either end
// are written.
void zeroLarge(void* block, uint64_t bytes) {
  char* const first = static_cast<char*>(block);
  if (bytes < ZeroByReturningPages) {
    std::memset(first, 0, size_t(bytes));
    return;
  }
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t from = (uintptr_t(first) + page - 1) & ~(page - 1);
  const uintptr_t to = (uintptr_t(first) + bytes) & ~(page - 1);
  char* const last = first + bytes;
  std::memset(first, 0, size_t(from - uintptr_t(first)));
  std::memset(reinterpret_cast<char*>(to), 0, size_t(uintptr_t(last) - to));
  if (madvise(reinterpret_cast<void*>(from), size_t(to - from), MADV_DONTNEED) != 0)
    std::memset(reinterpret_cast<char*>(from), 0, size_t(to - from));
}

bool seekFile(FILE* file, uint64_t offset) {
  if (offset > uint64_t(INT64_MAX)) return false;
  return fseeko(file, off_t(offset), SEEK_SET) == 0;
}

int64_t fileSize(FILE* file) {
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t size = ftello(file);
  return size < 0 ? -1 : int64_t(size);
}

// rename replaces an existing target in one step here.
bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

// Threads and gates come from the standard library, which sits on POSIX
// threads.

PlatformThread::~PlatformThread() { join(); }

void PlatformThread::start(std::function<void()> body) {
  join();
  thread_ = std::thread(std::move(body));
}

void PlatformThread::join() {
  if (thread_.joinable()) thread_.join();
}

Gate::Gate() = default;
Gate::~Gate() = default;

void Gate::open() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    open_ = true;
  }
  changed_.notify_all();
}

void Gate::close() {
  std::lock_guard<std::mutex> guard(mutex_);
  open_ = false;
}

void Gate::wait() {
  std::unique_lock<std::mutex> guard(mutex_);
  changed_.wait(guard, [this] { return open_; });
}

}  // namespace vireo

#endif
