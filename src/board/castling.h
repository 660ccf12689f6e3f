#pragma once
// Castling under both rule sets. Each right names its rook by the square it
// started on; castling puts king and rook on the g- and f-files (king side)
// or the c- and d-files (queen side), wherever they stood, so standard chess
// is the case of a king on e and rooks in the corners. A board carries the
// squares, paths, keys and keep-masks of its own rights, set up once by
// setFen, so that make, unmake and the generators read them like constant
// tables and never ask which rule set is in force.

#include <cstdint>

#include "board/move.h"
#include "board/tables.h"
#include "board/types.h"

namespace vireo {

constexpr int KingSide = 1, QueenSide = 0;

// The right of a colour on a side, and the index of its rule.
constexpr uint8_t castleRight(Colour c, int side) {
  return side == KingSide ? (c == White ? CastleWhiteKing : CastleBlackKing)
                          : (c == White ? CastleWhiteQueen : CastleBlackQueen);
}
constexpr int castleIndex(Colour c, int side) { return c * 2 + side; }
// A castling move word holds the king's squares; the king ends on the g-file
// when castling king side.
constexpr int castleSide(Move m) { return fileOf(moveTo(m)) > 3 ? KingSide : QueenSide; }

struct CastlingRules {
  CastleRuleEntry rule[4];  // by castleIndex
  uint64_t keys[16];        // the key of every rights value
  uint8_t keepMask[64];     // rights kept when a piece moves from or to a square
};

// The standard rules for all four rights, as every cleared board has them.
void setStandardCastling(CastlingRules& rules);

// The rule of castling with the king and the rook on these squares of one
// back rank: their destinations, the squares both cross (destinations
// included, their own squares not) that must be empty, and the squares the
// king crosses (start and destination included) that must not be attacked.
CastleRuleEntry castleRuleFor(Square king, Square rook);

// The rules of a position whose held rights have their rooks on
// rooks[castleIndex] and their king on its kingSquare. Rights not held keep
// the standard entries, which no move reads.
void setCastling(CastlingRules& rules, uint8_t rights, const Square (&rooks)[4],
                 const int32_t (&kingSquare)[2]);

// The key of a rights value, computed from the Zobrist keys and the rook
// squares: a right whose rook is not in its corner adds a key of the rook's
// file, so that positions differing only in which rook may castle differ in
// key, while standard positions keep the standard keys.
uint64_t castlingKey(const CastlingRules& rules, uint8_t rights);

// The square a Chess960 GUI names as the destination of a castling move:
// the rook's (king takes own rook). The king's rank tells the colour, so
// this serves the moves of a line ahead as well.
inline Square castlingRookSquare(const CastlingRules& rules, Move m) {
  const Colour c = rankOf(moveFrom(m)) == 0 ? White : Black;
  return rules.rule[castleIndex(c, castleSide(m))].rookFrom;
}

// Whether the rule's rook may leave: it must not be what shields the king
// from an enemy rook or queen on the back rank (only possible in Chess960,
// with a queen-side rook on the b-file and the enemy in the corner).
inline bool castlingRookFree(const CastleRuleEntry& rule, Bitboard ourBlockers) {
  return !(ourBlockers & SquareBit[rule.rookFrom]);
}

}  // namespace vireo
