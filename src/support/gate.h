#pragma once
// A two-state signal that threads wait at until it is open. Opening an open
// gate or closing a closed one does nothing. A mutex and a condition variable
// on Linux, a manual-reset event on Windows. Opening it orders everything the
// opener wrote before the waiters that it lets through.

#if !defined(_WIN32)
#include <condition_variable>
#include <mutex>
#endif

namespace vireo {

class Gate {
 public:
  // Closed at first.
  Gate();
  ~Gate();
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;

  void open();
  void close();
  // Returns at once when the gate is open, else when it opens.
  void wait();

 private:
#if defined(_WIN32)
  void* event_;
#else
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
#endif
};

}  // namespace vireo
