#pragma once
// Search scores and their bounds.

#include <cstdint>

namespace vireo {

// Centipawns from the side to move's view. A mate in p plies from the root
// scores Mate - p; the side mated at ply p scores p - Mate.
using Score = int32_t;

constexpr Score Mate = 30000;
// Beyond: a mate, which the reports give as a distance in moves. At
// +-MateBound itself the console trace already writes a mate, the protocol
// report still centipawns.
constexpr Score MateBound = 29000;
constexpr Score MateStoreBound = 29010;  // beyond: mate scores, adjusted by ply in the table
constexpr Score MatePruneBound = 10000;  // beyond: a window that mate-distance pruning may close
constexpr Score DecisiveScore = 9999;    // beyond: wins and losses, not evaluations
constexpr Score MateThreatStandPat = -9000;

// The moves to the mate a mate score stands for: positive when the side to
// move mates, negative when it is mated (0 for the side mated at the root).
// Odd plies round up to the mating move; divisions truncate toward zero.
constexpr int mateInMoves(Score score) { return score > 0 ? (Mate + 1 - score) / 2 : -((Mate + score) / 2); }

constexpr int MaxPly = 128;

}  // namespace vireo
