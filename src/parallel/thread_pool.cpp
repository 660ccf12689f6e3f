#include "parallel/thread_pool.h"

#include <algorithm>
#include <iterator>

#include "support/platform.h"

namespace vireo {

void ActivityTimes::account(Activity activity) {
  const uint32_t now = currentTimeMs();
  spent[activity] += now - lastSwitch;
  lastSwitch = now;
}

void ActivityTimes::reset() {
  std::fill(std::begin(spent), std::end(spent), 0u);
  lastSwitch = currentTimeMs();
}

void ThreadPool::resize(int count) {
  count = std::clamp(count, 0, MaxThreads);
  if (count == size_) return;
  waitAllParked();
  for (int i = size_; i < count; ++i) {
    Worker& w = workers_[i];
    w.quit = false;
    w.go.close();
    w.parked.close();
    w.thread.start([this, i] { park(i); });
    w.parked.wait();
  }
  for (int i = count; i < size_; ++i) {
    Worker& w = workers_[i];
    w.quit = true;
    w.parked.close();
    w.go.open();
    w.thread.join();
  }
  size_ = count;
}

void ThreadPool::release(int i) {
  Worker& w = workers_[i];
  w.parked.close();
  w.go.open();
}

void ThreadPool::waitParked(int i) { workers_[i].parked.wait(); }

void ThreadPool::waitAllParked() {
  for (int i = 0; i < size_; ++i) waitParked(i);
}

void ThreadPool::park(int i) {
  Worker& w = workers_[i];
  w.activity.lastSwitch = currentTimeMs();
  for (;;) {
    w.activity.account(ActivityWaiting);
    w.go.close();
    w.parked.open();
    w.go.wait();
    if (w.quit) {
      w.parked.open();
      return;
    }
    job_(i);
  }
}

}  // namespace vireo
