#include "shell/console.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "board/perft.h"
#include "book/opening_book.h"
#include "eval/evaluator.h"
#include "search/bench.h"
#include "support/platform.h"
#include "uci/uci.h"

namespace vireo {

namespace {


// The largest move time: one below the value that means "no limit", so that
// even the longest "g" still ends by its clock.
constexpr uint32_t MaxMoveTimeMs = NoLimit - 1;

constexpr const char* HelpText =
    "commands:\n"
    "  (empty line)   print the board, the game's moves, FEN and keys\n"
    "  fen [FEN]      set a position (if given) and print the board\n"
    "  a move         play it and print the board (e4, Nf3, e7e8q, O-O)\n"
    "  a FEN          set that position\n"
    "  %              pass the move (null move; refused while in check)\n"
    "  perft [n]      count the leaves of the legal move tree to depth n, timed\n"
    "  divide [n]     the same per root move\n"
    "  g [tt]         search for the move time, wait and print the best move\n"
    "                 (the table is cleared first unless tt follows)\n"
    "  mt [seconds]   set the move time of g (with a number) and print it\n"
    "  eval           the static evaluation of the position, term by term\n"
    "  bench          search 30 fixed positions to a fixed depth on one thread\n"
    "  book           the opening book's moves for the position, with statistics\n"
    "  help           list these commands\n"
    "  quit           end the program\n"
    "Any UCI command works too; after \"uci\" the engine speaks only the protocol.\n";

bool allCharsIn(const std::string& text, const char* allowed) {
  for (char c : text)
    if (!c || !std::strchr(allowed, c)) return false;
  return true;
}

// The depth argument of perft and divide: 1 when absent, 0 (do nothing) for
// anything that is not a number.
int depthArgument(const std::string& rest) {
  if (rest.empty()) return 1;
  return int(std::strtol(rest.c_str(), nullptr, 10));
}

}  // namespace

// Reads one line of any length up to MaxLineLength into `line`, without its
// line end; false at the end of the input. A longer line is read to its end
// and dropped with a warning: carried out in part (a move list without its
// last moves) it would answer for another position than the GUI's.
bool ConsoleShell::readLine(FILE* input, std::string& line) {
  line.clear();
  bool tooLong = false;
  int c;
  while ((c = std::getc(input)) != EOF && c != '\n') {
    if (line.size() < MaxLineLength)
      line += char(c);
    else
      tooLong = true;
  }
  if (c == EOF && line.empty() && !tooLong) return false;
  if (tooLong) {
    uci_.warn("WARNING input line longer than " + std::to_string(MaxLineLength) + " characters, ignored");
    line.clear();
  }
  // A zero byte ends the text of the line.
  line.resize(std::strlen(line.c_str()));
  return true;
}

int ConsoleShell::run(FILE* input) {
  std::string line;
  for (;;) {
    if (!uci_.uciMode()) std::fputs("% ", stdout);
    if (!readLine(input, line)) {
      // A GUI that closes the pipe mid-search still gets its bestmove,
      // and no search thread is left running into the exit.
      uci_.endOfInput();
      return 0;
    }
    size_t begin = line.find_first_not_of(' ');
    if (begin == std::string::npos) begin = line.size();
    size_t length = line.size();
    // Line ends from a Windows GUI or terminal bring a carriage return that
    // would otherwise end up in the last word ("uci\r").
    while (length > begin && std::strchr("\r ", line[length - 1])) --length;
    if (length == begin) {
      if (!uci_.uciMode()) printBoard(board_);
      continue;
    }
    const std::string whole = line.substr(begin, length - begin);
    const size_t space = whole.find(' ');
    const bool goOn = space == std::string::npos ? execute(whole, "")
                                                 : execute(whole.substr(0, space), whole.substr(space + 1));
    if (!goOn) return 0;
  }
}

bool ConsoleShell::execute(const std::string& command, const std::string& rest) {
  if (uci_.dispatch(command, rest)) return !uci_.quitRequested();
  if (!runShellCommand(command, rest) && !tryMove(command, rest) && !tryPosition(command, rest))
    std::printf("unknown command: '%s'\n", command.c_str());
  return true;
}

// Every shell command works on the search's position or threads, so a
// search started by "go" is stopped first.
bool ConsoleShell::runShellCommand(const std::string& command, const std::string& rest) {
  if (command == "help") {
    std::fputs(HelpText, stdout);
    return true;
  }
  static constexpr const char* Commands[] = {"book", "fen", "%", "divide", "perft", "g", "mt", "eval", "bench"};
  if (std::find(std::begin(Commands), std::end(Commands), command) == std::end(Commands)) return false;
  uci_.stopRunningSearch();

  if (command == "book") {
    book_.printTable(board_, stdout);
  } else if (command == "fen") {
    if (!rest.empty()) setPosition(rest);
    printBoard(board_);
  } else if (command == "%") {
    passMove();
  } else if (command == "divide") {
    if (int depth = depthArgument(rest)) divide(depth);
  } else if (command == "perft") {
    if (int depth = depthArgument(rest)) perft(depth);
  } else if (command == "g") {
    go(rest);
  } else if (command == "mt") {
    moveTime(rest);
  } else if (command == "eval") {
    printEvaluation(searcher_.thread(0).evaluator, stdout);
  } else if (command == "bench") {
    bench();
  }
  return true;
}

// Passing while in check would leave the king en prise for the other side,
// a position no search or move generator is made for.
void ConsoleShell::passMove() {
  updateAttackInfo(board_);
  if (board_.inCheck()) {
    std::printf("cannot pass the move: the side to move is in check\n");
    return;
  }
  makeHistoryRoom(board_);
  makeNullMove(board_);
}

// A refused FEN leaves the board half set; keep the previous position instead.
void ConsoleShell::setPosition(const std::string& fen) {
  static Board previous;
  copyBoard(previous, board_);
  if (!setFen(board_, fen.c_str(), nullptr, board_.chess960)) copyBoard(board_, previous);
}

bool ConsoleShell::tryMove(const std::string& command, const std::string& rest) {
  static constexpr const char* MoveChars = "NBRQKabcdefgh12345678x-=+oO";
  if (command.size() + (rest.empty() ? 0 : rest.size() + 1) < 2) return false;
  if (!allCharsIn(command, MoveChars) || !allCharsIn(rest, MoveChars)) return false;
  uci_.stopRunningSearch();
  const Move move = parseMove(board_, command.c_str());
  if (!move) {
    std::printf("not a move: '%s'\n", command.c_str());
    return true;
  }
  makeHistoryRoom(board_);
  makeMove(board_, move);
  updateAttackInfo(board_);
  printBoard(board_);
  return true;
}

bool ConsoleShell::tryPosition(const std::string& command, const std::string& rest) {
  if (!allCharsIn(command, "PNBRQKpnbrqk12345678/")) return false;
  auto count = [&](char c) { return std::count(command.begin(), command.end(), c); };
  if (count('k') != 1 || count('K') != 1 || count('/') < 1) return false;
  uci_.stopRunningSearch();
  setPosition(rest.empty() ? command : command + " " + rest);
  printBoard(board_);
  return true;
}

void ConsoleShell::divide(int depth) {
  std::printf("----divide---\n");
  Move moves[MaxMoves];
  uint64_t counts[MaxMoves];
  const int n = divideCounts(board_, depth, moves, counts);
  double total = 0;
  for (int i = 0; i < n; ++i) {
    char text[16];
    moveToText(board_, moves[i], text);
    std::printf("%-8s %10.0f\n", text, double(counts[i]));
    total += double(counts[i]);
  }
  std::printf("-------------------\n");
  std::printf("total    %10.0f\n", total);
}

// Searches the current position for the console's move time and waits for
// the end; the table is cleared first unless the second word is "tt". The
// limits are set up here in full: whatever a UCI "go" left behind (infinite,
// ponder, a clock budget, a depth or node limit) must not decide how long
// the shell blocks, as nothing reads input while it waits.
void ConsoleShell::go(const std::string& rest) {
  if (rest.substr(0, rest.find(' ')) != "tt") searcher_.tt().clear();
  // Nothing of an earlier UCI "go" applies: no clock, limit, restricted
  // root or mate goal.
  TimeControl& tc = searcher_.timeControl();
  tc.clearLimits();
  tc.setMoveTime(moveTimeMs_);
  tc.reset();
  searcher_.setSearchMoves(nullptr, 0);
  searcher_.mateInMoves = 0;
  searcher_.startSearch();
  searcher_.waitIdle();

  const Move best = searcher_.bestMove();
  if (!best) {
    std::printf("best move: none\n");
    return;
  }
  char san[16];
  moveToSan(board_, san, best);
  const BoardState saved = board_.state;
  makeMove(board_, best);
  updateAttackInfo(board_);
  const bool check = board_.inCheck();
  unmakeMove(board_, best, saved);
  std::printf("best move: %s%s\n", san, check ? "+" : "");
}

// The time is kept by the shell for "g" and also given to the TimeControl,
// where a UCI "go" without limits of its own still finds it. Out-of-range
// input must not reach the conversion to whole milliseconds.
void ConsoleShell::moveTime(const std::string& rest) {
  const std::string word = rest.substr(0, rest.find(' '));
  if (!word.empty()) {
    char* end = nullptr;
    const double ms = std::strtod(word.c_str(), &end) * 1000;
    if (end == word.c_str() || !(ms >= 0)) {
      std::printf("not a time in seconds: '%s'\n", word.c_str());
    } else {
      moveTimeMs_ = ms < double(MaxMoveTimeMs) ? uint32_t(ms) : MaxMoveTimeMs;
      searcher_.timeControl().setMoveTime(moveTimeMs_);
    }
  }
  std::printf("maxtime=%3.2fs\n", moveTimeMs_ / 1000.0);
}

void ConsoleShell::bench() { std::fputs(benchLine(runBench(searcher_)).c_str(), stdout); }

void ConsoleShell::perft(int depth) {
  const uint32_t startMs = currentTimeMs();
  const uint64_t startTicks = readTimeStampCounter();
  const uint64_t nodes = vireo::perft(board_, depth);
  const uint64_t ticks = readTimeStampCounter() - startTicks;
  const uint32_t elapsedMs = currentTimeMs() - startMs;
  char label[80];
  std::snprintf(label, sizeof label, "perft %i", depth);
  // A count under a millisecond, or of a position without moves, would
  // print "inf" or "nan" rates.
  std::printf("%-20s  %10.0f ops in %5.3f seconds  ops/ms=%7.0f,  ticks/op=%6.1f\n", label,
              double(nodes), double(elapsedMs) / 1000, double(nodes) / double(std::max(elapsedMs, 1u)),
              nodes ? double(ticks) / double(nodes) : 0.0);
}

}  // namespace vireo
