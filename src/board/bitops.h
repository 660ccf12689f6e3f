#pragma once
// Bit counting and scanning on 64-bit sets. The default build counts with the
// branch-free parallel sum so that it runs on any x86-64 processor; the
// POPCNT build (-mpopcnt) uses the instruction. A 32-bit build works on the
// two halves of a set: there a 64-bit multiply takes three instructions and a
// 64-bit bit scan is a library call.

#include <bit>
#include <cstdint>

#include "board/types.h"

namespace vireo {

// The parallel sum over both halves at once: after the nibble step every
// byte holds at most 8, so the two halves' bytes add without overflow and one
// 32-bit multiply gathers the total into the top byte.
inline int popCountHalves(Bitboard b) {
  uint32_t low = uint32_t(b), high = uint32_t(b >> 32);
  low = low - ((low >> 1) & 0x55555555u);
  high = high - ((high >> 1) & 0x55555555u);
  low = (low & 0x33333333u) + ((low >> 2) & 0x33333333u);
  high = (high & 0x33333333u) + ((high >> 2) & 0x33333333u);
  low = (low + (low >> 4)) & 0x0F0F0F0Fu;
  high = (high + (high >> 4)) & 0x0F0F0F0Fu;
  return int(((low + high) * 0x01010101u) >> 24);
}

// b must not be empty.
inline Square lowestSquareHalves(Bitboard b) {
  const uint32_t low = uint32_t(b);
  return low ? __builtin_ctz(low) : 32 + __builtin_ctz(uint32_t(b >> 32));
}

inline int popCount(Bitboard b) {
#if defined(__POPCNT__)
  return std::popcount(b);
#elif defined(__i386__)
  return popCountHalves(b);
#else
  b = b - ((b >> 1) & 0x5555555555555555ULL);
  b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
  b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return int((b * 0x0101010101010101ULL) >> 56);
#endif
}

// Index of the lowest set bit; b must not be empty.
inline Square lowestSquare(Bitboard b) {
#if defined(__i386__)
  return lowestSquareHalves(b);
#else
  return std::countr_zero(b);
#endif
}

// Takes the lowest square out of b and returns it.
inline Square popLowest(Bitboard& b) {
  Square s = lowestSquare(b);
  b &= b - 1;
  return s;
}

inline bool moreThanOne(Bitboard b) { return (b & (b - 1)) != 0; }

}  // namespace vireo
