#pragma once
// Chooses a book move: candidates that fail the criteria (too few games, too
// weak, too low a score) are filtered out, the rest get one probability each
// from their game counts, strength values and scores, and a move is drawn at
// random. The same computation fills the table that the console prints.

#include <cstdint>
#include <cstdio>
#include <string>

#include "board/sfmt.h"
#include "book/book_file.h"

namespace vireo {

class Ini;

// Percent-like settings are stored divided by 100.
struct BookCriteria {
  int maxPly = 0;  // no book from this ply on; 0 = no limit
  int minGames = 2;
  double minGamePct = 0.10;
  double minElo = 2700;
  double maxEloDelta = 200;
  double minScoreWhite = 0.50;
  double minScoreBlack = 0.40;
  double maxScoreDelta = 0.05;
  double gameWeight = 1.00;  // negative: prefer rarely played moves
  double eloWeight = 1.00;
  double scoreWeight = 0.00;
  double winWeight = 0.00;   // shown, not used
  double drawWeight = 0.00;  // shown, not used
  double minWeight = 0.10;
  double random = 1.00;  // 0 always plays the best move
};

// Why a candidate is not eligible.
enum BookFilter : uint32_t {
  FilterGames = 1,        // fewer games than minGames
  FilterElo = 2,          // weaker than minElo
  FilterScore = 4,        // scores below the side's minimum
  FilterGameShare = 8,    // too few games next to the most played move
  FilterEloDistance = 16  // too far below the strongest move
};

// One line of the book table: the last weighing of a candidate.
struct BookDisplay {
  uint32_t flags;
  double probability;  // final, after the minimum-weight cut and random mix
  double gameShare;
  double score;
  double scoreShare;
  double elo;
  double eloShare;
  double combined;  // before the minimum-weight cut and random mix
};

class BookChooser {
 public:
  // Seeds the generator from the time-stamp counter.
  explicit BookChooser(BookFile& book);
  BookChooser(BookFile& book, uint32_t seed) : book_(book), random_(seed) {}

  void seed(uint32_t seed) { random_.seed32(seed); }

  // Lists the configuration (Ini::dump) unless `list` is false (standard
  // output belongs to the GUI once a book is changed by option), then reads
  // the book.play keys; missing or empty keys take their defaults.
  void loadCriteria(const Ini& ini, bool list = true);
  BookCriteria& criteria() { return criteria_; }
  const BookCriteria& criteria() const { return criteria_; }

  // Weighs the first n candidates of the last probe; the probabilities and
  // the rest of each candidate's table line land in display(i).
  void weigh(int n, bool blackToMove);
  const BookDisplay& display(int i) const { return display_[i]; }

  // Draws a book move for the position; false when none is to be played.
  bool chooseMove(const char* fenText, BookCandidate& chosen);

  // Coordinate text of a candidate, such as "e2e4" (no promotion letter).
  static std::string bookMoveText(const BookCandidate& candidate);

  // The console's book table for the position.
  void printBookTable(const char* fenText, FILE* out = stdout);

 private:
  BookFile& book_;
  Sfmt random_;
  BookCriteria criteria_;
  BookDisplay display_[BookFile::MaxCandidates] = {};
};

}  // namespace vireo
