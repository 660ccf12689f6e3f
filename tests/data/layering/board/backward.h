#pragma once
#include "search/searcher.h"
