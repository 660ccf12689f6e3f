// The "info" and "bestmove" lines. Each writer builds its whole output and
// hands it over with one write and one flush, so that lines written by the
// master search thread and by the main thread never mix inside a line.

#include <algorithm>
#include <cstdio>

#include "search/searcher.h"
#include "support/platform.h"
#include "uci/reports.h"
#include "uci/uci.h"

namespace vireo {

namespace {

// Currmove lines after the first of an iteration, and repeated PV reports,
// come at most this often.
constexpr uint32_t ReportIntervalMs = 100;
// A PV move is appended only while more than this much of a line's budget
// is left.
constexpr size_t LineBudget = 8192;
constexpr size_t PvMoveRoom = 11;

void appendFormat(std::string& line, const char* format, auto... args) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, args...);
  line += buffer;
}

}  // namespace

std::string moveToUci(Move move) {
  if (!move) return "0000";
  const Square from = moveFrom(move), to = moveTo(move);
  std::string text{char('a' + from % 8), char('1' + from / 8), char('a' + to % 8), char('1' + to / 8)};
  // Lower case, as the protocol writes it: GUIs and engines that read the
  // move list refuse an upper-case letter.
  if (const PieceType promotion = movePromotion(move)) text += "  nbrqk"[promotion];
  return text;
}

std::string moveToUci(const Board& board, Move move) {
  if (!board.chess960 || !isCastling(move)) return moveToUci(move);
  const Square from = moveFrom(move), rook = castlingRookSquare(board.castlingRules, move);
  return {char('a' + from % 8), char('1' + from / 8), char('a' + rook % 8), char('1' + rook / 8)};
}

void appendScore(std::string& line, int score, int bound) {
  if (score <= -Mate)
    line += " score mate 0";  // mated at the root: no sign to give a zero
  else if (score > MateBound)
    appendFormat(line, " score mate %i", mateInMoves(score));
  else if (score < -MateBound)
    appendFormat(line, " score mate -%i", -mateInMoves(score));
  else
    appendFormat(line, " score cp %i", score);
  if (bound == BoundUpper)
    line += " upperbound";
  else if (bound != BoundExact)
    line += " lowerbound";
}

uint32_t Uci::elapsedMs() const { return currentTimeMs() - searcher_.timeControl().start(); }

void Uci::resetThrottle() {
  nextReportTime_.store(0, std::memory_order_relaxed);
  lastPvDepth_.store(0, std::memory_order_relaxed);
  lastPvScore_.store(0, std::memory_order_relaxed);
  lastPvMove_.store(0, std::memory_order_relaxed);
  pvRepeated_.store(false, std::memory_order_relaxed);
}

void Uci::appendStats(std::string& line, uint32_t elapsed, uint64_t nodes) const {
  appendFormat(line, " time %0.0f nodes %0.0f", double(elapsed), double(nodes));
  if (elapsed > 99) appendFormat(line, " nps %u", uint32_t(nodes * 1000 / elapsed));
  uint64_t fresh = 0;
  for (int i = 0; i < searcher_.threadCount(); ++i) {
    const TtCounters& c = searcher_.thread(i).state.tt;
    fresh += c.ttNewWrites - c.ttOverwrites;
  }
  const uint64_t entries = searcher_.tt().entries();
  appendFormat(line, " hashfull %u", entries ? uint32_t(double(fresh) / double(entries) * 1000.0) : 0u);
}

void Uci::reportCurrMove(int depth, int moveIndex, Move move) {
  if (!sendPv_ || muted_) return;
  const uint32_t elapsed = elapsedMs();
  if ((moveIndex != 0 || pvRepeated_.load(std::memory_order_relaxed)) &&
      elapsed < nextReportTime_.load(std::memory_order_relaxed))
    return;
  nextReportTime_.store(elapsed + ReportIntervalMs, std::memory_order_relaxed);
  std::string line;
  appendFormat(line, "info depth %u currmovenumber %u currmove ", unsigned(depth), unsigned(moveIndex + 1));
  line += moveToUci(board_, move);
  appendStats(line, elapsed, searcher_.totalNodes());
  line += '\n';
  write(line);
}

void Uci::reportPv(int depth, int score, Move move) {
  if (!sendPv_ || muted_) return;
  const bool repeated = score == lastPvScore_.load(std::memory_order_relaxed) &&
                        move == lastPvMove_.load(std::memory_order_relaxed) &&
                        depth - lastPvDepth_.load(std::memory_order_relaxed) > 8;
  pvRepeated_.store(repeated, std::memory_order_relaxed);
  if (repeated && elapsedMs() < nextReportTime_.load(std::memory_order_relaxed)) return;
  sendInfo(depth);
  if (score != lastPvScore_.load(std::memory_order_relaxed) || move != lastPvMove_.load(std::memory_order_relaxed)) {
    lastPvDepth_.store(depth, std::memory_order_relaxed);
    lastPvScore_.store(score, std::memory_order_relaxed);
    lastPvMove_.store(move, std::memory_order_relaxed);
  }
}

void Uci::sendInfo(int minDepth) {
  const int count = std::max(1, std::min(searcher_.multiPv, searcher_.rootMoveCount()));
  const bool multi = count > 1;
  const uint32_t elapsed = elapsedMs();
  const uint64_t nodes = searcher_.totalNodes();
  const bool withPv = sendPv_;
  const SearchThread& master = searcher_.thread(0);

  std::string out;
  for (int rank = 0; rank < count; ++rank) {
    const RootMove& r = searcher_.rootMoveAt(rank);
    if (multi && (r.bound == BoundUpper || r.depth < minDepth)) continue;
    // Each line has its own budget, so that many lines never starve the
    // later ones of their PV.
    std::string line;
    // The deepest ply reached is at least the iteration's depth, even where
    // the line was cut short by table hits.
    appendFormat(line, "info depth %u seldepth %u", unsigned(r.depth),
                 std::max(unsigned(r.depth), unsigned(master.state.selDepth)));
    appendScore(line, r.score, r.bound);
    appendStats(line, elapsed, nodes);
    const Move* pv = searcher_.lineAt(rank);
    if (withPv && pv[0]) {
      if (multi) appendFormat(line, " multipv %i", rank + 1);
      line += " pv";
      for (; *pv && LineBudget - line.size() > PvMoveRoom; ++pv) {
        line += ' ';
        line += moveToUci(board_, *pv);
      }
    }
    line += '\n';
    out += line;
  }
  write(out);
}

void Uci::sendBestmove(Move move, Move ponder) {
  std::string line = "bestmove " + moveToUci(board_, move);
  if (ponder) line += " ponder " + moveToUci(board_, ponder);
  line += '\n';
  write(line);
  if (!move) std::fprintf(stderr, "No move generated! bm=%x\n", 0u);
}

}  // namespace vireo
