#pragma once
// Bit counting and scanning on 64-bit sets. The default build counts with the
// branch-free parallel sum so that it runs on any x86-64 processor; the
// POPCNT build (-mpopcnt) uses the instruction.

#include <bit>

#include "board/types.h"

namespace vireo {

inline int popCount(Bitboard b) {
#if defined(__POPCNT__)
  return std::popcount(b);
#else
  b = b - ((b >> 1) & 0x5555555555555555ULL);
  b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
  b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return int((b * 0x0101010101010101ULL) >> 56);
#endif
}

// Index of the lowest set bit; b must not be empty.
inline Square lowestSquare(Bitboard b) { return std::countr_zero(b); }

// Takes the lowest square out of b and returns it.
inline Square popLowest(Bitboard& b) {
  Square s = lowestSquare(b);
  b &= b - 1;
  return s;
}

inline bool moreThanOne(Bitboard b) { return (b & (b - 1)) != 0; }

}  // namespace vireo
