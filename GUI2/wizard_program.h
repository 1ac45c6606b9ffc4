// The wizard program once Qt runs: the logger, error handler and converter, quick launch or the
// full page table, the modal sheet, and the exit status (0 only when nothing failed).
#pragma once

// argv as QApplication left it (Qt's own options taken out). Needs a QApplication.
int wizard_program(int argc, const char* const* argv);

// The exit status when the display cannot be reached, and its message.
inline constexpr int gui_init_failed_status = 255;
inline constexpr const char* gui_init_failed_text = "Failed to initialize GUI library";

// Checks that Qt will find a display before it is started (Qt ends the process when it cannot);
// writes the message to standard error and answers false when it will not.
bool gui_initialize(int argc, const char* const* argv);
