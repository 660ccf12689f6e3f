// The operating-system side of the platform layer for Linux (and other POSIX
// systems). Its Windows counterpart is platform_windows.cpp.
#if !defined(_WIN32)

#include <sys/mman.h>
#include <sys/types.h>

#include <chrono>
#include <cstdlib>
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
