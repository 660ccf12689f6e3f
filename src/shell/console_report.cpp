// The human-readable trace of a search on the console.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/searcher.h"
#include "shell/console_report.h"
#include "support/log.h"
#include "support/platform.h"

namespace vireo {

Scaled scaled(uint64_t n) {
  // Four divisions bring any 64-bit count below 2^24, so the suffix never
  // runs past 't' into the text's terminating zero.
  int divisions = 0;
  while (n > 99999 && divisions < 4) {
    n >>= 10;
    ++divisions;
  }
  return {(long long)n, " kmgt"[divisions]};
}

namespace {

// A share in percent; 0 when there is nothing to share (an empty search, a
// table never written), never nan or inf.
double percent(double part, double whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

const char* reasonText(int reason) {
  switch (reason) {
    case ReasonOptimal: return "(optimal)";
    case ReasonSingleMove: return "single move";
    case ReasonTimeout: return "timeout";
    case ReasonNodeout: return "nodeout";
    case ReasonDepthout: return "depthout";
    case ReasonMateFound: return "mate found";
    default: return "ok";
  }
}

}  // namespace

std::string scoreLineText(int depth, int selDepth, uint32_t elapsedMs, uint64_t nodes, int score,
                          const char* text) {
  std::string out;
  char buffer[64];
  if (depth <= 9) out += ' ';
  if (depth <= 99) out += ' ';
  std::snprintf(buffer, sizeof buffer, "[%i", depth);
  out += buffer;
  std::snprintf(buffer, sizeof buffer, "/%i] ", selDepth);
  out += buffer;
  if (selDepth <= 9) out += ' ';
  const double elapsed = double(elapsedMs) * 0.001;
  if (elapsed >= 60) {
    const int minutes = int(elapsed / 60);
    std::snprintf(buffer, sizeof buffer, "%2i:%02i:%02i", minutes / 60, minutes - 60 * (minutes / 60),
                  int(elapsed - 60 * minutes));
  } else {
    std::snprintf(buffer, sizeof buffer, "%8.3f", elapsed);
  }
  out += buffer;
  const Scaled scaledNodes = scaled(nodes);
  std::snprintf(buffer, sizeof buffer, "%8i%c", int(scaledNodes.value), scaledNodes.suffix);
  out += buffer;
  if (score >= -28999 && score < 29000)
    std::snprintf(buffer, sizeof buffer, "%8i ", score);
  else
    std::snprintf(buffer, sizeof buffer, "     %+3i#", score >= 29000 ? (30001 - score) / 2 : (-30000 - score) / 2);
  out += buffer;
  if (text) {
    out += ' ';
    out += text;
  }
  return out;
}

void ConsoleTrace::scoreLine(int score, const char* text) {
  if (!logStreamOpen()) return;
  const Searcher& s = searcher_;
  const std::string line = scoreLineText(s.depth(), s.thread(0).state.selDepth,
                                         currentTimeMs() - searcher_.timeControl().start(), s.masterNodes(),
                                         score, text);
  logInfo("%s", line.c_str());
}

void ConsoleTrace::scoreLineWithMove(int score, const char* text, Move move) {
  scoreLine(score, text);
  if (move) {
    char buffer[16];
    moveToText(searcher_.board(), move, buffer);
    logInfo(" %s", buffer);
  }
  logInfo("\n");
}

void ConsoleTrace::iterationStopped(int score) { scoreLine(score, "stopped\n"); }

void ConsoleTrace::iterationDone(int score, int reason, double branching, bool ends) {
  scoreLine(score, reasonText(reason));
  logInfo("/%2.1f %s\n", branching, ends || reason == ReasonNone ? "" : "(INF)");
}

void ConsoleTrace::rootFailHigh(int moveIndex, int moveCount, int score, Move move) {
  char text[32];
  std::snprintf(text, sizeof text, "++%i/%i ", moveIndex + 1, moveCount);
  scoreLineWithMove(score, text, move);
}

void ConsoleTrace::rootFailLow(int score, Move move) { scoreLineWithMove(score, "--", move); }

void ConsoleTrace::newLine(int rank) {
  if (!logStreamOpen()) return;
  const RootMove& r = searcher_.rootMoveAt(rank);
  const Move* line = searcher_.lineAt(rank);
  Board& b = searcher_.board();
  std::string text;
  if (searcher_.multiPv > 1) text = std::to_string(rank + 1) + ") ";
  BoardState states[MaxPly];
  int made = 0;
  for (const Move* m = line; *m && text.size() <= 1012 && made < MaxPly; ++m) {
    updateAttackInfo(b);
    if (!isMoveValid(b, *m)) break;
    char san[16];
    moveToSan(b, san, *m);
    states[made++] = b.state;
    makeMove(b, *m);
    updateAttackInfo(b);
    text += san;
    if (b.inCheck()) text += '+';
    text += ' ';
  }
  while (made > 0) {
    --made;
    unmakeMove(b, b.moveHistory[b.ply], states[made]);
  }
  text += '\n';
  scoreLine(r.score, text.c_str());
}

void ConsoleTrace::threadsStopped() {
  if (!logStreamOpen()) return;
  const Searcher& searcher = searcher_;
  const int threadCount = searcher.threadCount();
  uint64_t quiescence = 0, pruned = 0, interior = 0, frontier = 0, updates = 0, newWrites = 0,
           overwrites = 0;
  for (int i = 0; i < threadCount; ++i) {
    const SearchState& s = searcher.thread(i).state;
    quiescence += s.quiescenceNodes.get();
    pruned += s.prunedMoves.get();
    interior += s.interiorNodes.get();
    frontier += s.frontierNodes.get();
    updates += s.tt.ttUpdates;
    newWrites += s.tt.ttNewWrites;
    overwrites += s.tt.ttOverwrites;
  }
  // A search can end within the clock's first millisecond (a mated or
  // stalemated root, a zero move time): count it as one millisecond.
  const uint32_t elapsedMs = std::max<uint32_t>(currentTimeMs() - searcher_.timeControl().start(), 1);
  const uint64_t nodes = quiescence + pruned + interior;
  const double n = double(nodes);
  const Scaled sn = scaled(nodes);
  const double rate = n * 1000.0 / double(elapsedMs);
  const Scaled nps = scaled(rate < 0x1p64 ? uint64_t(rate) : UINT64_MAX);
  logInfo("nodes  : %i%c i=%5.2f%%, f=%5.2f%%, q=%5.2f%%, p=%5.2f%%, nps=%i%c\n", int(sn.value), sn.suffix,
          percent(double(interior), n), percent(double(frontier), n),
          percent(double(quiescence) - double(frontier), n), percent(double(pruned), n), int(nps.value),
          nps.suffix);
  logInfo("tt     : upd=%5.2f%%, full=%5.2f%%\n", percent(double(updates), double(updates + newWrites)),
          percent(double(newWrites) - double(overwrites), double(searcher_.tt().entries())));
  if (threadCount <= 1) return;
  for (int i = 0; i < threadCount; ++i) {
    const SearchThread& t = searcher.thread(i);
    const uint32_t* timeSpent = t.activity->spent;
    const uint64_t threadNodes = t.state.nodes();
    const uint32_t work = timeSpent[ActivityWork];
    const Scaled tn = scaled(threadNodes);
    const Scaled tnps = scaled(work ? threadNodes * 1000 / work : 0);
    logInfo("%s: splits=%i, joins=%i, kills=%i, admin=%i, masterwait=%i, slavewait=%i, workwait=%i, "
            "work=%i, nodes=%i%c, nps=%i%c\n",
            i == 0 ? "master" : "slave ", int(t.splits), int(t.joins), int(t.kills.load()),
            int(timeSpent[ActivityAdmin]), int(timeSpent[ActivityMasterWait]),
            int(timeSpent[ActivitySlaveWait]), int(timeSpent[ActivityWorkWait]), int(work),
            int(tn.value), tn.suffix, int(tnps.value), tnps.suffix);
  }
}

}  // namespace vireo
