// The option walker on its own: whole-name matching against the real option table, unknown
// options, positional arguments and the misuse that is an internal error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "console/cmd_options.h"
#include "console/tk_cmdli.h"

namespace {

struct walked {
  std::vector<std::pair<std::int32_t, std::string>> options;  // id and value, in order
  std::vector<std::string> positional;
};

walked walk(std::vector<std::string> args) {
  args.insert(args.begin(), "VDYAGENT");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  walked result;
  ansi_cmd_line line(static_cast<int>(args.size()), argv.data(), cmd_options);
  for (; line.has_more(); line.next())
    if (line.id() != cmd_positional) result.options.emplace_back(line.id(), line.value());
  for (std::uint32_t i = 0; i < line.positional_count(); ++i) result.positional.emplace_back(line.positional(i));
  return result;
}

TEST(CmdLineWalker, MatchesOptionsByTheirWholeNames) {
  struct row {
    std::string argument;
    std::int32_t id;    // cmd_positional: the argument is positional
    std::string value;  // of cmd_unknown: the whole argument
  } rows[] = {
      {"--src=C:\\db\\nwind.mdb", opt_src, "C:\\db\\nwind.mdb"},
      {"--dest=", opt_dest, ""},
      {"--mysqlp=a=b", opt_mysqlp, "a=b"},
      {"--dump", opt_dump, ""},
      {"--dump=no", opt_dump, "=no"},
      {"--skip_idx=0", opt_skip_idx, "=0"},
      {"--dumpster", cmd_unknown, "--dumpster"},
      {"--dumpgarbage", cmd_unknown, "--dumpgarbage"},
      {"--silently", cmd_unknown, "--silently"},
      {"--queries_x", cmd_unknown, "--queries_x"},
      {"--tab_file=names.txt", opt_tab_file, "names.txt"},
      {"--tab_def", opt_tab_def, ""},
      {"--uglp=", opt_uglp, ""},
      {"--src", cmd_unknown, "--src"},
      {"--SRC=x.mdb", cmd_unknown, "--SRC=x.mdb"},
      {"-src=x.mdb", cmd_unknown, "-src=x.mdb"},
      {"-", cmd_unknown, "-"},
      {"nwind.mdb", cmd_positional, ""},
      {"", cmd_positional, ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.argument);
    const walked w = walk({r.argument});
    if (r.id == cmd_positional) {
      EXPECT_TRUE(w.options.empty());
      ASSERT_EQ(w.positional.size(), 1u);
      EXPECT_EQ(w.positional[0], r.argument);
    } else {
      EXPECT_TRUE(w.positional.empty());
      ASSERT_EQ(w.options.size(), 1u);
      EXPECT_EQ(w.options[0].first, r.id);
      EXPECT_EQ(w.options[0].second, r.value);
    }
  }
}

TEST(CmdLineWalker, KeepsCommandLineOrderAndRepeats) {
  const walked w = walk({"--mode=1", "x", "--mode=3", "--queries", "y"});
  const std::vector<std::pair<std::int32_t, std::string>> expected = {
      {opt_mode, "1"}, {opt_mode, "3"}, {opt_queries, ""}};
  EXPECT_EQ(w.options, expected);
  EXPECT_EQ(w.positional, (std::vector<std::string>{"x", "y"}));
}

TEST(CmdLineWalker, NoArgumentsGiveNothing) {
  const walked w = walk({});
  EXPECT_TRUE(w.options.empty());
  EXPECT_TRUE(w.positional.empty());
}

TEST(CmdLineWalker, TwentyPositionalArgumentsAreKeptTheTwentyFirstIsAnInternalError) {
  EXPECT_EQ(walk(std::vector<std::string>(20, "p")).positional.size(), 20u);
  try {
    walk(std::vector<std::string>(21, "p"));
    FAIL() << "no internal error";
  } catch (const tk_mail_assertion& e) {
    EXPECT_EQ(e.kind(), tk_kind_internal);
  }
}

TEST(CmdLineWalker, ReadingPastTheEndIsAnInternalError) {
  char program[] = "VDYAGENT";
  char* argv[] = {program, nullptr};
  ansi_cmd_line line(1, argv, cmd_options);
  EXPECT_FALSE(line.has_more());
  EXPECT_THROW(line.next(), tk_mail_assertion);
  EXPECT_THROW(line.id(), tk_mail_assertion);
  EXPECT_THROW(line.value(), tk_mail_assertion);
}

TEST(CmdLineOptions, ModeIsOneOfTheDigitsZeroToFour) {
  struct row {
    const char* text;
    bool ok;
    std::uint32_t mode;
  } rows[] = {{"0", true, 0},   {"3", true, 3},   {"4", true, 4},          {"5", false, 0},
              {"03", false, 0}, {" 3", false, 0}, {"+3", false, 0},        {"-1", false, 0},
              {"", false, 0},   {"3x", false, 0}, {"4294967299", false, 0}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    std::uint32_t mode = 99;
    EXPECT_EQ(parse_mode(r.text, mode), r.ok);
    if (r.ok) {
      EXPECT_EQ(mode, r.mode);
    }
  }
}

TEST(CmdLineOptions, LogTextHidesPasswords) {
  struct row {
    const char* argument;
    const char* logged;
  } rows[] = {{"--mysqlp=secret", "--mysqlp=***"}, {"--accp=Test123", "--accp=***"},
              {"--uglp=pw", "--uglp=***"},         {"--mysqlp=", "--mysqlp="},
              {"--mysqlu=root", "--mysqlu=root"},  {"--src=--accp=x", "--src=--accp=x"}};
  for (const row& r : rows) EXPECT_EQ(cmd_log_text(r.argument), r.logged) << r.argument;
}

}  // namespace
