#include "board/magic.h"

#include "board/bitops.h"
#include "board/magic_numbers.h"

namespace vireo {

Magic RookMagics[64];
Magic BishopMagics[64];

namespace {

Bitboard RookTable[RookTableSize];
Bitboard BishopTable[BishopTableSize];

// Walks from s in steps of (df, dr), adding each square and stopping after
// the first occupied one or at the board edge.
Bitboard walk(Square s, int df, int dr, Bitboard occupancy) {
  Bitboard attacks = 0;
  int f = fileOf(s) + df, r = rankOf(s) + dr;
  while (f >= 0 && f < 8 && r >= 0 && r < 8) {
    Bitboard bit = Bitboard(1) << makeSquare(f, r);
    attacks |= bit;
    if (occupancy & bit) break;
    f += df;
    r += dr;
  }
  return attacks;
}

void fill(Magic* magics, Bitboard* table, const uint64_t* multipliers,
          const int* indexBits, Bitboard (*maskOf)(Square),
          Bitboard (*attacksOf)(Square, Bitboard)) {
  Bitboard* next = table;
  for (Square s = 0; s < 64; ++s) {
    Magic& m = magics[s];
    m.mask = maskOf(s);
    m.multiplier = multipliers[s];
    m.shift = unsigned(64 - indexBits[s]);
    m.attacks = next;
    // Every subset of the mask, listed by counting through its bits.
    Square bits[12];
    int n = 0;
    for (Bitboard b = m.mask; b;) bits[n++] = popLowest(b);
    for (unsigned i = 0; i < (1u << n); ++i) {
      Bitboard occupancy = 0;
      for (int k = 0; k < n; ++k)
        if (i & (1u << k)) occupancy |= Bitboard(1) << bits[k];
      next[m.index(occupancy)] = attacksOf(s, occupancy);
    }
    next += Bitboard(1) << indexBits[s];
  }
}

}  // namespace

Bitboard slowRookAttacks(Square s, Bitboard occupancy) {
  return walk(s, 0, 1, occupancy) | walk(s, 0, -1, occupancy) |
         walk(s, 1, 0, occupancy) | walk(s, -1, 0, occupancy);
}

Bitboard slowBishopAttacks(Square s, Bitboard occupancy) {
  return walk(s, -1, 1, occupancy) | walk(s, 1, 1, occupancy) |
         walk(s, 1, -1, occupancy) | walk(s, -1, -1, occupancy);
}

Bitboard rookMask(Square s) {
  Bitboard fileInner = fileBits(fileOf(s)) & ~Rank1Bits & ~Rank8Bits;
  Bitboard rankInner = rankBits(rankOf(s)) & NotFileA & NotFileH;
  return (fileInner | rankInner) & ~(Bitboard(1) << s);
}

Bitboard bishopMask(Square s) {
  constexpr Bitboard Ring = FileABits | FileHBits | Rank1Bits | Rank8Bits;
  return slowBishopAttacks(s, 0) & ~Ring;
}

void initMagics() {
  fill(BishopMagics, BishopTable, BishopMultipliers, BishopIndexBits, bishopMask,
       slowBishopAttacks);
  fill(RookMagics, RookTable, RookMultipliers, RookIndexBits, rookMask, slowRookAttacks);
}

}  // namespace vireo
