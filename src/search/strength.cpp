// The levels as calibrated, what they do to a search, and the choice of the
// line to play once the search is done.

#include "search/strength.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <random>

#include "search/score.h"
#include "search/searcher.h"
#include "search/time_control.h"

namespace vireo {

namespace {

struct Anchor {
  int elo;
  StrengthLevel level;
};

// The calibrated levels, weakest first (bench/strength_calibration.sh plays
// them against a rated reference). Between two anchors the node budget is
// interpolated geometrically, as strength grows with the logarithm of the
// nodes; the other columns linearly.
constexpr Anchor Anchors[] = {
    //         nodes  depth time% lines margin mistake%
    {1200, {     250,   2,   20,   4,   130,   42}},
    {1400, {     700,   3,   25,   4,   100,   35}},
    {1700, {    1700,   5,   35,   4,    80,   28}},
    {2000, {   30000,   9,   60,   3,    35,   10}},
    {2100, {  300000,  24,   80,   2,    15,    3}},
};

static_assert(Anchors[0].elo == StrengthMinElo && std::end(Anchors)[-1].elo == StrengthMaxElo);

int blend(int low, int high, double t) { return int(std::lround(low + (high - low) * t)); }

// A line's score treated as a mate (for or against), not an evaluation.
bool decisive(int score) { return std::abs(score) > DecisiveScore; }

}  // namespace

StrengthLevel strengthLevel(int elo) {
  elo = std::clamp(elo, StrengthMinElo, StrengthMaxElo);
  const Anchor* high = Anchors + 1;
  while (high->elo < elo) ++high;
  const Anchor* low = high - 1;
  const double t = double(elo - low->elo) / double(high->elo - low->elo);
  const StrengthLevel& a = low->level;
  const StrengthLevel& b = high->level;
  StrengthLevel level;
  level.nodes = uint64_t(std::llround(double(a.nodes) * std::pow(double(b.nodes) / double(a.nodes), t)));
  level.depth = blend(a.depth, b.depth, t);
  level.timePercent = blend(a.timePercent, b.timePercent, t);
  level.lines = blend(a.lines, b.lines, t);
  level.marginCp = blend(a.marginCp, b.marginCp, t);
  level.mistakePercent = blend(a.mistakePercent, b.mistakePercent, t);
  return level;
}

StrengthLimit::StrengthLimit() : level_(strengthLevel(StrengthDefaultElo)) {
  std::random_device device;
  const uint64_t clock = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  state_ = (uint64_t(device()) << 32) ^ uint64_t(device()) ^ clock;
}

void StrengthLimit::setElo(int elo) {
  elo_ = std::clamp(elo, StrengthMinElo, StrengthMaxElo);
  level_ = strengthLevel(elo_);
}

// splitmix64: small, fast, and every seed gives a full-period sequence.
uint64_t StrengthLimit::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void StrengthLimit::limitSearch(TimeControl& tc, bool clockBudget) const {
  tc.capNodes(level_.nodes);
  tc.setDepthLimit(tc.depthLimit() ? std::min(tc.depthLimit(), level_.depth) : level_.depth);
  // A fixed move time is the GUI's to set; a clock's budget is the engine's
  // own, and a weak level should not sit on it.
  if (clockBudget) tc.shareTime(level_.timePercent);
}

int StrengthLimit::chooseRank(const LineScore* lines, int count) {
  if (count < 2) return 0;
  const int best = lines[0].score;
  if (decisive(best)) return 0;
  // The draw is taken whatever the level: the chance and the pick are
  // independent of which lines happen to qualify.
  const uint64_t draw = next();
  if (int(draw % 100) >= level_.mistakePercent) return 0;
  int weights[MaxMoves];
  int total = 0;
  for (int rank = 1; rank < count && rank < MaxMoves; ++rank) {
    const int loss = best - lines[rank].score;
    const bool eligible = lines[rank].exact && !decisive(lines[rank].score) && loss <= level_.marginCp;
    // The smaller the loss, the likelier the move.
    weights[rank] = eligible ? level_.marginCp - std::max(loss, 0) + 1 : 0;
    total += weights[rank];
  }
  if (total == 0) return 0;
  int pick = int((draw / 100) % uint64_t(total));
  for (int rank = 1;; ++rank) {
    if (pick < weights[rank]) return rank;
    pick -= weights[rank];
  }
}

int StrengthLimit::chooseRank(const Searcher& searcher) {
  const int count = std::min(searcher.multiPv, searcher.rootMoveCount());
  LineScore lines[MaxMoves];
  const int deepest = count ? searcher.rootMoveAt(0).depth : 0;
  for (int rank = 0; rank < count; ++rank) {
    const RootMove& r = searcher.rootMoveAt(rank);
    // A search cut short by its node budget leaves the lines after the
    // best one iteration behind it; older ones are not comparable.
    lines[rank] = {r.score, r.bound == BoundExact && r.depth + 1 >= deepest};
  }
  return chooseRank(lines, count);
}

}  // namespace vireo
