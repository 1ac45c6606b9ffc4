// The help pages.
#include "GUI2/help_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace {

bool is_file(const std::string& path) {
  struct stat state;
  return ::stat(path.c_str(), &state) == 0 && S_ISREG(state.st_mode);
}

}  // namespace

std::string help_folder() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return "help";
  std::string program(buffer, static_cast<std::size_t>(n));
  const std::size_t slash = program.rfind('/');
  return (slash == std::string::npos ? std::string(".") : program.substr(0, slash)) + "/help";
}

std::optional<std::string> help_page(const std::string& folder, std::optional<std::uint32_t> topic) {
  const std::string index = folder + "/index.html";
  if (!is_file(index)) return std::nullopt;
  if (topic) {
    const std::string page = folder + "/" + std::to_string(*topic) + ".html";
    if (is_file(page)) return page;
  }
  return index;
}
