// The operating-system side of the platform layer for Windows, x86-64 and
// x86 alike. Its Linux counterpart is platform_posix.cpp.
#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/gate.h"
#include "support/platform.h"
#include "support/thread.h"

namespace vireo {

namespace {

[[noreturn]] void fatal(const char* what) {
  std::fprintf(stderr, "FATAL: %s failed (error %lu)\n", what, GetLastError());
  std::abort();
}

}  // namespace

// The system tick count: milliseconds since boot, in steps of the timer
// interrupt (about 16 ms), wrapping after 49.7 days like every other clock
// value of the engine.
uint32_t currentTimeMs() { return GetTickCount(); }

int processorsOnline() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors ? int(info.dwNumberOfProcessors) : 1;
}

void yieldProcessor() { SwitchToThread(); }

// Large pages need a privilege that ordinary accounts lack, so the table
// lives on normal pages here. Committed memory from VirtualAlloc is
// zero-filled and backed page by page as it is first touched.
void* allocateLarge(uint64_t bytes) {
  if (bytes == 0 || bytes > SIZE_MAX) return nullptr;
  return VirtualAlloc(nullptr, size_t(bytes), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void freeLarge(void* block, uint64_t) {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

// Decommitting and committing again would zero lazily too, but the second
// step can fail and lose the table; a plain write cannot.
void zeroLarge(void* block, uint64_t bytes) { std::memset(block, 0, size_t(bytes)); }

bool seekFile(FILE* file, uint64_t offset) {
  if (offset > uint64_t(INT64_MAX)) return false;
  return _fseeki64(file, int64_t(offset), SEEK_SET) == 0;
}

int64_t fileSize(FILE* file) {
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  const int64_t size = _ftelli64(file);
  return size < 0 ? -1 : size;
}

// rename refuses an existing target on Windows.
bool replaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

namespace {

// The 32-bit Windows ABI promises only 4-byte stack alignment at a thread's
// entry; the SSE2 code below it wants 16.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
DWORD WINAPI threadEntry(LPVOID body) {
  (*static_cast<std::function<void()>*>(body))();
  return 0;
}

}  // namespace

PlatformThread::~PlatformThread() { join(); }

void PlatformThread::start(std::function<void()> body) {
  join();
  body_ = std::move(body);
  HANDLE thread = CreateThread(nullptr, 0, threadEntry, &body_, CREATE_SUSPENDED, nullptr);
  if (!thread) fatal("CreateThread");
  SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL);
  ResumeThread(thread);
  handle_ = thread;
}

void PlatformThread::join() {
  if (!handle_) return;
  WaitForSingleObject(handle_, INFINITE);
  CloseHandle(handle_);
  handle_ = nullptr;
  body_ = nullptr;
}

Gate::Gate() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (!event_) fatal("CreateEvent");
}

Gate::~Gate() { CloseHandle(event_); }

void Gate::open() { SetEvent(event_); }

void Gate::close() { ResetEvent(event_); }

void Gate::wait() { WaitForSingleObject(event_, INFINITE); }

}  // namespace vireo

#endif
