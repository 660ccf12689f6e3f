// Endgame knowledge: exact scores for a few endings, insufficient material,
// decided pawn races, and draw scales for drawish material.

#include <algorithm>

#include "board/bitops.h"
#include "board/magic.h"
#include "eval/base_tables.h"
#include "eval/kpk.h"
#include "eval/terms.h"

namespace vireo {

namespace {

constexpr int NoRunner = 128;
constexpr Bitboard LightSquares = 0x55AA55AA55AA55AAULL;  // rank + file odd

constexpr uint32_t signatureOf(int pawns, int knights, int bishops, int rooks, int queens) {
  return pawns * MaterialIncrement[Pawn] + knights * MaterialIncrement[Knight] +
         bishops * MaterialIncrement[Bishop] + rooks * MaterialIncrement[Rook] +
         queens * MaterialIncrement[Queen];
}

constexpr uint32_t BareKing = 0;
constexpr uint32_t OnePawn = signatureOf(1, 0, 0, 0, 0);
constexpr uint32_t KnightAndBishop = signatureOf(0, 1, 1, 0, 0);
constexpr uint32_t RookAndPawn = signatureOf(1, 0, 0, 1, 0);
constexpr uint32_t OneRook = signatureOf(0, 0, 0, 1, 0);

// A bare king, one minor piece or two knights cannot mate.
bool insufficient(uint32_t s) {
  return !pawnCount(s) && !rookCount(s) && !queenCount(s) && phaseMaterial(s) < 7 &&
         !(phaseMaterial(s) == 6 && bishopCount(s));
}

bool hasMajorOrBishop(uint32_t s) { return bishopCount(s) || rookCount(s) || queenCount(s); }

// Moves the colour's fastest unstoppable passed pawn needs to promote, or
// NoRunner. Only kings and knights are considered able to stop a pawn, so a
// defender with a bishop, rook or queen stops them all.
template <Colour Us>
int runnerMoves(const Board& board, Bitboard passed) {
  constexpr Colour Them = Us ^ 1;
  const Bitboard* their = board.pieceBits[Them];
  if (their[Bishop] | their[Rook] | their[Queen]) return NoRunner;
  const bool theyMove = board.sideToMove == Them;
  int best = NoRunner;
  for (Bitboard pawns = passed & board.pieceBits[Us][Pawn]; pawns;) {
    const Square s = popLowest(pawns);
    const Bitboard path = FrontSpan[Us][s];
    // Each own man on the path must step aside first, which gives the
    // defence a tempo, as does having the move.
    const int inTheWay = popCount(path & board.pieceBits[Us][0]);
    const int tempi = inTheWay + (theyMove ? 1 : 0);
    Bitboard kingZone = KingCatchZone[Us][s];
    for (int i = 0; i < tempi; ++i) kingZone = kingSpread(kingZone);
    if (kingZone & their[King]) continue;
    // The zone looks ahead of the pawn; a king beside or behind it simply
    // takes it when it is to move.
    if (theyMove && (KingAttacks[s] & their[King])) continue;
    if (their[Knight]) {
      Bitboard knightZone = KnightCatchZone[Us][s];
      for (int i = 0; i < tempi; ++i) knightZone |= knightSpread(knightZone);
      if (knightZone & their[Knight]) continue;
    }
    // Counted from the third rank for a pawn that can still double-step.
    int moves = 7 - std::max(relativeRank(Us, s), 2) + inTheWay;
    // Promoting with check wins a tempo.
    const Square promotion = Us == White ? (s | 56) : (s & 7);
    if (queenAttacks(promotion, board.occupied & ~SquareBit[s]) & their[King]) --moves;
    best = std::min(best, moves);
  }
  return best;
}

// For a side facing a bare king and pawns that cannot run: a passed pawn that
// its king escorts home, judged as king and pawn against king.
template <Colour Us>
int kingRaceMoves(const Board& board, const PawnEntry& entry) {
  constexpr Colour Them = Us ^ 1;
  // The defender's own pawn may become a runner: nothing is decided.
  if (entry.side[Them].candidate) return NoRunner;
  int best = NoRunner;
  for (Bitboard pawns = entry.passed & board.pieceBits[Us][Pawn]; pawns;) {
    const Square s = popLowest(pawns);
    if (!kpkWins(Us, board.kingSquare[Us], s, board.kingSquare[Them], board.sideToMove)) continue;
    // The escort costs at least one king move on top of the pushes.
    best = std::min(best, 8 - std::max(relativeRank(Us, s), 2));
  }
  return best;
}

// Rook pawns alone, or with a bishop of the wrong colour, do not win against
// a king in the corner. `s` is the score from Us's view.
template <Colour Us>
bool wrongRookPawn(const Board& board, int s, int& score, int& scale) {
  constexpr Colour Them = Us ^ 1;
  if (s <= 0) return false;
  const Bitboard pawns = board.pieceBits[Us][Pawn];
  if (!pawns) return false;
  int file;
  if (!(pawns & ~fileBits(0)))
    file = 0;
  else if (!(pawns & ~fileBits(7)))
    file = 7;
  else
    return false;
  const uint32_t own = board.materialSignature[Us];
  if (!pieceCount(own)) {
    score = 0;
    return true;
  }
  if (pieceCount(own) == 1 && bishopCount(own) == 1) {
    const Square corner = makeSquare(file, Us == White ? 7 : 0);
    const bool bishopLight = board.pieceBits[Us][Bishop] & LightSquares;
    const bool cornerLight = SquareBit[corner] & LightSquares;
    if (bishopLight != cornerLight) {
      if ((KingAttacks[corner] | SquareBit[corner]) & board.pieceBits[Them][King]) {
        score = 0;
        return true;
      }
      scale = 128;
    }
  }
  return false;
}

// Us has no pawns, the other side has. Returns true when the score is exact.
template <Colour Us>
bool withoutPawns(const Board& board, int& score, int& scale) {
  constexpr Colour Them = Us ^ 1;
  const uint32_t own = board.materialSignature[Us], their = board.materialSignature[Them];
  const int s = Us == White ? score : -score;
  if (s > 0) {
    if (insufficient(own)) {
      // Ahead in material but unable to win: the side with the pawns keeps a
      // nominal edge.
      score = Us == White ? -1 : 1;
      return true;
    }
    if (!(phaseMaterial(their) + 3 < phaseMaterial(own))) scale = 128;
  } else if (s < 0 && pawnCount(their) == 1 && hasMajorOrBishop(own)) {
    // One pawn may be given up for a piece.
    const int x = bishopCount(own) ? 3 : rookCount(own) ? 5 : 10;
    if (phaseMaterial(own) + 3 - x >= phaseMaterial(their)) scale = 128;
  }
  return false;
}

// Neither side has pawns.
bool noPawns(const Board& board, int& score, int& scale) {
  const uint32_t w = board.materialSignature[White], b = board.materialSignature[Black];
  if ((score > 0 && insufficient(w)) || (score < 0 && insufficient(b))) {
    score = 0;
    return true;
  }
  const int mw = phaseMaterial(w), mb = phaseMaterial(b);
  auto twoMinorsDraw = [&](Colour c, uint32_t sig) {
    const Bitboard bishops = board.pieceBits[c][Bishop];
    return knightCount(sig) == 2 ||
           (bishopCount(sig) == 2 && (!(bishops & LightSquares) || !(bishops & ~LightSquares)));
  };
  if (mw > mb + 3) {
    if (mw != 6) {
      if (hasMajorOrBishop(w) || mw > mb + 6)
        score += 1000 - 100 * pieceCount(b);
      else
        score /= 8;
    } else if (score >= 1 && twoMinorsDraw(White, w)) {
      score = 0;
      return true;
    }
  } else if (mb > mw + 3) {
    if (mb != 6) {
      if (hasMajorOrBishop(b) || mb > mw + 6)
        score -= 1000 - 100 * pieceCount(w);
      else
        score /= 8;
    } else if (score <= -1 && twoMinorsDraw(Black, b)) {
      score = 0;
      return true;
    }
  } else {
    const bool pairAgainstKnight = (bishopCount(w) == 2 && knightCount(b) == 1) ||
                                   (bishopCount(b) == 2 && knightCount(w) == 1);
    if (mw + mb == 9 && pairAgainstKnight) {
      // Bishop pair against a knight: play on.
    } else if (mw + mb == 8) {
      scale = 256;
    } else {
      scale = 64;
    }
  }
  return false;
}

// Both sides have pawns: opposite-coloured bishops as the only pieces.
void oppositeBishops(const Board& board, int& scale) {
  const uint32_t w = board.materialSignature[White], b = board.materialSignature[Black];
  if (pieceCount(w) != 1 || bishopCount(w) != 1 || pieceCount(b) != 1 || bishopCount(b) != 1)
    return;
  const bool whiteLight = board.pieceBits[White][Bishop] & LightSquares;
  const bool blackLight = board.pieceBits[Black][Bishop] & LightSquares;
  if (whiteLight == blackLight) return;
  const int difference = std::abs(pawnCount(w) - pawnCount(b));
  if (difference == 0)
    scale = 256;
  else if (difference == 1)
    scale = 512;
  else if (difference == 2)
    scale = 341;
}

// Knight and bishop mate: drive the king to a corner of the bishop's colour.
int knightBishopMate(const Board& board, Colour strong) {
  const Colour weak = strong ^ 1;
  const Square strongKing = board.kingSquare[strong], weakKing = board.kingSquare[weak];
  const Square bishop = lowestSquare(board.pieceBits[strong][Bishop]);
  const Square knight = lowestSquare(board.pieceBits[strong][Knight]);
  // The table is written for a dark-squared bishop; a light one mirrors the ranks.
  const bool light = SquareBit[bishop] & LightSquares;
  const int corner = MateCorner[light ? weakKing : ownView(White, weakKing)];
  return 1600 - 32 * corner - 8 * kingDistance(strongKing, weakKing) -
         kingDistance(knight, strongKing) - kingDistance(bishop, strongKing);
}

// Rook and pawn against rook: the defending king in front of the pawn.
bool rookPawnDraw(const Board& board, Colour strong) {
  const Colour weak = strong ^ 1;
  const Square pawn = lowestSquare(board.pieceBits[strong][Pawn]);
  const Square promotion = makeSquare(fileOf(pawn), strong == White ? 7 : 0);
  if (!((KingAttacks[promotion] | SquareBit[promotion]) & board.pieceBits[weak][King])) return false;
  const int pawnRank = relativeRank(strong, pawn);
  const int rookRank = relativeRank(strong, lowestSquare(board.pieceBits[weak][Rook]));
  // Up to the fifth rank the defending rook holds the sixth; later it checks
  // from behind, from the attacker's first two ranks.
  if (pawnRank <= 4) return rookRank == 5;
  return rookRank <= 1 || board.sideToMove == weak;
}

}  // namespace

int evaluatePawnRace(Evaluator& evaluator) {
  const Board& board = *evaluator.board;
  const PawnEntry& entry = *evaluator.currentPawnEntry;
  int white = runnerMoves<White>(board, entry.passed);
  int black = runnerMoves<Black>(board, entry.passed);
  if (white == NoRunner && black == NoRunner) {
    const Bitboard whitePassed = entry.passed & board.pieceBits[White][Pawn];
    const Bitboard blackPassed = entry.passed & board.pieceBits[Black][Pawn];
    if (!pieceCount(board.materialSignature[Black]) && !blackPassed)
      white = kingRaceMoves<White>(board, entry);
    if (!pieceCount(board.materialSignature[White]) && !whitePassed)
      black = kingRaceMoves<Black>(board, entry);
  }
  if (white == NoRunner && black == NoRunner) return 0;
  if (black == NoRunner) return 500 - 10 * white;
  if (white == NoRunner) return -(500 - 10 * black);
  // Both promote: the side to move is a tempo ahead.
  const bool whiteToMove = board.sideToMove == White;
  if (whiteToMove ? white < black : white < black - 1) return 500 - 10 * white;
  if (whiteToMove ? black < white - 1 : black < white) return -(500 - 10 * black);
  return 0;
}

bool recogniseEndgame(Evaluator& evaluator, int& score, int& scale) {
  const Board& board = *evaluator.board;
  const uint32_t w = board.materialSignature[White], b = board.materialSignature[Black];
  const uint32_t sum = w + b;

  // At most three men besides the kings.
  if (pieceCount(sum) + pawnCount(sum) + 2 < 6) {
    const Colour strong =
        pawnCount(w) + phaseMaterial(w) < pawnCount(b) + phaseMaterial(b) ? Black : White;
    const uint32_t ss = board.materialSignature[strong], ws = board.materialSignature[strong ^ 1];
    bool known = true;
    int result = 0;
    if (ss == OnePawn && ws == BareKing) {
      const int race = evaluatePawnRace(evaluator);
      const int v = strong == White ? race : -race;
      result = v ? v + 1000 : 0;
    } else if (ss == KnightAndBishop && ws == BareKing) {
      result = knightBishopMate(board, strong);
    } else if (ss == RookAndPawn && ws == OneRook && rookPawnDraw(board, strong)) {
      result = 0;
    } else {
      known = false;
    }
    if (known) {
      score = strong == White ? result : -result;
      return true;
    }
  }

  if (!pieceCount(w) || !pieceCount(b)) {
    if (const int race = evaluatePawnRace(evaluator)) {
      score += race;
      return false;
    }
  }

  if (pieceCount(sum) < 3) {
    if (wrongRookPawn<White>(board, score, score, scale)) return true;
    if (wrongRookPawn<Black>(board, -score, score, scale)) return true;
  }

  const int pw = pawnCount(w), pb = pawnCount(b);
  if (!pw && pb) return withoutPawns<White>(board, score, scale);
  if (pw && !pb) return withoutPawns<Black>(board, score, scale);
  if (!pw && !pb) return noPawns(board, score, scale);
  oppositeBishops(board, scale);
  return false;
}

}  // namespace vireo
