#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/ini.h"
#include "support/log.h"
#include "support/text.h"
#include "support/text_file.h"
#include "support/tokenizer.h"

namespace vireo {
namespace {

std::string writeTempFile(const std::string& name, const std::string& bytes) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string readWholeFile(FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::getc(file)) != EOF;) text += char(c);
  return text;
}

TEST(Tokenizer, SplitsWordsOnRunsOfSpacesAndTabs) {
  struct Case {
    const char* text;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"go  wtime 1000", {"go", "wtime", "1000"}},
      {"a\tb \t \tc", {"a", "b", "c"}},
      {" \t lead and trail \t ", {"lead", "and", "trail"}},
      {"", {}},
      {" \t ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Tokenizer tokenizer;
    tokenizer.setText(c.text);
    for (const std::string& word : c.words) {
      EXPECT_FALSE(tokenizer.empty());
      EXPECT_EQ(tokenizer.nextWord(), word);
    }
    EXPECT_TRUE(tokenizer.empty());
    EXPECT_EQ(tokenizer.nextWord(), "");
    EXPECT_EQ(tokenizer.nextWord(), "");
  }
}

TEST(Tokenizer, NextIntConvertsWordsAndFallsBackOnlyWhenExhausted) {
  Tokenizer tokenizer;
  tokenizer.setText("1000 -7 abc 12x 99999999999 -99999999999");
  EXPECT_EQ(tokenizer.nextInt(32), 1000);
  EXPECT_EQ(tokenizer.nextInt(32), -7);
  EXPECT_EQ(tokenizer.nextInt(32), 0);
  EXPECT_EQ(tokenizer.nextInt(32), 12);
  EXPECT_EQ(tokenizer.nextInt(32), INT_MAX);
  EXPECT_EQ(tokenizer.nextInt(32), INT_MIN);
  EXPECT_EQ(tokenizer.nextInt(32), 32);
}

TEST(Text, EqualsIgnoreCaseComparesWholeTexts) {
  EXPECT_TRUE(equalsIgnoreCase("MultiPV", "multipv"));
  EXPECT_TRUE(equalsIgnoreCase("", ""));
  EXPECT_FALSE(equalsIgnoreCase("multipv", "multip"));
  EXPECT_FALSE(equalsIgnoreCase("[", "{"));  // differ by the case bit, but are no letters
}

TEST(TextFile, ReadLineRemovesEveryKindOfLineEnd) {
  const std::string longLine(1000, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"lf", "a\nbb\n", {"a", "bb"}},
      {"crlf", "a\r\nbb\r\n", {"a", "bb"}},
      {"lfcr", "a\n\rbb\n\r", {"a", "bb"}},
      {"crlf empty lines", "a\r\n\r\n\r\nb\r\n", {"a", "", "", "b"}},
      {"lfcr empty lines", "a\n\r\n\rb\n\r", {"a", "", "b"}},
      {"no final end", "a\nlast", {"a", "last"}},
      {"cr at end of file", "a\nlast\r", {"a", "last"}},
      {"cr inside a line stays", "a\rb\n", {"a\rb"}},
      {"long line", longLine + "\n" + longLine, {longLine, longLine}},
      {"zero byte", std::string("ab\0cd\nnext\n", 11), {std::string("ab\0cd", 5), "next"}},
      {"empty file", "", {}},
  };
  FILE* quiet = setLogStream(nullptr);  // the zero byte is logged
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextFile file;
    ASSERT_TRUE(file.open(writeTempFile("lines.txt", c.bytes).c_str(), "r"));
    std::string line;
    for (const std::string& expected : c.lines) {
      ASSERT_TRUE(file.readLine(line));
      EXPECT_EQ(line, expected);
    }
    EXPECT_FALSE(file.readLine(line));
  }
  setLogStream(quiet);
}

TEST(TextFile, PrintFormatsToTheStream) {
  FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  {
    TextFile file(stream);
    file.print("%s=%03d", "n", 7);
    file.putChar(' ');
    file.putString("done\n");
    file.flush();
  }
  EXPECT_EQ(readWholeFile(stream), "n=007 done\n");
  std::fclose(stream);  // not owned by the TextFile
}

TEST(Ini, LineRules) {
  const std::string longValue(300, 'v');
  struct Case {
    const char* name;
    std::string text;
    const char* key;
    const char* expected;  // nullptr: the key is absent
  };
  const Case cases[] = {
      {"later line wins", "book.file=mybook.bbk\nbook.file=other.bbk\n", "book.file", "other.bbk"},
      {"empty value ignored", "book.file=\n", "book.file", nullptr},
      {"spaces trimmed", "book.file =  x.bbk  \n", "book.file", "x.bbk"},
      {"only spaces are trimmed", "a=\tx\t\n", "a", "\tx\t"},
      {"value of spaces is stored empty", "a=   \n", "a", ""},
      {"empty key", "=x\n", "", "x"},
      {"comment", "#book.file=x\n", "#book.file", nullptr},
      {"indented hash is no comment", "  #a=x\n", "#a", "x"},
      {"no equals sign", "book.file x\n", "book.file x", nullptr},
      {"first equals splits", "a=b=c # d\n", "a", "b=c # d"},
      {"keys are case-sensitive", "Book.File=x\n", "book.file", nullptr},
      {"long line", "k=" + longValue + "\n", "k", longValue.c_str()},
      {"last line without end", "a=1\r\nb=2", "b", "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ini ini;
    ASSERT_TRUE(ini.load(writeTempFile("case.ini", c.text).c_str()));
    const char* value = ini.get(c.key, nullptr);
    if (!c.expected) {
      EXPECT_EQ(value, nullptr);
    } else {
      ASSERT_NE(value, nullptr);
      EXPECT_STREQ(value, c.expected);
    }
  }
}

TEST(Ini, RepeatedKeyKeepsFirstPositionInDump) {
  Ini ini;
  ASSERT_TRUE(ini.load(writeTempFile("order.ini", "a=1\nb=2\na=3\n").c_str()));
  ini.set("c", "4");
  EXPECT_EQ(ini.size(), 3u);
  EXPECT_EQ(ini.getString("missing", nullptr), "");
  EXPECT_EQ(ini.getString("missing", "dflt"), "dflt");
  testing::internal::CaptureStdout();
  ini.dump();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "a=3\nb=2\nc=4\n");
}

TEST(Ini, MissingFileIsNotLoaded) {
  Ini ini;
  EXPECT_FALSE(ini.load((testing::TempDir() + "no-such-dir/vireo.ini").c_str()));
  EXPECT_EQ(ini.size(), 0u);
}

TEST(Log, TrafficLinesAreTimeStampedAndDroppedWhenTheLogIsOff) {
  FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  FILE* previous = setLogStream(stream);
  EXPECT_TRUE(logStreamOpen());
  logTraffic("<--", "uciok");
  logTraffic(nullptr, nullptr);
  logInfo("info %i\n", 1);
  logDebug("debug %i\n", 2);
  setLogStream(nullptr);
  EXPECT_FALSE(logStreamOpen());
  logInfo("dropped\n");
  logTraffic("dropped", "");
  setLogStream(previous);

  const std::string text = readWholeFile(stream);
  std::fclose(stream);
  const std::string stamped[] = {":<--uciok\n", ":?\n"};
  size_t at = 0;
  for (const std::string& tail : stamped) {
    ASSERT_GE(text.size(), at + 10 + tail.size()) << text;
    for (size_t d = at; d < at + 10; ++d) EXPECT_TRUE(isdigit(text[d])) << text;
    EXPECT_EQ(text.substr(at + 10, tail.size()), tail);
    at += 10 + tail.size();
  }
  EXPECT_EQ(text.substr(at), "info 1\ndebug 2\n");
}

// Runs in a child process: it reopens standard error for good.
TEST(LogDeathTest, UciModeAppendsStandardErrorToTheErrorLog) {
  const std::string dir = testing::TempDir();
  std::remove((dir + "vireo-1.0-error.log").c_str());
  for (const char* message : {"first run\n", "second run\n"}) {
    EXPECT_EXIT(
        {
          if (chdir(dir.c_str()) != 0) std::_Exit(2);
          redirectForUci();
          logInfo("must not appear\n");
          std::fputs(message, stderr);
          std::fflush(stderr);
          std::_Exit(logStreamOpen() ? 3 : 0);
        },
        testing::ExitedWithCode(0), "");
  }
  std::ifstream log(dir + "vireo-1.0-error.log");
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "first run\nsecond run\n");
}

// A message written just before the process dies (an abort, or a GUI that
// kills the engine) must already be in the file.
TEST(LogDeathTest, ErrorLogIsUnbuffered) {
  const std::string dir = testing::TempDir() + "vireo-unbuffered/";
  mkdir(dir.c_str(), 0755);
  std::remove((dir + "vireo-1.0-error.log").c_str());
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) std::_Exit(2);
        redirectForUci();
        std::fputs("last words\n", stderr);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  std::ifstream log(dir + "vireo-1.0-error.log");
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "last words\n");
}

// A folder where the error log cannot be created (here a directory of that
// name stands in the way) leaves standard error usable; the log is off all
// the same.
TEST(LogDeathTest, StandardErrorSurvivesAnErrorLogThatCannotBeOpened) {
  const std::string dir = testing::TempDir() + "vireo-no-log/";
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "vireo-1.0-error.log").c_str(), 0755);
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) std::_Exit(2);
        redirectForUci();
        std::fputs("still on standard error\n", stderr);
        std::_Exit(logStreamOpen() ? 3 : 0);
      },
      testing::ExitedWithCode(0), "still on standard error");
}

}  // namespace
}  // namespace vireo
