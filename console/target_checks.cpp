// Checks of the destination settings of VDYAGENT.
#include "console/target_checks.h"

#include "SQL/sql_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "console/console_output.h"
#include "converter/vandry_converter.h"

namespace {

std::string narrow(const std::wstring& text) {
  std::string out;
  tk_unicode_to_ansi3(text.c_str(), out);
  return out;
}

std::wstring name_part(const std::wstring& entry) { return entry.substr(0, entry.find(L" - ")); }

// "Unknown MySQL <what> 'x'." (with where the value was given, when that was a table or column
// rule) and the names to choose from.
[[noreturn]] void refuse(const char* what, const std::wstring& value, const std::vector<std::wstring>& known,
                         const std::wstring& where = {}) {
  std::string text = std::string("Unknown MySQL ") + what + " '" + narrow(value) + "'" +
                     (where.empty() ? "" : " in the type mappings of " + narrow(where)) + ".\nUse one of:";
  for (std::size_t i = 0; i < known.size(); ++i) text += (i == 0 ? " " : ", ") + narrow(name_part(known[i]));
  exit_with_message(text);
}

}  // namespace

bool is_listed(const std::wstring& name, const std::vector<std::wstring>& known) {
  const std::string wanted = narrow(name);
  if (wanted.empty()) return false;
  for (const std::wstring& entry : known)
    if (tk_string::compare_no_case(wanted, narrow(name_part(entry)))) return true;
  // Servers from MySQL 8.0 and MariaDB 10.6 on list utf8 under its full name utf8mb3 and take
  // the old name as its alias.
  return tk_string::compare_no_case(wanted, "utf8") && is_listed(L"utf8mb3", known);
}

void check_charset_and_engine() {
  sql_engine& engine = *tk_singleton<sql_engine>::instance();
  const std::vector<std::wstring>& charsets = engine.get_charsets();
  // No character set given: the run takes the best one the target has.
  if (!engine.charset.empty() && !is_listed(engine.charset, charsets)) {
    refuse("character set", engine.charset, charsets);
  }
  const std::vector<std::wstring>& engines = engine.get_storage_engines();
  if (!is_listed(engine.engine, engines)) refuse("storage engine", engine.engine, engines);

  // The rules of single tables and columns reach CREATE TABLE as they are too.
  vandry_converter& converter = *tk_singleton<vandry_converter>::instance();
  for (const auto& [source, table] : converter.by_source) {
    const std::wstring where = L"table '" + source + L"'";
    const udb_properties::property_map& properties = table->udb_properties::get_properties();
    if (auto it = properties.find(L"engine");
        it != properties.end() && !it->second.empty() && !is_listed(it->second, engines))
      refuse("storage engine", it->second, engines, where);
    if (auto it = properties.find(L"character set");
        it != properties.end() && !it->second.empty() && !is_listed(it->second, charsets))
      refuse("character set", it->second, charsets, where);
    for (const auto& [column, field] : table->by_source) {
      const std::wstring& charset = field->native.character_set;
      if (!charset.empty() && !is_listed(charset, charsets))
        refuse("character set", charset, charsets, L"column '" + column + L"' of " + where);
    }
  }
}

void check_server_dest(vandry_converter& converter) {
  try {
    converter.check_mysql_db_name(converter.dest);
  } catch (const tk_exception& e) {
    exit_with_message(e.what());
  }
}
