#include "board/backward.h"
#include <vector>
