// The README's table of exit codes against the program: every case the table names is run, and
// every run must end with the code of the row that names it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/console/altered_access_file.h"
#include "tests/console/fraction_access_file.h"
#include "tests/console/mysql_client.h"
#include "tests/console/program_run.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

// The cases of each code: the README row's text after its first ": ", split at "; ".
std::map<int, std::vector<std::string>> readme_exit_cases() {
  std::ifstream in(OSTRELLE_README_PATH);
  std::map<int, std::vector<std::string>> cases;
  std::string line;
  bool in_table = false;
  while (std::getline(in, line)) {
    if (line.starts_with("Exit codes of VDYAGENT")) in_table = true;
    if (!in_table) continue;
    if (line.empty() && !cases.empty()) break;
    if (!line.starts_with("| ") || line.starts_with("| code")) continue;
    const std::size_t code_end = line.find(" | ", 2);
    if (code_end == std::string::npos || !line.ends_with(" |")) continue;
    const std::string code = line.substr(2, code_end - 2);
    const std::string meaning = line.substr(code_end + 3, line.size() - code_end - 5);
    const std::size_t colon = meaning.find(": ");
    if (colon == std::string::npos) continue;
    std::vector<std::string>& list = cases[std::stoi(code)];
    std::istringstream parts(meaning.substr(colon + 2));
    for (std::string part; std::getline(parts, part, ';');)
      if (!part.empty()) list.push_back(part.substr(part.front() == ' ' ? 1 : 0));
  }
  return cases;
}

std::string write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct exit_case {
  int code;
  std::string readme_case;  // as the README's row names it
  std::vector<std::string> args;
};

TEST(VdyagentExitCodes, EveryCaseOfTheReadmeTable) {
  const std::map<int, std::vector<std::string>> readme = readme_exit_cases();
  ASSERT_EQ(readme.size(), 4u) << "the README's exit-code table was not found";
  const test_env::server_address server = test_env::test_server();
  test_env::server_address wrong = server;
  wrong.password += "-wrong";
  const std::string nwind = test_env::testdata_path("access/real/nwind.mdb");
  const std::string encrypted = test_env::testdata_path("access/encrypted/db2007-enc.accdb");
  const std::string files = test_env::make_temp_dir();
  const std::string text_file = write_file(files + "/plain.txt", "not an Access file\n");
  const std::string names = write_file(files + "/names.txt", "Shippers\nNo Such Table\n");
  const std::string bad_profile = write_file(files + "/bad.vdy", "src=before any section\r\n");
  const std::vector<std::string> dump = {"--src=" + nwind, "--dump", "--dest=x.sql"};
  const std::vector<std::string> live = with({"--src=" + nwind}, server_options(server));

  const std::vector<exit_case> cases = {
      {0, "a conversion with nothing lost, skipped or changed", dump},
      {0, "`--help` (the usage text on standard output)", {"--help"}},
      {1, "a source that does not exist or is not an Access database", {"--src=nosuch.mdb", "--dump", "--dest=x.sql"}},
      {1,
       "a source that does not exist or is not an Access database",
       {"--src=" + text_file, "--dump", "--dest=x.sql"}},
      {1, "a wrong Access password", {"--src=" + encrypted, "--accp=wrong", "--dump", "--dest=x.sql"}},
      {1, "a server that cannot be reached", {"--src=" + nwind, "--dest=e2e_x", "--mysqlh=127.0.0.1", "--port=1"}},
      {1, "a wrong MySQL user or password", with({"--src=" + nwind, "--dest=e2e_x"}, server_options(wrong))},
      {1, "a destination database the server refuses to replace or create", with(live, {"--dest=information_schema"})},
      {2, "a value MySQL has no form for", {"--src=" + access_file_with_nan(files), "--dump", "--dest=x.sql"}},
      {2,
       "an attachment not in the form Access stores files in",
       {"--src=" + access_file_with_damaged_attachment(files), "--dump", "--dest=x.sql"}},
      {2,
       "a calculated value whose ResultType names no known type",
       {"--src=" + access_file_with_unknown_result_type(files), "--dump", "--dest=x.sql"}},
      {2, "a name in the table-names file that the source lacks", with(dump, {"--tab_file=" + names})},
      {2,
       "a date or time whose fraction of a second was dropped",
       {"--src=" + access_file_with_fractions(files), "--dump", "--dest=x.sql"}},
      {255, "no arguments", {}},
      {255, "a positional argument", with(dump, {"extra"})},
      {255, "an unknown option or an invalid value", with(dump, {"--nosuch"})},
      {255, "an unknown option or an invalid value", with(dump, {"--mode=5"})},
      {255, "no source or no destination", {"--dump", "--dest=x.sql"}},
      {255, "no source or no destination", {"--src=" + nwind, "--dump"}},
      {255, "a table-names file that does not exist, is a folder or cannot be read", with(dump, {"--tab_file=no.txt"})},
      {255, "a table-names file that does not exist, is a folder or cannot be read",
       with(dump, {"--tab_file=" + files})},
      // A plain file that reading fails on, whoever runs the test.
      {255, "a table-names file that does not exist, is a folder or cannot be read",
       with(dump, {"--tab_file=/proc/self/mem"})},
      {255, "a profile that does not exist or does not load", {"--profile=nosuch.vdy"}},
      {255, "a profile that does not exist or does not load", with(dump, {"--profile=" + bad_profile})},
      {255, "a log file in a folder that does not exist, or one that names a folder",
       with(dump, {"--logfile=" + files + "/no/run.log"})},
      {255, "a log file in a folder that does not exist, or one that names a folder",
       with(dump, {"--logfile=" + files})},
      {255, "a workgroup file that is not one", with(dump, {"--sysdb=" + text_file})},
      {255, "a character set or storage engine MySQL does not know", with(dump, {"--charset=klingon"})},
      {255, "a character set or storage engine MySQL does not know", with(live, {"--dest=e2e_x", "--engine=nosuch"})},
      {255, "a database name MySQL does not take", with(live, {"--dest=bad`name"})},
      {255,
       "a dump file in a folder that does not exist, or one that names a folder",
       {"--src=" + nwind, "--dump", "--dest=" + files + "/no/x.sql"}},
      {255,
       "a dump file in a folder that does not exist, or one that names a folder",
       {"--src=" + nwind, "--dump", "--dest=" + files}},
      {255, "an internal error", std::vector<std::string>(21, "x")},
  };

  std::set<std::pair<int, std::string>> run;
  for (const exit_case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + ": " + c.readme_case);
    const auto row = readme.find(c.code);
    ASSERT_NE(row, readme.end());
    EXPECT_NE(std::find(row->second.begin(), row->second.end(), c.readme_case), row->second.end())
        << "the README's row for this code does not name the case";
    const program_result r = run_vdyagent(c.args);
    EXPECT_EQ(r.exit_code, c.code) << "stdout:\n" << r.out << "stderr:\n" << r.err;
    run.insert({c.code, c.readme_case});
  }
  for (const auto& [code, named] : readme)
    for (const std::string& c : named) EXPECT_TRUE(run.count({code, c})) << "no run for " << code << ": " << c;
}

}  // namespace
}  // namespace console_test
