// Relationships written through the DAO layer: the Access-made files that hold relationships
// copied (tables, rows, then relationships) into new files that list the same relationships to
// mdbtools and to our reader, with sound index trees; and relationships DAO refuses, each
// reported under its name while the others are made and the file stays sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_utils.h"
#include "UDB/udb_field.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/support/jet_structure_audit.h"
#include "tests/support/test_env.h"
#include "tests/support/test_shell.h"

namespace {

void expect_sound_file(const std::string& path) {
  std::vector<std::uint8_t> image;
  std::FILE* in = std::fopen(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  std::uint8_t buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) image.insert(image.end(), buf, buf + n);
  std::fclose(in);
  const test_audit::result audit = test_audit::audit_jet4(image);
  std::string faults;
  for (const auto& fault : audit.faults) faults += fault + "\n";
  EXPECT_TRUE(audit.faults.empty()) << faults;
  for (const auto& r : jet_test::check_file_indexes(path, true)) {
    SCOPED_TRACE(tk_unicode_to_utf8(r.table) + " index " + std::to_string(r.index));
    EXPECT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.pointers_only, 0u);
    EXPECT_EQ(r.keys_checked, r.entries);
  }
}

// The lines of a command's output that contain `marker`, sorted.
std::vector<std::string> lines_with(const std::string& command, const std::string& marker) {
  const std::string text = test_env::checked_output(command);
  std::vector<std::string> out;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    if (line.find(marker) != std::string::npos) out.push_back(line);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// mdb-schema's foreign keys, without the cascade rules (the copy is made without them).
std::vector<std::string> schema_relations(const std::string& path) {
  std::vector<std::string> out;
  for (std::string line :
       lines_with("mdb-schema --no-indexes --relations " + test_env::shell_quote(path) + " mysql", "FOREIGN KEY")) {
    if (line.find("MSysNavPane") != std::string::npos) continue;
    line = tk_string::replace_all(line, " ON UPDATE CASCADE", "");
    out.push_back(tk_string::replace_all(line, " ON DELETE CASCADE", ""));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// MSysRelationships rows as mdb-export gives them, the name and grbit left out (the copy's
// names come from the data model, without cascade rules), the navigation pane's own
// relationships too (they are not the user's).
std::vector<std::string> relationship_rows(const std::string& path) {
  std::vector<std::string> out;
  for (const std::string& line :
       lines_with("mdb-export -H " + test_env::shell_quote(path) + " MSysRelationships", ",")) {
    if (line.find("MSysNavPane") != std::string::npos) continue;
    // The name is quoted text that may hold a comma; grbit follows it.
    const std::size_t name_end = line.find("\",");
    const std::size_t grbit_end = line.find(',', name_end + 2);
    out.push_back(line.substr(grbit_end));
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string describe(const udb_relationship& r) {
  std::string s = tk_unicode_to_utf8(r.table) + " -> " + tk_unicode_to_utf8(r.ref_table) + " (";
  for (std::size_t i = 0; i < r.fields.size(); ++i)
    s += tk_unicode_to_utf8(r.fields[i]) + "=" + tk_unicode_to_utf8(r.ref_fields[i]) + ";";
  return s + ")";
}

std::vector<std::string> read_back(const std::string& path) {
  dao_engine engine(true, 0);
  std::wstring file = tk_utf8_to_unicode(path);
  engine.set_version_smart(file);
  std::unique_ptr<udb_database> db = engine.open_db(file, dao_open_read_only, L"");
  std::vector<std::string> out;
  for (const auto& r : db->relationships)
    if (!dao_database::is_system_table(r.table)) out.push_back(describe(r));
  std::sort(out.begin(), out.end());
  return out;
}

class copy_with_relationships : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(copy_with_relationships, relationships_arrive_and_the_file_is_sound) {
  const std::string source = test_env::testdata_path(GetParam());
  const std::string target = test_env::make_temp_dir() + "/copy.mdb";
  std::vector<std::string> reports;
  {
    dao_engine engine(true, 0);
    std::wstring src = tk_utf8_to_unicode(source);
    engine.set_version_smart(src);
    std::unique_ptr<udb_database> in = engine.open_db(src, dao_open_read_only, L"");
    std::unique_ptr<udb_database> out = engine.create_db(tk_utf8_to_unicode(target));
    out->report_error = [&](const std::string& context, const tk_exception& e) {
      reports.push_back(context + ": " + e.what());
    };
    for (const auto& name : in->get_table_names()) {
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
    udb_relationships wanted;
    for (const auto& r : in->relationships)
      if (!dao_database::is_system_table(r.table)) wanted.push_back(r);
    ASSERT_FALSE(wanted.empty());
    out->create_relationships(wanted);
    out->close();
  }
  EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(reports);
  ASSERT_TRUE(std::filesystem::exists(target));

  expect_sound_file(target);
  EXPECT_EQ(relationship_rows(target), relationship_rows(source));
  EXPECT_EQ(read_back(target), read_back(source));
  // mdbtools lists a relationship that is not enforced as a comment; the copy enforces all.
  const std::vector<std::string> copied = schema_relations(target);
  EXPECT_EQ(copied.size(), relationship_rows(source).size()) << ::testing::PrintToString(copied);
  for (const auto& line : schema_relations(source))
    EXPECT_NE(std::find(copied.begin(), copied.end(), line), copied.end()) << line;

  // Referenced columns that already have a unique index (a primary key listed after a plain
  // index on the same column, as in nwind) get no second one.
  EXPECT_EQ(lines_with("mdb-schema --indexes --no-relations " + test_env::shell_quote(target) + " mysql", "`ui_"),
            lines_with("mdb-schema --indexes --no-relations " + test_env::shell_quote(source) + " mysql", "`ui_"));

  // Both sides of each relationship carry its index entry.
  std::unique_ptr<jet::jet_file> file;
  ASSERT_EQ(jet::jet_file::open(target, L"", file), jet::jet_status::ok);
  jet::jet_catalog catalog;
  ASSERT_TRUE(jet::jet_read_catalog(*file, catalog));
  std::size_t foreign_entries = 0;
  for (const auto& t : catalog.tables) {
    std::vector<jet::jet_index_def> defs;
    if (!file->read_indexes(t.page(), defs)) continue;
    for (const auto& d : defs) foreign_entries += d.foreign ? 1 : 0;
  }
  EXPECT_EQ(foreign_entries, 2 * read_back(target).size());
}

INSTANTIATE_TEST_SUITE_P(files, copy_with_relationships,
                         ::testing::Values("access/real/nwind.mdb", "access/jet4/indexTestV2000.mdb",
                                           "access/ace/indexTestV2007.accdb"),
                         [](const auto& info) {
                           std::string n = std::filesystem::path(info.param).stem().string();
                           return n;
                         });

namespace {

struct columns {
  std::vector<std::unique_ptr<t_ftd>> owned;
  udb_schema schema{false};
  void add(const std::wstring& name, VARTYPE vt, std::uint32_t size = 0) {
    owned.push_back(std::make_unique<t_ftd>(size, name, vt, false, false, ole_variant(), 0, L""));
    schema.fields.push_back(owned.back().get());
  }
};

udb_relationship relation(const std::wstring& name, const std::wstring& table, const std::wstring& ref_table,
                          std::vector<std::wstring> fields, std::vector<std::wstring> ref_fields) {
  return udb_relationship(name, L"", table, ref_table, std::move(fields), std::move(ref_fields), L"");
}

struct bad_case {
  udb_relationship relationship;
  std::string report;  // the start of what the error handler is told
};

}  // namespace

// Each bad relationship is reported with DAO's number and text under its name; the good ones
// between them are made, and the file stays sound. Parent has a non-unique index on Code first
// and no unique one, so the relationship on Code gets a generated unique index.
TEST(dao_dest_relationships, refused_relationships_are_reported_the_others_made) {
  const std::string path = test_env::make_temp_dir() + "/bad.mdb";
  std::vector<std::string> reports;
  const std::vector<bad_case> cases = {
      {relation(L"NoSuchChildColumn", L"Child", L"Parent", {L"Nope"}, {L"Id"}),
       "NoSuchChildColumn: Invalid field name 'Nope' in definition of index or relationship."},
      {relation(L"NoSuchParentColumn", L"Child", L"Parent", {L"ParentId"}, {L"Nope"}),
       "NoSuchParentColumn: Invalid field name 'Nope' in definition of index or relationship."},
      {relation(L"TwoForOne", L"Child", L"Parent", {L"ParentId", L"Code"}, {L"Id"}),
       "TwoForOne: Relationship must be on the same number of fields with the same data types."},
      {relation(L"OtherType", L"Child", L"Parent", {L"Code"}, {L"Id"}),
       "OtherType: Relationship must be on the same number of fields with the same data types."},
      {relation(L"NoParent", L"Child", L"Missing", {L"ParentId"}, {L"Id"}),
       "NoParent: The database engine cannot find the input table or query 'Missing'."},
      {relation(L"Orphans", L"Orphan", L"Parent", {L"ParentId"}, {L"Id"}),
       "Orphans: Cannot create relationship to enforce referential integrity. Existing data in table 'Orphan'"},
  };
  {
    dao_engine engine(true, 0);
    ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
    std::unique_ptr<udb_database> db = engine.create_db(tk_utf8_to_unicode(path));
    db->report_error = [&](const std::string& context, const tk_exception& e) {
      reports.push_back(context + ": " + e.what());
    };
    columns parent, child;
    parent.add(L"Id", VT_I4);
    parent.add(L"Code", VT_BSTR, 10);
    child.add(L"Id", VT_I4);
    child.add(L"ParentId", VT_I4);
    child.add(L"Code", VT_BSTR, 10);
    udb_indexes parent_indexes;
    udb_index pk(L"PrimaryKey", true, true);
    pk.fields = {L"Id"};
    parent_indexes.push_back(pk);
    udb_index by_code(L"Code", false, false);
    by_code.fields = {L"Code"};
    parent_indexes.push_back(by_code);
    auto row = [](std::vector<ole_variant> values, const std::vector<std::wstring>& names) {
      auto r = std::make_unique<udb_record>();
      for (std::size_t i = 0; i < values.size(); ++i)
        r->append(std::make_unique<udb_field>(names[i], 0, values[i], false, false));
      return r;
    };
    const std::vector<std::wstring> parent_names = {L"Id", L"Code"}, child_names = {L"Id", L"ParentId", L"Code"};
    auto parents = db->create_table(L"Parent", parent.schema, parent_indexes);
    for (int i = 1; i <= 3; ++i)
      parents->append_record(*row({ole_variant(i), ole_variant(L"P" + std::to_wstring(i))}, parent_names));
    auto children = db->create_table(L"Child", child.schema, {});
    for (int i = 1; i <= 5; ++i)
      children->append_record(
          *row({ole_variant(i), ole_variant(i % 3 + 1), ole_variant(L"P" + std::to_wstring(i % 3 + 1))}, child_names));
    // A NULL foreign key needs no referenced row.
    children->append_record(*row({ole_variant(6), ole_variant(), ole_variant()}, child_names));
    auto orphans = db->create_table(L"Orphan", child.schema, {});
    orphans->append_record(*row({ole_variant(1), ole_variant(9), ole_variant(L"P9")}, child_names));

    udb_relationships list;
    for (const auto& c : cases) {
      list.push_back(c.relationship);
      list.push_back(relation(L"Good" + std::to_wstring(list.size()), L"Child", L"Parent", {L"ParentId"}, {L"Id"}));
    }
    list.push_back(relation(L"ByCode", L"Child", L"Parent", {L"Code"}, {L"Code"}));
    db->create_relationships(list);
    db->close();
  }
  ASSERT_EQ(reports.size(), cases.size()) << ::testing::PrintToString(reports);
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(reports[i].rfind(cases[i].report, 0), 0u) << reports[i];
  expect_sound_file(path);
  const std::vector<std::string> made = read_back(path);
  EXPECT_EQ(made.size(), cases.size() + 1) << ::testing::PrintToString(made);
  EXPECT_NE(std::find(made.begin(), made.end(), "Child -> Parent (Code=Code;)"), made.end());

  // The unique index made for ByCode carries the generated name.
  std::unique_ptr<jet::jet_file> file;
  ASSERT_EQ(jet::jet_file::open(path, L"", file), jet::jet_status::ok);
  jet::jet_catalog catalog;
  ASSERT_TRUE(jet::jet_read_catalog(*file, catalog));
  std::vector<jet::jet_index_def> defs;
  ASSERT_TRUE(file->read_indexes(catalog.find_table(L"Parent")->page(), defs));
  bool generated = false;
  for (const auto& d : defs)
    if (d.name.rfind(L"ui_Parent", 0) == 0 && d.unique && !d.primary) generated = d.name.size() == 9 + 12;
  EXPECT_TRUE(generated);
}

// "ui_" and the table's name, cut so that the twelve digits of the local time still fit in 64.
TEST(dao_dest_relationships, generated_index_names_keep_within_64_characters) {
  const std::wstring shortname = dao_database::gen_ui_name(L"T");
  EXPECT_EQ(shortname.size(), 4u + 12u);
  EXPECT_EQ(shortname.substr(0, 4), L"ui_T");
  EXPECT_TRUE(std::all_of(shortname.begin() + 4, shortname.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }));
  const std::wstring longname = dao_database::gen_ui_name(std::wstring(60, L'x'));
  EXPECT_EQ(longname.size(), 64u);
  EXPECT_EQ(longname.substr(0, 52), L"ui_" + std::wstring(49, L'x'));
}
