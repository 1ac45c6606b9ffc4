// The wizard's command line: empty for the wizard, otherwise the path of a settings profile to run
// at once (quick launch). The arguments left after Qt took its own options are joined with single
// blanks, as the whole command line once was, so a path with blanks needs no quotes.
#pragma once

#include <string>

struct quick_launch_args {
  enum class mode { wizard, quick_launch, bad_path };
  mode what = mode::wizard;
  std::wstring profile;  // quick_launch: the path
  std::string message;   // bad_path: what to tell the user
};

// argv[0] is the program; argv[1..argc-1] are the arguments left after Qt's options.
quick_launch_args read_quick_launch_args(int argc, const char* const* argv);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points above
// U+10FFFF).
bool is_valid_utf8(const std::string& bytes);
