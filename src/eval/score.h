#pragma once
// Opening/endgame score pairs and the two ways of blending them by game phase.

#include <cstdint>

#include "board/types.h"

namespace vireo {

// An opening value op and an endgame value eg packed as op * 65536 + eg, so
// that sums of pairs add both halves at once. Both halves stay within 16 bits.
using ScorePair = int32_t;

constexpr ScorePair makeScore(int opening, int endgame) { return opening * 65536 + endgame; }

// A negative endgame half borrows one from the upper half; adding bit 15 back
// undoes the borrow.
constexpr int openingOf(ScorePair s) { return (s >> 16) + ((s >> 15) & 1); }
constexpr int endgameOf(ScorePair s) { return int16_t(uint16_t(uint32_t(s) & 0xFFFF)); }

// Pawn terms, blended with the opponent's phase material, which may exceed 32
// after promotions and is deliberately not clamped.
constexpr int blendPawns(int opening, int endgame, int phase) {
  return (opening * phase + endgame * (32 - phase) + 16) >> 5;
}

// Piece terms: the phase is clamped and each half rounded on its own.
constexpr int blendPieces(ScorePair s, int phase) {
  const int q = phase < 32 ? phase : 32;
  return ((openingOf(s) * q + 16) >> 5) + ((endgameOf(s) * (32 - q) + 16) >> 5);
}

// Tables of this subsystem are written as the owner sees the board: row 0 is
// the owner's eighth rank. This is the one place that turns a square into
// such an index.
constexpr int ownView(Colour c, Square s) { return c == White ? s ^ 56 : s; }

// The rank of a square counted from the owner's side, 0 = the owner's first rank.
constexpr int relativeRank(Colour c, Square s) { return c == White ? s >> 3 : 7 - (s >> 3); }

constexpr int kingDistance(int a, int b) {
  const int df = (a & 7) - (b & 7), dr = (a >> 3) - (b >> 3);
  const int f = df < 0 ? -df : df, r = dr < 0 ? -dr : dr;
  return f > r ? f : r;
}

}  // namespace vireo
