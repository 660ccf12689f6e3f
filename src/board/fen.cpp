#include "board/fen.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "board/bitops.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "board/zobrist.h"

namespace vireo {

namespace {

// Where setFen's caller wants the reason of a refusal, besides standard error.
thread_local std::string* fenReason = nullptr;

void report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void report(const char* format, ...) {
  char text[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fputs(text, stderr);
  if (fenReason) {
    *fenReason = text;
    while (!fenReason->empty() && fenReason->back() == '\n') fenReason->pop_back();
  }
}

bool refuseRank(int y) {
  report("fen: rank %i does not hold 8 squares\n", y + 1);
  return false;
}

constexpr int backRank(Colour c) { return c == White ? 0 : 7; }

// The outermost rook of the colour on its back rank, on the side of its
// king, or -1 when there is none.
Square outermostRook(const Board& board, Colour c, int side) {
  const Square king = board.kingSquare[c];
  const int step = side == KingSide ? -1 : 1;
  for (int f = side == KingSide ? 7 : 0; f != fileOf(king); f += step) {
    const Square s = makeSquare(f, backRank(c));
    if (board.squares[s] == pieceCode(c, Rook)) return s;
  }
  return -1;
}

// A Chess960 castling letter, in either of the two forms GUIs write: K or Q
// for the outermost rook on that side of the king (X-FEN), or the file of
// the rook (Shredder-FEN, and X-FEN for a rook that is not the outermost).
// False only for a character that is no castling letter; a letter that
// names no rook beside a king on its back rank is a warning, as in
// standard FEN.
bool readChess960Right(Board& board, char c, Square (&rooks)[4]) {
  Colour colour;
  int file = -1, side = -1;
  if (c == 'K' || c == 'Q' || c == 'k' || c == 'q') {
    colour = c == 'K' || c == 'Q' ? White : Black;
    side = c == 'K' || c == 'k' ? KingSide : QueenSide;
  } else if (c >= 'A' && c <= 'H') {
    colour = White;
    file = c - 'A';
  } else if (c >= 'a' && c <= 'h') {
    colour = Black;
    file = c - 'a';
  } else {
    report("setFen(): illegal castling char: %c\n", c);
    return false;
  }
  const Square king = board.kingSquare[colour];
  Square rook = -1;
  const int rank = backRank(colour);
  if (rankOf(king) == rank) {
    if (file < 0)
      rook = outermostRook(board, colour, side);
    else if (file != fileOf(king) && board.squares[makeSquare(file, rank)] == pieceCode(colour, Rook))
      rook = makeSquare(file, rank);
  }
  if (rook >= 0) {
    side = fileOf(rook) > fileOf(king) ? KingSide : QueenSide;
    const uint8_t right = castleRight(colour, side);
    // One rook a side: a second letter for the same side is no right.
    if (!(board.state.castling & right)) {
      board.state.castling |= right;
      rooks[castleIndex(colour, side)] = rook;
      return true;
    }
  }
  report("castling %c invalid\n", c);
  return true;
}

}  // namespace

bool setFen(Board& board, const char* text, std::string* reason, bool chess960) {
  struct ReasonScope {
    explicit ReasonScope(std::string* r) { fenReason = r; }
    ~ReasonScope() { fenReason = nullptr; }
  } scope(reason);
  clearBoard(board);
  board.chess960 = chess960;
  const char* p = text;
  // Every rank adds up to eight squares, so that no piece lands on an
  // occupied square or off the board; an empty field between two slashes is
  // an empty rank.
  int x = 0, y = 7;
  for (; *p && *p != ' '; ++p) {
    if (y < 0) {
      report("fen too long\n");
      return false;
    }
    const char c = *p;
    if (const char* at = std::strchr("PNBRQK", c); at && c) {
      if (x > 7) return refuseRank(y);
      add(board, White, PieceType(at - "PNBRQK" + 1), x + 8 * y);
      ++x;
    } else if (const char* at2 = std::strchr("pnbrqk", c); at2 && c) {
      if (x > 7) return refuseRank(y);
      add(board, Black, PieceType(at2 - "pnbrqk" + 1), x + 8 * y);
      ++x;
    } else if (c >= '1' && c <= '8') {
      x += c - '0';
      if (x > 8) return refuseRank(y);
    } else if (c == '/') {
      if (x != 0 && x != 8) return refuseRank(y);
      --y;
      x = 0;
    } else {
      report("fen: invalid input for %c%c: %c\n", 'a' + x, '1' + y, c);
      return false;
    }
  }
  if (y >= 0 && x != 0 && x != 8) return refuseRank(y);
  for (Colour c = White; c <= Black; ++c) {
    if (popCount(board.pieceBits[c][King]) != 1) {
      report("fen: not exactly 1 king for side %i\n", c);
      return false;
    }
  }
  // Eight ranks leave y at 0, or at -1 after a trailing "/".
  if (y > 0) {
    report("fen: fewer than 8 ranks\n");
    return false;
  }
  // At most 8 pawns and 16 men besides the king a side, no more than 15 of
  // them pieces: materialSignature counts no more than 15 pieces, and
  // sixteen queens (promotions included) stay below the 256 moves a move
  // list holds, which a board full of queens exceeds.
  for (Colour c = White; c <= Black; ++c) {
    const int pawns = popCount(board.pieceBits[c][Pawn]);
    const int others = popCount(board.pieceBits[c][0]) - 1 - pawns;
    if (pawns > 8 || others > 15 || pawns + others > 16) {
      report("fen: too many pieces for side %i\n", c);
      return false;
    }
  }
  // A pawn there could neither have arrived nor move on.
  if (const Bitboard stray = (board.pieceBits[White][Pawn] | board.pieceBits[Black][Pawn]) &
                             (rankBits(0) | rankBits(7))) {
    const Square s = lowestSquare(stray);
    report("fen: pawn on the first or last rank: %c%c\n", 'a' + fileOf(s), '1' + rankOf(s));
    return false;
  }

  while (*p == ' ') ++p;
  if (*p == 'b') {
    board.sideToMove = Black;
    ++p;
  } else if (*p == 'w') {
    ++p;
  } else if (*p) {
    report("fen: invalid stm: %c\n", *p);
    return false;
  }

  while (*p == ' ') ++p;
  auto holds = [&](Square s, Colour c, PieceType t) { return board.squares[s] == pieceCode(c, t); };
  Square rooks[4] = {A1, H1, A8, H8};
  for (; *p && *p != ' '; ++p) {
    if (*p == '-') {
      ++p;
      break;
    }
    if (chess960) {
      if (!readChess960Right(board, *p, rooks)) return false;
      continue;
    }
    switch (*p) {
      case 'K':
        if (holds(E1, White, King) && holds(H1, White, Rook)) board.state.castling |= CastleWhiteKing;
        else report("castling K invalid\n");
        break;
      case 'Q':
        if (holds(E1, White, King) && holds(A1, White, Rook)) board.state.castling |= CastleWhiteQueen;
        else report("castling Q invalid\n");
        break;
      case 'k':
        if (holds(E8, Black, King) && holds(H8, Black, Rook)) board.state.castling |= CastleBlackKing;
        else report("castling k invalid\n");
        break;
      case 'q':
        if (holds(E8, Black, King) && holds(A8, Black, Rook)) board.state.castling |= CastleBlackQueen;
        else report("castling q invalid\n");
        break;
      default:
        report("setFen(): illegal castling char: %c\n", *p);
        return false;
    }
  }
  // Standard FEN gives standard rights only, which the cleared board's rules
  // already describe.
  if (chess960) setCastling(board.castlingRules, board.state.castling, rooks, board.kingSquare);
  board.hashKey ^= board.castlingRules.keys[board.state.castling];

  while (*p == ' ') ++p;
  if (*p) {
    const char fileChar = *p++;
    const char rankChar = *p ? *p++ : 0;
    if (fileChar != '-') {
      const int file = fileChar - 'a', rank = rankChar - '1';
      const Square square = rank * 8 + file;
      if (square < 1 || file < 0 || file > 7 || rank < 0 || rank > 7) {
        report("setFen() invalid ep square\n");
        return false;
      }
      // Both the skipped square and the pawn's own square name the pawn. It
      // must be the other side's, on its fourth rank, with the squares it
      // passed empty: anything else would let the side to move capture a
      // pawn that is not there or step off the board.
      const Colour mover = board.sideToMove ^ 1;
      const int forward = mover == White ? 8 : -8;
      const int pawnRank = mover == White ? 3 : 4;
      const Square pawn = makeSquare(file, pawnRank);
      const bool named = rank == pawnRank || rank == pawnRank - forward / 8;
      if (!named || !holds(pawn, mover, Pawn) || board.squares[pawn - forward] ||
          board.squares[pawn - 2 * forward]) {
        report("fen: en-passant square %c%c names no pawn that has just made a double step\n",
                     fileChar, rankChar);
        return false;
      }
      board.state.epSquare = uint8_t(pawn);
      board.hashKey ^= enPassantKey(pawn);
    }
  }
  // The half-move clock counts for the fifty-move rule as if the reversible
  // moves had been made; the move number is read over, as the game's count
  // of plies restarts here.
  while (*p == ' ') ++p;
  int clock = 0;
  for (; *p >= '0' && *p <= '9'; ++p) clock = std::min(clock * 10 + (*p - '0'), MaxFiftyMoveCount);
  if (*p == '-') ++p;
  board.state.irreversiblePly = int16_t(-clock);
  while (*p == ' ') ++p;
  while (*p >= '0' && *p <= '9') ++p;

  updateAttackInfo(board);
  // A position in which the side to move could take the king is no position.
  const Colour them = board.sideToMove ^ 1;
  if (attacksOf(board, board.sideToMove) & board.pieceBits[them][King]) {
    report("fen: side not to move is in check\n");
    return false;
  }
  return true;
}

std::string toFen(const Board& board) {
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const PieceCode p = board.squares[makeSquare(file, rank)];
      if (!p) {
        ++empty;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      fen += colourOf(p) == White ? PieceLettersUpper[typeOf(p)] : PieceLettersLower[typeOf(p)];
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += board.sideToMove == White ? " w " : " b ";
  // Chess960 names every castling rook by its file (Shredder-FEN): unlike
  // X-FEN's KQkq it leaves a reader nothing to work out, and not every
  // engine gets that right.
  const uint8_t rights = board.state.castling;
  for (Colour c = White; c <= Black; ++c) {
    for (int side = KingSide; side >= QueenSide; --side) {
      if (!(rights & castleRight(c, side))) continue;
      const Square rook = board.castlingRules.rule[castleIndex(c, side)].rookFrom;
      const char letter = board.chess960 ? char('A' + fileOf(rook)) : "QK"[side];
      fen += c == White ? letter : char(letter | 0x20);
    }
  }
  if (!rights) fen += '-';
  fen += ' ';
  if (board.state.epSquare) {
    fen += char('a' + fileOf(board.state.epSquare));
    fen += char('1' + rankOf(board.state.epSquare));
  } else {
    fen += '-';
  }
  fen += ' ' + std::to_string(board.fiftyMoveCount()) + ' ' + std::to_string((board.gamePly() >> 1) + 1);
  return fen;
}

namespace {

constexpr int MoveListTexts = 24;

// SAN texts of the last moves, newest first, taken back on a copy of the
// board. A null move ends the list.
int collectMoveTexts(const Board& board, char (*texts)[16]) {
  int count = 0;
  if (board.sideToMove == Black) std::strcpy(texts[count++], "...");
  static thread_local Board copy;
  copyBoard(copy, board);
  while (count < MoveListTexts && copy.moveHistory[copy.ply]) {
    const Move move = copy.moveHistory[copy.ply];
    // Only the placement matters for the texts; the state block is not kept
    // in the history, so the current one stands in for it.
    unmakePlacement(copy, move, copy.state);
    updateAttackInfo(copy);
    moveToSan(copy, texts[count++], move);
  }
  return count;
}

}  // namespace

void printBoard(const Board& board, FILE* stream, bool hexCodes) {
  if (!stream) stream = stdout;
  std::fputs("\n", stream);
  char texts[MoveListTexts][16];
  int remaining = collectMoveTexts(board, texts);
  const int gamePly = int(board.gamePly());
  const int firstNumber = gamePly > MoveListTexts ? gamePly - MoveListTexts : 0;

  std::string out;
  char cell[64];
  for (int line = 0; line <= 16; ++line) {
    if (line % 2 == 0) {
      out += "   +---+---+---+---+---+---+---+---+";
    } else {
      const int rank = 7 - line / 2;
      std::snprintf(cell, sizeof cell, " %i ", rank + 1);
      out += cell;
      for (int file = 0; file < 8; ++file) {
        const PieceCode p = board.squares[makeSquare(file, rank)];
        if (hexCodes)
          std::snprintf(cell, sizeof cell, "| %2x", p);
        else if (!p)
          std::snprintf(cell, sizeof cell, "|   ");
        else if (colourOf(p) == White)
          std::snprintf(cell, sizeof cell, "|(%c)", PieceLettersUpper[typeOf(p)]);
        else
          std::snprintf(cell, sizeof cell, "|*%c*", PieceLettersLower[typeOf(p)]);
        out += cell;
      }
      out += "|";
    }
    const int fromBottom = 16 - line;
    if (fromBottom == 1) {
      const uint32_t w = board.materialSignature[White], b = board.materialSignature[Black];
      const int wp = phaseMaterial(w) + pawnCount(w), bp = phaseMaterial(b) + pawnCount(b);
      std::snprintf(cell, sizeof cell, "  %i-%i=%i ", wp, bp, wp - bp);
      out += cell;
      if (w != b) {
        out += ' ';
        int (*const counts[5])(uint32_t) = {queenCount, rookCount, bishopCount, knightCount, pawnCount};
        for (int i = 0; i < 5; ++i)
          for (int n = counts[i](w) - counts[i](b); n > 0; --n) out += "QRBNP"[i];
        for (int i = 0; i < 5; ++i)
          for (int n = counts[i](b) - counts[i](w); n > 0; --n) out += "qrbnp"[i];
      }
    } else if (fromBottom >= 4 && fromBottom <= 15 && remaining > 0) {
      const char* older = texts[remaining - 1];
      const char* newer = remaining >= 2 ? texts[remaining - 2] : "";
      remaining -= remaining >= 2 ? 2 : 1;
      char entry[48];
      std::snprintf(entry, sizeof entry, "  %2i. %-5s %-5s", ((firstNumber - 1 + 2 * line) >> 1) + 1,
                    older, newer);
      out += entry;
    }
    out += "\n";
  }
  out += "     a   b   c   d   e   f   g   h\n\n";
  out += toFen(board);
  out += "\n";
  std::snprintf(cell, sizeof cell, " hash=%08x%08x\n", unsigned(board.hashKey >> 32),
                unsigned(board.hashKey));
  out += cell;
  std::snprintf(cell, sizeof cell, "phash=%08x%08x\n", unsigned(board.state.pawnKey >> 32),
                unsigned(board.state.pawnKey));
  out += cell;
  std::fputs(out.c_str(), stream);
}

void printBitboard(Bitboard bitboard, const char* label) {
  std::string out;
  for (int rank = 7; rank >= 0; --rank) {
    for (int file = 0; file < 8; ++file) {
      out += ' ';
      out += (bitboard >> makeSquare(file, rank)) & 1 ? 'x' : '.';
    }
    out += '\n';
  }
  char tail[96];
  std::snprintf(tail, sizeof tail, "%08x%08x %s\n", unsigned(bitboard >> 32), unsigned(bitboard),
                label ? label : "");
  out += tail;
  std::fputs(out.c_str(), stdout);
}

}  // namespace vireo
