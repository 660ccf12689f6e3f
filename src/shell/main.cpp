// vireo: program entry and start-up.

#include <cstdio>
#include <string>

#include "board/fen.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "book/book_chooser.h"
#include "book/book_file.h"
#include "eval/weights.h"
#include "search/searcher.h"
#include "search/time_control.h"
#include "search/tt.h"
#include "shell/console.h"
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
Ini ini;
BookFile book;
BookChooser bookChooser(book);
Uci uci(searcher, bookChooser, ini);
}  // namespace

int main(int argc, char** argv) {
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

  const char* iniName = argc > 1 ? argv[1] : "vireo.ini";
  if (ini.load(iniName)) std::printf("inifile=%s\n", iniName);
  std::printf("\n");

  setFen(searcher.board(), StartFen);

  const std::string bookName = ini.getString("book.file", "vireo.bbk");
  if (!bookName.empty()) {
    if (book.open(bookName.c_str())) {
      std::printf("book=%s, %u moves\n", bookName.c_str(), unsigned(book.recordCount()));
      bookChooser.loadCriteria(ini);
    } else {
      std::printf("Warning: book not found: %s\n", bookName.c_str());
    }
  }

  std::printf("allocating hash...");
  std::printf("allocated %uMb\n", unsigned(tt.resize(32768) >> 20));

  std::printf("starting threads...");
  searcher.setThreads(1);
  searcher.setThreads(processorsOnline());
  searcher.waitIdle();
  std::printf("started %i threads\n", searcher.threadCount());
  std::printf("\ninitialized\n");

  ConsoleShell shell(searcher, uci, bookChooser);
  return shell.run(stdin);
}
