#include "book/book_keys.h"

#include <cstdio>
#include <cstring>

namespace vireo {

namespace {

// Book piece codes by FEN letter, white letters first.
constexpr const char* PieceLetters = "PNBRQKpnbrqk";
constexpr int PieceCodes[6] = {1, 2, 5, 6, 7, 3};  // P N B R Q K

const char* skipSpaces(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

const char* fieldEnd(const char* p) {
  while (*p && *p != ' ') ++p;
  return p;
}

}  // namespace

bool bookKey(const char* fenText, uint64_t& key, bool& blackToMove, int& ply) {
  key = 0;
  blackToMove = false;
  ply = -2;
  if (!fenText) return false;

  const char* p = skipSpaces(fenText);
  int x = 0, y = 7;  // file and rank of the next square
  for (; *p && *p != ' '; ++p) {
    if (x > 8) {
      std::fprintf(stderr, "illegal fen, x=%i>8: %s\n", x, p);
      return false;
    }
    if (y < 0) {
      std::fprintf(stderr, "illegal fen, y=%i<0: %s\n", y, p);
      return false;
    }
    const char c = *p;
    if (c >= '1' && c <= '8') {
      x += c - '0';
    } else if (c == '/') {
      --y;
      x = 0;
    } else if (const char* at = std::strchr(PieceLetters, c)) {
      // A piece after the eighth file would lie on a ninth.
      if (x > 7) {
        std::fprintf(stderr, "illegal fen, x=%i>8: %s\n", x + 1, p);
        return false;
      }
      const int letter = int(at - PieceLetters);
      key ^= BookKeys[bookKeyIndex(PieceCodes[letter % 6], y, letter / 6, x)];
      ++x;
    }
  }

  p = skipSpaces(p);
  blackToMove = *p == 'b';
  p = skipSpaces(fieldEnd(p));

  for (const char* end = fieldEnd(p); p < end; ++p) {
    if (const char* at = std::strchr("KQkq", *p); at && *p) key ^= BookCastleKeys[at - "KQkq"];
  }
  p = skipSpaces(p);

  if (p[0] >= 'a' && p[0] <= 'h' && p[1] >= '1' && p[1] <= '8') key ^= BookKeys[p[0] - 'a'];
  p = skipSpaces(fieldEnd(p));
  p = skipSpaces(fieldEnd(p));  // half-move clock

  // A move number that is missing or starts with 0 counts as absent.
  if (*p >= '1' && *p <= '9') {
    long moveNumber = 0;
    for (; *p >= '0' && *p <= '9' && moveNumber < 1000000; ++p)
      moveNumber = moveNumber * 10 + (*p - '0');
    ply = int(2 * (moveNumber - 1));
  }
  ply += blackToMove ? 1 : 0;
  if (blackToMove) key ^= 1;
  return true;
}

}  // namespace vireo
