// File-based database deletion and existence test.
#include "UDB/udb_engine.h"

#include <unistd.h>

#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_utils.h"
#include "UDB/udb_database.h"
#include "platform/win/last_error.h"

void udb_engine::db_delete(const std::wstring& name) {
  if (::unlink(tk_unicode_to_utf8(name).c_str()) != 0) {
    SetLastErrorFromErrno();
    throw tk_exception_ex(std::string(), tk_kind_error);
  }
}

bool udb_engine::is_db_exist(const std::wstring& name) { return tk_is_file_exist2(name, tk_file_exists); }
