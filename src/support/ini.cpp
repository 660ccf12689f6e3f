#include "support/ini.h"

#include <cstdio>
#include <string_view>

#include "support/text_file.h"

namespace vireo {

namespace {

// Only the space character: a tab is part of the text.
std::string_view trimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool Ini::load(const char* path) {
  TextFile file;
  if (!path || !file.open(path, "r")) return false;
  std::string line;
  while (file.readLine(line)) {
    // "#" starts a comment only in the first column.
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals + 1 == line.size()) continue;
    const std::string_view text(line);
    const std::string key(trimSpaces(text.substr(0, equals)));
    const std::string value(trimSpaces(text.substr(equals + 1)));
    set(key.c_str(), value.c_str());
  }
  // A folder opens like a file on some systems and fails at the first read.
  return !file.failed();
}

const std::string* Ini::find(const char* key) const {
  if (!key) return nullptr;
  for (const auto& [k, v] : pairs_)
    if (k == key) return &v;
  return nullptr;
}

const char* Ini::get(const char* key, const char* defaultValue) const {
  const std::string* value = find(key);
  return value ? value->c_str() : defaultValue;
}

std::string Ini::getString(const char* key, const char* defaultValue) const {
  const char* value = get(key, defaultValue);
  return value ? value : "";
}

void Ini::set(const char* key, const char* value) {
  if (!key) return;
  if (!value) value = "";
  for (auto& [k, v] : pairs_) {
    if (k == key) {
      v = value;
      return;
    }
  }
  pairs_.emplace_back(key, value);
}

void Ini::dump() const {
  for (const auto& [key, value] : pairs_) std::printf("%s=%s\n", key.c_str(), value.c_str());
}

}  // namespace vireo
