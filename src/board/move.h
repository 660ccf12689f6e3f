#pragma once
// The 32-bit move word. Everything needed to make and take back a move
// travels in the word, so neither needs to look anything up:
//   bits  0..7   destination square (for castling the king's)
//   bits  8..15  origin square
//   bits 16..23  piece code of the captured piece (the pawn for en passant)
//   bits 24..26  promotion piece type
//   bit  27      en-passant capture
//   bit  28      castling
//   bit  29      pawn double step
//   bit  30      single-reply mark set by the search; not part of the move
// The word 0 is the null move and also means "no move".

#include <cstdint>

#include "board/types.h"

namespace vireo {

using Move = uint32_t;

constexpr Move NoMove = 0;
constexpr Move MoveToMask = 0x000000FF;
constexpr Move MoveFromMask = 0x0000FF00;
constexpr Move MoveCapturedMask = 0x00FF0000;
constexpr Move MovePromotionMask = 0x07000000;
constexpr Move MoveEnPassant = 0x08000000;
constexpr Move MoveCastling = 0x10000000;
constexpr Move MoveDoubleStep = 0x20000000;
constexpr Move MoveSingleReply = 0x40000000;
constexpr Move MoveSpecialMask = 0x1F000000;   // promotion, en passant, castling
constexpr Move MoveTacticalMask = 0x0FFF0000;  // capture, promotion, en passant
constexpr Move MoveCaptureOrPromotionMask = MoveCapturedMask | MovePromotionMask;
constexpr Move MoveCompareMask = 0xBFFFFFFF;   // ignores the single-reply mark

constexpr Square moveTo(Move m) { return Square(m & MoveToMask); }
constexpr Square moveFrom(Move m) { return Square((m & MoveFromMask) >> 8); }
constexpr PieceCode moveCaptured(Move m) { return PieceCode((m & MoveCapturedMask) >> 16); }
constexpr PieceType movePromotion(Move m) { return PieceType((m & MovePromotionMask) >> 24); }
constexpr bool isEnPassant(Move m) { return (m & MoveEnPassant) != 0; }
constexpr bool isCastling(Move m) { return (m & MoveCastling) != 0; }
constexpr bool isDoubleStep(Move m) { return (m & MoveDoubleStep) != 0; }
constexpr bool isSpecial(Move m) { return (m & MoveSpecialMask) != 0; }
// Quiet: no capture, promotion or en-passant capture.
constexpr bool isQuiet(Move m) { return (m & MoveTacticalMask) == 0; }
// A capture (en passant included: its word names the pawn) or a promotion.
// Reads the two fields only; !isQuiet also reads the en-passant bit, which
// no move sets without naming the pawn.
constexpr bool isCaptureOrPromotion(Move m) { return (m & MoveCaptureOrPromotionMask) != 0; }
constexpr bool sameMove(Move a, Move b) { return ((a ^ b) & MoveCompareMask) == 0; }

constexpr Move encodeMove(Square from, Square to, PieceCode captured = 0) {
  return Move(to) | (Move(from) << 8) | (Move(captured) << 16);
}
constexpr Move withPromotion(Move m, PieceType promotion) {
  return m | (Move(promotion) << 24);
}

// Room every move list must have.
constexpr int MaxMoves = 256;

}  // namespace vireo
