#pragma once
// The engine's opening book, whichever kind its file is: the engine's own
// books or Polyglot books. Start-up, "go", the BookFile option and the
// console's "book" command all go through this one object, which tells the
// kinds apart by the file's content and size and hands the engine's own
// books to BookFile and BookChooser unchanged.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/sfmt.h"
#include "book/polyglot_book.h"

namespace vireo {

class BookChooser;
class BookFile;
class Ini;

enum class BookKind { None, Own, Polyglot };

// What came of opening a book.
struct BookOpening {
  enum Status { Opened, NotFound, Unusable, NoBook };
  Status status = NoBook;
  BookKind kind = BookKind::None;
  std::string path;
  int64_t moves = 0;   // as the start-up line counts them
  std::string reason;  // why an existing file is not used

  bool failed() const { return status == NotFound || status == Unusable; }
  // The start-up line without its newline and, for a failure, without the
  // "Warning: " before it: "book=NAME, N moves", "book not found: NAME"
  // or why the book is not used; empty for NoBook.
  std::string describe() const;
};

// The answer of the book at "go".
struct BookProbe {
  bool found = false;  // the book chose a move (which may still be illegal here)
  Move move = NoMove;  // the legal move to play; 0 when there is none
};

// A legal move of a Polyglot book with the weight of its entries.
struct WeightedMove {
  Move move;
  uint32_t weight;
};

class OpeningBook {
 public:
  // Seeds the Polyglot choice from the time-stamp counter.
  OpeningBook(BookFile& ownBook, BookChooser& chooser);
  OpeningBook(BookFile& ownBook, BookChooser& chooser, uint32_t seed);

  // Closes the book held so far, then opens the file. A file that cannot
  // be used leaves no book open.
  BookOpening open(const std::string& path);
  // The book the configuration's book.file names (its empty value: none);
  // without that key vireo.bbk, and where that is missing the system's
  // Polyglot book (systemBookPath).
  BookOpening openConfigured(const Ini& ini);
  void close();

  BookKind kind() const { return kind_; }
  BookChooser& chooser() { return chooser_; }

  // The book's move for the position, if it has one.
  BookProbe probe(Board& board);
  // The console's table of the book's moves for the position.
  void printTable(Board& board, FILE* out);

  // The Polyglot entries of the position that are legal moves there, in
  // file order, and the words of those that are not.
  std::vector<WeightedMove> polyglotMoves(Board& board, std::vector<uint16_t>* illegal = nullptr);

 private:
  BookOpening openPolyglot(const std::string& path, BookOpening result);
  Move choosePolyglotMove(Board& board);
  void printPolyglotTable(Board& board, FILE* out);

  BookFile& ownBook_;
  BookChooser& chooser_;
  PolyglotBook polyglot_;
  Sfmt random_;
  BookKind kind_ = BookKind::None;
  std::string path_;
};

// The Polyglot book used when the configuration names none: the value of
// the environment variable VIREO_SYSTEM_BOOK where it is set (empty: none),
// else where Debian's gnuchess-book installs one.
std::string systemBookPath();

}  // namespace vireo
