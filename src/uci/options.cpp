// The options a GUI can set: the table, its announcement at "uci", and
// "setoption".

#include "uci/options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "book/book_chooser.h"
#include "book/opening_book.h"
#include "eval/evaluator.h"
#include "eval/weights.h"
#include "search/searcher.h"
#include "support/build_info.h"
#include "support/log.h"
#include "support/text.h"
#include "uci/uci.h"

namespace vireo {

namespace {

// A whole-word number; `fallback` for a missing or unreadable word.
int number(const std::string& word, int fallback) {
  Tokenizer t;
  t.setText(word);
  return t.nextInt(fallback);
}

bool isTrue(const std::string& word) { return equalsIgnoreCase(word, "true"); }

}  // namespace

std::string announcement(const UciOption& option, const Uci& uci) {
  // One space between the words: GUIs split these lines on single spaces
  // and would read padding as part of a name.
  std::string line = "option name " + option.name;
  switch (option.type) {
    case OptionType::Check:
      line += option.defaultValue ? " type check default true" : " type check default false";
      break;
    case OptionType::Spin: {
      const int value = option.liveDefault ? option.liveDefault(uci) : option.defaultValue;
      line += " type spin default " + std::to_string(value) + " min " + std::to_string(option.min) + " max " +
              std::to_string(option.max);
      break;
    }
    case OptionType::String:
      line += " type string";
      if (!option.defaultText.empty()) line += " default " + option.defaultText;
      break;
    case OptionType::Button:
      line += " type button";
      break;
  }
  return line + "\n";
}

const std::vector<UciOption>& Uci::optionTable() {
  using T = OptionType;
  static const std::vector<UciOption> table = [] {
    std::vector<UciOption> t;
    t.push_back({.name = "UCI_EngineAbout",
                 .type = T::String,
                 .defaultText = engineTitle() + " by " + EngineAuthor,
                 // Read-only text.
                 .set = [](Uci&, const UciOption&) {}});
    t.push_back({.name = "UCI_Opponent", .type = T::String, .set = [](Uci& u, const UciOption&) {
                   u.tokens_.nextWord();
                   u.opponentTitle_ = u.tokens_.nextWord();
                   u.opponentElo_ = u.tokens_.nextInt(0);
                   u.opponentType_ = u.tokens_.nextWord();
                   u.opponentName_ = u.tokens_.nextWord();
                   logInfo("Opponent=%s %s, %s, elo=%i\n", u.opponentTitle_.c_str(), u.opponentName_.c_str(),
                           u.opponentType_.c_str(), u.opponentElo_);
                 }});
    // The search plays the same in analysis: the value is read and dropped.
    t.push_back({.name = "UCI_AnalyseMode",
                 .type = T::Check,
                 .set = [](Uci& u, const UciOption&) { u.optionValueWord(); }});
    // The default announced is the count the engine started with.
    t.push_back({.name = "Threads",
                 .type = T::Spin,
                 .min = 1,
                 .max = MaxThreads,
                 .liveDefault = [](const Uci& u) { return u.searcher_.threadCount(); },
                 .set = [](Uci& u, const UciOption& o) {
                   u.tokens_.nextWord();
                   const int count = number(u.tokens_.nextWord(), o.min);
                   logInfo("setting cpus=%i\n", count);
                   // Joining or starting threads waits for them to be idle,
                   // which a running search would delay without end.
                   u.stopRunningSearch();
                   u.searcher_.setThreads(count);
                 }});
    // The largest table announced: a larger request would allocate and
    // clear more memory than any GUI offers.
    t.push_back({.name = "Hash",
                 .type = T::Spin,
                 .defaultValue = 32,
                 .min = 1,
                 .max = 4096,
                 .set = [](Uci& u, const UciOption& o) {
                   u.tokens_.nextWord();
                   const int megabytes = std::min(number(u.tokens_.nextWord(), o.defaultValue), o.max);
                   logInfo("resizing hash to %uMb\n", unsigned(megabytes));
                   // The search threads read the table without locks: never under them.
                   u.stopRunningSearch();
                   u.searcher_.tt().resize(int64_t(megabytes) * 1024);
                 }});
    t.push_back({.name = "Ponder", .type = T::Check, .defaultValue = 1, .set = [](Uci& u, const UciOption&) {
                   const bool on = isTrue(u.optionValueWord());
                   logInfo("canponder=%u\n", unsigned(on));
                   u.searcher_.timeControl().setCanPonder(on);
                 }});
    t.push_back({.name = "MultiPV",
                 .type = T::Spin,
                 .defaultValue = 1,
                 .min = 1,
                 .max = 256,
                 .set = [](Uci& u, const UciOption& o) {
                   // The root search needs at least one line; fewer would
                   // index before the start of its move order.
                   const int value = std::max(o.min, number(u.optionValueWord(), o.defaultValue));
                   u.stopRunningSearch();
                   u.searcher_.multiPv = u.multiPv_ = value;
                   logInfo("multipv=%i\n", value);
                 }});
    t.push_back({.name = "MultiPVMargin",
                 .type = T::Spin,
                 .defaultValue = 100,
                 .min = 0,
                 .max = 2000,
                 .set = [](Uci& u, const UciOption& o) {
                   const int value = number(u.optionValueWord(), o.defaultValue);
                   u.stopRunningSearch();
                   u.searcher_.multiPvMargin = u.multiPvMargin_ = value;
                 }});
    t.push_back({.name = "OwnBook", .type = T::Check, .defaultValue = 1, .set = [](Uci& u, const UciOption&) {
                   const bool on = isTrue(u.optionValueWord());
                   logInfo("usebook=%u\n", unsigned(on));
                   u.ownBook_ = on;
                 }});
    // Evaluation weights in percent: far beyond ten times the engine's own
    // tuning the score pairs overflow, so the magnitude is capped there.
    for (int i = 0; i < EvalWeightCount; ++i) {
      t.push_back({.name = EvalWeightOptionNames[i],
                   .type = T::Spin,
                   .defaultValue = 100,
                   .min = 0,
                   .max = 1000,
                   .set = [](Uci& u, const UciOption& o) {
                     const int percent = std::clamp(number(u.optionValueWord(), o.defaultValue), -o.max, o.max);
                     // The tables are read by the search threads without locks.
                     u.stopRunningSearch();
                     setEvalWeight(o.index, evalWeightFromPercent(percent));
                     // Cached scores were made with the old weights.
                     u.clearEvaluationCaches();
                   },
                   .index = i});
    }
    t.push_back({.name = "Move Overhead",
                 .type = T::Spin,
                 .defaultValue = DefaultMoveOverheadMs,
                 .min = 0,
                 .max = MaxMoveOverheadMs,
                 .set = [](Uci& u, const UciOption& o) {
                   u.moveOverheadMs_ = std::clamp(number(u.optionValueWord(), o.defaultValue), o.min, o.max);
                   logInfo("moveoverhead=%i\n", u.moveOverheadMs_);
                 }});
    t.push_back({.name = "UCI_Chess960", .type = T::Check, .set = [](Uci& u, const UciOption&) {
                   const bool on = isTrue(u.optionValueWord());
                   logInfo("chess960=%u\n", unsigned(on));
                   // The search threads copy the flag with the position at "go".
                   u.stopRunningSearch();
                   u.board_.chess960 = on;
                 }});
    t.push_back({.name = "BookFile", .type = T::String, .defaultText = "<empty>", .set = [](Uci& u, const UciOption&) {
                   // A path may hold spaces: the value is the rest of the
                   // line. Empty, or the "<empty>" that GUIs echo from the
                   // announced default, goes back to the configured book.
                   std::string path = u.tokens_.rest();
                   if (const std::string first = u.tokens_.nextWord(); equalsIgnoreCase(first, "value"))
                     path = u.tokens_.rest();
                   u.tokens_.setText("");
                   while (!path.empty() && std::isspace(static_cast<unsigned char>(path.back()))) path.pop_back();
                   if (path == "<empty>") path.clear();
                   const BookOpening opening = path.empty() ? u.book_.openConfigured(u.ini_) : u.book_.open(path);
                   if (opening.status == BookOpening::Opened) {
                     logInfo("%s\n", opening.describe().c_str());
                     u.book_.chooser().loadCriteria(u.ini_, false);
                   } else if (opening.status == BookOpening::NoBook) {
                     logInfo("no book\n");
                   } else {
                     u.warn(opening.describe());
                   }
                 }});
    t.push_back({.name = "UCI_LimitStrength", .type = T::Check, .set = [](Uci& u, const UciOption&) {
                   // The running search reads the level when it ends.
                   const bool on = isTrue(u.optionValueWord());
                   u.stopRunningSearch();
                   u.strength_.setEnabled(on);
                   logInfo("limitstrength=%u\n", unsigned(u.strength_.enabled()));
                 }});
    t.push_back({.name = "UCI_Elo",
                 .type = T::Spin,
                 .defaultValue = StrengthDefaultElo,
                 .min = StrengthMinElo,
                 .max = StrengthMaxElo,
                 .set = [](Uci& u, const UciOption& o) {
                   const int elo = number(u.optionValueWord(), o.defaultValue);
                   u.stopRunningSearch();
                   u.strength_.setElo(elo);
                   logInfo("elo=%i\n", u.strength_.elo());
                 }});
    t.push_back({.name = "SendPv",
                 .type = T::Check,
                 .defaultValue = 1,
                 .announced = false,
                 .set = [](Uci& u, const UciOption&) {
                   const bool on = isTrue(u.optionValueWord());
                   u.sendPv_ = on;
                   logInfo("sendpv=%u\n", unsigned(on));
                 }});
    // "Clear Hash" and "Clear value Hash" are both in use: the name is the
    // one word, and "Hash" comes as its value.
    t.push_back({.name = "Clear", .type = T::Button, .announced = false, .set = [](Uci& u, const UciOption&) {
                   std::string what = u.tokens_.nextWord();
                   if (what.empty() || equalsIgnoreCase(what, "value")) what = u.tokens_.nextWord();
                   if (!equalsIgnoreCase(what, "Hash")) return;
                   u.stopRunningSearch();
                   u.searcher_.tt().clear();
                   u.clearEvaluationCaches();
                   logTraffic("tt cleared", nullptr);
                 }});
    return t;
  }();
  return table;
}

std::string Uci::optionList() const {
  std::string list;
  for (const UciOption& option : optionTable())
    if (option.announced) list += announcement(option, *this);
  return list;
}

std::string Uci::optionValueWord() {
  std::string v = tokens_.nextWord();
  if (equalsIgnoreCase(v, "value")) v = tokens_.nextWord();
  return v;
}

void Uci::clearEvaluationCaches() {
  for (int i = 0; i < searcher_.threadCount(); ++i) clearEvaluator(searcher_.thread(i).evaluator);
}

// A name of more than one word is taken whole when the table has it;
// every other name is one word, and the words after it belong to the
// value, as "setoption name Clear Hash" has it.
std::string Uci::readOptionName() {
  std::string name = tokens_.nextWord();
  if (equalsIgnoreCase(name, "name")) name = tokens_.nextWord();
  for (const UciOption& option : optionTable()) {
    if (option.name.find(' ') == std::string::npos) continue;
    Tokenizer ahead = tokens_;
    std::string candidate = name;
    while (candidate.size() < option.name.size() && !ahead.empty()) candidate += ' ' + ahead.nextWord();
    if (equalsIgnoreCase(candidate, option.name)) {
      tokens_ = ahead;
      return candidate;
    }
  }
  return name;
}

void Uci::setoption() {
  const std::string name = readOptionName();
  for (const UciOption& option : optionTable()) {
    if (!equalsIgnoreCase(name, option.name)) continue;
    option.set(*this, option);
    return;
  }
  std::fprintf(stderr, "Option not supported: %s\n", name.c_str());
  infoString("Option not supported: " + name);
}

}  // namespace vireo
