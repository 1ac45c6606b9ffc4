#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
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
    ADD_FAILURE() << "test data missing: looked for " << path.string()
                  << " (set OSTRELLE_TESTDATA or OSTRELLE_TESTDATA_DIR to the testdata folder)";
  }
  return fs::absolute(path, ec).string();
}

server_address test_server() {
  server_address a;
  auto get = [](const char* name) {
    const char* v = std::getenv(name);
    return std::string(v ? v : "");
  };
  a.host = get("OSTRELLE_TEST_MYSQL_HOST");
  a.user = get("OSTRELLE_TEST_MYSQL_USER");
  a.password = get("OSTRELLE_TEST_MYSQL_PASSWORD");
  a.socket = get("OSTRELLE_TEST_MYSQL_SOCKET");
  std::string port = get("OSTRELLE_TEST_MYSQL_PORT");
  a.port = port.empty() ? 0u : static_cast<unsigned>(std::stoul(port));
  if (a.host.empty()) {
    ADD_FAILURE() << "no private test server: OSTRELLE_TEST_MYSQL_HOST is not set "
                     "(run the test through ctest, which starts the server)";
  }
  return a;
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
