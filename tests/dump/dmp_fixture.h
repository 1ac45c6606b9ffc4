// Building blocks of the dump tests: column descriptors, records and index lists made in the
// test, a dump written into a temporary folder, and the file read back.
#pragma once

#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "OLE/ole_variant.h"
#include "UDB/udb_field.h"
#include "UDB/udb_index.h"
#include "UDB/udb_schema.h"

namespace dmp_test {

// A table's columns; owns the descriptors its schema points at.
struct table_def {
  std::vector<std::unique_ptr<t_ftd>> owned;
  udb_schema schema{false};
  udb_indexes indexes;

  t_ftd& column(const std::wstring& name, VARTYPE vt, std::uint32_t size) {
    owned.push_back(std::make_unique<t_ftd>(size, name, vt, false, false, ole_variant(), 0, L""));
    schema.fields.push_back(owned.back().get());
    return *owned.back();
  }

  void index(const std::wstring& name, bool unique, bool primary, std::initializer_list<const wchar_t*> fields) {
    udb_index index(name, unique, primary);
    for (const wchar_t* f : fields) index.fields.push_back(f);
    indexes.push_back(index);
  }
};

// One row: (column name, value) pairs in the order given.
inline std::unique_ptr<udb_record> record(std::initializer_list<std::pair<const wchar_t*, ole_variant>> values) {
  auto r = std::make_unique<udb_record>();
  for (const auto& [name, value] : values) {
    r->append(std::make_unique<udb_field>(name, 0, value, false, false));
  }
  return r;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace dmp_test
