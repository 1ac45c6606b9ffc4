// The field of a MySQL result row.
#include "SQL/sql_field.h"

#include "SQL/sql_types.h"
#include "SQL/sql_values.h"
#include "TK/tk_logger.h"
#include "UDB/udb_schema.h"

namespace {

ole_variant descriptor_value(const t_ftd& d, unsigned long size, const char* data) {
  tk_log2(tk_log_trace, L"sql_field::ctor3(%ls,%d,%lu)", d.name.c_str(), d.vartype, size);
  // A BLOB with the binary flag: bytes, or text while the engine reads BLOBs as text.
  if (sql_is_binary_kind(d.vartype)) return get_variant(252, size, sql_binary_flag, data);
  return get_variant(d.vartype, data);
}

}  // namespace

sql_field::sql_field(const std::wstring& name, int mysql_type, unsigned long length, unsigned flags,
                     const wchar_t* data)
    : udb_field(name, static_cast<std::uint32_t>(length), ::get_variant(mysql_type, length, flags, data), false,
                false) {
  tk_log2(tk_log_trace, L"sql_field::ctor1(%ls,%d,%lu)", name.c_str(), mysql_type, length);
}

sql_field::sql_field(const std::wstring& name, int mysql_type, unsigned long length, unsigned flags, const char* data)
    : udb_field(name, static_cast<std::uint32_t>(length), ::get_variant(mysql_type, length, flags, data), false,
                false) {
  tk_log2(tk_log_trace, L"sql_field::ctor2(%ls,%d,%lu)", name.c_str(), mysql_type, length);
}

sql_field::sql_field(const t_ftd& d, unsigned long size, const char* data)
    : udb_field(d.name, static_cast<std::uint32_t>(size), descriptor_value(d, size, data), false, false) {}

sql_field::sql_field(const udb_field& that) : udb_field(that) {}
