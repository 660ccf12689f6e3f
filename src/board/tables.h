#pragma once
// Process-wide attack and mask tables, filled once by initTables() before any
// position is set and read-only afterwards.

#include "board/types.h"

namespace vireo {

struct LinePair {
  Bitboard first;   // file (FileRankBits) or a1-h8 diagonal (DiagonalBits)
  Bitboard second;  // rank (FileRankBits) or h1-a8 anti-diagonal (DiagonalBits)
};

extern Bitboard SquareBit[64];
extern LinePair FileRankBits[64];
extern LinePair DiagonalBits[64];
extern Bitboard LineBits[64][64];     // whole line through both squares, or empty
extern Bitboard BetweenBits[64][64];  // squares strictly between, or empty
extern Bitboard RookLines[64];
extern Bitboard BishopLines[64];
extern Bitboard QueenLines[64];
extern Bitboard PawnAttacks[2][64];
extern Bitboard KnightAttacks[64];
extern Bitboard KingAttacks[64];
extern Bitboard KnightTwoMoves[64];
extern Bitboard AdjacentFiles[64];
extern Bitboard FrontSpan[2][64];
extern Bitboard PassedSpan[2][64];
extern Bitboard KingCatchZone[2][64];
extern Bitboard KnightCatchZone[2][64];

// Castling: rights kept when a piece moves from or to a square.
extern const uint8_t CastleKeepMask[64];

struct CastleRuleEntry {
  Bitboard mustBeEmpty;
  Bitboard mustNotBeAttacked;  // king's start, transit and target squares
  Square kingFrom, kingTo, rookFrom, rookTo;
};
// Indexed by colour * 2 + (1 for king side, 0 for queen side).
extern const CastleRuleEntry CastleRule[4];

// Material signature increments by piece type (see Board).
constexpr uint32_t MaterialIncrement[8] = {
    0, 0x100, 0x10001003, 0x10010003, 0x10100005, 0x1100000A, 0, 0};

void initTables();

// Sets grown by one king step or one knight jump in every direction.
inline Bitboard kingSpread(Bitboard x) {
  const Bitboard z = x | ((x >> 1) & NotFileH);
  const Bitboard y = z | ((z << 1) & NotFileA);
  return y | (y << 8) | (y >> 8);
}

inline Bitboard knightSpread(Bitboard b) {
  return ((b & NotFileA) << 15) | ((b & NotFileH) << 17) | ((b & NotFileGH) << 10) |
         ((b & NotFileAB) << 6) | ((b & NotFileA) >> 17) | ((b & NotFileH) >> 15) |
         ((b & NotFileAB) >> 10) | ((b & NotFileGH) >> 6);
}

}  // namespace vireo
