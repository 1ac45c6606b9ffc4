// Where the tests find their inputs: the real Access files and the private MariaDB server.
// A test that needs one of them and does not find it fails and says where it looked.
#pragma once

#include <string>

namespace test_env {

// Absolute path of a file below the test-data folder, e.g. "access/real/nwind.mdb".
// Fails the current test (ADD_FAILURE) when the file is missing, naming the folder searched.
std::string testdata_path(const std::string& relative);

// The test-data folder: $OSTRELLE_TESTDATA, else the folder chosen when the build was configured.
std::string testdata_dir();

// The running private server, as the ctest fixture exported it.
struct server_address {
  std::string host;
  unsigned port = 0;
  std::string user;
  std::string password;
  std::string socket;
};

// Fails the current test (ADD_FAILURE) and answers an empty host when no server is running.
server_address test_server();

// A fresh empty folder below the system's temporary folder, removed at process exit.
std::string make_temp_dir();

}  // namespace test_env
