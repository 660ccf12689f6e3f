#pragma once
// The text pieces of the search reports.

#include <string>

#include "board/board.h"
#include "board/move.h"

namespace vireo {

// Coordinate text of a move, "0000" for none; a promotion adds the piece's
// lower-case letter (e7e8q).
std::string moveToUci(Move move);
// The same, with castling as king takes own rook (e1h1) when the board plays
// Chess960; any board of the game will do, as its castling rooks never move
// before they castle.
std::string moveToUci(const Board& board, Move move);

// " score cp N" or " score mate N" (N in moves, negative when mated, 0 when
// the side to move is mated already), then
// " upperbound" or " lowerbound" unless the bound is exact.
void appendScore(std::string& line, int score, int bound);

}  // namespace vireo
