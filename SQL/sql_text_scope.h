// Reads every BLOB column as text while it lives: metadata statements (SHOW COLUMNS, the view
// list) return texts the client library may flag as binary. The engine's flag is restored on
// every way out.
#pragma once

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"

class sql_text_scope {
 public:
  sql_text_scope() : engine_(*tk_singleton<sql_engine>::get_instance()), saved_(engine_.blob_to_text) {
    tk_log1(tk_log_detail, "sql_engine::set_blob_to_text(%d)", 1);
    engine_.blob_to_text = true;
  }
  ~sql_text_scope() {
    tk_log1(tk_log_detail, "sql_engine::set_blob_to_text(%d)", saved_ ? 1 : 0);
    engine_.blob_to_text = saved_;
  }
  sql_text_scope(const sql_text_scope&) = delete;
  sql_text_scope& operator=(const sql_text_scope&) = delete;

 private:
  sql_engine& engine_;
  bool saved_;
};
