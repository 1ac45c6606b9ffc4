// The registry of user rules that may write a column's definition or a value's text for the
// MySQL target in place of its own conversion. Without a registry no rule applies.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TK/tk_singleton.h"

class t_ftd;
class udb_field;

// One user rule. The builders ask accepts_* first and use convert_* only when it answers true.
class udb_conversion_rule {
 public:
  virtual ~udb_conversion_rule() = default;
  virtual bool accepts_value(const udb_field& field) = 0;
  virtual bool accepts_column(const t_ftd& column) = 0;
  virtual std::wstring convert_value(const udb_field& field) = 0;
  virtual std::wstring convert_column(const t_ftd& column) = 0;
};

// The process-wide registry; whoever constructs it registers it, and it owns its rules. Rules
// are asked in the order they were added and the first that accepts decides.
class udb_custom_conversion : public tk_singleton<udb_custom_conversion> {
 public:
  void add_rule(std::unique_ptr<udb_conversion_rule> rule);

  // The column text of the first rule that accepts the column; empty when none does.
  static std::wstring handle1(const t_ftd& column);
  static bool is_acceptable1(const t_ftd& column);
  // The value text of the first rule that accepts the field. Rules exist but none accepts:
  // an internal error, since callers ask is_acceptable2 first.
  static std::wstring handle2(const udb_field& field);
  static bool is_acceptable2(const udb_field& field);

 private:
  std::vector<std::unique_ptr<udb_conversion_rule>> rules_;
};
