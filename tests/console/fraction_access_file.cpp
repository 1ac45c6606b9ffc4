// Writing the Access file whose dates and times hold fractions of a second.
#include "tests/console/fraction_access_file.h"

#include <stdexcept>
#include <vector>

#include "platform/jet/write/jet_writer.h"
#include "platform/oleaut/oleauto.h"

namespace console_test {
namespace {

jet::jet_date at(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD milliseconds) {
  SYSTEMTIME t{};
  t.wYear = year;
  t.wMonth = month;
  t.wDay = day;
  t.wHour = hour;
  t.wMinute = minute;
  t.wSecond = second;
  t.wMilliseconds = milliseconds;
  DATE date = 0;
  if (!SystemTimeToVariantTime(&t, &date)) throw std::runtime_error("no such date");
  return jet::jet_date{date};
}

// A time of day alone is stored on Access's day 0.
jet::jet_date time_of_day(WORD hour, WORD minute, WORD second, WORD milliseconds) {
  return at(1899, 12, 30, hour, minute, second, milliseconds);
}

jet::jet_new_column column(const wchar_t* name, int type) {
  jet::jet_new_column c;
  c.name = name;
  c.type = type;
  return c;
}

}  // namespace

std::string access_file_with_fractions(const std::string& folder) {
  const std::string path = folder + "/fractions.mdb";
  std::unique_ptr<jet::jet_writer> writer = jet::jet_writer::create(path, jet::jet_header_options{});
  const jet::jet_table_id table = writer->add_table(
      L"Times",
      {column(L"Id", jet::jet_long), column(L"At", jet::jet_datetime), column(L"TimeOfDay", jet::jet_datetime)});
  const std::vector<std::vector<jet::jet_value>> rows = {
      {std::int32_t{1}, at(2000, 2, 29, 23, 59, 59, 999), time_of_day(8, 0, 0, 0)},
      {std::int32_t{2}, at(9999, 12, 31, 23, 59, 59, 999), time_of_day(12, 0, 0, 500)},
      {std::int32_t{3}, at(2000, 1, 1, 8, 0, 0, 0), jet::jet_null{}},
  };
  for (const auto& row : rows) writer->append_row(table, row);
  writer->close();
  return path;
}

}  // namespace console_test
