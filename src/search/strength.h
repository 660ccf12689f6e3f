#pragma once
// Playing strength for people: a level on the Elo scale turned into a smaller
// search (fewer nodes, less depth, less of the clock) and, once the search
// is done, a chance of playing one of the near-best root moves instead of
// the best. A lower level errs more often and by more, but only among moves
// its own search finds close to the best, so it makes small, plausible
// mistakes rather than throwing material away.

#include <cstdint>

namespace vireo {

class Searcher;
class TimeControl;

// The range the UCI_Elo option announces, from the calibration against a
// rated reference (bench/README.md): below the minimum the table is an
// extrapolation, above the maximum the full engine is the better choice.
constexpr int StrengthMinElo = 1200;
constexpr int StrengthMaxElo = 2100;
constexpr int StrengthDefaultElo = 1800;

// What one level means for a search.
struct StrengthLevel {
  uint64_t nodes;      // node budget per move (master thread)
  int depth;           // deepest iteration
  int timePercent;     // share of the clock's usual budget
  int lines;           // root lines searched exactly, to choose among
  int marginCp;        // how far below the best a chosen move may score
  int mistakePercent;  // chance of not playing the best line
};

// The level at `elo`, interpolated between calibrated anchors (the node
// budget geometrically); outside the range, the nearest end.
StrengthLevel strengthLevel(int elo);

// One root line as the choice sees it: its score and whether the score is
// exact (a line cut off by the window has only a bound).
struct LineScore {
  int score;
  bool exact;
};

class StrengthLimit {
 public:
  // Seeded from the clock and the system's entropy, so that two games from
  // the same position differ; seed() makes the choice repeatable.
  StrengthLimit();
  void seed(uint64_t value) { state_ = value; }

  bool enabled() const { return enabled_; }
  void setEnabled(bool on) { enabled_ = on; }
  int elo() const { return elo_; }
  // Clamped to the announced range.
  void setElo(int elo);
  const StrengthLevel& level() const { return level_; }

  // Narrows the limits of a search about to start: the node budget and the
  // depth cap where they are tighter than the GUI's, and the clock's time
  // budget cut to the level's share. The caller has set the GUI's limits.
  void limitSearch(TimeControl& tc, bool clockBudget) const;

  // The rank of the line to play among `lines` (rank 0 the best): the best,
  // or with the level's chance one of the others whose exact score is
  // within the margin, the closer ones likelier. Mate scores are never
  // gambled with: a mate in hand is played, and a line that is mated is
  // never chosen over one that is not.
  int chooseRank(const LineScore* lines, int count);
  // The same over the searcher's root lines after a search.
  int chooseRank(const Searcher& searcher);

 private:
  uint64_t next();

  bool enabled_ = false;
  int elo_ = StrengthDefaultElo;
  StrengthLevel level_;
  uint64_t state_;
};

}  // namespace vireo
