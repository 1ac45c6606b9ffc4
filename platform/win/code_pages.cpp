// Our UTF-8 codec and the iconv path for the other code pages, behind the Windows conversions.
#include "platform/win/code_pages.h"

#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "platform/win/last_error.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool is_utf8(UINT code_page) {
  return code_page == CP_ACP || code_page == CP_OEMCP || code_page == CP_THREAD_ACP || code_page == CP_UTF8;
}

// The iconv name of a Windows code page number; empty when we know none.
std::string iconv_name(UINT code_page) {
  switch (code_page) {
    case 20127: return "ASCII";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 936: return "GBK";
    case 949: return "UHC";
    case 950: return "BIG5";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932: return "EUC-JP";
    case 51949: return "EUC-KR";
    default: break;
  }
  if (code_page >= 28591 && code_page <= 28606) return "ISO-8859-" + std::to_string(code_page - 28590);
  if (code_page < 20000) return "CP" + std::to_string(code_page);
  return {};
}

// Decodes one UTF-8 sequence at text[i..n). Returns the code point and advances i; an invalid
// sequence advances over its maximal valid-looking prefix (at least one byte) and answers -1.
long decode_utf8(const unsigned char* text, std::size_t n, std::size_t& i) {
  unsigned char b = text[i++];
  if (b < 0x80) return b;
  int need;
  char32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;  // no overlong forms
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return -1;
  }
  for (int k = 0; k < need; ++k) {
    if (i >= n) return -1;
    unsigned char c = text[i];
    unsigned char min = k == 0 ? lo : 0x80, max = k == 0 ? hi : 0xBF;
    if (c < min || c > max) return -1;
    cp = (cp << 6) | (c & 0x3F);
    ++i;
  }
  return static_cast<long>(cp);
}

// Writes the UTF-8 form of cp at out (room for four bytes) and answers its length.
std::size_t put_utf8(char* out, char32_t cp) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// The code point at text[i], joining a UTF-16 surrogate pair; -1 for a lone surrogate or a value
// beyond Unicode.
long next_code_point(const wchar_t* text, std::size_t n, std::size_t& i) {
  auto c = static_cast<std::uint32_t>(text[i++]);
  if (c >= 0xD800 && c <= 0xDBFF && i < n) {
    auto d = static_cast<std::uint32_t>(text[i]);
    if (d >= 0xDC00 && d <= 0xDFFF) {
      ++i;
      return 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
    }
  }
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return -1;
  return static_cast<long>(c);
}

// The UTF-8 form of text[0..n): written to out when out is not null (out_size bytes of room), its
// length answered either way. Callers ask for the length first and then convert, so both passes
// avoid any intermediate string: row writers convert every text value this way. Answers -1 when
// strict and the text holds a lone surrogate, -2 when out is too small.
long long encode_utf8(const wchar_t* text, std::size_t n, char* out, std::size_t out_size, bool strict,
                      bool& replaced) {
  std::size_t length = 0;
  char buf[4];
  for (std::size_t i = 0; i < n;) {
    if (static_cast<std::uint32_t>(text[i]) < 0x80) {  // the common case: ASCII runs
      if (out != nullptr) {
        if (length >= out_size) return -2;
        out[length] = static_cast<char>(text[i]);
      }
      ++length;
      ++i;
      continue;
    }
    long cp = next_code_point(text, n, i);
    if (cp < 0) {
      if (strict) return -1;
      cp = kReplacement;
      replaced = true;
    }
    std::size_t k = put_utf8(buf, static_cast<char32_t>(cp));
    if (out != nullptr) {
      if (length + k > out_size) return -2;
      std::memcpy(out + length, buf, k);
    }
    length += k;
  }
  return static_cast<long long>(length);
}

// The wide form of UTF-8 bytes text[0..n), written to out when not null; as encode_utf8.
long long decode_utf8_text(const char* text, std::size_t n, wchar_t* out, std::size_t out_size, bool strict) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::size_t length = 0;
  for (std::size_t i = 0; i < n;) {
    long cp = bytes[i] < 0x80 ? bytes[i++] : decode_utf8(bytes, n, i);
    if (cp < 0) {
      if (strict) return -1;
      cp = kReplacement;
    }
    if (out != nullptr) {
      if (length >= out_size) return -2;
      out[length] = static_cast<wchar_t>(cp);
    }
    ++length;
  }
  return static_cast<long long>(length);
}

// The converters of this thread, opened once per direction and code page: opening one costs far
// more than converting a short text, and a table of a Jet 3 file converts one text per value.
class iconv_cache {
 public:
  iconv_cache() = default;
  ~iconv_cache() {
    for (auto& [key, cd] : open_) iconv_close(cd);
  }
  iconv_cache(const iconv_cache&) = delete;
  iconv_cache& operator=(const iconv_cache&) = delete;

  // A converter reset to its initial state, or null when iconv knows no such code page.
  iconv_t get(UINT code_page, bool to_wide) {
    auto key = std::make_pair(code_page, to_wide);
    auto it = open_.find(key);
    if (it == open_.end()) {
      std::string name = iconv_name(code_page);
      if (name.empty()) return nullptr;
      iconv_t cd = to_wide ? iconv_open("WCHAR_T", name.c_str()) : iconv_open(name.c_str(), "WCHAR_T");
      if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
      it = open_.emplace(key, cd).first;
    }
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    return it->second;
  }

 private:
  std::map<std::pair<UINT, bool>, iconv_t> open_;
};

iconv_t converter(UINT code_page, bool to_wide) {
  thread_local iconv_cache cache;
  return cache.get(code_page, to_wide);
}

// Bytes in a named code page to wide text; false (with the last error set) on failure.
bool decode_iconv(UINT code_page, bool strict, const char* text, std::size_t n, std::wstring& out) {
  iconv_t cd = converter(code_page, true);
  if (cd == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  char* in = const_cast<char*>(text);
  std::size_t in_left = n;
  wchar_t chunk[256];
  while (in_left > 0) {
    char* dst = reinterpret_cast<char*>(chunk);
    std::size_t dst_left = sizeof chunk;
    std::size_t r = iconv(cd, &in, &in_left, &dst, &dst_left);
    out.append(chunk, reinterpret_cast<wchar_t*>(dst) - chunk);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An undefined byte or a sequence cut at the end: one replacement, then go on.
      if (strict) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
      }
      out += static_cast<wchar_t>(kReplacement);
      ++in;
      --in_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return true;
}

bool encode_iconv(UINT code_page, bool strict, const wchar_t* text, std::size_t n, std::string& out,
                  bool& used_default) {
  iconv_t cd = converter(code_page, false);
  if (cd == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text));
  std::size_t in_left = n * sizeof(wchar_t);
  char chunk[1024];
  while (in_left > 0) {
    char* dst = chunk;
    std::size_t dst_left = sizeof chunk;
    std::size_t r = iconv(cd, &in, &in_left, &dst, &dst_left);
    out.append(chunk, dst - chunk);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      if (strict) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
      }
      out += '?';
      used_default = true;
      in += sizeof(wchar_t);
      in_left -= sizeof(wchar_t);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return true;
}

}  // namespace

UINT GetACP() { return CP_UTF8; }

namespace {

// The answer of the UTF-8 codec as the API gives it: the count, or 0 with the reason set (-1:
// invalid input under the strict flag, -2: the buffer is too small, or a count an int cannot hold).
int utf8_answer(long long r) {
  if (r == -1) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (r == -2) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (r > INT32_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return static_cast<int>(r);
}

// A text converted through iconv handed out: only measured when out_size is 0, else copied if
// it fits.
template <class Char>
int copy_out(const std::basic_string<Char>& text, Char* out, int out_size) {
  if (out_size == 0) return static_cast<int>(text.size());
  if (text.size() > static_cast<std::size_t>(out_size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, text.data(), text.size() * sizeof(Char));
  return static_cast<int>(text.size());
}

}  // namespace

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR text, int count, LPWSTR out, int out_size) {
  if (text == nullptr || count == 0 || count < -1 || out_size < 0 || (out == nullptr && out_size > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~(MB_PRECOMPOSED | MB_ERR_INVALID_CHARS)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  std::size_t n = count == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(count);
  if (is_utf8(code_page)) {
    return utf8_answer(
        decode_utf8_text(text, n, out_size == 0 ? nullptr : out, static_cast<std::size_t>(out_size), strict));
  }
  std::wstring wide;
  if (!decode_iconv(code_page, strict, text, n, wide)) return 0;
  return copy_out(wide, out, out_size);
}

int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR text, int count, LPSTR out, int out_size,
                        LPCSTR /*default_char*/, BOOL* used_default) {
  if (text == nullptr || count == 0 || count < -1 || out_size < 0 || (out == nullptr && out_size > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~WC_ERR_INVALID_CHARS) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
  std::size_t n = count == -1 ? std::wcslen(text) + 1 : static_cast<std::size_t>(count);
  bool replaced = false;
  if (is_utf8(code_page)) {
    const int r = utf8_answer(
        encode_utf8(text, n, out_size == 0 ? nullptr : out, static_cast<std::size_t>(out_size), strict, replaced));
    if (r != 0 && used_default != nullptr) *used_default = replaced ? TRUE : FALSE;
    return r;
  }
  std::string bytes;
  if (!encode_iconv(code_page, strict, text, n, bytes, replaced)) return 0;
  if (used_default != nullptr) *used_default = replaced ? TRUE : FALSE;
  return copy_out(bytes, out, out_size);
}
