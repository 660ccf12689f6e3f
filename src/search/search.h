#pragma once
// The recursive searches every thread runs below the root.

#include "search/node_type.h"
#include "search/score.h"
#include "search/tuning.h"

namespace vireo {

struct SearchThread;

// Principal-variation alpha-beta search of the thread's board; ply >= 1.
Score search(SearchThread& t, int ply, int depth, Score alpha, Score beta, int flags);
// Quiescence search; entered from search with depth 2.
Score quiesce(SearchThread& t, int ply, int depth, Score alpha, Score beta, int flags);

}  // namespace vireo
