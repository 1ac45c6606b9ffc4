// Access as a destination, end to end: every table of an Access file copied through the DAO
// layer (create_db, create_table with its indexes, append_record) into a new file, which our
// reader reads back value for value, mdb-export reads as it reads the source (and, in the
// columns it misreads there, as the values the fixture is known to hold), whose indexes
// mdb-schema lists as it lists the source's, and whose index trees and structure pass the
// walker and the audit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_file.h"
#include "tests/jet/dao_test_util.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/support/jet_structure_audit.h"
#include "tests/support/known_values.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_shell.h"

namespace {

// A value as text, the same for the source and the copy whatever width the copy chose.
std::string text_of(const jet::jet_value& v) {
  char buf[64];
  struct visitor {
    char* buf;
    std::string operator()(const jet::jet_null&) const { return "NULL"; }
    std::string operator()(bool b) const { return b ? "1" : "0"; }
    std::string operator()(std::uint8_t n) const { return std::to_string(n); }
    std::string operator()(std::int16_t n) const { return std::to_string(n); }
    std::string operator()(std::int32_t n) const { return std::to_string(n); }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(const jet::jet_currency& c) const { return std::to_string(c.scaled) + "e-4"; }
    std::string operator()(float f) const {
      std::snprintf(buf, 64, "%.9g", static_cast<double>(f));
      return buf;
    }
    std::string operator()(double d) const {
      std::snprintf(buf, 64, "%.17g", d);
      return buf;
    }
    std::string operator()(const jet::jet_date& d) const {
      std::snprintf(buf, 64, "date %.17g", d.days);
      return buf;
    }
    std::string operator()(const std::wstring& s) const { return "'" + tk_unicode_to_utf8(s) + "'"; }
    std::string operator()(const jet::jet_bytes& b) const {
      std::string out = "0x";
      for (auto c : b) {
        std::snprintf(buf, 64, "%02x", c);
        out += buf;
      }
      return out;
    }
    std::string operator()(const jet::jet_uuid& u) const { return (*this)(jet::jet_bytes(u.bytes, u.bytes + 16)); }
    std::string operator()(const jet::jet_decimal& d) const {
      unsigned __int128 m = (static_cast<unsigned __int128>(d.hi) << 64) | d.lo;
      int scale = d.scale;
      while (scale > 0 && m % 10 == 0) {
        m /= 10;
        --scale;
      }
      std::string digits;
      do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
      } while (m != 0);
      return std::string(d.negative ? "-" : "") + digits + "e-" + std::to_string(scale);
    }
    std::string operator()(const jet::jet_complex_id&) const { return "complex"; }
  };
  return std::visit(visitor{buf}, v);
}

// The index lines of `mdb-schema --indexes` (MySQL flavour), sorted: each index with its name,
// columns and whether it is the primary key or unique. The key order is left out: a table
// description names an index's columns without their order, so every copied key ascends.
std::vector<std::string> schema_indexes(const std::string& path) {
  const std::string text =
      test_env::checked_output("mdb-schema --indexes --no-relations " + test_env::shell_quote(path) + " mysql");
  std::vector<std::string> out;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    if (line.find(" ADD ") != std::string::npos) out.push_back(tk_string::replace_all(line, " DESC", ""));
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct table_rows {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> misread;  // columns mdb-export reads wrong: calculated, Date/Time Extended
};

// A calculated column's values as the type its ResultType names, as the table's catalog entry says.
table_rows read_table(const jet::jet_file& file, const jet::jet_object& table) {
  table_rows t;
  jet::jet_cursor c(file, table);
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < c.columns().size(); ++i) {
    if (c.columns()[i].type == jet::jet_complex) continue;  // not copied: no DAO type writes it
    kept.push_back(i);
    t.columns.push_back(tk_unicode_to_utf8(c.columns()[i].name));
    if (c.columns()[i].calculated || c.columns()[i].type == jet::jet_datetime_ext)
      t.misread.push_back(t.columns.back());
  }
  while (c.next()) {
    std::vector<std::string> row;
    for (std::size_t i : kept) row.push_back(text_of(c.value(i)));
    t.rows.push_back(std::move(row));
  }
  EXPECT_FALSE(c.damaged()) << tk_unicode_to_utf8(c.damage());
  return t;
}

// Copies every table of `source` into a new file `target` through the DAO layer.
std::vector<std::wstring> copy_through_dao(const std::string& source, const std::string& password,
                                           const std::string& target, std::vector<std::string>& reports) {
  dao_engine engine(true, 0);
  std::wstring src = tk_utf8_to_unicode(source);
  engine.set_version_smart(src);
  std::unique_ptr<udb_database> in = engine.open_db(src, dao_open_read_only, tk_utf8_to_unicode(password));
  std::unique_ptr<udb_database> out = engine.create_db(tk_utf8_to_unicode(target));
  out->report_error = [&](const std::string& context, const tk_exception& e) {
    reports.push_back(context + ": " + e.what());
  };
  std::vector<std::wstring> names = in->get_table_names();
  for (const auto& name : names) {
    std::unique_ptr<udb_recordset> rows = in->get_table(name, 1);
    if (!rows) continue;
    out->add_tn_mapping(name, name);
    std::unique_ptr<udb_recordset> dest = out->create_table(name, rows->schema, rows->indexes);
    rows->reset();
    while (!rows->is_eof()) {
      if (udb_record* r = rows->get_item()) dest->append_record(*r);
      rows->next();
    }
  }
  out->close();
  return names;
}

// A table as mdb-export writes it, its header first: no quotes, NULL as the word, binary in
// hexadecimal, dates to the second.
std::vector<std::vector<std::string>> exported(const std::string& file, const std::string& table) {
  return test_env::mdb_export_fields(file, table, "-Q -0 NULL -b hex -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S'");
}

// The position of a column in mdb-export's header.
std::size_t column_at(const std::vector<std::string>& header, const std::string& name) {
  return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
}

// The copy's values of a column by ID, read through the DAO layer in the form mdb-export prints
// them (had it read them right), a Double with every digit; "NULL" for NULL.
std::map<long, std::string> values_by_id(const std::string& file, const std::string& table, const std::string& column) {
  dao_engine engine(true, 0);
  const std::wstring path = tk_utf8_to_unicode(file);
  engine.set_version_smart(path);
  std::unique_ptr<udb_database> db = engine.open_db(path, dao_open_read_only, L"");
  std::unique_ptr<udb_recordset> rows = db->get_table(tk_utf8_to_unicode(table), 1);
  std::map<long, std::string> out;
  if (!rows) return out;
  for (rows->reset(); !rows->is_eof(); rows->next()) {
    const udb_record* r = rows->get_item();
    const udb_field* id = r->get_field(L"ID");
    const udb_field* value = r->get_field(tk_utf8_to_unicode(column));
    if (!id || !value) continue;
    const VARIANT& v = value->get_variant();
    if (v.vt == VT_NULL) {
      out[id->to_long()] = "NULL";
    } else if (v.vt == VT_R8) {
      char digits[32];  // every bit of a Double
      std::snprintf(digits, sizeof digits, "%.17g", v.dblVal);
      out[id->to_long()] = digits;
    } else {
      out[id->to_long()] = dao_test::export_text(v);
    }
  }
  return out;
}

// mdb-export reads the copy's values of `want`'s columns as it reads the source's. In the columns
// it misreads in the source, the copy holds what the file is known to hold: read there through
// our reader, since mdb-export also misreads some of those values in the copy (dates before
// 1900, characters beyond the BMP, the last digits of a Double).
void expect_export_matches(const std::string& source, const std::string& target, const std::string& table,
                           const table_rows& want, const test_env::known_table* known) {
  if (want.columns.empty()) return;
  const auto copy = exported(target, table);
  const auto original = exported(source, table);
  ASSERT_FALSE(copy.empty());
  ASSERT_FALSE(original.empty());
  ASSERT_EQ(copy.size(), original.size());
  for (const std::string& column : want.columns) {
    SCOPED_TRACE(column);
    const std::size_t c = column_at(copy.front(), column);
    ASSERT_LT(c, copy.front().size());
    const bool misread = std::find(want.misread.begin(), want.misread.end(), column) != want.misread.end();
    if (!misread) {
      const std::size_t o = column_at(original.front(), column);
      ASSERT_LT(o, original.front().size());
      for (std::size_t r = 1; r < copy.size(); ++r) EXPECT_EQ(copy[r].at(c), original[r].at(o)) << "row " << r;
      continue;
    }
    if (copy.size() == 1) continue;  // no rows, nothing to know
    const test_env::known_column* values =
        known && table == known->table ? test_env::known_column_of(*known, column) : nullptr;
    ASSERT_NE(values, nullptr) << "mdb-export misreads the column and no values are known for it";
    const std::map<long, std::string> got = values_by_id(target, table, column);
    ASSERT_EQ(got.size(), values->rows.size());
    for (std::size_t i = 0; i < values->rows.size(); ++i) {
      const auto at = got.find(static_cast<long>(i + 1));
      ASSERT_NE(at, got.end()) << "ID " << i + 1;
      const char* expected = values->rows[i];
      if (!expected)
        EXPECT_EQ(at->second, "NULL") << "ID " << i + 1;
      else
        EXPECT_TRUE(test_env::is_known_value(*values, expected, at->second)) << "ID " << i + 1 << ": " << at->second;
    }
  }
}

class round_trip : public ::testing::TestWithParam<test_env::access_file> {};

TEST_P(round_trip, every_value_comes_back_and_the_file_is_sound) {
  const test_env::access_file& f = GetParam();
  std::string source = test_env::testdata_path(f.path);
  std::string target = test_env::make_temp_dir() + "/copy.mdb";
  std::vector<std::string> reports;  // one for each index the copy cannot hold
  std::vector<std::wstring> names = copy_through_dao(source, f.password, target, reports);
  ASSERT_TRUE(std::filesystem::exists(target));

  std::unique_ptr<jet::jet_file> src, dst;
  ASSERT_EQ(jet::jet_file::open(source, tk_utf8_to_unicode(f.password), src), jet::jet_status::ok);
  ASSERT_EQ(jet::jet_file::open(target, L"", dst), jet::jet_status::ok);
  jet::jet_catalog src_catalog, dst_catalog;
  ASSERT_TRUE(jet::jet_read_catalog(*src, src_catalog));
  ASSERT_TRUE(jet::jet_read_catalog(*dst, dst_catalog));
  std::vector<table_rows> source_columns;  // each table's columns, in the order of names
  for (const auto& name : names) {
    SCOPED_TRACE(tk_unicode_to_utf8(name));
    const jet::jet_object* a = src_catalog.find_table(name);
    const jet::jet_object* b = dst_catalog.find_table(name);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    table_rows want = read_table(*src, *a);
    source_columns.push_back({want.columns, {}, want.misread});
    table_rows got = read_table(*dst, *b);
    // Columns by name: a complex column of the source arrives as the text or bytes DAO gives
    // for it, so only the source's plain columns are compared.
    ASSERT_EQ(got.rows.size(), want.rows.size());
    for (std::size_t c = 0; c < want.columns.size(); ++c) {
      auto at = std::find(got.columns.begin(), got.columns.end(), want.columns[c]);
      ASSERT_NE(at, got.columns.end()) << want.columns[c];
      std::size_t g = static_cast<std::size_t>(at - got.columns.begin());
      for (std::size_t r = 0; r < want.rows.size(); ++r)
        EXPECT_EQ(got.rows[r][g], want.rows[r][c]) << want.columns[c] << ", row " << r;
    }
  }

  std::vector<std::uint8_t> image;
  {
    std::FILE* in = std::fopen(target.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) image.insert(image.end(), buf, buf + n);
    std::fclose(in);
  }
  test_audit::result audit = test_audit::audit_jet4(image);
  std::string faults;
  for (const auto& fault : audit.faults) faults += fault + "\n";
  EXPECT_TRUE(audit.faults.empty()) << faults;

  // Every index of the copy is a sound tree holding every row under its own key.
  for (const auto& r : jet_test::check_file_indexes(target, true)) {
    SCOPED_TRACE(tk_unicode_to_utf8(r.table) + " index " + std::to_string(r.index));
    EXPECT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.pointers_only, 0u);
    EXPECT_EQ(r.keys_checked, r.entries);
  }

  // The heavy file's 200,000 orders take index trees of three levels.
  if (f.heavy) {
    jet_test::file_pages pages(target);
    int deepest = 0;
    for (const auto& name : names) {
      const jet::jet_object* b = dst_catalog.find_table(name);
      std::vector<jet_test::real_index_def> defs;
      ASSERT_TRUE(b && jet_test::read_real_indexes(*dst, b->page(), defs));
      for (const auto& d : defs)
        deepest = std::max(deepest, jet_test::walk_index(pages.source(), d.root, b->page()).levels);
    }
    EXPECT_GE(deepest, 3);
  }

  // mdbtools reads the copy as it reads the source, but where it cannot read the source (Office
  // encryption): our reader is the reference there.
  if (f.reference != "own") {
    const test_env::known_table* known = test_env::known_values_of(f.path);
    if (f.reference == "expected") {
      ASSERT_NE(known, nullptr) << "no values are known for " << f.path;
    }
    for (std::size_t t = 0; t < names.size(); ++t) {
      SCOPED_TRACE(tk_unicode_to_utf8(names[t]));
      expect_export_matches(source, target, tk_unicode_to_utf8(names[t]), source_columns[t], known);
    }
  }
  if (f.reference == "mdbtools") {
    // Every index of the source is in the copy, but for those reported as left out (over a
    // binary or attachment column, which the table description cannot index).
    const std::vector<std::string> copied = schema_indexes(target);
    const std::vector<std::string> wanted = schema_indexes(source);
    std::vector<std::string> missing;
    std::set_difference(wanted.begin(), wanted.end(), copied.begin(), copied.end(), std::back_inserter(missing));
    EXPECT_TRUE(std::includes(wanted.begin(), wanted.end(), copied.begin(), copied.end()));
    EXPECT_EQ(missing.size(), reports.size()) << ::testing::PrintToString(missing);
    std::vector<std::string> listed = test_env::mdb_tables(target);
    for (const auto& name : names)
      EXPECT_NE(std::find(listed.begin(), listed.end(), tk_unicode_to_utf8(name)), listed.end())
          << tk_unicode_to_utf8(name);
  }
}

std::vector<test_env::access_file> files(bool heavy) {
  std::vector<test_env::access_file> out;
  for (const auto& f : test_env::access_files())
    if (f.heavy == heavy) out.push_back(f);
  return out;
}

std::string case_name(const ::testing::TestParamInfo<test_env::access_file>& info) {
  std::string n;
  for (char c : info.param.path) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(every, round_trip, ::testing::ValuesIn(files(false)), case_name);
INSTANTIATE_TEST_SUITE_P(heavy, round_trip, ::testing::ValuesIn(files(true)), case_name);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(round_trip);

}  // namespace
