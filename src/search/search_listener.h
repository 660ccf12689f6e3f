#pragma once
// How a search reports to its front end. The master search thread calls these
// while a listener is set; console searches have none.

#include "board/move.h"

namespace vireo {

class SearchListener {
 public:
  virtual ~SearchListener() = default;
  // The search starts on the root move with this 0-based index.
  virtual void reportCurrMove(int depth, int moveIndex, Move move) = 0;
  // A new best line at this depth with this score and first move.
  virtual void reportPv(int depth, int score, Move move) = 0;
  // The search has ended.
  virtual void finished(int depth, int score, Move move) = 0;
};

}  // namespace vireo
