#pragma once
// SFMT-19937, the SIMD-oriented Fast Mersenne Twister of Saito and Matsumoto,
// with its published parameters. Written for plain 32-bit words so that it
// gives the same sequence in every build; the Zobrist keys depend on that.

#include <cstdint>

namespace vireo {

class Sfmt {
 public:
  explicit Sfmt(uint32_t seed) { seed32(seed); }

  // The published init_gen_rand.
  void seed32(uint32_t seed);

  uint32_t next32();
  // Two consecutive state words, the first as the low half. The position is
  // rounded up to an even word first, as the reference generator requires.
  uint64_t next64();

 private:
  static constexpr int Words = 624;  // 156 lanes of 128 bits
  void regenerate();
  void certifyPeriod();

  uint32_t state_[Words];
  int index_ = Words;
};

}  // namespace vireo
