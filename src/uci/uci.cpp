#include "uci/uci.h"

#include <algorithm>
#include <cstdio>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "board/perft.h"
#include "book/opening_book.h"
#include "search/searcher.h"
#include "support/build_info.h"
#include "support/log.h"
#include "support/text.h"
#include "uci/reports.h"

namespace vireo {

Uci::Uci(Searcher& searcher, OpeningBook& book, Ini& ini, FILE* output)
    : searcher_(searcher), board_(searcher.board()), book_(book), ini_(ini), out_(output) {}

bool Uci::dispatch(const std::string& command, const std::string& rest) {
  if (uciMode_) logTraffic(command.c_str(), rest.c_str());
  tokens_.setText(rest);

  struct Command {
    const char* name;
    void (Uci::*run)();
  };
  static constexpr Command Commands[] = {
      {"uci", &Uci::uci},           {"position", &Uci::position},   {"go", &Uci::go},
      {"isready", &Uci::isready},   {"setoption", &Uci::setoption}, {"ucinewgame", &Uci::ucinewgame},
      {"ponderhit", &Uci::ponderhit}, {"stop", &Uci::stop},         {"quit", &Uci::quit},
  };
  for (const Command& c : Commands) {
    if (!equalsIgnoreCase(command, c.name)) continue;
    (this->*c.run)();
    out_.flush();
    flushLog();
    return true;
  }
  if (uciMode_) std::fprintf(stderr, "unknown uci command: %s\n", command.c_str());
  return false;
}

void Uci::write(const std::string& text) {
  out_.putString(text.c_str());
  out_.flush();
}

void Uci::infoString(const std::string& text) {
  if (uciMode_) write("info string " + text + "\n");
}

void Uci::warn(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  infoString(text);
}

void Uci::uci() {
  // Only the first "uci" switches the engine over. A later one, which may
  // come while a search runs, must not touch the streams the search thread
  // writes to: it only repeats the reply.
  if (!uciMode_) {
    // A search started at the console reads the listener without a lock:
    // stop it before the listener changes.
    stopRunningSearch();
    searcher_.listener = this;
    redirectForUci();
    // The reopened stream is a file and would be buffered; a GUI that kills
    // the engine must not lose the last diagnostics.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
  }
  std::string reply = "\nid name " + engineTitle() + "\nid author " + EngineAuthor + "\n";
  reply += optionList();
  reply += "uciok\n";
  write(reply);
  uciMode_ = true;
  logTraffic("<--uciok", nullptr);
}

void Uci::isready() {
  write("readyok\n");
  logTraffic("<--readyok", nullptr);
  flushLog();
}

void Uci::ucinewgame() {
  lastBookPly_ = 0;
  lastGoPly_ = 0;
}

void Uci::quit() {
  out_.flush();
  logTraffic("exit()!\n", nullptr);
  // The process ends without waiting for the search's result, but the
  // search threads must be parked before the objects they report to are
  // destroyed on the way out.
  muted_ = true;
  status_.setStatus(FINISHED);
  searcher_.stopSearch();
  quitRequested_ = true;
}

uint32_t Uci::endSearch() {
  const SearchStatus::Change change = status_.setStatus(FINISHED);
  if (isSearching(change.old))
    searcher_.stopSearch();  // its finished() writes the bestmove
  else if (change.held)
    sendHeldBestmove(false);
  searcher_.waitIdle();
  return change.old;
}

void Uci::stopRunningSearch() {
  // A search that ended meanwhile, holding its bestmove, is ended too.
  if (isSearching(status_.current()))
    endSearch();
  else
    searcher_.waitIdle();
}

void Uci::endOfInput() { endSearch(); }

void Uci::sendHeldBestmove(bool withPonder) {
  sendBestmove(playedMove(), withPonder ? playedPonder() : 0);
}

Move Uci::playedMove() const {
  const int rank = playedRank_.load(std::memory_order_relaxed);
  return rank ? searcher_.lineAt(rank)[0] : searcher_.bestMove();
}

Move Uci::playedPonder() const {
  const int rank = playedRank_.load(std::memory_order_relaxed);
  return rank ? searcher_.lineAt(rank)[1] : searcher_.ponderMove();
}

void Uci::position() {
  const SearchStatus::Change change = status_.setStatus(POSITION);
  if (isSearching(change.old)) {
    std::fprintf(stderr, "uci::position(): search still running? status=%i\n", int(change.old));
    searcher_.stopSearch();
  } else if (change.old == POSITION) {
    logInfo("uci: 2x position?\n");
  } else if (change.held) {
    // A finished ponder search still owed its bestmove: a new position
    // ends it just as one arriving while it ran would have.
    sendHeldBestmove(false);
  }
  searcher_.waitIdle();

  copyBoard(previous_, board_);
  std::string word = tokens_.nextWord();
  bool fenRefused = false;
  // The board's flag carries the UCI_Chess960 option from one position to
  // the next.
  const bool chess960 = board_.chess960;
  if (equalsIgnoreCase(word, "startpos")) {
    setFen(board_, StartFen, nullptr, chess960);
    positionValid_ = true;
    word = tokens_.nextWord();
  } else if (equalsIgnoreCase(word, "fen")) {
    std::string fen;
    while (!tokens_.empty()) {
      word = tokens_.nextWord();
      if (word.empty() || equalsIgnoreCase(word, "moves")) break;
      fen += word;
      fen += ' ';
    }
    // A refused FEN leaves the board half set: keep the previous position
    // and ignore the moves, which belonged to the refused one.
    std::string reason;
    fenRefused = !setFen(board_, fen.c_str(), &reason, chess960);
    if (fenRefused) {
      copyBoard(board_, previous_);
      infoString("invalid FEN (" + reason + "), position not set: " + fen.substr(0, fen.size() - 1));
    }
    positionValid_ = !fenRefused;
  }
  if (!fenRefused && equalsIgnoreCase(word, "moves")) playMoves();
  if (logStreamOpen()) printBoard(board_, stdout);
}

bool Uci::playMoves() {
  while (!tokens_.empty()) {
    const std::string word = tokens_.nextWord();
    if (word.empty()) break;
    if (word[0] == '.') {
      logInfo("SKIP continuation move: %s\n", word.c_str());
      continue;
    }
    const Move move = parseMove(board_, word.c_str());
    if (!move) {
      std::fprintf(stderr, "WARNING invalid move from GUI: %s\n", word.c_str());
      infoString("invalid move from GUI: " + word + " (it and the moves after it are ignored)");
      return false;
    }
    makeHistoryRoom(board_);
    makeMove(board_, move);
    updateAttackInfo(board_);
  }
  return true;
}

bool Uci::probeBook() {
  // The book knows standard chess only.
  if (!ownBook_ || board_.chess960) return false;
  const int ply = int(board_.gamePly());
  if (lastBookPly_ == 0 || ply < lastBookPly_) lastBookPly_ = ply;
  if (ply > lastBookPly_ + 6) return false;
  const BookProbe probe = book_.probe(board_);
  if (!probe.found) return false;
  lastBookPly_ = ply;
  if (!probe.move) return false;
  sendBestmove(probe.move, 0);
  return true;
}

namespace {

constexpr const char* GoKeywords[] = {"wtime", "btime",    "winc",     "binc",    "depth",  "nodes",      "movetime",
                                      "movestogo", "infinite", "ponder", "mate", "perft", "searchmoves"};

bool isGoKeyword(const std::string& word) {
  for (const char* k : GoKeywords)
    if (equalsIgnoreCase(word, k)) return true;
  return false;
}

}  // namespace

Uci::GoCommand Uci::readGo() {
  GoCommand g;
  while (!tokens_.empty()) {
    const std::string word = tokens_.nextWord();
    if (equalsIgnoreCase(word, "wtime")) {
      g.wtime = tokens_.nextInt(g.wtime);
      g.wtimeGiven = true;
    } else if (equalsIgnoreCase(word, "btime")) {
      g.btime = tokens_.nextInt(g.btime);
      g.btimeGiven = true;
    } else if (equalsIgnoreCase(word, "winc")) {
      g.winc = tokens_.nextInt(g.winc);
    } else if (equalsIgnoreCase(word, "binc")) {
      g.binc = tokens_.nextInt(g.binc);
    } else if (equalsIgnoreCase(word, "depth")) {
      g.depth = tokens_.nextInt(g.depth);
    } else if (equalsIgnoreCase(word, "nodes")) {
      g.nodes = tokens_.nextInt(g.nodes);
    } else if (equalsIgnoreCase(word, "movetime")) {
      g.movetime = tokens_.nextInt(g.movetime);
      g.movestogo = 1;
    } else if (equalsIgnoreCase(word, "movestogo")) {
      g.movestogo = tokens_.nextInt(g.movestogo);
    } else if (equalsIgnoreCase(word, "infinite")) {
      g.infinite = true;
    } else if (equalsIgnoreCase(word, "ponder")) {
      g.ponder = true;
      g.infinite = true;
    } else if (equalsIgnoreCase(word, "mate")) {
      g.mate = std::max(0, tokens_.nextInt(0));
    } else if (equalsIgnoreCase(word, "perft")) {
      g.perft = std::max(1, tokens_.nextInt(1));
    } else if (equalsIgnoreCase(word, "searchmoves")) {
      // The moves run to the next keyword or the end of the line.
      g.searchMovesGiven = true;
      while (!tokens_.empty()) {
        Tokenizer ahead = tokens_;
        const std::string text = ahead.nextWord();
        if (isGoKeyword(text)) break;
        tokens_ = ahead;
        if (const Move move = parseMove(board_, text.c_str())) {
          if (g.searchMoveCount < MaxMoves) g.searchMoves[g.searchMoveCount++] = move;
        } else {
          warn("searchmoves: not a legal move here: " + text);
        }
      }
    }
  }
  // A clock below zero means the time is used up: budget as for no time
  // left rather than as if no clock had been given.
  if (g.wtimeGiven && g.wtime < 0) g.wtime = 0;
  if (g.btimeGiven && g.btime < 0) g.btime = 0;
  g.winc = std::max(0, g.winc);
  g.binc = std::max(0, g.binc);
  return g;
}

void Uci::go() {
  // A "go" while a search runs (or while a finished ponder search holds its
  // result) first ends that search, so that each "go" gets its own bestmove
  // and the position is not touched under a running search.
  const uint32_t entryStatus = endSearch();
  GoCommand g = readGo();

  if (g.perft) {
    // A count, not a search: no bestmove, and the position stays set.
    runPerft(g.perft);
    if (entryStatus == POSITION) status_.setStatus(POSITION);
    return;
  }
  if (!positionValid_) {
    // Answering for the previous position would play a move that is illegal
    // in the GUI's.
    infoString("no valid position: set one before go");
    std::fprintf(stderr, "go(): no valid position, bestmove 0000\n");
    sendBestmove(0, 0);
    return;
  }

  // While pondering the GUI waits for the opponent and takes no bestmove
  // before "ponderhit" or "stop": a book move would come too early. Analysis
  // and mate searches want the search's own answer, and a restricted root may
  // not hold the book's move.
  const bool bookAllowed = !g.infinite && !g.mate && !g.searchMovesGiven;
  if (bookAllowed && probeBook()) {
    lastGoPly_ = 0;
    status_.setStatus(FINISHED);
    return;
  }

  const int ply = int(board_.gamePly());
  if (ply < lastGoPly_ - 1) ucinewgame();
  lastGoPly_ = ply;

  const bool white = board_.sideToMove == White;
  int time = white ? g.wtime : g.btime;
  // The GUI's clock runs on while the move travels to it.
  if (time >= 0) time = std::max(0, time - moveOverheadMs_);
  const bool limited = g.depth || g.nodes || g.movetime >= 0 || time >= 0 || g.mate;
  if (!limited && !g.infinite) {
    // Without any limit the search runs until "stop", as "go infinite" does.
    std::fprintf(stderr, "go(): no time/depth/node limit\n");
    g.infinite = true;
  }

  if (entryStatus != POSITION)
    std::fprintf(stderr, "Expected current status==POSITION, got %i\n", int(entryStatus));
  status_.setStatus(g.ponder ? PONDERING : SEARCHING);

  TimeControl& tc = searcher_.timeControl();
  tc.reset();
  tc.clearLimits();
  tc.setInfinite(g.infinite || g.mate);
  tc.setNodes(uint64_t(int64_t(g.nodes)));
  tc.setDepthLimit(g.depth);
  searcher_.setSearchMoves(g.searchMoves, g.searchMoveCount);
  searcher_.mateInMoves = g.mate;
  searcher_.multiPv = multiPv_;
  searcher_.multiPvMargin = multiPvMargin_;
  playedRank_.store(0, std::memory_order_relaxed);

  if (g.movetime >= 0) {
    tc.setMoveTime(uint32_t(g.movetime));
  } else {
    tc.setMovesToGo(g.movestogo);
    if (time >= 0) {
      tc.setReserve(timeReserve_);
      tc.setClock(uint32_t(time), uint32_t(white ? g.winc : g.binc));
      tc.budgetTime();
    } else if (g.movestogo >= 0 && g.nodes) {
      tc.budgetNodes();
    }
  }
  // Analysis (infinite and mate searches) gets the full engine: a player
  // looking into a game lost to a weak level wants the true lines.
  strengthLimited_ = strength_.enabled() && !g.infinite && !g.mate;
  if (strengthLimited_) {
    strength_.limitSearch(tc, g.movetime < 0 && time >= 0);
    const StrengthLevel& level = strength_.level();
    // The lines to choose among, within the level's margin of the best.
    searcher_.multiPv = std::max(multiPv_, level.lines);
    searcher_.multiPvMargin = level.marginCp;
    infoString("strength limited to Elo " + std::to_string(strength_.elo()));
  }
  logInfo("Nominal search time is %3.2f seconds, infinite=%i, nodes=%i\n",
          double(float(tc.phaseTime(PhaseNormal)) / 1000.0f), int(tc.infinite()), int(tc.nodeLimit()));

  resetThrottle();
  searcher_.startSearch();
}

void Uci::runPerft(int depth) {
  Move moves[MaxMoves];
  uint64_t counts[MaxMoves];
  const int n = divideCounts(board_, depth, moves, counts);
  uint64_t total = 0;
  std::string out;
  for (int i = 0; i < n; ++i) {
    out += moveToUci(board_, moves[i]) + ": " + std::to_string(counts[i]) + "\n";
    total += counts[i];
  }
  out += "\nNodes searched: " + std::to_string(total) + "\n\n";
  write(out);
}

void Uci::finished(int depth, int, Move) {
  if (muted_) return;
  sendInfo(depth);
  if (strengthLimited_ && searcher_.rootMoveCount())
    playedRank_.store(strength_.chooseRank(searcher_), std::memory_order_relaxed);
  const SearchStatus::Change change = status_.setStatus(FINISHED, true);
  if (change.old == PONDERING) {
    logTraffic("Uci:finish() delay sending bestmove, status is still 'pondering'\n", nullptr);
    return;
  }
  sendBestmove(playedMove(), playedPonder());
}

void Uci::ponderhit() {
  const SearchStatus::Change change = status_.setStatus(SEARCHING);
  switch (change.old) {
    case POSITION:
      // No search to answer for: a bestmove now would be taken as the answer
      // to the next "go".
      std::fprintf(stderr, "uci:: ponderhit without preceeding go(), ignored\n");
      status_.setStatus(POSITION);
      break;
    case SEARCHING:
      std::fprintf(stderr, "uci::ponderhit status==SEARCHING, ponderhit ignored\n");
      break;
    case PONDERING:
      // Stops at once when the search has already met its end, else the
      // search goes on under the clock; its finished() sends the bestmove.
      searcher_.ponderhit();
      break;
    case FINISHED:
      status_.setStatus(FINISHED);
      if (change.held) {
        logTraffic("uci:ponderhit(): already finished\n", nullptr);
        sendHeldBestmove(true);
      } else {
        // That search's bestmove has gone out already; a second one would
        // be taken as the answer to the next "go".
        std::fprintf(stderr, "uci::ponderhit after bestmove, ponderhit ignored\n");
      }
      break;
    default:
      std::fprintf(stderr, "uci::ponderhit unknown status==%i, ponderhit ignored\n", int(change.old));
      break;
  }
}

void Uci::stop() {
  const SearchStatus::Change change = status_.setStatus(FINISHED);
  switch (change.old) {
    case FINISHED:
      if (change.held)
        sendHeldBestmove(false);
      else
        std::fprintf(stderr, "uci::stop with no search running, stop ignored\n");
      break;
    case POSITION:
      // As for "ponderhit": nothing runs and nothing is held back.
      std::fprintf(stderr, "uci:: stop without preceeding go, ignored\n");
      status_.setStatus(POSITION);
      break;
    default:
      logTraffic("uci:stop() START\n", nullptr);
      searcher_.stopSearch();
      logTraffic("uci:stop() END\n", nullptr);
      break;
  }
}

}  // namespace vireo
