// Material balance, imbalance corrections and the trapped-piece patterns.

#include "eval/base_tables.h"
#include "eval/terms.h"

namespace vireo {

int evaluateMaterial(const Evaluator& evaluator, int& scale) {
  const uint32_t w = evaluator.board->materialSignature[White];
  const uint32_t b = evaluator.board->materialSignature[Black];
  if (w == b) return 0;

  const int pw = pawnCount(w), pb = pawnCount(b);
  const int nw = knightCount(w), nb = knightCount(b);
  const int bw = bishopCount(w), bb = bishopCount(b);
  const int rw = rookCount(w), rb = rookCount(b);
  const int qw = queenCount(w), qb = queenCount(b);
  // Sums are read from the added signatures; sixteen pawns carry into the
  // knight field, and that is part of the tuning.
  const uint32_t sum = w + b;
  const int sn = knightCount(sum), sb = bishopCount(sum), sr = rookCount(sum),
            sq = queenCount(sum);

  int t = 0;
  constexpr uint32_t PieceFields = 0x0FFFF000;  // knight, bishop, rook, queen counts
  if ((w ^ b) & PieceFields) {
    // Knights gain with many pawns and lose against rooks.
    if (nw != nb) t += 2 * (nw - nb) * (pw + pb - 8 - 2 * sr);
    if (bw != bb) {
      const int pairW = bw >= 2, pairB = bb >= 2;
      t += (74 - 4 * (sn + sb + sr + 3 * sq)) * (pairW - pairB);
      t += 2 * (bw - bb) * (3 * (sn + sb) + 4 - pw - pb);
    }
    if (rw != rb) t += 4 * (rw - rb) * (28 - sn - sb - 4 * (sr + sq) - pw - pb);
    if (qw != qb) t += (qw - qb) * (300 - 8 * (sn + sb) - 64 * (sr + sq));
    if (pieceCount(w) != pieceCount(b)) t += 64 * (pieceCount(w) - pieceCount(b));
  }

  // One pawn is worth more the fewer pieces the other side has left.
  const int d = (phaseMaterial(w) - phaseMaterial(b)) + (pw - pb);
  if (d > 0) {
    scale = DrawishnessScale[pw];
    t += 4 * d * (29 - nb - bb - rb - 2 * qb);
  } else if (d < 0) {
    scale = DrawishnessScale[pb];
    t += 4 * d * (29 - nw - bw - rw - 2 * qw);
  }
  return t;
}

namespace {

// Squares as White sees them; for Black they are mirrored.
template <Colour Us>
constexpr Bitboard relative(Square s) {
  return Bitboard(1) << (Us == White ? s : s ^ 56);
}

// What the colour loses to pieces trapped in the enemy camp and to rooks
// walled in by their own king.
template <Colour Us>
int trappedPieces(const Board& board) {
  constexpr Colour Them = Us ^ 1;
  const Bitboard* own = board.pieceBits[Us];
  const Bitboard enemyPawns = board.pieceBits[Them][Pawn];
  auto both = [](Bitboard set, Square a, Bitboard other, Square b) {
    return (set & relative<Us>(a)) && (other & relative<Us>(b));
  };
  // Most positions have none of these; one test rules them all out.
  const Bitboard corners = relative<Us>(A8) | relative<Us>(B8) | relative<Us>(G8) | relative<Us>(H8);
  const Bitboard edges = relative<Us>(A7) | relative<Us>(A6) | relative<Us>(H7) | relative<Us>(H6);
  const Bitboard castled = relative<Us>(B1) | relative<Us>(C1) | relative<Us>(F1) | relative<Us>(G1);
  if (!(own[Knight] & corners) && !(own[Bishop] & edges) && !(own[King] & castled)) return 0;

  int penalty = 0;
  if (both(own[Knight], A8, enemyPawns, C7)) penalty += 250;
  if (both(own[Knight], H8, enemyPawns, F7)) penalty += 250;
  if (both(own[Knight], B8, enemyPawns, B7)) penalty += 250;
  if (both(own[Knight], G8, enemyPawns, G7)) penalty += 250;
  if (both(own[Bishop], A7, enemyPawns, B6)) penalty += 150;
  if (both(own[Bishop], A6, enemyPawns, B5)) penalty += 100;
  if (both(own[Bishop], H7, enemyPawns, G6)) penalty += 150;
  if (both(own[Bishop], H6, enemyPawns, G5)) penalty += 100;

  const Bitboard king = own[King], rooks = own[Rook], pawns = own[Pawn];
  const Bitboard fileA = fileBits(0), fileB = fileBits(1), fileG = fileBits(6), fileH = fileBits(7);
  if (king & (relative<Us>(B1) | relative<Us>(C1))) {
    if (((rooks & (relative<Us>(A1) | relative<Us>(A2))) && (pawns & fileA)) ||
        ((rooks & relative<Us>(B1)) && (pawns & fileB)))
      penalty += 45;
  } else if (king & (relative<Us>(F1) | relative<Us>(G1))) {
    if (((rooks & (relative<Us>(H1) | relative<Us>(H2))) && (pawns & fileH)) ||
        ((rooks & relative<Us>(G1)) && (pawns & fileG)))
      penalty += 45;
  }
  return penalty;
}

}  // namespace

int evaluatePatterns(const Evaluator& evaluator) {
  const Board& board = *evaluator.board;
  return trappedPieces<Black>(board) - trappedPieces<White>(board);
}

}  // namespace vireo
