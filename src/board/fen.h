#pragma once
// Positions in and out as FEN text, and the console pictures of a board and of
// a single bitboard.

#include <cstdio>
#include <string>

#include "board/board.h"

namespace vireo {

// The start position as the engine writes it: empty ranks as bare separators.
constexpr const char* StartFen = "rnbqkbnr/pppppppp/////PPPPPPPP/RNBQKBNR w KQkq - -";

// Sets the board from FEN text. Returns false and prints the reason to
// standard error (and, when asked, into `reason`) when the text is refused;
// the board must then be set again. Warnings that do not refuse the text
// are printed too.
// The half-move clock counts toward the fifty-move rule; the move number is
// read over, and the game's plies count from here.
// With `chess960` (which the board then keeps as its chess960 flag) the
// castling field may name rooks by file (Shredder-FEN) or, as X-FEN does,
// K and Q the outermost rook on a side; without it only KQkq with kings on
// e and rooks in the corners.
bool setFen(Board& board, const char* text, std::string* reason = nullptr, bool chess960 = false);
// Under the board's chess960 flag the castling field names the rooks' files
// (Shredder-FEN, HAha for the standard start); otherwise it is KQkq.
std::string toFen(const Board& board);

void printBoard(const Board& board, FILE* stream = stdout, bool hexCodes = false);
void printBitboard(Bitboard bitboard, const char* label);

}  // namespace vireo
