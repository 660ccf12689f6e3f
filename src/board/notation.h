#pragma once
// Move text in: one tolerant parser for coordinate moves from a GUI and SAN
// or coordinates typed at the console. Move text out: SAN.

#include "board/board.h"

namespace vireo {

// The unique legal move the text describes, or 0 (none, refused or
// ambiguous; ambiguity and illegal characters are reported on standard
// error). Refreshes the attack information but leaves the position alone.
Move parseMove(Board& board, const char* text);

// SAN of a legal move of the current position, before it is made; no check
// or mate sign. Returns the end of the text.
char* moveToSan(Board& board, char* buffer, Move move);

}  // namespace vireo
