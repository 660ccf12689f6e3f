// Knights, bishops, rooks and queens: square values, mobility over squares
// the enemy pawns do not control, threats, pawn play, rook files, and the
// attack on the enemy king.

#include <algorithm>

#include "board/bitops.h"
#include "board/magic.h"
#include "eval/base_tables.h"
#include "eval/terms.h"
#include "eval/weights.h"

namespace vireo {

namespace {

constexpr Bitboard WingAB = 0x0303030303030303ULL;
constexpr Bitboard WingGH = 0xC0C0C0C0C0C0C0C0ULL;
constexpr Bitboard InnerRanks = 0x00FFFFFFFFFFFF00ULL;  // ranks 2 to 7

template <Colour Us>
int evaluatePieces(Evaluator& evaluator) {
  constexpr Colour Them = Us ^ 1;
  const EvalTables& t = evalTables;
  const Board& board = *evaluator.board;
  const Bitboard* own = board.pieceBits[Us];
  const Bitboard* their = board.pieceBits[Them];
  const Bitboard occupied = board.occupied;
  const Bitboard enemies = their[0];
  const Square theirKing = board.kingSquare[Them];

  // Squares where a piece would be lost to a pawn. Enemy pawns pinned to
  // their king do not guard anything here.
  const Bitboard ownPawnAttacks = pawnAttackSet<Us>(own[Pawn]);
  const Bitboard theirPawnAttacks = pawnAttackSet<Them>(their[Pawn] & ~board.state.blockers[Them]);
  const Bitboard unsafe = theirPawnAttacks & ~ownPawnAttacks;
  const Bitboard zone = KingZones.zone[theirKing];
  const bool kingAttackOn = phaseMaterial(board.materialSignature[Us]) > 12;

  ScorePair acc = 0;
  int attackers = 0, weight = 0;

  // Pawn play: blocked by minor pieces, forks after a push, pieces hit by pawns.
  const Bitboard pawnFronts = pushForward<Us>(own[Pawn]);
  if (const Bitboard blockers = pawnFronts & (their[Knight] | their[Bishop] | their[King]))
    acc -= makeScore(8, 8) * sparseCount(blockers);
  if (const Bitboard forks = pawnAttackSet<Us>(pawnFronts & ~occupied) & enemies & ~their[Pawn])
    acc += makeScore(8, 0) * sparseCount(forks);
  const Bitboard hit = theirPawnAttacks & own[0] & ~own[Pawn];
  if (hit) acc -= moreThanOne(hit) ? makeScore(48, 48) : makeScore(16, 16);

  for (Bitboard knights = own[Knight]; knights;) {
    const Square q = popLowest(knights);
    const Bitboard attacks = KnightAttacks[q];
    acc += t.knightSquare[ownView(Us, q)];
    if (attacks & (their[Rook] | their[Queen])) acc += makeScore(16, 0);
    if (attacks & their[Bishop]) acc += makeScore(8, 0);
    const Bitboard safe = attacks & ~unsafe;
    if (kingAttackOn && (safe & zone)) {
      ++attackers;
      weight += 3 * sparseCount(safe & zone);
    }
    acc += t.knightMobility[popCount(safe & ~own[0] & ~their[Pawn])];
    if (safe & enemies) acc += makeScore(4, 24 * sparseCount(safe & enemies));
    if ((SquareBit[q] & InnerRanks) && (own[Pawn] & SquareBit[q + Forward[Us]]))
      acc += makeScore(8, 0);
  }

  if (own[Bishop]) {
    // The bishop looks through pieces that cannot stop it or are better for
    // it to hit behind: heavy enemy pieces, own knights and rooks, enemy
    // knights that could be chased away.
    const Bitboard see = occupied & ~(their[Queen] | their[Rook] | own[Knight] | own[Rook] |
                                      (their[Knight] & ~unsafe));
    const Bitboard allPawns = own[Pawn] | their[Pawn];
    const bool spread = (allPawns & WingAB) && (allPawns & WingGH);
    for (Bitboard bishops = own[Bishop]; bishops;) {
      const Square q = popLowest(bishops);
      const Bitboard attacks = bishopAttacks(q, see);
      acc += t.bishopSquare[ownView(Us, q)];
      if (attacks & (their[Rook] | their[Queen])) acc += makeScore(16, 0);
      const Bitboard safe = attacks & ~unsafe;
      if (kingAttackOn && (safe & zone)) {
        ++attackers;
        weight += 3 * sparseCount(safe & zone) + ((safe & their[Bishop]) ? 0 : 3);
      }
      acc += t.bishopMobility[popCount(safe & ~own[0] & ~their[Pawn])];
      const Bitboard targets = safe & ~own[0] & enemies;
      if (targets) acc += makeScore(4, 28 * sparseCount(targets));
      if (!spread) acc -= makeScore(0, 24);
      if ((SquareBit[q] & InnerRanks) && (own[Pawn] & SquareBit[q + Forward[Us]]))
        acc += makeScore(4, 4);
    }
  }

  if (own[Rook]) {
    const Bitboard see = occupied & ~(their[Queen] | own[Rook] | own[Queen] |
                                      ((their[Knight] | their[Bishop]) & ~unsafe));
    for (Bitboard rooks = own[Rook]; rooks;) {
      const Square q = popLowest(rooks);
      const Bitboard attacks = rookAttacks(q, see);
      if (attacks & their[Queen]) acc += makeScore(16, 16);
      const Bitboard safe = attacks & ~unsafe;
      if (kingAttackOn && (safe & zone)) {
        ++attackers;
        weight += 4 * sparseCount(safe & zone) + 1 + ((safe & their[Rook]) ? 0 : 4);
      }
      acc += t.rookMobility[popCount(safe & ~own[0])];
      const Bitboard targets = safe & ~own[0] & enemies;
      if (targets) acc += makeScore(0, 20 * sparseCount(targets));
      // Own pawns the enemy pawns can take count as gone; enemy pawns that
      // cannot advance safely still close the file.
      const Bitboard file = FileRankBits[q].first;
      if (!(own[Pawn] & file & ~unsafe) && !(their[Pawn] & file & unsafe)) {
        acc += makeScore(6, 8);
        if (!(their[Pawn] & file)) {
          acc += makeScore(12, 8);
          if (own[Rook] & file & ~SquareBit[q]) acc += makeScore(8, 4);
        }
      }
      if (relativeRank(Us, q) == 6 && relativeRank(Us, theirKing) == 7) acc += makeScore(8, 20);
    }
  }

  for (Bitboard queens = own[Queen]; queens;) {
    const Square q = popLowest(queens);
    const Bitboard diagonals = BishopLines[q], lines = RookLines[q];
    const Bitboard see = occupied & ~(own[Bishop] | own[Knight] | own[Rook] |
                                      ((their[Knight] | (their[Rook] & diagonals) |
                                        (their[Bishop] & lines)) & ~unsafe));
    const Bitboard attacks = bishopAttacks(q, see) | rookAttacks(q, see);
    const Bitboard safe = attacks & ~unsafe;
    if (kingAttackOn && (safe & zone)) {
      ++attackers;
      weight += 4 * sparseCount(safe & zone) + 4 + ((safe & (their[Rook] | their[Queen])) ? 0 : 4);
    }
    acc += t.queenMobility[popCount(safe & ~own[0])] + t.queenSquare[ownView(Us, q)];
    // Pieces that defend themselves along the queen's line are no threat to it.
    const Bitboard targets = safe & ~own[0] & enemies &
                             ~(their[Bishop] & diagonals) & ~(their[Rook] & lines);
    if (targets) acc += makeScore(0, 12 * sparseCount(targets));
    if (relativeRank(Us, q) == 6 && relativeRank(Us, theirKing) == 7) acc += makeScore(0, 12);
  }

  const int blended = blendPieces(acc, phaseMaterial(board.materialSignature[Them]));
  if (!kingAttackOn) return blended;

  int threatPawn = 0;
  if (const Bitboard pawnHits = ownPawnAttacks & zone) {
    ++attackers;
    threatPawn = moreThanOne(pawnHits) ? 4 : 2;
  }
  const int k = 4 * KingDanger[ownView(Them, theirKing)] - evaluator.kingShelter[Them] +
                2 * weight + threatPawn + 8 * attackers + (board.sideToMove == Us ? 4 : 0);
  const int64_t m = std::max(k / 4, 0);
  // The attack grows with the square of its strength and is not blended.
  const int kingAttack = int((5 * int64_t(evalWeights[KingAttack]) * m * m) >> 16);
  return blended + kingAttack;
}

}  // namespace

int evaluatePiecesWhite(Evaluator& evaluator) { return evaluatePieces<White>(evaluator); }
int evaluatePiecesBlack(Evaluator& evaluator) { return evaluatePieces<Black>(evaluator); }

}  // namespace vireo
