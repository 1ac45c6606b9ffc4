// The Add Query dialog: a table name and a SELECT statement of the user's own, which the run
// converts into a table of that name. OK answers 1 once the name is there and the query starts
// with SELECT; Cancel 2. Test Query asks the source whether the statement runs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/ui_dialog.h"

class set_query_dlg : public ui_dialog {
 public:
  static constexpr int dialog_id = 128;
  static constexpr int name_id = 1019;
  static constexpr int query_id = 1020;
  static constexpr int test_id = 129;
  static constexpr int help_id = 9;
  static constexpr std::uint32_t help_topic = 1025;

  set_query_dlg(const std::wstring& name, const std::wstring& query);
  ~set_query_dlg() override;

  // What OK took from the dialog; the query without its leading blanks and line breaks.
  const std::wstring& name() const { return name_; }
  const std::wstring& query() const { return query_; }

  // Reads the query field into query() without its leading TAB, LF, CR and blanks. false: the
  // rest does not start with SELECT (in any case). An empty field passes: the caller reports it.
  bool check_query();

 protected:
  void on_init_dialog() override;
  bool on_command(int id, ui_event event) override;

 private:
  void on_ok();
  void on_cancel();
  void on_test_query();

  std::wstring name_;
  std::wstring query_;
  std::wstring trimmed_ = L"\t\n\r ";
};
