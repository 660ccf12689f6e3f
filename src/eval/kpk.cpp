#include "eval/kpk.h"

#include <cstdint>
#include <vector>

#include "board/bitops.h"
#include "board/magic.h"
#include "board/tables.h"

namespace vireo {

namespace {

// Positions are normalised to a White pawn on files a-d, ranks 2-7.
constexpr int PawnSlots = 24;
constexpr int TableSize = PawnSlots * 64 * 64 * 2;

uint64_t winBits[TableSize / 64];
bool built = false;

int pawnSlot(Square pawn) { return (rankOf(pawn) - 1) * 4 + fileOf(pawn); }

// strongToMove: 0 when the pawn's side moves, 1 when the bare king moves.
int indexOf(Square strongKing, Square pawn, Square weakKing, int weakToMove) {
  return ((pawnSlot(pawn) * 64 + strongKing) * 64 + weakKing) * 2 + weakToMove;
}

enum Verdict : uint8_t { Unknown, Invalid, Draw, Win };

// The bare king's moves: not next to the other king, not onto a square the
// pawn attacks. Taking the pawn is one of them when the pawn is undefended.
Bitboard weakKingMoves(Square strongKing, Square pawn, Square weakKing) {
  return KingAttacks[weakKing] & ~KingAttacks[strongKing] & ~PawnAttacks[White][pawn];
}

// After promoting on `square` with the bare king to move: the new piece cannot
// be taken and the king is not stalemated. King and queen, or king and rook,
// against a bare king always win from there.
bool promotionWins(Square strongKing, Square square, Square weakKing, PieceType piece) {
  const bool defended = (KingAttacks[strongKing] >> square) & 1;
  if (((KingAttacks[weakKing] >> square) & 1) && !defended) return false;
  // The bare king is not part of the occupancy: the squares behind it on the
  // new piece's lines are guarded too.
  const Bitboard occupancy = SquareBit[strongKing] | SquareBit[square];
  const Bitboard guarded = KingAttacks[strongKing] | (piece == Queen
                                                          ? queenAttacks(square, occupancy)
                                                          : rookAttacks(square, occupancy));
  if ((guarded >> weakKing) & 1) return true;
  return (KingAttacks[weakKing] & ~guarded) != 0;
}

Verdict initialVerdict(Square strongKing, Square pawn, Square weakKing, int weakToMove) {
  if (strongKing == weakKing || strongKing == pawn || weakKing == pawn) return Invalid;
  if (KingAttacks[strongKing] & SquareBit[weakKing]) return Invalid;
  const bool pawnChecks = PawnAttacks[White][pawn] & SquareBit[weakKing];
  if (!weakToMove) {
    if (pawnChecks) return Invalid;  // the side not to move would be in check
    const Square promotion = pawn + 8;
    if (rankOf(pawn) == 6 && promotion != strongKing && promotion != weakKing &&
        (promotionWins(strongKing, promotion, weakKing, Queen) ||
         promotionWins(strongKing, promotion, weakKing, Rook)))
      return Win;
    return Unknown;
  }
  const Bitboard moves = weakKingMoves(strongKing, pawn, weakKing);
  if (!moves) return pawnChecks ? Win : Draw;
  if (moves & SquareBit[pawn]) return Draw;
  return Unknown;
}

}  // namespace

void initKpk() {
  if (built) return;
  std::vector<uint8_t> verdict(TableSize);
  for (int slot = 0; slot < PawnSlots; ++slot) {
    const Square pawn = makeSquare(slot & 3, slot / 4 + 1);
    for (Square sk = 0; sk < 64; ++sk)
      for (Square wk = 0; wk < 64; ++wk)
        for (int weakToMove = 0; weakToMove < 2; ++weakToMove)
          verdict[indexOf(sk, pawn, wk, weakToMove)] =
              initialVerdict(sk, pawn, wk, weakToMove);
  }

  // A position is won when the pawn's side has a move into a won position,
  // or every move of the bare king leads into one. Repeat until nothing
  // changes; whatever is left undecided cannot be forced and is a draw.
  for (bool changed = true; changed;) {
    changed = false;
    for (int slot = 0; slot < PawnSlots; ++slot) {
      const Square pawn = makeSquare(slot & 3, slot / 4 + 1);
      for (Square sk = 0; sk < 64; ++sk) {
        for (Square wk = 0; wk < 64; ++wk) {
          const int strongIndex = indexOf(sk, pawn, wk, 0);
          if (verdict[strongIndex] == Unknown) {
            bool win = false;
            Bitboard moves = KingAttacks[sk] & ~KingAttacks[wk] & ~SquareBit[pawn];
            while (moves && !win) win = verdict[indexOf(popLowest(moves), pawn, wk, 1)] == Win;
            const Square step = pawn + 8;
            // Promotions were settled when the verdicts were set up.
            if (!win && rankOf(pawn) < 6 && step != sk && step != wk) {
              win = verdict[indexOf(sk, step, wk, 1)] == Win;
              const Square jump = pawn + 16;
              if (!win && rankOf(pawn) == 1 && jump != sk && jump != wk)
                win = verdict[indexOf(sk, jump, wk, 1)] == Win;
            }
            if (win) {
              verdict[strongIndex] = Win;
              changed = true;
            }
          }
          const int weakIndex = indexOf(sk, pawn, wk, 1);
          if (verdict[weakIndex] == Unknown) {
            bool allWin = true;
            Bitboard moves = weakKingMoves(sk, pawn, wk);
            while (moves && allWin) allWin = verdict[indexOf(sk, pawn, popLowest(moves), 0)] == Win;
            if (allWin) {
              verdict[weakIndex] = Win;
              changed = true;
            }
          }
        }
      }
    }
  }

  for (int i = 0; i < TableSize; ++i)
    if (verdict[i] == Win) winBits[i >> 6] |= uint64_t(1) << (i & 63);
  built = true;
}

bool kpkWins(Colour strong, Square strongKing, Square pawn, Square weakKing, Colour toMove) {
  // Turn the board so that the pawn is White's and stands on files a-d.
  const int flip = (strong == White ? 0 : 56) ^ (fileOf(pawn) > 3 ? 7 : 0);
  const int i = indexOf(strongKing ^ flip, pawn ^ flip, weakKing ^ flip, toMove != strong);
  return (winBits[i >> 6] >> (i & 63)) & 1;
}

}  // namespace vireo
