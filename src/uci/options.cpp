// The options a GUI can set: the list announced at "uci" and "setoption".

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "book/book_chooser.h"
#include "book/opening_book.h"
#include "eval/evaluator.h"
#include "eval/weights.h"
#include "search/searcher.h"
#include "support/log.h"
#include "support/text.h"
#include "uci/uci.h"

namespace vireo {

namespace {

// The largest table the option announces; a larger request would allocate
// and clear more memory than any GUI offers.
constexpr int MaxHashMb = 4096;
// Evaluation weights in percent: far beyond ten times the engine's own
// tuning the score pairs overflow, so the magnitude is capped there.
constexpr int MaxWeightPercent = 1000;

}  // namespace

std::string Uci::optionList() const {
  // One space between the words: GUIs split these lines on single spaces
  // and would read padding as part of a name.
  char line[128];
  std::string list;
  std::snprintf(line, sizeof line, "option name UCI_EngineAbout type string default %s-%s by %s\n", "vireo",
                "1.0", "Tavrel");
  list += line;
  list += "option name UCI_Opponent type string\n";
  list += "option name UCI_AnalyseMode type check default false\n";
  std::snprintf(line, sizeof line, "option name Threads type spin default %i min 1 max %i\n",
                searcher_.threadCount(), MaxThreads);
  list += line;
  list += "option name Hash type spin default 32 min 1 max 4096\n";
  list += "option name Ponder type check default true\n";
  list += "option name MultiPV type spin default 1 min 1 max 256\n";
  list += "option name MultiPVMargin type spin default 100 min 0 max 2000\n";
  list += "option name OwnBook type check default true\n";
  for (const char* name : EvalWeightOptionNames) {
    std::snprintf(line, sizeof line, "option name %s type spin default 100 min 0 max 1000\n", name);
    list += line;
  }
  std::snprintf(line, sizeof line, "option name Move Overhead type spin default %i min 0 max %i\n",
                DefaultMoveOverheadMs, MaxMoveOverheadMs);
  list += line;
  list += "option name UCI_Chess960 type check default false\n";
  list += "option name BookFile type string default <empty>\n";
  list += "option name UCI_LimitStrength type check default false\n";
  std::snprintf(line, sizeof line, "option name UCI_Elo type spin default %i min %i max %i\n", StrengthDefaultElo,
                StrengthMinElo, StrengthMaxElo);
  list += line;
  return list;
}

// Option names of more than one word. Every other name is a single word,
// and the words after it belong to the value, as "setoption name Clear Hash"
// has it.
constexpr const char* MultiWordOptionNames[] = {"Move Overhead"};

void Uci::clearEvaluationCaches() {
  for (int i = 0; i < searcher_.threadCount(); ++i) clearEvaluator(searcher_.thread(i).evaluator);
}

std::string Uci::readOptionName() {
  std::string name = tokens_.nextWord();
  if (equalsIgnoreCase(name, "name")) name = tokens_.nextWord();
  for (const char* full : MultiWordOptionNames) {
    Tokenizer ahead = tokens_;
    std::string candidate = name;
    while (candidate.size() < std::strlen(full) && !ahead.empty()) candidate += ' ' + ahead.nextWord();
    if (equalsIgnoreCase(candidate, full)) {
      tokens_ = ahead;
      return candidate;
    }
  }
  return name;
}

void Uci::setoption() {
  const std::string name = readOptionName();

  // The value after an optional word "value".
  auto valueWord = [this] {
    std::string v = tokens_.nextWord();
    if (equalsIgnoreCase(v, "value")) v = tokens_.nextWord();
    return v;
  };
  auto number = [](const std::string& word, int defaultValue) {
    Tokenizer t;
    t.setText(word);
    return t.nextInt(defaultValue);
  };
  auto check = [](const std::string& word) { return equalsIgnoreCase(word, "true"); };
  auto skipOne = [this] { tokens_.nextWord(); };

  if (equalsIgnoreCase(name, "UCI_Opponent")) {
    skipOne();
    opponentTitle_ = tokens_.nextWord();
    opponentElo_ = tokens_.nextInt(0);
    opponentType_ = tokens_.nextWord();
    opponentName_ = tokens_.nextWord();
    logInfo("Opponent=%s %s, %s, elo=%i\n", opponentTitle_.c_str(), opponentName_.c_str(),
            opponentType_.c_str(), opponentElo_);
  } else if (equalsIgnoreCase(name, "UCI_AnalyseMode")) {
    const int value = number(valueWord(), 0);
    stopRunningSearch();
    searcher_.analyseMode = value != 0;
  } else if (equalsIgnoreCase(name, "UCI_EngineAbout")) {
    // Read-only text.
  } else if (equalsIgnoreCase(name, "MultiPV")) {
    // The root search needs at least one line; fewer would index before
    // the start of its move order.
    const int value = std::max(1, number(valueWord(), 1));
    stopRunningSearch();
    searcher_.multiPv = multiPv_ = value;
    logInfo("multipv=%i\n", value);
  } else if (equalsIgnoreCase(name, "MultiPVMargin")) {
    const int value = number(valueWord(), 100);
    stopRunningSearch();
    searcher_.multiPvMargin = multiPvMargin_ = value;
  } else if (equalsIgnoreCase(name, "Hash")) {
    skipOne();
    const int megabytes = std::min(number(tokens_.nextWord(), 32), MaxHashMb);
    logInfo("resizing hash to %uMb\n", unsigned(megabytes));
    // The search threads read the table without locks: never under them.
    stopRunningSearch();
    searcher_.tt().resize(int64_t(megabytes) * 1024);
  } else if (equalsIgnoreCase(name, "Clear")) {
    // Both "Clear Hash" and "Clear value Hash" are in use.
    std::string what = tokens_.nextWord();
    if (what.empty() || equalsIgnoreCase(what, "value")) what = tokens_.nextWord();
    if (equalsIgnoreCase(what, "Hash")) {
      stopRunningSearch();
      searcher_.tt().clear();
      clearEvaluationCaches();
      logTraffic("tt cleared", nullptr);
    }
  } else if (equalsIgnoreCase(name, "Ponder")) {
    const bool on = check(valueWord());
    logInfo("canponder=%u\n", unsigned(on));
    searcher_.timeControl().setCanPonder(on);
  } else if (equalsIgnoreCase(name, "SendPv")) {
    const bool on = check(valueWord());
    sendPv_ = on;
    logInfo("sendpv=%u\n", unsigned(on));
  } else if (equalsIgnoreCase(name, "OwnBook")) {
    const bool on = check(valueWord());
    logInfo("usebook=%u\n", unsigned(on));
    ownBook_ = on;
  } else if (equalsIgnoreCase(name, "Move Overhead")) {
    moveOverheadMs_ = std::clamp(number(valueWord(), DefaultMoveOverheadMs), 0, MaxMoveOverheadMs);
    logInfo("moveoverhead=%i\n", moveOverheadMs_);
  } else if (equalsIgnoreCase(name, "UCI_Chess960")) {
    const bool on = check(valueWord());
    logInfo("chess960=%u\n", unsigned(on));
    // The search threads copy the flag with the position at "go".
    stopRunningSearch();
    board_.chess960 = on;
  } else if (equalsIgnoreCase(name, "BookFile")) {
    // A path may hold spaces: the value is the rest of the line. Empty, or
    // the "<empty>" that GUIs echo from the announced default, goes back to
    // the configured book.
    std::string path = tokens_.rest();
    if (const std::string first = tokens_.nextWord(); equalsIgnoreCase(first, "value")) path = tokens_.rest();
    tokens_.setText("");
    while (!path.empty() && std::isspace(static_cast<unsigned char>(path.back()))) path.pop_back();
    if (path == "<empty>") path.clear();
    const BookOpening opening = path.empty() ? book_.openConfigured(ini_) : book_.open(path);
    if (opening.status == BookOpening::Opened) {
      logInfo("%s\n", opening.describe().c_str());
      book_.chooser().loadCriteria(ini_, false);
    } else if (opening.status == BookOpening::NoBook) {
      logInfo("no book\n");
    } else {
      warn(opening.describe());
    }
  } else if (equalsIgnoreCase(name, "UCI_LimitStrength")) {
    // The running search reads the level when it ends.
    const bool on = check(valueWord());
    stopRunningSearch();
    strength_.setEnabled(on);
    logInfo("limitstrength=%u\n", unsigned(strength_.enabled()));
  } else if (equalsIgnoreCase(name, "UCI_Elo")) {
    const int elo = number(valueWord(), StrengthDefaultElo);
    stopRunningSearch();
    strength_.setElo(elo);
    logInfo("elo=%i\n", strength_.elo());
  } else if (equalsIgnoreCase(name, "Threads")) {
    skipOne();
    const int count = number(tokens_.nextWord(), 1);
    logInfo("setting cpus=%i\n", count);
    // Joining or starting threads waits for them to be idle, which a
    // running search would delay without end.
    stopRunningSearch();
    searcher_.setThreads(count);
  } else {
    for (int i = 0; i < EvalWeightCount; ++i) {
      if (!equalsIgnoreCase(name, EvalWeightOptionNames[i])) continue;
      const int percent = std::clamp(number(valueWord(), 100), -MaxWeightPercent, MaxWeightPercent);
      // The tables are read by the search threads without locks.
      stopRunningSearch();
      setEvalWeight(i, evalWeightFromPercent(percent));
      // Cached scores were made with the old weights.
      clearEvaluationCaches();
      return;
    }
    std::fprintf(stderr, "Option not supported: %s\n", name.c_str());
    infoString("Option not supported: " + name);
  }
}

}  // namespace vireo
