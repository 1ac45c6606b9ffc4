// How the server takes the same rows two ways, as the live writer would send them: LOAD DATA
// LOCAL INFILE fed from memory, and a prepared INSERT with array binding (MariaDB's bulk
// execution, with typed values and with every value as text, as the writer binds them), each
// in batches of about 1 MB inside one transaction with a savepoint per batch. Every batch is
// built before the clock starts, so the figures are the server's (and the wire's), not the
// client's. Runs alternate, each into a fresh empty table; prints the median
// of each and the median ratio of the pairs.
//
//   tests/support/test_server.sh start /tmp/bench-server
//   tests/support/with_test_server.sh /tmp/bench-server build/release/bench/bulk_insert_bench [ROWS] [PAIRS]
//   tests/support/test_server.sh stop /tmp/bench-server
#include <mysql.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    std::fprintf(stderr, "%s is not set: run through tests/support/with_test_server.sh\n", name);
    std::exit(2);
  }
  return value;
}

constexpr std::size_t kBatchBytes = 1000000;

// The column mix of an order line: integers, a text, a currency, a date, a memo that may be NULL.
struct row {
  int id;
  short qty;
  int code;
  std::string name;
  std::string price;  // DECIMAL text
  MYSQL_TIME day;
  std::string memo;
  bool memo_null;
};

row make_row(int i) {
  row r{};
  r.id = i;
  r.qty = static_cast<short>(i % 1000);
  r.code = i * 7 % 100003;
  r.name = "Customer " + std::to_string(i) + (i % 11 == 0 ? " O'Hara \\ \xc3\xbc" : "");
  const long long p = static_cast<long long>(i) * 12345 % 100000000;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%lld.%04lld", p / 10000, p % 10000);
  r.price = buffer;
  r.day.year = 2024;
  r.day.month = 3;
  r.day.day = static_cast<unsigned>(i % 28 + 1);
  r.day.hour = 8;
  r.day.minute = 15;
  r.day.time_type = MYSQL_TIMESTAMP_DATETIME;
  r.memo_null = i % 13 == 0;
  r.memo = std::string(static_cast<size_t>(20 + i % 200), 'm') + "\r\nnote";
  return r;
}

// LOAD DATA's default text form of one value.
void put_text(const std::string& text, std::string& out) {
  for (char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
}

std::string load_line(const row& r) {
  char day[32];
  std::snprintf(day, sizeof day, "%04u-%02u-%02u %02u:%02u:%02u", r.day.year, r.day.month, r.day.day, r.day.hour,
                r.day.minute, r.day.second);
  std::string out = std::to_string(r.id) + '\t' + std::to_string(r.qty) + '\t' + std::to_string(r.code) + '\t';
  put_text(r.name, out);
  out += '\t' + r.price + '\t' + day + '\t';
  if (r.memo_null)
    out += "\\N";
  else
    put_text(r.memo, out);
  out += '\n';
  return out;
}

// One batch in both forms: LOAD DATA text, and the column arrays of a bulk execution.
struct batch {
  std::string text;
  std::vector<int> id, code;
  std::vector<short> qty;
  std::vector<const char*> name, price, memo;
  std::vector<unsigned long> name_length, price_length, memo_length;
  // Column-wise binding takes values of variable size (texts, dates) by pointer.
  std::vector<const MYSQL_TIME*> day;
  std::vector<char> memo_indicator;
  // The same values all as text, the way the writer binds them (the server converts each).
  std::vector<std::string> text_values;  // row after row, seven a row
  std::vector<const char*> text_pointers[7];
  std::vector<unsigned long> text_lengths[7];
  std::size_t rows() const { return id.size(); }
};

std::vector<batch> make_batches(const std::vector<row>& rows) {
  std::vector<batch> batches(1);
  for (const row& r : rows) {
    std::string line = load_line(r);
    if (batches.back().text.size() + line.size() > kBatchBytes) batches.emplace_back();
    batch& b = batches.back();
    b.text += line;
    b.id.push_back(r.id);
    b.qty.push_back(r.qty);
    b.code.push_back(r.code);
    b.name.push_back(r.name.data());
    b.name_length.push_back(r.name.size());
    b.price.push_back(r.price.data());
    b.price_length.push_back(r.price.size());
    b.day.push_back(&r.day);
    b.memo.push_back(r.memo.data());
    b.memo_length.push_back(r.memo.size());
    b.memo_indicator.push_back(r.memo_null ? STMT_INDICATOR_NULL : STMT_INDICATOR_NONE);
    char day[32];
    std::snprintf(day, sizeof day, "%04u-%02u-%02u %02u:%02u:%02u", r.day.year, r.day.month, r.day.day, r.day.hour,
                  r.day.minute, r.day.second);
    for (const std::string& v : {std::to_string(r.id), std::to_string(r.qty), std::to_string(r.code), r.name, r.price,
                                 std::string(day), r.memo})
      b.text_values.push_back(v);
  }
  for (batch& b : batches) {
    for (std::size_t i = 0; i < b.text_values.size(); ++i) {
      b.text_pointers[i % 7].push_back(b.text_values[i].data());
      b.text_lengths[i % 7].push_back(b.text_values[i].size());
    }
  }
  return batches;
}

struct memory_rows {
  const std::string* text = nullptr;
  std::size_t at = 0;
};
int rows_init(void** state, const char*, void* source) {
  *state = source;
  static_cast<memory_rows*>(source)->at = 0;
  return 0;
}
int rows_read(void* state, char* buffer, unsigned int length) {
  auto* rows = static_cast<memory_rows*>(state);
  const std::size_t n = std::min<std::size_t>(length, rows->text->size() - rows->at);
  std::memcpy(buffer, rows->text->data() + rows->at, n);
  rows->at += n;
  return static_cast<int>(n);
}
void rows_end(void*) {}
int rows_error(void*, char* message, unsigned int length) {
  std::snprintf(message, length, "no rows");
  return 2000;
}

void run(MYSQL* mysql, const std::string& statement) {
  if (mysql_real_query(mysql, statement.data(), statement.size()) != 0) {
    std::fprintf(stderr, "%s: %s\n", statement.c_str(), mysql_error(mysql));
    std::exit(1);
  }
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const char kColumns[] = "(id, qty, code, name, price, day, memo)";

void fresh_table(MYSQL* mysql) {
  run(mysql, "DROP TABLE IF EXISTS t");
  run(mysql,
      "CREATE TABLE t (id INT NOT NULL PRIMARY KEY, qty SMALLINT, code INT, name VARCHAR(60), "
      "price DECIMAL(19,4), day DATETIME, memo LONGTEXT) ENGINE=InnoDB");
}

double time_load(MYSQL* mysql, const std::vector<batch>& batches) {
  fresh_table(mysql);
  memory_rows source;
  mysql_set_local_infile_handler(mysql, rows_init, rows_read, rows_end, rows_error, &source);
  const std::string load = std::string("LOAD DATA LOCAL INFILE 'rows' INTO TABLE t CHARACTER SET utf8mb4 ") + kColumns;
  const auto start = std::chrono::steady_clock::now();
  run(mysql, "START TRANSACTION");
  for (const batch& b : batches) {
    run(mysql, "SAVEPOINT batch");
    source.text = &b.text;
    run(mysql, load);
    if (mysql_warning_count(mysql) != 0 || mysql_affected_rows(mysql) != b.rows()) {
      std::fprintf(stderr, "LOAD DATA warned or lost rows\n");
      std::exit(1);
    }
  }
  run(mysql, "COMMIT");
  return seconds_since(start);
}

double time_bulk(MYSQL* mysql, const std::vector<batch>& batches, bool as_text) {
  fresh_table(mysql);
  const auto start = std::chrono::steady_clock::now();
  run(mysql, "START TRANSACTION");
  MYSQL_STMT* stmt = mysql_stmt_init(mysql);
  const std::string insert = std::string("INSERT INTO t") + kColumns + " VALUES (?, ?, ?, ?, ?, ?, ?)";
  if (mysql_stmt_prepare(stmt, insert.data(), insert.size()) != 0) {
    std::fprintf(stderr, "prepare: %s\n", mysql_stmt_error(stmt));
    std::exit(1);
  }
  for (const batch& cb : batches) {
    batch& b = const_cast<batch&>(cb);  // the binding takes non-const pointers
    run(mysql, "SAVEPOINT batch");
    unsigned int size = static_cast<unsigned int>(b.rows());
    mysql_stmt_attr_set(stmt, STMT_ATTR_ARRAY_SIZE, &size);
    MYSQL_BIND bind[7];
    std::memset(bind, 0, sizeof bind);
    bind[0].buffer_type = MYSQL_TYPE_LONG;
    bind[0].buffer = b.id.data();
    bind[1].buffer_type = MYSQL_TYPE_SHORT;
    bind[1].buffer = b.qty.data();
    bind[2].buffer_type = MYSQL_TYPE_LONG;
    bind[2].buffer = b.code.data();
    bind[3].buffer_type = MYSQL_TYPE_STRING;
    bind[3].buffer = b.name.data();
    bind[3].length = b.name_length.data();
    bind[4].buffer_type = MYSQL_TYPE_STRING;
    bind[4].buffer = b.price.data();
    bind[4].length = b.price_length.data();
    bind[5].buffer_type = MYSQL_TYPE_DATETIME;
    bind[5].buffer = b.day.data();
    bind[6].buffer_type = MYSQL_TYPE_STRING;
    bind[6].buffer = b.memo.data();
    bind[6].length = b.memo_length.data();
    bind[6].u.indicator = b.memo_indicator.data();
    if (as_text) {
      for (int c = 0; c < 7; ++c) {
        bind[c].buffer_type = MYSQL_TYPE_STRING;
        bind[c].buffer = b.text_pointers[c].data();
        bind[c].length = b.text_lengths[c].data();
      }
    }
    if (mysql_stmt_bind_param(stmt, bind) != 0 || mysql_stmt_execute(stmt) != 0) {
      std::fprintf(stderr, "bulk execute: %s\n", mysql_stmt_error(stmt));
      std::exit(1);
    }
    if (mysql_stmt_affected_rows(stmt) != b.rows()) {
      std::fprintf(stderr, "bulk execute stored %llu of %zu rows\n",
                   static_cast<unsigned long long>(mysql_stmt_affected_rows(stmt)), b.rows());
      std::exit(1);
    }
  }
  mysql_stmt_close(stmt);
  run(mysql, "COMMIT");
  return seconds_since(start);
}

std::string checksum(MYSQL* mysql) {
  run(mysql, "CHECKSUM TABLE t");
  MYSQL_RES* result = mysql_store_result(mysql);
  MYSQL_ROW r = result ? mysql_fetch_row(result) : nullptr;
  std::string sum = r && r[1] ? r[1] : "NULL";
  if (result) mysql_free_result(result);
  return sum;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int pairs = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string host = env("OSTRELLE_TEST_MYSQL_HOST");
  const unsigned port = static_cast<unsigned>(std::atoi(env("OSTRELLE_TEST_MYSQL_PORT").c_str()));
  const std::string user = env("OSTRELLE_TEST_MYSQL_USER");
  const std::string password = env("OSTRELLE_TEST_MYSQL_PASSWORD");

  MYSQL* mysql = mysql_init(nullptr);
  const unsigned local_infile = 1;
  mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &local_infile);
  if (!mysql_real_connect(mysql, host.c_str(), user.c_str(), password.c_str(), nullptr, port, nullptr, 0)) {
    std::fprintf(stderr, "connection: %s\n", mysql_error(mysql));
    return 1;
  }
  // Array binding is MariaDB's alone: a server without it (MySQL) has nothing to compare.
  unsigned long long extended = 0;
  mariadb_get_infov(mysql, MARIADB_CONNECTION_EXTENDED_SERVER_CAPABILITIES, &extended);
  if ((extended & (MARIADB_CLIENT_STMT_BULK_OPERATIONS >> 32)) == 0) {
    std::fprintf(stderr, "the server has no bulk execution (not MariaDB 10.2 or later)\n");
    return 1;
  }
  const std::string db = "ostrelle_bulk_bench_" + std::to_string(::getpid());
  run(mysql, "CREATE DATABASE " + db);
  run(mysql, "USE " + db);
  run(mysql, "SET NAMES utf8mb4");

  std::vector<row> rows;
  rows.reserve(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) rows.push_back(make_row(i));
  const std::vector<batch> batches = make_batches(rows);

  std::vector<double> load_times, bulk_times, text_times, ratios, text_ratios;
  std::string load_sum, bulk_sum, text_sum;
  for (int p = 0; p < pairs; ++p) {
    const double load = time_load(mysql, batches);
    load_sum = checksum(mysql);
    const double bulk = time_bulk(mysql, batches, false);
    bulk_sum = checksum(mysql);
    const double text = time_bulk(mysql, batches, true);
    text_sum = checksum(mysql);
    load_times.push_back(load);
    bulk_times.push_back(bulk);
    text_times.push_back(text);
    ratios.push_back(bulk / load);
    text_ratios.push_back(text / load);
  }
  run(mysql, "DROP DATABASE " + db);
  mysql_close(mysql);

  std::printf("rows: %d in %zu batches of about %zu bytes, %d pairs (medians)\n", n, batches.size(), kBatchBytes,
              pairs);
  std::printf("LOAD DATA from memory:        %.3f s\n", median(load_times));
  std::printf("INSERT with array binding:    %.3f s\n", median(bulk_times));
  std::printf("the same, every value as text: %.3f s\n", median(text_times));
  std::printf("ratio array binding/LOAD DATA: %.2f (every value as text: %.2f)\n", median(ratios), median(text_ratios));
  const bool same = load_sum == bulk_sum && load_sum == text_sum;
  std::printf("tables identical: %s\n", same ? "yes" : "NO");
  return same ? 0 : 1;
}
