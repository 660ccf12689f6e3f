// Builds the process-wide tables once before any test runs.

#include <gtest/gtest.h>

#include "board/tables.h"
#include "board/zobrist.h"
#include "eval/weights.h"

namespace {

class EngineTables : public testing::Environment {
 public:
  void SetUp() override {
    vireo::initTables();
    vireo::initZobrist();
    vireo::rebuildEvalTables();
  }
};

const testing::Environment* const engineTables =
    testing::AddGlobalTestEnvironment(new EngineTables);

}  // namespace
