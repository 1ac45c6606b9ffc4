// The log file: levels and threshold, emptying on first use, wide text as UTF-8, long lines cut.
#include "TK/tk_logger.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win/last_error.h"
#include "tests/support/test_env.h"
#include "tests/tk/tk_test_util.h"

namespace {

TEST(Logger, LevelsAgainstThreshold) {
  struct Case {
    int level;
    bool written;
  } cases[] = {{1, false}, {2, false}, {3, true}, {4, true}};
  for (const auto& c : cases) {
    std::string file = test_env::make_temp_dir() + "/run.log";
    tk_logger logger(file.c_str(), true, 3, false);
    tk_log1(c.level, "line %d", c.level);
    EXPECT_EQ(c.written ? "line " + std::to_string(c.level) + "\r\n" : "", read_file(file)) << c.level;
  }
}

TEST(Logger, NothingHappensWithoutALoggerOrWhileDisabled) {
  std::string file = test_env::make_temp_dir() + "/run.log";
  tk_log1(3, "no logger");
  tk_log2(3, L"no logger");
  {
    tk_logger logger(file.c_str(), false, 3, false);
    tk_log1(3, "disabled");
    EXPECT_FALSE(file_exists(file));
  }
  tk_log1(3, "destroyed");
  EXPECT_FALSE(file_exists(file));
}

TEST(Logger, ArgumentsOfALineNotWrittenAreNotEvaluated) {
  // Log calls sit on paths run once a row: with logging off they must not format anything.
  struct Case {
    const char* what;
    bool exists;
    bool enabled;
    int level;
    int evaluated;
  } cases[] = {
      {"no logger", false, false, 3, 0},
      {"disabled", true, false, 3, 0},
      {"below the threshold", true, true, 2, 0},
      {"at the threshold", true, true, 3, 2},
  };
  for (const auto& c : cases) {
    std::string file = test_env::make_temp_dir() + "/run.log";
    int evaluated = 0;
    auto argument = [&evaluated] {
      ++evaluated;
      return 1;
    };
    std::optional<tk_logger> logger;
    if (c.exists) logger.emplace(file.c_str(), c.enabled, 3, false);
    tk_log1(3, "first");  // the file is emptied on the first call, whatever its level
    evaluated = 0;
    tk_log1(c.level, "%d", argument());
    tk_log2(c.level, L"%d", argument());
    EXPECT_EQ(c.evaluated, evaluated) << c.what;
  }
}

TEST(Logger, ASecondLoggerLeavesTheFirstAsItWas) {
  // Only the registered logger is written to, so only its settings and its lifetime may decide
  // which lines are wanted; a second one (a nested engine's) comes and goes without a trace.
  struct Case {
    const char* what;
    bool enabled;
    std::uint32_t threshold;
    bool enable_later;
  } cases[] = {
      {"disabled", false, 3, false},
      {"enabled, lower threshold", true, 1, false},
      {"enabled, higher threshold", true, 4, false},
      {"enabled after it was made", false, 1, true},
  };
  for (const auto& c : cases) {
    const std::string dir = test_env::make_temp_dir();
    const std::string first_file = dir + "/first.log";
    const std::string second_file = dir + "/second.log";
    tk_logger first(first_file.c_str(), true, 3, false);
    {
      tk_logger second(second_file.c_str(), c.enabled, c.threshold, false);
      if (c.enable_later) second.enable();
      tk_log1(2, "below");
      tk_log1(3, "during");
    }
    tk_log1(2, "below");
    tk_log1(3, "after");
    EXPECT_EQ("during\r\nafter\r\n", read_file(first_file)) << c.what;
    EXPECT_EQ("", file_exists(second_file) ? read_file(second_file) : std::string()) << c.what;
  }
}

TEST(Logger, FirstEnabledCallEmptiesTheFileOnce) {
  std::string file = test_env::make_temp_dir() + "/run.log";
  std::ofstream(file) << "old run\r\n";
  tk_logger logger(nullptr, false, 3, false);
  logger.set_file_name(file.c_str());
  logger.enable();
  tk_log1(1, "below threshold");  // empties the file, writes nothing
  EXPECT_EQ("", read_file(file));
  tk_log1(3, "a");
  tk_log1(3, "b\r\n");  // a format ending in CR LF leaves an empty line
  EXPECT_EQ("a\r\nb\r\n\r\n", read_file(file));
  EXPECT_THROW(logger.set_file_name(nullptr), tk_mail_assertion);
}

TEST(Logger, WideTextIsStoredAsUtf8AndNarrowAsFormatted) {
  std::string file = test_env::make_temp_dir() + "/run.log";
  tk_logger logger(file.c_str(), true, 3, false);
  tk_log2(3, L"Table '%ls' %d", L"Ums\u00E4tze \u4E2D\U0001F600", 7);
  tk_log1(3, "bytes \xFF\xFE %s", "x");
  EXPECT_EQ("Table 'Ums\xC3\xA4tze \xE4\xB8\xAD\xF0\x9F\x98\x80' 7\r\nbytes \xFF\xFE x\r\n", read_file(file));
}

TEST(Logger, EmptyFormattedTextIsAnEmptyLineNotTheFormat) {
  std::string file = test_env::make_temp_dir() + "/run.log";
  tk_logger logger(file.c_str(), true, 3, false);
  tk_log1(3, "%s", "");
  tk_log2(3, L"%ls", L"");
  tk_log1(3, "%s|", "");
  EXPECT_EQ("\r\n\r\n|\r\n", read_file(file));
}

TEST(Logger, OverlongWideLineIsCutOnACharacterBoundary) {
  struct Case {
    std::wstring text;
    std::size_t bytes;
  } cases[] = {
      {std::wstring(20000, L'x'), tk_logger::max_line},
      // 3 bytes a character: 10239 bytes would split the 3414th character.
      {std::wstring(5000, L'\u4E2D'), 3413 * 3},
  };
  for (const auto& c : cases) {
    std::string file = test_env::make_temp_dir() + "/run.log";
    tk_logger logger(file.c_str(), true, 3, false);
    tk_log2(3, L"%ls", c.text.c_str());
    std::string got = read_file(file);
    ASSERT_EQ(c.bytes + 2, got.size());
    EXPECT_EQ("\r\n", got.substr(got.size() - 2));
  }
}

TEST(Logger, TimeStampAndDefaultFileName) {
  std::string file = test_env::make_temp_dir() + "/run.log";
  tk_logger logger(file.c_str(), true, 1, true);
  tk_log1(1, "stamped");
  std::string got = read_file(file);
  ASSERT_EQ(9u + 7 + 2, got.size());
  EXPECT_EQ(':', got[2]);
  EXPECT_EQ(' ', got[8]);
  std::string name = tk_logger::get_default_file_name();
  EXPECT_EQ("/tk_test.log", name.substr(name.rfind('/')));
}

TEST(Logger, WritingDoesNotChangeTheLastError) {
  std::string file = test_env::make_temp_dir() + "/run.log";
  tk_logger logger(file.c_str(), true, 1, false);
  SetLastError(ERROR_ACCESS_DENIED);
  tk_log1(3, "x");
  tk_log2(3, L"y");
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
}

}  // namespace
