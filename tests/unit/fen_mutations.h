#pragma once
// FEN texts for the fuzz tests: sound positions taken apart and put back
// wrongly (characters flipped, inserted and deleted, ranks made longer or
// shorter, pawns put on the back ranks, odd en-passant fields and clocks),
// and positions made up from scratch. The same seed gives the same texts.
// No text holds a newline or a zero byte, so each fits on one UCI line.

#include <cstdint>
#include <iterator>
#include <string>
#include <utility>

#include "board/sfmt.h"

namespace vireo::testing_util {

class FenMutator {
 public:
  explicit FenMutator(uint32_t seed) : rng_(seed) {}

  std::string next() {
    std::string fen = below(4) == 0 ? madeUp() : std::string(Sound[below(std::size(Sound))]);
    for (int n = int(below(3)) + (below(5) == 0 ? 0 : 1); n > 0; --n) mutate(fen);
    return fen;
  }

 private:
  static constexpr const char* Sound[] = {
      "rnbqkbnr/pppppppp/////PPPPPPPP/RNBQKBNR w KQkq - -",
      "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
      "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
      "7k/8/8/KPp4r/8/8/8/8 w - c6 0 1",
      "8/8/8/4k3/8/8/3Q4/4K3 w - - 99 150",
      "8/8/8/8/5kp1/P7/8/1K1N4 w - - 0 1",
      "4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1",
      "8/8/8/8/8/8/8/K6k/ w - -",
  };
  // Characters a FEN is made of, and a few it is not.
  static constexpr const char* Alphabet = "PNBRQKpnbrqk12345678/ -wbKQkqabcdefgh09x!";
  static constexpr const char* Pieces = "PNBRQKpnbrqk";

  uint32_t below(size_t n) { return uint32_t(rng_.next32() % n); }
  char anyOf(const char* set) { return set[below(std::char_traits<char>::length(set))]; }

  // The span [begin, end) of field `index` (0 = placement), or the end.
  std::pair<size_t, size_t> field(const std::string& fen, int index) {
    size_t begin = 0;
    for (int i = 0; i < index && begin < fen.size(); ++i) {
      begin = fen.find(' ', begin);
      if (begin == std::string::npos) return {fen.size(), fen.size()};
      while (begin < fen.size() && fen[begin] == ' ') ++begin;
    }
    size_t end = fen.find(' ', begin);
    return {begin, end == std::string::npos ? fen.size() : end};
  }

  // Appends what a text lacks up to `count` fields, so that a later field
  // can be set.
  void withFields(std::string& fen, int count) {
    static const char* const Defaults[] = {"8/8/8/8/8/8/8/K6k", "w", "-", "-", "0", "1"};
    for (int i = 0; i < count; ++i)
      if (field(fen, i).first >= fen.size()) fen += std::string(fen.empty() ? "" : " ") + Defaults[i];
  }

  void mutate(std::string& fen) {
    const size_t at = fen.empty() ? 0 : below(fen.size());
    switch (below(10)) {
      case 0:
        if (!fen.empty()) fen[at] = anyOf(Alphabet);
        break;
      case 1:
        fen.insert(fen.begin() + at, anyOf(Alphabet));
        break;
      case 2:
        if (!fen.empty()) fen.erase(at, 1);
        break;
      case 3: {  // a piece or a digit more in some rank: usually too long
        const auto [begin, end] = field(fen, 0);
        const char extra = below(2) ? anyOf(Pieces) : anyOf("12345678");
        fen.insert(begin + (end > begin ? below(end - begin + 1) : 0), 1, extra);
        break;
      }
      case 4: {  // a pawn on the first or last rank, the rank kept at eight squares
        const auto [begin, end] = field(fen, 0);
        const size_t firstSlash = fen.find('/', begin), lastSlash = fen.rfind('/', end);
        size_t rb = begin, re = end;
        if (below(2)) {
          if (lastSlash != std::string::npos && lastSlash >= begin && lastSlash < end) rb = lastSlash + 1;
        } else if (firstSlash < end) {
          re = firstSlash;
        }
        const char pawn = below(2) ? 'P' : 'p';
        if (rb >= re) {
          fen.insert(rb, std::string{pawn, '7'});
        } else if (fen[rb] >= '1' && fen[rb] <= '8') {
          const char rest = char(fen[rb] - 1);
          fen.replace(rb, 1, rest > '0' ? std::string{pawn, rest} : std::string{pawn});
        } else {
          fen[rb] = pawn;
        }
        break;
      }
      case 5: {  // an en-passant field anywhere on the board, or odd text
        withFields(fen, 4);
        const auto [begin, end] = field(fen, 3);
        const std::string ep = below(6) ? std::string{char('a' + below(8)), char('1' + below(8))}
                                        : std::string(1, anyOf(Alphabet));
        fen.replace(begin, end - begin, ep);
        break;
      }
      case 6: {  // the other side to move
        const auto [begin, end] = field(fen, 1);
        if (begin < fen.size() && end > begin) fen[begin] = fen[begin] == 'w' ? 'b' : 'w';
        break;
      }
      case 7: {  // clocks, small to absurd
        withFields(fen, 5);
        const auto [begin, end] = field(fen, 4);
        std::string clock;
        for (uint32_t digits = 1 + below(11); digits > 0; --digits) clock += char('0' + below(10));
        fen.replace(begin, end - begin, clock);
        break;
      }
      case 8: {  // a rank dropped or doubled
        const auto [begin, end] = field(fen, 0);
        const size_t slash = fen.find('/', begin + below(end > begin ? end - begin : 1));
        if (slash != std::string::npos && slash < end) {
          const size_t next = fen.find_first_of("/ ", slash + 1);
          const std::string rank = fen.substr(slash, (next == std::string::npos ? fen.size() : next) - slash);
          if (below(2)) fen.erase(slash, rank.size());
          else fen.insert(slash, rank);
        }
        break;
      }
      default:
        if (fen.size() > 1) std::swap(fen[at], fen[below(fen.size())]);
        break;
    }
  }

  // Both kings and up to 30 other pieces on random squares, written as sound
  // FEN, with a side to move, castling letters, an en-passant field that
  // often names a pawn of the right side, and a clock.
  std::string madeUp() {
    char squares[64] = {};
    auto put = [&](char piece) {
      for (int tries = 0; tries < 8; ++tries) {
        const int s = int(below(64));
        if (!squares[s]) {
          squares[s] = piece;
          return;
        }
      }
    };
    put('K');
    put('k');
    for (int n = int(below(31)); n > 0; --n) put(below(3) ? anyOf("PPPPpppp") : anyOf(Pieces));
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
      int empty = 0;
      for (int file = 0; file < 8; ++file) {
        const char p = squares[rank * 8 + file];
        if (!p) {
          ++empty;
          continue;
        }
        if (empty) fen += char('0' + empty);
        empty = 0;
        fen += p;
      }
      if (empty) fen += char('0' + empty);
      if (rank) fen += '/';
    }
    const bool white = below(2);
    fen += white ? " w " : " b ";
    std::string rights;
    for (const char* c = "KQkq"; *c; ++c)
      if (below(3) == 0) rights += *c;
    fen += rights.empty() ? "-" : rights;
    fen += ' ';
    if (below(2)) {
      // Any file, on the rank of a pawn of the side not to move that has
      // just stepped twice, or on the square such a pawn skipped.
      const int rank = white ? 4 : 3;
      const int file = int(below(8));
      fen += std::string{char('a' + file), char('1' + (below(2) ? rank : white ? 5 : 2))};
    } else {
      fen += '-';
    }
    fen += ' ' + std::to_string(below(4) ? below(60) : below(100000)) + ' ' + std::to_string(1 + below(200));
    return fen;
  }

  Sfmt rng_;
};

}  // namespace vireo::testing_util
