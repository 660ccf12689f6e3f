#pragma once
// Sliding-piece attacks by fancy magic multiplication. The attack sets include
// the first occupied square in each direction, whatever its colour.

#include "board/types.h"

namespace vireo {

struct Magic {
  Bitboard mask;        // relevant occupancy, far edges excluded
  uint64_t multiplier;
  unsigned shift;
  const Bitboard* attacks;

  unsigned index(Bitboard occupancy) const {
    return unsigned(((occupancy & mask) * multiplier) >> shift);
  }
};

extern Magic RookMagics[64];
extern Magic BishopMagics[64];

inline Bitboard rookAttacks(Square s, Bitboard occupancy) {
  const Magic& m = RookMagics[s];
  return m.attacks[m.index(occupancy)];
}

inline Bitboard bishopAttacks(Square s, Bitboard occupancy) {
  const Magic& m = BishopMagics[s];
  return m.attacks[m.index(occupancy)];
}

inline Bitboard queenAttacks(Square s, Bitboard occupancy) {
  return rookAttacks(s, occupancy) | bishopAttacks(s, occupancy);
}

// Attack sets by walking the rays; used to fill the tables and in tests.
Bitboard slowRookAttacks(Square s, Bitboard occupancy);
Bitboard slowBishopAttacks(Square s, Bitboard occupancy);

// Fills the magic tables, bishops first. Called by initTables().
void initMagics();

// Table sizes, for tests and benchmarks.
constexpr int BishopTableSize = 5248;
constexpr int RookTableSize = 96256;

}  // namespace vireo
