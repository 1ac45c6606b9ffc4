// The mdbtools programs as the tests' independent reader.
#include "tests/support/test_mdbtools.h"

#include "tests/support/test_shell.h"

namespace test_env {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

std::vector<std::string> mdb_tables(const std::string& file, bool must_read) {
  const std::string command = "mdb-tables -1 " + shell_quote(file);
  const std::string text = must_read ? checked_output(command) : run_shell(command + " 2>/dev/null").out;
  std::vector<std::string> tables;
  for (std::string& name : split(text, '\n'))
    if (!name.empty()) tables.push_back(std::move(name));
  return tables;
}

std::vector<csv_row> parse_mdb_csv(const std::string& text) {
  std::vector<csv_row> rows;
  csv_row row;
  std::string field;
  bool quoted = false, in_quotes = false, any = false;
  auto end_field = [&] {
    if (!quoted && field == "NULL")
      row.push_back(std::nullopt);
    else
      row.push_back(field);
    field.clear();
    quoted = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_quotes) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        in_quotes = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      in_quotes = quoted = any = true;
    } else if (c == ',') {
      end_field();
      any = true;
    } else if (c == '\n') {
      end_field();
      rows.push_back(std::move(row));
      row.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  // A last row without its line end still counts.
  if (any) {
    end_field();
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::vector<std::string>> mdb_export_fields(const std::string& file, const std::string& table,
                                                        const std::string& options) {
  const std::string text = run_shell("mdb-export -d " + shell_quote("\x1f") + " -R " + shell_quote("\x1e") + " " +
                                     options + " " + shell_quote(file) + " " + shell_quote(table) + " 2>/dev/null")
                               .out;
  std::vector<std::string> records = split(text, '\x1e');
  if (records.back().empty()) records.pop_back();  // what follows the last row's separator
  std::vector<std::vector<std::string>> rows;
  rows.reserve(records.size());
  for (const std::string& record : records) rows.push_back(split(record, '\x1f'));
  return rows;
}

}  // namespace test_env
