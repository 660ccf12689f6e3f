// The command line as users, distributors and testing frameworks use it:
// --help, --version, bench, and the configuration file as first argument.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "support/build_info.h"
#include "uci_session.h"

namespace vireo::e2e {
namespace {

struct Outcome {
  int status;
  std::string out, err;
};

// Runs the program with the arguments and empty input, to its end.
Outcome run(std::vector<std::string> args, int timeoutMs = 20000, const std::string& workDir = "") {
  EngineProcess engine(workDir, std::move(args));
  engine.closeInput();
  Outcome r;
  r.status = engine.waitForExit(timeoutMs);
  r.out = engine.output();
  r.err = engine.errors();
  return r;
}

// The node count of a bench line, or -1 when the output is not exactly one.
long long benchNodes(const std::string& out) {
  static const std::regex line("bench: ([0-9]+) nodes [0-9]+ nps\n");
  std::smatch m;
  return std::regex_match(out, m, line) ? std::stoll(m[1]) : -1;
}

TEST(CommandLine, HelpAndVersionAnswerWithoutStartingTheEngine) {
  for (const char* option : {"--help", "-h"}) {
    SCOPED_TRACE(option);
    const Outcome r = run({option});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: vireo [FILE]", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("vireo bench [DEPTH]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("GPL-3.0-or-later"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("initialized"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
  }

  const Outcome r = run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  const std::regex version(
      "vireo-1\\.0\n"
      "revision: ([^\n]+)\n"
      "compiler: (g\\+\\+|clang\\+\\+) [0-9][^\n]*\n"
      "build: [^\n]+, x86(-64)? [^\n]+, (SSE2 \\(no POPCNT\\)|POPCNT \\(needs a processor with it\\)|native to the build machine \\(SSE2[^)]*\\))\n"
      "Copyright [^\n]+\nLicense GPL-3\\.0-or-later [^\n]+\n[^\n]*NO WARRANTY[^\n]*\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(r.out, m, version)) << r.out;
  // The revision of this very build (the banner names it too).
  EXPECT_EQ(m[1], buildRevision());
}

TEST(CommandLine, BenchPrintsOnlyItsLineAndRepeatsItsCount) {
  TempDir dir;
  // A folder named like the command must not be taken for a configuration.
  std::filesystem::create_directory(dir.file("bench"));
  const Outcome first = run({"bench", "5"}, 60000, dir.path());
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.err, "");
  const long long nodes = benchNodes(first.out);
  EXPECT_GT(nodes, 0) << first.out;
  EXPECT_EQ(benchNodes(run({"bench", "5"}, 60000).out), nodes);
  EXPECT_LT(benchNodes(run({"bench", "4"}, 60000).out), nodes);

  for (const char* depth : {"0", "x", "5x", "121", ""}) {
    SCOPED_TRACE(depth);
    const Outcome r = run({"bench", depth});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("vireo: the bench depth is a number from 1 to 120, not '") + depth + "'\n");
  }
}

// The signature recorded in the repository: a change of the search's
// behaviour shows as a change of that file in the same commit.
TEST(CommandLine, BenchCountIsTheRecordedSignature) {
  std::ifstream file(VIREO_BENCH_SIGNATURE);
  long long recorded = -1;
  ASSERT_TRUE(file >> recorded) << VIREO_BENCH_SIGNATURE;
  const Outcome r = run({"bench"}, 600000);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(benchNodes(r.out), recorded)
      << r.out << "if the search was meant to change, record the new count in " << VIREO_BENCH_SIGNATURE;
}

// A file named as the first argument is read (UciConsole.StartupLines); one
// that cannot be read is said so, and the engine starts with the defaults.
TEST(CommandLine, UnreadableConfigurationFileIsReported) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("folder"));
  for (const std::string& argument : {dir.file("missing.ini"), dir.file("folder")}) {
    SCOPED_TRACE(argument);
    const Outcome r = run({argument}, 20000, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Warning: cannot read configuration file: " + argument + "\n");
    EXPECT_NE(r.out.find("revision " + std::string(buildRevision()) +
                         "\n\n\nWarning: book not found: vireo.bbk\nallocating hash..."),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\ninitialized\ntype help for commands, uci for protocol mode\n% "), std::string::npos)
        << r.out;
  }
}

}  // namespace
}  // namespace vireo::e2e
