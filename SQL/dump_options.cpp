// The dump target's options and their line-end rule.
#include "SQL/dump_options.h"

dump_options::dump_options() {}

const char* dump_options::get_line_end() const { return line_break != 0 ? "\n" : "\r\n"; }

const wchar_t* dump_options::get_wline_end() const { return line_break != 0 ? L"\n" : L"\r\n"; }
