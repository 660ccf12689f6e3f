#include "board/tables.h"

#include "board/bitops.h"
#include "board/magic.h"

namespace vireo {

Bitboard SquareBit[64];
LinePair FileRankBits[64];
LinePair DiagonalBits[64];
Bitboard LineBits[64][64];
Bitboard BetweenBits[64][64];
Bitboard RookLines[64];
Bitboard BishopLines[64];
Bitboard QueenLines[64];
Bitboard PawnAttacks[2][64];
Bitboard KnightAttacks[64];
Bitboard KingAttacks[64];
Bitboard KnightTwoMoves[64];
Bitboard AdjacentFiles[64];
Bitboard FrontSpan[2][64];
Bitboard PassedSpan[2][64];
Bitboard KingCatchZone[2][64];
Bitboard KnightCatchZone[2][64];

// Laid out rank 1 first, a to h.
const uint8_t CastleKeepMask[64] = {
    0xFB, 0xFF, 0xFF, 0xFF, 0xFA, 0xFF, 0xFF, 0xFE,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xF7, 0xFF, 0xFF, 0xFF, 0xF5, 0xFF, 0xFF, 0xFD,
};

namespace {
constexpr Bitboard bit(Square s) { return Bitboard(1) << s; }
}  // namespace

const CastleRuleEntry CastleRule[4] = {
    {bit(B1) | bit(C1) | bit(D1), bit(C1) | bit(D1) | bit(E1), E1, C1, A1, D1},
    {bit(F1) | bit(G1), bit(E1) | bit(F1) | bit(G1), E1, G1, H1, F1},
    {bit(B8) | bit(C8) | bit(D8), bit(C8) | bit(D8) | bit(E8), E8, C8, A8, D8},
    {bit(F8) | bit(G8), bit(E8) | bit(F8) | bit(G8), E8, G8, H8, F8},
};

namespace {

Bitboard stepTargets(Square s, const int (*steps)[2]) {
  Bitboard targets = 0;
  for (int i = 0; i < 8; ++i) {
    int f = fileOf(s) + steps[i][0], r = rankOf(s) + steps[i][1];
    if (f >= 0 && f < 8 && r >= 0 && r < 8) targets |= bit(makeSquare(f, r));
  }
  return targets;
}

void initLines() {
  for (Square s = 0; s < 64; ++s) {
    SquareBit[s] = bit(s);
    FileRankBits[s] = {fileBits(fileOf(s)), rankBits(rankOf(s))};
    int rank = rankOf(s), file = fileOf(s);
    Bitboard diagonal = rank >= file ? 0x8040201008040201ULL << (8 * (rank - file))
                                     : 0x8040201008040201ULL >> (8 * (file - rank));
    int anti = rank + file - 7;
    Bitboard antiDiagonal = anti > 0 ? 0x0102040810204080ULL << (8 * anti)
                                     : 0x0102040810204080ULL >> (8 * -anti);
    DiagonalBits[s] = {diagonal, antiDiagonal};
  }
  for (Square s = 0; s < 64; ++s) {
    for (Square t = 0; t < 64; ++t) {
      Bitboard line = 0;
      if (rankOf(s) == rankOf(t)) line = FileRankBits[s].second;
      if (fileOf(s) == fileOf(t)) line = FileRankBits[s].first;  // also s itself
      if (s != t && fileOf(t) - fileOf(s) == rankOf(t) - rankOf(s))
        line = DiagonalBits[s].first;
      if (s != t && fileOf(t) - fileOf(s) == rankOf(s) - rankOf(t))
        line = DiagonalBits[s].second;
      LineBits[s][t] = line;
    }
  }
  for (Square s = 0; s < 64; ++s) {
    RookLines[s] = (FileRankBits[s].first | FileRankBits[s].second) & ~bit(s);
    BishopLines[s] = (DiagonalBits[s].first | DiagonalBits[s].second) & ~bit(s);
    QueenLines[s] = RookLines[s] | BishopLines[s];
    Bitboard b = bit(s);
    PawnAttacks[White][s] = rankOf(s) < 7 ? ((b << 7) & NotFileH) | ((b << 9) & NotFileA) : 0;
    PawnAttacks[Black][s] = rankOf(s) > 0 ? ((b >> 7) & NotFileA) | ((b >> 9) & NotFileH) : 0;
    AdjacentFiles[s] = (fileOf(s) > 0 ? fileBits(fileOf(s) - 1) : 0) |
                       (fileOf(s) < 7 ? fileBits(fileOf(s) + 1) : 0);
  }
}

void initBetween() {
  static constexpr int Directions[8][2] = {{1, 0}, {-1, 0}, {0, 1},  {0, -1},
                                           {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  for (Square s = 0; s < 64; ++s) {
    for (const auto& d : Directions) {
      Bitboard between = 0;
      int f = fileOf(s) + d[0], r = rankOf(s) + d[1];
      while (f >= 0 && f < 8 && r >= 0 && r < 8) {
        Square t = makeSquare(f, r);
        BetweenBits[s][t] = between;
        between |= bit(t);
        f += d[0];
        r += d[1];
      }
    }
  }
}

void initSpans() {
  for (Square s = 0; s < 64; ++s) {
    FrontSpan[White][s] = BetweenBits[s][s | 56] | bit(s | 56);
    FrontSpan[Black][s] = BetweenBits[s][s & 7] | bit(s & 7);
    Bitboard white = 0, black = 0;
    for (int df = -1; df <= 1; ++df) {
      int f = fileOf(s) + df;
      if (f < 0 || f > 7) continue;
      Square x = s + df;
      white |= BetweenBits[x][x | 56];
      black |= BetweenBits[x][x & 7];
    }
    PassedSpan[White][s] = white;
    PassedSpan[Black][s] = black;
  }
}

// The zones from which a defending piece reaches the promotion square in time:
// built backwards from the seventh rank, one step of growth per rank.
void initCatchZones() {
  for (Square s = 55; s >= 8; --s) {
    Bitboard v = bit(s + 8) | KingCatchZone[White][s + 8];
    KingCatchZone[White][s] = s >= 16 ? kingSpread(v) : v;
    Bitboard w = bit(s + 8) | KnightCatchZone[White][s + 8];
    KnightCatchZone[White][s] = s > 15 ? w | knightSpread(w) : w;
  }
  for (Square s = 8; s <= 55; ++s) {
    Bitboard v = bit(s - 8) | KingCatchZone[Black][s - 8];
    KingCatchZone[Black][s] = s <= 47 ? kingSpread(v) : v;
    Bitboard w = bit(s - 8) | KnightCatchZone[Black][s - 8];
    KnightCatchZone[Black][s] = s < 48 ? w | knightSpread(w) : w;
  }
}

void initStepAttacks() {
  static constexpr int KingSteps[8][2] = {{-1, 1}, {0, 1},   {1, 1},   {1, 0},
                                          {1, -1}, {0, -1}, {-1, -1}, {-1, 0}};
  static constexpr int KnightSteps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                            {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
  for (Square s = 0; s < 64; ++s) {
    KingAttacks[s] = stepTargets(s, KingSteps);
    KnightAttacks[s] = stepTargets(s, KnightSteps);
  }
  for (Square s = 0; s < 64; ++s) {
    Bitboard two = 0;
    for (Bitboard b = KnightAttacks[s]; b;) two |= KnightAttacks[popLowest(b)];
    KnightTwoMoves[s] = two;
  }
}

}  // namespace

void initTables() {
  initMagics();
  initLines();
  initBetween();
  initSpans();
  initCatchZones();
  initStepAttacks();
}

}  // namespace vireo
