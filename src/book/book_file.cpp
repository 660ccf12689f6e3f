#include "book/book_file.h"

#include <cmath>
#include <cstring>

#include "book/book_keys.h"
#include "support/platform.h"

namespace vireo {

namespace {

constexpr int HeaderBytes = 16;
constexpr int MaxRecordSize = 255;

uint64_t readBigEndian(const uint8_t* bytes, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

// The bytes a record needs for what the flags say it carries.
int neededRecordSize(int flags) {
  return 10 + ((flags & BookFile::FlagCounts) ? 6 : 0) + ((flags & BookFile::FlagStrength) ? 2 : 0);
}

}  // namespace

bool BookFile::open(const char* path) {
  close();
  if (!path || !(file_ = std::fopen(path, "rb"))) return false;

  uint8_t header[HeaderBytes];
  const size_t got = std::fread(header, 1, HeaderBytes, file_);
  // A file that cannot be read (a directory, say) is no book at all.
  const int64_t size = std::ferror(file_) ? -1 : fileSize(file_);
  if (size < 0) {
    close();
    return false;
  }

  headerSize_ = 0;
  recordSize_ = 16;
  flags_ = FlagCounts;
  bool usable = true;
  if (got >= 8 && readBigEndian(header, 8) == 0) {
    if (got < HeaderBytes) {
      usable = false;  // the header itself is cut off
    } else {
      headerSize_ = header[12] < HeaderBytes ? HeaderBytes : header[12];
      recordSize_ = header[14];
      flags_ = header[15];
    }
  }
  // A record size of 0 or one too small for the fields the flags announce
  // cannot be read; such a book is kept open but empty.
  if (recordSize_ == 0 || recordSize_ < neededRecordSize(flags_)) usable = false;

  const int64_t count = usable ? size / recordSize_ : 0;
  recordCount_ = count > INT32_MAX ? INT32_MAX : int(count);
  return true;
}

void BookFile::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  recordCount_ = 0;
}

int BookFile::readRecord(int64_t index, uint8_t* buffer) {
  std::memset(buffer, 0xFF, size_t(recordSize_));
  if (!seekFile(file_, uint64_t(headerSize_) + uint64_t(index) * uint64_t(recordSize_))) return -1;
  const size_t got = std::fread(buffer, 1, size_t(recordSize_), file_);
  // Reading past the end is expected (the header counts towards the
  // records); anything else is a real error.
  if (got < size_t(recordSize_) && std::ferror(file_)) {
    std::clearerr(file_);
    return -1;
  }
  std::clearerr(file_);
  return int(got);
}

uint64_t BookFile::keyAt(int64_t index, bool& ok) {
  uint8_t buffer[MaxRecordSize];
  ok = readRecord(index, buffer) >= 0;
  return readBigEndian(buffer, 8);
}

int BookFile::probe(const char* fenText) {
  uint64_t key;
  bool blackToMove;
  int ply;
  if (!bookKey(fenText, key, blackToMove, ply)) return 0;
  return probeKey(key);
}

int BookFile::probeKey(uint64_t key) {
  if (!file_ || recordCount_ <= 0) return 0;

  // Lower bound: the first record whose key is not below the target.
  int64_t lo = 0, hi = recordCount_ - 1;
  while (lo < hi) {
    const int64_t mid = (lo + hi) / 2;
    bool ok;
    const uint64_t midKey = keyAt(mid, ok);
    if (!ok) return 0;
    if (key > midKey)
      lo = mid + 1;
    else
      hi = mid;
  }

  int count = 0;
  uint8_t record[MaxRecordSize];
  const int countsAt = 10;
  const int strengthAt = (flags_ & FlagCounts) ? 16 : 10;
  for (int64_t i = lo; i < recordCount_; ++i) {
    // A record cut off by the end of the file, or one that cannot be read,
    // ends the probe with what was collected.
    if (readRecord(i, record) < recordSize_) break;
    if (readBigEndian(record, 8) != key) break;

    BookCandidate c = {};
    c.key = key;
    c.from = record[8];
    c.to = record[9];
    if (flags_ & FlagCounts) {
      c.wins = uint32_t(readBigEndian(record + countsAt, 2));
      c.draws = uint32_t(readBigEndian(record + countsAt + 2, 2));
      c.losses = uint32_t(readBigEndian(record + countsAt + 4, 2));
    }
    if (flags_ & FlagStrength) {
      const uint64_t strength = readBigEndian(record + strengthAt, 2);
      c.weight = strength ? float(std::exp2((double(strength) - 2400.0) / 70.0)) : 0.0f;
    }

    // Any earlier record of the same move, not only the one just before it,
    // takes this one's statistics: a move must not compete with itself.
    BookCandidate* same = nullptr;
    for (int k = 0; k < count && !same; ++k)
      if ((candidates_[k].from & 0x7F) == (c.from & 0x7F) && candidates_[k].to == c.to)
        same = &candidates_[k];
    if (same) {
      same->wins += c.wins;
      same->draws += c.draws;
      same->losses += c.losses;
      same->weight += c.weight;
    } else {
      if (count == MaxCandidates) break;
      candidates_[count++] = c;
    }
  }
  return count;
}

}  // namespace vireo
