#include "uci/search_status.h"

namespace vireo {

SearchStatus::Change SearchStatus::setStatus(uint32_t status, bool holdIfPondering) {
  std::lock_guard<std::mutex> guard(mutex_);
  const Change change{status_, held_};
  status_ = status;
  held_ = holdIfPondering && change.old == PONDERING;
  return change;
}

uint32_t SearchStatus::current() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return status_;
}

}  // namespace vireo
