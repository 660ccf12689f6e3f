#pragma once
// Shared helpers of the evaluation tests: start-up tables, boards from FEN,
// mirrored positions and positions from random legal games.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/sfmt.h"
#include "board/zobrist.h"
#include "eval/weights.h"

namespace vireo::testing {

inline void initEngineTables() {
  static const bool done = [] {
    initTables();
    initZobrist();
    rebuildEvalTables();
    return true;
  }();
  (void)done;
}

// Boards are large; tests keep them off the stack.
inline Board& scratchBoard() {
  static Board board;
  return board;
}

inline void setPosition(Board& board, const std::string& fen) {
  initEngineTables();
  ASSERT_TRUE(setFen(board, fen.c_str())) << fen;
}

// The same position seen from the other side: ranks flipped, colours,
// side to move, castling rights and en-passant square exchanged.
inline std::string mirrorFen(const Board& board) {
  std::string fen;
  for (int rank = 0; rank < 8; ++rank) {  // rank 1 becomes rank 8
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const PieceCode p = board.squares[makeSquare(file, rank)];
      if (!p) {
        ++empty;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      // Colours swap: a White piece becomes a lower-case (Black) letter.
      fen += colourOf(p) == White ? PieceLettersLower[typeOf(p)] : PieceLettersUpper[typeOf(p)];
    }
    if (empty) fen += char('0' + empty);
    if (rank < 7) fen += '/';
  }
  fen += board.sideToMove == White ? " b " : " w ";
  const uint8_t c = board.state.castling;
  std::string rights;
  if (c & CastleBlackKing) rights += 'K';
  if (c & CastleBlackQueen) rights += 'Q';
  if (c & CastleWhiteKing) rights += 'k';
  if (c & CastleWhiteQueen) rights += 'q';
  fen += rights.empty() ? "-" : rights;
  fen += ' ';
  if (board.state.epSquare) {
    const Square ep = board.state.epSquare ^ 56;
    fen += char('a' + fileOf(ep));
    fen += char('1' + rankOf(ep));
  } else {
    fen += '-';
  }
  return fen;
}

// FEN texts of the positions met in `games` random legal games of up to
// `plies` plies each, starting from the start position.
inline std::vector<std::string> randomGamePositions(uint32_t seed, int games, int plies) {
  initEngineTables();
  static Board board;
  Sfmt rng(seed);
  std::vector<std::string> fens;
  Move moves[MaxMoves];
  for (int g = 0; g < games; ++g) {
    setFen(board, StartFen);
    for (int ply = 0; ply < plies; ++ply) {
      const int count = int(generateLegal(board, moves) - moves);
      if (count == 0) break;
      fens.push_back(toFen(board));
      makeMove(board, moves[rng.next32() % count]);
      updateAttackInfo(board);
    }
  }
  return fens;
}

}  // namespace vireo::testing
