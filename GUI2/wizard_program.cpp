// The wizard program once Qt runs.
#include "GUI2/wizard_program.h"

#include <cstdio>
#include <memory>
#include <string>

#include "GUI2/display_check.h"
#include "GUI2/gui_finish_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/quick_launch.h"
#include "GUI2/quick_launch_args.h"
#include "GUI2/selection_pages.h"
#include "GUI2/settings_pages.h"
#include "GUI2/wizard_front_end.h"
#include "GUI2/wizard_pictures.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_addresses.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/error_handler.h"
#include "converter/vandry_converter.h"
#include "dao/dao_exception.h"
#include "platform/ui/ui_dispatch.h"

namespace {

constexpr int exit_ok = 0;
constexpr int exit_failed = 1;

constexpr const char* kEngineText =
    "Failed to load Data Access Objects (DAO) support library. Installing Microsoft Access Runtime may fix the "
    "problem.";
constexpr const char* kEngineCaption = "Download Microsoft Access Runtime";

constexpr const wchar_t* kSuccessText =
    L"Wizard has converted your MS Access database into\nMySQL data source successfully.\n\nClick 'Finish' to exit "
    L"the wizard.";
constexpr const wchar_t* kErrorText =
    L"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";

// The checks of quick launch; false (after the report) when one failed.
bool quick_launch_ready(vandry_converter& converter, wizard_front_end& front, const std::wstring& profile) {
  try {
    prepare_quick_launch(converter, profile);
    return true;
  } catch (const dao_required_exception&) {
    front.engine_required(kEngineText, kEngineCaption, tk_runtime_download_address);
  } catch (const tk_exception& e) {
    error_handler::get_instance()->handle(e, true);
  } catch (const std::exception& e) {
    wizard_shell::get_instance()->error(std::string(e.what()));
  }
  return false;
}

}  // namespace

bool gui_initialize(int argc, const char* const* argv) {
  if (display_available(read_display_environment(argc, argv))) return true;
  std::fprintf(stderr, "%s\n", gui_init_failed_text);
  return false;
}

int wizard_program(int argc, const char* const* argv) {
  tk_logger logger(nullptr, false, tk_log_event, false);
  error_handler handler(dao_error_texts_count, dao_error_texts);
  handler.load_err_map(mysql_error_texts_count, mysql_error_texts);
  vandry_converter converter(converter_program::wizard);
  const quick_launch_args args = read_quick_launch_args(argc, argv);
  wizard_shell shell(tk_utf8_to_unicode(vandry_converter::get_title()), wizard_icon_id, wizard_watermark_id,
                     wizard_header_id);
  wizard_front_end front(shell, shell.errors());
  // No exception crosses Qt's event loop: the engine's own go to the error handler, which reports
  // them by their kind; anything else is shown as it is. The page stays.
  ui_set_exception_handlers([](const tk_exception& e) { error_handler::get_instance()->handle(e, true); },
                            [](const std::string& what) { wizard_shell::get_instance()->error(what); });

  const bool quick = args.what != quick_launch_args::mode::wizard;
  if (args.what == quick_launch_args::mode::usage) {
    std::fprintf(stderr, "%s\n", args.message.c_str());
    shell.error(args.message);
    converter.keep_stored_settings = true;
    return quick_launch_usage_status;
  }
  if (args.what == quick_launch_args::mode::bad_path) {
    shell.error(args.message);
    converter.keep_stored_settings = true;
    return exit_failed;
  }
  if (quick && !quick_launch_ready(converter, front, args.profile)) {
    // Nothing ran; the settings stored before stay as they were.
    converter.keep_stored_settings = true;
    return exit_failed;
  }

  std::unique_ptr<settings_pages> settings;
  std::unique_ptr<selection_pages> selection;
  if (!quick) {
    settings = std::make_unique<settings_pages>(L"vdy");
    settings->add_to(shell);
    selection = std::make_unique<selection_pages>();
    selection->add_to(shell);
  }
  progress_page progress(converter);
  gui_finish_page_t finish(converter, kSuccessText, kErrorText, L"vdy");
  shell.add_page(&progress, ui_page_options{L"Step 7 of 7", L"Database conversion is in progress", false, true});
  shell.add_page(&finish, ui_page_options{L"", L"", true, false});

  const int result = shell.run();
  const bool failed = progress.cancelled() || !shell.errors().empty();
  if (quick) return result == ui_sheet_finished && !failed ? exit_ok : exit_failed;
  return progress.run_started() && failed ? exit_failed : exit_ok;
}
