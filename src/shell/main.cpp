// vireo: program entry and start-up.

#include <cstdio>

#include "board/fen.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "shell/console.h"

using namespace vireo;

namespace {
Board currentBoard;
}

int main(int, char**) {
  // Unbuffered streams, so that every line reaches a GUI at once.
  for (FILE* stream : {stdout, stdin, stderr}) std::setvbuf(stream, nullptr, _IONBF, 0);

  std::printf("%s-%s\n%s\n\n", "vireo", "1.0", "by Tavrel");

  initTables();
  initZobrist();
  std::printf("\n");

  setFen(currentBoard, StartFen);

  ConsoleShell shell(currentBoard);
  return shell.run(stdin);
}
