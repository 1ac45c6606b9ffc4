// Running shell commands from tests.
#include "tests/support/test_shell.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace test_env {

std::string shell_quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

shell_result run_shell(const std::string& command) {
  shell_result result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  result.status = ::pclose(pipe);
  return result;
}

std::string checked_output(const std::string& command) {
  shell_result r = run_shell(command);
  if (r.status == -1)
    ADD_FAILURE() << "cannot run: " << command;
  else if (r.status != 0)
    ADD_FAILURE() << "failed: " << command;
  return std::move(r.out);
}

}  // namespace test_env
