// Reading the names of a table-names file.
#include <memory>

#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "console/tab_file.h"

namespace {

// Reads one line without its LF; false at the end of the file when nothing was read. Stops
// once the line holds more than `most` bytes (a CR before the LF not counted), so that a file
// without line ends is never read whole; the caller sees the line as too long.
bool read_line(std::FILE* file, std::string& line, std::size_t most) {
  line.clear();
  int c;
  bool any = false;
  while ((c = std::getc(file)) != EOF) {
    any = true;
    if (c == '\n') break;
    line += static_cast<char>(c);
    if (line.size() > most + 1) break;
  }
  return any;
}

std::wstring ansi_to_wide(const std::string& text) {
  std::unique_ptr<wchar_t[]> wide;
  if (!tk_ansi_to_unicode(text.c_str(), wide))
    throw tk_exception_ex("Cannot convert to UNICODE string: ", tk_kind_continuable);
  return wide.get();
}

}  // namespace

tab_file_names read_tab_names(std::FILE* file) {
  tab_file_names result;
  bool utf8 = false;
  std::string line;
  std::uint32_t line_number = 0;
  while (read_line(file, line, tab_file_max_name)) {
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
