// Values the DAO layer changes on their way into and out of a new Access file: a NULL for a
// required column is written as that type's empty value (Access would refuse the row), and a
// time of day, stored on Access's day zero, reads back without that day.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_date.h"
#include "TK/tk_utils.h"
#include "UDB/udb_database.h"
#include "UDB/udb_field.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mdbtools.h"

namespace {

struct column_case {
  const wchar_t* name;
  VARTYPE vt;
  std::uint32_t size;
  bool not_null;
};

ole_variant time_of_day(const char* text) { return ole_variant(ole_date(std::string(text))); }

// A value read back as text; NULL as the word, apart from an empty text.
std::string shown(const udb_field& field) {
  const VARTYPE vt = field.get_type();
  return vt == VT_NULL || vt == VT_EMPTY ? "NULL" : field.to_string();
}

}  // namespace

TEST(dao_dest_values, nulls_in_required_texts_and_times_of_day_read_back) {
  const std::vector<column_case> columns = {
      {L"Name", VT_BSTR, 50, true},
      {L"Note", VT_BSTR, 0, true},  // a Memo
      {L"Count", VT_I4, 4, true},
      {L"At", VT_DATE, 8, false},
  };
  // A NULL is an empty ole_variant.
  const std::vector<std::vector<ole_variant>> rows = {
      {ole_variant(), ole_variant(), ole_variant(1), time_of_day("1899-12-30 10:30:15")},
      {ole_variant(std::wstring(L"x")), ole_variant(std::wstring(L"m")), ole_variant(5),
       time_of_day("1899-12-30 00:00:00")},
      {ole_variant(std::wstring(L"y")), ole_variant(std::wstring(L"n")), ole_variant(6),
       time_of_day("2003-01-02 10:30:00")},
      // A number has no empty value: Access refuses the row.
      {ole_variant(std::wstring(L"z")), ole_variant(std::wstring(L"o")), ole_variant(), ole_variant()},
  };
  // Our text of each value read back; the refused row is not among them.
  const std::vector<std::vector<std::string>> expected = {
      {"", "", "1", "0000-00-00 10:30:15"},
      {"x", "m", "5", "00:00:00"},
      {"y", "n", "6", "2003-01-02 10:30:00"},
  };

  const std::string path = test_env::make_temp_dir() + "/values.mdb";
  dao_engine engine(true, 0);
  ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
  {
    std::vector<std::unique_ptr<t_ftd>> owned;
    udb_schema schema{false};
    for (const auto& c : columns) {
      owned.push_back(std::make_unique<t_ftd>(c.size, c.name, c.vt, c.not_null, false, ole_variant(), 0, L""));
      schema.fields.push_back(owned.back().get());
    }
    std::unique_ptr<udb_database> db = engine.create_db(tk_utf8_to_unicode(path));
    std::unique_ptr<udb_recordset> table = db->create_table(L"T", schema, {});
    for (std::size_t r = 0; r < rows.size(); ++r) {
      udb_record record;
      for (std::size_t i = 0; i < rows[r].size(); ++i)
        record.append(std::make_unique<udb_field>(columns[i].name, 0, rows[r][i], false, false));
      if (r < expected.size()) {
        table->append_record(record);
        continue;
      }
      try {
        table->append_record(record);
        ADD_FAILURE() << "a NULL number in a required column was written";
      } catch (const dao_exception& e) {
        EXPECT_EQ(e.code() & 0xFFFF, 3314u) << e.what();
      }
    }
    table.reset();
    db->close();
  }

  std::unique_ptr<udb_database> db = engine.open_db(tk_utf8_to_unicode(path), dao_open_read_only, L"");
  std::unique_ptr<udb_recordset> table = db->get_table(L"T", 1);
  ASSERT_NE(table, nullptr);
  std::size_t r = 0;
  for (table->reset(); !table->is_eof(); table->next(), ++r) {
    ASSERT_LT(r, expected.size());
    const udb_record* record = table->get_item();
    ASSERT_EQ(record->fields.size(), columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c)
      EXPECT_EQ(shown(*record->fields[c]), expected[r][c]) << "row " << r << " " << tk_unicode_to_utf8(columns[c].name);
  }
  EXPECT_EQ(r, expected.size());

  // An independent reader finds what is stored: the values and the day zero (mdb-export writes an
  // empty text as it writes a NULL).
  const std::vector<std::vector<std::string>> stored = {
      {"", "", "1", "1899-12-30 10:30:15"},
      {"x", "m", "5", "1899-12-30 00:00:00"},
      {"y", "n", "6", "2003-01-02 10:30:00"},
  };
  EXPECT_EQ(test_env::mdb_export_fields(path, "T", "-H -Q -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S'"), stored);
}
