#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "board/make_move.h"
#include "board/movegen.h"
#include "board/perft.h"
#include "board_test_util.h"

namespace vireo {
namespace {

using testing_util::boardFromFen;
using testing_util::legalMoves;
using testing_util::randomGame;

struct PerftCase {
  const char* name;
  const char* fen;
  int depth;
  uint64_t leaves;
};

// The community's standard perft positions, at depths that run in moments.
const PerftCase PerftCases[] = {
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5, 4865609},
    {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 4, 4085603},
    {"ep-and-rank-pins", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 5, 674624},
    {"promotions", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4, 422333},
    {"promotions-mirrored", "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 4,
     422333},
    {"castling-checks", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487},
    {"middlegame", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4,
     3894594},
};

TEST(Perft, StandardPositions) {
  for (const PerftCase& c : PerftCases) {
    auto board = boardFromFen(c.fen);
    ASSERT_TRUE(board) << c.name;
    EXPECT_EQ(perft(*board, c.depth), c.leaves) << c.name;
  }
}

TEST(Perft, ShallowDepthsFromStart) {
  auto board = boardFromFen(StartFen);
  const uint64_t expected[] = {20, 20, 400, 8902, 197281};
  for (int depth = 0; depth <= 4; ++depth) EXPECT_EQ(perft(*board, depth), expected[depth]);
}

TEST(MoveGeneration, StartPositionOrder) {
  auto board = boardFromFen(StartFen);
  std::string texts;
  for (Move m : legalMoves(*board)) {
    char text[16];
    moveToText(*board, m, text);
    texts += text;
    texts += ' ';
  }
  EXPECT_EQ(texts,
            "a2a4 b2b4 c2c4 d2d4 e2e4 f2f4 g2g4 h2h4 a2a3 b2b3 c2c3 d2d3 e2e3 f2f3 g2g3 h2h3 "
            "Nb1a3 Nb1c3 Ng1f3 Ng1h3 ");
}

std::string texts(const Board& board, const Move* begin, const Move* end) {
  std::string out;
  for (const Move* m = begin; m != end; ++m) {
    char text[16];
    moveToText(board, *m, text);
    out += text;
    out += ' ';
  }
  return out;
}

std::string legalList(const char* fen) {
  auto board = boardFromFen(fen);
  Move moves[MaxMoves];
  return texts(*board, moves, generateLegal(*board, moves));
}

TEST(MoveGeneration, OrderAndLegalityInSpecialPositions) {
  struct Case {
    const char* what;
    const char* fen;
    const char* moves;
  };
  const Case cases[] = {
      {"pinned knight stays", "k3r3/8/8/8/8/8/4N3/4K3 w - - 0 1", "Ke1d1 Ke1f1 Ke1d2 Ke1f2 "},
      {"pinned bishop slides along the pin and takes the pinner",
       "8/8/8/4b3/8/2B5/8/K6k w - - 0 1", "Bc3b2 Bc3d4 Bc3xe5 Ka1b1 Ka1a2 Ka1b2 "},
      {"en passant that opens the rank is not generated", "7k/8/8/KPp4r/8/8/8/8 w - c6 0 1",
       "b5b6 Ka5a4 Ka5a6 Ka5b6 "},
      {"double check: only king moves", "4k3/8/8/8/8/5n2/8/r3K3 w - - 0 1", "Ke1e2 Ke1f2 "},
      {"promotions: capture first, then push, each Q N B R", "2n4k/3P4/8/8/8/8/8/4K3 w - - 0 1",
       "d7xc8=Q d7xc8=N d7xc8=B d7xc8=R d7d8=Q d7d8=N d7d8=B d7d8=R Ke1d1 Ke1f1 Ke1d2 Ke1e2 "
       "Ke1f2 "},
      {"evasion: capture of a checker on the last rank promotes Q N R B",
       "3r4/2P5/8/8/8/8/3K4/7k w - - 0 1",
       "Kd2c1 Kd2e1 Kd2c2 Kd2e2 Kd2c3 Kd2e3 c7xd8=Q c7xd8=N c7xd8=R c7xd8=B "},
  };
  for (const Case& c : cases) EXPECT_EQ(legalList(c.fen), c.moves) << c.what;
}

TEST(MoveGeneration, Castling) {
  // Attacked transit square f1 stops O-O; an attacked b1 does not stop O-O-O.
  // Castling comes right after en passant, king side first.
  EXPECT_EQ(legalList("1r2kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1").substr(0, 6), "O-O-O ");
  // An occupied b1 stops O-O-O.
  const std::string moves = legalList("r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1");
  EXPECT_EQ(moves.substr(0, 4), "O-O ");
  EXPECT_EQ(moves.find("O-O-O"), std::string::npos);
  // King side is generated first and white O-O is the word 0x10000406.
  auto board = boardFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  std::vector<Move> list = legalMoves(*board);
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list[0], 0x10000406u);
  EXPECT_EQ(list[1], 0x10000402u);
}

TEST(MoveGeneration, CapturesPromoteToQueenAndStepToSeventh) {
  auto board = boardFromFen("3k4/1P6/5P2/8/8/8/8/4K3 w - - 0 1");
  Move moves[MaxMoves];
  Move* end = generateCaptures(*board, moves, board->pieces(Black));
  EXPECT_EQ(texts(*board, moves, end), "f6f7 b7b8=Q ");
}

TEST(MoveGeneration, MoveWordsOfTheExamples) {
  auto board = boardFromFen(StartFen);
  EXPECT_EQ(legalMoves(*board)[4], 0x20000C1Cu);  // e2-e4
  board = boardFromFen("2n4k/3P4/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(legalMoves(*board)[0], 0x0512333Au);  // d7xc8=Q
}

TEST(IsMoveValid, RejectsMovesThatDoNotFitThePosition) {
  auto board = boardFromFen("r3k2r/8/8/8/8/8/4P3/R3K2R w kq - 0 1");
  updateAttackInfo(*board);
  EXPECT_FALSE(isMoveValid(*board, encodeMove(E1, G1) | MoveCastling));  // right gone
  EXPECT_FALSE(isMoveValid(*board, encodeMove(E2, E5)));                 // not a pawn step
  EXPECT_FALSE(isMoveValid(*board, encodeMove(E2, E4)));                 // unflagged two-step
  EXPECT_TRUE(isMoveValid(*board, encodeMove(E2, E4) | MoveDoubleStep));
  EXPECT_FALSE(isMoveValid(*board, encodeMove(E2, E3) | MoveDoubleStep));
  EXPECT_FALSE(isMoveValid(*board, encodeMove(A1, A8)));  // captured field does not match
  EXPECT_TRUE(isMoveValid(*board, encodeMove(A1, A8, pieceCode(Black, Rook))));
  EXPECT_FALSE(isMoveValid(*board, encodeMove(E8, E7)));  // not the side to move
}

// Chess960 start positions 0, 959, 300, 200 and 400, two with the castling
// written as rook files, and two positions from the Chess960 perft suite.
constexpr const char* Chess960Positions[] = {
    "bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1",
    "rkrnnqbb/pppppppp/8/8/8/8/PPPPPPPP/RKRNNQBB w KQkq - 0 1",
    "qbnrkrbn/pppppppp/8/8/8/8/PPPPPPPP/QBNRKRBN w FDfd - 0 1",
    "qbnrbknr/pppppppp/8/8/8/8/PPPPPPPP/QBNRBKNR w KQkq - 0 1",
    "bbrqnnkr/pppppppp/8/8/8/8/PPPPPPPP/BBRQNNKR w HChc - 0 1",
    "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9",
    "nnrkbbrq/1pp2p1p/p2pp1p1/2P5/8/8/PP1PPPPP/NNRKBBRQ w Ggc - 0 9",
};

// Walks random games, standard and Chess960; at every position each legal
// move is made and taken back, checking the incremental state against a
// recomputation, and move words collected from other positions (of either
// rule set) are offered to isMoveValid.
TEST(MoveGeneration, RandomGamesKeepStateAndValidity) {
  Sfmt rng(12345);
  std::vector<Move> pool;
  auto board = std::make_unique<Board>();
  auto before = std::make_unique<Board>();
  constexpr int StandardGames = 60, Chess960Games = 35;
  for (int game = 0; game < StandardGames + Chess960Games; ++game) {
    const bool chess960 = game >= StandardGames;
    const char* fen = chess960 ? Chess960Positions[game % std::size(Chess960Positions)]
                      : game % 2 ? StartFen
                                 : "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
    ASSERT_TRUE(setFen(*board, fen, nullptr, chess960)) << fen;
    testing_util::randomGame(*board, rng, 160, [&](Board& b) {
      ASSERT_STREQ(checkBoard(b), "");
      std::vector<Move> moves = legalMoves(b);
      const BoardState saved = b.state;
      copyBoard(*before, b);
      for (Move m : moves) {
        ASSERT_TRUE(isMoveValid(b, m));
        makeMove(b, m);
        ASSERT_STREQ(checkBoard(b), "");
        unmakeMove(b, m, saved);
        ASSERT_EQ(std::memcmp(&b, before.get(), offsetof(Board, moveHistory)), 0);
      }
      // Null move and back.
      makeNullMove(b);
      ASSERT_STREQ(checkBoard(b), "");
      unmakeNullMove(b, saved);
      ASSERT_EQ(std::memcmp(&b, before.get(), offsetof(Board, moveHistory)), 0);
      // Foreign move words: valid exactly when legal here.
      for (int i = 0; i < 24 && !pool.empty(); ++i) {
        const Move word = pool[rng.next32() % pool.size()];
        const bool legal = std::any_of(moves.begin(), moves.end(),
                                       [&](Move m) { return sameMove(m, word); });
        ASSERT_EQ(isMoveValid(b, word), legal);
      }
      for (Move m : moves)
        if (rng.next32() % 8 == 0) pool.push_back(m | (rng.next32() % 4 == 0 ? MoveSingleReply : 0));
      if (pool.size() > 4000) pool.erase(pool.begin(), pool.begin() + 2000);
      // The quiescence generator yields a subset of the legal moves.
      if (!b.inCheck()) {
        Move captures[MaxMoves];
        Move* end = generateCaptures(b, captures, b.pieces(b.sideToMove ^ 1));
        for (Move* c = captures; c != end; ++c)
          ASSERT_TRUE(std::find(moves.begin(), moves.end(), *c) != moves.end());
      }
    });
  }
}

}  // namespace
}  // namespace vireo
