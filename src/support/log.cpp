#include "support/log.h"

#include <cstdarg>

#include "support/build_info.h"
#include "support/platform.h"

namespace vireo {

namespace {

// Fixed for the whole run: everything up to debug detail is written.
constexpr int LogLevel = 1;
constexpr int InfoThreshold = 2;
constexpr int DebugThreshold = 4;

// Standard output until someone points the log elsewhere. Kept as two
// constant-initialised fields so that logging from another file's static
// constructors finds the right stream.
bool streamReplaced = false;
FILE* replacement = nullptr;

FILE* logStream() { return streamReplaced ? replacement : stdout; }

void logAt(int threshold, const char* format, va_list args) {
  FILE* stream = logStream();
  if (LogLevel < threshold && stream) std::vfprintf(stream, format, args);
}

}  // namespace

void logInfo(const char* format, ...) {
  va_list args;
  va_start(args, format);
  logAt(InfoThreshold, format, args);
  va_end(args);
}

void logDebug(const char* format, ...) {
  va_list args;
  va_start(args, format);
  logAt(DebugThreshold, format, args);
  va_end(args);
}

void logTraffic(const char* text, const char* more) {
  logInfo("%010u:%s%s\n", currentTimeMs(), text ? text : "?", more ? more : "");
  flushLog();
}

void redirectForUci() {
  setLogStream(nullptr);
  char name[32];
  std::snprintf(name, sizeof name, "%s-error.log", engineTitle().c_str());
  // A failed reopen closes standard error for good. Where the file cannot be
  // opened (an engine installed in a read-only folder), the messages are
  // better off where they went so far.
  FILE* probe = std::fopen(name, "a");
  if (!probe) return;
  std::fclose(probe);
  // Reopening makes the stream buffered again, and a message still in the
  // buffer is lost when the process aborts or the GUI kills it.
  if (std::freopen(name, "a", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

bool logStreamOpen() { return logStream() != nullptr; }

void flushLog() {
  if (FILE* stream = logStream()) std::fflush(stream);
}

FILE* setLogStream(FILE* stream) {
  FILE* previous = logStream();
  streamReplaced = true;
  replacement = stream;
  return previous;
}

}  // namespace vireo
