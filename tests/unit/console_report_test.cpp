#include <gtest/gtest.h>

#include "shell/console_report.h"

namespace vireo {
namespace {

TEST(ConsoleReport, ScoreLines) {
  struct Case {
    int depth, selDepth;
    uint32_t ms;
    uint64_t nodes;
    int score;
    const char* text;
    const char* line;
  };
  const Case cases[] = {
      {7, 9, 8, 10860, 24, "e4 d5", "  [7/9]     0.008   10860       24  e4 d5"},
      {12, 16, 255, 150000, -31, nullptr, " [12/16]    0.255     146k     -31 "},
      {10, 12, 75500, 999, 29995, "ok", " [10/12]  0:01:15     999       +3# ok"},
      {100, 120, 3725000, 5, -29996, "", "[100/120]  1:02:05       5       -2# "},
      {3, 5, 100, 1, 28999, "x", "  [3/5]     0.100       1    28999  x"},
      {3, 5, 100, 200000000, -28999, "x", "  [3/5]     0.100     190m  -28999  x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(scoreLineText(c.depth, c.selDepth, c.ms, c.nodes, c.score, c.text), c.line) << c.line;
}

}  // namespace
}  // namespace vireo
