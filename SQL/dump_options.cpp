// The dump target's options and their line-end rule.
#include "SQL/dump_options.h"

#include "TK/tk_logger.h"

dump_options::dump_options() { tk_log1(tk_log_detail, "dump_options::ctor1"); }

const char* dump_options::get_line_end() const { return line_break != 0 ? "\n" : "\r\n"; }

const wchar_t* dump_options::get_wline_end() const { return line_break != 0 ? L"\n" : L"\r\n"; }
