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

const char* TCmdLine::argument() const {
  if (!has_more()) throw tk_mail_assertion("tk_cmdli", 80);
  return argument_;
}

namespace {

bool names_option(const char* name, const char* argument) {
  const std::size_t length = std::strlen(name);
  if (std::strncmp(name, argument, length) != 0) return false;
  if (length > 0 && name[length - 1] == '=') return true;
  return argument[length] == '\0' || argument[length] == '=';
}

}  // namespace

void TCmdLine::parse_current(const char* argument) {
  argument_ = argument;
  value_ = argument;
  for (const cmd_option* row = options_; row->name[0] != '\0'; ++row) {
    if (names_option(row->name, argument)) {
      id_ = row->id;
      value_ = argument + std::strlen(row->name);
      return;
    }
  }
  if (argument[0] == '-') {
    id_ = cmd_unknown;
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
