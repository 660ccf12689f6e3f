// vireo: program entry and start-up.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "book/book_chooser.h"
#include "book/book_file.h"
#include "book/opening_book.h"
#include "eval/weights.h"
#include "search/bench.h"
#include "search/searcher.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "shell/console.h"
#include "shell/console_report.h"
#include "support/build_info.h"
#include "support/ini.h"
#include "support/platform.h"
#include "uci/uci.h"

using namespace vireo;

namespace {
// The process-wide objects, built before main in this order and destroyed in
// the reverse order at exit: each one only refers to those above it.
Tt tt;
TimeControl timeControl;
Searcher searcher(tt, timeControl);
ConsoleTrace consoleTrace(searcher);
Ini ini;
BookFile book;
BookChooser bookChooser(book);
OpeningBook openingBook(book, bookChooser);
Uci uci(searcher, openingBook, ini);

// The command line besides the configuration file: what a user asks first
// and what testing frameworks call.
void printUsage() {
  std::printf(
      "Usage: vireo [FILE]         start the engine, reading the configuration FILE\n"
      "                            (default: vireo.ini in the working directory)\n"
      "       vireo bench [DEPTH]  search the bench positions to DEPTH (default %i) on\n"
      "                            one thread and print \"bench: N nodes M nps\"\n"
      "       vireo -h, --help     print this text\n"
      "       vireo --version      print the version, revision and build\n"
      "\n"
      "Once started, the engine reads commands on standard input: UCI from a chess\n"
      "GUI, or at a terminal the console's own (type help).\n"
      "\n"
      "vireo is free software under GPL-3.0-or-later and comes with NO WARRANTY.\n",
      BenchDepth);
}

void printVersion() {
  std::printf(
      "%s\n"
      "revision: %s\n"
      "compiler: %s\n"
      "build: %s\n"
      "Copyright (C) 2026 %s\n"
      "License GPL-3.0-or-later <https://www.gnu.org/licenses/gpl-3.0.html>\n"
      "This is free software: you may change and redistribute it. There is NO WARRANTY.\n",
      engineTitle().c_str(), buildRevision(), buildCompiler().c_str(), buildTarget().c_str(), EngineAuthor);
}

// A whole decimal number from 1 to `most`, or 0.
int depthArgument(const char* text, int most) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return *text && *end == 0 && value >= 1 && value <= most ? int(value) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Unbuffered streams, so that every line reaches a GUI at once.
  for (FILE* stream : {stdout, stdin, stderr}) std::setvbuf(stream, nullptr, _IONBF, 0);
  searcher.trace = &consoleTrace;

  const char* first = argc > 1 ? argv[1] : nullptr;
  if (first && (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)) {
    printUsage();
    return 0;
  }
  if (first && std::strcmp(first, "--version") == 0) {
    printVersion();
    return 0;
  }
  const bool benchOnly = first && std::strcmp(first, "bench") == 0;
  int benchDepth = BenchDepth;
  if (benchOnly && argc > 2 && !(benchDepth = depthArgument(argv[2], MaxDepth))) {
    std::fprintf(stderr, "vireo: the bench depth is a number from 1 to %i, not '%s'\n", MaxDepth, argv[2]);
    return 2;
  }

  // The bench's only output is its result line.
  if (!benchOnly) std::printf("%s\nby %s, revision %s\n\n", engineTitle().c_str(), EngineAuthor, buildRevision());

  const CpuFeatures cpu = detectCpuFeatures();
  if (!cpu.sse2) {
    std::fprintf(stderr, "Cannot start: hardware does not support SSE2\n");
    return -1;
  }
  if (const char* missing = missingInstructionSet()) {
    std::fprintf(stderr, "Cannot start: hardware does not support %s\n", missing);
    return -2;
  }

  initTables();
  initZobrist();
  rebuildEvalTables();

  if (benchOnly) {
    setFen(searcher.board(), StartFen);
    searcher.setThreads(1);
    std::fputs(benchLine(runBench(searcher, benchDepth)).c_str(), stdout);
    return 0;
  }

  const char* iniName = first ? first : "vireo.ini";
  if (ini.load(iniName))
    std::printf("inifile=%s\n", iniName);
  else if (first)
    std::fprintf(stderr, "Warning: cannot read configuration file: %s\n", iniName);
  std::printf("\n");

  setFen(searcher.board(), StartFen);

  const BookOpening opening = openingBook.openConfigured(ini);
  if (opening.status != BookOpening::NoBook)
    std::printf("%s%s\n", opening.failed() ? "Warning: " : "", opening.describe().c_str());
  if (opening.status == BookOpening::Opened) bookChooser.loadCriteria(ini);

  std::printf("allocating hash...");
  std::printf("allocated %uMb\n", unsigned(tt.resize(32768) >> 20));

  std::printf("starting threads...");
  searcher.setThreads(1);
  searcher.setThreads(processorsOnline());
  searcher.waitIdle();
  std::printf("started %i threads\n", searcher.threadCount());
  std::printf("\ninitialized\n");
  std::printf("type help for commands, uci for protocol mode\n");

  ConsoleShell shell(searcher, uci, openingBook);
  return shell.run(stdin);
}
