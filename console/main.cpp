// VDYAGENT: converts an Access database into a MySQL server database or a SQL dump file, with
// every setting taken from the command line or a settings profile.
#include <cstdio>
#include <exception>
#include <string>

#include "TK/tk_addresses.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "common/error_handler.h"
#include "console/cmd_options.h"
#include "console/console_output.h"
#include "console/target_checks.h"
#include "console/vdyagent_front_end.h"
#include "converter/vandry_converter.h"
#include "dao/dao_exception.h"

namespace {

constexpr const char* dao_missing_text =
    "Failed to load Data Access Objects (DAO) support library. Installing Microsoft Access Runtime "
    "may fix the problem.";

int convert(int argc, char** argv, vandry_converter& converter, error_handler& handler, vdyagent_front_end& front_end) {
  try {
    // The log file is switched on once the source and destination it must not name are known.
    converter.hold_log = true;
    if (!parse_cmd_line(argc, argv)) exit_with_message(usage_text());
    converter.hold_log = false;
    converter.open_logfile();
    converter.check_acc_base(converter.src, converter.acc_pswd);
    if (converter.direct) {
      converter.connect_mysql_server();
      check_server_dest(converter);
    }
    check_charset_and_engine();
    converter.check_dest();

    // The run reports to the front end, which keeps quiet itself, so that it learns of every
    // warning and failure in silent mode too.
    front_end.quiet = converter.silent;
    converter.set_silent(false);
    const auto errors_before = handler.errors_reported();
    converter();
    converter.set_silent(front_end.quiet);
    if (front_end.engine_missing) return exit_not_converted;
    if (handler.errors_reported() == errors_before && front_end.warnings == 0 && front_end.failures == 0)
      return exit_no_error;
    // A run that failed before its first table was created (a server lost before it, say)
    // converted nothing.
    return converter.tables_written == 0 ? exit_not_converted : exit_run_errors;
  } catch (const dao_required_exception&) {
    front_end.quiet = converter.silent;
    front_end.engine_required(dao_missing_text, "", tk_runtime_download_address);
    return exit_not_converted;
  } catch (const tk_exception& e) {
    // Kinds 1 and 2 end the program in the handler; an error the engine or the server reported
    // (kind 0) stopped the program before anything was converted.
    handler.handle(e, false);
    return exit_not_converted;
  } catch (const std::exception& e) {
    exit_with_message(e.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    tk_logger logger(nullptr, false, tk_log_event, false);
    vdyagent_front_end front_end;
    error_handler handler(dao_error_texts_count, dao_error_texts);
    handler.load_err_map(mysql_error_texts_count, mysql_error_texts);
    vandry_converter converter(converter_program::console);
    if (argc <= 1) exit_with_message(usage_text());
    return convert(argc, argv, converter, handler, front_end);
  } catch (const std::exception& e) {
    // The set-up of the objects above (the error handler may not exist yet), and whatever is not
    // a std::exception, end here rather than in std::terminate.
    console_write(stderr, std::string("Internal error: ") + e.what() + "\n");
  } catch (...) {
    console_write(stderr, "Internal error: unknown exception\n");
  }
  return exit_usage;
}
