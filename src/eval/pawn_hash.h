#pragma once
// The per-thread pawn hash: the pawn-structure score of each pawn skeleton,
// stored under the board's pawn key so that it is computed once per skeleton.

#include <cstddef>
#include <cstdint>

#include "board/board.h"

namespace vireo {

// One side's half of a pawn record.
struct PawnSide {
  int16_t opening;  // pawn-structure score, already scaled by its weight
  int16_t endgame;
  int8_t shelter[3];  // shelter figure for a king on b1, e1, g1 (b8, e8, g8 for Black)
  uint8_t candidate;  // 1 when the side has a candidate passed pawn
};

struct PawnEntry {
  Bitboard passed;  // passed pawns of both colours
  uint64_t key;     // the pawn key this record describes
  PawnSide side[2];
};
static_assert(sizeof(PawnEntry) == 32, "one record per half cache line");

constexpr uint32_t ActivePawnHashEntries = 131072;
constexpr size_t PawnHashAlignment = 256;

class PawnHash {
 public:
  PawnHash() : PawnHash(nullptr) {}
  explicit PawnHash(Board* board);
  ~PawnHash();
  PawnHash(const PawnHash&) = delete;
  PawnHash& operator=(const PawnHash&) = delete;

  // Sizes the table to the largest power of two not above `requested`, at
  // least 1, and wipes it. Running out of memory is fatal.
  void resize(uint32_t requested);
  // Zeroes every record and both counters.
  void clear();

  // The record of a pawn key; its address depends on the key alone.
  PawnEntry* entryFor(uint64_t pawnKey) const { return entries + (pawnKey & mask); }

  Board* board;
  PawnEntry* entries = nullptr;  // aligned to PawnHashAlignment inside raw
  uint32_t count = 0;
  uint32_t mask = 0;
  uint32_t hits = 0;
  uint32_t misses = 0;
  void* raw = nullptr;  // the block from the allocator
};

}  // namespace vireo
