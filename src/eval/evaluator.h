#pragma once
// The static evaluation: one Evaluator per search thread, bound to that
// thread's board, with its own pawn hash and a cache of final scores.

#include <cstdint>
#include <cstdio>

#include "board/board.h"
#include "eval/pawn_hash.h"

namespace vireo {

constexpr int EvalCacheSize = 4096;

struct EvalCacheSlot {
  uint64_t key;  // hashKey XOR side to move
  int32_t score;
};

// Direct-mapped and always replaced: transpositions within a search cost one probe.
struct EvalCache {
  EvalCacheSlot slots[EvalCacheSize] = {};
};

struct Evaluator {
  Evaluator() : Evaluator(nullptr) {}
  explicit Evaluator(Board* board) : board(board), pawnHash(board) {}

  Board* board;
  PawnHash pawnHash;
  uint64_t evaluations = 0;              // calls of evaluate, cache hits included
  PawnEntry* currentPawnEntry = nullptr;  // record of the last evaluatePawns
  int32_t kingShelter[2] = {};           // shelter figures of the last evaluateKing
  EvalCache cache;
};

// Binds the evaluator to a board with an empty cache and a 1-entry pawn hash.
void initEvaluator(Evaluator& evaluator, Board* board);
// Resizes the pawn hash (131072 entries for an active thread, 1 otherwise).
void resizePawnHash(Evaluator& evaluator, uint32_t entries);
// Empties the cache and the pawn hash and resets the pawn-hash counters; the
// evaluation count stays.
void clearEvaluator(Evaluator& evaluator);

// Static score of the bound board from the side to move's view.
int evaluate(Evaluator& evaluator);

// Brings the pawn record of a position about to be evaluated into the cache.
[[gnu::always_inline]] inline void prefetchPawnEntry(const Evaluator& evaluator, uint64_t pawnKey) {
  __builtin_prefetch(evaluator.pawnHash.entryFor(pawnKey), 0, 3);
}

// Prints the static score from White's view with every term that makes it
// up. Bypasses the cache and leaves what evaluate returns unchanged.
void printEvaluation(Evaluator& evaluator, FILE* out);

}  // namespace vireo
