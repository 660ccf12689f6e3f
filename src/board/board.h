#pragma once
// The position: bitboards per colour and piece type, a piece code per square,
// incremental Zobrist keys, the state that a move destroys, and the history
// of moves and keys since the position was set. Search, evaluation and move
// generation read the fields directly.

#include <cstdint>

#include "board/move.h"
#include "board/tables.h"
#include "board/types.h"

namespace vireo {

constexpr int HistorySize = 1024;

// The part of the board that a move destroys and unmake cannot recompute:
// saved by the caller before a move and handed back to unmakeMove.
struct BoardState {
  uint64_t pawnKey;       // XOR of the keys of all pawns
  Bitboard enemyAttacks;  // attacked by the side not to move, own king lifted
  Bitboard blockers[2];   // lone pieces between a king and an enemy slider
  uint16_t irreversiblePly;
  uint8_t castling;       // K = 1, k = 2, Q = 4, q = 8
  uint8_t epSquare;       // pawn that just double-stepped and can be taken; 0 = none
};

struct Board {
  Bitboard pieceBits[2][7];  // [colour][0] all pieces, [colour][type] by type
  int32_t kingSquare[2];
  uint32_t materialSignature[2];
  PieceCode squares[64];
  Bitboard occupied;
  uint64_t hashKey;
  BoardState state;
  Colour sideToMove;
  uint32_t ply;                    // moves made since the position was set
  Move moveHistory[HistorySize];   // [i] = move that led to ply i (0 = null move)
  uint64_t keyHistory[HistorySize];  // [i] = hashKey at ply i

  Bitboard pieces(Colour c) const { return pieceBits[c][0]; }
  Bitboard pieces(Colour c, PieceType t) const { return pieceBits[c][t]; }
  bool inCheck() const { return (state.enemyAttacks >> kingSquare[sideToMove]) & 1; }
  int fiftyMoveCount() const { return int(ply) - state.irreversiblePly; }
};

// Moves a game may hold before the engine refuses more: the search needs up
// to 128 further plies of history above the root.
constexpr uint32_t MaxGamePly = HistorySize - 128;

// Fields of materialSignature.
inline int phaseMaterial(uint32_t signature) { return signature & 0xFF; }
inline int pawnCount(uint32_t signature) { return (signature >> 8) & 15; }
inline int knightCount(uint32_t signature) { return (signature >> 12) & 15; }
inline int bishopCount(uint32_t signature) { return (signature >> 16) & 15; }
inline int rookCount(uint32_t signature) { return (signature >> 20) & 15; }
inline int queenCount(uint32_t signature) { return (signature >> 24) & 15; }
inline int pieceCount(uint32_t signature) { return (signature >> 28) & 15; }

void clearBoard(Board& board);
// Puts a piece on an empty square; refuses squares above 63 with a message.
void add(Board& board, Colour colour, PieceType type, Square square);
// Copies the position and the history up to the current ply.
void copyBoard(Board& destination, const Board& source);

void updateAttackInfo(Board& board);
// Squares attacked by the colour, with the other side's king lifted off.
Bitboard attacksOf(const Board& board, Colour colour);

// Recomputes every derived field from the squares and compares; returns an
// empty string when all agree, else a description of the first mismatch.
const char* checkBoard(const Board& board);

}  // namespace vireo
