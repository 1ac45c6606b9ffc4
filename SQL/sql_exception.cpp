// Exceptions of the MySQL target.
#include "SQL/sql_exception.h"

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"

sql_exception::sql_exception() : sql_exception(tk_singleton<sql_engine>::get_instance()->handle()) {}

sql_exception::sql_exception(MYSQL* handle) : tk_exception(std::string(mysql_error(handle)), 0) {
  const unsigned error = mysql_errno(handle);
  tk_log1(tk_log_detail, "sql_exception::sql_exception( msg=%s)", what());
  tk_log1(tk_log_detail, "Got MySQL error code=%u", error);
  code_ = 0x400000u | (error & 0xFFFFu);
}

sql_auth_not_supported_exception::sql_auth_not_supported_exception()
    : tk_exception(std::string("The program does not support authentication protocol requested by "
                               "server. See 'Troubleshooting' article of the product "
                               "documentation."),
                   1) {}

sql_prep_stmt_failed_exception::sql_prep_stmt_failed_exception()
    : tk_exception(std::string("Failed to execute prepared statement"), 1) {
  code_ = 0x400BB9u;
}
