#include "search/tt.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "board/movegen.h"
#include "support/log.h"
#include "support/platform.h"

namespace vireo {

namespace {

constexpr uint64_t SlotsPerPage = 4096 / 16;
constexpr uint64_t SlotsPerClockRead = 2 * 1024 * 1024 / 16;

// A write access for the processor, so the system backs the page, but no
// change to the value: a search thread writing the slot meanwhile (a probe
// refreshing its age) loses nothing.
void touch(std::atomic<uint64_t>& word) {
  uint64_t expected = 0;
  word.compare_exchange_strong(expected, 0, std::memory_order_relaxed);
}

}  // namespace

Tt::Tt() { resize(1024); }

Tt::~Tt() {
  stopTouchingPages();
  freeLarge(raw_, rawBytes_);
}

// A new table comes from the system as untouched zero pages; the first
// write to each makes the system back it, which for a table of gigabytes can
// take seconds. Left to the search, its first iterations would crawl from
// fault to fault; all done here, it would hold up the GUI's "readyok". So
// the pages from slot `from` on are touched here for a bounded time and the
// rest by a helper thread while the GUI goes on, and the search stores only
// into the part already backed. The time counts from `startMs`, the start
// of the resize or clear.
void Tt::touchPages(uint64_t from, uint32_t startMs) {
  uint64_t i = from;
  while (i < entries_) {
    touch(table_[i].words[0]);
    i += SlotsPerPage;
    if (i % SlotsPerClockRead == 0 && currentTimeMs() - startMs >= pageBudgetMs_) break;
  }
  touched_ = std::min(i, entries_);
  if (i >= entries_) return;
  stopTouching_ = false;
  toucher_.start([this, i] {
    uint64_t k = i;
    while (k < entries_ && !stopTouching_.load(std::memory_order_relaxed)) {
      touch(table_[k].words[0]);
      k += SlotsPerPage;
      if (k % SlotsPerClockRead == 0) touched_.store(k, std::memory_order_relaxed);
    }
    touched_.store(std::min(k, entries_), std::memory_order_relaxed);
  });
}

void Tt::stopTouchingPages() {
  stopTouching_ = true;
  toucher_.join();
}

uint64_t Tt::resize(int64_t kilobytes) {
  int64_t p = 2;
  while (p <= kilobytes) p *= 2;
  const int64_t half = p / 2;
  const uint64_t bytes = half >= 256 ? uint64_t(half) * 1024 : 262144;
  if (bytes == sizeBytes_) return bytes;

  const uint32_t startMs = currentTimeMs();
  stopTouchingPages();
  freeLarge(raw_, rawBytes_);
  raw_ = nullptr;
  sizeBytes_ = bytes;
  for (;;) {
    rawBytes_ = sizeBytes_ + 128;
    raw_ = allocateLarge(rawBytes_);
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
  // The new block is zero-filled already: the table is empty without a
  // clear, which would only write every page a second time.
  generation_ = 1;
  touchPages(0, startMs);
  return bytes;
}

// Writing zeros is the quickest clear of the pages that are backed; the rest
// may not be backed yet, and writing would back them all here, so they are
// left to come back zero-filled and are touched as after a resize.
void Tt::clear() {
  const uint32_t startMs = currentTimeMs();
  stopTouchingPages();
  generation_ = 0;
  const uint64_t backed = touched_;
  std::memset(static_cast<void*>(table_), 0, backed * sizeof(Slot));
  zeroLarge(table_ + backed, (entries_ - backed) * sizeof(Slot));
  generation_ = 1;
  touchPages(backed, startMs);
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
  // While the helper thread is still backing the table, a store beyond it
  // would have the search wait for the system to back that page (a read
  // only maps the shared zero page). The table is a cache: drop the entry.
  if (i >= touched_.load(std::memory_order_relaxed)) return;
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
