#pragma once
// The start-up configuration: ordered key=value pairs read from a text file.
// Keys are compared exactly (case matters); a repeated key replaces the
// earlier value but keeps the earlier position.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vireo {

class Ini {
 public:
  // Adds the pairs of a file to those already held; false when the file
  // cannot be opened or read (the pairs before a read error are kept).
  bool load(const char* path);

  // The value of the key, or defaultValue (which may be null). The pointer
  // stays valid until the next set or load.
  const char* get(const char* key, const char* defaultValue) const;
  // The same as a copy; a null default gives the empty text.
  std::string getString(const char* key, const char* defaultValue) const;
  void set(const char* key, const char* value);

  // Every pair as "key=value" on standard output, in order.
  void dump() const;
  size_t size() const { return pairs_.size(); }

 private:
  const std::string* find(const char* key) const;

  std::vector<std::pair<std::string, std::string>> pairs_;
};

}  // namespace vireo
