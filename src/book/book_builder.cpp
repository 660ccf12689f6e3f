#include "book/book_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "book/book_file.h"
#include "book/book_keys.h"
#include "book/polyglot_book.h"
#include "book/polyglot_keys.h"
#include "support/platform.h"

namespace vireo {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
// Characters that end a movetext token on their own. A zero byte is none of
// them (strchr would find the terminator).
bool isMovetextDelimiter(char c) { return c != 0 && std::strchr("{}();$", c) != nullptr; }
bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A tag pair line: "[" name, then the opening quote of the value. Lines of
// a comment that merely start with "[" (clock annotations) do not qualify.
bool isTagLine(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && isBlank(line[i])) ++i;
  if (i == line.size() || line[i] != '[') return false;
  const size_t nameStart = ++i;
  while (i < line.size() && isNameChar(line[i])) ++i;
  if (i == nameStart) return false;
  while (i < line.size() && isBlank(line[i])) ++i;
  return i < line.size() && line[i] == '"';
}

// [Name "Value"] with \" and \\ escapes in the value.
bool parseTag(const std::string& line, std::string& name, std::string& value) {
  size_t i = line.find('[') + 1;
  const size_t nameStart = i;
  while (i < line.size() && isNameChar(line[i])) ++i;
  name = line.substr(nameStart, i - nameStart);
  i = line.find('"', i) + 1;
  value.clear();
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  if (i >= line.size()) return false;  // no closing quote
  ++i;
  while (i < line.size() && isBlank(line[i])) ++i;
  return i < line.size() && line[i] == ']';
}

bool isResult(const std::string& token) {
  return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

// Half points of White in a finished game, or -1.
int whiteHalfPoints(const std::string& result) {
  if (result == "1-0") return 2;
  if (result == "1/2-1/2") return 1;
  if (result == "0-1") return 0;
  return -1;
}

// The movetext of a game leaves the SAN text alone, but move numbers,
// annotation marks standing apart and the rare "e.p." suffix go.
bool cleanMoveToken(std::string& token) {
  size_t digits = 0;
  while (digits < token.size() && token[digits] >= '0' && token[digits] <= '9') ++digits;
  if (digits == token.size()) return false;  // a bare move number
  if (digits > 0 && token[digits] == '.') {
    size_t dots = digits;
    while (dots < token.size() && token[dots] == '.') ++dots;
    token.erase(0, dots);
  }
  if (token.empty() || token == "e.p.") return false;
  if (token.find_first_not_of("!?") == std::string::npos) return false;
  // Castling written with zeros.
  if (token.rfind("0-0", 0) == 0)
    for (char& c : token)
      if (c == '0') c = 'O';
  return true;
}

// Rating tag to the game weight of that player; 0 without a usable rating.
double ratingWeight(const std::string* tag) {
  if (!tag || tag->empty()) return 0;
  char* end = nullptr;
  const long elo = std::strtol(tag->c_str(), &end, 10);
  if (*end != 0 || elo <= 0 || elo > 5000) return 0;
  return std::exp2((double(elo) - 2400.0) / 70.0);
}

void putBigEndian(uint8_t* out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) out[i] = uint8_t(value);
}

uint8_t squareByte(Square s) { return uint8_t(fileOf(s) | rankOf(s) << 4); }

}  // namespace

const std::string* PgnGame::tag(const char* name) const {
  for (const auto& [tagName, value] : tags)
    if (tagName == name) return &value;
  return nullptr;
}

bool PgnReader::fetchLine() {
  if (lineReady_) return true;
  if (!file_.readLine(line_)) return false;
  pos_ = 0;
  lineReady_ = true;
  return true;
}

bool PgnReader::next(PgnGame& game) {
  game = PgnGame();
  bool started = false;     // a tag or a movetext token of this game was read
  bool inMovetext = false;  // a movetext token was read
  auto unterminated = [&]() {
    if (game.error.empty() && inComment_) game.error = "unterminated comment";
    if (game.error.empty() && variationDepth_ > 0) game.error = "unterminated variation";
    inComment_ = false;
    variationDepth_ = 0;
  };

  while (fetchLine()) {
    if (pos_ == 0 && isTagLine(line_)) {
      if (inMovetext || (started && (inComment_ || variationDepth_ > 0))) {
        // The tag belongs to the next game, which this line starts.
        unterminated();
        game.number = ++gamesSeen_;
        return true;
      }
      inComment_ = false;
      variationDepth_ = 0;
      started = true;
      std::string name, value;
      if (parseTag(line_, name, value))
        game.tags.emplace_back(std::move(name), std::move(value));
      else if (game.error.empty())
        game.error = "malformed tag: " + line_;
      lineReady_ = false;
      continue;
    }
    if (pos_ == 0 && !inComment_ && !line_.empty() && line_[0] == '%') {
      lineReady_ = false;  // escape line
      continue;
    }
    if (readMovetext(game, started, inMovetext)) {
      game.number = ++gamesSeen_;
      return true;
    }
  }
  if (!started) return false;
  unterminated();
  game.number = ++gamesSeen_;
  return true;
}

bool PgnReader::readMovetext(PgnGame& game, bool& started, bool& inMovetext) {
  const std::string& line = line_;
  while (pos_ < line.size()) {
    const char c = line[pos_];
    if (inComment_) {
      const size_t close = line.find('}', pos_);
      pos_ = close == std::string::npos ? line.size() : close + 1;
      inComment_ = close == std::string::npos;
      continue;
    }
    if (isBlank(c)) {
      ++pos_;
      continue;
    }
    if (c == ';') break;  // comment to the end of the line
    if (c == '{' || c == '(' || c == ')' || c == '}' || c == '$') {
      ++pos_;
      if (c == '{') inComment_ = true;
      if (c == '(') ++variationDepth_;
      if (c == '$')
        while (pos_ < line.size() && line[pos_] >= '0' && line[pos_] <= '9') ++pos_;
      if ((c == ')' && variationDepth_ == 0) || c == '}') {
        if (game.error.empty()) game.error = std::string("unbalanced '") + c + "'";
        started = inMovetext = true;
      } else if (c == ')') {
        --variationDepth_;
      }
      continue;
    }
    size_t end = pos_;
    while (end < line.size() && !isBlank(line[end]) && !isMovetextDelimiter(line[end])) ++end;
    std::string token = line.substr(pos_, end - pos_);
    pos_ = end;
    if (variationDepth_ > 0) continue;
    started = inMovetext = true;
    if (isResult(token)) {
      game.result = token;
      return true;
    }
    if (cleanMoveToken(token)) game.moves.push_back(std::move(token));
  }
  lineReady_ = false;
  return false;
}

BookBuilder::BookBuilder(const BookBuildOptions& options)
    : options_(options), board_(std::make_unique<Board>()) {}

BookBuilder::~BookBuilder() = default;

bool BookBuilder::addGame(const PgnGame& game, std::string& reason) {
  if (!game.error.empty()) {
    reason = game.error;
    return false;
  }
  const std::string* resultTag = game.tag("Result");
  const int whitePoints = whiteHalfPoints(!game.result.empty() ? game.result
                                          : resultTag          ? *resultTag
                                                               : std::string());
  if (whitePoints < 0) {
    reason = "no result";
    return false;
  }

  Board& board = *board_;
  const std::string* fen = game.tag("FEN");
  if (!setFen(board, fen ? fen->c_str() : StartFen)) {
    reason = "bad FEN tag";
    return false;
  }

  struct Played {
    std::pair<uint64_t, uint16_t> entry;
    int halfPoints;  // of the side that moved
    double weight;
  };
  std::vector<Played> played;
  const double ratingWeights[2] = {ratingWeight(game.tag("WhiteElo")),
                                   ratingWeight(game.tag("BlackElo"))};
  const int plies = std::min<int>(options_.maxPlies, int(game.moves.size()));
  const bool polyglot = options_.format == BookFormat::Polyglot;
  for (int i = 0; i < plies; ++i) {
    uint64_t key;
    bool blackToMove;
    int ply;
    if (polyglot) {
      key = polyglotKey(board);
    } else if (!bookKey(toFen(board).c_str(), key, blackToMove, ply)) {
      reason = "position without key";
      return false;
    }
    const Move move = parseMove(board, game.moves[i].c_str());
    if (move == NoMove) {
      reason = "illegal or ambiguous move '" + game.moves[i] + "' at ply " + std::to_string(i + 1);
      return false;
    }
    const uint16_t moveBytes = polyglot ? polyglotMove(move)
                                        : uint16_t(squareByte(moveFrom(move)) << 8 | squareByte(moveTo(move)));
    const Colour mover = board.sideToMove;
    played.push_back(
        {{key, moveBytes}, mover == White ? whitePoints : 2 - whitePoints, ratingWeights[mover]});
    makeHistoryRoom(board);
    makeMove(board, move);
    updateAttackInfo(board);
  }

  for (const Played& p : played) {
    if (polyglot) {
      countPolyglot(p.entry.first, p.entry.second, p.halfPoints);
      continue;
    }
    Stats& stats = entries_[p.entry];
    if (p.halfPoints == 2)
      ++stats.wins;
    else if (p.halfPoints == 1)
      ++stats.draws;
    else
      ++stats.losses;
    stats.weight += p.weight;
  }
  return true;
}

void BookBuilder::countPolyglot(uint64_t key, uint16_t move, int halfPoints) {
  std::vector<PolyglotCount>& moves = polyglot_[key];
  auto it = std::find_if(moves.begin(), moves.end(), [&](const PolyglotCount& c) { return c.move == move; });
  if (it == moves.end()) it = moves.insert(moves.end(), PolyglotCount{move, 0, 0});
  ++it->games;
  it->points += uint32_t(halfPoints);
  if (it->games >= 16384) {
    for (PolyglotCount& c : moves) {
      c.games = (c.games + 1) / 2;
      c.points = (c.points + 1) / 2;
    }
  }
}

bool BookBuilder::writePolyglot(const char* path, BookBuildSummary& summary, std::string& error) const {
  struct Entry {
    uint64_t key;
    uint16_t move;
    uint16_t weight;
  };
  std::vector<Entry> entries;
  for (const auto& [key, moves] : polyglot_)
    for (const PolyglotCount& c : moves)
      // A weight of 0 means "never play": such a move does not belong in
      // a book that is written from games.
      if (c.games >= uint32_t(std::max(options_.minGames, 1)) && c.points > 0)
        entries.push_back({key, c.move, uint16_t(std::min<uint32_t>(c.points, 65535))});
  // The format needs the keys in order; within a position the heaviest
  // move comes first, as readers that show the moves in file order expect,
  // and equal weights in the order the games first played them (the order
  // `polyglot make-book` gives them, so that both write the same bytes).
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    if (a.key != b.key) return a.key < b.key;
    return a.weight > b.weight;
  });

  const std::string temporary = std::string(path) + ".partial";
  FILE* out = std::fopen(temporary.c_str(), "wb");
  if (!out) {
    error = "cannot write " + temporary;
    return false;
  }
  bool ok = true;
  size_t positions = 0;
  for (size_t i = 0; i < entries.size() && ok; ++i) {
    const Entry& e = entries[i];
    if (i == 0 || entries[i - 1].key != e.key) ++positions;
    uint8_t bytes[PolyglotBook::EntrySize] = {};
    putBigEndian(bytes, e.key, 8);
    putBigEndian(bytes + 8, e.move, 2);
    putBigEndian(bytes + 10, e.weight, 2);  // the learn field stays 0
    ok = std::fwrite(bytes, 1, sizeof bytes, out) == sizeof bytes;
  }
  ok = std::fflush(out) == 0 && ok;
  ok = std::fclose(out) == 0 && ok;
  if (!ok || !replaceFile(temporary.c_str(), path)) {
    std::remove(temporary.c_str());
    error = std::string("cannot write ") + path;
    return false;
  }
  summary.positions = positions;
  summary.records = entries.size();
  return true;
}

bool BookBuilder::write(const char* path, BookBuildSummary& summary, std::string& error) const {
  if (options_.format == BookFormat::Polyglot) return writePolyglot(path, summary, error);
  struct Record {
    uint64_t key;
    uint16_t move;
    Stats stats;
    uint32_t games() const { return stats.wins + stats.draws + stats.losses; }
  };
  std::vector<Record> records;
  records.reserve(entries_.size());
  for (const auto& [entry, stats] : entries_) {
    const Record record = {entry.first, entry.second, stats};
    if (record.games() >= uint32_t(std::max(options_.minGames, 1))) records.push_back(record);
  }
  // Within a position the most played move comes first: the book shows moves
  // in file order and keeps only the first 32.
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
    if (a.key != b.key) return a.key < b.key;
    if (a.games() != b.games()) return a.games() > b.games();
    return a.move < b.move;
  });

  const std::string temporary = std::string(path) + ".partial";
  FILE* out = std::fopen(temporary.c_str(), "wb");
  if (!out) {
    error = "cannot write " + temporary;
    return false;
  }
  const int recordSize = options_.strength ? 18 : 16;
  const int flags = BookFile::FlagCounts | (options_.strength ? BookFile::FlagStrength : 0);
  // Eight zero bytes mark the header; then the tag, header size, a reserved
  // byte, record size and flags.
  const uint8_t header[16] = {
      0, 0, 0, 0, 0, 0, 0, 0, 'B', 'B', 'K', 0, 16, 0, uint8_t(recordSize), uint8_t(flags)};
  bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header;

  size_t positions = 0;
  for (size_t i = 0; i < records.size() && ok; ++i) {
    const Record& r = records[i];
    if (i == 0 || records[i - 1].key != r.key) ++positions;
    // Counts beyond 16 bits are scaled together to keep their proportions.
    double wins = r.stats.wins, draws = r.stats.draws, losses = r.stats.losses;
    const double most = std::max({wins, draws, losses});
    if (most > 65535) {
      wins = std::round(wins * 65535 / most);
      draws = std::round(draws * 65535 / most);
      losses = std::round(losses * 65535 / most);
    }
    uint8_t bytes[18];
    putBigEndian(bytes, r.key, 8);
    putBigEndian(bytes + 8, r.move, 2);
    putBigEndian(bytes + 10, uint64_t(wins), 2);
    putBigEndian(bytes + 12, uint64_t(draws), 2);
    putBigEndian(bytes + 14, uint64_t(losses), 2);
    if (options_.strength) {
      long strength = 0;
      if (r.stats.weight > 0)
        strength = std::clamp(std::lround(70 * std::log2(r.stats.weight) + 2400), 1L, 65535L);
      putBigEndian(bytes + 16, uint64_t(strength), 2);
    }
    ok = std::fwrite(bytes, 1, size_t(recordSize), out) == size_t(recordSize);
  }
  ok = std::fflush(out) == 0 && ok;
  ok = std::fclose(out) == 0 && ok;
  if (!ok || !replaceFile(temporary.c_str(), path)) {
    std::remove(temporary.c_str());
    error = std::string("cannot write ") + path;
    return false;
  }
  summary.positions = positions;
  summary.records = records.size();
  return true;
}

bool buildBook(const char* pgnPath, const char* bookPath, const BookBuildOptions& options,
               BookBuildSummary& summary, FILE* out, FILE* err) {
  summary = BookBuildSummary();
  if (std::strcmp(pgnPath, bookPath) == 0) {
    std::fprintf(err, "refusing to write the book over its input %s\n", pgnPath);
    return false;
  }
  PgnReader reader;
  if (!reader.open(pgnPath)) {
    std::fprintf(err, "cannot read %s\n", pgnPath);
    return false;
  }
  // Find out before reading a large input whether the output can be
  // written at all.
  {
    const std::string probe = std::string(bookPath) + ".partial";
    FILE* test = std::fopen(probe.c_str(), "wb");
    if (!test) {
      std::fprintf(err, "cannot write %s\n", bookPath);
      return false;
    }
    std::fclose(test);
    std::remove(probe.c_str());
  }

  BookBuilder builder(options);
  PgnGame game;
  std::string reason;
  while (reader.next(game)) {
    ++summary.gamesRead;
    if (!builder.addGame(game, reason)) {
      ++summary.gamesSkipped;
      std::fprintf(err, "game %u skipped: %s\n", game.number, reason.c_str());
    }
  }
  if (reader.failed()) {
    std::fprintf(err, "cannot read %s\n", pgnPath);
    return false;
  }
  std::string error;
  if (!builder.write(bookPath, summary, error)) {
    std::fprintf(err, "%s\n", error.c_str());
    return false;
  }
  std::fprintf(out, "games read: %u\ngames skipped: %u\npositions: %zu\nrecords: %zu\n",
               summary.gamesRead, summary.gamesSkipped, summary.positions, summary.records);
  return true;
}

}  // namespace vireo
