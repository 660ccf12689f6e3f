// The castling rules of a position: built from where its king and castling
// rooks stand, by the one recipe that also gives the standard tables.

#include "board/castling.h"

#include "board/zobrist.h"

namespace vireo {

namespace {

// The squares from a to b, both included.
Bitboard span(Square a, Square b) { return BetweenBits[a][b] | SquareBit[a] | SquareBit[b]; }

Square standardRook(int index) {
  static constexpr Square Corners[4] = {A1, H1, A8, H8};
  return Corners[index];
}

int rightBit(int index) {
  const uint8_t right = castleRight(index >> 1, index & 1);
  int bit = 0;
  while (!(right & (1 << bit))) ++bit;
  return bit;
}

uint64_t rightKey(const CastlingRules& rules, int index) {
  const int bit = rightBit(index);
  uint64_t key = Zobrist.pieceKeys[0][8 + bit];
  const Square rook = rules.rule[index].rookFrom;
  // Row 0 entries 16..47 are drawn like all keys and used by nothing else.
  if (rook != standardRook(index)) key ^= Zobrist.pieceKeys[0][16 + 8 * bit + fileOf(rook)];
  return key;
}

}  // namespace

CastleRuleEntry castleRuleFor(Square king, Square rook) {
  const int side = fileOf(rook) > fileOf(king) ? KingSide : QueenSide;
  const Square base = rankOf(king) * 8;
  const Square kingTo = base + (side == KingSide ? 6 : 2);
  const Square rookTo = base + (side == KingSide ? 5 : 3);
  CastleRuleEntry e;
  e.kingFrom = king;
  e.kingTo = kingTo;
  e.rookFrom = rook;
  e.rookTo = rookTo;
  e.mustBeEmpty = (span(king, kingTo) | span(rook, rookTo)) & ~(SquareBit[king] | SquareBit[rook]);
  e.mustNotBeAttacked = span(king, kingTo);
  return e;
}

uint64_t castlingKey(const CastlingRules& rules, uint8_t rights) {
  uint64_t key = 0;
  for (int index = 0; index < 4; ++index)
    if (rights & castleRight(index >> 1, index & 1)) key ^= rightKey(rules, index);
  return key;
}

void setStandardCastling(CastlingRules& rules) {
  for (int i = 0; i < 4; ++i) rules.rule[i] = CastleRule[i];
  for (int r = 0; r < 16; ++r) rules.keys[r] = Zobrist.castleKeys[r];
  for (int s = 0; s < 64; ++s) rules.keepMask[s] = CastleKeepMask[s];
}

void setCastling(CastlingRules& rules, uint8_t rights, const Square (&rooks)[4],
                 const int32_t (&kingSquare)[2]) {
  setStandardCastling(rules);
  // Only the held rights take part: a piece leaving e1 must not cost a
  // Chess960 king on b1 its rights.
  for (int s = 0; s < 64; ++s) rules.keepMask[s] = 0xFF;
  for (int index = 0; index < 4; ++index) {
    const Colour c = index >> 1;
    if (!(rights & castleRight(c, index & 1))) continue;
    rules.rule[index] = castleRuleFor(kingSquare[c], rooks[index]);
    rules.keepMask[kingSquare[c]] &= uint8_t(~(castleRight(c, KingSide) | castleRight(c, QueenSide)));
    rules.keepMask[rooks[index]] &= uint8_t(~castleRight(c, index & 1));
  }
  for (int r = 0; r < 16; ++r) rules.keys[r] = castlingKey(rules, uint8_t(r));
}

}  // namespace vireo
