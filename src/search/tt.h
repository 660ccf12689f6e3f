#pragma once
// The transposition table, shared by every search thread without locks. A
// slot is copied in and out as two 64-bit words; a torn slot can at worst
// give a wrong score or a move that fails the validity test. While a large
// new table's pages are being backed, a helper thread touches them too, in a
// way that changes no value.

#include <atomic>
#include <cstdint>

#include "board/board.h"
#include "board/make_move.h"
#include "search/own_counter.h"
#include "search/score.h"
#include "support/thread.h"

namespace vireo {

constexpr uint8_t BoundUpper = 1;
constexpr uint8_t BoundLower = 2;
constexpr uint8_t BoundExact = 3;
constexpr uint8_t BoundStatic = 4;  // flag on a lower bound from static pruning

struct TtEntry {
  uint32_t check;  // high half of the key XOR its low half
  uint32_t move;
  uint8_t bound;   // 0 = empty slot
  int8_t depth;
  int16_t score;   // mate scores relative to this node
  int16_t eval;
  uint8_t age;
  uint8_t unused;
};
static_assert(sizeof(TtEntry) == 16, "four slots fill one cache line");

// Per-thread fill counters, zeroed at the start of every search.
struct TtCounters {
  OwnCounter ttUpdates;     // rewrote the slot of the same position
  OwnCounter ttNewWrites;   // took a replacement slot
  OwnCounter ttOverwrites;  // ... whose victim was written in this search
  void reset() {
    ttUpdates.reset();
    ttNewWrites.reset();
    ttOverwrites.reset();
  }
};

class Tt {
 public:
  Tt();
  ~Tt();
  Tt(const Tt&) = delete;
  Tt& operator=(const Tt&) = delete;

  // Sizes the table to the largest power of two not above `kilobytes` (at
  // least 256 KB) and returns that size in bytes. The same size keeps the
  // contents; a new size starts empty. A failed allocation retries with half.
  // The pages of a large new or cleared table are backed by a helper thread
  // while the caller goes on (see touchPages).
  uint64_t resize(int64_t kilobytes);
  void clear();
  // How long resize and clear may spend backing pages before they leave the
  // rest to the helper thread (tests set 0 to leave it nearly all).
  void setPageBudget(uint32_t ms) { pageBudgetMs_ = ms; }
  // Whether every page is backed; until then stores into the part not yet
  // backed are dropped.
  bool pagesBacked() const { return touched_.load(std::memory_order_relaxed) >= entries_; }
  void newSearch() { generation_ = uint8_t(generation_ + 1); }

  bool probe(const Board& board, TtEntry& entry);
  void store(const Board& board, TtEntry entry, TtCounters& counters);
  // Stores a score given relative to the root, at `ply` plies from it.
  void storeScore(const Board& board, int bound, int depth, int ply, int score, Move move,
                  int eval, TtCounters& counters);
  bool removePosition(const Board& board);

  // Both are inlined by force: g++'s link-time optimisation takes a function
  // whose only effect is a prefetch for one without effects and deletes its
  // calls, so out of line they would silently do nothing.
  [[gnu::always_inline]] void prefetch(uint64_t key, Colour side) const {
    __builtin_prefetch(&table_[index(key, side)], 0, 3);
  }
  // The bucket of the position after `move`, asked for while the board is
  // still before it.
  [[gnu::always_inline]] void prefetchChild(const Board& board, Move move) const {
    prefetch(keyAfter(board, move), board.sideToMove ^ 1);
  }

  uint64_t entries() const { return entries_; }
  uint64_t sizeBytes() const { return sizeBytes_; }
  uint8_t generation() const { return generation_; }

 private:
  struct Slot {
    std::atomic<uint64_t> words[2];
  };
  static_assert(sizeof(Slot) == 16);

  uint64_t index(uint64_t key, Colour side) const { return ((key & 0xFFFFFFFFu) + 4 * side) & mask_; }
  static uint32_t checkOf(uint64_t key) { return uint32_t(key >> 32) ^ uint32_t(key); }
  static TtEntry load(const Slot& slot);
  static void save(Slot& slot, const TtEntry& entry);
  void touchPages(uint64_t from, uint32_t startMs);
  void stopTouchingPages();

  Slot* table_ = nullptr;
  void* raw_ = nullptr;
  uint64_t rawBytes_ = 0;
  uint64_t sizeBytes_ = 0;
  uint64_t entries_ = 0;
  uint64_t mask_ = 0;
  uint8_t generation_ = 0;
  // The helper thread that backs the pages of a new or cleared table, and how
  // far it got: every page of the slots below `touched_` is backed.
  PlatformThread toucher_;
  std::atomic<bool> stopTouching_{false};
  // On a line of its own, away from the fields every probe reads.
  alignas(64) std::atomic<uint64_t> touched_{0};
  // Well inside the few seconds a GUI waits for "readyok", and enough for
  // the largest table where the system backs memory at its usual speed.
  uint32_t pageBudgetMs_ = 500;
};

// Mate scores are stored relative to the node and read back relative to the
// root, so that an entry counts the plies from its own position.
inline int scoreToTt(int score, int ply) {
  return score > MateStoreBound ? score + ply : score < -MateStoreBound ? score - ply : score;
}
inline int scoreFromTt(int score, int ply) {
  return score > MateStoreBound ? score - ply : score < -MateStoreBound ? score + ply : score;
}

}  // namespace vireo
