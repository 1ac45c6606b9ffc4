// The console program's command-line walker.
#include "console/tk_cmdli.h"

#include <cstring>

#include "TK/tk_exception.h"

std::int32_t TCmdLine::id() const {
  if (!has_more()) throw tk_mail_assertion("tk_cmdli", 70);
  return id_;
}

const char* TCmdLine::value() const {
  if (!has_more()) throw tk_mail_assertion("tk_cmdli", 75);
  return value_;
}

void TCmdLine::parse_current(const char* argument) {
  const cmd_option* row = options_;
  const std::size_t argument_length = std::strlen(argument);
  for (;; ++row) {
    const std::size_t name_length = std::strlen(row->name);
    if (name_length <= argument_length && std::memcmp(row->name, argument, name_length) == 0) break;
  }
  value_ = argument + std::strlen(row->name);
  if (row->name[0] != '\0') {
    id_ = row->id;
    return;
  }
  id_ = cmd_positional;
  if (positional_count_ >= max_positional) throw tk_mail_assertion("..\\TK/tk_cmdli", 52);
  positional_[positional_count_++] = argument;
}

ansi_cmd_line::ansi_cmd_line(int argc, char** argv, const cmd_option* options)
    : TCmdLine(options), next_(argv + 1), remaining_(argc - 1) {
  if (remaining_ > 0) parse_current(*next_);
}

void ansi_cmd_line::next() {
  if (!has_more()) throw tk_mail_assertion("tk_cmdli", 60);
  ++next_;
  --remaining_;
  if (remaining_ > 0) parse_current(*next_);
}
