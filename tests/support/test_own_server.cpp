// A test's own MariaDB server, through the same script as the shared private server.
#include "tests/support/test_own_server.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "tests/support/test_shell.h"

namespace test_env {

namespace {

std::string script() { return std::string(OSTRELLE_TEST_SUPPORT_DIR) + "/test_server.sh"; }

}  // namespace

own_server::own_server(const std::vector<std::string>& options) : state_(make_temp_dir()) {
  std::string command = shell_quote(script()) + " start " + shell_quote(state_);
  for (const std::string& option : options) command += " " + shell_quote(option);
  // The server keeps the script's output open: it goes to a file, never to a pipe read here.
  const std::string log = state_ + "/start.log";
  const shell_result started = run_shell(command + " >" + shell_quote(log) + " 2>&1");
  if (started.status != 0) {
    std::ifstream text(log);
    ADD_FAILURE() << "the test's own server did not start:\n" << text.rdbuf();
    return;
  }
  std::ifstream pid_file(state_ + "/pid");
  pid_file >> pid_;
  std::ifstream env(state_ + "/env");
  for (std::string line; std::getline(env, line);) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "OSTRELLE_TEST_MYSQL_HOST") address_.host = value;
    if (key == "OSTRELLE_TEST_MYSQL_PORT") address_.port = static_cast<unsigned>(std::stoul(value));
    if (key == "OSTRELLE_TEST_MYSQL_USER") address_.user = value;
    if (key == "OSTRELLE_TEST_MYSQL_PASSWORD") address_.password = value;
    if (key == "OSTRELLE_TEST_MYSQL_SOCKET") address_.socket = value;
  }
  if (pid_ <= 0 || address_.host.empty()) ADD_FAILURE() << "the test's own server left no address";
}

own_server::~own_server() {
  if (pid_ > 0) ::kill(pid_, SIGCONT);
  run_shell(shell_quote(script()) + " stop " + shell_quote(state_) + " >/dev/null 2>&1");
}

void own_server::freeze() {
  if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void own_server::thaw() {
  if (pid_ > 0) ::kill(pid_, SIGCONT);
}

void own_server::kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

}  // namespace test_env
