#include "support/tokenizer.h"

#include <climits>
#include <cstdlib>
#include <utility>

namespace vireo {

namespace {
constexpr const char* Separators = " \t";
}  // namespace

void Tokenizer::setText(std::string_view text) {
  const size_t start = text.find_first_not_of(Separators);
  rest_.assign(start == std::string_view::npos ? std::string_view() : text.substr(start));
}

std::string Tokenizer::nextWord() {
  const size_t end = rest_.find_first_of(Separators);
  if (end == std::string::npos) return std::exchange(rest_, std::string());
  std::string word = rest_.substr(0, end);
  const size_t next = rest_.find_first_not_of(Separators, end);
  rest_.erase(0, next == std::string::npos ? rest_.size() : next);
  return word;
}

int Tokenizer::nextInt(int defaultValue) {
  const std::string word = nextWord();
  if (word.empty()) return defaultValue;
  // A number beyond the int range saturates rather than wrapping to a value
  // of the wrong sign.
  const long long value = std::strtoll(word.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return int(value);
}

}  // namespace vireo
