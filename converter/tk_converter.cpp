// The converter's base: the log-file setting.
#include "converter/tk_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_temp_file.h"
#include "TK/tk_utils.h"
#include "common/common_check_dest.h"

tk_converter::tk_converter() { tk_log1(tk_log_detail, "tk_converter::ctor"); }

void tk_converter::set_logfile(const std::string& path) {
  tk_log1(tk_log_trace, "tk_convertor::set_logfile(%s)", path.c_str());
  if (!tk_logger::exists()) return;
  log_file = path;
  if (path.empty()) {
    tk_log1(tk_log_trace, "Filename is empty");
    return;
  }
  static const file_path_texts texts = {
      "Logfile name specifies an existing path.",
      "Logfile name specifies an existing read-only file.",
      "Logfile path does not exist.\nPlease verify the correct path was given.",
      "Cannot create log file. Make sure you have sufficient\nprivileges to create files in the directory.",
  };
  check_file_path(path, texts);
  if (!hold_log) open_logfile();
}

void tk_converter::open_logfile() {
  if (log_file.empty() || !tk_logger::exists()) return;
  const std::string source = tk_unicode_to_mbcs(src, tk_ansi_code_page);
  if (!source.empty() && tk_same_file(log_file, source)) {
    throw tk_exception("Logfile name specifies the source MS Access database.", tk_kind_error);
  }
  const std::string destination = tk_unicode_to_mbcs(dest, tk_ansi_code_page);
  if (dest_is_file() && !destination.empty() && tk_same_file(log_file, destination)) {
    throw tk_exception("Logfile name specifies the destination dump file.", tk_kind_error);
  }
  tk_logger* logger = tk_logger::get_instance();
  logger->set_file_name(log_file.c_str());
  logger->enable();
}
