// The check of a dump file's path.
#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "common/acc_converter_impl.h"

namespace {
constexpr std::uint32_t generic_write = 0x40000000;
}

void common_check_dest(const std::wstring& path) {
  tk_log2(1, L"common_check_dest(%ls)", path.c_str());
  if (tk_is_path_exist(path)) throw tk_exception("Destination name should specify a file, not folder.", tk_kind_error);
  if (tk_is_file_exist2(path, tk_file_exists) && !tk_is_file_exist2(path, tk_file_writable)) {
    throw tk_exception("Destination name specifies an existing read-only file.", tk_kind_error);
  }
  const std::wstring folder = tk_file_wname(path).get_folder();
  if (!tk_is_path_exist(folder)) {
    throw tk_exception("Destination path does not exist.\nPlease verify the correct path was given.", tk_kind_error);
  }
  if (!tk_check_access2(folder.c_str(), generic_write)) {
    throw tk_exception(
        "Cannot create or write into the destination file.\nRun the program as Administrator or change folder.",
        tk_kind_error);
  }
}
