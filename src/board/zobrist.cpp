#include "board/zobrist.h"

#include "board/sfmt.h"

namespace vireo {

ZobristKeys Zobrist;

void initZobrist() {
  Sfmt rng(7);
  for (auto& row : Zobrist.pieceKeys)
    for (uint64_t& key : row) key = rng.next64();
  for (int r = 0; r < 16; ++r) {
    Zobrist.castleKeys[r] = 0;
    for (int b = 0; b < 4; ++b)
      if (r & (1 << b)) Zobrist.castleKeys[r] ^= Zobrist.pieceKeys[0][8 + b];
  }
}

}  // namespace vireo
