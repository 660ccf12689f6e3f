#include "search/move_picker.h"

#include "board/movegen.h"
#include "search/ordering.h"
#include "search/search_thread.h"

namespace vireo {

int NodeMovePicker::evasions(SearchThread& t) {
  count_ = int(generateEvasions(t.board, moves_) - moves_);
  if (count_ == 1)
    moves_[0] |= MoveSingleReply;
  else if (count_ > 1)
    orderEvasions(t, moves_, count_, hashMove_);
  earlyCount_ = count_;
  return count_;
}

int NodeMovePicker::moves(SearchThread& t, int ply) {
  count_ = int(generateMoves(t.board, moves_) - moves_);
  if (count_ == 1) {
    moves_[0] |= MoveSingleReply;
    earlyCount_ = 1;
  } else if (count_ > 1) {
    earlyCount_ = orderMoves(t, ply, moves_, count_, hashMove_);
  }
  return count_;
}

void NodeMovePicker::markThreats(SearchThread& t, int gap) { vireo::markThreats(t, moves_, count_, marks_, gap); }

}  // namespace vireo
