#pragma once
// Tactical queries on the current board without making moves: the static
// exchange of captures on one square, and a search for a mate in one.

#include "board/board.h"
#include "eval/evaluator.h"

namespace vireo {

// Exchange units by piece type: pawn 1, knight 3, bishop 3, rook 4, queen 8, king 100.
inline constexpr int ExchangeValue[8] = {0, 1, 3, 3, 4, 8, 100, 0};
// What a promotion adds.
constexpr int PromotionGain = 7;

struct ExchangeState {
  Bitboard available;  // men of both colours that may still capture
  Bitboard shadows;    // pinned men: they cannot capture but still block lines
  const Board* board;
  Square square;       // where the exchange takes place
};

// Fail-soft negamax over the captures on state.square, the side to capture
// free to stop at any time: the best gain for `side`, never below `gain`.
// `value` is the worth of the man standing on the square. Removes every man
// that captures from state.available.
int staticExchange(ExchangeState& state, Colour side, int gain, int value, int alpha, int beta);

// The exchange value of a move from the mover's view, for a move about to be
// made or just made. The sign is exact; a result of 0 or more may be a lower
// bound and a negative one an upper bound.
int seeMove(const Board& board, Move move);

// What the owner of the man on `square` stands to lose there: 0 or negative.
int seeSquare(const Board& board, Square square);

// A move by the opponent of `x` that checkmates x at once (as if that
// opponent were to move), or 0. Never reports a move that does not mate.
Move findMateThreat(Evaluator& evaluator, Colour x);

}  // namespace vireo
