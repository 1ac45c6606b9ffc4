// Index keys against Access itself: every index entry of the Access-made Jet 4 and ACE files is
// rebuilt from its row's values and compared byte for byte; text keys also against the worked
// examples of the General legacy order for accents, case, kana and unprintable characters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/jet/jet_file.h"
#include "platform/jet/write/jet_index_key.h"
#include "platform/jet/write/jet_write_error.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/support/test_env.h"

using namespace jet;

namespace {

std::string hex(const std::vector<std::uint8_t>& b) {
  std::string s;
  char buf[4];
  for (std::uint8_t c : b) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    s += buf;
  }
  if (!s.empty()) s.pop_back();
  return s;
}

std::vector<std::uint8_t> key_of(int type, bool ascending, const jet_value& v) {
  std::vector<std::uint8_t> key;
  jet_append_key_segment({type, ascending}, v, key);
  return key;
}

std::string case_name(const testing::TestParamInfo<std::string>& info) {
  std::string n;
  for (char c : info.param.substr(info.param.rfind('/') + 1))
    n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return n;
}

}  // namespace

class access_made_index : public testing::TestWithParam<std::string> {};

// Every entry of every index is its row's own key, re-encoded from the row's values; and the
// tree passes the walker (order, sizes, links, node entries, one entry per row).
TEST_P(access_made_index, walks_clean_and_each_entry_is_its_rows_own_key) {
  const std::string path = test_env::testdata_path(GetParam());
  for (const auto& r : jet_test::check_file_indexes(path)) {
    SCOPED_TRACE(std::string(r.table.begin(), r.table.end()) + " index " + std::to_string(r.index));
    EXPECT_EQ(r.faults, std::vector<std::string>());
    // Keys the encoder cannot make (the newer text order of Access 2010 files) are checked by
    // their row pointers only; every other entry must have been rebuilt byte for byte.
    EXPECT_EQ(r.keys_checked + r.pointers_only, r.entries);
  }
}

INSTANTIATE_TEST_SUITE_P(files, access_made_index, testing::ValuesIn(jet_test::access_made_files()), case_name);

// The worked examples of the General legacy order: real Access keys (case, space, punctuation,
// digits, unprintable characters and their positions) and the rule's own cases for what the
// test files lack (accents, combining marks, kana, descending, empty text).
TEST(general_legacy_text_key, worked_examples) {
  struct {
    std::wstring text;
    bool ascending;
    const char* key;
  } cases[] = {
      {L"MSysObjects", true, "7F 60 6B 76 6B 64 4C 5B 51 4D 6D 6B 01 00"},
      {L"Core User", true, "7F 4D 64 69 51 07 6F 6B 51 69 01 00"},
      {L"CORE USER", true, "7F 4D 64 69 51 07 6F 6B 51 69 01 00"},  // no case in the key
      {L"Office Theme.thmx", true, "7F 64 53 53 59 4D 51 07 6D 57 51 60 51 1C 6D 57 60 75 01 00"},
      {L"test_data2.txt", true, "7F 6D 51 6B 6D 2B 03 4F 4A 6D 4A 3A 1C 6D 75 6D 01 00"},
      {L"Table1", true, "7F 6D 4A 4C 5E 51 38 01 00"},
      {L"-1", true, "7F 38 01 01 01 01 80 07 06 82 00"},
      {L"\x0003"
       L"DirData",
       true, "7F 4F 59 69 4F 4A 6D 4A 01 01 01 01 80 07 06 05 00"},
      {L"\x00C9mile", true, "7F 51 60 59 5E 51 01 0E 00"},
      {L"caf\x00E9", true, "7F 4D 4A 53 51 01 02 02 02 0E 00"},
      {L"e\x0301", true, "7F 51 01 0E 00"},  // a combining accent keys like the accented letter
      {L"\x00E9", true, "7F 51 01 0E 00"},
      {L"l'\x00E9t\x00E9", true, "7F 5E 51 6D 51 01 02 0E 02 0E 01 01 01 80 0B 06 80 00"},
      {L"\x3041\x30A2", true, "7F 7F 02 7F 02 01 01 01 A0 FF 02 80 FF 80 00"},
      {L"Table1", false, "80 92 B5 B3 A1 AE C7 FE FF 00"},
      {L"\x00C9mile", false, "80 AE 9F A6 A1 AE FE F1 FF 00"},
      {L"", true, "7F 01 00"},
      {L"", false, "80 FE FF 00"},
      {L"Ab  ", true, "7F 4A 4C 01 00"},  // trailing spaces dropped
      {L"   ", true, "7F 01 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(hex(std::vector<std::uint8_t>(c.text.begin(), c.text.end())));
    EXPECT_EQ(hex(key_of(jet_text, c.ascending, c.text)), c.key);
  }
}

TEST(general_legacy_text_key, keys_hold_the_first_255_units) {
  // Texts equal in their first 255 units share a key; a surrogate pair counts as two units.
  std::wstring long_text(255, L'a');
  EXPECT_EQ(key_of(jet_text, true, long_text), key_of(jet_text, true, long_text + L"zzz"));
  EXPECT_NE(key_of(jet_text, true, std::wstring(254, L'a')), key_of(jet_text, true, long_text));
  std::wstring with_pair = std::wstring(253, L'a') + L"\x1F600";
  std::wstring cut = std::wstring(253, L'a') + L"\x1F600" + L"b";
  EXPECT_EQ(key_of(jet_text, true, with_pair), key_of(jet_text, true, cut));
  // A tab or a no-break space at the end is kept; only spaces go.
  EXPECT_NE(key_of(jet_text, true, L"a\t"), key_of(jet_text, true, L"a"));
  EXPECT_NE(key_of(jet_text, true, L"a\x00A0"), key_of(jet_text, true, L"a"));
}

// Keys of the types the test files do not index (or not in every direction): their bytes for a
// few values, by the rules the indexed types follow.
TEST(index_key, segments_of_each_type) {
  jet_uuid g;
  for (int i = 0; i < 16; ++i) g.bytes[i] = static_cast<std::uint8_t>(i + 1);
  jet_decimal d;
  d.lo = 5;
  jet_decimal dn = d;
  dn.negative = true;
  struct {
    int type;
    bool ascending;
    jet_value value;
    const char* key;
  } cases[] = {
      {jet_long, true, std::int32_t{1}, "7F 80 00 00 01"},
      {jet_long, true, std::int32_t{-1}, "7F 7F FF FF FF"},
      {jet_long, false, std::int32_t{1}, "80 7F FF FF FE"},
      {jet_int, true, std::int16_t{5}, "7F 80 05"},
      {jet_byte, true, std::uint8_t{5}, "7F 05"},
      {jet_byte, false, std::uint8_t{5}, "80 FA"},
      {jet_money, true, jet_currency{-10000}, "7F 7F FF FF FF FF FF D8 F0"},
      {jet_double, true, 1.0, "7F BF F0 00 00 00 00 00 00"},
      {jet_double, true, -1.0, "7F 40 0F FF FF FF FF FF FF"},
      {jet_double, false, 1.0, "80 40 0F FF FF FF FF FF FF"},
      {jet_float, true, 1.0f, "7F BF 80 00 00"},
      {jet_datetime, true, jet_date{0.5}, "7F BF E0 00 00 00 00 00 00"},
      {jet_bool, true, true, "7F 00"},
      {jet_bool, true, false, "7F FF"},
      {jet_bool, false, true, "80 FF"},
      {jet_bool, true, jet_null{}, "7F FF"},  // Yes/No is never NULL: a missing value is No
      {jet_guid, true, g, "7F 01 02 03 04 05 06 07 08 09 09 0A 0B 0C 0D 0E 0F 10 08"},
      {jet_binary, true, jet_bytes{0x61, 0x62, 0x63}, "7F 61 62 63 00 00 00 00 00 03"},
      {jet_binary, false, jet_bytes{0x61, 0x62, 0x63}, "80 9E 9D 9C FF FF FF FF FF FC"},
      {jet_binary, true, jet_bytes(9, 0x41), "7F 41 41 41 41 41 41 41 41 09 41 00 00 00 00 00 00 00 01"},
      {jet_numeric, true, d, "7F FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 05"},
      {jet_numeric, true, dn, "7F 00 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FA"},
      {jet_numeric, false, d, "80 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FA"},
      {jet_numeric, false, dn, "80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 05"},
      {jet_binary, true, jet_bytes{}, "7F"},
      {jet_binary, false, jet_bytes{}, "80"},
      {jet_long, true, jet_null{}, "00"},
      {jet_text, false, jet_null{}, "FF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + (c.ascending ? " ascending" : " descending"));
    EXPECT_EQ(hex(key_of(c.type, c.ascending, c.value)), c.key);
  }
}

TEST(index_key, keys_sort_as_their_values_in_both_directions) {
  auto dec = [](bool negative, std::uint64_t lo) {
    jet_decimal d;
    d.negative = negative;
    d.lo = lo;
    return d;
  };
  struct {
    int type;
    std::vector<jet_value> ascending_values;
  } cases[] = {
      {jet_byte, {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{127}, std::uint8_t{128}, std::uint8_t{255}}},
      {jet_int, {std::int16_t{-32768}, std::int16_t{-1}, std::int16_t{0}, std::int16_t{1}, std::int16_t{32767}}},
      {jet_long,
       {std::int32_t{INT32_MIN}, std::int32_t{-256}, std::int32_t{-1}, std::int32_t{0}, std::int32_t{255},
        std::int32_t{INT32_MAX}}},
      {jet_money,
       {jet_currency{INT64_MIN}, jet_currency{-1}, jet_currency{0}, jet_currency{1}, jet_currency{INT64_MAX}}},
      {jet_float, {-1e30f, -2.5f, -1e-30f, 0.0f, 1e-30f, 2.5f, 1e30f}},
      {jet_double, {-1e300, -2.5, -1e-300, 0.0, 1e-300, 2.5, 1e300}},
      {jet_datetime, {jet_date{-657434.0}, jet_date{-1.5}, jet_date{0.0}, jet_date{0.25}, jet_date{2958465.99}}},
      {jet_bool, {true, false}},
      {jet_binary,
       {jet_bytes{0x00}, jet_bytes{0x00, 0x00}, jet_bytes{0x01}, jet_bytes(8, 0xFF), jet_bytes(9, 0xFF),
        jet_bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}}},
      {jet_numeric, {dec(true, 100), dec(true, 1), dec(false, 0), dec(false, 1), dec(false, 100)}},
      {jet_text, {std::wstring(L""), std::wstring(L"a"), std::wstring(L"B"), std::wstring(L"ba"), std::wstring(L"z")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type));
    const bool nullable = c.type != jet_bool;
    for (bool asc : {true, false}) {
      // Jet 4 puts every negative Decimal before every positive one in a descending index
      // (an engine fault the format keeps); its bytes are pinned in segments_of_each_type.
      if (c.type == jet_numeric && !asc) continue;
      // NULL is the lowest value: first ascending, last descending.
      std::vector<std::vector<std::uint8_t>> keys;
      if (nullable) keys.push_back(key_of(c.type, asc, jet_null{}));
      for (const auto& v : c.ascending_values) keys.push_back(key_of(c.type, asc, v));
      for (std::size_t i = 1; i < keys.size(); ++i) {
        if (asc)
          EXPECT_LT(keys[i - 1], keys[i]) << "value " << i;
        else
          EXPECT_GT(keys[i - 1], keys[i]) << "value " << i;
      }
    }
  }
}

TEST(index_key, refuses_what_cannot_be_indexed) {
  struct {
    int type;
    jet_value value;
  } cases[] = {
      {jet_ole, jet_bytes{1, 2}},      // OLE objects are not indexed
      {jet_long, std::wstring(L"1")},  // a value of another type
      {jet_text, std::int32_t{1}},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> key = {0x7F, 0x01};
    try {
      jet_append_key_segment({c.type, true}, c.value, key);
      ADD_FAILURE() << "type " << c.type << " accepted";
    } catch (const jet_write_error& e) {
      EXPECT_EQ(e.dao_code(), 3001);
    }
    EXPECT_EQ(key, (std::vector<std::uint8_t>{0x7F, 0x01}));  // no half segment left behind
  }
  EXPECT_THROW(jet_index_key({{jet_long, true}}, {}), jet_write_error);
}
