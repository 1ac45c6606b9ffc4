// The random-access file: reads at the edges, zero padding, modes and their errors.
#include "TK/tk_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TK/tk_exception.h"
#include "tests/support/test_env.h"
#include "tests/tk/tk_test_util.h"

namespace {

std::string make_file(const std::string& bytes) {
  std::string path = test_env::make_temp_dir() + "/f.bin";
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const tk_exception& e) {
    EXPECT_EQ(1u, e.kind());
    return e.what();
  }
  return "";
}

TEST(File, ReadsAtOffsets) {
  std::string path = make_file(std::string("\x01\x02\x03\x04\x05", 5));
  tk_stdio_file f(path, tk_file_read);
  EXPECT_EQ(5u, f.get_length());
  EXPECT_EQ(0x01, f.get_byte(0));
  EXPECT_EQ(0x05, f.get_byte(4));  // the last byte
  EXPECT_EQ(0x0302, f.get_word(1));
  EXPECT_EQ(0x05040302u, f.get_dword(1));
  char buf[8];
  struct Bad {
    std::uint64_t offset, length;
  } bad[] = {{5, 1}, {2, 4}, {0, 0}, {UINT64_MAX, 2}};
  for (const auto& b : bad) {
    EXPECT_EQ("Error reading from file", error_of([&] { f.get_at(b.offset, buf, b.length); })) << b.offset;
  }
}

TEST(File, WritesPadAndAppend) {
  struct Case {
    std::uint64_t offset;
    std::string expected;
  } cases[] = {
      {10, std::string("abcd\0\0\0\0\0\0XY", 12)},
      {4, "abcdXY"},  // at the end: no padding
      {1, "aXYd"},
  };
  for (const auto& c : cases) {
    std::string path = make_file("abcd");
    {
      tk_stdio_file f(path, tk_file_write);
      f.put_at(c.offset, "XY", 2);
      EXPECT_EQ(c.expected.size(), f.get_length());
      EXPECT_EQ("Cannot write into file", error_of([&] { f.put_at(0, "Z", 0); }));
    }
    EXPECT_EQ(c.expected, read_file(path));
  }
}

TEST(File, ModesAndOpenErrors) {
  std::string path = make_file("old contents");
  { tk_stdio_file f(path, tk_file_create); }
  EXPECT_EQ("", read_file(path));
  std::string missing = test_env::make_temp_dir() + "/missing.mdw";
  EXPECT_EQ("Bad path or busy with another process", error_of([&] { tk_stdio_file f(missing, tk_file_read); }));
  EXPECT_EQ("Error opening file", error_of([&] { tk_stdio_file f(missing, tk_file_write); }));
  { tk_stdio_file created(missing, tk_file_create); }
  EXPECT_TRUE(file_exists(missing));
  EXPECT_THROW(tk_stdio_file("", tk_file_read), tk_mail_assertion);

  tk_stdio_file rel(path, tk_file_read);
  EXPECT_EQ('/', rel.name()[0]);
}

TEST(File, ReadsTheHeaderOfARealDatabase) {
  std::string path = test_env::testdata_path("access/real/nwind.mdb");
  tk_stdio_file f(path, tk_file_read);
  EXPECT_EQ(0x00000100u, f.get_dword(0));  // the page-0 signature
  char id[16];
  f.get_at(4, id, 15);
  id[15] = '\0';
  EXPECT_STREQ("Standard Jet DB", id);
}

}  // namespace
