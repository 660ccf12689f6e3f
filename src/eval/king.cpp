// The king term: activity toward enemy pawns in the endgame, pawn shelter and
// castling prospects in the middlegame.

#include <algorithm>

#include "board/bitops.h"
#include "eval/base_tables.h"
#include "eval/terms.h"

namespace vireo {

namespace {

// Which of the three stored shelter figures a king on each file uses; the
// d-file has none and is computed when needed.
constexpr int ShelterGroup[8] = {0, 0, 0, -1, 1, 2, 2, 2};

template <Colour Us>
int kingActivity(const Board& board, int opponentPhase) {
  constexpr Colour Them = Us ^ 1;
  const Square king = board.kingSquare[Us];
  const Bitboard targets = board.pieceBits[Them][Pawn];
  const Bitboard forbidden = KingAttacks[board.kingSquare[Them]] | board.pieceBits[Us][Pawn] |
                             pawnAttackSet<Them>(targets);
  // Six growing reaches: a pawn k king steps away is counted 6 - k times.
  // The targets found change seldom; count them only when they do.
  Bitboard reach = (KingAttacks[king] | SquareBit[king]) & ~forbidden;
  Bitboard found = reach & targets;
  int count = found ? sparseCount(found) : 0;
  int total = count;
  for (int step = 0; step < 5; ++step) {
    reach = kingGrowth(reach) & ~forbidden;
    if ((reach & targets) != found) {
      found = reach & targets;
      count = sparseCount(found);
    }
    total += count;
  }
  return (KingActivity[ownView(Us, king)] / 2 + 4 * total) * KingActivityScale[opponentPhase] / 32;
}

template <Colour Us>
int kingSafety(Evaluator& evaluator, int opponentPhase) {
  constexpr Colour Them = Us ^ 1;
  const Board& board = *evaluator.board;
  const int x = opponentPhase - 8 + 8 * queenCount(board.materialSignature[Them]);
  if (x < 10) return 0;

  const Square king = board.kingSquare[Us];
  const Bitboard bishops = board.pieceBits[Us][Bishop];
  const Bitboard occupied = board.occupied;
  const PawnSide& pawns = evaluator.currentPawnEntry->side[Us];
  const Square centre = kingZoneCentre(king);
  const int group = ShelterGroup[fileOf(king)];
  int current = group >= 0 ? pawns.shelter[group]
                           : shelterFigure(Us, board.pieceBits[Us][Pawn], board.pieceBits[Them][Pawn],
                                           Us == White ? D1 : D8, 4);
  if (bishops & SquareBit[centre]) current += 1;
  current -= KingDanger[ownView(Us, king)];

  // Castling still allowed: the shelter on the wing the king can reach,
  // less the pieces still in the way.
  auto blocked = [&](int offset, int cost) {
    const Square s = king + offset;
    return s >= 0 && s < 64 && (occupied & SquareBit[s]) ? cost : 0;
  };
  auto bishopOn = [&](int offset) {
    const Square s = centre + offset;
    return s >= 0 && s < 64 && (bishops & SquareBit[s]) ? 1 : 0;
  };
  const uint8_t castling = board.state.castling;
  int queenSide = current, kingSide = current;
  if (castling & (Us == White ? CastleWhiteQueen : CastleBlackQueen)) {
    const int alt = pawns.shelter[0] - (blocked(-1, 1) ? 4 : 2) - blocked(-2, 2) -
                    blocked(-3, 2) + bishopOn(-3);
    queenSide = std::max(current, alt);
  }
  if (castling & (Us == White ? CastleWhiteKing : CastleBlackKing)) {
    const int alt = pawns.shelter[2] - (blocked(1, 1) ? 4 : 2) - blocked(2, 2) + bishopOn(2);
    kingSide = std::max(current, alt);
  }
  evaluator.kingShelter[Us] = current;
  return x * 5 * (queenSide + kingSide) / 32;
}

template <Colour Us>
int kingTerm(Evaluator& evaluator) {
  const Board& board = *evaluator.board;
  evaluator.kingShelter[Us] = 0;
  const int opponentPhase = phaseMaterial(board.materialSignature[Us ^ 1]);
  return opponentPhase < 16 ? kingActivity<Us>(board, opponentPhase)
                            : kingSafety<Us>(evaluator, opponentPhase);
}

}  // namespace

int evaluateKing(Evaluator& evaluator, Colour colour) {
  return colour == White ? kingTerm<White>(evaluator) : kingTerm<Black>(evaluator);
}

}  // namespace vireo
