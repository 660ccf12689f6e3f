#include "board/make_move.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/zobrist.h"

namespace vireo {

namespace {

// The debug build (-DVIREO_CHECK_BOARD=ON, the "debug" preset) recomputes
// the whole position after every move made or taken back, so that a fault
// stops the program at the move that caused it rather than showing plies
// later as a wrong score. Other builds compile this to nothing.
inline void verifyBoard([[maybe_unused]] const Board& b, [[maybe_unused]] const char* after) {
#if defined(VIREO_CHECK_BOARD)
  if (const char* fault = checkBoard(b); *fault) {
    std::fprintf(stderr, "checkBoard after %s: %s\n", after, fault);
    std::abort();
  }
#endif
}

// One change to the placement each, every derived field updated in one place.
// Keys are updated by the callers, which know when the pawn key moves too.
inline void toggle(Board& b, Colour c, PieceType t, Square s) {
  b.pieceBits[c][0] ^= SquareBit[s];
  b.pieceBits[c][t] ^= SquareBit[s];
}

inline void movePiece(Board& b, Colour c, PieceType t, Square from, Square to) {
  Bitboard fromTo = SquareBit[from] | SquareBit[to];
  b.pieceBits[c][0] ^= fromTo;
  b.pieceBits[c][t] ^= fromTo;
  b.squares[to] = b.squares[from];
  b.squares[from] = 0;
}

inline const CastleRuleEntry& castleRuleOf(const Board& b, Colour us, Move move) {
  return b.castlingRules.rule[castleIndex(us, castleSide(move))];
}

// King and rook of a castling go to their squares together: in Chess960 the
// king may stay where it is, or king and rook may change places, so neither
// may be moved as if its destination were empty.
inline void castle(Board& b, Colour us, Square kingFrom, Square kingTo, Square rookFrom, Square rookTo) {
  const Bitboard kingBits = SquareBit[kingFrom] ^ SquareBit[kingTo];
  const Bitboard rookBits = SquareBit[rookFrom] ^ SquareBit[rookTo];
  b.pieceBits[us][0] ^= kingBits ^ rookBits;
  b.pieceBits[us][King] ^= kingBits;
  b.pieceBits[us][Rook] ^= rookBits;
  b.squares[kingFrom] = 0;
  b.squares[rookFrom] = 0;
  b.squares[kingTo] = pieceCode(us, King);
  b.squares[rookTo] = pieceCode(us, Rook);
  b.kingSquare[us] = kingTo;
}

}  // namespace

void makeMove(Board& b, Move move) {
  const Colour us = b.sideToMove, them = us ^ 1;
  const Square from = moveFrom(move), to = moveTo(move);
  const PieceCode captured = moveCaptured(move);
  BoardState& st = b.state;

  b.keyHistory[b.ply] = b.hashKey;
  b.hashKey ^= b.castlingRules.keys[st.castling];  // rights leave the key, return at the end
  if (st.epSquare) {
    b.hashKey ^= enPassantKey(st.epSquare);
    st.epSquare = 0;
  }
  b.ply += 1;
  b.moveHistory[b.ply] = move;

  if (isSpecial(move)) {
    if (isEnPassant(move)) {
      const Square victim = to ^ 8;
      const PieceCode ourPawn = pieceCode(us, Pawn);
      const uint64_t keys =
          pieceKey(ourPawn, from) ^ pieceKey(ourPawn, to) ^ pieceKey(captured, victim);
      b.hashKey ^= keys;
      st.pawnKey ^= keys;
      b.squares[victim] = 0;
      toggle(b, them, Pawn, victim);
      b.materialSignature[them] -= MaterialIncrement[Pawn];
      movePiece(b, us, Pawn, from, to);
      st.irreversiblePly = int16_t(b.ply);
    } else if (isCastling(move)) {
      const PieceCode king = pieceCode(us, King), rook = pieceCode(us, Rook);
      const CastleRuleEntry& rule = castleRuleOf(b, us, move);
      st.castling &= b.castlingRules.keepMask[from];
      castle(b, us, from, to, rule.rookFrom, rule.rookTo);
      b.hashKey ^= pieceKey(king, from) ^ pieceKey(king, to) ^ pieceKey(rook, rule.rookFrom) ^
                   pieceKey(rook, rule.rookTo);
    } else {  // promotion
      const PieceType promotion = movePromotion(move);
      if (captured) {
        b.hashKey ^= pieceKey(captured, to);
        toggle(b, them, typeOf(captured), to);
        b.materialSignature[them] -= MaterialIncrement[typeOf(captured)];
        st.castling &= b.castlingRules.keepMask[to];
      }
      const PieceCode pawn = pieceCode(us, Pawn), piece = pieceCode(us, promotion);
      b.hashKey ^= pieceKey(pawn, from) ^ pieceKey(piece, to);
      st.pawnKey ^= pieceKey(pawn, from);
      toggle(b, us, Pawn, from);
      toggle(b, us, promotion, to);
      b.squares[from] = 0;
      b.squares[to] = piece;
      b.materialSignature[us] += MaterialIncrement[promotion] - MaterialIncrement[Pawn];
      st.irreversiblePly = int16_t(b.ply);
    }
  } else {
    st.castling &= b.castlingRules.keepMask[from];
    if (captured) {
      // A capture resets the fifty-move count and may take a corner rook.
      st.irreversiblePly = int16_t(b.ply);
      st.castling &= b.castlingRules.keepMask[to];
      toggle(b, them, typeOf(captured), to);
      b.hashKey ^= pieceKey(captured, to);
      if (typeOf(captured) == Pawn) st.pawnKey ^= pieceKey(captured, to);
      b.materialSignature[them] -= MaterialIncrement[typeOf(captured)];
    }
    const PieceCode piece = b.squares[from];
    const PieceType type = typeOf(piece);
    movePiece(b, us, type, from, to);
    if (type == King) b.kingSquare[us] = to;
    const uint64_t keys = pieceKey(piece, from) ^ pieceKey(piece, to);
    b.hashKey ^= keys;
    if (type == Pawn) {
      st.pawnKey ^= keys;
      st.irreversiblePly = int16_t(b.ply);
      // The en-passant square is set only when an enemy pawn can take.
      if (isDoubleStep(move) && (PawnAttacks[us][(from + to) / 2] & b.pieceBits[them][Pawn])) {
        st.epSquare = uint8_t(to);
        b.hashKey ^= enPassantKey(to);
      }
    }
  }

  b.sideToMove = them;
  b.hashKey ^= b.castlingRules.keys[st.castling];
  b.occupied = b.pieceBits[White][0] | b.pieceBits[Black][0];
  verifyBoard(b, "makeMove");
}

uint64_t keyAfter(const Board& b, Move move) {
  const Colour us = b.sideToMove, them = us ^ 1;
  const Square from = moveFrom(move), to = moveTo(move);
  const PieceCode captured = moveCaptured(move);
  const BoardState& st = b.state;
  uint64_t key = b.hashKey ^ b.castlingRules.keys[st.castling];
  if (st.epSquare) key ^= enPassantKey(st.epSquare);
  uint8_t castling = st.castling;
  if (isSpecial(move)) {
    const PieceCode pawn = pieceCode(us, Pawn);
    if (isEnPassant(move)) {
      key ^= pieceKey(pawn, from) ^ pieceKey(pawn, to) ^ pieceKey(captured, to ^ 8);
    } else if (isCastling(move)) {
      const PieceCode king = pieceCode(us, King), rook = pieceCode(us, Rook);
      const CastleRuleEntry& rule = castleRuleOf(b, us, move);
      castling &= b.castlingRules.keepMask[from];
      key ^= pieceKey(king, from) ^ pieceKey(king, to) ^ pieceKey(rook, rule.rookFrom) ^
             pieceKey(rook, rule.rookTo);
    } else {
      if (captured) {
        key ^= pieceKey(captured, to);
        castling &= b.castlingRules.keepMask[to];
      }
      key ^= pieceKey(pawn, from) ^ pieceKey(pieceCode(us, movePromotion(move)), to);
    }
  } else {
    castling &= b.castlingRules.keepMask[from];
    if (captured) {
      castling &= b.castlingRules.keepMask[to];
      key ^= pieceKey(captured, to);
    }
    const PieceCode piece = b.squares[from];
    key ^= pieceKey(piece, from) ^ pieceKey(piece, to);
    if (isDoubleStep(move) && typeOf(piece) == Pawn &&
        (PawnAttacks[us][(from + to) / 2] & b.pieceBits[them][Pawn]))
      key ^= enPassantKey(to);
  }
  return key ^ b.castlingRules.keys[castling];
}

namespace {

// The take-back of a null move, and the first step of every take-back:
// ply, key, state and turn as they were.
inline void restoreTurn(Board& b, const BoardState& saved) {
  b.ply -= 1;
  b.hashKey = b.keyHistory[b.ply];
  b.state = saved;
  b.sideToMove ^= 1;
}

// unmakeMove without the debug build's check, for the callers that take
// moves back with a stand-in state.
inline void restoreMove(Board& b, Move move, const BoardState& saved) {
  restoreTurn(b, saved);
  const Colour us = b.sideToMove, them = us ^ 1;
  const Square from = moveFrom(move), to = moveTo(move);
  const PieceCode captured = moveCaptured(move);

  if (isSpecial(move)) {
    if (isEnPassant(move)) {
      const Square victim = to ^ 8;
      b.squares[victim] = captured;
      toggle(b, them, Pawn, victim);
      b.materialSignature[them] += MaterialIncrement[Pawn];
      movePiece(b, us, Pawn, to, from);
    } else if (isCastling(move)) {
      const CastleRuleEntry& rule = castleRuleOf(b, us, move);
      castle(b, us, to, from, rule.rookTo, rule.rookFrom);
    } else {  // promotion
      const PieceType promotion = movePromotion(move);
      b.materialSignature[us] += MaterialIncrement[Pawn] - MaterialIncrement[promotion];
      toggle(b, us, promotion, to);
      toggle(b, us, Pawn, from);
      b.squares[from] = pieceCode(us, Pawn);
      b.squares[to] = captured;
      if (captured) {
        toggle(b, them, typeOf(captured), to);
        b.materialSignature[them] += MaterialIncrement[typeOf(captured)];
      }
    }
  } else {
    const PieceType type = typeOf(b.squares[to]);
    if (type == King) b.kingSquare[us] = from;
    movePiece(b, us, type, to, from);
    if (captured) {
      b.squares[to] = captured;
      toggle(b, them, typeOf(captured), to);
      b.materialSignature[them] += MaterialIncrement[typeOf(captured)];
    }
  }
  b.occupied = b.pieceBits[White][0] | b.pieceBits[Black][0];
}

}  // namespace

void unmakeMove(Board& b, Move move, const BoardState& saved) {
  restoreMove(b, move, saved);
  verifyBoard(b, "unmakeMove");
}

void unmakePlacement(Board& b, Move move, const BoardState& standIn) { restoreMove(b, move, standIn); }

void makeNullMove(Board& b) {
  b.keyHistory[b.ply] = b.hashKey;
  if (b.state.epSquare) b.hashKey ^= enPassantKey(b.state.epSquare);
  b.ply += 1;
  b.state.irreversiblePly = int16_t(b.ply);  // no repetition across a null move
  b.moveHistory[b.ply] = NoMove;
  b.sideToMove ^= 1;
  b.state.epSquare = 0;
  verifyBoard(b, "makeNullMove");
}

void unmakeNullMove(Board& b, const BoardState& saved) {
  restoreTurn(b, saved);
  verifyBoard(b, "unmakeNullMove");
}

void replayMoves(Board& b, int count, const Move* moves) {
  for (int i = 0; i < count; ++i) {
    if (moves[i])
      makeMove(b, moves[i]);
    else
      makeNullMove(b);
  }
  updateAttackInfo(b);
}

// The positions on the way back get the final state too, so only the last
// one is checked.
void takeBackMoves(Board& b, int count, const BoardState& saved) {
  for (int i = 0; i < count; ++i) {
    Move move = b.moveHistory[b.ply];
    if (move)
      restoreMove(b, move, saved);
    else
      restoreTurn(b, saved);
  }
  verifyBoard(b, "takeBackMoves");
}

void makeHistoryRoom(Board& b) {
  if (b.ply < MaxGamePly) return;
  // A hundred reversible plies draw the game by the fifty-move rule, so no
  // search ever compares keys further back than that.
  constexpr int RepetitionReach = 100;
  const int count = std::min(b.fiftyMoveCount(), MaxFiftyMoveCount);
  const uint32_t keep = uint32_t(std::min(count, RepetitionReach));
  const uint32_t drop = b.ply - keep;
  // Positions drop..ply-1 have their keys stored; the moves that led to
  // drop+1..ply follow them down. Entry 0 is no move, like after setFen.
  std::memmove(b.keyHistory, b.keyHistory + drop, keep * sizeof b.keyHistory[0]);
  std::memmove(b.moveHistory + 1, b.moveHistory + drop + 1, keep * sizeof b.moveHistory[0]);
  b.moveHistory[0] = NoMove;
  b.ply = keep;
  b.state.irreversiblePly = int16_t(int(keep) - count);
  b.droppedPlies += drop;
}

namespace {
char* putSquare(char* out, Square s) {
  *out++ = char('a' + fileOf(s));
  *out++ = char('1' + rankOf(s));
  return out;
}
}  // namespace

char* moveToText(const Board& b, Move move, char* out) {
  if (move == NoMove) {
    *out++ = '%';
  } else if (isCastling(move)) {
    const char* text = fileOf(moveTo(move)) > 3 ? "O-O" : "O-O-O";
    while (*text) *out++ = *text++;
  } else {
    const Square from = moveFrom(move), to = moveTo(move);
    // The moving piece stands on from before the move and on to after it; a
    // promotion is a pawn move either way.
    const PieceCode piece = b.squares[from] ? b.squares[from] : b.squares[to];
    if (!movePromotion(move) && typeOf(piece) > Pawn) *out++ = MoveLetters[typeOf(piece)];
    out = putSquare(out, from);
    if (moveCaptured(move)) *out++ = 'x';
    out = putSquare(out, to);
    if (movePromotion(move)) {
      *out++ = '=';
      *out++ = MoveLetters[movePromotion(move)];
    }
  }
  *out = 0;
  return out;
}

}  // namespace vireo
