// A MariaDB server of one test's own, started with options of its choice, that the test may
// freeze (SIGSTOP), thaw or kill while a conversion talks to it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace test_env {

class own_server {
 public:
  // Starts the server with the mariadbd options; fails the current test when it cannot.
  explicit own_server(const std::vector<std::string>& options);
  // Thaws a frozen server, then stops it and removes its data.
  ~own_server();

  own_server(const own_server&) = delete;
  own_server& operator=(const own_server&) = delete;

  bool started() const { return pid_ > 0; }
  const server_address& address() const { return address_; }
  void freeze();
  void thaw();
  // SIGKILL, as a crash or an administrator would end it.
  void kill();

 private:
  std::string state_;
  pid_t pid_ = -1;
  server_address address_;
};

}  // namespace test_env
