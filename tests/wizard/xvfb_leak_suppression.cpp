// LeakSanitizer's built-in suppressions for the wizard's programs. On an X server (Xvfb) Qt's xcb
// platform loads libdbus, which keeps 1,032 bytes it never frees; the leak is the library's, not
// ours, so only that library is excused. On the offscreen platform libdbus is not loaded and the
// entry matches nothing.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
