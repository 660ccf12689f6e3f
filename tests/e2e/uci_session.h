#pragma once
// A GUI's view of the engine: the real program in a directory of its own
// (after "uci" it appends its error log there), driven line by line.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine_process.h"

namespace vireo::e2e {

class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/vireo-uci-XXXXXX";
    if (mkdtemp(name)) path_ = name;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& text) const { std::ofstream(file(name)) << text; }
  std::string read(const std::string& name) const {
    std::ifstream in(file(name));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string path_;
};

// The lines of `text` that start with `prefix`.
inline std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

// The number after `key` in an info line, or -1.
inline long long field(const std::string& line, const std::string& key) {
  const size_t at = line.find(" " + key + " ");
  return at == std::string::npos ? -1 : std::stoll(line.substr(at + key.size() + 2));
}

// Whether a bestmove line names a move in coordinates (with a lower-case
// promotion letter) and, when it has one, a ponder move of the same form.
inline bool wellFormedBestmove(const std::string& line) {
  auto isMove = [](const std::string& m) {
    if (m.size() != 4 && m.size() != 5) return false;
    for (int i : {0, 2})
      if (m[i] < 'a' || m[i] > 'h' || m[i + 1] < '1' || m[i + 1] > '8') return false;
    return m.size() == 4 || std::string("nbrq").find(m[4]) != std::string::npos;
  };
  std::istringstream in(line);
  std::string word, move, ponderWord, ponder, extra;
  in >> word >> move >> ponderWord >> ponder >> extra;
  if (word != "bestmove" || !isMove(move) || !extra.empty()) return false;
  return ponderWord.empty() ? ponder.empty() : ponderWord == "ponder" && isMove(ponder);
}

class UciEngine {
 public:
  // `prepare` fills the working directory before the engine starts there.
  explicit UciEngine(const std::function<void(const TempDir&)>& prepare = {}, std::vector<std::string> args = {})
      : process(prepared(dir, prepare), std::move(args)) {}

  // Sends "uci" and waits for its reply; the output is then forgotten.
  bool start() {
    process.sendLine("uci");
    const bool ok = process.waitFor("uciok\n");
    process.take();
    return ok;
  }
  void send(const std::string& line) { process.sendLine(line); }
  bool waitFor(const std::string& marker, int timeoutMs = 20000) { return process.waitFor(marker, timeoutMs); }
  // Sends "isready" and waits for "readyok": every line the engine wrote
  // for the commands before it is in the output by then.
  bool sync(int timeoutMs = 20000) {
    const int seen = process.occurrences("readyok\n");
    process.sendLine("isready");
    return process.waitForCount("readyok\n", seen + 1, timeoutMs);
  }
  std::vector<std::string> bestmoves() const { return linesStartingWith(process.output(), "bestmove"); }
  std::string errorLog() const { return dir.read("vireo-1.0-error.log"); }
  int quit() {
    process.sendLine("quit");
    return process.waitForExit(20000);
  }

  TempDir dir;
  EngineProcess process;

 private:
  static std::string prepared(const TempDir& dir, const std::function<void(const TempDir&)>& prepare) {
    if (prepare) prepare(dir);
    return dir.path();
  }
};

}  // namespace vireo::e2e
