#include "search/bench.h"

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <memory>
#include <thread>

#include "board/fen.h"
#include "eval/evaluator.h"
#include "eval/weights.h"
#include "search/searcher.h"
#include "support/log.h"
#include "support/platform.h"

namespace vireo {

namespace {

// Openings, middlegames, endgames and tactics.
constexpr const char* BenchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "rnbqk2r/ppp1bppp/4pn2/3p2B1/2PP4/2N5/PP2PPPP/R2QKBNR w KQkq - 4 5",
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r1bqk2r/pp1n1ppp/2pbpn2/3p4/2PP4/2N1PN2/PPQ2PPP/R1B1KB1R w KQkq - 2 7",
    "2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PN1PN2/PB2BPPP/2RQ1RK1 w - - 2 11",
    "r2qr1k1/1b1nbppp/p2ppn2/1p6/3NP3/1BN1B3/PPPQ1PPP/2KR3R w - - 4 12",
    "3r1rk1/pp3ppp/2n1b3/q1bpP3/8/2NB1N2/PPQ2PPP/R4RK1 b - - 3 15",
    "r1b2rk1/2q1bppp/p2p1n2/np2p3/3PP3/2P2N1P/PPB2PP1/RNBQR1K1 w - - 1 13",
    "2r2rk1/1bqnbppp/p2ppn2/1p6/3NPP2/P1N1B3/1PP1B1PP/R2Q1RK1 w - - 1 13",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2PP1N2/PP3PPP/RNBQ1RK1 w - - 1 7",
    "6k1/pp3ppp/4p3/2P5/1P1r4/P3R3/5PPP/6K1 w - - 0 28",
    "8/5pk1/6p1/p2P4/Pp1K4/1P6/6PP/8 w - - 0 40",
    "8/8/2k5/2p5/2P5/3K4/8/8 w - - 0 50",
    "8/6pk/1p6/8/PP3p1p/5P2/4KP1P/8 b - - 0 1",
    "4rrk1/pp1n3p/3q2pQ/2p1pb2/2PP4/2P3N1/P2B2PP/4RRK1 b - - 7 19",
    "r3r1k1/2p2ppp/p1p1bn2/8/1q2P3/2NPQN2/PPP3PP/R4RK1 b - - 2 15",
    "r1bbk1nr/pp3p1p/2n5/1N4p1/2Np1B2/8/PPP2PPP/2KR1B1R w kq - 0 13",
    "r1bq1rk1/ppp1nppp/4n3/3p3Q/3P4/1BP1B3/PP1N2PP/R4RK1 w - - 1 16",
    "4r1k1/r1q2ppp/ppp2n2/4P3/5Rb1/1N1BQ3/PPP3PP/R5K1 w - - 1 17",
    "2rqkb1r/ppp2p2/2npb1p1/1N1Nn2p/2P1PP2/8/PP2B1PP/R1BQK2R b KQ - 0 11",
    "r1b1kb1r/pp3ppp/2n1pn2/q7/2BP4/2N2N2/PP3PPP/R1BQK2R w KQkq - 4 8",
    "5rk1/1ppb3p/p1pb4/6q1/3P1p1r/2P1R2P/PP1BQ1P1/5RKN w - - 0 1",
    "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - - 0 1",
    "1r4k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "8/8/8/8/5kp1/P7/8/1K1N4 w - - 0 1",
};

// What the bench sets for itself and gives back.
struct UserSettings {
  explicit UserSettings(Searcher& searcher)
      : board(std::make_unique<Board>()),
        threads(searcher.threadCount()),
        tableKb(int64_t(searcher.tt().sizeBytes() >> 10)),
        timeControl(searcher.timeControl()),
        listener(searcher.listener),
        multiPv(searcher.multiPv),
        mateInMoves(searcher.mateInMoves),
        searchMoveCount(searcher.searchMoveCount()) {
    copyBoard(*board, searcher.board());
    std::copy(searcher.searchMoves(), searcher.searchMoves() + searchMoveCount, searchMoves);
    for (int i = 0; i < EvalWeightCount; ++i) weights[i] = getEvalWeight(unsigned(i));
  }

  void restore(Searcher& searcher) const {
    for (int i = 0; i < EvalWeightCount; ++i)
      if (getEvalWeight(unsigned(i)) != weights[i]) setEvalWeight(i, weights[i]);
    searcher.setSearchMoves(searchMoves, searchMoveCount);
    searcher.mateInMoves = mateInMoves;
    searcher.multiPv = multiPv;
    searcher.listener = listener;
    searcher.timeControl() = timeControl;
    searcher.tt().resize(tableKb);
    searcher.setThreads(threads);
    // The caches hold evaluations made with the bench's weights.
    clearEvaluator(searcher.thread(0).evaluator);
    copyBoard(searcher.board(), *board);
    updateAttackInfo(searcher.board());
  }

  std::unique_ptr<Board> board;
  int threads;
  int64_t tableKb;
  TimeControl timeControl;
  SearchListener* listener;
  int multiPv;
  int mateInMoves;
  int searchMoveCount;
  Move searchMoves[MaxMoves];
  int weights[EvalWeightCount];
};

// The engine's own settings, which the signature is taken with: one line
// (the MultiPV margin then plays no part), every root move, no mate goal.
void useBenchSettings(Searcher& searcher) {
  for (int i = 0; i < EvalWeightCount; ++i)
    if (getEvalWeight(unsigned(i)) != DefaultEvalWeight) setEvalWeight(i, DefaultEvalWeight);
  searcher.setSearchMoves(nullptr, 0);
  searcher.mateInMoves = 0;
  searcher.multiPv = 1;
  searcher.listener = nullptr;
  searcher.timeControl() = TimeControl();
  searcher.tt().resize(BenchTableKb);
  searcher.setThreads(1);
}

}  // namespace

BenchResult runBench(Searcher& searcher, int depth) {
  const auto user = std::make_unique<UserSettings>(searcher);
  useBenchSettings(searcher);
  FILE* log = setLogStream(nullptr);

  Board& board = searcher.board();
  TimeControl& tc = searcher.timeControl();
  BenchResult result;
  const uint32_t start = currentTimeMs();
  for (const char* fen : BenchPositions) {
    setFen(board, fen);
    searcher.tt().clear();
    // A table whose pages are still being backed drops stores, and how many
    // would depend on the machine's speed.
    while (!searcher.tt().pagesBacked()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    clearEvaluator(searcher.thread(0).evaluator);
    tc.setDepthLimit(depth);
    tc.setMoveTime(0xFFFFFFF0u);
    searcher.startSearch();
    searcher.waitIdle();
    result.nodes += searcher.masterNodes();
  }
  result.milliseconds = currentTimeMs() - start;

  setLogStream(log);
  user->restore(searcher);
  return result;
}

std::string benchLine(const BenchResult& result) {
  char line[80];
  const uint64_t nps = result.nodes * 1000 / (result.milliseconds ? result.milliseconds : 1);
  std::snprintf(line, sizeof line, "bench: %llu nodes %llu nps\n", (unsigned long long)result.nodes,
                (unsigned long long)nps);
  return line;
}

}  // namespace vireo
