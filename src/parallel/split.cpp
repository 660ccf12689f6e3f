#include "parallel/split.h"

#include "parallel/search_thread.h"

namespace vireo {

bool split(SearchThread&, SplitNode&, const Move*, int) { return false; }

}  // namespace vireo
