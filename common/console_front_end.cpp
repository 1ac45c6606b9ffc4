// The console program's front end.
#include "common/console_front_end.h"

#include <cstdlib>

#include "TK/tk_utils.h"

namespace {

void put(std::FILE* stream, const std::wstring& text) {
  std::string bytes;
  if (!tk_unicode_to_ansi3(text.c_str(), bytes)) return;
  std::fputs(bytes.c_str(), stream);
  std::fflush(stream);
}

}  // namespace

console_front_end::console_front_end(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

void console_front_end::write_log(const std::wstring& line) { put(out_, line); }

void console_front_end::write_warning(const std::wstring& line) { put(err_, line); }

void console_front_end::internal_error(const std::string& text) {
  // Progress stays on standard output; a script that keeps it apart from errors must see every
  // failure on standard error.
  std::fprintf(err_, "Internal error: %s\n", text.c_str());
  std::fflush(err_);
  std::exit(-1);
}

error_decision console_front_end::report_error(tk_exception_kind kind, const std::string& report, bool silent) {
  if (!silent) {
    std::fprintf(err_, "Error:\n%s\n", report.c_str());
    std::fflush(err_);
  }
  // Inside a run an error ends only its table: the run goes on with the next one, and the dump
  // or the database gets its remaining tables and its proper end.
  if (kind == tk_kind_error && !in_run_) std::exit(-1);
  return {};
}

void console_front_end::engine_required(const std::string& text, const std::string&, const std::string& address) {
  std::fprintf(err_, "%s\n%s\n", text.c_str(), address.c_str());
  std::fflush(err_);
}

void console_front_end::run_failed(const std::string& text) {
  std::fprintf(err_, "ERROR:\n%s\n", text.c_str());
  std::fflush(err_);
}
