#include "GUI2/types_map_files.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_yaml_config.h"

namespace {

type_name_lists& conversions() {
  static type_name_lists cache;
  return cache;
}

type_name_lists& attributes() {
  static type_name_lists cache;
  return cache;
}

std::string program_folder() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return {};
  const std::string program(buffer, static_cast<std::size_t>(n));
  const std::size_t slash = program.rfind('/');
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

std::string user_data_folder() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (data_home != nullptr && data_home[0] == '/') return std::string(data_home) + "/Quellbrook/Ostrelle";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return {};
  return std::string(home) + "/.local/share/Quellbrook/Ostrelle";
}

bool is_file(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// Fills an empty cache from the file; a cache already filled is kept as it is.
const type_name_lists& load_once(type_name_lists& cache, const std::string& name) {
  if (!cache.empty()) return cache;
  const std::string path = find_type_mapping_file(name);
  tk_yaml_config config;
  if (!config.load(path.c_str(), {})) {
    throw tk_exception("Cannot find " + name + ". Custom type mapping is not available.", tk_kind_error);
  }
  cache = config.values();
  return cache;
}

std::vector<std::wstring> list_of(const type_name_lists& lists, const std::wstring& type) {
  auto it = lists.find(type);
  return it == lists.end() ? std::vector<std::wstring>() : it->second;
}

}  // namespace

std::string find_type_mapping_file(const std::string& name) {
  for (const std::string& folder : {std::string("."), program_folder(), user_data_folder()}) {
    if (folder.empty()) continue;
    const std::string path = folder + "/" + name;
    if (is_file(path)) {
      tk_log1(tk_log_detail, "Type mapping file: %s", path.c_str());
      return path;
    }
  }
  return name;
}

const type_name_lists& conversion_map() { return load_once(conversions(), "sql.map"); }
const type_name_lists& type_attributes_map() { return load_once(attributes(), "sql.typ"); }

std::vector<std::wstring> mapped_types(const std::wstring& type) { return list_of(conversion_map(), type); }
std::vector<std::wstring> type_attributes(const std::wstring& type) { return list_of(type_attributes_map(), type); }

void forget_type_mapping_files() {
  conversions().clear();
  attributes().clear();
}
