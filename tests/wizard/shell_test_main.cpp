// The main of the wizard's shell tests: a QApplication on the offscreen platform, the settings
// folder and the runtime folder pointed at temporary ones so no test reads or writes the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "tests/support/test_env.h"

int main(int argc, char** argv) {
  const std::string home = test_env::make_temp_dir();
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
