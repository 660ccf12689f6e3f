#pragma once
// The engine's front end for the Universal Chess Interface: takes the
// command lines a GUI sends, changes the position, starts and stops searches,
// writes the protocol replies, and turns the search's reports into "info"
// and "bestmove" lines.

#include <atomic>
#include <cstdint>
#include <string>

#include "board/board.h"
#include "search/search_listener.h"
#include "support/text_file.h"
#include "support/tokenizer.h"
#include "uci/search_status.h"

namespace vireo {

class BookChooser;
class Ini;
class Searcher;

class Uci : public SearchListener {
 public:
  Uci(Searcher& searcher, BookChooser& bookChooser, Ini& ini, FILE* output = stdout);

  // Carries out the line if its first word is a UCI command (any case);
  // false for every other word, which the console then tries.
  bool dispatch(const std::string& command, const std::string& rest);

  bool uciMode() const { return uciMode_; }
  // Set by "quit": the console loop ends and the process exits with 0.
  bool quitRequested() const { return quitRequested_; }

  // Before a console command touches the position or the threads: a running
  // search is stopped (its bestmove is written) and the threads are idle.
  void stopRunningSearch();
  // The input has ended: a running search is stopped so that its bestmove
  // still goes out, and a held-back one is written.
  void endOfInput();

  // The commands.
  void uci();
  void isready();
  void ucinewgame();
  void position();
  void go();
  void setoption();
  void ponderhit();
  void stop();
  void quit();

  // SearchListener, called on the master search thread.
  void reportCurrMove(int depth, int moveIndex, Move move) override;
  void reportPv(int depth, int score, Move move) override;
  void finished(int depth, int score, Move move) override;

  // The reports.
  void sendInfo(int minDepth);
  void sendBestmove(Move move, Move ponder);

 private:
  // Ends the current search: a running one is stopped (its finished()
  // writes the bestmove), a held-back bestmove is written; the threads are
  // idle afterwards. Returns the status it found.
  uint32_t endSearch();
  bool probeBook();
  void sendHeldBestmove(bool withPonder);
  void resetThrottle();
  void appendStats(std::string& line, uint32_t elapsed, uint64_t nodes) const;
  uint32_t elapsedMs() const;
  void write(const std::string& text);
  std::string optionList() const;
  bool playMoves();

  Searcher& searcher_;
  Board& board_;
  BookChooser& bookChooser_;
  Ini& ini_;
  TextFile out_;
  std::string opponentName_, opponentTitle_, opponentType_;
  int32_t opponentElo_ = 0;
  bool uciMode_ = false;
  bool ownBook_ = true;
  std::atomic<bool> sendPv_{true};
  uint32_t timeReserve_ = 3000;

  SearchStatus status_;
  int32_t lastBookPly_ = 0;
  int32_t lastGoPly_ = 0;
  int32_t gameStartPly_ = -1;
  bool quitRequested_ = false;
  // Set by "quit": the search may still be unwinding, but nothing it reports
  // is written any more.
  std::atomic<bool> muted_{false};

  // The report throttle: written by the master search thread, reset by the
  // main thread at "go" before the search starts.
  std::atomic<uint32_t> nextReportTime_{0};
  std::atomic<int32_t> lastPvDepth_{0};
  std::atomic<int32_t> lastPvScore_{0};
  std::atomic<Move> lastPvMove_{0};
  std::atomic<bool> pvRepeated_{false};

  Tokenizer tokens_;
  // The position before a "position" command, kept to fall back on when
  // its FEN is refused.
  Board previous_;
};

}  // namespace vireo
