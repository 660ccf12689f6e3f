#pragma once
// A pool of parked threads that knows nothing of what they run: each thread,
// when released, runs the pool's job once with its index and parks again.
// Starting, ending and waiting for threads is all it does; what a job shares
// with the others is the job's business.

#include <atomic>
#include <cstdint>
#include <functional>

#include "support/gate.h"
#include "support/thread.h"

namespace vireo {

constexpr int MaxThreads = 16;

// Where a thread's time goes, accounted by the job as it switches between
// them; the pool only holds the counts.
enum Activity { ActivityWaiting, ActivityWorkWait, ActivityMasterWait, ActivitySlaveWait,
                ActivityAdmin, ActivityWork, ActivityCount };

struct ActivityTimes {
  uint32_t spent[ActivityCount] = {};
  uint32_t lastSwitch = 0;

  // The time since the last switch goes to `activity`.
  void account(Activity activity);
  void reset();
};

class ThreadPool {
 public:
  using Job = std::function<void(int index)>;

  explicit ThreadPool(Job job) : job_(std::move(job)) {}
  // Ends every thread; none may be running a job.
  ~ThreadPool() { resize(0); }
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  // Starts or ends threads until `count` (at most MaxThreads) are parked.
  // Waits until every thread is parked first.
  void resize(int count);
  int size() const { return size_; }

  // Lets thread i run the job once. Everything written before the release
  // is visible to the job.
  void release(int i);
  // Returns once thread i is parked.
  void waitParked(int i);
  void waitAllParked();

  ActivityTimes& activity(int i) { return workers_[i].activity; }
  const ActivityTimes& activity(int i) const { return workers_[i].activity; }

 private:
  struct Worker {
    std::atomic<bool> quit{false};
    Gate go, parked;
    ActivityTimes activity;
    PlatformThread thread;
  };
  void park(int i);

  Job job_;
  Worker workers_[MaxThreads];
  int size_ = 0;
};

}  // namespace vireo
