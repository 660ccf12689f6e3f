#pragma once
// Move ordering for the searches, and threat marking, which exempts dangerous
// quiet moves from pruning and reduction. All work in place on a thread's
// move list with a parallel array of scores or marks.

#include "board/board.h"

namespace vireo {

struct SearchThread;

// Ordering bands. The stored move is above every band. Then good captures
// (those the exchange does not lose) above the killers, above the rest, above
// bad captures; a capture also scores its victim, and every move gains the
// value of its piece when it leaves an attacked square and loses it when it
// lands on one.
constexpr int HashMoveScore = 32767;
constexpr int GoodCaptureBonus = 4096;
constexpr int BadCapturePenalty = 8192;
constexpr int VictimWeight = 16;  // times the victim's coarse value
constexpr int KillerScore[2] = {1024, 1023};         // the ply's own killers
constexpr int EarlierKillerScore[2] = {1022, 1021};  // two plies up
constexpr int LaterKillerScore[2] = {1018, 1017};    // two plies down
constexpr int LaterKillerMaxPly = 99;  // past ply 2, later killers are read up to here
constexpr int PawnFarAdvanceBonus = 768;  // a pawn to rank 1, 2, 7 or 8
constexpr int CastlingBonus = 128;
constexpr int SortedPlaces = 8;  // sorted to the front of a normal list
// Evasions: captures by victim first, the least valuable capturer first.
constexpr int EvasionVictimWeight = 256;
// Quiescence captures by victim, a promotion on top.
constexpr int QuiescencePromotionBonus = 120;

// Threat marks.
constexpr int MarkNone = 0;
constexpr int MarkThreat = 1;
constexpr int MarkDiscovery = 2;

// Sorts the first `places` positions of a scored list, highest score first,
// the earlier move first on ties; the rest keeps its order.
void selectionSort(Move* moves, int* scores, int count, int places);

// Orders a normal move list (sorting only its first SortedPlaces) and returns
// the number of early moves: those exempt from futility pruning and late-move
// reductions.
int orderMoves(SearchThread& t, int ply, Move* moves, int count, Move hashMove);
// Orders check evasions fully.
void orderEvasions(SearchThread& t, Move* moves, int count, Move hashMove);
// Marks threatening moves; gap is beta minus the static evaluation.
void markThreats(SearchThread& t, const Move* moves, int count, int* marks, int gap);

}  // namespace vireo
