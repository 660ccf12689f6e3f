#pragma once
// The console loop on the main thread: reads standard input line by line,
// offers each line to the UCI front end first and then to the shell's own
// commands for a person at a terminal.

#include <cstdio>
#include <string>

#include "board/board.h"
#include "search/searcher.h"

namespace vireo {

class OpeningBook;
class Uci;

// The longest input line carried out: far beyond a game of 100,000 plies,
// which is more than any GUI sends.
constexpr size_t MaxLineLength = size_t(1) << 20;

class ConsoleShell {
 public:
  ConsoleShell(Searcher& searcher, Uci& uci, OpeningBook& book)
      : searcher_(searcher),
        board_(searcher.board()),
        uci_(uci),
        book_(book),
        moveTimeMs_(searcher.timeControl().phaseTime(PhaseNormal)) {}

  // Runs until the input ends; returns the exit status.
  int run(FILE* input);

  // One trimmed, non-empty line split at its first space: the UCI commands
  // first, then the shell's own. False when the line ends the program.
  bool execute(const std::string& command, const std::string& rest);

 private:
  bool readLine(FILE* input, std::string& line);
  bool runShellCommand(const std::string& command, const std::string& rest);
  bool tryMove(const std::string& command, const std::string& rest);
  bool tryPosition(const std::string& command, const std::string& rest);
  void setPosition(const std::string& fen);
  void divide(int depth);
  void perft(int depth);
  void passMove();
  void go(const std::string& rest);
  void moveTime(const std::string& rest);
  void bench();

  Searcher& searcher_;
  Board& board_;
  Uci& uci_;
  OpeningBook& book_;
  // The search time of "g", set by "mt"; at first the TimeControl's own.
  uint32_t moveTimeMs_;
};

}  // namespace vireo
