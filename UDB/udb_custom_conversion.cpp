// Asking the registered conversion rules, first acceptance wins.
#include "UDB/udb_custom_conversion.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

void udb_custom_conversion::add_rule(std::unique_ptr<udb_conversion_rule> rule) { rules_.push_back(std::move(rule)); }

std::wstring udb_custom_conversion::handle1(const t_ftd& column) {
  tk_log1(tk_log_trace, "udb_custom_conversion::handle1");
  if (!exists()) return {};
  for (const auto& rule : instance()->rules_)
    if (rule->accepts_column(column)) return rule->convert_column(column);
  return {};
}

bool udb_custom_conversion::is_acceptable1(const t_ftd& column) {
  tk_log1(tk_log_trace, "udb_custom_conversion::is_acceptable1");
  if (!exists()) return false;
  for (const auto& rule : instance()->rules_)
    if (rule->accepts_column(column)) return true;
  return false;
}

std::wstring udb_custom_conversion::handle2(const udb_field& field) {
  tk_log1(tk_log_trace, "udb_custom_conversion::handle2");
  if (!exists() || instance()->rules_.empty()) return {};
  for (const auto& rule : instance()->rules_)
    if (rule->accepts_value(field)) return rule->convert_value(field);
  throw tk_mail_assertion("udb_rule", 88);
}

bool udb_custom_conversion::is_acceptable2(const udb_field& field) {
  tk_log1(tk_log_trace, "udb_custom_conversion::is_acceptable2");
  if (!exists()) return false;
  for (const auto& rule : instance()->rules_)
    if (rule->accepts_value(field)) return true;
  return false;
}
