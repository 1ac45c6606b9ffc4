// The live server database against the private MariaDB: server errors, tables created from
// source schemas and read back, paged reading of tables and queries, views already on the server.
#include <set>

#include "SQL/sql_exception.h"
#include "SQL/sql_recordset.h"
#include "SQL/sql_table.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "live_fixture.h"

namespace {

using LiveDatabase = LiveServer;

TEST_F(LiveDatabase, ServerErrorsArriveWithTheirNumber) {
  struct error_case {
    const wchar_t* statement;
    unsigned error;
  };
  const std::vector<error_case> cases = {
      {L"SELECT * FROM nowhere", 1146},
      {L"SELEKT 1", 1064},
      {L"SELECT nothing FROM information_schema.tables", 1054},
  };
  for (const error_case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.statement)));
    try {
      db_->query(c.statement);
      ADD_FAILURE() << "no exception";
    } catch (const sql_exception& e) {
      EXPECT_EQ(e.code(), 0x400000u | c.error);
      EXPECT_EQ(e.kind(), 0u);
      EXPECT_STRNE(e.what(), "");
    }
    EXPECT_FALSE(db_->test_query(c.statement));
    EXPECT_THROW(db_->query_append(tk_unicode_to_utf8(c.statement)), sql_exception);
  }
  EXPECT_TRUE(db_->test_query(L"SELECT 1"));
  // The connection is usable after each refusal.
  EXPECT_EQ(value("SELECT 2"), "2");

  const sql_prep_stmt_failed_exception prepared;
  EXPECT_STREQ(prepared.what(), "Failed to execute prepared statement");
  EXPECT_EQ(prepared.code(), 0x400BB9u);
  EXPECT_EQ(prepared.kind(), 1u);
}

// One column of a source schema and what reading the created table back must give.
struct column_case {
  const wchar_t* name;
  VARTYPE vt;
  std::uint32_t size;
  bool not_null;
  ole_variant default_value;
  std::uint32_t reserved;
  VARTYPE read_vt;
  std::uint32_t read_size;   // 0: not compared
  const char* read_default;  // the server's COLUMN_DEFAULT, "<NULL>" for none
};

TEST_F(LiveDatabase, CreatedTablesReadBackAsDefined) {
  const std::vector<column_case> cases = {
      {L"id", VT_I4, 4, true, ole_variant(), 0, VT_I4, 0, "<NULL>"},
      {L"name", VT_BSTR, 50, true, ole_variant(L"it's"), 0, VT_BSTR, 50, "'it''s'"},
      {L"memo", VT_BSTR, 0, false, ole_variant(), 0, VT_BSTR, 0, "NULL"},
      {L"price", VT_CY, 8, false, ole_variant(), 0, VT_DECIMAL, 0, "NULL"},
      {L"small", VT_I2, 2, false, ole_variant(short(7)), 0, VT_I2, 0, "7"},
      {L"tiny", VT_UI1, 1, false, ole_variant(), 0, VT_UI1, 0, "NULL"},
      {L"big", VT_I8, 8, false, ole_variant(), 0, VT_I8, 0, "NULL"},
      {L"ratio", VT_R8, 8, false, ole_variant(1.5), 0, VT_R8, 0, "1.5"},
      {L"flag", VT_BOOL, 1, true, ole_variant(false), 0, VT_I1, 0, "0"},
      {L"created", VT_DATE, 8, false, ole_variant(), 9, VT_DATE, 0, "current_timestamp()"},
      {L"photo", VT_ARRAY | VT_UI1, 0, false, ole_variant(), 0, VT_ARRAY | VT_UI1, 0, "NULL"},
      {L"wide1", VT_BSTR, 700, false, ole_variant(), 0, VT_BSTR, 700, "NULL"},
      {L"wide2", VT_BSTR, 700, false, ole_variant(), 0, VT_BSTR, 700, "NULL"},
  };
  source_schema source;
  for (const column_case& c : cases) source.add(c.size, c.name, c.vt, c.not_null, false, c.default_value, c.reserved);
  source.columns[0]->auto_increment = true;
  source.columns[1]->description = L"Ends in a backslash \\ and has 'quotes'\nand a line\\";
  udb_indexes indexes;
  indexes.push_back(make_index(L"PrimaryKey", {L"id"}, true, true));
  indexes.push_back(make_index(L"by name", {L"name"}, true));
  indexes.push_back(make_index(L"pair", {L"small", L"tiny"}));
  // 1400 characters of utf8mb4 exceed every engine's key limit: left out, the table stays.
  indexes.push_back(make_index(L"too long", {L"wide1", L"wide2"}));

  std::unique_ptr<udb_recordset> created = db_->create_table(L"all kinds", source.schema, indexes);
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(db_->is_table_exist(L"ALL KINDS"));

  std::unique_ptr<udb_recordset> table = db_->get_table(L"all kinds", 2);
  ASSERT_EQ(table->schema.fields.size(), cases.size());
  const std::string db = tk_unicode_to_utf8(db_name_);
  for (size_t i = 0; i < cases.size(); ++i) {
    const column_case& c = cases[i];
    SCOPED_TRACE(tk_unicode_to_utf8(c.name));
    const t_ftd& read = *table->schema.fields[i];
    EXPECT_EQ(read.name, c.name);
    EXPECT_EQ(read.vartype, c.read_vt);
    if (c.read_size) {
      EXPECT_EQ(read.size, c.read_size);
    }
    EXPECT_EQ(read.not_null, c.not_null || i == 0);
    EXPECT_EQ(value("SELECT IFNULL(COLUMN_DEFAULT, '<NULL>') FROM information_schema.COLUMNS "
                    "WHERE TABLE_SCHEMA='" +
                    db + "' AND TABLE_NAME='all kinds' AND COLUMN_NAME='" + tk_unicode_to_utf8(c.name) + "'"),
              c.read_default);
  }
  EXPECT_TRUE(table->schema.fields[0]->auto_increment);
  EXPECT_EQ(table->schema.fields[9]->dw_reserved, ftd_marker_now);  // CURRENT_TIMESTAMP read back
  EXPECT_EQ(table->schema.fields[4]->default_value.to_long(), 7);
  EXPECT_EQ(value("SELECT COLUMN_COMMENT FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='" + db +
                  "' AND TABLE_NAME='all kinds' AND COLUMN_NAME='name'"),
            "Ends in a backslash \\ and has 'quotes'\nand a line\\");

  ASSERT_EQ(table->indexes.size(), 3u);
  EXPECT_TRUE(table->indexes[0].primary);
  EXPECT_EQ(table->indexes[0].fields, std::vector<std::wstring>{L"id"});
  EXPECT_EQ(table->key_index, 0);
  EXPECT_TRUE(table->indexes[1].unique);
  EXPECT_EQ(table->indexes[1].name, L"by name");
  EXPECT_EQ(table->indexes[2].fields, (std::vector<std::wstring>{L"small", L"tiny"}));
  EXPECT_FALSE(table->indexes[2].unique);

  // Opened for columns only, the indexes are not read.
  EXPECT_TRUE(db_->get_table(L"all kinds", 0x40)->indexes.empty());
  // Created again: the existing table is opened, not changed.
  EXPECT_NE(db_->create_table(L"All Kinds", source.schema, udb_indexes()), nullptr);
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA='" + db +
                  "' AND TABLE_NAME='all kinds' AND INDEX_NAME='pair'"),
            "2");
}

TEST_F(LiveDatabase, DefaultsTheServerComputesAreNoValues) {
  engine_.execute("CREATE TABLE computed (i INT DEFAULT (1 + 1), j INT DEFAULT 5, f DOUBLE DEFAULT 1.5)");
  std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
  std::unique_ptr<udb_recordset> table = db->get_table(L"computed", 2);
  ASSERT_EQ(table->schema.fields.size(), 3u);
  EXPECT_EQ(table->schema.fields[0]->default_value.get_type(), VT_EMPTY);  // not read as a number
  EXPECT_EQ(table->schema.fields[1]->default_value.to_long(), 5);
  EXPECT_EQ(table->schema.fields[2]->default_value.to_string(), "1.5000000000000000e+00");
}

TEST_F(LiveDatabase, RowsTooWideGetLongTextsOutsideTheirKeys) {
  engine_.charset = L"utf8";  // three bytes a character, as the sums below count
  source_schema source;
  for (int i = 0; i < 6; ++i) source.add(4000, L"t" + std::to_wstring(i), VT_BSTR);
  udb_indexes indexes;
  indexes.push_back(make_index(L"pk", {L"t5"}, true, true));
  ASSERT_NE(db_->create_table(L"wide", source.schema, indexes), nullptr);
  // Six texts of 4000 three-byte characters (utf8) need 72,013 bytes a row: one long text
  // brings the row under 65,535. The key column keeps its type; the source schema is left as it was.
  EXPECT_EQ(value("SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='" +
                  tk_unicode_to_utf8(db_name_) + "' AND TABLE_NAME='wide' AND COLUMN_NAME='t5'"),
            "varchar");
  EXPECT_EQ(source.columns[5]->size, 4000u);
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='" +
                  tk_unicode_to_utf8(db_name_) + "' AND TABLE_NAME='wide' AND DATA_TYPE='longtext'"),
            "1");
}

TEST_F(LiveDatabase, PagesReturnEveryRowOnce) {
  engine_.execute("CREATE TABLE many (id INT PRIMARY KEY, label VARCHAR(20)) ENGINE=InnoDB");
  engine_.execute("INSERT INTO many SELECT seq, CONCAT('row ', seq) FROM seq_1_to_10000");
  // A fresh database object sees the new table.
  std::unique_ptr<udb_database> reopened = engine_.open_db(db_name_, 2, L"");
  std::unique_ptr<udb_recordset> table = reopened->get_table(L"many", 0);
  EXPECT_EQ(table->row_count, 10000u);
  std::set<long> seen;
  std::size_t rows_read = 0;
  for (table->reset(); !table->is_eof(); table->next()) {
    udb_record* row = table->get_item();
    ASSERT_NE(row, nullptr);
    const long id = row->fields[0]->to_long();
    EXPECT_EQ(row->fields[1]->to_wstring(), L"row " + std::to_wstring(id));
    seen.insert(id);
    ++rows_read;
  }
  EXPECT_EQ(rows_read, 10000u);
  EXPECT_EQ(seen.size(), 10000u);
  EXPECT_EQ(*seen.begin(), 1);
  EXPECT_EQ(*seen.rbegin(), 10000);
}

TEST_F(LiveDatabase, ALostConnectionWhilePagingIsAServerError) {
  engine_.execute("CREATE TABLE many (id INT PRIMARY KEY)");
  engine_.execute("INSERT INTO many SELECT seq FROM seq_1_to_1000");
  std::unique_ptr<udb_database> reopened = engine_.open_db(db_name_, 2, L"");
  std::unique_ptr<udb_recordset> table = reopened->get_table(L"many", 0);
  const std::string id = value("SELECT CONNECTION_ID()");
  MYSQL* other = mysql_init(nullptr);
  ASSERT_NE(mysql_real_connect(other, server_.host.c_str(), server_.user.c_str(), server_.password.c_str(), nullptr,
                               server_.port, nullptr, 0),
            nullptr);
  EXPECT_EQ(mysql_query(other, ("KILL CONNECTION " + id).c_str()), 0);
  mysql_close(other);
  try {
    for (; !table->is_eof(); table->next()) {
    }
    ADD_FAILURE() << "the walk ended without noticing";
  } catch (const sql_exception& e) {
    EXPECT_TRUE(e.code() == (0x400000u | 2006u) || e.code() == (0x400000u | 2013u)) << e.code();
  }
  table.reset();
  reopened.reset();
  owned_.reset();
  engine_.connect(server_.host, server_.user, server_.password, server_.port);
}

TEST_F(LiveDatabase, QueriesAndEmptyTablesReadBack) {
  engine_.execute("CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(10), b BLOB) CHARSET utf8mb4");
  engine_.execute("INSERT INTO t VALUES (1, 'ä€😀', x'00FF'), (2, NULL, NULL), (3, 'c', '')");
  std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
  std::unique_ptr<udb_recordset> q =
      db->get_query(L"q", L"SELECT name, id * 2 AS twice FROM t WHERE id < 3 ORDER BY id", 0);
  EXPECT_EQ(q->row_count, 2u);
  ASSERT_FALSE(q->is_eof());
  EXPECT_EQ(q->get_item()->fields[0]->to_wstring(), L"ä€😀");
  EXPECT_EQ(q->get_item()->fields[1]->to_long(), 2);
  q->next();
  EXPECT_EQ(q->get_item()->fields[0]->get_type(), VT_EMPTY);
  q->next();
  EXPECT_TRUE(q->is_eof());

  std::unique_ptr<udb_recordset> t = db->get_table(L"t", 0);
  const udb_field& bytes = *t->get_item()->fields[2];
  ASSERT_EQ(bytes.get_type(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(bytes.to_wstring(), L"0x00FF");

  db->empty_table(L"t");
  std::unique_ptr<udb_recordset> empty = db->get_table(L"t", 0);
  EXPECT_TRUE(empty->is_eof());
  EXPECT_EQ(empty->get_item(), nullptr);
  // A query reader cannot write.
  EXPECT_THROW(q->append_record(*make_row({{L"id", ole_variant(1)}})), tk_mail_assertion);
}

TEST_F(LiveDatabase, ExistingViewsAreListedWithCleanDefinitions) {
  engine_.execute("CREATE TABLE base (id INT, name VARCHAR(10))");
  engine_.execute("CREATE VIEW v AS SELECT id, name FROM base WHERE id > 1");
  std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
  ASSERT_EQ(db->views.size(), 1u);
  EXPECT_EQ(db->views[0].first, L"v");
  EXPECT_EQ(db->views[0].second.find(db_name_), std::wstring::npos) << db->views[0].second;
  EXPECT_NE(db->views[0].second.find(L"`base`"), std::wstring::npos);
  EXPECT_EQ(db->get_table_names(), std::vector<std::wstring>{L"base"});
  // Mode bit 0x80: no views read.
  EXPECT_TRUE(engine_.open_db(db_name_, 0x80, L"")->views.empty());
}

TEST_F(LiveDatabase, DroppingAndReadOnlyGuards) {
  source_schema source;
  source.add(4, L"a", VT_I4);
  db_->create_table(L"gone", source.schema, udb_indexes());
  EXPECT_TRUE(db_->delete_tab(L"gone"));
  EXPECT_FALSE(db_->is_table_exist(L"gone"));
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_NAME='gone'"), "0");
  EXPECT_THROW(db_->get_table(L"gone", 0), tk_mail_assertion);
  std::unique_ptr<udb_database> read_only = engine_.open_db(db_name_, 1, L"");
  EXPECT_THROW(read_only->create_table(L"x", source.schema, udb_indexes()), tk_mail_assertion);
}

}  // namespace
