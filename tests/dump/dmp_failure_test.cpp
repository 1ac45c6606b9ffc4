// What the dump writer does when it cannot go on: a file it cannot create or finish, records
// that do not fit their table, a table made twice. None of them passes as a finished dump.
#include <gtest/gtest.h>

#include <string>

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

TEST(DumpFailure, FileThatCannotBeCreatedIsAnError) {
  sql_engine engine;
  const dump_options options;
  const std::string dir = test_env::make_temp_dir();
  for (const std::string& path : {dir + "/no such folder/x.sql", dir}) {
    try {
      engine.create_dump(tk_utf8_to_unicode(path), &options);
      ADD_FAILURE() << "no exception for " << path;
    } catch (const tk_exception& e) {
      EXPECT_EQ(e.kind(), tk_kind_error);
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

TEST(DumpFailure, FullDiskIsAnErrorNotAShortDump) {
  sql_engine engine;
  const dump_options options;
  table_def t;
  t.column(L"Memo", VT_BSTR, 0);
  // /dev/full takes the open and refuses every write with "No space left on device".
  std::unique_ptr<dmp_database> dump;
  try {
    dump = engine.create_dump(L"/dev/full", &options);
    auto rs = dump->create_table(L"T", t.schema, t.indexes);
    for (int i = 0; i < 100; ++i) {
      rs->append_record(*record({{L"Memo", ole_variant(std::wstring(100000, L'x'))}}));
    }
    rs.reset();
    dump->close();
    ADD_FAILURE() << "the dump was reported as written";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.kind(), tk_kind_error);
    EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos)
        << e.what();
  }
  // Once failed, the dump stays failed: closing again does not turn it into a success.
  if (dump) {
    EXPECT_THROW(dump->close(), tk_exception);
  }
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
      EXPECT_EQ(std::string(e.what()).rfind("Generic error occurred while migrating the data.\n", 0),
                0u)
          << e.what();
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
        *record({{L"C", ole_variant(3)}, {L"B", ole_variant(2)}, {L"A", ole_variant(1)},
                 {L"Extra", ole_variant(0)}}));
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
