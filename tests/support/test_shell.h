// Running shell commands from tests: quoting for /bin/sh and what a command wrote on standard
// output.
#pragma once

#include <string>

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

}  // namespace test_env
