#pragma once
// Basic chess types shared by every subsystem: squares, sets of squares,
// colours, piece types and piece codes.

#include <cstdint>

namespace vireo {

using Square = int;         // 0..63, a1 = 0, h1 = 7, a8 = 56, h8 = 63
using Bitboard = uint64_t;  // bit n = square n
using Colour = int;         // White = 0, Black = 1
using PieceType = int;      // None = 0, Pawn = 1 .. King = 6

constexpr Colour White = 0;
constexpr Colour Black = 1;

constexpr PieceType NoPiece = 0;
constexpr PieceType Pawn = 1;
constexpr PieceType Knight = 2;
constexpr PieceType Bishop = 3;
constexpr PieceType Rook = 4;
constexpr PieceType Queen = 5;
constexpr PieceType King = 6;

// A square's content: (8 << colour) | type, so white pieces are 9..14, black
// pieces 17..22 and an empty square is 0.
using PieceCode = uint8_t;
// Coarse piece values by type, for ordering moves: none, pawn, knight,
// bishop, rook, queen, king.
constexpr int CoarseValue[8] = {0, 1, 3, 3, 5, 10, 99, 0};

constexpr PieceCode pieceCode(Colour c, PieceType t) { return PieceCode((8 << c) | t); }
constexpr PieceType typeOf(PieceCode p) { return p & 7; }
constexpr Colour colourOf(PieceCode p) { return (p & 16) ? Black : White; }

constexpr int fileOf(Square s) { return s & 7; }
constexpr int rankOf(Square s) { return s >> 3; }
constexpr Square makeSquare(int file, int rank) { return rank * 8 + file; }

// Square names used in code and tests.
enum : Square {
  A1, B1, C1, D1, E1, F1, G1, H1,
  A2, B2, C2, D2, E2, F2, G2, H2,
  A3, B3, C3, D3, E3, F3, G3, H3,
  A4, B4, C4, D4, E4, F4, G4, H4,
  A5, B5, C5, D5, E5, F5, G5, H5,
  A6, B6, C6, D6, E6, F6, G6, H6,
  A7, B7, C7, D7, E7, F7, G7, H7,
  A8, B8, C8, D8, E8, F8, G8, H8,
};

// Forward step of a pawn by colour.
constexpr int Forward[2] = {8, -8};

// Castling rights bits.
constexpr uint8_t CastleWhiteKing = 1;
constexpr uint8_t CastleBlackKing = 2;
constexpr uint8_t CastleWhiteQueen = 4;
constexpr uint8_t CastleBlackQueen = 8;

// Piece letters by type: index 0 is a blank.
constexpr const char* PieceLettersUpper = " PNBRQK";
constexpr const char* PieceLettersLower = " pnbrqk";
constexpr const char* MoveLetters = "  NBRQK";  // blank for none and pawn

constexpr Bitboard FileABits = 0x0101010101010101ULL;
constexpr Bitboard FileHBits = FileABits << 7;
constexpr Bitboard Rank1Bits = 0xFFULL;
constexpr Bitboard Rank8Bits = Rank1Bits << 56;
constexpr Bitboard NotFileA = ~FileABits;
constexpr Bitboard NotFileH = ~FileHBits;
constexpr Bitboard NotFileAB = 0xFCFCFCFCFCFCFCFCULL;
constexpr Bitboard NotFileGH = 0x3F3F3F3F3F3F3F3FULL;

constexpr Bitboard rankBits(int rank) { return Rank1Bits << (8 * rank); }
constexpr Bitboard fileBits(int file) { return FileABits << file; }

}  // namespace vireo
