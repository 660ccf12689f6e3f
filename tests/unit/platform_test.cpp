#include "support/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace vireo {
namespace {

// Every x86-64 processor has SSE2; the compiler's own probe cross-checks the
// POPCNT bit.
TEST(Platform, CpuFeatureBits) {
  const CpuFeatures features = detectCpuFeatures();
  EXPECT_TRUE(features.sse2);
  EXPECT_EQ(features.popcnt, __builtin_cpu_supports("popcnt") != 0);
  EXPECT_GE(processorsOnline(), 1);
}

// Large blocks come zero-filled, and zeroLarge clears exactly its range,
// unaligned ends included: a small block, one mapped block it writes, and
// one big enough to have its pages handed back.
TEST(Platform, LargeBlocksComeZeroedAndZeroExactlyTheirRange) {
  constexpr uint64_t MB = 1024 * 1024;
  struct Case {
    uint64_t bytes, from, length;
  };
  const Case cases[] = {{1000, 3, 900}, {3 * MB + 100, 4097, 2 * MB}, {66 * MB + 128, 5, 65 * MB + 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    auto* block = static_cast<unsigned char*>(allocateLarge(c.bytes));
    ASSERT_NE(block, nullptr);
    auto firstNot = [&](uint64_t from, uint64_t to, unsigned char value) {
      return uint64_t(std::find_if(block + from, block + to, [&](unsigned char b) { return b != value; }) -
                      block);
    };
    EXPECT_EQ(firstNot(0, c.bytes, 0), c.bytes);
    std::memset(block, 0xA5, c.bytes);
    zeroLarge(block + c.from, c.length);
    const uint64_t end = c.from + c.length;
    EXPECT_EQ(firstNot(0, c.from, 0xA5), c.from);
    EXPECT_EQ(firstNot(c.from, end, 0), end);
    EXPECT_EQ(firstNot(end, c.bytes, 0xA5), c.bytes);
    freeLarge(block, c.bytes);
  }
}

}  // namespace
}  // namespace vireo
