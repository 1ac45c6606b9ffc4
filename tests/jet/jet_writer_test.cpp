// The Jet 4 file writer's foundations: the page store and the header page, read back by our
// own header decoder and by an Access file in the test data.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/write/jet_header_page.h"
#include "platform/jet/write/jet_page_store.h"
#include "tests/support/test_env.h"
#include "tests/support/test_shell.h"

using namespace jet;

TEST(jet_header_page, reads_back_code_page_and_password) {
  struct {
    unsigned code_page;
    std::wstring password;
    double created;
  } cases[] = {
      {1252, L"", 46000.25},
      {1251, L"secret", 46000.75},
      {1252, L"abcdefghij0123456789", 12.0},  // the longest password, no terminator left
      {1253, L"\x00E9t\x00E9", -3.5},         // a date before 1899 masks with a negative word
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> page;
    ASSERT_TRUE(jet_build_header_page({c.code_page, c.password, c.created}, page));
    ASSERT_EQ(page.size(), jet4_page_size);
    jet_header h;
    ASSERT_EQ(jet_read_header(page.data(), page.size(), h), jet_status::ok);
    EXPECT_EQ(h.format, jet_format::jet4);
    EXPECT_EQ(h.code_page, c.code_page);
    EXPECT_FALSE(h.page_encoded);
    EXPECT_EQ(h.password, c.password);
  }
}

TEST(jet_header_page, refuses_a_password_that_does_not_fit) {
  std::vector<std::uint8_t> page;
  EXPECT_FALSE(jet_build_header_page({1252, std::wstring(21, L'x'), 0}, page));
}

TEST(jet_header_page, unmasked_bytes_match_an_engine_made_file) {
  // Past the masked area the header page holds constants; compare with a Jet 4 file Access made.
  std::ifstream in(test_env::testdata_path("access/jet4/compIndexTestV2000.mdb"), std::ios::binary);
  if (!in) GTEST_SKIP() << "no Jet 4 sample";
  std::vector<std::uint8_t> theirs(jet4_page_size);
  in.read(reinterpret_cast<char*>(theirs.data()), static_cast<std::streamsize>(theirs.size()));
  std::vector<std::uint8_t> ours;
  ASSERT_TRUE(jet_build_header_page({}, ours));
  EXPECT_EQ(std::memcmp(ours.data(), theirs.data(), 0x18), 0);
  EXPECT_EQ(std::memcmp(ours.data() + 0x98, theirs.data() + 0x98, 0xE00 - 0x98), 0);
  EXPECT_EQ(std::memcmp(ours.data() + 0xE04, theirs.data() + 0xE04, jet4_page_size - 0xE04), 0);
}

TEST(jet_page_store, appends_rewrites_and_refuses_an_existing_file) {
  std::string path = test_env::make_temp_dir() + "/new.mdb";
  jet_page_store store;
  ASSERT_TRUE(store.create(path, 16));
  std::uint32_t n = 99;
  ASSERT_TRUE(store.append(std::vector<std::uint8_t>(16, 1), n));
  EXPECT_EQ(n, 0u);
  ASSERT_TRUE(store.append(std::vector<std::uint8_t>(16, 2), n));
  EXPECT_EQ(n, 1u);
  EXPECT_FALSE(store.append(std::vector<std::uint8_t>(15, 3), n));  // not a whole page
  EXPECT_FALSE(store.write(2, std::vector<std::uint8_t>(16, 3)));   // past the end
  ASSERT_TRUE(store.write(0, std::vector<std::uint8_t>(16, 7)));
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(store.read(0, back));
  EXPECT_EQ(back, std::vector<std::uint8_t>(16, 7));
  ASSERT_TRUE(store.close());
  EXPECT_EQ(std::filesystem::file_size(path), 32u);

  jet_page_store again;
  EXPECT_FALSE(again.create(path, 16));
  EXPECT_EQ(std::filesystem::file_size(path), 32u);
}

TEST(jet_header_page, written_through_the_page_store_mdbtools_reads_the_version) {
  std::string path = test_env::make_temp_dir() + "/header.mdb";
  jet_page_store store;
  ASSERT_TRUE(store.create(path, jet4_page_size));
  std::vector<std::uint8_t> page;
  ASSERT_TRUE(jet_build_header_page({1252, L"pw", 46000}, page));
  std::uint32_t n = 0;
  ASSERT_TRUE(store.append(page, n));
  ASSERT_TRUE(store.close());
  EXPECT_EQ(test_env::checked_output("mdb-ver " + test_env::shell_quote(path)), "JET4\n");
}
