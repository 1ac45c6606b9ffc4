// The reader layer on its own: header decoding, text decoding and the catalog.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "platform/jet/jet_calculated.h"
#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_diagnostics.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_text.h"
#include "platform/jet/jet_values.h"
#include "platform/jet/sql/jet_sql_text.h"
#include "tests/support/test_env.h"
#include "tests/support/test_shell.h"

using namespace jet;

TEST(jet_text, compressed_unicode_switches_runs_at_zero_bytes) {
  struct {
    std::vector<std::uint8_t> bytes;
    std::wstring text;
  } cases[] = {
      {{0xFF, 0xFE, 'a', 'b', 'c'}, L"abc"},
      {{0xFF, 0xFE, 'a', 0x00, 0x3A, 0xD8, 0x00, 'b'},
       L"a\xD83A"
       L"b"},
      {{'a', 0, 'b', 0}, L"ab"},
      {{0x3D, 0xD8, 0x00, 0xDE}, std::wstring(1, static_cast<wchar_t>(0x1F600))},
      {{}, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(jet_decode_unicode(c.bytes.data(), c.bytes.size()), c.text);
}

TEST(jet_text, code_pages_decode_single_and_double_byte_text) {
  const std::uint8_t umlaut[] = {'U', 'm', 's', 0xE4, 't', 'z', 'e'};
  EXPECT_EQ(jet_codepage(1252).decode(umlaut, sizeof umlaut), L"Ums\u00E4tze");
  const std::uint8_t cyrillic[] = {0xC0, 0xE1};
  EXPECT_EQ(jet_codepage(1251).decode(cyrillic, sizeof cyrillic), L"\u0410\u0431");
  const std::uint8_t kanji[] = {0x93, 0xFA, 0x96, 0x7B};
  EXPECT_EQ(jet_codepage(932).decode(kanji, sizeof kanji), L"\u65E5\u672C");
}

TEST(jet_file, open_reports_each_failure) {
  std::unique_ptr<jet_file> f;
  EXPECT_EQ(jet_file::open("/nonexistent/x.mdb", L"", f), jet_status::file_not_found);
  std::string readme = test_env::testdata_path("README.md");
  EXPECT_EQ(jet_file::open(readme, L"", f), jet_status::not_access);
  EXPECT_EQ(jet_file::open(test_env::testdata_path("access/encrypted/db2007-enc.accdb"), L"", f),
            jet_status::bad_password);
  EXPECT_EQ(jet_file::open(test_env::testdata_path("access/real/nwind.mdb"), L"", f), jet_status::ok);
  EXPECT_EQ(f->header().format, jet_format::jet3);
  EXPECT_EQ(f->header().code_page, 1252u);
  EXPECT_TRUE(f->header().password.empty());
  EXPECT_EQ(jet_file::open(test_env::testdata_path("access/encrypted/db-enc.mdb"), L"", f), jet_status::ok);
  EXPECT_TRUE(f->header().page_encoded);
}

TEST(jet_catalog, nwind_tables_in_name_order) {
  std::unique_ptr<jet_file> f;
  ASSERT_EQ(jet_file::open(test_env::testdata_path("access/real/nwind.mdb"), L"", f), jet_status::ok);
  jet_catalog cat;
  ASSERT_TRUE(jet_read_catalog(*f, cat));
  std::vector<std::wstring> user;
  for (const auto& t : cat.tables)
    if (!t.is_system()) user.push_back(t.name);
  std::vector<std::wstring> expected = {L"Categories", L"Customers", L"Employees", L"Order Details", L"Orders",
                                        L"Products",   L"Shippers",  L"Suppliers", L"Ums\u00E4tze"};
  EXPECT_EQ(user, expected);
  EXPECT_FALSE(cat.queries.empty());
}

// Names match whatever their case, in any script, and order by code point after folding; the
// SQL layer's text comparison is the same rule, also for an empty view that holds no pointer.
TEST(jet_catalog, names_compare_without_regard_to_case) {
  const struct {
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  } cases[] = {
      {L"Orders", L"ORDERS", 0},
      {L"Ums\u00E4tze", L"UMS\u00C4TZE", 0},
      {L"\u01C4", L"\u01C6", 0},                          // Latin Extended-B: DZ with caron
      {L"\u03A3\u03BF\u03C2", L"\u03C3\u03BF\u03C3", 0},  // final sigma folds onto sigma
      {L"\u0130", L"i", 1},                               // the dotted capital I folds only in Turkic
      {L"Order", L"Orders", -1},
      {L"b", L"A", 1},
      {L"", L"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(jet_compare_names(c.a, c.b), c.expected) << jet_to_utf8(c.a) << " ~ " << jet_to_utf8(c.b);
    EXPECT_EQ(jet_compare_text(c.a, c.b), c.expected) << jet_to_utf8(c.a) << " ~ " << jet_to_utf8(c.b);
  }
  EXPECT_EQ(jet_compare_text(std::wstring_view(), L""), 0);
  EXPECT_EQ(jet_compare_text(std::wstring_view(), L"a"), -1);
  EXPECT_EQ(jet_compare_text(L"a", std::wstring_view()), 1);
}

TEST(jet_diagnostics, libmdb_text_reaches_the_sink_not_the_screen) {
  // A catalog row whose column offsets point outside the row makes libmdb complain.
  std::string src = test_env::testdata_path("access/real/nwind.mdb");
  std::string cut = test_env::make_temp_dir() + "/cut.mdb";
  {
    std::ifstream in(src, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The end of the first catalog row on page 18: its variable-length column offsets.
    bytes.at(18 * 2048 + 2040) = static_cast<char>(0xFF);
    bytes.at(18 * 2048 + 2041) = static_cast<char>(0xFF);
    std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::string> lines;
  jet_set_diagnostic_sink([&](const std::string& line) { lines.push_back(line); });
  testing::internal::CaptureStderr();
  {
    std::unique_ptr<jet_file> f;
    if (jet_file::open(cut, L"", f) == jet_status::ok) {
      jet_catalog cat;
      if (jet_read_catalog(*f, cat))
        for (const auto& t : cat.tables) {
          jet_cursor c(*f, t.page());
          while (c.next())
            for (std::size_t i = 0; i < c.columns().size(); ++i) c.value(i);
        }
    }
  }
  std::string screen = testing::internal::GetCapturedStderr();
  jet_set_diagnostic_sink(nullptr);
  EXPECT_EQ(screen, "");
  EXPECT_FALSE(lines.empty());
}

namespace {

// UTF-8, as mdb-schema prints names (characters below U+0800 are enough for these files).
std::string narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// "table/index" -> "col1,col2 DESC" for every index mdb-schema prints (it leaves out the
// indexes kept for relationships), "UNIQUE " in front for a unique one; the primary key under
// the name "PRIMARY".
std::map<std::string, std::string> schema_indexes(const std::string& path) {
  std::map<std::string, std::string> out;
  std::istringstream schema(
      test_env::run_shell("mdb-schema --indexes --no-relations " + test_env::shell_quote(path) + " mysql 2>/dev/null")
          .out);
  std::regex line(R"(ALTER TABLE `([^`]*)` ADD (UNIQUE )?(?:INDEX `([^`]*)`|(PRIMARY) KEY) \((.*)\);)");
  for (std::string text; std::getline(schema, text);) {
    std::smatch m;
    if (!std::regex_search(text, m, line)) continue;
    std::string cols = std::regex_replace(m[5].str(), std::regex("`"), "");
    cols = std::regex_replace(cols, std::regex(", "), ",");
    out[m[1].str() + "/" + (m[4].matched ? "PRIMARY" : m[3].str())] = m[2].str() + cols;
  }
  return out;
}

}  // namespace

// Key columns, their order and the unique flag of every index of every file mdbtools reads.
TEST(jet_indexes, columns_and_unique_flags_match_mdb_schema) {
  // The committed list, so a file dropped into the test data does not join unasked. Office
  // encryption and calculated columns are beyond mdbtools: those files are left out here.
  std::vector<std::string> files;
  for (const test_env::access_file& file : test_env::access_files())
    if (file.reference == "mdbtools") files.push_back(test_env::testdata_dir() + "/" + file.path);
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    std::unique_ptr<jet_file> f;
    ASSERT_EQ(jet_file::open(path, L"", f), jet_status::ok);
    jet_catalog cat;
    ASSERT_TRUE(jet_read_catalog(*f, cat));
    std::map<std::string, std::string> ours;
    for (const auto& t : cat.tables) {
      if (t.is_system() || t.type != jet_obj_table) continue;
      jet_table_def def;
      std::vector<jet_index_def> indexes;
      ASSERT_TRUE(f->read_table(t.page(), def));
      ASSERT_TRUE(f->read_indexes(t.page(), indexes));
      for (const auto& idx : indexes) {
        if (idx.foreign) continue;
        std::string cols;
        for (const auto& k : idx.columns) {
          if (!cols.empty()) cols += ",";
          ASSERT_GE(k.column, 0);
          cols += narrow(def.columns[static_cast<std::size_t>(k.column)].name) + (k.descending ? " DESC" : "");
        }
        ours[narrow(t.name) + "/" + (idx.primary ? "PRIMARY" : narrow(idx.name))] =
            (idx.unique && !idx.primary ? "UNIQUE " : "") + cols;
      }
    }
    EXPECT_EQ(ours, schema_indexes(path));
  }
}

TEST(jet_indexes, relationship_indexes_keep_their_columns) {
  std::unique_ptr<jet_file> f;
  ASSERT_EQ(jet_file::open(test_env::testdata_path("access/jet4/indexTestV2000.mdb"), L"", f), jet_status::ok);
  jet_catalog cat;
  ASSERT_TRUE(jet_read_catalog(*f, cat));
  const jet_object* t = cat.find_table(L"Table1");
  ASSERT_NE(t, nullptr);
  jet_table_def def;
  std::vector<jet_index_def> indexes;
  ASSERT_TRUE(f->read_table(t->page(), def));
  ASSERT_TRUE(f->read_indexes(t->page(), indexes));
  std::map<std::wstring, std::wstring> foreign;
  for (const auto& idx : indexes)
    if (idx.foreign && idx.columns.size() == 1)
      foreign[idx.name] = def.columns[static_cast<std::size_t>(idx.columns[0].column)].name;
  EXPECT_EQ(foreign,
            (std::map<std::wstring, std::wstring>{{L"Table2Table1", L"otherfk1"}, {L"Table3Table1", L"otherfk2"}}));
}

TEST(jet_values, calculated_results_are_unwrapped) {
  std::vector<std::uint8_t> wrapped(16, 0xAB);
  for (std::uint8_t b : {4, 0, 0, 0, 0x2A, 0, 0, 0, 0xEE, 0xEE, 0xEE}) wrapped.push_back(b);
  struct {
    std::vector<std::uint8_t> bytes;
    std::size_t offset;
    std::size_t size;
  } cases[] = {
      {wrapped, 20, 4},   // the result, without the trailing bytes
      {{1, 2, 3}, 0, 3},  // too short to be wrapped
      {std::vector<std::uint8_t>(wrapped.begin(), wrapped.begin() + 22), 20, 2},  // cut short
  };
  for (const auto& c : cases) {
    jet_span s = jet_unwrap_calculated(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(s.data, c.bytes.data() + c.offset);
    EXPECT_EQ(s.size, c.size);
  }
}

// A calculated Decimal in each length the magnitude may take; a magnitude beyond 96 bits or bytes
// cut short are no value.
TEST(jet_values, calculated_decimals_read_every_magnitude_length) {
  std::unique_ptr<jet_file> f;
  ASSERT_EQ(jet_file::open(test_env::testdata_path("fixtures/calcColumnsV2010.accdb"), L"", f), jet_status::ok);
  jet_column column;
  column.type = jet_numeric;
  column.calculated = true;
  auto wrapped = [](std::vector<std::uint8_t> result) {
    std::vector<std::uint8_t> bytes(16, 0);
    const std::size_t n = result.size();
    for (int shift : {0, 8, 16, 24}) bytes.push_back(static_cast<std::uint8_t>(n >> shift));
    bytes.insert(bytes.end(), result.begin(), result.end());
    bytes.insert(bytes.end(), {0, 0, 0});
    return bytes;
  };
  const struct {
    std::vector<std::uint8_t> result;
    const char* text;  // sign, 96-bit magnitude in hexadecimal, scale; nullptr: no value
  } cases[] = {
      // 12500.0000 as the file's maker wrote it: the high word, then the low 64 bits.
      {{14, 0, 4, 0, 0, 0, 0, 0, 0x40, 0x59, 0x73, 0x07, 0, 0, 0, 0}, "+ 0:0000000007735940 /4"},
      {{14, 0, 4, 0x80, 0, 0, 0, 0, 0xBC, 0, 0, 0, 0, 0, 0, 0}, "- 0:00000000000000BC /4"},
      {{14, 0, 2, 0, 0x78, 0x56, 0x34, 0x12, 8, 7, 6, 5, 4, 3, 2, 1}, "+ 12345678:0102030405060708 /2"},
      {{6, 0, 0, 0, 0x2A, 0, 0, 0}, "+ 0:000000000000002A /0"},
      {{10, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}, "+ 0:0000000000000001 /1"},
      {{18, 0, 0, 0, 0x11, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}, "+ 11:0000000000000002 /0"},
      {{18, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, nullptr},  // beyond 96 bits
      {{14, 0, 29, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, nullptr},             // scale past 28
      {{14, 0, 4, 0, 0, 0, 0, 0}, nullptr},                                      // cut short
  };
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> bytes = wrapped(c.result);
    const jet_value v = jet_decode_value(*f, column, bytes.data(), bytes.size());
    const auto* d = std::get_if<jet_decimal>(&v);
    if (!c.text) {
      EXPECT_TRUE(std::holds_alternative<jet_null>(v)) << c.result.size();
      continue;
    }
    ASSERT_NE(d, nullptr) << c.text;
    char text[64];
    std::snprintf(text, sizeof text, "%c %X:%016llX /%u", d->negative ? '-' : '+', d->hi,
                  static_cast<unsigned long long>(d->lo), d->scale);
    EXPECT_STREQ(text, c.text);
  }
}

// A calculated column's values are of the type its ResultType names when it names a known one,
// whatever the definition's type byte says; an unknown ResultType leaves them to the type byte.
// Columns without an expression are not calculated, whatever ResultType they carry.
TEST(jet_values, calculated_values_take_the_result_type_when_it_is_known) {
  std::unique_ptr<jet_file> f;
  ASSERT_EQ(jet_file::open(test_env::testdata_path("fixtures/calcResultTypeV2010.accdb"), L"", f), jet_status::ok);
  // -0.1250 as Currency (-1250 ten-thousandths), wrapped as a calculated value.
  std::vector<std::uint8_t> bytes(16, 0);
  for (std::uint8_t b : {8, 0, 0, 0, 0x1E, 0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) bytes.push_back(b);
  double as_double = 0;
  std::memcpy(&as_double, bytes.data() + 20, sizeof as_double);
  const struct {
    const char* what;
    int type_byte;
    bool expression;
    int result_type;
    bool calculated;
    int value_type;
  } cases[] = {
      {"Currency under the Double byte", jet_double, true, jet_money, true, jet_money},
      {"unknown result type", jet_double, true, 0x42, true, jet_double},
      {"OLE is no result type", jet_double, true, jet_ole, true, jet_double},
      {"no expression", jet_double, false, jet_money, false, jet_double},
      {"no result type", jet_double, true, 0, false, jet_double},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<jet_property> properties = {{L"ResultType", jet_byte, static_cast<std::uint8_t>(c.result_type)}};
    if (c.expression) properties.push_back({L"Expression", jet_memo, std::wstring(L"[Salary]/12")});
    jet_column column;
    column.type = c.type_byte;
    jet_apply_calculation(column, jet_calculation_of(properties));
    EXPECT_EQ(column.calculated, c.calculated);
    EXPECT_EQ(jet_value_type(column), c.value_type);
    if (!c.calculated) continue;
    const jet_value v = jet_decode_value(*f, column, bytes.data(), bytes.size());
    if (c.value_type == jet_money) {
      ASSERT_TRUE(std::holds_alternative<jet_currency>(v));
      EXPECT_EQ(std::get<jet_currency>(v).scaled, -1250);
    } else {
      ASSERT_TRUE(std::holds_alternative<double>(v));
      EXPECT_EQ(std::memcmp(&std::get<double>(v), &as_double, sizeof as_double), 0);
    }
  }
}

// Through a cursor over the catalog's table, Monthly (Double in the definition, Currency in
// ResultType) reads as Currency; a cursor given only the definition page cannot know better.
TEST(jet_values, a_cursor_over_a_catalog_table_reads_calculated_values_as_their_result) {
  std::unique_ptr<jet_file> f;
  ASSERT_EQ(jet_file::open(test_env::testdata_path("fixtures/calcResultTypeV2010.accdb"), L"", f), jet_status::ok);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*f, catalog));
  const jet_object* people = catalog.find_table(L"People");
  ASSERT_NE(people, nullptr);
  jet_cursor rows(*f, *people);
  const int monthly = jet_find_column(rows.columns(), L"Monthly");
  ASSERT_GE(monthly, 0);
  EXPECT_EQ(rows.columns()[static_cast<std::size_t>(monthly)].type, jet_double);
  std::vector<std::int64_t> scaled;
  while (rows.next()) {
    const jet_value v = rows.value(static_cast<std::size_t>(monthly));
    ASSERT_TRUE(std::holds_alternative<jet_currency>(v));
    scaled.push_back(std::get<jet_currency>(v).scaled);
  }
  EXPECT_EQ(scaled, (std::vector<std::int64_t>{833333333, -1250, 0, 102880658}));
}

// Date/Time Extended: days since 0001-01-01, seconds of the day and 100-nanosecond units, kept
// whole; what is not such a value stays the text it is.
TEST(jet_values, extended_dates_read_in_iso_form_with_seven_fraction_digits) {
  const struct {
    std::string stored;
    const wchar_t* text;
  } cases[] = {
      {std::string("0000000000000737954:0000000459000000000:7") + '\0', L"2021-06-14 12:45:00.0000000"},
      {"0000000000000000000:0000000000000000001:7", L"0001-01-01 00:00:00.0000001"},
      {"0000000000003652058:0000000863999999999:7", L"9999-12-31 23:59:59.9999999"},
      {"0000000000000693593:0000000000000000000:7", L"1899-12-30 00:00:00.0000000"},
      {"0000000000000730178:0000000000000000000:7", L"2000-02-29 00:00:00.0000000"},
      {"0000000000000737954", L"0000000000000737954"},                                              // cut short
      {"0000000000000737954:0000000864000000000:7", L"0000000000000737954:0000000864000000000:7"},  // no such time
      {"00000000000007379x4:0000000459000000000:7", L"00000000000007379x4:0000000459000000000:7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.stored.data());
    EXPECT_EQ(jet_datetime_ext_text(bytes, c.stored.size()), c.text);
  }
}

namespace {

// Every row found again by its position, in reverse order, with the same stored bytes; rows
// kept elsewhere (overflow rows) included. A position that holds no row is refused.
TEST(jet_cursor, seek_returns_to_every_row) {
  const struct {
    const char* file;
    const wchar_t* table;
  } cases[] = {
      {"access/real/nwind.mdb", L"Orders"},
      {"access/jet3/overflowTestV1997.mdb", L"Table1"},
      {"access/jet4/testV2000.mdb", L"Table1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::unique_ptr<jet_file> f;
    ASSERT_EQ(jet_file::open(test_env::testdata_path(c.file), L"", f), jet_status::ok);
    jet_catalog cat;
    ASSERT_TRUE(jet_read_catalog(*f, cat));
    const jet_object* t = cat.find_table(c.table);
    ASSERT_NE(t, nullptr);
    jet_cursor walk(*f, t->page());
    std::vector<std::pair<std::uint64_t, std::vector<jet_bytes>>> rows;
    while (walk.next()) {
      std::vector<jet_bytes> values;
      for (std::size_t i = 0; i < walk.columns().size(); ++i) values.push_back(walk.bytes(i));
      rows.emplace_back(walk.position(), std::move(values));
    }
    ASSERT_EQ(rows.size(), walk.row_count());
    jet_cursor look(*f, t->page());
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) {
      ASSERT_TRUE(look.seek(r->first)) << r->first;
      EXPECT_EQ(look.position(), r->first);
      for (std::size_t i = 0; i < r->second.size(); ++i) EXPECT_EQ(look.bytes(i), r->second[i]) << r->first;
    }
    EXPECT_FALSE(look.seek(0));
    EXPECT_FALSE(look.seek(std::uint64_t{1} << 40));
  }
}

}  // namespace
