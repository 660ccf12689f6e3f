// The platform's threads and gates. The thread pool relies on a gate staying
// open until it is closed, on one open releasing every waiter, and on a
// thread slot being started again after a join.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/gate.h"
#include "support/thread.h"

namespace vireo {
namespace {

using namespace std::chrono_literals;

TEST(PlatformThread, RunsTheBodyAndJoinWaitsForIt) {
  PlatformThread thread;
  std::atomic<int> runs{0};
  for (int round = 1; round <= 3; ++round) {
    thread.start([&] {
      std::this_thread::sleep_for(10ms);
      runs.fetch_add(1);
    });
    thread.join();
    EXPECT_EQ(runs.load(), round);
  }
  thread.join();  // nothing left to wait for
}

TEST(PlatformThread, DestructionWaitsForTheThread) {
  std::atomic<bool> done{false};
  {
    PlatformThread thread;
    thread.start([&] {
      std::this_thread::sleep_for(20ms);
      done = true;
    });
  }
  EXPECT_TRUE(done.load());
}

TEST(Gate, OneOpenReleasesEveryWaiter) {
  Gate gate;
  std::atomic<int> passed{0};
  PlatformThread waiters[3];
  for (PlatformThread& t : waiters)
    t.start([&] {
      gate.wait();
      passed.fetch_add(1);
    });
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(passed.load(), 0) << "a closed gate let a thread through";
  gate.open();
  for (PlatformThread& t : waiters) t.join();
  EXPECT_EQ(passed.load(), 3);
}

// Not a counter: any number of opens and waits leaves it open, and one close
// shuts it whatever came before.
TEST(Gate, StaysOpenUntilClosed) {
  Gate gate;
  gate.open();
  gate.open();
  gate.wait();
  gate.wait();
  gate.wait();
  gate.close();
  gate.close();

  std::atomic<bool> passed{false};
  PlatformThread waiter;
  waiter.start([&] {
    gate.wait();
    passed = true;
  });
  std::this_thread::sleep_for(30ms);
  EXPECT_FALSE(passed.load()) << "a closed gate let a thread through";
  gate.open();
  waiter.join();
  EXPECT_TRUE(passed.load());
}

// What the opener wrote before opening is visible to the thread it lets
// through (ThreadSanitizer checks the ordering).
TEST(Gate, OpeningPublishesEarlierWrites) {
  Gate gate;
  int payload = 0;
  int seen = -1;
  PlatformThread reader;
  reader.start([&] {
    gate.wait();
    seen = payload;
  });
  payload = 42;
  gate.open();
  reader.join();
  EXPECT_EQ(seen, 42);
}

}  // namespace
}  // namespace vireo
