// vireo-book: builds an opening book from games in PGN, in the engine's own
// format or as a Polyglot book that other engines and GUIs read too.
//
//   vireo-book [--format bbk|polyglot] [--plies N] [--min-games N] [--strength] games.pgn book
//   vireo-book --help

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/tables.h"
#include "board/zobrist.h"
#include "book/book_builder.h"

using namespace vireo;

namespace {

// On standard output when asked for, on standard error after a wrong
// command line.
int usage(FILE* to = stderr) {
  std::fprintf(to,
               "usage: vireo-book [--format bbk|polyglot] [--plies N] [--min-games N] [--strength]\n"
               "                  games.pgn book\n"
               "  --format F     bbk: the engine's own book (default); polyglot: a Polyglot\n"
               "                 book (.bin), weighted 2 per win and 1 per draw\n"
               "  --plies N      plies of each game to include (default 30)\n"
               "  --min-games N  games a position/move pair needs to be kept (default 1)\n"
               "  --strength     write strength values from the WhiteElo/BlackElo tags (bbk only)\n"
               "  -h, --help     print this text\n");
  if (to == stdout) std::fprintf(to, "\nvireo-book is free software under GPL-3.0-or-later and comes with NO WARRANTY.\n");
  return to == stdout ? 0 : 2;
}

// A whole positive decimal number up to `most`, or 0.
int positiveNumber(const char* text, int most) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return *text && *end == 0 && value > 0 && value <= most ? int(value) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  BookBuildOptions options;
  const char* paths[2] = {nullptr, nullptr};
  int pathCount = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      return usage(stdout);
    } else if (std::strcmp(arg, "--format") == 0 && i + 1 < argc) {
      const char* format = argv[++i];
      if (std::strcmp(format, "polyglot") == 0)
        options.format = BookFormat::Polyglot;
      else if (std::strcmp(format, "bbk") == 0)
        options.format = BookFormat::Own;
      else
        return usage();
    } else if (std::strcmp(arg, "--strength") == 0) {
      options.strength = true;
    } else if (std::strcmp(arg, "--plies") == 0 && i + 1 < argc) {
      if (!(options.maxPlies = positiveNumber(argv[++i], 500))) return usage();
    } else if (std::strcmp(arg, "--min-games") == 0 && i + 1 < argc) {
      if (!(options.minGames = positiveNumber(argv[++i], 1000000000))) return usage();
    } else if (arg[0] == '-' && arg[1] != 0) {
      return usage();
    } else if (pathCount < 2) {
      paths[pathCount++] = arg;
    } else {
      return usage();
    }
  }
  // Polyglot entries have no room for strength values.
  if (pathCount != 2 || (options.strength && options.format == BookFormat::Polyglot)) return usage();

  initTables();
  initZobrist();
  BookBuildSummary summary;
  return buildBook(paths[0], paths[1], options, summary, stdout, stderr) ? 0 : 1;
}
