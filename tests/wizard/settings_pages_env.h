// What the wizard-page tests share: the program's singletons (logger, error handler, converter,
// shell) with the six settings pages, the tables and views pages and a plain page in the progress
// page's place (a real one would start a run) in a sheet, boxes, help and file dialogs answered by
// the tests, and the private server's address.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "GUI2/plain_page.h"
#include "GUI2/selection_pages.h"
#include "GUI2/settings_pages.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/error_handler.h"
#include "converter/vandry_converter.h"
#include "platform/ui/ui_hooks.h"
#include "tests/support/test_env.h"
#include "tests/wizard/shell_test_util.h"
#include "tests/wizard/wizard_test_util.h"

// Answers the open and save dialogs from a queue (a cancel when it runs out) and keeps what they
// were asked.
struct file_dialogs {
  file_dialogs() {
    auto answer = [this](const ui_file_request& r) -> std::optional<std::wstring> {
      requests.push_back(r);
      if (answers.empty()) return std::nullopt;
      std::optional<std::wstring> a = answers.front();
      answers.pop_front();
      return a;
    };
    previous_open_ = ui_set_open_file_hook(answer);
    previous_save_ = ui_set_save_file_hook(answer);
  }
  ~file_dialogs() {
    ui_set_open_file_hook(previous_open_);
    ui_set_save_file_hook(previous_save_);
  }
  std::deque<std::optional<std::wstring>> answers;
  std::vector<ui_file_request> requests;

 private:
  ui_file_hook previous_open_;
  ui_file_hook previous_save_;
};

class wizard_env {
 public:
  wizard_env()
      : handler_(dao_error_texts_count, dao_error_texts),
        converter(converter_program::wizard),
        shell(L"Ostrelle 8.3"),
        pages(L"vdy"),
        progress(108, ui_wiz_back | ui_wiz_next, L"progress", 1016) {
    handler_.load_err_map(mysql_error_texts_count, mysql_error_texts);
    // The test's settings never replace the stored ones.
    converter.keep_stored_settings = true;
    shell.set_help_folder(OSTRELLE_HELP_DIR);
    pages.add_to(shell);
    selection.add_to(shell);
    shell.add_page(&progress, ui_page_options{L"Step 7 of 7", L"Database conversion is in progress", false, true});
    install_program_handlers([this](const std::string& what) { other_errors.push_back(what); });
  }
  ~wizard_env() { ui_set_exception_handlers({}, {}); }

  ui_property_sheet& sheet() { return shell.sheet(); }
  int page() { return sheet().current_page_id(); }
  // Presses a wizard button and lets its posted effects arrive.
  void press(int button) {
    sheet().press_button(button);
    settle();
  }
  // The sheet shown from `first_page`, the script run inside its loop.
  void run(int first_page, const std::function<void()>& script) {
    run_sheet(sheet(), [&] {
      if (first_page != 103) sheet().set_current_page(first_page);
      settle();
      script();
    });
  }
  // The help topics opened, as their page names ("1022.html").
  std::vector<std::string> help_opened() {
    std::vector<std::string> names;
    for (const std::wstring& url : urls.urls) {
      const std::string u = tk_unicode_to_utf8(url);
      names.push_back(u.substr(u.find_last_of('/') + 1));
    }
    return names;
  }
  // Remote server settings of the private server.
  void use_test_server() {
    const test_env::server_address server = test_env::test_server();
    converter.store_mysql_settings("127.0.0.1", server.user, server.password, std::to_string(server.port));
    converter.connect_mysql_server();
  }

 private:
  tk_logger logger_{nullptr, false, tk_log_event, false};
  error_handler handler_;

 public:
  vandry_converter converter;
  wizard_shell shell;
  settings_pages pages;
  selection_pages selection;
  plain_page progress;
  box_recorder boxes;
  url_recorder urls;
  file_dialogs files;
  std::vector<std::string> other_errors;
};

inline std::string testdata(const std::string& relative) { return test_env::testdata_path(relative); }
inline std::wstring wide(const std::string& text) { return tk_utf8_to_unicode(text); }
