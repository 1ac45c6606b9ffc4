// Conversions into dump files: a dump of every readable test file loads into the private server
// in its strict mode without an error and holds every row and value of the source.
#include <cwchar>
#include <filesystem>

#include "tests/driver/run_fixture.h"
#include "tests/driver/saved_query_views.h"
#include "tests/support/value_check.h"

namespace {

using run_test::RunTest;

class DumpRun : public RunTest {};

TEST_F(DumpRun, EveryReadableFileLoadsWithItsRows) {
  struct Case {
    const char* file;
    const wchar_t* password;
    bool query_views = false;  // its saved select queries are checked as views
  } cases[] = {
      {"access/real/nwind.mdb", L"", true},
      {"access/real/DateTestDatabase.mdb", L""},
      {"access/jet3/compIndexTestV1997.mdb", L""},
      {"access/jet3/indexTestV1997.mdb", L""},
      {"access/jet3/overflowTestV1997.mdb", L""},
      {"access/jet3/queryTestV1997.mdb", L""},
      {"access/jet3/test2V1997.mdb", L""},
      {"access/jet3/testV1997.mdb", L""},
      {"access/jet4/adox_jet4.mdb", L""},
      {"access/jet4/compIndexTestV2000.mdb", L""},
      {"access/jet4/fixedNumericTestV2000.mdb", L""},
      {"access/jet4/fixedTextTestV2000.mdb", L""},
      {"access/jet4/indexTestV2000.mdb", L""},
      {"access/jet4/queryTestV2000.mdb", L""},
      {"access/jet4/test2V2000.mdb", L""},
      {"access/jet4/testPromotionV2000.mdb", L""},
      {"access/jet4/testV2000.mdb", L""},
      {"access/ace/binIdxTestV2010.accdb", L""},
      {"access/ace/complexDataTestV2007.accdb", L""},
      {"access/ace/complexDataTestV2010.accdb", L""},
      {"access/ace/fixedNumericTestV2010.accdb", L""},
      {"access/ace/indexTestV2007.accdb", L""},
      {"access/ace/linkeeTest.accdb", L""},
      {"access/ace/linkerTestV2007.accdb", L""},
      {"access/ace/oldDatesV2007.accdb", L""},
      {"access/ace/queryTestV2007.accdb", L""},
      {"access/ace/queryTestV2010.accdb", L""},
      {"access/ace/test2V2007.accdb", L""},
      {"access/ace/testEmoticonsV2010.accdb", L""},
      {"access/ace/testV2007.accdb", L""},
      {"access/ace/testV2010.accdb", L""},
      {"access/encrypted/db-enc.mdb", L""},
      {"access/encrypted/db97-enc.mdb", L""},
      {"access/encrypted/db2007-enc.accdb", L"Test123"},
      {"access/encrypted/db2013-enc.accdb", L"1234"},
  };
  int n = 0;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.file);
    const std::string source = test_env::testdata_path(k.file);
    const bool office_encrypted = *k.password != L'\0';
    const std::string dump = dir_ + "/" + std::to_string(n) + ".sql";
    front_.reports.clear();
    {
      vandry_converter c(converter_program::console);
      c.src = widen(source);
      c.acc_pswd = k.password;
      c.dest = widen(dump);
      c.direct = false;
      c.convert_views = true;
      c.check_dest();
      c();
      EXPECT_TRUE(c.done);
    }
    EXPECT_EQ(reports(), "");
    const std::string db = database("dump" + std::to_string(n++));
    EXPECT_EQ(load(dump, db), "");
    if (k.query_views) {
      std::vector<std::vector<std::string>> expected;
      for (const std::string& name : run_test::nwind_query_views) expected.push_back({name});
      EXPECT_EQ(rows("SELECT TABLE_NAME FROM information_schema.VIEWS WHERE TABLE_SCHEMA = '" + db + "' ORDER BY 1"),
                expected);
      const auto jet_rows = run_test::jet_query_rows(source, run_test::nwind_query_views);
      for (std::size_t i = 0; i < jet_rows.size(); ++i)
        EXPECT_EQ(count(db, run_test::nwind_query_views[i]), jet_rows[i]) << run_test::nwind_query_views[i];
    }
    // mdbtools cannot open an Office-encrypted file: its tables are those the dump made.
    std::vector<std::string> tables;
    if (office_encrypted) {
      for (const auto& row : rows("SHOW FULL TABLES FROM `" + db + "` WHERE Table_type = 'BASE TABLE'"))
        tables.push_back(row[0]);
      EXPECT_FALSE(tables.empty());
    } else {
      tables = run_test::mdb_tables(source);
    }
    for (const std::string& table : tables) {
      const auto exists = rows("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db +
                               "' AND TABLE_NAME = '" + table + "'");
      if (exists.empty() || exists[0][0] != "1") continue;  // a linked table has no rows of its own here
      if (!office_encrypted) {
        EXPECT_EQ(count(db, table), run_test::mdb_row_count(source, table)) << table;
      }
      value_check::expect_same_values(conn_, {source, std::string(k.password, k.password + std::wcslen(k.password)),
                                              table, db, table, !office_encrypted});
    }
  }
}

}  // namespace
