#pragma once
// A spin lock for critical sections a few instructions long (the split
// points' bookkeeping), where parking a thread would cost more than waiting.

#include <atomic>

#include "support/platform.h"

namespace vireo {

class SpinLock {
 public:
  // Acquire pairs with the release in unlock: everything written under the
  // lock by the previous holder is visible to the next.
  void lock() {
    while (locked_.exchange(true, std::memory_order_acquire))
      while (locked_.load(std::memory_order_relaxed)) yieldProcessor();
  }
  bool tryLock() { return !locked_.exchange(true, std::memory_order_acquire); }
  void unlock() { locked_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> locked_{false};
};

class SpinLockGuard {
 public:
  explicit SpinLockGuard(SpinLock& lock) : lock_(lock) { lock_.lock(); }
  ~SpinLockGuard() { lock_.unlock(); }
  SpinLockGuard(const SpinLockGuard&) = delete;
  SpinLockGuard& operator=(const SpinLockGuard&) = delete;

 private:
  SpinLock& lock_;
};

}  // namespace vireo
