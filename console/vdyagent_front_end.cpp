// The console front end of VDYAGENT.
#include "console/vdyagent_front_end.h"

#include <cstdio>

#include "TK/tk_utils.h"
#include "console/console_output.h"

namespace {

void put(std::FILE* stream, const std::wstring& text) {
  std::string bytes;
  if (tk_unicode_to_ansi3(text.c_str(), bytes)) console_write(stream, bytes);
}

}  // namespace

void vdyagent_front_end::write_log(const std::wstring& line) {
  if (!quiet) put(stdout, line);
}

void vdyagent_front_end::write_warning(const std::wstring& line) {
  ++warnings;
  if (!quiet) put(stderr, line);
}

void vdyagent_front_end::engine_required(const std::string& text, const std::string&, const std::string& address) {
  engine_missing = true;
  if (!quiet) console_write(stderr, text + "\n" + address + "\n");
}

void vdyagent_front_end::run_failed(const std::string& text) {
  ++failures;
  if (!quiet) console_write(stderr, "ERROR:\n" + text + "\n");
}
