#pragma once
// The engine's front end for the Universal Chess Interface: takes the
// command lines a GUI sends, changes the position, starts and stops searches,
// writes the protocol replies, and turns the search's reports into "info"
// and "bestmove" lines.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "search/search_listener.h"
#include "search/strength.h"
#include "support/text_file.h"
#include "support/tokenizer.h"
#include "uci/search_status.h"

namespace vireo {

class OpeningBook;
class Ini;
class Searcher;
struct UciOption;

// Milliseconds taken off every clock the GUI sends, for the time the move
// spends between the engine and the GUI's clock.
constexpr int DefaultMoveOverheadMs = 10;
constexpr int MaxMoveOverheadMs = 5000;

class Uci : public SearchListener {
 public:
  Uci(Searcher& searcher, OpeningBook& book, Ini& ini, FILE* output = stdout);

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

  // A warning the GUI should see: to the error log and, after "uci", as one
  // "info string" line.
  void warn(const std::string& text);

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
  // The words of a "go" command.
  struct GoCommand {
    int wtime = -1, btime = -1, winc = 0, binc = 0, depth = 0, nodes = 0, movetime = -1, movestogo = -1;
    int mate = 0, perft = 0;
    bool wtimeGiven = false, btimeGiven = false, infinite = false, ponder = false, searchMovesGiven = false;
    Move searchMoves[MaxMoves] = {};
    int searchMoveCount = 0;
  };
  GoCommand readGo();
  void runPerft(int depth);

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
  // The option table (uci/options.h); its handlers, written inside
  // optionTable(), set the members below.
  static const std::vector<UciOption>& optionTable();
  std::string optionList() const;
  std::string readOptionName();
  // The word after an optional "value".
  std::string optionValueWord();
  void clearEvaluationCaches();
  // After "uci": one "info string" line, so that a GUI's engine console
  // shows what the error log records.
  void infoString(const std::string& text);
  bool playMoves();
  // The move the search's result plays, and the move to ponder on after it:
  // the best line's, or the line a limited strength chose.
  Move playedMove() const;
  Move playedPonder() const;

  Searcher& searcher_;
  Board& board_;
  OpeningBook& book_;
  Ini& ini_;
  TextFile out_;
  std::string opponentName_, opponentTitle_, opponentType_;
  int32_t opponentElo_ = 0;
  bool uciMode_ = false;
  bool ownBook_ = true;
  std::atomic<bool> sendPv_{true};
  uint32_t timeReserve_ = 3000;
  // The MultiPV options as set; a limited strength searches more lines for
  // one search without changing them.
  int multiPv_ = 1;
  int multiPvMargin_ = 100;
  StrengthLimit strength_;
  // Whether the running search is limited: set by "go" before the search
  // starts, read by its finished().
  bool strengthLimited_ = false;
  // The rank of the line to play, set by finished() before the status
  // that lets the main thread send a held-back bestmove.
  std::atomic<int> playedRank_{0};
  int moveOverheadMs_ = DefaultMoveOverheadMs;

  SearchStatus status_;
  int32_t lastBookPly_ = 0;
  int32_t lastGoPly_ = 0;
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
  // False after a refused FEN: the GUI's position is not the board's, and
  // every "go" is answered with "bestmove 0000" until a valid one arrives.
  bool positionValid_ = true;
};

}  // namespace vireo
