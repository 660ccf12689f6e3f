#pragma once
// The position: bitboards per colour and piece type, a piece code per square,
// incremental Zobrist keys, the state that a move destroys, and the history
// of moves and keys since the position was set (in a long game, of its latest
// plies only). Search, evaluation and move generation read the fields
// directly.

#include <cstdint>

#include "board/castling.h"
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
  // Ply of the last capture, pawn move or null move, so that ply minus it is
  // the fifty-move count. Negative when that count reaches back before
  // history entry 0 (a FEN's half-move clock, or a long game's dropped
  // plies); repetition scans stop at entry 0.
  int16_t irreversiblePly;
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
  uint32_t ply;                    // moves in the history, made since the position was set
  uint32_t droppedPlies;           // moves made before history entry 0
  // Where the castling rights move king and rook; setFen sets them from the
  // position, and they stay for the game, as rights can only be lost.
  CastlingRules castlingRules;
  // The rule set's text forms: Chess960 FEN castling fields and castling
  // written as king takes own rook. The castling itself follows
  // `castlingRules` under both. Set by setFen, for the UCI_Chess960 option.
  bool chess960;
  Move moveHistory[HistorySize];   // [i] = move that led to ply i (0 = null move)
  uint64_t keyHistory[HistorySize];  // [i] = hashKey at ply i

  Bitboard pieces(Colour c) const { return pieceBits[c][0]; }
  Bitboard pieces(Colour c, PieceType t) const { return pieceBits[c][t]; }
  bool inCheck() const { return (state.enemyAttacks >> kingSquare[sideToMove]) & 1; }
  int fiftyMoveCount() const { return int(ply) - state.irreversiblePly; }
  // Plies made since the position was set, including those the history no
  // longer holds.
  uint32_t gamePly() const { return droppedPlies + ply; }
};

// Plies a game may fill the history with before its oldest plies are
// dropped (makeHistoryRoom): the search needs up to 128 further plies above
// the root.
constexpr uint32_t MaxGamePly = HistorySize - 128;

// A FEN's half-move clock, and the count a long game keeps when it drops
// its oldest plies, are held at this: the game is long drawn by then, and
// the reference ply has 16 bits.
constexpr int MaxFiftyMoveCount = 9999;

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
