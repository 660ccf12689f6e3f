#pragma once
// Reading Polyglot opening books: 16-byte entries (key, move word, weight,
// learn field; all big-endian) sorted by key. Like the engine's own book the
// file stays open and is searched on disk, so a book of any size costs no
// memory. A file is checked when it is opened, since a book that is cut
// off, unsorted or not a book at all would otherwise answer at random.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vireo {

struct PolyglotEntry {
  uint16_t move;    // see polyglotMove
  uint32_t weight;  // the file's 16 bits; repeated entries of a move summed
  uint32_t learn;
};

class PolyglotBook {
 public:
  static constexpr int EntrySize = 16;
  // More entries than any position has legal moves: a run longer than this
  // is a broken book, and reading it whole would only cost time.
  static constexpr int MaxEntriesPerKey = 256;

  PolyglotBook() = default;
  ~PolyglotBook() { close(); }
  PolyglotBook(const PolyglotBook&) = delete;
  PolyglotBook& operator=(const PolyglotBook&) = delete;

  // Opens and checks the file; false with the reason when it cannot be read
  // or is no sound Polyglot book, and the book is then closed.
  bool open(const char* path, std::string& reason);
  void close();
  bool isOpen() const { return file_ != nullptr; }
  int64_t entryCount() const { return count_; }

  // The position's entries in file order, repeated moves merged. Empty when
  // the key is not in the book or the file can no longer be read.
  std::vector<PolyglotEntry> probe(uint64_t key);

 private:
  bool readEntry(int64_t index, uint8_t* bytes);

  FILE* file_ = nullptr;
  int64_t count_ = 0;
};

// Whether the content of an open file of `size` bytes is a sound Polyglot
// book: whole entries, sorted by key, each holding a move word. The reason
// when not. Small books are read whole; of a large one, entries spread over
// the whole file.
bool checkPolyglotContent(FILE* file, int64_t size, std::string& reason);

}  // namespace vireo
