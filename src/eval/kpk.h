#pragma once
// Exact knowledge of king and pawn against king, computed once at start-up by
// retrograde analysis into a table of 196,608 bits. The pawn endings of the
// evaluation ask it whether a king escorts its pawn home.

#include "board/types.h"

namespace vireo {

// Builds the table on the first call; later calls return at once.
void initKpk();

// Whether the side `strong`, with king strongKing and a pawn on `pawn`, wins
// against a bare king on weakKing with `toMove` to move. Squares are the real
// ones, for either colour.
bool kpkWins(Colour strong, Square strongKing, Square pawn, Square weakKing, Colour toMove);

}  // namespace vireo
