#include "support/platform.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vireo
