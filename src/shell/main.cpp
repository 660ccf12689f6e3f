// vireo: program entry and start-up.

#include <cstdio>

#include "board/fen.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "shell/console.h"
#include "support/platform.h"

using namespace vireo;

namespace {
Board currentBoard;
}

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
  std::printf("\n");

  setFen(currentBoard, StartFen);

  ConsoleShell shell(currentBoard);
  return shell.run(stdin);
}
