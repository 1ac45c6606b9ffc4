// The reader layer on its own: header decoding, text decoding and the catalog.
#include <gtest/gtest.h>

#include "platform/jet/jet_catalog.h"
#include <fstream>

#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_diagnostics.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_text.h"
#include "tests/support/test_env.h"

using namespace jet;

TEST(jet_text, compressed_unicode_switches_runs_at_zero_bytes) {
  struct {
    std::vector<std::uint8_t> bytes;
    std::wstring text;
  } cases[] = {
      {{0xFF, 0xFE, 'a', 'b', 'c'}, L"abc"},
      {{0xFF, 0xFE, 'a', 0x00, 0x3A, 0xD8, 0x00, 'b'}, L"a\xD83A" L"b"},
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
  std::vector<std::wstring> expected = {L"Categories", L"Customers", L"Employees", L"Order Details",
                                        L"Orders", L"Products", L"Shippers", L"Suppliers",
                                        L"Ums\u00E4tze"};
  EXPECT_EQ(user, expected);
  EXPECT_FALSE(cat.queries.empty());
}

TEST(jet_diagnostics, libmdb_text_reaches_the_sink_not_the_screen) {
  // A file cut short makes libmdb complain about pages beyond its end.
  std::string src = test_env::testdata_path("access/real/nwind.mdb");
  std::string cut = test_env::make_temp_dir() + "/cut.mdb";
  {
    std::ifstream in(src, std::ios::binary);
    std::vector<char> head(64 * 2048);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    std::ofstream(cut, std::ios::binary).write(head.data(), in.gcount());
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
