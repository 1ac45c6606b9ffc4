// Console text and the usage text of VDYAGENT.
#include "console/console_output.h"

#include <cstdlib>

#include "TK/tk_logger.h"
#include "converter/vandry_converter.h"

namespace {

constexpr int version_major = 8;
constexpr int version_minor = 3;

constexpr const char* usage_body =
    "Usage: VDYAGENT.EXE OPTIONS\n"
    "\n"
    "   --accp=...     MS Access database password\n"
    "   --charset=...  MySQL character set (see 'Command Line' article of\n"
    "                  the product documentation for list of possible values)\n"
    "   --dest=...     MySQL database or dump file name\n"
    "   --dump         convert MS Access database into MySQL dump file\n"
    "   --engine=...   MySQL storage engine (MyISAM, MEMORY, InnoDB\n"
    "                  BerkeleyDB, ARCHIVE, FEDERATED, etc)\n"
    "   --help         display this help message and exit\n"
    "   --logfile=...  path to the file where execution trace will be written\n"
    "   --mode=...     how to process an existing MySQL database\n"
    "                  (0 - overwrite the entire database, 1 - overwrite\n"
    "                   existing tables only, 2 - skip existing tables,\n"
    "                   3 - merge, 4 - synchronize)\n"
    "   --mysqlh=...   MySQL server IP address or network name\n"
    "   --mysqlu=...   MySQL user name\n"
    "   --mysqlp=...   MySQL user password\n"
    "   --port=...     MySQL port\n"
    "   --profile=...  path to the file to load conversion settings from\n"
    "   --queries      convert MS Access queries into MySQL views\n"
    "   --silent       disable program output\n"
    "   --skip_idx     skip converting indexes\n"
    "   --src=...      MS Access database name\n"
    "   --sysdb=...    path to MS Access workgroup information file (*.mdw)\n"
    "   --tab_def      convert table definitions only\n"
    "   --tab_file=... file containing the list of tables to convert\n"
    "                  (one table name per line)\n"
    "   --uglu=...     user name for MS Access user-level security\n"
    "   --uglp=...     password for MS Access user-level security\n"
    "\n"
    "NOTES:\n"
    "   1) You can omit 'mysqlh' parameter to connect local MySQL server.\n"
    "   2) You should omit 'sysdb', 'uglu' and 'uglp' parameters if not use\n"
    "      MS Access user-level security.\n"
    "   3) It is necessary to specify 'port' parameter only if it differs from\n"
    "      the default MySQL port 3306.\n"
    "   4) If you omit 'tab_file' parameter, all database tables will be converted.\n"
    "   5) If you omit 'mode' parameter, default mode 'overwrite the entire\n"
    "      database' will be used.";

bool converter_silent() {
  return tk_singleton<vandry_converter>::exists() && tk_singleton<vandry_converter>::instance()->silent;
}

}  // namespace

void console_write(std::FILE* stream, const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out += '\n';
    }
  }
  std::fwrite(out.data(), 1, out.size(), stream);
  std::fflush(stream);
}

std::string usage_text() {
  return "VDYAGENT v" + std::to_string(version_major) + "." + std::to_string(version_minor) + "\n" + usage_body;
}

void exit_with_help() {
  if (!converter_silent()) console_write(stdout, usage_text() + "\n");
  std::exit(exit_no_error);
}

void exit_with_message(const std::string& text) {
  tk_log1(tk_log_event, "%s", text.c_str());
  if (!converter_silent()) console_write(stderr, text + "\n");
  // Standard output may hold buffered progress lines; exit flushes it, the objects of main stay.
  std::exit(exit_usage);
}
