// The converter's base: the log-file setting.
#include "converter/tk_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"

namespace {
constexpr std::uint32_t generic_write = 0x40000000;
}

tk_converter::tk_converter() { tk_log1(2, "tk_converter::ctor"); }

void tk_converter::set_logfile(const std::string& path) {
  tk_log1(1, "tk_convertor::set_logfile(%s)", path.c_str());
  if (!tk_logger::exists()) return;
  log_file = path;
  if (path.empty()) {
    tk_log1(1, "Filename is empty");
    return;
  }
  if (tk_is_path_exist(path)) throw tk_exception("Logfile name specifies an existing path.", tk_kind_error);
  if (tk_is_file_exist1(path, tk_file_exists) && !tk_is_file_exist1(path, tk_file_writable)) {
    throw tk_exception("Logfile name specifies an existing read-only file.", tk_kind_error);
  }
  const std::string folder = tk_file_name(path).get_folder();
  if (!tk_is_path_exist(folder)) {
    throw tk_exception("Logfile path does not exist.\nPlease verify the correct path was given.", tk_kind_error);
  }
  if (!tk_check_access1(folder.c_str(), generic_write)) {
    throw tk_exception(
        "Cannot create log file. Make sure you have sufficient\nprivileges to create files in the directory.",
        tk_kind_error);
  }
  tk_logger* logger = tk_logger::get_instance();
  logger->set_file_name(path.c_str());
  logger->enable();
}
