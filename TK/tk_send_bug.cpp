// The bug-report mail through xdg-email, started with an argument vector: the body holds error
// text, which must never reach a shell.
#include "TK/tk_send_bug.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

#include "TK/tk_logger.h"

extern char** environ;

void tk_send_bug(const std::string& subject_suffix, const std::string& body) {
  tk_log1(tk_log_detail, "tk_send_bug(%s|%s)", subject_suffix.c_str(), body.c_str());
  std::vector<std::string> args = {"xdg-email", "--utf8", "--subject",       "Bug report on " + subject_suffix,
                                   "--body",    body,     tk_support_address};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    tk_log1(tk_log_detail, "Failed to locate xdg-email");
    return;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      tk_log1(tk_log_detail, "xdg-email returns %d", -1);
      return;
    }
  }
  int result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  tk_log1(tk_log_detail, "xdg-email returns %d", result);
}
