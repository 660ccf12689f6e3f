#pragma once
// The opening book file: fixed-size records sorted by position key, each one
// move of that position with its game statistics. The file stays open and is
// searched on disk; it is never loaded into memory.
//
// Layout, numbers big-endian. An optional 16-byte header starts with 8 zero
// bytes, then "BBK\0", the header size (below 16 counts as 16), a reserved
// byte, the record size and the flags (2: records carry wins, draws, losses;
// 4: records carry a strength value). Without a header the records are 16
// bytes with flags 2. A record: key (8 bytes), from byte, to byte (file in
// bits 0..2, rank in bits 4..6; bit 7 of the from byte is a flag that moves
// are compared without), then the counts (3 x 2 bytes) and the strength (2).

#include <cstdint>
#include <cstdio>

namespace vireo {

struct BookCandidate {
  uint64_t key;
  uint32_t wins, draws, losses;
  float weight;  // 2^((E - 2400) / 70) from the strength value E; 0 for none
  uint8_t from, to;
};

class BookFile {
 public:
  static constexpr int MaxCandidates = 32;
  static constexpr int FlagCounts = 2;
  static constexpr int FlagStrength = 4;

  BookFile() = default;
  ~BookFile() { close(); }
  BookFile(const BookFile&) = delete;
  BookFile& operator=(const BookFile&) = delete;

  // Closes any open book first. False when the file cannot be opened or its
  // size is unknown; the book is then empty. A file whose header makes no
  // sense is opened but holds no records.
  bool open(const char* path);
  void close();
  bool isOpen() const { return file_ != nullptr; }

  // Collects the distinct moves of the position (at most 32, in file order,
  // repeated records of a move summed) into the candidate table; returns
  // their number, 0 when the position is not in the book or the FEN is bad.
  int probe(const char* fenText);
  int probeKey(uint64_t key);
  const BookCandidate& candidate(int i) const { return candidates_[i]; }

  // The file size divided by the record size, header bytes included (so a
  // book with a 16-byte header and n 16-byte records reports n + 1).
  int recordCount() const { return recordCount_; }
  int headerSize() const { return headerSize_; }
  int recordSize() const { return recordSize_; }
  int flags() const { return flags_; }
  bool hasStrength() const { return (flags_ & FlagStrength) != 0; }

 private:
  // Reads record i into the buffer; bytes past the end of the file read as
  // 0xFF. Returns how many bytes came from the file, or -1 on a seek error.
  int readRecord(int64_t index, uint8_t* buffer);
  uint64_t keyAt(int64_t index, bool& ok);

  FILE* file_ = nullptr;
  int headerSize_ = 0;
  int recordSize_ = 16;
  int flags_ = FlagCounts;
  int recordCount_ = 0;
  BookCandidate candidates_[MaxCandidates] = {};
};

}  // namespace vireo
