#pragma once
// The thin platform layer: every call that differs between operating systems
// or processors lives behind these functions, so that a port touches only
// this folder.

#include <cstdint>
#include <cstdio>

namespace vireo {

// Milliseconds from an arbitrary start; wraps, so take differences with
// unsigned arithmetic.
uint32_t currentTimeMs();

uint64_t readTimeStampCounter();

struct CpuFeatures {
  bool sse2;
  bool popcnt;
};
CpuFeatures detectCpuFeatures();

// At least 1.
int processorsOnline();

// Gives up the rest of the time slice.
void yieldProcessor();

// A read hint that keeps the line in every cache level.
inline void prefetch(const void* address) { __builtin_prefetch(address, 0, 3); }

// A large block (the transposition table) on huge pages where the system
// offers them, which saves most of the address-translation misses of random
// table accesses. The block comes zero-filled, straight from the operating
// system where it is large, whose pages are backed only when first touched
// (the allocation itself is quick whatever the size). Returns nullptr when
// the memory is not available. freeLarge takes the size that was asked for.
void* allocateLarge(uint64_t bytes);
void freeLarge(void* block, uint64_t bytes);
// Sets bytes of a block from allocateLarge to zero. Where the system can, the
// pages of a large range are handed back and come back zero-filled when next
// touched, instead of being written now.
void zeroLarge(void* block, uint64_t bytes);

// Byte offsets and sizes beyond 2 GB: the standard seek takes a long, which
// is 32 bits on some platforms.
bool seekFile(FILE* file, uint64_t offset);
// The size of an open file in bytes, or -1 when it cannot be determined.
// Leaves the position at the end of the file.
int64_t fileSize(FILE* file);

// Moves a file over another, replacing it in one step where the platform
// allows; false when the move failed.
bool replaceFile(const char* from, const char* to);

}  // namespace vireo
