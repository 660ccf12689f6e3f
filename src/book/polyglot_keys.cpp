// Polyglot keys from the board, and the format's move words to and from
// the engine's moves.

#include "book/polyglot_keys.h"

#include "board/movegen.h"

namespace vireo {

namespace {

constexpr int CastleKeys = 768;
constexpr int EnPassantKeys = 772;
constexpr int WhiteToMoveKey = 780;

// The format orders its kinds black pawn, white pawn, black knight, ...,
// which is the engine's piece type order with the colours interleaved.
int pieceKind(PieceCode piece) { return 2 * (typeOf(piece) - 1) + (colourOf(piece) == White ? 1 : 0); }

uint16_t squaresWord(Square from, Square to) { return uint16_t(to | from << 6); }

}  // namespace

uint64_t polyglotKey(const Board& board) {
  uint64_t key = 0;
  for (Square s = 0; s < 64; ++s)
    if (const PieceCode piece = board.squares[s]) key ^= PolyglotRandom[64 * pieceKind(piece) + s];

  // The board's bits are K = 1, k = 2, Q = 4, q = 8; the format's keys come
  // in the order K, Q, k, q.
  constexpr uint8_t RightsInKeyOrder[4] = {CastleWhiteKing, CastleWhiteQueen, CastleBlackKing,
                                           CastleBlackQueen};
  for (int i = 0; i < 4; ++i)
    if (board.state.castling & RightsInKeyOrder[i]) key ^= PolyglotRandom[CastleKeys + i];

  // The board's en-passant square is the pawn that double-stepped; the
  // square it passed is where a capture would land.
  if (const Square pawn = board.state.epSquare) {
    const Colour us = board.sideToMove, them = us ^ 1;
    const Square passed = pawn - Forward[them];
    if (passed >= 0 && passed < 64 && (PawnAttacks[them][passed] & board.pieces(us, Pawn)))
      key ^= PolyglotRandom[EnPassantKeys + fileOf(pawn)];
  }

  if (board.sideToMove == White) key ^= PolyglotRandom[WhiteToMoveKey];
  return key;
}

uint16_t polyglotMove(Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  if (isCastling(move)) {
    // The king's destination names the side; the word names that rook.
    const Square rook = makeSquare(to > from ? 7 : 0, rankOf(from));
    return squaresWord(from, rook);
  }
  const PieceType promotion = movePromotion(move);
  return uint16_t(squaresWord(from, to) | (promotion ? (promotion - 1) << 12 : 0));
}

Move moveFromPolyglot(Board& board, uint16_t word) {
  Move moves[MaxMoves];
  const Move* end = generateLegal(board, moves);
  for (const Move* m = moves; m < end; ++m) {
    if (polyglotMove(*m) == word) return *m;
    if (isCastling(*m) && squaresWord(moveFrom(*m), moveTo(*m)) == word) return *m;
  }
  return NoMove;
}

void polyglotMoveText(uint16_t word, char text[6]) {
  const int to = word & 63, from = word >> 6 & 63, promotion = word >> 12 & 7;
  text[0] = char('a' + (from & 7));
  text[1] = char('1' + (from >> 3));
  text[2] = char('a' + (to & 7));
  text[3] = char('1' + (to >> 3));
  text[4] = promotion >= 1 && promotion <= 4 ? "nbrq"[promotion - 1] : 0;
  text[5] = 0;
}

}  // namespace vireo
