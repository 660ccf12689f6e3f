#pragma once
// A thread of the platform: the standard library's on Linux; on Windows a
// native thread created suspended, lowered to below-normal priority and
// then resumed, so that a busy search leaves the GUI that runs the engine
// responsive.

#include <functional>

#if !defined(_WIN32)
#include <thread>
#endif

namespace vireo {

class PlatformThread {
 public:
  PlatformThread() = default;
  // Waits for a thread that is still running.
  ~PlatformThread();
  PlatformThread(const PlatformThread&) = delete;
  PlatformThread& operator=(const PlatformThread&) = delete;

  // Runs body on a new thread, after joining any earlier one. A thread that
  // cannot be created is fatal.
  void start(std::function<void()> body);
  // Waits until the thread has ended; does nothing when none runs.
  void join();

 private:
#if defined(_WIN32)
  void* handle_ = nullptr;
  std::function<void()> body_;
#else
  std::thread thread_;
#endif
};

}  // namespace vireo
