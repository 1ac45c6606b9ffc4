// The table-names file of VDYAGENT.
#include "console/tab_file.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "console/console_output.h"
#include "converter/vandry_converter.h"

namespace {

// Reads one line without its LF; false at the end of the file when nothing was read.
bool read_line(std::FILE* file, std::string& line) {
  line.clear();
  int c;
  bool any = false;
  while ((c = std::getc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    line += static_cast<char>(c);
  }
  return any;
}

std::wstring ansi_to_wide(const std::string& text) {
  std::unique_ptr<wchar_t[]> wide;
  if (!tk_ansi_to_unicode(text.c_str(), wide)) throw tk_exception_ex("Cannot convert to UNICODE string: ", tk_kind_continuable);
  return wide.get();
}

}  // namespace

tab_file_names read_tab_names(std::FILE* file) {
  tab_file_names result;
  bool utf8 = false;
  std::string line;
  std::uint32_t line_number = 0;
  while (read_line(file, line)) {
    ++line_number;
    // Files saved on Windows end their lines in CR LF; the CR belongs to no table name.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.size() > tab_file_max_name) {
      result.long_line = line_number;
      return result;
    }
    if (result.names.empty() && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
      utf8 = true;
      line.erase(0, 3);
    }
    result.names.push_back(utf8 ? tk_utf8_to_unicode(line) : ansi_to_wide(line));
  }
  return result;
}

void process_tab_file(const std::string& path) {
  tk_log1(tk_log_trace, "process_tab_file(%s)", path.c_str());
  if (!tk_is_file_exist1(path, tk_file_exists))
    exit_with_message("Table names file does not exist.\nPlease verify the correct path/name was given.");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    const int error = errno;
    throw tk_exception("Cannot read table names file '" + path + "': " + std::strerror(error),
                       tk_kind_continuable);
  }
  tab_file_names read = read_tab_names(file.get());
  if (std::ferror(file.get()))
    throw tk_exception("Cannot read table names file '" + path + "'", tk_kind_continuable);
  if (read.long_line != 0)
    exit_with_message("Table names file: line " + std::to_string(read.long_line) + " is longer than " +
                      std::to_string(tab_file_max_name) +
                      " characters.\nAn MS Access table name is at most 64 characters long.");
  auto& selected = tk_singleton<vandry_converter>::instance()->selected_tables;
  selected.assign(read.names.begin(), read.names.end());
}
