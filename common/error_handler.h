// The one place where a failure becomes what the user sees: the context of the report (table,
// row), friendlier texts for well-known DAO and MySQL codes, the log, and by the error's kind
// the front end's report, the question whether to go on, or the end of the program.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_errco.h"
#include "TK/tk_exception.h"
#include "TK/tk_singleton.h"

// Friendlier texts of DAO errors (code 0x10000 | DAO error number) and of MySQL errors (code
// 0x400000 | MySQL error number).
extern const tk_error_entry dao_error_texts[];
extern const std::uint32_t dao_error_texts_count;
extern const tk_error_entry mysql_error_texts[];
extern const std::uint32_t mysql_error_texts_count;

class error_handler : public tk_singleton<error_handler> {
 public:
  // Registers itself when no handler is registered; the texts of `table` seed the code map.
  error_handler(std::uint32_t count, const tk_error_entry* table);
  ~error_handler() override;

  error_handler(const error_handler&) = delete;
  error_handler& operator=(const error_handler&) = delete;

  // Adds texts; a code already known keeps its first text.
  void load_err_map(std::uint32_t count, const tk_error_entry* table);

  // The prefix of the next reports: a table name, or "<table>, record #<n>" for a row.
  void set_context(const std::wstring& table);
  void set_context(const std::wstring& table, std::uint32_t record);
  const std::string& context() const { return context_; }

  // Reports one error by its kind: 2 ends the program through the front end; 1 is shown; any
  // other kind is shown as one the user may go on from. When the user chooses to stop and
  // no_abort is false, throws tk_final_exception.
  void handle(const tk_exception& e, bool no_abort);

  // The report of kinds 0 and 1: "<context>: " when there is a context, then the map's text for
  // the code or else the exception's own text. Line feeds are kept here.
  std::string make_report(const tk_exception& e) const;

  // Errors reported since construction (every kind), so a program can tell afterwards that a
  // run had failures.
  std::uint32_t errors_reported() const { return errors_reported_; }

  // No dialogs (wizard) and no "Error:" lines (console); once set it stays set.
  bool silent = false;

 private:
  std::string context_;
  tk_error_converter texts_;
  std::uint32_t errors_reported_ = 0;
};
