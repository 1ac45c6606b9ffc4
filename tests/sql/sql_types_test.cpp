// Column types: source descriptor -> CREATE TABLE type, user mapping -> type text, result column
// -> VARTYPE, type name -> VARTYPE and size.
#include <gtest/gtest.h>

#include "OLE/ole_variant.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_types.h"
#include "TK/tk_exception.h"
#include "UDB/udb_schema.h"

namespace {

t_ftd column(VARTYPE vt, std::uint32_t size, std::uint32_t dw_reserved = 0, const std::wstring& default_value = L"") {
  t_ftd d(size, L"c", vt, false, false, default_value.empty() ? ole_variant() : ole_variant(default_value), dw_reserved,
          L"");
  return d;
}

struct type2_case {
  VARTYPE vt;
  std::uint32_t size;
  std::uint32_t dw_reserved;
  std::wstring default_value;
  std::uint32_t version;
  std::wstring expected;
  std::wstring expected_no_size;
};

constexpr std::uint32_t mariadb_10_11 = 0x000A0B13;
constexpr std::uint32_t mysql_5_5 = 0x0005052C;

TEST(SqlTypes, ColumnTypeOfDescriptor) {
  sql_engine engine;
  engine.charset = L"utf8";
  const type2_case cases[] = {
      {VT_I2, 2, 0, L"", mariadb_10_11, L"SMALLINT", L"SMALLINT"},
      {VT_I4, 4, 0, L"", mariadb_10_11, L"INT", L"INT"},
      {VT_INT, 4, 0, L"", mariadb_10_11, L"INT", L"INT"},
      {VT_R4, 4, 0, L"", mariadb_10_11, L"FLOAT", L"FLOAT"},
      {VT_R8, 8, 0, L"", mariadb_10_11, L"DOUBLE", L"DOUBLE"},
      {VT_CY, 8, 0, L"", mariadb_10_11, L"DECIMAL(19,4)", L"DECIMAL"},
      {VT_BOOL, 1, 0, L"", mariadb_10_11, L"TINYINT(1)", L"TINYINT"},
      {VT_I1, 1, 0, L"", mariadb_10_11, L"TINYINT", L"TINYINT"},
      {VT_UI1, 1, 0, L"", mariadb_10_11, L"TINYINT UNSIGNED", L"TINYINT UNSIGNED"},
      {VT_UI2, 2, 0, L"", mariadb_10_11, L"SMALLINT UNSIGNED", L"SMALLINT UNSIGNED"},
      {VT_UI4, 4, 0, L"", mariadb_10_11, L"INT UNSIGNED", L"INT UNSIGNED"},
      {VT_UINT, 4, 0, L"", mariadb_10_11, L"INT UNSIGNED", L"INT UNSIGNED"},
      {VT_I8, 8, 0, L"", mariadb_10_11, L"BIGINT", L"BIGINT"},
      {VT_UI8, 8, 0, L"", mariadb_10_11, L"BIGINT UNSIGNED", L"BIGINT UNSIGNED"},
      // Text by size, geometry and fixed width.
      // The longest VARCHAR a utf8 table takes is 21844 characters; longer is MEDIUMTEXT.
      {VT_BSTR, 21844, 0, L"", mariadb_10_11, L"VARCHAR(21844)", L"VARCHAR"},
      {VT_BSTR, 21845, 0, L"", mariadb_10_11, L"MEDIUMTEXT", L"MEDIUMTEXT"},
      {VT_BSTR, 5592405, 0, L"", mariadb_10_11, L"MEDIUMTEXT", L"MEDIUMTEXT"},
      {VT_BSTR, 5592406, 0, L"", mariadb_10_11, L"LONGTEXT", L"LONGTEXT"},
      {VT_BSTR, 0, 0, L"", mariadb_10_11, L"LONGTEXT", L"LONGTEXT"},
      {VT_BSTR, 100, 2, L"", mariadb_10_11, L"geometry", L"geometry"},
      {VT_BSTR, 100, 8, L"", mariadb_10_11, L"geometry", L"geometry"},
      {VT_BSTR, 10, 16, L"", mariadb_10_11, L"CHAR(10)", L"CHAR"},
      // Binary by size.
      {VT_ARRAY | VT_UI1, 255, 0, L"", mariadb_10_11, L"VARBINARY(255)", L"VARBINARY"},
      {VT_ARRAY | VT_UI1, 256, 0, L"", mariadb_10_11, L"BLOB", L"BLOB"},
      {VT_BLOB, 65535, 0, L"", mariadb_10_11, L"BLOB", L"BLOB"},
      {VT_ARRAY | VT_UI1, 65536, 0, L"", mariadb_10_11, L"MEDIUMBLOB", L"MEDIUMBLOB"},
      {VT_ARRAY | VT_UI1, 16777216, 0, L"", mariadb_10_11, L"LONGBLOB", L"LONGBLOB"},
      {VT_ARRAY | VT_UI1, 0, 0, L"", mariadb_10_11, L"LONGBLOB", L"LONGBLOB"},
      // Dates by kind and by a current-moment default; DATETIME keeps dates outside 1970-2038
      // where the server lets it default to the current moment.
      {VT_DATE, 8, 0, L"", mariadb_10_11, L"CHAR(19)", L"CHAR(19)"},
      {VT_DATE, 8, 1, L"", mariadb_10_11, L"DATETIME", L"DATETIME"},
      {VT_DATE, 8, 2, L"", mariadb_10_11, L"DATE", L"DATE"},
      {VT_DATE, 8, 3, L"", mariadb_10_11, L"TIME", L"TIME"},
      {VT_DATE, 8, 9, L"", mariadb_10_11, L"DATETIME", L"DATETIME"},
      {VT_DATE, 8, 1, L"getutcdate()", mariadb_10_11, L"DATETIME", L"DATETIME"},
      {VT_DATE, 8, 1, L"Now()", mysql_5_5, L"TIMESTAMP", L"TIMESTAMP"},
      {VT_DATE, 8, 9, L"", 0x00050605, L"DATETIME", L"DATETIME"},
      {VT_DATE, 8, 9, L"", 0x00050604, L"TIMESTAMP", L"TIMESTAMP"},
      {VT_DATE, 8, 10, L"", mariadb_10_11, L"DATE", L"DATE"},
      {VT_DATE, 8, 1, L"date()", mariadb_10_11, L"DATE", L"DATE"},
  };
  for (const type2_case& c : cases) {
    engine.version = c.version;
    const t_ftd d = column(c.vt, c.size, c.dw_reserved, c.default_value);
    EXPECT_EQ(get_sql_native_type2(d, false), c.expected) << c.vt << " size " << c.size;
    EXPECT_EQ(get_sql_native_type2(d, true), c.expected_no_size) << c.vt << " size " << c.size;
  }
  // A dump for current servers writes the 4.1.0 forms but loads only where DATETIME takes the
  // current moment as default: TIMESTAMP would refuse every date before 1970.
  engine.version = 0x00040100;
  engine.dump_load_version = 0x00050605;
  EXPECT_EQ(get_sql_native_type2(column(VT_DATE, 8, 9, L""), false), L"DATETIME");
  engine.dump_load_version = 0;
  EXPECT_EQ(get_sql_native_type2(column(VT_DATE, 8, 9, L""), false), L"TIMESTAMP");
}

TEST(SqlTypes, LongestVarcharFollowsTheCharacterSet) {
  sql_engine engine;
  engine.charset = L"utf8mb4";
  EXPECT_EQ(get_sql_native_type2(column(VT_BSTR, 16383), false), L"VARCHAR(16383)");
  EXPECT_EQ(get_sql_native_type2(column(VT_BSTR, 16384), false), L"MEDIUMTEXT");
  engine.charset = L"latin1";
  EXPECT_EQ(get_sql_native_type2(column(VT_BSTR, 21844), false), L"VARCHAR(21844)");
}

TEST(SqlTypes, DecimalTakesPrecisionAndScale) {
  sql_engine engine;
  t_ftd d = column(VT_DECIMAL, 16);
  d.precision = 18;
  d.scale = 4;
  EXPECT_EQ(get_sql_native_type2(d, false), L"DECIMAL(18,4)");
  EXPECT_EQ(get_sql_native_type2(d, true), L"DECIMAL");
  d.precision = 0;
  EXPECT_EQ(get_sql_native_type2(d, false), L"DOUBLE");
}

TEST(SqlTypes, CaseSensitiveTextIsBinary) {
  sql_engine engine;
  engine.case_sensitive = true;
  EXPECT_EQ(get_sql_native_type2(column(VT_BSTR, 50), false), L"VARCHAR(50) BINARY");
  EXPECT_EQ(get_sql_native_type2(column(VT_BSTR, 30000), false), L"MEDIUMTEXT BINARY");
}

TEST(SqlTypes, UnsupportedKindIsAnInternalError) {
  sql_engine engine;
  for (VARTYPE vt : {VT_EMPTY, VT_NULL, VT_DISPATCH, VT_ERROR, VT_VARIANT, VT_BLOB_OBJECT}) {
    EXPECT_THROW(get_sql_native_type2(column(vt, 4), false), tk_mail_assertion) << vt;
  }
}

TEST(SqlTypes, TypeTextOfMapping) {
  struct mapping_case {
    std::wstring type;
    std::uint64_t length;
    int precision, scale;
    std::wstring expected;
  };
  const mapping_case cases[] = {
      {L"VARCHAR", 50, 0, 0, L"VARCHAR(50)"},
      {L"CHAR", 3, 0, 0, L"CHAR(3)"},
      {L"VARBINARY", 16, 0, 0, L"VARBINARY(16)"},
      {L"DECIMAL", 0, 10, 2, L"DECIMAL(10,2)"},
      {L"TEXT", 50, 10, 2, L"TEXT"},
      {L"varchar", 50, 0, 0, L"varchar"},
      {std::wstring(300, L'X'), 0, 0, 0, std::wstring(255, L'X')},
  };
  for (const mapping_case& c : cases) {
    sql_native_type m;
    m.type = c.type;
    m.length = c.length;
    m.precision = c.precision;
    m.scale = c.scale;
    EXPECT_EQ(get_sql_native_type1(m), c.expected);
  }
}

TEST(SqlTypes, KnownTypeNamesAndTheirLengths) {
  struct name_case {
    std::wstring text;
    bool known;
    std::wstring canonical;
    std::uint64_t max_length;
  };
  const name_case cases[] = {
      {L"INT", true, L"INT", 4294967295u},
      {L"varchar", true, L"VARCHAR", 65535},
      {L"Tinyint Unsigned", true, L"TINYINT UNSIGNED", 4294967295u},
      {L"CHAR", true, L"CHAR", 255},
      {L"BINARY", true, L"BINARY", 255},
      {L"VARBINARY", true, L"VARBINARY", 65535},
      {L"geometry", true, L"GEOMETRY", 4294967295u},
      {L"INT, `evil` INT", false, L"", 0},
      {L"INT COMMENT 'pwned'", false, L"", 0},
      {L"VARCHAR(10)", false, L"", 0},
      {L"NOSUCHTYPE", false, L"", 0},
      {L" INT", false, L"", 0},
      {L"", false, L"", 0},
  };
  for (const name_case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    std::wstring canonical;
    EXPECT_EQ(sql_known_type_name(c.text, canonical), c.known);
    if (c.known) {
      EXPECT_EQ(canonical, c.canonical);
      EXPECT_EQ(sql_max_mapped_length(canonical), c.max_length);
    }
  }
}

TEST(SqlTypes, TypeNameTable) {
  EXPECT_EQ(get_sql_native_type_name(0), L"BINARY");
  EXPECT_EQ(get_sql_native_type_name(21), L"TINYBLOB");
  EXPECT_EQ(get_sql_native_type_name(22), L"BLOB");
  EXPECT_EQ(get_sql_native_type_name(27), L"TINYTEXT");
  EXPECT_EQ(get_sql_native_type_name(28), L"<Unknown type>");
  EXPECT_EQ(get_sql_native_type_name(-1), L"<Unknown type>");
}

TEST(SqlTypes, VartypeOfResultColumn) {
  sql_engine engine;
  struct vt_case {
    int type;
    unsigned flags;
    VARTYPE expected;
  };
  const vt_case cases[] = {
      {0, 0, VT_DECIMAL},
      {246, 0, VT_DECIMAL},
      {1, 0, VT_I1},
      {1, 32, VT_UI1},
      {2, 0, VT_I2},
      {2, 32, VT_UI2},
      {3, 0, VT_I4},
      {3, 32, VT_UI4},
      {4, 0, VT_R4},
      {5, 0, VT_R8},
      {7, 0, VT_DATE},
      {10, 0, VT_DATE},
      {11, 0, VT_DATE},
      {12, 0, VT_DATE},
      {8, 0, VT_I8},
      {8, 32, VT_UI8},
      {9, 32, VT_I4},
      {13, 0, VT_UI2},
      {16, 0, VT_BOOL},
      {252, 128, VT_ARRAY | VT_UI1},
      {253, 128, VT_ARRAY | VT_UI1},
      {253, 0, VT_BSTR},
      {254, 128, VT_BSTR},
      {15, 0, VT_BSTR},
      {255, 0, VT_BSTR},
  };
  for (const vt_case& c : cases) {
    EXPECT_EQ(get_vartype(c.type, c.flags), c.expected) << c.type << "/" << c.flags;
  }
  engine.set_blob_to_text(true);
  EXPECT_EQ(get_vartype(252, 128), VT_BSTR);
}

TEST(SqlTypes, VartypeOfTypeName) {
  struct name_case {
    std::wstring name;
    VARTYPE expected;
    std::uint64_t size;
  };
  // 999 marks "size left alone".
  const name_case cases[] = {
      {L"VARCHAR(40)", VT_BSTR, 40},
      {L"varchar(40)", VT_BSTR, 999},
      {L"VARCHAR", VT_BSTR, 999},
      {L"CHAR(x)", VT_BSTR, 0},
      {L"DATETIME", VT_BSTR, 999},
      {L"TINYINT", VT_I1, 1},
      {L"BIT", VT_I1, 1},
      {L"TINYINT UNSIGNED", VT_UI1, 1},
      {L"SMALLINT", VT_I2, 2},
      {L"SMALLINT UNSIGNED", VT_UI2, 2},
      {L"INT", VT_I4, 4},
      {L"INT UNSIGNED", VT_UI4, 4},
      {L"BIGINT", VT_I8, 8},
      {L"BIGINT UNSIGNED", VT_UI8, 8},
      {L"DATE", VT_DATE, 8},
      {L"TIME", VT_DATE, 8},
      {L"DOUBLE", VT_R8, 8},
      {L"FLOAT", VT_R4, 4},
      {L"DECIMAL", VT_DECIMAL, 999},
      {L"TEXT", VT_BSTR, 999},
      {L"LONGTEXT", VT_BSTR, 999},
      // Binary names keep values as bytes.
      {L"BLOB", VT_ARRAY | VT_UI1, 999},
      {L"LONGBLOB", VT_ARRAY | VT_UI1, 999},
      {L"TINYBLOB", VT_ARRAY | VT_UI1, 999},
      {L"MEDIUMBLOB", VT_ARRAY | VT_UI1, 999},
      {L"BINARY", VT_ARRAY | VT_UI1, 999},
      {L"VARBINARY", VT_ARRAY | VT_UI1, 999},
      {L"VARBINARY(16)", VT_ARRAY | VT_UI1, 999},
  };
  for (const name_case& c : cases) {
    std::uint64_t size = 999;
    EXPECT_EQ(get_vartype_by_native_name(c.name, size), c.expected) << c.name.size();
    EXPECT_EQ(size, c.size);
  }
}

}  // namespace
