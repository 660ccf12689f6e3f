// The root: iterative deepening with aspiration windows over the root moves,
// several principal variations, and the decision when to stop.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "board/movegen.h"
#include "eval/exchange.h"
#include "search/search.h"
#include "search/search_common.h"
#include "search/searcher.h"
#include "support/platform.h"

namespace vireo {

namespace {

constexpr int AspirationSteps[7] = {25, 50, 150, 400, 650, 1250, 60000};

}  // namespace

void Searcher::setSearchMoves(const Move* moves, int count) {
  searchMoveCount_ = std::clamp(count, 0, MaxMoves);
  std::copy(moves, moves + searchMoveCount_, searchMoves_);
}

void Searcher::buildRootList() {
  Board& b = board();
  Move moves[MaxMoves];
  int count = int(generateLegal(b, moves) - moves);
  if (searchMoveCount_) {
    const Move* chosen = searchMoves_;
    const Move* chosenEnd = searchMoves_ + searchMoveCount_;
    Move* end = std::remove_if(moves, moves + count,
                               [&](Move m) { return std::find(chosen, chosenEnd, m) == chosenEnd; });
    // None of them legal here: the whole position rather than no move.
    if (end != moves) count = int(end - moves);
  }
  // A mated or stalemated root: its score is exact.
  rootMoves_[0] = RootMove{};
  rootMoves_[0].score = int16_t(b.inCheck() ? -Mate : 0);
  rootMoves_[0].bound = BoundExact;
  for (int i = 0; i < count; ++i) {
    RootMove& r = rootMoves_[i];
    r = RootMove{};
    r.move = moves[i];
    r.score = int16_t(32 * (2 * seeMove(b, moves[i]) + seeSquare(b, moveFrom(moves[i]))));
    order_[i] = i;
    pvLines_[i][0] = moves[i];
    pvLines_[i][1] = 0;
  }
  rootMoveCount_ = count;
}

void Searcher::think() {
  SearchThread& master = threads_[0];
  buildRootList();
  if (rootMoveCount_ == 0) {
    // An analysing GUI shows the mate or stalemate at once, not only when
    // it stops the search, which it may never do before moving on.
    if (listener && timeControl_.infinite()) listener->reportPv(0, rootMoves_[0].score, 0);
    waitForStopRequest();
    if (listener) listener->finished(depth_, rootMoves_[0].score, rootMoves_[0].move);
    return;
  }
  rootEval_ = evaluate(master.evaluator);
  uint64_t previousNodes = 1;
  for (int depth = 1;; ++depth) {
    depth_ = depth;
    timeControl_.setDepth(depth);
    aspirate(depth);
    restorePv();
    const RootMove& best = rootMoveAt(0);
    if (limitReached()) {
      if (trace) trace->iterationStopped(best.score);
      break;
    }
    timeControl_.iterationDone(best.move, best.score);

    int reason = ReasonNone;
    const uint64_t nodes = masterNodes();
    if (Mate - std::abs(int(best.score)) <= depth + 1)
      reason = ReasonOptimal;
    else if (depth > 1 && rootMoveCount_ == 1)
      reason = ReasonSingleMove;
    else if (currentTimeMs() - timeControl_.start() > timeControl_.phaseTime(PhaseNoNewIteration))
      reason = ReasonTimeout;
    else if (timeControl_.phaseNodes(PhaseNoNewIteration) &&
             nodes > timeControl_.phaseNodes(PhaseNoNewIteration))
      reason = ReasonNodeout;
    else if (timeControl_.depthLimit() && depth >= timeControl_.depthLimit())
      reason = ReasonDepthout;
    const bool goalMet = mateGoalMet(best.score);
    if (goalMet) reason = ReasonMateFound;
    reason_.store(reason, std::memory_order_relaxed);
    const double branching = double(nodes) / double(previousNodes);
    const bool ends = goalMet || (reason != ReasonNone && !timeControl_.infinite());
    if (trace) trace->iterationDone(best.score, reason, branching, ends);
    if (ends) break;
    if (depth + 1 == MaxDepth + 1) break;
    resortRootMoves();
    // Kept whole and above zero: the branching figure divides by it.
    previousNodes = nodes ? nodes : 1;
  }
  if (!mateGoalMet(rootMoveAt(0).score)) waitForStopRequest();
  if (listener) listener->finished(depth_, rootMoveAt(0).score, rootMoveAt(0).move);
}

bool Searcher::mateGoalMet(int score) const { return mateInMoves > 0 && score >= Mate - (2 * mateInMoves - 1); }

// An infinite or ponder search answers only when told to, even when it has
// nothing left to search (a decided position, the last depth): a bestmove
// of its own would be taken as the answer to a later command. "ponderhit"
// ends the wait by making the search finite.
void Searcher::waitForStopRequest() {
  while (timeControl_.infinite() && !stopRequested_.load(std::memory_order_acquire))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

int Searcher::lowestLineScore() const {
  const int lines = std::min(multiPv, rootMoveCount_);
  int lowest = rootMoveAt(0).score;
  for (int k = 1; k < lines; ++k) lowest = std::min<int>(lowest, rootMoveAt(k).score);
  return lowest;
}

void Searcher::aspirate(int depth) {
  if (depth <= 3) {
    searchRoot(depth, -Mate, Mate);
    return;
  }
  const int w0 = lowestLineScore(), b0 = rootMoveAt(0).score;
  int alpha = w0, beta = b0, i = 0, j = 0;
  int w = w0, b = b0;
  for (;;) {
    while (w <= alpha && i < 7) alpha = w0 - AspirationSteps[i++];
    while (b >= beta && j < 7) beta = b0 + AspirationSteps[j++];
    alpha = std::max(alpha, -Mate);
    beta = std::min(beta, Mate);
    searchRoot(depth, alpha, beta);
    if (stopped()) return;
    w = lowestLineScore();
    b = rootMoveAt(0).score;
    const bool failLow = w <= alpha && !(multiPvMargin != 0 && multiPv >= 2 && w <= b - multiPvMargin);
    if (failLow && alpha > -Mate) continue;
    if (b >= beta && beta < Mate) continue;
    return;
  }
}

int Searcher::moveUp(int position) {
  const int lines = std::min(multiPv, rootMoveCount_);
  const int entry = order_[position];
  const int score = rootMoves_[entry].score, depth = rootMoves_[entry].depth;
  int pos = position;
  while (pos > lines - 1) {
    order_[pos] = order_[pos - 1];
    --pos;
  }
  while (pos > 0 && score > rootMoves_[order_[pos - 1]].score) {
    order_[pos] = order_[pos - 1];
    --pos;
  }
  while (pos < lines - 1 && rootMoves_[order_[pos + 1]].score > score &&
         rootMoves_[order_[pos + 1]].depth >= depth) {
    order_[pos] = order_[pos + 1];
    ++pos;
  }
  order_[pos] = entry;
  return pos;
}

void Searcher::searchRoot(int depth, int alpha, int beta) {
  SearchThread& master = threads_[0];
  Board& b = master.board;
  const BoardState saved = b.state;
  int a = alpha;
  for (int i = 0; i < rootMoveCount_; ++i) {
    if (limitReached()) return;
    RootMove& r = rootMoves_[order_[i]];
    if (r.bound == BoundExact && r.depth >= depth) continue;
    const uint64_t nodesBefore = masterNodes();
    makeSearchMove(master, r.move);
    if (listener) listener->reportCurrMove(depth_, i, r.move);
    const bool pvMove = i == 0 || i < multiPv;
    Score v;
    if (pvMove) {
      v = -search(master, 1, depth - 1, -beta, -a, PvNode);
    } else {
      v = -search(master, 1, depth - 1, -a - 1, -a, CutNode | NullWindow);
      if (v > a && !limitReached()) {
        timeControl_.rootFailHigh();
        if (trace) trace->rootFailHigh(i, rootMoveCount_, v, r.move);
        v = -search(master, 1, depth - 1, -beta, -a, PvNode);
        if (!limitReached() && v <= a && trace) trace->rootFailLow(v, r.move);
        timeControl_.rootResearchDone();
      }
    }
    unmakeMove(b, r.move, saved);
    if (limitReached()) return;
    r.score = int16_t(v);
    r.depth = uint8_t(depth);
    r.nodes = masterNodes() - nodesBefore;
    r.bound = v >= beta ? BoundLower : v > a ? BoundExact : BoundUpper;
    if (!pvMove && v <= a) continue;
    if (pvMove) {
      timeControl_.rootScore(v);
      if (v <= a) {
        timeControl_.rootFailLow();
        if (trace) trace->rootFailLow(v, r.move);
        if (listener) listener->reportPv(depth, v, r.move);
        continue;
      }
    }
    // A new line: the move and the master's line below it.
    prependLine(pvLines_[order_[i]], r.move, master.state.pv[1]);
    reportLine(moveUp(i));
    tt_.storeScore(b, BoundLower, depth, 0, v, r.move, rootEval_, master.state.tt);
    if (v >= beta) return;
    if (multiPv == 1) {
      a = v;
    } else {
      const int lines = std::min(multiPv, rootMoveCount_);
      if (rootMoves_[order_[lines - 1]].depth == depth) a = rootMoves_[order_[lines - 1]].score;
      if (multiPvMargin != 0) a = std::max(a, rootMoveAt(0).score - multiPvMargin);
    }
  }
  const RootMove& best = rootMoveAt(0);
  tt_.storeScore(b, alpha >= best.score ? BoundUpper : BoundExact, depth, 0, best.score, best.move,
                 rootEval_, master.state.tt);
}

void Searcher::reportLine(int rank) {
  const RootMove& r = rootMoveAt(rank);
  if (listener) listener->reportPv(r.depth, r.score, lineAt(rank)[0]);
  if (trace) trace->newLine(rank);
}

// Writes the best line back into the table, so that the next iteration finds
// it move by move even where its entries were replaced.
void Searcher::restorePv() {
  SearchThread& master = threads_[0];
  Board& b = master.board;
  const RootMove& best = rootMoveAt(0);
  const Move* line = lineAt(0);
  BoardState states[MaxPly];
  int made = 0;
  int score = best.score;
  for (int p = 0; line[p] && p < MaxPly - 1; ++p) {
    if (!isMoveValid(b, line[p])) break;
    TtEntry entry;
    int depth = -64, eval;
    if (tt_.probe(b, entry)) {
      if (entry.bound == BoundExact) depth = entry.depth;
      eval = entry.eval;
      tt_.removePosition(b);
    } else {
      eval = evaluate(master.evaluator);
    }
    tt_.storeScore(b, BoundExact, depth, p, score, line[p], eval, master.state.tt);
    states[made++] = b.state;
    makeMove(b, line[p]);
    updateAttackInfo(b);
    score = -score;
  }
  while (made > 0) {
    --made;
    unmakeMove(b, b.moveHistory[b.ply], states[made]);
  }
}

void Searcher::resortRootMoves() {
  int first = 0;
  while (first < rootMoveCount_ && rootMoves_[order_[first]].bound != BoundUpper) ++first;
  // Stable bubble sort by nodes, most first.
  for (int end = rootMoveCount_; end > first + 1; --end) {
    for (int i = first; i + 1 < end; ++i) {
      if (rootMoves_[order_[i + 1]].nodes > rootMoves_[order_[i]].nodes) std::swap(order_[i], order_[i + 1]);
    }
  }
}

Move Searcher::ponderMove() const {
  if (!rootMoveCount_) return 0;
  const Move* line = lineAt(0);
  return line[0] ? line[1] : 0;
}

}  // namespace vireo
