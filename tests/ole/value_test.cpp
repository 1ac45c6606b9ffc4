// ole_variant as a container: construction, copies, byte strings in place, the readers a writer
// pages through (get_at, get_bytes1) and the typed getters.
#include "OLE/ole_bool_map.h"
#include "OLE/ole_exceptions.h"
#include "OLE/ole_misc.h"
#include "TK/tk_logger.h"
#include "platform/oleaut/com_object.h"
#include "tests/ole/ole_test_util.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <limits>

namespace {

const void* array_data(const ole_variant& v) { return v.get_variant().parray->pvData; }

TEST(ole_value, byte_strings_are_resized_in_place) {
  EXPECT_EQ(bytes_value({}).get_type(), VT_EMPTY);

  ole_variant text(L"keep");
  text = std::vector<BYTE>{};
  EXPECT_EQ(text.to_string(), "keep");

  ole_variant v = bytes_value({1, 2, 3, 4, 5});
  const SAFEARRAY* array = v.get_variant().parray;
  v = std::vector<BYTE>{9, 8, 7, 6, 5};
  EXPECT_EQ(v.get_variant().parray, array);  // same size: the same array
  EXPECT_EQ(v.to_string(), "0x0908070605");
  v = std::vector<BYTE>{1, 2, 3, 4};
  EXPECT_EQ(ole_variant::get_safe_array_size(v.get_variant().parray), 4u);
  EXPECT_EQ(v.to_string(), "0x01020304");

  ole_variant relabelled = ole_variant::from_string("AABB", VT_BLOB);
  relabelled = std::vector<BYTE>{1};
  EXPECT_EQ(relabelled.get_type(), ole_vt_binary);
}

TEST(ole_value, copies_are_deep_and_keep_64_bit_numbers_and_dates) {
  const ole_variant big(std::int64_t{-9000000000});
  const ole_variant copy = big;
  EXPECT_EQ(copy.get_type(), VT_I8);
  EXPECT_EQ(copy.get_i8(), -9000000000);

  const ole_date date(std::string("2023-05-01 12:30:45.123456"));
  const ole_variant dated(date);
  ole_variant assigned;
  assigned = dated;
  for (const ole_variant* v : {&dated, static_cast<const ole_variant*>(&assigned)}) {
    EXPECT_EQ(v->get_type(), VT_DATE);
    EXPECT_EQ(v->to_string(), "2023-05-01 12:30:45.123456");
    EXPECT_EQ(v->get_date().get_microseconds(), 123456u);
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(v->get_variant().date, &back));
    EXPECT_EQ(back.wSecond, 45);
    EXPECT_EQ(back.wDay, 1);
  }

  // Every binary label is copied with its own bytes.
  ole_variant blob = ole_variant::from_string("0102", VT_BLOB);
  ole_variant blob_copy = blob;
  EXPECT_NE(array_data(blob_copy), array_data(blob));
  EXPECT_EQ(blob_copy.to_string(), "0x0102");
  ole_variant& same_blob = blob;  // through a reference, as a container would assign it
  blob = same_blob;               // onto itself
  EXPECT_EQ(blob.to_string(), "0x0102");

  ole_variant text(std::wstring(L"a\0b", 3));
  ole_variant text_copy(text);
  EXPECT_EQ(SysStringLen(text_copy.get_variant().bstrVal), 3u);
  text_copy = ole_variant(7);
  EXPECT_EQ(text_copy.to_string(), "7");
}

TEST(ole_value, get_at_pages_through_byte_strings_and_texts) {
  std::vector<BYTE> bytes(300000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 7);
  const ole_variant blob(bytes);
  std::string piece, all;
  std::vector<std::uint32_t> counts;
  for (std::uint32_t pos = 0, n = 0; (n = blob.get_at(piece, pos, 131072)) != 0; pos += n) {
    counts.push_back(n);
    EXPECT_EQ(piece.size(), 2u * n);
    all += piece;
  }
  EXPECT_EQ(counts, (std::vector<std::uint32_t>{131072, 131072, 37856}));
  EXPECT_EQ("0x" + all, blob.to_string());

  // Characters beyond ASCII take several bytes each; positions and counts stay in characters.
  const std::wstring wide = L"h\u00e9llo w\u00f6rld \u20ac\U0001F600!";
  const ole_variant text(wide);
  std::string utf8;
  counts.clear();
  for (std::uint32_t pos = 0, n = 0; (n = text.get_at(piece, pos, 4)) != 0; pos += n) {
    counts.push_back(n);
    utf8 += piece;
  }
  EXPECT_EQ(utf8, text.to_string());
  EXPECT_EQ(counts, (std::vector<std::uint32_t>{4, 4, 4, 3}));

  EXPECT_EQ(ole_variant(5).get_at(piece, 0, 10), 0u);
  // A NUL inside a text is part of the value (a memo may hold one): nothing after it is lost.
  const ole_variant with_nul(std::wstring(L"ab\0cd", 5));
  EXPECT_EQ(with_nul.get_at(piece, 2, 10), 3u);
  EXPECT_EQ(piece, std::string("\0cd", 3));
  EXPECT_EQ(with_nul.to_string(), std::string("ab\0cd", 5));
  EXPECT_EQ(with_nul.to_wstring(), std::wstring(L"ab\0cd", 5));
}

TEST(ole_value, get_bytes1_gives_the_bytes_a_server_stores) {
  const BYTE* data = nullptr;
  std::string storage;
  const ole_variant text(std::wstring(L"\u00e9t\u00e9"));
  ASSERT_EQ(text.get_bytes1(data, storage), 5u);  // bytes of UTF-8, not characters
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 5), "\xc3\xa9t\xc3\xa9");

  const ole_variant blob = bytes_value({0, 1, 2});
  ASSERT_EQ(blob.get_bytes1(data, storage), 3u);
  EXPECT_EQ(static_cast<const void*>(data), array_data(blob));  // no copy

  const ole_variant with_nul(std::wstring(L"a\0b", 3));
  ASSERT_EQ(with_nul.get_bytes1(data, storage), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 3), std::string("a\0b", 3));

  EXPECT_EQ(ole_variant().get_bytes1(data, storage), 0u);
  ole_variant null_value;
  null_value.get_variant().vt = VT_NULL;
  EXPECT_EQ(null_value.get_bytes1(data, storage), 0u);
  EXPECT_THROW(ole_variant(5).get_bytes1(data, storage), tk_mail_assertion);
}

TEST(ole_value, to_bool_and_to_long) {
  struct {
    ole_variant value;
    bool as_bool;
    std::int32_t as_long;  // refused: ole_cast_exception expected
    bool refused;
  } cases[] = {
      {raw_bool(1), false, 0, false},
      {ole_variant(true), true, 1, false},
      {ole_variant(static_cast<short>(-2)), true, -2, false},
      {ole_variant(0.0), false, 0, false},
      {ole_variant(-2.7), true, -2, false},
      {ole_variant(3e9), true, 0, true},
      {ole_variant(std::numeric_limits<double>::quiet_NaN()), true, 0, true},
      {ole_variant(4000000000u), true, 0, true},
      {ole_variant(std::int64_t{65536}), true, 65536, false},
      {ole_variant(std::int64_t{5000000000}), true, 0, true},
      {ole_variant(std::uint64_t{7}), true, 7, false},
      {cy_value(4000), true, 0, false},  // 0.4: a non-zero amount
      {cy_value(25000), true, 2, false},
      {decimal_value(L"3e10"), true, 0, false},  // beyond 32 bits: the getter answers 0
      {decimal_value(L"-3.5"), true, -4, false},
      {ole_variant(static_cast<char>(-1)), true, -1, false},
      {ole_variant(L"1"), false, 0, false},
      {ole_variant(), false, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value.to_bool(), c.as_bool) << c.value.to_string();
    if (c.refused) {
      EXPECT_THROW(c.value.to_long(), ole_cast_exception) << c.value.to_string();
    } else {
      EXPECT_EQ(c.value.to_long(), c.as_long) << c.value.to_string();
    }
  }
}

TEST(ole_value, kind_tests) {
  for (VARTYPE vt : {VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_BOOL, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8,
                     VT_UI8, VT_INT, VT_UINT})
    EXPECT_TRUE(ole_is_numeric_type(vt)) << vt;
  for (VARTYPE vt : std::initializer_list<VARTYPE>{VT_EMPTY, VT_NULL, VT_DATE, VT_BSTR, VT_DISPATCH, ole_vt_binary})
    EXPECT_FALSE(ole_is_numeric_type(vt)) << vt;
  EXPECT_TRUE(ole_needs_quotes(VT_DATE));
  EXPECT_TRUE(ole_needs_quotes(VT_BSTR));
  EXPECT_FALSE(ole_needs_quotes(VT_I4));
}

TEST(ole_value, exceptions_and_reference_counts) {
  const ole_cast_exception cast;
  EXPECT_STREQ(cast.what(), "Cannot cast from source type to destination type");
  EXPECT_EQ(cast.kind(), tk_kind_continuable);
  EXPECT_EQ(cast.code(), 0u);
  const ole_type_exception type;
  EXPECT_STREQ(type.what(), "The operating type is not supported yet");
  EXPECT_EQ(type.kind(), tk_kind_error);
  const ole_type_exception copied(type);
  EXPECT_STREQ(copied.what(), type.what());

  struct thing final : com_object<IDispatch> {
    bool answers(REFIID) const override { return false; }
  };
  IDispatch* object = new thing;
  EXPECT_EQ(ole_get_ref_count(object), 1u);
  object->AddRef();
  EXPECT_EQ(ole_get_ref_count(object), 2u);
  object->Release();
  object->Release();
  EXPECT_THROW(ole_get_ref_count(nullptr), tk_mail_assertion);
}

// With the log taking every level, each log line's arguments are built and formatted.
TEST(ole_value, everything_logs_at_level_1) {
  const std::string file = test_env::make_temp_dir() + "/values.log";
  tk_logger logger(file.c_str(), true, 1, false);
  ole_variant v = ole_variant::from_string("0x0A0B", ole_vt_binary);
  v.change_type(VT_BSTR);
  ole_variant d = ole_variant::from_wstring(L"2023-05-01 12:30:45.5 PM", VT_DATE);
  d.change_type(VT_BSTR);
  ole_variant big(std::int64_t{5});
  big.change_type(VT_DECIMAL);
  big.change_type(VT_I4);
  std::string piece;
  ole_variant(std::wstring(L"\u00e9")).get_at(piece, 0, 1);
  std::ifstream log(file);
  std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(all.find("ole_variant::from_string('0x0A0B', 0x00002011)"), std::string::npos);
  EXPECT_NE(all.find("VT_DECIMAL->VT_I4"), std::string::npos);
}

}  // namespace
