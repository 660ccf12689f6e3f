// Searches magic multipliers for the sliding-attack tables and prints them as
// the source of src/board/magic_numbers.cpp. The search is seeded, so it
// prints the same table on every run.
//
// The rook squares a8, b8, c8 and h8 take published multipliers that work
// with one index bit less than their masks have (the colliding occupancies
// share attack sets); those are only verified here.

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "board/bitops.h"
#include "board/magic.h"
#include "board/magic_numbers.h"
#include "board/sfmt.h"

using namespace vireo;

namespace {

struct Reduced {
  Square square;
  uint64_t multiplier;
};
constexpr Reduced ReducedRooks[] = {
    {A8, 0x00FFFCDDFCED714AULL},
    {B8, 0x007FFCDDFCED714AULL},
    {C8, 0x003FFFCDFFD88096ULL},
    {H8, 0x0001FFFAABFAD1A2ULL},
};

struct Subsets {
  std::vector<Bitboard> occupancy, attacks;
};

Subsets subsetsOf(Square s, Bitboard mask, Bitboard (*attacksOf)(Square, Bitboard)) {
  Subsets out;
  Bitboard b = 0;
  do {  // Carry-rippler enumeration of every subset of the mask.
    out.occupancy.push_back(b);
    out.attacks.push_back(attacksOf(s, b));
    b = (b - mask) & mask;
  } while (b);
  return out;
}

bool works(uint64_t multiplier, int bits, Bitboard mask, const Subsets& sub) {
  std::vector<Bitboard> table(size_t(1) << bits, 0);
  std::vector<char> used(size_t(1) << bits, 0);
  for (size_t i = 0; i < sub.occupancy.size(); ++i) {
    unsigned idx = unsigned(((sub.occupancy[i] & mask) * multiplier) >> (64 - bits));
    if (used[idx] && table[idx] != sub.attacks[i]) return false;
    used[idx] = 1;
    table[idx] = sub.attacks[i];
  }
  return true;
}

uint64_t search(Sfmt& rng, Square s, int bits, Bitboard mask,
                Bitboard (*attacksOf)(Square, Bitboard)) {
  Subsets sub = subsetsOf(s, mask, attacksOf);
  for (;;) {
    uint64_t candidate = rng.next64() & rng.next64() & rng.next64();
    if (popCount((mask * candidate) >> 56) < 6) continue;
    if (works(candidate, bits, mask, sub)) return candidate;
  }
}

void print(const char* name, const uint64_t* values) {
  std::printf("const uint64_t %s[64] = {\n", name);
  for (int s = 0; s < 64; ++s)
    std::printf("%s0x%016" PRIX64 "ULL,%s", s % 4 ? " " : "    ", values[s],
                s % 4 == 3 ? "\n" : "");
  std::printf("};\n\n");
}

}  // namespace

int main() {
  Sfmt rng(20261210);
  uint64_t rook[64], bishop[64];
  for (Square s = 0; s < 64; ++s)
    bishop[s] = search(rng, s, BishopIndexBits[s], bishopMask(s), slowBishopAttacks);
  for (Square s = 0; s < 64; ++s) {
    rook[s] = 0;
    for (const Reduced& r : ReducedRooks) {
      if (r.square != s) continue;
      Subsets sub = subsetsOf(s, rookMask(s), slowRookAttacks);
      if (!works(r.multiplier, RookIndexBits[s], rookMask(s), sub)) {
        std::fprintf(stderr, "published multiplier fails on square %d\n", s);
        return 1;
      }
      rook[s] = r.multiplier;
    }
    if (!rook[s]) rook[s] = search(rng, s, RookIndexBits[s], rookMask(s), slowRookAttacks);
  }
  print("RookMultipliers", rook);
  print("BishopMultipliers", bishop);
  return 0;
}
