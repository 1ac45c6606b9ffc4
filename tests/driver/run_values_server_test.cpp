// Every value of a conversion into the private server as the Access file holds it, and the value
// check itself: a single changed value on the server, of any kind, is reported.
#include <gtest/gtest-spi.h>

#include "tests/driver/run_fixture.h"
#include "tests/support/value_check.h"

namespace {

using run_test::RunTest;

class ValuesRun : public RunTest {};

TEST_F(ValuesRun, EveryValueOfEveryKindAndAChangedOneIsSeen) {
  struct source {
    const char* file;
    const char* db;
  } files[] = {
      {"access/ace/testV2010.accdb", "v2010"},               // texts, numbers, Double, date, Currency, Yes/No
      {"access/ace/oldDatesV2007.accdb", "olddates"},        // dates before 1900
      {"access/real/DateTestDatabase.mdb", "dates"},         // times only, the year 9999
      {"access/ace/testEmoticonsV2010.accdb", "emoji"},      // characters beyond the BMP
      {"access/real/nwind.mdb", "nwind"},                    // memo, OLE pictures, Single, dates as DATE
      {"access/jet4/fixedNumericTestV2000.mdb", "numeric"},  // Decimal(18,0)
  };
  for (const source& s : files) {
    SCOPED_TRACE(s.file);
    const std::string path = test_env::testdata_path(s.file);
    const std::string db = database(s.db);
    auto c = server_converter(path, db, 0);
    run(*c);
    for (const std::string& table : run_test::mdb_tables(path)) {
      if (value("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db + "' AND TABLE_NAME = '" +
                table + "'") != "1")
        continue;  // a table the target refuses (row size) is another test's matter
      value_check::expect_same_values(conn_, {path, "", table, db, table});
    }
  }

  // One value changed inside a transaction that is rolled back: the check names its column.
  struct tamper {
    const char* db;
    const char* table;
    const char* change;
    const char* column;
  } cases[] = {
      {"v2010", "Table1", "UPDATE Table1 SET F = F + 1e-13 WHERE A = 'abcdefg'", "column F"},
      {"v2010", "Table1", "UPDATE Table1 SET G = G + INTERVAL 1 SECOND WHERE A = 'a'", "column G"},
      {"v2010", "Table1", "UPDATE Table1 SET H = H + 0.0001 WHERE A = 'a'", "column H"},
      {"v2010", "Table1", "UPDATE Table1 SET I = 1 - I WHERE A = 'a'", "column I"},
      {"v2010", "Table1", "UPDATE Table1 SET B = '' WHERE A = 'a'", "column B"},
      {"v2010", "Table1", "UPDATE Table1 SET B = NULL WHERE A = 'a'", "column B"},
      {"olddates", "Table1", "UPDATE Table1 SET DateField = DateField + INTERVAL 1 DAY LIMIT 1", "column DateField"},
      {"dates", "DateTest", "UPDATE DateTest SET TimeCol = TimeCol + INTERVAL 1 SECOND LIMIT 1", "column TimeCol"},
      {"emoji", "data", "UPDATE data SET data = REPLACE(data, X'F09F9880', '?' '?')", "column data"},
      {"nwind", "Employees", "UPDATE Employees SET Photo = CONCAT(Photo, X'00') WHERE EmployeeID = 1", "column Photo"},
      {"nwind", "Employees", "UPDATE Employees SET Notes = REPLACE(Notes, '.', ',') WHERE EmployeeID = 1",
       "column Notes"},
      {"nwind", "Order Details", "UPDATE `Order Details` SET Discount = Discount + 1e-7 WHERE Discount > 0 LIMIT 1",
       "column Discount"},
      {"numeric", "test", "UPDATE test SET col2 = col2 + 1 LIMIT 1", "column col2"},
  };
  for (const tamper& t : cases) {
    SCOPED_TRACE(t.change);
    const std::string db = "drv_" + std::to_string(::getpid()) + "_" + t.db;
    const source* s = nullptr;
    for (const source& f : files)
      if (std::string(f.db) == t.db) s = &f;
    ASSERT_NE(s, nullptr);
    exec("USE `" + db + "`");
    exec("START TRANSACTION");
    exec(t.change);
    ASSERT_EQ(mysql_affected_rows(conn_), 1u);
    const value_check::table_pair pair{test_env::testdata_path(s->file), "", t.table, db, t.table};
    EXPECT_NONFATAL_FAILURE(value_check::expect_same_values(conn_, pair), t.column);
    exec("ROLLBACK");
  }
}

}  // namespace
