#include "board/board.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "board/bitops.h"
#include "board/magic.h"
#include "board/zobrist.h"

namespace vireo {

void clearBoard(Board& board) {
  std::memset(&board, 0, sizeof board);
  setStandardCastling(board.castlingRules);
}

void add(Board& board, Colour colour, PieceType type, Square square) {
  if (unsigned(square) > 63) {
    std::fprintf(stderr, "add: illegal piece location: %i\n", square);
    return;
  }
  if (type == King) board.kingSquare[colour] = square;
  Bitboard bit = SquareBit[square];
  board.pieceBits[colour][0] ^= bit;
  board.pieceBits[colour][type] ^= bit;
  PieceCode code = pieceCode(colour, type);
  board.squares[square] = code;
  board.occupied = board.pieceBits[White][0] | board.pieceBits[Black][0];
  board.hashKey ^= pieceKey(code, square);
  if (type == Pawn) board.state.pawnKey ^= pieceKey(code, square);
  board.materialSignature[colour] += MaterialIncrement[type];
}

void copyBoard(Board& destination, const Board& source) {
  std::memcpy(&destination, &source, offsetof(Board, moveHistory));
  std::memcpy(destination.moveHistory, source.moveHistory,
              (source.ply + 1) * sizeof source.moveHistory[0]);
  std::memcpy(destination.keyHistory, source.keyHistory,
              (source.ply + 1) * sizeof source.keyHistory[0]);
}

namespace {

Bitboard pawnCaptures(Colour colour, Bitboard pawns) {
  return colour == White ? ((pawns << 9) & NotFileA) | ((pawns << 7) & NotFileH)
                         : ((pawns >> 7) & NotFileA) | ((pawns >> 9) & NotFileH);
}

// Everything the colour attacks, over the given occupancy.
Bitboard attacksWith(const Board& board, Colour colour, Bitboard occupancy) {
  const Bitboard* own = board.pieceBits[colour];
  Bitboard attacks = KingAttacks[board.kingSquare[colour]] | pawnCaptures(colour, own[Pawn]);
  for (Bitboard b = own[Knight]; b;) attacks |= KnightAttacks[popLowest(b)];
  for (Bitboard b = own[Bishop] | own[Queen]; b;)
    attacks |= bishopAttacks(popLowest(b), occupancy);
  for (Bitboard b = own[Rook] | own[Queen]; b;) attacks |= rookAttacks(popLowest(b), occupancy);
  return attacks;
}

Bitboard blockersOf(const Board& board, Colour colour) {
  Square king = board.kingSquare[colour];
  const Bitboard* enemy = board.pieceBits[colour ^ 1];
  Bitboard sliders = (RookLines[king] & (enemy[Rook] | enemy[Queen])) |
                     (BishopLines[king] & (enemy[Bishop] | enemy[Queen]));
  Bitboard blockers = 0;
  while (sliders) {
    Bitboard between = BetweenBits[king][popLowest(sliders)] & board.occupied;
    if (between && !moreThanOne(between)) blockers |= between;
  }
  return blockers;
}

}  // namespace

void updateAttackInfo(Board& board) {
  Colour us = board.sideToMove;
  board.state.enemyAttacks =
      attacksWith(board, us ^ 1, board.occupied & ~board.pieceBits[us][King]);
  board.state.blockers[White] = blockersOf(board, White);
  board.state.blockers[Black] = blockersOf(board, Black);
}

Bitboard attacksOf(const Board& board, Colour colour) {
  return attacksWith(board, colour, board.occupied & ~board.pieceBits[colour ^ 1][King]);
}

const char* checkBoard(const Board& board) {
  Bitboard bits[2][7] = {};
  uint32_t material[2] = {};
  uint64_t hashKey = 0, pawnKey = 0;
  for (Square s = 0; s < 64; ++s) {
    PieceCode p = board.squares[s];
    if (!p) continue;
    Colour c = colourOf(p);
    PieceType t = typeOf(p);
    if (t < Pawn || t > King || (p & ~(8 << c)) != t) return "bad piece code";
    bits[c][0] |= SquareBit[s];
    bits[c][t] |= SquareBit[s];
    material[c] += MaterialIncrement[t];
    hashKey ^= pieceKey(p, s);
    if (t == Pawn) pawnKey ^= pieceKey(p, s);
    if (t == King && board.kingSquare[c] != s) return "kingSquare";
  }
  if (std::memcmp(bits, board.pieceBits, sizeof bits) != 0) return "pieceBits";
  if (board.occupied != (bits[White][0] | bits[Black][0])) return "occupied";
  if (material[White] != board.materialSignature[White] ||
      material[Black] != board.materialSignature[Black])
    return "materialSignature";
  // Every right still held has its king and rook where its rule starts them.
  for (int index = 0; index < 4; ++index) {
    const Colour c = index >> 1;
    const CastleRuleEntry& rule = board.castlingRules.rule[index];
    if ((board.state.castling & castleRight(c, index & 1)) &&
        (board.squares[rule.kingFrom] != pieceCode(c, King) ||
         board.squares[rule.rookFrom] != pieceCode(c, Rook)))
      return "castling";
  }
  hashKey ^= castlingKey(board.castlingRules, board.state.castling);
  if (board.state.epSquare) hashKey ^= enPassantKey(board.state.epSquare);
  if (hashKey != board.hashKey) return "hashKey";
  if (pawnKey != board.state.pawnKey) return "pawnKey";
  return "";
}

}  // namespace vireo
