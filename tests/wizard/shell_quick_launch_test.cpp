// Quick launch before any window: a profile is loaded and the run's checks pass, or the failure
// comes out as the exception the program reports, and the stored settings stay as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "GUI2/quick_launch.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"
#include "tests/support/test_env.h"

namespace {

struct QuickLaunch : ::testing::Test {
  void SetUp() override { ::setenv("XDG_CONFIG_HOME", (dir + "/.config").c_str(), 1); }
  std::string write_profile(const std::string& name, const std::string& text) {
    const std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string dump_profile(const std::string& source) {
    return "[Generic settings]\r\nsrc=" + source + "\r\ndest=" + dir + "/out.sql\r\nmode=0\r\n\r\n" +
           "[MySQL settings]\r\ndirect mode=0\r\n\r\n[Selected Tables]\r\nShippers\r\n";
  }
  tk_logger logger{nullptr, false, tk_log_event, false};
  std::string dir = test_env::make_temp_dir();
};

TEST_F(QuickLaunch, AGoodProfileLoadsAndPassesTheChecks) {
  const std::string source = test_env::testdata_path("access/real/nwind.mdb");
  const std::string profile = write_profile("job.vdy", dump_profile(source));
  vandry_converter converter(converter_program::wizard);
  ASSERT_NO_THROW(prepare_quick_launch(converter, tk_utf8_to_unicode(profile)));
  EXPECT_EQ(converter.src, tk_utf8_to_unicode(source));
  EXPECT_FALSE(converter.direct) << "a dump target needs no server";
}

TEST_F(QuickLaunch, EachBadProfileIsRefusedWithItsOwnMessage) {
  const std::string source = test_env::testdata_path("access/real/nwind.mdb");
  ::mkfifo((dir + "/pipe.vdy").c_str(), 0600);
  struct bad_case {
    const char* name;
    std::string path;
    std::string message;
  };
  const bad_case cases[] = {
      {"missing", dir + "/none.vdy",
       "Profile does not exist. Please verify the correct path/name was given. Path: " + dir + "/none.vdy"},
      {"a pipe, which may never end", dir + "/pipe.vdy",
       "Profile is not a regular file. Please verify the correct path/name was given. Path: " + dir + "/pipe.vdy"},
      {"no tables",
       write_profile("empty.vdy", "[Generic settings]\r\nsrc=" + source + "\r\ndest=" + dir +
                                      "/out.sql\r\n\r\n[MySQL settings]\r\ndirect mode=0\r\n"),
       "The profile '" + dir + "/empty.vdy' selects no tables: there is nothing to convert."},
      {"a bad mode", write_profile("mode.vdy", "[Generic settings]\r\nmode=9\r\n"), ""},
      {"a missing source", write_profile("src.vdy", dump_profile(dir + "/none.mdb")), ""},
      {"the source as destination",
       write_profile("same.vdy", "[Generic settings]\r\nsrc=" + source + "\r\ndest=" + source +
                                     "\r\n\r\n[MySQL settings]\r\ndirect mode=0\r\n"),
       ""},
  };
  for (const bad_case& c : cases) {
    SCOPED_TRACE(c.name);
    vandry_converter converter(converter_program::wizard);
    try {
      prepare_quick_launch(converter, tk_utf8_to_unicode(c.path));
      ADD_FAILURE() << "accepted";
    } catch (const tk_exception& e) {
      EXPECT_NE(e.kind(), tk_kind_internal) << e.what();
      if (!c.message.empty()) {
        EXPECT_EQ(std::string(e.what()), c.message);
      }
    }
    converter.keep_stored_settings = true;
  }
}

}  // namespace
