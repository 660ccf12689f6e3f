// vireo: program entry and start-up.

#include <cstdio>

#include "board/fen.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "eval/weights.h"
#include "search/searcher.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "shell/console.h"
#include "support/platform.h"

using namespace vireo;

namespace {
// The process-wide objects, built before main in this order and destroyed in
// the reverse order at exit.
Tt tt;
TimeControl timeControl;
Searcher searcher(tt, timeControl);
}  // namespace

int main(int, char**) {
  // Unbuffered streams, so that every line reaches a GUI at once.
  for (FILE* stream : {stdout, stdin, stderr}) std::setvbuf(stream, nullptr, _IONBF, 0);

  std::printf("%s-%s\n%s\n\n", "vireo", "1.0", "by Tavrel");

  const CpuFeatures cpu = detectCpuFeatures();
  if (!cpu.sse2) {
    std::fprintf(stderr, "Cannot start: hardware does not support SSE2\n");
    return -1;
  }
#if defined(VIREO_REQUIRE_POPCNT)
  if (!cpu.popcnt) {
    std::fprintf(stderr, "Cannot start: hardware does not support POPCNT\n");
    return -2;
  }
#endif

  initTables();
  initZobrist();
  rebuildEvalTables();

  // Configuration file: comes with the opening book.
  std::printf("\n");

  setFen(searcher.board(), StartFen);

  std::printf("allocating hash...");
  std::printf("allocated %uMb\n", unsigned(tt.resize(32768) >> 20));

  std::printf("starting threads...");
  searcher.setThreads(1);
  searcher.setThreads(processorsOnline());
  searcher.waitIdle();
  std::printf("started %i threads\n", searcher.threadCount());
  std::printf("\ninitialized\n");

  ConsoleShell shell(searcher);
  return shell.run(stdin);
}
