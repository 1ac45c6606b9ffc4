// Files the process must not leave behind however it ends: removed when it is stopped by SIGINT,
// SIGTERM or SIGHUP, and when it leaves through exit() without running its destructors.
#pragma once

#include <string>

// Marks the file for removal should the process end before tk_keep_on_exit. Installs the signal
// handlers (and an atexit hook) on first use; a signal the process ignores stays ignored.
// Returns a handle for tk_keep_on_exit, or -1 when the path is too long or every slot is taken
// (the file is then only removed by its owner).
int tk_remove_on_exit(const std::string& path);
// The owner removed the file or renamed it into place: it is no longer removed at the end.
void tk_keep_on_exit(int handle);
