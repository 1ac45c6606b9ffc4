// Whether Qt will find a display to open windows on. Qt aborts the process when its platform
// cannot connect; the wizard checks first so that it can say so and end with its own status.
#pragma once

#include <string>

// The environment and the "-platform NAME" option as Qt reads them at start-up.
struct display_environment {
  std::string platform;         // -platform, else QT_QPA_PLATFORM; empty: Qt's default
  std::string x_display;        // DISPLAY
  std::string wayland_display;  // WAYLAND_DISPLAY
  std::string runtime_dir;      // XDG_RUNTIME_DIR
};

display_environment read_display_environment(int argc, const char* const* argv);

// True when the platform needs no display (offscreen, minimal, vnc and the framebuffer ones) or
// its display server accepts a connection.
bool display_available(const display_environment& env);
