// Evaluations per second over a fixed set of positions, single thread, with
// the evaluation cache bypassed on every call. Two runs: with the pawn hash
// of a search thread (pawn records mostly found) and with a one-entry pawn
// hash (every pawn structure scored anew).
//
//   eval_speed [seconds per run, default 2] [warm | cold: only that run]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "board/fen.h"
#include "board/zobrist.h"
#include "eval/evaluator.h"
#include "eval/weights.h"

using namespace vireo;

namespace {

const char* const Positions[] = {
    // Openings and middlegames.
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "rnbqkb1r/pppp1ppp/5n2/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -",
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq -",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq -",
    "rnbqk2r/ppp1bppp/4pn2/3p2B1/2PP4/2N5/PP2PPPP/R2QKBNR w KQkq -",
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r2q1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PNBPN2/PB3PPP/R2Q1RK1 w - -",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3BPP2/2NB4/PPPQ2PP/2KR3R w - -",
    "2rq1rk1/pb2bppp/1pn1pn2/2pp4/3P4/1PNBPN2/PBQ2PPP/2R2RK1 w - -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "r1bqr1k1/pp1nbppp/2p2n2/3p2B1/3P4/2NBP3/PPQ1NPPP/R3K2R w KQ -",
    "2kr3r/pp1qbppp/2n1pn2/3p4/3P1B2/2PB1N2/PP1N1PPP/R2Q1RK1 w - -",
    "r2qr1k1/1b1nbppp/p2p1n2/1pp1p3/4P3/1BPP1N1P/PP1N1PP1/R1BQR1K1 w - -",
    "rn1qkb1r/pp3ppp/2p1pn2/3p1b2/2PP4/1QN1P3/PP3PPP/R1B1KBNR w KQkq -",
    "r1bq1rk1/ppp2ppp/2n2n2/3pp3/1bPP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ -",
    "1r3rk1/5ppp/p1q1p3/2bpP3/5B2/2P2Q2/P4PPP/R4RK1 w - -",
    "r3r1k1/pp3pbp/1qp1b1p1/2B5/2BP4/Q1n2N2/P4PPP/3RK2R w K -",
    "3r1rk1/p4ppp/1pq1p3/2n1P3/2P2B2/P4Q2/5PPP/3R1RK1 b - -",
    "r4rk1/pp3ppp/2n1b3/q1pp2B1/8/P1Q2NP1/1PP1PP1P/2KR3R w - -",
    "6k1/pp3ppp/4p3/2q5/2P1Q3/1P4P1/P4P1P/6K1 w - -",
    "2r2rk1/pp1bqpp1/2nppn1p/2p5/2P1P2B/2PP1N2/P1Q1BPPP/R4RK1 w - -",
    "r1b1k2r/1pqp1ppp/p1n1pn2/8/1b1NP3/2NBB3/PPP2PPP/R2Q1RK1 w kq -",
    "rnb2rk1/ppq1ppbp/3p1np1/2pP4/2P1P3/2N2N2/PP2BPPP/R1BQK2R w KQ -",
    // Endgames.
    "8/8/4k3/3p4/3P4/4K3/8/8 w - -",
    "8/5pk1/6p1/7p/7P/6P1/5PK1/8 w - -",
    "8/8/1p2k3/p1p2p2/P1P2P2/1P2K3/8/8 w - -",
    "4k3/8/8/8/8/8/4P3/4K3 w - -",
    "8/5k2/8/8/2K5/8/1P6/8 b - -",
    "5k2/8/8/8/8/8/8/4KBN1 w - -",
    "8/8/4k3/4r3/8/4P3/4K3/3R4 w - -",
    "8/p4pk1/1p4p1/2p5/2P1r3/1P3RP1/P4PKP/8 w - -",
    "3r2k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -",
    "8/2b2k2/1p4p1/pP1p2P1/P2P4/4B3/5K2/8 w - -",
    "6k1/5p2/6p1/8/7P/5PK1/3n4/8 b - -",
    "8/6k1/6p1/2q4p/7P/5QP1/5PK1/8 w - -",
    "8/8/3k4/8/2PK4/8/8/8 w - -",
    "8/2p5/3k4/1p1p1K2/1P1P4/2P5/8/8 w - -",
    "8/8/8/3B4/8/3k4/8/3K1b2 w - -",
    "2r3k1/5pp1/7p/8/8/6P1/5PKP/2R5 w - -",
};
constexpr int PositionCount = sizeof Positions / sizeof Positions[0];

Board boards[PositionCount];
Evaluator evaluator;

// Evaluates every position `rounds` times over; returns a checksum.
int64_t run(int rounds) {
  int64_t sum = 0;
  for (int r = 0; r < rounds; ++r) {
    for (Board& board : boards) {
      evaluator.board = &board;
      // Empty the one cache slot the position would find.
      const uint64_t key = board.hashKey ^ uint64_t(board.sideToMove);
      evaluator.cache.slots[key & (EvalCacheSize - 1)].key = 0;
      sum += evaluate(evaluator);
    }
  }
  return sum;
}

void measure(const char* label, uint32_t pawnEntries, double seconds) {
  resizePawnHash(evaluator, pawnEntries);
  run(10);  // warm up
  // Grow the number of rounds until a run takes long enough.
  int rounds = 100;
  for (;;) {
    const auto start = std::chrono::steady_clock::now();
    const int64_t checksum = run(rounds);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed >= seconds) {
      const double evals = double(rounds) * PositionCount;
      std::printf("%-28s %10.0f evals/s  %6.1f ns/eval  (%d positions, %.0f evals, checksum %lld)\n",
                  label, evals / elapsed, elapsed * 1e9 / evals, PositionCount, evals,
                  static_cast<long long>(checksum / rounds));
      return;
    }
    rounds = elapsed > 0.01 ? int(rounds * seconds / elapsed * 1.05) + 1 : rounds * 10;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  const char* only = argc > 2 ? argv[2] : "";
  initTables();
  initZobrist();
  rebuildEvalTables();
  for (int i = 0; i < PositionCount; ++i) {
    if (!setFen(boards[i], Positions[i])) {
      std::fprintf(stderr, "bad position %d\n", i);
      return 1;
    }
  }
  initEvaluator(evaluator, &boards[0]);
  if (std::strcmp(only, "cold") != 0)
    measure("pawn hash 131072 entries", ActivePawnHashEntries, seconds);
  if (std::strcmp(only, "warm") != 0) measure("pawn hash 1 entry", 1, seconds);
  // For instruction counts per evaluation (valgrind --tool=callgrind).
  std::printf("evaluations in all runs: %llu\n",
              static_cast<unsigned long long>(evaluator.evaluations));
  return 0;
}
