#pragma once
// Search scores and their bounds.

#include <cstdint>

namespace vireo {

// Centipawns from the side to move's view. A mate in p plies from the root
// scores Mate - p; the side mated at ply p scores p - Mate.
using Score = int32_t;

constexpr Score Mate = 30000;
constexpr Score MateStoreBound = 29010;  // beyond: mate scores, adjusted by ply in the table
constexpr Score DecisiveScore = 9999;    // beyond: wins and losses, not evaluations
constexpr Score MateThreatStandPat = -9000;

constexpr int MaxPly = 128;

}  // namespace vireo
