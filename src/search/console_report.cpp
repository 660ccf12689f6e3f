// The human-readable trace of a search on the console: one line per new best
// line or iteration, and the statistics at the end. All of it goes to the
// log, so none of it reaches a GUI.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/console_report.h"
#include "search/searcher.h"
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

void Searcher::scoreLine(int score, const char* text) {
  if (!logStreamOpen()) return;
  const std::string line = scoreLineText(depth_, threads_[0].state.selDepth,
                                         currentTimeMs() - timeControl_.start(), masterNodes(), score, text);
  logInfo("%s", line.c_str());
}

void Searcher::scoreLineWithMove(int score, const char* text, Move move) {
  scoreLine(score, text);
  if (move) {
    char buffer[16];
    moveToText(board(), move, buffer);
    logInfo(" %s", buffer);
  }
  logInfo("\n");
}

void Searcher::reportLine(int rank) {
  const RootMove& r = rootMoveAt(rank);
  const Move* line = lineAt(rank);
  if (listener) listener->reportPv(r.depth, r.score, line[0]);
  if (!logStreamOpen()) return;

  Board& b = board();
  std::string text;
  if (multiPv > 1) text = std::to_string(rank + 1) + ") ";
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

void Searcher::printStatistics() {
  if (!logStreamOpen()) return;
  uint64_t quiescence = 0, pruned = 0, interior = 0, frontier = 0, updates = 0, newWrites = 0,
           overwrites = 0;
  for (int i = 0; i < threadCount_; ++i) {
    const SearchState& s = threads_[i].state;
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
  const uint32_t elapsedMs = std::max<uint32_t>(currentTimeMs() - timeControl_.start(), 1);
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
          percent(double(newWrites) - double(overwrites), double(tt_.entries())));
  if (threadCount_ <= 1) return;
  for (int i = 0; i < threadCount_; ++i) {
    const SearchThread& t = threads_[i];
    const uint64_t threadNodes = t.state.nodes();
    const uint32_t work = t.timeSpent[ActivityWork];
    const Scaled tn = scaled(threadNodes);
    const Scaled tnps = scaled(work ? threadNodes * 1000 / work : 0);
    logInfo("%s: splits=%i, joins=%i, kills=%i, admin=%i, masterwait=%i, slavewait=%i, workwait=%i, "
            "work=%i, nodes=%i%c, nps=%i%c\n",
            i == 0 ? "master" : "slave ", int(t.splits), int(t.joins), int(t.kills.load()),
            int(t.timeSpent[ActivityAdmin]), int(t.timeSpent[ActivityMasterWait]),
            int(t.timeSpent[ActivitySlaveWait]), int(t.timeSpent[ActivityWorkWait]), int(work),
            int(tn.value), tn.suffix, int(tnps.value), tnps.suffix);
  }
}

}  // namespace vireo
