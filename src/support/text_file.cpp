#include "support/text_file.h"

#include "support/log.h"

namespace vireo {

TextFile::~TextFile() { close(); }

bool TextFile::open(const char* path, const char* mode) {
  close();
  file_ = std::fopen(path, mode);
  owned_ = file_ != nullptr;
  return owned_;
}

void TextFile::close() {
  if (owned_) std::fclose(file_);
  file_ = nullptr;
  owned_ = false;
}

void TextFile::flush() {
  if (file_) std::fflush(file_);
}

void TextFile::putChar(char c) {
  if (file_) std::fputc(c, file_);
}

void TextFile::putString(const char* text) {
  if (file_ && text) std::fputs(text, file_);
}

void TextFile::printArgs(const char* format, va_list args) {
  if (file_) std::vfprintf(file_, format, args);
}

void TextFile::print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  printArgs(format, args);
  va_end(args);
}

bool TextFile::readLine(std::string& line) {
  line.clear();
  if (!file_) return false;
  int c = std::getc(file_);
  if (c == EOF) return false;
  bool zeroSeen = false;
  for (; c != EOF && c != '\n'; c = std::getc(file_)) {
    if (c == 0 && !zeroSeen) {
      // Worth a note: a zero byte usually means a file that is not text.
      logInfo("??n=%i, size=%i, line=%s\n", int(line.size()), int(line.capacity()), line.c_str());
      zeroSeen = true;
    }
    line += char(c);
  }
  if (c == '\n') {
    // A CR right after the LF belongs to this line's end (LF CR files);
    // left in the stream it would start the next line.
    const int next = std::getc(file_);
    if (next != '\r' && next != EOF) std::ungetc(next, file_);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace vireo
