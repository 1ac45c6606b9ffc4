// Whether Qt will find a display.
#include "GUI2/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

std::string env_value(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool socket_accepts(const std::string& path) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  ::close(fd);
  return ok;
}

// ":N" and ":N.S" are served on the local socket of display N; a display on another host
// ("host:N") cannot be probed without a network round trip and is taken as given.
bool x_available(const std::string& display) {
  if (display.empty()) return false;
  if (display.front() != ':') return true;
  const std::string number =
      display.substr(1, display.find('.') == std::string::npos ? std::string::npos : display.find('.') - 1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  return socket_accepts("/tmp/.X11-unix/X" + number);
}

bool wayland_available(const display_environment& env) {
  if (env.wayland_display.empty()) return false;
  if (env.wayland_display.front() == '/') return socket_accepts(env.wayland_display);
  return !env.runtime_dir.empty() && socket_accepts(env.runtime_dir + "/" + env.wayland_display);
}

}  // namespace

display_environment read_display_environment(int argc, const char* const* argv) {
  display_environment env;
  env.platform = env_value("QT_QPA_PLATFORM");
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) env.platform = argv[i + 1];
  }
  env.x_display = env_value("DISPLAY");
  env.wayland_display = env_value("WAYLAND_DISPLAY");
  env.runtime_dir = env_value("XDG_RUNTIME_DIR");
  return env;
}

bool display_available(const display_environment& env) {
  // A list ("wayland;xcb") is tried in order; its plugin options (after ':') do not matter here.
  std::string rest = env.platform;
  if (rest.empty()) return x_available(env.x_display) || wayland_available(env);
  while (!rest.empty()) {
    const std::size_t end = rest.find(';');
    std::string name = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    name = name.substr(0, name.find(':'));
    if (name == "xcb") {
      if (x_available(env.x_display)) return true;
    } else if (name.rfind("wayland", 0) == 0) {
      if (wayland_available(env)) return true;
    } else if (!name.empty()) {
      return true;  // offscreen, minimal, vnc, eglfs, linuxfb: no display server to reach
    }
  }
  return false;
}
