#pragma once
// Who sends the "bestmove" of a search. The main thread (reading commands)
// and the master search thread (ending a search) both replace the status in
// one locked step and act on the value they replaced, so exactly one of them
// writes the line.

#include <cstdint>
#include <mutex>

namespace vireo {

enum SearchStatusValue : uint32_t { FINISHED = 0, POSITION = 1, SEARCHING = 2, PONDERING = 3 };

class SearchStatus {
 public:
  struct Change {
    uint32_t old;  // the status before this change
    bool held;     // a finished ponder search was holding back its bestmove;
                   // the caller now owns it (sends or drops it)
  };

  // Stores the new status and returns the previous one. Every change hands
  // over a held-back bestmove to its caller; only the search's own end,
  // arriving while pondering, holds one back (holdIfPondering).
  Change setStatus(uint32_t status, bool holdIfPondering = false);
  uint32_t current() const;

 private:
  mutable std::mutex mutex_;
  uint32_t status_ = FINISHED;
  bool held_ = false;
};

inline bool isSearching(uint32_t status) { return status == SEARCHING || status == PONDERING; }

}  // namespace vireo
