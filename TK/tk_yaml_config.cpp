// The line-based configuration reader.
#include "TK/tk_yaml_config.h"

#include <fstream>

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

bool tk_yaml_config::load(const char* path, const std::set<std::wstring>& exclusions) {
  tk_log1(tk_log_detail, "tk_yaml_config::load(%s)", path ? path : "");
  if (path == nullptr) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string key;
  std::string line;
  while (std::getline(in, line)) {
    // A file written on Windows ends its lines in CR LF: the CR is part of the line end.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    tk_log1(tk_log_trace, "Got text line: %s", line.c_str());
    line = tk_trim(line);
    if (line.empty()) {
      tk_log1(tk_log_trace, "Skip empty line");
      continue;
    }
    if (line.back() == ':') {
      key = line.substr(0, line.size() - 1);
      continue;
    }
    if (line.front() != '-') continue;
    std::string value = tk_trim(line.substr(1));
    std::wstring wide = tk_utf8_to_unicode(value);
    if (exclusions.count(wide) != 0) {
      tk_log1(tk_log_trace, "String '%s' has not passed the filter", value.c_str());
      continue;
    }
    map_[tk_utf8_to_unicode(key)].push_back(wide);
    tk_log1(tk_log_trace, "String '%s' has been stored under key='%s'", value.c_str(), key.c_str());
  }
  return true;
}
