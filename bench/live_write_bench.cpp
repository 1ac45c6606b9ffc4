// How fast the live server writer stores rows, beside LOAD DATA LOCAL INFILE of the same rows
// into the same empty table: a synthetic source of N rows with the column mix of a real table
// (integers, a text, a currency, a date, a memo). Prints rows per second of both and the ratio.
//
//   tests/support/test_server.sh start /tmp/bench-server
//   tests/support/with_test_server.sh /tmp/bench-server build/release/bench/live_write_bench [N]
//   tests/support/test_server.sh stop /tmp/bench-server
#include <mysql.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_table.h"
#include "TK/tk_utils.h"
#include "UDB/udb_field.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_schema.h"

namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    std::fprintf(stderr, "%s is not set: run through tests/support/with_test_server.sh\n", name);
    std::exit(2);
  }
  return value;
}

struct row_values {
  int id;
  short qty;
  int code;
  std::wstring name;
  LONGLONG price;  // ten-thousandths
  int day;
  std::wstring memo;
};

row_values make_values(int i) {
  return {i,
          static_cast<short>(i % 1000),
          i * 7 % 100003,
          L"Customer " + std::to_wstring(i) + (i % 11 == 0 ? L" O'Hara \\ ü" : L""),
          static_cast<LONGLONG>(i) * 12345 % 100000000,
          i % 28 + 1,
          std::wstring(static_cast<size_t>(20 + i % 200), L'm') + L"\r\nnote"};
}

std::wstring date_text(int day) {
  return std::wstring(L"2024-03-") + (day < 10 ? L"0" : L"") + std::to_wstring(day) + L" 08:15:00";
}

std::unique_ptr<udb_record> make_record(const row_values& v) {
  auto row = std::make_unique<udb_record>();
  auto add = [&](const wchar_t* name, const ole_variant& value) {
    row->append(std::make_unique<udb_field>(name, 0, value, false, false));
  };
  add(L"id", ole_variant(v.id));
  add(L"qty", ole_variant(v.qty));
  add(L"code", ole_variant(v.code));
  add(L"name", ole_variant(v.name));
  add(L"price", ole_variant(CY{v.price}));
  add(L"day", ole_variant(ole_date(date_text(v.day))));
  add(L"memo", ole_variant(v.memo));
  return row;
}

// The LOAD DATA default format: tab-separated, newline-ended, backslash escapes.
std::string infile_text(const std::wstring& text) {
  std::string out;
  for (char c : tk_unicode_to_utf8(text)) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

std::string price_text(LONGLONG p) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%lld.%04lld", static_cast<long long>(p / 10000),
                static_cast<long long>(p % 10000));
  return buffer;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 200000;
  const std::string host = env("OSTRELLE_TEST_MYSQL_HOST");
  const unsigned port = static_cast<unsigned>(std::atoi(env("OSTRELLE_TEST_MYSQL_PORT").c_str()));
  const std::string user = env("OSTRELLE_TEST_MYSQL_USER");
  const std::string password = env("OSTRELLE_TEST_MYSQL_PASSWORD");

  sql_engine engine;
  engine.connect(host, user, password, port);
  engine.charset = L"utf8mb4";
  const std::wstring db_name = L"ostrelle_bench_" + std::to_wstring(::getpid());
  if (engine.is_db_exist(db_name)) engine.db_delete(db_name);
  std::unique_ptr<udb_database> db = engine.create_db(db_name);

  std::vector<std::unique_ptr<t_ftd>> columns;
  udb_schema schema(false);
  auto column = [&](std::uint32_t size, const wchar_t* name, VARTYPE vt, std::uint32_t reserved) {
    columns.push_back(std::make_unique<t_ftd>(size, name, vt, false, false, ole_variant(), reserved, L""));
    schema.fields.push_back(columns.back().get());
  };
  column(4, L"id", VT_I4, 0);
  column(2, L"qty", VT_I2, 0);
  column(4, L"code", VT_I4, 0);
  column(60, L"name", VT_BSTR, 0);
  column(8, L"price", VT_CY, 0);
  column(8, L"day", VT_DATE, 1);
  column(0, L"memo", VT_BSTR, 0);
  udb_indexes indexes;
  udb_index key(L"pk", true, true);
  key.fields.push_back(L"id");
  indexes.push_back(key);

  std::vector<row_values> source;
  source.reserve(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) source.push_back(make_values(i));

  // The writer, as the run uses it: one record a row, made as the source hands it over.
  double writer_seconds = 0;
  double writer_cpu = 0;  // of this process: the rest of the writer's time is the server's
  {
    std::unique_ptr<udb_recordset> table = db->create_table(L"written", schema, indexes);
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    for (const row_values& v : source) table->append_record(*make_record(v));
    dynamic_cast<sql_table&>(*table).flush();
    writer_seconds = seconds_since(start);
    writer_cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  }

  // LOAD DATA of the same rows into an empty table of the same definition.
  const std::string file = "/tmp/ostrelle_bench_" + std::to_string(::getpid()) + ".tsv";
  {
    std::ofstream out(file, std::ios::binary);
    for (const row_values& v : source) {
      out << v.id << '\t' << v.qty << '\t' << v.code << '\t' << infile_text(v.name) << '\t' << price_text(v.price)
          << '\t' << tk_unicode_to_utf8(date_text(v.day)) << '\t' << infile_text(v.memo) << '\n';
    }
  }
  MYSQL* loader = mysql_init(nullptr);
  const unsigned local_infile = 1;
  mysql_options(loader, MYSQL_OPT_LOCAL_INFILE, &local_infile);
  if (!mysql_real_connect(loader, host.c_str(), user.c_str(), password.c_str(), tk_unicode_to_utf8(db_name).c_str(),
                          port, nullptr, 0)) {
    std::fprintf(stderr, "loader connection: %s\n", mysql_error(loader));
    return 1;
  }
  const std::string setup[] = {"SET NAMES utf8mb4", "CREATE TABLE loaded LIKE written"};
  for (const std::string& statement : setup) mysql_query(loader, statement.c_str());
  const std::string load = "LOAD DATA LOCAL INFILE '" + file + "' INTO TABLE loaded CHARACTER SET utf8mb4";
  const auto start = std::chrono::steady_clock::now();
  if (mysql_query(loader, load.c_str()) != 0) {
    std::fprintf(stderr, "LOAD DATA: %s\n", mysql_error(loader));
    return 1;
  }
  const double load_seconds = seconds_since(start);
  mysql_query(loader, "CHECKSUM TABLE written, loaded");
  MYSQL_RES* sums = mysql_store_result(loader);
  std::string checksums[2];
  for (int i = 0; i < 2 && sums; ++i)
    if (MYSQL_ROW row = mysql_fetch_row(sums)) checksums[i] = row[1] ? row[1] : "NULL";
  if (sums) mysql_free_result(sums);
  mysql_close(loader);
  std::remove(file.c_str());
  engine.db_delete(db_name);

  const double writer_rate = n / writer_seconds;
  const double load_rate = n / load_seconds;
  std::printf("rows: %d (engine %s)\n", n, tk_unicode_to_utf8(engine.engine).c_str());
  std::printf("writer:    %10.0f rows/s (%.2f s, of which %.2f s in this process)\n", writer_rate, writer_seconds,
              writer_cpu);
  std::printf("LOAD DATA: %10.0f rows/s (%.2f s)\n", load_rate, load_seconds);
  std::printf("ratio writer/LOAD DATA: %.2f\n", writer_rate / load_rate);
  std::printf("tables identical: %s\n", checksums[0] == checksums[1] ? "yes" : "NO");
  return checksums[0] == checksums[1] ? 0 : 1;
}
