// Attached files out of Access's stored form: a real stored value, its plain twin, and the same
// value cut and altered, each refused with what is wrong with it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dao/dao_attachment_file.h"

namespace {

using bytes = std::vector<std::uint8_t>;

bytes from_hex(const std::string& hex) {
  bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

bytes from_text(const std::string& text) { return bytes(text.begin(), text.end()); }

bytes operator+(bytes a, const bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

bytes u32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

// test_data.txt as complexDataTestV2010.accdb stores it (mdb-export -b hex): type 1, 58 bytes
// of content deflated.
const bytes stored_deflated = from_hex(
    "010000003A000000785E1361606060046216202E61A80062209D9159AC0044C5F9B9A90A25A9C5250A298925890A69F9450A89252589C919"
    "B9A979257A0052A90F7A");
const std::string file_text = "this is some test data for attachment.";

// The same content stored plain: a 20-byte header (its length, two words, the extension "txt" as
// UTF-16 with its NUL), then the file.
const bytes header = u32(20) + u32(1) + u32(4) + from_hex("7400780074000000");
const bytes content = header + from_text(file_text);
bytes plain(const bytes& c) { return u32(0) + u32(static_cast<std::uint32_t>(c.size())) + c; }

bytes cut(const bytes& b, std::size_t size) { return bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size)); }
bytes altered(bytes b, std::size_t at, std::uint8_t value) {
  b[at] = value;
  return b;
}

TEST(dao_attachment_file, the_stored_forms_give_the_file_itself) {
  struct case_ {
    const char* what;
    bytes stored;
    bytes file;
  };
  const case_ cases[] = {
      {"deflated, as Access stores it", stored_deflated, from_text(file_text)},
      {"plain", plain(content), from_text(file_text)},
      {"an empty file", plain(u32(4)), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const dao_attachment_file f = dao_unwrap_attachment(c.stored.data(), c.stored.size());
    EXPECT_TRUE(f.unwrapped) << f.fault;
    EXPECT_EQ(f.bytes, c.file);
  }
}

TEST(dao_attachment_file, a_value_not_in_the_stored_form_is_refused_with_its_fault) {
  const std::size_t n = stored_deflated.size();
  struct case_ {
    const char* what;
    bytes stored;
    const char* fault;
  };
  const case_ cases[] = {
      {"nothing", {}, "it has 0 bytes, fewer than the 8 of its wrapper"},
      {"cut inside the wrapper", cut(stored_deflated, 7), "it has 7 bytes, fewer than the 8 of its wrapper"},
      {"only the wrapper", cut(stored_deflated, 8), "its compressed content is cut short"},
      {"cut inside the stream", cut(stored_deflated, n - 10), "its compressed content is cut short"},
      {"an unknown type", altered(stored_deflated, 0, 7), "its type 7 is neither 0 (plain) nor 1 (compressed)"},
      {"a length one short", altered(stored_deflated, 4, 57),
       "its content inflates to more than the 57 bytes its wrapper gives"},
      {"a length one long", altered(stored_deflated, 4, 59),
       "its content inflates to 58 bytes where its wrapper gives 59"},
      {"a damaged stream header", altered(stored_deflated, 8, 0), "its compressed content does not inflate"},
      {"a damaged checksum", altered(stored_deflated, n - 1, 0), "its compressed content does not inflate"},
      {"bytes after the stream", stored_deflated + bytes{0}, "bytes follow its compressed content"},
      {"plain, a length one long", altered(plain(content), 4, static_cast<std::uint8_t>(content.size() + 1)),
       "its content has 58 bytes where its wrapper gives 59"},
      {"plain, cut", cut(plain(content), 30), "its content has 22 bytes where its wrapper gives 58"},
      {"plain, too short for a header", plain(bytes{1, 2}), "its content of 2 bytes is too short for a header"},
      {"a header beyond the content", plain(u32(59) + cut(content, 54)),
       "its header length 59 does not fit its content of 58 bytes"},
      {"a header shorter than its own length", plain(u32(3) + cut(content, 54)),
       "its header length 3 does not fit its content of 58 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const dao_attachment_file f = dao_unwrap_attachment(c.stored.data(), c.stored.size());
    EXPECT_FALSE(f.unwrapped);
    EXPECT_EQ(f.fault, c.fault);
    EXPECT_TRUE(f.bytes.empty());
  }
}

}  // namespace
