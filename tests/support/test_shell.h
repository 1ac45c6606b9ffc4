// Running shell commands from tests: quoting, standard output, and the mdbtools programs' list
// of tables, which many tests take as the independent answer to "which tables are there".
#pragma once

#include <string>
#include <vector>

namespace test_env {

// `text` in single quotes for /bin/sh, a quote inside written as '\''.
std::string shell_quote(const std::string& text);

// What a shell command wrote on standard output, with its status as pclose answers it (-1 when
// it could not be started).
struct shell_result {
  std::string out;
  int status = -1;
};
shell_result run_shell(const std::string& command);

// The standard output of a command; fails the current test when it cannot run or fails.
std::string checked_output(const std::string& command);

// The user tables of an Access file as `mdb-tables -1` lists them (UTF-8, in its order). When
// mdb-tables cannot read the file (an encrypted one, say): fails the current test if `must_read`,
// else answers what it listed, usually nothing.
std::vector<std::string> mdb_tables(const std::string& file, bool must_read = true);

}  // namespace test_env
