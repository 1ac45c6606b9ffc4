// Runs a program as a user would from a shell: its arguments, a working folder, a private
// settings folder, and what it wrote on standard output and error with its exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace console_test {

struct program_result {
  std::string out;
  std::string err;
  int exit_code = -1;  // 0-255 as the shell sees it; -1 when the program did not end normally
  int signal = 0;      // the signal that ended the program, if one did
  std::string log;     // run_vdyagent_logged only: the run's log file
};

// Runs `program` with `args` in `folder` (the current folder when empty), with standard input
// empty. XDG_CONFIG_HOME points into `folder`, so no run reads or writes the user's settings.
program_result run(const std::string& program, const std::vector<std::string>& args, const std::string& folder = "");

// As run, but sends `signal` to the program once `ready` answers true (asked every 20 ms while
// the program runs): a user's Ctrl+C or a kill at a chosen moment.
program_result run_signalled(const std::string& program, const std::vector<std::string>& args,
                             const std::string& folder, const std::function<bool()>& ready, int signal);

// VDYAGENT of this build, in `folder` or else in a fresh temporary folder.
program_result run_vdyagent(const std::vector<std::string>& args, const std::string& folder = "");

// As run_vdyagent in a fresh folder, with a log file whose text comes back in `log`: a silent
// run prints nothing, so its log is what says why it failed.
program_result run_vdyagent_logged(std::vector<std::string> args);

}  // namespace console_test
