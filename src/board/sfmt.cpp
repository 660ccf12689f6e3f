#include "board/sfmt.h"

namespace vireo {

namespace {

constexpr int Lanes = 156;
constexpr int Pos1 = 122;
constexpr int Sl1 = 18;  // bits, per 32-bit word
constexpr int Sl2 = 1;   // bytes, across the 128-bit lane
constexpr int Sr1 = 11;  // bits, per 32-bit word
constexpr int Sr2 = 1;   // bytes, across the 128-bit lane
constexpr uint32_t Mask[4] = {0xDFFFFFEFu, 0xDDFECB7Fu, 0xBFFAFFFFu, 0xBFFFFFF6u};
constexpr uint32_t Parity[4] = {0x00000001u, 0x00000000u, 0x00000000u, 0x13C9E684u};

// A 128-bit lane as four 32-bit words, word 0 the least significant.
struct Lane {
  uint32_t w[4];
};

Lane shiftLeftBytes(const uint32_t* in, int bytes) {
  uint64_t hi = (uint64_t(in[3]) << 32) | in[2];
  uint64_t lo = (uint64_t(in[1]) << 32) | in[0];
  uint64_t outHi = (hi << (bytes * 8)) | (lo >> (64 - bytes * 8));
  uint64_t outLo = lo << (bytes * 8);
  return {{uint32_t(outLo), uint32_t(outLo >> 32), uint32_t(outHi), uint32_t(outHi >> 32)}};
}

Lane shiftRightBytes(const uint32_t* in, int bytes) {
  uint64_t hi = (uint64_t(in[3]) << 32) | in[2];
  uint64_t lo = (uint64_t(in[1]) << 32) | in[0];
  uint64_t outLo = (lo >> (bytes * 8)) | (hi << (64 - bytes * 8));
  uint64_t outHi = hi >> (bytes * 8);
  return {{uint32_t(outLo), uint32_t(outLo >> 32), uint32_t(outHi), uint32_t(outHi >> 32)}};
}

// r = a ^ (a << 8*Sl2) ^ ((b >> Sr1) & Mask) ^ (c >> 8*Sr2) ^ (d << Sl1)
void recursion(uint32_t* r, const uint32_t* a, const uint32_t* b, const uint32_t* c,
               const uint32_t* d) {
  Lane x = shiftLeftBytes(a, Sl2);
  Lane y = shiftRightBytes(c, Sr2);
  for (int i = 0; i < 4; ++i)
    r[i] = a[i] ^ x.w[i] ^ ((b[i] >> Sr1) & Mask[i]) ^ y.w[i] ^ (d[i] << Sl1);
}

}  // namespace

void Sfmt::seed32(uint32_t seed) {
  state_[0] = seed;
  for (int i = 1; i < Words; ++i)
    state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + uint32_t(i);
  index_ = Words;
  certifyPeriod();
}

void Sfmt::certifyPeriod() {
  uint32_t inner = 0;
  for (int i = 0; i < 4; ++i) inner ^= state_[i] & Parity[i];
  for (int shift = 16; shift > 0; shift >>= 1) inner ^= inner >> shift;
  if (inner & 1) return;
  // Flip the lowest parity bit to move the state onto the full period.
  for (int i = 0; i < 4; ++i) {
    for (uint32_t bit = 1; bit != 0; bit <<= 1) {
      if (bit & Parity[i]) {
        state_[i] ^= bit;
        return;
      }
    }
  }
}

void Sfmt::regenerate() {
  const uint32_t* r1 = &state_[(Lanes - 2) * 4];
  const uint32_t* r2 = &state_[(Lanes - 1) * 4];
  for (int i = 0; i < Lanes; ++i) {
    uint32_t* lane = &state_[i * 4];
    const uint32_t* partner = &state_[((i + Pos1) % Lanes) * 4];
    recursion(lane, lane, partner, r1, r2);
    r1 = r2;
    r2 = lane;
  }
}

uint32_t Sfmt::next32() {
  if (index_ >= Words) {
    regenerate();
    index_ = 0;
  }
  return state_[index_++];
}

uint64_t Sfmt::next64() {
  index_ += index_ & 1;
  if (index_ >= Words) {
    regenerate();
    index_ = 0;
  }
  uint64_t low = state_[index_];
  uint64_t high = state_[index_ + 1];
  index_ += 2;
  return low | (high << 32);
}

}  // namespace vireo
