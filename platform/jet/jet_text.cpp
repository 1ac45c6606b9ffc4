// Code-page and UTF-16 decoding of the text an Access file stores.
#include "platform/jet/jet_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace jet {

namespace {

bool is_double_byte(unsigned cp) { return cp == 932 || cp == 936 || cp == 949 || cp == 950; }

iconv_t open_conv(const char* to, const char* from) { return iconv_open(to, from); }

bool valid(void* cd) { return cd != nullptr && cd != reinterpret_cast<void*>(-1); }

// Runs iconv over the whole input; an invalid sequence is skipped byte by byte (and reported
// as '?' by the caller's choice of replacement) so that one bad byte loses one character only.
std::string run_iconv(void* cd, const char* in, std::size_t size, const char* replacement, std::size_t replacement_size,
                      std::size_t unit) {
  std::string out;
  if (!valid(cd)) return out;
  iconv(static_cast<iconv_t>(cd), nullptr, nullptr, nullptr, nullptr);
  std::vector<char> buf(size * 4 + 16);
  char* src = const_cast<char*>(in);
  std::size_t left = size;
  while (left > 0) {
    char* dst = buf.data();
    std::size_t room = buf.size();
    std::size_t rc = iconv(static_cast<iconv_t>(cd), &src, &left, &dst, &room);
    out.append(buf.data(), static_cast<std::size_t>(dst - buf.data()));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace one input unit and go on.
      out.append(replacement, replacement_size);
      std::size_t skip = left < unit ? left : unit;
      src += skip;
      left -= skip;
    }
  }
  return out;
}

}  // namespace

std::string jet_iconv_name(unsigned code_page) {
  switch (code_page) {
    case 932: return "SHIFT_JIS";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    case 65001: return "UTF-8";
    default: return "CP" + std::to_string(code_page);
  }
}

jet_codepage::jet_codepage(unsigned code_page) : code_page_(code_page) {
  std::string name = jet_iconv_name(code_page);
  iconv_t probe = open_conv("WCHAR_T", name.c_str());
  if (!valid(probe)) {
    code_page_ = 1252;
    name = "CP1252";
    probe = open_conv("WCHAR_T", name.c_str());
  }
  double_byte_ = is_double_byte(code_page_);
  from_wide_ = open_conv(name.c_str(), "WCHAR_T");
  if (double_byte_) {
    to_wide_ = probe;
    return;
  }
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    std::string w = run_iconv(probe, &in, 1, "", 0, 1);
    if (w.size() == sizeof(wchar_t)) {
      wchar_t c;
      std::memcpy(&c, w.data(), sizeof c);
      table_[b] = c;
    } else {
      table_[b] = static_cast<wchar_t>(b < 0x80 ? b : 0xFFFD);
    }
  }
  if (valid(probe)) iconv_close(probe);
}

jet_codepage::~jet_codepage() {
  if (valid(to_wide_)) iconv_close(static_cast<iconv_t>(to_wide_));
  if (valid(from_wide_)) iconv_close(static_cast<iconv_t>(from_wide_));
}

std::wstring jet_codepage::decode(const std::uint8_t* data, std::size_t size) const {
  std::wstring out;
  if (size == 0) return out;
  if (!double_byte_) {
    out.resize(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = table_[data[i]];
    return out;
  }
  std::string bytes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const wchar_t q = L'?';
    bytes =
        run_iconv(to_wide_, reinterpret_cast<const char*>(data), size, reinterpret_cast<const char*>(&q), sizeof q, 1);
  }
  out.resize(bytes.size() / sizeof(wchar_t));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(wchar_t));
  return out;
}

std::string jet_codepage::encode(const std::wstring& text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return run_iconv(from_wide_, reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t), "?", 1,
                   sizeof(wchar_t));
}

std::wstring jet_decode_utf16(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  out.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    unsigned u = data[i] | (data[i + 1] << 8);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < size) {
      unsigned lo = data[i + 2] | (data[i + 3] << 8);
      if (lo >= 0xDC00 && lo < 0xE000) {
        out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00)));
        i += 2;
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}

std::wstring jet_decode_unicode(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || data[0] != 0xFF || data[1] != 0xFE) return jet_decode_utf16(data, size);
  // Every zero byte switches between one-byte and two-byte runs; Access never writes the
  // compressed form for text whose UTF-16 units contain a zero byte.
  std::wstring out;
  out.reserve(size);
  bool compressed = true;
  std::size_t run_start = 2;
  auto flush = [&](std::size_t end) {
    if (compressed) {
      for (std::size_t k = run_start; k < end; ++k) out.push_back(static_cast<wchar_t>(data[k]));
    } else {
      out += jet_decode_utf16(data + run_start, end - run_start);
    }
  };
  for (std::size_t i = 2; i < size; ++i) {
    if (data[i] != 0) continue;
    flush(i);
    compressed = !compressed;
    run_start = i + 1;
  }
  flush(size);
  return out;
}

}  // namespace jet
