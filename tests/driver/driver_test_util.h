// Helpers of the driver tests: a front end that records what the engine shows, and a fresh
// per-user settings store for each test.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "common/front_end.h"
#include "tests/support/test_env.h"

// Records every call; answers kind-0 reports with `answer`.
class recording_front_end : public conversion_front_end {
 public:
  void write_log(const std::wstring& line) override { log.push_back(line); }
  void write_warning(const std::wstring& line) override { warnings.push_back(line); }
  void run_started() override { ++runs_started; }
  void run_ended() override { ++runs_ended; }
  void internal_error(const std::string& text) override { internal.push_back(text); }
  error_decision report_error(tk_exception_kind kind, const std::string& report, bool silent) override {
    reports.push_back({kind, report, silent});
    return answer;
  }
  void engine_required(const std::string& text, const std::string&, const std::string&) override {
    required.push_back(text);
  }
  void run_failed(const std::string& text) override { failures.push_back(text); }

  struct report {
    tk_exception_kind kind;
    std::string text;
    bool silent;
  };
  error_decision answer;
  std::vector<std::wstring> log, warnings;
  std::vector<std::string> internal, required, failures;
  std::vector<report> reports;
  int runs_started = 0, runs_ended = 0;
};

// Points the per-user settings store at a new empty folder.
inline std::string fresh_config_home() {
  std::string home = test_env::make_temp_dir();
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  return home;
}

inline std::wstring widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }
