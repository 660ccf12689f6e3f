// The piece-dependent part of the passed-pawn value: blockade, support, the
// kings' distances, rooks behind the pawn and whether the next push is safe.

#include "board/bitops.h"
#include "eval/base_tables.h"
#include "eval/exchange.h"
#include "eval/terms.h"
#include "eval/weights.h"

namespace vireo {

namespace {

template <Colour Us>
void addPassedPawns(Evaluator& evaluator, int& opening, int& endgame) {
  constexpr Colour Them = Us ^ 1;
  constexpr int Push = Forward[Us];
  const Board& board = *evaluator.board;
  const Bitboard* own = board.pieceBits[Us];
  const Bitboard* their = board.pieceBits[Them];
  const Bitboard passed = evaluator.currentPawnEntry->passed & own[Pawn];
  if (!passed) return;

  // Passed pawns run best against knights and queens, which cannot both
  // block and hold a diagonal.
  const uint32_t them = board.materialSignature[Them];
  int base = (!bishopCount(them) && !rookCount(them)) ? 8 : 0;
  if (!knightCount(them) && !bishopCount(them)) base += 8;
  const bool helps = !bishopCount(them) && !queenCount(them) && pieceCount(them) != 0;
  const int w2 = evalWeights[PassedPawnsOpening], w3 = evalWeights[PassedPawnsEndgame];

  for (Bitboard pawns = passed; pawns;) {
    const Square s = popLowest(pawns);
    const Square stop = s + Push;
    const int rank = relativeRank(Us, s);
    const bool protecting = PawnAttacks[Us][s] & passed;
    const bool sideBySide = KingAttacks[s] & FileRankBits[s].second & passed;

    int b = base;
    if (protecting) b += helps ? 24 : 16;
    if (sideBySide) {
      b += helps ? 32 : 24;
    } else if (const PieceCode blocker = board.squares[stop]) {
      if (colourOf(blocker) == Us)
        b -= 2;
      else
        b -= (protecting && typeOf(blocker) == Bishop) ? 8 : 4;
    } else {
      Move push = encodeMove(s, stop);
      if (rankOf(stop) == 0 || rankOf(stop) == 7) push = withPromotion(push, Queen);
      if (seeMove(board, push) >= 0) b += 8;
    }

    const bool free = !(FrontSpan[Us][s] & their[0]);
    const int bb = free ? b + 8 : b;
    opening += (PassedOpeningFactor[rank] * w2 * bb) >> 16;

    // The square beyond the stop square lies off the board for a pawn on its
    // seventh rank; the distance is then taken to that virtual square.
    int v = bb + 16 * (kingDistance(board.kingSquare[Them], stop) - 2) +
            12 * (4 - kingDistance(board.kingSquare[Us], stop + Push));
    const Bitboard rear = FrontSpan[Them][s];
    if (rear & their[Rook]) v -= 8;
    if (rear & (own[Rook] | own[Queen])) v += 8;
    if (own[Queen]) v += 8;
    if (FrontSpan[Us][s] & own[Rook]) v += (protecting || sideBySide) ? 8 : -8;
    endgame += (PassedEndgameFactor[rank] * w3 * v) >> 16;
  }
}

}  // namespace

void evaluatePassedPawns(Evaluator& evaluator, Colour colour, int& opening, int& endgame) {
  if (colour == White)
    addPassedPawns<White>(evaluator, opening, endgame);
  else
    addPassedPawns<Black>(evaluator, opening, endgame);
}

}  // namespace vireo
