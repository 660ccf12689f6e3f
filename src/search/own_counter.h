#pragma once
// A counter written by its own thread only and read by others for reports:
// relaxed loads and stores keep the increment a plain add while every read
// sees a whole value.

#include <atomic>
#include <cstdint>

namespace vireo {

class OwnCounter {
 public:
  OwnCounter& operator++() {
    value_.store(value_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return *this;
  }
  uint64_t get() const { return value_.load(std::memory_order_relaxed); }
  operator uint64_t() const { return get(); }
  void reset() { value_.store(0, std::memory_order_relaxed); }
  uint8_t lowByte() const { return uint8_t(get()); }

 private:
  std::atomic<uint64_t> value_{0};
};

}  // namespace vireo
