#include "board/notation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/make_move.h"
#include "board/movegen.h"

namespace vireo {

namespace {

bool isFileLetter(char c) { return c >= 'a' && c <= 'h'; }

struct MoveDescription {
  int destFile = -1, destRank = -1, originFile = -1, originRank = -1;
  char piece = 0;      // upper-case letter of the moving piece, or 0
  char promotion = 0;  // upper-case letter of the promotion piece, or 0
  int castles = 0;     // number of O/o read

  bool fits(const Board& board, Move move) const {
    if (castles) return isCastling(move) && castleSide(move) == (castles == 2 ? KingSide : QueenSide);
    const Square from = moveFrom(move);
    Square to = moveTo(move);
    if (isCastling(move) && board.chess960) {
      // Chess960 names the rook's square. The king's own destination is
      // taken too where the king travels two files or more, which no other
      // move can: GUIs have been seen to send e1g1 from the standard start.
      const bool kingTravels = std::abs(fileOf(to) - fileOf(from)) >= 2;
      if (!kingTravels || destFile != fileOf(to)) to = castlingRookSquare(board.castlingRules, move);
    }
    if (piece && PieceLettersUpper[typeOf(board.squares[from])] != piece) return false;
    if (movePromotion(move) && MoveLetters[movePromotion(move)] != (promotion ? promotion : 'Q'))
      return false;
    if (destFile >= 0 && fileOf(to) != destFile) return false;
    if (destRank >= 0 && rankOf(to) != destRank) return false;
    if (originFile >= 0 && fileOf(from) != originFile) return false;
    return originRank < 0 || rankOf(from) == originRank;
  }
};

// Reads the text from its end, so that the first square met is the
// destination and a piece letter after it is a promotion.
bool describe(const char* text, MoveDescription& d) {
  const int length = int(std::strlen(text));
  for (int i = length - 1; i >= 0; --i) {
    const char c = text[i];
    const bool bishopPromotion = c == 'b' && i == length - 1 && length > 4 && isFileLetter(text[0]);
    if (isFileLetter(c) && !bishopPromotion) {
      (d.destFile < 0 ? d.destFile : d.originFile) = c - 'a';
    } else if (c >= '1' && c <= '8') {
      (d.destRank < 0 ? d.destRank : d.originRank) = c - '1';
    } else if (std::strchr("NBRQnqr", c) || bishopPromotion) {
      const char upper = char(c & ~0x20);
      if (d.destFile < 0) {
        d.promotion = upper;
        d.piece = 'P';
      } else {
        d.piece = upper;
      }
    } else if (c == 'K' || c == 'P') {
      d.piece = c;
    } else if (c == 'O' || c == 'o') {
      ++d.castles;
    } else if (!std::strchr("x-+#=?! \t\n\r", c)) {
      std::fprintf(stderr, "illegal char in move %s: %i\n", text, c);
      return false;
    }
  }
  if (d.piece) return d.destFile >= 0 && d.destRank >= 0;
  if (d.castles == 2 || d.castles == 3) return true;
  if (d.castles) return false;
  if (d.destFile >= 0 && d.destRank >= 0 && d.originFile >= 0 && d.originRank >= 0) return true;
  d.piece = 'P';
  return d.destFile >= 0 && (d.originFile >= 0 || d.destRank >= 0);
}

}  // namespace

Move parseMove(Board& board, const char* text) {
  if (!text || text[0] == '%') return NoMove;
  MoveDescription d;
  if (!describe(text, d)) return NoMove;
  Move moves[MaxMoves];
  Move* end = generateLegal(board, moves);
  Move found = NoMove;
  for (Move* m = moves; m != end; ++m) {
    if (!d.fits(board, *m)) continue;
    if (found) {
      char first[16], second[16];
      moveToText(board, found, first);
      moveToText(board, *m, second);
      std::fprintf(stderr, "ambiguous move: %s _and_ %s\n", first, second);
      return NoMove;
    }
    found = *m;
  }
  return found;
}

char* moveToSan(Board& board, char* out, Move move) {
  if (move == NoMove || isCastling(move)) {
    const char* text = move == NoMove ? "%" : fileOf(moveTo(move)) > 3 ? "O-O" : "O-O-O";
    std::strcpy(out, text);
    return out + std::strlen(text);
  }
  const Square from = moveFrom(move), to = moveTo(move);
  const PieceCode piece = board.squares[from];
  bool sameFile = false, sameRank = false, elsewhere = false;
  Move moves[MaxMoves];
  Move* end = generateLegal(board, moves);
  for (Move* m = moves; m != end; ++m) {
    const Square otherFrom = moveFrom(*m);
    if (moveTo(*m) != to || otherFrom == from || board.squares[otherFrom] != piece) continue;
    if (fileOf(otherFrom) == fileOf(from))
      sameFile = true;
    else if (rankOf(otherFrom) == rankOf(from))
      sameRank = true;
    else
      elsewhere = true;
  }
  const bool needRank = sameFile;
  bool needFile = sameRank || (elsewhere && !sameFile);
  if (typeOf(piece) == Pawn) {
    if (moveCaptured(move)) needFile = true;
  } else {
    *out++ = PieceLettersUpper[typeOf(piece)];
  }
  if (needFile) *out++ = char('a' + fileOf(from));
  if (needRank) *out++ = char('1' + rankOf(from));
  if (moveCaptured(move)) *out++ = 'x';
  *out++ = char('a' + fileOf(to));
  *out++ = char('1' + rankOf(to));
  if (movePromotion(move)) {
    *out++ = '=';
    *out++ = MoveLetters[movePromotion(move)];
  }
  *out = 0;
  return out;
}

}  // namespace vireo
