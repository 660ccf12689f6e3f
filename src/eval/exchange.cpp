// Static exchange evaluation.

#include "eval/exchange.h"

#include <algorithm>

#include "board/bitops.h"
#include "board/magic.h"
#include "board/movegen.h"
#include "eval/score.h"

namespace vireo {

namespace {

constexpr Bitboard BackRanks = Rank1Bits | Rank8Bits;

// Of several attackers of one kind, the one nearest the side's own first
// rank, then nearest the a-file, goes first: the same man for a position and
// its mirror image, so that their exchanges agree.
inline Square firstAttacker(Colour side, Bitboard attackers) {
  return side == White ? lowestSquare(attackers)
                       : lowestSquare(__builtin_bswap64(attackers)) ^ 56;
}

// The rank on which the colour's pawns promote.
constexpr Bitboard promotionRank(Colour c) { return c == White ? Rank8Bits : Rank1Bits; }

}  // namespace

int staticExchange(ExchangeState& state, Colour side, int gain, int value, int alpha, int beta) {
  const Board& board = *state.board;
  const Square square = state.square;
  const Bitboard target = SquareBit[square];
  // A pawn taking on its last rank promotes; the best this side can reach
  // includes that.
  const int promotion = (promotionRank(side) & target) ? PromotionGain : 0;
  if (gain + value + promotion < alpha) return gain + value + promotion;

  // Least valuable attacker first; sliders are found over the shrinking
  // occupancy, so that x-rays appear as the men in front leave.
  const Bitboard* own = board.pieceBits[side];
  const Bitboard available = state.available;
  const Bitboard occupancy = available | state.shadows;
  Bitboard from;
  int attackerValue;
  int captureGain = value;
  if ((from = PawnAttacks[side ^ 1][square] & own[Pawn] & available)) {
    attackerValue = ExchangeValue[Pawn];
    if (promotion) {
      captureGain += promotion;
      attackerValue += promotion;  // it stands there as a queen
    }
  } else if ((from = KnightAttacks[square] & own[Knight] & available)) {
    attackerValue = ExchangeValue[Knight];
  } else if ((from = bishopAttacks(square, occupancy) & own[Bishop] & available)) {
    attackerValue = ExchangeValue[Bishop];
  } else if ((from = rookAttacks(square, occupancy) & own[Rook] & available)) {
    attackerValue = ExchangeValue[Rook];
  } else if ((from = bishopAttacks(square, occupancy) & own[Queen] & available) ||
             (from = rookAttacks(square, occupancy) & own[Queen] & available)) {
    attackerValue = ExchangeValue[Queen];
  } else if ((from = KingAttacks[square] & own[King] & available) &&
             !(KingAttacks[square] & board.pieceBits[side ^ 1][King])) {
    attackerValue = ExchangeValue[King];
  } else {
    return gain;
  }

  const int otherGain = -(gain + captureGain);
  state.available ^= SquareBit[firstAttacker(side, from)];
  if (otherGain + attackerValue < -beta) return std::max(gain, -(otherGain + attackerValue));
  const int reply = -staticExchange(state, side ^ 1, otherGain, attackerValue, -beta, -alpha);
  return std::max(gain, reply);
}

int seeMove(const Board& board, Move move) {
  const Square to = moveTo(move), from = moveFrom(move);
  const Bitboard toBit = SquareBit[to], fromBit = SquareBit[from];
  // After the move the mover stands on its destination.
  const PieceCode piece = board.squares[from] ? board.squares[from] : board.squares[to];
  const PieceType capturedType = typeOf(moveCaptured(move));
  // A promotion already made shows the new piece; the mover was a pawn.
  const bool promotes =
      movePromotion(move) != NoPiece || (typeOf(piece) == Pawn && (toBit & BackRanks));
  int captured = ExchangeValue[capturedType];
  int mover = promotes ? ExchangeValue[Pawn] : ExchangeValue[typeOf(piece)];
  if (mover < captured) return captured - mover;
  if (promotes) {
    captured += PromotionGain;
    mover += PromotionGain;
  }

  const Colour us = colourOf(piece), them = us ^ 1;
  if (us == board.sideToMove && !(board.state.enemyAttacks & (toBit | fromBit))) return captured;

  // Pins: men of the other side pinned to their king do not recapture,
  // unless they stand on the line between the square and that king.
  Bitboard occupancy = board.occupied & ~fromBit;
  Bitboard pinned = board.state.blockers[them];
  const Square theirKing = board.kingSquare[them];
  // A move already on the board no longer shows among the blockers; its
  // discovered check shows as a checker other than the mover.
  const bool discovered =
      !board.squares[from] && them == board.sideToMove && board.inCheck() &&
      (attackersOf(board, theirKing, us, board.occupied) & ~toBit);
  if ((pinned & fromBit) || discovered) {
    // The move uncovers a check: only the king may answer.
    occupancy &= ~(board.pieceBits[them][0] & ~board.pieceBits[them][King]);
  } else {
    // The move may also create pins by leaving a line to their king.
    auto addPins = [&](Bitboard lines, Bitboard sliders) {
      if (!(lines & fromBit) || (lines & toBit)) return;
      for (Bitboard s = sliders & lines; s;) {
        const Bitboard between = BetweenBits[popLowest(s)][theirKing] & occupancy;
        if (between && !moreThanOne(between)) pinned |= between;
      }
    };
    const Bitboard* own = board.pieceBits[us];
    addPins(BishopLines[theirKing], own[Bishop] | own[Queen]);
    addPins(RookLines[theirKing], own[Rook] | own[Queen]);
  }
  const Bitboard shadows = pinned & board.pieceBits[them][0] & ~BetweenBits[to][theirKing];

  // Taking a pawn one step from promotion also takes away its promotion.
  if (capturedType == Pawn && relativeRank(them, to) == 6) captured += PromotionGain;
  if (mover < captured) return captured - mover;

  // The other side now starts the exchange by taking the mover. Searched
  // with the narrowest window that still gives the exact sign.
  ExchangeState state{occupancy & ~shadows, shadows, &board, to};
  return -staticExchange(state, them, -captured, mover, 0, 1);
}

int seeSquare(const Board& board, Square square) {
  const PieceCode piece = board.squares[square];
  const int value = ExchangeValue[typeOf(piece)];
  const Colour them = colourOf(piece) ^ 1;
  const Bitboard blockers = board.state.blockers[them];
  // Pinned men of the capturing side stay out, except those on the line
  // between the square and their king: they may take their pinner.
  const Bitboard pinned =
      blockers & board.pieceBits[them][0] & ~BetweenBits[square][board.kingSquare[them]];
  ExchangeState state{board.occupied & ~pinned, blockers, &board, square};
  return -staticExchange(state, them, 0, value, 0, value);
}

}  // namespace vireo
