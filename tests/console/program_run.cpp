// Runs a program and collects its output.
#include "tests/console/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/support/test_env.h"

namespace console_test {

namespace {

// Reads both pipes to their ends; `tick` (when given) is called every 20 ms meanwhile.
void drain(int fds[2], std::string* sinks[2], const std::function<void()>& tick) {
  pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (tick) tick();
    if (::poll(p, 2, tick ? 20 : -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("poll failed");
    }
    for (int i = 0; i < 2; ++i) {
      if (p[i].fd < 0 || p[i].revents == 0) continue;
      const ssize_t n = ::read(p[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(p[i].fd);
        p[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

program_result run_signalled(const std::string& program, const std::vector<std::string>& args,
                             const std::string& folder, const std::function<bool()>& ready, int signal) {
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0 || ::pipe2(in_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  std::vector<std::string> argv_text{program};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(in_pipe[0], 0);
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    if (!folder.empty()) {
      if (::chdir(folder.c_str()) != 0) ::_exit(126);
      ::setenv("XDG_CONFIG_HOME", (folder + "/.config").c_str(), 1);
    }
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ::close(in_pipe[1]);

  program_result result;
  int fds[2] = {out_pipe[0], err_pipe[0]};
  std::string* sinks[2] = {&result.out, &result.err};
  bool sent = false;
  std::function<void()> tick;
  if (ready) {
    tick = [&] {
      if (!sent && ready()) sent = ::kill(pid, signal) == 0;
    };
  }
  drain(fds, sinks, tick);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

program_result run(const std::string& program, const std::vector<std::string>& args, const std::string& folder) {
  return run_signalled(program, args, folder, nullptr, 0);
}

program_result run_vdyagent(const std::vector<std::string>& args, const std::string& folder) {
  return run(VDYAGENT_PATH, args, folder.empty() ? test_env::make_temp_dir() : folder);
}

program_result run_vdyagent_logged(std::vector<std::string> args) {
  const std::string folder = test_env::make_temp_dir();
  const std::string log = folder + "/run.log";
  args.push_back("--logfile=" + log);
  program_result r = run_vdyagent(args, folder);
  std::ifstream in(log, std::ios::binary);
  r.log.assign(std::istreambuf_iterator<char>(in), {});
  return r;
}

}  // namespace console_test
