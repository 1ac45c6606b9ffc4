// A command line of VDYAGENT with what it must write and return, checked by running the program.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/console/program_run.h"

namespace console_test {

// An expected text: exactly `text`, or only its beginning when `prefix` is set.
struct expected_text {
  std::string text;
  bool prefix = false;
};
inline expected_text starts(const std::string& text) { return {text, true}; }
inline expected_text exactly(const std::string& text) { return {text, false}; }

struct cmdline_case {
  std::string what;
  std::vector<std::string> args;
  expected_text out;
  expected_text err;
  int exit_code;
};

inline void expect_text(const std::string& actual, const expected_text& expected, const char* stream) {
  if (expected.prefix)
    EXPECT_EQ(actual.substr(0, expected.text.size()), expected.text) << stream << " was:\n" << actual;
  else
    EXPECT_EQ(actual, expected.text) << stream;
}

// Runs each case in a fresh folder and compares standard output, standard error and exit code.
inline void check_cases(const std::vector<cmdline_case>& cases) {
  for (const cmdline_case& c : cases) {
    SCOPED_TRACE(c.what);
    const program_result r = run_vdyagent(c.args);
    expect_text(r.out, c.out, "stdout");
    expect_text(r.err, c.err, "stderr");
    EXPECT_EQ(r.exit_code, c.exit_code) << "stdout:\n" << r.out << "stderr:\n" << r.err;
  }
}

}  // namespace console_test
