// The engine code of an Access file from its version byte.
#include "dao/acc_dao_version.h"

#include <fstream>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

constexpr const char* not_access = "File '%s' does not comply with MS Access format.";
constexpr std::streamoff version_offset = 20;

}  // namespace

acc_dao_version::acc_dao_version(const std::wstring& path) : path_(path) {
  tk_log1(tk_log_detail, "acc_dao_version::ctor");
}

std::uint32_t acc_dao_version::get_version() {
  tk_log1(tk_log_detail, "acc_dao_version::get_version");
  std::string ansi = tk_unicode_to_mbcs(path_, tk_ansi_code_page);
  std::ifstream in(ansi, std::ios::binary);
  std::streamoff size = 0;
  if (in) {
    in.seekg(0, std::ios::end);
    size = in.tellg();
  }
  // A file of exactly 20 bytes has no version byte: it is refused like a shorter one.
  if (!in || size <= version_offset) throw tk_exception(not_access, ansi, tk_kind_error);
  in.seekg(version_offset);
  char c = 0;
  if (!in.get(c)) throw tk_exception(not_access, ansi, tk_kind_error);
  tk_log1(tk_log_detail, "c=%d", static_cast<int>(static_cast<signed char>(c)));
  switch (c) {
    case 0: tk_log1(tk_log_detail, "This is MS Access 7.0/97 file"); return 1;
    case 1: tk_log1(tk_log_detail, "This is MS Access 2000 file"); return 0;
    // 2 Access 2007, 3 Access 2010, 4 Access 2013, 5 Access 2016, 6 Access 2019: one engine
    // reads them all.
    case 2:
    case 3:
    case 4:
    case 5:
    case 6: tk_log1(tk_log_detail, "This is MS Access 2007+ file"); return 3;
    default: throw tk_exception(not_access, ansi, tk_kind_error);
  }
}
