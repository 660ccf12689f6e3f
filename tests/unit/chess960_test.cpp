// Chess960: perft against published counts, castling in the positions where
// its rules bite, both FEN castling forms, king-takes-rook move text, and
// keys that tell castling rooks apart.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board_test_util.h"
#include "uci/reports.h"

namespace vireo {
namespace {

using testing_util::boardFromFen;
using testing_util::legalMoves;

struct PerftCase {
  const char* fen;
  uint64_t depth4;
};

// From the published Chess960 perft suite (960 positions, counts to depth
// 6); bench/perft960.sh checks these positions to depth 5 and 6. Castling
// letters in Shredder form, as the suite writes them.
const PerftCase Published[] = {
    {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", 326672},
    {"2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9", 667366},
    {"b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 1 9", 273318},
    {"qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf - 0 9", 382958},
    {"nnr1kqbr/pp1pp1p1/2p5/b4p1p/P7/1PNP4/2P1PPPP/N1RBKQBR w HChc - 1 9", 227044},
    {"bnnbrkr1/ppp2p1p/5q2/3pp1p1/4P3/1N4P1/PPPPRP1P/BN1B1KRQ w Gge - 0 9", 1028084},
    {"nnrkbbrq/1pp2p1p/p2pp1p1/2P5/8/8/PP1PPPPP/NNRKBBRQ w Ggc - 0 9", 624598},
    {"nnrkrbbq/pppp2pp/8/4pp2/4P3/P7/1PPPBPPP/NNKRR1BQ w c - 0 9", 636041},
    {"n1rk1qbb/pppprpp1/2n4p/4p3/2PP3P/8/PP2PPP1/NNRKRQBB w ECc - 1 9", 425247},
    {"bnqbnr1r/p1p1ppkp/3p4/1p4p1/P7/3NP2P/1PPP1PP1/BNQB1RKR w HF - 0 9", 832956},
    {"nb1r1nkr/ppp1ppp1/2bp4/7p/3P2qP/P6R/1PP1PPP1/NBQRBNK1 w Dhd - 1 9", 2526992},
    {"qnr1bkrb/pppp2pp/3np3/5p2/8/P2P2P1/NPP1PP1P/QN1RBKRB w GDg - 3 9", 713420},
    {"bnnqrbkr/pp1p2p1/2p1p2p/5p2/1P5P/1R6/P1PPPPP1/BNNQRBK1 w Ehe - 0 9", 1024721},
    {"nnrqbkrb/pppp1pp1/7p/4p3/6P1/2N2B2/PPPPPP1P/NR1QBKR1 w Ggc - 2 9", 476620},
};

TEST(Chess960Perft, PublishedPositions) {
  for (const PerftCase& c : Published) {
    auto board = boardFromFen(c.fen, true);
    ASSERT_TRUE(board) << c.fen;
    EXPECT_EQ(perft(*board, 4), c.depth4) << c.fen;
  }
  // The same rights in X-FEN, where K and Q name the outermost rooks.
  auto xfen = boardFromFen("bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w KQkq - 2 9", true);
  ASSERT_TRUE(xfen);
  EXPECT_EQ(perft(*xfen, 3), 12189u);
}

std::string castlingTexts(Board& board) {
  std::string texts;
  for (Move m : legalMoves(board)) {
    if (!isCastling(m)) continue;
    char text[16];
    moveToText(board, m, text);
    texts += texts.empty() ? "" : " ";
    texts += text;
  }
  return texts;
}

// Positions made for one rule each; their counts agree with Stockfish 15.1
// in Chess960 mode to depth 5.
TEST(Chess960Castling, RulesWhereTheyDecide) {
  struct Case {
    const char* what;
    const char* fen;
    const char* castlings;
    uint64_t depth4;
  };
  const Case cases[] = {
      {"the rook shields the king's destination from the corner", "4k3/8/8/8/8/8/8/rR4K1 w B - 0 1", "",
       25001},
      {"king and rook change places", "4k3/8/8/8/8/8/8/5KR1 w G - 0 1", "O-O", 5689},
      {"the king stays; the rook's destination may be attacked", "k4r2/8/8/8/8/8/8/6KR w H - 0 1", "O-O",
       31772},
      {"the rook stays", "4k3/8/8/8/8/8/8/3RK3 w D - 0 1", "O-O-O", 4965},
      {"the king crosses six files", "4k3/8/8/8/8/8/8/KR6 w B - 0 1", "O-O", 6315},
      {"the rook's path is blocked where the king's is not", "4k3/8/8/8/8/8/8/RK1N4 w A - 0 1", "", 8280},
      {"an attacked transit square stops one side only", "4kr2/8/8/8/8/8/8/R3K1R1 w GA - 0 1", "O-O-O",
       97278},
      {"the king's destination holds the attacked rook", "1rk3r1/8/8/8/8/8/8/1RK3R1 w GBgb - 0 1", "O-O-O",
       214105},
      {"the same for black", "1rk3r1/8/8/8/8/8/8/1RK3R1 b GBgb - 0 1", "O-O-O", 214105},
      {"an inner rook named by its file", "r3k2r/8/8/8/8/8/8/R3KR1R w FAka - 0 1", "O-O O-O-O", 413903},
      {"the other rook stands on the king's destination", "rkr5/8/8/8/8/8/8/4K3 b ca - 0 1", "O-O", 13108},
      {"the king would cross its rook's attacked square", "rkr5/8/8/8/8/8/8/RKR5 b CAca - 0 1", "", 138584},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto board = boardFromFen(c.fen, true);
    ASSERT_TRUE(board);
    EXPECT_EQ(castlingTexts(*board), c.castlings);
    EXPECT_EQ(perft(*board, 4), c.depth4);

    // Each castling puts king and rook on their files, takes the side's
    // rights, and unmakes to the same bits.
    auto before = std::make_unique<Board>();
    copyBoard(*before, *board);
    const Colour us = board->sideToMove;
    for (Move m : legalMoves(*board)) {
      if (!isCastling(m)) continue;
      const CastleRuleEntry& rule = board->castlingRules.rule[castleIndex(us, castleSide(m))];
      const BoardState saved = board->state;
      makeMove(*board, m);
      EXPECT_EQ(board->squares[rule.kingTo], pieceCode(us, King));
      EXPECT_EQ(board->squares[rule.rookTo], pieceCode(us, Rook));
      EXPECT_EQ(fileOf(rule.kingTo), castleSide(m) == KingSide ? 6 : 2);
      EXPECT_EQ(fileOf(rule.rookTo), castleSide(m) == KingSide ? 5 : 3);
      EXPECT_EQ(board->state.castling & (castleRight(us, KingSide) | castleRight(us, QueenSide)), 0);
      EXPECT_STREQ(checkBoard(*board), "");
      unmakeMove(*board, m, saved);
      EXPECT_EQ(std::memcmp(board.get(), before.get(), offsetof(Board, moveHistory)), 0);
    }
  }
}

TEST(Chess960Fen, BothCastlingFormsInShredderFenOut) {
  const char* shredder = "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9";
  const char* xfen = "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w KQkq - 2 9";
  auto a = boardFromFen(shredder, true), b = boardFromFen(xfen, true);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->state.castling, 15);
  EXPECT_EQ(a->hashKey, b->hashKey);
  EXPECT_EQ(std::memcmp(&a->castlingRules, &b->castlingRules, sizeof a->castlingRules), 0);
  EXPECT_EQ(a->castlingRules.rule[castleIndex(White, QueenSide)].rookFrom, F1);
  EXPECT_EQ(toFen(*b), "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 1");

  // X-FEN names a rook that is not the outermost by its file, and its right
  // has a key of its own.
  auto inner = boardFromFen("4k3/8/8/8/8/8/8/4KR1R w F - 0 1", true);
  auto outer = boardFromFen("4k3/8/8/8/8/8/8/4KR1R w K - 0 1", true);
  ASSERT_TRUE(inner && outer);
  EXPECT_EQ(inner->castlingRules.rule[castleIndex(White, KingSide)].rookFrom, F1);
  EXPECT_EQ(outer->castlingRules.rule[castleIndex(White, KingSide)].rookFrom, H1);
  EXPECT_EQ(toFen(*inner), "4k3/8/8/8/8/8/8/4KR1R w F - 0 1");
  EXPECT_EQ(toFen(*outer), "4k3/8/8/8/8/8/8/4KR1R w H - 0 1");
  EXPECT_NE(inner->hashKey, outer->hashKey);
  EXPECT_EQ(boardFromFen("4k3/8/8/8/8/8/8/4KR1R w H - 0 1", true)->hashKey, outer->hashKey);

  // A standard position has its standard key in both modes, and its
  // standard FEN without Chess960.
  const char* kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
  auto standard = boardFromFen(kiwipete), inChess960 = boardFromFen(kiwipete, true);
  EXPECT_EQ(standard->hashKey, inChess960->hashKey);
  EXPECT_EQ(toFen(*standard), kiwipete);
  EXPECT_EQ(toFen(*inChess960), "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w HAha - 0 1");
  EXPECT_EQ(boardFromFen(toFen(*inChess960).c_str(), true)->hashKey, standard->hashKey);
}

TEST(Chess960Fen, WarningsAndRefusals) {
  struct Case {
    const char* fen;
    bool chess960;
    bool accepted;
    uint8_t rights;
    const char* message;
  };
  const Case cases[] = {
      // Standard FEN reads as before: no rook files, standard squares only.
      {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", false, false, 0,
       "setFen(): illegal castling char: H\n"},
      {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w KQkq - 2 9", false, true, 0,
       "castling K invalid\ncastling Q invalid\ncastling k invalid\ncastling q invalid\n"},
      // Chess960: a letter without its rook, a king off its back rank, or a
      // second letter for a side is a warning; anything else is refused.
      {"4k3/8/8/8/8/8/8/4K2R w G - 0 1", true, true, 0, "castling G invalid\n"},
      {"4k3/8/8/8/8/8/8/4KR2 w Q - 0 1", true, true, 0, "castling Q invalid\n"},
      {"4k3/8/8/8/8/8/4K3/R6R w KA - 0 1", true, true, 0, "castling K invalid\ncastling A invalid\n"},
      {"4k3/8/8/8/8/8/8/4KR1R w KF - 0 1", true, true, CastleWhiteKing, "castling F invalid\n"},
      {"4k3/8/8/8/8/8/8/4K2R w E - 0 1", true, true, 0, "castling E invalid\n"},
      {"r3k3/8/8/8/8/8/8/4K3 w a - 0 1", true, true, CastleBlackQueen, ""},
      {"4k3/8/8/8/8/8/8/4K2R w H1 - 0 1", true, false, CastleWhiteKing, "setFen(): illegal castling char: 1\n"},
  };
  for (const Case& c : cases) {
    auto board = std::make_unique<Board>();
    testing::internal::CaptureStderr();
    const bool accepted = setFen(*board, c.fen, nullptr, c.chess960);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message) << c.fen;
    EXPECT_EQ(accepted, c.accepted) << c.fen;
    if (accepted) {
      EXPECT_EQ(board->state.castling, c.rights) << c.fen;
      EXPECT_STREQ(checkBoard(*board), "") << c.fen;
    }
  }
}

TEST(Chess960Notation, KingTakesOwnRook) {
  // King f1, rook h1: the king's step to g1 and castling (which also ends
  // with the king on g1) are told apart by the rook's square.
  auto board = boardFromFen("4k3/8/8/8/8/8/8/5K1R w H - 0 1", true);
  ASSERT_TRUE(board);
  const Move castling = parseMove(*board, "f1h1");
  ASSERT_TRUE(isCastling(castling));
  EXPECT_EQ(parseMove(*board, "O-O"), castling);
  EXPECT_EQ(parseMove(*board, "f1g1"), encodeMove(F1, G1));
  EXPECT_EQ(moveToUci(*board, castling), "f1h1");
  EXPECT_EQ(moveToUci(*board, encodeMove(F1, G1)), "f1g1");
  char san[16];
  moveToSan(*board, san, castling);
  EXPECT_STREQ(san, "O-O");
  moveToSan(*board, san, encodeMove(F1, G1));
  EXPECT_STREQ(san, "Kg1");

  // A king that stays has only the rook's square to name.
  board = boardFromFen("4k3/8/8/8/8/8/8/6KR w H - 0 1", true);
  EXPECT_TRUE(isCastling(parseMove(*board, "g1h1")));
  EXPECT_EQ(moveToUci(*board, parseMove(*board, "O-O")), "g1h1");

  // The standard start: king takes rook in Chess960, and e1g1 is still
  // understood there, as no other move could mean it; standard chess keeps
  // e1g1 and knows no e1h1.
  const char* open = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  auto chess960 = boardFromFen(open, true), standard = boardFromFen(open);
  const Move kingSide = encodeMove(E1, G1) | MoveCastling, queenSide = encodeMove(E1, C1) | MoveCastling;
  EXPECT_EQ(parseMove(*chess960, "e1h1"), kingSide);
  EXPECT_EQ(parseMove(*chess960, "e1a1"), queenSide);
  EXPECT_EQ(parseMove(*chess960, "e1g1"), kingSide);
  EXPECT_EQ(parseMove(*chess960, "e1c1"), queenSide);
  EXPECT_EQ(moveToUci(*chess960, kingSide), "e1h1");
  EXPECT_EQ(moveToUci(*chess960, queenSide), "e1a1");
  EXPECT_EQ(parseMove(*standard, "e1g1"), kingSide);
  EXPECT_EQ(parseMove(*standard, "e1h1"), NoMove);
  EXPECT_EQ(moveToUci(*standard, kingSide), "e1g1");
  EXPECT_EQ(parseMove(*standard, "O-O-O"), queenSide);
}

}  // namespace
}  // namespace vireo
