// Pawn structure, scored once per pawn skeleton and kept in the pawn hash.

#include <algorithm>
#include <bit>

#include "board/bitops.h"
#include "eval/terms.h"
#include "eval/weights.h"

namespace vireo {

int shelterFigure(Colour us, Bitboard ownPawns, Bitboard enemyPawns, Square kingSquare,
                  int lowFile) {
  const Colour them = us ^ 1;
  int figure = -16;

  // Enemy pawns advancing on the king's files, worst on its third and fourth
  // rank; one held up by a pawn of ours hurts less.
  static constexpr int StormPenalty[8] = {0, 1, 2, 2, 1, 0, 0, 0};
  const Bitboard stormRanks = us == White ? 0x000000FFFFFFFF00ULL : 0x00FFFFFFFF000000ULL;
  for (Bitboard storm = enemyPawns & PassedSpan[us][kingSquare] & stormRanks; storm;) {
    const Square s = popLowest(storm);
    figure -= StormPenalty[relativeRank(us, s)];
    if (!(PawnAttacks[them][s] & ownPawns) && (ownPawns & SquareBit[s + Forward[them]]))
      figure += 1;
  }

  // Our own pawns in front of the king, second to fifth rank: only the
  // nearest one per file counts.
  static constexpr int LowShield[8] = {0, 3, 2, 1, 0, 0, 0, 0};
  static constexpr int HighShield[8] = {0, 6, 5, 3, 2, 0, 0, 0};
  const Bitboard shieldRanks = us == White ? 0x000000FFFFFFFF00ULL : 0x00FFFFFFFF000000ULL;
  const int kingFile = fileOf(kingSquare);
  for (int file = std::max(kingFile - 1, 0); file <= std::min(kingFile + 1, 7); ++file) {
    const Bitboard shield = ownPawns & fileBits(file) & shieldRanks;
    if (!shield) continue;
    const Square nearest = us == White ? lowestSquare(shield) : 63 - std::countl_zero(shield);
    figure += (file == lowFile ? LowShield : HighShield)[relativeRank(us, nearest)];
  }
  return figure;
}

namespace {

template <Colour Us>
void scorePawns(const Board& board, PawnSide& out, Bitboard& passed) {
  constexpr Colour Them = Us ^ 1;
  const EvalTables& t = evalTables;
  const Bitboard own = board.pieceBits[Us][Pawn];
  const Bitboard enemy = board.pieceBits[Them][Pawn];
  ScorePair acc = 0;
  out.candidate = 0;

  for (Bitboard pawns = own; pawns;) {
    const Square s = popLowest(pawns);
    const int view = ownView(Us, s);
    const Bitboard front = FrontSpan[Us][s];
    const Bitboard rear = FrontSpan[Them][s];
    const Bitboard ahead = PassedSpan[Us][s];
    const Bitboard neighbours = KingAttacks[s] & FileRankBits[s].second;
    const Bitboard defenders = PawnAttacks[Them][s];

    acc += t.pawnSquare[view];
    if (own & neighbours) acc += makeScore(2, 0);

    // The front pawn of a doubled group carries the penalty, twice when it is
    // also blocked and cannot be undoubled by a capture.
    if (own & rear) {
      acc -= makeScore(16, 32);
      if (own & (neighbours | defenders))
        acc += makeScore(8, 20);
      else if (!(enemy & ahead & AdjacentFiles[s]) && (enemy & front))
        acc -= makeScore(16, 32);
    }

    const Bitboard stoppers = ahead & enemy;
    if (stoppers) {
      // A single stopper on a neighbouring file that a pawn of ours can
      // challenge: this pawn can become passed.
      if (!moreThanOne(stoppers) && !(stoppers & front) &&
          (own & KingAttacks[s] & AdjacentFiles[s])) {
        out.candidate = 1;
        const int rank = relativeRank(Us, s);
        if (rank >= 3 && rank <= 6) acc += t.candidatePawn[view];
      }
    } else if (!(own & front)) {
      acc += t.passedPawn[view];
      passed |= SquareBit[s];
    }

    if (!(own & defenders)) {
      const bool open = !(enemy & front);
      if (!(own & AdjacentFiles[s]))
        acc += open ? t.isolatedPawn[view] : -makeScore(2, 16);
      else if (open)
        acc += t.unsupportedPawn[view];
    }
  }

  out.opening = int16_t((openingOf(acc) * evalWeights[PawnStructureOpening]) >> 10);
  out.endgame = int16_t((endgameOf(acc) * evalWeights[PawnStructureEndgame]) >> 10);

  // Shelter for a king on b1, e1 and g1 (b8, e8, g8), low shield file c, d, f.
  const Square back = Us == White ? A1 : A8;
  out.shelter[0] = int8_t(shelterFigure(Us, own, enemy, back + 1, 2));
  out.shelter[1] = int8_t(shelterFigure(Us, own, enemy, back + 4, 3));
  out.shelter[2] = int8_t(shelterFigure(Us, own, enemy, back + 6, 5));
}

}  // namespace

PawnEntry* evaluatePawns(Evaluator& evaluator) {
  const Board& board = *evaluator.board;
  PawnHash& hash = evaluator.pawnHash;
  const uint64_t key = board.state.pawnKey;
  PawnEntry* entry = hash.entryFor(key);
  evaluator.currentPawnEntry = entry;
  if (entry->key == key) {
    ++hash.hits;
    return entry;
  }
  entry->key = key;
  ++hash.misses;
  entry->passed = 0;
  scorePawns<White>(board, entry->side[White], entry->passed);
  scorePawns<Black>(board, entry->side[Black], entry->passed);
  return entry;
}

}  // namespace vireo
