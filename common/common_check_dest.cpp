// The checks of a file the program is about to write: a dump file, the log file.
#include "common/common_check_dest.h"
#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "TK/tk_temp_file.h"
#include "TK/tk_utils.h"

namespace {
constexpr std::uint32_t generic_write = 0x40000000;
}

void check_file_path(const std::string& path, const file_path_texts& texts) {
  if (tk_is_path_exist(path)) throw tk_exception(texts.folder, tk_kind_error);
  if (tk_is_file_exist1(path, tk_file_exists) && !tk_is_file_exist1(path, tk_file_writable)) {
    throw tk_exception(texts.read_only, tk_kind_error);
  }
  const std::string folder = tk_file_name(path).get_folder();
  if (!tk_is_path_exist(folder)) throw tk_exception(texts.missing_folder, tk_kind_error);
  if (!tk_check_access1(folder.c_str(), generic_write)) throw tk_exception(texts.not_writable, tk_kind_error);
}

void common_check_dest(const std::wstring& path) {
  tk_log2(tk_log_trace, L"common_check_dest(%ls)", path.c_str());
  static const file_path_texts texts = {
      "Destination name should specify a file, not folder.",
      "Destination name specifies an existing read-only file.",
      "Destination path does not exist.\nPlease verify the correct path was given.",
      "Cannot create or write into the destination file.\nRun the program as Administrator or change folder.",
  };
  check_file_path(tk_unicode_to_mbcs(path, tk_ansi_code_page), texts);
}

void common_check_dump_target(const std::wstring& path, const std::wstring& source) {
  const std::string target = tk_unicode_to_mbcs(path, tk_ansi_code_page);
  const tk_path_kind kind = tk_lstat_kind(target);
  if (kind == tk_path_kind::symlink || kind == tk_path_kind::other) {
    throw tk_exception("Destination name should specify a regular file, not a link, device or pipe.", tk_kind_error);
  }
  if (tk_same_file(target, tk_unicode_to_mbcs(source, tk_ansi_code_page))) {
    throw tk_exception("Destination name specifies the source MS Access database.", tk_kind_error);
  }
}
