#pragma once
// Zobrist keys. Row = piece code & 15 (white pieces 9..14, black 1..6); row 0
// is never a piece and carries the other keys: entries 0..7 are the
// en-passant keys of files a..h and entries 8..11 the base keys of the four
// castling bits. There is no side-to-move key: the transposition table mixes
// the side to move in itself.

#include <cstdint>

#include "board/types.h"

namespace vireo {

struct ZobristKeys {
  uint64_t pieceKeys[16][64];
  uint64_t castleKeys[16];
};

extern ZobristKeys Zobrist;

inline uint64_t pieceKey(PieceCode p, Square s) { return Zobrist.pieceKeys[p & 15][s]; }
inline uint64_t enPassantKey(Square epSquare) { return Zobrist.pieceKeys[0][epSquare & 7]; }

// Fills the keys from SFMT-19937 seeded with 7; identical on every run.
void initZobrist();

}  // namespace vireo
