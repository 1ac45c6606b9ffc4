// Where the tests find their inputs: the real Access files and the private MariaDB server.
// A test that needs one of them and does not find it fails and says where it looked.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace test_env {

// Thrown where a test cannot go on without its input. GoogleTest reports the text as the test's
// failure and stops that test; the next test runs.
struct missing_input : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Absolute path of a file below the test-data folder, e.g. "access/real/nwind.mdb".
// Throws missing_input when the file is missing, naming the folder searched.
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

// The address the ctest fixture exported: from the environment, or else from the server's state
// file below $OSTRELLE_BUILD_DIR (a test ctest runs one case at a time has no wrapper to export
// it). Throws missing_input when no server is running.
server_address test_server();

// One Access file of the test data with what a conversion of it must show.
struct access_file {
  std::string path;      // below the test-data folder, e.g. "access/real/nwind.mdb"
  std::string password;  // the database password; empty for none
  // What every converted value is compared with: "mdbtools" (mdb-export, and our own reader where
  // libmdb reads a value wrong), "own" (our reader alone: Office encryption is beyond mdbtools) or
  // "expected" (values the end-to-end test lists, and our reader: mdb-export misreads them).
  std::string reference;
  bool heavy = false;  // too slow for the sanitizer build: runs in the release build only
};

// The committed table tests/support/access_files.txt, in its order. Throws missing_input when
// the table cannot be read or a line is malformed.
std::vector<access_file> access_files();

// A fresh empty folder below the system's temporary folder, removed at process exit.
std::string make_temp_dir();

}  // namespace test_env
