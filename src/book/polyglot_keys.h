#pragma once
// Position keys and move words of Polyglot opening books, the format that
// GUIs, other engines and Debian's packages share. Its keys come from a
// fixed published table, not from the engine's own book keys or Zobrist
// keys, and its move words spell castling and promotion in their own way.

#include <cstdint>

#include "board/board.h"

namespace vireo {

constexpr int PolyglotRandomCount = 781;

// 768 piece keys (index 64 * kind + square, kind 0 black pawn, 1 white
// pawn, ... 11 white king), then castling K, Q, k, q at 768, the
// en-passant files at 772 and White to move at 780.
extern const uint64_t PolyglotRandom[PolyglotRandomCount];

// The key of the position. Only an en passant that a pawn of the side to
// move could actually make counts, whatever the board's en-passant square
// says: a FEN may name one that no pawn can take.
uint64_t polyglotKey(const Board& board);

// A legal move of the position as a Polyglot move word: to square in bits
// 0..5, from square in bits 6..11, promotion (1 knight .. 4 queen) in bits
// 12..14, castling as the king taking its own rook (e1h1, e1a1, e8h8, e8a8).
uint16_t polyglotMove(Move move);

// The legal move of the position that the word describes, or 0. Castling
// written as the king's own step (e1g1) is taken as well.
Move moveFromPolyglot(Board& board, uint16_t word);

// Coordinate text of a word as it stands in the file ("e1h1", "e7e8q").
void polyglotMoveText(uint16_t word, char text[6]);

}  // namespace vireo
