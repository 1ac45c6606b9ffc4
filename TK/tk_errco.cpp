// The error-code map.
#include "TK/tk_errco.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

tk_error_converter::tk_error_converter(std::uint32_t count, const tk_error_entry* table) {
  tk_log1(tk_log_detail, "tk_error_converter::ctor (map size=%d)", static_cast<int>(count));
  load_map(count, table);
}

void tk_error_converter::load_map(std::uint32_t count, const tk_error_entry* table) {
  tk_log1(tk_log_detail, "tk_error_converter::load_map (map size=%d)", static_cast<int>(count));
  if (table == nullptr) throw tk_mail_assertion("tk_errco", 43);
  for (std::uint32_t i = 0; i < count; ++i) {
    map_.emplace(table[i].code, table[i].text != nullptr ? table[i].text : "");
  }
}

std::string tk_error_converter::convert(std::uint32_t code) const {
  tk_log1(tk_log_detail, "tk_error_converter::convert(%d)", static_cast<int>(code));
  auto it = map_.find(code);
  if (it == map_.end()) {
    tk_log1(tk_log_trace, "Error message not found!");
    return {};
  }
  tk_log1(tk_log_trace, "Error message has been found: %s", it->second.c_str());
  return it->second;
}
