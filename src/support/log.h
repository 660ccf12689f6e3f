#pragma once
// Diagnostic output. Log lines go to the log stream: standard output at the
// console, nowhere once a GUI has switched the engine to UCI, so that the
// GUI's channel carries only protocol text. Warnings and errors go to
// standard error, which UCI mode sends to an error log file.

#include <cstdio>

namespace vireo {

void logInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logDebug(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One time-stamped line: "%010u:%s%s\n" with the millisecond clock; a null
// text prints "?", a null `more` nothing. Flushed at once.
void logTraffic(const char* text, const char* more);

// Switches the log off and reopens standard error, in append mode and
// unbuffered, on "vireo-1.0-error.log" in the current directory; standard
// error stays as it was when that file cannot be opened.
void redirectForUci();

bool logStreamOpen();
void flushLog();
// Points the log at another stream (or none); returns the previous one.
// For tests and tools; the engine itself only ever calls redirectForUci.
FILE* setLogStream(FILE* stream);

}  // namespace vireo
