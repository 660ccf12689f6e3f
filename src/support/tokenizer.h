#pragma once
// Splits the arguments of one command line into words. Space and tab
// separate words; a run of them counts as one separator.

#include <string>
#include <string_view>

namespace vireo {

class Tokenizer {
 public:
  // Replaces the remaining text and drops its leading separators.
  void setText(std::string_view text);
  // The next word, or an empty one when the text is used up.
  std::string nextWord();
  // The next word as a base-10 number (0 for a word that is no number,
  // clamped to the int range), or defaultValue when no word is left.
  int nextInt(int defaultValue);
  bool empty() const { return rest_.empty(); }
  const std::string& rest() const { return rest_; }

 private:
  std::string rest_;
};

}  // namespace vireo
