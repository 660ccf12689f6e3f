#include "search/tt.h"

#include <cstdlib>
#include <cstring>

#include "board/movegen.h"
#include "support/log.h"
#include "support/platform.h"

namespace vireo {

Tt::Tt() { resize(1024); }

Tt::~Tt() { freeLarge(raw_); }

uint64_t Tt::resize(int64_t kilobytes) {
  int64_t p = 2;
  while (p <= kilobytes) p *= 2;
  const int64_t half = p / 2;
  const uint64_t bytes = half >= 256 ? uint64_t(half) * 1024 : 262144;
  if (bytes == sizeBytes_) return bytes;

  freeLarge(raw_);
  raw_ = nullptr;
  sizeBytes_ = bytes;
  for (;;) {
    raw_ = allocateLarge(sizeBytes_ + 128);
    if (raw_) break;
    logInfo("tt: malloc(%llu) failed, retrying...\n", (unsigned long long)sizeBytes_);
    sizeBytes_ /= 2;
    if (sizeBytes_ <= 63) {
      logDebug("FATAL: failed to malloc Tt!\n");
      flushLog();
      std::fprintf(stderr, "FATAL: failed to malloc Tt!\n");
      std::abort();
    }
  }
  const uintptr_t aligned = (uintptr_t(raw_) + 127) & ~uintptr_t(127);
  table_ = reinterpret_cast<Slot*>(aligned);
  entries_ = sizeBytes_ / sizeof(Slot);
  mask_ = entries_ - 1;
  clear();
  return bytes;
}

void Tt::clear() {
  generation_ = 0;
  std::memset(static_cast<void*>(table_), 0, sizeBytes_);
  generation_ = 1;
}

TtEntry Tt::load(const Slot& slot) {
  const uint64_t words[2] = {slot.words[0].load(std::memory_order_relaxed),
                             slot.words[1].load(std::memory_order_relaxed)};
  TtEntry entry;
  std::memcpy(&entry, words, sizeof entry);
  return entry;
}

void Tt::save(Slot& slot, const TtEntry& entry) {
  uint64_t words[2];
  std::memcpy(words, &entry, sizeof words);
  slot.words[0].store(words[0], std::memory_order_relaxed);
  slot.words[1].store(words[1], std::memory_order_relaxed);
}

bool Tt::probe(const Board& board, TtEntry& entry) {
  const uint64_t i = index(board.hashKey, board.sideToMove);
  const uint32_t check = checkOf(board.hashKey);
  for (uint64_t k = 0; k < 4; ++k) {
    Slot& slot = table_[i ^ k];
    TtEntry e = load(slot);
    if (e.check != check || (e.move && !isMoveValid(board, e.move))) continue;
    if (e.age != generation_) {
      e.age = generation_;
      save(slot, e);
    }
    entry = e;
    return true;
  }
  return false;
}

void Tt::store(const Board& board, TtEntry e, TtCounters& counters) {
  const uint64_t i = index(board.hashKey, board.sideToMove);
  e.check = checkOf(board.hashKey);
  e.age = generation_;
  if (e.bound == BoundUpper) e.move = 0;  // fail-low entries carry no move

  for (uint64_t k = 0; k < 4; ++k) {
    Slot& slot = table_[i ^ k];
    const TtEntry s = load(slot);
    if (s.check != e.check) continue;
    // A shallower result replaces a deeper one only when it tells more.
    if (e.depth < s.depth &&
        (s.bound == BoundExact || ((s.bound & BoundLower) && e.score <= s.score) ||
         (s.bound == BoundUpper && e.score >= s.score)))
      return;
    if (!e.move) e.move = s.move;
    save(slot, e);
    ++counters.ttUpdates;
    return;
  }

  uint64_t victim = i;
  int lowest = 0;
  for (uint64_t k = 0; k < 4; ++k) {
    const TtEntry s = load(table_[i ^ k]);
    const int value = s.age == generation_ ? s.depth : s.depth - 8192;
    if (k == 0 || value < lowest) {
      lowest = value;
      victim = i ^ k;
    }
  }
  ++counters.ttNewWrites;
  if (load(table_[victim]).age == generation_) ++counters.ttOverwrites;
  save(table_[victim], e);
}

void Tt::storeScore(const Board& board, int bound, int depth, int ply, int score, Move move,
                    int eval, TtCounters& counters) {
  TtEntry e{};
  e.move = move;
  e.bound = uint8_t(bound);
  e.depth = int8_t(depth);
  e.score = int16_t(scoreToTt(score, ply));
  e.eval = int16_t(eval);
  store(board, e, counters);
}

bool Tt::removePosition(const Board& board) {
  const uint64_t i = index(board.hashKey, board.sideToMove);
  const uint32_t check = checkOf(board.hashKey);
  bool found = false;
  for (uint64_t k = 0; k < 4; ++k) {
    Slot& slot = table_[i ^ k];
    if (load(slot).check != check) continue;
    save(slot, TtEntry{});
    found = true;
  }
  return found;
}


}  // namespace vireo
