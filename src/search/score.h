#pragma once
// Search scores and the flags handed to every search call.

#include <cstdint>

namespace vireo {

// Centipawns from the side to move's view. A mate in p plies from the root
// scores Mate - p; the side mated at ply p scores p - Mate.
using Score = int32_t;

constexpr Score Mate = 30000;
constexpr Score MateStoreBound = 29010;  // beyond: mate scores, adjusted by ply in the table
constexpr Score DecisiveScore = 9999;    // beyond: wins and losses, not evaluations
constexpr Score MateThreatStandPat = -9000;

// Node flags.
constexpr int PvNode = 1;
constexpr int AllNode = 2;   // expected to fail low
constexpr int CutNode = 4;   // expected to fail high
constexpr int NullWindow = 8;
constexpr int Reduced = 32;  // a late move searched at reduced depth
constexpr int QuiescenceEntry = 256;

inline bool isPvNode(int flags) { return (flags & (AllNode | CutNode)) == 0; }
// Children of a non-PV node expect the other of all/cut, with a null window.
inline int childFlags(int flags) { return ((~flags) & (AllNode | CutNode)) | NullWindow; }

constexpr int MaxPly = 128;

}  // namespace vireo
