// The bug-report mail: the arguments the mail program receives, and a machine without one.
#include "TK/tk_send_bug.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "TK/tk_logger.h"
#include "tests/support/test_env.h"
#include "tests/tk/tk_test_util.h"

namespace {

// Puts `bin` first on PATH for the life of the object.
class path_front {
 public:
  explicit path_front(const std::string& bin) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", (bin + ":" + old_).c_str(), 1);
  }
  ~path_front() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST(SendBug, MailProgramGetsSubjectBodyAndRecipientAsArguments) {
  std::string bin = test_env::make_temp_dir(), record = bin + "/args";
  std::ofstream(bin + "/xdg-email") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n--\\n' \"$a\"; done > \"" << record
                                    << "\"\nexit 3\n";
  chmod((bin + "/xdg-email").c_str(), 0755);
  std::string log = bin + "/run.log";
  tk_logger logger(log.c_str(), true, 2, false);
  path_front path(bin);

  // Quotes, a dollar and a back-quote: a shell would have run or changed them.
  std::string body = "Table 'Orders': `rm -rf x` $HOME; \"quoted\"\nline 2 \xC3\xA4";
  tk_send_bug("Ostrelle 0.1", body);
  EXPECT_EQ("--utf8\n--\n--subject\n--\nBug report on Ostrelle 0.1\n--\n--body\n--\n" + body + "\n--\n" +
                std::string(tk_support_address) + "\n--\n",
            read_file(record));
  EXPECT_NE(std::string::npos, read_file(log).find("xdg-email returns 3\r\n"));
}

TEST(SendBug, WithoutAMailProgramOnlyALogLine) {
  std::string empty = test_env::make_temp_dir();
  std::string log = empty + "/run.log";
  tk_logger logger(log.c_str(), true, 2, false);
  std::string old = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", empty.c_str(), 1);
  tk_send_bug("x", "y");
  setenv("PATH", old.c_str(), 1);
  EXPECT_NE(std::string::npos, read_file(log).find("Failed to locate xdg-email\r\n"));
}

}  // namespace
