#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace test_env {

std::string testdata_dir() {
  if (const char* env = std::getenv("OSTRELLE_TESTDATA"); env && *env) return env;
  return OSTRELLE_DEFAULT_TESTDATA;
}

std::string testdata_path(const std::string& relative) {
  fs::path path = fs::path(testdata_dir()) / relative;
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    throw missing_input("test data missing: looked for " + path.string() +
                        " (set OSTRELLE_TESTDATA or OSTRELLE_TESTDATA_DIR to the testdata folder)");
  }
  return fs::absolute(path, ec).string();
}

namespace {

// The KEY=VALUE lines the server script writes into its state folder.
std::map<std::string, std::string> server_state_file() {
  std::map<std::string, std::string> values;
  const char* build = std::getenv("OSTRELLE_BUILD_DIR");
  if (build == nullptr || *build == '\0') return values;
  std::ifstream in(fs::path(build) / "test-server" / "env");
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

}  // namespace

server_address test_server() {
  server_address a;
  const std::map<std::string, std::string> state =
      std::getenv("OSTRELLE_TEST_MYSQL_HOST") ? std::map<std::string, std::string>() : server_state_file();
  auto get = [&state](const char* name) {
    if (const char* v = std::getenv(name)) return std::string(v);
    const auto it = state.find(name);
    return it == state.end() ? std::string() : it->second;
  };
  a.host = get("OSTRELLE_TEST_MYSQL_HOST");
  a.user = get("OSTRELLE_TEST_MYSQL_USER");
  a.password = get("OSTRELLE_TEST_MYSQL_PASSWORD");
  a.socket = get("OSTRELLE_TEST_MYSQL_SOCKET");
  std::string port = get("OSTRELLE_TEST_MYSQL_PORT");
  a.port = port.empty() ? 0u : static_cast<unsigned>(std::stoul(port));
  if (a.host.empty()) {
    throw missing_input(
        "no private test server: OSTRELLE_TEST_MYSQL_HOST is not set and "
        "$OSTRELLE_BUILD_DIR/test-server/env is missing (run the test through ctest, "
        "which starts the server)");
  }
  return a;
}

std::vector<access_file> access_files() {
  std::ifstream in(OSTRELLE_ACCESS_FILES_TABLE);
  if (!in) throw missing_input("cannot read the table of test files " OSTRELLE_ACCESS_FILES_TABLE);
  std::vector<access_file> files;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    access_file f;
    std::string speed;
    fields >> f.path >> f.password >> f.reference >> speed;
    if (speed.empty() || (f.reference != "mdbtools" && f.reference != "own" && f.reference != "expected") ||
        (speed != "quick" && speed != "heavy")) {
      throw missing_input(std::string(OSTRELLE_ACCESS_FILES_TABLE) + ":" + std::to_string(number) +
                          ": expected PATH PASSWORD|- mdbtools|own|expected quick|heavy, got: " + line);
    }
    if (f.password == "-") f.password.clear();
    f.heavy = speed == "heavy";
    files.push_back(f);
  }
  return files;
}

namespace {
std::mutex temp_mutex;
std::vector<fs::path>& temp_dirs() {
  static std::vector<fs::path> dirs;
  return dirs;
}
void remove_temp_dirs() {
  std::error_code ec;
  for (const auto& d : temp_dirs()) fs::remove_all(d, ec);
}
}  // namespace

std::string make_temp_dir() {
  std::lock_guard lock(temp_mutex);
  std::string pattern = (fs::temp_directory_path() / "ostrelle-test-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) {
    ADD_FAILURE() << "cannot create a temporary folder from " << pattern;
    return {};
  }
  if (temp_dirs().empty()) std::atexit(remove_temp_dirs);
  temp_dirs().emplace_back(buf.data());
  return buf.data();
}

}  // namespace test_env
