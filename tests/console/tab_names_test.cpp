// Reading a table-names file: line ends, empty lines, the byte-order mark, long lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "console/tab_file.h"
#include "tests/support/test_env.h"

namespace {

tab_file_names read_bytes(const std::string& bytes) {
  const std::string path = test_env::make_temp_dir() + "/names.txt";
  std::ofstream(path, std::ios::binary) << bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  EXPECT_NE(file, nullptr);
  tab_file_names names = read_tab_names(file);
  std::fclose(file);
  return names;
}

TEST(TabNames, NamesOfAFile) {
  struct row {
    const char* what;
    std::string bytes;
    std::vector<std::wstring> names;
  } rows[] = {
      {"LF", "Customers\nOrders\n", {L"Customers", L"Orders"}},
      {"CR LF", "Customers\r\nOrder Details\r\n", {L"Customers", L"Order Details"}},
      {"last line without a line end", "Customers\nOrders", {L"Customers", L"Orders"}},
      {"empty lines anywhere", "\n\r\nCustomers\n\n\r\nOrders\n\n", {L"Customers", L"Orders"}},
      {"only empty lines", "\n\r\n\n", {}},
      {"empty file", "", {}},
      {"blanks and duplicates kept", " Customers \nOrders\nOrders\n", {L" Customers ", L"Orders", L"Orders"}},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBFUms\xC3\xA4tze\r\nOrders\r\n", {L"Ums\u00e4tze", L"Orders"}},
      {"byte-order mark after empty lines", "\n\xEF\xBB\xBFUms\xC3\xA4tze\n", {L"Ums\u00e4tze"}},
      {"byte-order mark alone on the first line", "\xEF\xBB\xBF\nOrders\n", {L"", L"Orders"}},
      {"byte-order mark on a later line stays", "Orders\n\xEF\xBB\xBFX\n", {L"Orders", L"\uFEFFX"}},
      {"a CR inside a name stays", "A\rB\n", {L"A\rB"}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const tab_file_names read = read_bytes(r.bytes);
    EXPECT_EQ(read.long_line, 0u);
    EXPECT_EQ(read.names, r.names);
  }
}

TEST(TabNames, ALineLongerThan254BytesIsRefusedNotSplit) {
  const std::string fits(254, 'a');
  EXPECT_EQ(read_bytes(fits + "\r\n").names, std::vector<std::wstring>{std::wstring(254, L'a')});
  const tab_file_names read = read_bytes("Customers\n\n" + fits + "b\r\nOrders\n");
  EXPECT_EQ(read.long_line, 3u);
}

TEST(TabNames, AStreamWithoutLineEndsIsReadOnlyUpToTheLimit) {
  std::FILE* zeros = std::fopen("/dev/zero", "rb");
  ASSERT_NE(zeros, nullptr);
  const tab_file_names read = read_tab_names(zeros);
  EXPECT_EQ(read.long_line, 1u);
  EXPECT_TRUE(read.names.empty());
  std::fclose(zeros);
}

}  // namespace
