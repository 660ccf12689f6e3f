#pragma once
// The synchronisation pieces of the thread pool: a spin lock for the short
// critical sections of split points, and a gate that threads wait at.

#include <atomic>
#include <condition_variable>
#include <mutex>

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

// A two-state signal: threads wait until it is open. Opening an open gate or
// closing a closed one does nothing.
class Gate {
 public:
  void open() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  void close() {
    std::lock_guard<std::mutex> guard(mutex_);
    open_ = false;
  }
  void wait() {
    std::unique_lock<std::mutex> guard(mutex_);
    changed_.wait(guard, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

}  // namespace vireo
