// VDYAGENT's command lines that need no server: usage, every validation message, errors before
// the run, and a dump, with standard output, standard error and exit code.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "console/cmd_options.h"
#include "tests/console/altered_access_file.h"
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
  // Asked for, the usage text is the program's output, not an error.
  const program_result r = run_vdyagent({"--help"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind("VDYAGENT v8.3\nUsage: VDYAGENT.EXE OPTIONS\n\n", 0), 0u) << r.out;
  for (const cmd_option* o = cmd_options; o->name[0] != '\0'; ++o)
    EXPECT_NE(r.out.find(std::string("   ") + o->name), std::string::npos) << o->name;
  EXPECT_TRUE(r.out.ends_with("      database' will be used.\n")) << r.out;
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
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

// While the program waits for a server that accepts and never answers, its command line as
// other users see it in /proc holds no password.
TEST(VdyagentCommandLine, PasswordsAreOverwrittenOnceRead) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string folder = test_env::make_temp_dir();
  std::vector<std::string> args = {VDYAGENT_PATH,
                                   "--src=" + test_env::testdata_path("access/encrypted/db2007-enc.accdb"),
                                   "--accp=Test123",
                                   "--dest=northwind",
                                   "--mysqlh=127.0.0.1",
                                   "--port=" + std::to_string(ntohs(address.sin_port)),
                                   "--mysqlu=someone",
                                   "--mysqlp=Server-secret",
                                   "--uglp=Workgroup-secret"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);  // the child must not write this process's buffered output again
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    ::setenv("XDG_CONFIG_HOME", (folder + "/.config").c_str(), 1);
    ::freopen("/dev/null", "w", stdout);
    ::freopen("/dev/null", "w", stderr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  pollfd waiting{listener, POLLIN, 0};
  const bool connected = ::poll(&waiting, 1, 60000) == 1;
  const int connection = connected ? ::accept(listener, nullptr, nullptr) : -1;
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string command_line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  if (connection >= 0) ::close(connection);
  ::close(listener);
  ASSERT_TRUE(connected) << "the program never reached the server";
  std::replace(command_line.begin(), command_line.end(), '\0', ' ');
  for (const char* secret : {"Test123", "Server-secret", "Workgroup-secret"})
    EXPECT_EQ(command_line.find(secret), std::string::npos) << secret << " in " << command_line;
  for (const char* hidden : {" --accp=xxxxxxx ", " --mysqlp=xxxxxxxxxxxxx ", " --uglp=xxxxxxxxxxxxxxxx "})
    EXPECT_NE(command_line.find(hidden), std::string::npos) << hidden << " not in " << command_line;
  EXPECT_NE(command_line.find(" --mysqlu=someone "), std::string::npos) << command_line;
}

// A Double NaN in a real Access file (testV2010.accdb with its one stored 444.555 overwritten):
// the row arrives with NULL in its place, and the run names the row, column and value.
TEST(VdyagentValues, ANumberMySqlCannotHoldIsReportedAndWrittenAsNull) {
  const std::string folder = test_env::make_temp_dir();
  const std::string source = access_file_with_nan(folder);

  const program_result r = run_vdyagent({"--src=" + source, "--dump", "--dest=" + folder + "/nan.sql"});
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  EXPECT_NE(r.err.find("Table1, record #2: Column 'F': the value nan has no MySQL form and is lost"), std::string::npos)
      << r.err;
  std::ifstream dump(folder + "/nan.sql", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("('abcdefg', 'hijklmnop', 2, 222, 333333333, NULL, '1974-09-21', 3.5, 1)"), std::string::npos)
      << text;
  EXPECT_EQ(text.find(", nan"), std::string::npos);
}

// complexDataTestV2010.accdb with the type word of row 2's first attached file altered: the row
// arrives with the bytes as Access stored them, the run names table, row and column, and the
// other row's file still arrives as the file itself.
TEST(VdyagentValues, AnAttachmentNotInAccessFormIsKeptAsStoredAndReported) {
  const std::string folder = test_env::make_temp_dir();
  const std::string source = access_file_with_damaged_attachment(folder);

  const program_result r = run_vdyagent({"--src=" + source, "--dump", "--dest=" + folder + "/attach.sql"});
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  EXPECT_NE(r.err.find("Table1, record #2: Column 'attach-data': the attachment is not in the form Access stores "
                       "files in (its type 7 is neither 0 (plain) nor 1 (compressed)); its stored bytes are kept"),
            std::string::npos)
      << r.err;
  std::ifstream dump(folder + "/attach.sql", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("0x070000003A000000785E1361606060046216202E61A80062209D9159AC0044C5F9B9A90A25A9C5250A2989258"
                      "90A69F9450A89252589C919B9A979257A0052A90F7A"),
            std::string::npos)
      << text;
  // "this is some more test data for attachment." as the file itself.
  EXPECT_NE(text.find("0x7468697320697320736F6D65206D6F7265207465737420646174612066"), std::string::npos) << text;
}

// calcResultTypeV2010.accdb with the ResultType of People.Monthly made 66, which names no type:
// its values are read by the column's Double type byte, every row arrives, and the run names
// each value that may be wrong with its table, row and column instead of ending as a success.
TEST(VdyagentValues, ACalculatedValueOfUnknownResultTypeIsReportedWithItsRow) {
  const std::string folder = test_env::make_temp_dir();
  const std::string source = access_file_with_unknown_result_type(folder);

  const program_result r = run_vdyagent({"--src=" + source, "--dump", "--dest=" + folder + "/calc.sql"});
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  for (const char* record : {"#1", "#2", "#3", "#4"})
    EXPECT_NE(r.err.find(std::string("People, record ") + record +
                         ": Column 'Monthly': the calculated column's ResultType 66 names no known type, so the "
                         "value was read as the column's stored type and may be wrong"),
              std::string::npos)
        << record << "\n"
        << r.err;
  EXPECT_EQ(r.err.find("Column 'Weekly'"), std::string::npos) << r.err;
  std::ifstream dump(folder + "/calc.sql", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(dump)), std::istreambuf_iterator<char>());
  for (const char* row : {"(1, 'Ada'", "(2, 'Grace'", "(3, '", "(4, ''"})
    EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
}

TEST(VdyagentCommandLine, WithoutServer) {
  const std::string nwind = test_env::testdata_path("access/real/nwind.mdb");
  const std::string encrypted = test_env::testdata_path("access/encrypted/db2007-enc.accdb");
  const std::string files = test_env::make_temp_dir();
  const std::string text_file = write_file(files, "plain.txt", "not an Access file\n");
  const std::string long_names = write_file(files, "long.txt", "Customers\r\n" + std::string(300, 'x') + "\r\n");
  const std::string bad_profile = write_file(files, "bad.vdy", "src=before any section\r\n");
  const std::string usage = run_vdyagent({"--help"}).out;
  ASSERT_FALSE(usage.empty());
  const std::string port = std::to_string(closed_port());
  const std::string dump = files + "/nwind.sql";

  const std::vector<cmdline_case> cases = {
      {"no arguments", {}, exactly(""), exactly(usage), usage_exit},
      {"help", {"--help"}, exactly(usage), exactly(""), 0},
      {"silent, then help", {"--silent", "--help"}, exactly(""), exactly(""), 0},
      {"help, then silent", {"--help", "--silent"}, exactly(usage), exactly(""), 0},
      {"help with a value", {"--help=x"}, exactly(""), exactly("Option --help takes no value\n"), usage_exit},
      {"a positional argument", {"--src=" + nwind, "--dest=x", "extra"}, exactly(""), exactly(usage), usage_exit},
      {"21 positional arguments", std::vector<std::string>(21, "x"), exactly(""), starts("Internal error: "),
       usage_exit},
      {"no source",
       {"--dest=x"},
       exactly(""),
       exactly("You should enter source MS Access database name\n"),
       usage_exit},
      {"empty source",
       {"--src=", "--dest=x"},
       exactly(""),
       exactly("Option --src needs a value: --src=...\n"),
       usage_exit},
      {"no destination",
       {"--src=" + nwind},
       exactly(""),
       exactly("You should enter destination MySQL database or dump file name\n"),
       usage_exit},
      {"mode 5",
       {"--mode=5", "--src=" + nwind, "--dest=x"},
       exactly(""),
       exactly("Invalid merge/overwrite mode\n"),
       usage_exit},
      {"mode 03", {"--mode=03"}, exactly(""), exactly("Invalid merge/overwrite mode\n"), usage_exit},
      {"empty mode", {"--mode="}, exactly(""), exactly("Option --mode needs a value: --mode=...\n"), usage_exit},
      {"silent, then a bad mode", {"--silent", "--mode=-1"}, exactly(""), exactly(""), usage_exit},
      {"a bad mode, then silent",
       {"--mode=-1", "--silent"},
       exactly(""),
       exactly("Invalid merge/overwrite mode\n"),
       usage_exit},
      {"workgroup file that is not one",
       {"--src=" + nwind, "--dest=x", "--sysdb=" + text_file},
       exactly(""),
       exactly("Not a valid MS Access workgroup information file\n"),
       usage_exit},
      {"missing table-names file",
       {"--tab_file=" + files + "/none.txt"},
       exactly(""),
       exactly("Table names file does not exist.\nPlease verify the correct path/name was given.\n"),
       usage_exit},
      {"table-names file naming a folder",
       {"--tab_file=" + files},
       exactly(""),
       exactly("Table names file does not exist.\nPlease verify the correct path/name was given.\n"),
       usage_exit},
      {"table-names file with a line too long",
       {"--tab_file=" + long_names},
       exactly(""),
       starts("Table names file: line 2 is longer than 254 characters."),
       usage_exit},
      {"missing profile",
       {"--profile=" + files + "/none.vdy"},
       exactly(""),
       exactly("Error:\nProfile does not exist. Please verify the correct path/name was given.\n"),
       usage_exit},
      {"profile that does not load",
       {"--src=" + nwind, "--profile=" + bad_profile, "--dump", "--dest=x.sql"},
       exactly(""),
       exactly("Cannot load conversion settings from '" + bad_profile + "'\n"),
       usage_exit},
      {"log file naming a folder",
       {"--logfile=" + files},
       exactly(""),
       exactly("Error:\nLogfile name specifies an existing path.\n"),
       usage_exit},
      {"unknown character set",
       {"--src=" + nwind, "--dump", "--dest=x.sql", "--charset=klingon"},
       exactly(""),
       starts("Unknown MySQL character set 'klingon'.\nUse one of: big5, "),
       usage_exit},
      {"unknown storage engine",
       {"--src=" + nwind, "--dump", "--dest=x.sql", "--engine=InnoDB;DROP"},
       exactly(""),
       starts("Unknown MySQL storage engine 'InnoDB;DROP'.\nUse one of: MyISAM, "),
       usage_exit},
      {"dump into a folder that does not exist",
       {"--src=" + nwind, "--dump", "--dest=" + files + "/no/x.sql"},
       exactly(""),
       exactly("Error:\nDestination path does not exist. Please verify the correct path was given.\n"),
       usage_exit},
      {"source that is not an Access file",
       {"--src=" + text_file, "--dump", "--dest=x.sql"},
       exactly(""),
       starts("Error:\n"),
       1},
      {"wrong Access password",
       {"--src=" + encrypted, "--accp=wrong", "--dump", "--dest=x.sql"},
       exactly(""),
       starts("Error:\n"),
       1},
      {"Access password with more after a ';'",
       {"--src=" + encrypted, "--accp=Test123;x", "--dump", "--dest=x.sql"},
       exactly(""),
       starts("Error:\n"),
       1},
      {"closed port",
       {"--src=" + nwind, "--dest=northwind", "--mysqlh=127.0.0.1", "--port=" + port},
       exactly(""),
       exactly("Error:\nCannot connect to the MySQL server. Check to verify that MySQL server is launched and "
               "the correct host/port values were given.\n"),
       1},
      {"closed port, silent",
       {"--silent", "--src=" + nwind, "--dest=northwind", "--mysqlh=127.0.0.1", "--port=" + port},
       exactly(""),
       exactly(""),
       1},
      {"a dump",
       {"--src=" + nwind, "--dump", "--dest=" + dump},
       starts("Converting database " + nwind + " ("),
       exactly(""),
       0},
  };
  check_cases(cases);
  std::ifstream written(dump);
  EXPECT_TRUE(written.good()) << dump;
}

// Options are known by their whole names, take a value only where they have one, say the same
// each time they are given, and hold values that fit; each refusal names the option.
TEST(VdyagentCommandLine, OptionsAndTheirValues) {
  const std::string nwind = test_env::testdata_path("access/real/nwind.mdb");
  const std::string long_path = "/" + std::string(100000, 'a');
  const std::string unknown = "'.\nRun VDYAGENT --help for the list of options.\n";
  auto port_text = [](const std::string& value) {
    return "Option --port: invalid port number '" + value + "' (a whole number from 1 to 65535)\n";
  };
  auto refused = [](const std::string& what, std::vector<std::string> args, const std::string& message) {
    return cmdline_case{what, std::move(args), exactly(""), exactly(message), usage_exit};
  };
  const std::vector<cmdline_case> cases = {
      refused("a word that begins like a flag", {"--dumpgarbage"}, "Unknown option '--dumpgarbage" + unknown),
      refused("a word that begins like another flag", {"--silently", "--src=" + nwind},
              "Unknown option '--silently" + unknown),
      refused("other letter case", {"--SRC=" + nwind}, "Unknown option '--SRC" + unknown),
      refused("one dash", {"-src=" + nwind}, "Unknown option '-src" + unknown),
      refused("a misspelt password option shows no value", {"--mysqlpass=Server-secret"},
              "Unknown option '--mysqlpass" + unknown),
      refused("a flag with a value", {"--dump=no"}, "Option --dump takes no value\n"),
      refused("a flag with a zero", {"--skip_idx=0"}, "Option --skip_idx takes no value\n"),
      refused("a flag with a word", {"--queries=x"}, "Option --queries takes no value\n"),
      refused("a flag with an empty value", {"--silent="}, "Option --silent takes no value\n"),
      refused("an option without its =", {"--src", nwind}, "Option --src needs a value: --src=...\n"),
      refused("an empty port", {"--port="}, "Option --port needs a value: --port=...\n"),
      refused("an empty host", {"--mysqlh="}, "Option --mysqlh needs a value: --mysqlh=...\n"),
      refused("an empty table-names file", {"--tab_file="}, "Option --tab_file needs a value: --tab_file=...\n"),
      refused("a mode given twice", {"--mode=1", "--mode=3"}, "Option --mode is given twice with different values\n"),
      refused("a source given twice", {"--src=" + nwind, "--src=other.mdb"},
              "Option --src is given twice with different values\n"),
      refused("a password given twice", {"--mysqlp=a", "--mysqlp=b"},
              "Option --mysqlp is given twice with different values\n"),
      refused("a flag and the same value twice are one option",
              {"--dump", "--dump", "--mode=1", "--mode=1", "--src=" + nwind},
              "You should enter destination MySQL database or dump file name\n"),
      refused("port with letters after it", {"--port=3306abc"}, port_text("3306abc")),
      refused("port after a blank", {"--port= 3306"}, port_text(" 3306")),
      refused("port with a fraction", {"--port=3306.9"}, port_text("3306.9")),
      refused("port with a sign", {"--port=+3306"}, port_text("+3306")),
      refused("negative port", {"--port=-1"}, port_text("-1")),
      refused("port 0", {"--src=" + nwind, "--dest=northwind", "--port=0"}, port_text("0")),
      refused("port above 65535", {"--port=65536"}, port_text("65536")),
      refused("port that is not a number", {"--src=" + nwind, "--dest=northwind", "--port=abc"}, port_text("abc")),
      refused("over-long source path", {"--src=" + long_path},
              "Option --src: the path is too long (100001 bytes; at most 4095)\n"),
      refused("over-long dump path", {"--dump", "--dest=" + long_path},
              "Option --dest: the path is too long (100001 bytes; at most 4095)\n"),
      refused("over-long log path", {"--logfile=" + long_path},
              "Option --logfile: the path is too long (100001 bytes; at most 4095)\n"),
      refused("a device as the table-names file", {"--tab_file=/dev/zero"},
              "Table names file '/dev/zero' is not a regular file.\n"),
      refused("a device as the profile", {"--profile=/dev/zero"},
              "Error:\nProfile is not a regular file. Please verify the correct path/name was given.\n"),
      {"silent, then an unknown option", {"--silent", "--dumpgarbage"}, exactly(""), exactly(""), usage_exit},
  };
  check_cases(cases);
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A profile's type mappings reach the statements only as known type names, checked numbers and
// quoted names: anything else refuses the profile by table, column and value, and no dump is
// written.
TEST(VdyagentProfile, TypeMappingsAreCheckedBeforeAnythingIsWritten) {
  const std::string nwind = test_env::testdata_path("access/real/nwind.mdb");
  const std::string files = test_env::make_temp_dir();
  struct profile_case {
    std::string what;
    std::string column_lines;  // the attribute lines of column CompanyName of table Shippers
    std::string table_lines;   // more lines of the table: its new name, or its properties after the fields
    std::string message;       // empty: the dump is written
  };
  const std::string where = "Error:\nType mappings: column 'CompanyName' of table 'Shippers': ";
  const std::vector<profile_case> cases = {
      {"a second column in the type", "        type: INT, `evil` INT\r\n", "",
       where + "type 'INT, `evil` INT' is not a MySQL column type.\n"},
      {"a comment in the type", "        type: INT COMMENT 'pwned'\r\n", "",
       where + "type 'INT COMMENT 'pwned'' is not a MySQL column type.\n"},
      {"a foreign key in the type", "        type: INT, FOREIGN KEY (ShipperID) REFERENCES Orders(OrderID)\r\n", "",
       where + "type 'INT, FOREIGN KEY (ShipperID) REFERENCES Orders(OrderID)' is not a MySQL column type.\n"},
      {"an unknown type", "        type: NOSUCHTYPE\r\n", "",
       where + "type 'NOSUCHTYPE' is not a MySQL column type.\n"},
      {"a negative length", "        type: VARCHAR\r\n        length: -5\r\n", "",
       where + "length '-5' is not a whole number from 0 to 65535.\n"},
      {"a length that is no number", "        type: VARCHAR\r\n        length: abc\r\n", "",
       where + "length 'abc' is not a whole number from 0 to 65535.\n"},
      {"a character set with more words", "        character_set: latin1, `x` INT\r\n", "",
       where + "character set 'latin1, `x` INT' is not a character set name.\n"},
      {"a storage engine with a statement after it", "",
       "    properties:\r\n        engine: InnoDB; DROP DATABASE mysql\r\n",
       "Error:\nType mappings: table 'Shippers': engine 'InnoDB; DROP DATABASE mysql' is not a storage engine "
       "name.\n"},
      // Words, but none the target offers (a dump: the engine's own lists); the names to
      // choose from follow.
      {"a character set no target offers", "        character_set: klingon\r\n", "",
       "Unknown MySQL character set 'klingon' in the type mappings of column 'CompanyName' of table "
       "'Shippers'.\nUse one of: big5, "},
      {"a storage engine no target offers", "", "    properties:\r\n        engine: NoSuchEngine\r\n",
       "Unknown MySQL storage engine 'NoSuchEngine' in the type mappings of table 'Shippers'.\nUse one of: "
       "MyISAM, "},
      {"a table character set no target offers", "", "    properties:\r\n        character set: klingon\r\n",
       "Unknown MySQL character set 'klingon' in the type mappings of table 'Shippers'.\nUse one of: big5, "},
      {"names with backticks and a known type",
       "        new_name: na`me\r\n        type: varchar\r\n        length: 60\r\n", "    new_name: ship`pers\r\n", ""},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const profile_case& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::string dump = files + "/p" + std::to_string(i) + ".sql";
    const std::string profile = write_file(files, "p" + std::to_string(i) + ".vdy",
                                           "[Generic settings]\r\nsrc=" + nwind + "\r\ndest=" + dump +
                                               "\r\n"
                                               "[MySQL settings]\r\ndirect mode=0\r\n"
                                               "[Selected Tables]\r\nShippers\r\n"
                                               "[Type Mappings]\r\ndatabase:\r\ntables:\r\n"
                                               "  - name: Shippers\r\n" +
                                               (c.table_lines.starts_with("    new_name") ? c.table_lines : "") +
                                               "    fields:\r\n      - name: CompanyName\r\n" + c.column_lines +
                                               (c.table_lines.starts_with("    properties") ? c.table_lines : ""));
    const program_result r = run_vdyagent({"--profile=" + profile});
    if (!c.message.empty()) {
      EXPECT_EQ(r.exit_code, usage_exit);
      if (c.message.starts_with("Unknown MySQL"))
        EXPECT_TRUE(r.err.starts_with(c.message)) << r.err;
      else
        EXPECT_EQ(r.err, c.message);
      EXPECT_EQ(r.out, "");
      EXPECT_FALSE(std::ifstream(dump).good()) << "a dump was written";
      continue;
    }
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    const std::string text = read_text(dump);
    EXPECT_NE(text.find("CREATE TABLE `ship_pers`"), std::string::npos) << text;
    EXPECT_NE(text.find("  `na_me` VARCHAR(60)"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace console_test
