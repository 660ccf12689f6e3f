#include "board/bitops.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

namespace vireo {
namespace {

// The 32-bit build's versions are checked here too, against the standard
// library, on sets that stress the join of the two halves: full halves
// (every byte at its maximum), one half empty, single bits at the seam.
TEST(Bitops, CountAndScanAgreeWithTheStandardLibrary) {
  std::vector<Bitboard> sets = {
      1,
      0x80000000ULL,
      0x100000000ULL,
      0x8000000000000000ULL,
      0x00000000FFFFFFFFULL,
      0xFFFFFFFF00000000ULL,
      0xFFFFFFFFFFFFFFFFULL,
      0x8000000180000001ULL,
      0x5555555555555555ULL,
      0xAAAAAAAAAAAAAAAAULL,
      0xFF00FF00FF00FF00ULL,
  };
  std::mt19937_64 random(12345);
  for (int i = 0; i < 2000; ++i) {
    // Sparse, dense and one-sided sets, as boards have them.
    Bitboard b = random();
    if (i % 3 == 0) b &= random() & random();
    if (i % 5 == 0) b |= random() | random();
    if (i % 7 == 0) b &= 0xFFFFFFFF00000000ULL;
    if (b) sets.push_back(b);
  }
  EXPECT_EQ(popCount(0), 0);
  EXPECT_EQ(popCountHalves(0), 0);
  for (Bitboard b : sets) {
    EXPECT_EQ(popCount(b), std::popcount(b)) << std::hex << b;
    EXPECT_EQ(popCountHalves(b), std::popcount(b)) << std::hex << b;
    EXPECT_EQ(lowestSquare(b), std::countr_zero(b)) << std::hex << b;
    EXPECT_EQ(lowestSquareHalves(b), std::countr_zero(b)) << std::hex << b;
  }
}

}  // namespace
}  // namespace vireo
