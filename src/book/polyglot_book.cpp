// Polyglot books on disk: the check of a file at opening and the binary
// search of a position's entries.

#include "book/polyglot_book.h"

#include <algorithm>
#include <cstdlib>

#include "support/platform.h"

namespace vireo {

namespace {

// Books up to this many entries (16 MiB) are checked entry by entry, which
// takes milliseconds; of larger ones this many entries spread over the file.
constexpr int64_t FullCheckEntries = int64_t(1) << 20;
constexpr int64_t SampledEntries = 4096;

uint64_t bigEndian(const uint8_t* bytes, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

// A move word that some piece could make on an empty board. The word 0
// (a1a1) is the format's entry to be ignored. Random bytes fail this
// almost always, which tells a damaged file from a book.
bool plausibleMove(uint16_t word) {
  if (word == 0) return true;
  if (word & 0x8000) return false;
  const int to = word & 63, from = word >> 6 & 63, promotion = word >> 12 & 7;
  if (from == to || promotion > 4) return false;
  const int files = std::abs((to & 7) - (from & 7)), ranks = std::abs((to >> 3) - (from >> 3));
  if (promotion)
    return files <= 1 && (((from >> 3) == 6 && (to >> 3) == 7) || ((from >> 3) == 1 && (to >> 3) == 0));
  return files == 0 || ranks == 0 || files == ranks || files * ranks == 2;
}

class EntryCheck {
 public:
  // False with the reason at the first entry that breaks the format.
  bool add(int64_t index, const uint8_t* bytes, std::string& reason) {
    const uint64_t key = bigEndian(bytes, 8);
    if (index > 0 && key < previous_) {
      reason = "its entries are not sorted by key (entry " + std::to_string(index + 1) + ")";
      return false;
    }
    previous_ = key;
    // Entries of key 0 come first and may carry a header's text instead of
    // a move.
    const uint16_t word = uint16_t(bigEndian(bytes + 8, 2));
    if (key != 0 && !plausibleMove(word)) {
      char text[8];
      std::snprintf(text, sizeof text, "%04x", word);
      reason = "entry " + std::to_string(index + 1) + " holds no move (" + text + ")";
      return false;
    }
    return true;
  }

 private:
  uint64_t previous_ = 0;
};

}  // namespace

bool checkPolyglotContent(FILE* file, int64_t size, std::string& reason) {
  if (size <= 0) {
    reason = size == 0 ? "the file is empty" : "it cannot be read";
    return false;
  }
  if (size % PolyglotBook::EntrySize != 0) {
    reason = "its " + std::to_string(size) + " bytes are no whole number of 16-byte entries (cut off?)";
    return false;
  }
  const int64_t count = size / PolyglotBook::EntrySize;
  EntryCheck check;
  uint8_t bytes[PolyglotBook::EntrySize];

  if (count <= FullCheckEntries) {
    if (!seekFile(file, 0)) {
      reason = "it cannot be read";
      return false;
    }
    static constexpr int Chunk = 4096;
    std::vector<uint8_t> buffer(size_t(Chunk) * PolyglotBook::EntrySize);
    for (int64_t done = 0; done < count;) {
      const size_t want = size_t(std::min<int64_t>(Chunk, count - done));
      if (std::fread(buffer.data(), PolyglotBook::EntrySize, want, file) != want) {
        reason = "it cannot be read";
        return false;
      }
      for (size_t i = 0; i < want; ++i, ++done)
        if (!check.add(done, buffer.data() + i * PolyglotBook::EntrySize, reason)) return false;
    }
    return true;
  }

  for (int64_t i = 0; i < SampledEntries; ++i) {
    const int64_t index = i * (count - 1) / (SampledEntries - 1);
    if (!seekFile(file, uint64_t(index) * PolyglotBook::EntrySize) ||
        std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) {
      reason = "it cannot be read";
      return false;
    }
    if (!check.add(index, bytes, reason)) return false;
  }
  return true;
}

bool PolyglotBook::open(const char* path, std::string& reason) {
  close();
  if (!path || !(file_ = std::fopen(path, "rb"))) {
    reason = "it cannot be opened";
    return false;
  }
  // A directory opens but cannot be read.
  uint8_t probe;
  const bool readable = std::fread(&probe, 1, 1, file_) == 1 || !std::ferror(file_);
  const int64_t size = readable ? fileSize(file_) : -1;
  if (!checkPolyglotContent(file_, size, reason)) {
    close();
    return false;
  }
  count_ = size / EntrySize;
  return true;
}

void PolyglotBook::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  count_ = 0;
}

bool PolyglotBook::readEntry(int64_t index, uint8_t* bytes) {
  const bool ok = seekFile(file_, uint64_t(index) * EntrySize) && std::fread(bytes, 1, EntrySize, file_) == EntrySize;
  std::clearerr(file_);
  return ok;
}

std::vector<PolyglotEntry> PolyglotBook::probe(uint64_t key) {
  std::vector<PolyglotEntry> entries;
  // Key 0 marks the entries of a header, never a position.
  if (!file_ || count_ == 0 || key == 0) return entries;

  uint8_t bytes[EntrySize];
  int64_t lo = 0, hi = count_ - 1;
  while (lo < hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (!readEntry(mid, bytes)) return entries;
    if (bigEndian(bytes, 8) < key)
      lo = mid + 1;
    else
      hi = mid;
  }

  for (int64_t i = lo, read = 0; i < count_ && read < MaxEntriesPerKey; ++i, ++read) {
    if (!readEntry(i, bytes) || bigEndian(bytes, 8) != key) break;
    const PolyglotEntry entry = {uint16_t(bigEndian(bytes + 8, 2)), uint32_t(bigEndian(bytes + 10, 2)),
                                 uint32_t(bigEndian(bytes + 12, 4))};
    if (entry.move == 0) continue;
    bool merged = false;
    for (PolyglotEntry& e : entries)
      if (e.move == entry.move) {
        e.weight += entry.weight;
        merged = true;
      }
    if (!merged) entries.push_back(entry);
  }
  return entries;
}

}  // namespace vireo
