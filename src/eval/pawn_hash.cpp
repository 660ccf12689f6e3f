#include "eval/pawn_hash.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vireo {

PawnHash::PawnHash(Board* board) : board(board) { resize(1); }

PawnHash::~PawnHash() { std::free(raw); }

void PawnHash::resize(uint32_t requested) {
  count = std::bit_floor(requested > 0 ? requested : 1u);
  const size_t bytes = size_t(count) * sizeof(PawnEntry) + PawnHashAlignment;
  std::free(raw);
  raw = std::malloc(bytes);
  if (!raw) {
    std::fprintf(stderr, "failed to allocate %zu bytes for pawnhash\n", bytes);
    std::abort();
  }
  const uintptr_t address = reinterpret_cast<uintptr_t>(raw);
  entries = reinterpret_cast<PawnEntry*>((address + PawnHashAlignment - 1) &
                                         ~uintptr_t(PawnHashAlignment - 1));
  mask = count - 1;
  clear();
}

void PawnHash::clear() {
  std::memset(static_cast<void*>(entries), 0, size_t(count) * sizeof(PawnEntry));
  // A position without pawns has pawn key 0 and lands on entry 0: it must
  // not find the empty record there.
  entries[0].key = 1;
  hits = misses = 0;
}

}  // namespace vireo
