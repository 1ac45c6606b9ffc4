// The main of the wizard test programs: a QApplication on the offscreen platform, with the
// desktop's settings folder pointed at a temporary one so no test reads or writes the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string base = (fs::temp_directory_path() / "ostrelle-wizard-XXXXXX").string();
  if (mkdtemp(base.data()) == nullptr) return 2;
  const fs::path home(base);
  fs::create_directories(home / "config");
  fs::create_directories(home / "runtime");
  fs::permissions(home / "runtime", fs::perms::owner_all, fs::perm_options::replace);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
  int result = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  fs::remove_all(home, ignored);
  return result;
}
