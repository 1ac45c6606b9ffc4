// The parts of Access as a destination that need no file: the name validators, the column names
// a new table gets, the DAO type of each column kind, default texts and the values Access cannot
// take as they are.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_exceptions.h"
#include "TK/tk_utils.h"
#include "dao/dao_field.h"
#include "dao/dao_schema_initializer.h"
#include "dao/dao_validator.h"
#include "dao/dao_write_types.h"
#include "platform/jet/dao.h"

namespace {

std::string utf8(const std::wstring& w) { return tk_unicode_to_utf8(w); }

// A schema over descriptors the holder keeps alive.
struct schema_holder {
  std::vector<std::unique_ptr<t_ftd>> columns;
  udb_schema schema{false};
  void add(const std::wstring& name, VARTYPE vt = VT_I4, std::uint32_t size = 4) {
    columns.push_back(std::make_unique<t_ftd>(size, name, vt, false, false, ole_variant(), 0, L""));
    schema.fields.push_back(columns.back().get());
  }
};

TEST(dao_validator, names_as_access_takes_them) {
  schema_holder taken;
  taken.add(L"Order Details");
  taken.add(L"a_b");
  udb_indexes no_indexes;
  const std::wstring long_name(100, L'x');
  const struct {
    const char* label;
    const wchar_t* name;
    bool column_ok;       // dao_fn_validator::is_acceptable
    bool index_ok;        // dao_in_validator::is_acceptable
    const wchar_t* safe;  // dao_fn_validator::get_safe_name over the schema above
  } cases[] = {
      {"plain", L"Amount", true, true, L"amount"},
      {"empty", L"", false, false, L"00000"},
      {"brackets", L"[Order Details]", false, false, L"order details00000"},
      {"brackets of a free name", L"[Notes]", false, false, L"notes"},
      {"leading blank", L" Notes", false, false, L"notes"},
      {"trailing blank", L"Notes ", false, false, L"notes"},
      {"blank inside", L"Unit Price", true, true, L"unit price"},
      {"dot", L"a.b", false, false, L"a_b00000"},
      {"apostrophe", L"it's", false, false, L"it_s"},
      {"backquote", L"x`y", false, false, L"x_y"},
      {"exclamation", L"x!y", false, false, L"x_y"},
      {"slash", L"x/y", false, false, L"x_y"},
      {"colon: columns only", L"a:b", true, false, L"a:b"},
      {"no length limit", long_name.c_str(), true, true, long_name.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    dao_fn_validator columns(taken.schema);
    dao_in_validator indexes(no_indexes);
    EXPECT_EQ(columns.is_acceptable(c.name), c.column_ok);
    EXPECT_EQ(indexes.is_acceptable(c.name), c.index_ok);
    EXPECT_EQ(utf8(columns.get_safe_name(c.name)), utf8(c.safe));
  }
}

TEST(dao_validator, index_names_avoid_the_list_and_colons) {
  udb_indexes list;
  list.push_back(udb_index(L"by_name", false, false));
  dao_in_validator indexes(list);
  EXPECT_TRUE(indexes.is_duplicated(L"BY_NAME"));
  EXPECT_EQ(utf8(indexes.get_safe_name(L"By:Name")), "by_name00000");
  EXPECT_EQ(utf8(indexes.get_safe_name(L"other:one")), "other_one");
}

TEST(dao_schema_initializer, columns_get_names_access_accepts_and_the_changes_are_mapped) {
  schema_holder source;
  source.add(L"ID");
  source.add(L"Name ");
  source.add(L"name");  // differs from the trimmed name above only in case
  source.add(L"Unit.Price");
  source.add(L"id");       // differs from ID only in case
  source.add(L"Ratio:1");  // ':' is fine in a column name
  dao_schema_initializer init(nullptr, source.schema);
  std::vector<std::string> names;
  for (const t_ftd* column : init.fields) names.push_back(utf8(column->name));
  EXPECT_EQ(names, (std::vector<std::string>{"ID", "name00000", "name", "unit_price", "id00000", "Ratio:1"}));
  const udb_names_map::name_map expected = {
      {L"Name ", L"name00000"}, {L"Unit.Price", L"unit_price"}, {L"id", L"id00000"}};
  EXPECT_EQ(init.column_map(), expected);
}

TEST(dao_schema_initializer, destination_columns_copy_what_access_needs) {
  schema_holder source;
  source.add(L"Amount", VT_DECIMAL, 16);
  source.columns[0]->precision = 12;
  source.columns[0]->scale = 3;
  source.columns[0]->not_null = true;
  source.columns[0]->default_value = ole_variant(L"1.5");
  source.columns[0]->native_type = L"decimal(12,3)";
  dao_schema_initializer init(nullptr, source.schema);
  ASSERT_EQ(init.fields.size(), 1u);
  const t_ftd& column = *init.fields[0];
  EXPECT_EQ(column.vartype, VT_DECIMAL);
  EXPECT_TRUE(column.not_null);
  EXPECT_EQ(column.precision, 12u);
  EXPECT_EQ(column.scale, 3u);
  EXPECT_EQ(utf8(column.default_value.to_wstring()), "1.5");
  EXPECT_TRUE(column.native_type.empty());
}

TEST(dao_schema_initializer, default_texts_stay_as_they_were) {
  const struct {
    const wchar_t* text;
    const wchar_t* quoted;
  } cases[] = {
      {L"abc", L"\"abc\""},
      {L"", L"\"\""},
      {L"say \"hi\"", L"'say \"hi\"'"},
      {L"it's", L"\"it's\""},
      // Both kinds: the double quotes are doubled, not turned into apostrophes.
      {L"it's \"x\"", L"\"it's \"\"x\"\"\""},
      {L"\"", L"'\"'"},
      {L"'\"", L"\"'\"\"\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.text));
    EXPECT_EQ(utf8(dao_schema_initializer::quote_def_value(c.text)), utf8(c.quoted));
  }
}

TEST(dao_field, native_type_of_every_column_kind) {
  const struct {
    const char* label;
    VARTYPE vt;
    std::uint32_t size;
    std::uint32_t marker;
    int dao_type;
  } cases[] = {
      {"i2", VT_I2, 2, 0, dbInteger},
      {"i1", VT_I1, 1, 0, dbInteger},
      {"i4", VT_I4, 4, 0, dbLong},
      {"ui2", VT_UI2, 2, 0, dbLong},
      {"r4", VT_R4, 4, 0, dbSingle},
      {"r8", VT_R8, 8, 0, dbDouble},
      {"decimal", VT_DECIMAL, 16, 0, dbDecimal},
      {"ui4 keeps its digits", VT_UI4, 4, 0, dbDecimal},
      {"i8 keeps its digits", VT_I8, 8, 0, dbDecimal},
      {"ui8 keeps its digits", VT_UI8, 8, 0, dbDecimal},
      {"currency", VT_CY, 8, 0, dbCurrency},
      {"date", VT_DATE, 8, 0, dbDate},
      {"text 1", VT_BSTR, 1, 0, dbText},
      {"text 255", VT_BSTR, 255, 0, dbText},
      {"text 256", VT_BSTR, 256, 0, dbMemo},
      {"text of no size", VT_BSTR, 0, 0, dbMemo},
      {"boolean", VT_BOOL, 1, 0, dbBoolean},
      {"byte", VT_UI1, 1, 0, dbByte},
      {"binary 100", VT_BLOB, 100, 0, dbBinary},
      {"binary 255", VT_ARRAY | VT_UI1, 255, 0, dbBinary},
      {"binary of no size", VT_BLOB, 0, 0, dbLongBinary},
      {"binary 256", VT_BLOB_OBJECT, 256, 0, dbLongBinary},
      {"binary marked as text", VT_BLOB, 100, 8, dbMemo},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    t_ftd column(c.size, L"c", c.vt, false, false, ole_variant(), c.marker, L"");
    EXPECT_EQ(dao_field::get_native_type(column), c.dao_type);
  }
  t_ftd guid(16, L"g", VT_CLSID, false, false, ole_variant(), 0, L"");
  EXPECT_THROW(dao_field::get_native_type(guid), ole_type_exception);
}

TEST(dao_write_types, decimal_shape_holds_every_digit_access_can) {
  const struct {
    const char* label;
    VARTYPE vt;
    std::uint32_t precision, scale;
    int want_precision, want_scale;
  } cases[] = {
      {"decimal keeps its shape", VT_DECIMAL, 18, 4, 18, 4},
      {"decimal of unknown precision", VT_DECIMAL, 0, 0, 28, 0},
      {"unknown precision, any scale", VT_DECIMAL, 0, 28, 28, 10},
      {"wider than Access", VT_DECIMAL, 65, 30, 28, 10},
      {"wider, few decimals", VT_DECIMAL, 30, 2, 28, 2},
      {"wider, no integer digits", VT_DECIMAL, 30, 30, 28, 28},
      {"i8", VT_I8, 0, 0, 20, 0},
      {"ui8", VT_UI8, 0, 0, 20, 0},
      {"ui4", VT_UI4, 0, 0, 20, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    t_ftd column(16, L"d", c.vt, false, false, ole_variant(), 0, L"");
    column.precision = c.precision;
    column.scale = c.scale;
    dao_decimal_shape shape = dao_get_decimal_shape(column);
    EXPECT_EQ(shape.precision, c.want_precision);
    EXPECT_EQ(shape.scale, c.want_scale);
  }
}

TEST(dao_write_types, values_access_lacks_are_changed_without_losing_digits) {
  const struct {
    const char* label;
    ole_variant value;
    VARTYPE vt;        // of the result
    const char* text;  // of the result
  } cases[] = {
      {"i8 past a double's digits", ole_variant(std::int64_t{9007199254740993}), VT_DECIMAL, "9007199254740993"},
      {"i8 minimum", ole_variant(std::numeric_limits<std::int64_t>::min()), VT_DECIMAL, "-9223372036854775808"},
      {"ui8 maximum", ole_variant(std::numeric_limits<std::uint64_t>::max()), VT_DECIMAL, "18446744073709551615"},
      {"ui4 four thousand million", ole_variant(4000000000u), VT_DECIMAL, "4000000000"},
      {"ui2", ole_variant(static_cast<unsigned short>(65535)), VT_I4, "65535"},
      {"i1", ole_variant(static_cast<char>(-5)), VT_I2, "-5"},
      {"any other kind is left empty", ole_variant(7), VT_EMPTY, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ole_variant result = dao_get_valid_variant(c.value);
    EXPECT_EQ(result.get_type(), c.vt);
    EXPECT_EQ(result.to_string(), c.text);
  }
}

}  // namespace
