#pragma once
// A thin text file over a C stream: formatted output for protocol replies and
// a line reader for the configuration file and other text input.

#include <cstdarg>
#include <cstdio>
#include <string>

namespace vireo {

class TextFile {
 public:
  // Wraps a stream it does not own (standard output, for example).
  explicit TextFile(FILE* file = nullptr) : file_(file) {}
  virtual ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens a file that this object owns and closes; false when it cannot.
  bool open(const char* path, const char* mode);
  void close();
  FILE* file() const { return file_; }
  // Whether a read or write on the stream has failed.
  bool failed() const { return file_ && std::ferror(file_); }

  virtual void flush();
  virtual void putChar(char c);
  virtual void putString(const char* text);
  virtual void printArgs(const char* format, va_list args);
  void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Reads the next line into `line` without its end; false at the end of
  // the file. Lines may be of any length and may hold zero bytes. A line
  // ends with LF, CR LF or LF CR; the last line may lack its end.
  bool readLine(std::string& line);

 private:
  FILE* file_;
  bool owned_ = false;
};

}  // namespace vireo
