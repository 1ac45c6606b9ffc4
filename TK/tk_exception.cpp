// The exception family's constructors and the assertion text.
#include "TK/tk_exception.h"

#include <cstdio>
#include <vector>

#include "TK/tk_format.h"
#include "TK/tk_logger.h"
#include "platform/win/code_pages.h"
#include "platform/win/last_error.h"

namespace {
const char kUnknown[] = "Unknown exception";
}

tk_exception::tk_exception(const std::string& format, const std::string& argument, tk_exception_kind kind)
    : message_(tk_format(format.c_str(), argument.c_str())), kind_(kind) {}

tk_exception::tk_exception(const std::string& text, tk_exception_kind kind)
    : message_(text.empty() ? kUnknown : text), kind_(kind) {}

tk_exception::tk_exception(const std::wstring& text, tk_exception_kind kind) : kind_(kind) {
  if (text.empty()) return;
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return;
  std::vector<char> buf(static_cast<std::size_t>(n));
  if (WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buf.data(), n, nullptr, nullptr) == n) {
    message_ = buf.data();
  }
}

tk_exception::tk_exception(tk_exception_kind kind) : message_(kUnknown), kind_(kind) {}

tk_exception_ex::tk_exception_ex(const std::string& prefix, tk_exception_kind kind) : tk_exception(kind) {
  set_last_error(prefix);
}

tk_exception_ex::tk_exception_ex() : tk_exception(tk_kind_error) { set_last_error(std::string()); }

void tk_exception_ex::set_last_error(const std::string& prefix) {
  code_ = GetLastError();
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code_,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  if (n > 0 && text != nullptr) {
    message_ = prefix + std::string(text, n);
    tk_log1(tk_log_detail, "GetLastError: %s", message_.c_str() + prefix.size());
  }
  LocalFree(text);
}

tk_mail_assertion::tk_mail_assertion(const char* file, std::uint32_t line)
    : tk_exception(make_err_meggase(file, line), tk_kind_internal) {
  tk_log1(tk_log_detail, "tk_mail_assertion::ctor(%s)", file ? file : "");
}

std::string make_err_meggase(const char* file, std::uint32_t line) {
  tk_log1(tk_log_detail, "make_err_meggase(%s, %d)", file ? file : "", static_cast<int>(line));
  std::string where = tk_format("%s\\%u", file ? file : "", static_cast<unsigned>(line));
  tk_log1(tk_log_detail, "result=%s", where.c_str());
  static const char digits[] = "0123456789abcdef";
  std::string out = "Internal error: \ncode=";
  for (unsigned char c : where) {
    out += digits[c >> 4];
    out += digits[c & 0x0F];
  }
  return out;
}

tk_final_exception::tk_final_exception() { tk_log1(tk_log_detail, "tk_final_exception::ctor"); }
