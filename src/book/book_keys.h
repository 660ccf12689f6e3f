#pragma once
// Position keys of the opening book. The book has its own key scheme,
// independent of the search's Zobrist keys: a book file can only be read with
// the key table it was built with, so the engine and the book builder share
// this one.

#include <cstdint>

namespace vireo {

constexpr int BookKeyCount = 1024;

// Index = piece code * 128 + rank * 16 + colour * 8 + file, rank and file
// from 0, white 0. The book's piece codes differ from the board's: pawn 1,
// knight 2, king 3, bishop 5, rook 6, queen 7. Entries 0..7 (code 0) are the
// en-passant keys of files a..h.
extern const uint64_t BookKeys[BookKeyCount];

constexpr int bookKeyIndex(int pieceCode, int rank, int colour, int file) {
  return pieceCode * 128 + rank * 16 + colour * 8 + file;
}

// Castling rights K, Q, k, q.
constexpr uint64_t BookCastleKeys[4] = {0xD624CBF347C43773ULL, 0xC18B71230A5F8F47ULL,
                                        0x2C351EDFF4377AC4ULL, 0xE07CCF52555B5932ULL};

// The book key of a FEN text, the side to move and the position's ply
// (2 * (full-move number - 1), plus 1 with Black to move; -2 plus that when
// the text has no full-move number). False, with the reason on standard
// error, when the placement field runs off the board.
bool bookKey(const char* fenText, uint64_t& key, bool& blackToMove, int& ply);

}  // namespace vireo
