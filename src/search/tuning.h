#pragma once
// The search's knobs, each next to its siblings: depth limits, pruning
// margins, reductions and the quiescence search's gaps. Score bounds live in
// score.h, move-ordering bands in ordering.h, time phases in time_control.h.

namespace vireo {

// From this ply on a node returns its static evaluation, so that a line
// ends well inside the MaxPly-long line and killer arrays.
constexpr int HorizonPly = 120;

// Margins by remaining depth. A node up to StaticPruningDepth returns beta
// when its evaluation beats beta by FutilityMargin[depth + 1]; up to
// FutilityDepth a late quiet move is pruned while alpha is above the
// evaluation plus FutilityMargin[depth].
constexpr int FutilityMargin[7] = {0, 50, 50, 250, 550, 1150, 1150};
constexpr int StaticPruningDepth = 4;
constexpr int FutilityDepth = 5;

// Null move: tried when the evaluation beats beta by more than the margin.
// The pass is searched NullMoveReduction plies shallower (one more with two
// pieces or more), first at that depth / NullMoveProbeDivisor when it is
// positive. A pass
// that holds is verified NullVerifyReduction plies shallower (one more with a
// bishop, rook or queen).
constexpr int NullMoveMargin = 13;
constexpr int NullMoveReduction = 4;
constexpr int NullMoveReductionWithPieces = 5;
constexpr int NullMoveProbeDivisor = 2;
constexpr int NullVerifyReduction = 4;
constexpr int NullVerifyReductionWithSlider = 5;

// Internal iterative deepening searches this much shallower for a move.
constexpr int IidReduction = 2;
// A late move with no threat mark, expected to fail low: one ply less, two
// when the side to move has a rook or queen.
constexpr int LateMoveReduction = 1;
constexpr int LateMoveReductionWithMajor = 2;
// Recaptures and the like extend from this depth on.
constexpr int CaptureExtensionDepth = 4;

// Quiescence in check: with alpha more than this above the evaluation and
// nothing threatening them, the quiet evasions are dropped and the node
// scores at least the evaluation plus the margin.
constexpr int QuietEvasionMargin = 50;
// Quiescence at rest: alpha at least CaptureGapMin above the evaluation
// leaves only the captures that can close the gap (none from
// CaptureGapNone on, rooks below CaptureGapRook, minor pieces below
// CaptureGapMinor), and the node scores alpha less CaptureGapMargin.
constexpr int CaptureGapMin = 200;
constexpr int CaptureGapNone = 1200;
constexpr int CaptureGapRook = 700;
constexpr int CaptureGapMinor = 500;
constexpr int CaptureGapMargin = 50;

// Threat marking: a quiet move that attacks a queen marks with beta less
// than ThreatGapQueen above the evaluation, a rook or a pawn about to
// promote below ThreatGapRook, a minor piece below ThreatGapMinor.
constexpr int ThreatGapQueen = 1100;
constexpr int ThreatGapRook = 700;
constexpr int ThreatGapMinor = 500;

}  // namespace vireo
