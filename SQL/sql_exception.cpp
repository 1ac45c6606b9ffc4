// Exceptions of the MySQL target.
#include "SQL/sql_exception.h"

#include "SQL/sql_connection.h"
#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"

sql_exception::sql_exception() : sql_exception(tk_singleton<sql_engine>::get_instance()->connection()) {}

sql_exception::sql_exception(const sql_connection& connection) : tk_exception(connection.error_text(), 0) {
  const unsigned error = connection.error_number();
  tk_log1(tk_log_detail, "sql_exception::sql_exception( msg=%s)", what());
  tk_log1(tk_log_detail, "Got MySQL error code=%u", error);
  code_ = 0x400000u | (error & 0xFFFFu);
}

sql_auth_not_supported_exception::sql_auth_not_supported_exception()
    : tk_exception(std::string("The program does not support authentication protocol requested by "
                               "server. See 'Troubleshooting' article of the product "
                               "documentation."),
                   1) {}

bool sql_exception::is_connection_lost() const {
  return (code_ & ~0xFFFFu) == 0x400000u && sql_is_connection_lost(code_ & 0xFFFFu);
}

sql_prep_stmt_failed_exception::sql_prep_stmt_failed_exception(const std::string& reason)
    : tk_exception(
          std::string("Failed to execute prepared statement") + (reason.empty() ? std::string() : ": " + reason), 1) {
  code_ = 0x400BB9u;
}

sql_packet_too_large_exception::sql_packet_too_large_exception(std::uint64_t statement_bytes,
                                                               std::uint32_t max_allowed_packet)
    : tk_exception("Row size exceeds 'max_allowed_packet': the row takes " + std::to_string(statement_bytes) +
                       " bytes, the server accepts " + std::to_string(max_allowed_packet) +
                       ". Increase MySQL max packet size and try again.",
                   tk_kind_continuable) {}
