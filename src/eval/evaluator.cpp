#include "eval/evaluator.h"

#include <algorithm>
#include <cstring>

#include "eval/score.h"
#include "eval/terms.h"

namespace vireo {

namespace {

constexpr int Tempo = 7;

// The terms of one evaluation, for the console's explanation.
struct EvalTrace {
  int material, patterns;
  int pawnOpening[2], pawnEndgame[2];      // structure only
  int passedOpening[2], passedEndgame[2];  // structure plus passed pawns
  int pawns, passedPawns;                  // blended, White's view
  int king[2], pieces[2];
  int beforeEndgame, endgame;  // the score before and after the endgame rules
  bool exact;
  int scale, reversiblePlies, result;
};

// The whole evaluation, which evaluate() caches by position key. Fills
// `trace` when given one.
int evaluateUncached(Evaluator& evaluator, EvalTrace* trace) {
  const Board& board = *evaluator.board;
  int scale = 1024;
  const int material = evaluateMaterial(evaluator, scale);
  const int patterns = evaluatePatterns(evaluator);
  int score = material + patterns;

  // Each side's pawns are blended with the phase of the pieces opposing them.
  const PawnEntry& entry = *evaluatePawns(evaluator);
  int whiteOpening = entry.side[White].opening, whiteEndgame = entry.side[White].endgame;
  int blackOpening = entry.side[Black].opening, blackEndgame = entry.side[Black].endgame;
  const int whitePhase = phaseMaterial(board.materialSignature[White]);
  const int blackPhase = phaseMaterial(board.materialSignature[Black]);
  if (trace) {
    trace->pawns = blendPawns(whiteOpening, whiteEndgame, blackPhase) -
                   blendPawns(blackOpening, blackEndgame, whitePhase);
    trace->pawnOpening[White] = whiteOpening;
    trace->pawnEndgame[White] = whiteEndgame;
    trace->pawnOpening[Black] = blackOpening;
    trace->pawnEndgame[Black] = blackEndgame;
  }
  evaluatePassedPawns(evaluator, White, whiteOpening, whiteEndgame);
  evaluatePassedPawns(evaluator, Black, blackOpening, blackEndgame);
  const int pawns = blendPawns(whiteOpening, whiteEndgame, blackPhase) -
                    blendPawns(blackOpening, blackEndgame, whitePhase);
  score += pawns;

  // The king term first: the piece term's king attack reads its shelter.
  const int kingWhite = evaluateKing(evaluator, White);
  const int kingBlack = evaluateKing(evaluator, Black);
  score += kingWhite - kingBlack;
  const int piecesWhite = evaluatePiecesWhite(evaluator);
  const int piecesBlack = evaluatePiecesBlack(evaluator);
  score += piecesWhite - piecesBlack;

  if (trace) {
    trace->material = material;
    trace->patterns = patterns;
    trace->passedOpening[White] = whiteOpening;
    trace->passedEndgame[White] = whiteEndgame;
    trace->passedOpening[Black] = blackOpening;
    trace->passedEndgame[Black] = blackEndgame;
    trace->passedPawns = pawns - trace->pawns;
    trace->king[White] = kingWhite;
    trace->king[Black] = kingBlack;
    trace->pieces[White] = piecesWhite;
    trace->pieces[Black] = piecesBlack;
    trace->beforeEndgame = score;
    trace->reversiblePlies = board.fiftyMoveCount();
  }

  const bool whiteToMove = board.sideToMove == White;
  const bool exact = recogniseEndgame(evaluator, score, scale);
  if (trace) {
    trace->exact = exact;
    trace->endgame = score;
    trace->scale = scale;
  }
  if (exact) {
    if (trace) trace->result = score;
    return whiteToMove ? score : -score;
  }

  // A long run of reversible moves drifts toward the fifty-move draw.
  const int reversible = board.fiftyMoveCount();
  if (reversible > 32) score = (score * std::max(96 - reversible, 1)) >> 6;
  const int result = ((whiteToMove ? score : -score) + Tempo) * scale >> 10;
  if (trace) trace->result = whiteToMove ? result : -result;
  return result;
}

}  // namespace

void initEvaluator(Evaluator& evaluator, Board* board) {
  evaluator.board = board;
  evaluator.pawnHash.board = board;
  evaluator.pawnHash.resize(1);
  evaluator.evaluations = 0;
  evaluator.currentPawnEntry = nullptr;
  evaluator.kingShelter[White] = evaluator.kingShelter[Black] = 0;
  std::memset(evaluator.cache.slots, 0, sizeof evaluator.cache.slots);
}

void resizePawnHash(Evaluator& evaluator, uint32_t entries) { evaluator.pawnHash.resize(entries); }

void clearEvaluator(Evaluator& evaluator) {
  std::memset(evaluator.cache.slots, 0, sizeof evaluator.cache.slots);
  evaluator.pawnHash.clear();
}

int evaluate(Evaluator& evaluator) {
  const Board& board = *evaluator.board;
  ++evaluator.evaluations;
  const uint64_t key = board.hashKey ^ uint64_t(board.sideToMove);
  EvalCacheSlot& slot = evaluator.cache.slots[key & (EvalCacheSize - 1)];
  if (slot.key == key) return slot.score;
  const int score = evaluateUncached(evaluator, nullptr);
  slot.key = key;
  slot.score = score;
  return score;
}

void printEvaluation(Evaluator& evaluator, FILE* out) {
  EvalTrace t{};
  evaluateUncached(evaluator, &t);
  const int stm = evaluator.board->sideToMove;
  std::fprintf(out, "evaluation from white's view    white    black    total\n");
  std::fprintf(out, "material                                         %5d\n", t.material);
  std::fprintf(out, "patterns                                         %5d\n", t.patterns);
  std::fprintf(out, "pawn structure  opening       %5d    %5d\n", t.pawnOpening[White],
               t.pawnOpening[Black]);
  std::fprintf(out, "                endgame       %5d    %5d    %5d\n", t.pawnEndgame[White],
               t.pawnEndgame[Black], t.pawns);
  std::fprintf(out, "passed pawns    opening       %5d    %5d\n",
               t.passedOpening[White] - t.pawnOpening[White],
               t.passedOpening[Black] - t.pawnOpening[Black]);
  std::fprintf(out, "                endgame       %5d    %5d    %5d\n",
               t.passedEndgame[White] - t.pawnEndgame[White],
               t.passedEndgame[Black] - t.pawnEndgame[Black], t.passedPawns);
  std::fprintf(out, "king                          %5d    %5d    %5d\n", t.king[White],
               t.king[Black], t.king[White] - t.king[Black]);
  std::fprintf(out, "king shelter                  %5d    %5d\n", evaluator.kingShelter[White],
               evaluator.kingShelter[Black]);
  std::fprintf(out, "pieces                        %5d    %5d    %5d\n", t.pieces[White],
               t.pieces[Black], t.pieces[White] - t.pieces[Black]);
  std::fprintf(out, "sum of terms                                     %5d\n", t.beforeEndgame);
  if (t.exact) {
    std::fprintf(out, "endgame         known ending, exact score         %5d\n", t.endgame);
  } else {
    std::fprintf(out, "endgame rules                                    %+5d\n",
                 t.endgame - t.beforeEndgame);
    std::fprintf(out, "draw scale      %d/1024\n", t.scale);
    const int d = t.reversiblePlies;
    if (d > 32)
      std::fprintf(out, "damping         %d reversible plies: %d/64\n", d, std::max(96 - d, 1));
    std::fprintf(out, "tempo           %d for %s\n", Tempo, stm == White ? "white" : "black");
  }
  std::fprintf(out, "static score (white's view)                      %5d\n", t.result);
}

}  // namespace vireo
