// Indexes of user tables: defined before the rows or added to a table that already holds rows
// (whose entries are then read back from the stored rows), shared stored indexes, and the rows
// and definitions Access would refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/write/jet_write_error.h"
#include "platform/jet/write/jet_writer.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/jet_write/jet_write_support.h"
#include "tests/support/jet_structure_audit.h"
#include "tests/support/test_shell.h"

using namespace jet;

namespace {

jet_new_index index_on(const wchar_t* name, std::vector<jet_new_index_column> columns, bool unique = false,
                       bool primary = false) {
  jet_new_index i;
  i.name = name;
  i.columns = std::move(columns);
  i.unique = unique;
  i.primary = primary;
  return i;
}

// Every index of the file is a sound tree holding each row once under its own key, and the
// file passes the structure audit.
void expect_sound(const std::string& path) {
  for (const auto& r : jet_test::check_file_indexes(path, true)) {
    SCOPED_TRACE(std::string(r.table.begin(), r.table.end()) + " index " + std::to_string(r.index));
    EXPECT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.pointers_only, 0u);
    EXPECT_EQ(r.keys_checked, r.entries);
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto audit = test_audit::audit_jet4(image);
  EXPECT_TRUE(audit.faults.empty()) << audit.faults.front();
}

// Named indexes in the order they were made.
void by_number(std::vector<jet_index_def>& defs) {
  std::sort(defs.begin(), defs.end(),
            [](const jet_index_def& a, const jet_index_def& b) { return a.number < b.number; });
}

long refusal(const std::function<void()>& action) {
  try {
    action();
  } catch (const jet_write_error& e) {
    return e.dao_code();
  }
  return 0;
}

std::vector<jet_value> item_row(int i) {
  // Names repeat every 40 rows; the notes of every third row are long enough to leave the row
  // for an LVAL page, every seventh is NULL.
  std::wstring note = i % 7 == 0 ? L"" : (i % 3 == 0 ? std::wstring(300, L'a' + i % 26) : L"short note");
  return {static_cast<std::int32_t>(i),
          L"Item " + std::to_wstring(i % 40),
          i % 7 == 0 ? jet_value(jet_null{}) : jet_value(note + std::to_wstring(i)),
          jet_currency{static_cast<std::int64_t>(i) * 12345},
          jet_date{40000.0 + i / 3},
          i % 2 == 0,
          static_cast<std::int16_t>(i % 5 == 0 ? -i : i),
          jet_bytes{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8)}};
}

std::vector<jet_new_column> item_columns() {
  return {jet_write_test::column(L"Id", jet_long),        jet_write_test::column(L"Name", jet_text, 100),
          jet_write_test::column(L"Notes", jet_memo),     jet_write_test::column(L"Price", jet_money),
          jet_write_test::column(L"Added", jet_datetime), jet_write_test::column(L"Sold", jet_bool),
          jet_write_test::column(L"Rank", jet_int),       jet_write_test::column(L"Code", jet_binary, 8)};
}

}  // namespace

// Indexes made before any row and indexes added over rows already stored (on several data
// pages, long values out of the row among them) hold the same entries: the walker finds every
// row's key in each, rows appended after the late indexes included.
TEST(jet_write_user_indexes, late_indexes_hold_every_stored_row) {
  const std::string path = jet_write_test::new_target();
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    auto id = writer->add_table(L"Items", item_columns());
    EXPECT_EQ(writer->add_index(id, index_on(L"PrimaryKey", {{L"Id", false}}, true, true)), 0);
    for (int i = 0; i < 400; ++i) writer->append_row(id, item_row(i));
    EXPECT_EQ(writer->add_index(id, index_on(L"Name", {{L"Name", true}})), 1);
    EXPECT_EQ(writer->add_index(id, index_on(L"Notes", {{L"Notes", false}})), 2);
    EXPECT_EQ(writer->add_index(id, index_on(L"SoldAdded", {{L"Sold", false}, {L"Added", true}})), 3);
    EXPECT_EQ(
        writer->add_index(id, index_on(L"PriceRank", {{L"Price", false}, {L"Rank", false}, {L"Code", false}}, true)),
        4);
    for (int i = 400; i < 450; ++i) writer->append_row(id, item_row(i));
    writer->close();
  }
  expect_sound(path);
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  const jet_object* items = catalog.find_table(L"Items");
  ASSERT_NE(items, nullptr);
  std::vector<jet_index_def> defs;
  ASSERT_TRUE(file->read_indexes(items->page(), defs));
  ASSERT_EQ(defs.size(), 5u);
  // Stored by name, as Access stores them, each with the number it was made with.
  std::vector<std::wstring> stored;
  for (const auto& d : defs) stored.push_back(d.name);
  EXPECT_EQ(stored, (std::vector<std::wstring>{L"Name", L"Notes", L"PriceRank", L"PrimaryKey", L"SoldAdded"}));
  by_number(defs);
  EXPECT_TRUE(defs[0].primary);
  EXPECT_TRUE(defs[0].unique);
  EXPECT_FALSE(defs[1].unique);
  EXPECT_TRUE(defs[4].unique);
  EXPECT_EQ(defs[3].columns.size(), 2u);
  std::vector<jet_test::real_index_def> reals;
  ASSERT_TRUE(jet_test::read_real_indexes(*file, items->page(), reals));
  ASSERT_EQ(reals.size(), 5u);
  EXPECT_FALSE(reals[1].columns[0].ascending);
  // mdbtools names the primary key and the unique index as such.
  const std::string schema = test_env::checked_output("mdb-schema --indexes " + test_env::shell_quote(path) + " mysql");
  EXPECT_NE(schema.find("ADD PRIMARY KEY (`Id`)"), std::string::npos) << schema;
  EXPECT_NE(schema.find("ADD UNIQUE INDEX `PriceRank`"), std::string::npos) << schema;
}

// Two indexes on the same columns with the same flags share one stored index, as in Access;
// another order or other flags get their own.
TEST(jet_write_user_indexes, same_columns_and_flags_share_the_stored_index) {
  const std::string path = jet_write_test::new_target();
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    auto id = writer->add_table(L"T", {jet_write_test::column(L"A", jet_long), jet_write_test::column(L"B", jet_long)});
    writer->add_index(id, index_on(L"First", {{L"A", false}, {L"B", false}}));
    writer->add_index(id, index_on(L"Second", {{L"A", false}, {L"B", false}}));
    writer->add_index(id, index_on(L"Reversed", {{L"B", false}, {L"A", false}}));
    writer->add_index(id, index_on(L"Unique", {{L"A", false}, {L"B", false}}, true));
    for (int i = 0; i < 30; ++i)
      writer->append_row(id, {static_cast<std::int32_t>(i % 4), static_cast<std::int32_t>(i)});
    writer->close();
  }
  expect_sound(path);
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  std::vector<jet_index_def> defs;
  ASSERT_TRUE(file->read_indexes(catalog.find_table(L"T")->page(), defs));
  ASSERT_EQ(defs.size(), 4u);
  by_number(defs);
  EXPECT_EQ(defs[0].real_index, defs[1].real_index);
  EXPECT_NE(defs[0].real_index, defs[2].real_index);
  EXPECT_NE(defs[0].real_index, defs[3].real_index);
  std::vector<jet_test::real_index_def> reals;
  ASSERT_TRUE(jet_test::read_real_indexes(*file, catalog.find_table(L"T")->page(), reals));
  EXPECT_EQ(reals.size(), 3u);
}

// What Access refuses is refused with its DAO error, and leaves the table as it was: the file
// written afterwards is sound and holds the rows that were accepted.
TEST(jet_write_user_indexes, refusals_leave_the_table_as_it_was) {
  const std::string path = jet_write_test::new_target();
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    std::vector<jet_new_column> columns;
    for (int i = 0; i < 12; ++i)
      columns.push_back(jet_write_test::column((L"C" + std::to_wstring(i)).c_str(), jet_long));
    columns[0].name = L"Id";
    columns.push_back(jet_write_test::column(L"Picture", jet_ole));
    auto id = writer->add_table(L"T", columns);
    auto row = [](int id_value, int other) {
      std::vector<jet_value> r(13, jet_value(jet_null{}));
      if (id_value >= 0) r[0] = static_cast<std::int32_t>(id_value);
      r[1] = static_cast<std::int32_t>(other);
      return r;
    };
    writer->add_index(id, index_on(L"PrimaryKey", {{L"Id", false}}, true, true));
    writer->append_row(id, row(1, 7));
    writer->append_row(id, row(2, 7));

    std::vector<jet_new_index_column> eleven;
    for (int i = 1; i < 12; ++i) eleven.push_back({L"C" + std::to_wstring(i), false});
    struct refused {
      const char* what;
      std::function<void()> action;
      long code;
    } cases[] = {
        {"a repeated primary key", [&] { writer->append_row(id, row(1, 8)); }, 3022},
        {"a NULL primary key", [&] { writer->append_row(id, row(-1, 8)); }, 3058},
        {"a unique index over repeated values",
         [&] {
           writer->add_index(id, index_on(L"U", {{L"C1", false}}, true));
         },
         3022},
        {"a second primary key",
         [&] {
           writer->add_index(id, index_on(L"P2", {{L"C1", false}}, true, true));
         },
         3283},
        {"a taken name",
         [&] {
           writer->add_index(id, index_on(L"primarykey", {{L"C1", false}}));
         },
         3284},
        {"a missing column",
         [&] {
           writer->add_index(id, index_on(L"M", {{L"Nope", false}}));
         },
         3265},
        {"an OLE column",
         [&] {
           writer->add_index(id, index_on(L"O", {{L"Picture", false}}));
         },
         3259},
        {"no column", [&] { writer->add_index(id, index_on(L"E", {})); }, 3264},
        {"eleven columns", [&] { writer->add_index(id, index_on(L"Wide", eleven)); }, 3190},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      EXPECT_EQ(refusal(c.action), c.code);
      EXPECT_EQ(writer->row_count(id), 2u);
    }
    // The unique index refused over the stored rows took nothing with it: a non-unique one of
    // the same name is accepted, and the table takes up to 32 indexes in all.
    EXPECT_EQ(writer->add_index(id, index_on(L"U", {{L"C1", false}})), 1);
    for (int i = 2; i < 32; ++i)
      writer->add_index(
          id, index_on((L"I" + std::to_wstring(i)).c_str(), {{L"C" + std::to_wstring(i % 11 + 1), i % 2 == 0}}));
    EXPECT_EQ(refusal([&] { writer->add_index(id, index_on(L"I32", {{L"C2", false}})); }), 3626);
    writer->append_row(id, row(3, 7));
    writer->close();
  }
  expect_sound(path);
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  EXPECT_EQ(jet_write_test::read_rows(*file, catalog.find_table(L"T")->page()).size(), 3u);
}

// The other stored forms read back for a late index: Byte, Single, Double, GUID, Decimal, and a
// memo long enough to be chained over several LVAL pages.
TEST(jet_write_user_indexes, late_indexes_read_back_every_stored_form) {
  const std::string path = jet_write_test::new_target();
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    std::vector<jet_new_column> columns = {
        jet_write_test::column(L"B", jet_byte),    jet_write_test::column(L"F", jet_float),
        jet_write_test::column(L"D", jet_double),  jet_write_test::column(L"G", jet_guid),
        jet_write_test::column(L"N", jet_numeric), jet_write_test::column(L"M", jet_memo)};
    columns[4].precision = 18;
    columns[4].scale = 4;
    auto id = writer->add_table(L"Forms", columns);
    for (int i = 0; i < 120; ++i) {
      jet_uuid g;
      for (int b = 0; b < 16; ++b) g.bytes[b] = static_cast<std::uint8_t>(i * 7 + b);
      jet_decimal n;
      n.negative = i % 3 == 0;
      n.scale = 4;
      n.precision = 18;
      n.lo = static_cast<std::uint64_t>(i) * 1234567;
      writer->append_row(id, {static_cast<std::uint8_t>(i * 2), static_cast<float>(i) / 3.0f - 20.0f,
                              i % 4 == 0 ? jet_value(jet_null{}) : jet_value(static_cast<double>(i) * -1.5), g, n,
                              std::wstring(i % 10 == 0 ? 5000 : 70, static_cast<wchar_t>(L'A' + i % 20))});
    }
    for (const wchar_t* c : {L"B", L"F", L"D", L"G", L"N", L"M"})
      writer->add_index(id, index_on((std::wstring(L"By") + c).c_str(), {{c, c[0] == L'D' || c[0] == L'N'}}));
    writer->close();
  }
  expect_sound(path);
}
