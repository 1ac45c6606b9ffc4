// The engine against the private MariaDB: connection and session, version, server lists,
// databases, column types the server accepts, and every kind of value through INSERT and SELECT.
#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_types.h"
#include "SQL/sql_values.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_database.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mysql.h"

namespace {

// The first row of a statement's result, column by column, byte for byte.
std::vector<std::string> first_row(sql_engine& engine, const std::string& statement) {
  engine.execute(statement);
  MYSQL_RES* result = engine.connection().store_result();
  EXPECT_NE(result, nullptr) << statement;
  const auto rows = test_env::null_marked(test_env::result_rows(result));
  return rows.empty() ? std::vector<std::string>() : rows[0];
}

std::string first_value(sql_engine& engine, const std::string& statement) {
  std::vector<std::string> row = first_row(engine, statement);
  return row.empty() ? std::string("<no row>") : row[0];
}

class SqlEngineServer : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = test_env::test_server();
    ASSERT_FALSE(server_.host.empty());
    engine_.connect(server_.host, server_.user, server_.password, server_.port);
  }

  // A fresh database of this process, dropped at the end of the test.
  std::wstring make_database() {
    db_name_ = L"ostrelle_sqlcore_" + std::to_wstring(::getpid());
    if (engine_.is_db_exist(db_name_)) engine_.db_delete(db_name_);
    database_ = engine_.create_db(db_name_);
    return db_name_;
  }

  void TearDown() override {
    database_.reset();
    if (!db_name_.empty() && engine_.is_connected && engine_.is_db_exist(db_name_)) {
      engine_.db_delete(db_name_);
    }
  }

  test_env::server_address server_;
  sql_engine engine_;
  std::wstring db_name_;
  std::unique_ptr<udb_database> database_;
};

TEST_F(SqlEngineServer, ConnectSetsUpTheSession) {
  ASSERT_TRUE(engine_.is_connected);
  const std::string version_text = first_value(engine_, "SELECT VERSION()");
  int major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(version_text.c_str(), "%d.%d.%d", &major, &minor, &patch), 3);
  EXPECT_EQ(engine_.version, static_cast<std::uint32_t>(major << 16 | minor << 8 | patch));
  EXPECT_FALSE(engine_.is_old_version());
  // Four-byte characters pass the connection.
  EXPECT_EQ(first_value(engine_, "SELECT @@character_set_client"), "utf8mb4");
  EXPECT_GE(std::stoi(first_value(engine_, "SELECT @@session.wait_timeout")), 28800);
  EXPECT_EQ(first_value(engine_, "SELECT @@session.foreign_key_checks"), "0");
  EXPECT_EQ(engine_.get_max_allowed_packet(), 64u * 1024 * 1024);
}

TEST_F(SqlEngineServer, ReconnectReplacesTheConnection) {
  const std::string first_id = first_value(engine_, "SELECT CONNECTION_ID()");
  engine_.connect(server_.host, server_.user, server_.password, server_.port);
  EXPECT_NE(first_value(engine_, "SELECT CONNECTION_ID()"), first_id);
  EXPECT_EQ(first_value(engine_, "SELECT @@character_set_client"), "utf8mb4");
}

TEST(SqlEngineServerLogin, WrongPasswordIsAServerError) {
  const test_env::server_address server = test_env::test_server();
  ASSERT_FALSE(server.host.empty());
  sql_engine engine;
  try {
    engine.connect(server.host, server.user, server.password + "x", server.port);
    FAIL() << "connected with a wrong password";
  } catch (const sql_exception& e) {
    EXPECT_EQ(e.code(), 0x400000u | 1045u);
    EXPECT_EQ(e.kind(), 0u);
    EXPECT_NE(std::string(e.what()).find("Access denied"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(engine.is_connected);
  // The same engine connects once the password is right.
  engine.connect(server.host, server.user, server.password, server.port);
  EXPECT_TRUE(engine.is_connected);
}

TEST(SqlEngineServerLog, PasswordNeverReachesTheLog) {
  const test_env::server_address server = test_env::test_server();
  ASSERT_FALSE(server.host.empty());
  const std::string log_file = test_env::make_temp_dir() + "/engine.log";
  {
    tk_logger logger(log_file.c_str(), true, 1, false);
    sql_engine engine;
    engine.connect(server.host, server.user, server.password, server.port);
    EXPECT_THROW(engine.connect(server.host, server.user, server.password + "x", server.port), sql_exception);
  }
  std::ifstream in(log_file, std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("sql_engine::connect("), std::string::npos);
  EXPECT_EQ(log.find(server.password), std::string::npos);
}

TEST_F(SqlEngineServer, ListsComeFromTheServer) {
  const std::vector<std::wstring>& charsets = engine_.get_charsets();
  EXPECT_NE(std::find(charsets.begin(), charsets.end(), L"utf8mb4 - UTF-8 Unicode"), charsets.end());
  EXPECT_NE(std::find(charsets.begin(), charsets.end(), L"latin1 - cp1252 West European"), charsets.end());

  std::vector<std::wstring> supported;
  engine_.execute("SHOW ENGINES");
  MYSQL_RES* result = engine_.connection().store_result();
  ASSERT_NE(result, nullptr);
  for (const test_env::mysql_row& row : test_env::result_rows(result)) {
    if (row.at(1).value() != "NO") supported.push_back(tk_utf8_to_unicode(row.at(0).value()));
  }
  EXPECT_EQ(engine_.get_storage_engines(), supported);
  EXPECT_NE(std::find(supported.begin(), supported.end(), L"InnoDB"), supported.end());
  // Kept for the rest of the process.
  EXPECT_EQ(&engine_.get_storage_engines(), &engine_.get_storage_engines());
}

TEST_F(SqlEngineServer, CreatesOpensAndDropsADatabase) {
  const std::wstring name = make_database();
  ASSERT_NE(database_, nullptr);
  EXPECT_TRUE(engine_.is_db_exist(name));
  const std::string created = first_row(engine_, "SHOW CREATE DATABASE `" + tk_unicode_to_utf8(name) + "`").at(1);
  EXPECT_NE(created.find("utf8"), std::string::npos) << created;
  database_ = engine_.open_db(name, 0x80, L"");
  EXPECT_NE(database_, nullptr);
  database_.reset();

  engine_.db_delete(name);
  EXPECT_FALSE(engine_.is_db_exist(name));
  try {
    engine_.db_delete(name);
    FAIL() << "dropped a missing database";
  } catch (const sql_exception& e) {
    EXPECT_EQ(e.code(), 0x400000u | 1008u);
  }
  EXPECT_THROW(engine_.open_db(name, 0x80, L""), sql_exception);
  // A backtick is part of the name, not the end of its quotes.
  engine_.create_db(L"odd`name");
  EXPECT_TRUE(engine_.is_db_exist(L"odd`name"));
  engine_.db_delete(L"odd`name");
  EXPECT_FALSE(engine_.is_db_exist(L"odd`name"));
  // A name the server refuses is its error, never a shorter name.
  EXPECT_THROW(engine_.create_db(std::wstring(65, L'x')), sql_exception);
  EXPECT_FALSE(engine_.is_db_exist(std::wstring(63, L'x')));
}

// A column described as the Access source describes it, with its default.
struct column_case {
  VARTYPE vt;
  std::uint32_t size;
  std::uint32_t dw_reserved;
  std::wstring default_value;
  std::string expected_default;  // as information_schema shows it
};

TEST_F(SqlEngineServer, EveryColumnTypeAndDefaultIsAccepted) {
  make_database();
  const column_case cases[] = {
      {VT_I2, 2, 0, L"-7", "-7"},
      {VT_I4, 4, 0, L"42", "42"},
      {VT_I4, 4, 0, L"007", "NULL"},
      {VT_R4, 4, 0, L"", "NULL"},
      {VT_R8, 8, 0, L"-0.0", "0"},
      {VT_R8, 8, 0, L"1);DROP TABLE t", "NULL"},
      {VT_CY, 8, 0, L"12.5", "12.5000"},
      {VT_BOOL, 2, 0, L"1", "1"},
      {VT_DECIMAL, 16, 0, L"1.25", "1.25"},
      {VT_UI1, 1, 0, L"255", "255"},
      {VT_UI8, 8, 0, L"-1", "NULL"},
      {VT_I8, 8, 0, L"-9223372036854775808", "-9223372036854775808"},
      {VT_BSTR, 50, 0, L"it's\r\na \\ test", "'it''s\\r\\na \\\\ test'"},
      {VT_BSTR, 30000, 0, L"", "NULL"},
      {VT_BSTR, 0, 0, L"", "NULL"},
      {VT_BSTR, 10, 16, L"", "NULL"},
      {VT_BSTR, 0, 2, L"", "NULL"},
      {VT_ARRAY | VT_UI1, 100, 0, L"", "NULL"},
      {VT_ARRAY | VT_UI1, 1000, 0, L"", "NULL"},
      {VT_ARRAY | VT_UI1, 70000, 0, L"", "NULL"},
      {VT_ARRAY | VT_UI1, 0, 0, L"", "NULL"},
      {VT_DATE, 8, 1, L"1998-07-15 10:20:30", "'1998-07-15 10:20:30'"},
      {VT_DATE, 8, 2, L"1998-07-15", "'1998-07-15'"},
      {VT_DATE, 8, 1, L"getdate()", "current_timestamp()"},
      {VT_DATE, 8, 9, L"", "current_timestamp()"},
      {VT_DATE, 8, 10, L"", "curdate()"},
      {VT_DATE, 8, 11, L"", "curtime()"},
      {VT_DATE, 8, 0, L"", "NULL"},
  };
  std::string statement = "CREATE TABLE t (";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const column_case& c = cases[i];
    t_ftd d(c.size, L"c" + std::to_wstring(i), c.vt, false, false,
            c.default_value.empty() ? ole_variant() : ole_variant(c.default_value), c.dw_reserved, L"");
    if (c.vt == VT_DECIMAL) {
      d.precision = 10;
      d.scale = 2;
    }
    if (i) statement += ", ";
    statement += "c" + std::to_string(i) + " " + tk_unicode_to_utf8(get_sql_native_type2(d, false));
    const std::wstring def = make_mysql_def_val(&d);
    if (!def.empty()) statement += " DEFAULT " + tk_unicode_to_utf8(def);
  }
  statement += ") ENGINE=InnoDB";
  ASSERT_NO_THROW(engine_.execute(statement)) << statement;

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string shown =
        first_value(engine_, "SELECT COLUMN_DEFAULT FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
                                 tk_unicode_to_utf8(db_name_) + "' AND TABLE_NAME = 't' AND COLUMN_NAME = 'c" +
                                 std::to_string(i) + "'");
    EXPECT_EQ(shown, cases[i].expected_default) << "column c" << i;
  }
}

// Every size boundary of the text and binary types, alone in a table of the database's
// character set, is a table the server accepts.
TEST_F(SqlEngineServer, TypesAtEverySizeBoundaryAreAccepted) {
  make_database();
  const std::uint32_t text_sizes[] = {1, 255, 16383, 16384, 21844, 21845, 5592405, 5592406, 0};
  const std::uint32_t binary_sizes[] = {1, 255, 256, 65535, 65536, 16777215, 16777216, 0};
  int n = 0;
  for (const wchar_t* charset : {L"utf8", L"utf8mb4"}) {
    engine_.charset = charset;
    auto accept = [&](VARTYPE vt, std::uint32_t size, std::uint32_t dw_reserved) {
      const t_ftd d(size, L"c", vt, false, false, ole_variant(), dw_reserved, L"");
      const std::string statement = "CREATE TABLE t" + std::to_string(n++) + " (c " +
                                    tk_unicode_to_utf8(get_sql_native_type2(d, false)) + ") CHARACTER SET " +
                                    tk_unicode_to_utf8(charset);
      EXPECT_NO_THROW(engine_.execute(statement)) << statement;
    };
    for (std::uint32_t size : text_sizes) accept(VT_BSTR, size, 0);
    for (std::uint32_t size : binary_sizes) accept(VT_ARRAY | VT_UI1, size, 0);
    for (std::uint32_t dw : {0u, 1u, 2u, 3u, 9u, 10u}) accept(VT_DATE, 8, dw);
    for (VARTYPE vt :
         {VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_BOOL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT}) {
      accept(vt, 8, 0);
    }
    accept(VT_BSTR, 10, 16);
    accept(VT_BSTR, 0, 2);
  }
}

}  // namespace
