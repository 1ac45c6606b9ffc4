// Memo and OLE storage: values written by the long-value writer are read back by our reader from
// an Access-made file whose memo header is replaced by the one the writer answered, with the
// writer's LVAL pages appended to the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_values.h"
#include "platform/jet/write/jet_long_value_writer.h"
#include "platform/jet/write/jet_write_error.h"
#include "tests/jet_write_parts/jet_file_image.h"
#include "tests/support/test_env.h"

using namespace jet;

namespace {

// Access stored a 65-byte long value of this file's MSysObjects in one LVAL row: its header is
// the one place the tests put their own headers.
constexpr char sample_file[] = "access/jet4/fixedNumericTestV2000.mdb";
constexpr std::uint8_t access_header_65[] = {65, 0, 0, jet_long_value_single};

struct patched_file {
  std::vector<std::uint8_t> image;
  std::size_t header_at = 0;
};

patched_file load_sample() {
  patched_file f;
  f.image = test_image::read_file(test_env::testdata_path(sample_file));
  auto it = std::search(f.image.begin(), f.image.end(), std::begin(access_header_65), std::end(access_header_65));
  if (it == f.image.end()) throw test_env::missing_input("no 65-byte memo header in the sample");
  f.header_at = static_cast<std::size_t>(it - f.image.begin());
  return f;
}

// The stored bytes of every Memo and OLE cell of MSysObjects, row by row, after putting
// `header` in place of Access's.
std::vector<jet_bytes> read_long_values(std::vector<std::uint8_t> image, std::size_t at,
                                        const std::vector<std::uint8_t>& header, std::wstring* damage) {
  std::memcpy(image.data() + at, header.data(), header.size());
  std::unique_ptr<jet_file> file;
  EXPECT_EQ(jet_file::open_bytes(std::move(image), L"", file), jet_status::ok);
  std::vector<jet_bytes> out;
  if (!file) return out;
  jet_cursor cursor(*file, jet_catalog_page);
  while (cursor.next())
    for (std::size_t c = 0; c < cursor.columns().size(); ++c)
      if (cursor.columns()[c].type == jet_memo || cursor.columns()[c].type == jet_ole) out.push_back(cursor.bytes(c));
  if (damage != nullptr && cursor.damaged()) *damage = cursor.damage();
  return out;
}

std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> v(size);
  for (std::size_t i = 0; i < size; ++i) v[i] = static_cast<std::uint8_t>((i * 31 + seed * 7 + i / 251) & 0xFF);
  return v;
}

std::vector<std::uint8_t> utf16(const std::u32string& text) {
  std::vector<std::uint8_t> out;
  auto unit = [&out](std::uint32_t u) {
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  };
  for (char32_t c : text) {
    if (c > 0xFFFF) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

// Every size class in one writer, so the values share and fill pages the way a column's do.
TEST(jet_long_value_writer, values_of_every_size_read_back_through_our_reader) {
  patched_file sample = load_sample();
  std::uint32_t first_new_page = static_cast<std::uint32_t>(sample.image.size() / jet4_page_size);
  test_image::vector_sink sink(sample.image);
  jet_long_value_writer writer(sink);

  struct value_case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint8_t kind;
  };
  std::vector<value_case> cases = {
      {"empty", {}, jet_long_value_inline},
      {"64 bytes", pattern(64, 1), jet_long_value_inline},
      {"65 bytes", pattern(65, 2), jet_long_value_single},
      {"non-BMP text", utf16(U"a\U0001F600\u00E9\U00010400z"), jet_long_value_inline},
      {"one full LVAL row", pattern(jet_long_value_single_max, 3), jet_long_value_single},
      {"one byte more than a row", pattern(jet_long_value_single_max + 1, 4), jet_long_value_chain},
      {"a chain that fills its pieces exactly", pattern(3 * jet_long_value_chain_piece, 5), jet_long_value_chain},
      {"several pages", pattern(5 * jet_long_value_chain_piece + 17, 6), jet_long_value_chain},
      {"non-BMP text over pages", utf16(std::u32string(3000, U'\U0001F600')), jet_long_value_chain},
      {"a small value after chains", pattern(200, 7), jet_long_value_single},
  };
  // Many mid-sized values, so pages fill and the writer moves on to new ones.
  for (unsigned i = 0; i < 40; ++i)
    cases.push_back({"mid-sized", pattern(300 + 37 * i, 10 + i), jet_long_value_single});

  std::vector<std::vector<std::uint8_t>> kept;
  for (const auto& c : cases) kept.push_back(writer.store(c.bytes.data(), c.bytes.size(), 4000));
  writer.finish();

  std::vector<jet_bytes> original = read_long_values(sample.image, sample.header_at,
                                                     {sample.image.begin() + static_cast<long>(sample.header_at),
                                                      sample.image.begin() + static_cast<long>(sample.header_at) + 12},
                                                     nullptr);
  std::size_t patched_row = 0;
  while (patched_row < original.size() && original[patched_row].size() != 65) ++patched_row;
  ASSERT_LT(patched_row, original.size());

  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(std::string(cases[i].what) + " #" + std::to_string(i));
    const auto& k = kept[i];
    ASSERT_GE(k.size(), jet_long_value_header_size);
    EXPECT_EQ(u32(k.data()) & 0x3FFFFFFF, cases[i].bytes.size());
    EXPECT_EQ(k[3] & 0xC0, cases[i].kind);
    EXPECT_EQ(u32(k.data() + 8), 0u);
    if (cases[i].kind == jet_long_value_inline) {
      EXPECT_EQ(u32(k.data() + 4), 0u);
      EXPECT_EQ(std::vector<std::uint8_t>(k.begin() + jet_long_value_header_size, k.end()), cases[i].bytes);
      continue;
    }
    ASSERT_EQ(k.size(), jet_long_value_header_size);
    std::wstring damage;
    std::vector<jet_bytes> memos = read_long_values(sample.image, sample.header_at, k, &damage);
    EXPECT_EQ(damage, L"");
    ASSERT_EQ(memos.size(), original.size());
    for (std::size_t r = 0; r < memos.size(); ++r)
      EXPECT_EQ(memos[r], r == patched_row ? cases[i].bytes : original[r]) << "cell " << r;
  }

  // The pages reported are exactly the new ones, each an LVAL data page, none listed twice.
  std::set<std::uint32_t> reported(writer.pages().begin(), writer.pages().end());
  EXPECT_EQ(reported.size(), writer.pages().size());
  std::uint32_t page_count = static_cast<std::uint32_t>(sample.image.size() / jet4_page_size);
  EXPECT_EQ(reported.size(), page_count - first_new_page);
  for (std::uint32_t p = first_new_page; p < page_count; ++p) {
    EXPECT_TRUE(reported.count(p)) << p;
    const std::uint8_t* page = sample.image.data() + std::size_t{p} * jet4_page_size;
    EXPECT_EQ(page[0], 1) << p;
    EXPECT_EQ(std::memcmp(page + 4, "LVAL", 4), 0) << p;
  }
}

// Text beyond the BMP, stored over several pages, comes back whole through the reader's Memo
// decoding.
TEST(jet_long_value_writer, non_bmp_memo_decodes_as_text) {
  patched_file sample = load_sample();
  test_image::vector_sink sink(sample.image);
  jet_long_value_writer writer(sink);
  std::u32string text = U"Zo\u00EB \u2713 \U0001F600" + std::u32string(1500, U'\U00010400');
  std::vector<std::uint8_t> bytes = utf16(text);
  std::vector<std::uint8_t> kept = writer.store(bytes.data(), bytes.size(), 4000);
  writer.finish();
  EXPECT_EQ(kept[3], jet_long_value_chain);
  std::vector<std::uint8_t> before(sample.image.begin() + static_cast<long>(sample.header_at),
                                   sample.image.begin() + static_cast<long>(sample.header_at) + 12);
  std::vector<jet_bytes> original = read_long_values(sample.image, sample.header_at, before, nullptr);
  std::vector<jet_bytes> cells = read_long_values(sample.image, sample.header_at, kept, nullptr);
  ASSERT_EQ(cells.size(), original.size());
  std::size_t changed = 0;
  while (changed < cells.size() && cells[changed] == original[changed]) ++changed;
  ASSERT_LT(changed, cells.size());
  std::unique_ptr<jet_file> file;
  ASSERT_EQ(jet_file::open_bytes(sample.image, L"", file), jet_status::ok);
  jet_column memo;
  memo.type = jet_memo;
  jet_value v = jet_decode_value(*file, memo, cells[changed].data(), cells[changed].size());
  const auto* s = std::get_if<std::wstring>(&v);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(*s == std::wstring(text.begin(), text.end()));
}

// A value stays in the row only when the row has room for it; without room even for the
// header the row is too large and nothing is written.
TEST(jet_long_value_writer, room_left_in_the_row_decides_where_a_value_goes) {
  std::vector<std::uint8_t> image(jet4_page_size * 3, 0);
  test_image::vector_sink sink(image);
  jet_long_value_writer writer(sink);
  struct {
    std::size_t size, room;
    std::uint8_t kind;
  } cases[] = {
      {10, 22, jet_long_value_inline},  // header and value fit exactly
      {10, 21, jet_long_value_single},  // one byte short: out of the row
      {0, 12, jet_long_value_inline},  {64, 76, jet_long_value_inline}, {65, 4000, jet_long_value_single},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> v = pattern(c.size, 1);
    std::vector<std::uint8_t> kept = writer.store(v.data(), v.size(), c.room);
    EXPECT_EQ(kept[3] & 0xC0, c.kind) << c.size << " in " << c.room;
    EXPECT_LE(kept.size(), c.room);
  }
  std::size_t pages_before = writer.pages().size();
  std::vector<std::uint8_t> v = pattern(5000, 2);
  try {
    writer.store(v.data(), v.size(), jet_long_value_header_size - 1);
    ADD_FAILURE() << "a row without room for the header was accepted";
  } catch (const jet_write_error& e) {
    EXPECT_EQ(e.dao_code(), 3047);
    EXPECT_STREQ(e.what(), "Record is too large.");
  }
  EXPECT_EQ(writer.pages().size(), pages_before);
}

// Access puts a full chain piece alone on its page with 4 bytes free; our pages match.
TEST(jet_long_value_writer, chain_pages_are_laid_out_like_access_makes_them) {
  std::vector<std::uint8_t> ours(jet4_page_size, 0);
  test_image::vector_sink sink(ours);
  jet_long_value_writer writer(sink);
  std::vector<std::uint8_t> v = pattern(jet_long_value_chain_piece * 2, 3);
  writer.store(v.data(), v.size(), 4000);
  writer.finish();
  std::vector<std::uint8_t> theirs = test_image::read_file(test_env::testdata_path("access/jet4/test2V2000.mdb"));
  const std::uint8_t* a = theirs.data() + 30 * jet4_page_size;  // the first piece of a chain
  ASSERT_EQ(std::memcmp(a + 4, "LVAL", 4), 0);
  const std::uint8_t* b = ours.data() + std::size_t{writer.pages().front()} * jet4_page_size;
  EXPECT_EQ(std::memcmp(a, b, 4), 0);            // type and free space
  EXPECT_EQ(std::memcmp(a + 12, b + 12, 4), 0);  // one row, at the same offset
}
