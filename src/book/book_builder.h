#pragma once
// Building opening books from games in PGN, in the engine's own format or
// as Polyglot books. The moves are read with the engine's own move parser;
// the engine's own books are keyed through its FEN writer, so their keys
// agree with what the engine computes when it plays.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "support/text_file.h"

namespace vireo {

struct Board;

// One game of a PGN file: its tags and the SAN texts of its main line.
// Comments, variations and numeric annotation glyphs are already dropped.
struct PgnGame {
  unsigned number = 0;  // 1 for the first game of the file
  std::vector<std::pair<std::string, std::string>> tags;
  std::vector<std::string> moves;
  std::string result;  // the movetext's termination marker; empty if none
  std::string error;   // why the game text is malformed; empty when sound

  const std::string* tag(const char* name) const;
};

// Reads the games of a PGN file one at a time. A malformed game is returned
// with its error set; reading resumes at the next game.
class PgnReader {
 public:
  bool open(const char* path) { return file_.open(path, "rb"); }
  // False at the end of the input.
  bool next(PgnGame& game);
  // Whether reading the file failed (as opposed to reaching its end).
  bool failed() const { return file_.failed(); }

 private:
  bool fetchLine();
  // Reads the movetext of line_ from pos_; true when the game ended.
  bool readMovetext(PgnGame& game, bool& started, bool& inMovetext);

  TextFile file_;
  std::string line_;
  size_t pos_ = 0;
  bool lineReady_ = false;  // line_ from pos_ still has to be read
  bool inComment_ = false;
  int variationDepth_ = 0;
  unsigned gamesSeen_ = 0;
};

enum class BookFormat { Own, Polyglot };

struct BookBuildOptions {
  int maxPlies = 30;      // plies of each game that enter the book
  int minGames = 1;       // a position/move pair needs this many games
  bool strength = false;  // write strength values from the rating tags (own format only)
  BookFormat format = BookFormat::Own;
};

struct BookBuildSummary {
  unsigned gamesRead = 0;
  unsigned gamesSkipped = 0;
  size_t positions = 0;
  size_t records = 0;
};

// Collects position/move statistics from games and writes them as a book.
class BookBuilder {
 public:
  explicit BookBuilder(const BookBuildOptions& options);
  ~BookBuilder();

  // Adds the first plies of a game; false with the reason when the game
  // cannot be used (it then adds nothing).
  bool addGame(const PgnGame& game, std::string& reason);

  // Writes the book to a temporary file beside `path` and renames it into
  // place, so that no partial book is ever left; false with the reason.
  bool write(const char* path, BookBuildSummary& summary, std::string& error) const;

 private:
  bool writePolyglot(const char* path, BookBuildSummary& summary, std::string& error) const;
  void countPolyglot(uint64_t key, uint16_t move, int halfPoints);

  struct Stats {
    uint32_t wins = 0, draws = 0, losses = 0;
    double weight = 0;  // summed 2^((Elo - 2400) / 70) of the movers
  };

  BookBuildOptions options_;
  std::unique_ptr<Board> board_;  // 16 KB: not for the stack
  // Position key and move (from byte << 8 | to byte) -> statistics.
  struct EntryHash {
    size_t operator()(const std::pair<uint64_t, uint16_t>& e) const {
      return size_t(e.first ^ (uint64_t(e.second) * 0x9E3779B97F4A7C15ULL));
    }
  };
  std::unordered_map<std::pair<uint64_t, uint16_t>, Stats, EntryHash> entries_;

  // A Polyglot book counts what `polyglot make-book` counts: games, and
  // points (2 a win, 1 a draw) that become the weight. A position whose move
  // reaches 16384 games has the counts of all its moves halved, rounding
  // up, which keeps every weight within the format's 16 bits.
  struct PolyglotCount {
    uint16_t move;
    uint32_t games, points;
  };
  std::unordered_map<uint64_t, std::vector<PolyglotCount>> polyglot_;
};

// The whole builder program: reads `pgnPath`, writes `bookPath`. Skipped
// games and errors go to `err`, the summary to `out`. False, with no book
// written, when the input cannot be read or the output cannot be written.
bool buildBook(const char* pgnPath, const char* bookPath, const BookBuildOptions& options,
               BookBuildSummary& summary, FILE* out, FILE* err);

}  // namespace vireo
