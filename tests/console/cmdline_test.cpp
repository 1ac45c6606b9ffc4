// VDYAGENT's command lines that need no server: usage, every validation message, errors before
// the run, and a dump, with standard output, standard error and exit code.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

#include "console/cmd_options.h"
#include "tests/console/cmdline_cases.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

constexpr int usage_exit = 255;

std::string write_file(const std::string& folder, const std::string& name, const std::string& bytes) {
  const std::string path = folder + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// A TCP port on which nothing listens: bound, then released.
unsigned closed_port() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

TEST(VdyagentUsage, NamesTheVersionAndEveryOption) {
  const program_result r = run_vdyagent({"--help"});
  EXPECT_EQ(r.exit_code, usage_exit);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("VDYAGENT v8.3\nUsage: VDYAGENT.EXE OPTIONS\n\n", 0), 0u) << r.err;
  for (const cmd_option* o = cmd_options; o->name[0] != '\0'; ++o)
    EXPECT_NE(r.err.find(std::string("   ") + o->name), std::string::npos) << o->name;
  EXPECT_TRUE(r.err.ends_with("      database' will be used.\n")) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

TEST(VdyagentProgram, LinksNoUserInterfaceLibrary) {
  const program_result r = run("ldd", {VDYAGENT_PATH});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* library : {"libQt", "libX11", "libxcb", "libwayland", "libgtk", "libGL", "libEGL"})
    EXPECT_EQ(r.out.find(library), std::string::npos) << library << " in\n" << r.out;
  EXPECT_NE(r.out.find("libmariadb"), std::string::npos) << r.out;
}

TEST(VdyagentLog, PasswordsNeverReachTheLogFile) {
  const std::string folder = test_env::make_temp_dir();
  const std::string log = folder + "/run.log";
  const program_result r = run_vdyagent(
      {"--logfile=" + log, "--src=" + test_env::testdata_path("access/encrypted/db2007-enc.accdb"), "--accp=Test123",
       "--mysqlp=Server-secret", "--uglp=Workgroup-secret", "--dump", "--dest=" + folder + "/x.sql"},
      folder);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Converting database"), std::string::npos) << text;
  for (const char* secret : {"Test123", "Server-secret", "Workgroup-secret"})
    EXPECT_EQ(text.find(secret), std::string::npos) << secret;
}

// A Double NaN in a real Access file (testV2010.accdb with its one stored 444.555 overwritten):
// the row arrives with NULL in its place, and the run names the row, column and value.
TEST(VdyagentValues, ANumberMySqlCannotHoldIsReportedAndWrittenAsNull) {
  std::ifstream in(test_env::testdata_path("access/ace/testV2010.accdb"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const double stored = 444.555;
  const double nan = std::nan("");
  const std::string pattern(reinterpret_cast<const char*>(&stored), sizeof stored);
  const std::size_t at = bytes.find(pattern);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(bytes.find(pattern, at + 1), std::string::npos);
  bytes.replace(at, sizeof nan, reinterpret_cast<const char*>(&nan), sizeof nan);
  const std::string folder = test_env::make_temp_dir();
  const std::string source = write_file(folder, "nan.accdb", bytes);

  const program_result r = run_vdyagent({"--src=" + source, "--dump", "--dest=" + folder + "/nan.sql"});
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  EXPECT_NE(r.out.find("Table1, record #2: Column 'F': the value nan has no MySQL form and is lost"),
            std::string::npos)
      << r.out;
  std::ifstream dump(folder + "/nan.sql", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("('abcdefg', 'hijklmnop', 2, 222, 333333333, NULL, '1974-09-21', 3.5, 1)"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find(", nan"), std::string::npos);
}

TEST(VdyagentCommandLine, WithoutServer) {
  const std::string nwind = test_env::testdata_path("access/real/nwind.mdb");
  const std::string encrypted = test_env::testdata_path("access/encrypted/db2007-enc.accdb");
  const std::string files = test_env::make_temp_dir();
  const std::string text_file = write_file(files, "plain.txt", "not an Access file\n");
  const std::string long_names = write_file(files, "long.txt", "Customers\r\n" + std::string(300, 'x') + "\r\n");
  const std::string bad_profile = write_file(files, "bad.vdy", "src=before any section\r\n");
  const std::string usage = run_vdyagent({"--help"}).err;
  const std::string port = std::to_string(closed_port());
  const std::string dump = files + "/nwind.sql";

  const std::vector<cmdline_case> cases = {
      {"no arguments", {}, exactly(""), exactly(usage), usage_exit},
      {"help", {"--help"}, exactly(""), exactly(usage), usage_exit},
      {"silent, then help", {"--silent", "--help"}, exactly(""), exactly(""), usage_exit},
      {"help, then silent", {"--help", "--silent"}, exactly(""), exactly(usage), usage_exit},
      {"a positional argument", {"--src=" + nwind, "--dest=x", "extra"}, exactly(""), exactly(usage), usage_exit},
      {"21 positional arguments", std::vector<std::string>(21, "x"), starts("Internal error: "), exactly(""),
       usage_exit},
      {"option name without its =", {"--src", nwind}, exactly(""), exactly(usage), usage_exit},
      {"no source", {"--dest=x"}, exactly(""),
       exactly("You should enter source MS Access database name\n"), usage_exit},
      {"empty source", {"--src=", "--dest=x"}, exactly(""),
       exactly("You should enter source MS Access database name\n"), usage_exit},
      {"no destination", {"--src=" + nwind}, exactly(""),
       exactly("You should enter destination MySQL database or dump file name\n"), usage_exit},
      {"mode 5", {"--mode=5", "--src=" + nwind, "--dest=x"}, exactly(""),
       exactly("Invalid merge/overwrite mode\n"), usage_exit},
      {"mode 03", {"--mode=03"}, exactly(""), exactly("Invalid merge/overwrite mode\n"), usage_exit},
      {"empty mode", {"--mode="}, exactly(""), exactly("Invalid merge/overwrite mode\n"), usage_exit},
      {"silent, then a bad mode", {"--silent", "--mode=-1"}, exactly(""), exactly(""), usage_exit},
      {"a bad mode, then silent", {"--mode=-1", "--silent"}, exactly(""),
       exactly("Invalid merge/overwrite mode\n"), usage_exit},
      {"workgroup file that is not one", {"--src=" + nwind, "--dest=x", "--sysdb=" + text_file}, exactly(""),
       exactly("Not a valid MS Access workgroup information file\n"), usage_exit},
      {"missing table-names file", {"--tab_file=" + files + "/none.txt"}, exactly(""),
       exactly("Table names file does not exist.\nPlease verify the correct path/name was given.\n"), usage_exit},
      {"table-names file naming a folder", {"--tab_file=" + files}, exactly(""),
       exactly("Table names file does not exist.\nPlease verify the correct path/name was given.\n"), usage_exit},
      {"table-names file with a line too long", {"--tab_file=" + long_names}, exactly(""),
       starts("Table names file: line 2 is longer than 254 characters."), usage_exit},
      {"missing profile", {"--profile=" + files + "/none.vdy"},
       exactly("Error:\nProfile does not exist. Please verify the correct path/name was given.\n"), exactly(""),
       usage_exit},
      {"profile that does not load", {"--src=" + nwind, "--profile=" + bad_profile, "--dump", "--dest=x.sql"},
       exactly(""), exactly("Cannot load conversion settings from '" + bad_profile + "'\n"), usage_exit},
      {"log file naming a folder", {"--logfile=" + files}, exactly("Error:\nLogfile name specifies an existing path.\n"),
       exactly(""), usage_exit},
      {"unknown character set", {"--src=" + nwind, "--dump", "--dest=x.sql", "--charset=klingon"}, exactly(""),
       starts("Unknown MySQL character set 'klingon'.\nUse one of: big5, "), usage_exit},
      {"unknown storage engine", {"--src=" + nwind, "--dump", "--dest=x.sql", "--engine=InnoDB;DROP"}, exactly(""),
       starts("Unknown MySQL storage engine 'InnoDB;DROP'.\nUse one of: MyISAM, "), usage_exit},
      {"dump into a folder that does not exist", {"--src=" + nwind, "--dump", "--dest=" + files + "/no/x.sql"},
       exactly("Error:\nDestination path does not exist. Please verify the correct path was given.\n"), exactly(""),
       usage_exit},
      {"source that is not an Access file", {"--src=" + text_file, "--dump", "--dest=x.sql"}, starts("Error:\n"),
       exactly(""), 1},
      {"wrong Access password", {"--src=" + encrypted, "--accp=wrong", "--dump", "--dest=x.sql"},
       starts("Error:\n"), exactly(""), 1},
      {"port that is not a number", {"--src=" + nwind, "--dest=northwind", "--port=abc"},
       exactly("Error:\nInvalid port number\n"), exactly(""), usage_exit},
      {"port 0", {"--src=" + nwind, "--dest=northwind", "--port=0"}, exactly("Error:\nInvalid port number\n"),
       exactly(""), usage_exit},
      {"closed port", {"--src=" + nwind, "--dest=northwind", "--mysqlh=127.0.0.1", "--port=" + port},
       exactly("Error:\nCannot connect to the MySQL server. Check to verify that MySQL server is launched and "
               "the correct host/port values were given.\n"),
       exactly(""), 1},
      {"closed port, silent", {"--silent", "--src=" + nwind, "--dest=northwind", "--mysqlh=127.0.0.1", "--port=" + port},
       exactly(""), exactly(""), 1},
      {"a dump", {"--src=" + nwind, "--dump", "--dest=" + dump},
       starts("Converting database " + nwind + " ("), exactly(""), 0},
  };
  check_cases(cases);
  std::ifstream written(dump);
  EXPECT_TRUE(written.good()) << dump;
}

}  // namespace
}  // namespace console_test
