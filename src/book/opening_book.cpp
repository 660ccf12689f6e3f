// Which kind of book a file is, where the engine looks for one, and the
// Polyglot side of choosing and listing book moves; the engine's own books
// go to BookFile and BookChooser as they are.

#include "book/opening_book.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "board/fen.h"
#include "board/notation.h"
#include "book/book_chooser.h"
#include "book/book_file.h"
#include "book/polyglot_keys.h"
#include "support/ini.h"
#include "support/platform.h"

namespace vireo {

namespace {

constexpr const char* DefaultBookName = "vireo.bbk";
constexpr int HeaderBytes = 16;
// Records looked at to tell a headerless book of the engine's own from a
// Polyglot book when both readings make sense.
constexpr int SampledRecords = 4096;

bool endsWith(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
  return true;
}

// Whether the first records read as the engine's own headerless records:
// from and to bytes that name squares, and a move that goes somewhere.
bool ownRecordsPlausible(FILE* file, int64_t size) {
  if (!seekFile(file, 0)) return false;
  const int64_t records = std::min<int64_t>(size / 16, SampledRecords);
  uint8_t bytes[16];
  for (int64_t i = 0; i < records; ++i) {
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return false;
    const uint8_t from = bytes[8], to = bytes[9];
    if ((from & 0x08) || (to & 0x88) || (from & 0x77) == to) return false;
  }
  return true;
}

// The weighted draw of the format: a move's chance is its share of the
// weights. `random` below 1 moves chance towards the heaviest move, and 0
// always plays it, as book.play.random does for the engine's own books.
Move drawWeighted(const std::vector<WeightedMove>& moves, double random, double draw) {
  double total = 0;
  for (const WeightedMove& m : moves) total += m.weight;
  if (total <= 0) return NoMove;
  random = std::clamp(random, 0.0, 1.0);
  size_t best = 0;
  for (size_t i = 1; i < moves.size(); ++i)
    if (moves[i].weight > moves[best].weight) best = i;

  Move last = NoMove;
  for (size_t i = 0; i < moves.size(); ++i) {
    if (moves[i].weight == 0) continue;
    const double share = moves[i].weight / total;
    const double chance = i == best ? 1 - (1 - share) * random : share * random;
    if (chance <= 0) continue;
    last = moves[i].move;
    if (draw < chance) return moves[i].move;
    draw -= chance;
  }
  // Rounding may leave the draw a hair beyond the last chance.
  return last;
}

}  // namespace

std::string BookOpening::describe() const {
  switch (status) {
    case Opened:
      return "book=" + path + ", " + std::to_string(moves) + " moves" +
             (kind == BookKind::Polyglot ? " (Polyglot)" : "");
    case NotFound:
      return "book not found: " + path;
    case Unusable:
      return "book " + path + " not used: " + reason + "; playing without a book";
    case NoBook:
      break;
  }
  return "";
}

OpeningBook::OpeningBook(BookFile& ownBook, BookChooser& chooser)
    : OpeningBook(ownBook, chooser, uint32_t(readTimeStampCounter())) {}

OpeningBook::OpeningBook(BookFile& ownBook, BookChooser& chooser, uint32_t seed)
    : ownBook_(ownBook), chooser_(chooser), random_(seed) {}

void OpeningBook::close() {
  ownBook_.close();
  polyglot_.close();
  kind_ = BookKind::None;
  path_.clear();
}

BookOpening OpeningBook::open(const std::string& path) {
  close();
  BookOpening result;
  result.path = path;
  if (path.empty()) return result;

  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    result.status = BookOpening::NotFound;
    return result;
  }
  uint8_t header[HeaderBytes] = {};
  const size_t got = std::fread(header, 1, sizeof header, file);
  // A directory opens but cannot be read.
  const int64_t size = std::ferror(file) ? -1 : fileSize(file);
  result.status = BookOpening::Unusable;
  if (size <= 0) {
    result.reason = size == 0 ? "the file is empty" : "it cannot be read";
    std::fclose(file);
    return result;
  }

  // The engine's own books start with a header of eight zero bytes and
  // "BBK"; so may a Polyglot book, whose header hides in entries of key 0,
  // but its text is never that tag. Without a header both formats have
  // 16-byte records sorted by key, and the move bytes tell them apart.
  const bool zeroKey = got >= 8 && std::all_of(header, header + 8, [](uint8_t b) { return b == 0; });
  const bool ownTag = zeroKey && got >= 11 && std::memcmp(header + 8, "BBK", 3) == 0;
  std::string polyglotReason;
  bool polyglot = !ownTag && checkPolyglotContent(file, size, polyglotReason);
  // Records that make sense both ways: only the name can tell.
  if (polyglot && !zeroKey && endsWith(path, ".bbk") && ownRecordsPlausible(file, size)) polyglot = false;
  std::fclose(file);

  if (polyglot) return openPolyglot(path, result);
  if (!ownTag && endsWith(path, ".bin")) {
    result.reason = polyglotReason;
    return result;
  }
  if (!ownBook_.open(path.c_str())) {
    result.reason = "it cannot be read";
    return result;
  }
  kind_ = BookKind::Own;
  path_ = path;
  result.status = BookOpening::Opened;
  result.kind = kind_;
  result.moves = ownBook_.recordCount();
  return result;
}

BookOpening OpeningBook::openPolyglot(const std::string& path, BookOpening result) {
  if (!polyglot_.open(path.c_str(), result.reason)) return result;
  kind_ = BookKind::Polyglot;
  path_ = path;
  result.status = BookOpening::Opened;
  result.kind = kind_;
  result.moves = polyglot_.entryCount();
  return result;
}

BookOpening OpeningBook::openConfigured(const Ini& ini) {
  if (const char* configured = ini.get("book.file", nullptr)) return open(configured);
  const BookOpening own = open(DefaultBookName);
  if (own.status != BookOpening::NotFound) return own;
  const std::string system = systemBookPath();
  if (!system.empty()) {
    const BookOpening found = open(system);
    if (found.status != BookOpening::NotFound) return found;
  }
  // The engine's own name is the one to report: it is what a user may add.
  close();
  return own;
}

std::string systemBookPath() {
  if (const char* path = std::getenv("VIREO_SYSTEM_BOOK")) return path;
#if defined(_WIN32)
  return "";
#else
  return "/usr/share/games/gnuchess/book.bin";
#endif
}

std::vector<WeightedMove> OpeningBook::polyglotMoves(Board& board, std::vector<uint16_t>* illegal) {
  std::vector<WeightedMove> moves;
  if (kind_ != BookKind::Polyglot) return moves;
  for (const PolyglotEntry& entry : polyglot_.probe(polyglotKey(board))) {
    const Move move = moveFromPolyglot(board, entry.move);
    if (move) {
      // Two words may name one move (castling written both ways).
      auto same = std::find_if(moves.begin(), moves.end(), [&](const WeightedMove& m) { return m.move == move; });
      if (same != moves.end())
        same->weight += entry.weight;
      else
        moves.push_back({move, entry.weight});
    } else if (illegal) {
      illegal->push_back(entry.move);
    }
  }
  return moves;
}

Move OpeningBook::choosePolyglotMove(Board& board) {
  const BookCriteria& criteria = chooser_.criteria();
  // The same ply as the engine's own books count it, from the move number.
  const int ply = 2 * int(board.gamePly() >> 1) + (board.sideToMove == Black ? 1 : 0);
  if (criteria.maxPly != 0 && criteria.maxPly <= ply) return NoMove;
  const std::vector<WeightedMove> moves = polyglotMoves(board);
  if (moves.empty()) return NoMove;
  return drawWeighted(moves, criteria.random, double(random_.next64()) * 0x1p-64);
}

BookProbe OpeningBook::probe(Board& board) {
  BookProbe result;
  if (kind_ == BookKind::Polyglot) {
    result.move = choosePolyglotMove(board);
    result.found = result.move != NoMove;
    return result;
  }
  const std::string fen = toFen(board);
  BookCandidate candidate;
  if (!chooser_.chooseMove(fen.c_str(), candidate)) return result;
  result.found = true;
  result.move = parseMove(board, BookChooser::bookMoveText(candidate).c_str());
  return result;
}

void OpeningBook::printTable(Board& board, FILE* out) {
  if (kind_ == BookKind::Polyglot) {
    printPolyglotTable(board, out);
    return;
  }
  const std::string fen = toFen(board);
  chooser_.printBookTable(fen.c_str(), out);
}

void OpeningBook::printPolyglotTable(Board& board, FILE* out) {
  std::vector<uint16_t> illegal;
  const std::vector<WeightedMove> moves = polyglotMoves(board, &illegal);
  if (moves.empty() && illegal.empty()) {
    std::fprintf(out, "position not in book\n");
    return;
  }
  uint64_t total = 0;
  for (const WeightedMove& m : moves) total += m.weight;
  std::fprintf(out, "Polyglot book %s, key %016llx\n\n move       weight      %%\n", path_.c_str(),
               static_cast<unsigned long long>(polyglotKey(board)));
  for (const WeightedMove& m : moves) {
    char san[16];
    *moveToSan(board, san, m.move) = 0;
    std::fprintf(out, " %-8s %8u %6.1f%%\n", san, unsigned(m.weight), total ? 100.0 * m.weight / double(total) : 0.0);
  }
  if (moves.size() > 1) std::fprintf(out, " %-8s %8llu %6.1f%%\n", "total", static_cast<unsigned long long>(total), total ? 100.0 : 0.0);
  for (uint16_t word : illegal) {
    char text[6];
    polyglotMoveText(word, text);
    std::fprintf(out, " %-8s not a legal move here, never played\n", text);
  }
}

}  // namespace vireo
