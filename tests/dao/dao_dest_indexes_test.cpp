// Indexes of new Access tables through the DAO layer: the ones Access cannot hold are left out
// and each is reported with its table and name, index columns follow renamed columns, and a
// unique index refuses a repeated key with DAO's error while the file stays sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_utils.h"
#include "UDB/udb_field.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/support/test_env.h"

namespace {

struct columns {
  std::vector<std::unique_ptr<t_ftd>> owned;
  udb_schema schema{false};
  void add(const std::wstring& name, VARTYPE vt, std::uint32_t size = 0) {
    owned.push_back(std::make_unique<t_ftd>(size, name, vt, false, false, ole_variant(), 0, L""));
    schema.fields.push_back(owned.back().get());
  }
};

udb_index index_on(const std::wstring& name, std::vector<std::wstring> fields, bool unique = false,
                   bool primary = false) {
  udb_index i(name, unique, primary);
  i.fields = std::move(fields);
  return i;
}

struct written {
  std::string path;
  std::vector<std::string> reports;
};

// The named indexes of `table`, in the order they were made.
std::vector<jet::jet_index_def> indexes_of(const std::string& path, const std::wstring& table) {
  std::unique_ptr<jet::jet_file> file;
  EXPECT_EQ(jet::jet_file::open(path, L"", file), jet::jet_status::ok);
  jet::jet_catalog catalog;
  EXPECT_TRUE(jet::jet_read_catalog(*file, catalog));
  const jet::jet_object* t = catalog.find_table(table);
  EXPECT_NE(t, nullptr);
  std::vector<jet::jet_index_def> defs;
  if (t) {
    EXPECT_TRUE(file->read_indexes(t->page(), defs));
  }
  // In the order they were made (the file keeps them by name).
  std::sort(defs.begin(), defs.end(),
            [](const jet::jet_index_def& a, const jet::jet_index_def& b) { return a.number < b.number; });
  return defs;
}

void expect_sound_indexes(const std::string& path) {
  for (const auto& r : jet_test::check_file_indexes(path, true)) {
    SCOPED_TRACE(tk_unicode_to_utf8(r.table) + " index " + std::to_string(r.index));
    EXPECT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.keys_checked, r.entries);
  }
}

}  // namespace

// Twelve Long columns C0..C11, a binary column, a memo and a column whose name Access refuses
// (a trailing blank); 34 indexes asked for besides three Access cannot hold.
TEST(dao_dest_indexes, indexes_access_cannot_hold_are_reported_the_rest_made) {
  columns c;
  for (int i = 0; i < 12; ++i) c.add(L"C" + std::to_wstring(i), VT_I4);
  c.add(L"Photo", VT_ARRAY | VT_UI1, 0);
  c.add(L"Label ", VT_BSTR, 20);
  udb_indexes wanted;
  wanted.push_back(index_on(L"PrimaryKey", {L"C0"}, true, true));
  std::vector<std::wstring> eleven;
  for (int i = 1; i < 12; ++i) eleven.push_back(L"C" + std::to_wstring(i));
  wanted.push_back(index_on(L"Wide", eleven));
  wanted.push_back(index_on(L"ByPhoto", {L"Photo"}));
  wanted.push_back(index_on(L"Empty", {}));
  wanted.push_back(index_on(L"ByLabel", {L"Label "}, true));
  for (int i = 0; i < 32; ++i)
    wanted.push_back(index_on(L"I" + std::to_wstring(i), {L"C" + std::to_wstring(i % 11 + 1), L"C0"}));

  written out{test_env::make_temp_dir() + "/indexes.mdb", {}};
  {
    dao_engine engine(true, 0);
    ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
    std::unique_ptr<udb_database> db = engine.create_db(tk_utf8_to_unicode(out.path));
    db->report_error = [&](const std::string& context, const tk_exception& e) {
      out.reports.push_back(context + ": " + e.what());
    };
    std::unique_ptr<udb_recordset> rows = db->create_table(L"Wide table", c.schema, wanted);
    ASSERT_TRUE(rows);
    db->close();
  }

  // The last two are past the 32nd.
  std::vector<std::string> expected = {
      "Table 'Wide table', index 'Wide': the index is not created: It has more than 10 columns.",
      "Table 'Wide table', index 'ByPhoto': the index is not created: Its column 'Photo' cannot be part of an index.",
      "Table 'Wide table', index 'Empty': the index is not created: It has no columns.",
      "Table 'Wide table', index 'I30': the index is not created: A table holds at most 32 indexes.",
      "Table 'Wide table', index 'I31': the index is not created: A table holds at most 32 indexes.",
  };
  EXPECT_EQ(out.reports, expected);

  const auto defs = indexes_of(out.path, L"Wide table");
  ASSERT_EQ(defs.size(), 32u);
  EXPECT_EQ(defs[0].name, L"PrimaryKey");
  EXPECT_TRUE(defs[0].primary);
  // The renamed column's index names the column by its new name.
  EXPECT_EQ(defs[1].name, L"ByLabel");
  EXPECT_TRUE(defs[1].unique);
  ASSERT_EQ(defs[1].columns.size(), 1u);
  EXPECT_EQ(defs[1].columns[0].column, 13);
  EXPECT_EQ(defs[31].name, L"I29");
  expect_sound_indexes(out.path);
}

// A repeated primary key is refused with DAO's error 3022 and the row is not written; the rows
// before and after it are, under their own keys.
TEST(dao_dest_indexes, unique_index_refuses_a_repeated_key) {
  columns c;
  c.add(L"Id", VT_I4);
  c.add(L"Name", VT_BSTR, 30);
  udb_indexes wanted;
  wanted.push_back(index_on(L"PrimaryKey", {L"Id"}, true, true));
  wanted.push_back(index_on(L"Name", {L"Name"}));

  const std::string path = test_env::make_temp_dir() + "/unique.mdb";
  {
    dao_engine engine(true, 0);
    ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
    std::unique_ptr<udb_database> db = engine.create_db(tk_utf8_to_unicode(path));
    std::unique_ptr<udb_recordset> rows = db->create_table(L"People", c.schema, wanted);
    auto record = [](int id, const wchar_t* name) {
      auto r = std::make_unique<udb_record>();
      r->append(std::make_unique<udb_field>(L"Id", 0, ole_variant(id), false, false));
      r->append(std::make_unique<udb_field>(L"Name", 0, ole_variant(std::wstring(name)), false, false));
      return r;
    };
    rows->append_record(*record(1, L"Ann"));
    try {
      rows->append_record(*record(1, L"Bob"));
      ADD_FAILURE() << "a repeated key was accepted";
    } catch (const dao_exception& e) {
      EXPECT_EQ(e.code() & 0xFFFF, 3022u);
      EXPECT_NE(std::string(e.what()).find("duplicate values in the index"), std::string::npos) << e.what();
    }
    rows->append_record(*record(2, L"Bob"));
    db->close();
  }
  const auto defs = indexes_of(path, L"People");
  ASSERT_EQ(defs.size(), 2u);
  expect_sound_indexes(path);
  for (const auto& r : jet_test::check_file_indexes(path))
    if (r.table == L"People") {
      EXPECT_EQ(r.entries, 2u);
    }
}
