// Tables whose rows the server counts too wide are still created: the row-size rule's numbers
// against the private server on both sides of each limit, and the wide tables of real files.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_table.h"
#include "TK/tk_utils.h"
#include "tests/dao/dao_source_util.h"
#include "tests/live/live_fixture.h"

namespace {

using LiveRowSize = LiveServer;

// Text columns of one size, then NOT NULL one-byte columns that move the row a byte at a time.
struct boundary_case {
  const char* what;
  const wchar_t* engine;
  const wchar_t* charset;
  std::vector<std::uint32_t> texts;
  std::uint32_t bytes;
  bool fits;
};

std::vector<std::uint32_t> repeat(std::size_t n, std::uint32_t size) { return std::vector<std::uint32_t>(n, size); }

TEST_F(LiveRowSize, TheRuleChangesAColumnExactlyWhenTheServerWouldRefuseTheRow) {
  std::vector<std::uint32_t> row_limit = repeat(4, 4000);
  row_limit.push_back(381);
  const std::vector<boundary_case> cases = {
      // 53 x 151 + 91 + 7 NULL-flag bytes + 24 of InnoDB's own: 8125, the largest record.
      {"InnoDB record at its limit", L"InnoDB", L"utf8", repeat(53, 50), 91, true},
      {"InnoDB record a byte over", L"InnoDB", L"utf8", repeat(53, 50), 92, false},
      {"MyISAM keeps no record in a page", L"MyISAM", L"utf8", repeat(53, 50), 92, true},
      // 4 x 16002 + 1526 + 1 NULL-flag byte: 65535.
      {"InnoDB row at 65535 bytes", L"InnoDB", L"utf8mb4", row_limit, 0, true},
      {"InnoDB row a byte over", L"InnoDB", L"utf8mb4", row_limit, 1, false},
      {"MyISAM row at 65535 bytes", L"MyISAM", L"utf8mb4", row_limit, 0, true},
      {"MyISAM row a byte over", L"MyISAM", L"utf8mb4", row_limit, 1, false},
      {"Aria row a byte over", L"Aria", L"utf8mb4", row_limit, 1, false},
  };
  const std::string db = tk_unicode_to_utf8(db_name_);
  const std::wstring saved_engine = engine_.engine;
  const std::wstring saved_charset = engine_.charset;
  int n = 0;
  for (const boundary_case& c : cases) {
    SCOPED_TRACE(c.what);
    engine_.engine = c.engine;
    engine_.charset = c.charset;
    const std::string table = "b" + std::to_string(n++);

    // The columns as they are, straight to the server.
    std::string plain = "CREATE TABLE `" + db + "`.`" + table + "_plain` (";
    source_schema source;
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
      source.add(c.texts[i], L"t" + std::to_wstring(i), VT_BSTR);
      plain += (i ? ", " : "") + std::string("`t") + std::to_string(i) + "` VARCHAR(" + std::to_string(c.texts[i]) +
               ") CHARACTER SET " + tk_unicode_to_utf8(c.charset);
    }
    for (std::uint32_t i = 0; i < c.bytes; ++i) {
      source.add(1, L"b" + std::to_wstring(i), VT_UI1, true);
      plain += ", `b" + std::to_string(i) + "` TINYINT UNSIGNED NOT NULL";
    }
    plain += ") ENGINE=" + tk_unicode_to_utf8(c.engine);
    bool taken = true;
    try {
      engine_.execute(plain);
    } catch (const sql_exception& e) {
      taken = false;
      EXPECT_EQ(e.code(), 0x400000u | 1118u) << e.what();
    }
    EXPECT_EQ(taken, c.fits);

    // Through the rule: created either way, with one long text only where the server demands.
    ASSERT_NE(db_->create_table(tk_utf8_to_unicode(table), source.schema, udb_indexes()), nullptr);
    EXPECT_EQ(value("SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA='" + db + "' AND TABLE_NAME='" +
                    table + "'"),
              tk_unicode_to_utf8(c.engine));
    EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='" + db + "' AND TABLE_NAME='" +
                    table + "' AND DATA_TYPE='longtext'"),
              c.fits ? "0" : "1");
  }
  engine_.engine = saved_engine;
  engine_.charset = saved_charset;
}

// Fills every column of a new row with its longest text of three-byte characters.
void append_full_row(udb_recordset& table, const udb_schema& schema, std::uint32_t size) {
  auto row = std::make_unique<udb_record>();
  for (const t_ftd* column : schema.fields) {
    row->append(std::make_unique<udb_field>(column->name, 0, ole_variant(std::wstring(size, L'\u20ac')), false, false));
  }
  table.append_record(*row);
  dynamic_cast<sql_table&>(table).flush();
}

TEST_F(LiveRowSize, WideTablesOfRealFilesAreCreatedAndHoldTheirRows) {
  // Table2 of these files has 89 texts of 50 characters: 89 x 151 bytes of InnoDB record in
  // utf8, where 8125 is the most it takes.
  const std::string db = tk_unicode_to_utf8(db_name_);
  int n = 0;
  for (const char* file : {"access/jet3/testV1997.mdb", "access/jet4/testV2000.mdb", "access/ace/testV2007.accdb",
                           "access/ace/testV2010.accdb"}) {
    SCOPED_TRACE(file);
    dao_source_test::opened source = dao_source_test::open_testdata(file);
    std::unique_ptr<udb_recordset> rows = source.db->get_table(L"Table2", 1);
    ASSERT_EQ(rows->schema.fields.size(), 89u);
    const std::wstring name = L"Table2_" + std::to_wstring(n++);
    std::unique_ptr<udb_recordset> target = db_->create_table(name, rows->schema, rows->indexes);
    ASSERT_NE(target, nullptr);
    std::uint64_t copied = 0;
    for (rows->reset(); !rows->is_eof(); rows->next(), ++copied) {
      target->append_record(*rows->get_item());
    }
    append_full_row(*target, rows->schema, 50);
    target.reset();

    const std::string where = "WHERE TABLE_SCHEMA='" + db + "' AND TABLE_NAME='" + tk_unicode_to_utf8(name) + "'";
    EXPECT_EQ(value("SELECT COUNT(*) FROM `" + db + "`.`" + tk_unicode_to_utf8(name) + "`"),
              std::to_string(copied + 1));
    // Every value arrived whole, in every column.
    std::string lengths = "SELECT ";
    for (int i = 1; i <= 89; ++i)
      lengths += (i > 1 ? " + " : "") + std::string("CHAR_LENGTH(`column") + std::to_string(i) + "`)";
    EXPECT_EQ(value(lengths + " FROM `" + db + "`.`" + tk_unicode_to_utf8(name) +
                    "` WHERE `column1` = REPEAT('\xe2\x82\xac', 50)"),
              std::to_string(89 * 50));
    // The indexed columns kept their type, and with it their indexes and the primary key.
    EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.COLUMNS " + where +
                    " AND DATA_TYPE='varchar' AND COLUMN_NAME IN "
                    "('column1', 'column10', 'column14', 'column75')"),
              "4");
    EXPECT_EQ(value("SELECT COUNT(DISTINCT INDEX_NAME) FROM information_schema.STATISTICS " + where), "5");
  }
}

TEST_F(LiveRowSize, SeventyLongTextsInFourByteCharacters) {
  const std::string db = tk_unicode_to_utf8(db_name_);
  const std::wstring saved_charset = engine_.charset;
  engine_.charset = L"utf8mb4";
  source_schema source;
  for (int i = 0; i < 70; ++i) source.add(255, L"c" + std::to_wstring(i), VT_BSTR);
  std::unique_ptr<udb_recordset> target = db_->create_table(L"wide", source.schema, udb_indexes());
  engine_.charset = saved_charset;
  ASSERT_NE(target, nullptr);
  auto row = std::make_unique<udb_record>();
  for (int i = 0; i < 70; ++i) {
    // U+1F600: four bytes in utf8mb4.
    const std::wstring text(255, L'\U0001F600');
    row->append(std::make_unique<udb_field>(L"c" + std::to_wstring(i), 0, ole_variant(text), false, false));
  }
  target->append_record(*row);
  dynamic_cast<sql_table&>(*target).flush();
  target.reset();
  // 70 x 1022 bytes and 9 of NULL flags: six texts must become long texts.
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='" + db +
                  "' AND TABLE_NAME='wide' AND DATA_TYPE='longtext'"),
            "6");
  EXPECT_EQ(rows("SELECT CHAR_LENGTH(`c0`), LENGTH(`c0`), LENGTH(`c69`), COUNT(*) FROM `" + db +
                 "`.`wide` WHERE `c35` = REPEAT('\xf0\x9f\x98\x80', 255)"),
            (std::vector<std::vector<std::string>>{{"255", "1020", "1020", "1"}}));
}

}  // namespace
