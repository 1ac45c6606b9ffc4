// Text conversions and helpers; conversions size their buffers from the converted length.
#include "TK/tk_utils.h"

#include <algorithm>
#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "platform/win/clipboard.h"
#include "platform/win/code_pages.h"
#include "platform/win/string_compare.h"

namespace {

// The most bytes one wide character takes in UTF-8, and the longest text converted in one call
// (its room is four times its length).
constexpr std::size_t max_utf8_per_char = 4;
constexpr int one_pass_limit = 1 << 16;

// Wide text up to its first NUL to bytes; false when the call fails.
// Converts `length` characters, or up to the terminator when length is -1. Texts held in string
// objects pass their whole length, so a NUL inside a value (a memo may hold one) is kept.
bool to_bytes(std::uint32_t code_page, const wchar_t* text, std::string& out, int length = -1) {
  if (length == 0) {
    out.clear();
    return true;
  }
  // A text of known, ordinary length converts in one call into room for its longest form: the
  // call that only measures costs as much as the conversion itself.
  if (code_page == CP_UTF8 && length > 0 && length <= one_pass_limit) {
    std::string buf(static_cast<std::size_t>(length) * max_utf8_per_char, '\0');
    const int n =
        WideCharToMultiByte(code_page, 0, text, length, buf.data(), static_cast<int>(buf.size()), nullptr, nullptr);
    if (n <= 0) return false;
    buf.resize(static_cast<std::size_t>(n));
    out = std::move(buf);
    return true;
  }
  int n = WideCharToMultiByte(code_page, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  std::string buf(static_cast<std::size_t>(n), '\0');
  if (WideCharToMultiByte(code_page, 0, text, length, buf.data(), n, nullptr, nullptr) != n) return false;
  if (length < 0) buf.resize(static_cast<std::size_t>(n) - 1);  // the terminator
  out = std::move(buf);
  return true;
}

bool to_wide(std::uint32_t code_page, DWORD flags, const char* text, std::wstring& out, int length = -1) {
  if (length == 0) {
    out.clear();
    return true;
  }
  int n = MultiByteToWideChar(code_page, flags, text, length, nullptr, 0);
  if (n <= 0) return false;
  std::wstring buf(static_cast<std::size_t>(n), L'\0');
  if (MultiByteToWideChar(code_page, flags, text, length, buf.data(), n) != n) return false;
  if (length < 0) buf.resize(static_cast<std::size_t>(n) - 1);
  out = std::move(buf);
  return true;
}

// The whole length of a string object as the int the code-page functions take.
template <typename S>
int whole_length(const S& text) {
  if (text.size() > static_cast<std::size_t>(INT32_MAX))
    throw tk_exception("Text too long to convert", tk_kind_continuable);
  return static_cast<int>(text.size());
}

template <typename S>
S rtrim(const S& text) {
  std::size_t end = text.find_last_not_of(typename S::value_type(' '));
  if (end == S::npos) {
    if (!text.empty()) tk_log1(tk_log_trace, "Special processing for all-spaces-string");
    return S();
  }
  return text.substr(0, end + 1);
}

template <typename S>
S trim(const S& text) {
  std::size_t start = text.find_first_not_of(typename S::value_type(' '));
  return start == S::npos ? rtrim(text) : rtrim(text.substr(start));
}

template <typename S>
std::vector<S> split(const S& text, typename S::value_type separator) {
  std::vector<S> pieces;
  std::size_t end = text.find(typename S::value_type('\0'));
  S scanned = end == S::npos ? text : text.substr(0, end);
  if (scanned.empty()) return pieces;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = scanned.find(separator, start);
    if (at == S::npos) {
      pieces.push_back(scanned.substr(start));
      return pieces;
    }
    pieces.push_back(scanned.substr(start, at - start));
    start = at + 1;
  }
}

template <typename S>
S replace_all(const S& text, const S& from, const S& to) {
  if (from.empty()) return text;
  S out;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = text.find(from, start);
    if (at == S::npos) break;
    out.append(text, start, at - start);
    out += to;
    start = at + from.size();
  }
  out.append(text, start, S::npos);
  return out;
}

template <typename C>
void to_hex(std::uint32_t count, const std::uint8_t* bytes, C* out) {
  static const char digits[] = "0123456789ABCDEF";
  for (std::uint32_t i = 0; i < count; ++i) {
    out[2 * i] = static_cast<C>(digits[bytes[i] >> 4]);
    out[2 * i + 1] = static_cast<C>(digits[bytes[i] & 0x0F]);
  }
  out[2 * count] = C('\0');
}

}  // namespace

std::string tk_unicode_to_mbcs(const std::wstring& text, std::uint32_t code_page) {
  std::string out;
  if (!to_bytes(code_page == tk_ansi_code_page ? CP_ACP : code_page, text.data(), out, whole_length(text))) {
    throw tk_exception_ex("Cannot convert to ANSI string: ", tk_kind_continuable);
  }
  return out;
}

std::string tk_unicode_to_utf8(std::wstring_view text) {
  std::string out;
  if (!to_bytes(CP_UTF8, text.data(), out, whole_length(text))) {
    throw tk_exception_ex("Cannot convert to UTF8 string: ", tk_kind_continuable);
  }
  return out;
}

std::wstring tk_utf8_to_unicode(const std::string& text) {
  std::wstring out;
  if (!to_wide(CP_UTF8, 0, text.data(), out, whole_length(text))) {
    throw tk_exception_ex("Cannot convert to UNICODE string: ", tk_kind_continuable);
  }
  return out;
}

bool tk_unicode_to_ansi1(const wchar_t* text, char* out, std::size_t out_size) {
  tk_log1(tk_log_trace, "tk_unicode_to_ansi1");
  if (text == nullptr || out == nullptr) return false;
  std::string bytes;
  if (!to_bytes(CP_ACP, text, bytes) || bytes.size() + 1 > out_size) return false;
  std::copy(bytes.begin(), bytes.end(), out);
  out[bytes.size()] = '\0';
  tk_log1(tk_log_trace, "n_ansi=%d, n_unicode=%d", static_cast<int>(bytes.size() + 1),
          static_cast<int>(std::wcslen(text) + 1));
  return true;
}

bool tk_unicode_to_ansi2(const wchar_t* text, std::unique_ptr<char[]>& out) {
  tk_log1(tk_log_trace, "tk_unicode_to_ansi2");
  if (text == nullptr) return false;
  std::string bytes;
  if (!to_bytes(CP_ACP, text, bytes)) return false;
  out = std::make_unique<char[]>(bytes.size() + 1);
  std::copy(bytes.begin(), bytes.end(), out.get());
  out[bytes.size()] = '\0';
  return true;
}

bool tk_unicode_to_ansi3(const wchar_t* text, std::string& out) {
  out.clear();
  if (text == nullptr || text[0] == L'\0' || !to_bytes(CP_ACP, text, out)) {
    tk_log1(tk_log_trace, "tk_unicode_to_ansi3 - return false");
    return false;
  }
  tk_log1(tk_log_trace, "tk_unicode_to_ansi3 - return true");
  return true;
}

bool tk_ansi_to_unicode(const char* text, std::unique_ptr<wchar_t[]>& out) {
  if (text == nullptr) return false;
  std::wstring wide;
  if (!to_wide(CP_ACP, MB_PRECOMPOSED, text, wide)) return false;
  out = std::make_unique<wchar_t[]>(wide.size() + 1);
  std::copy(wide.begin(), wide.end(), out.get());
  out[wide.size()] = L'\0';
  return true;
}

std::string tk_rtrim(const std::string& text) { return rtrim(text); }
std::wstring tk_rtrim(const std::wstring& text) { return rtrim(text); }
std::string tk_trim(const std::string& text) { return trim(text); }
std::wstring tk_trim(const std::wstring& text) { return trim(text); }

std::vector<std::string> tk_split(const std::string& text, char separator) { return split(text, separator); }
std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator) { return split(text, separator); }

bool tk_ends_with(const std::wstring& text, const std::wstring& suffix, bool case_sensitive) {
  if (suffix.empty()) return true;
  if (suffix.size() > text.size()) return false;
  const wchar_t* tail = text.c_str() + (text.size() - suffix.size());
  if (case_sensitive) return std::wmemcmp(tail, suffix.c_str(), suffix.size()) == 0;
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, tail, static_cast<int>(suffix.size()), suffix.c_str(),
                        static_cast<int>(suffix.size())) == CSTR_EQUAL;
}

void tk_to_hex1(std::uint32_t count, const std::uint8_t* bytes, char* out) {
  if (out == nullptr) throw tk_mail_assertion("tk_utils", 904);
  to_hex(count, bytes, out);
}

void tk_to_hex2(std::uint32_t count, const std::uint8_t* bytes, wchar_t* out) {
  if (out == nullptr) throw tk_mail_assertion("tk_utils", 918);
  to_hex(count, bytes, out);
}

void tk_copy_to_clipboard2(const std::wstring& text) {
  tk_log2(tk_log_detail, L"tk_copy_to_clipboard2(%ls)", text.c_str());
  if (!clipboard_available()) {
    tk_log1(tk_log_detail, "GetLastError() returns %08X", 0u);
    return;
  }
  tk_log1(tk_log_detail, "OpenClipboard succeeded");
  set_clipboard_text(text);
}

std::string tk_string::replace_all(const std::string& text, const std::string& from, const std::string& to) {
  tk_log1(tk_log_trace, "tk_string::replace_all('%s','%s')", from.c_str(), to.c_str());
  return ::replace_all(text, from, to);
}

bool tk_string::compare_no_case(const std::string& a, const std::string& b) {
  tk_log1(tk_log_trace, "tk_string::compare_no_case");
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool tk_string::starts_with(const std::string& text, const std::string& prefix, bool case_sensitive) {
  if (prefix.empty()) return true;
  if (prefix.size() > text.size()) return false;
  if (case_sensitive) return text.compare(0, prefix.size(), prefix) == 0;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.data(), static_cast<int>(prefix.size()),
                        prefix.data(), static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

std::wstring tk_wstring::replace_all(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  tk_log2(tk_log_trace, L"tk_wstring::replace_all(%ls,%ls)", from.c_str(), to.c_str());
  return ::replace_all(text, from, to);
}

std::wstring tk_wstring::to_lower(const std::wstring& text) {
  tk_log2(tk_log_trace, L"tk_wstring::to_lower(%ls)", text.c_str());
  std::wstring out = text;
  for (wchar_t& c : out) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return out;
}

bool tk_wstring::split(const std::wstring& text, wchar_t separator, std::vector<std::wstring>& out) {
  tk_log2(tk_log_trace, L"tk_wstring::split(%lc)", static_cast<wint_t>(separator));
  out = tk_split(text, separator);
  return true;
}
