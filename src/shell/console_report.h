#pragma once
// The console trace of a search: one line per new best line or iteration,
// and the statistics at the end, all of it to the log, so that none of it
// reaches a GUI. A second listener of the searcher, beside the front end's.

#include <cstdint>
#include <string>

#include "search/search_listener.h"

namespace vireo {

// A count divided by 1024 while above 99999, with the suffix of its scale
// (" kmgt").
struct Scaled {
  long long value;
  char suffix;
};
Scaled scaled(uint64_t n);

// The progress line: depth, selective depth, time, nodes, score (or mate
// distance in moves) and an optional text.
std::string scoreLineText(int depth, int selDepth, uint32_t elapsedMs, uint64_t nodes, int score,
                          const char* text);

class Searcher;

class ConsoleTrace : public SearchListener {
 public:
  explicit ConsoleTrace(Searcher& searcher) : searcher_(searcher) {}

  void reportCurrMove(int, int, Move) override {}
  void reportPv(int, int, Move) override {}
  void finished(int, int, Move) override {}
  void iterationDone(int score, int reason, double branching, bool ends) override;
  void iterationStopped(int score) override;
  void rootFailHigh(int moveIndex, int moveCount, int score, Move move) override;
  void rootFailLow(int score, Move move) override;
  void newLine(int rank) override;
  void threadsStopped() override;

 private:
  void scoreLine(int score, const char* text);
  void scoreLineWithMove(int score, const char* text, Move move);

  Searcher& searcher_;
};

}  // namespace vireo
