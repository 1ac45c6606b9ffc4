// The wizard's command line: empty for the wizard, otherwise the one path of a settings profile to
// run at once (quick launch). The program has no options: anything that looks like one, or a second
// argument (a path with blanks that was not quoted), is a usage error that names it.
#pragma once

#include <string>

struct quick_launch_args {
  enum class mode { wizard, quick_launch, bad_path, usage };
  mode what = mode::wizard;
  std::wstring profile;  // quick_launch: the path
  std::string message;   // bad_path, usage: what to tell the user
};

// The status of a usage error (255 to the shell), as the console program's.
inline constexpr int quick_launch_usage_status = -1;

// argv[0] is the program; argv[1..argc-1] are the arguments left after Qt's options.
quick_launch_args read_quick_launch_args(int argc, const char* const* argv);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points above
// U+10FFFF).
bool is_valid_utf8(const std::string& bytes);
