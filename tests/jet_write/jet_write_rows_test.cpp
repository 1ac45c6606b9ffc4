// Rows through the writer: every column type with values at their edges and NULL, the row
// limit, AutoNumber, deleting a table, the targets the writer refuses and its temporary names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/write/jet_writer.h"
#include "tests/jet_write/jet_write_support.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_shell.h"

using namespace jet;

namespace {

std::vector<jet_new_column> every_type() {
  auto col = [](const wchar_t* name, int type, int size = 0) {
    jet_new_column c;
    c.name = name;
    c.type = type;
    c.size = size;
    return c;
  };
  std::vector<jet_new_column> cols = {
      col(L"Flag", jet_bool),      col(L"Small", jet_byte),    col(L"Int", jet_int),       col(L"Long", jet_long),
      col(L"Money", jet_money),    col(L"Single", jet_float),  col(L"Double", jet_double), col(L"When", jet_datetime),
      col(L"Name", jet_text, 40),  col(L"Raw", jet_binary, 8), col(L"Notes", jet_memo),    col(L"Blob", jet_ole),
      col(L"Amount", jet_numeric), col(L"Guid", jet_guid),
  };
  cols[12].precision = 28;
  cols[12].scale = 4;
  return cols;
}

jet_decimal decimal(bool negative, std::uint32_t hi, std::uint64_t lo) {
  jet_decimal d;
  d.negative = negative;
  d.scale = 4;
  d.precision = 28;
  d.hi = hi;
  d.lo = lo;
  return d;
}

std::uint32_t page_of(const jet_file& file, const std::wstring& name) {
  jet_catalog catalog;
  EXPECT_TRUE(jet_read_catalog(file, catalog));
  const jet_object* o = catalog.find_table(name);
  EXPECT_NE(o, nullptr);
  return o ? o->page() : 0;
}

}  // namespace

TEST(jet_write_rows, every_type_at_its_edges_and_null_reads_back) {
  jet_uuid g;
  for (int i = 0; i < 16; ++i) g.bytes[i] = static_cast<std::uint8_t>(i * 17);
  std::vector<std::vector<jet_value>> rows = {
      {true, std::uint8_t{255}, std::int16_t{-32768}, std::int32_t{2147483647}, jet_currency{-922337203685477580}, 3.5f,
       -1e308, jet_date{-657434.0}, std::wstring(L"\U0001F600 \u00e9t\u00e9"), jet_bytes{0, 1, 2, 255},
       std::wstring(L"memo \U0001F600"), jet_bytes{9, 8, 7}, decimal(true, 0x204FCE5E, 0x3E2502610FFFFFFFull), g},
      {false, std::uint8_t{0}, std::int16_t{32767}, std::int32_t{-2147483647 - 1}, jet_currency{0}, -0.0f, 0.0,
       jet_date{2958465.99998843}, std::wstring(20, L'x'), jet_bytes(8, 0xAB), std::wstring(), jet_bytes{},
       decimal(false, 0, 1), g},
      std::vector<jet_value>(14, jet_null{}),
  };
  std::string path = jet_write_test::new_target();
  auto w = jet_writer::create(path, {});
  auto id = w->add_table(L"All types", every_type());
  for (const auto& r : rows) w->append_row(id, r);
  w->close();

  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  auto back = jet_write_test::read_rows(*file, page_of(*file, L"All types"));
  ASSERT_EQ(back.size(), rows.size());
  // A Yes/No column has no NULL: Access reads it as No.
  rows[2][0] = false;
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      SCOPED_TRACE(testing::Message() << "row " << r << " column " << c);
      const jet_value& got = back[r][c];
      const jet_value& want = rows[r][c];
      ASSERT_EQ(got.index(), want.index());
      if (auto* d = std::get_if<jet_decimal>(&want)) {
        auto& e = std::get<jet_decimal>(got);
        EXPECT_EQ(e.negative, d->negative);
        EXPECT_EQ(e.hi, d->hi);
        EXPECT_EQ(e.lo, d->lo);
      } else if (auto* u = std::get_if<jet_uuid>(&want)) {
        EXPECT_EQ(std::memcmp(std::get<jet_uuid>(got).bytes, u->bytes, 16), 0);
      } else if (auto* m = std::get_if<jet_currency>(&want)) {
        EXPECT_EQ(std::get<jet_currency>(got).scaled, m->scaled);
      } else if (auto* t = std::get_if<jet_date>(&want)) {
        EXPECT_EQ(std::get<jet_date>(got).days, t->days);
      } else {
        EXPECT_EQ(jet_write_test::describe(got), jet_write_test::describe(want));
      }
    }
  // mdbtools reads the same rows.
  auto exported = test_env::mdb_export_fields(path, "All types", "-H -Q");
  ASSERT_EQ(exported.size(), 3u);
  EXPECT_EQ(exported[0][2], "-32768");
  EXPECT_EQ(exported[1][8], std::string(20, 'x'));
}

TEST(jet_write_rows, values_that_do_not_fit_are_refused_and_the_writer_goes_on) {
  std::string path = jet_write_test::new_target();
  auto w = jet_writer::create(path, {});
  std::vector<jet_new_column> cols(2);
  cols[0] = jet_write_test::column(L"Id", jet_long, 4);
  cols[1] = jet_write_test::column(L"Name", jet_text, 10);
  std::vector<jet_new_column> wide;
  for (int i = 0; i < 10; ++i)
    wide.push_back(jet_write_test::column((L"T" + std::to_wstring(i)).c_str(), jet_text, 510));
  auto id = w->add_table(L"Small", cols);
  auto wide_id = w->add_table(L"Wide", wide);
  struct {
    std::vector<jet_value> row;
    long code;
  } cases[] = {
      {{std::int32_t{1}, std::wstring(6, L'y')}, 3163},     // 12 bytes in a 10-byte column
      {{std::int64_t{1} << 40, std::wstring(L"a")}, 3349},  // beyond a Long
      {{std::wstring(L"1"), std::wstring(L"a")}, 3421},     // text into a Long
  };
  for (const auto& c : cases) {
    try {
      w->append_row(id, c.row);
      ADD_FAILURE() << "accepted";
    } catch (const jet_write_error& e) {
      EXPECT_EQ(e.dao_code(), c.code);
    }
  }
  // Ten full 255-character texts make a row over 4,060 bytes: 3047, and nothing of it stays.
  std::vector<jet_value> big(10, std::wstring(255, L'z'));
  try {
    w->append_row(wide_id, big);
    ADD_FAILURE() << "accepted";
  } catch (const jet_write_error& e) {
    EXPECT_EQ(e.dao_code(), 3047);
    EXPECT_STREQ(e.what(), "Record is too large.");
  }
  // A table name the catalog cannot hold is refused when the table is made, not at close.
  try {
    w->add_table(std::wstring(256, L'n'), cols);
    ADD_FAILURE() << "accepted";
  } catch (const jet_write_error& e) {
    EXPECT_EQ(e.dao_code(), 3125);
  }
  std::vector<jet_value> fits(10, std::wstring(200, L'z'));
  w->append_row(wide_id, fits);
  w->append_row(id, {std::int32_t{7}, std::wstring(L"ok")});
  EXPECT_EQ(w->row_count(id), 1u);
  EXPECT_EQ(w->row_count(wide_id), 1u);
  w->close();
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(jet_write_test::read_rows(*file, page_of(*file, L"Small")).size(), 1u);
  EXPECT_EQ(jet_write_test::read_rows(*file, page_of(*file, L"Wide")).size(), 1u);
}

TEST(jet_write_rows, many_rows_fill_pages_and_autonumber_counts_on) {
  std::string path = jet_write_test::new_target();
  auto w = jet_writer::create(path, {});
  std::vector<jet_new_column> cols(2);
  cols[0] = jet_write_test::column(L"Id", jet_long, 4);
  cols[0].auto_increment = true;
  cols[1] = jet_write_test::column(L"Text", jet_text, 100);
  auto id = w->add_table(L"Numbers", cols);
  const int n = 30000;  // well past what one inline usage map covers (512 pages)
  for (int i = 0; i < n; ++i) {
    jet_value idv = i == 10 ? jet_value(std::int32_t{100}) : jet_value(jet_null{});
    w->append_row(id, {idv, std::wstring(40, static_cast<wchar_t>(L'a' + i % 26))});
  }
  w->close();
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  auto rows = jet_write_test::read_rows(*file, page_of(*file, L"Numbers"));
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(n));
  EXPECT_EQ(std::get<std::int32_t>(rows[0][0]), 1);
  EXPECT_EQ(std::get<std::int32_t>(rows[10][0]), 100);
  EXPECT_EQ(std::get<std::int32_t>(rows[11][0]), 101);
  EXPECT_EQ(std::get<std::int32_t>(rows[n - 1][0]), n + 89);
  EXPECT_EQ(test_env::mdb_export_fields(path, "Numbers", "-H").size(), static_cast<std::size_t>(n));
}

TEST(jet_write_rows, a_deleted_table_leaves_no_trace) {
  std::string path = jet_write_test::new_target();
  auto w = jet_writer::create(path, {});
  std::vector<jet_new_column> cols(1);
  cols[0] = jet_write_test::column(L"Id", jet_long, 4);
  auto gone = w->add_table(L"Gone", cols);
  auto kept = w->add_table(L"Kept", cols);
  for (int i = 0; i < 2000; ++i) {
    w->append_row(gone, {std::int32_t{i}});
    w->append_row(kept, {std::int32_t{i}});
  }
  w->delete_table(L"gone");
  EXPECT_THROW(w->append_row(gone, {std::int32_t{1}}), jet_write_error);
  // The name is free again.
  auto again = w->add_table(L"Gone", cols);
  w->append_row(again, {std::int32_t{42}});
  w->close();
  EXPECT_EQ(test_env::mdb_tables(path), (std::vector<std::string>{"Kept", "Gone"}));
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(jet_write_test::read_rows(*file, page_of(*file, L"Kept")).size(), 2000u);
  auto back = jet_write_test::read_rows(*file, page_of(*file, L"Gone"));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(std::get<std::int32_t>(back[0][0]), 42);
}

TEST(jet_write_rows, targets_refused_leave_nothing_behind) {
  std::string folder = test_env::make_temp_dir();
  std::string existing = folder + "/there.mdb";
  std::ofstream(existing) << "not mine";
  struct {
    std::string path;
    long code;
  } cases[] = {
      {existing, 3204},
      {folder + "/no/such/folder/new.mdb", 3044},
  };
  for (const auto& c : cases) {
    try {
      jet_writer::create(c.path, {});
      ADD_FAILURE() << c.path;
    } catch (const jet_write_error& e) {
      EXPECT_EQ(e.dao_code(), c.code) << c.path;
    }
  }
  std::ifstream in(existing);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "not mine");

  // Abandoned, or dropped without close: the temporary file goes, nothing under the name.
  std::string target = folder + "/new.mdb";
  {
    auto w = jet_writer::create(target, {});
    w->add_table(L"T", {jet_write_test::column(L"Id", jet_long, 4)});
  }
  EXPECT_EQ(jet_write_test::folder_entries(folder), std::vector<std::string>{"there.mdb"});
  auto w = jet_writer::create(target, {});
  w->abandon();
  EXPECT_EQ(jet_write_test::folder_entries(folder), std::vector<std::string>{"there.mdb"});

  // A file that appears under the name while the writer works is not replaced.
  auto late = jet_writer::create(target, {});
  std::ofstream(target) << "late";
  try {
    late->close();
    ADD_FAILURE() << "replaced";
  } catch (const jet_write_error& e) {
    EXPECT_EQ(e.dao_code(), 3204);
  }
  EXPECT_EQ(std::filesystem::file_size(target), 4u);
  EXPECT_EQ(jet_write_test::folder_entries(folder), (std::vector<std::string>{"new.mdb", "there.mdb"}));
}

TEST(jet_write_rows, a_full_disk_is_reported_and_leaves_no_file) {
  std::string folder = test_env::make_temp_dir() + "/small";
  std::filesystem::create_directory(folder);
  std::string q = test_env::shell_quote(folder);
  if (test_env::run_shell("mount -t tmpfs -o size=64k tmpfs " + q + " 2>/dev/null").status != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  std::string target = folder + "/big.mdb";
  long code = 0;
  try {
    auto w = jet_writer::create(target, {});
    auto id = w->add_table(L"Big", {jet_write_test::column(L"Text", jet_text, 510)});
    for (int i = 0; i < 200; ++i) w->append_row(id, {std::wstring(255, L'q')});
    w->close();
  } catch (const jet_write_error& e) {
    code = e.dao_code();
  }
  std::vector<std::string> left = jet_write_test::folder_entries(folder);
  test_env::run_shell("umount " + q);
  EXPECT_EQ(code, 3026);
  EXPECT_TRUE(left.empty()) << left.front();
}

// The hidden temporary name a file grows under is never one that exists: a name taken (by a
// writer of another process that shares the folder, or a stray file) is passed over and left as
// it is, and writers of many threads in one folder each get a name of their own.
TEST(jet_write_rows, temporary_names_are_never_shared) {
  const std::string folder = test_env::make_temp_dir();
  std::uint64_t last = 0;
  {
    auto w = jet_writer::create(folder + "/first.mdb", {});
    const std::vector<std::string> entries = jet_write_test::folder_entries(folder);
    ASSERT_EQ(entries.size(), 1u);
    const std::string& temp = entries.front();
    const std::size_t dash = temp.rfind('-');
    ASSERT_NE(dash, std::string::npos) << temp;
    last = std::stoull(temp.substr(dash + 1));
    w->abandon();
  }
  const std::string stem = folder + "/.taken.mdb." + std::to_string(::getpid()) + "-";
  for (std::uint64_t n = last + 1; n <= last + 5; ++n) std::ofstream(stem + std::to_string(n) + ".tmp") << "not mine";
  {
    auto w = jet_writer::create(folder + "/taken.mdb", {});
    w->append_row(w->add_table(L"T", {jet_write_test::column(L"Id", jet_long, 4)}), {std::int32_t{1}});
    w->close();
  }
  ASSERT_TRUE(jet_write_test::open_written(folder + "/taken.mdb"));
  for (std::uint64_t n = last + 1; n <= last + 5; ++n) {
    std::ifstream in(stem + std::to_string(n) + ".tmp");
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "not mine") << n;
  }

  constexpr int threads = 6, files_each = 12;
  const std::string shared = test_env::make_temp_dir();
  std::vector<std::string> failures[threads];
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      for (int i = 0; i < files_each; ++i) {
        const std::string path = shared + "/db" + std::to_string(t) + "_" + std::to_string(i) + ".mdb";
        try {
          auto w = jet_writer::create(path, {});
          w->append_row(w->add_table(L"T", {jet_write_test::column(L"Id", jet_long, 4)}), {std::int32_t{t}});
          w->close();
        } catch (const jet_write_error& e) {
          failures[t].push_back(path + ": " + e.what());
        }
      }
    });
  for (auto& w : workers) w.join();
  for (const auto& f : failures) EXPECT_TRUE(f.empty()) << f.front();
  EXPECT_EQ(jet_write_test::folder_entries(shared).size(), static_cast<std::size_t>(threads * files_each));
}
