// The table-names file of VDYAGENT.
#include "console/tab_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "console/console_output.h"
#include "converter/vandry_converter.h"

void process_tab_file(const std::string& path) {
  tk_log1(tk_log_trace, "process_tab_file(%s)", path.c_str());
  if (!tk_is_file_exist1(path, tk_file_exists))
    exit_with_message("Table names file does not exist.\nPlease verify the correct path/name was given.");
  // A device or a pipe may never end (/dev/zero): only a plain file is read.
  struct stat state;
  if (::stat(path.c_str(), &state) != 0 || !S_ISREG(state.st_mode))
    exit_with_message("Table names file '" + path + "' is not a regular file.");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  // A file that cannot be read is as wrong an option value as one that does not exist.
  if (!file) {
    const int error = errno;
    exit_with_message("Cannot read table names file '" + path + "': " + std::strerror(error));
  }
  tab_file_names read = read_tab_names(file.get());
  if (std::ferror(file.get())) exit_with_message("Cannot read table names file '" + path + "'");
  if (read.long_line != 0)
    exit_with_message("Table names file: line " + std::to_string(read.long_line) + " is longer than " +
                      std::to_string(tab_file_max_name) +
                      " characters.\nAn MS Access table name is at most 64 characters long.");
  auto& selected = tk_singleton<vandry_converter>::instance()->selected_tables;
  selected.assign(read.names.begin(), read.names.end());
}
