#include "book/book_chooser.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "book/book_keys.h"
#include "support/ini.h"
#include "support/platform.h"

namespace vireo {

namespace {

int readInt(const Ini& ini, const char* key, int defaultValue) {
  const char* text = ini.get(key, nullptr);
  if (!text || !*text) return defaultValue;
  const long value = std::strtol(text, nullptr, 10);
  return int(std::clamp<long>(value, INT_MIN, INT_MAX));
}

double readPercent(const Ini& ini, const char* key, double defaultValue) {
  return readInt(ini, key, int(std::lround(defaultValue * 100))) / 100.0;
}

// Divides by the sum; leaves all-zero (or cancelling) values alone.
void normalize(double* values, int n) {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += values[i];
  if (sum != 0)
    for (int i = 0; i < n; ++i) values[i] /= sum;
}

double eloOf(double weight) { return weight != 0 ? 70 * std::log2(weight) + 2400 : 0; }

struct Tally {
  double games, score, error, winPct, drawPct;
};

// Score as a share of the points, and its standard error. A move without
// games has no score; it shows and counts as 0.
Tally tally(double wins, double draws, double losses) {
  const double games = wins + draws + losses;
  if (games <= 0) return {0, 0, 0, 0, 0};
  const double score = (draws + 2 * wins) / (2 * games);
  // Never negative in exact arithmetic; rounding must not make it NaN.
  const double variance = std::max(0.0, score * (1 - score) - draws / (4 * games));
  return {games, score, std::sqrt(variance) / std::sqrt(games), wins / games * 100,
          draws / games * 100};
}

constexpr const char* FilterMarks[5] = {"<games", "<elo", "<score", "<games%", "<elo+-"};

}  // namespace

BookChooser::BookChooser(BookFile& book) : book_(book), random_(uint32_t(readTimeStampCounter())) {}

void BookChooser::loadCriteria(const Ini& ini, bool list) {
  if (list) ini.dump();
  const BookCriteria d;
  BookCriteria& c = criteria_;
  c.maxPly = readInt(ini, "book.play.maxply", d.maxPly);
  c.minGames = readInt(ini, "book.play.mingames", d.minGames);
  c.minGamePct = readPercent(ini, "book.play.mingamepct", d.minGamePct);
  c.minElo = readInt(ini, "book.play.minelo", int(d.minElo));
  c.maxEloDelta = readInt(ini, "book.play.maxelodelta", int(d.maxEloDelta));
  c.minScoreWhite = readPercent(ini, "book.play.minscorew", d.minScoreWhite);
  c.minScoreBlack = readPercent(ini, "book.play.minscoreb", d.minScoreBlack);
  const char* delta = ini.get("book.play.maxscoredelta", nullptr);
  c.maxScoreDelta = delta && *delta ? std::strtod(delta, nullptr) / 100 : d.maxScoreDelta;
  c.gameWeight = readPercent(ini, "book.play.gameweight", d.gameWeight);
  c.eloWeight = readPercent(ini, "book.play.eloweight", d.eloWeight);
  c.scoreWeight = readPercent(ini, "book.play.scoreweight", d.scoreWeight);
  c.winWeight = readPercent(ini, "book.play.winweight", d.winWeight);
  c.drawWeight = readPercent(ini, "book.play.drawweight", d.drawWeight);
  c.minWeight = readPercent(ini, "book.play.minweight", d.minWeight);
  c.random = readPercent(ini, "book.play.random", d.random);
}

void BookChooser::weigh(int n, bool blackToMove) {
  n = std::clamp(n, 0, int(BookFile::MaxCandidates));
  const BookCriteria& c = criteria_;
  const bool withElo = book_.hasStrength();
  const double minScore = blackToMove ? c.minScoreBlack : c.minScoreWhite;

  double games[BookFile::MaxCandidates], score[BookFile::MaxCandidates];
  double elo[BookFile::MaxCandidates];
  std::fill(display_, display_ + BookFile::MaxCandidates, BookDisplay{});

  for (int i = 0; i < n; ++i) {
    const BookCandidate& m = book_.candidate(i);
    const Tally t = tally(m.wins, m.draws, m.losses);
    games[i] = t.games;
    score[i] = t.score;
    elo[i] = eloOf(m.weight);
    uint32_t& flags = display_[i].flags;
    if (games[i] < c.minGames) flags |= FilterGames;
    if (withElo && elo[i] < c.minElo) flags |= FilterElo;
    if (score[i] < minScore) flags |= FilterScore;
  }

  double maxGames = 0, maxElo = 0;
  for (int i = 0; i < n; ++i) {
    if (display_[i].flags) continue;
    maxGames = std::max(maxGames, games[i]);
    if (withElo) maxElo = std::max(maxElo, elo[i]);
  }
  for (int i = 0; i < n; ++i) {
    if (games[i] < std::floor(maxGames * c.minGamePct)) display_[i].flags |= FilterGameShare;
    if (withElo && elo[i] < maxElo - c.maxEloDelta) display_[i].flags |= FilterEloDistance;
  }

  auto eligible = [&](int i) { return display_[i].flags == 0; };
  double bestScore = 0;
  for (int i = 0; i < n; ++i)
    if (eligible(i)) bestScore = std::max(bestScore, score[i]);

  double gameShare[BookFile::MaxCandidates], eloShare[BookFile::MaxCandidates];
  double scoreShare[BookFile::MaxCandidates], weight[BookFile::MaxCandidates];
  for (int i = 0; i < n; ++i) gameShare[i] = eligible(i) ? games[i] : 0;
  normalize(gameShare, n);
  if (c.gameWeight < 0) {
    for (int i = 0; i < n; ++i)
      if (eligible(i)) gameShare[i] = 1.00001 - gameShare[i];
    normalize(gameShare, n);
  }

  for (int i = 0; i < n; ++i) eloShare[i] = withElo && eligible(i) ? book_.candidate(i).weight : 0;
  normalize(eloShare, n);

  for (int i = 0; i < n; ++i) {
    scoreShare[i] = 0;
    if (!eligible(i)) continue;
    const double behind = bestScore - score[i];
    // A zero distance setting leaves a share only to the best score.
    const double share = behind <= 0 ? 1 : c.maxScoreDelta > 0 ? 1 - behind / c.maxScoreDelta : 0;
    scoreShare[i] = std::max(0.0, share);
  }
  normalize(scoreShare, n);

  // The sign of the game weight has done its work above, by turning the game
  // share into its inverse; as a factor it would subtract that share from
  // the others, and the combined weights could cancel to a sum near zero
  // whose normalisation blows them up. So only magnitudes combine, and the
  // other weights, which have no inverse, count from zero: every combined
  // weight stays non-negative.
  const double gameWeight = std::fabs(c.gameWeight), scoreWeight = std::max(0.0, c.scoreWeight);
  const double eloWeight = std::max(0.0, c.eloWeight);
  for (int i = 0; i < n; ++i) {
    weight[i] = 0;
    if (!eligible(i)) continue;
    weight[i] = gameWeight * gameShare[i] + scoreWeight * scoreShare[i];
    if (withElo) weight[i] += eloWeight * eloShare[i];
  }
  normalize(weight, n);

  for (int i = 0; i < n; ++i) {
    BookDisplay& d = display_[i];
    d.gameShare = gameShare[i];
    d.score = score[i];
    d.scoreShare = scoreShare[i];
    d.elo = elo[i];
    d.eloShare = eloShare[i];
    d.combined = weight[i];
  }

  if (n == 0) return;
  const double maxWeight = *std::max_element(weight, weight + n);
  for (int i = 0; i < n; ++i)
    if (weight[i] < c.minWeight * maxWeight) weight[i] = 0;
  normalize(weight, n);

  // Shift probability towards the best move. With nothing left to choose
  // from, nothing gets a probability: a filtered move is never played.
  const int best = int(std::max_element(weight, weight + n) - weight);
  if (const double bestWeight = weight[best]; bestWeight > 0) {
    for (int i = 0; i < n; ++i) weight[i] *= c.random;
    weight[best] = 1 - (1 - bestWeight) * c.random;
  }
  for (int i = 0; i < n; ++i) display_[i].probability = weight[i];
}

bool BookChooser::chooseMove(const char* fenText, BookCandidate& chosen) {
  uint64_t key;
  bool blackToMove;
  int ply;
  if (!bookKey(fenText, key, blackToMove, ply)) return false;
  if (criteria_.maxPly != 0 && criteria_.maxPly <= ply) return false;
  const int n = book_.probeKey(key);
  if (n == 0) return false;
  weigh(n, blackToMove);

  // Candidates in probe order by cumulative probability; a draw beyond the
  // total (rounding) plays nothing.
  double rest = double(random_.next64()) * 0x1p-64;
  for (int i = 0; i < n; ++i) {
    const double p = display_[i].probability;
    if (p > 0 && rest < p) {
      chosen = book_.candidate(i);
      return true;
    }
    rest -= p;
  }
  return false;
}

std::string BookChooser::bookMoveText(const BookCandidate& candidate) {
  const char text[5] = {char('a' + (candidate.from & 7)), char('1' + (candidate.from >> 4 & 7)),
                        char('a' + (candidate.to & 7)), char('1' + (candidate.to >> 4 & 15)), 0};
  return text;
}

void BookChooser::printBookTable(const char* fenText, FILE* out) {
  uint64_t key;
  bool blackToMove;
  int ply;
  const int n = bookKey(fenText, key, blackToMove, ply) ? book_.probeKey(key) : 0;
  if (n == 0) {
    std::fprintf(out, "position not in book\n");
    return;
  }
  const BookCriteria& c = criteria_;
  std::fprintf(out,
               "criteria: maxply=%i, mingames=%i, mingamepct=%1.0f, minelo=%1.0f, "
               "maxelodelta=%1.0f, minscorew=%1.0f, minscoreb=%1.0f, maxscoredelta=%1.0f\n",
               c.maxPly, c.minGames, c.minGamePct * 100, c.minElo, c.maxEloDelta,
               c.minScoreWhite * 100, c.minScoreBlack * 100, c.maxScoreDelta * 100);
  std::fprintf(out,
               "weights : gameweight=%1.0f, eloweight=%1.0f, scoreweight=%1.0f, "
               "winweight=%1.0f, drawweight=%1.0f, minweight=%1.0f, random=%1.0f\n",
               c.gameWeight * 100, c.eloWeight * 100, c.scoreWeight * 100, c.winWeight * 100,
               c.drawWeight * 100, c.minWeight * 100, c.random * 100);
  weigh(n, blackToMove);

  const std::string dashes(87, '-');
  std::fprintf(out,
               "\n pick   move    elo    games  score    +/-   drw%%   win%%   elo%%  game%%  "
               "score%%  combi%%\n%s\n",
               dashes.c_str());
  double wins = 0, draws = 0, losses = 0, weights = 0;
  for (int i = 0; i < n; ++i) {
    const BookCandidate& m = book_.candidate(i);
    const BookDisplay& d = display_[i];
    const Tally t = tally(m.wins, m.draws, m.losses);
    wins += m.wins;
    draws += m.draws;
    losses += m.losses;
    weights += m.weight;
    std::fprintf(out, "%5.1f%%  %4s %6.0f %8i %6.2f %6.2f %6.1f %6.1f %6.1f %6.1f %7.2f %7.2f",
                 d.probability * 100, bookMoveText(m).c_str(), d.elo, int(t.games), t.score * 100,
                 t.error * 100, t.winPct, t.drawPct, d.eloShare * 100, d.gameShare * 100,
                 d.scoreShare * 100, d.combined * 100);
    for (int bit = 0; bit < 5; ++bit)
      if (d.flags >> bit & 1) std::fprintf(out, " %s", FilterMarks[bit]);
    std::fprintf(out, "\n");
  }
  if (n > 1) {
    const Tally t = tally(wins, draws, losses);
    std::fprintf(out, "%s\n100.0%%       %6.0f %8i %6.1f %6.1f %6.2f %6.2f\n", dashes.c_str(),
                 eloOf(weights), int(t.games), t.score * 100, t.error * 100, t.winPct, t.drawPct);
  }
}

}  // namespace vireo
