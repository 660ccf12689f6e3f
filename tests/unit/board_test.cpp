#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "board/bitops.h"
#include "board/magic.h"
#include "board/magic_numbers.h"
#include "board/make_move.h"
#include "board/notation.h"
#include "board/zobrist.h"
#include "board_test_util.h"

namespace vireo {
namespace {

using testing_util::boardFromFen;

Bitboard squares(std::initializer_list<Square> list) {
  Bitboard b = 0;
  for (Square s : list) b |= SquareBit[s];
  return b;
}

TEST(Tables, MagicLookupsMatchRayWalksForEveryOccupancy) {
  int rookEntries = 0, bishopEntries = 0;
  for (Square s = 0; s < 64; ++s) {
    rookEntries += 1 << RookIndexBits[s];
    bishopEntries += 1 << BishopIndexBits[s];
    for (int slider = 0; slider < 2; ++slider) {
      const Bitboard mask = slider ? rookMask(s) : bishopMask(s);
      Bitboard occ = 0;
      do {  // every subset of the mask, plus squares outside it that must not matter
        const Bitboard noise = ~mask & 0x8100000000000081ULL;
        if (slider) {
          ASSERT_EQ(rookAttacks(s, occ | noise), slowRookAttacks(s, occ | noise)) << s;
        } else {
          ASSERT_EQ(bishopAttacks(s, occ | noise), slowBishopAttacks(s, occ | noise)) << s;
        }
        occ = (occ - mask) & mask;
      } while (occ);
    }
  }
  EXPECT_EQ(rookEntries, RookTableSize);
  EXPECT_EQ(bishopEntries, BishopTableSize);
  EXPECT_EQ(rookEntries, 96256);
  EXPECT_EQ(bishopEntries, 5248);
}

TEST(Tables, LinesSpansAndZones) {
  EXPECT_EQ(BetweenBits[E4][E5], 0u);
  EXPECT_EQ(BetweenBits[A1][B3], 0u);
  EXPECT_EQ(BetweenBits[A1][D4], squares({B2, C3}));
  EXPECT_EQ(BetweenBits[H1][H8], BetweenBits[H8][H1]);
  EXPECT_EQ(LineBits[A1][B3], 0u);
  EXPECT_EQ(LineBits[C1][F4], DiagonalBits[C1].first);
  EXPECT_EQ(LineBits[E4][E4], fileBits(4));
  EXPECT_EQ(FrontSpan[White][E8], SquareBit[E8]);
  EXPECT_EQ(FrontSpan[White][E6], squares({E7, E8}));
  EXPECT_EQ(FrontSpan[Black][E3], squares({E2, E1}));
  EXPECT_EQ(PassedSpan[White][A5], squares({A6, A7, B6, B7}));
  EXPECT_EQ(KingCatchZone[White][A2], KingCatchZone[White][A3] | SquareBit[A3]);
  EXPECT_EQ(KingCatchZone[Black][E3], squares({C3, D3, E3, F3, G3, C2, D2, E2, F2, G2, C1, D1, E1, F1, G1}));
  EXPECT_EQ(KingCatchZone[White][E6], squares({C6, D6, E6, F6, G6, C7, D7, E7, F7, G7, C8, D8, E8, F8, G8}));
  EXPECT_EQ(KingCatchZone[White][E1], 0u);
  EXPECT_EQ(KingCatchZone[White][E8], 0u);
  EXPECT_EQ(KnightTwoMoves[A1] & SquareBit[A1], SquareBit[A1]);
  EXPECT_EQ(PawnAttacks[White][A2], SquareBit[B3]);
  EXPECT_EQ(PawnAttacks[Black][H7], SquareBit[G6]);
  EXPECT_EQ(PawnAttacks[White][E8], 0u);
}

TEST(Zobrist, CastlingAndEnPassantKeys) {
  EXPECT_EQ(Zobrist.castleKeys[0], 0u);
  EXPECT_EQ(Zobrist.castleKeys[15], Zobrist.pieceKeys[0][8] ^ Zobrist.pieceKeys[0][9] ^
                                        Zobrist.pieceKeys[0][10] ^ Zobrist.pieceKeys[0][11]);
  // Fixed keys: the first output of the seeded generator.
  Sfmt rng(7);
  EXPECT_EQ(Zobrist.pieceKeys[0][0], rng.next64());
  auto white = boardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  auto black = boardFromFen("4k3/8/8/8/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(white->hashKey, black->hashKey);
}

TEST(Board, BlockersHoldLonePiecesOfEitherColour) {
  auto board = boardFromFen("4k3/8/8/8/4p3/8/8/4R1K1 w - - 0 1");
  EXPECT_EQ(board->state.blockers[Black], SquareBit[E4]);
  board = boardFromFen("4k3/8/8/4n3/4p3/8/8/4R1K1 w - - 0 1");
  EXPECT_EQ(board->state.blockers[Black], 0u);
  // A slider's check adds nothing; enemyAttacks sees through the king.
  board = boardFromFen("4k3/8/8/8/8/8/8/r3K3 w - - 0 1");
  EXPECT_EQ(board->state.blockers[White], 0u);
  EXPECT_TRUE(board->state.enemyAttacks & SquareBit[F1]);
}

TEST(Board, AddRefusesSquaresOffTheBoard) {
  auto board = boardFromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  auto before = std::make_unique<Board>(*board);
  testing::internal::CaptureStderr();
  add(*board, White, Queen, 64);
  add(*board, White, Queen, -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "add: illegal piece location: 64\nadd: illegal piece location: -1\n");
  EXPECT_EQ(std::memcmp(board.get(), before.get(), sizeof(Board)), 0);
}

void play(Board& board, std::initializer_list<const char*> moves) {
  for (const char* text : moves) {
    const Move move = parseMove(board, text);
    ASSERT_NE(move, 0u) << text;
    makeMove(board, move);
  }
  updateAttackInfo(board);
}

TEST(MakeMove, EnPassantSquareOnlyWhenACaptureIsPossible) {
  auto board = boardFromFen(StartFen);
  const uint64_t startKey = board->hashKey;
  play(*board, {"e4"});
  EXPECT_EQ(board->state.epSquare, 0);
  EXPECT_EQ(board->hashKey, startKey ^ pieceKey(pieceCode(White, Pawn), E2) ^
                                pieceKey(pieceCode(White, Pawn), E4));
  play(*board, {"d5", "e5", "f5"});
  EXPECT_EQ(board->state.epSquare, F5);
  auto same = boardFromFen("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 3");
  EXPECT_EQ(board->hashKey, same->hashKey ^ Zobrist.pieceKeys[0][5]);
  play(*board, {"exf6"});
  EXPECT_STREQ(checkBoard(*board), "");
  EXPECT_EQ(board->squares[F5], 0);
}

TEST(MakeMove, CastlingRightsAndIrreversiblePly) {
  auto board = boardFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  play(*board, {"Rb1"});
  EXPECT_EQ(board->state.castling, CastleWhiteKing | CastleBlackKing | CastleBlackQueen);
  EXPECT_EQ(board->state.irreversiblePly, 0);  // quiet piece move
  play(*board, {"Rxh1"});                       // black rook takes the h1 corner rook
  EXPECT_EQ(board->state.castling, CastleBlackQueen);
  EXPECT_EQ(board->state.irreversiblePly, 2);
  play(*board, {"Kd2", "O-O-O"});
  EXPECT_EQ(board->state.castling, 0);
  EXPECT_EQ(board->state.irreversiblePly, 2);  // castling is reversible for the count
  EXPECT_STREQ(checkBoard(*board), "");
  makeNullMove(*board);
  EXPECT_EQ(board->state.irreversiblePly, board->ply);
}

}  // namespace
}  // namespace vireo

namespace vireo {
namespace {

// The key the search fetches a child's table entry by, before the move is
// made, must be the key the child will have: every kind of move, in random
// games from positions rich in castling, en passant and promotions, standard
// and Chess960.
TEST(MakeMove, KeyAfterIsTheKeyOfTheChild) {
  const struct {
    const char* fen;
    bool chess960;
  } starts[] = {
      {StartFen, false},
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", false},
      {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", false},
      {"n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", false},
      {"1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1", true},
      {"rk2r3/8/8/8/8/8/8/RK2R3 w EAea - 0 1", true},
  };
  Sfmt rng(11);
  int checked = 0;
  for (const auto& start : starts) {
    auto board = boardFromFen(start.fen, start.chess960);
    ASSERT_NE(board, nullptr) << start.fen;
    testing_util::randomGame(*board, rng, 80, [&](Board& b) {
      for (Move move : testing_util::legalMoves(b)) {
        const uint64_t predicted = keyAfter(b, move);
        const BoardState saved = b.state;
        makeMove(b, move);
        EXPECT_EQ(predicted, b.hashKey) << start.fen << " ply " << b.ply << " move " << move;
        unmakeMove(b, move, saved);
        ++checked;
      }
    });
  }
  EXPECT_GT(checked, 1000);
}

// A game several times longer than the history: knights running back and
// forth, a pawn move now and then, runs of reversible plies shorter and much
// longer than a hundred. Before every move the oldest plies may go; what stays
// must be the game's own keys and moves back to the last irreversible move
// (at most a hundred plies), and the game's counts must carry on.
TEST(MakeMove, LongGamesKeepTheHistoryTheRulesNeed) {
  auto board = boardFromFen(StartFen);
  std::vector<uint64_t> keys;  // [i] = key of the game's position at ply i
  std::vector<Move> moves{0};  // [i] = move that led to ply i
  int clock = 0, drops = 0;
  auto playOne = [&](const char* text) {
    const uint32_t dropped = board->droppedPlies;
    makeHistoryRoom(*board);
    drops += board->droppedPlies != dropped;
    const Move move = parseMove(*board, text);
    ASSERT_NE(move, 0u) << text << " at ply " << keys.size();
    keys.push_back(board->hashKey);
    moves.push_back(move);
    makeMove(*board, move);
    updateAttackInfo(*board);
    clock = typeOf(board->squares[moveTo(move)]) == Pawn ? 0 : clock + 1;

    const Board& b = *board;
    ASSERT_STREQ(checkBoard(b), "");
    ASSERT_EQ(b.gamePly(), keys.size());
    ASSERT_LE(b.ply, MaxGamePly);
    ASSERT_EQ(b.fiftyMoveCount(), clock);
    const int floor = std::max<int>(b.state.irreversiblePly, 0);
    ASSERT_GE(int(b.ply) - floor, std::min(clock, 100));
    for (int i = floor; i < int(b.ply); ++i) {
      ASSERT_EQ(b.keyHistory[i], keys[b.droppedPlies + i]) << "ply " << b.gamePly();
      ASSERT_EQ(b.moveHistory[i + 1], moves[b.droppedPlies + i + 1]) << "ply " << b.gamePly();
    }
  };
  auto shuffle = [&](int plies) {
    for (int i = 0; i < plies; ++i) {
      const bool white = board->sideToMove == White;
      const bool home = board->squares[white ? G1 : G8] == pieceCode(board->sideToMove, Knight);
      ASSERT_NO_FATAL_FAILURE(playOne(white ? (home ? "Nf3" : "Ng1") : (home ? "Nf6" : "Ng8")));
    }
  };
  // White's and Black's pawn moves alternate, so every run is a multiple of
  // four plies and brings the knights home.
  static const char* const PawnMoves[] = {"a3", "a6", "h3", "h6", "a4", "a5", "h4", "h5", "b3", "b6",
                                          "g3", "g6", "d3", "d6", "e3", "e6", "e4", "e5", "d4", "d5"};
  static const int Runs[] = {7, 150, 40, 3, 260, 96, 11, 120, 0, 55};
  for (int k = 0; k < 20; ++k) {
    ASSERT_NO_FATAL_FAILURE(shuffle(4 * Runs[k % 10]));
    ASSERT_NO_FATAL_FAILURE(playOne(PawnMoves[k]));
  }
  ASSERT_NO_FATAL_FAILURE(shuffle(2001));
  EXPECT_GT(keys.size(), 7000u);
  EXPECT_GT(drops, 6);
  EXPECT_EQ(toFen(*board), "rnbqkbnr/2p2p2/1p4p1/p2pp2p/P2PP2P/1P3NP1/2P2P2/RNBQKB1R b KQkq - 2001 " +
                               std::to_string(keys.size() / 2 + 1));
}

}  // namespace
}  // namespace vireo
