// The logger: one open-append-close per line, nothing buffered, wide text stored as UTF-8.
#include "TK/tk_logger.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "TK/tk_format.h"
#include "platform/win/code_pages.h"
#include "platform/win/last_error.h"
#include "platform/win/local_time.h"
#include "platform/win/paths.h"

namespace {

// A FILE* closed at the end of its scope; logging must not disturb the caller's last error.
class log_stream {
 public:
  log_stream(const std::string& name, const char* mode) : last_error_(GetLastError()), errno_(errno) {
    f_ = std::fopen(name.c_str(), mode);
  }
  ~log_stream() {
    if (f_ != nullptr) std::fclose(f_);
    SetLastError(last_error_);
    errno = errno_;
  }
  log_stream(const log_stream&) = delete;
  log_stream& operator=(const log_stream&) = delete;
  FILE* get() const { return f_; }

 private:
  FILE* f_ = nullptr;
  DWORD last_error_;
  int errno_;
};

// The longest prefix of `utf8` of at most `limit` bytes that does not split a character.
std::size_t cut_utf8(const std::string& utf8, std::size_t limit) {
  if (utf8.size() <= limit) return utf8.size();
  std::size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace

tk_logger::tk_logger(const char* file, bool enabled, std::uint32_t threshold, bool timestamp)
    : file_name_(file != nullptr ? std::string(file) : get_default_file_name()),
      threshold_(threshold),
      enabled_(enabled),
      timestamp_(timestamp) {
  if (enabled) truncate_once();
  publish_floor();
}

tk_logger::~tk_logger() {
  if (is_registered()) tk_log_floor.store(INT_MAX, std::memory_order_relaxed);
}

void tk_logger::publish_floor() {
  // The writers use only the registered logger; another one (made while it lives) must not
  // open or close the gate for it.
  if (!is_registered()) return;
  // Until the file is emptied every call goes to accepts, which empties it on first use. A
  // negative level is never written, whatever the threshold.
  int floor = INT_MAX;
  if (enabled_ && !truncated_)
    floor = INT_MIN;
  else if (enabled_ && threshold_ <= static_cast<std::uint32_t>(INT_MAX))
    floor = static_cast<int>(threshold_);
  tk_log_floor.store(floor, std::memory_order_relaxed);
}

void tk_logger::set_file_name(const char* name) {
  if (name == nullptr) throw tk_mail_assertion("tk_log", 82);
  file_name_ = name;
}

void tk_logger::enable() {
  enabled_ = true;
  publish_floor();
}

void tk_logger::truncate_once() {
  if (!enabled_ || truncated_.exchange(true)) return;
  publish_floor();
  std::lock_guard<std::mutex> lock(write_mutex_);
  log_stream f(file_name_, "wb");
}

std::string tk_logger::get_default_file_name() {
  std::string program(4096, '\0');
  DWORD n = GetModuleFileNameA(nullptr, program.data(), static_cast<DWORD>(program.size()));
  program.resize(n < program.size() ? n : 0);
  std::size_t slash = program.rfind('/');
  std::size_t dot = program.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) program.resize(dot);
  return program + ".log";
}

bool tk_logger::accepts(int level) {
  if (!enabled_) return false;
  truncate_once();
  return level >= 0 && static_cast<std::uint32_t>(level) >= threshold_;
}

void tk_logger::write_line(const char* text, std::size_t length) {
  std::lock_guard<std::mutex> lock(write_mutex_);
  log_stream f(file_name_, "ab");
  if (f.get() == nullptr) return;
  if (timestamp_) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    std::fprintf(f.get(), "%02d:%02d:%02d ", t.wHour, t.wMinute, t.wSecond);
  }
  std::fwrite(text, 1, length, f.get());
  if (crlf_) std::fwrite("\r\n", 1, 2, f.get());
}

void tk_log1_line(int level, const char* format, ...) {
  if (!tk_logger::exists()) return;
  tk_logger* logger = tk_logger::get_instance();
  if (!logger->accepts(level)) return;
  va_list args;
  va_start(args, format);
  std::string text;
  const bool formatted = tk_vformat(format, args, text);
  va_end(args);
  // A format that cannot be filled still leaves a trace of which line it was; an empty text
  // that formatted well is written as the empty line it is.
  if (!formatted && format != nullptr) text = format;
  logger->write_line(text.data(), text.size());
}

void tk_log2_line(int level, const wchar_t* format, ...) {
  if (!tk_logger::exists()) return;
  tk_logger* logger = tk_logger::get_instance();
  if (!logger->accepts(level)) return;
  va_list args;
  va_start(args, format);
  std::wstring wide;
  bool formatted = tk_vformat_wide(format, args, tk_logger::max_line, wide);
  va_end(args);
  if (!formatted && format != nullptr) wide = format;
  std::string utf8;
  if (!wide.empty()) {
    DWORD last_error = GetLastError();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n > 0) {
      utf8.resize(static_cast<std::size_t>(n));
      if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr,
                              nullptr) != n) {
        utf8.clear();
      }
    }
    SetLastError(last_error);
  }
  logger->write_line(utf8.data(), cut_utf8(utf8, tk_logger::max_line));
}
