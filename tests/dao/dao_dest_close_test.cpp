// A new Access file through the DAO layer is finished only by close(), called through the
// abstract database: a file that cannot be put in place is the caller's failure, and one released
// without close() is given up with a line in the log, never finished in silence.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_database.h"
#include "UDB/udb_field.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "tests/support/test_env.h"
#include "tests/support/test_shell.h"

namespace {

std::string read_text(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// A new database at `path` with one table of one row.
std::unique_ptr<udb_database> one_row_database(dao_engine& engine, const std::string& path) {
  t_ftd id(4, L"Id", VT_I4, false, false, ole_variant(), 0, L"");
  udb_schema schema{false};
  schema.fields.push_back(&id);
  std::unique_ptr<udb_database> db = engine.create_db(tk_utf8_to_unicode(path));
  std::unique_ptr<udb_recordset> rows = db->create_table(L"T", schema, {});
  udb_record row;
  row.append(std::make_unique<udb_field>(L"Id", 0, ole_variant(1), false, false));
  rows->append_record(row);
  return db;
}

}  // namespace

TEST(dao_dest_close, a_file_that_cannot_be_put_in_place_is_reported_and_the_other_file_kept) {
  const std::string folder = test_env::make_temp_dir();
  const std::string target = folder + "/new.mdb";
  dao_engine engine(true, 0);
  ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
  std::unique_ptr<udb_database> db = one_row_database(engine, target);
  // Another program takes the name while the file is being written.
  std::ofstream(target) << "not ours";
  try {
    db->close();
    ADD_FAILURE() << "the close succeeded";
  } catch (const dao_exception& e) {
    EXPECT_EQ(e.code(), 0x10000u | 3204u);
    EXPECT_NE(std::string(e.what()).find("Database already exists."), std::string::npos) << e.what();
  }
  db.reset();
  EXPECT_EQ(read_text(target), "not ours");
  EXPECT_EQ(entries(folder), std::vector<std::string>{"new.mdb"});
}

TEST(dao_dest_close, a_database_released_unclosed_leaves_no_file_and_says_so) {
  const std::string folder = test_env::make_temp_dir();
  const std::string target = folder + "/new.mdb";
  const std::string log_path = test_env::make_temp_dir() + "/run.log";
  {
    tk_logger log(log_path.c_str(), true, tk_log_event, false);
    dao_engine engine(true, 0);
    ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
    one_row_database(engine, target);
  }
  EXPECT_TRUE(entries(folder).empty());
  EXPECT_NE(read_text(log_path).find("The Access database '" + target + "' was not closed: the new file is left out"),
            std::string::npos)
      << read_text(log_path);

  // Closed, the same database is a file mdbtools reads.
  dao_engine engine(true, 0);
  ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
  one_row_database(engine, target)->close();
  EXPECT_EQ(test_env::run_shell("mdb-export " + test_env::shell_quote(target) + " T").out, "Id\n1\n");
}
