// One row of a server result as a data-model record.
#include "SQL/sql_record.h"

#include <memory>
#include <string>

#include "SQL/sql_engine.h"
#include "SQL/sql_field.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_schema.h"

namespace {

// TINY_BLOB, MEDIUM_BLOB, LONG_BLOB, BLOB, VAR_STRING, STRING.
bool is_character_type(int type) { return type >= 249 && type <= 254; }

}  // namespace

sql_record::sql_record(std::uint32_t count, const MYSQL_FIELD* fields, const unsigned long* lengths, MYSQL_ROW row) {
  if (fields == nullptr) throw tk_mail_assertion("sql_rec", 40);
  const bool blob_to_text = tk_singleton<sql_engine>::get_instance()->blob_to_text;
  tk_log1(tk_log_trace, "sql_record::ctor1(n_fields=%u)", count);
  tk_log1(tk_log_trace, "is_blob_to_text=%d", blob_to_text ? 1 : 0);
  for (std::uint32_t i = 0; i < count; ++i) {
    const MYSQL_FIELD& column = fields[i];
    const int type = static_cast<int>(column.type);
    tk_log1(tk_log_trace, "field #%u has type %d", i, type);
    tk_log1(tk_log_trace, "BINARY FLAG=%u", column.flags & BINARY_FLAG);
    const std::wstring name = tk_utf8_to_unicode(std::string(column.name, column.name_length));
    const char* data = row[i];
    if (data != nullptr && is_character_type(type) && ((column.flags & BINARY_FLAG) == 0 || blob_to_text)) {
      tk_log1(tk_log_trace, "Extract as Unicode (text data)");
      // The whole value by its length: a text may hold a NUL character of its own.
      const std::wstring text = tk_utf8_to_unicode(std::string(data, lengths[i]));
      // Taken as text here, so the binary flag must not turn it back into bytes.
      append(std::make_unique<sql_field>(name, blob_to_text ? 254 : type, text.size(), column.flags & ~BINARY_FLAG,
                                         text.c_str()));
    } else {
      tk_log1(tk_log_trace, "Extract as ANSI (binary data)");
      append(std::make_unique<sql_field>(name, type, data ? lengths[i] : 0, column.flags, data));
    }
  }
}

sql_record::sql_record(std::uint32_t count, const udb_schema& schema, const unsigned long* lengths, MYSQL_ROW row) {
  tk_log1(tk_log_trace, "sql_record::ctor2(n_fields=%u)", count);
  tk_log1(tk_log_trace, "schema.size=%d", static_cast<int>(schema.fields.size()));
  if (count > schema.fields.size()) throw tk_mail_assertion("sql_rec", 70);
  for (std::uint32_t i = 0; i < count; ++i) {
    append(std::make_unique<sql_field>(*schema.fields[i], row[i] ? lengths[i] : 0, row[i]));
  }
}
