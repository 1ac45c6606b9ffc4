// What the dump writer does when it cannot go on: a file it cannot create or finish, a dump
// abandoned halfway, records that do not fit their table, a table made twice. None of them
// passes as a finished dump, and none touches an old dump.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "SQL/dmp_database.h"
#include "SQL/dump_options.h"
#include "SQL/sql_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "tests/dump/dmp_fixture.h"
#include "tests/support/test_env.h"

namespace {

using dmp_test::read_file;
using dmp_test::record;
using dmp_test::table_def;

// The files of a folder, by name.
std::vector<std::string> folder_files(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DumpFailure, FileThatCannotBeCreatedIsAnError) {
  sql_engine engine;
  const dump_options options;
  const std::string dir = test_env::make_temp_dir();
  const std::string old_dump = dir + "/old.sql";
  std::ofstream(old_dump) << "old";
  const std::string link = dir + "/link.sql";
  const std::string pipe = dir + "/pipe.sql";
  ASSERT_EQ(::symlink(old_dump.c_str(), link.c_str()), 0);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // Only a regular file is ever replaced by a dump: a link, a device or a pipe stays as it is.
  for (const std::string& path : {dir + "/no such folder/x.sql", dir, link, pipe, std::string("/dev/null")}) {
    try {
      engine.create_dump(tk_utf8_to_unicode(path), &options);
      ADD_FAILURE() << "no exception for " << path;
    } catch (const tk_exception& e) {
      EXPECT_EQ(e.kind(), tk_kind_error);
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(read_file(old_dump), "old");
  EXPECT_EQ(folder_files(dir), (std::vector<std::string>{"link.sql", "old.sql", "pipe.sql"}));
  struct stat state;
  ASSERT_EQ(::lstat(link.c_str(), &state), 0);
  EXPECT_TRUE(S_ISLNK(state.st_mode));
}

// Writes past `limit` bytes fail with EFBIG for the life of the object, as a full disk fails
// them with ENOSPC.
class file_size_limit {
 public:
  explicit file_size_limit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit reduced = saved_;
    reduced.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &reduced);
  }
  ~file_size_limit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  file_size_limit(const file_size_limit&) = delete;
  file_size_limit& operator=(const file_size_limit&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST(DumpFailure, FullDiskIsAnErrorNotAShortDump) {
  sql_engine engine;
  const dump_options options;
  table_def t;
  t.column(L"Memo", VT_BSTR, 0);
  const std::string dir = test_env::make_temp_dir();
  const std::string path = dir + "/old.sql";
  std::ofstream(path) << "old";
  std::unique_ptr<dmp_database> dump;
  try {
    const file_size_limit full(1 << 20);
    dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
    auto rs = dump->create_table(L"T", t.schema, t.indexes);
    for (int i = 0; i < 100; ++i) {
      rs->append_record(*record({{L"Memo", ole_variant(std::wstring(100000, L'x'))}}));
    }
    rs.reset();
    dump->close();
    ADD_FAILURE() << "the dump was reported as written";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.kind(), tk_kind_error);
    EXPECT_NE(std::string(e.what()).find(std::strerror(EFBIG)), std::string::npos) << e.what();
  }
  // Once failed, the dump stays failed: closing again does not turn it into a success.
  if (dump) {
    EXPECT_THROW(dump->close(), tk_exception);
  }
  dump.reset();
  // The old dump is untouched and the unfinished one is gone.
  EXPECT_EQ(read_file(path), "old");
  EXPECT_EQ(folder_files(dir), std::vector<std::string>{"old.sql"});
}

TEST(DumpFailure, AnAbandonedDumpLeavesTheOldOneAndAFinishedOneKeepsItsMode) {
  sql_engine engine;
  const dump_options options;
  table_def t;
  t.column(L"A", VT_I4, 4);
  const std::string dir = test_env::make_temp_dir();
  const std::string path = dir + "/old.sql";
  std::ofstream(path) << "old";
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  {
    std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
    dump->create_table(L"T", t.schema, t.indexes)->append_record(*record({{L"A", ole_variant(1)}}));
    EXPECT_EQ(folder_files(dir).size(), 2u) << "the new dump is written beside the old one";
  }
  EXPECT_EQ(read_file(path), "old");
  EXPECT_EQ(folder_files(dir), std::vector<std::string>{"old.sql"});

  std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
  dump->create_table(L"T", t.schema, t.indexes)->append_record(*record({{L"A", ole_variant(1)}}));
  EXPECT_EQ(read_file(path), "old");
  dump->close();
  EXPECT_NE(read_file(path).find("INSERT INTO `T`"), std::string::npos);
  EXPECT_EQ(folder_files(dir), std::vector<std::string>{"old.sql"});
  struct stat state;
  ASSERT_EQ(::stat(path.c_str(), &state), 0);
  EXPECT_EQ(state.st_mode & 07777, 0600u);
}

TEST(DumpFailure, RecordsThatDoNotFitTheirTable) {
  const std::string dir = test_env::make_temp_dir();
  sql_engine engine;
  dump_options options;
  options.insert_comments = false;
  options.create_table = false;
  options.add_lock = false;
  table_def t;
  t.column(L"A", VT_I4, 4);
  t.column(L"B", VT_I4, 4);
  t.column(L"C", VT_I4, 4);
  const std::string path = dir + "/fit.sql";
  {
    std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
    auto rs = dump->create_table(L"T", t.schema, t.indexes);
    // The first record of a batch lacks C: the batch's columns are A and B.
    rs->append_record(*record({{L"A", ole_variant(1)}, {L"B", ole_variant(2)}}));
    rs->append_record(*record({{L"B", ole_variant(4)}, {L"A", ole_variant(3)}}));
    try {
      rs->append_record(*record({{L"A", ole_variant(5)}, {L"C", ole_variant(6)}}));
      ADD_FAILURE() << "a record without B joined the batch";
    } catch (const tk_exception& e) {
      EXPECT_EQ(e.kind(), tk_kind_continuable);
      EXPECT_EQ(std::string(e.what()).rfind("Generic error occurred while migrating the data.\n", 0), 0u) << e.what();
    }
    rs.reset();
    // Single-row statements: a field the table does not have.
    engine.fast_insert = false;
    auto rs2 = dump->create_table(L"U", t.schema, t.indexes);
    try {
      rs2->append_record(*record({{L"A", ole_variant(1)}, {L"Z", ole_variant(2)}}));
      ADD_FAILURE() << "a record with an unknown field was written";
    } catch (const tk_exception& e) {
      EXPECT_EQ(e.kind(), tk_kind_continuable);
      EXPECT_EQ(std::string(e.what()),
                "The structure of data source does not conform to the destination table. For "
                "more information see Troubleshooting article of the product documentation.");
    }
    rs2->append_record(*record({{L"C", ole_variant(9)}, {L"A", ole_variant(7)}}));
    rs2->append_record(
        *record({{L"C", ole_variant(3)}, {L"B", ole_variant(2)}, {L"A", ole_variant(1)}, {L"Extra", ole_variant(0)}}));
    rs2.reset();
    EXPECT_THROW(dump->create_table(L"u", t.schema, t.indexes), tk_mail_assertion);
    dump->close();
  }
  EXPECT_EQ(read_file(path),
            "\r\nSET NAMES utf8mb4;\r\n"
            "SET FOREIGN_KEY_CHECKS = 0;\r\n"
            "INSERT INTO `T`(`A`, `B`) VALUES(1, 2), (3, 4);\r\n"
            "INSERT INTO `U`(`C`, `A`) \nVALUES (9, 7);\r\n"
            "INSERT INTO `U`(`A`, `B`, `C`) \nVALUES (1, 2, 3);\r\n"
            "SET FOREIGN_KEY_CHECKS = 1;\r\n");
}

}  // namespace
