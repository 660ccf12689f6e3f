// libFuzzer harness for setFen. An input is FEN text, optionally followed by
// a newline and bytes that pick moves to play from the position. Whatever
// setFen accepts must be a consistent board from which every legal move can
// be made, looked at and taken back; every refusal must leave the process
// sound. Built only with clang and VIREO_FUZZ=ON, run by hand; refusals are
// printed to standard error by the thousand, which -close_fd_mask=2 silences
// (libFuzzer and the sanitizers keep reporting):
//   vireo_fen_fuzz -close_fd_mask=2 -dict=tests/fuzz/fen.dict -max_total_time=600 corpus/
// with a corpus directory seeded from sound FENs (one file each).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "eval/evaluator.h"
#include "eval/exchange.h"
#include "eval/weights.h"

using namespace vireo;

namespace {

Board board;
Evaluator evaluator(&board);

void require(bool ok, const char* what, const std::string& fen) {
  if (ok) return;
  std::fprintf(stderr, "fuzz: %s after \"%s\"\n", what, fen.c_str());
  std::abort();
}

void requireConsistent(const char* when, const std::string& fen) {
  const char* fault = checkBoard(board);
  if (*fault) {
    std::fprintf(stderr, "fuzz: checkBoard %s: %s after \"%s\"\n", when, fault, fen.c_str());
    std::abort();
  }
}

// Every legal move made and taken back, with the position it leads to
// generated and evaluated as the search would.
void visitMoves(const std::string& fen) {
  // The engine's lists hold MaxMoves; these have room to notice more.
  Move moves[4 * MaxMoves], replies[4 * MaxMoves];
  Move* end = generateLegal(board, moves);
  require(end - moves <= MaxMoves, "more moves than a move list holds", fen);
  clearEvaluator(evaluator);
  evaluate(evaluator);
  Move captures[MaxMoves];
  if (!board.inCheck()) generateCaptures(board, captures, board.pieces(board.sideToMove ^ 1));
  const BoardState saved = board.state;
  const uint64_t key = board.hashKey;
  for (Move* m = moves; m != end; ++m) {
    require(isMoveValid(board, *m), "generated move not valid", fen);
    char text[16];
    moveToSan(board, text, *m);
    if (moveCaptured(*m)) seeMove(board, *m);
    makeMove(board, *m);
    requireConsistent("after make", fen);
    updateAttackInfo(board);
    const Colour mover = board.sideToMove ^ 1;
    require(!(attacksOf(board, board.sideToMove) & board.pieces(mover, King)),
            "move leaves its own king in check", fen);
    require(generateLegal(board, replies) - replies <= MaxMoves, "more replies than a move list holds", fen);
    clearEvaluator(evaluator);
    evaluate(evaluator);
    unmakeMove(board, *m, saved);
    requireConsistent("after unmake", fen);
    require(board.hashKey == key, "key not restored", fen);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    initTables();
    initZobrist();
    rebuildEvalTables();
    initEvaluator(evaluator, &board);
    return true;
  }();
  (void)ready;

  const uint8_t* newline = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
  const size_t fenSize = newline ? size_t(newline - data) : size;
  const std::string fen(reinterpret_cast<const char*>(data), fenSize);
  if (std::strlen(fen.c_str()) != fen.size()) return 0;  // setFen reads C text
  if (!setFen(board, fen.c_str())) return 0;
  requireConsistent("after setFen", fen);
  visitMoves(fen);

  // The remaining bytes play a game from the position: each byte plays 1,
  // 33, 65 or 97 moves (its top two bits), picked by its low bits, so that a
  // short tail crosses the history bound several times.
  if (newline) {
    Move moves[MaxMoves];
    bool over = false;
    for (const uint8_t* p = newline + 1; p < data + size && !over; ++p) {
      for (int i = 0; i < (*p >> 6) * 32 + 1; ++i) {
        const int count = int(generateLegal(board, moves) - moves);
        if ((over = count == 0)) break;
        makeHistoryRoom(board);
        makeMove(board, moves[(*p + i) % count]);
        updateAttackInfo(board);
      }
      requireConsistent("in a game", fen);
      require(board.ply <= MaxGamePly, "history bound", fen);
      require(board.fiftyMoveCount() >= 0, "negative fifty-move count", fen);
    }
    visitMoves(fen);
  }
  return 0;
}
