// Helpers of the Access source tests: an engine and a database opened the way the driver does.
#pragma once

#include <memory>
#include <string>

#include "TK/tk_utils.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "tests/support/test_env.h"

namespace dao_source_test {

// A database of the test data, opened read-only with an engine of its format and the blank
// workgroup; the engine outlives the database.
struct opened {
  std::unique_ptr<dao_engine> engine;
  std::unique_ptr<dao_database> db;
};

inline opened open_testdata(const std::string& relative, std::uint32_t mode = dao_open_read_only,
                            const std::wstring& password = L"") {
  opened o;
  std::wstring path = tk_utf8_to_unicode(test_env::testdata_path(relative));
  o.engine = std::make_unique<dao_engine>(true, 0);
  o.engine->set_version_smart(path);
  std::unique_ptr<udb_database> db = o.engine->open_db(path, mode, password);
  o.db.reset(static_cast<dao_database*>(db.release()));
  return o;
}

inline std::string utf8(const std::wstring& w) { return tk_unicode_to_utf8(w); }

}  // namespace dao_source_test
