#include "uci/uci.h"

#include <cstdio>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "book/book_chooser.h"
#include "search/searcher.h"
#include "support/log.h"
#include "support/text.h"

namespace vireo {

Uci::Uci(Searcher& searcher, BookChooser& bookChooser, Ini& ini, FILE* output)
    : searcher_(searcher), board_(searcher.board()), bookChooser_(bookChooser), ini_(ini), out_(output) {}

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

void Uci::uci() {
  // The first "uci" may meet a search started at the console, which reads
  // the listener without a lock: stop it before the listener changes.
  if (searcher_.listener != this) {
    stopRunningSearch();
    searcher_.listener = this;
  }
  redirectForUci();
  // The reopened stream is a file and would be buffered; a GUI that kills
  // the engine must not lose the last diagnostics.
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  std::string reply = "\nid name vireo-1.0\nid author Tavrel\n";
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
  gameStartPly_ = -1;
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
  sendBestmove(searcher_.bestMove(), withPonder ? searcher_.ponderMove() : 0);
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
  if (equalsIgnoreCase(word, "startpos")) {
    setFen(board_, StartFen);
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
    fenRefused = !setFen(board_, fen.c_str());
    if (fenRefused) copyBoard(board_, previous_);
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
      return false;
    }
    makeHistoryRoom(board_);
    makeMove(board_, move);
    updateAttackInfo(board_);
  }
  return true;
}

bool Uci::probeBook() {
  if (!ownBook_) return false;
  const int ply = int(board_.gamePly());
  if (lastBookPly_ == 0 || ply < lastBookPly_) lastBookPly_ = ply;
  if (ply > lastBookPly_ + 6) return false;
  const std::string fen = toFen(board_);
  BookCandidate candidate;
  if (!bookChooser_.chooseMove(fen.c_str(), candidate)) return false;
  lastBookPly_ = ply;
  const Move move = parseMove(board_, BookChooser::bookMoveText(candidate).c_str());
  if (!move) return false;
  sendBestmove(move, 0);
  return true;
}

void Uci::go() {
  // A "go" while a search runs (or while a finished ponder search holds its
  // result) first ends that search, so that each "go" gets its own bestmove
  // and the position is not touched under a running search.
  const uint32_t entryStatus = endSearch();

  // While pondering the GUI waits for the opponent and takes no bestmove
  // before "ponderhit" or "stop": a book move would come too early.
  bool ponderGo = false;
  for (Tokenizer words = tokens_; !words.empty();) ponderGo |= equalsIgnoreCase(words.nextWord(), "ponder");
  if (!ponderGo && probeBook()) {
    gameStartPly_ = -1;
    lastGoPly_ = 0;
    status_.setStatus(FINISHED);
    return;
  }

  const int ply = int(board_.gamePly());
  if (ply < lastGoPly_ - 1) ucinewgame();
  lastGoPly_ = ply;
  if (gameStartPly_ < 0) gameStartPly_ = ply;

  int wtime = -1, btime = -1, winc = 0, binc = 0, depth = 0, nodes = 0, movetime = -1, movestogo = -1;
  bool wtimeGiven = false, btimeGiven = false, infinite = false, ponder = false;
  while (!tokens_.empty()) {
    const std::string word = tokens_.nextWord();
    if (equalsIgnoreCase(word, "wtime")) {
      wtime = tokens_.nextInt(wtime);
      wtimeGiven = true;
    } else if (equalsIgnoreCase(word, "btime")) {
      btime = tokens_.nextInt(btime);
      btimeGiven = true;
    } else if (equalsIgnoreCase(word, "winc")) {
      winc = tokens_.nextInt(winc);
    } else if (equalsIgnoreCase(word, "binc")) {
      binc = tokens_.nextInt(binc);
    } else if (equalsIgnoreCase(word, "depth")) {
      depth = tokens_.nextInt(depth);
    } else if (equalsIgnoreCase(word, "nodes")) {
      nodes = tokens_.nextInt(nodes);
    } else if (equalsIgnoreCase(word, "movetime")) {
      movetime = tokens_.nextInt(movetime);
      movestogo = 1;
    } else if (equalsIgnoreCase(word, "movestogo")) {
      movestogo = tokens_.nextInt(movestogo);
    } else if (equalsIgnoreCase(word, "infinite")) {
      infinite = true;
    } else if (equalsIgnoreCase(word, "ponder")) {
      ponder = true;
      infinite = true;
    }
  }
  // A clock below zero means the time is used up: budget as for no time
  // left rather than as if no clock had been given.
  if (wtimeGiven && wtime < 0) wtime = 0;
  if (btimeGiven && btime < 0) btime = 0;
  if (winc < 0) winc = 0;
  if (binc < 0) binc = 0;

  if (entryStatus != POSITION)
    std::fprintf(stderr, "Expected current status==POSITION, got %i\n", int(entryStatus));
  status_.setStatus(ponder ? PONDERING : SEARCHING);

  TimeControl& tc = searcher_.timeControl();
  tc.reset();
  tc.setInfinite(infinite);
  tc.setNodes(uint64_t(int64_t(nodes)));
  tc.setDepthLimit(depth);
  tc.setReserve(0);
  tc.setMoveNumber((ply - gameStartPly_) / 2 + 1);

  const bool white = board_.sideToMove == White;
  const int time = white ? wtime : btime;
  if (movetime >= 0) {
    tc.setMoveTime(uint32_t(movetime));
  } else {
    tc.setMovesToGo(movestogo);
    if (time >= 0) {
      tc.setReserve(timeReserve_);
      tc.setClock(uint32_t(time), uint32_t(white ? winc : binc));
      tc.budgetTime();
    } else if (movestogo >= 0 && nodes) {
      tc.budgetNodes();
    }
  }
  if (!depth && !nodes && !infinite && movetime < 0 && time < 0)
    std::fprintf(stderr, "go(): no time/depth/node limit\n");
  logInfo("Nominal search time is %3.2f seconds, infinite=%i, nodes=%i\n",
          double(float(tc.phaseTime(PhaseNormal)) / 1000.0f), int(tc.infinite()), int(tc.nodeLimit()));

  resetThrottle();
  searcher_.startSearch();
}

void Uci::finished(int depth, int, Move) {
  if (muted_) return;
  sendInfo(depth);
  const SearchStatus::Change change = status_.setStatus(FINISHED, true);
  if (change.old == PONDERING) {
    logTraffic("Uci:finish() delay sending bestmove, status is still 'pondering'\n", nullptr);
    return;
  }
  sendBestmove(searcher_.bestMove(), searcher_.ponderMove());
}

void Uci::ponderhit() {
  const SearchStatus::Change change = status_.setStatus(SEARCHING);
  switch (change.old) {
    case POSITION:
      std::fprintf(stderr, "uci:: ponderhit without preceeding go(): send bestmove 0000\n");
      status_.setStatus(POSITION);
      sendBestmove(0, 0);
      break;
    case SEARCHING:
      std::fprintf(stderr, "uci::ponderhit status==SEARCHING, ponderhit ignored\n");
      break;
    case PONDERING:
      // Stops at once when the search has already met its end, else the
      // search goes on under the clock; its finished() sends the bestmove.
      searcher_.timeControl().ponderhit(searcher_);
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
        std::fprintf(stderr, "uci::stop after bestmove, stop ignored\n");
      break;
    case POSITION:
      std::fprintf(stderr, "uci:: stop without preceeding go?\n");
      sendBestmove(0, 0);
      break;
    default:
      logTraffic("uci:stop() START\n", nullptr);
      searcher_.stopSearch();
      logTraffic("uci:stop() END\n", nullptr);
      break;
  }
}

}  // namespace vireo
