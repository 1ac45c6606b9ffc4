// The MySQL column-type vocabulary and the mappings around it: source column descriptor -> column
// type text, user mapping -> type text, result column type code -> VARTYPE, type name -> VARTYPE.
#pragma once

#include <cstdint>
#include <string>

#include "SQL/sql_native_type.h"
#include "platform/oleaut/oaidl.h"

class t_ftd;

// Ids of the type-name table. TINYBLOB (21) and BLOB (22) are out of size order on purpose: the
// ids are stored in settings and profiles.
enum sql_native_type_id : int {
  SQL_BINARY = 0,
  SQL_BIT,
  SQL_TINYINT,
  SQL_TINYINT_UNSIGNED,
  SQL_SMALLINT,
  SQL_SMALLINT_UNSIGNED,
  SQL_INT,
  SQL_INT_UNSIGNED,
  SQL_BIGINT,
  SQL_BIGINT_UNSIGNED,
  SQL_FLOAT,
  SQL_DECIMAL,
  SQL_DOUBLE,
  SQL_CHAR,
  SQL_VARBINARY,
  SQL_VARCHAR,
  SQL_DATETIME,
  SQL_DATE,
  SQL_TIME,
  SQL_TIMESTAMP,
  SQL_LONGBLOB,
  SQL_TINYBLOB,
  SQL_BLOB,
  SQL_MEDIUMBLOB,
  SQL_TEXT,
  SQL_LONGTEXT,
  SQL_MEDIUMTEXT,
  SQL_TINYTEXT,
  SQL_NATIVE_TYPE_COUNT
};

// The upper-case type name of an id; "<Unknown type>" for an id outside the table.
std::wstring get_sql_native_type_name(int id);

// The type table's name (or GEOMETRY, which spatial columns get) that `text` spells, in upper
// case; compared without regard to case. False for any other text: a user's mapping may name
// only these, as the name reaches the CREATE TABLE unquoted.
bool sql_known_type_name(const std::wstring& text, std::wstring& canonical);

// The largest length a user's mapping may give a column of the type: 255 for CHAR and BINARY,
// 65535 for VARCHAR and VARBINARY, else 4294967295 (the length becomes the column's size).
std::uint64_t sql_max_mapped_length(const std::wstring& type);
// Precision and scale a DECIMAL takes.
constexpr std::int32_t sql_max_decimal_precision = 65;
constexpr std::int32_t sql_max_decimal_scale = 30;

// The column type of a CREATE TABLE for a source column. no_size leaves off the "(n)" / "(p,s)"
// suffix (the caller keeps length, precision and scale apart). Reads the server version and the
// case_sensitive flag of the sql_engine singleton. An unsupported VARTYPE is an internal error.
std::wstring get_sql_native_type2(const t_ftd& descriptor, bool no_size);

// The column type text of a user's mapping: VARCHAR/CHAR/VARBINARY with "(length)", DECIMAL
// with "(precision,scale)", other types alone. At most 255 characters.
std::wstring get_sql_native_type1(const sql_native_type& mapping);

// MySQL result column flags the mappings read (the client library's values).
constexpr unsigned sql_unsigned_flag = 32;
constexpr unsigned sql_binary_flag = 128;

// The VARTYPE of a result column from its client-library type code and flags. BLOB columns read
// as text while the engine's blob_to_text flag is on.
VARTYPE get_vartype(int mysql_type, unsigned flags);

// The VARTYPE of a type name the user chose, and the size for the names that fix one (VARCHAR(n)
// and CHAR(n) give n). Binary names (BINARY, VARBINARY, the BLOBs) give byte arrays.
VARTYPE get_vartype_by_native_name(const std::wstring& type, std::uint64_t& size);

// True when the server version (coded 0x00MMmmpp) takes DATETIME DEFAULT CURRENT_TIMESTAMP:
// MySQL 5.6.5 and later, MariaDB 10.0 and later.
bool sql_datetime_takes_now_default(std::uint32_t version);

// How a column's default names "the current moment", if it does.
enum class sql_now_default { none, timestamp, date, time };
sql_now_default sql_classify_now_default(const t_ftd& descriptor);
